// The login form post: address, headers and the body in its short and long forms.
#include "rules/LoginRequest.h"

#include "base/Settings.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestLoginRequest : public QObject
{
    Q_OBJECT
private slots:
    void init() { Settings::instance().setHost(HostRole::Forum, u"127.0.0.1:8123"_s); }
    void cleanupTestCase() { Settings::instance().restoreDefaults(); }

    void addressAndHeaders()
    {
        QCOMPARE(LoginRequest::url(), u"http://127.0.0.1:8123/member.php?mod=logging&action=login&loginsubmit=yes"
                                      "&handlekey=login&loginhash=Qm7tW&inajax=1"_s);
        // No CR LF after the last header.
        QCOMPARE(LoginRequest::headers(),
                 u"Referer: http://127.0.0.1:8123/\r\nContent-Type: application/x-www-form-urlencoded"_s);
    }

    void body_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("question");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QByteArray>("tail"); // what follows the fixed formhash and referer fields

        QTest::newRow("short form") << u"alice"_s << u"alice123"_s << u"0"_s << QString()
                                    << QByteArray("&username=alice&password=alice123");
        // Position 0 sends four fields even with an answer still typed.
        QTest::newRow("question 0 with answer") << u"alice"_s << u"alice123"_s << u"0"_s << u"上海"_s
                                                << QByteArray("&username=alice&password=alice123");
        QTest::newRow("question without answer") << u"dave"_s << u"dave000"_s << u"3"_s << QString()
                                                 << QByteArray("&username=dave&password=dave000");
        QTest::newRow("long form, GBK answer")
            << u"dave"_s << u"dave000"_s << u"3"_s << u"上海"_s
            << QByteArray("&username=dave&password=dave000&questionid=3&answer=%C9%CF%BA%A3");
        QTest::newRow("form characters arrive intact")
            << u"小明"_s << u"xm&=+%密码"_s << u"0"_s << QString()
            << QByteArray("&username=%D0%A1%C3%F7&password=xm%26%3D%2B%25%C3%DC%C2%EB");
        QTest::newRow("blank and hash") << u"a b#c"_s << u" "_s << u"0"_s << QString()
                                        << QByteArray("&username=a%20b%23c&password=%20");
        QTest::newRow("placeholder is sent as typed")
            << u"请输入用户名或UID"_s << u"x"_s << u"0"_s << QString()
            << QByteArray("&username=%C7%EB%CA%E4%C8%EB%D3%C3%BB%A7%C3%FB%BB%F2UID&password=x");
        // A number may be a UID: the forum tries it as one where it lets members sign in by UID.
        QTest::newRow("uid gets loginfield=auto last") << u"1234"_s << u"alice123"_s << u"0"_s << QString()
                                                       << QByteArray("&username=1234&password=alice123&loginfield=auto");
        QTest::newRow("uid in the long form") << u"7"_s << u"dave000"_s << u"3"_s << u"上海"_s
                                              << QByteArray("&username=7&password=dave000&questionid=3&answer=%C9%CF%BA%A3"
                                                            "&loginfield=auto");
        QTest::newRow("not only digits is a name") << u"12a"_s << u"x"_s << u"0"_s << QString()
                                                   << QByteArray("&username=12a&password=x");
        QTest::newRow("signed number is a name") << u"+12"_s << u"x"_s << u"0"_s << QString()
                                                 << QByteArray("&username=%2B12&password=x");
    }
    void body()
    {
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QString, question);
        QFETCH(QString, answer);
        QFETCH(QByteArray, tail);
        QCOMPARE(LoginRequest::body(LoginRequest::kFormHash, user, password, question, answer),
                 QByteArray("formhash=5c2e9a17&referer=http%3A%2F%2F127.0.0.1:8123%2F") + tail);
    }

    void sessionTokenLeadsTheBody()
    {
        QCOMPARE(LoginRequest::body(u"0a1b2c3d"_s, u"alice"_s, u"pw"_s, u"0"_s, QString()),
                 QByteArray("formhash=0a1b2c3d&referer=http%3A%2F%2F127.0.0.1:8123%2F&username=alice&password=pw"));
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
