// Sign-out and the site links of the panel.
#include "base/Seams.h"
#include "base/Settings.h"
#include "base/State.h"
#include "Form2.h"
#include "session/SiteSession.h"
#include "ui/Navigation.h"

#include <QLabel>
#include <QPushButton>

void Form2::Command5_Click()
{
    const WaitTicket window(this);
    const QString question = QStringLiteral("确定要注销账号【") + Label3->text() + QStringLiteral("】?");
    const std::optional<Seams::Answer> answer = window.wait(
        [&] { return Seams::messageBox(question, Seams::Icon::Information, Seams::Buttons::YesNo); });
    if (answer != Seams::Answer::Yes)
        return;
    Command5->setEnabled(false);
    Command5->setText(QStringLiteral("注销中"));

    // The forum ends the session only for its token; the panel's pages gave it, or the front page
    // does now. Whatever that fetch gives, the session ends here.
    if (SiteSession::token().isEmpty() && !SiteSession::siteUsesFixedTokens()) {
        if (!window.wait([] { (void)SiteSession::fetchFrontPage(); }))
            return;
    }

    // The forum signs the member out, the cookie store forgets the session, the cookie files go.
    // The request must not go with the panel: it rides on a control the application owns, which
    // lives until the forum answers (or the time limit passes).
    (void)SiteSession::drop();
    panelState().VipLevel = 0;
    loginState().AutoLoginBlocked = 1;

    // The login window starts afresh with the saved account; the blocked flag keeps it from
    // signing in by itself. Its start-up waits for the site, so the panel may be gone after it.
    if (window.wait([] { Navigation::showLoginWindow(); }))
        close();
}

void Form2::Command11_Click()
{
    // The browser gets the address itself; the quotes of a command line are not part of it.
    Seams::openUrl(Settings::instance().url(HostRole::Forum,
                                            QStringLiteral("/forum.php?mod=viewthread&tid=25020&page=1&extra=#pid478051")));
}
