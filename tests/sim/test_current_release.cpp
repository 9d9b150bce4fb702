// The simulated forum as today's release of the forum software answers after installation: form
// tokens bound to the salt cookie and the member, the 503 page, the log-out's rules, private
// profiles, UID sign-in settings and the credit pages of a site that sells no credits.
#include "rules/FormToken.h"
#include "SimFixture.h"
#include "SimHttp.h"

#include <QRegularExpression>
#include <QtTest>

#include <memory>

using Role = ForumSimulator::Role;
using namespace Qt::StringLiterals;

namespace {

const QString kLoginFormPath = u"/member.php?mod=logging&action=login&infloat=yes&handlekey=login&inajax=1"_s;
const QString kLoginPath = u"/member.php?mod=logging&action=login&loginsubmit=yes&handlekey=login&loginhash=Qm7tW&inajax=1"_s;
const QString kExchangePath = u"/home.php?mod=spacecp&ac=credit&op=exchange&handlekey=credit&inajax=1"_s;
const QString kLostPasswordPath = u"/member.php?mod=lostpasswd&lostpwsubmit=yes&infloat=yes&inajax=1"_s;
const QString kBadOrigin = u"抱歉，您的请求来路不正确或表单验证串不符，无法提交"_s;

QString tokenOf(const SimReply &reply)
{
    const FormToken::Reading reading = FormToken::read(reply.text());
    return reading.found == FormToken::Found::One ? reading.token : QString();
}

QByteArray field(const char *name, const QString &value)
{
    return QByteArray(name) + '=' + CodePage::percentEncode(value);
}

} // namespace

class TestCurrentRelease : public QObject
{
    Q_OBJECT

    std::unique_ptr<SimFixture> fx;
    ForumSimulator &sim() { return fx->sim(); }

    QString loginForm(SimHttp &http) { return tokenOf(http.get(sim().url(Role::Forum, kLoginFormPath))); }
    SimReply login(SimHttp &http, const QString &token, const QString &account, const QString &password,
                   const QByteArray &extra = {})
    {
        QByteArray body = token.isNull() ? QByteArray() : field("formhash", token) + '&';
        body += "referer=http%3A%2F%2Fx%2F&" + field("username", account) + '&' + field("password", password) + extra;
        return http.post(sim().url(Role::Forum, kLoginPath), body);
    }
    SimReply exchange(SimHttp &http, const QString &token, const QByteArray &amount)
    {
        QByteArray body = token.isNull() ? QByteArray() : field("formhash", token) + '&';
        body += "operation=exchange&exchangesubmit=true&outi=0&exchangeamount=" + amount
            + "&tocredits=1&fromcredits=4&password=alice123&exchangesubmit_btn=true";
        return http.post(sim().url(Role::Home, kExchangePath), body);
    }
    QString memberToken(SimHttp &http) { return tokenOf(http.get(sim().url(Role::Forum, u"/forum.php"_s))); }

private slots:
    void init()
    {
        fx = std::make_unique<SimFixture>();
        QVERIFY(fx->isRunning());
        QCOMPARE(sim().siteSettings(), SimSiteSettings::current()); // the default
    }
    void cleanup() { fx.reset(); }

    void tokensAreBoundToSaltAndMember()
    {
        SimHttp a;
        SimHttp b;
        const QString guestA = loginForm(a);
        QVERIFY(FormToken::isWellFormed(guestA));
        // The login form carries it twice (login and lost-password layers), with the same value.
        QCOMPARE(a.get(sim().url(Role::Forum, kLoginFormPath)).text().count(u"name=\"formhash\""_s), 2);
        QCOMPARE(loginForm(a), guestA); // one token serves many requests
        QVERIFY(loginForm(b) != guestA); // another salt cookie, another token
        // Every full page of every role carries the session's token.
        QCOMPARE(tokenOf(a.get(sim().url(Role::Home, u"/home.php?mod=space&uid=1234&do=profile"_s))), guestA);
        QCOMPARE(tokenOf(a.get(sim().url(Role::Vip, u"/"_s))), guestA);

        QVERIFY(login(a, guestA, u"alice"_s, u"alice123"_s).text().contains(u"欢迎您回来"_s));
        const QString memberA = memberToken(a);
        QVERIFY(FormToken::isWellFormed(memberA));
        QVERIFY(memberA != guestA);
        const auto log = sim().requestsTo("/forum.php");
        QCOMPARE(log.last().tokenCheck, SimTokenCheck::None);
        QCOMPARE(QString::fromLatin1(log.last().sessionFormHash), memberA);
    }

