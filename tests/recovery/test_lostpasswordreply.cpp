// The lost-password request as sent and the reading of every kind of reply, without a window.
#include "base/CodePage.h"
#include "ForumReplies.h"
#include "rules/LostPasswordReply.h"

#include <QTest>

using namespace LostPasswordReply;
using OptText = std::optional<QString>;
Q_DECLARE_METATYPE(OptText)

class TestLostPasswordReply : public QObject
{
    Q_OBJECT
private slots:
    void urlNamesTheForumHost()
    {
        QCOMPARE(requestUrl(QStringLiteral("http://127.0.0.1:8123")),
                 QStringLiteral("http://127.0.0.1:8123/member.php?mod=lostpasswd&lostpwsubmit=yes&infloat=yes&inajax=1"));
    }

    void bodyCarriesTypedTexts_data()
    {
        QTest::addColumn<QString>("userName");
        QTest::addColumn<QString>("email");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("charset");
        // GBK bytes of the Chinese letters from Python's str.encode('gbk').
        QTest::newRow("plain") << QStringLiteral("alice") << QStringLiteral("alice@example.com")
                               << QByteArray("formhash=e93f2d06&handlekey=lostpwform&email=alice%40example.com"
                                             "&username=alice&lostpwsubmit=true") << QByteArray("GBK");
        QTest::newRow("form characters") << QStringLiteral("a&b=c+d") << QStringLiteral("x%y#z w@e.com")
                                         << QByteArray("formhash=e93f2d06&handlekey=lostpwform&email=x%25y%23z%20w%40e.com"
                                                       "&username=a%26b%3Dc%2Bd&lostpwsubmit=true") << QByteArray("GBK");
        QTest::newRow("chinese") << QStringLiteral("张三") << QStringLiteral("例@中.cn")
                                 << QByteArray("formhash=e93f2d06&handlekey=lostpwform&email=%C0%FD%40%D6%D0.cn"
                                               "&username=%D5%C5%C8%FD&lostpwsubmit=true") << QByteArray("GBK");
        // UTF-8 bytes from Python's str.encode('utf-8'), for a forum in UTF-8.
        QTest::newRow("chinese, utf-8 forum") << QStringLiteral("张三") << QStringLiteral("例@中.cn")
                                              << QByteArray("formhash=e93f2d06&handlekey=lostpwform&email=%E4%BE%8B%40%E4%B8%AD.cn"
                                                            "&username=%E5%BC%A0%E4%B8%89&lostpwsubmit=true")
                                              << QByteArray("UTF-8");
    }

    void bodyCarriesTypedTexts()
    {
        QFETCH(QString, userName);
        QFETCH(QString, email);
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, charset);
        QCOMPARE(requestBody(QString::fromLatin1(kFormHash), userName, email, charset), body);
    }

    // The forum decodes each field back to exactly what was typed.
    void bodyFieldsDecodeToTypedTexts()
    {
        const QString userName = QStringLiteral(" 张 三&x=1%2B#; ");
        const QString email = QStringLiteral("a+b&c=d%20@例.com");
        const QList<QByteArray> fields = requestBody(QString::fromLatin1(kFormHash), userName, email, "GBK").split('&');
        QCOMPARE(fields.size(), 5);
        QCOMPARE(CodePage::fromAnsi(QByteArray::fromPercentEncoding(fields[2].mid(int(sizeof "email=") - 1))), email);
        QCOMPARE(CodePage::fromAnsi(QByteArray::fromPercentEncoding(fields[3].mid(int(sizeof "username=") - 1))),
                 userName);
    }

    void pieces_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("number");
        QTest::addColumn<OptText>("expected");
        QTest::newRow("first of none") << QString() << 0 << OptText(QString());
        QTest::newRow("second of none") << QString() << 1 << OptText();
        QTest::newRow("empty pieces count") << QStringLiteral("a''b") << 2 << OptText(QStringLiteral("b"));
        QTest::newRow("empty middle") << QStringLiteral("a''b") << 1 << OptText(QString());
        QTest::newRow("last after apostrophe") << QStringLiteral("a'") << 1 << OptText(QString());
        QTest::newRow("past the end") << QStringLiteral("a''b") << 3 << OptText();
        QTest::newRow("negative") << QStringLiteral("a'b") << -1 << OptText();
    }

    void pieces()
    {
        QFETCH(QString, text);
        QFETCH(int, number);
        QFETCH(OptText, expected);
        QCOMPARE(piece(text, number), expected);
    }

    void messageOfReply_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<int>("number");
        QTest::addColumn<OptText>("expected");
        const QString refusal = QStringLiteral("抱歉，您填写的账户资料不匹配，不能使用取回密码功能");
        const QString sent = QStringLiteral("取回密码的方法已通过 Email 发送到您的信箱中");
        QTest::newRow("refusal") << ForumReplies::refusal(refusal) << 3 << OptText(refusal);
        QTest::newRow("success") << ForumReplies::success(sent) << 5 << OptText(sent);
        QTest::newRow("success, empty message") << ForumReplies::success(QString()) << 5 << OptText(QString());
        QTest::newRow("marker anywhere") << QStringLiteral("x'y'z'msg'errorhandle_lostpwform") << 3
                                         << OptText(QStringLiteral("msg"));
        QTest::newRow("marker, too few pieces") << QStringLiteral("errorhandle_lostpwform('a')") << 3 << OptText();
        QTest::newRow("other handle key") << QStringLiteral("errorhandle_login'1'2'3'4'five'6") << 5
                                          << OptText(QStringLiteral("five"));
        QTest::newRow("marker is case-sensitive") << QStringLiteral("ErrorHandle_lostpwform'1'2'3'4'five") << 5
                                                  << OptText(QStringLiteral("five"));
        QTest::newRow("empty reply") << QString() << 5 << OptText();
    }

    void messageOfReply()
    {
        QFETCH(QString, reply);
        QFETCH(int, number);
        QFETCH(OptText, expected);
        QCOMPARE(pieceNumber(reply), number);
        QCOMPARE(message(reply), expected);
    }

    void outcomes()
    {
        const QString refusal = ForumReplies::refusal(QStringLiteral("不匹配"));

        const Outcome answered = outcome(false, 200, refusal);
        QCOMPARE(answered.text, QStringLiteral("不匹配"));
        QCOMPARE(answered.icon, Seams::Icon::Information);
        QVERIFY(answered.copyReply);

        // The forum's own answer, even an empty one, is shown as it is.
        const Outcome emptyAnswer = outcome(false, 200, ForumReplies::success(QString()));
        QCOMPARE(emptyAnswer.text, QString());
        QVERIFY(emptyAnswer.copyReply);

        const Outcome noReply = outcome(true, 0, QString());
        QCOMPARE(noReply.text, kMessageNoReply);
        QCOMPARE(noReply.icon, Seams::Icon::Exclamation);
        QVERIFY(!noReply.copyReply);

        // An error page is never read by pieces, even when it carries the marker.
        const Outcome errorPage = outcome(false, 503, refusal);
        QVERIFY(errorPage.text.contains(QStringLiteral("HTTP 503")));
        QCOMPARE(errorPage.icon, Seams::Icon::Exclamation);
        QVERIFY(errorPage.copyReply);

        const Outcome unreadable = outcome(false, 200, QStringLiteral("<html>oops</html>"));
        QCOMPARE(unreadable.text, kMessageUnreadable);
        QVERIFY(unreadable.copyReply);
        QVERIFY(!unreadable.text.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestLostPasswordReply)
#include "test_lostpasswordreply.moc"
