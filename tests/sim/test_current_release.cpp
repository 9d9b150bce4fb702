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

// A field as a browser sends it from a page in that code page: percent-encoded GBK or UTF-8.
QByteArray field(const char *name, const QString &value, bool utf8)
{
    return utf8 ? QByteArray(name) + '=' + value.toUtf8().toPercentEncoding() : field(name, value);
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

    // A forum in either code page converts nothing it is sent: the fields of 测试用户 (password
    // 中文密码, question 1, answer 王小红) match only in the site's own code page.
    void fieldsMatchOnlyInTheSiteCodePage_data()
    {
        QTest::addColumn<bool>("siteUtf8");
        QTest::addColumn<bool>("sentUtf8");
        QTest::addColumn<QString>("form");
        for (const char *form : {"sign-in", "answer", "profile", "lost password", "exchange"}) {
            for (const bool site : {false, true}) {
                for (const bool sent : {false, true}) {
                    QTest::addRow("%s: %s site, %s sent", form, site ? "utf-8" : "gbk", sent ? "utf-8" : "gbk")
                        << site << sent << QString::fromLatin1(form);
                }
            }
        }
    }
    void fieldsMatchOnlyInTheSiteCodePage()
    {
        QFETCH(bool, siteUtf8);
        QFETCH(bool, sentUtf8);
        QFETCH(QString, form);
        const bool matches = siteUtf8 == sentUtf8;
        SimSiteSettings settings = SimSiteSettings::current();
        settings.utf8 = siteUtf8;
        sim().setSiteSettings(settings);
        SimHttp http;
        const auto signIn = [&](bool nameUtf8, bool answerUtf8) {
            return http.post(sim().url(Role::Forum, kLoginPath),
                             field("formhash", loginForm(http)) + "&referer=http%3A%2F%2Fx%2F&"
                                 + field("username", u"测试用户"_s, nameUtf8) + '&' + field("password", u"中文密码"_s, nameUtf8)
                                 + "&questionid=1&" + field("answer", u"王小红"_s, answerUtf8));
        };
        const int mailBefore = int(sim().mailedUids().size());

        if (form == u"sign-in"_s || form == u"answer"_s) {
            const bool answerOnly = form == u"answer"_s;
            const bool nameUtf8 = answerOnly ? siteUtf8 : sentUtf8;
            const SimReply reply = signIn(nameUtf8, sentUtf8);
            QCOMPARE(reply.text().contains(u"欢迎您回来"_s), matches);
            if (!matches) {
                // A name or password in the other code page is a wrong password, an answer a wrong
                // answer; either is a failed try towards the lock.
                QCOMPARE(reply.piece(3), answerOnly ? u"安全提问或答案不正确，请选择正确的安全提问并填写答案"_s
                                                    : u"登录失败，您还可以尝试 4 次"_s);
                QCOMPARE(sim().state().recentFailures(u"127.0.0.1"_s), 1);
            }
            // What went out, byte for byte, in the log: 测 is %E6%B5%8B in UTF-8, %B2%E2 in GBK.
            const QByteArray listing = http.get(sim().url(Role::Main, u"/__sim/requests"_s)).body;
            const QByteArray name = nameUtf8 ? "username=%E6%B5%8B%E8%AF%95%E7%94%A8%E6%88%B7&" : "username=%B2%E2%CA%D4%D3%C3%BB%A7&";
            const QByteArray answer = sentUtf8 ? "answer=%E7%8E%8B%E5%B0%8F%E7%BA%A2\n" : "answer=%CD%F5%D0%A1%BA%EC\n";
            QVERIFY2(listing.contains(name) && listing.contains(answer), listing.constData());
        } else if (form == u"profile"_s) {
            // Private profiles: a guest still tells a known name from an unknown one.
            const SimReply page = http.get(sim().url(Role::Home, u"/home.php?mod=space&"_s
                                                                    + QString::fromLatin1(field("username", u"测试用户"_s, sentUtf8))
                                                                    + u"&do=profile"_s));
            QVERIFY(page.text().contains(matches ? u"<div id=\"messagetext\" class=\"alert_info\">\n<p>抱歉，您需要登录后才能查看"_s
                                                 : u"<div id=\"messagetext\" class=\"alert_error\">\n<p>抱歉，您指定的用户空间不存在"_s));
        } else if (form == u"lost password"_s) {
            const SimReply reply = http.post(sim().url(Role::Forum, kLostPasswordPath),
                                             field("formhash", loginForm(http)) + "&handlekey=lostpwform&"
                                                 + field("email", u"ceshi@example.com"_s) + '&'
                                                 + field("username", u"测试用户"_s, sentUtf8) + "&lostpwsubmit=true");
            QCOMPARE(reply.text().contains(u"succeedhandle_lostpwform"_s), matches);
            if (!matches)
                QCOMPARE(reply.piece(3), u"抱歉，您填写的用户名与 Email 不匹配，无法取回密码"_s);
            QCOMPARE(sim().mailedUids().size(), mailBefore + (matches ? 1 : 0));
        } else {
            QVERIFY(signIn(siteUtf8, siteUtf8).text().contains(u"欢迎您回来"_s));
            const SimReply reply = http.post(sim().url(Role::Home, kExchangePath),
                                             field("formhash", memberToken(http))
                                                 + "&operation=exchange&exchangesubmit=true&outi=0&exchangeamount=8"
                                                   "&tocredits=1&fromcredits=4&"
                                                 + field("password", u"中文密码"_s, sentUtf8) + "&exchangesubmit_btn=true");
            QCOMPARE(reply.text().contains(u"succeedhandle_credit"_s), matches);
            if (!matches)
                QCOMPARE(reply.piece(3), u"密码错误，无法进行积分兑换，请返回修改"_s);
            QCOMPARE(sim().member(u"测试用户"_s)->za, matches ? 20 : 22);
            QCOMPARE(sim().member(u"测试用户"_s)->quorvelbi, matches ? 96 : 88);
        }
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
        QVERIFY(reply.text().contains(u"legacy=0 guestprofiles=0 uidlogin=1 autofield=0 creditbuying=1 charset=gbk"_s));
        QCOMPARE(http.get(sim().url(Role::Soft, u"/__sim/site?uidlogin=yes"_s)).status, 400);
        QCOMPARE(http.get(sim().url(Role::Soft, u"/__sim/reset"_s)).status, 200);
        QVERIFY(sim().siteSettings().uidLogin); // kept by the reset

        // The code page: its own switch, kept by a mode and by the reset.
        reply = http.get(sim().url(Role::Soft, u"/__sim/site?charset=utf-8"_s));
        QVERIFY(reply.text().endsWith(u" charset=utf-8\n"_s));
        QVERIFY(sim().siteSettings().utf8);
        QVERIFY(http.get(sim().url(Role::Soft, u"/__sim/site?mode=legacy"_s)).text().contains(u"legacy=1"_s));
        QVERIFY(sim().siteSettings().utf8);
        QVERIFY(sim().siteSettings().legacy);
        QCOMPARE(http.get(sim().url(Role::Soft, u"/__sim/site?mode=current&charset=big5"_s)).status, 400);
        QVERIFY(sim().siteSettings().legacy); // a refused request changes nothing
        QCOMPARE(http.get(sim().url(Role::Soft, u"/__sim/reset"_s)).status, 200);
        QVERIFY(sim().siteSettings().utf8);
        QCOMPARE(http.get(sim().url(Role::Soft, u"/__sim/site?mode=current"_s)).status, 200);
        QVERIFY(sim().siteSettings().utf8);

        // Today's release in UTF-8: the 503 page too is written and declared in it.
        const SimReply refused = login(http, u"00000000"_s, u"alice"_s, u"alice123"_s);
        QCOMPARE(refused.status, 503);
        QCOMPARE(refused.contentType, QByteArray("text/html; charset=utf-8"));
        QVERIFY(refused.body.contains("<meta charset=\"utf-8\" />"));
        QVERIFY(refused.body.contains(u"已经被系统拒绝"_s.toUtf8()));
        const SimReply form = http.get(sim().url(Role::Forum, kLoginFormPath));
        QCOMPARE(form.contentType, QByteArray("text/xml; charset=utf-8"));
        QVERIFY(form.body.startsWith("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<root><![CDATA["));
        QVERIFY(form.body.contains(u"母亲的名字"_s.toUtf8()));

        QCOMPARE(http.get(sim().url(Role::Soft, u"/__sim/site?charset=GBK"_s)).status, 200);
        QVERIFY(!sim().siteSettings().utf8);
    }
};

QTEST_GUILESS_MAIN(TestCurrentRelease)
#include "test_current_release.moc"
