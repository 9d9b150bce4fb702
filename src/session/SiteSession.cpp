#include "SiteSession.h"

#include "base/CodePage.h"
#include "base/Settings.h"
#include "net/CookieStore.h"
#include "net/ForumCharset.h"
#include "net/Inet.h"
#include "net/Network.h"
#include "net/SitePolicy.h"
#include "net/XmlHttp.h"
#include "QuorvelModule.h"
#include "rules/LoginRequest.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTimer>
#include <QUrl>

namespace {

const QString kLoginFormPath =
    QStringLiteral("/member.php?mod=logging&action=login&infloat=yes&handlekey=login&inajax=1");

// A login form is recognised by its two inputs, so that an error page without a token is not
// taken for the older site's form.
bool looksLikeLoginForm(const QString &text)
{
    return text.contains(QLatin1String("name=\"username\"")) && text.contains(QLatin1String("name=\"password\""));
}

// A control that lives until the forum answers (or the time limit passes), whoever asked.
Inet *ownSignOutTransfer(Network &network)
{
    auto *transfer = new Inet(network, QCoreApplication::instance());
    QObject::connect(transfer, &Inet::StateChanged, transfer, [transfer](int state) {
        if (state == Inet::icResponseCompleted || state == Inet::icError)
            transfer->deleteLater();
    });
    QTimer::singleShot(network.timeoutMs(), transfer, &QObject::deleteLater);
    return transfer;
}

} // namespace

SiteSession::SiteSession(const Settings &settings, Network &network)
    : m_settings(settings)
    , m_network(network)
{
}

void SiteSession::beginGuestPeriod()
{
    Period &p = m_period;
    p = Period{p.number + 1, false, {}, FormToken::Found::None, {}, p.forumHost};
}

SiteSession::Period &SiteSession::current()
{
    // Whatever ends the browser session (a drop, a fresh start) ends the period with it: the
    // tokens were bound to the cookies that are gone. The store is watched from the first look at
    // the period on (made no earlier: the network waits for its first use). So does pointing the
    // client at another site.
    if (!m_watchingStore) {
        m_watchingStore = true;
        QObject::connect(&m_network.cookieStore(), &CookieStore::sessionEnded, &m_network.cookieStore(),
                         [this] { beginGuestPeriod(); });
    }
    const QString forumHost = m_settings.host(HostRole::Forum);
    if (m_period.forumHost != forumHost)
        m_period = Period{m_period.number + 1, false, {}, FormToken::Found::None, {}, forumHost};
    return m_period;
}

bool SiteSession::fixedTokens()
{
    return !m_fixedTokenHost.isEmpty() && m_fixedTokenHost == m_settings.host(HostRole::Forum);
}

void SiteSession::setFixedTokens(bool fixed)
{
    m_fixedTokenHost = fixed ? m_settings.host(HostRole::Forum) : QString();
}

SiteSession::Fetch SiteSession::fetchResult(const QString &page)
{
    if (!token().isEmpty())
        return Fetch::Token;
    if (problem() != FormToken::Found::None)
        return Fetch::BadToken;
    if (page.isEmpty())
        return Fetch::NoAnswer;
    return fixedTokens() ? Fetch::Token : Fetch::NoAnswer;
}

// The forum's front page, which carries the session's token (the member's in its log-out link).
Task<QString> SiteSession::frontPage()
{
    return QuorvelModule::HttpGetPageText(*this, m_settings.url(HostRole::Forum, QStringLiteral("/forum.php")));
}


void SiteSession::noteCreditListOnExchangePageOnly()
{
    m_exchangePageListHost = m_settings.host(HostRole::Forum);
}

bool SiteSession::creditListOnExchangePageOnly() const
{
    return !m_exchangePageListHost.isEmpty() && m_exchangePageListHost == m_settings.host(HostRole::Forum);
}

quint64 SiteSession::period()
{
    return current().number;
}

bool SiteSession::isMemberPeriod()
{
    return current().member;
}

void SiteSession::beginMemberPeriod()
{
    Period &p = current();
    p = Period{p.number + 1, true, {}, FormToken::Found::None, {}, p.forumHost};
}

void SiteSession::notePage(const QString &url, const QString &page, quint64 askedInPeriod)
{
    Period &p = current();
    if (askedInPeriod != p.number || !SitePolicy::isForumAddress(m_settings, QUrl(url)))
        return;
    const FormToken::Reading reading = FormToken::read(page);
    switch (reading.found) {
    case FormToken::Found::None:
        return;
    case FormToken::Found::One:
        // The newest page wins: its salt cookie is the one the store holds now.
        p.token = reading.token;
        p.problem = FormToken::Found::None;
        setFixedTokens(false);
        return;
    case FormToken::Found::Malformed:
    case FormToken::Found::Conflicting:
        p.token.clear();
        p.problem = reading.found;
        return;
    }
}

QString SiteSession::token()
{
    return current().token;
}

QString SiteSession::tokenOr(const QString &fixedToken)
{
    return current().token.isEmpty() ? fixedToken : current().token;
}

FormToken::Found SiteSession::problem()
{
    return current().problem;
}

void SiteSession::forgetToken()
{
    current().token.clear();
}

bool SiteSession::siteUsesFixedTokens()
{
    return fixedTokens();
}

QString SiteSession::loginFormText()
{
    return current().loginForm;
}

