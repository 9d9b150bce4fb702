#include "SimFixture.h"

#include "base/Settings.h"
#include "net/ForumCharset.h"
#include "TestSession.h"

#include <QtGlobal>

void pointClientAt(const ForumSimulator &sim)
{
    using Role = ForumSimulator::Role;
    Settings &settings = testSession().settings();
    settings.setHost(HostRole::Forum, sim.origin(Role::Forum));
    settings.setHost(HostRole::Home, sim.origin(Role::Home));
    settings.setHost(HostRole::Vip, sim.origin(Role::Vip));
    settings.setHost(HostRole::Soft, sim.origin(Role::Soft));
    settings.setHost(HostRole::Main, sim.origin(Role::Main));
    settings.setProbeUrl(sim.probeUrl());
    // A port of an earlier test's forum may come back: what that forum declared is not this one's.
    testSession().network().charset().forget();
}

SimFixture::SimFixture()
{
    // QUORVEL_SIM_CHARSET=utf-8 runs a whole test program against the forum's UTF-8 build.
    if (const QString charset = qEnvironmentVariable("QUORVEL_SIM_CHARSET"); !charset.isEmpty()) {
        const std::optional<bool> utf8 = ForumSimulator::utf8FromCharset(charset);
        if (!utf8)
            qFatal("QUORVEL_SIM_CHARSET: gbk or utf-8, not %s", qPrintable(charset));
        SimSiteSettings settings = m_sim.siteSettings();
        settings.utf8 = *utf8;
        m_sim.setSiteSettings(settings);
    }
    if (!m_sim.start())
        qWarning("SimFixture: the forum simulator could not listen on 127.0.0.1");
    pointClientAt(m_sim);
}

SimFixture::~SimFixture()
{
    // The client's settings keep pointing at the closed loopback ports: a request after the test
    // fails at once instead of reaching the real site.
    m_sim.stop();
}
