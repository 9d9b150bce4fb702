// The whole client over HTTPS: the simulator serves every role over TLS with a certificate from an
// authority made for the test, the client trusts that authority the way --ca-certificates does,
// and a member signs in through the login window, reaches the panel, exchanges, signs out and asks
// for a lost password. Then the certificates that must fail: expired, issued for another name,
// from an unknown issuer, and the good one without the authority. Each ends its request as a
// failure, names host and reason on standard error, and never reaches the forum.
#include "AwaitedNet.h"
#include "base/Settings.h"
#include "ClientWindows.h"
#include "ForumSimulator.h"
#include "net/CookieStore.h"
#include "net/Network.h"
#include "ScriptedServer.h"
#include "SeamRecorder.h"
#include "SimFixture.h"
#include "session/QuorvelModule.h"
#include "SimSignIn.h"
#include "start/StartRoutine.h"
#include "TempDataDir.h"
#include "TestCa.h"
#include "windows/identity/Form3.h"
#include "windows/login/Form1.h"
#include "windows/panel/Form2.h"
#include "windows/recovery/Form4.h"
#include "TestSession.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSet>
#include <QTest>
#include <QTimer>

#include <QHash>

#include <memory>
#include <utility>

using namespace Qt::StringLiterals;
Q_DECLARE_METATYPE(TestCa::Server)

namespace {

QStringList g_warnings;
QtMessageHandler g_previousHandler = nullptr;

void captureWarnings(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtWarningMsg && context.category && QByteArrayView(context.category) == "quorvel.net")
        g_warnings << message;
    if (g_previousHandler)
        g_previousHandler(type, context, message);
}

Form1 *visibleLoginWindow()
{
    const QList<Form1 *> shown = visibleLoginWindows();
    return shown.isEmpty() ? nullptr : shown.last();
}

} // namespace

class TestHttps : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void wholeVisitOverHttps_data();
    void wholeVisitOverHttps();
    void refusedCertificates_data();
    void refusedCertificates();
    void onlySomeRolesOnHttps();
    void loginPostMovedToHttps_data();
    void loginPostMovedToHttps();

private:
    void startSim(TestCa::Server server, const QList<ForumSimulator::Role> &roles = {});

    std::unique_ptr<TestCa> m_ca;
    std::unique_ptr<TempDataDir> m_dir;
    std::unique_ptr<SeamRecorder> m_seams;
    std::unique_ptr<ForumSimulator> m_sim;
};

void TestHttps::initTestCase()
{
    m_ca = std::make_unique<TestCa>();
    QVERIFY2(m_ca->isValid(), qPrintable(m_ca->error()));
    g_previousHandler = qInstallMessageHandler(captureWarnings);
}

void TestHttps::init()
{
    m_dir = std::make_unique<TempDataDir>();
    testSession().network().cookieStore().setFolder(QuorvelModule::SpecialFolderPath(testSession().settings(), QuorvelModule::kCookiesFolder));
    testSession().network().cookieStore().endSession();
    m_seams = std::make_unique<SeamRecorder>();
    testSession().network().setTimeoutMs(5000);
    QVERIFY(testSession().network().useCaCertificatesFile(m_ca->caFile()));
    registerWindows(testSession());
    g_warnings.clear();
}

void TestHttps::cleanup()
{
    closeClientWindows();
    testSession().setLoginWindowOpener({});
    testSession().network().setTimeoutMs(0);
    testSession().network().resetCaCertificates();
    testSession().network().cookieStore().endSession();
    m_sim.reset();
    m_seams.reset();
    m_dir.reset();
    testSession().settings().restoreDefaults();
}

void TestHttps::startSim(TestCa::Server server, const QList<ForumSimulator::Role> &roles)
{
    m_sim = std::make_unique<ForumSimulator>();
    m_sim->setTls(m_ca->chain(server), m_ca->key(), roles);
    QVERIFY(m_sim->start());
    pointClientAt(*m_sim);
}

void TestHttps::wholeVisitOverHttps_data()
{
    QTest::addColumn<bool>("utf8");    // the forum's UTF-8 build
    QTest::addColumn<bool>("captcha"); // the login asks for one
    QTest::addColumn<QString>("account");
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("question");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("email");
    QTest::addColumn<int>("uid");
    QTest::newRow("gbk") << false << false << u"alice"_s << u"alice123"_s << 0 << QString() << u"alice@example.com"_s << 1234;
    QTest::newRow("utf-8, captcha, Chinese member")
        << true << true << u"测试用户"_s << u"中文密码"_s << 1 << u"王小红"_s << u"ceshi@example.com"_s << 666;
}

