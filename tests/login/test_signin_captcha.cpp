// Sign-in through the real login window on a forum that asks for a captcha (the window told so as
// the login form's announcement would tell it): the right code signs in, a wrong code or a wrong
// password brings a new picture after the session reset, the session reset takes the captcha's
// cookie, and with the captcha off the wire is what it always was.
#include "base/CodePage.h"
#include "base/State.h"
#include "IniFiles.h"
#include "net/CookieStore.h"
#include "net/Network.h"
#include "rules/SavedAccount.h"
#include "SimSession.h"
#include "windows/login/Form1.h"
#include "windows/panel/Form2.h"
#include "TestSession.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;
using Role = ForumSimulator::Role;

namespace {

const QString kWrongCode = u"抱歉，验证码填写错误"_s;
const QString kWantCode = u"请输入图片中的验证码后登录"_s;

} // namespace

class TestSignInCaptcha : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        resetMemberState();
        m_session = std::make_unique<SimSession>(3000);
        QVERIFY(m_session->isRunning());
        sim().setCaptchaEnabled(true);
    }
    void cleanup()
    {
        delete m_form;
        Form2::destroy(testSession());
        m_session.reset();
    }

    void rightCodeSignsIn_data()
    {
        QTest::addColumn<QString>("account");
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("question");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QByteArray>("fields"); // between referer and the captcha's fields
        QTest::addColumn<bool>("utf8");         // the forum's UTF-8 build
        QTest::newRow("ordinary member") << u"alice"_s << u"alice123"_s << 0 << QString()
                                         << QByteArray("&username=alice&password=alice123") << false;
        QTest::newRow("with the question") << u"dave"_s << u"dave000"_s << 3 << u"上海"_s
                                           << QByteArray("&username=dave&password=dave000&questionid=3&answer=%C9%CF%BA%A3")
                                           << false;
        // UTF-8 bytes from Python's str.encode('utf-8').
        QTest::newRow("utf-8 forum: Chinese name, password and answer")
            << u"测试用户"_s << u"中文密码"_s << 1 << u"王小红"_s
            << QByteArray("&username=%E6%B5%8B%E8%AF%95%E7%94%A8%E6%88%B7&password=%E4%B8%AD%E6%96%87%E5%AF%86%E7%A0%81"
                          "&questionid=1&answer=%E7%8E%8B%E5%B0%8F%E7%BA%A2")
            << true;
    }
    void rightCodeSignsIn()
    {
        QFETCH(QString, account);
        QFETCH(QString, password);
        QFETCH(int, question);
        QFETCH(QString, answer);
        QFETCH(QByteArray, fields);
        QFETCH(bool, utf8);
        SimSiteSettings settings = sim().siteSettings();
        settings.utf8 = utf8;
        sim().setSiteSettings(settings);
        openAndFill(account, password, question, answer);
        announce();
        QVERIFY(m_form->Image4->isVisible() && m_form->Text4->isVisible() && m_form->Label7->isVisible());
        // Without a code nothing is posted.
        m_form->Command1->click();
        QCOMPARE(m_form->status(), u"请输入验证码.."_s);
        QVERIFY(sim().requestsTo("loginsubmit=yes").isEmpty());

        const QByteArray code = currentCode();
        QVERIFY(!code.isEmpty());
        QTest::keyClicks(m_form->Text4, QString::fromLatin1(code).toLower());
        QTest::keyClick(m_form->Text4, Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(handedOver(), 15000);
        QCOMPARE(Form2::existing(testSession())->Label3->text(), account);

        // The post: the fields of today, then the captcha's three, exactly.
        const auto posts = sim().requestsTo("loginsubmit=yes");
        QCOMPARE(posts.size(), 1);
        const QString idHash = posts.first().formValue("seccodehash");
        QCOMPARE(idHash, u"cSsign"_s);
        const QByteArray tail = fields + "&seccodehash=" + idHash.toLatin1()
            + "&seccodemodid=member%3A%3Alogging&seccodeverify=" + code.toLower();
        QVERIFY2(posts.first().body.endsWith(tail), posts.first().body.constData());
        QCOMPARE(posts.first().formValue("seccodemodid"), u"member::logging"_s);
        // The picture came with the forum's Referer and for the id of the login form.
        const auto pictures = sim().requestsTo("/misc.php?mod=seccode");
        QCOMPARE(pictures.size(), 1);
        QCOMPARE(pictures.first().header("Referer"), "http://" + sim().hostAndPort(Role::Forum).toLatin1() + '/');
        QCOMPARE(pictures.first().queryValue("idhash"), idHash);
        QVERIFY(m_session->seams.messages.isEmpty());
    }

    void wrongCodeThenRight()
    {
        openAndFill(u"alice"_s, u"alice123"_s);
        announce();
        const QByteArray first = currentCode();
        const QByteArray firstCookie = captchaCookie();
        QVERIFY(!firstCookie.isEmpty());
        QTest::keyClicks(m_form->Text4, first == "BBBB" ? u"CCCC"_s : u"BBBB"_s);
        QTest::keyClick(m_form->Text4, Qt::Key_Return);

        // The forum's word, as for other refusals; the session reset and a new picture; the name and password stay, the code box is empty and has the focus.
        QTRY_COMPARE_WITH_TIMEOUT(m_session->seams.messages.size(), 1, 5000);
        QCOMPARE(m_session->seams.messages.first().text, kWrongCode);
        QCOMPARE(m_session->seams.messages.first().icon, Seams::Icon::Exclamation);
        QTRY_COMPARE(sim().requestsTo("/misc.php?mod=seccode").size(), 2);
        QTRY_VERIFY(!m_form->Image4->pixmap().isNull());
        QCOMPARE(m_form->status(), kWrongCode);
        QVERIFY(isIdle());
        QCOMPARE(sim().requestsTo("action=logout").size(), 1);
        QCOMPARE(m_form->Text1->text(), u"alice"_s);
        QCOMPARE(m_form->Text2->text(), u"alice123"_s);
        QVERIFY(m_form->Text4->text().isEmpty());
        QCOMPARE(m_form->focusWidget(), m_form->Text4);
        QVERIFY(captchaCookie() != firstCookie);
        // A wrong code is no failed sign-in.
        QCOMPARE(sim().state().recentFailures(u"127.0.0.1"_s), 0);

        QTest::keyClicks(m_form->Text4, QString::fromLatin1(currentCode()));
        QTest::keyClick(m_form->Text4, Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(handedOver(), 15000);
        QCOMPARE(sim().requestsTo("loginsubmit=yes").size(), 2);
    }

    void refusalsBringANewPicture_data()
    {
        QTest::addColumn<QString>("account");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("message");
        QTest::newRow("wrong password") << u"alice"_s << u"nope"_s << u"登录失败，您还可以尝试 4 次"_s;
        QTest::newRow("banned member") << u"eve"_s << u"eve111"_s << u"您因违反Quorvel相关规定,现已做封号处理!"_s;
    }
    void refusalsBringANewPicture()
    {
        QFETCH(QString, account);
        QFETCH(QString, password);
        QFETCH(QString, message);
        openAndFill(account, password);
        announce();
        QTest::keyClicks(m_form->Text4, QString::fromLatin1(currentCode()));
        m_form->Command1->click();
        QTRY_COMPARE_WITH_TIMEOUT(m_session->seams.messages.size(), 1, 5000);
        QCOMPARE(m_session->seams.messages.first().text, message);
        QTRY_COMPARE(sim().requestsTo("/misc.php?mod=seccode").size(), 2);
        QTRY_VERIFY(!m_form->Image4->pixmap().isNull());
        QVERIFY(isIdle());
        QVERIFY(m_form->Text4->text().isEmpty());
        QCOMPARE(m_form->Text1->text(), account);
        QCOMPARE(m_form->Text2->text(), password);
        // The new picture is of the new session: its code signs in (the ban aside).
        QVERIFY(!currentCode().isEmpty());
        QVERIFY(!Form2::existing(testSession()));
    }

    void firstPressReadsTheLoginForm()
    {
        // Nothing announced yet: the press reads the login form, which asks for a captcha, and the
        // window waits for the code without posting.
        openAndFill(u"alice"_s, u"alice123"_s);
        m_form->Command1->click();
        QTRY_COMPARE_WITH_TIMEOUT(m_form->status(), kWantCode, 5000);
        QVERIFY(isIdle());
        QVERIFY(m_form->Image4->isVisible());
        QVERIFY(sim().requestsTo("loginsubmit=yes").isEmpty());
        QTRY_VERIFY(!m_form->Image4->pixmap().isNull());
        QCOMPARE(m_form->focusWidget(), m_form->Text4);
        QTest::keyClicks(m_form->Text4, QString::fromLatin1(currentCode()));
        QTest::keyClick(m_form->Text4, Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(handedOver(), 15000);
        // The id of the form's announcement went with the post.
        const auto posts = sim().requestsTo("loginsubmit=yes");
        QCOMPARE(posts.size(), 1);
        QCOMPARE(posts.first().formValue("seccodehash"), sim().requestsTo("/misc.php?mod=seccode").first().queryValue("idhash"));
    }

    void automaticSignInWaitsForTheCode()
    {
        {
            QFile ini(m_session->dir.file(u"login.ini"_s));
            QVERIFY(ini.open(QIODevice::WriteOnly));
            ini.write(iniBytes({u"保存账号=是"_s, u"USER=alice"_s, u"PASS="_s + SavedAccount::encipher(u"alice123"_s),
                                u"ASK=0"_s, u"ANS="_s, u"自动登录=是"_s}));
        }
        m_form = Form1::openNew(testSession());
        QVERIFY(m_form);
        QTRY_COMPARE_WITH_TIMEOUT(m_form->status(), kWantCode, 5000);
        QVERIFY(isIdle());
        QTRY_VERIFY(!m_form->Image4->pixmap().isNull());
        // Nothing posted without a code, however long it waits.
        QTest::qWait(300);
        QVERIFY(sim().requestsTo("loginsubmit=yes").isEmpty());
        QTest::keyClicks(m_form->Text4, QString::fromLatin1(currentCode()));
        QTest::keyClick(m_form->Text4, Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(handedOver(), 15000);
        QCOMPARE(sim().requestsTo("loginsubmit=yes").size(), 1);
    }

    void sessionResetDropsTheCaptchaCookie()
    {
        openAndFill(u"alice"_s, u"alice123"_s);
        announce();
        QVERIFY(!captchaCookie().isEmpty());
        m_form->qcdl();
        QVERIFY(captchaCookie().isEmpty());
        // It never was in a cookie file either: a session cookie.
        const QDir cookies(m_session->dir.file(u"Cookies"_s));
        for (const QString &name : cookies.entryList({u"*.txt"_s}, QDir::Files)) {
            QFile file(cookies.filePath(name));
            QVERIFY(file.open(QIODevice::ReadOnly));
            QVERIFY(!file.readAll().contains("seccode"));
        }
        // The code of the dropped session is not posted: the press reads a new login form and
        // brings a picture of the new session.
        QTest::keyClicks(m_form->Text4, QString::fromLatin1(currentCode()));
        m_form->Command1->click();
        QTRY_COMPARE_WITH_TIMEOUT(m_form->status(), kWantCode, 5000);
        QVERIFY(sim().requestsTo("loginsubmit=yes").isEmpty());
        QVERIFY(m_form->Text4->text().isEmpty());
        QTRY_COMPARE(sim().requestsTo("/misc.php?mod=seccode").size(), 2);
        QTRY_VERIFY(!m_form->Image4->pixmap().isNull());
        QVERIFY(!captchaCookie().isEmpty());
    }

    void captchaOffWireUnchanged()
    {
        sim().setCaptchaEnabled(false);
        openAndFill(u"alice"_s, u"alice123"_s);
        m_form->Command1->click();
        QTRY_VERIFY_WITH_TIMEOUT(handedOver(), 15000);
        const auto posts = sim().requestsTo("loginsubmit=yes");
        QCOMPARE(posts.size(), 1);
        const QByteArray body = "formhash=" + posts.first().formValue("formhash").toLatin1() + "&referer=http%3A%2F%2F"
            + sim().hostAndPort(Role::Forum).toLatin1() + "%2F&username=alice&password=alice123";
        QCOMPARE(posts.first().body, body);
        QVERIFY(sim().requestsTo("seccode").isEmpty());
        QVERIFY(m_form.isNull() || m_form->Image4->isHidden());
    }

private:
    void openAndFill(const QString &account, const QString &password, int question = 0, const QString &answer = {})
    {
        m_form = Form1::openNew(testSession());
        QVERIFY(m_form);
        m_form->Text1->setText(account);
        m_form->Text2->setText(password);
        m_form->Combo1->setCurrentIndex(question);
        m_form->Text3->setText(answer);
    }
    // What the login form's announcement makes the window do: the row with a fresh picture.
    void announce()
    {
        m_form->setCaptchaAnnouncement({CaptchaAnnouncement::Kind::Asked, u"cSsign"_s});
        QTRY_VERIFY(!m_form->Image4->pixmap().isNull());
    }
    [[nodiscard]] bool isIdle() const { return m_form && m_form->Command1->isEnabled() && m_form->Picture2->isHidden(); }
    [[nodiscard]] bool handedOver() const
    {
        return (!m_form || !m_form->isVisible()) && Form2::existing(testSession()) && Form2::existing(testSession())->isVisible();
    }
    // The code a member would read off the picture, asked of the simulator's control request.
    QByteArray currentCode()
    {
        QNetworkAccessManager nam;
        QNetworkReply *reply = nam.get(QNetworkRequest(QUrl(sim().url(Role::Vip, u"/__sim/captcha"_s))));
        QEventLoop loop;
        connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(5000, &loop, &QEventLoop::quit);
        loop.exec();
        const QByteArray text = reply->readAll();
        reply->deleteLater();
        const QRegularExpressionMatch m = QRegularExpression(u"code=(\\S+)"_s).match(QString::fromLatin1(text));
        return m.captured(1) == u"-"_s ? QByteArray() : m.captured(1).toLatin1();
    }
    [[nodiscard]] static QByteArray captchaCookie()
    {
        for (const QNetworkCookie &c : testSession().network().cookieStore().allCookies())
            if (c.name().contains("seccode"))
                return c.value();
        return {};
    }
    ForumSimulator &sim() { return m_session->sim(); }
    std::unique_ptr<SimSession> m_session;
    QPointer<Form1> m_form;
};

QTEST_MAIN(TestSignInCaptcha)
#include "test_signin_captcha.moc"
