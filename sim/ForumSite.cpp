#include "ForumSite.h"

#include "AvatarPainter.h"
#include "FormCodec.h"
#include "ForumPages.h"
#include "SiteCodePage.h"

#include <QLocale>
#include <QRandomGenerator>
#include <QUrl>

#include <climits>

namespace {

constexpr qint64 kMonth = 30 * 24 * 3600;

QByteArray randomText(int length)
{
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray text(length, Qt::Uninitialized);
    for (char &c : text)
        c = alphabet[QRandomGenerator::global()->bounded(int(sizeof alphabet - 1))];
    return text;
}

QByteArray randomSalt()
{
    return randomText(8);
}

QByteArray httpDate(const QDateTime &utc)
{
    return QLocale::c().toString(utc, QStringLiteral("ddd, dd-MMM-yyyy hh:mm:ss 'GMT'")).toLatin1();
}

// A handle key as the request names it (query, then body), restricted to what a script name allows.
QString handleKey(const FormCodec::Fields &query, const FormCodec::Fields &body, const QString &fallback)
{
    QByteArray key = FormCodec::value(query, "handlekey");
    if (key.isEmpty())
        key = FormCodec::value(body, "handlekey");
    for (const char c : key) {
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_'))
            return fallback;
    }
    return key.isEmpty() ? fallback : QString::fromLatin1(key);
}

bool isKnownFormHash(const QByteArray &token)
{
    return token == ForumSite::kLoginFormHash || token == ForumSite::kExchangeFormHash
        || token == ForumSite::kLostPasswordFormHash;
}

bool isPost(const HttpRequest &request)
{
    return request.method == "POST";
}

bool isLogoutRequest(const HttpRequest &request)
{
    const FormCodec::Fields query = FormCodec::decode(FormCodec::queryOf(request.target));
    return FormCodec::pathOf(request.target) == "/member.php" && FormCodec::value(query, "mod") == "logging"
        && FormCodec::value(query, "action") == "logout";
}

// The forum's guard for requests without a token: the address, or the address and a form body,
// after two URL-decodings, must not hold any of " > < ' ( ).
bool hasRefusedCharacters(const HttpRequest &request)
{
    QByteArray text = request.target;
    if (isPost(request) && !request.header("Content-Type").toLower().startsWith("multipart/"))
        text += '&' + request.body;
    for (int i = 0; i < 2; ++i) {
        text.replace('+', ' ');
        text = QByteArray::fromPercentEncoding(text);
    }
    for (const char c : text) {
        if (c == '"' || c == '>' || c == '<' || c == '\'' || c == '(' || c == ')')
            return true;
    }
    return false;
}

// A Referer naming another host than the request's own (ports aside) makes a form come from elsewhere.
bool refererFromElsewhere(const HttpRequest &request)
{
    const QByteArray referer = request.header("Referer");
    if (referer.isEmpty())
        return false;
    const QString refererHost = QUrl(QString::fromLatin1(referer)).host();
    const QString host = QUrl(QStringLiteral("http://") + QString::fromLatin1(request.header("Host"))).host();
    return refererHost.compare(host, Qt::CaseInsensitive) != 0;
}

// An optional sign and digits, blanks around: what today's release takes as an amount.
bool isIntegerText(const QByteArray &text)
{
    const QByteArray t = text.trimmed();
    qsizetype i = (t.startsWith('-') || t.startsWith('+')) ? 1 : 0;
    if (i >= t.size())
        return false;
    for (; i < t.size(); ++i) {
        if (t.at(i) < '0' || t.at(i) > '9')
            return false;
    }
    return true;
}

HttpResponse withoutTokenSlots(HttpResponse response)
{
    response.body.replace(QByteArray(ForumPages::kFormHashField), QByteArray());
    response.body.replace(QByteArray(ForumPages::kFormHashLinkPart), QByteArray());
    return response;
}

} // namespace

ForumSite::ForumSite(ForumState &state) : m_state(state), m_versionText(defaultVersionText()) {}

