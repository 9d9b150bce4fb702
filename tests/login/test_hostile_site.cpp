// The login window against a site that misbehaves on purpose (a scripted server of the test's
// own): megabyte refusal texts, a failure text with nothing readable, a login reply whose gzip
// body is broken, an account lookup that answers while the member already clicked 登录, the
// reset's log-out when the window goes right after a refused sign-in, and a balance re-read that
// answers with a fresh auth cookie after the session ended.
#include "ScriptedServer.h"
#include "SeamRecorder.h"
#include "SiteAddress.h"
#include "TempDataDir.h"

#include "base/CodePage.h"
#include "base/Seams.h"
#include "base/Settings.h"
#include "net/CookieStore.h"
#include "net/Inet.h"
#include "net/Network.h"
#include "net/XmlHttp.h"
#include "rules/LoginReply.h"
#include "session/QuorvelModule.h"
#include "session/SiteSession.h"
#include "windows/login/Form1.h"
#include "TestSession.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkCookie>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString kStatusNoNetwork = u"请检查您的网络链接"_s;
const QString kStatusUnknownAccount = u"您输入的用户名不存在,请检查.."_s;

QByteArray envelope(const QString &inside)
{
    return CodePage::toAnsi(u"<?xml version=\"1.0\" encoding=\"gbk\"?>\n<root><![CDATA["_s + inside + u"]]></root>"_s);
}

QByteArray refusal(const QString &message)
{
    return envelope(message + u"<script type=\"text/javascript\" reload=\"1\">if(typeof errorhandle_login=='function') {errorhandle_login('"_s +
                    message + u"', {'loginperm':'4'});}</script>"_s);
}

ScriptedReply xmlReply(const QByteArray &body)
{
    ScriptedReply r;
    r.body = body;
    r.headers = {{"Content-Type", "text/xml; charset=gbk"}};
    return r;
}

ScriptedReply pageReply(const QString &html, int delayMs = 0)
{
    ScriptedReply r;
    r.body = CodePage::toAnsi(html);
    r.headers = {{"Content-Type", "text/html; charset=gbk"}};
    r.answerDelayMs = delayMs;
    return r;
}

int countRequests(const ScriptedServer &server, const QByteArray &method, const QByteArray &targetPart)
{
    int n = 0;
    for (const LoggedRequest &request : server.requests())
        if (request.method == method && request.target.contains(targetPart))
            ++n;
    return n;
}

} // namespace

class TestHostileSite : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TempDataDir> m_data;
    std::unique_ptr<SeamRecorder> m_seams;
    std::unique_ptr<ScriptedServer> m_site;
    std::unique_ptr<Form1> m_form;

    Form1 &openForm()
    {
        m_form = std::make_unique<Form1>(testSession());
        m_form->Form_Load();
        m_form->show();
        return *m_form;
    }

