// Inet and XmlHttp against a scripted server on 127.0.0.1: decoding, chunks, statuses, failures,
// time limits, cancel, destruction while waiting, and the cookies they share.
#include "base/CodePage.h"
#include "base/Settings.h"
#include "net/CookieStore.h"
#include "net/Inet.h"
#include "net/Network.h"
#include "net/XmlHttp.h"
#include "AwaitedNet.h"
#include "ScriptedServer.h"
#include "TestSession.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QNetworkCookie>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;
using Header = QPair<QByteArray, QByteArray>;

Q_DECLARE_METATYPE(ScriptedReply)

namespace {

constexpr int kLongTimeoutMs = 20000;

// 3000 Chinese characters with ASCII between them, so that GBK's two-byte sequences fall on every
// kind of piece border.
QString longChineseText()
{
    QString text;
    for (int i = 0; i < 3000; ++i) {
        text += QChar(char16_t(0x4E00 + (i * 37) % 0x51A6));
        if (i % 7 == 0)
            text += QLatin1Char(char('a' + i % 26));
    }
    return text;
}

ScriptedReply reply(int status, const QByteArray &body, QList<Header> headers = {})
{
    ScriptedReply r;
    r.status = status;
    r.body = body;
    r.headers = std::move(headers);
    return r;
}

ScriptedReply withMode(ScriptedReply r, ScriptedReply::Mode mode)
{
    r.mode = mode;
    return r;
}

QList<int> states(const QSignalSpy &spy)
{
    QList<int> out;
    for (const QList<QVariant> &args : spy)
        out << args.at(0).toInt();
    return out;
}

QString readAllChunks(Inet &inet, int size, int *chunkCount = nullptr)
{
    QString all;
    int count = 0;
    for (QString chunk = inet.GetChunk(size); !chunk.isEmpty(); chunk = inet.GetChunk(size)) {
        if (chunk.size() > size)
            return u"<chunk too long>"_s;
        all += chunk;
        ++count;
    }
    if (chunkCount)
        *chunkCount = count;
    return all;
}

// One complete round trip through the event loop and the network: every event the earlier
// transfers could still cause has been delivered when it returns.
void roundTrip(ScriptedServer &server)
{
    server.script("/roundtrip", reply(200, "ok"));
    Inet other(testSession().network());
    QSignalSpy done(&other, &Inet::StateChanged);
    other.Execute(server.url(u"/roundtrip"_s), u"GET"_s, {}, {});
    QTRY_VERIFY(states(done).contains(Inet::icResponseCompleted));
}

} // namespace

class TestNetTransfer : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dataDir;
    std::unique_ptr<ScriptedServer> m_forum;    // a site role
    std::unique_ptr<ScriptedServer> m_vip;      // another site role, another port
    std::unique_ptr<ScriptedServer> m_stranger; // not the site

