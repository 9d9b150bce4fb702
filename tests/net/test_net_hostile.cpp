// The network layer against a site that misbehaves on purpose: redirects off the site (to a
// foreign loopback host, 127.0.0.2), redirects inside it (also through a forwarding proxy: the
// rules hold whatever carries the request), broken compressed bodies, and answers that arrive
// after the member's session has ended.
#include "base/Settings.h"
#include "net/CookieStore.h"
#include "net/Inet.h"
#include "net/Network.h"
#include "net/SitePolicy.h"
#include "net/XmlHttp.h"
#include "AwaitedNet.h"
#include "ScriptedServer.h"
#include "TestProxy.h"
#include "TestSession.h"

#include <QDir>
#include <QNetworkCookie>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;
using Header = QPair<QByteArray, QByteArray>;

namespace {

ScriptedReply reply(int status, const QByteArray &body, QList<Header> headers = {})
{
    ScriptedReply r;
    r.status = status;
    r.body = body;
    r.headers = std::move(headers);
    return r;
}

ScriptedReply redirectTo(int status, const QString &location, QList<Header> headers = {})
{
    headers.append({"Location", location.toLatin1()});
    return reply(status, "moved", headers);
}

QList<int> states(const QSignalSpy &spy)
{
    QList<int> out;
    for (const QList<QVariant> &args : spy)
        out << args.at(0).toInt();
    return out;
}

// How a request is made: the three ways the windows use the layer.
enum class Way { InetExecute, InetOpenUrl, XmlHttpSync, XmlHttpAsync };

struct Outcome {
    bool failed = false;
    int status = 0;
    QString text;
    QString error;
};

Outcome run(Way way, const QString &url, const QByteArray &method, const QByteArray &body)
{
    Outcome out;
    switch (way) {
    case Way::InetExecute: {
        Inet inet(testSession().network());
        QSignalSpy spy(&inet, &Inet::StateChanged);
        inet.Execute(url, QString::fromLatin1(method), body, u"Content-Type: application/x-www-form-urlencoded"_s);
        if (!QTest::qWaitFor([&] {
                const QList<int> seen = states(spy);
                return seen.contains(Inet::icError) || seen.contains(Inet::icResponseCompleted);
            }, 15000))
            return {true, -1, {}, u"no outcome"_s};
        out.failed = states(spy).contains(Inet::icError);
        out.status = inet.lastStatus();
        for (QString chunk = inet.GetChunk(1024); !chunk.isEmpty(); chunk = inet.GetChunk(1024))
            out.text += chunk;
        out.error = inet.lastError();
        return out;
    }
    case Way::InetOpenUrl: {
        Inet inet(testSession().network());
        out.text = openedText(inet, url);
        out.status = inet.lastStatus();
        out.failed = out.status == 0 || !inet.lastError().isEmpty();
        out.error = inet.lastError();
        return out;
    }
    case Way::XmlHttpSync:
    case Way::XmlHttpAsync: {
        XmlHttp request(testSession().network());
        request.Open(QString::fromLatin1(method), url, way == Way::XmlHttpAsync);
        request.setRequestHeader(u"Content-Type"_s, u"application/x-www-form-urlencoded"_s);
        request.send(body);
        (void)completed(request);
        out.failed = request.failed();
        out.status = request.status();
        out.text = request.responseText();
        out.error = request.errorText();
        return out;
    }
    }
    return out;
}

} // namespace

Q_DECLARE_METATYPE(Way)

