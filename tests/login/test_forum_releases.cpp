// The whole client through its real windows against both kinds of site the simulator models:
// today's release of the forum software as it ships (session-bound form tokens, private profiles,
// UID sign-in off, no credit buying) and the older site (fixed tokens, public profiles). What only
// the forum can see is checked in its request log: which token each request carried, that it was
// its session's own, and that no request carried a stale one.
#include "base/Settings.h"
#include "base/State.h"
#include "IniFiles.h"
#include "net/CookieStore.h"
#include "net/Inet.h"
#include "net/Network.h"
#include "rules/LoginRequest.h"
#include "session/SiteSession.h"
#include "SimSession.h"
#include "windows/login/Form1.h"
#include "windows/panel/Form2.h"
#include "windows/recovery/Form4.h"
#include "TestSession.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QHostAddress>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStringEncoder>
#include <QTest>
#include <QTimer>

#include <algorithm>

using namespace Qt::StringLiterals;
using Role = ForumSimulator::Role;

namespace {

enum class Site { Current, Older };

SimSiteSettings settingsOf(Site site, bool utf8 = false)
{
    SimSiteSettings settings = site == Site::Current ? SimSiteSettings::current() : SimSiteSettings::older();
    settings.utf8 = utf8;
    return settings;
}

// A typed text as a browser puts it into a form of a page in that code page.
QByteArray onWire(const QString &text, bool utf8)
{
    QStringEncoder gbk("GBK");
    const QByteArray bytes = utf8 ? text.toUtf8() : QByteArray(gbk.encode(text));
    return bytes.toPercentEncoding();
}

// The member with a Chinese name, password and security answer (question 1).
const QString kChineseName = u"测试用户"_s;
const QString kChinesePassword = u"中文密码"_s;
const QString kChineseAnswer = u"王小红"_s;

} // namespace

Q_DECLARE_METATYPE(Site)
Q_DECLARE_METATYPE(SimSiteSettings)

class TestForumReleases : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void signIn_data();
    void signIn();
    void refusalsResetWithTheSessionsToken_data();
    void refusalsResetWithTheSessionsToken();
    void bannedMemberIsSignedOutWithTheMembersToken_data();
    void bannedMemberIsSignedOutWithTheMembersToken();
    void savedAccountOfTheWindowsClientSignsIn_data();
    void savedAccountOfTheWindowsClientSignsIn();
    void lookup_data();
    void lookup();
    void panelBalancesExchangeAndSignOut_data();
    void panelBalancesExchangeAndSignOut();
    void lostPasswordAfterARefusedSignIn_data();
    void lostPasswordAfterARefusedSignIn();
    void aRefusedTokenIsSentOnceMoreFresh_data();
    void aRefusedTokenIsSentOnceMoreFresh();
    void aForumThatRefusesTheFreshTokenToo();
    void aBadLoginFormEndsTheAttemptClearly_data();
    void aBadLoginFormEndsTheAttemptClearly();
    void aLoginFormAddressWithoutTheForm_data();
    void aLoginFormAddressWithoutTheForm();
    void thePromptIsNoAccount();

private:
    void addSites();
    void openWindow();
    void fill(const QString &account, const QString &password, int question = 0, const QString &answer = {});
    [[nodiscard]] bool handedOver() const
    {
        return (!m_form || !m_form->isVisible()) && Form2::existing(testSession()) && Form2::existing(testSession())->isVisible();
    }
    [[nodiscard]] bool idle() const
    {
        return m_form && m_form->isVisible() && m_form->Command1->isEnabled() && m_form->Picture2->isHidden();
    }
    // Every request the forum roles got carried no token, the session's own, or (older site) a
    // fixed one: never a refused or stale one.
    void verifyNoStaleToken();
    // No request carried a typed text in the code page the forum does not speak.
    void verifyOnlyTheForumsCodePage(const QStringList &typed);
    [[nodiscard]] QList<ForumSimulator::RecordedRequest> requests(const QByteArray &method, const QByteArray &pathPart) const;
    ForumSimulator &sim() { return m_session->sim(); }

    std::unique_ptr<SimSession> m_session;
    QPointer<Form1> m_form;
};

void TestForumReleases::init()
{
    m_session = std::make_unique<SimSession>(3000);
    QVERIFY(m_session->isRunning());
}

void TestForumReleases::cleanup()
{
    testSession().setLoginWindowOpener({});
    delete m_form;
    Form2::destroy(testSession());
    m_session.reset();
}

void TestForumReleases::addSites()
{
    QTest::addColumn<Site>("site");
}

void TestForumReleases::openWindow()
{
    m_form = Form1::openNew(testSession());
}

