// The site's cookies go to the site's roles only. A member signs in through the login window and
// reaches the panel; then the client asks the connectivity-probe site again in every way it can
// (the transfer control, the page fetch, the XML HTTP object, a post). The probe site, on another
// loopback address or on another port of the forum's address, must never receive a Cookie header,
// while the forum did receive the member's auth cookie.
#include "AwaitedNet.h"
#include "base/Settings.h"
#include "ClientWindows.h"
#include "ForumSimulator.h"
#include "net/CookieStore.h"
#include "net/Inet.h"
#include "net/Network.h"
#include "net/XmlHttp.h"
#include "SeamRecorder.h"
#include "SimFixture.h"
#include "session/QuorvelModule.h"
#include "start/StartRoutine.h"
#include "TempDataDir.h"
#include "windows/identity/Form3.h"
#include "windows/login/Form1.h"
#include "windows/panel/Form2.h"
#include "TestSession.h"

#include <QApplication>
#include <QCheckBox>
#include <QHostAddress>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

bool carriesAuth(const RecordedRequest &request)
{
    return request.header("Cookie").contains(QByteArray(ForumSimulator::authCookieName() + '='));
}

} // namespace

class TestCookieHosts : public QObject
{
    Q_OBJECT
private slots:
    void cleanup();
    void probeSiteNeverGetsCookies_data();
    void probeSiteNeverGetsCookies();
};

void TestCookieHosts::cleanup()
{
    closeClientWindows();
    testSession().setLoginWindowOpener({});
    testSession().network().setTimeoutMs(0);
    testSession().network().cookieStore().endSession();
}

void TestCookieHosts::probeSiteNeverGetsCookies_data()
{
    QTest::addColumn<QString>("probeAddress");
    QTest::newRow("probe on another address") << QStringLiteral("127.0.0.2");
    QTest::newRow("probe on another port of the forum's address") << QStringLiteral("127.0.0.1");
}

void TestCookieHosts::probeSiteNeverGetsCookies()
{
    QFETCH(QString, probeAddress);
    TempDataDir dir;
    testSession().network().cookieStore().setFolder(QuorvelModule::SpecialFolderPath(testSession().settings(), QuorvelModule::kCookiesFolder));
    testSession().network().cookieStore().endSession();
    SeamRecorder seams;
    ForumSimulator sim;
    sim.setListenAddress(ForumSimulator::Role::Probe, QHostAddress(probeAddress));
    QVERIFY2(sim.start(), "the simulator could not listen (is 127.0.0.2 routed to loopback?)");
    pointClientAt(sim);
    QVERIFY(testSession().settings().probeUrl().startsWith(QStringLiteral("http://") + probeAddress + QLatin1Char(':')));
    testSession().network().setTimeoutMs(5000);
    registerWindows(testSession());

    // Sign in through the login window; the identity check is ticked at once.
    QTimer tick;
    connect(&tick, &QTimer::timeout, this, [] {
        if (Form3 *check = Form3::current(testSession()); check && !check->handOverStarted())
            check->Timer1_Timer();
    });
    tick.start(5);
    QPointer<Form1> login = Form1::openNew(testSession());
    login->Text1->setText(QStringLiteral("alice"));
    login->Text2->setText(QStringLiteral("alice123"));
    login->Command1->click();
    QTRY_VERIFY_WITH_TIMEOUT(!login && Form2::existing(testSession()) && Form2::existing(testSession())->isVisible(), 10000);
    tick.stop();
    const auto held = testSession().network().cookieStore().allCookies();
    QVERIFY(std::any_of(held.cbegin(), held.cend(),
                        [](const QNetworkCookie &c) { return c.name() == ForumSimulator::authCookieName(); }));

    // Every way the client reaches the probe site, with the session in the store.
    const QString probe = testSession().settings().probeUrl();
    Inet transfer(testSession().network());
    QVERIFY(!openedText(transfer, probe).isEmpty());
    QVERIFY(!awaited(QuorvelModule::HttpGetText(testSession().site(), probe)).value_or(QString()).isEmpty());
    XmlHttp get(testSession().network());
    get.Open(QStringLiteral("GET"), probe + QStringLiteral("?again=1"), false);
    get.send();
    QVERIFY(completed(get));
    QCOMPARE(get.status(), 200);
    XmlHttp post(testSession().network());
    post.Open(QStringLiteral("POST"), probe, false);
    post.setRequestHeader(QStringLiteral("Content-Type"), QStringLiteral("application/x-www-form-urlencoded"));
    post.send("a=1");
    QVERIFY(completed(post));
    // And the forum, the same way, for comparison.
    QVERIFY(!awaited(QuorvelModule::HttpGetText(testSession().site(), testSession().settings().url(HostRole::Forum, QStringLiteral("/forum.php")))).value_or(QString()).isEmpty());

    const QList<RecordedRequest> requests = sim.requests();
    int probeRequests = 0;
    bool forumGotAuth = false;
    for (const RecordedRequest &request : requests) {
        if (request.role == ForumSimulator::Role::Probe) {
            ++probeRequests;
            QVERIFY2(request.header("Cookie").isEmpty(),
                     QByteArray(request.method + ' ' + request.pathAndQuery + " carried " + request.header("Cookie")).constData());
        } else if (request.role == ForumSimulator::Role::Forum && carriesAuth(request)) {
            forumGotAuth = true;
        }
    }
    QCOMPARE(probeRequests, 5); // the sign-in's own probe and the four above
    QVERIFY(forumGotAuth);
    QVERIFY(seams.messages.isEmpty());
}

QTEST_MAIN(TestCookieHosts)
#include "test_cookie_hosts.moc"
