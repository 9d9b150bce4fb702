// Many whole visits in one process against the forum simulator, through the real windows: the login
// window signs in, the identity check hands over, the member panel exchanges credits and signs
// out, and the fresh login window starts the next visit. After every visit no cookie of the
// session is left in memory or on disk and login.ini holds the one saved account; over the run
// neither resident memory nor open file descriptors keep growing.
//
// QUORVEL_SOAK_CYCLES sets the number of visits (default 200; bench/soak.sh runs the same test
// under LeakSanitizer). The identity check normally waits a second before it fetches the VIP
// page; the test ticks it as soon as the window is up, the same tick its own timer would give.
// QUORVEL_SOAK_REQUEST_LOG names a file for the simulator's request log of the run, with ports
// and session tokens masked, so that two builds' runs can be compared line by line.
#include "base/Settings.h"
#include "base/State.h"
#include "ClientWindows.h"
#include "net/CookieStore.h"
#include "net/Network.h"
#include "rules/SavedAccount.h"
#include "SeamRecorder.h"
#include "session/QuorvelModule.h"
#include "SimFixture.h"
#include "SoakProbe.h"
#include "start/StartRoutine.h"
#include "TempDataDir.h"
#include "WholeVisit.h"
#include "windows/login/Form1.h"
#include "windows/panel/Form2.h"
#include "TestSession.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPixmapCache>
#include <QPointer>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

#include <algorithm>
#include <cstdio>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#if defined(__SANITIZE_ADDRESS__)
#define QUORVEL_SOAK_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUORVEL_SOAK_SANITIZED 1
#endif
#endif

namespace {

constexpr int kDefaultCycles = 200;
constexpr int kWarmUpCycles = 10;
#ifndef QUORVEL_SOAK_SANITIZED
// Growth of resident memory allowed from the end of the warm-up to the end of the run (measured:
// about 0.4 MiB over 190 visits). A window, a reply or a page kept per visit goes far beyond it.
constexpr qint64 kRssGrowthBoundKiB = 2 * 1024;
#endif
// Descriptors that may come and go with the moment the count is taken (a keep-alive connection
// the simulator has not yet seen closed); a leak of one per visit exceeds it quickly.
constexpr int kDescriptorSlack = 2;

struct Visitor {
    QString account;
    QString password;
    QString memberName;
};

const Visitor kVisitors[] = {
    {QStringLiteral("alice"), QStringLiteral("alice123"), QStringLiteral("alice")},
    {QStringLiteral("42"), QStringLiteral("bob456"), QStringLiteral("vipbob")},
    {QStringLiteral("小明"), QStringLiteral("xm&=+%密码"), QStringLiteral("小明")},
};

// Cookies that only a signed-in member gets; the salt cookie is also a guest's.
const QByteArray kMemberCookies[] = {"_auth", "_lastcheckfeed", "_ulastactivity", "_lip"};

bool isMemberCookie(const QNetworkCookie &cookie)
{
    return std::any_of(std::begin(kMemberCookies), std::end(kMemberCookies),
                       [&](const QByteArray &suffix) { return cookie.name().endsWith(suffix); });
}

QByteArray saltOf(const QList<QNetworkCookie> &cookies)
{
    for (const QNetworkCookie &c : cookies)
        if (c.name() == ForumSimulator::saltCookieName())
            return c.value();
    return {};
}

// Appends one line a request: role, method, path and query, token verdict, body. Ports and tokens
// differ from run to run, so they are masked.
void logRequests(const QList<ForumSimulator::RecordedRequest> &requests)
{
    const QString path = qEnvironmentVariable("QUORVEL_SOAK_REQUEST_LOG");
    if (path.isEmpty())
        return;
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Append));
    static const QRegularExpression port(QStringLiteral("(127\\.0\\.0\\.\\d+(?::|%3A))\\d+"),
                                         QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression token(QStringLiteral("(formhash=)[0-9a-f]{8}"));
    const auto mask = [](const QByteArray &bytes) {
        QString text = QString::fromLatin1(bytes);
        text.replace(port, QStringLiteral("\\1PORT"));
        text.replace(token, QStringLiteral("\\1TOKEN"));
        return text;
    };
    for (const ForumSimulator::RecordedRequest &request : requests) {
        const QString line = QString::number(int(request.role)) + u' ' + QString::fromLatin1(request.method) + u' ' +
                             mask(request.pathAndQuery) + u' ' + QString::number(int(request.tokenCheck)) + u' ' +
                             mask(request.body) + u'\n';
        file.write(line.toLatin1());
    }
}

int cyclesWanted()
{
    bool ok = false;
    const int wanted = qEnvironmentVariableIntValue("QUORVEL_SOAK_CYCLES", &ok);
    return ok && wanted > 0 ? wanted : kDefaultCycles;
}

