// The login form post: address, headers and the body in its short and long forms.
#include "rules/LoginRequest.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// The forum's origin as the settings give it (scheme, host and port).
const QString kForum = u"http://127.0.0.1:8123"_s;

} // namespace

class TestLoginRequest : public QObject
{
    Q_OBJECT
private slots:
    void addressAndHeaders()
    {
        QCOMPARE(LoginRequest::url(kForum), u"http://127.0.0.1:8123/member.php?mod=logging&action=login&loginsubmit=yes"
                                            "&handlekey=login&loginhash=Qm7tW&inajax=1"_s);
        // No CR LF after the last header.
        QCOMPARE(LoginRequest::headers(kForum),
                 u"Referer: http://127.0.0.1:8123/\r\nContent-Type: application/x-www-form-urlencoded"_s);
        // A forum on https.
        QCOMPARE(LoginRequest::url(u"https://bbs.example.org"_s),
                 u"https://bbs.example.org/member.php?mod=logging&action=login&loginsubmit=yes"
                 "&handlekey=login&loginhash=Qm7tW&inajax=1"_s);
        QCOMPARE(LoginRequest::headers(u"https://bbs.example.org"_s),
                 u"Referer: https://bbs.example.org/\r\nContent-Type: application/x-www-form-urlencoded"_s);
    }

    void body_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("question");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QByteArray>("tail"); // what follows the fixed formhash and referer fields
        QTest::addColumn<QByteArray>("charset"); // the forum's code page
        const QByteArray gbk = "GBK";

        QTest::newRow("short form") << u"alice"_s << u"alice123"_s << u"0"_s << QString()
                                    << QByteArray("&username=alice&password=alice123") << gbk;
        // Position 0 sends four fields even with an answer still typed.
        QTest::newRow("question 0 with answer") << u"alice"_s << u"alice123"_s << u"0"_s << u"上海"_s
                                                << QByteArray("&username=alice&password=alice123") << gbk;
        QTest::newRow("question without answer") << u"dave"_s << u"dave000"_s << u"3"_s << QString()
                                                 << QByteArray("&username=dave&password=dave000") << gbk;
        QTest::newRow("long form, GBK answer")
            << u"dave"_s << u"dave000"_s << u"3"_s << u"上海"_s
            << QByteArray("&username=dave&password=dave000&questionid=3&answer=%C9%CF%BA%A3") << gbk;
        QTest::newRow("form characters arrive intact")
            << u"小明"_s << u"xm&=+%密码"_s << u"0"_s << QString()
            << QByteArray("&username=%D0%A1%C3%F7&password=xm%26%3D%2B%25%C3%DC%C2%EB") << gbk;
        QTest::newRow("blank and hash") << u"a b#c"_s << u" "_s << u"0"_s << QString()
                                        << QByteArray("&username=a%20b%23c&password=%20") << gbk;
        // A number may be a UID: the forum tries it as one where it lets members sign in by UID.
        QTest::newRow("uid gets loginfield=auto last") << u"1234"_s << u"alice123"_s << u"0"_s << QString()
                                                       << QByteArray("&username=1234&password=alice123&loginfield=auto") << gbk;
        QTest::newRow("uid in the long form") << u"7"_s << u"dave000"_s << u"3"_s << u"上海"_s
                                              << QByteArray("&username=7&password=dave000&questionid=3&answer=%C9%CF%BA%A3"
                                                            "&loginfield=auto") << gbk;
        QTest::newRow("not only digits is a name") << u"12a"_s << u"x"_s << u"0"_s << QString()
                                                   << QByteArray("&username=12a&password=x") << gbk;
        QTest::newRow("signed number is a name") << u"+12"_s << u"x"_s << u"0"_s << QString()
                                                 << QByteArray("&username=%2B12&password=x") << gbk;
        // A forum in UTF-8 compares the UTF-8 bytes (Python's str.encode('utf-8')); one in Big5 its own.
        QTest::newRow("utf-8 name, password, answer")
            << u"测试用户"_s << u"中文密码"_s << u"1"_s << u"王小红"_s
            << QByteArray("&username=%E6%B5%8B%E8%AF%95%E7%94%A8%E6%88%B7&password=%E4%B8%AD%E6%96%87%E5%AF%86%E7%A0%81"
                          "&questionid=1&answer=%E7%8E%8B%E5%B0%8F%E7%BA%A2")
            << QByteArray("UTF-8");
        QTest::newRow("utf-8 form characters") << u"小明"_s << u"xm&=+%密码"_s << u"0"_s << QString()
                                               << QByteArray("&username=%E5%B0%8F%E6%98%8E&password=xm%26%3D%2B%25%E5%AF%86%E7%A0%81")
                                               << QByteArray("UTF-8");
        QTest::newRow("big5") << u"測試用戶"_s << u"中文密碼"_s << u"0"_s << QString()
                              << QByteArray("&username=%B4%FA%B8%D5%A5%CE%A4%E1&password=%A4%A4%A4%E5%B1K%BDX")
                              << QByteArray("BIG5");
    }
    void body()
    {
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QString, question);
        QFETCH(QString, answer);
        QFETCH(QByteArray, tail);
        QFETCH(QByteArray, charset);
        QCOMPARE(LoginRequest::body(kForum, LoginRequest::kFormHash, user, password, question, answer, charset),
                 QByteArray("formhash=5c2e9a17&referer=http%3A%2F%2F127.0.0.1:8123%2F") + tail);
    }

    void sessionTokenLeadsTheBody()
    {
        QCOMPARE(LoginRequest::body(kForum, u"0a1b2c3d"_s, u"alice"_s, u"pw"_s, u"0"_s, QString(), "GBK"),
                 QByteArray("formhash=0a1b2c3d&referer=http%3A%2F%2F127.0.0.1:8123%2F&username=alice&password=pw"));
        // The referer names the forum's own scheme and port.
        QCOMPARE(LoginRequest::body(u"https://bbs.example.org:8443"_s, u"0a1b2c3d"_s, u"alice"_s, u"pw"_s, u"0"_s, QString(), "GBK"),
                 QByteArray("formhash=0a1b2c3d&referer=https%3A%2F%2Fbbs.example.org:8443%2F&username=alice&password=pw"));
    }

    // The account box's prompt is never an account.
    void promptIsNoAccount()
    {
        QCOMPARE(LoginRequest::typedAccount(LoginRequest::kAccountPrompt), QString());
        QCOMPARE(LoginRequest::typedAccount(u"请输入用户名或UID "_s), u"请输入用户名或UID "_s);
        QCOMPARE(LoginRequest::typedAccount(u"alice"_s), u"alice"_s);
    }

    void longForm()
    {
        QVERIFY(LoginRequest::isLongForm(u"7"_s, u"1234"_s));
        QVERIFY(!LoginRequest::isLongForm(u"0"_s, u"1234"_s));
        QVERIFY(!LoginRequest::isLongForm(u"7"_s, QString()));
        QVERIFY(!LoginRequest::isLongForm(QString(), u"x"_s));
    }
};

QTEST_GUILESS_MAIN(TestLoginRequest)
#include "test_loginrequest.moc"