    void aWrongTokenIs503AndNothingHappens()
    {
        SimHttp http;
        const QString guest = loginForm(http);
        for (const QString &bad : {u"5c2e9a17"_s, QString(u""_s), u"00000000"_s}) {
            const SimReply reply = login(http, bad, u"alice"_s, u"wrong"_s);
            QCOMPARE(reply.status, 503);
            QVERIFY(reply.text().contains(u"您当前的访问请求当中含有非法字符，已经被系统拒绝"_s));
            QVERIFY(reply.text().contains(u"System Error"_s));
            QCOMPARE(sim().requests().last().tokenCheck, SimTokenCheck::Refused);
        }
        // No try was counted: the refusal still offers all five.
        QVERIFY(login(http, guest, u"alice"_s, u"wrong"_s).text().contains(u"登录失败，您还可以尝试 4 次"_s));
        QCOMPARE(sim().requests().last().tokenCheck, SimTokenCheck::Valid);
        // Any request, a page too.
        QCOMPARE(http.get(sim().url(Role::Home, u"/home.php?mod=space&uid=1&formhash=12345678"_s)).status, 503);
        // A guest token after the sign-in is stale.
        QVERIFY(login(http, guest, u"alice"_s, u"alice123"_s).text().contains(u"欢迎您回来"_s));
        QCOMPARE(exchange(http, guest, "8").status, 503);
        QCOMPARE(sim().member(u"alice"_s)->za, 40);
    }

    void theLoginPassesWithoutTokenButNotWithRefusedCharacters()
    {
        sim().addMember({555, u"paren"_s, u"x(y)'\"<>"_s, 0, {}, u"paren@example.com"_s, u"注册会员"_s, 11, 1, 1, 0, {}, false});
        SimHttp http;
        QVERIFY(login(http, QString(), u"alice"_s, u"alice123"_s).text().contains(u"欢迎您回来"_s));
        SimHttp other;
        const SimReply refused = login(other, QString(), u"paren"_s, u"x(y)'\"<>"_s);
        QCOMPARE(refused.status, 503);
        // Characters that arrive encoded twice ("%28" typed is "%2528" on the wire) are refused too.
        QCOMPARE(login(other, QString(), u"paren"_s, u"%28"_s).status, 503);
        // With the session's token the same password is simply checked.
        QVERIFY(login(other, loginForm(other), u"paren"_s, u"x(y)'\"<>"_s).text().contains(u"欢迎您回来"_s));
    }

