// The login window's sign-in against the forum simulator and against hand-written replies: every
// outcome, the exact request, the session reset, faults of the site, and the member cancelling or
// closing the window while the reply is awaited or read.
#include "base/CodePage.h"
#include "base/Settings.h"
#include "base/State.h"
#include "net/CookieStore.h"
#include "net/Inet.h"
#include "net/Network.h"
#include "ScriptedServer.h"
#include "session/QuorvelModule.h"
#include "SimSession.h"
#include "windows/identity/Form3.h"
#include "windows/login/Form1.h"
#include "windows/panel/Form2.h"
#include "TestSession.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

constexpr char kOlderLoginForm[] = "<?xml version=\"1.0\" encoding=\"gbk\"?>\n<root><![CDATA[<form>"
                                   "<input name=\"username\" /><input type=\"password\" name=\"password\" />"
                                   "</form>]]></root>";

// The forum host answers every request with the same raw bytes (GBK or deliberately broken); only
// its AJAX login form is the older site's, without a token, so the post goes with the fixed one.
void answerEverythingWith(ScriptedServer &forum, const QByteArray &body)
{
    forum.setFallback(ScriptedReply::page(200, "text/xml; charset=gbk", body));
    forum.script("*?infloat=yes", ScriptedReply::page(200, "text/xml; charset=gbk", kOlderLoginForm));
}

QByteArray gbk(const QString &text)
{
    return CodePage::toAnsi(text);
}

QString successReply(const QString &name, const QString &group)
{
    const QString message = u"欢迎您回来，"_s + group + u" "_s + name;
    return u"<?xml version=\"1.0\" encoding=\"gbk\"?>\n<root><![CDATA[<script type=\"text/javascript\" reload=\"1\">"
           "if(typeof succeedhandle_login=='function') {succeedhandle_login('http://x/', '"_s +
           message + u"', {'username':'"_s + name + u"','usergroup':'"_s + group +
           u"','uid':'1','groupid':'10','syn':'0'});}</script>]]></root>"_s;
}

enum class End { Idle, Closed, HandedOver };

} // namespace

Q_DECLARE_METATYPE(End)
Q_DECLARE_METATYPE(ForumSimulator::Fault)

class TestSignIn : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void successHandsOver_data();
    void successHandsOver();
    void refusals_data();
    void refusals();
    void sessionResetTouchesOnlyCookieFiles();
    void lockedAccountErrorCallback();
    void unreadableReplyClosesWindow_data();
    void unreadableReplyClosesWindow();
    void faultsOfTheSite_data();
    void faultsOfTheSite();
    void noNetwork_data();
    void noNetwork();
    void formAskedBesideTheProbe();
    void cancelWhileWaiting();
    void closeWhileWaiting();
    void cancelOrCloseWhileReading_data();
    void cancelOrCloseWhileReading();
    void windowGoneWhileBoxIsUp_data();
    void windowGoneWhileBoxIsUp();
    void handWrittenReplies_data();
    void handWrittenReplies();
    void overlayShowsLookedUpName();

private:
    Form1 *openWindow();
    void fill(const QString &account, const QString &password, int question = 0, const QString &answer = {});
    [[nodiscard]] bool inputsEnabled(bool enabled) const;
    [[nodiscard]] bool isIdle() const { return m_form && inputsEnabled(true) && m_form->Picture2->isHidden(); }
    [[nodiscard]] bool isWaiting() const
    {
        return m_form && inputsEnabled(false) && !m_form->Picture2->isHidden() && m_form->Command2->isEnabled();
    }
    [[nodiscard]] bool isClosed() const { return !m_form || !m_form->isVisible(); }
    [[nodiscard]] bool reached(End end) const;
    [[nodiscard]] bool sessionCookieKept() const;
    ForumSimulator &sim() { return m_session->sim(); }

    std::unique_ptr<SimSession> m_session;
    QPointer<Form1> m_form;
};

void TestSignIn::init()
{
    m_session = std::make_unique<SimSession>(3000);
    QVERIFY(m_session->isRunning());
    // The older site, byte for byte as the client has always posted to it; today's release of the
    // forum software is met in test_forum_releases.
    sim().setSiteSettings(SimSiteSettings::older());
}

