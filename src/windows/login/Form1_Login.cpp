// The sign-in exchange of the login window: the network probe, the login post on Inet1 and the
// handling of the forum's reply.
#include "Form1.h"

#include "base/Seams.h"
#include "base/Settings.h"
#include "base/State.h"
#include "net/ForumCharset.h"
#include "net/Inet.h"
#include "net/Network.h"
#include "rules/LoginReply.h"
#include "rules/LoginRequest.h"
#include "rules/SavedAccount.h"
#include "session/MemberSession.h"
#include "session/SiteSession.h"
#include "windows/identity/Form3.h"

#include <QLabel>
#include <QLineEdit>
#include <QUrl>

#include <optional>

namespace {

const QString kStatusNoNetwork = QStringLiteral("请检查您的网络链接");
const QString kStatusSigningIn = QStringLiteral("正在为您登录账号..");
const QString kStatusBanned = QStringLiteral("您的帐号已被禁止使用!");
const QString kMessageDataError = QStringLiteral("抱歉!登录数据出错!请您点击重新登录!");
const QString kMessageBanned = QStringLiteral("您因违反Quorvel相关规定,现已做封号处理!");
const QString kMessageServerFailure = QStringLiteral("服务器故障,暂时无法登录!请联系客服QQ：86420135");

constexpr int kChunkSize = 1024;
// The forum's refusal of a captcha code (wrong, missing, reused or expired).
const QString kForumWrongCode = QStringLiteral("验证码填写错误");

// "No network", unless it was the proxy that did not carry the request: then the proxy is named.
QString noNetworkStatus(const Inet &inet)
{
    return inet.lastProxyProblem().isEmpty() ? kStatusNoNetwork : inet.lastProxyProblem();
}

} // namespace

void Form1::login()
{
    m_signIn = signIn();
}

Routine Form1::signIn()
{
    // The overlay with the account being signed in; Command2 on it cancels.
    Picture2->setGeometry(Picture1->geometry());
    Image3->setPixmap(Image1->pixmap());
    Label2->setText(profileName().isEmpty() ? LoginRequest::typedAccount(Text1->text()) : profileName());
    Picture2->show();
    Picture2->raise();

    // Today's forum wants the token of this session on the post; its login form gives it. The
    // older site's form has none: once seen, its fixed token goes without asking again. The form
    // is asked for beside the probe, so a slow link waits for one answer less; when the probe
    // fails the sign-in ends, and the form's request with it, unread.
    bool readForm = !m_session.site().siteUsesFixedTokens()
        && (m_session.site().loginFormText().isEmpty() || m_session.site().token().isEmpty());
    std::optional<Wait::Ahead<SiteSession::Fetch>> formAhead;
    if (readForm && m_session.network().mayAskBeside(QUrl(m_session.settings().origin(HostRole::Forum))))
        formAhead.emplace(m_session.site().fetchLoginForm());

    // An empty answer from the probe site means there is no network. The window stays live while
    // the probe waits: the overlay's cancel button ends the sign-in.
    const QString probe = co_await Inet3->OpenURL(m_session.settings().probeUrl());
    if (probe.isEmpty()) {
        setStatus(noNetworkStatus(*Inet3));
        Picture2->hide();
        setInputsEnabled(true);
        co_return;
    }

    setStatus(kStatusSigningIn);
    setInputsEnabled(false);
    for (bool repeated = false;; repeated = true) {
        // Asked for now when it did not go beside the probe, and for a second post.
        if (readForm && !formAhead)
            formAhead.emplace(m_session.site().fetchLoginForm());
        const bool posted = co_await postLogin(formAhead ? &*formAhead : nullptr);
        formAhead.reset(); // read once; a second post reads a fresh form
        if (!posted)
            co_return;
        // The window stays live until the reply is in, or the member cancels.
        const int state = co_await Inet1->completion();
        // The connection failed before a whole reply came (refused, cut off, oversized): rather
        // than wait for a reply that cannot come, drop whatever the half-delivered answer set up
        // and let the member try again.
        if (state == Inet::icError) {
            const QString status = noNetworkStatus(*Inet1);
            qcdl();
            setStatus(status);
            co_return;
        }
        QString reply;
        for (QString chunk = Inet1->GetChunk(kChunkSize); !chunk.isEmpty(); chunk = Inet1->GetChunk(kChunkSize))
            reply += chunk;
        // A refused token: the forum did nothing with the post (no try counted), so it goes once
        // more with a fresh token from a fresh login form; a second refusal ends the attempt. The
        // refused token is never sent again, not even with the reset's log-out.
        if (!m_session.site().isTokenRefusal(Inet1->lastStatus(), reply)) {
            co_await handleLoginReply(reply);
            co_return;
        }
        m_session.site().forgetToken();
        if (repeated) {
            qcdl();
            co_await Seams::ask(this, FormToken::kMessageRefused, Seams::Icon::Exclamation);
            setStatus(FormToken::kMessageRefused);
            co_return;
        }
        readForm = true;
    }
}

