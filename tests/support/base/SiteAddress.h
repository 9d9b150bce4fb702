#pragma once
// Where the client's site roles and connectivity probe point during a test.
#include "base/Settings.h"
#include "TestSession.h"

// Every site role and the probe at one loopback host:port.
inline void pointSiteAt(const QString &hostAndPort)
{
    for (HostRole role : {HostRole::Forum, HostRole::Home, HostRole::Vip, HostRole::Soft, HostRole::Main})
        testSession().settings().setHost(role, hostAndPort);
    testSession().settings().setProbeUrl(QStringLiteral("http://") + hostAndPort + QStringLiteral("/"));
}