    void lostPasswordAndExchangeWantTheToken()
    {
        SimHttp http;
        const QString guest = loginForm(http);
        const QByteArray lost = "handlekey=lostpwform&" + field("email", u"alice@example.com"_s) + "&username=alice&lostpwsubmit=true";
        SimReply reply = http.post(sim().url(Role::Forum, kLostPasswordPath), lost);
        QVERIFY(reply.text().contains(u"errorhandle_lostpwform('"_s + kBadOrigin));
        QVERIFY(sim().mailedUids().isEmpty());
        reply = http.post(sim().url(Role::Forum, kLostPasswordPath), field("formhash", guest) + '&' + lost);
        QVERIFY(reply.text().contains(u"succeedhandle_lostpwform"_s));
        QCOMPARE(sim().mailedUids(), QList<int>{1234});

        QVERIFY(login(http, guest, u"alice"_s, u"alice123"_s).text().contains(u"欢迎您回来"_s));
        reply = exchange(http, QString(), "8");
        QVERIFY(reply.text().contains(u"errorhandle_credit('"_s + kBadOrigin));
        const QString member = memberToken(http);
        QCOMPARE(exchange(http, member, "abc").status, 503); // not a number: the error page
        QCOMPARE(sim().member(u"alice"_s)->za, 40);
        for (int i = 0; i < 3; ++i) // the same token serves every post of the session
            QVERIFY(exchange(http, member, "8").text().contains(u"succeedhandle_credit"_s));
        QCOMPARE(sim().member(u"alice"_s)->za, 34);
        QCOMPARE(sim().member(u"alice"_s)->quorvelbi, 144);
    }

    void aRefererFromAnotherHostIsRefused()
    {
        SimHttp http;
        const QString guest = loginForm(http);
        const SimReply reply = http.post(sim().url(Role::Forum, kLostPasswordPath),
                                         field("formhash", guest) + "&handlekey=lostpwform&email=alice%40example.com&username=alice",
                                         {{"Referer", "http://elsewhere.example/"}});
        QVERIFY(reply.text().contains(kBadOrigin));
        // The same host on another port is the same site.
        const QByteArray sameHost = "http://127.0.0.1:1/";
        QVERIFY(!http.post(sim().url(Role::Forum, kLostPasswordPath),
                           field("formhash", guest) + "&handlekey=lostpwform&email=x%40y&username=alice", {{"Referer", sameHost}})
                     .text()
                     .contains(kBadOrigin));
        QVERIFY(sim().mailedUids().isEmpty());
    }

    void logoutEndsTheSessionOnlyWithItsToken()
    {
        SimHttp http;
        QVERIFY(login(http, loginForm(http), u"alice"_s, u"alice123"_s).text().contains(u"欢迎您回来"_s));
        QCOMPARE(sim().state().openSessionCount(), 1);
        const QByteArray auth = http.cookieValue(sim().authCookieName());
        const QString logout = u"/member.php?mod=logging&action=logout&formhash="_s;

        // The fixed token: back to the front page, still signed in.
        SimReply reply = http.get(sim().url(Role::Forum, logout + u"5c2e9a17"_s));
        QCOMPARE(reply.status, 302);
        QVERIFY(reply.setCookies.isEmpty());
        // No token: the page says goodbye, nothing is deleted.
        reply = http.get(sim().url(Role::Forum, u"/member.php?mod=logging&action=logout"_s));
        QCOMPARE(reply.status, 200);
        QVERIFY(reply.text().contains(u"您已退出站点"_s));
        QVERIFY(reply.setCookies.isEmpty());
        QCOMPARE(sim().state().openSessionCount(), 1);

        const QString member = memberToken(http);
        reply = http.get(sim().url(Role::Forum, logout + member));
        QCOMPARE(reply.status, 200);
        QVERIFY(reply.setCookies.join('\n').contains(QByteArray(sim().authCookieName() + "=deleted")));
        QCOMPARE(sim().state().openSessionCount(), 0);
        QVERIFY(sim().state().isSignedOut(auth));
        // The page still shows the old token, now of no use.
        QCOMPARE(tokenOf(reply), member);
    }

