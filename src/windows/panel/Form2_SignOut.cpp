// Sign-out and the site links of the panel.
#include "base/Seams.h"
#include "base/Settings.h"
#include "base/State.h"
#include "Form2.h"
#include "net/Inet.h"
#include "net/Network.h"
#include "session/SiteSession.h"
#include "ui/Navigation.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

namespace {

// The panel has no transfer control of its own, and the sign-out request must not go with the
// panel: a control of its own that lives until the forum answers (or the time limit passes).
Inet *signOutTransfer()
{
    auto *transfer = new Inet(QCoreApplication::instance());
    QObject::connect(transfer, &Inet::StateChanged, transfer, [transfer](int state) {
        if (state == Inet::icResponseCompleted || state == Inet::icError)
            transfer->deleteLater();
    });
    QTimer::singleShot(Network::timeoutMs(), transfer, &QObject::deleteLater);
    return transfer;
}

} // namespace

void Form2::Command5_Click()
{
    QPointer<Form2> self(this);
    const Seams::Answer answer = Seams::messageBox(QStringLiteral("确定要注销账号【") + Label3->text()
                                                       + QStringLiteral("】?"),
                                                   Seams::Icon::Information, Seams::Buttons::YesNo);
    if (!self || answer != Seams::Answer::Yes)
        return;
    Command5->setEnabled(false);
    Command5->setText(QStringLiteral("注销中"));

    // The forum ends the session only for its token; the panel's pages gave it, or the front page
    // does now. Whatever that fetch gives, the session ends here.
    if (SiteSession::token().isEmpty() && !SiteSession::siteUsesFixedTokens()) {
        (void)SiteSession::fetchFrontPage();
        if (!self)
            return;
    }

    // The forum signs the member out, the cookie store forgets the session, the cookie files go.
    SiteSession::drop(*signOutTransfer());
    panelState().VipLevel = 0;
    loginState().AutoLoginBlocked = 1;

    // The login window starts afresh with the saved account; the blocked flag keeps it from
    // signing in by itself. Its start-up waits for the site, so the panel may be gone after it.
    Navigation::showLoginWindow();
    if (self)
        close();
}

void Form2::Command11_Click()
{
    // The browser gets the address itself; the quotes of a command line are not part of it.
    Seams::openUrl(Settings::instance().url(HostRole::Forum,
                                            QStringLiteral("/forum.php?mod=viewthread&tid=25020&page=1&extra=#pid478051")));
}