void TestForumReleases::fill(const QString &account, const QString &password, int question, const QString &answer)
{
    m_form->Text1->setText(account);
    m_form->Text2->setText(password);
    m_form->Combo1->setCurrentIndex(question);
    m_form->Text3->setText(answer);
}

QList<ForumSimulator::RecordedRequest> TestForumReleases::requests(const QByteArray &method, const QByteArray &pathPart) const
{
    QList<ForumSimulator::RecordedRequest> found = m_session->sim().requestsTo(pathPart);
    found.removeIf([&](const auto &r) { return r.method != method; });
    return found;
}

void TestForumReleases::verifyNoStaleToken()
{
    const bool older = sim().siteSettings().legacy;
    for (const auto &r : sim().requests()) {
        const QByteArray what = r.method + ' ' + r.pathAndQuery;
        QVERIFY2(r.tokenCheck != SimTokenCheck::Refused, what.constData());
        if (r.tokenCheck == SimTokenCheck::Valid)
            QCOMPARE(r.formHash, r.sessionFormHash);
        if (older)
            QVERIFY2(r.tokenCheck != SimTokenCheck::Valid, what.constData());
        else
            QVERIFY2(r.tokenCheck != SimTokenCheck::Fixed, what.constData());
    }
}

void TestForumReleases::verifyOnlyTheForumsCodePage(const QStringList &typed)
{
    const bool utf8 = sim().siteSettings().utf8;
    for (const auto &r : sim().requests()) {
        for (const QString &text : typed) {
            const QByteArray foreign = onWire(text, !utf8);
            if (foreign == onWire(text, utf8))
                continue; // ASCII: the same bytes in both
            const QByteArray what = r.method + ' ' + r.pathAndQuery + " carries " + text.toUtf8();
            QVERIFY2(!r.pathAndQuery.contains(foreign) && !r.body.contains(foreign), what.constData());
        }
    }
}

// ---- Sign-in ---------------------------------------------------------------------------------

void TestForumReleases::signIn_data()
{
    QTest::addColumn<SimSiteSettings>("settings");
    QTest::addColumn<QString>("account");
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("question");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("member"); // empty: the forum refuses

    const SimSiteSettings current = SimSiteSettings::current();
    SimSiteSettings uidOn = current;
    uidOn.uidLogin = true;
    SimSiteSettings autoField = uidOn;
    autoField.autoLoginField = true;
    const SimSiteSettings older = SimSiteSettings::older();
    for (const auto &[name, settings] : {std::pair{"current", current}, std::pair{"older", older}}) {
        const QString site = QString::fromLatin1(name);
        QTest::newRow(qPrintable(site + u": name"_s)) << settings << u"alice"_s << u"alice123"_s << 0 << QString() << u"alice"_s;
        QTest::newRow(qPrintable(site + u": question"_s)) << settings << u"dave"_s << u"dave000"_s << 3 << u"上海"_s << u"dave"_s;
        QTest::newRow(qPrintable(site + u": numeric name"_s)) << settings << u"10086"_s << u"num222"_s << 0 << QString() << u"10086"_s;
        QTest::newRow(qPrintable(site + u": form characters"_s))
            << settings << u"小明"_s << u"xm&=+%密码"_s << 0 << QString() << u"小明"_s;
        // The same forum in its UTF-8 build, and the member whose name, password and answer are all Chinese.
        SimSiteSettings utf8 = settings;
        utf8.utf8 = true;
        QTest::newRow(qPrintable(site + u", utf-8: form characters"_s))
            << utf8 << u"小明"_s << u"xm&=+%密码"_s << 0 << QString() << u"小明"_s;
        QTest::newRow(qPrintable(site + u", utf-8: name"_s)) << utf8 << u"alice"_s << u"alice123"_s << 0 << QString() << u"alice"_s;
        for (const SimSiteSettings &both : {settings, utf8}) {
            QTest::newRow(qPrintable(site + (both.utf8 ? u", utf-8"_s : u", gbk"_s) + u": Chinese name, password and answer"_s))
                << both << kChineseName << kChinesePassword << 1 << kChineseAnswer << kChineseName;
        }
    }
    // A UID signs in wherever the forum lets members sign in by UID at all.
    QTest::newRow("older: uid") << older << u"1234"_s << u"alice123"_s << 0 << QString() << u"alice"_s;
    QTest::newRow("current, uid sign-in on: uid") << uidOn << u"1234"_s << u"alice123"_s << 0 << QString() << u"alice"_s;
    QTest::newRow("current, uid sign-in on: numeric name") << uidOn << u"10086"_s << u"num222"_s << 0 << QString() << u"10086"_s;
    QTest::newRow("current, automatic field: uid") << autoField << u"1234"_s << u"alice123"_s << 0 << QString() << u"alice"_s;
    QTest::newRow("current, uid sign-in off: uid is a name nobody has")
        << current << u"1234"_s << u"alice123"_s << 0 << QString() << QString();
}

