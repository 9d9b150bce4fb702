#pragma once
// The simulated site's answers: which role serves which path, the cookies of a visit, and the
// forum's actions (sign-in, sign-out, profile, credits, exchange, VIP page, lost password,
// avatars, version file). Takes a parsed request, gives the response; the wire is elsewhere.
// Pages and replies go out in the site's code page (GBK, or UTF-8 with settings().utf8); form fields
// are compared as sent, bytes against the members' texts in that code page.
//
// Paths by role (anything else is a 404 page):
//   Forum  /, /forum.php (mod=viewthread&tid=25020), /member.php (mod=logging action=login|logout,
//          mod=register, mod=lostpasswd), /uc_server/data/avatar/DDD/DD/DD/DD_avatar_SIZE.jpg,
//          /misc.php (mod=seccode: the captcha picture and its live check, see Captcha.h)
// Form tokens, as today's release checks them: every page carries the session's token (bound to
// the salt cookie and the member); any request carrying another token gets the 503 page (the
// log-out a 302 to index.php); the login post passes without one, lost password and exchange are
// refused without one, and a request without one is refused (503) when its address or form holds
// one of " > < ' ( ). The older site (settings().legacy): its pages carry no token, and the
// sign-in, exchange and lost-password posts each need their own fixed token (else 503); the
// log-out takes none or any of the three.
//   Home   /, /home.php (mod=space&uid=N|username=NAME, mod=spacecp&ac=credit op=buy|base|exchange)
//   Vip    / (the VIP front page of the signed-in member)
//   Soft   /version/main.txt, /
//   Main   /
//   Probe  any path: a small HTML page
#include "Captcha.h"
#include "FormCodec.h"
#include "ForumState.h"
#include "HttpMessage.h"
#include "SimTypes.h"

#include <QHash>
#include <QString>

class ForumSite
{
public:
    explicit ForumSite(ForumState &state);

    // Site-wide cookie prefix of every cookie the forum sets ("qvbbs_2132_").
    [[nodiscard]] static QByteArray cookiePrefix();
    [[nodiscard]] static QByteArray saltCookieName() { return cookiePrefix() + "saltkey"; }
    [[nodiscard]] static QByteArray authCookieName() { return cookiePrefix() + "auth"; }

    // Form tokens the client sends; any other token is answered with the 503 page.
    static constexpr const char *kLoginFormHash = "5c2e9a17";
    static constexpr const char *kExchangeFormHash = "7b41e0c3";
    static constexpr const char *kLostPasswordFormHash = "e93f2d06";

    // What the last request handled carried as its form token, for the request log.
    struct TokenSeen {
        QByteArray formHash;
        QByteArray sessionFormHash;
        SimTokenCheck check = SimTokenCheck::None;
    };
    [[nodiscard]] const TokenSeen &lastTokenSeen() const { return m_lastToken; }

    [[nodiscard]] static QByteArray defaultVersionText(); // "km:V1.2|2015-03-01"
    // Empty: the file is missing (404).
    void setVersionText(const QByteArray &text) { m_versionText = text; }
    [[nodiscard]] QByteArray versionText() const { return m_versionText; }

    HttpResponse handle(SimRole role, const HttpRequest &request);

    // The login captcha (off unless switched on): its codes and its picture route.
    [[nodiscard]] Captcha &captcha() { return m_captcha; }

    // A page or an AJAX reply in the site's code page, with its declarations (header, <meta>, XML
    // declaration) naming it.
    [[nodiscard]] HttpResponse htmlResponse(int status, const QString &html) const;
    [[nodiscard]] HttpResponse ajaxResponse(const QString &inner) const;
    // "text/html; charset=gbk" or "…; charset=utf-8" for the given type.
    [[nodiscard]] QByteArray contentType(const QByteArray &type) const;

private:
    // One request's view of the visitor: its cookies, its salt, the signed-in member, and the
    // cookies the answer will set.
    struct Visit {
        QHash<QByteArray, QByteArray> cookies;
        QByteArray salt;
        ForumMember *member = nullptr;
        QList<QByteArray> setCookies;
    };
    Visit beginVisit(const HttpRequest &request);
    void finishVisit(Visit &visit, HttpResponse &response) const;
    [[nodiscard]] TokenSeen checkToken(const HttpRequest &request, const Visit &visit) const;
    [[nodiscard]] bool legacy() const { return m_state.settings().legacy; }
    [[nodiscard]] bool utf8() const { return m_state.settings().utf8; }
    static QByteArray cookie(const QByteArray &name, const QByteArray &value, qint64 lifetimeSeconds, bool httpOnly);
    static QByteArray deletedCookie(const QByteArray &name);

    // The forum, member-home and VIP roles: one visit, the token rules, then the role's answer.
    HttpResponse siteRequest(SimRole role, const HttpRequest &request);
    HttpResponse forum(const HttpRequest &request, Visit &visit, bool *tokenRefused);
    HttpResponse home(const HttpRequest &request, Visit &visit, bool *tokenRefused);
    HttpResponse vip(const HttpRequest &request, Visit &visit);
    HttpResponse soft(const HttpRequest &request) const;
    HttpResponse avatar(const QByteArray &path);
    HttpResponse logoutRequest(const HttpRequest &request, Visit &visit);
    HttpResponse profile(const FormCodec::Fields &query, const Visit &visit);
    HttpResponse creditPage(const QByteArray &op, const Visit &visit);

    QString loginReply(const HttpRequest &request, Visit &visit, bool *tokenRefused);
    void logout(Visit &visit);
    QString exchangeReply(const HttpRequest &request, Visit &visit, bool *tokenRefused);
    QString lostPasswordReply(const HttpRequest &request, bool *tokenRefused);

    ForumState &m_state;
    Captcha m_captcha{m_state};
    TokenSeen m_lastToken;
    QByteArray m_versionText;
    QHash<QString, QByteArray> m_avatarCache;
};
