#pragma once
// Where the client's site roles and connectivity probe point during a test.
#include "base/Settings.h"

#include <QHostAddress>
#include <QTcpServer>

// Every site role and the probe at one loopback host:port.
inline void pointSiteAt(const QString &hostAndPort)
{
    for (HostRole role : {HostRole::Forum, HostRole::Home, HostRole::Vip, HostRole::Soft, HostRole::Main})
        Settings::instance().setHost(role, hostAndPort);
    Settings::instance().setProbeUrl(QStringLiteral("http://") + hostAndPort + QStringLiteral("/"));
}

// A loopback host:port that nobody listens on, so whatever a window fetches there fails at once
// and nothing leaves the machine. Empty when no port could be had.
[[nodiscard]] inline QString closedLoopbackAddress()
{
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost, 0))
        return {};
    return QStringLiteral("127.0.0.1:") + QString::number(server.serverPort());
}
