// The simulated forum answers as the client's reading rules need: sign-in replies by apostrophe
// pieces, cookies and member pages, exchange charges, lost-password refusals, profiles, avatars,
// the version file, and the log of what the client sent.
#include "SimFixture.h"
#include "SimHttp.h"

#include <QImage>
#include <QRegularExpression>
#include <QtTest>

#include <memory>

using Role = ForumSimulator::Role;

namespace {

const QString kLoginPath = QStringLiteral(
    "/member.php?mod=logging&action=login&loginsubmit=yes&handlekey=login&loginhash=Qm7tW&inajax=1");
const QString kExchangePath = QStringLiteral("/home.php?mod=spacecp&ac=credit&op=exchange&handlekey=credit&inajax=1");
const QString kLostPasswordPath = QStringLiteral("/member.php?mod=lostpasswd&lostpwsubmit=yes&infloat=yes&inajax=1");
const QString kCreditPath = QStringLiteral("/home.php?mod=spacecp&ac=credit&op=buy");

// The client's tag removal on the status piece (case-insensitive font and bold tags).
QString withoutFontAndBold(QString text)
{
    text.remove(QRegularExpression(QStringLiteral("</?font[^<>]*>"), QRegularExpression::CaseInsensitiveOption));
    text.remove(QRegularExpression(QStringLiteral("</?b[^<>]*>"), QRegularExpression::CaseInsensitiveOption));
    return text;
}

// The text after the first marker, up to the next occurrence of end (exclusive).
QString between(const QString &text, const QString &marker, const QString &end)
{
    const qsizetype start = text.indexOf(marker);
    if (start < 0)
        return {};
    const qsizetype from = start + marker.size();
    const qsizetype stop = text.indexOf(end, from);
    return text.mid(from, stop < 0 ? -1 : stop - from);
}

QString dialogMessage(const QString &reply)
{
    return between(reply, QStringLiteral("showDialog('"), QStringLiteral("'"));
}

// A typed text as a browser sends it from a page in that code page: percent-encoded GBK or UTF-8.
QByteArray encoded(const QString &text, bool utf8)
{
    return utf8 ? text.toUtf8().toPercentEncoding() : CodePage::percentEncode(text);
}

} // namespace

class TestForumSimulator : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<SimFixture> fx;
    ForumSimulator &sim() { return fx->sim(); }

    QByteArray loginBody(const QString &account, const QString &password, int question = 0, const QString &answer = {},
                         bool utf8 = false)
    {
        QByteArray body = "formhash=5c2e9a17&referer=http%3A%2F%2F" + sim().hostAndPort(Role::Forum).toLatin1().replace(":", "%3A")
            + "%2F&username=" + encoded(account, utf8) + "&password=" + encoded(password, utf8);
        if (question)
            body += "&questionid=" + QByteArray::number(question) + "&answer=" + encoded(answer, utf8);
        return body;
    }
    // The older site, in the code page named ("gbk" or "utf-8").
    void useOlderSiteIn(const QByteArray &charset)
    {
        SimSiteSettings site = SimSiteSettings::older();
        site.utf8 = charset == "utf-8";
        sim().setSiteSettings(site);
    }
    SimReply login(SimHttp &http, const QString &account, const QString &password, int question = 0,
                   const QString &answer = {})
    {
        return http.post(sim().url(Role::Forum, kLoginPath), loginBody(account, password, question, answer));
    }
    SimReply exchange(SimHttp &http, const QByteArray &amount, const QString &password, const QByteArray &token = "7b41e0c3")
    {
        return http.post(sim().url(Role::Home, kExchangePath),
                         "formhash=" + token + "&operation=exchange&exchangesubmit=true&outi=0&exchangeamount=" + amount
                             + "&tocredits=1&fromcredits=4&password=" + CodePage::percentEncode(password)
                             + "&exchangesubmit_btn=true");
    }
    SimReply lostPassword(SimHttp &http, const QString &name, const QString &email)
    {
        return http.post(sim().url(Role::Forum, kLostPasswordPath),
                         "formhash=e93f2d06&handlekey=lostpwform&email=" + CodePage::percentEncode(email)
                             + "&username=" + CodePage::percentEncode(name) + "&lostpwsubmit=true");
    }

