#include "SimFixture.h"

#include "base/Settings.h"
#include "net/ForumCharset.h"

#include <QtGlobal>

void pointClientAt(const ForumSimulator &sim)
{
    using Role = ForumSimulator::Role;
    Settings &settings = Settings::instance();
    settings.setHost(HostRole::Forum, sim.origin(Role::Forum));
    settings.setHost(HostRole::Home, sim.origin(Role::Home));
    settings.setHost(HostRole::Vip, sim.origin(Role::Vip));
    settings.setHost(HostRole::Soft, sim.origin(Role::Soft));
    settings.setHost(HostRole::Main, sim.origin(Role::Main));
    settings.setProbeUrl(sim.probeUrl());
    // A port of an earlier test's forum may come back: what that forum declared is not this one's.
    ForumCharset::forget();
}

SimFixture::SimFixture()
{
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