QByteArray ForumSite::cookiePrefix()
{
    return QByteArrayLiteral("qvbbs_2132_");
}

QByteArray ForumSite::defaultVersionText()
{
    return QByteArrayLiteral("km:V1.2|2015-03-01");
}

QByteArray ForumSite::contentType(const QByteArray &type) const
{
    return type + "; charset=" + SiteCodePage::name(utf8());
}

HttpResponse ForumSite::htmlResponse(int status, const QString &html) const
{
    HttpResponse response;
    response.status = status;
    response.addHeader("Content-Type", contentType("text/html"));
    response.body = SiteCodePage::encode(ForumPages::declared(html, utf8()), utf8());
    return response;
}

HttpResponse ForumSite::ajaxResponse(const QString &inner) const
{
    HttpResponse response;
    response.addHeader("Content-Type", contentType("text/xml"));
    response.addHeader("Cache-Control", "no-cache");
    response.body = SiteCodePage::encode(ForumPages::declared(ForumPages::ajaxEnvelope(inner), utf8()), utf8());
    return response;
}

QByteArray ForumSite::cookie(const QByteArray &name, const QByteArray &value, qint64 lifetimeSeconds, bool httpOnly)
{
    QByteArray line = name + '=' + value;
    // Lifetime 0: a session cookie, gone when the browser session ends.
    if (lifetimeSeconds > 0)
        line += "; expires=" + httpDate(QDateTime::currentDateTimeUtc().addSecs(lifetimeSeconds));
    line += "; path=/";
    if (httpOnly)
        line += "; httponly";
    return line;
}

QByteArray ForumSite::deletedCookie(const QByteArray &name)
{
    return name + "=deleted; expires=Thu, 01-Jan-1970 00:00:01 GMT; path=/";
}

ForumSite::Visit ForumSite::beginVisit(const HttpRequest &request)
{
    Visit visit;
    visit.cookies = FormCodec::parseCookies(request.headerValues("Cookie"));
    visit.salt = visit.cookies.value(saltCookieName());
    if (visit.salt.isEmpty() || visit.salt == "deleted") {
        // First request of this client: the salt and the visit cookies.
        visit.salt = randomSalt();
        visit.setCookies.append(cookie(saltCookieName(), visit.salt, kMonth, true));
        visit.setCookies.append(cookie(cookiePrefix() + "lastvisit",
                                       QByteArray::number(m_state.now().toSecsSinceEpoch() - 3600), kMonth, false));
    }
    visit.member = m_state.sessionMember(visit.cookies.value(authCookieName()), visit.salt);
    return visit;
}

void ForumSite::finishVisit(Visit &visit, HttpResponse &response) const
{
    for (const QByteArray &line : std::as_const(visit.setCookies))
        response.addHeader("Set-Cookie", line);
    // The token of the session that asked: from the salt and the member the request came with, so
    // a log-out page still shows the old one.
    if (legacy()) {
        response.body.replace(QByteArray(ForumPages::kFormHashField), QByteArray());
        response.body.replace(QByteArray(ForumPages::kFormHashLinkPart), QByteArray());
    } else {
        response.body.replace(QByteArray(ForumPages::kFormHashSlot), m_state.formHash(visit.salt, visit.member));
    }
}

ForumSite::TokenSeen ForumSite::checkToken(const HttpRequest &request, const Visit &visit) const
{
    TokenSeen seen;
    if (!legacy())
        seen.sessionFormHash = m_state.formHash(visit.salt, visit.member);
    const FormCodec::Fields query = FormCodec::decode(FormCodec::queryOf(request.target));
    const FormCodec::Fields body = isPost(request) ? FormCodec::decode(request.body) : FormCodec::Fields();
    const QByteArray name = "formhash";
    if (!FormCodec::has(body, name) && !FormCodec::has(query, name))
        return seen;
    seen.formHash = FormCodec::has(body, name) ? FormCodec::value(body, name) : FormCodec::value(query, name);
    if (legacy())
        seen.check = isKnownFormHash(seen.formHash) ? SimTokenCheck::Fixed : SimTokenCheck::Refused;
    else
        seen.check = seen.formHash == seen.sessionFormHash ? SimTokenCheck::Valid : SimTokenCheck::Refused;
    return seen;
}