private slots:
    void init()
    {
        m_data = std::make_unique<TempDataDir>();
        m_seams = std::make_unique<SeamRecorder>();
        m_site = std::make_unique<ScriptedServer>();
        QVERIFY(m_site->port());
        pointSiteAt(m_site->hostAndPort());
        testSession().network().cookieStore().setFolder(m_data->file(u"Cookies"_s));
        testSession().network().cookieStore().endSession();
        m_site->script("/", pageReply(u"<html>online</html>"_s)); // the probe
        // The login form the sign-in reads first: the older site's, without a token.
        m_site->script("/member.php?action=login&infloat=yes",
                       xmlReply(CodePage::toAnsi(u"<?xml version=\"1.0\" encoding=\"gbk\"?>\n<root><![CDATA[<form>"
                                                 "<input name=\"username\" /><input name=\"password\" /></form>]]></root>"_s)));
        testSession().network().setTimeoutMs(8000);
    }

    void cleanup()
    {
        m_form.reset();
        testSession().network().setTimeoutMs(0);
        testSession().network().cookieStore().endSession();
        m_site.reset();
        m_seams.reset();
        m_data.reset();
        testSession().settings().restoreDefaults();
    }

    // A refusal text of megabytes reaches the box and the status line cut to a readable length.
    void hugeRefusalIsCut()
    {
        QString message = u"登录失败，您还可以尝试 4 次"_s;
        while (message.size() < 1200 * 1024) // twice in the reply, two bytes each: about 5 MB
            message += u"很长的说明文字"_s;
        m_site->script("/member.php", xmlReply(refusal(message)));

        Form1 &form = openForm();
        form.Text1->setText(u"alice"_s);
        form.Text2->setText(u"pw"_s);
        QElapsedTimer timer;
        timer.start();
        form.Command1->click();
        QTRY_VERIFY_WITH_TIMEOUT(!m_seams->messages.isEmpty(), 20000);
        const QString shown = m_seams->lastMessage();
        QVERIFY2(shown.size() <= Seams::kMaxBoxChars, qPrintable(QString::number(shown.size())));
        QVERIFY(shown.startsWith(u"登录失败，您还可以尝试 4 次"_s));
        QVERIFY(shown.endsWith(QChar(0x2026)));
        QVERIFY(form.status().size() <= Seams::kMaxLineChars);
        QVERIFY(form.status().startsWith(u"登录失败"_s));
        QVERIFY2(timer.elapsed() < 15000, qPrintable(QString::number(timer.elapsed())));

        // The cut itself keeps short texts whole and never splits a surrogate pair.
        QCOMPARE(Seams::readable(u"short"_s, 10), u"short"_s);
        QCOMPARE(Seams::readable(u"abcdef"_s, 4), u"abc…"_s);
        QCOMPARE(Seams::readable(u"ab😀cd"_s, 4), u"ab…"_s);
    }

    // A failure reply with nothing readable after the tags are gone shows the section's text or a
    // plain word, never an empty box.
    void failureTextNeverEmpty()
    {
        const QString tagsOnly = u"<p title=\"登录失败\"></p>"_s;
        LoginReply::LoginOutcome outcome = LoginReply::classifyLoginReply(
            QString::fromLatin1("<?xml version=\"1.0\"?>\n<root><![CDATA[") + tagsOnly + u"]]></root>"_s);
        QCOMPARE(outcome.outcome, LoginReply::Outcome::Failure);
        QCOMPARE(outcome.message, tagsOnly);
        outcome = LoginReply::classifyLoginReply(u"登录失败"_s); // no CDATA section at all
        QCOMPARE(outcome.outcome, LoginReply::Outcome::Failure);
        QCOMPARE(outcome.message, LoginReply::kFailureFallback);

        m_site->script("/member.php", xmlReply(envelope(tagsOnly)));
        Form1 &form = openForm();
        form.Text1->setText(u"alice"_s);
        form.Text2->setText(u"pw"_s);
        form.Command1->click();
        QTRY_VERIFY(!m_seams->messages.isEmpty());
        QVERIFY(!m_seams->lastMessage().trimmed().isEmpty());
    }

    // A login reply whose compressed body is broken is a failed transfer: the no-network reset,
    // no server-failure box and no program end.
    void brokenGzipLoginReply()
    {
        ScriptedReply broken = xmlReply(QByteArray::fromHex("1f8b0800000000000003") + QByteArray(300, '\x7f'));
        broken.headers.append(QPair<QByteArray, QByteArray>("Content-Encoding", "gzip"));
        m_site->script("/member.php", broken);
        Form1 &form = openForm();
        form.Text1->setText(u"alice"_s);
        form.Text2->setText(u"pw"_s);
        form.Command1->click();
        QTRY_COMPARE(form.status(), kStatusNoNetwork);
        QTest::qWait(200);
        QVERIFY(m_seams->messages.isEmpty());
        QCOMPARE(m_seams->endCount, 0);
        QVERIFY(form.isVisible());
        QVERIFY(form.Picture2->isHidden());
        QVERIFY(form.Command1->isEnabled());
    }

    // 登录 clicked while the lookup of the entry still waits: the lookup decides first. An unknown
    // name is never posted (and no try is spent); a known one signs in once.
    void lookupAndSignInRace_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<bool>("known");
        QTest::newRow("unknown name") << u"<html><head><title>提示信息 - Quorvel - x</title></head><body>"
                                         "<div id=\"messagetext\" class=\"alert_error\">\n<p>抱歉，您指定的用户空间不存在</p></div></body></html>"_s
                                      << false;
        QTest::newRow("known name") << u"<html><head><title>nobody的个人资料 - Quorvel - x</title></head><body>"
                                       "<h2>nobody (UID: 77)</h2></body></html>"_s
                                    << true;
    }

    void lookupAndSignInRace()
    {
        QFETCH(QString, page);
        QFETCH(bool, known);
        m_site->script("/home.php", pageReply(page, 800));
        m_site->script("/member.php", xmlReply(refusal(u"登录失败，您还可以尝试 4 次"_s)));
        Form1 &form = openForm();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        form.Text1->setFocus();
        form.Text1->setText(u"nobody"_s);
        form.Text2->setText(u"pw"_s);

        // The member clicks 登录 while the lookup that leaving the box started is still waiting.
        QTimer::singleShot(200, &form, [&form] { QTest::mouseClick(form.Command1, Qt::LeftButton); });
        form.Text2->setFocus(Qt::TabFocusReason);
        QTRY_COMPARE(countRequests(*m_site, "GET", "/home.php"), 1);

        if (!known) {
            QTRY_COMPARE(form.status(), kStatusUnknownAccount);
            QTest::qWait(1000);
            QCOMPARE(countRequests(*m_site, "POST", "/member.php"), 0);
            QVERIFY(m_seams->messages.isEmpty()); // one outcome: the lookup's
            QVERIFY(form.Picture2->isHidden());
            QVERIFY(form.Command1->isEnabled());
        } else {
            QTRY_COMPARE(countRequests(*m_site, "POST", "/member.php"), 1);
            QTRY_VERIFY(!m_seams->messages.isEmpty());
            QTest::qWait(500);
            QCOMPARE(countRequests(*m_site, "POST", "/member.php"), 1);
            for (const LoggedRequest &request : m_site->requests())
                if (request.method == "POST")
                    QVERIFY2(request.body.contains("username=nobody&"), request.body.constData());
        }
        for (const LoggedRequest &request : m_site->requests())
            QVERIFY2(!request.body.contains("username=&"), request.body.constData());
    }

    // The reset after a refused sign-in sends its log-out on a transfer that outlives the window.
    void resetLogOutOutlivesTheWindow()
    {
        m_site->script("/member.php", xmlReply(refusal(u"登录失败，您还可以尝试 4 次"_s)));
        Form1 &form = openForm();
        form.Text1->setText(u"alice"_s);
        form.Text2->setText(u"pw"_s);
        // The window goes the moment the refusal is shown, before the event loop runs again.
        Seams::setMessageHandler([this](const Seams::MessageRequest &) {
            m_form.reset();
            return Seams::Answer::Ok;
        });
        form.Command1->click();
        QTRY_VERIFY(!m_form);
        QTRY_COMPARE(countRequests(*m_site, "GET", "action=logout"), 1);
    }

    // A balance re-read still in flight when the session ends: its answer, with a fresh auth
    // cookie, stores nothing in the store or the cookie files; the re-read itself is stopped.
    void lateReplyAfterSignOutStoresNoCookie()
    {
        ScriptedReply late = pageReply(u"<ul class=\"creditl mtm bbda cl\"></ul>"_s, 400);
        late.headers.append(QPair<QByteArray, QByteArray>("Set-Cookie", "q_auth=fresh; path=/; expires=Fri, 01-Jan-2100 00:00:00 GMT"));
        m_site->script("/home.php", late);
        XmlHttp reread(testSession().network());
        reread.Open(u"get"_s, testSession().settings().url(HostRole::Home, u"/home.php?mod=spacecp&ac=credit"_s), true);
        reread.send();
        QTRY_COMPARE(countRequests(*m_site, "GET", "/home.php"), 1);

        Inet signOut(testSession().network());
        testSession().site().drop(signOut);
        QTest::qWait(900);
        QCOMPARE(reread.ReadyState(), 4);
        QVERIFY(reread.failed());
        for (const QNetworkCookie &cookie : testSession().network().cookieStore().allCookies())
            QVERIFY2(cookie.name() != "q_auth", cookie.value().constData());
        QVERIFY(QDir(m_data->file(u"Cookies"_s)).entryList({u"*.txt"_s}, QDir::Files).isEmpty());
    }
};

QTEST_MAIN(TestHostileSite)
#include "test_hostile_site.moc"
