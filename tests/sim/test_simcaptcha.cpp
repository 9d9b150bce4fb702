// The simulated forum's login captcha: the picture and its Referer rule, the cookie that binds a
// code to the visitor, and the login post's check (before the password, no try counted, one use,
// 600 s life, newer pictures void older ones, codes of other visitors refused), the live check and
// the control request.
#include "base/CodePage.h"
#include "Captcha.h"
#include "SimFixture.h"

#include <QImage>
#include <QNetworkAccessManager>
#include <QNetworkCookie>
#include <QNetworkCookieJar>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QtTest>

#include <memory>

using Role = ForumSimulator::Role;
using namespace Qt::StringLiterals;

namespace {

const QString kLoginPath = u"/member.php?mod=logging&action=login&loginsubmit=yes&handlekey=login&loginhash=Qm7tW&inajax=1"_s;
const QByteArray kRefusal = CodePage::toAnsi(u"抱歉，验证码填写错误"_s);

struct Reply {
    int status = 0;
    QByteArray body;
    QByteArray contentType;
    QList<QPair<QByteArray, QByteArray>> headers;
    [[nodiscard]] QByteArray header(const QByteArray &name) const
    {
        QByteArray all;
        for (const auto &h : headers)
            if (h.first.compare(name, Qt::CaseInsensitive) == 0)
                all += (all.isEmpty() ? "" : "\n") + h.second;
        return all;
    }
    [[nodiscard]] QString text() const { return CodePage::fromAnsi(body); }
};

class Jar : public QNetworkCookieJar
{
public:
    using QNetworkCookieJar::allCookies;
};

// A browser of one visitor: its own cookies, requests with chosen headers.
class Visitor
{
public:
    Visitor() { m_nam.setCookieJar(m_jar = new Jar); }
    Reply get(const QString &url, const QByteArray &referer = {}) { return run("GET", url, {}, referer); }
    Reply post(const QString &url, const QByteArray &body) { return run("POST", url, body, {}); }
    [[nodiscard]] QByteArray cookie(const QByteArray &name) const
    {
        for (const QNetworkCookie &c : m_jar->allCookies())
            if (c.name() == name)
                return c.value();
        return {};
    }

private:
    Reply run(const QByteArray &method, const QString &url, const QByteArray &body, const QByteArray &referer)
    {
        QNetworkRequest request{QUrl(url)};
        if (!referer.isEmpty())
            request.setRawHeader("Referer", referer);
        if (method == "POST")
            request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/x-www-form-urlencoded"));
        QNetworkReply *reply = method == "POST" ? m_nam.post(request, body) : m_nam.get(request);
        QEventLoop loop;
        QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(10000, &loop, &QEventLoop::quit);
        if (!reply->isFinished())
            loop.exec();
        Reply result;
        result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        result.body = reply->readAll();
        result.contentType = reply->rawHeader("Content-Type");
        result.headers = reply->rawHeaderPairs();
        reply->deleteLater();
        return result;
    }
    QNetworkAccessManager m_nam;
    Jar *m_jar = nullptr;
};

} // namespace

class TestSimCaptcha : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<SimFixture> fx;
    ForumSimulator &sim() { return fx->sim(); }
    [[nodiscard]] QByteArray forumReferer() { return "http://" + sim().hostAndPort(Role::Forum).toLatin1() + '/'; }
    Reply picture(Visitor &v, const QString &idHash, const QByteArray &referer)
    {
        return v.get(sim().url(Role::Forum, u"/misc.php?mod=seccode&update=%1&idhash="_s.arg(QRandomGenerator::global()->bounded(100000)) + idHash), referer);
    }
    // The code of the picture just fetched, as a test reads it through the control request.
    QByteArray codeOf(Visitor &v)
    {
        Visitor control;
        const Reply r = control.get(sim().url(Role::Home, u"/__sim/captcha?salt="_s
                                                            + QString::fromLatin1(v.cookie(ForumSimulator::saltCookieName()))));
        const QRegularExpressionMatch m = QRegularExpression(u"code=(\\S+)"_s).match(QString::fromLatin1(r.body));
        return m.captured(1) == u"-"_s ? QByteArray() : m.captured(1).toLatin1();
    }
    Reply login(Visitor &v, const QString &account, const QString &password, const QByteArray &captchaFields)
    {
        const QByteArray body = "formhash=" + QByteArray(ForumSite::kLoginFormHash) + "&referer=http%3A%2F%2Fx%2F&username="
            + CodePage::percentEncode(account) + "&password=" + CodePage::percentEncode(password) + captchaFields;
        return v.post(sim().url(Role::Forum, kLoginPath), body);
    }
    static QByteArray fields(const QString &idHash, const QByteArray &code, const QByteArray &modId = "member%3A%3Alogging")
    {
        return "&seccodehash=" + idHash.toLatin1() + "&seccodemodid=" + modId + "&seccodeverify=" + code;
    }
    static bool greeted(const Reply &r) { return r.text().contains(u"欢迎您回来"_s); }