class TestNetHostile : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dataDir;
    std::unique_ptr<ScriptedServer> m_forum;   // a site role
    std::unique_ptr<ScriptedServer> m_vip;     // another site role, another port
    std::unique_ptr<ScriptedServer> m_probe;   // the connectivity probe, not the site
    std::unique_ptr<ScriptedServer> m_foreign; // another host altogether: 127.0.0.2

    void plantAuthCookie()
    {
        QNetworkCookie auth("q_auth", "secret-auth");
        auth.setDomain(u"127.0.0.1"_s);
        auth.setPath(u"/"_s);
        testSession().network().cookieStore().insertCookie(auth);
    }

    bool foreignSawAnything() const { return !m_foreign->requests().isEmpty(); }

    // Every request from here on through a forwarding proxy (--proxy), when viaProxy.
    std::unique_ptr<TestProxy> proxyIf(bool viaProxy)
    {
        if (!viaProxy)
            return {};
        auto proxy = std::make_unique<TestProxy>();
        testSession().settings().setProxyUrl(u"http://"_s + proxy->hostAndPort());
        return proxy;
    }

    // The proxy carried exactly these requests (as "METHOD http://HOST:PORT/path"), nothing else.
    static void checkCarried(const TestProxy *proxy, const QList<QByteArray> &lines)
    {
        if (proxy)
            QCOMPARE(proxy->forwardedLines(), lines);
    }