Task<SiteSession::Fetch> SiteSession::fetchLoginForm()
{
    const quint64 asked = period();
    const QString url = m_settings.url(HostRole::Forum, kLoginFormPath);
    const QString page = co_await QuorvelModule::HttpGetPageText(*this, url);
    if (asked != period())
        co_return Fetch::NoAnswer;
    if (page.isEmpty())
        co_return Fetch::NoAnswer; // no answer at all (no network, time-out, an error status): nothing goes
    if (looksLikeLoginForm(page)) {
        current().loginForm = page;
        const FormToken::Found found = FormToken::read(page).found;
        // Only a whole form without any token tells of the older site.
        if (found == FormToken::Found::None)
            setFixedTokens(true);
        else if (found == FormToken::Found::One)
            setFixedTokens(false);
        co_return fetchResult(page);
    }
    // The address answered, but not with the form (a custom template, a plugin's page, an error
    // notice): every page of the forum carries the token, the front page too.
    if (!token().isEmpty() || problem() != FormToken::Found::None)
        co_return fetchResult(page);
    const QString front = co_await frontPage();
    if (asked != period() || front.isEmpty())
        co_return Fetch::NoAnswer;
    if (!token().isEmpty() || problem() != FormToken::Found::None)
        co_return fetchResult(front);
    // Where no page carries a token the form goes as the older site's did, with the fixed token;
    // the forum's answer decides (its refusal gets the one retry).
    co_return Fetch::Token;
}

Task<SiteSession::Fetch> SiteSession::fetchFrontPage()
{
    const quint64 asked = period();
    const QString page = co_await frontPage();
    if (asked != period())
        co_return Fetch::NoAnswer;
    co_return fetchResult(page);
}

Task<Inet *> SiteSession::signOut()
{
    if (token().isEmpty() && !siteUsesFixedTokens())
        (void)co_await fetchFrontPage();
    co_return drop();
}

QString SiteSession::fetchMessage(Fetch fetch)
{
    return fetch == Fetch::BadToken ? FormToken::kMessageInvalid : FormToken::kMessageUnavailable;
}

QString SiteSession::logoutUrl()
{
    // The older site wants the login form's fixed token on the log-out action as well. Today's
    // forum ignores a log-out without its token, and a refused token is never sent again.
    if (token().isEmpty() && !fixedTokens())
        return {};
    return m_settings.url(HostRole::Forum, QStringLiteral("/member.php?mod=logging&action=logout&formhash=")
                                                         + tokenOr(LoginRequest::kFormHash));
}

bool SiteSession::isTokenRefusal(int httpStatus, const QString &page)
{
    // The older site checks no token: its 503 is a failed request like any other.
    return !fixedTokens() && FormToken::isRefusal(httpStatus, page);
}

QString SiteSession::unsendable(const QStringList &texts)
{
    const QByteArray charset = m_network.charset().forForms();
    for (const QString &text : texts) {
        if (const std::optional<QString> character = CodePage::firstUnencodable(text, charset))
            return kMessageUnsendable.arg(*character, QString::fromLatin1(charset));
    }
    return {};
}

QString SiteSession::logoutHeaders()
{
    return QStringLiteral("Referer: ") + m_settings.origin(HostRole::Forum)
        + QStringLiteral("/\r\nContent-Type: application/x-www-form-urlencoded");
}

void SiteSession::drop(Inet &signOutTransfer)
{
    // The request takes the session's cookies with it before the store forgets them. Its answer
    // only repeats that they are gone, and may come after the member has signed in again: the
    // cookies it sets are not kept. What is still in flight of the session stops first.
    m_network.endSession();
    const QString logout = logoutUrl();
    if (!logout.isEmpty()) {
        signOutTransfer.setStoresReplyCookies(false);
        signOutTransfer.Execute(logout, QStringLiteral("GET"), {}, logoutHeaders());
        signOutTransfer.setStoresReplyCookies(true);
    }
    const QString cookies = QuorvelModule::SpecialFolderPath(m_settings, QuorvelModule::kCookiesFolder);
    // Ending the browser session begins the next guest period.
    m_network.cookieStore().endSession();
    deleteCookieFiles(cookies);
}

Task<SiteSession::TokenPost> SiteSession::postWithToken(XmlHttp &request, QString url, std::function<QByteArray()> body, QStringList typed,
                              Task<Fetch> (SiteSession::*fetchToken)())
{
    using Outcome = TokenPost::Outcome;
    for (int round = 0;; ++round) {
        if (round == 1 || (token().isEmpty() && !siteUsesFixedTokens())) {
            const Fetch fetched = co_await (this->*fetchToken)();
            if (fetched != Fetch::Token)
                co_return TokenPost{Outcome::NoToken, fetched, {}};
        }
        if (QString message = unsendable(typed); !message.isEmpty())
            co_return TokenPost{Outcome::Unsendable, Fetch::Token, message};
        request.Open(QStringLiteral("POST"), url, false);
        request.setRequestHeader(QStringLiteral("Content-Type"), QStringLiteral("application/x-www-form-urlencoded"));
        request.send(body());
        co_await request.completion();
        const bool refused = isTokenRefusal(request.status(), request.responseText());
        if (refused)
            forgetToken(); // never sent again, not even with the log-out
        if (round == 1 || !refused)
            co_return TokenPost{Outcome::Sent, Fetch::Token, {}};
    }
}

Inet *SiteSession::drop()
{
    Inet *transfer = ownSignOutTransfer(m_network);
    drop(*transfer);
    return transfer;
}

void SiteSession::deleteCookieFiles(const QString &folder)
{
    if (folder.isEmpty())
        return;
    // A linked cookies folder is not the store's: nothing in the link's target is deleted.
    if (CookieStore::isLinkedFolder(folder))
        return;
    const QDir dir(folder);
    if (!dir.exists())
        return;
    // A link named *.txt is removed itself; what it points to stays.
    const QStringList names = dir.entryList({QStringLiteral("*.txt")}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : names)
        QFile::remove(dir.filePath(name));
}

