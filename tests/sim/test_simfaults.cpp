// Fault modes of the simulator, the rules that choose them, and the HTTP handling under them
// (raw sockets where the client library would hide what happened on the wire).
#include "SimFixture.h"
#include "SimHttp.h"

#include <QElapsedTimer>
#include <QStringDecoder>
#include <QTcpSocket>
#include <QtTest>

#include <memory>

using Role = ForumSimulator::Role;
using Fault = ForumSimulator::Fault;

namespace {

const QString kLoginPath = QStringLiteral(
    "/member.php?mod=logging&action=login&loginsubmit=yes&handlekey=login&loginhash=Qm7tW&inajax=1");

// Sends raw bytes and collects what comes back until the peer closes or the time is up.
QByteArray rawExchange(quint16 port, const QByteArray &bytes, int waitMs, bool *closedByPeer = nullptr)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(2000))
        return {};
    socket.write(bytes);
    QByteArray received;
    QElapsedTimer timer;
    timer.start();
    bool closed = false;
    while (timer.elapsed() < waitMs) {
        QTest::qWait(10);
        received += socket.readAll();
        if (socket.state() != QAbstractSocket::ConnectedState) {
            received += socket.readAll();
            closed = true;
            break;
        }
    }
    if (closedByPeer)
        *closedByPeer = closed;
    return received;
}

qsizetype contentLength(const QByteArray &response)
{
    const qsizetype at = response.indexOf("Content-Length: ");
    if (at < 0)
        return -1;
    return response.mid(at + 16, response.indexOf("\r\n", at) - at - 16).toLongLong();
}

} // namespace