void TestSignIn::cleanup()
{
    delete m_form;
    Form2::destroy(testSession());
    m_session.reset();
}

Form1 *TestSignIn::openWindow()
{
    m_form = Form1::openNew(testSession());
    return m_form;
}

void TestSignIn::fill(const QString &account, const QString &password, int question, const QString &answer)
{
    m_form->Text1->setText(account);
    m_form->Text2->setText(password);
    m_form->Combo1->setCurrentIndex(question);
    m_form->Text3->setText(answer);
}

bool TestSignIn::inputsEnabled(bool enabled) const
{
    const QWidget *inputs[] = {m_form->Command1, m_form->Combo1, m_form->Text1, m_form->Text2, m_form->Text3};
    return std::all_of(std::begin(inputs), std::end(inputs), [&](const QWidget *w) { return w->isEnabled() == enabled; });
}

bool TestSignIn::reached(End end) const
{
    switch (end) {
    case End::Idle:
        return isIdle();
    case End::Closed:
        return isClosed() && !Form2::existing(testSession());
    case End::HandedOver:
        return isClosed() && Form2::existing(testSession()) && Form2::existing(testSession())->isVisible();
    }
    return false;
}

bool TestSignIn::sessionCookieKept() const
{
    const auto cookies = testSession().network().cookieStore().allCookies();
    return std::any_of(cookies.begin(), cookies.end(),
                       [](const QNetworkCookie &c) { return c.name() == ForumSimulator::authCookieName(); });
}

// ---- Success ----------------------------------------------------------------------------------

void TestSignIn::successHandsOver_data()
{
    QTest::addColumn<QString>("account");
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("question");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("memberName");
    QTest::addColumn<QByteArray>("fields"); // after formhash and referer

    QTest::newRow("ordinary member") << u"alice"_s << u"alice123"_s << 0 << QString() << u"alice"_s
                                     << QByteArray("&username=alice&password=alice123");
    QTest::newRow("by UID") << u"1234"_s << u"alice123"_s << 0 << QString() << u"alice"_s
                            << QByteArray("&username=1234&password=alice123&loginfield=auto");
    QTest::newRow("security question") << u"dave"_s << u"dave000"_s << 3 << u"上海"_s << u"dave"_s
                                       << QByteArray("&username=dave&password=dave000&questionid=3&answer=%C9%CF%BA%A3");
    QTest::newRow("form characters and Chinese") << u"小明"_s << u"xm&=+%密码"_s << 0 << QString() << u"小明"_s
                                                 << QByteArray("&username=%D0%A1%C3%F7&password=xm%26%3D%2B%25%C3%DC%C2%EB");
    QTest::newRow("numeric-only name") << u"10086"_s << u"num222"_s << 0 << QString() << u"10086"_s
                                       << QByteArray("&username=10086&password=num222&loginfield=auto");
}

