#pragma once
// The member panel's pages as the scripted server sends them for the window tests: in GBK with
// their status, late or never where a case asks, and the host's 404 page for any other path.
#include "ScriptedServer.h"
#include "SiteAddress.h"

#include "base/CodePage.h"

#include <QString>

#include <memory>

// A page sent as GBK after delayMs; never: the request is read and nothing comes back.
[[nodiscard]] inline ScriptedReply gbkPage(const QString &text, int status = 200, int delayMs = 0, bool never = false)
{
    ScriptedReply reply = ScriptedReply::page(status, "text/html; charset=gbk", CodePage::toAnsi(text));
    reply.reason = "Scripted";
    reply.answerDelayMs = delayMs;
    if (never)
        reply.mode = ScriptedReply::Mode::NeverAnswer;
    return reply;
}

// Unscripted paths get the host's "not found" page.
inline void answerUnscriptedWithNotFound(ScriptedServer &server)
{
    server.setFallback(gbkPage(QStringLiteral("<html><body><h1>404 未找到</h1></body></html>"), 404));
}

// The scripted host of the panel's window tests, every role of the site pointed at it; unscripted
// paths get the 404 page. The caller checks that it listens.
[[nodiscard]] inline std::unique_ptr<ScriptedServer> startPanelSite()
{
    auto server = std::make_unique<ScriptedServer>();
    answerUnscriptedWithNotFound(*server);
    pointSiteAt(server->hostAndPort());
    return server;
}