HttpResponse ForumSite::handle(SimRole role, const HttpRequest &request)
{
    m_lastToken = {};
    const QByteArray path = FormCodec::pathOf(request.target);
    switch (role) {
    case SimRole::Probe: {
        HttpResponse response;
        response.addHeader("Content-Type", "text/html; charset=utf-8");
        response.body = ForumPages::probePage();
        return response;
    }
    case SimRole::Soft:
        return withoutTokenSlots(soft(request));
    case SimRole::Main:
        if (path == "/" || path == "/index.php")
            return withoutTokenSlots(htmlResponse(200, ForumPages::mainIndexPage()));
        return htmlResponse(404, ForumPages::notFoundPage());
    case SimRole::Vip:
    case SimRole::Home:
    case SimRole::Forum:
        return siteRequest(role, request);
    }
    return htmlResponse(404, ForumPages::notFoundPage());
}

HttpResponse ForumSite::siteRequest(SimRole role, const HttpRequest &request)
{
    const QByteArray path = FormCodec::pathOf(request.target);
    // Avatars are static files: no visit, no token rules.
    if (role == SimRole::Forum && path.startsWith("/uc_server/data/avatar/"))
        return avatar(path);

    Visit visit = beginVisit(request);
    m_lastToken = checkToken(request, visit);
    HttpResponse response;
    bool tokenRefused = false;
    if (!legacy() && m_lastToken.check == SimTokenCheck::Refused) {
        if (role == SimRole::Forum && isLogoutRequest(request)) {
            // A wrong token on the log-out: sent back to the front page, still signed in.
            response = htmlResponse(302, ForumPages::noticePage(QStringLiteral("请稍候")));
            response.addHeader("Location", "index.php");
        } else {
            tokenRefused = true;
        }
    } else if (!legacy() && m_lastToken.check == SimTokenCheck::None && hasRefusedCharacters(request)) {
        tokenRefused = true;
    } else if (role == SimRole::Forum) {
        response = forum(request, visit, &tokenRefused);
    } else if (role == SimRole::Home) {
        response = home(request, visit, &tokenRefused);
    } else {
        response = vip(request, visit);
    }
    if (tokenRefused) {
        response = htmlResponse(503, ForumPages::tokenErrorPage());
        response.addHeader("Retry-After", "3600");
    }
    finishVisit(visit, response);
    return response;
}

HttpResponse ForumSite::soft(const HttpRequest &request) const
{
    const QByteArray path = FormCodec::pathOf(request.target);
    if (path == "/version/main.txt") {
        if (m_versionText.isEmpty())
            return htmlResponse(404, ForumPages::notFoundPage());
        HttpResponse response;
        response.addHeader("Content-Type", "text/plain");
        response.body = m_versionText;
        return response;
    }
    if (path == "/" || path == "/index.html")
        return htmlResponse(200, ForumPages::softIndexPage());
    return htmlResponse(404, ForumPages::notFoundPage());
}

HttpResponse ForumSite::vip(const HttpRequest &request, Visit &visit)
{
    const QByteArray path = FormCodec::pathOf(request.target);
    if (path != "/" && path != "/index.php")
        return htmlResponse(404, ForumPages::notFoundPage());
    return htmlResponse(200, ForumPages::vipPage(visit.member));
}

HttpResponse ForumSite::avatar(const QByteArray &path)
{
    QByteArray size;
    const int uid = AvatarPainter::uidFromPath(path, &size);
    const ForumMember *m = uid < 0 ? nullptr : m_state.memberByUid(uid);
    if (!m || !m->hasAvatar)
        return htmlResponse(404, ForumPages::notFoundPage());
    const QString key = QString::number(uid) + QLatin1Char('/') + QString::fromLatin1(size) + QLatin1Char('/') + m->name;
    QByteArray &jpeg = m_avatarCache[key];
    if (jpeg.isEmpty())
        jpeg = AvatarPainter::jpeg(uid, m->name, AvatarPainter::sideFor(size));
    HttpResponse response;
    response.addHeader("Content-Type", "image/jpeg");
    response.body = jpeg;
    return response;
}