void TestHttps::wholeVisitOverHttps()
{
    QFETCH(bool, utf8);
    QFETCH(bool, captcha);
    QFETCH(QString, account);
    QFETCH(QString, password);
    QFETCH(int, question);
    QFETCH(QString, answer);
    QFETCH(QString, email);
    QFETCH(int, uid);
    startSim(TestCa::Server::Good);
    if (QTest::currentTestFailed())
        return;
    ForumSimulator &sim = *m_sim;
    SimSiteSettings site = sim.siteSettings();
    site.utf8 = utf8;
    sim.setSiteSettings(site);
    sim.setCaptchaEnabled(captcha);
    for (HostRole role : {HostRole::Forum, HostRole::Home, HostRole::Vip, HostRole::Soft, HostRole::Main})
        QCOMPARE(testSession().settings().scheme(role), u"https"_s);
    QVERIFY(testSession().settings().probeUrl().startsWith(u"https://"_s));
    ForumSimulator::Member *member = sim.member(account);
    QVERIFY(member);
    member->za = 40;
    member->quorvelbi = 100;

    QTimer tick; // the identity check's one-second wait, ticked at once
    connect(&tick, &QTimer::timeout, this, [] {
        if (Form3 *check = Form3::current(testSession()); check && !check->handOverStarted())
            check->Timer1_Timer();
    });
    tick.start(5);

    QPointer<Form1> login = Form1::openNew(testSession());
    QVERIFY(login);
    login->Text1->setText(account);
    login->Text2->setText(password);
    login->Combo1->setCurrentIndex(question);
    login->Text3->setText(answer);
    login->Check1->setChecked(true);
    login->Check2->setChecked(false);
    login->Command1->click();
    if (captcha) {
        // The first press reads the login form, which asks for the code: the picture comes over
        // HTTPS from the forum, with the forum's own Referer.
        QTRY_VERIFY_WITH_TIMEOUT(!login->Image4->pixmap().isNull(), 10000);
        const auto pictures = sim.requestsTo("/misc.php?mod=seccode");
        QCOMPARE(pictures.size(), 1);
        QCOMPARE(pictures.first().header("Referer"), sim.origin(ForumSimulator::Role::Forum).toLatin1() + '/');
        QVERIFY(sim.requestsTo("loginsubmit=yes").isEmpty());
        QTRY_VERIFY(login->Command1->isEnabled());
        login->Text4->setText(QString::fromLatin1(sim.captcha().latestCode()));
        login->Command1->click();
    }
    QTRY_VERIFY2_WITH_TIMEOUT(!login && Form2::existing(testSession()) && Form2::existing(testSession())->isVisible() && !Form3::current(testSession()),
                              qPrintable(u"no hand-over; messages: "_s + m_seams->messageTexts().join(u'|')
                                         + u"; warnings: "_s + g_warnings.join(u'|')),
                              15000);
    QPointer<Form2> panel = Form2::existing(testSession());
    QCOMPARE(panel->Label3->text(), account);
    QTRY_COMPARE_WITH_TIMEOUT(panel->Label1[1]->text(), u"40"_s, 5000);

    // The session's cookies came over HTTPS and are marked Secure, in memory and in the files.
    const QList<QNetworkCookie> cookies = testSession().network().cookieStore().allCookies();
    QVERIFY(!cookies.isEmpty());
    for (const QNetworkCookie &c : cookies)
        QVERIFY2(c.isSecure(), c.name().constData());
    const QStringList files = QDir(QuorvelModule::SpecialFolderPath(testSession().settings(), QuorvelModule::kCookiesFolder)).entryList({u"*.txt"_s}, QDir::Files);
    QVERIFY(!files.isEmpty());
    for (const QString &name : files) {
        QFile file(QuorvelModule::SpecialFolderPath(testSession().settings(), QuorvelModule::kCookiesFolder) + u'/' + name);
        QVERIFY(file.open(QIODevice::ReadOnly));
        for (const QByteArray &line : file.readAll().split('\n'))
            QVERIFY2(line.isEmpty() || line.contains("; secure"), line.constData());
    }

    // Exchange: 8 Quorvel币 for 2 za.
    panel->Text3->setText(u"8"_s);
    panel->Text5->setText(password);
    m_seams->queueAnswer(Seams::Answer::Yes);
    panel->Command6->click();
    QTRY_COMPARE_WITH_TIMEOUT(panel->Label1[1]->text(), u"38"_s, 5000);
    QCOMPARE(member->za, 38);

    // Sign-out, with the session's cookies.
    m_seams->queueAnswer(Seams::Answer::Yes);
    panel->Command5->click();
    QTRY_VERIFY_WITH_TIMEOUT(!panel && visibleLoginWindow(), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(!sim.requestsTo("action=logout").isEmpty(), 5000);
    QVERIFY(sim.requestsTo("action=logout").last().header("Cookie").contains(ForumSimulator::authCookieName()));

    // Lost password, from a fresh window.
    Form4 lost(testSession());
    lost.show();
    QVERIFY(QTest::qWaitForWindowExposed(&lost));
    lost.findChild<QLineEdit *>(u"Text1"_s)->setText(account);
    lost.findChild<QLineEdit *>(u"Text2"_s)->setText(email);
    const qsizetype before = m_seams->messages.size();
    lost.findChild<QPushButton *>(u"Command1"_s)->click();
    QTRY_VERIFY_WITH_TIMEOUT(m_seams->messages.size() > before, 5000);
    QVERIFY2(m_seams->lastMessage().contains(u"Email 发送到您的信箱"_s), qPrintable(m_seams->lastMessage()));
    QVERIFY(sim.mailedUids().contains(uid));

    // Every role the visit used was reached; each server speaks TLS only, so every recorded
    // request came over HTTPS.
    QSet<ForumSimulator::Role> reached;
    for (const RecordedRequest &r : sim.requests())
        reached.insert(r.role);
    for (ForumSimulator::Role role : {ForumSimulator::Role::Forum, ForumSimulator::Role::Home, ForumSimulator::Role::Vip,
                                      ForumSimulator::Role::Probe})
        QVERIFY2(reached.contains(role), qPrintable(ForumSimulator::roleName(role)));
    QVERIFY2(g_warnings.isEmpty(), qPrintable(g_warnings.join(u'|')));
    QCOMPARE(Network::certificateProblem({}), QString());
}

void TestHttps::refusedCertificates_data()
{
    QTest::addColumn<TestCa::Server>("server");
    QTest::addColumn<bool>("trustTestAuthority");
    QTest::addColumn<QString>("reason");
    QTest::newRow("expired") << TestCa::Server::Expired << true << u"expired"_s;
    QTest::newRow("wrong name") << TestCa::Server::WrongName << true << u"issued for another name"_s;
    QTest::newRow("unknown issuer") << TestCa::Server::UnknownIssuer << true << u"unknown issuer"_s;
    QTest::newRow("good one, authority not given") << TestCa::Server::Good << false << u"unknown issuer"_s;
}

void TestHttps::refusedCertificates()
{
    QFETCH(TestCa::Server, server);
    QFETCH(bool, trustTestAuthority);
    QFETCH(QString, reason);
    if (!trustTestAuthority)
        testSession().network().resetCaCertificates();
    startSim(server);
    if (QTest::currentTestFailed())
        return;
    const QString forum = m_sim->hostAndPort(ForumSimulator::Role::Forum);

    // A page fetch: empty, as for any failed fetch.
    QCOMPARE(awaited(QuorvelModule::HttpGetText(testSession().site(), m_sim->url(ForumSimulator::Role::Forum, u"/forum.php"_s))).value_or(QString()), QString());
    QVERIFY2(g_warnings.size() == 1, qPrintable(g_warnings.join(u'|')));
    const QString expected = u"certificate of "_s + forum + u" refused: "_s;
    QVERIFY2(g_warnings.first().startsWith(expected), qPrintable(g_warnings.first()));
    QVERIFY2(g_warnings.first().contains(reason), qPrintable(g_warnings.first()));

    // The login post fails too, and the forum never saw a request nor a password.
    QVERIFY(!signInThroughLoginForm(u"alice"_s, u"alice123"_s));
    QCOMPARE(g_warnings.size(), 2);
    QVERIFY(g_warnings.last().contains(reason));
    QVERIFY(m_sim->requests().isEmpty());
    QVERIFY(testSession().network().cookieStore().allCookies().isEmpty());

    // Through the login window: no panel, the window stays usable.
    QPointer<Form1> login = Form1::openNew(testSession());
    QVERIFY(login);
    login->Text1->setText(u"alice"_s);
    login->Text2->setText(u"alice123"_s);
    login->Command1->click();
    // The probe site fails like everything else: the window says the network is not there.
    QTRY_COMPARE_WITH_TIMEOUT(login->Label5[1]->text(), u"请检查您的网络链接"_s, 10000);
    QVERIFY(login->Text1->isEnabled());
    QVERIFY(!Form2::existing(testSession()));
    QVERIFY(m_sim->requests().isEmpty());

    // The authority given afterwards counts at once, at the very address refused before.
    if (!trustTestAuthority) {
        QVERIFY(testSession().network().useCaCertificatesFile(m_ca->caFile()));
        QVERIFY(signInThroughLoginForm(u"alice"_s, u"alice123"_s));
    }
}

void TestHttps::onlySomeRolesOnHttps()
{
    // The forum on HTTPS, the other roles plain: each address follows its own role's scheme.
    startSim(TestCa::Server::Good, {ForumSimulator::Role::Forum});
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(testSession().settings().scheme(HostRole::Forum), u"https"_s);
    QCOMPARE(testSession().settings().scheme(HostRole::Home), u"http"_s);
    QVERIFY(signInThroughLoginForm(u"alice"_s, u"alice123"_s));
    // The forum's cookies are Secure: the plain home role gets none of them.
    const QString home = testSession().settings().url(HostRole::Home, u"/home.php?mod=space&uid=1234"_s);
    QVERIFY(testSession().network().cookieStore().cookiesForUrl(QUrl(home)).isEmpty());
    QVERIFY(!awaited(QuorvelModule::HttpGetText(testSession().site(), home)).value_or(QString()).isEmpty());
    const QList<RecordedRequest> toHome = m_sim->requestsTo("mod=space");
    QCOMPARE(toHome.size(), 1);
    QVERIFY(!toHome.first().header("Cookie").contains(ForumSimulator::authCookieName()));
    QCOMPARE(m_sim->clientArguments().at(1), m_sim->origin(ForumSimulator::Role::Forum));
    QVERIFY(m_sim->clientArguments().at(1).startsWith(u"https://"_s));
    QVERIFY(!m_sim->clientArguments().at(3).contains(u"://"_s));
}

void TestHttps::loginPostMovedToHttps_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("toRole");       // the https address is one of the site's roles
    QTest::addColumn<QByteArray>("arrives"); // method the forum receives ("" : nothing arrives)
    QTest::addColumn<bool>("signedIn");
    QTest::newRow("307 keeps the post") << 307 << true << QByteArray("POST") << true;
    QTest::newRow("308 keeps the post") << 308 << true << QByteArray("POST") << true;
    // Only the scheme moved: the form goes again to the same host, encrypted.
    QTest::newRow("301 to the same address over https") << 301 << true << QByteArray("POST") << true;
    QTest::newRow("302 to the same address over https") << 302 << true << QByteArray("POST") << true;
    // "See other": a GET without the form, so no sign-in (and no password sent again).
    QTest::newRow("303 becomes a GET") << 303 << true << QByteArray("GET") << false;
    QTest::newRow("307 to an https host that is no role") << 307 << false << QByteArray() << false;
}