void TestForumReleases::signIn()
{
    QFETCH(SimSiteSettings, settings);
    QFETCH(QString, account);
    QFETCH(QString, password);
    QFETCH(int, question);
    QFETCH(QString, answer);
    QFETCH(QString, member);
    sim().setSiteSettings(settings);
    // The characters today's forum refuses without a token, in a password it then simply checks.
    if (member == u"alice"_s && !settings.legacy) {
        sim().member(u"alice"_s)->password = u"a(b)'c\"<d>"_s;
        password = u"a(b)'c\"<d>"_s;
    }
    testSession().login().AutoLoginBlocked = 1;
    openWindow();
    fill(account, password, question, answer);
    m_form->Command1->click();
    if (member.isEmpty()) {
        QTRY_VERIFY_WITH_TIMEOUT(idle() && !m_session->seams.messages.isEmpty(), 10000);
        QVERIFY2(m_session->seams.lastMessage().contains(u"失败"_s), qPrintable(m_session->seams.lastMessage()));
    } else {
        QTRY_VERIFY_WITH_TIMEOUT(handedOver(), 15000);
        QCOMPARE(Form2::existing(testSession())->Label3->text(), member);
        QVERIFY2(m_session->seams.messages.isEmpty(), qPrintable(m_session->seams.messageTexts().join(u" | "_s)));
        // The member's own avatar, from the UID the welcome named (no lookup ran: the box was
        // never left).
        QCOMPARE(testSession().login().AvatarUid, QString::number(sim().member(member)->uid));
    }

    const auto posts = requests("POST", "action=login");
    QCOMPARE(posts.size(), 1);
    const QByteArray &body = posts.first().body;
    if (settings.legacy) {
        QVERIFY(body.startsWith("formhash=5c2e9a17&referer="));
        QCOMPARE(posts.first().tokenCheck, SimTokenCheck::Fixed);
    } else {
        QCOMPARE(posts.first().tokenCheck, SimTokenCheck::Valid);
        QVERIFY(body.startsWith(QByteArray("formhash=" + posts.first().sessionFormHash + "&referer=")));
    }
    // Sign-in by UID where the forum allows it; the other fields as always, in their order, each in
    // the forum's own code page.
    QCOMPARE(body.endsWith("&loginfield=auto"), LoginRequest::isUidLike(account));
    QVERIFY2(body.contains(QByteArray("&username=" + onWire(account, settings.utf8) + "&password=" + onWire(password, settings.utf8))),
             body.constData());
    if (question != 0)
        QVERIFY2(body.contains(QByteArray("&answer=" + onWire(answer, settings.utf8))), body.constData());
    verifyOnlyTheForumsCodePage({account, password, answer});
    // One login form read before the post, and only where the site's form carries a token or
    // nothing was known of the site yet.
    QCOMPARE(requests("GET", "action=login&infloat=yes").size(), 1);
    verifyNoStaleToken();
}

// ---- Refusals, ban, the saved account ------------------------------------------------------

void TestForumReleases::refusalsResetWithTheSessionsToken_data()
{
    addSites();
    QTest::newRow("current") << Site::Current;
    QTest::newRow("older") << Site::Older;
}

void TestForumReleases::refusalsResetWithTheSessionsToken()
{
    QFETCH(Site, site);
    sim().setSiteSettings(settingsOf(site));
    openWindow();
    // Five wrong passwords: each a refusal with the tries left, the fifth the lock; then even the
    // right password is locked out for 15 minutes.
    for (int i = 1; i <= 6; ++i) {
        fill(u"alice"_s, i == 6 ? u"alice123"_s : u"wrong"_s);
        m_form->Command1->click();
        QTRY_VERIFY_WITH_TIMEOUT(idle() && m_session->seams.messages.size() == i, 10000);
        const QString told = m_session->seams.lastMessage();
        if (i < 5)
            QCOMPARE(told, u"登录失败，您还可以尝试 %1 次"_s.arg(5 - i));
        else
            QVERIFY2(told.contains(u"15 分钟"_s), qPrintable(told));
        QCOMPARE(m_form->status(), told);
    }
    // Every refusal dropped the session: the log-out went with the token of its session, the
    // cookies are gone, and the next attempt read a new login form for a new session.
    // The log-out goes without waiting: it may reach the forum a moment after the window is idle.
    QTRY_COMPARE(requests("GET", "action=logout").size(), 6);
    const auto logouts = requests("GET", "action=logout");
    for (const auto &logout : logouts) {
        if (site == Site::Current)
            QCOMPARE(logout.tokenCheck, SimTokenCheck::Valid);
        else
            QVERIFY(logout.pathAndQuery.endsWith("&formhash=5c2e9a17"));
    }
    QCOMPARE(requests("GET", "action=login&infloat=yes").size(), site == Site::Current ? 6 : 1);
    QVERIFY(testSession().network().cookieStore().allCookies().isEmpty());
    verifyNoStaleToken();
}