private slots:
    void init()
    {
        fx = std::make_unique<SimFixture>();
        QVERIFY(fx->isRunning());
        // The fixed login token of the older site keeps these posts short; the captcha's rules are
        // the same on both kinds of site.
        sim().setSiteSettings(SimSiteSettings::older());
        sim().setCaptchaEnabled(true);
    }
    void cleanup() { fx.reset(); }

    void pictureAndItsCookie()
    {
        Visitor v;
        const Reply r = picture(v, u"cSab12"_s, forumReferer());
        QCOMPARE(r.status, 200);
        QCOMPARE(r.contentType, QByteArray("image/png"));
        QVERIFY(r.header("Cache-Control").contains("no-store"));
        QCOMPARE(r.header("Pragma"), QByteArray("no-cache"));
        const QImage image = QImage::fromData(r.body, "PNG");
        QCOMPARE(image.size(), QSize(100, 30));
        // Not one flat colour: something is drawn on it.
        QSet<QRgb> colours;
        for (int x = 0; x < image.width(); ++x)
            colours.insert(image.pixel(x, 15));
        QVERIFY(colours.size() > 3);
        // The cookie: named after the id, a session cookie the page may read.
        const QByteArray setCookie = r.header("Set-Cookie");
        QByteArray line;
        for (const QByteArray &l : setCookie.split('\n'))
            if (l.startsWith("qvbbs_2132_seccodecSab12="))
                line = l;
        QVERIFY2(!line.isEmpty(), setCookie.constData());
        QVERIFY(!line.toLower().contains("httponly"));
        QVERIFY(!line.toLower().contains("expires"));
        QVERIFY(line.contains("path=/"));
        const QByteArray code = codeOf(v);
        QCOMPARE(code.size(), 4);
        for (const char c : code)
            QVERIFY(QByteArray(Captcha::kAlphabet).contains(c));
    }

    void refererRule_data()
    {
        QTest::addColumn<QString>("referer"); // %1: the forum's host and port
        QTest::addColumn<bool>("drawn");
        QTest::newRow("same host and port") << u"http://%1/"_s << true;
        QTest::newRow("same, with a page") << u"http://%1/member.php?mod=logging"_s << true;
        QTest::newRow("none") << QString() << false;
        QTest::newRow("other port") << u"http://127.0.0.1:1/"_s << false;
        QTest::newRow("other host, same port") << u"http://localhost.invalid:%2/"_s << false;
        QTest::newRow("not an address") << u"garbage"_s << false;
    }
    void refererRule()
    {
        QFETCH(QString, referer);
        QFETCH(bool, drawn);
        Visitor v;
        const QString filled = referer.arg(sim().hostAndPort(Role::Forum)).replace(u"%2"_s, QString::number(sim().port(Role::Forum)));
        const Reply r = picture(v, u"cSxyz9"_s, filled.toLatin1());
        QCOMPARE(r.status, 200);
        if (drawn) {
            QCOMPARE(r.contentType, QByteArray("image/png"));
        } else {
            QCOMPARE(r.body, QByteArray("Access Denied"));
            QVERIFY(!r.header("Set-Cookie").contains("seccode"));
            QCOMPARE(sim().captcha().liveCodeCount(), 0);
        }
    }

    void badIdHashIsDenied()
    {
        Visitor v;
        QCOMPARE(picture(v, QString(), forumReferer()).body, QByteArray("Access Denied"));
        QCOMPARE(picture(v, u"cS%27x"_s, forumReferer()).body, QByteArray("Access Denied"));
    }

    void rightCodeSignsIn_data()
    {
        QTest::addColumn<bool>("lowerCase");
        QTest::newRow("as drawn") << false;
        QTest::newRow("lower case") << true;
    }
    void rightCodeSignsIn()
    {
        QFETCH(bool, lowerCase);
        Visitor v;
        QCOMPARE(picture(v, u"cSok01"_s, forumReferer()).contentType, QByteArray("image/png"));
        QByteArray code = codeOf(v);
        if (lowerCase)
            code = code.toLower();
        const Reply r = login(v, u"alice"_s, u"alice123"_s, fields(u"cSok01"_s, code));
        QVERIFY2(greeted(r), qPrintable(r.text()));
        QVERIFY(!v.cookie(ForumSimulator::authCookieName()).isEmpty());
    }

    void refusedCodes_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("wrong") << u"wrong"_s;
        QTest::newRow("missing fields") << u"missing"_s;
        QTest::newRow("empty code") << u"empty"_s;
        QTest::newRow("expired") << u"expired"_s;
        QTest::newRow("reused after success") << u"reused"_s;
        QTest::newRow("reused after a wrong one") << u"reusedwrong"_s;
        QTest::newRow("older picture") << u"older"_s;
        QTest::newRow("other visitor's code") << u"othervisitor"_s;
        QTest::newRow("other id hash") << u"otherid"_s;
        QTest::newRow("modid mangled") << u"modid"_s;
    }
    void refusedCodes()
    {
        QFETCH(QString, how);
        Visitor v;
        const QString id = u"cSref1"_s;
        QCOMPARE(picture(v, id, forumReferer()).contentType, QByteArray("image/png"));
        QByteArray code = codeOf(v);
        QByteArray extra = fields(id, code);
        if (how == u"wrong"_s) {
            extra = fields(id, code == "BBBB" ? "CCCC" : "BBBB");
        } else if (how == u"missing"_s) {
            extra.clear();
        } else if (how == u"empty"_s) {
            extra = fields(id, {});
        } else if (how == u"expired"_s) {
            sim().advanceTime(Captcha::kLifeSeconds + 1);
        } else if (how == u"reused"_s) {
            QVERIFY(greeted(login(v, u"alice"_s, u"alice123"_s, extra)));
        } else if (how == u"reusedwrong"_s) {
            QVERIFY(!greeted(login(v, u"alice"_s, u"alice123"_s, fields(id, "ZZZZ"))));
        } else if (how == u"older"_s) {
            QCOMPARE(picture(v, id, forumReferer()).contentType, QByteArray("image/png"));
            if (codeOf(v) == code)
                QSKIP("the newer picture drew the same code by chance");
        } else if (how == u"othervisitor"_s) {
            Visitor other;
            const Reply r = login(other, u"alice"_s, u"alice123"_s, extra);
            QVERIFY(r.body.contains(kRefusal));
            return;
        } else if (how == u"otherid"_s) {
            extra = fields(u"cSref2"_s, code);
        } else if (how == u"modid"_s) {
            extra = fields(id, code, "member");
        }
        const int failuresBefore = sim().state().recentFailures(u"127.0.0.1"_s);
        const Reply r = login(v, u"alice"_s, u"alice123"_s, extra);
        QVERIFY2(r.body.contains(kRefusal), qPrintable(r.text()));
        // Through the login's error callback, without tries left: no failed sign-in counted.
        QVERIFY(r.text().contains(u"errorhandle_login('抱歉，验证码填写错误', {})"_s));
        QCOMPARE(sim().state().recentFailures(u"127.0.0.1"_s), failuresBefore);
    }

    void codeComesBeforeThePassword()
    {
        // A wrong password with a wrong code is refused for the code: the password was never tried.
        Visitor v;
        QCOMPARE(picture(v, u"cSpw01"_s, forumReferer()).contentType, QByteArray("image/png"));
        const Reply wrong = login(v, u"alice"_s, u"nope"_s, fields(u"cSpw01"_s, "0000"));
        QVERIFY(wrong.body.contains(kRefusal));
        QCOMPARE(sim().state().recentFailures(u"127.0.0.1"_s), 0);
        // With the right code the password is checked and the try counts; the code is gone after.
        QCOMPARE(picture(v, u"cSpw01"_s, forumReferer()).contentType, QByteArray("image/png"));
        const QByteArray code = codeOf(v);
        const Reply failed = login(v, u"alice"_s, u"nope"_s, fields(u"cSpw01"_s, code));
        QVERIFY2(failed.text().contains(u"失败"_s), qPrintable(failed.text()));
        QCOMPARE(sim().state().recentFailures(u"127.0.0.1"_s), 1);
        QVERIFY(login(v, u"alice"_s, u"alice123"_s, fields(u"cSpw01"_s, code)).body.contains(kRefusal));
    }

    void switchedOffAsksForNothing()
    {
        sim().setCaptchaEnabled(false);
        Visitor v;
        QVERIFY(greeted(login(v, u"alice"_s, u"alice123"_s, {})));
    }

    void controlRequest()
    {
        Visitor control;
        QCOMPARE(control.get(sim().url(Role::Vip, u"/__sim/captcha?on=0"_s)).body, QByteArray("ok captcha off code=-\n"));
        QVERIFY(!sim().captcha().isEnabled());
        QCOMPARE(control.get(sim().url(Role::Vip, u"/__sim/captcha?on=1"_s)).body, QByteArray("ok captcha on code=-\n"));
        QVERIFY(sim().captcha().isEnabled());
        QCOMPARE(control.get(sim().url(Role::Vip, u"/__sim/captcha?on=maybe"_s)).status, 400);
        Visitor v;
        QCOMPARE(picture(v, u"cSctl1"_s, forumReferer()).contentType, QByteArray("image/png"));
        const QByteArray latest = control.get(sim().url(Role::Vip, u"/__sim/captcha"_s)).body;
        QCOMPARE(latest, "ok captcha on code=" + sim().captcha().latestCode() + '\n');
        QCOMPARE(codeOf(v), sim().captcha().latestCode());
        // The reset switches the captcha off and forgets every code.
        QVERIFY(control.get(sim().url(Role::Vip, u"/__sim/reset"_s)).body.startsWith("ok reset"));
        QVERIFY(!sim().captcha().isEnabled());
        QCOMPARE(sim().captcha().liveCodeCount(), 0);
    }

    void liveCheck()
    {
        Visitor v;
        QCOMPARE(picture(v, u"cSlc01"_s, forumReferer()).contentType, QByteArray("image/png"));
        const QByteArray code = codeOf(v);
        const auto check = [&](const QByteArray &answer) {
            return v.get(sim().url(Role::Forum, u"/misc.php?mod=seccode&action=check&inajax=1&modid=member::logging&idhash=cSlc01&secverify="_s
                                                    + QString::fromLatin1(answer)), forumReferer()).text();
        };
        QVERIFY(check("0000").contains(u"<![CDATA[invalid]]>"_s));
        QVERIFY(check(code).contains(u"<![CDATA[succeed]]>"_s));
        QVERIFY(check(code.toLower()).contains(u"<![CDATA[succeed]]>"_s));
        // A checked code still signs in; five checks use it up.
        QVERIFY(check(code).contains(u"succeed"_s));
        QVERIFY(check(code).contains(u"succeed"_s));
        QVERIFY(check(code).contains(u"invalid"_s));
        QVERIFY(login(v, u"alice"_s, u"alice123"_s, fields(u"cSlc01"_s, code)).body.contains(kRefusal));
    }

    void helpers()
    {
        const QImage a = QImage::fromData(Captcha::png("BCEF"), "PNG");
        QCOMPARE(a.size(), QSize(Captcha::kWidth, Captcha::kHeight));
        QVERIFY(Captcha::isValidIdHash(Captcha::newIdHash()));
        QVERIFY(Captcha::newIdHash().startsWith(u"cS"_s));
        QVERIFY(!Captcha::isValidIdHash(u"cS-1"_s));
        QVERIFY(!Captcha::isValidIdHash(QString(17, u'a')));
        QVERIFY(Captcha::sameOrigin("http://127.0.0.1:80/", "127.0.0.1:80"));
        QVERIFY(Captcha::sameOrigin("http://LOCALHOST:8080/x", "localhost:8080"));
        QVERIFY(!Captcha::sameOrigin("http://127.0.0.1/", "127.0.0.1:80"));
        QVERIFY(!Captcha::sameOrigin("http://127.0.0.1:80/", ""));
    }
};

QTEST_MAIN(TestSimCaptcha)
#include "test_simcaptcha.moc"