Task<bool> Form1::postLogin(Wait::Ahead<SiteSession::Fetch> *loginForm)
{
    if (loginForm) {
        const SiteSession::Fetch fetched = co_await *loginForm;
        if (fetched != SiteSession::Fetch::Token) {
            // Nothing was posted: the member may simply try again.
            Picture2->hide();
            setInputsEnabled(true);
            setStatus(SiteSession::fetchMessage(fetched));
            co_return false;
        }
    }
    const LoginState &state = m_session.login();
    // With a captcha its three fields follow all the others; without one the body is as it was.
    if (!captchaReadyForPost())
        co_return false;
    // The form goes in the code page the forum's pages declared; a text that cannot be written in
    // it would arrive as "?" and cost a try: nothing is posted.
    const QString answer = LoginRequest::isLongForm(state.QuestionId, Text3->text()) ? Text3->text() : QString();
    const QString unsendable = m_session.site().unsendable({Text1->text(), Text2->text(), answer, Text4->text()});
    if (!unsendable.isEmpty()) {
        Picture2->hide();
        setInputsEnabled(true);
        setStatus(unsendable);
        co_return false;
    }
    const QByteArray body = LoginRequest::body(m_session.settings().origin(HostRole::Forum), m_session.site().tokenOr(LoginRequest::kFormHash), Text1->text(), Text2->text(),
                                               state.QuestionId, Text3->text(), m_session.network().charset().forForms())
        + captchaFields();
    const QString forum = m_session.settings().origin(HostRole::Forum);
    Inet1->Execute(LoginRequest::url(forum), QStringLiteral("POST"), body, LoginRequest::headers(forum));
    co_return true;
}

Task<> Form1::dropMemberSession()
{
    LogOutTransfer = co_await m_session.site().signOut();
    backToInputs();
}

void Form1::renewCaptchaAfterRefusal(bool wrongCode)
{
    // After a refused sign-in and its session reset, when a captcha is asked: every post used its
    // code up, right or wrong, and the reset took the picture's cookie. A new picture, an empty
    // code box, the focus there after a wrong code.
    if (captchaAsked())
        renewCaptcha(wrongCode);
}

Task<> Form1::handleLoginReply(QString reply)
{
    using LoginReply::Outcome;
    const LoginReply::LoginOutcome result = LoginReply::classifyLoginReply(reply);

    // The forum's welcome set the member's cookies: from here on only the member's token counts.
    if (result.outcome == Outcome::Success || result.outcome == Outcome::DataError || result.outcome == Outcome::Banned)
        m_session.site().beginMemberPeriod();

    switch (result.outcome) {
    case Outcome::Success:
        m_session.login().MemberName = result.memberName;
        // Where profiles are private the lookup could not learn a name's UID; the welcome names it.
        if (m_session.login().AvatarUid.isEmpty())
            m_session.login().AvatarUid = result.uid;
        co_await handOverAfterLogin();
        co_return;
    case Outcome::DataError:
        m_session.login().MemberName = result.memberName;
        co_await Seams::ask(this, kMessageDataError, Seams::Icon::Information);
        co_await dropMemberSession();
        // Every outcome ends on the status line; "signing in" must not stay there once idle.
        setStatus(kMessageDataError);
        renewCaptchaAfterRefusal(false);
        co_return;
    case Outcome::Banned:
        m_session.login().MemberName = result.memberName;
        co_await dropMemberSession();
        co_await Seams::ask(this, kMessageBanned, Seams::Icon::Exclamation);
        setStatus(kStatusBanned);
        renewCaptchaAfterRefusal(false);
        co_return;
    case Outcome::Failure:
    case Outcome::Refused:
        qcdl();
        co_await Seams::ask(this, result.message, Seams::Icon::Exclamation);
        setStatus(result.message);
        renewCaptchaAfterRefusal(result.message.contains(kForumWrongCode));
        co_return;
    case Outcome::Unreadable:
        Picture2->hide();
        // With the login window gone no window is left, and the program ends with the last one.
        co_await Seams::ask(this, kMessageServerFailure, Seams::Icon::Information);
        close();
        co_return;
    }
}

Task<> Form1::handOverAfterLogin()
{
    co_await txcx();
    m_session.login().AutoLoginBlocked = 0;

    // The window is closed (and deleted once events run) before the identity check opens: take
    // what it hands over first and touch nothing of it afterwards.
    const QPixmap avatar = Image1->pixmap();
    const QString memberName = m_session.login().MemberName;
    const SavedAccount account = accountToSave();
    const QString accountFile = SavedAccount::filePath(m_session.settings().dataDir());
    MemberSession &session = m_session;
    close();
    Form3::showModalAfterLogin(session, avatar, memberName);
    // Written once the check's second runs: the file's write and its sync to disk are not
    // part of the wait. A write that fails (a read-only folder) is ignored: the sign-in goes on.
    (void)account.save(accountFile);
}