void TestForumReleases::bannedMemberIsSignedOutWithTheMembersToken_data()
{
    addSites();
    QTest::newRow("current") << Site::Current;
    QTest::newRow("older") << Site::Older;
}

void TestForumReleases::bannedMemberIsSignedOutWithTheMembersToken()
{
    QFETCH(Site, site);
    sim().setSiteSettings(settingsOf(site));
    openWindow();
    fill(u"eve"_s, u"eve111"_s);
    m_form->Command1->click();
    QTRY_VERIFY_WITH_TIMEOUT(idle() && !m_session->seams.messages.isEmpty(), 10000);
    QCOMPARE(m_session->seams.lastMessage(), u"您因违反Quorvel相关规定,现已做封号处理!"_s);
    QCOMPARE(m_form->status(), u"您的帐号已被禁止使用!"_s);
    // The forum signed eve in, so her session is ended with her own token.
    QTRY_COMPARE(requests("GET", "action=logout").size(), 1);
    const auto logouts = requests("GET", "action=logout");
    if (site == Site::Current) {
        QCOMPARE(logouts.first().tokenCheck, SimTokenCheck::Valid);
        QCOMPARE(requests("GET", "/forum.php").size(), 1); // where the member's token came from
    } else {
        QCOMPARE(requests("GET", "/forum.php").size(), 0);
    }
    QTRY_COMPARE(sim().state().openSessionCount(), 0);
    verifyNoStaleToken();
}

void TestForumReleases::savedAccountOfTheWindowsClientSignsIn_data()
{
    addSites();
    QTest::newRow("current") << Site::Current;
    QTest::newRow("older") << Site::Older;
}

