#pragma once
// Signs a member in the way the login window does: the forum's login form gives the session's
// token (the older site's has none: its fixed token goes), then the login form is posted, so that
// the shared cookie store holds the member's session afterwards and the client's session is in
// the member's period. True when the forum greeted the member.
#include "base/CodePage.h"
#include "base/Settings.h"
#include "AwaitedNet.h"
#include "net/XmlHttp.h"
#include "session/SiteSession.h"
#include "TestSession.h"

#include <QString>

inline bool signInThroughLoginForm(const QString &account, const QString &password)
{
    if (!testSession().site().siteUsesFixedTokens() && awaited(testSession().site().fetchLoginForm()) != SiteSession::Fetch::Token)
        return false;
    const QString forum = testSession().settings().host(HostRole::Forum);
    XmlHttp post(testSession().network());
    post.Open(QStringLiteral("POST"),
              testSession().settings().url(HostRole::Forum, QStringLiteral("/member.php?mod=logging&action=login&loginsubmit=yes"
                                                                       "&handlekey=login&loginhash=Qm7tW&inajax=1")),
              false);
    post.setRequestHeader(QStringLiteral("Content-Type"), QStringLiteral("application/x-www-form-urlencoded"));
    post.send("formhash=" + CodePage::percentEncode(testSession().site().tokenOr(QStringLiteral("5c2e9a17"))) + "&referer=http%3A%2F%2F"
              + CodePage::percentEncode(forum) + "%2F&username=" + CodePage::percentEncode(account)
              + "&password=" + CodePage::percentEncode(password));
    if (!completed(post))
        return false;
    const bool welcomed = post.responseText().contains(QStringLiteral("欢迎您回来"));
    if (welcomed)
        testSession().site().beginMemberPeriod();
    return welcomed;
}