    void privateProfilesTellKnownFromUnknown()
    {
        SimHttp http;
        const auto notice = [&](const QString &query) -> QString {
            const QString page = http.get(sim().url(Role::Home, u"/home.php?mod=space&"_s + query + u"&do=profile"_s)).text();
            static const QRegularExpression div(uR"re(<div id="messagetext" class="(\w+)">\n<p>([^<]*)</p>)re"_s);
            const QRegularExpressionMatch m = div.match(page);
            if (page.contains(u"(UID: "_s) || !page.contains(u"<title>提示信息 - "_s))
                return u"NOT A NOTICE PAGE"_s;
            return m.captured(1) + u' ' + m.captured(2);
        };
        QCOMPARE(notice(u"uid=1234"_s), u"alert_info 抱歉，您需要登录后才能查看"_s);
        QCOMPARE(notice(u"username=alice"_s), u"alert_info 抱歉，您需要登录后才能查看"_s);
        QCOMPARE(notice(u"username=%D0%A1%C3%F7"_s), u"alert_info 抱歉，您需要登录后才能查看"_s); // 小明 in GBK
        QCOMPARE(notice(u"uid=99999"_s), u"alert_error 抱歉，您指定的用户空间不存在"_s);
        QCOMPARE(notice(u"username=nobody"_s), u"alert_error 抱歉，您指定的用户空间不存在"_s);
        QCOMPARE(notice(u"uid=0"_s), u"alert_info 请先登录后才能继续浏览"_s);
        QCOMPARE(notice(u"uid=abc"_s), u"alert_info 请先登录后才能继续浏览"_s);

        // Signed in, or on a site whose guests may view them, the profile itself.
        sim().setSiteSettings({false, true, false, false, false});
        QVERIFY(http.get(sim().url(Role::Home, u"/home.php?mod=space&uid=1234&do=profile"_s)).text().contains(u"(UID: 1234)"_s));
    }

    void signInByUidFollowsTheSettings_data()
    {
        QTest::addColumn<bool>("uidLogin");
        QTest::addColumn<bool>("autoField");
        QTest::addColumn<QByteArray>("loginField");
        QTest::addColumn<QString>("account");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("signsIn");
        // The table of the forum's behaviour: UID sign-in off reads every number as a name.
        QTest::newRow("off: uid fails") << false << false << QByteArray("auto") << u"1234"_s << u"alice123"_s << false;
        QTest::newRow("off: numeric name") << false << false << QByteArray("auto") << u"10086"_s << u"num222"_s << true;
        QTest::newRow("off: loginfield uid is ignored") << false << false << QByteArray("uid") << u"10086"_s << u"num222"_s << true;
        QTest::newRow("on, uid: uid") << true << false << QByteArray("uid") << u"1234"_s << u"alice123"_s << true;
        QTest::newRow("on, uid: name refused") << true << false << QByteArray("uid") << u"10086"_s << u"num222"_s << false;
        QTest::newRow("on, auto: uid") << true << false << QByteArray("auto") << u"1234"_s << u"alice123"_s << true;
        QTest::newRow("on, auto: name") << true << false << QByteArray("auto") << u"10086"_s << u"num222"_s << true;
        QTest::newRow("on, username field: uid fails") << true << false << QByteArray("username") << u"1234"_s << u"alice123"_s << false;
        QTest::newRow("automatic field: uid") << true << true << QByteArray("username") << u"1234"_s << u"alice123"_s << true;
        QTest::newRow("email") << false << false << QByteArray("email") << u"alice@example.com"_s << u"alice123"_s << true;
    }
    void signInByUidFollowsTheSettings()
    {
        QFETCH(bool, uidLogin);
        QFETCH(bool, autoField);
        QFETCH(QByteArray, loginField);
        QFETCH(QString, account);
        QFETCH(QString, password);
        QFETCH(bool, signsIn);
        sim().setSiteSettings({false, false, uidLogin, autoField, false});
        SimHttp http;
        const SimReply reply = login(http, loginForm(http), account, password, "&loginfield=" + loginField);
        QCOMPARE(reply.text().contains(u"欢迎您回来"_s), signsIn);
        if (!signsIn)
            QVERIFY(reply.text().contains(u"登录失败，您还可以尝试 4 次"_s));
    }