void TestForumReleases::savedAccountOfTheWindowsClientSignsIn()
{
    QFETCH(Site, site);
    sim().setSiteSettings(settingsOf(site));
    QVERIFY(QFile::copy(windowsFile(u"login-windows.ini"_s), m_session->dir.file(u"login.ini"_s)));
    QVERIFY(QFile::setPermissions(m_session->dir.file(u"login.ini"_s), QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    openWindow();
    QTRY_VERIFY_WITH_TIMEOUT(handedOver(), 15000);
    QCOMPARE(Form2::existing(testSession())->Label3->text(), u"dave"_s);
    QVERIFY(m_session->seams.messages.isEmpty());
    const auto posts = requests("POST", "action=login");
    QCOMPARE(posts.size(), 1);
    QVERIFY(posts.first().body.endsWith("&username=dave&password=dave000&questionid=3&answer=%C9%CF%BA%A3"));
    verifyNoStaleToken();
}

// ---- Account lookup ------------------------------------------------------------------------

void TestForumReleases::lookup_data()
{
    QTest::addColumn<bool>("publicProfiles");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("kept");      // the account box afterwards
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("avatarUid");
    QTest::addColumn<QString>("profileName");
    QTest::addColumn<bool>("utf8");
    QTest::addColumn<int>("lookups"); // profile pages asked for
    const QString prompt = u"请输入用户名及密码.."_s;
    const QString unknown = u"您输入的用户名不存在,请检查.."_s;
    // Private profiles: "sign in to view" means the member exists.
    QTest::newRow("private: name") << false << u"alice"_s << u"alice"_s << prompt << QString() << QString() << false << 1;
    QTest::newRow("private: Chinese name") << false << u"小明"_s << u"小明"_s << prompt << QString() << QString() << false << 1;
    QTest::newRow("private: uid") << false << u"1234"_s << u"1234"_s << prompt << u"1234"_s << QString() << false << 1;
    QTest::newRow("private: unknown name") << false << u"nobody"_s << QString() << unknown << QString() << QString() << false << 1;
    // A UID is kept whatever titled page answers: only a profile's title names the member.
    QTest::newRow("private: unknown uid") << false << u"99999"_s << u"99999"_s << prompt << u"99999"_s << QString() << false << 1;
    QTest::newRow("public: name") << true << u"alice"_s << u"alice"_s << prompt << u"1234"_s << QString() << false << 1;
    QTest::newRow("public: uid") << true << u"1234"_s << u"1234"_s << prompt << u"1234"_s << u"alice"_s << false << 1;
    QTest::newRow("public: unknown name") << true << u"nobody"_s << QString() << unknown << QString() << QString() << false << 1;
    QTest::newRow("public: unknown uid") << true << u"99999"_s << u"99999"_s << prompt << u"99999"_s << QString() << false << 1;
    // The lookup may be the first request of a run: a Chinese name goes in GBK, and once more in
    // UTF-8 when the answer declares the forum's UTF-8 build; an ASCII name is the same in both.
    QTest::newRow("utf-8 private: Chinese name") << false << kChineseName << kChineseName << prompt << QString() << QString()
                                                 << true << 2;
    QTest::newRow("utf-8 public: Chinese name") << true << kChineseName << kChineseName << prompt << u"666"_s << QString()
                                                << true << 2;
    QTest::newRow("utf-8 private: unknown Chinese name") << false << u"无名氏"_s << QString() << unknown << QString()
                                                         << QString() << true << 2;
    QTest::newRow("utf-8 private: ascii name") << false << u"alice"_s << u"alice"_s << prompt << QString() << QString() << true << 1;
    QTest::newRow("gbk public: Chinese name") << true << kChineseName << kChineseName << prompt << u"666"_s << QString()
                                              << false << 1;
    // A name the forum's code page cannot hold is not asked for, and not taken for unknown.
    QTest::newRow("gbk: emoji name") << false << u"猫\U0001F431"_s << u"猫\U0001F431"_s
                                     << SiteSession::kMessageUnsendable.arg(u"\U0001F431"_s, u"GBK"_s) << QString()
                                     << QString() << false << 0;
}

void TestForumReleases::lookup()
{
    QFETCH(bool, publicProfiles);
    QFETCH(QString, entry);
    QFETCH(QString, kept);
    QFETCH(QString, status);
    QFETCH(QString, avatarUid);
    QFETCH(QString, profileName);
    QFETCH(bool, utf8);
    QFETCH(int, lookups);
    SimSiteSettings settings = SimSiteSettings::current();
    settings.guestsViewProfiles = publicProfiles;
    settings.utf8 = utf8;
    sim().setSiteSettings(settings);
    openWindow();
    m_form->Text1->setText(entry);
    m_form->Text1_LostFocus(); // leaving the box starts the lookup of the entry and returns
    // The lookup is over once its last answer is read: the profile page (which the lookup keeps in
    // its first slot, after the second asking where there is one), and after a name's page that
    // gave a UID the avatar's answer (whose status the avatar probe keeps). An entry that is not
    // asked for is dealt with at once.
    if (lookups > 0) {
        const bool byUid = !entry.isEmpty() && std::all_of(entry.cbegin(), entry.cend(), [](QChar c) { return c.isDigit(); });
        QTRY_VERIFY_WITH_TIMEOUT(!(byUid ? m_form->lookupSlots.uid : m_form->lookupSlots.name)[0].isEmpty(), 10000);
        if (!byUid && !avatarUid.isEmpty())
            QTRY_VERIFY_WITH_TIMEOUT(m_form->Inet2->lastStatus() != 0, 10000);
    }
    QCOMPARE(requests("GET", "mod=space").size(), lookups);
    // The last lookup went in the forum's own code page.
    if (lookups > 0)
        QVERIFY(requests("GET", "mod=space").last().pathAndQuery.contains(onWire(entry, utf8)));
    QCOMPARE(m_form->Text1->text(), kept);
    QCOMPARE(m_form->status(), status);
    QCOMPARE(testSession().login().AvatarUid, avatarUid);
    QCOMPARE(m_form->profileName(), profileName);
    // A name that is only known to exist has no UID and so the default avatar.
    if (avatarUid.isEmpty())
        QCOMPARE(m_form->Image1->pixmap().toImage(), m_form->defaultAvatar().toImage());
    QVERIFY(m_session->seams.messages.isEmpty());
}

// ---- Panel: balances, exchange, sign-out -----------------------------------------------------

void TestForumReleases::panelBalancesExchangeAndSignOut_data()
{
    addSites();
    QTest::addColumn<bool>("utf8");
    QTest::addColumn<QString>("account");
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("quorvelbi"); // before the exchange
    QTest::addColumn<int>("za");
    QTest::addColumn<QString>("ipv6"); // the site's hosts as this IPv6 address; empty: 127.0.0.1
    QTest::newRow("current") << Site::Current << false << u"alice"_s << u"alice123"_s << 120 << 40 << QString();
    QTest::newRow("older") << Site::Older << false << u"alice"_s << u"alice123"_s << 120 << 40 << QString();
    // Hosts written as bracketed IPv6 literals are the same hosts as the pages' addresses.
    QTest::newRow("current, [::1]") << Site::Current << false << u"alice"_s << u"alice123"_s << 120 << 40 << u"::1"_s;
    QTest::newRow("current, [::ffff:127.0.0.1]")
        << Site::Current << false << u"alice"_s << u"alice123"_s << 120 << 40 << u"::ffff:127.0.0.1"_s;
    // The exchange's password in the forum's own code page.
    for (const auto &[name, site] : {std::pair{"current", Site::Current}, std::pair{"older", Site::Older}}) {
        for (const bool utf8 : {false, true}) {
            QTest::newRow(qPrintable(QString::fromLatin1(name) + (utf8 ? u", utf-8"_s : u", gbk"_s) + u": Chinese password"_s))
                << site << utf8 << kChineseName << kChinesePassword << 88 << 22 << QString();
        }
    }
}

void TestForumReleases::panelBalancesExchangeAndSignOut()
{
    QFETCH(Site, site);
    QFETCH(bool, utf8);
    QFETCH(QString, account);
    QFETCH(QString, password);
    QFETCH(int, quorvelbi);
    QFETCH(int, za);
    QFETCH(QString, ipv6);
    sim().setSiteSettings(settingsOf(site, utf8));
    if (!ipv6.isEmpty()) {
        const QHostAddress address(ipv6);
        sim().stop();
        // ::ffff:127.0.0.1 reaches the IPv4 loopback the simulator listens on; ::1 needs its own.
        if (address == QHostAddress::LocalHostIPv6) {
            for (int role = 0; role < kSimRoleCount; ++role)
                sim().setListenAddress(Role(role), address);
        }
        if (!sim().start())
            QSKIP("no IPv6 loopback here");
        pointClientAt(sim());
        for (const HostRole role : {HostRole::Forum, HostRole::Home, HostRole::Vip, HostRole::Soft, HostRole::Main}) {
            const QUrl now(testSession().settings().origin(role));
            testSession().settings().setHost(role, u"http://[%1]:%2"_s.arg(ipv6).arg(now.port()));
        }
    }
    // The member's security question stays out of this visit.
    sim().member(account)->questionId = 0;
    testSession().login().AutoLoginBlocked = 1;
    openWindow();
    fill(account, password);
    m_form->Command1->click();
    QTRY_VERIFY_WITH_TIMEOUT(handedOver(), 15000);
    QPointer<Form2> panel = Form2::existing(testSession());
    QCOMPARE(panel->Label1[0]->text(), QString::number(quorvelbi));
    QCOMPARE(panel->Label1[1]->text(), QString::number(za));
    // A site that sells no credits: the balances came from the exchange page, in the same visit.
    QCOMPARE(requests("GET", "op=exchange").size(), site == Site::Current ? 1 : 0);

    panel->Text3->setText(u"8"_s);
    panel->Text5->setText(password);
    m_session->seams.queueAnswer(Seams::Answer::Yes);
    panel->Command6->click();
    QTRY_COMPARE_WITH_TIMEOUT(panel->Label1[0]->text(), QString::number(quorvelbi + 8), 10000);
    QCOMPARE(panel->Label1[1]->text(), QString::number(za - 2));
    QCOMPARE(m_session->seams.lastMessage(), u"积分兑换成功，您使用 2 枚za兑换了 8 枚Quorvel币"_s);
    const auto exchanges = requests("POST", "op=exchange");
    QCOMPARE(exchanges.size(), 1);
    QCOMPARE(exchanges.first().tokenCheck, site == Site::Current ? SimTokenCheck::Valid : SimTokenCheck::Fixed);
    QVERIFY(exchanges.first().body.contains(QByteArray("&password=" + onWire(password, utf8) + '&')));
    QCOMPARE(sim().member(account)->za, za - 2);
    verifyOnlyTheForumsCodePage({account, password});

    // Sign-out: the forum itself ended the session, and the store holds none of its cookies.
    QCOMPARE(sim().state().openSessionCount(), 1);
    testSession().setLoginWindowOpener(
        [this](MemberSession &session, QWidget *windowGivingWay) { m_form = Form1::openNew(session, windowGivingWay); });
    m_session->seams.queueAnswer(Seams::Answer::Yes);
    panel->Command5_Click();
    QTRY_COMPARE_WITH_TIMEOUT(sim().state().openSessionCount(), 0, 5000);
    const auto logouts = requests("GET", "action=logout");
    QCOMPARE(logouts.size(), 1);
    QCOMPARE(logouts.first().tokenCheck, site == Site::Current ? SimTokenCheck::Valid : SimTokenCheck::Fixed);
    QVERIFY(testSession().network().cookieStore().allCookies().isEmpty());
    QVERIFY(!testSession().site().isMemberPeriod());
    verifyNoStaleToken();
}

// ---- Lost password ---------------------------------------------------------------------------

void TestForumReleases::lostPasswordAfterARefusedSignIn_data()
{
    addSites();
    QTest::addColumn<bool>("utf8");
    QTest::addColumn<QString>("account");
    QTest::addColumn<QString>("email");
    QTest::addColumn<int>("uid");
    QTest::newRow("current") << Site::Current << false << u"alice"_s << u"alice@example.com"_s << 1234;
    QTest::newRow("older") << Site::Older << false << u"alice"_s << u"alice@example.com"_s << 1234;
    for (const auto &[name, site] : {std::pair{"current", Site::Current}, std::pair{"older", Site::Older}}) {
        for (const bool utf8 : {false, true}) {
            QTest::newRow(qPrintable(QString::fromLatin1(name) + (utf8 ? u", utf-8"_s : u", gbk"_s) + u": Chinese name"_s))
                << site << utf8 << kChineseName << u"ceshi@example.com"_s << 666;
        }
    }
}

void TestForumReleases::lostPasswordAfterARefusedSignIn()
{
    QFETCH(Site, site);
    QFETCH(bool, utf8);
    QFETCH(QString, account);
    QFETCH(QString, email);
    QFETCH(int, uid);
    sim().setSiteSettings(settingsOf(site, utf8));
    openWindow();
    fill(account, u"wrong"_s);
    m_form->Command1->click();
    QTRY_VERIFY_WITH_TIMEOUT(idle() && !m_session->seams.messages.isEmpty(), 10000);
    QVERIFY(testSession().network().cookieStore().allCookies().isEmpty()); // the reset took the session

    // The lost-password window, as the member fills it in: it opens modal over the login window.
    Form4::showModal(testSession(), m_form);
    const QPointer<Form4> window = qobject_cast<Form4 *>(QApplication::activeModalWidget());
    QVERIFY(window);
    const qsizetype boxes = m_session->seams.messages.size();
    window->findChild<QLineEdit *>(u"Text1"_s)->setText(account);
    window->findChild<QLineEdit *>(u"Text2"_s)->setText(email);
    QPushButton *send = window->findChild<QPushButton *>(u"Command1"_s);
    send->click();
    // The post is over once the forum's answer has been shown and the button takes clicks again.
    QTRY_VERIFY_WITH_TIMEOUT(m_session->seams.messages.size() == boxes + 1 && send->isEnabled(), 10000);
    window->close();
    QTRY_VERIFY(!window);
    QCOMPARE(sim().mailedUids(), QList<int>{uid});
    QVERIFY(m_session->seams.lastMessage().contains(u"Email"_s));
    const auto posts = requests("POST", "mod=lostpasswd");
    QCOMPARE(posts.size(), 1);
    QCOMPARE(posts.first().tokenCheck, site == Site::Current ? SimTokenCheck::Valid : SimTokenCheck::Fixed);
    QVERIFY(posts.first().body.contains(QByteArray("&username=" + onWire(account, utf8) + '&')));
    verifyOnlyTheForumsCodePage({account});
    verifyNoStaleToken();
}

// ---- Refused tokens and bad login forms ------------------------------------------------------

void TestForumReleases::aRefusedTokenIsSentOnceMoreFresh_data()
{
    addSites();
    QTest::newRow("current") << Site::Current;
    QTest::newRow("older") << Site::Older;
}

void TestForumReleases::aRefusedTokenIsSentOnceMoreFresh()
{
    QFETCH(Site, site);
    sim().setSiteSettings(settingsOf(site));
    openWindow();
    fill(u"alice"_s, u"alice123"_s);
    // The first post meets the refusal page (as a token from an expired window would).
    sim().setFault(SimFault::Token503, "loginsubmit=yes", Role::Forum, 1);
    testSession().login().AutoLoginBlocked = 1;
    m_form->Command1->click();
    if (site == Site::Older) {
        // The older site checks no token: its 503 is an answer like any other, never sent again
        // (it may have done the work).
        QTRY_VERIFY_WITH_TIMEOUT(!m_session->seams.messages.isEmpty(), 10000);
        QCOMPARE(m_session->seams.lastMessage(), u"服务器故障,暂时无法登录!请联系客服QQ：86420135"_s);
        QCOMPARE(requests("POST", "action=login").size(), 1);
        return;
    }
    QTRY_VERIFY_WITH_TIMEOUT(handedOver(), 15000);
    QVERIFY(m_session->seams.messages.isEmpty());
    QCOMPARE(requests("POST", "action=login").size(), 2);
    // Each post read its own login form first.
    QCOMPARE(requests("GET", "action=login&infloat=yes").size(), 2);
    QCOMPARE(sim().state().recentFailures(u"127.0.0.1"_s), 0);
}

void TestForumReleases::aForumThatRefusesTheFreshTokenToo()
{
    openWindow();
    fill(u"alice"_s, u"alice123"_s);
    sim().setFault(SimFault::Token503, "loginsubmit=yes", Role::Forum);
    m_form->Command1->click();
    QTRY_VERIFY_WITH_TIMEOUT(idle() && !m_session->seams.messages.isEmpty(), 10000);
    QCOMPARE(m_session->seams.lastMessage(), FormToken::kMessageRefused);
    QCOMPARE(m_form->status(), FormToken::kMessageRefused);
    QCOMPARE(m_session->seams.endCount, 0);
    QVERIFY(m_form->isVisible());
    // Twice, not more.
    const auto posts = requests("POST", "action=login");
    QCOMPARE(posts.size(), 2);
    // The refused tokens are never sent again, not with the reset's log-out either.
    for (const auto &logout : requests("GET", "action=logout")) {
        for (const auto &post : posts)
            QVERIFY2(!logout.pathAndQuery.contains(QByteArray("formhash=" + post.formValue("formhash").toLatin1())),
                     logout.pathAndQuery.constData());
    }
}

void TestForumReleases::aBadLoginFormEndsTheAttemptClearly_data()
{
    QTest::addColumn<SimFault>("fault");
    QTest::addColumn<QString>("status");
    QTest::newRow("no answer in time") << SimFault::Slow << FormToken::kMessageUnavailable;
    QTest::newRow("status 500") << SimFault::Status500 << FormToken::kMessageUnavailable;
    QTest::newRow("cut off") << SimFault::Drop << FormToken::kMessageUnavailable;
}

void TestForumReleases::aBadLoginFormEndsTheAttemptClearly()
{
    QFETCH(SimFault, fault);
    QFETCH(QString, status);
    sim().setSlowDelayMs(4000);
    sim().setFault(fault, "action=login&infloat=yes", Role::Forum);
    openWindow();
    fill(u"alice"_s, u"alice123"_s);
    m_form->Command1->click();
    QTRY_VERIFY_WITH_TIMEOUT(idle() && m_form->status() == status, 10000);
    QVERIFY(requests("POST", "action=login").isEmpty()); // nothing posted without a token
    QVERIFY(m_session->seams.messages.isEmpty());
}

// The login form's address answers completely, but with another page (a custom template, a
// plugin, an error notice): the front page gives the token, and where no page carries one the
// sign-in goes as the older site's did, with the fixed token.
void TestForumReleases::aLoginFormAddressWithoutTheForm_data()
{
    addSites();
    QTest::newRow("current") << Site::Current;
    QTest::newRow("older") << Site::Older;
}

void TestForumReleases::aLoginFormAddressWithoutTheForm()
{
    QFETCH(Site, site);
    sim().setSiteSettings(settingsOf(site));
    sim().setFault(SimFault::ErrorPage, "action=login&infloat=yes", Role::Forum);
    testSession().login().AutoLoginBlocked = 1;
    openWindow();
    fill(u"alice"_s, u"alice123"_s);
    m_form->Command1->click();
    QTRY_VERIFY_WITH_TIMEOUT(handedOver(), 15000);
    QVERIFY2(m_session->seams.messages.isEmpty(), qPrintable(m_session->seams.messageTexts().join(u" | "_s)));
    const auto posts = requests("POST", "action=login");
    QCOMPARE(posts.size(), 1);
    QCOMPARE(posts.first().tokenCheck, site == Site::Current ? SimTokenCheck::Valid : SimTokenCheck::Fixed);
    QVERIFY(!requests("GET", "/forum.php").isEmpty());
    verifyNoStaleToken();
}

// The account box's prompt is the empty box it stands for: the login button, the automatic
// sign-in (Form1's own tests) and the lookup never send it, and no try is spent on it.
void TestForumReleases::thePromptIsNoAccount()
{
    openWindow();
    fill(Form1::kAccountPrompt, u"alice123"_s);
    m_form->Command1->click();
    QCOMPARE(m_form->status(), u"请输入用户帐号，用户名或UID.."_s);
    m_form->Text1_LostFocus();
    QCOMPARE(m_form->Text1->text(), Form1::kAccountPrompt);
    QVERIFY(requests("POST", "action=login").isEmpty());
    for (const auto &r : sim().requests())
        QVERIFY2(!r.pathAndQuery.contains(onWire(Form1::kAccountPrompt, false)), r.pathAndQuery.constData());
    QCOMPARE(sim().state().recentFailures(u"127.0.0.1"_s), 0);
    QVERIFY(m_session->seams.messages.isEmpty());
}

QTEST_MAIN(TestForumReleases)
#include "test_forum_releases.moc"
