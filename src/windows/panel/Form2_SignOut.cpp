// Sign-out and the site links of the panel.
#include "base/Seams.h"
#include "base/Settings.h"
#include "base/State.h"
#include "Form2.h"
#include "session/MemberSession.h"
#include "session/SiteSession.h"
#include "ui/InputHold.h"

#include <QLabel>
#include <QPushButton>

void Form2::Command5_Click()
{
    m_signOut = signOut();
}

Routine Form2::signOut()
{
    const QString question = QStringLiteral("确定要注销账号【") + Label3->text() + QStringLiteral("】?");
    if (co_await Seams::ask(this, question, Seams::Icon::Information, Seams::Buttons::YesNo) != Seams::Answer::Yes)
        co_return;
    Command5->setEnabled(false);
    Command5->setText(QStringLiteral("注销中"));
    // A reading of the balances still under way belongs to the ending session.
    m_balances.end();

    // The forum signs the member out, the cookie store forgets the session, the cookie files go.
    // The log-out request rides on a control the application owns, which lives until the forum
    // answers (or the time limit passes): closing the panel does not abort it.
    (void)co_await m_session.site().signOut();
    m_session.card().VipLevel = 0;
    m_session.login().AutoLoginBlocked = 1;

    // The login window starts afresh with the saved account; the blocked flag keeps it from
    // signing in by itself. Its load looks the restored account up before it shows: until then
    // this panel stays, taking no input, and the login window closes it once it is up. Closed
    // first, it would leave no window, and the program ends with its last window.
    m_untilLoginWindow = std::make_unique<InputHold>(this);
    if (!m_session.openLoginWindow(this))
        close();
}

void Form2::Command11_Click()
{
    // The browser gets the address itself; the quotes of a command line are not part of it.
    Seams::openUrl(m_session.settings().url(HostRole::Forum,
                                            QStringLiteral("/forum.php?mod=viewthread&tid=25020&page=1&extra=#pid478051")));
}
