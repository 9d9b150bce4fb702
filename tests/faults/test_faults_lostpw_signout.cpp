// Fault matrix of the lost-password request and of the forum's sign-out request, each met by every
// fault of the simulated site. The lost-password window (Form4) must always answer with a box and
// end open with its button enabled. The sign-out request is sent in two places whose reply nobody
// reads: the login window's session reset after a refused sign-in (here: the banned member) and
// the member panel's sign-out; a fault of the forum must change nothing in either.
#include "ClientWindows.h"
#include "FaultMatrix.h"

#include "base/State.h"
#include "net/Inet.h"
#include "start/StartRoutine.h"
#include "windows/login/Form1.h"
#include "windows/panel/Form2.h"
#include "windows/recovery/Form4.h"
#include "TestSession.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace FaultMatrix;
using F = SimFault;

namespace {

enum class Request { LostPassword, SignOutAfterRefusal, SignOutFromPanel };

QString requestName(Request request)
{
    switch (request) {
    case Request::LostPassword:
        return QStringLiteral("lost-password post");
    case Request::SignOutAfterRefusal:
        return QStringLiteral("log-out (reset)");
    case Request::SignOutFromPanel:
        return QStringLiteral("log-out (panel)");
    }
    return {};
}

const QString kClipboardBefore = QStringLiteral("clipboard before the request");
constexpr int kAliceUid = 1234;

} // namespace

Q_DECLARE_METATYPE(Request)

class TestFaultsLostPwSignOut : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void matrix_data();
    void matrix();

private:
    QString lostPassword(SimFault fault);
    QString signOutAfterRefusal(SimFault fault);
    QString signOutFromPanel(SimFault fault);
    [[nodiscard]] QString signOutsSent() const;

    std::unique_ptr<Cell> m_cell;
};

void TestFaultsLostPwSignOut::initTestCase()
{
    // The panel's sign-out opens a fresh login window, as in the program.
    registerWindows(testSession());
}

void TestFaultsLostPwSignOut::init()
{
    m_cell = std::make_unique<Cell>();
    QVERIFY(m_cell->ready());
}

void TestFaultsLostPwSignOut::cleanup()
{
    Form2::destroy(testSession());
    QList<QPointer<QWidget>> windows;
    for (QWidget *window : QApplication::topLevelWidgets())
        if (qobject_cast<Form1 *>(window) || qobject_cast<Form4 *>(window))
            windows.append(window);
    qDeleteAll(windows);
    m_cell.reset();
}

void TestFaultsLostPwSignOut::cleanupTestCase()
{
    testSession().setLoginWindowOpener({});
    printTable(QStringLiteral("lost-password window and sign-out request"));
}