void TestSignIn::successHandsOver()
{
    QFETCH(QString, account);
    QFETCH(QString, password);
    QFETCH(int, question);
    QFETCH(QString, answer);
    QFETCH(QString, memberName);
    QFETCH(QByteArray, fields);

    testSession().login().AutoLoginBlocked = 1; // as after a sign-out earlier in the run
    openWindow();
    fill(account, password, question, answer);
    m_form->Check1->setChecked(true);

    // The identity check shows between the forum's welcome and the panel: watch it from a timer.
    QString form3Name;
    bool form3Avatar = false;
    QTimer watch;
    connect(&watch, &QTimer::timeout, this, [&] {
        if (Form3 *f3 = Form3::current(testSession())) {
            form3Name = f3->Label3->text();
            form3Avatar = !f3->Image1->pixmap().isNull();
        }
    });
    watch.start(20);

    m_form->Command1->click();
    QTRY_VERIFY_WITH_TIMEOUT(reached(End::HandedOver), 15000);

    QCOMPARE(form3Name, memberName);
    QVERIFY(form3Avatar);
    QCOMPARE(Form2::existing(testSession())->Label3->text(), memberName);
    QCOMPARE(testSession().login().MemberName, memberName);
    QCOMPARE(testSession().login().AutoLoginBlocked, qint16(0));
    QVERIFY(m_session->seams.messages.isEmpty());
    QVERIFY(sessionCookieKept());

    // The exact post, as the forum received it.
    const auto posts = sim().requestsTo("loginsubmit=yes");
    QCOMPARE(posts.size(), 1);
    const auto &post = posts.first();
    const QString forum = sim().hostAndPort(ForumSimulator::Role::Forum);
    QCOMPARE(post.method, QByteArray("POST"));
    QCOMPARE(post.pathAndQuery,
             QByteArray("/member.php?mod=logging&action=login&loginsubmit=yes&handlekey=login&loginhash=Qm7tW&inajax=1"));
    QCOMPARE(post.header("Referer"), QByteArray("http://" + forum.toLatin1() + "/"));
    QCOMPARE(post.header("Content-Type"), QByteArray("application/x-www-form-urlencoded"));
    const QByteArray body = "formhash=5c2e9a17&referer=http%3A%2F%2F" + forum.toLatin1() + "%2F" + fields;
    QCOMPARE(post.body, body);
    QCOMPARE(post.formValue("password"), password);
    // One probe before the post.
    const auto all = sim().requests();
    QCOMPARE(std::count_if(all.begin(), all.end(), [](const auto &r) { return r.role == ForumSimulator::Role::Probe; }), 1);

    // The save step ran: the account is kept in login.ini.
    const QString ini = m_session->dir.file(u"login.ini"_s);
    QCOMPARE(QuorvelModule::ReadIniValue(u"INFORMATION"_s, u"USER"_s, u"?"_s, ini), account);
    QCOMPARE(QuorvelModule::ReadIniValue(u"INFORMATION"_s, u"ASK"_s, u"?"_s, ini), QString::number(question));
}

// ---- Refusals: back to input, session dropped ---------------------------------------------------

void TestSignIn::refusals_data()
{
    QTest::addColumn<QString>("account");
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("question");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("memberName");

    QTest::newRow("wrong password") << u"alice"_s << u"nope"_s << 0 << QString() << u"登录失败，您还可以尝试 4 次"_s
                                    << u"登录失败，您还可以尝试 4 次"_s << QString();
    QTest::newRow("unknown member") << u"nobody"_s << u"x"_s << 0 << QString() << u"登录失败，您还可以尝试 4 次"_s
                                    << u"登录失败，您还可以尝试 4 次"_s << QString();
    QTest::newRow("question required") << u"dave"_s << u"dave000"_s << 0 << QString()
                                       << u"请选择安全提问以及填写正确的答案"_s << u"请选择安全提问以及填写正确的答案"_s
                                       << QString();
    QTest::newRow("wrong answer") << u"dave"_s << u"dave000"_s << 3 << u"北京"_s
                                  << u"安全提问或答案不正确，请选择正确的安全提问并填写答案"_s
                                  << u"安全提问或答案不正确，请选择正确的安全提问并填写答案"_s << QString();
    QTest::newRow("banned member") << u"eve"_s << u"eve111"_s << 0 << QString()
                                   << u"您因违反Quorvel相关规定,现已做封号处理!"_s << u"您的帐号已被禁止使用!"_s << u"eve"_s;
}