// Lets deferred deletions and finished replies settle, so counts are taken at a quiet moment. The
// style's pixmap cache (bounded, up to 10 MiB) and memory the allocator keeps after it was freed
// are emptied, so that what remains is what the program still holds.
void settle()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QTest::qWait(5);
    }
    QPixmapCache::clear();
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

} // namespace

class TestSoak : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void visitsInOneProcess();

private:
    void visit(int cycle, const Visitor &visitor);
    void checkAfterSignOut(int cycle, const Visitor &visitor, const QByteArray &sessionSalt);

    std::unique_ptr<TempDataDir> m_dir;
    std::unique_ptr<SeamRecorder> m_seams;
    std::unique_ptr<SimFixture> m_sim;
    QPointer<Form1> m_login;
    QString m_cookies;
};

void TestSoak::init()
{
    m_dir = std::make_unique<TempDataDir>();
    m_cookies = QuorvelModule::SpecialFolderPath(testSession().settings(), QuorvelModule::kCookiesFolder);
    testSession().network().cookieStore().setFolder(m_cookies);
    testSession().network().cookieStore().endSession();
    m_seams = std::make_unique<SeamRecorder>();
    m_sim = std::make_unique<SimFixture>();
    QVERIFY(m_sim->isRunning());
    // Today's release of the forum software, with UID sign-in switched on so that a visitor can
    // sign in by UID (it is off after installation).
    SimSiteSettings site = SimSiteSettings::current();
    site.uidLogin = true;
    m_sim->sim().setSiteSettings(site);
    testSession().network().setTimeoutMs(2000);
    registerWindows(testSession());
}

void TestSoak::cleanup()
{
    closeClientWindows();
    testSession().setLoginWindowOpener({});
    testSession().network().setTimeoutMs(0);
    testSession().network().cookieStore().endSession();
    m_sim.reset();
    m_seams.reset();
    m_dir.reset();
}

void TestSoak::visitsInOneProcess()
{
    const int cycles = cyclesWanted();
    const WholeVisit::IdentityTicker tick;

    if (const QString log = qEnvironmentVariable("QUORVEL_SOAK_REQUEST_LOG"); !log.isEmpty())
        QFile::remove(log);
    m_login = Form1::openNew(testSession());
    QVERIFY(m_login);

    qint64 rssWarm = -1;
    qint64 rssPeak = 0;
    int fdWarm = -1;
    int fdPeak = 0;
    QElapsedTimer clock;
    clock.start();
    for (int cycle = 0; cycle < cycles; ++cycle) {
        const Visitor &visitor = kVisitors[cycle % std::size(kVisitors)];
        visit(cycle, visitor);
        if (QTest::currentTestFailed())
            return;
        settle();
        const qint64 rss = SoakProbe::residentKiB();
        const int fds = SoakProbe::openDescriptors();
        QVERIFY(rss > 0 && fds > 0);
        if (cycle + 1 == kWarmUpCycles) {
            rssWarm = rss;
            fdWarm = fds;
        }
        if (cycle + 1 >= kWarmUpCycles) {
            rssPeak = std::max(rssPeak, rss);
            fdPeak = std::max(fdPeak, fds);
        }
    }
    logRequests(m_sim->sim().requests());
    const qint64 rssEnd = SoakProbe::residentKiB();
    const int fdEnd = SoakProbe::openDescriptors();
    // One line for bench/soak.sh and for whoever reads the test log.
    std::printf("SOAK cycles=%d seconds=%.1f rss_warm_kib=%lld rss_end_kib=%lld rss_peak_kib=%lld fd_warm=%d "
                "fd_end=%d fd_peak=%d\n",
                cycles, double(clock.elapsed()) / 1000.0, static_cast<long long>(rssWarm), static_cast<long long>(rssEnd),
                static_cast<long long>(rssPeak), fdWarm, fdEnd, fdPeak);
    std::fflush(stdout);

    if (cycles <= kWarmUpCycles)
        return; // too short to tell growth from warm-up
    QVERIFY2(fdEnd <= fdWarm + kDescriptorSlack,
             qPrintable(QStringLiteral("descriptors grew from %1 to %2").arg(fdWarm).arg(fdEnd)));
    QVERIFY2(fdPeak <= fdWarm + kDescriptorSlack,
             qPrintable(QStringLiteral("descriptors peaked at %1 after %2").arg(fdPeak).arg(fdWarm)));
#ifndef QUORVEL_SOAK_SANITIZED
    // AddressSanitizer holds freed memory in quarantine, so resident memory there says nothing.
    QVERIFY2(rssEnd - rssWarm <= kRssGrowthBoundKiB,
             qPrintable(QStringLiteral("resident memory grew from %1 KiB to %2 KiB").arg(rssWarm).arg(rssEnd)));
#endif
}