void TestFaultsLostPwSignOut::matrix_data()
{
    addColumns<Request>();
    const auto row = rowAdder(requestName);

    // Lost password: the forum's own text when its answer can be read; otherwise a message of the
    // client's own that says what happened. A completed answer goes onto the clipboard. The mail
    // column shows whether the forum acted (a late or cut-off answer does not undo the mail).
    const auto lost = [](const QString &box, bool copied, bool mailed) {
        return QStringLiteral("window=open; button=enabled; box=%1; clipboard=%2; %3")
            .arg(box, copied ? QStringLiteral("reply") : QStringLiteral("untouched"),
                 mailed ? QStringLiteral("mail sent") : QStringLiteral("no mail"));
    };
    row(Request::LostPassword, F::Slow, lost(QStringLiteral("lostpw-no-reply!"), false, true));
    row(Request::LostPassword, F::Empty, lost(QStringLiteral("lostpw-unreadable!"), true, false));
    row(Request::LostPassword, F::ErrorPage, lost(QStringLiteral("lostpw-unreadable!"), true, false));
    row(Request::LostPassword, F::Status500, lost(QStringLiteral("lostpw-http-500!"), true, false));
    row(Request::LostPassword, F::Drop, lost(QStringLiteral("lostpw-no-reply!"), false, true));
    row(Request::LostPassword, F::NoCdata, lost(QStringLiteral("mail-sent"), true, true));
    row(Request::LostPassword, F::Huge, lost(QStringLiteral("lostpw-no-reply!"), false, true));
    row(Request::LostPassword, F::InvalidGbk, lost(QStringLiteral("mail-sent"), true, true));
    // A refused token: sent once more with a fresh one; refused again, the member is told so.
    row(Request::LostPassword, F::Token503, lost(QStringLiteral("token-refused!"), true, false));
    row(Request::LostPassword, F::NoAnswer, lost(QStringLiteral("lostpw-no-reply!"), false, false));

    // The login window's reset after the ban: the window is back at its inputs and the session is
    // gone from the client at once, whatever the forum makes of the sign-out. The request rides on
    // a control of its own with the panel's sign-out lifetime: until the answer or the time limit,
    // so an unanswered one is released too.
    for (SimFault fault : faults(true))
        row(Request::SignOutAfterRefusal, fault,
            QStringLiteral("idle; status=account-banned; box=ban-notice!; session=dropped; sign-out sent x1, ended"));

    // The panel's sign-out: the login window comes back, the panel goes, and the request's own
    // transfer control is gone after the time limit at the latest.
    for (SimFault fault : faults(true))
        row(Request::SignOutFromPanel, fault,
            QStringLiteral("login window idle; panel closed; box=confirm-signout?; session=dropped; AutoLoginBlocked=1; "
                           "VipLevel=0; sign-out sent x1; transfer released"));
}

void TestFaultsLostPwSignOut::matrix()
{
    runCell(requestName, [this](Request request, SimFault fault) {
        switch (request) {
        case Request::LostPassword:
            return lostPassword(fault);
        case Request::SignOutAfterRefusal:
            return signOutAfterRefusal(fault);
        case Request::SignOutFromPanel:
            return signOutFromPanel(fault);
        }
        return QString();
    });
}

QString TestFaultsLostPwSignOut::signOutsSent() const
{
    return QStringLiteral("sign-out sent x%1").arg(m_cell->sim().requestsTo("action=logout").size());
}

QString TestFaultsLostPwSignOut::lostPassword(SimFault fault)
{
    m_cell->sim().setFault(fault, "mod=lostpasswd", SimRole::Forum);
    QGuiApplication::clipboard()->setText(kClipboardBefore);

    QPointer<Form4> window = new Form4(testSession());
    window->show();
    auto *user = window->findChild<QLineEdit *>(QStringLiteral("Text1"));
    auto *email = window->findChild<QLineEdit *>(QStringLiteral("Text2"));
    auto *button = window->findChild<QPushButton *>(QStringLiteral("Command1"));
    if (!user || !email || !button)
        return QStringLiteral("CONTROLS MISSING");
    QTest::keyClicks(user, QStringLiteral("alice"));
    QTest::keyClicks(email, QStringLiteral("alice@example.com"));
    // The click returns at once; the window takes no input while the post waits, and ends with
    // the answer's box and its button open again.
    button->click();
    waitUntil([&] { return !window || (button->isEnabled() && !m_cell->seams().messages.isEmpty()); });
    if (!window)
        return QStringLiteral("WINDOW GONE; ") + boxes(m_cell->seams().messages);

    const QString clipboard = QGuiApplication::clipboard()->text();
    QString copied = QStringLiteral("OTHER");
    if (clipboard == kClipboardBefore)
        copied = QStringLiteral("untouched");
    else if (clipboard == window->replyText())
        copied = QStringLiteral("reply");
    const QString seen = QStringLiteral("window=%1; button=%2; %3; clipboard=%4; %5")
                             .arg(window->isVisible() ? QStringLiteral("open") : QStringLiteral("CLOSED"),
                                  button->isEnabled() ? QStringLiteral("enabled") : QStringLiteral("DISABLED"),
                                  boxes(m_cell->seams().messages), copied,
                                  m_cell->sim().mailedUids().contains(kAliceUid) ? QStringLiteral("mail sent")
                                                                                 : QStringLiteral("no mail"));
    delete window.data();
    return seen;
}