void TestSignIn::refusals()
{
    QFETCH(QString, account);
    QFETCH(QString, password);
    QFETCH(int, question);
    QFETCH(QString, answer);
    QFETCH(QString, message);
    QFETCH(QString, status);
    QFETCH(QString, memberName);

    openWindow();
    fill(account, password, question, answer);
    m_form->Command1->click();
    QVERIFY(isWaiting());
    QTRY_COMPARE_WITH_TIMEOUT(m_session->seams.messages.size(), 1, 5000);

    QCOMPARE(m_session->seams.messages.first().text, message);
    QCOMPARE(m_session->seams.messages.first().icon, Seams::Icon::Exclamation);
    QCOMPARE(m_session->seams.messages.first().title, u"Quorvel软件"_s);
    QCOMPARE(m_form->status(), status);
    QVERIFY(isIdle());
    QCOMPARE(testSession().login().MemberName, memberName);
    QVERIFY(!Form2::existing(testSession()));

    // The session reset: the forum is asked to sign out, with the session's cookies, and nothing
    // of the session stays in the client.
    QTRY_COMPARE_WITH_TIMEOUT(sim().requestsTo("action=logout").size(), 1, 5000);
    const auto logout = sim().requestsTo("action=logout").first();
    QCOMPARE(logout.method, QByteArray("GET"));
    QVERIFY(logout.pathAndQuery.startsWith("/member.php?mod=logging&action="));
    QCOMPARE(logout.header("Referer"), QByteArray("http://" + sim().hostAndPort(ForumSimulator::Role::Forum).toLatin1() + "/"));
    QCOMPARE(logout.header("Content-Type"), QByteArray("application/x-www-form-urlencoded"));
    QVERIFY(logout.body.isEmpty());
    if (!memberName.isEmpty()) // the banned member had been signed in: the sign-out carried the session
        QVERIFY(logout.header("Cookie").contains(ForumSimulator::authCookieName()));
    QVERIFY(!sessionCookieKept());
}

void TestSignIn::sessionResetTouchesOnlyCookieFiles()
{
    const QString cookies = QuorvelModule::SpecialFolderPath(testSession().settings(), QuorvelModule::kCookiesFolder);
    QVERIFY(QDir().mkpath(cookies + u"/sub"_s));
    const auto touch = [](const QString &path) {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write("x") == 1;
    };
    QVERIFY(touch(cookies + u"/old@forum.txt"_s));
    QVERIFY(touch(cookies + u"/UPPER.TXT"_s));
    QVERIFY(touch(cookies + u"/keep.dat"_s));
    QVERIFY(touch(cookies + u"/sub/inner.txt"_s));
    QVERIFY(touch(m_session->dir.file(u"outside.txt"_s)));

    openWindow();
    fill(u"eve"_s, u"eve111"_s);
    m_form->Command1->click();
    QTRY_VERIFY_WITH_TIMEOUT(!m_session->seams.messages.isEmpty(), 5000);
    QVERIFY(isIdle());

    QVERIFY(!QFile::exists(cookies + u"/old@forum.txt"_s));
    QVERIFY(!QFile::exists(cookies + u"/UPPER.TXT"_s));
    QVERIFY(QFile::exists(cookies + u"/keep.dat"_s));
    QVERIFY(QFile::exists(cookies + u"/sub/inner.txt"_s));
    QVERIFY(QFile::exists(m_session->dir.file(u"outside.txt"_s)));
    // Once the forum's sign-out answer is in, no cookie file holds the session either.
    QTRY_COMPARE_WITH_TIMEOUT(sim().requestsTo("action=logout").size(), 1, 5000);
    QTest::qWait(100);
    for (const QString &name : QDir(cookies).entryList({u"*.txt"_s}, QDir::Files)) {
        QFile file(cookies + u"/"_s + name);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY2(!file.readAll().contains(ForumSimulator::authCookieName()), qPrintable(name));
    }
}

void TestSignIn::lockedAccountErrorCallback()
{
    // After five failures the forum refuses every sign-in through its error callback, without "失败".
    openWindow();
    for (int i = 0; i < 5; ++i) {
        fill(u"alice"_s, u"wrong"_s);
        m_form->Command1->click();
        QTRY_COMPARE_WITH_TIMEOUT(m_session->seams.messages.size(), i + 1, 5000);
        QVERIFY(isIdle());
    }
    fill(u"alice"_s, u"alice123"_s);
    m_form->Command1->click();
    QTRY_COMPARE_WITH_TIMEOUT(m_session->seams.messages.size(), 6, 5000);
    QCOMPARE(m_session->seams.lastMessage(), u"密码错误次数过多，请 15 分钟后重新登录"_s);
    QCOMPARE(m_session->seams.messages.last().icon, Seams::Icon::Exclamation);
    QCOMPARE(m_form->status(), u"密码错误次数过多，请 15 分钟后重新登录"_s);
    QVERIFY(isIdle());
}