class TestSimFaults : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<SimFixture> fx;
    ForumSimulator &sim() { return fx->sim(); }

    SimReply login(SimHttp &http, const QByteArray &password = "alice123", int timeoutMs = 10000)
    {
        return http.post(sim().url(Role::Forum, kLoginPath),
                         "formhash=5c2e9a17&referer=x&username=alice&password=" + password, timeoutMs);
    }
    SimReply exchange8(SimHttp &http)
    {
        return http.post(sim().url(Role::Home, QStringLiteral("/home.php?mod=spacecp&ac=credit&op=exchange&handlekey=credit&inajax=1")),
                         "formhash=7b41e0c3&operation=exchange&exchangeamount=8&tocredits=1&fromcredits=4&password=alice123");
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

    void bodyFaultsOnTheSignInPost()
    {
        SimHttp http;
        sim().setFault(Fault::Empty, "action=login", Role::Forum, 1);
        SimReply empty = login(http);
        QCOMPARE(empty.status, 200);
        QVERIFY(empty.body.isEmpty());
        QVERIFY(empty.error == QNetworkReply::NoError);

        sim().setFault(Fault::ErrorPage, "action=login", std::nullopt, 1);
        const QString page = login(http).text();
        QVERIFY(page.contains(QStringLiteral("<html")));
        for (const char *absent : {"CDATA", "errorhandle_", "succeedhandle_"})
            QVERIFY2(!page.contains(QLatin1String(absent)), absent);
        QVERIFY(!page.contains(QStringLiteral("失败")));
        QVERIFY(!page.contains(QStringLiteral("欢迎您回来")));

        sim().setFault(Fault::Status500, "action=login", std::nullopt, 1);
        const SimReply failed = login(http);
        QCOMPARE(failed.status, 500);
        QVERIFY(!failed.text().contains(QStringLiteral("CDATA")));

        sim().setFault(Fault::Token503, "action=login", std::nullopt, 1);
        const SimReply token = login(http);
        QCOMPARE(token.status, 503);
        QCOMPARE(token.contentType, QByteArray("text/html; charset=gbk"));
        QVERIFY(token.text().contains(QStringLiteral("已经被系统拒绝")));

        // None of these signed anybody in.
        QCOMPARE(sim().state().sessionCount(), 0);
        QVERIFY(http.cookieValue(ForumSimulator::authCookieName()).isEmpty());

        sim().setFault(Fault::NoCdata, "action=login", std::nullopt, 1);
        const QString bare = login(http, "wrong").text();
        QVERIFY(bare.contains(QStringLiteral("<root>登录失败")));
        QVERIFY(!bare.contains(QStringLiteral("CDATA")));
        QVERIFY(bare.contains(QStringLiteral("errorhandle_login")));

        sim().setFault(Fault::Huge, "action=login", std::nullopt, 1);
        const SimReply huge = login(http);
        QVERIFY(huge.body.size() > 8 * 1024 * 1024);
        QVERIFY(huge.text().contains(QStringLiteral("欢迎您回来")));

        sim().setFault(Fault::InvalidGbk, "action=login", std::nullopt, 1);
        const SimReply invalid = login(http);
        QStringDecoder strict("GB18030");
        const QString decoded = strict.decode(invalid.body);
        QVERIFY(strict.hasError());
        QVERIFY(decoded.contains(QStringLiteral("欢迎您回来")));

        // Count 1: every rule above was used up.
        QVERIFY(login(http).text().contains(QStringLiteral("欢迎您回来")));
    }

    void faultsBeforeTheForumActsChargeNothing()
    {
        SimHttp http;
        QVERIFY(login(http).text().contains(QStringLiteral("欢迎您回来")));
        for (Fault fault : {Fault::Empty, Fault::ErrorPage, Fault::Status500, Fault::Token503}) {
            sim().setFault(fault, "op=exchange", Role::Home, 1);
            exchange8(http);
            QCOMPARE(sim().member(QStringLiteral("alice"))->za, 40);
        }
        // A reply spoilt on the way still leaves the exchange done, as on a real server.
        sim().setFault(Fault::Drop, "op=exchange", Role::Home, 1);
        const SimReply dropped = exchange8(http);
        QVERIFY(dropped.error != QNetworkReply::NoError);
        QCOMPARE(sim().member(QStringLiteral("alice"))->za, 38);
    }

    void dropClosesMidReply()
    {
        sim().setFault(Fault::Drop, "/version/");
        bool closed = false;
        const QByteArray got = rawExchange(sim().port(Role::Soft),
                                           "GET /version/main.txt HTTP/1.1\r\nHost: x\r\n\r\n", 3000, &closed);
        QVERIFY(closed);
        const qsizetype headEnd = got.indexOf("\r\n\r\n");
        QVERIFY(headEnd > 0);
        QVERIFY(got.startsWith("HTTP/1.1 200"));
        QVERIFY(got.size() - headEnd - 4 < contentLength(got));
    }

    void noAnswerAndSlow()
    {
        SimHttp http;
        sim().setFault(Fault::NoAnswer, "/version/");
        const SimReply none = http.get(sim().url(Role::Soft, QStringLiteral("/version/main.txt")), 500);
        QVERIFY(none.timedOut);
        // The simulator still serves everything else meanwhile.
        QCOMPARE(http.get(sim().url(Role::Soft)).status, 200);
        sim().clearFaults();

        sim().setSlowDelayMs(400);
        sim().setFault(Fault::Slow, "/version/");
        QElapsedTimer timer;
        timer.start();
        const SimReply slow = http.get(sim().url(Role::Soft, QStringLiteral("/version/main.txt")));
        QVERIFY(timer.elapsed() >= 380);
        QCOMPARE(slow.body, QByteArray("km:V1.2|2015-03-01"));
        QCOMPARE(ForumSimulator::kDefaultSlowDelayMs > 30000, true);
    }

    void rulesMatchPathRoleAndCount()
    {
        SimHttp http;
        sim().setFault(Fault::Status500, "/version/", Role::Forum);
        sim().setFault(Fault::Empty, "", Role::Vip, 2);
        QCOMPARE(http.get(sim().url(Role::Soft, QStringLiteral("/version/main.txt"))).status, 200); // other role
        QVERIFY(http.get(sim().url(Role::Vip)).body.isEmpty());
        QVERIFY(http.get(sim().url(Role::Vip)).body.isEmpty());
        QVERIFY(!http.get(sim().url(Role::Vip)).body.isEmpty());
        sim().setFault(Fault::Status500, "/version/");
        QCOMPARE(http.get(sim().url(Role::Soft, QStringLiteral("/version/main.txt"))).status, 500);
        QCOMPARE(http.get(sim().url(Role::Soft, QStringLiteral("/__sim/clearfaults"))).status, 200);
        QCOMPARE(http.get(sim().url(Role::Soft, QStringLiteral("/version/main.txt"))).status, 200);
        // Control requests are never faulted and never logged.
        sim().setFault(Fault::NoAnswer);
        QCOMPARE(http.get(sim().url(Role::Probe, QStringLiteral("/__sim/reset")), 2000).status, 200);
        QCOMPARE(sim().requests().size(), 0);
        QCOMPARE(http.get(sim().url(Role::Probe), 2000).status, 200);
    }

    void wireHandling()
    {
        // Two requests on one connection, the second with a chunked body in GBK.
        const QByteArray form = "formhash=5c2e9a17&username=" + CodePage::percentEncode(QStringLiteral("小明"))
            + "&password=" + CodePage::percentEncode(QStringLiteral("xm&=+%密码"));
        QByteArray chunks;
        for (qsizetype at = 0; at < form.size(); at += 13) {
            const QByteArray piece = form.mid(at, 13);
            chunks += QByteArray::number(piece.size(), 16) + "\r\n" + piece + "\r\n";
        }
        chunks += "0\r\n\r\n";
        const QByteArray chunked = "POST " + kLoginPath.toLatin1()
            + " HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n" + chunks;
        bool closed = false;
        const QByteArray got = rawExchange(sim().port(Role::Soft), "GET /version/main.txt HTTP/1.1\r\nHost: x\r\n\r\n", 300);
        QVERIFY(got.endsWith("km:V1.2|2015-03-01"));
        const QByteArray both = rawExchange(sim().port(Role::Forum),
                                            "GET /forum.php HTTP/1.1\r\nHost: x\r\n\r\n" + chunked, 3000, &closed);
        QVERIFY(closed);
        QCOMPARE(both.count("HTTP/1.1 200 OK"), 2);
        QVERIFY(CodePage::fromAnsi(both).contains(QStringLiteral("欢迎您回来")));
        QCOMPARE(sim().requests().last().formValue("password"), QStringLiteral("xm&=+%密码"));

        const QByteArray bad = rawExchange(sim().port(Role::Forum), "NONSENSE\r\n\r\n", 2000, &closed);
        QVERIFY(bad.startsWith("HTTP/1.1 400"));
        QVERIFY(closed);
    }
};

QTEST_MAIN(TestSimFaults)
#include "test_simfaults.moc"