HttpResponse ForumSite::forum(const HttpRequest &request, Visit &visit, bool *tokenRefused)
{
    const QByteArray path = FormCodec::pathOf(request.target);
    const FormCodec::Fields query = FormCodec::decode(FormCodec::queryOf(request.target));
    const QByteArray mod = FormCodec::value(query, "mod");
    const bool inAjax = FormCodec::value(query, "inajax") == "1";

    if (path == "/" || path == "/index.php" || path == "/forum.php") {
        if (mod == "viewthread")
            return htmlResponse(200, ForumPages::threadPage(int(FormCodec::intValue(FormCodec::value(query, "tid")))));
        return htmlResponse(200, ForumPages::forumIndexPage(visit.member));
    }
    if (path == "/misc.php" && mod == "seccode") {
        const int uid = visit.member ? visit.member->uid : 0;
        if (FormCodec::value(query, "action") == "check")
            return ajaxResponse(m_captcha.liveCheckText(request, cookiePrefix(), visit.salt, uid));
        return m_captcha.pictureResponse(request, cookiePrefix(), visit.salt, uid, &visit.setCookies);
    }
    if (path != "/member.php")
        return htmlResponse(404, ForumPages::notFoundPage());

    const QByteArray action = FormCodec::value(query, "action");
    if (mod == "logging" && action == "login" && isPost(request) && FormCodec::has(query, "loginsubmit"))
        return ajaxResponse(loginReply(request, visit, tokenRefused));
    if (mod == "logging" && action == "logout")
        return logoutRequest(request, visit);
    if (mod == "logging" && action == "login" && inAjax) {
        const QString token = legacy() ? QString() : QString::fromLatin1(m_state.formHash(visit.salt, visit.member));
        return ajaxResponse(ForumPages::ajaxLoginForm(token, QString::fromLatin1(randomText(5)),
                                                      m_captcha.isEnabled() ? Captcha::newIdHash() : QString()));
    }
    if (mod == "logging")
        return htmlResponse(200, ForumPages::loginPage());
    if (mod == "register")
        return htmlResponse(200, ForumPages::registerPage());
    if (mod == "lostpasswd" && isPost(request))
        return ajaxResponse(lostPasswordReply(request, tokenRefused));
    if (mod == "lostpasswd")
        return htmlResponse(200, ForumPages::lostPasswordPage());
    return inAjax ? ajaxResponse(ForumPages::ajaxRefusal(QStringLiteral("undefined"), QStringLiteral("未定义操作"), {}, false))
                  : htmlResponse(200, ForumPages::noticePage(QStringLiteral("未定义操作")));
}

HttpResponse ForumSite::logoutRequest(const HttpRequest &request, Visit &visit)
{
    const QString name = visit.member ? visit.member->name : QString();
    if (legacy()) {
        // The token is optional here; a token the forum does not know only gets a question back.
        if (m_lastToken.check == SimTokenCheck::Refused)
            return htmlResponse(200, ForumPages::noticePage(QStringLiteral("您确定要退出吗？")));
        logout(visit);
        return htmlResponse(200, ForumPages::logoutPage(name));
    }
    // Without a token the page says the member left, but nothing is deleted.
    if (m_lastToken.check == SimTokenCheck::Valid && !refererFromElsewhere(request))
        logout(visit);
    return htmlResponse(200, ForumPages::logoutPage(name));
}