// ---- Nothing readable: the program ends --------------------------------------------------------

void TestSignIn::unreadableReplyClosesWindow_data()
{
    QTest::addColumn<ForumSimulator::Fault>("fault");
    QTest::newRow("empty reply") << ForumSimulator::Fault::Empty;
    QTest::newRow("HTML error page") << ForumSimulator::Fault::ErrorPage;
    QTest::newRow("status 500") << ForumSimulator::Fault::Status500;
}

void TestSignIn::unreadableReplyClosesWindow()
{
    QFETCH(ForumSimulator::Fault, fault);
    sim().setFault(fault, "loginsubmit=yes");
    openWindow();
    fill(u"alice"_s, u"alice123"_s);
    m_form->Command1->click();
    QTRY_VERIFY_WITH_TIMEOUT(isClosed(), 5000);
    QCOMPARE(m_session->seams.messageTexts(), QStringList{u"服务器故障,暂时无法登录!请联系客服QQ：86420135"_s});
    QCOMPARE(m_session->seams.messages.first().icon, Seams::Icon::Information);
    // The window is gone for good (deleted once events run); no other window took over.
    QTRY_VERIFY(!m_form);
    QVERIFY(!Form2::existing(testSession()));
    QVERIFY(!Form3::current(testSession()));
    // Closing the last window ends the program; the end seam is not needed for that.
    QCOMPARE(m_session->seams.endCount, 0);
}

// ---- Other faults of the site -------------------------------------------------------------------

void TestSignIn::faultsOfTheSite_data()
{
    QTest::addColumn<ForumSimulator::Fault>("fault");
    QTest::addColumn<QString>("account");
    QTest::addColumn<QString>("password");
    QTest::addColumn<End>("end");
    QTest::addColumn<QString>("statusOrMessage");

    using F = ForumSimulator::Fault;
    // A reply without its CDATA wrapper still carries the greeting, or the failure in its callback.
    QTest::newRow("no CDATA, success") << F::NoCdata << u"alice"_s << u"alice123"_s << End::HandedOver << QString();
    QTest::newRow("no CDATA, failure") << F::NoCdata << u"alice"_s << u"bad"_s << End::Idle
                                       << u"登录失败，您还可以尝试 4 次"_s;
    QTest::newRow("invalid GBK, success") << F::InvalidGbk << u"alice"_s << u"alice123"_s << End::HandedOver << QString();
    QTest::newRow("invalid GBK, failure") << F::InvalidGbk << u"alice"_s << u"bad"_s << End::Idle
                                          << u"登录失败，您还可以尝试 4 次"_s;
    QTest::newRow("slow, success") << F::Slow << u"alice"_s << u"alice123"_s << End::HandedOver << QString();
    // The connection fails before a whole reply is in: back to input with the network prompt.
    QTest::newRow("dropped mid-reply") << F::Drop << u"alice"_s << u"alice123"_s << End::Idle
                                       << u"请检查您的网络链接"_s;
    QTest::newRow("beyond 8 MiB") << F::Huge << u"alice"_s << u"alice123"_s << End::Idle << u"请检查您的网络链接"_s;
}

void TestSignIn::faultsOfTheSite()
{
    QFETCH(ForumSimulator::Fault, fault);
    QFETCH(QString, account);
    QFETCH(QString, password);
    QFETCH(End, end);
    QFETCH(QString, statusOrMessage);

    sim().setSlowDelayMs(300);
    sim().setFault(fault, "loginsubmit=yes");
    openWindow();
    fill(account, password);
    m_form->Command1->click();
    QTRY_VERIFY_WITH_TIMEOUT(reached(end), 15000);
    if (end == End::Idle) {
        QCOMPARE(m_form->status(), statusOrMessage);
        // A dropped connection may have opened a session: it is dropped all the same.
        QTRY_COMPARE_WITH_TIMEOUT(sim().requestsTo("action=logout").size(), 1, 5000);
        QVERIFY(!sessionCookieKept());
        if (statusOrMessage != u"请检查您的网络链接"_s)
            QCOMPARE(m_session->seams.messageTexts(), QStringList{statusOrMessage});
        else
            QVERIFY(m_session->seams.messages.isEmpty());
    } else {
        QVERIFY(m_session->seams.messages.isEmpty());
        QCOMPARE(testSession().login().MemberName, account);
    }
}

