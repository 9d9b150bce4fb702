#pragma once
// A member's whole visit through the real windows, in the steps a test strings together: the
// sign-in in the login window up to the member panel, an exchange of Quorvel币 for za, the
// sign-out back to a fresh login window, and a lost-password request. Each step waits for what the
// member would see and fails the running test when it does not come (check
// QTest::currentTestFailed() after a step). Boxes are answered through the seam recorder.
#include "AwaitedNet.h"
#include "ClientWindows.h"
#include "SeamRecorder.h"
#include "windows/identity/Form3.h"
#include "windows/recovery/Form4.h"
#include "TestSession.h"

#include <QCheckBox>
#include <QLabel>
#include <QTest>
#include <QTimer>

namespace WholeVisit {

// While it lives, the identity check is ticked at once instead of a second later: the same tick
// its own timer would give.
class IdentityTicker
{
public:
    IdentityTicker()
    {
        QObject::connect(&m_timer, &QTimer::timeout, [] {
            if (Form3 *check = Form3::current(testSession()); check && !check->handOverStarted())
                check->Timer1_Timer();
        });
        m_timer.start(5);
    }

private:
    QTimer m_timer;
};

// Signs in from the login window with the account kept and no automatic sign-in: the login
// window goes and the panel shows (the identity check needs an IdentityTicker). The panel, or null
// with the test failed.
inline Form2 *signIn(QPointer<Form1> &login, const QString &account, const QString &password, SeamRecorder &seams)
{
    [&] {
        QVERIFY(login && login->isVisible());
        login->Text1->setText(account);
        login->Text2->setText(password);
        login->Combo1->setCurrentIndex(0);
        login->Check1->setChecked(true);
        login->Check2->setChecked(false);
        login->Command1->click();
        QTRY_VERIFY2_WITH_TIMEOUT(!login && Form2::existing(testSession()) && Form2::existing(testSession())->isVisible() && !Form3::current(testSession()),
                                  qPrintable(QStringLiteral("no hand-over to the panel; messages: ")
                                             + seams.messageTexts().join(u'|')
                                             + (login ? QStringLiteral("; status: ") + login->status() : QString())),
                                  10000);
    }();
    return QTest::currentTestFailed() ? nullptr : Form2::existing(testSession());
}

// Exchanges quorvelbi Quorvel币 for za in the panel, confirming the question; za shows zaAfter,
// and the balances' new reading has ended: after the balances it reads the VIP page, and the
// next step of the visit comes after that, as the member's next click would.
inline void exchange(Form2 &panel, const QString &quorvelbi, const QString &password, const QString &zaAfter,
                     SeamRecorder &seams)
{
    panel.Text3->setText(quorvelbi);
    panel.Text5->setText(password);
    seams.queueAnswer(Seams::Answer::Yes);
    panel.Command6->click();
    QTRY_COMPARE_WITH_TIMEOUT(panel.Label1[1]->text(), zaAfter, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(!requestsInFlight(), 5000);
}

// Signs out from the panel, confirming the question: the panel goes and a fresh login window
// shows. That window, or null with the test failed.
inline Form1 *signOut(QPointer<Form2> &panel, SeamRecorder &seams)
{
    [&] {
        QVERIFY(panel);
        seams.queueAnswer(Seams::Answer::Yes);
        panel->Command5->click();
        QTRY_VERIFY_WITH_TIMEOUT(!panel && !visibleLoginWindows().isEmpty(), 5000);
    }();
    return QTest::currentTestFailed() ? nullptr : visibleLoginWindows().constLast();
}

// A lost-password request in its own window, until the answer's box comes; that box's text.
inline QString askForLostPassword(const QString &account, const QString &email, SeamRecorder &seams)
{
    Form4 lost(testSession());
    lost.show();
    lost.findChild<QLineEdit *>(QStringLiteral("Text1"))->setText(account);
    lost.findChild<QLineEdit *>(QStringLiteral("Text2"))->setText(email);
    const qsizetype before = seams.messages.size();
    lost.findChild<QPushButton *>(QStringLiteral("Command1"))->click();
    [&] { QTRY_VERIFY_WITH_TIMEOUT(seams.messages.size() > before, 5000); }();
    return seams.messages.size() > before ? seams.lastMessage() : QString();
}

} // namespace WholeVisit