HttpResponse ForumSite::home(const HttpRequest &request, Visit &visit, bool *tokenRefused)
{
    const QByteArray path = FormCodec::pathOf(request.target);
    const FormCodec::Fields query = FormCodec::decode(FormCodec::queryOf(request.target));
    const QByteArray mod = FormCodec::value(query, "mod");

    if (path == "/" || path == "/index.php")
        return htmlResponse(200, ForumPages::homeIndexPage(visit.member));
    if (path == "/home.php" && mod == "space")
        return profile(query, visit);
    if (path == "/home.php" && mod == "spacecp" && FormCodec::value(query, "ac") == "credit") {
        const QByteArray op = FormCodec::value(query, "op");
        if (op == "exchange" && isPost(request))
            return ajaxResponse(exchangeReply(request, visit, tokenRefused));
        return creditPage(op, visit);
    }
    if (path == "/home.php")
        return htmlResponse(200, ForumPages::homeIndexPage(visit.member));
    return htmlResponse(404, ForumPages::notFoundPage());
}

HttpResponse ForumSite::profile(const FormCodec::Fields &query, const Visit &visit)
{
    const bool byUid = FormCodec::has(query, "uid");
    const bool byName = !byUid && FormCodec::has(query, "username");
    const qint64 uid = byUid ? FormCodec::intValue(FormCodec::value(query, "uid")) : 0;
    const ForumMember *m = nullptr;
    if (byUid)
        m = uid > 0 && uid <= INT_MAX ? m_state.memberByUid(int(uid)) : nullptr;
    else if (byName)
        m = m_state.memberNamed(FormCodec::value(query, "username"));
    else
        m = visit.member;

    const bool mayView = legacy() || m_state.settings().guestsViewProfiles || visit.member;
    const auto notice = [&](const QString &message, const QString &css) {
        return htmlResponse(200, ForumPages::noticePage(message, false, css, visit.member));
    };
    // Existence is told before permission, so a guest can tell a known member from an unknown one.
    if (!mayView && !m && !byName && uid <= 0)
        return notice(QStringLiteral("请先登录后才能继续浏览"), QStringLiteral("alert_info"));
    // The older site worded it without "的", which its clients' readers stop at.
    if (!m)
        return notice(legacy() ? QStringLiteral("抱歉，该用户不存在或已被删除") : QStringLiteral("抱歉，您指定的用户空间不存在"),
                      QStringLiteral("alert_error"));
    if (!mayView)
        return notice(QStringLiteral("抱歉，您需要登录后才能查看"), QStringLiteral("alert_info"));
    return htmlResponse(200, ForumPages::profilePage(*m));
}

HttpResponse ForumSite::creditPage(const QByteArray &op, const Visit &visit)
{
    if (!visit.member)
        return htmlResponse(200, ForumPages::signInRequiredPage());
    const ForumMember &m = *visit.member;
    // The older site sold credits and showed the same page for every op.
    if (legacy())
        return htmlResponse(200, ForumPages::creditPage(m));
    if (op == "buy") {
        if (m_state.settings().creditBuying)
            return htmlResponse(200, ForumPages::creditPage(m));
        return htmlResponse(200, ForumPages::noticePage(QStringLiteral("抱歉，站点尚未开启此功能或此功能已被管理员禁止"), false,
                                                        QStringLiteral("alert_error"), &m));
    }
    if (op == "exchange")
        return htmlResponse(200, ForumPages::creditExchangePage(m));
    return htmlResponse(200, ForumPages::creditBasePage(m));
}