void TestSignIn::noNetwork_data()
{
    QTest::addColumn<int>("how");
    QTest::newRow("probe answers empty") << 0;
    QTest::newRow("probe connection dropped") << 1;
    QTest::newRow("probe site unreachable") << 2;
}

void TestSignIn::noNetwork()
{
    QFETCH(int, how);
    if (how == 0)
        sim().setFault(ForumSimulator::Fault::Empty, {}, ForumSimulator::Role::Probe);
    else if (how == 1)
        sim().setFault(ForumSimulator::Fault::Drop, {}, ForumSimulator::Role::Probe);
    else
        testSession().settings().setProbeUrl(u"http://127.0.0.1:1/"_s);

    // The login form, asked for beside the probe, answers late: the failed probe ended its
    // request, and nothing of its answer (the salt cookie) is kept.
    sim().setSlowDelayMs(200);
    sim().setFault(ForumSimulator::Fault::Slow, "infloat=yes");

    openWindow();
    fill(u"alice"_s, u"alice123"_s);
    m_form->Command1->click();
    QTRY_VERIFY_WITH_TIMEOUT(isIdle(), 5000);
    QCOMPARE(m_form->status(), u"请检查您的网络链接"_s);
    QVERIFY(m_session->seams.messages.isEmpty());
    QTest::qWait(400);
    QVERIFY(sim().requestsTo("loginsubmit=yes").isEmpty());
    QVERIFY(testSession().network().cookieStore().allCookies().isEmpty());
}

