// Signing out from the member panel against the forum simulator: the forum's sign-out, no cookie of
// the member left in memory or in the cookies folder, a fresh login window that does not sign in
// by itself, the panel gone; and the privileges link.
#include "AwaitedNet.h"
#include "base/Settings.h"
#include "base/State.h"
#include "ClientWindows.h"
#include "net/CookieStore.h"
#include "net/Network.h"
#include "rules/PanelReaders.h"
#include "rules/SavedAccount.h"
#include "session/QuorvelModule.h"
#include "session/SiteSession.h"
#include "SimSession.h"
#include "SimSignIn.h"
#include "start/StartRoutine.h"
#include "windows/login/Form1.h"
#include "windows/panel/Form2.h"
#include "TestSession.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <algorithm>

namespace {

bool storeHolds(const QByteArray &cookieName)
{
    const QList<QNetworkCookie> cookies = testSession().network().cookieStore().allCookies();
    return std::any_of(cookies.cbegin(), cookies.cend(), [&](const QNetworkCookie &c) { return c.name() == cookieName; });
}

// Every line of every cookie file in the folder.
QByteArray cookieFiles(const QString &folder)
{
    QByteArray all;
    const QDir dir(folder);
    for (const QString &name : dir.entryList({QStringLiteral("*.txt")}, QDir::Files)) {
        QFile file(dir.filePath(name));
        if (file.open(QIODevice::ReadOnly))
            all += file.readAll();
    }
    return all;
}

void writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

} // namespace

class TestSignOutSim : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void signOutEndsTheSession();
    void noKeepsThePanel();
    void signOutWithoutCookieFilesOrAnswer();
    void lateSignOutAnswerKeepsTheNextSession();
    void privilegesLink();

private:
    Form2 *openPanel(const QString &account, const QString &password);
    [[nodiscard]] QString cookiesFolder() const { return QuorvelModule::SpecialFolderPath(testSession().settings(), QuorvelModule::kCookiesFolder); }

    std::unique_ptr<SimSession> m_session;
};

void TestSignOutSim::init()
{
    m_session = std::make_unique<SimSession>(3000);
    QVERIFY(m_session->isRunning());
    registerWindows(testSession());
}

void TestSignOutSim::cleanup()
{
    closeClientWindows();
    testSession().setLoginWindowOpener({});
    m_session.reset();
}

Form2 *TestSignOutSim::openPanel(const QString &account, const QString &password)
{
    if (!signInThroughLoginForm(account, password))
        return nullptr;
    const QPointer<Form2> panel = Form2::of(testSession());
    // The start-up's readings and version check first: what the test counts comes after them.
    if (!panel || !QTest::qWaitFor([&] { return !panel || panel->isLoaded(); }, 10000) || !panel)
        return nullptr;
    panel->Label3->setText(account); // as the identity check leaves it
    panel->show();
    m_session->seams.clear();
    m_session->sim().clearRequests();
    return panel;
}

void TestSignOutSim::signOutEndsTheSession()
{
    // The member had chosen to sign in automatically.
    QVERIFY(SavedAccount::fromSignIn(true, QStringLiteral("alice"), QStringLiteral("alice123"), false,
                                     QStringLiteral("0"), QString(), true)
                .save(SavedAccount::filePath(testSession().settings().dataDir())));
    QPointer<Form2> panel = openPanel(QStringLiteral("alice"), QStringLiteral("alice123"));
    QVERIFY(panel);
    const QByteArray auth = ForumSimulator::authCookieName();
    QVERIFY(storeHolds(auth));
    QVERIFY(cookieFiles(cookiesFolder()).contains("lastcheckfeed"));
    // Only the cookie files of the folder go.
    writeFile(cookiesFolder() + QStringLiteral("/keep.dat"), "not a cookie file");
    writeFile(cookiesFolder() + QStringLiteral("/sub/inner.txt"), "inside a subfolder");
    writeFile(m_session->dir.file(QStringLiteral("notes.txt")), "beside the cookies folder");
    testSession().card().VipLevel = 2;

    m_session->seams.queueAnswer(Seams::Answer::Yes);
    panel->Command5->click();
    // The click returns at once; the sign-out ends with the panel closed.
    QTRY_VERIFY(!panel);

    QCOMPARE(m_session->seams.messages.size(), 1);
    QCOMPARE(m_session->seams.messages.first().text, QStringLiteral("确定要注销账号【alice】?"));
    QCOMPARE(m_session->seams.messages.first().buttons, Seams::Buttons::YesNo);
    QCOMPARE(m_session->seams.messages.first().icon, Seams::Icon::Information);
    QCOMPARE(int(testSession().card().VipLevel), 0);
    QCOMPARE(int(testSession().login().AutoLoginBlocked), 1);

    // The forum was asked to sign the member out, with the member's own session.
    QTRY_COMPARE(m_session->sim().requestsTo("action=logout").size(), 1);
    const auto logouts = m_session->sim().requestsTo("action=logout");
    QCOMPARE(logouts.first().method, QByteArray("GET"));
    QCOMPARE(logouts.first().role, SimRole::Forum);
    QVERIFY(logouts.first().pathAndQuery.startsWith("/member.php?mod=logging&action="));
    QCOMPARE(logouts.first().header("Referer"), "http://" + testSession().settings().host(HostRole::Forum).toLatin1() + "/");
    QCOMPARE(logouts.first().header("Content-Type"), QByteArray("application/x-www-form-urlencoded"));
    QVERIFY(logouts.first().header("Cookie").contains(auth));

    // A fresh login window, filled in, that does not sign in by itself; the panel goes. The window
    // shows once its lookup of the saved account is done.
    QTRY_COMPARE(visibleLoginWindows().size(), 1);
    const QList<Form1 *> windows = visibleLoginWindows();
    QCOMPARE(windows.size(), 1);
    QCOMPARE(windows.first()->Text1->text(), QStringLiteral("alice"));
    QVERIFY(!Form2::existing(testSession()));

    // Nothing of the member's session is left, in memory or on disk: the next page is a guest's.
    const QString creditPage = awaited(QuorvelModule::HttpGetText(testSession().site(), 
        testSession().settings().url(HostRole::Home, QStringLiteral("/home.php?mod=spacecp&ac=credit&op=exchange")))).value_or(QString());
    QVERIFY(!creditPage.isEmpty());
    QVERIFY(!PanelReaders::readExchangePage(creditPage).found);
    QVERIFY(!storeHolds(auth));
    QVERIFY(!storeHolds(ForumSimulator::authCookieName().replace("auth", "lastcheckfeed")));
    QVERIFY(!cookieFiles(cookiesFolder()).contains("lastcheckfeed"));
    QVERIFY(m_session->sim().requestsTo("loginsubmit=yes").isEmpty());
    QVERIFY(QFile::exists(cookiesFolder() + QStringLiteral("/keep.dat")));
    QVERIFY(QFile::exists(cookiesFolder() + QStringLiteral("/sub/inner.txt")));
    QVERIFY(QFile::exists(m_session->dir.file(QStringLiteral("notes.txt"))));
}

