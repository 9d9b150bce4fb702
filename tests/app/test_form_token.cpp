// The forum's form token as pages carry it, and which period of the session a token belongs to.
#include "base/Settings.h"
#include "rules/FormToken.h"
#include "session/SiteSession.h"
#include "TestSession.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestFormToken : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        testSession().settings().setHost(HostRole::Forum, u"127.0.0.1:8101"_s);
        testSession().settings().setHost(HostRole::Home, u"127.0.0.1:8102"_s);
        testSession().settings().setHost(HostRole::Vip, u"127.0.0.1:8103"_s);
        testSession().settings().setHost(HostRole::Soft, u"127.0.0.1:8104"_s);
    }

    void read_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<int>("found");
        QTest::addColumn<QString>("token");
        using F = FormToken::Found;
        // Shapes of the forum's pages: the search form's hidden field, the log-out link, the login form.
        QTest::newRow("hidden field") << u"<form><input type=\"hidden\" name=\"formhash\" value=\"0a1b2c3d\" /></form>"_s
                                      << int(F::One) << u"0a1b2c3d"_s;
        QTest::newRow("log-out link")
            << u"<a href=\"member.php?mod=logging&amp;action=logout&amp;formhash=9f8e7d6c\">退出</a>"_s << int(F::One)
            << u"9f8e7d6c"_s;
        QTest::newRow("plain ampersand link") << u"x.php?a=1&formhash=abcdef12&b=2"_s << int(F::One) << u"abcdef12"_s;
        QTest::newRow("first parameter") << u"x.php?formhash=abcdef12"_s << int(F::One) << u"abcdef12"_s;
        QTest::newRow("single quotes") << u"<input type='hidden' name='formhash' value='abcdef12'>"_s << int(F::One)
                                       << u"abcdef12"_s;
        QTest::newRow("same token twice")
            << u"<input type=\"hidden\" name=\"formhash\" value=\"0a1b2c3d\" /> &amp;formhash=0a1b2c3d"_s << int(F::One)
            << u"0a1b2c3d"_s;
        QTest::newRow("no token: the older site") << u"<html><title>积分</title><p>formhash</p></html>"_s << int(F::None)
                                                  << QString();
        QTest::newRow("empty page") << QString() << int(F::None) << QString();
        QTest::newRow("script joining an address") << u"url + '&formhash=' + hash"_s << int(F::None) << QString();
        QTest::newRow("seven digits") << u"name=\"formhash\" value=\"0a1b2c3\""_s << int(F::Malformed) << QString();
        QTest::newRow("nine digits") << u"&amp;formhash=0a1b2c3d4"_s << int(F::Malformed) << QString();
        QTest::newRow("not hex") << u"name=\"formhash\" value=\"0a1b2c3z\""_s << int(F::Malformed) << QString();
        QTest::newRow("empty field") << u"name=\"formhash\" value=\"\""_s << int(F::Malformed) << QString();
        QTest::newRow("markup in the value") << u"name=\"formhash\" value=\"<b>0a1b2c3d</b>\""_s << int(F::Malformed)
                                             << QString();
        QTest::newRow("a good one beside a malformed one")
            << u"name=\"formhash\" value=\"0a1b2c3d\" &amp;formhash=zz"_s << int(F::Malformed) << QString();
        QTest::newRow("two different tokens")
            << u"name=\"formhash\" value=\"0a1b2c3d\" &amp;formhash=11111111"_s << int(F::Conflicting) << QString();
    }
    void read()
    {
        QFETCH(QString, page);
        QFETCH(int, found);
        QFETCH(QString, token);
        const FormToken::Reading reading = FormToken::read(page);
        QCOMPARE(int(reading.found), found);
        QCOMPARE(reading.token, token);
    }

    // Only the forum's own refusal page may be sent again: an overloaded server's 503 may have
    // done the work (a second exchange).
    void refusal_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("page");
        QTest::addColumn<bool>("refusal");
        const QString forumPage = u"<title>127.0.0.1 - System Error</title><p>您当前的访问请求当中含有非法字符，已经被系统拒绝</p>"_s;
        QTest::newRow("503 forum refusal") << 503 << forumPage << true;
        QTest::newRow("503 overloaded") << 503 << u"<h1>503 Service Temporarily Unavailable</h1>"_s << false;
        QTest::newRow("503 empty") << 503 << QString() << false;
        QTest::newRow("200 with the text") << 200 << forumPage << false;
        QTest::newRow("500 with the text") << 500 << forumPage << false;
        QTest::newRow("302") << 302 << QString() << false;
    }
    void refusal()
    {
        QFETCH(int, status);
        QFETCH(QString, page);
        QFETCH(bool, refusal);
        QCOMPARE(FormToken::isRefusal(status, page), refusal);
    }

    // A token belongs to the period its page was asked for: a guest token never outlives the
    // welcome, a member token never outlives the drop.
    void tokensBelongToTheirPeriod()
    {
        const QString page = u"<input type=\"hidden\" name=\"formhash\" value=\"0a1b2c3d\" />"_s;
        const QString forumUrl = u"http://127.0.0.1:8101/member.php"_s;
        const quint64 guest = testSession().site().period();
        testSession().site().notePage(forumUrl, page, guest);
        QCOMPARE(testSession().site().token(), u"0a1b2c3d"_s);
        QCOMPARE(testSession().site().tokenOr(u"5c2e9a17"_s), u"0a1b2c3d"_s);

        testSession().site().beginMemberPeriod();
        QVERIFY(testSession().site().isMemberPeriod());
        QVERIFY(testSession().site().token().isEmpty());
        QCOMPARE(testSession().site().tokenOr(u"5c2e9a17"_s), u"5c2e9a17"_s);
        // A guest page that comes back after the welcome is not taken.
        testSession().site().notePage(forumUrl, page, guest);
        QVERIFY(testSession().site().token().isEmpty());

        const quint64 member = testSession().site().period();
        testSession().site().notePage(u"http://127.0.0.1:8102/home.php"_s,
                              u"<a href=\"member.php?mod=logging&amp;action=logout&amp;formhash=9f8e7d6c\">"_s, member);
        QCOMPARE(testSession().site().token(), u"9f8e7d6c"_s);
        QVERIFY(testSession().site().logoutUrl().endsWith(u"&formhash=9f8e7d6c"_s));

        // A refused token is never sent again: today's forum would ignore a log-out without its
        // token, so none is sent.
        testSession().site().forgetToken();
        QVERIFY(testSession().site().token().isEmpty());
        QVERIFY(testSession().site().logoutUrl().isEmpty());
    }

    void onlyTheForumsPagesGiveTokens()
    {
        testSession().site().forgetToken();
        const quint64 now = testSession().site().period();
        const QString page = u"&amp;formhash=0a1b2c3d"_s;
        testSession().site().notePage(u"http://127.0.0.1:8104/version/main.txt"_s, page, now); // software host
        testSession().site().notePage(u"http://127.0.0.2:8101/"_s, page, now);                 // another address
        testSession().site().notePage(u"http://127.0.0.1:9999/"_s, page, now);                 // another port
        QVERIFY(testSession().site().token().isEmpty());
        testSession().site().notePage(u"http://127.0.0.1:8103/"_s, page, now); // the VIP host
        QCOMPARE(testSession().site().token(), u"0a1b2c3d"_s);
    }

    void aBadTokenIsAProblemNotAToken()
    {
        const quint64 now = testSession().site().period();
        testSession().site().notePage(u"http://127.0.0.1:8101/"_s, u"&amp;formhash=0a1b2c3d"_s, now);
        testSession().site().notePage(u"http://127.0.0.1:8101/"_s, u"&amp;formhash=0a1b&amp;formhash=ffffffff"_s, now);
        QVERIFY(testSession().site().token().isEmpty());
        QCOMPARE(testSession().site().problem(), FormToken::Found::Malformed);
        QCOMPARE(SiteSession::fetchMessage(SiteSession::Fetch::BadToken), FormToken::kMessageInvalid);
        // A page without any token says nothing about the problem either way.
        testSession().site().notePage(u"http://127.0.0.1:8101/"_s, u"<p>404</p>"_s, now);
        QCOMPARE(testSession().site().problem(), FormToken::Found::Malformed);
        testSession().site().notePage(u"http://127.0.0.1:8101/"_s, u"&amp;formhash=12345678"_s, now);
        QCOMPARE(testSession().site().problem(), FormToken::Found::None);
        QCOMPARE(testSession().site().token(), u"12345678"_s);
    }
};

QTEST_GUILESS_MAIN(TestFormToken)
#include "test_form_token.moc"