void TestSignIn::formAskedBesideTheProbe()
{
    // While the probe waits, the login form is on its way already; the post follows the probe.
    sim().setSlowDelayMs(300);
    sim().setFault(ForumSimulator::Fault::Slow, {}, ForumSimulator::Role::Probe);
    openWindow();
    fill(u"alice"_s, u"alice123"_s);
    m_form->Command1->click();
    QTRY_COMPARE_WITH_TIMEOUT(sim().requestsTo("infloat=yes").size(), 1, 5000);
    QVERIFY(m_form->status() != u"正在为您登录账号.."_s); // set once the probe has answered
    QVERIFY(sim().requestsTo("loginsubmit=yes").isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(reached(End::HandedOver), 15000);
    QCOMPARE(sim().requestsTo("infloat=yes").size(), 1); // the form was read once
    QVERIFY(m_session->seams.messages.isEmpty());
}

// ---- The member cancels or closes ---------------------------------------------------------------

void TestSignIn::cancelWhileWaiting()
{
    sim().setFault(ForumSimulator::Fault::NoAnswer, "loginsubmit=yes");
    openWindow();
    fill(u"alice"_s, u"alice123"_s);
    m_form->Command1->click();
    QTRY_COMPARE_WITH_TIMEOUT(sim().requestsTo("loginsubmit=yes").size(), 1, 5000);
    QVERIFY(isWaiting());
    QCOMPARE(m_form->status(), u"正在为您登录账号.."_s);

    QTest::mouseClick(m_form->Command2, Qt::LeftButton);
    QVERIFY(isIdle());
    QCOMPARE(m_form->status(), u"取消登录.."_s);

    // A second attempt after the cancel goes through as usual.
    sim().clearFaults();
    m_form->Command1->click();
    QTRY_VERIFY_WITH_TIMEOUT(reached(End::HandedOver), 15000);
    QVERIFY(m_session->seams.messages.isEmpty());
}

void TestSignIn::closeWhileWaiting()
{
    sim().setSlowDelayMs(300);
    sim().setFault(ForumSimulator::Fault::Slow, "loginsubmit=yes");
    openWindow();
    fill(u"alice"_s, u"alice123"_s);
    m_form->Command1->click();
    QTRY_COMPARE_WITH_TIMEOUT(sim().requestsTo("loginsubmit=yes").size(), 1, 5000);
    m_form->close();
    QTRY_VERIFY(!m_form);
    QTest::qWait(600); // the slow reply arrives at a control that is gone
    QVERIFY(m_session->seams.messages.isEmpty());
    QVERIFY(!Form2::existing(testSession()));
}

void TestSignIn::cancelOrCloseWhileReading_data()
{
    QTest::addColumn<bool>("close");
    QTest::newRow("cancel") << false;
    QTest::newRow("close") << true;
}

void TestSignIn::cancelOrCloseWhileReading()
{
    QFETCH(bool, close);
    // A success reply of many chunks; the member acts while it comes in.
    ScriptedServer forum;
    answerEverythingWith(forum, gbk(QString(200000, QLatin1Char(' ')) + successReply(u"alice"_s, u"注册会员"_s)));
    testSession().settings().setHost(HostRole::Forum, forum.hostAndPort());
    openWindow();
    fill(u"alice"_s, u"alice123"_s);

    bool acted = false;
    QTimer member;
    connect(&member, &QTimer::timeout, this, [&] {
        if (!m_form || acted)
            return;
        if (m_form->Inet1->StillExecuting() && !forum.requests().isEmpty()
            && forum.requests().constLast().target.contains("loginsubmit")) {
            // The reply is on its way.
            acted = true;
            if (close)
                m_form->close();
            else
                QTest::mouseClick(m_form->Command2, Qt::LeftButton);
        }
    });
    member.start(0);
    m_form->Command1->click();
    QTRY_VERIFY_WITH_TIMEOUT(acted, 5000);
    QTest::qWait(100);

    QVERIFY(m_session->seams.messages.isEmpty());
    QVERIFY(!Form2::existing(testSession()));
    QVERIFY(testSession().login().MemberName.isEmpty());
    if (close) {
        QTRY_VERIFY(!m_form);
    } else {
        QVERIFY(isIdle());
        QCOMPARE(m_form->status(), u"取消登录.."_s);
    }
}

void TestSignIn::windowGoneWhileBoxIsUp_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::newRow("failure") << gbk(u"<root><![CDATA[登录失败<script type=\"x\">]]></root>"_s);
    QTest::newRow("error callback") << gbk(u"<root>errorhandle_login('a', 'b', 'c', 'd')</root>"_s);
    QTest::newRow("ban") << gbk(successReply(u"eve"_s, u"禁止访问"_s));
    QTest::newRow("data error") << gbk(successReply(u"eve"_s, QString()));
    QTest::newRow("unreadable") << QByteArray();
}

void TestSignIn::windowGoneWhileBoxIsUp()
{
    QFETCH(QByteArray, reply);
    ScriptedServer forum;
    answerEverythingWith(forum, reply);
    testSession().settings().setHost(HostRole::Forum, forum.hostAndPort());
    openWindow();
    fill(u"someone"_s, u"pw"_s);
    int boxes = 0;
    // While the box is up the window is destroyed outright (the harshest way it can go away).
    Seams::setMessageHandler([&](const Seams::MessageRequest &) {
        ++boxes;
        delete m_form;
        return Seams::Answer::Ok;
    });
    m_form->Command1->click();
    QTRY_COMPARE_WITH_TIMEOUT(boxes, 1, 5000);
    QVERIFY(!m_form);
    QTest::qWait(50);
    QCOMPARE(boxes, 1);
}

// ---- Hand-written replies -----------------------------------------------------------------------