    void creditPagesOfASiteThatSellsNone()
    {
        SimHttp http;
        const QString guestPage = http.get(sim().url(Role::Home, u"/home.php?mod=spacecp&ac=credit&op=exchange"_s)).text();
        QVERIFY(guestPage.contains(u"您需要先登录才能继续本操作"_s));
        QVERIFY(!guestPage.contains(u"creditl"_s));

        QVERIFY(login(http, loginForm(http), u"alice"_s, u"alice123"_s).text().contains(u"欢迎您回来"_s));
        const QString buy = http.get(sim().url(Role::Home, u"/home.php?mod=spacecp&ac=credit&op=buy"_s)).text();
        QVERIFY(buy.contains(u"class=\"alert_error\""_s));
        QVERIFY(buy.contains(u"抱歉，站点尚未开启此功能或此功能已被管理员禁止"_s));
        QVERIFY(!buy.contains(u"creditl mtm bbda cl"_s));

        const SimReply exchangePage = http.get(sim().url(Role::Home, u"/home.php?mod=spacecp&ac=credit&op=exchange"_s));
        const QString page = exchangePage.text();
        QVERIFY(page.contains(u"<ul class=\"creditl mtm bbda cl\"><li><em> Quorvel币: </em>120 </li>\r\n"_s));
        QVERIFY(page.contains(u"<li><em> za: </em>40 </li>"_s));
        QVERIFY(!page.contains(u"<em>积分: </em>"_s)); // no total
        QVERIFY(page.contains(u"id=\"exchangeform\""_s));
        QCOMPARE(tokenOf(exchangePage), memberToken(http));

        const QString base = http.get(sim().url(Role::Home, u"/home.php?mod=spacecp&ac=credit&op=base"_s)).text();
        QVERIFY(base.contains(u"<li class=\"xi1 cl\"><em> Quorvel币: </em>120"_s));
        QVERIFY(base.contains(u"<em>积分: </em>280"_s));

        sim().setSiteSettings({false, false, false, false, true});
        QVERIFY(http.get(sim().url(Role::Home, u"/home.php?mod=spacecp&ac=credit&op=buy"_s)).text().contains(u"creditl mtm bbda cl"_s));
    }

    void theOlderSiteCarriesNoTokens()
    {
        sim().setSiteSettings(SimSiteSettings::older());
        SimHttp http;
        const QString form = http.get(sim().url(Role::Forum, kLoginFormPath)).text();
        QVERIFY(form.contains(u"name=\"password\""_s));
        QCOMPARE(FormToken::read(form).found, FormToken::Found::None);
        QCOMPARE(FormToken::read(http.get(sim().url(Role::Vip, u"/"_s)).text()).found, FormToken::Found::None);
        QVERIFY(login(http, u"5c2e9a17"_s, u"alice"_s, u"alice123"_s).text().contains(u"欢迎您回来"_s));
        QCOMPARE(sim().requests().last().tokenCheck, SimTokenCheck::Fixed);
        QCOMPARE(FormToken::read(http.get(sim().url(Role::Forum, u"/forum.php"_s)).text()).found, FormToken::Found::None);
    }

    void siteControlRequest()
    {
        SimHttp http;
        SimReply reply = http.get(sim().url(Role::Soft, u"/__sim/site?mode=legacy"_s));
        QCOMPARE(reply.status, 200);
        QCOMPARE(sim().siteSettings(), SimSiteSettings::older());
        reply = http.get(sim().url(Role::Soft, u"/__sim/site?mode=current&uidlogin=1&creditbuying=1"_s));
        QVERIFY(reply.text().contains(u"legacy=0 guestprofiles=0 uidlogin=1 autofield=0 creditbuying=1"_s));
        QCOMPARE(http.get(sim().url(Role::Soft, u"/__sim/site?uidlogin=yes"_s)).status, 400);
        QCOMPARE(http.get(sim().url(Role::Soft, u"/__sim/reset"_s)).status, 200);
        QVERIFY(sim().siteSettings().uidLogin); // kept by the reset
    }
};

QTEST_GUILESS_MAIN(TestCurrentRelease)
#include "test_current_release.moc"
