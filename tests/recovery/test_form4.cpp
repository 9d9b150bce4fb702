// Form4 against the forum simulator: the checks, the request as the forum receives it, the forum's
// answers, and every way the post can go wrong ending with a message and a usable window.
#include "base/Settings.h"
#include "net/Network.h"
#include "rules/FormToken.h"
#include "rules/LostPasswordReply.h"
#include "SeamRecorder.h"
#include "SimFixture.h"
#include "TempDataDir.h"
#include "windows/recovery/Form4.h"
#include "TestSession.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <memory>

using Fault = ForumSimulator::Fault;
Q_DECLARE_METATYPE(ForumSimulator::Fault)

namespace {
const QString kSent = QStringLiteral("取回密码的方法已通过 Email 发送到您的信箱中，请在 3 天之内修改您的密码");
const QString kNoMatch = QStringLiteral("抱歉，您填写的用户名与 Email 不匹配，无法取回密码");
const QString kAdministrator = QStringLiteral("抱歉，管理员帐号不能使用取回密码功能");
const QString kTooSoon = QStringLiteral("取回密码的邮件已经发出，请 5 分钟后再重新申请");
const QString kClipboardBefore = QStringLiteral("clipboard before");
} // namespace

class TestForm4 : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_dataDir = std::make_unique<TempDataDir>();
        m_seams = std::make_unique<SeamRecorder>();
        m_sim = std::make_unique<SimFixture>();
        QVERIFY(m_sim->isRunning());
        m_window = std::make_unique<Form4>(testSession());
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        QGuiApplication::clipboard()->setText(kClipboardBefore);
    }

    void cleanup()
    {
        m_window.reset();
        m_sim.reset();
        m_seams.reset();
        m_dataDir.reset();
        testSession().network().setTimeoutMs(0);
        testSession().settings().restoreDefaults();
    }

    void controlsAndTexts()
    {
        QCOMPARE(m_window->windowTitle(), QStringLiteral("找回密码"));
        QCOMPARE(label(QStringLiteral("Label1"))->text(), QStringLiteral("您的用户名："));
        QCOMPARE(label(QStringLiteral("Label2"))->text(), QStringLiteral("您的E-mail："));
        QVERIFY(text1()->text().isEmpty());
        QVERIFY(text2()->text().isEmpty());
        QCOMPARE(button()->text(), QStringLiteral("找回密码"));
    }

    void emptyFieldsAreCaughtBeforeSending()
    {
        button()->click();
        QCOMPARE(m_seams->messageTexts(), QStringList{LostPasswordReply::kMessageEmptyUserName});
        QCOMPARE(m_seams->messages.last().icon, Seams::Icon::Information);

        m_seams->clear();
        text1()->setText(QStringLiteral("alice"));
        button()->click();
        QCOMPARE(m_seams->messageTexts(), QStringList{LostPasswordReply::kMessageEmptyEmail});

        m_seams->clear();
        text1()->clear();
        text2()->setText(QStringLiteral("alice@example.com"));
        button()->click();
        QCOMPARE(m_seams->messageTexts(), QStringList{LostPasswordReply::kMessageEmptyUserName});

        QVERIFY((*m_sim)->requestsTo("mod=lostpasswd").isEmpty());
        QVERIFY(button()->isEnabled());
        QCOMPARE(QGuiApplication::clipboard()->text(), kClipboardBefore);
    }

    // Refusals show piece 3, the forum's other answers piece 5; the whole reply goes to the clipboard.
    void forumAnswersAreShown()
    {
        QCOMPARE(ask(QStringLiteral("alice"), QStringLiteral("bob@example.com")), kNoMatch);
        QCOMPARE(m_seams->messages.last().icon, Seams::Icon::Information);
        QCOMPARE(m_seams->messages.last().title, QStringLiteral("Quorvel软件"));
        const QString refusal = QGuiApplication::clipboard()->text();
        QVERIFY(refusal.startsWith(QStringLiteral("<?xml")));
        QVERIFY(refusal.endsWith(QStringLiteral("]]></root>")));
        QVERIFY(refusal.contains(LostPasswordReply::kRefusalMarker));
        QCOMPARE(m_window->replyText(), refusal);
        QCOMPARE(m_window->messageText(), kNoMatch);

        QCOMPARE(ask(QStringLiteral("admin"), QStringLiteral("admin@example.com")), kAdministrator);
        QVERIFY((*m_sim)->mailedUids().isEmpty());

        QCOMPARE(ask(QStringLiteral("alice"), QStringLiteral("alice@example.com")), kSent);
        QVERIFY(QGuiApplication::clipboard()->text().contains(QStringLiteral("succeedhandle_lostpwform")));
        QCOMPARE((*m_sim)->mailedUids(), QList<int>{1234});
        QCOMPARE(ask(QStringLiteral("alice"), QStringLiteral("alice@example.com")), kTooSoon);

        // A Chinese user name reaches the forum intact and finds the member.
        QCOMPARE(ask(QStringLiteral("小明"), QStringLiteral("xiaoming@example.com")), kSent);
        QCOMPARE((*m_sim)->mailedUids(), (QList<int>{1234, 888}));
        QCOMPARE(m_seams->messages.size(), 5);
    }

    void forumReceivesTheFormAsTyped()
    {
        const QString userName = QStringLiteral("张 三&email=admin@example.com");
        const QString email = QStringLiteral("a+b=c%d#e f@例子.com");
        QCOMPARE(ask(userName, email), kNoMatch);

        const QList<ForumSimulator::RecordedRequest> requests = (*m_sim)->requestsTo("mod=lostpasswd");
        QCOMPARE(requests.size(), 1);
        const ForumSimulator::RecordedRequest &request = requests.first();
        QCOMPARE(request.method, QByteArray("POST"));
        QCOMPARE(request.pathAndQuery, QByteArray("/member.php?mod=lostpasswd&lostpwsubmit=yes&infloat=yes&inajax=1"));
        QCOMPARE(request.header("Content-Type"), QByteArray("application/x-www-form-urlencoded"));
        QCOMPARE(request.formValue("username"), userName);
        QCOMPARE(request.formValue("email"), email);
        // The guest token of the session the login form opened, as today's forum wants it.
        QCOMPARE(request.tokenCheck, SimTokenCheck::Valid);
        QVERIFY(request.body.startsWith(QByteArray("formhash=" + request.sessionFormHash + "&handlekey=lostpwform&email=")));
        QVERIFY(request.body.endsWith("&lostpwsubmit=true"));
        QCOMPARE(request.body.count('&'), 4);
    }

    void faultsEndWithAMessageAndAUsableWindow_data()
    {
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("replyOnClipboard");
        using namespace LostPasswordReply;
        QTest::newRow("internal error") << Fault::Status500 << kMessageServerErrorTemplate.arg(500) << true;
        QTest::newRow("error page") << Fault::ErrorPage << kMessageUnreadable << true;
        QTest::newRow("empty reply") << Fault::Empty << kMessageUnreadable << true;
        QTest::newRow("dropped") << Fault::Drop << kMessageNoReply << false;
        QTest::newRow("slow") << Fault::Slow << kMessageNoReply << false;
        QTest::newRow("no answer") << Fault::NoAnswer << kMessageNoReply << false;
        QTest::newRow("oversized") << Fault::Huge << kMessageNoReply << false;
    }

    void faultsEndWithAMessageAndAUsableWindow()
    {
        QFETCH(Fault, fault);
        QFETCH(QString, expected);
        QFETCH(bool, replyOnClipboard);
        testSession().network().setTimeoutMs(500);
        (*m_sim)->setSlowDelayMs(3000);
        (*m_sim)->setFault(fault, "mod=lostpasswd", ForumSimulator::Role::Forum, 1);

        QCOMPARE(ask(QStringLiteral("alice"), QStringLiteral("bob@example.com")), expected);
        QCOMPARE(m_seams->messages.last().icon, Seams::Icon::Exclamation);
        QCOMPARE(m_window->messageText(), expected);
        QVERIFY(m_window->isVisible());
        // What arrived is kept for the member; a post that got nothing leaves the clipboard alone.
        QCOMPARE(QGuiApplication::clipboard()->text(), replyOnClipboard ? m_window->replyText() : kClipboardBefore);

        // Once the fault has passed the same window gets the forum's answer.
        QCOMPARE(ask(QStringLiteral("alice"), QStringLiteral("bob@example.com")), kNoMatch);
    }

    // A refused token leaves the request undone: it goes once more with a fresh token from a new
    // login form, and only a second refusal is told, as such.
    void aRefusedTokenIsSentOnceMore()
    {
        (*m_sim)->setFault(Fault::Token503, "mod=lostpasswd", ForumSimulator::Role::Forum, 1);
        QCOMPARE(ask(QStringLiteral("alice"), QStringLiteral("alice@example.com")), kSent);
        const auto posts = (*m_sim)->requestsTo("mod=lostpasswd");
        QCOMPARE(posts.size(), 2);
        QCOMPARE(posts.last().tokenCheck, SimTokenCheck::Valid);
        QCOMPARE((*m_sim)->mailedUids(), QList<int>{1234});

        (*m_sim)->setFault(Fault::Token503, "mod=lostpasswd", ForumSimulator::Role::Forum);
        QCOMPARE(ask(QStringLiteral("vipbob"), QStringLiteral("vipbob@example.com")), FormToken::kMessageRefused);
        QCOMPARE((*m_sim)->requestsTo("mod=lostpasswd").size(), 4);
        QCOMPARE((*m_sim)->mailedUids(), QList<int>{1234});
        QVERIFY(m_window->isVisible());
        QVERIFY(m_window->findChild<QPushButton *>(QStringLiteral("Command1"))->isEnabled());
    }

    // The window may go away while the post waits; the post then ends quietly: nothing is shown,
    // not even once its time limit has passed.
    void windowDestroyedWhileWaiting()
    {
        testSession().network().setTimeoutMs(1000);
        (*m_sim)->setFault(Fault::NoAnswer, "mod=lostpasswd");
        text1()->setText(QStringLiteral("alice"));
        text2()->setText(QStringLiteral("alice@example.com"));
        QPointer<Form4> window = m_window.get();
        // Gone once the post has reached the forum, whose answer never comes.
        connect(&m_sim->sim(), &ForumSimulator::requestReceived, this, [this](const QByteArray &, const QByteArray &path) {
            if (path.contains("mod=lostpasswd"))
                m_window.reset();
        });
        button()->click();
        QTRY_VERIFY(window.isNull());
        QCOMPARE((*m_sim)->requestsTo("mod=lostpasswd").size(), 1);
        QVERIFY(!QTest::qWaitFor([this] { return !m_seams->messages.isEmpty(); }, 1500));
        QCOMPARE(QGuiApplication::clipboard()->text(), kClipboardBefore);
    }

    void escapeClosesTheModalWindow()
    {
        m_window.reset();
        QPointer<QWidget> seen;
        bool wasForm4 = false;
        QTimer::singleShot(0, this, [&seen, &wasForm4] {
            seen = QApplication::activeModalWidget();
            wasForm4 = qobject_cast<Form4 *>(seen.data()) != nullptr;
            if (seen)
                QTest::keyClick(seen, Qt::Key_Escape);
        });
        QWidget parent;
        // It opens and returns at once; the member's Esc closes it, and a closed window goes.
        Form4::showModal(testSession(), &parent);
        QTRY_VERIFY(wasForm4);
        QTRY_VERIFY(seen.isNull());
    }

private:
    QLabel *label(const QString &name) const { return m_window->findChild<QLabel *>(name); }
    QLineEdit *text1() const { return m_window->findChild<QLineEdit *>(QStringLiteral("Text1")); }
    QLineEdit *text2() const { return m_window->findChild<QLineEdit *>(QStringLiteral("Text2")); }
    QPushButton *button() const { return m_window->findChild<QPushButton *>(QStringLiteral("Command1")); }

    // Fills in both boxes, clicks and returns the one message shown; the button must end enabled.
    QString ask(const QString &userName, const QString &email)
    {
        text1()->setText(userName);
        text2()->setText(email);
        const qsizetype before = m_seams->messages.size();
        QTest::mouseClick(button(), Qt::LeftButton);
        if (!QTest::qWaitFor([&] { return button()->isEnabled() && m_seams->messages.size() == before + 1; }))
            return QStringLiteral("<no single message, or the button stayed disabled>");
        return m_seams->lastMessage();
    }

    std::unique_ptr<TempDataDir> m_dataDir;
    std::unique_ptr<SeamRecorder> m_seams;
    std::unique_ptr<SimFixture> m_sim;
    std::unique_ptr<Form4> m_window;
};

QTEST_MAIN(TestForm4)
#include "test_form4.moc"