QString ForumSite::loginReply(const HttpRequest &request, Visit &visit, bool *tokenRefused)
{
    const FormCodec::Fields query = FormCodec::decode(FormCodec::queryOf(request.target));
    const FormCodec::Fields body = FormCodec::decode(request.body);
    // The older site wants its fixed token; today's passes a login without one.
    if (legacy() && FormCodec::value(body, "formhash") != kLoginFormHash) {
        *tokenRefused = true;
        return {};
    }
    const QString key = handleKey(query, body, QStringLiteral("login"));
    // The captcha comes first: a refused code is no sign-in try, the password is not even looked at.
    if (m_captcha.isEnabled()) {
        // Latin-1 keeps every byte apart: a code or id in any other bytes can only differ.
        const QString idHash = QString::fromLatin1(FormCodec::value(body, "seccodehash"));
        const Captcha::Verdict verdict = m_captcha.verifyLogin(
            visit.cookies.value(Captcha::cookieName(cookiePrefix(), idHash)), visit.salt, visit.member ? visit.member->uid : 0,
            idHash, QString::fromLatin1(FormCodec::value(body, "seccodeverify")));
        if (verdict != Captcha::Verdict::Right || FormCodec::value(body, "seccodemodid") != Captcha::kModId)
            return ForumPages::ajaxRefusal(key, QStringLiteral("抱歉，验证码填写错误"), {}, false);
    }
    const ForumState::LoginResult result = m_state.login(
        request.peer.toString(), FormCodec::value(body, "username"), FormCodec::value(body, "password"),
        int(FormCodec::intValue(FormCodec::value(body, "questionid"))), FormCodec::value(body, "answer"),
        FormCodec::value(body, "loginfield"));

    using Kind = ForumState::LoginResult::Kind;
    const QString perm = QStringLiteral("'loginperm':'") + QString::number(result.triesLeft) + QLatin1Char('\'');
    switch (result.kind) {
    case Kind::Success: {
        const ForumMember &m = *result.member;
        const QByteArray auth = m_state.openSession(m.uid, visit.salt);
        visit.setCookies.append(cookie(authCookieName(), auth, 0, true));
        visit.setCookies.append(cookie(cookiePrefix() + "lastcheckfeed",
                                       QByteArray::number(m.uid) + "%7C" + QByteArray::number(m_state.now().toSecsSinceEpoch()),
                                       kMonth, false));
        visit.setCookies.append(cookie(cookiePrefix() + "ulastactivity", QByteArray::number(m_state.now().toSecsSinceEpoch()),
                                       kMonth, false));
        visit.setCookies.append(cookie(cookiePrefix() + "lip", "127.0.0.1%2C" + QByteArray::number(m_state.now().toSecsSinceEpoch()),
                                       0, false));
        QString url = SiteCodePage::decode(FormCodec::value(body, "referer"), utf8());
        if (!url.startsWith(QStringLiteral("http")) || url.contains(QLatin1Char('\'')))
            url = QStringLiteral("forum.php");
        return ForumPages::ajaxSuccess(key, url, ForumPages::loginGreeting(m), ForumPages::loginValues(m));
    }
    case Kind::BadCredentials:
        return ForumPages::ajaxRefusal(key, QStringLiteral("登录失败，您还可以尝试 %1 次").arg(result.triesLeft), perm, false);
    case Kind::QuestionEmpty:
        return ForumPages::ajaxRefusal(key, QStringLiteral("请选择安全提问以及填写正确的答案"), perm, false);
    case Kind::QuestionInvalid:
        return ForumPages::ajaxRefusal(key, QStringLiteral("安全提问或答案不正确，请选择正确的安全提问并填写答案"), perm, false);
    case Kind::Locked:
        break;
    }
    return ForumPages::ajaxRefusal(key, QStringLiteral("密码错误次数过多，请 15 分钟后重新登录"), {}, false);
}

void ForumSite::logout(Visit &visit)
{
    // Every cookie of the site goes, each set to "deleted" with a 1970 expiry. The forum keeps no
    // list of signed-out tokens: a client that kept its auth cookie would still be signed in.
    visit.setCookies.clear();
    m_state.markSignedOut(visit.cookies.value(authCookieName()));
    const char *names[] = {"auth", "saltkey", "lastvisit", "lastact", "sid", "lastcheckfeed", "ulastactivity", "lip"};
    for (const char *name : names)
        visit.setCookies.append(deletedCookie(cookiePrefix() + name));
}

