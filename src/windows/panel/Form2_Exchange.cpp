// The credit exchange of the currency page: za into Quorvel币.
#include "base/Seams.h"
#include "base/Settings.h"
#include "Form2.h"
#include "net/ForumCharset.h"
#include "net/XmlHttp.h"
#include "rules/ExchangeCost.h"
#include "rules/ExchangeForm.h"
#include "session/MemberSession.h"
#include "session/SiteSession.h"
#include "ui/InputHold.h"

#include <QLineEdit>
#include <QPushButton>

namespace {

// A check that stops the exchange: the status bar and a box say why.
void refuse(Form2 &panel, const QString &text)
{
    panel.setStatusText(text);
    Seams::tell(&panel, text, Seams::Icon::Information);
}

} // namespace

void Form2::Text3_Change()
{
    const std::optional<QString> cost = ExchangeCost::costText(Text3->text());
    if (!cost) {
        // Anything but a number means nothing wanted; the change then runs again for "0".
        Text3->setText(QStringLiteral("0"));
        return;
    }
    Text4->setText(*cost);
}

void Form2::Command6_Click()
{
    // The texts the member confirms are the texts that are posted.
    const QString amount = Text3->text();
    const QString password = Text5->text();
    if (amount == QLatin1String("0")) {
        refuse(*this, QStringLiteral("请输入兑换金额!"));
        return;
    }
    if (password.isEmpty()) {
        refuse(*this, QStringLiteral("请输入您的账户密码!"));
        return;
    }

    m_exchange = exchange(amount, password);
}

Routine Form2::exchange(QString amount, QString password)
{
    const QString confirmation = ExchangeForm::confirmation(Text4->text(), amount);
    if (co_await Seams::ask(this, confirmation, Seams::Icon::Information, Seams::Buttons::YesNo) != Seams::Answer::Yes)
        co_return;

    setStatusText(QStringLiteral("正在进行兑换,请稍等.."));
    Command6->setEnabled(false);

    // A form post: the panel repaints but takes no input until the answer is in. The member is
    // known to the forum by the session cookies of the sign-in, which every request carries, and
    // by the session's token, which the credit page gave (or the front page gives now). A refused
    // token leaves the exchange undone, so the post goes once more with a fresh one.
    XmlHttp post(m_session.network());
    const auto body = [&] {
        return ExchangeForm::body(m_session.site().tokenOr(QString::fromLatin1(ExchangeForm::kFormHash)), amount, password,
                                  m_session.network().charset().forForms());
    };
    const QStringList typed{amount, password};
    std::optional<InputHold> hold(std::in_place, this);
    const SiteSession::TokenPost posted
        = co_await m_session.site().postWithToken(post, ExchangeForm::url(m_session.settings().origin(HostRole::Home)), body, typed,
                                              &SiteSession::fetchFrontPage);
    hold.reset();
    if (posted.outcome != SiteSession::TokenPost::Outcome::Sent) {
        const QString why = posted.outcome == SiteSession::TokenPost::Outcome::Unsendable
            ? posted.message
            : SiteSession::fetchMessage(posted.fetched);
        setStatusText(why);
        co_await Seams::ask(this, why, Seams::Icon::Information);
        Command6->setEnabled(true);
        co_return;
    }

    ExchangeReply = post.responseText();
    const ExchangeForm::Reply reply = ExchangeForm::readReply(ExchangeReply, post.status(), post.failed());
    // Only the forum's own text replaces the kept message; a failed or unreadable answer is told
    // as such rather than as the outcome of an earlier exchange.
    if (reply.kind == ExchangeForm::Reply::Kind::Message)
        ExchangeMessage = reply.message;
    QString shown = reply.kind == ExchangeForm::Reply::Kind::Message ? ExchangeMessage : reply.message;
    if (reply.kind != ExchangeForm::Reply::Kind::Message && m_session.site().isTokenRefusal(post.status(), ExchangeReply))
        shown = FormToken::kMessageRefused;
    // A reading of the balances under way (a previous exchange's) is overtaken by this answer:
    // it may show the balances from before it.
    m_balances.end();
    setStatusText(shown);
    co_await Seams::ask(this, shown, Seams::Icon::Information);
    Command6->setEnabled(true);

    // Whatever the answer said, the balances shown are those the forum reads now. The button is
    // open again while they are read, so another exchange can be answered meanwhile.
    m_balances = readBalances();
}

Routine Form2::readBalances()
{
    co_await sX();
}
