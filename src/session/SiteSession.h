#pragma once
// The member's forum session on this computer: its periods and form tokens, and ending it. Shared
// by the login window (sign-in, the session reset after a refused sign-in), the lost-password
// window and the member panel (exchange, sign-out).
//
// A period runs from the start (or a drop) to the forum's welcome, and from the welcome to the next
// drop. The forum binds its form token to the salt cookie and the member, so a token belongs to the
// period in which its page was asked for: a guest token is never sent after the sign-in, a member
// token never after the sign-out.
#include "base/Routine.h"
#include "rules/FormToken.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <QStringList>
#include <initializer_list>

class Inet;
class Network;
class Settings;
class XmlHttp;

class SiteSession
{
public:
    // settings and network (the member session's) must outlive it.
    SiteSession(const Settings &settings, Network &network);
    SiteSession(const SiteSession &) = delete;
    SiteSession &operator=(const SiteSession &) = delete;

    [[nodiscard]] const Settings &settings() const { return m_settings; }
    [[nodiscard]] Network &network() const { return m_network; }

    [[nodiscard]] quint64 period();
    [[nodiscard]] bool isMemberPeriod();
    // The forum welcomed the member (its answer set the auth cookie): the member's period begins.
    void beginMemberPeriod();

    // Notes the token a page of the forum, member-home or VIP host carries, when the page was asked
    // for in this period (a late page of an earlier period is ignored). Pages without a token change
    // nothing; a malformed or conflicting one is remembered as the period's problem.
    void notePage(const QString &url, const QString &page, quint64 askedInPeriod);
    // This period's token; empty when no page gave one.
    [[nodiscard]] QString token();
    // The token of the form, or its fixed token where this period has none (the older site, or
    // nothing known yet).
    [[nodiscard]] QString tokenOr(const QString &fixedToken);
    // Malformed or Conflicting when the last page read in this period carried a bad token.
    [[nodiscard]] FormToken::Found problem();
    // The forum refused the token with 503: it is not sent again.
    void forgetToken();
    // The site's login form came without a token: the older site, which takes fixed tokens.
    [[nodiscard]] bool siteUsesFixedTokens();
    // The forum refused the token of a post (FormToken::isRefusal) on a site that checks tokens: it did
    // nothing with the post, which may go once more with a fresh token.
    [[nodiscard]] bool isTokenRefusal(int httpStatus, const QString &page);

    // The forum's credit page answered without a credit list while its exchange page had one (a
    // site that sells no credits: today's release as installed). Knowledge of the forum host, kept
    // for the run: the panel then reads the exchange page at once.
    void noteCreditListOnExchangePageOnly();
    [[nodiscard]] bool creditListOnExchangePageOnly() const;

    // What the status line says when one of texts cannot be written in the code page typed texts go
    // out in (ForumCharset::forForms(); it would arrive as "?"); empty when all can go.
    static inline const QString kMessageUnsendable = QStringLiteral("您输入的“%1”无法按论坛的编码(%2)发送,请修改后重试!");
    [[nodiscard]] QString unsendable(const QStringList &texts);
    // The forum's AJAX login form of this period; empty when none was read.
    [[nodiscard]] QString loginFormText();

    enum class Fetch {
        Token,      // a token is at hand (or the site takes fixed tokens)
        NoAnswer,   // nothing usable came back
        BadToken,   // the page's token is malformed or there are two
    };
    // Reads the forum's AJAX login form (it also sets the salt cookie on a first visit). Where that
    // address answers with something else than the form, the front page gives the token; where no page
    // carries one, the form goes with the fixed token (Token). No answer at all: NoAnswer, nothing is
    // to be posted.
    Task<Fetch> fetchLoginForm();
    // Reads the forum's front page, which carries the member's token in its log-out link.
    Task<Fetch> fetchFrontPage();
    // What to tell the member when a fetch gave no token.
    [[nodiscard]] static QString fetchMessage(Fetch fetch);

    // What became of a form posted with this period's token (postWithToken).
    struct TokenPost {
        enum class Outcome {
            Sent,       // the form went and request holds the forum's answer
            NoToken,    // no token could be had: nothing was posted; fetched says why
            Unsendable, // a typed text the forum's code page cannot hold: nothing was posted; message says so
        };
        Outcome outcome = Outcome::Sent;
        Fetch fetched = Fetch::Token;
        QString message; // for Unsendable
    };
    // Posts a url-encoded form on request with this period's token: where the site wants a token and
    // the period has none, fetchToken (fetchLoginForm or fetchFrontPage) reads one first; a refused
    // token (503: the forum did nothing) is forgotten and the form goes once more with a fresh one.
    // body is made once the token is at hand, and the code page known: typed, the texts the member
    // typed that body holds, are checked against it first. The posting window holds its input
    // meanwhile (InputHold).
    Task<TokenPost> postWithToken(XmlHttp &request, QString url, std::function<QByteArray()> body, QStringList typed,
                                  Task<Fetch> (SiteSession::*fetchToken)());

    // The forum's sign-out request: a GET on the forum host's log-out action with this period's token,
    // or the fixed login token on the older site. Empty where today's forum gave no token or refused
    // it: such a log-out would change nothing, and a refused token is never sent again.
    [[nodiscard]] QString logoutUrl();
    // "Referer: <scheme>://<forum host>/" CR LF "Content-Type: application/x-www-form-urlencoded".
    [[nodiscard]] QString logoutHeaders();

    // The member's session ends: where today's forum gave no token yet, the front page is read for
    // it (whatever that gives), then drop(), whose log-out control it gives. The one way the windows
    // sign a member out.
    Task<Inet *> signOut();

    // Sends the sign-out request on the given transfer control without waiting for it (the cookies it
    // carries are taken at once; those its answer sets are not kept), ends the browser session and
    // deletes every "*.txt" file in the cookies folder, and nothing outside it; a new guest period
    // begins. Each step runs whatever became of the one before.
    void drop(Inet &signOutTransfer);
    // The same on a transfer control of its own, owned by the application and gone once the forum
    // answered or the time limit passed: closing the window that asked does not abort the log-out.
    // Returns that control (it deletes itself once done; keep a QPointer).
    Inet *drop();

    // Before anything else, drop stops every request of the ending session (Network::endSession):
    // no balance re-read or page fetch still in flight can store a cookie afterwards.

    // Deletes the "*.txt" files directly inside folder (no subfolders); an empty folder name does nothing.
    static void deleteCookieFiles(const QString &folder);

private:
    struct Period {
        quint64 number = 1;
        bool member = false;
        QString token;
        FormToken::Found problem = FormToken::Found::None;
        QString loginForm;
        QString forumHost; // the site the period belongs to
    };
    Period &current();
    void beginGuestPeriod();
    [[nodiscard]] bool fixedTokens();
    void setFixedTokens(bool fixed);
    [[nodiscard]] Fetch fetchResult(const QString &page);
    Task<QString> frontPage();

    const Settings &m_settings;
    Network &m_network;
    Period m_period;
    // The forum host whose login form came without a token (the older site); knowledge of the
    // site, so it goes with the forum host setting.
    QString m_fixedTokenHost;
    bool m_watchingStore = false;
    QString m_exchangePageListHost; // the forum host whose credit list is on its exchange page only
};