void TestSignIn::handWrittenReplies_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<End>("end");
    QTest::addColumn<QString>("message"); // the one box shown

    const QString dataError = u"抱歉!登录数据出错!请您点击重新登录!"_s;
    const QString serverFailure = u"服务器故障,暂时无法登录!请联系客服QQ：86420135"_s;
    QTest::newRow("no apostrophes") << gbk(u"<root><![CDATA[系统维护中]]></root>"_s) << End::Idle << u"系统维护中"_s;
    QTest::newRow("greeting with 13 pieces") << gbk(u"欢迎您回来'1'2'3'4'5'6'7'8'name'10'11'12"_s) << End::Idle
                                             << dataError;
    QTest::newRow("greeting with 14 pieces") << gbk(u"欢迎您回来'1'2'3'4'5'6'7'8'name'10'11'12'group"_s)
                                             << End::HandedOver << QString();
    QTest::newRow("CDATA without bracket") << gbk(u"<root><![CDATA[服务器忙"_s) << End::Closed << serverFailure;
    QTest::newRow("CDATA inside a piece") << gbk(u"x'CDATA[blocked]'y"_s) << End::Idle << u"blocked"_s;
    QTest::newRow("both markers") << gbk(successReply(u"alice"_s, u"失败者联盟"_s)) << End::HandedOver << QString();
    QTest::newRow("failure and error callback")
        << gbk(u"<root><![CDATA[登录失败，还有 2 次<script type=\"text/javascript\">errorhandle_login('另一段', {});</script>]]></root>"_s)
        << End::Idle << u"登录失败，还有 2 次"_s;
    QTest::newRow("failure without script") << gbk(u"<root><![CDATA[<p>登录失败</p>]]></root>"_s) << End::Idle
                                            << u"登录失败"_s;
    QTest::newRow("huge failure") << gbk(QString(3 * 1024 * 1024, QLatin1Char('\'')) + u"CDATA[登录失败<script >]"_s)
                                  << End::Idle << u"登录失败"_s;
    QTest::newRow("invalid GBK only") << QByteArray("\x80\xFF\x81\x20\xFE\x7F\x81") << End::Closed << serverFailure;
    QTest::newRow("invalid GBK around a refusal")
        << QByteArray("\x80\xFF") + gbk(u"<root><![CDATA[请稍后再试]]></root>"_s) + QByteArray("\x81") << End::Idle
        << u"请稍后再试"_s;
    QTest::newRow("empty") << QByteArray() << End::Closed << serverFailure;
}

void TestSignIn::handWrittenReplies()
{
    QFETCH(QByteArray, reply);
    QFETCH(End, end);
    QFETCH(QString, message);

    ScriptedServer forum;
    answerEverythingWith(forum, reply);
    testSession().settings().setHost(HostRole::Forum, forum.hostAndPort());
    openWindow();
    fill(u"alice"_s, u"alice123"_s);
    m_form->Command1->click();
    QTRY_VERIFY_WITH_TIMEOUT(reached(end), 15000);
    QCOMPARE(m_session->seams.messageTexts(), message.isEmpty() ? QStringList() : QStringList{message});
    if (end == End::Idle)
        QCOMPARE(m_form->status(), message);
}

// ---- The overlay ---------------------------------------------------------------------------------

void TestSignIn::overlayShowsLookedUpName()
{
    sim().setFault(ForumSimulator::Fault::NoAnswer, "loginsubmit=yes");
    openWindow();
    fill(u"1234"_s, u"alice123"_s);
    m_form->Text1_LostFocus(); // the lookup finds the member's name and avatar for the UID
    QTRY_COMPARE_WITH_TIMEOUT(m_form->profileName(), u"alice"_s, 5000);
    m_form->Command1->click();
    QTRY_VERIFY_WITH_TIMEOUT(isWaiting(), 5000);
    QCOMPARE(m_form->Label2->text(), u"alice"_s);
    QCOMPARE(m_form->Image3->pixmap().toImage(), m_form->Image1->pixmap().toImage());
    QVERIFY(m_form->Image3->pixmap().toImage() != m_form->defaultAvatar().toImage());
    QCOMPARE(m_form->Picture2->geometry(), m_form->Picture1->geometry());
    m_form->Command2->click();

    // A name entry shows as typed.
    fill(u"vipbob"_s, u"bob456"_s);
    m_form->Text1_LostFocus();
    m_form->Command1->click();
    QTRY_VERIFY_WITH_TIMEOUT(isWaiting(), 5000);
    QCOMPARE(m_form->Label2->text(), u"vipbob"_s);
    m_form->Command2->click();
    QVERIFY(isIdle());
}

QTEST_MAIN(TestSignIn)
#include "test_signin.moc"