QString ForumSite::exchangeReply(const HttpRequest &request, Visit &visit, bool *tokenRefused)
{
    const FormCodec::Fields query = FormCodec::decode(FormCodec::queryOf(request.target));
    const FormCodec::Fields body = FormCodec::decode(request.body);
    if (legacy() && FormCodec::value(body, "formhash") != kExchangeFormHash) {
        *tokenRefused = true;
        return {};
    }
    const QString key = handleKey(query, body, QStringLiteral("credit"));
    auto refuse = [&](const QString &message) { return ForumPages::ajaxRefusal(key, message, {}, true); };
    if (!legacy() && (m_lastToken.check == SimTokenCheck::None || refererFromElsewhere(request)))
        return refuse(ForumPages::badOriginMessage());
    if (!legacy() && !isIntegerText(FormCodec::value(body, "exchangeamount"))) {
        // Today's release fails with its error page on an amount that is not a number.
        *tokenRefused = true;
        return {};
    }
    if (!visit.member)
        return refuse(QStringLiteral("请先登录后再进行积分兑换"));

    const ForumState::ExchangeResult result = m_state.exchange(
        *visit.member, FormCodec::value(body, "password"), FormCodec::value(body, "exchangeamount"),
        int(FormCodec::intValue(FormCodec::value(body, "tocredits"))),
        int(FormCodec::intValue(FormCodec::value(body, "fromcredits"))));
    using Kind = ForumState::ExchangeResult::Kind;
    switch (result.kind) {
    case Kind::Success:
        return ForumPages::ajaxSuccess(key, QStringLiteral("home.php?mod=spacecp&ac=credit&op=base"),
                                       QStringLiteral("积分兑换成功，您使用 %1 枚za兑换了 %2 枚Quorvel币")
                                           .arg(result.cost)
                                           .arg(result.amount),
                                       {});
    case Kind::WrongPassword:
        return refuse(QStringLiteral("密码错误，无法进行积分兑换，请返回修改"));
    case Kind::ZeroAmount:
        return refuse(QStringLiteral("兑换数量不能为0，请输入要兑换的Quorvel币数量"));
    case Kind::NegativeAmount:
        return refuse(QStringLiteral("兑换数量不能为负数，请输入正确的数量"));
    case Kind::UnknownRule:
        return refuse(QStringLiteral("该积分兑换方向未开放，只能使用za兑换Quorvel币"));
    case Kind::TooFew:
        break;
    }
    return refuse(QStringLiteral("您的za不足，本次兑换需要 %1 枚za，您只有 %2 枚").arg(result.cost).arg(visit.member->za));
}

QString ForumSite::lostPasswordReply(const HttpRequest &request, bool *tokenRefused)
{
    const FormCodec::Fields query = FormCodec::decode(FormCodec::queryOf(request.target));
    const FormCodec::Fields body = FormCodec::decode(request.body);
    if (legacy() && FormCodec::value(body, "formhash") != kLostPasswordFormHash) {
        *tokenRefused = true;
        return {};
    }
    const QString key = handleKey(query, body, QStringLiteral("lostpwform"));
    if (!legacy() && (m_lastToken.check == SimTokenCheck::None || refererFromElsewhere(request)))
        return ForumPages::ajaxRefusal(key, ForumPages::badOriginMessage(), {}, false);
    using Result = ForumState::LostPasswordResult;
    switch (m_state.lostPassword(FormCodec::value(body, "username"), FormCodec::value(body, "email"))) {
    case Result::Sent:
        return ForumPages::ajaxSuccess(key, QStringLiteral("forum.php"),
                                       QStringLiteral("取回密码的方法已通过 Email 发送到您的信箱中，请在 3 天之内修改您的密码"),
                                       {});
    case Result::NoMatch:
        return ForumPages::ajaxRefusal(key, QStringLiteral("抱歉，您填写的用户名与 Email 不匹配，无法取回密码"), {}, false);
    case Result::Administrator:
        return ForumPages::ajaxRefusal(key, QStringLiteral("抱歉，管理员帐号不能使用取回密码功能"), {}, false);
    case Result::TooSoon:
        break;
    }
    return ForumPages::ajaxRefusal(key, QStringLiteral("取回密码的邮件已经发出，请 5 分钟后再重新申请"), {}, false);
}