private slots:
    void init()
    {
        m_dataDir = std::make_unique<QTemporaryDir>();
        m_forum = std::make_unique<ScriptedServer>();
        m_vip = std::make_unique<ScriptedServer>();
        m_stranger = std::make_unique<ScriptedServer>();
        QVERIFY(m_forum->port() && m_vip->port() && m_stranger->port());
        Settings &settings = testSession().settings();
        settings.restoreDefaults();
        settings.setDataDir(m_dataDir->path());
        settings.setHost(HostRole::Forum, m_forum->hostAndPort());
        settings.setHost(HostRole::Vip, m_vip->hostAndPort());
        settings.setProbeUrl(m_stranger->url(u"/probe"_s));
        testSession().network().cookieStore().setFolder(m_dataDir->filePath(u"Cookies"_s));
        testSession().network().cookieStore().endSession();
        testSession().network().setTimeoutMs(kLongTimeoutMs);
    }

    void cleanup()
    {
        testSession().network().setTimeoutMs(0);
        testSession().network().cookieStore().endSession();
        m_forum.reset();
        m_vip.reset();
        m_stranger.reset();
        testSession().settings().restoreDefaults();
        m_dataDir.reset();
    }

    void sharedManagerAndStore()
    {
        QCOMPARE(testSession().network().manager().cookieJar(), &testSession().network().cookieStore());
        QCOMPARE(testSession().network().timeoutMs(), kLongTimeoutMs);
        testSession().network().setTimeoutMs(0);
        QCOMPARE(testSession().network().timeoutMs(), Network::kTimeoutMs);
    }

    void chunksReassembleTheWholeText_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("contentType");
        const QString text = longChineseText();
        QVERIFY(CodePage::fromAnsi(CodePage::toAnsi(text)) == text);
        QTest::newRow("gbk, nothing named") << CodePage::toAnsi(text) << QByteArray("text/html");
        QTest::newRow("gbk named") << CodePage::toAnsi(text) << QByteArray("text/xml; charset=gbk");
        QTest::newRow("utf-8 named") << text.toUtf8() << QByteArray("text/html; charset=utf-8");
    }

    // The login reply is read in 1024-character chunks; the body arrives in odd-sized pieces.
    void chunksReassembleTheWholeText()
    {
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, contentType);
        ScriptedReply r = withMode(reply(200, body, {{"Content-Type", contentType}}), ScriptedReply::Mode::Pieces);
        r.pieceSize = 1001;
        m_forum->script("/member.php", r);

        Inet inet(testSession().network());
        QSignalSpy spy(&inet, &Inet::StateChanged);
        inet.Execute(m_forum->url(u"/member.php?mod=logging&action=login"_s), u"POST"_s, "username=a", {});
        QVERIFY(spy.isEmpty()); // returns at once
        QVERIFY(inet.StillExecuting());
        QVERIFY(inet.GetChunk(1024).isEmpty()); // nothing before completion
        QTRY_VERIFY(states(spy).contains(Inet::icResponseCompleted));
        QVERIFY(!inet.StillExecuting());

        int chunks = 0;
        const QString expected = longChineseText();
        QCOMPARE(readAllChunks(inet, 1024, &chunks), expected);
        QCOMPARE(chunks, int((expected.size() + 1023) / 1024));
        QVERIFY(inet.GetChunk(1024).isEmpty());
        QCOMPARE(inet.lastStatus(), 200);

        roundTrip(*m_forum);
        const QList<int> seen = states(spy);
        QCOMPARE(seen.count(Inet::icResponseCompleted), 1);
        QVERIFY(!seen.contains(Inet::icError));
        QVERIFY(seen.indexOf(Inet::icReceivingResponse) >= 0);
        QVERIFY(seen.indexOf(Inet::icReceivingResponse) < seen.indexOf(Inet::icResponseCompleted));
        QCOMPARE(seen.last(), int(Inet::icResponseCompleted));
    }

    void chunksKeepSurrogatePairsWhole()
    {
        const QString text = QString(1023, u'a') + u"😀b"_s;
        m_forum->script("/emoji", reply(200, text.toUtf8(), {{"Content-Type", "text/plain; charset=utf-8"}}));
        Inet inet(testSession().network());
        QSignalSpy spy(&inet, &Inet::StateChanged);
        inet.Execute(m_forum->url(u"/emoji"_s), u"GET"_s, {}, {});
        QTRY_VERIFY(states(spy).contains(Inet::icResponseCompleted));
        const QString first = inet.GetChunk(1024);
        QCOMPARE(first, QString(1023, u'a'));
        QCOMPARE(inet.GetChunk(1024), u"😀b"_s);
        QVERIFY(inet.GetChunk(1024).isEmpty());
    }

    void executeSendsRequestAsGiven()
    {
        m_forum->script("/member.php", reply(200, "ok"));
        Inet inet(testSession().network());
        QSignalSpy spy(&inet, &Inet::StateChanged);
        inet.Execute(m_forum->url(u"/member.php?mod=logging&action=login&inajax=1"_s), u"POST"_s,
                     "username=%D6%D0&password=x",
                     u"Content-Type: application/x-www-form-urlencoded\r\nReferer: http://bbs/\r\nX-Quorvel: 1"_s);
        QTRY_VERIFY(states(spy).contains(Inet::icResponseCompleted));
        QCOMPARE(m_forum->requests().size(), 1);
        const LoggedRequest &request = m_forum->requests().at(0);
        QCOMPARE(request.method, QByteArray("POST"));
        QCOMPARE(request.target, QByteArray("/member.php?mod=logging&action=login&inajax=1"));
        QCOMPARE(request.body, QByteArray("username=%D6%D0&password=x"));
        QCOMPARE(request.headers.value("content-type"), QByteArray("application/x-www-form-urlencoded"));
        QCOMPARE(request.headers.value("referer"), QByteArray("http://bbs/"));
        QCOMPARE(request.headers.value("x-quorvel"), QByteArray("1"));
    }

    // An error status is a complete answer: state 12 and the body.
    void executeErrorStatusCompletes()
    {
        m_forum->script("/member.php", reply(503, CodePage::toAnsi(u"<html>服务器忙</html>"_s), {{"Content-Type", "text/html"}}));
        Inet inet(testSession().network());
        QSignalSpy spy(&inet, &Inet::StateChanged);
        inet.Execute(m_forum->url(u"/member.php"_s), u"POST"_s, "a=1", {});
        QTRY_VERIFY(states(spy).contains(Inet::icResponseCompleted));
        QVERIFY(!states(spy).contains(Inet::icError));
        QCOMPARE(readAllChunks(inet, 1024), u"<html>服务器忙</html>"_s);
        QCOMPARE(inet.lastStatus(), 503);
    }

    void executeTransportFailureIsStateElevenOnly_data()
    {
        QTest::addColumn<ScriptedReply>("script");
        QTest::addColumn<bool>("refused");
        QTest::newRow("cut off mid-body") << withMode(reply(200, QByteArray(5000, 'x')), ScriptedReply::Mode::DropMidBody) << false;
        QTest::newRow("oversize") << reply(200, QByteArray(9 * 1024 * 1024, 'x')) << false;
        QTest::newRow("refused") << ScriptedReply() << true;
    }

    void executeTransportFailureIsStateElevenOnly()
    {
        QFETCH(ScriptedReply, script);
        QFETCH(bool, refused);
        m_forum->script("/member.php", script);
        const QString url = refused ? u"http://127.0.0.1:%1/member.php"_s.arg(ScriptedServer::unusedPort())
                                    : m_forum->url(u"/member.php"_s);
        Inet inet(testSession().network());
        QSignalSpy spy(&inet, &Inet::StateChanged);
        inet.Execute(url, u"POST"_s, "a=1", {});
        QTRY_VERIFY(states(spy).contains(Inet::icError));
        roundTrip(*m_forum);
        QVERIFY(!states(spy).contains(Inet::icResponseCompleted));
        QCOMPARE(states(spy).count(Inet::icError), 1);
        QVERIFY(!inet.StillExecuting());
        QVERIFY(inet.GetChunk(1024).isEmpty());
    }

    // No time limit for Execute: a silent server keeps it waiting until Cancel.
    void cancelStopsWithoutCompletion()
    {
        testSession().network().setTimeoutMs(300);
        m_forum->script("/member.php", withMode(ScriptedReply(), ScriptedReply::Mode::NeverAnswer));
        Inet inet(testSession().network());
        QSignalSpy spy(&inet, &Inet::StateChanged);
        inet.Execute(m_forum->url(u"/member.php"_s), u"POST"_s, "a=1", {});
        QTRY_COMPARE(m_forum->requests().size(), 1);
        // Longer than the time limit of the other calls, and still waiting.
        XmlHttp timer(testSession().network());
        timer.Open(u"get"_s, m_vip->url(u"/silent"_s), true);
        m_vip->script("/silent", withMode(ScriptedReply(), ScriptedReply::Mode::NeverAnswer));
        timer.send();
        QVERIFY(completed(timer));
        QVERIFY(timer.failed());
        QVERIFY(inet.StillExecuting());

        inet.Cancel();
        QVERIFY(!inet.StillExecuting());
        QTRY_COMPARE(m_forum->closedConnections(), 1); // the abort reached the wire
        roundTrip(*m_forum);
        QVERIFY(!states(spy).contains(Inet::icResponseCompleted));
        QVERIFY(!states(spy).contains(Inet::icError));
    }

    void cancelMidReplyAndRightAway()
    {
        ScriptedReply slow = withMode(reply(200, QByteArray(4000, 'x')), ScriptedReply::Mode::Pieces);
        slow.pieceSize = 500;
        slow.pieceDelayMs = 30;
        m_forum->script("/slow", slow);

        Inet inet(testSession().network());
        QSignalSpy spy(&inet, &Inet::StateChanged);
        inet.Execute(m_forum->url(u"/slow"_s), u"GET"_s, {}, {});
        QTRY_VERIFY(states(spy).contains(Inet::icReceivingResponse));
        inet.Cancel();

        // Cancelled before any event ran: not even the first progress report comes.
        Inet quick(testSession().network());
        QSignalSpy quickSpy(&quick, &Inet::StateChanged);
        quick.Execute(m_forum->url(u"/slow"_s), u"GET"_s, {}, {});
        quick.Cancel();

        // A new Execute replaces a running one silently.
        Inet replaced(testSession().network());
        QSignalSpy replacedSpy(&replaced, &Inet::StateChanged);
        replaced.Execute(m_forum->url(u"/slow"_s), u"GET"_s, {}, {});
        m_forum->script("/fast", reply(200, "fast"));
        replaced.Execute(m_forum->url(u"/fast"_s), u"GET"_s, {}, {});
        QTRY_VERIFY(states(replacedSpy).contains(Inet::icResponseCompleted));

        // The same slow reply, whole: when it is in, the cancelled one would have been too.
        Inet witness(testSession().network());
        QSignalSpy witnessSpy(&witness, &Inet::StateChanged);
        witness.Execute(m_forum->url(u"/slow"_s), u"GET"_s, {}, {});
        QTRY_VERIFY(states(witnessSpy).contains(Inet::icResponseCompleted));
        QCOMPARE(readAllChunks(witness, 1024), QString(4000, u'x'));
        roundTrip(*m_forum);
        QVERIFY(!states(spy).contains(Inet::icResponseCompleted));
        QVERIFY(quickSpy.isEmpty());
        QCOMPARE(states(replacedSpy).count(Inet::icResponseCompleted), 1);
        QCOMPARE(readAllChunks(replaced, 1024), u"fast"_s);
    }

    // The control may be destroyed from the completion handler (the login window closes).
    void destroyedFromItsOwnCompletion()
    {
        m_forum->script("/member.php", reply(200, "ok"));
        QPointer<Inet> inet = new Inet(testSession().network());
        bool completed = false;
        connect(inet, &Inet::StateChanged, this, [&](int state) {
            if (state == Inet::icResponseCompleted) {
                completed = inet->GetChunk(1024) == u"ok"_s;
                delete inet.data();
            }
        });
        inet->Execute(m_forum->url(u"/member.php"_s), u"POST"_s, "a=1", {});
        QTRY_VERIFY(!inet);
        QVERIFY(completed);
    }

    void openUrlOutcomes_data()
    {
        QTest::addColumn<ScriptedReply>("script");
        QTest::addColumn<QString>("expectedText");
        QTest::addColumn<int>("expectedStatus");
        QTest::newRow("page") << reply(200, CodePage::toAnsi(u"网络正常"_s)) << u"网络正常"_s << 200;
        QTest::newRow("error status keeps the body") << reply(404, "<h1>missing</h1>") << u"<h1>missing</h1>"_s << 404;
        QTest::newRow("redirect followed") << reply(302, "", {{"Location", "/target"}}) << u"arrived"_s << 200;
        QTest::newRow("cut off") << withMode(reply(200, QByteArray(4000, 'x')), ScriptedReply::Mode::DropMidBody) << QString()
                                 << 200;
        QTest::newRow("never answers") << withMode(ScriptedReply(), ScriptedReply::Mode::NeverAnswer) << QString() << 0;
        QTest::newRow("oversize") << reply(200, QByteArray(9 * 1024 * 1024, 'x')) << QString() << 200;
    }

    void openUrlOutcomes()
    {
        QFETCH(ScriptedReply, script);
        QFETCH(QString, expectedText);
        QFETCH(int, expectedStatus);
        testSession().network().setTimeoutMs(300);
        if (qstrcmp(QTest::currentDataTag(), "oversize") == 0)
            testSession().network().setTimeoutMs(kLongTimeoutMs); // must fail by its size, not by the clock
        m_stranger->script("/probe", script);
        m_stranger->script("/target", reply(200, "arrived"));
        Inet inet(testSession().network());
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(openedText(inet, m_stranger->url(u"/probe"_s)), expectedText);
        QVERIFY(clock.elapsed() < 10000);
        QCOMPARE(inet.lastStatus(), expectedStatus);
        if (expectedText.isEmpty())
            QVERIFY(inet.lastBody().isEmpty());
    }

    void openUrlControlDestroyedWhileWaiting()
    {
        m_stranger->script("/probe", withMode(ScriptedReply(), ScriptedReply::Mode::NeverAnswer));
        QPointer<Inet> inet = new Inet(testSession().network());
        connect(m_stranger.get(), &ScriptedServer::requestReceived, this, [&] { delete inet.data(); });
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(openedText(*inet, m_stranger->url(u"/probe"_s)), QString());
        QVERIFY(!inet);
        QVERIFY(clock.elapsed() < kLongTimeoutMs / 2);
        QTRY_COMPARE(m_stranger->closedConnections(), 1);
    }

    void openUrlWithoutAServer()
    {
        Inet inet(testSession().network());
        QCOMPARE(openedText(inet, u"http://127.0.0.1:%1/"_s.arg(ScriptedServer::unusedPort())), QString());
        QCOMPARE(inet.lastStatus(), 0);
        QCOMPARE(openedText(inet, u"file:///etc/hostname"_s), QString()); // http only
        QCOMPARE(openedText(inet, u"not a url"_s), QString());
    }

    // HttpGetText's use: asynchronous GET, wait, the body whatever the status.
    void xmlHttpPageFetchReturnsErrorPages()
    {
        m_vip->script("/vip.php", reply(500, CodePage::toAnsi(u"<title>出错了</title>"_s), {{"Content-Type", "text/html"}}));
        XmlHttp request(testSession().network());
        QSignalSpy changes(&request, &XmlHttp::readyStateChanged);
        request.Open(u"get"_s, m_vip->url(u"/vip.php"_s), true);
        request.setRequestHeader(u"If-Modified-Since"_s, u"0"_s);
        request.setRequestHeader(u"X-Injected"_s, u"a\r\nX-Evil: 1"_s);
        request.setRequestHeader(u"Bad Name"_s, u"x"_s);
        request.send();
        QCOMPARE(request.ReadyState(), 1); // returns at once
        QVERIFY(completed(request));
        QCOMPARE(request.ReadyState(), 4);
        QVERIFY(!request.failed());
        QCOMPARE(request.status(), 500);
        QCOMPARE(request.responseText(), u"<title>出错了</title>"_s);

        const LoggedRequest &seen = m_vip->requests().at(0);
        QCOMPARE(seen.method, QByteArray("GET"));
        QCOMPARE(seen.headers.value("if-modified-since"), QByteArray("0"));
        QCOMPARE(seen.headers.value("x-injected"), QByteArray("aX-Evil: 1"));
        QVERIFY(!seen.headers.contains("x-evil"));
        QVERIFY(!seen.headers.contains("bad name"));
        QVERIFY(changes.size() >= 2);
    }

    void xmlHttpSynchronousPost()
    {
        m_forum->script("/home.php", reply(200, "<?xml version=\"1.0\" encoding=\"gbk\"?><root><![CDATA[" +
                                                    CodePage::toAnsi(u"兑换成功"_s) + "]]></root>",
                                           {{"Content-Type", "text/xml"}}));
        XmlHttp request(testSession().network());
        request.Open(u"POST"_s, m_forum->url(u"/home.php?mod=spacecp&ac=credit&op=exchange&inajax=1"_s), false);
        request.setRequestHeader(u"Content-Type"_s, u"application/x-www-form-urlencoded"_s);
        request.send("exchangeamount=8&password=x");
        QVERIFY(completed(request));
        QCOMPARE(request.ReadyState(), 4);
        QVERIFY(request.responseText().contains(u"兑换成功"_s));
        QCOMPARE(m_forum->requests().at(0).method, QByteArray("POST"));
        QCOMPARE(m_forum->requests().at(0).body, QByteArray("exchangeamount=8&password=x"));
    }

    void xmlHttpFailures_data()
    {
        QTest::addColumn<ScriptedReply>("script");
        QTest::addColumn<bool>("async");
        QTest::addColumn<int>("timeoutMs");
        ScriptedReply closeDelimited = reply(200, QByteArray(9 * 1024 * 1024, 'x'));
        closeDelimited.contentLength = false;
        const struct {
            const char *name;
            ScriptedReply script;
            int timeoutMs;
        } cases[] = {
            {"never answers", withMode(ScriptedReply(), ScriptedReply::Mode::NeverAnswer), 300},
            {"stalls mid-body", [] {
                 ScriptedReply r = withMode(reply(200, QByteArray(3000, 'x')), ScriptedReply::Mode::Pieces);
                 r.pieceDelayMs = 2000;
                 return r;
             }(), 300},
            {"cut off", withMode(reply(200, QByteArray(4000, 'x')), ScriptedReply::Mode::DropMidBody), kLongTimeoutMs},
            {"oversize announced", reply(200, QByteArray(9 * 1024 * 1024, 'x')), kLongTimeoutMs},
            {"oversize streamed", closeDelimited, kLongTimeoutMs},
        };
        for (const auto &c : cases) {
            QTest::addRow("%s, async", c.name) << c.script << true << c.timeoutMs;
            QTest::addRow("%s, sync", c.name) << c.script << false << c.timeoutMs;
        }
    }

    void xmlHttpFailures()
    {
        QFETCH(ScriptedReply, script);
        QFETCH(bool, async);
        QFETCH(int, timeoutMs);
        testSession().network().setTimeoutMs(timeoutMs);
        m_vip->script("/page", script);
        XmlHttp request(testSession().network());
        QElapsedTimer clock;
        clock.start();
        request.Open(u"get"_s, m_vip->url(u"/page"_s), async);
        request.send();
        QVERIFY(completed(request));
        QCOMPARE(request.ReadyState(), 4);
        QVERIFY(request.failed());
        QVERIFY(request.responseText().isEmpty());
        QVERIFY(request.responseBody().isEmpty());
        QVERIFY(clock.elapsed() < 10000);
    }

    // Just under the cap is an ordinary reply.
    void xmlHttpLargeReplyUnderTheCap()
    {
        const QByteArray body(7 * 1024 * 1024, 'y');
        m_vip->script("/big", reply(200, body, {{"Content-Type", "text/plain; charset=utf-8"}}));
        XmlHttp request(testSession().network());
        request.Open(u"get"_s, m_vip->url(u"/big"_s), false);
        request.send();
        QVERIFY(completed(request));
        QVERIFY(!request.failed());
        QCOMPARE(request.responseBody().size(), body.size());
        QCOMPARE(request.responseText().size(), body.size());
    }

    void xmlHttpWithoutOpenOrAddress()
    {
        XmlHttp unopened(testSession().network());
        unopened.send();
        QCOMPARE(unopened.ReadyState(), 4);
        QVERIFY(unopened.failed());

        XmlHttp bad(testSession().network());
        bad.Open(u"get"_s, u"file:///etc/hostname"_s, true);
        bad.send();
        QVERIFY(completed(bad));
        QCOMPARE(bad.ReadyState(), 4);
        QVERIFY(bad.failed());
        QVERIFY(bad.responseText().isEmpty());
    }

    // The window owning the request may go away while it waits (deleteLater by its parent, or the
    // parent deleted outright): the wait ends and nothing touches the dead object.
    void xmlHttpDestroyedWhileWaiting_data()
    {
        QTest::addColumn<bool>("async");
        QTest::addColumn<bool>("deleteParent");
        QTest::newRow("async, deleteLater") << true << false;
        QTest::newRow("async, parent deleted") << true << true;
        QTest::newRow("sync, deleteLater") << false << false;
        QTest::newRow("sync, parent deleted") << false << true;
    }

    void xmlHttpDestroyedWhileWaiting()
    {
        QFETCH(bool, async);
        QFETCH(bool, deleteParent);
        m_vip->script("/page", withMode(ScriptedReply(), ScriptedReply::Mode::NeverAnswer));
        auto *parent = new QObject;
        QPointer<XmlHttp> request = new XmlHttp(testSession().network(), parent);
        connect(m_vip.get(), &ScriptedServer::requestReceived, this, [&] {
            if (deleteParent)
                delete parent;
            else if (request)
                request->deleteLater();
        });
        QElapsedTimer clock;
        clock.start();
        request->Open(u"get"_s, m_vip->url(u"/page"_s), async);
        request->send();
        QTRY_VERIFY(!request);
        QVERIFY(clock.elapsed() < kLongTimeoutMs / 2); // ended by the destruction, not the clock
        QTRY_COMPARE(m_vip->closedConnections(), 1);    // and the transfer was dropped
        if (!deleteParent)
            delete parent;
    }

    // Sign-out starts its request and forgets the session at once: the request still carries the
    // cookies, as they were when it started.
    void requestTakesCookiesAtTheStart_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::newRow("GET") << u"GET"_s;
        QTest::newRow("POST") << u"POST"_s;
    }

    void requestTakesCookiesAtTheStart()
    {
        QFETCH(QString, operation);
        QNetworkCookie auth("qv_auth", "a1");
        auth.setPath(u"/"_s);
        QVERIFY(testSession().network().cookieStore().setCookiesFromUrl({auth}, QUrl(m_forum->url(u"/"_s))));
        m_forum->script("/logout", reply(200, "bye"));
        Inet signOut(testSession().network());
        QSignalSpy spy(&signOut, &Inet::StateChanged);
        signOut.Execute(m_forum->url(u"/logout"_s), operation, "x=1", {});
        testSession().network().cookieStore().endSession();
        QTRY_VERIFY(states(spy).contains(Inet::icResponseCompleted));
        QCOMPARE(m_forum->requests().at(0).headers.value("cookie"), QByteArray("qv_auth=a1"));
    }

    // The sign-in cookies set in reply to Inet's post go with XmlHttp's later requests to the
    // other roles (other ports), never to a stranger; sign-out's deleted cookies end that.
    void cookiesSharedBetweenComponentsAndRoles()
    {
        const QByteArray farFuture = "expires=Fri, 01-Jan-2100 00:00:00 GMT";
        m_forum->script("/member.php", reply(200, "ok", {{"Set-Cookie", "qv_salt=s1; " + farFuture + "; path=/; HttpOnly"},
                                                          {"Set-Cookie", "qv_auth=a1; path=/; HttpOnly"}}));
        Inet login(testSession().network());
        QSignalSpy spy(&login, &Inet::StateChanged);
        login.Execute(m_forum->url(u"/member.php?mod=logging&action=login"_s), u"POST"_s, "a=1", {});
        QTRY_VERIFY(states(spy).contains(Inet::icResponseCompleted));

        m_vip->script("/vip.php", reply(200, "vip"));
        XmlHttp page(testSession().network());
        page.Open(u"get"_s, m_vip->url(u"/vip.php"_s), true);
        page.send();
        QVERIFY(completed(page));
        QVERIFY(!page.failed());
        const QByteArray sent = m_vip->requests().at(0).headers.value("cookie");
        QVERIFY2(sent.contains("qv_salt=s1") && sent.contains("qv_auth=a1"), sent.constData());

        m_stranger->script("/probe", reply(200, "up"));
        Inet probe(testSession().network());
        QCOMPARE(openedText(probe, m_stranger->url(u"/probe"_s)), u"up"_s);
        QVERIFY(!m_stranger->requests().at(0).headers.contains("cookie"));

        const QString cookieFile = testSession().network().cookieStore().folder() + u"/127.0.0.1.txt"_s;
        QVERIFY(QFileInfo::exists(cookieFile));

        const QByteArray gone = "=deleted; expires=Thu, 01-Jan-1970 00:00:01 GMT; path=/";
        m_forum->script("/logout", reply(200, "bye", {{"Set-Cookie", "qv_salt" + gone}, {"Set-Cookie", "qv_auth" + gone}}));
        Inet signOut(testSession().network());
        QSignalSpy signOutSpy(&signOut, &Inet::StateChanged);
        signOut.Execute(m_forum->url(u"/logout"_s), u"GET"_s, {}, {});
        QTRY_VERIFY(states(signOutSpy).contains(Inet::icResponseCompleted));

        page.Open(u"get"_s, m_vip->url(u"/vip.php"_s), false);
        page.send();
        QVERIFY(completed(page));
        QCOMPARE(m_vip->requests().size(), 2);
        QVERIFY(!m_vip->requests().at(1).headers.contains("cookie"));
        QVERIFY(!QFileInfo::exists(cookieFile));
    }
};

QTEST_GUILESS_MAIN(TestNetTransfer)
#include "test_net_transfer.moc"