void TestHttps::loginPostMovedToHttps()
{
    QFETCH(int, status);
    QFETCH(bool, toRole);
    QFETCH(QByteArray, arrives);
    QFETCH(bool, signedIn);
    startSim(TestCa::Server::Good, {ForumSimulator::Role::Forum});
    if (QTest::currentTestFailed())
        return;
    const QString secureForum = m_sim->origin(ForumSimulator::Role::Forum);
    // A plain-HTTP host that answers every request with one redirect to the secure forum plus the
    // request's own path and query, as a forum that moved to HTTPS does.
    ScriptedServer redirector;
    ScriptedReply moved = ScriptedReply::movedTo(status, secureForum.toLatin1());
    moved.reason = "Moved";
    redirector.setFallback(moved);
    // The member's settings still name the forum by http; the site's https address is known as
    // one of its roles (here the main site's) unless the case says otherwise.
    testSession().settings().setHost(HostRole::Forum, redirector.origin());
    testSession().settings().setHost(HostRole::Main, toRole ? secureForum : u"127.0.0.1:1"_s);

    QCOMPARE(signInThroughLoginForm(u"alice"_s, u"alice123"_s), signedIn);
    // The login form (for the session's token), then the post; a form that cannot be had stops it.
    QCOMPARE(redirector.requests().size(), toRole ? 2 : 1);
    const QList<RecordedRequest> logins = m_sim->requestsTo("loginsubmit=yes");
    if (arrives.isEmpty()) {
        QVERIFY(logins.isEmpty());
        return;
    }
    QCOMPARE(logins.size(), 1);
    QCOMPARE(logins.first().method, arrives);
    if (arrives == "POST")
        QVERIFY(logins.first().body.contains("password=alice123"));
    else
        QVERIFY(logins.first().body.isEmpty());
}

QTEST_MAIN(TestHttps)
#include "test_https.moc"