private slots:
    void init()
    {
        m_dataDir = std::make_unique<QTemporaryDir>();
        m_forum = std::make_unique<ScriptedServer>();
        m_vip = std::make_unique<ScriptedServer>();
        m_probe = std::make_unique<ScriptedServer>();
        m_foreign = std::make_unique<ScriptedServer>(QHostAddress(u"127.0.0.2"_s));
        QVERIFY(m_forum->port() && m_vip->port() && m_probe->port());
        if (!m_foreign->port())
            QSKIP("127.0.0.2 cannot be bound here (loopback range not routed)");
        Settings &settings = testSession().settings();
        settings.restoreDefaults();
        settings.setDataDir(m_dataDir->path());
        for (HostRole role : {HostRole::Forum, HostRole::Home, HostRole::Soft, HostRole::Main})
            settings.setHost(role, m_forum->hostAndPort());
        settings.setHost(HostRole::Vip, m_vip->hostAndPort());
        settings.setProbeUrl(m_probe->url(u"/probe"_s));
        testSession().network().cookieStore().setFolder(m_dataDir->filePath(u"Cookies"_s));
        testSession().network().cookieStore().endSession();
        testSession().network().setTimeoutMs(10000);
    }

    void cleanup()
    {
        testSession().network().setTimeoutMs(0);
        testSession().network().cookieStore().endSession();
        m_forum.reset();
        m_vip.reset();
        m_probe.reset();
        m_foreign.reset();
        testSession().settings().restoreDefaults();
        m_dataDir.reset();
    }

    // The rule itself: role addresses (scheme, host and port), the probe's host, nothing else.
    void sitePolicyAddresses()
    {
        QVERIFY(SitePolicy::isRoleAddress(testSession().settings(), QUrl(m_forum->url(u"/home.php?x=1"_s))));
        QVERIFY(SitePolicy::isRoleAddress(testSession().settings(), QUrl(m_vip->url(u"/"_s))));
        QVERIFY(!SitePolicy::isRoleAddress(testSession().settings(), QUrl(m_foreign->url(u"/"_s))));
        QVERIFY(!SitePolicy::isRoleAddress(testSession().settings(), QUrl(u"http://127.0.0.1:%1/"_s.arg(m_foreign->port()))));
        QVERIFY(!SitePolicy::isRoleAddress(testSession().settings(), QUrl(u"ftp://"_s + m_forum->hostAndPort() + u"/"_s)));
        QVERIFY(!SitePolicy::isRoleAddress(testSession().settings(), QUrl(m_probe->url(u"/probe"_s))));
        QVERIFY(SitePolicy::isProbeHost(testSession().settings(), QUrl(m_probe->url(u"/elsewhere"_s))));
        QVERIFY(!SitePolicy::isProbeHost(testSession().settings(), QUrl(m_forum->url(u"/probe"_s))));
        QVERIFY(testSession().network().cookieStore().isSiteAddress(QUrl(m_forum->url(u"/"_s))));
        QVERIFY(!testSession().network().cookieStore().isSiteAddress(QUrl(m_foreign->url(u"/"_s))));

        const QUrl forum(m_forum->url(u"/a"_s));
        const QUrl vip(m_vip->url(u"/b"_s));
        const QUrl foreign(m_foreign->url(u"/c"_s));
        SitePolicy::Hop hop = SitePolicy::redirectHop(testSession().settings(), forum, forum, vip, 302, "POST", true);
        QVERIFY(hop.follow);
        QCOMPARE(hop.method, QByteArray("GET"));
        QVERIFY(!hop.keepBody);
        hop = SitePolicy::redirectHop(testSession().settings(), forum, forum, QUrl(m_forum->url(u"/d"_s)), 307, "POST", true);
        QVERIFY(hop.follow);
        QCOMPARE(hop.method, QByteArray("POST"));
        QVERIFY(hop.keepBody);
        hop = SitePolicy::redirectHop(testSession().settings(), forum, forum, vip, 308, "POST", true);
        QVERIFY(!hop.follow);
        QVERIFY(!hop.reason.isEmpty());
        hop = SitePolicy::redirectHop(testSession().settings(), forum, forum, foreign, 301, "GET", false);
        QVERIFY(!hop.follow);
        QVERIFY(hop.reason.contains(u"127.0.0.2"_s));
        // The probe's own request may move on the probe's host; a site request may not go there.
        const QUrl probe(m_probe->url(u"/probe"_s));
        QVERIFY(SitePolicy::redirectHop(testSession().settings(), probe, probe, QUrl(m_probe->url(u"/p2"_s)), 302, "GET", false).follow);
        QVERIFY(!SitePolicy::redirectHop(testSession().settings(), forum, forum, QUrl(m_probe->url(u"/p2"_s)), 302, "GET", false).follow);
        QVERIFY(!SitePolicy::redirectHop(testSession().settings(), probe, probe, foreign, 302, "GET", false).follow);
    }

    void redirectOffTheSiteFails_data()
    {
        QTest::addColumn<Way>("way");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("viaProxy");
        const QByteArray login = "username=alice&password=S3cret%21pw";
        QTest::newRow("credit page, 302, async fetch") << Way::XmlHttpAsync << 302 << QByteArray("GET") << QByteArray() << false;
        QTest::newRow("VIP page, 301, async fetch") << Way::XmlHttpAsync << 301 << QByteArray("GET") << QByteArray() << false;
        QTest::newRow("avatar, 307, OpenURL") << Way::InetOpenUrl << 307 << QByteArray("GET") << QByteArray() << false;
        QTest::newRow("login post, 307, Execute") << Way::InetExecute << 307 << QByteArray("POST") << login << false;
        QTest::newRow("login post, 308, Execute") << Way::InetExecute << 308 << QByteArray("POST") << login << false;
        QTest::newRow("login post, 302, Execute") << Way::InetExecute << 302 << QByteArray("POST") << login << false;
        QTest::newRow("exchange post, 307, sync") << Way::XmlHttpSync << 307 << QByteArray("POST")
                                                  << QByteArray("password=S3cret&exchangeamount=4") << false;
        QTest::newRow("lost password, 307, sync") << Way::XmlHttpSync << 307 << QByteArray("POST")
                                                  << QByteArray("username=alice&email=alice%40example.org") << false;
        QTest::newRow("lost password, 303, sync") << Way::XmlHttpSync << 303 << QByteArray("POST")
                                                  << QByteArray("username=alice&email=alice%40example.org") << false;
        QTest::newRow("credit page, 302, through a proxy") << Way::XmlHttpAsync << 302 << QByteArray("GET") << QByteArray()
                                                           << true;
        QTest::newRow("login post, 307, through a proxy") << Way::InetExecute << 307 << QByteArray("POST") << login
                                                          << true;
        QTest::newRow("lost password, 303, through a proxy") << Way::XmlHttpSync << 303 << QByteArray("POST")
                                                             << QByteArray("username=alice&email=alice%40example.org")
                                                             << true;
    }

    // Nothing reaches the foreign host, neither cookie nor typed text: the request fails and says why.
    void redirectOffTheSiteFails()
    {
        QFETCH(Way, way);
        QFETCH(int, status);
        QFETCH(QByteArray, method);
        QFETCH(QByteArray, body);
        QFETCH(bool, viaProxy);
        plantAuthCookie();
        m_forum->script("/page", redirectTo(status, m_foreign->url(u"/steal"_s)));
        m_foreign->script("/steal", reply(200, "stolen"));
        const std::unique_ptr<TestProxy> proxy = proxyIf(viaProxy);

        const Outcome out = run(way, m_forum->url(u"/page?x=1"_s), method, body);
        QCOMPARE(m_forum->requests().size(), 1);
        checkCarried(proxy.get(), {method + ' ' + m_forum->url(u"/page?x=1"_s).toLatin1()});
        QVERIFY(out.failed);
        QVERIFY(!out.text.contains(u"stolen"_s));
        QVERIFY2(out.error.contains(u"127.0.0.2"_s), qPrintable(out.error));
        // The foreign host was never even asked: a later request on it must be the first it sees.
        QVERIFY(!foreignSawAnything());
        Outcome probe = run(Way::XmlHttpAsync, m_foreign->url(u"/steal"_s), "GET", {});
        QCOMPARE(probe.text, u"stolen"_s);
        QCOMPARE(m_foreign->requests().size(), 1);
        QVERIFY(!m_foreign->requests().first().headers.contains("cookie"));
    }

    // Another port of the same machine is just as foreign when it is not one of the roles.
    void redirectToAnotherPortFails()
    {
        ScriptedServer other;
        other.script("/x", reply(200, "other"));
        m_forum->script("/page", redirectTo(302, other.url(u"/x"_s)));
        const Outcome out = run(Way::XmlHttpAsync, m_forum->url(u"/page"_s), "GET", {});
        QVERIFY(out.failed);
        QVERIFY(other.requests().isEmpty());
    }

    void redirectInsideTheSiteFollowed_data()
    {
        QTest::addColumn<bool>("viaProxy");
        QTest::newRow("direct") << false;
        QTest::newRow("through a proxy") << true;
    }

    // Inside the site the redirect is followed; each hop asks the store for its own address (the
    // cookie the redirect itself set comes along, a cookie for another path does not), and a POST
    // becomes a GET without body on 301/302/303.
    void redirectInsideTheSiteFollowed()
    {
        QFETCH(bool, viaProxy);
        const std::unique_ptr<TestProxy> proxy = proxyIf(viaProxy);
        QNetworkCookie narrow("q_narrow", "only-under-private");
        narrow.setDomain(u"127.0.0.1"_s);
        narrow.setPath(u"/private"_s);
        testSession().network().cookieStore().insertCookie(narrow);
        m_forum->script("/private/page",
                        redirectTo(302, m_vip->url(u"/landing"_s), {{"Set-Cookie", "q_hop=1; path=/"}}));
        m_vip->script("/landing", reply(200, "landed", {{"Content-Type", "text/html; charset=gbk"}}));

        const Outcome out = run(Way::InetExecute, m_forum->url(u"/private/page"_s), "POST", "username=a&password=b");
        QVERIFY(!out.failed);
        QCOMPARE(out.text, u"landed"_s);
        QCOMPARE(m_forum->requests().size(), 1);
        QVERIFY(m_forum->requests().first().headers.value("cookie").contains("q_narrow"));
        QCOMPARE(m_vip->requests().size(), 1);
        const LoggedRequest &landing = m_vip->requests().first();
        QCOMPARE(landing.method, QByteArray("GET"));
        QVERIFY(landing.body.isEmpty());
        QVERIFY(!landing.headers.contains("content-type"));
        QVERIFY(landing.headers.value("cookie").contains("q_hop=1"));
        QVERIFY(!landing.headers.value("cookie").contains("q_narrow"));
        checkCarried(proxy.get(), {"POST " + m_forum->url(u"/private/page"_s).toLatin1(),
                                   "GET " + m_vip->url(u"/landing"_s).toLatin1()});
    }

    // 307/308 keep the body for the same host only; to another role host the form is not re-sent.
    void redirectKeepsBodyOnTheSameHostOnly()
    {
        m_forum->script("/post", redirectTo(307, m_forum->url(u"/post2"_s)));
        m_forum->script("/post2", reply(200, "posted"));
        Outcome out = run(Way::XmlHttpSync, m_forum->url(u"/post"_s), "POST", "password=pw");
        QVERIFY(!out.failed);
        QCOMPARE(out.text, u"posted"_s);
        QCOMPARE(m_forum->requests().size(), 2);
        QCOMPARE(m_forum->requests().at(1).method, QByteArray("POST"));
        QCOMPARE(m_forum->requests().at(1).body, QByteArray("password=pw"));

        m_forum->script("/post3", redirectTo(308, m_vip->url(u"/post4"_s)));
        m_vip->script("/post4", reply(200, "posted elsewhere"));
        out = run(Way::XmlHttpSync, m_forum->url(u"/post3"_s), "POST", "password=pw");
        QVERIFY(out.failed);
        QVERIFY(!out.error.isEmpty());
        QVERIFY(m_vip->requests().isEmpty());
    }

    // The probe's own request may move on the probe's host; a loop of redirects ends as a failure.
    void probeRedirectAndLoops()
    {
        m_probe->script("/probe", redirectTo(302, m_probe->url(u"/probe2"_s)));
        m_probe->script("/probe2", reply(200, "online"));
        Outcome out = run(Way::InetOpenUrl, m_probe->url(u"/probe"_s), "GET", {});
        QCOMPARE(out.text, u"online"_s);

        m_probe->script("/probe3", redirectTo(302, m_foreign->url(u"/x"_s)));
        out = run(Way::InetOpenUrl, m_probe->url(u"/probe3"_s), "GET", {});
        QVERIFY(out.text.isEmpty());
        QVERIFY(!out.error.isEmpty());
        QVERIFY(!foreignSawAnything());

        m_forum->script("/loop", redirectTo(302, m_forum->url(u"/loop"_s)));
        out = run(Way::XmlHttpAsync, m_forum->url(u"/loop"_s), "GET", {});
        QVERIFY(out.failed);
        QVERIFY(out.error.contains(u"more than"_s));
        QVERIFY(m_forum->requests().size() <= 12);
    }

    void brokenCompressedBodyFails_data()
    {
        QTest::addColumn<Way>("way");
        QTest::addColumn<QByteArray>("encoding");
        QTest::addColumn<QByteArray>("body");
        QByteArray cut = QByteArray::fromHex("1f8b0800000000000003"); // a gzip header, then garbage
        cut += QByteArray(200, '\x7f');
        QTest::newRow("login reply, gzip garbage") << Way::InetExecute << QByteArray("gzip") << cut;
        QTest::newRow("page, gzip garbage") << Way::XmlHttpAsync << QByteArray("gzip") << cut;
        // 0xff: a deflate block of the reserved type, and no zlib header either.
        QTest::newRow("post, deflate garbage") << Way::XmlHttpSync << QByteArray("deflate") << QByteArray(300, '\xff');
        QTest::newRow("OpenURL, not gzip at all") << Way::InetOpenUrl << QByteArray("gzip") << QByteArray("plain text");
    }

    // A body that fails to decompress is a failed transfer, never a complete empty answer.
    void brokenCompressedBodyFails()
    {
        QFETCH(Way, way);
        QFETCH(QByteArray, encoding);
        QFETCH(QByteArray, body);
        m_forum->script("/gz", reply(200, body, {{"Content-Encoding", encoding}, {"Content-Type", "text/xml; charset=gbk"}}));
        const Outcome out = run(way, m_forum->url(u"/gz"_s), way == Way::InetOpenUrl ? "GET" : "POST", "a=b");
        QVERIFY(out.failed);
        QVERIFY(out.text.isEmpty());
        QVERIFY2(out.error.contains(u"decompress"_s), qPrintable(out.error));
    }

    // A sound gzip body still reads as before.
    void soundCompressedBodyReads()
    {
        const QByteArray gz = QByteArray::fromBase64("H4sIAAAAAAAAA8tIzcnJBwCGphA2BQAAAA=="); // "hello"
        m_forum->script("/gz", reply(200, gz, {{"Content-Encoding", "gzip"}, {"Content-Type", "text/plain"}}));
        const Outcome out = run(Way::InetExecute, m_forum->url(u"/gz"_s), "GET", {});
        QVERIFY(!out.failed);
        QCOMPARE(out.text, u"hello"_s);
    }

    // After the session ended, no answer of a request begun in it stores a cookie, and the request
    // itself is stopped (it reports a failure); a request begun afterwards stores its cookies.
    void sessionEndStopsRequestsAndTheirCookies()
    {
        ScriptedReply slow = reply(200, "balance", {{"Set-Cookie", "q_auth=fresh-auth; path=/; expires=Fri, 01-Jan-2100 00:00:00 GMT"}});
        slow.answerDelayMs = 300;
        m_vip->script("/reread", slow);

        Inet inet(testSession().network());
        QSignalSpy spy(&inet, &Inet::StateChanged);
        inet.Execute(m_vip->url(u"/reread"_s), u"GET"_s, {}, {});
        auto xml = std::make_unique<XmlHttp>(testSession().network());
        xml->Open(u"GET"_s, m_vip->url(u"/reread"_s), true);
        xml->send();
        QTRY_COMPARE(m_vip->requests().size(), 2);

        testSession().network().endSession();
        QVERIFY(!states(spy).contains(Inet::icError)); // not from inside the sign-out itself
        QTRY_VERIFY(states(spy).contains(Inet::icError));
        QVERIFY(!states(spy).contains(Inet::icResponseCompleted));
        QVERIFY(!inet.lastError().isEmpty());
        QTRY_COMPARE(xml->ReadyState(), 4);
        QVERIFY(xml->failed());

        // The answer the forum sends after the end (with a fresh auth cookie) stores nothing.
        QTest::qWait(600);
        for (const QNetworkCookie &cookie : testSession().network().cookieStore().allCookies())
            QVERIFY(cookie.name() != "q_auth");
        QVERIFY(QDir(m_dataDir->filePath(u"Cookies"_s)).entryList({u"*.txt"_s}, QDir::Files).isEmpty());

        // A new session's request keeps its cookies as always.
        m_forum->script("/late", reply(200, "late", {{"Set-Cookie", "q_auth=late-auth; path=/; expires=Fri, 01-Jan-2100 00:00:00 GMT"}}));
        const Outcome fresh = run(Way::XmlHttpAsync, m_forum->url(u"/late"_s), "GET", {});
        QVERIFY(!fresh.failed);
        QCOMPARE(fresh.text, u"late"_s);
        bool found = false;
        QByteArray seen;
        for (const QNetworkCookie &cookie : testSession().network().cookieStore().allCookies()) {
            found = found || (cookie.name() == "q_auth" && cookie.value() == "late-auth");
            seen += cookie.toRawForm() + ' ';
        }
        QVERIFY2(found, seen.constData());
    }
};

QTEST_GUILESS_MAIN(TestNetHostile)
#include "test_net_hostile.moc"