void TestSignOutSim::noKeepsThePanel()
{
    Form2 *panel = openPanel(QStringLiteral("alice"), QStringLiteral("alice123"));
    QVERIFY(panel);
    testSession().card().VipLevel = 1;
    m_session->seams.queueAnswer(Seams::Answer::No);
    panel->Command5->click();

    QCOMPARE(m_session->seams.messages.size(), 1);
    QCOMPARE(Form2::existing(testSession()), panel);
    QVERIFY(panel->isVisible());
    QVERIFY(panel->Command5->isEnabled());
    QCOMPARE(panel->Command5->text(), QStringLiteral("注销"));
    QVERIFY(m_session->sim().requests().isEmpty());
    QVERIFY(storeHolds(ForumSimulator::authCookieName()));
    QVERIFY(visibleLoginWindows().isEmpty());
    QCOMPARE(int(testSession().card().VipLevel), 1);
    QCOMPARE(int(testSession().login().AutoLoginBlocked), 0);
}

void TestSignOutSim::signOutWithoutCookieFilesOrAnswer()
{
    QPointer<Form2> panel = openPanel(QStringLiteral("vipbob"), QStringLiteral("bob456"));
    QVERIFY(panel);
    SiteSession::deleteCookieFiles(cookiesFolder());
    QVERIFY(QDir(cookiesFolder()).entryList({QStringLiteral("*.txt")}, QDir::Files).isEmpty());
    // The forum never answers the sign-out: nothing waits for it.
    m_session->sim().setFault(SimFault::NoAnswer, "action=logout");

    m_session->seams.queueAnswer(Seams::Answer::Yes);
    panel->Command5->click();

    QTRY_VERIFY(!panel);
    QCOMPARE(visibleLoginWindows().size(), 1);
    // The request goes out all the same, after the panel has gone.
    QTRY_COMPARE(m_session->sim().requestsTo("action=logout").size(), 1);
    QVERIFY(!storeHolds(ForumSimulator::authCookieName()));
    QCOMPARE(int(testSession().login().AutoLoginBlocked), 1);
}

void TestSignOutSim::lateSignOutAnswerKeepsTheNextSession()
{
    QPointer<Form2> panel = openPanel(QStringLiteral("alice"), QStringLiteral("alice123"));
    QVERIFY(panel);
    // The forum's answer to the sign-out, which deletes every cookie of the site, comes late.
    constexpr int kLateMs = 1200;
    m_session->sim().setSlowDelayMs(kLateMs);
    m_session->sim().setFault(SimFault::Slow, "action=logout");
    m_session->seams.queueAnswer(Seams::Answer::Yes);
    panel->Command5->click();
    QTRY_COMPARE(m_session->sim().requestsTo("action=logout").size(), 1);

    // Meanwhile another member signs in.
    QVERIFY(signInThroughLoginForm(QStringLiteral("vipbob"), QStringLiteral("bob456")));
    QVERIFY(storeHolds(ForumSimulator::authCookieName()));
    QTest::qWait(kLateMs + 500);

    // The new session stands: its cookie is kept and the forum still knows the member.
    QVERIFY(storeHolds(ForumSimulator::authCookieName()));
    const QString creditPage = awaited(QuorvelModule::HttpGetText(testSession().site(), 
        testSession().settings().url(HostRole::Home, QStringLiteral("/home.php?mod=spacecp&ac=credit&op=exchange")))).value_or(QString());
    QVERIFY(PanelReaders::readExchangePage(creditPage).found);
}

void TestSignOutSim::privilegesLink()
{
    Form2 *panel = openPanel(QStringLiteral("alice"), QStringLiteral("alice123"));
    QVERIFY(panel);
    panel->Command11->click();
    QCOMPARE(m_session->seams.openedUrls,
             QStringList{QStringLiteral("http://") + testSession().settings().host(HostRole::Forum)
                         + QStringLiteral("/forum.php?mod=viewthread&tid=25020&page=1&extra=#pid478051")});
    QVERIFY(m_session->seams.messages.isEmpty());
    QVERIFY(m_session->sim().requests().isEmpty());
}

QTEST_MAIN(TestSignOutSim)
#include "test_signout_sim.moc"