void TestSoak::visit(int cycle, const Visitor &visitor)
{
    const QString where = QStringLiteral("visit %1 (%2)").arg(cycle).arg(visitor.account);
    ForumSimulator &sim = m_sim->sim();
    // Enough za for this visit's exchange, whatever the earlier visits spent.
    ForumSimulator::Member *member = sim.member(visitor.memberName);
    QVERIFY2(member, qPrintable(where));
    member->za = 40;
    member->quorvelbi = 100;
    m_seams->clear();

    // The login window: the account, saved, no automatic sign-in; the identity check hands over.
    QPointer<Form2> panel = WholeVisit::signIn(m_login, visitor.account, visitor.password, *m_seams);
    QVERIFY2(panel, qPrintable(where));
    QCOMPARE(panel->Label3->text(), visitor.memberName);
    QCOMPARE(panel->Label1[1]->text(), QStringLiteral("40"));
    const QList<QNetworkCookie> signedIn = testSession().network().cookieStore().allCookies();
    QVERIFY2(std::any_of(signedIn.cbegin(), signedIn.cend(), isMemberCookie), qPrintable(where));
    const QByteArray sessionSalt = saltOf(signedIn);
    QVERIFY2(!sessionSalt.isEmpty(), qPrintable(where));

    // Exchange: 8 Quorvel币 for 2 za.
    WholeVisit::exchange(*panel, QStringLiteral("8"), visitor.password, QStringLiteral("38"), *m_seams);
    QVERIFY2(!QTest::currentTestFailed(), qPrintable(where));
    QCOMPARE(panel->Label1[0]->text(), QStringLiteral("108"));
    QCOMPARE(member->za, 38);

    // Sign-out: the panel goes, a fresh login window takes its place.
    m_login = WholeVisit::signOut(panel, *m_seams);
    QVERIFY2(m_login, qPrintable(where + QStringLiteral(": no sign-out")));
    QCOMPARE(m_login->Text1->text(), visitor.account);
    // The forum's sign-out went out with the session before the store forgot it.
    QTRY_VERIFY_WITH_TIMEOUT(!sim.requestsTo("action=logout").isEmpty(), 5000);
    QVERIFY(sim.requestsTo("action=logout").last().header("Cookie").contains(ForumSimulator::authCookieName()));
    QCOMPARE(m_seams->messages.size(), 3); // exchange question and answer, sign-out question
    logRequests(sim.requests());
    sim.clearRequests();

    checkAfterSignOut(cycle, visitor, sessionSalt);
}

void TestSoak::checkAfterSignOut(int cycle, const Visitor &visitor, const QByteArray &sessionSalt)
{
    const QString where = QStringLiteral("visit %1 (%2)").arg(cycle).arg(visitor.account);
    // No cookie of the session, in memory or in the folder. The new login window may already have
    // visited the site as a guest (its account lookup): a fresh salt is fine, the old one is not.
    const QList<QNetworkCookie> inMemory = testSession().network().cookieStore().allCookies();
    const QList<QNetworkCookie> onDisk = SoakProbe::cookiesInFolder(m_cookies);
    // Every form post and log-out of the visit carried its session's own token, none a stale one.
    for (const ForumSimulator::RecordedRequest &r : m_sim->sim().requests())
        QVERIFY2(r.tokenCheck != SimTokenCheck::Refused,
                 qPrintable(where + QStringLiteral(": refused token on ") + QString::fromLatin1(r.pathAndQuery)));
    for (const QList<QNetworkCookie> *cookies : {&inMemory, &onDisk}) {
        for (const QNetworkCookie &c : *cookies) {
            QVERIFY2(!isMemberCookie(c), qPrintable(where + QStringLiteral(": kept ") + QString::fromLatin1(c.name())));
            QVERIFY2(!(c.name() == ForumSimulator::saltCookieName() && c.value() == sessionSalt),
                     qPrintable(where + QStringLiteral(": kept the session's salt")));
        }
    }

    // login.ini: whole, the six keys of this visit's save and nothing else.
    const QString iniPath = SavedAccount::filePath(testSession().settings().dataDir());
    const SavedAccount saved = SavedAccount::load(iniPath);
    QVERIFY2(saved.keepsAccount(), qPrintable(where));
    QCOMPARE(saved.user, visitor.account);
    QCOMPARE(SavedAccount::decipher(saved.pass), std::optional<QString>(visitor.password));
    QCOMPARE(saved.ask, QStringLiteral("0"));
    QCOMPARE(saved.ans, QString());
    QVERIFY(!saved.signsInAutomatically());
    QFile ini(iniPath);
    QVERIFY(ini.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = ini.readAll().split('\n');
    QCOMPARE(lines.size(), 8); // header, six keys, nothing after the last line ending
    QCOMPARE(lines.first(), QByteArray("[INFORMATION]\r"));
    QVERIFY(lines.last().isEmpty());
}

QTEST_MAIN(TestSoak)
#include "test_soak.moc"
