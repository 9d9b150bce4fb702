// Form4 against the forum simulator: the forum's real answers to members, refusals and faults.
#include "SeamRecorder.h"
#include "SimFixture.h"
#include "TempDataDir.h"
#include "app/Settings.h"
#include "net/Network.h"
#include "recovery/Form4.h"
#include "recovery/LostPasswordReply.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <memory>

using Fault = ForumSimulator::Fault;
Q_DECLARE_METATYPE(ForumSimulator::Fault)

namespace {
const QString kSent = QStringLiteral("取回密码的方法已通过 Email 发送到您的信箱中，请在 3 天之内修改您的密码");
const QString kNoMatch = QStringLiteral("抱歉，您填写的用户名与 Email 不匹配，无法取回密码");
const QString kAdministrator = QStringLiteral("抱歉，管理员帐号不能使用取回密码功能");
const QString kTooSoon = QStringLiteral("取回密码的邮件已经发出，请 5 分钟后再重新申请");
} // namespace

class TestForm4Forum : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_dataDir = std::make_unique<TempDataDir>();
        m_seams = std::make_unique<SeamRecorder>();
        m_sim = std::make_unique<SimFixture>();
        QVERIFY(m_sim->isRunning());
        m_window = std::make_unique<Form4>();
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }

    void cleanup()
    {
        m_window.reset();
        m_sim.reset();
        m_seams.reset();
        m_dataDir.reset();
        Network::setTimeoutMs(0);
        Settings::instance().restoreDefaults();
    }

    void forumAnswersAreShown()
    {
        QCOMPARE(ask(QStringLiteral("alice"), QStringLiteral("bob@example.com")), kNoMatch);
        QVERIFY(QGuiApplication::clipboard()->text().contains(LostPasswordReply::kRefusalMarker));
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
        QCOMPARE(request.formValue("formhash"), QStringLiteral("e93f2d06"));
        QCOMPARE(request.formValue("handlekey"), QStringLiteral("lostpwform"));
        QCOMPARE(request.formValue("lostpwsubmit"), QStringLiteral("true"));
    }

    void faultsEndWithAMessage_data()
    {
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<QString>("expected");
        QTest::newRow("form token refused") << Fault::Token503 << LostPasswordReply::kMessageServerErrorTemplate.arg(503);
        QTest::newRow("internal error") << Fault::Status500 << LostPasswordReply::kMessageServerErrorTemplate.arg(500);
        QTest::newRow("error page") << Fault::ErrorPage << LostPasswordReply::kMessageUnreadable;
        QTest::newRow("empty reply") << Fault::Empty << LostPasswordReply::kMessageUnreadable;
        QTest::newRow("dropped") << Fault::Drop << LostPasswordReply::kMessageNoReply;
        QTest::newRow("slow") << Fault::Slow << LostPasswordReply::kMessageNoReply;
        QTest::newRow("no answer") << Fault::NoAnswer << LostPasswordReply::kMessageNoReply;
        QTest::newRow("oversized") << Fault::Huge << LostPasswordReply::kMessageNoReply;
    }

    void faultsEndWithAMessage()
    {
        QFETCH(Fault, fault);
        QFETCH(QString, expected);
        Network::setTimeoutMs(500);
        (*m_sim)->setSlowDelayMs(3000);
        (*m_sim)->setFault(fault, "mod=lostpasswd", ForumSimulator::Role::Forum, 1);

        QCOMPARE(ask(QStringLiteral("alice"), QStringLiteral("bob@example.com")), expected);
        QCOMPARE(m_seams->messages.last().icon, Seams::Icon::Exclamation);
        QVERIFY(m_window->isVisible());

        // Once the fault has passed the same window gets the forum's answer.
        QCOMPARE(ask(QStringLiteral("alice"), QStringLiteral("bob@example.com")), kNoMatch);
    }

private:
    // Fills in both boxes, clicks and returns the one message shown; the button must end enabled.
    QString ask(const QString &userName, const QString &email)
    {
        auto *button = m_window->findChild<QPushButton *>(QStringLiteral("Command1"));
        m_window->findChild<QLineEdit *>(QStringLiteral("Text1"))->setText(userName);
        m_window->findChild<QLineEdit *>(QStringLiteral("Text2"))->setText(email);
        const qsizetype before = m_seams->messages.size();
        QTest::mouseClick(button, Qt::LeftButton);
        if (!QTest::qWaitFor([&] { return button->isEnabled() && m_seams->messages.size() == before + 1; }))
            return QStringLiteral("<no single message, or the button stayed disabled>");
        return m_seams->lastMessage();
    }

    std::unique_ptr<TempDataDir> m_dataDir;
    std::unique_ptr<SeamRecorder> m_seams;
    std::unique_ptr<SimFixture> m_sim;
    std::unique_ptr<Form4> m_window;
};

QTEST_MAIN(TestForm4Forum)
#include "tst_form4_forum.moc"