QString TestFaultsLostPwSignOut::signOutAfterRefusal(SimFault fault)
{
    m_cell->sim().setFault(fault, "action=logout", SimRole::Forum);
    QPointer<Form1> form = Form1::openNew(testSession());
    form->Text1->setText(QStringLiteral("eve"));
    form->Text2->setText(QStringLiteral("eve111"));
    form->Command1->click();
    // The banned member is signed in, told, and the window resets, asking the forum to sign out.
    waitUntil([&] { return !form || !m_cell->seams().messages.isEmpty(); }, kSettleMs);
    waitUntil([&] { return !form || !m_cell->sim().requestsTo("action=logout").isEmpty(); }, kSettleMs);
    // The answer, if any comes, is due after the slow delay.
    // The reset's log-out rides on a control of its own that outlives the window.
    const auto logOutPending = [&] { return form && form->LogOutTransfer && form->LogOutTransfer->StillExecuting(); };
    waitUntil([&] { return !form || !logOutPending(); }, kSlowDelayMs + 500);
    if (!form || !form->isVisible())
        return QStringLiteral("WINDOW GONE; ") + boxes(m_cell->seams().messages);

    const bool idle = loginWindowIdle(form);
    return QStringLiteral("%1; status=%2; %3; session=%4; %5, %6")
        .arg(idle ? QStringLiteral("idle") : QStringLiteral("NOT IDLE"), tag(form->status()), boxes(m_cell->seams().messages),
             Cell::holdsSession() ? QStringLiteral("KEPT") : QStringLiteral("dropped"), signOutsSent(),
             logOutPending() ? QStringLiteral("pending") : QStringLiteral("ended"));
}

QString TestFaultsLostPwSignOut::signOutFromPanel(SimFault fault)
{
    if (!signInToPanel(QStringLiteral("vipbob"), QStringLiteral("bob456")))
        return QStringLiteral("SIGN-IN FAILED");
    QPointer<Form2> panel = Form2::existing(testSession());
    if (!panel || !panel->isVisible())
        return QStringLiteral("NO PANEL; ") + boxes(m_cell->seams().messages);
    m_cell->seams().clear();
    m_cell->sim().clearRequests();
    m_cell->sim().setFault(fault, "action=logout", SimRole::Forum);

    m_cell->seams().queueAnswer(Seams::Answer::Yes);
    panel->Command5->click();
    waitUntil([&] { return !panel; }, kSettleMs);
    waitUntil([&] { return !m_cell->sim().requestsTo("action=logout").isEmpty(); }, kSettleMs);
    // The request's control belongs to the application until the forum answers or the limit passes.
    const auto transfers = [] { return qApp->findChildren<Inet *>(Qt::FindDirectChildrenOnly).size(); };
    waitUntil([&] { return transfers() == 0; }, kSettleMs);

    const QList<Form1 *> windows = visibleLoginWindows();
    QString login = QStringLiteral("login windows: %1").arg(windows.size());
    if (windows.size() == 1) {
        const Form1 *form = windows.first();
        const bool idle = form->Command1->isEnabled() && form->Text1->isEnabled() && form->Picture2->isHidden();
        login = idle ? QStringLiteral("login window idle") : QStringLiteral("login window BUSY");
    }
    return QStringLiteral("%1; %2; %3; session=%4; AutoLoginBlocked=%5; VipLevel=%6; %7; %8")
        .arg(login, panel ? QStringLiteral("PANEL LEFT") : QStringLiteral("panel closed"), boxes(m_cell->seams().messages),
             Cell::holdsSession() ? QStringLiteral("KEPT") : QStringLiteral("dropped"))
        .arg(testSession().login().AutoLoginBlocked)
        .arg(testSession().card().VipLevel)
        .arg(signOutsSent(), transfers() == 0 ? QStringLiteral("transfer released") : QStringLiteral("TRANSFER LEFT"));
}

QTEST_MAIN(TestFaultsLostPwSignOut)
#include "test_faults_lostpw_signout.moc"
