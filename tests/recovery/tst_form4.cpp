// Form4 against a scripted forum: the checks, the request as the forum receives it, the forum's
// answers, and every way the post can go wrong ending with a message and a usable window.
#include "ForumReplies.h"
#include "ScriptedForum.h"
#include "SeamRecorder.h"
#include "TempDataDir.h"
#include "app/CodePage.h"
#include "app/Settings.h"
#include "net/Network.h"
#include "recovery/Form4.h"
#include "recovery/LostPasswordReply.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUrlQuery>
#include <memory>

namespace {

// A form field of a posted body, decoded from GBK percent-encoding back to text.
QString formField(const QByteArray &body, const QByteArray &name)
{
    for (const QByteArray &pair : body.split('&')) {
        if (pair.startsWith(QByteArray(name + '=')))
            return CodePage::fromAnsi(QByteArray::fromPercentEncoding(pair.mid(name.size() + 1)));
    }
    return QStringLiteral("<missing>");
}

} // namespace

class TestForm4 : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_dataDir = std::make_unique<TempDataDir>();
        m_seams = std::make_unique<SeamRecorder>();
        m_forum = std::make_unique<ScriptedForum>();
        Settings::instance().setHost(HostRole::Forum, m_forum->hostAndPort());
        m_window = std::make_unique<Form4>();
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        QGuiApplication::clipboard()->setText(QStringLiteral("clipboard before"));
    }

    void cleanup()
    {
        m_window.reset();
        m_forum.reset();
        m_seams.reset();
        m_dataDir.reset();
        Network::setTimeoutMs(0);
        Settings::instance().restoreDefaults();
    }

    void controlsAndTexts()
    {
        QCOMPARE(m_window->windowTitle(), QStringLiteral("找回密码"));
        QCOMPARE(m_window->objectName(), QStringLiteral("Form4"));
        QVERIFY(text1()->text().isEmpty());
        QVERIFY(text2()->text().isEmpty());
        QCOMPARE(button()->text(), QStringLiteral("找回密码"));
        QCOMPARE(m_window->findChild<QWidget *>(QStringLiteral("Label1"))->property("text").toString(),
                 QStringLiteral("您的用户名："));
        QCOMPARE(m_window->findChild<QWidget *>(QStringLiteral("Label2"))->property("text").toString(),
                 QStringLiteral("您的E-mail："));
    }

    void emptyFieldsAreCaughtBeforeSending()
    {
        button()->click();
        QCOMPARE(m_seams->messageTexts(), QStringList{LostPasswordReply::kMessageEmptyUserName});
        QCOMPARE(m_seams->messages.last().icon, Seams::Icon::Information);

        m_seams->clear();
        QTest::keyClicks(text1(), QStringLiteral("alice"));
        button()->click();
        QCOMPARE(m_seams->messageTexts(), QStringList{LostPasswordReply::kMessageEmptyEmail});

        m_seams->clear();
        text1()->clear();
        QTest::keyClicks(text2(), QStringLiteral("alice@example.com"));
        button()->click();
        QCOMPARE(m_seams->messageTexts(), QStringList{LostPasswordReply::kMessageEmptyUserName});

        QVERIFY(m_forum->requests.isEmpty());
        QVERIFY(button()->isEnabled());
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("clipboard before"));
    }

    void refusalShowsItsMessageAndFillsTheClipboard()
    {
        const QString message = QStringLiteral("抱歉，您填写的账户资料不匹配，不能使用取回密码功能");
        const QString reply = ForumReplies::refusal(message);
        m_forum->replyWith(200, reply);
        send(QStringLiteral("alice"), QStringLiteral("wrong@example.com"));

        QCOMPARE(m_seams->messageTexts(), QStringList{message});
        QCOMPARE(m_seams->messages.last().icon, Seams::Icon::Information);
        QCOMPARE(m_seams->messages.last().title, QStringLiteral("Quorvel软件"));
        QCOMPARE(QGuiApplication::clipboard()->text(), reply);
        QCOMPARE(m_window->replyText(), reply);
        QCOMPARE(m_window->messageText(), message);
        QVERIFY(button()->isEnabled());

        QCOMPARE(m_forum->requests.size(), 1);
        const ScriptedForum::Request &request = m_forum->requests.first();
        QCOMPARE(request.method, QByteArray("POST"));
        QCOMPARE(request.target, QByteArray("/member.php?mod=lostpasswd&lostpwsubmit=yes&infloat=yes&inajax=1"));
        QCOMPARE(request.headers.value("content-type"), QByteArray("application/x-www-form-urlencoded"));
        QCOMPARE(request.body, QByteArray("formhash=e93f2d06&handlekey=lostpwform&email=wrong%40example.com"
                                          "&username=alice&lostpwsubmit=true"));
    }

    void otherRepliesShowTheSixthPiece()
    {
        const QString sent = QStringLiteral("取回密码的方法已通过 Email 发送到您的信箱中");
        m_forum->replyWith(200, ForumReplies::success(sent));
        send(QStringLiteral("alice"), QStringLiteral("alice@example.com"));
        QCOMPARE(m_seams->messageTexts(), QStringList{sent});

        // The forum's own empty answer is shown as it stands; a second click works the same way.
        m_seams->clear();
        const QString emptyAnswer = ForumReplies::success(QString());
        m_forum->replyWith(200, emptyAnswer);
        button()->click();
        QCOMPARE(m_seams->messageTexts(), QStringList{QString()});
        QCOMPARE(QGuiApplication::clipboard()->text(), emptyAnswer);
        QCOMPARE(m_forum->requests.size(), 2);
        QVERIFY(button()->isEnabled());
    }

    void typedTextsReachTheForumAsTyped()
    {
        const QString userName = QStringLiteral("张 三&role=admin%20#1+");
        const QString email = QStringLiteral("a+b=c&d%e#f g@例子.com");
        m_forum->replyWith(200, ForumReplies::refusal(QStringLiteral("x")));
        send(userName, email);

        QCOMPARE(m_forum->requests.size(), 1);
        const QByteArray body = m_forum->requests.first().body;
        QCOMPARE(formField(body, "username"), userName);
        QCOMPARE(formField(body, "email"), email);
        QCOMPARE(formField(body, "formhash"), QStringLiteral("e93f2d06"));
        QCOMPARE(formField(body, "handlekey"), QStringLiteral("lostpwform"));
        QCOMPARE(formField(body, "lostpwsubmit"), QStringLiteral("true"));
        QCOMPARE(body.count('&'), 4);
    }

    void faultsEndWithAMessageAndAUsableWindow_data()
    {
        QTest::addColumn<int>("fault");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("clipboardHoldsReply");
        QTest::newRow("empty reply") << 0 << LostPasswordReply::kMessageUnreadable << true;
        QTest::newRow("error page") << 1 << LostPasswordReply::kMessageServerErrorTemplate.arg(503) << true;
        QTest::newRow("connection dropped") << 2 << LostPasswordReply::kMessageNoReply << false;
        QTest::newRow("no answer in time") << 3 << LostPasswordReply::kMessageNoReply << false;
    }

    void faultsEndWithAMessageAndAUsableWindow()
    {
        QFETCH(int, fault);
        QFETCH(QString, expected);
        QFETCH(bool, clipboardHoldsReply);
        const QString errorPage = QStringLiteral("<html><head><title>Service Unavailable</title></head><body>"
                                                 "<p class='x'>论坛暂时不可用</p><a href='/'>返回</a></body></html>");
        switch (fault) {
        case 0: m_forum->replyWith(200, QString()); break;
        case 1: m_forum->replyWith(503, errorPage, "text/html; charset=gbk"); break;
        case 2: m_forum->setMode(ScriptedForum::Mode::DropMidReply); break;
        case 3:
            m_forum->setMode(ScriptedForum::Mode::NeverAnswer);
            Network::setTimeoutMs(400);
            break;
        }
        send(QStringLiteral("alice"), QStringLiteral("alice@example.com"));

        QTRY_VERIFY(button()->isEnabled());
        QCOMPARE(m_seams->messageTexts(), QStringList{expected});
        QVERIFY(!expected.isEmpty());
        QCOMPARE(m_seams->messages.last().icon, Seams::Icon::Exclamation);
        QCOMPARE(m_window->messageText(), expected);
        QVERIFY(m_window->isVisible());
        QCOMPARE(m_forum->requests.size(), 1);
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 clipboardHoldsReply ? (fault == 1 ? errorPage : QString()) : QStringLiteral("clipboard before"));

        // The window stays usable: the next click reaches the forum and its answer is shown.
        m_seams->clear();
        m_forum->setMode(ScriptedForum::Mode::Reply);
        m_forum->replyWith(200, ForumReplies::refusal(QStringLiteral("再来一次")));
        button()->click();
        QCOMPARE(m_seams->messageTexts(), QStringList{QStringLiteral("再来一次")});
    }

    // The window may go away while the post waits; the click then ends quietly.
    void windowDestroyedWhileWaiting()
    {
        m_forum->setMode(ScriptedForum::Mode::NeverAnswer);
        Network::setTimeoutMs(1000);
        QTest::keyClicks(text1(), QStringLiteral("alice"));
        QTest::keyClicks(text2(), QStringLiteral("alice@example.com"));
        QPointer<Form4> window = m_window.get();
        QTimer::singleShot(100, this, [this] { m_window.reset(); });
        button()->click();
        QVERIFY(window.isNull());
        QVERIFY(m_seams->messages.isEmpty());
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("clipboard before"));
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
        Form4::showModal(&parent);
        QVERIFY(wasForm4);
        QVERIFY(seen.isNull()); // destroyed once showModal returns
        QVERIFY(parent.findChildren<Form4 *>().isEmpty());
    }

private:
    QLineEdit *text1() const { return m_window->findChild<QLineEdit *>(QStringLiteral("Text1")); }
    QLineEdit *text2() const { return m_window->findChild<QLineEdit *>(QStringLiteral("Text2")); }
    QPushButton *button() const { return m_window->findChild<QPushButton *>(QStringLiteral("Command1")); }

    void send(const QString &userName, const QString &email)
    {
        text1()->setText(userName);
        text2()->setText(email);
        QTest::mouseClick(button(), Qt::LeftButton);
    }

    std::unique_ptr<TempDataDir> m_dataDir;
    std::unique_ptr<SeamRecorder> m_seams;
    std::unique_ptr<ScriptedForum> m_forum;
    std::unique_ptr<Form4> m_window;
};

QTEST_MAIN(TestForm4)
#include "tst_form4.moc"