private slots:
    void init()
    {
        fx = std::make_unique<SimFixture>();
        QVERIFY(fx->isRunning());
        // These cases are the older site's: fixed tokens, public profiles, credits for sale.
        fx->sim().setSiteSettings(SimSiteSettings::older());
    }
    void cleanup() { fx.reset(); }

    void configuresTheClientOnSixPorts()
    {
        QSet<quint16> ports;
        for (int i = 0; i < kSimRoleCount; ++i)
            ports.insert(sim().port(Role(i)));
        QCOMPARE(ports.size(), kSimRoleCount);
        QVERIFY(!ports.contains(0));
        const QStringList args = sim().clientArguments();
        QCOMPARE(args.value(args.indexOf(QStringLiteral("--forum-host")) + 1), sim().hostAndPort(Role::Forum));
        QCOMPARE(args.value(args.indexOf(QStringLiteral("--probe-url")) + 1),
                 QStringLiteral("http://127.0.0.1:%1/").arg(sim().port(Role::Probe)));
    }

    void loginSuccessPieces_data()
    {
        QTest::addColumn<QString>("account");
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("question");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("uid");
        QTest::addColumn<bool>("banned");
        QTest::addColumn<QByteArray>("charset"); // the site's, and the bytes the fields go in
        const QByteArray gbk("gbk");
        const QByteArray utf8("utf-8");
        QTest::newRow("ordinary") << "alice" << "alice123" << 0 << QString() << "alice" << 1234 << false << gbk;
        QTest::newRow("name any case") << "ALICE" << "alice123" << 0 << QString() << "alice" << 1234 << false << gbk;
        QTest::newRow("vip, font group") << "vipbob" << "bob456" << 0 << QString() << "vipbob" << 42 << false << gbk;
        QTest::newRow("svip, font and bold") << "svipcarol" << "carol789" << 0 << QString() << "svipcarol" << 12345 << false << gbk;
        QTest::newRow("security question") << "dave" << "dave000" << 3 << QStringLiteral("上海") << "dave" << 7 << false << gbk;
        QTest::newRow("banned group") << "eve" << "eve111" << 0 << QString() << "eve" << 123 << true << gbk;
        QTest::newRow("numeric name") << "10086" << "num222" << 0 << QString() << "10086" << 2048 << false << gbk;
        QTest::newRow("uid as account") << "2048" << "num222" << 0 << QString() << "10086" << 2048 << false << gbk;
        const QString xiaoming = QStringLiteral("小明");
        QTest::newRow("chinese name, form characters")
            << xiaoming << QStringLiteral("xm&=+%密码") << 0 << QString() << xiaoming << 888 << false << gbk;
        // Name, password and answer in the site's code page, on either (the older site in UTF-8 too).
        const QString ceshi = QStringLiteral("测试用户");
        QTest::newRow("gbk: chinese name, password and answer")
            << ceshi << QStringLiteral("中文密码") << 1 << QStringLiteral("王小红") << ceshi << 666 << false << gbk;
        QTest::newRow("utf-8: chinese name, password and answer")
            << ceshi << QStringLiteral("中文密码") << 1 << QStringLiteral("王小红") << ceshi << 666 << false << utf8;
        QTest::newRow("utf-8: chinese name, form characters")
            << xiaoming << QStringLiteral("xm&=+%密码") << 0 << QString() << xiaoming << 888 << false << utf8;
        QTest::newRow("utf-8: ascii") << "vipbob" << "bob456" << 0 << QString() << "vipbob" << 42 << false << utf8;
        QTest::newRow("utf-8: uid as account") << "2048" << "num222" << 0 << QString() << "10086" << 2048 << false << utf8;
    }
    void loginSuccessPieces()
    {
        QFETCH(QString, account);
        QFETCH(QString, password);
        QFETCH(int, question);
        QFETCH(QString, answer);
        QFETCH(QString, name);
        QFETCH(int, uid);
        QFETCH(bool, banned);
        QFETCH(QByteArray, charset);
        useOlderSiteIn(charset);
        SimHttp http;
        const SimReply reply =
            http.post(sim().url(Role::Forum, kLoginPath), loginBody(account, password, question, answer, charset == "utf-8"));
        QCOMPARE(reply.status, 200);
        QCOMPARE(reply.contentType, QByteArray("text/xml; charset=" + charset));
        // The reply's text in the site's code page: the name's own bytes, declared.
        QVERIFY(reply.body.startsWith(QByteArray("<?xml version=\"1.0\" encoding=\"" + charset + "\"?>\n<root><![CDATA[")));
        QVERIFY(reply.body.contains(charset == "utf-8" ? name.toUtf8() : CodePage::toAnsi(name)));
        const QString text = reply.text();
        QVERIFY(text.endsWith(QStringLiteral("]]></root>")));
        QVERIFY(text.contains(QStringLiteral("欢迎您回来")));
        QVERIFY(text.contains(QStringLiteral("succeedhandle_login")));
        const QStringList pieces = reply.pieces();
        QCOMPARE(pieces.size(), 35);
        QCOMPARE(pieces.at(9), name);
        QCOMPARE(pieces.at(13), sim().member(name)->group);
        QCOMPARE(pieces.at(17), QString::number(uid));
        // The greeting is piece 5 and 29 and names group and member.
        QCOMPARE(pieces.at(5), pieces.at(29));
        QVERIFY(pieces.at(5).contains(pieces.at(13) + QLatin1Char(' ') + name));
        QCOMPARE(withoutFontAndBold(pieces.at(13)).contains(QStringLiteral("禁止")), banned);
        QVERIFY(!withoutFontAndBold(pieces.at(13)).contains(QLatin1Char('<')));
        QVERIFY(!http.cookieValue(ForumSimulator::authCookieName()).isEmpty());
    }

    void loginRefusals()
    {
        SimHttp http;
        const SimReply wrong = login(http, QStringLiteral("alice"), QStringLiteral("wrong"));
        QCOMPARE(wrong.pieces().size(), 9);
        QVERIFY(wrong.text().contains(QStringLiteral("失败")));
        QVERIFY(wrong.text().contains(QStringLiteral("errorhandle_login")));
        QCOMPARE(wrong.piece(3), QStringLiteral("登录失败，您还可以尝试 4 次"));
        QCOMPARE(wrong.piece(5), QStringLiteral("loginperm"));
        QCOMPARE(wrong.piece(7), QStringLiteral("4"));
        // The client's failure rule: CDATA text before "<script ".
        QCOMPARE(between(wrong.text(), QStringLiteral("CDATA["), QStringLiteral("<script ")), wrong.piece(3));
        QVERIFY(http.cookieValue(ForumSimulator::authCookieName()).isEmpty());

        const SimReply unknown = login(http, QStringLiteral("nobody"), QStringLiteral("wrong"));
        QCOMPARE(unknown.piece(3), QStringLiteral("登录失败，您还可以尝试 3 次"));

        // Security-question refusals: error callback, no "失败". (Fresh tries: five failures lock.)
        sim().resetState();
        const SimReply noAnswer = login(http, QStringLiteral("dave"), QStringLiteral("dave000"));
        const SimReply wrongAnswer = login(http, QStringLiteral("dave"), QStringLiteral("dave000"), 3, QStringLiteral("北京"));
        const SimReply wrongQuestion = login(http, QStringLiteral("dave"), QStringLiteral("dave000"), 2, QStringLiteral("上海"));
        for (const SimReply *reply : {&noAnswer, &wrongAnswer, &wrongQuestion}) {
            QVERIFY(!reply->text().contains(QStringLiteral("失败")));
            QVERIFY(!reply->text().contains(QStringLiteral("欢迎您回来")));
            QVERIFY(reply->text().contains(QStringLiteral("errorhandle_login")));
            QVERIFY(!reply->piece(3).isEmpty());
        }
        QVERIFY(noAnswer.piece(3) != wrongAnswer.piece(3));
        QCOMPARE(wrongQuestion.piece(3), wrongAnswer.piece(3));
    }

    void fiveFailuresLockSignInForFifteenMinutes()
    {
        SimHttp http;
        for (int left = 4; left >= 1; --left)
            QCOMPARE(login(http, QStringLiteral("alice"), QStringLiteral("bad")).piece(7), QString::number(left));
        const SimReply fifth = login(http, QStringLiteral("vipbob"), QStringLiteral("bad"));
        const SimReply correct = login(http, QStringLiteral("alice"), QStringLiteral("alice123"));
        for (const SimReply *reply : {&fifth, &correct}) {
            QVERIFY(!reply->text().contains(QStringLiteral("失败")));
            QVERIFY(!reply->text().contains(QStringLiteral("欢迎您回来")));
            QVERIFY(reply->piece(3).contains(QStringLiteral("15 分钟")));
            QCOMPARE(reply->pieces().size(), 5); // empty extra: {}
        }
        sim().advanceTime(14 * 60);
        QVERIFY(login(http, QStringLiteral("alice"), QStringLiteral("alice123")).piece(3).contains(QStringLiteral("15 分钟")));
        sim().advanceTime(2 * 60);
        QVERIFY(login(http, QStringLiteral("alice"), QStringLiteral("alice123")).text().contains(QStringLiteral("欢迎您回来")));
    }

    void cookiesGuardMemberPagesAndSignOutDeletesThem()
    {
        SimHttp http;
        const SimReply first = http.get(sim().url(Role::Home, QStringLiteral("/home.php?mod=space&uid=42&do=profile")));
        const QByteArray salt = ForumSimulator::saltCookieName();
        QVERIFY(std::any_of(first.setCookies.cbegin(), first.setCookies.cend(), [&](const QByteArray &line) {
            return line.startsWith(QByteArray(salt + '=')) && line.contains("httponly");
        }));
        for (const QByteArray &line : first.setCookies)
            QVERIFY2(line.startsWith("qvbbs_2132_"), line.constData());

        QVERIFY(!http.get(sim().url(Role::Home, kCreditPath)).text().contains(QStringLiteral("creditl mtm bbda cl")));
        const SimReply signIn = login(http, QStringLiteral("alice"), QStringLiteral("alice123"));
        const QByteArray authLine = [&] {
            for (const QByteArray &line : signIn.setCookies) {
                if (line.startsWith(QByteArray(ForumSimulator::authCookieName() + '=')))
                    return line;
            }
            return QByteArray();
        }();
        QVERIFY(authLine.contains("httponly"));
        QVERIFY2(!authLine.contains("expires"), "the auth cookie is a session cookie");
        // The salt the client already held stays; sign-in does not replace it.
        QVERIFY(!signIn.setCookies.join().contains(QByteArray(salt + '=')));

        const QString credit = http.get(sim().url(Role::Home, kCreditPath)).text();
        const QString section = between(credit, QStringLiteral("creditl mtm bbda cl"), QStringLiteral("creditl mtm bbda cl"));
        QCOMPARE(between(section, QStringLiteral("Quorvel币: </em>"), QStringLiteral("<")), QStringLiteral("120"));
        QCOMPARE(between(section, QStringLiteral("za: </em>"), QStringLiteral("<")), QStringLiteral("40"));

        // The auth cookie alone makes a guest.
        const QList<QNetworkCookie> kept = http.jar()->allCookies();
        http.dropCookie(salt);
        const SimReply guest = http.get(sim().url(Role::Home, kCreditPath));
        QVERIFY(!guest.text().contains(QStringLiteral("creditl")));
        QVERIFY(guest.text().contains(QStringLiteral("您需要先登录")));
        http.jar()->setAllCookies(kept);

        // A log-out with a token the forum does not know changes nothing.
        QVERIFY(http.get(sim().url(Role::Forum, QStringLiteral("/member.php?mod=logging&action=logout&formhash=0badf00d")))
                    .setCookies.isEmpty());
        QVERIFY(!http.cookieValue(ForumSimulator::authCookieName()).isEmpty());
        const SimReply out = http.get(sim().url(Role::Forum, QStringLiteral("/member.php?mod=logging&action=logout&formhash=5c2e9a17")));
        QVERIFY(out.setCookies.size() >= 2);
        for (const QByteArray &line : out.setCookies)
            QVERIFY2(line.contains("=deleted; expires=Thu, 01-Jan-1970"), line.constData());
        QVERIFY(http.cookieValue(ForumSimulator::authCookieName()).isEmpty());
        QVERIFY(http.cookieValue(salt).isEmpty());
        QVERIFY(!http.get(sim().url(Role::Home, kCreditPath)).text().contains(QStringLiteral("creditl")));

        // As on the real forum, the token itself stays valid: a store that failed to drop the
        // cookies would keep the member signed in.
        SimHttp stale;
        stale.jar()->setAllCookies(kept);
        QVERIFY(stale.get(sim().url(Role::Home, kCreditPath)).text().contains(QStringLiteral("creditl mtm bbda cl")));
    }

    void vipFrontPage_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("vip");
        QTest::addColumn<bool>("svip");
        QTest::addColumn<int>("daysLeft");
        QTest::newRow("vip") << "vipbob" << "bob456" << true << false << 10;
        QTest::newRow("svip") << "svipcarol" << "carol789" << true << true << 400;
        QTest::newRow("member") << "alice" << "alice123" << false << false << 0;
        QTest::newRow("guest") << QString() << QString() << false << false << 0;
    }
    void vipFrontPage()
    {
        QFETCH(QString, name);
        QFETCH(QString, password);
        QFETCH(bool, vip);
        QFETCH(bool, svip);
        QFETCH(int, daysLeft);
        SimHttp http;
        if (!name.isEmpty())
            QVERIFY(login(http, name, password).text().contains(QStringLiteral("欢迎您回来")));
        const SimReply page = http.get(sim().url(Role::Vip));
        QCOMPARE(page.contentType, QByteArray("text/html; charset=gbk"));
        const QString text = page.text();
        QCOMPARE(text.contains(QStringLiteral("尊敬的VIP用户")), vip);
        if (!vip)
            return;
        // The client's readings of growth and expiry.
        const QString growth = between(text, QStringLiteral("成长速度:&nbsp;"), QStringLiteral("</li>"));
        QCOMPARE(growth.contains(QStringLiteral("10+5")), svip);
        QString expiry = between(text, QStringLiteral("到期时间:&nbsp;"), QStringLiteral("</b>"));
        expiry.remove(QStringLiteral("<b>"));
        QCOMPARE(expiry, QDate::currentDate().addDays(daysLeft).toString(QStringLiteral("yyyy.MM.dd")));
    }

    void exchangeCharges_data()
    {
        QTest::addColumn<QByteArray>("amount");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("success");
        QTest::addColumn<qint64>("za");
        QTest::addColumn<qint64>("quorvelbi");
        QTest::newRow("8 for 2") << QByteArray("8") << "alice123" << true << qint64(38) << qint64(128);
        QTest::newRow("10 for 3, rounded up") << QByteArray("10") << "alice123" << true << qint64(37) << qint64(130);
        QTest::newRow("1 for 1") << QByteArray("1") << "alice123" << true << qint64(39) << qint64(121);
        QTest::newRow("every za") << QByteArray("160") << "alice123" << true << qint64(0) << qint64(280);
        QTest::newRow("one too many") << QByteArray("164") << "alice123" << false << qint64(40) << qint64(120);
        QTest::newRow("wrong password") << QByteArray("8") << "alice124" << false << qint64(40) << qint64(120);
        QTest::newRow("zero") << QByteArray("0") << "alice123" << false << qint64(40) << qint64(120);
        QTest::newRow("00") << QByteArray("00") << "alice123" << false << qint64(40) << qint64(120);
        QTest::newRow("negative") << QByteArray("-8") << "alice123" << false << qint64(40) << qint64(120);
    }
    void exchangeCharges()
    {
        QFETCH(QByteArray, amount);
        QFETCH(QString, password);
        QFETCH(bool, success);
        QFETCH(qint64, za);
        QFETCH(qint64, quorvelbi);
        SimHttp http;
        QVERIFY(login(http, QStringLiteral("alice"), QStringLiteral("alice123")).text().contains(QStringLiteral("欢迎您回来")));
        const SimReply reply = exchange(http, amount, password);
        QCOMPARE(reply.contentType, QByteArray("text/xml; charset=gbk"));
        QCOMPARE(reply.text().contains(QStringLiteral("succeedhandle_credit")), success);
        QCOMPARE(reply.text().contains(QStringLiteral("errorhandle_credit")), !success);
        QVERIFY(!dialogMessage(reply.text()).isEmpty());
        QCOMPARE(sim().member(QStringLiteral("alice"))->za, za);
        QCOMPARE(sim().member(QStringLiteral("alice"))->quorvelbi, quorvelbi);
        // The credit page the panel reads again shows the same balances.
        const QString credit = http.get(sim().url(Role::Home, kCreditPath)).text();
        QCOMPARE(between(credit, QStringLiteral("za: </em>"), QStringLiteral("<")), QString::number(za));
    }

    void exchangeRefusalsHaveTheirOwnTexts()
    {
        SimHttp http;
        const QString guest = dialogMessage(exchange(http, "8", QStringLiteral("alice123")).text());
        QVERIFY(login(http, QStringLiteral("alice"), QStringLiteral("alice123")).text().contains(QStringLiteral("欢迎您回来")));
        const QStringList messages = {guest,
                                      dialogMessage(exchange(http, "8", QStringLiteral("x")).text()),
                                      dialogMessage(exchange(http, "0", QStringLiteral("alice123")).text()),
                                      dialogMessage(exchange(http, "-4", QStringLiteral("alice123")).text()),
                                      dialogMessage(exchange(http, "400", QStringLiteral("alice123")).text())};
        for (const QString &m : messages)
            QVERIFY(!m.isEmpty());
        QCOMPARE(QSet<QString>(messages.cbegin(), messages.cend()).size(), messages.size());
        QCOMPARE(sim().member(QStringLiteral("alice"))->za, 40);

        // A form token the forum does not know: 503 and a GBK error page, nothing charged.
        const SimReply forged = exchange(http, "8", QStringLiteral("alice123"), "00000000");
        QCOMPARE(forged.status, 503);
        QCOMPARE(forged.contentType, QByteArray("text/html; charset=gbk"));
        QVERIFY(forged.text().contains(QStringLiteral("已经被系统拒绝")));
        QVERIFY(!forged.text().contains(QStringLiteral("CDATA")));
        QCOMPARE(sim().member(QStringLiteral("alice"))->za, 40);
    }

    void lostPasswordRefusals()
    {
        SimHttp http;
        const SimReply sent = lostPassword(http, QStringLiteral("alice"), QStringLiteral("alice@example.com"));
        QVERIFY(!sent.text().contains(QStringLiteral("errorhandle_lostpwform")));
        QVERIFY(sent.text().contains(QStringLiteral("succeedhandle_lostpwform")));
        QVERIFY(sent.piece(5).contains(QStringLiteral("Email")));
        QCOMPARE(sim().mailedUids(), QList<int>{1234});

        const SimReply again = lostPassword(http, QStringLiteral("alice"), QStringLiteral("alice@example.com"));
        QVERIFY(again.text().contains(QStringLiteral("errorhandle_lostpwform")));
        QVERIFY(again.piece(3).contains(QStringLiteral("5 分钟")));
        sim().advanceTime(5 * 60 + 1);
        QVERIFY(!lostPassword(http, QStringLiteral("alice"), QStringLiteral("alice@example.com"))
                     .text()
                     .contains(QStringLiteral("errorhandle_lostpwform")));

        const SimReply unknown = lostPassword(http, QStringLiteral("nobody"), QStringLiteral("alice@example.com"));
        const SimReply wrongMail = lostPassword(http, QStringLiteral("dave"), QStringLiteral("alice@example.com"));
        const SimReply admin = lostPassword(http, QStringLiteral("admin"), QStringLiteral("admin@example.com"));
        QVERIFY(unknown.text().contains(QStringLiteral("errorhandle_lostpwform")));
        QCOMPARE(wrongMail.piece(3), unknown.piece(3));
        QVERIFY(admin.text().contains(QStringLiteral("errorhandle_lostpwform")));
        QVERIFY(admin.piece(3) != unknown.piece(3));

        // A Chinese name in GBK, the address in other letter case.
        QVERIFY(lostPassword(http, QStringLiteral("小明"), QStringLiteral("XiaoMing@Example.com"))
                    .text()
                    .contains(QStringLiteral("succeedhandle_lostpwform")));
        QCOMPARE(sim().mailedUids(), (QList<int>{1234, 1234, 888}));
    }

    void profilePagesByUidAndName_data()
    {
        QTest::addColumn<QByteArray>("query");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("uid");
        QTest::addColumn<QByteArray>("charset"); // the site's
        const QByteArray gbk("gbk");
        const QByteArray utf8("utf-8");
        QTest::newRow("uid") << QByteArray("uid=1234") << "alice" << "1234" << gbk;
        QTest::newRow("one-digit uid") << QByteArray("uid=7") << "dave" << "7" << gbk;
        QTest::newRow("name") << QByteArray("username=vipbob") << "vipbob" << "42" << gbk;
        QTest::newRow("numeric name") << QByteArray("username=10086") << "10086" << "2048" << gbk;
        QTest::newRow("gbk name") << ("username=" + CodePage::percentEncode(QStringLiteral("小明"))) << QStringLiteral("小明")
                                  << "888" << gbk;
        QTest::newRow("unknown uid") << QByteArray("uid=99999") << QString() << QString() << gbk;
        QTest::newRow("unknown name") << QByteArray("username=nobody") << QString() << QString() << gbk;
        // The forum converts no query value: a name in the other code page is nobody's.
        const QString ceshi = QStringLiteral("测试用户");
        const QByteArray ceshiGbk = "username=" + encoded(ceshi, false);
        const QByteArray ceshiUtf8 = "username=" + encoded(ceshi, true);
        QTest::newRow("gbk site, gbk chinese name") << ceshiGbk << ceshi << "666" << gbk;
        QTest::newRow("gbk site, utf-8 chinese name") << ceshiUtf8 << QString() << QString() << gbk;
        QTest::newRow("utf-8 site, utf-8 chinese name") << ceshiUtf8 << ceshi << "666" << utf8;
        QTest::newRow("utf-8 site, gbk chinese name") << ceshiGbk << QString() << QString() << utf8;
        QTest::newRow("utf-8 site, uid") << QByteArray("uid=666") << ceshi << "666" << utf8;
        QTest::newRow("utf-8 site, ascii name") << QByteArray("username=VIPBOB") << "vipbob" << "42" << utf8;
    }
    void profilePagesByUidAndName()
    {
        QFETCH(QByteArray, query);
        QFETCH(QString, name);
        QFETCH(QString, uid);
        QFETCH(QByteArray, charset);
        useOlderSiteIn(charset);
        SimHttp http;
        const SimReply page = http.get(sim().url(Role::Home, QStringLiteral("/home.php?mod=space&") + QString::fromLatin1(query)
                                                                  + QStringLiteral("&do=profile")));
        QCOMPARE(page.status, 200);
        QCOMPARE(page.contentType, QByteArray("text/html; charset=" + charset));
        QVERIFY(page.body.contains(charset == "utf-8" ? QByteArray("<meta charset=\"utf-8\" />")
                                                      : QByteArray("content=\"text/html; charset=gbk\" />")));
        const QString afterTitle = between(page.text(), QStringLiteral("<title>"), QStringLiteral("<title>"));
        // The client's two readings: the name before "的" after the title, the UID after "(UID: ".
        const qsizetype de = afterTitle.indexOf(QStringLiteral("的"));
        QCOMPARE(de < 0 ? QString() : afterTitle.left(de), name);
        QCOMPARE(between(page.text(), QStringLiteral("(UID: "), QStringLiteral(")")), uid);
        if (name.isEmpty())
            QVERIFY(afterTitle.startsWith(QStringLiteral("提示信息 - ")));
    }

    void avatars()
    {
        SimHttp http;
        const SimReply jpeg = http.get(sim().url(Role::Forum, QStringLiteral("/uc_server/data/avatar/000/00/12/34_avatar_middle.jpg")));
        QCOMPARE(jpeg.status, 200);
        QCOMPARE(jpeg.contentType, QByteArray("image/jpeg"));
        const QImage image = QImage::fromData(jpeg.body, "JPG");
        QCOMPARE(image.size(), QSize(120, 120));
        QCOMPARE(http.get(sim().url(Role::Forum, QStringLiteral("/uc_server/data/avatar/000/00/00/07_avatar_middle.jpg"))).status, 200);

        // svipcarol has none; 99999 is nobody.
        for (const QString &path : {QStringLiteral("/uc_server/data/avatar/000/01/23/45_avatar_middle.jpg"),
                                    QStringLiteral("/uc_server/data/avatar/000/09/99/99_avatar_middle.jpg")}) {
            const SimReply none = http.get(sim().url(Role::Forum, path));
            QCOMPARE(none.status, 404);
            QCOMPARE(none.contentType, QByteArray("text/html; charset=gbk"));
            QVERIFY(none.text().contains(QStringLiteral("<html")));
        }
    }

    void versionFileAndOtherPages()
    {
        SimHttp http;
        const QString version = sim().url(Role::Soft, QStringLiteral("/version/main.txt"));
        SimReply file = http.get(version);
        QCOMPARE(file.contentType, QByteArray("text/plain"));
        QCOMPARE(between(file.text(), QStringLiteral("km:"), QStringLiteral("|")), QStringLiteral("V1.2"));
        sim().setVersionText("km:V1.3|");
        QCOMPARE(http.get(version).body, QByteArray("km:V1.3|"));
        sim().setVersionText({});
        QCOMPARE(http.get(version).status, 404);

        const SimReply probe = http.get(sim().probeUrl());
        QCOMPARE(probe.status, 200);
        QVERIFY(!probe.body.isEmpty());
        const SimReply reg = http.get(sim().url(Role::Forum, QStringLiteral("/member.php?mod=register")));
        QCOMPARE(reg.contentType, QByteArray("text/html; charset=gbk"));
        QVERIFY(reg.text().contains(QStringLiteral("注册")));
        QVERIFY(http.get(sim().url(Role::Forum, QStringLiteral("/forum.php?mod=viewthread&tid=25020&page=1&extra=")))
                    .text()
                    .contains(QStringLiteral("pid478051")));
        QCOMPARE(http.get(sim().url(Role::Main)).status, 200);
        // Each path belongs to its host: the sign-in post on the member-home host is not found.
        QCOMPARE(http.post(sim().url(Role::Home, kLoginPath), loginBody(QStringLiteral("alice"), QStringLiteral("alice123"))).status,
                 404);
    }

    void requestLogKeepsWhatWasSent()
    {
        SimHttp http;
        QSignalSpy received(&sim(), &ForumSimulator::requestReceived);
        const QByteArray body = loginBody(QStringLiteral("小明"), QStringLiteral("xm&=+%密码"));
        QVERIFY(body.contains("username=%D0%A1%C3%F7"));
        QVERIFY(login(http, QStringLiteral("小明"), QStringLiteral("xm&=+%密码")).text().contains(QStringLiteral("欢迎您回来")));
        QCOMPARE(received.size(), 1);
        const QList<ForumSimulator::RecordedRequest> logged = sim().requestsTo("action=login");
        QCOMPARE(logged.size(), 1);
        const ForumSimulator::RecordedRequest &r = logged.first();
        QCOMPARE(r.role, Role::Forum);
        QCOMPARE(r.method, QByteArray("POST"));
        QCOMPARE(r.pathAndQuery, kLoginPath.toLatin1());
        QCOMPARE(r.body, body);
        QCOMPARE(r.header("content-TYPE"), QByteArray("application/x-www-form-urlencoded"));
        QCOMPARE(r.formValue("password"), QStringLiteral("xm&=+%密码"));
        QCOMPARE(r.queryValue("handlekey"), QStringLiteral("login"));
        QCOMPARE(r.formBytes("username"), QByteArray("\xD0\xA1\xC3\xF7"));
        // The log over the control port shows the form as the bytes came, still percent-encoded.
        const SimReply listing = http.get(sim().url(Role::Main, QStringLiteral("/__sim/requests")));
        const QByteArray line("forum POST " + kLoginPath.toLatin1() + ' ' + QByteArray::number(body.size()) + " bytes " + body + '\n');
        QVERIFY2(listing.body.contains(line), listing.body.constData());
        QVERIFY(listing.body.endsWith("ok 1 requests\n"));

        // Control requests change the simulator and are not logged.
        const SimReply control = http.get(sim().url(Role::Main, QStringLiteral("/__sim/fault?mode=status500&path=version&role=soft")));
        QCOMPARE(control.status, 200);
        QCOMPARE(sim().requests().size(), 1);
        QCOMPARE(http.get(sim().url(Role::Soft, QStringLiteral("/version/main.txt"))).status, 500);
        QCOMPARE(http.get(sim().url(Role::Forum, QStringLiteral("/__sim/reset"))).status, 200);
        QVERIFY(sim().requests().isEmpty());
        QCOMPARE(http.get(sim().url(Role::Soft, QStringLiteral("/version/main.txt"))).status, 200);
        QCOMPARE(http.get(sim().url(Role::Soft, QStringLiteral("/__sim/fault?mode=bogus"))).status, 400);
        const qsizetype before = sim().requests().size();
        QCOMPARE(http.get(sim().url(Role::Vip, QStringLiteral("/__sim/member?name=alice&za=5&vip=2&vipdays=3"))).status, 200);
        QCOMPARE(sim().member(QStringLiteral("alice"))->za, 5);
        QCOMPARE(sim().member(QStringLiteral("alice"))->vipLevel, 2);
        QCOMPARE(sim().member(QStringLiteral("alice"))->vipExpiry, QDate::currentDate().addDays(3));
        QCOMPARE(http.get(sim().url(Role::Vip, QStringLiteral("/__sim/member?name=alice&vip=7"))).status, 400);
        QCOMPARE(sim().requests().size(), before);
    }
};

QTEST_MAIN(TestForumSimulator)
#include "test_forumsimulator.moc"
