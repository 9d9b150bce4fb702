// The login window's captcha row against the simulator with the captcha on: the picture request
// (Referer, cookie in the shared store), the row's places with and without the answer box, tab
// order and Enter, the code box's input check, new pictures, and every way the picture can fail
// leaving the window usable with a word on the status line.
#include "base/Settings.h"
#include "base/State.h"
#include "net/CookieStore.h"
#include "net/Network.h"
#include "ScriptedServer.h"
#include "SimSession.h"
#include "ui/AccessibleNames.h"
#include "pictures/CaptchaPicture.h"
#include "windows/login/Form1.h"
#include "TestSession.h"

#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <QCheckBox>
#include <QComboBox>
#include <QImageWriter>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;
using Role = ForumSimulator::Role;
using CaptchaAnnouncement::Kind;

namespace {

QByteArray png(const QSize &size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::darkBlue);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, "PNG").write(image);
    return bytes;
}

CaptchaAnnouncement::Reading asked(const QString &id)
{
    return {Kind::Asked, id};
}

bool inside(const QWidget *child, const QWidget *panel)
{
    return QRect(QPoint(0, 0), panel->size()).contains(child->geometry());
}

} // namespace

Q_DECLARE_METATYPE(ForumSimulator::Fault)
Q_DECLARE_METATYPE(CaptchaPicture::Problem)

class TestForm1Captcha : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        resetMemberState();
        m_session = std::make_unique<SimSession>(1000);
        QVERIFY(m_session->isRunning());
        sim().setCaptchaEnabled(true);
        sim().setSlowDelayMs(1500);
        m_form = Form1::openNew(testSession());
        QVERIFY(m_form);
    }
    void cleanup()
    {
        delete m_form;
        m_session.reset();
        testSession().settings().restoreDefaults();
    }

    void hiddenWithoutCaptcha()
    {
        for (QWidget *w : controls())
            QVERIFY(w->isHidden());
        m_form->setCaptchaAnnouncement({});
        for (QWidget *w : controls())
            QVERIFY(w->isHidden());
        QVERIFY(m_form->captchaFields().isEmpty());
        QVERIFY(sim().requestsTo("seccode").isEmpty());
    }

    void pictureFetchedWithReferer()
    {
        m_form->Text4->setText(u"OLD1"_s);
        m_form->setCaptchaAnnouncement(asked(u"cSw1nd"_s));
        for (QWidget *w : controls())
            QVERIFY(w->isVisible());
        QVERIFY(m_form->Text4->text().isEmpty());
        QCOMPARE(m_form->Text4->placeholderText(), u"验证码"_s);
        QTRY_VERIFY(!m_form->Image4->pixmap().isNull());
        QCOMPARE(m_form->Image4->size(), QSize(100, 30));
        QCOMPARE(m_form->Image4->pixmap().deviceIndependentSize().toSize(), QSize(100, 30));

        const auto requests = sim().requestsTo("/misc.php?mod=seccode");
        QCOMPARE(requests.size(), 1);
        const QString forum = sim().hostAndPort(Role::Forum);
        QCOMPARE(requests.first().method, QByteArray("GET"));
        QVERIFY(requests.first().pathAndQuery.endsWith("&idhash=cSw1nd"));
        QCOMPARE(requests.first().header("Referer"), QByteArray("http://" + forum.toLatin1() + "/"));
        // The code's cookie is kept in the shared store, as a session cookie.
        const auto cookies = testSession().network().cookieStore().allCookies();
        const auto it = std::find_if(cookies.begin(), cookies.end(),
                                     [](const QNetworkCookie &c) { return c.name() == "qvbbs_2132_seccodecSw1nd"; });
        QVERIFY(it != cookies.end());
        QVERIFY(it->isSessionCookie());

        // The code typed goes into the post's fields.
        const QByteArray code = sim().captcha().latestCode();
        QVERIFY(!code.isEmpty());
        m_form->Text4->setText(QString::fromLatin1(code));
        QCOMPARE(m_form->captchaFields(),
                 "&seccodehash=cSw1nd&seccodemodid=member%3A%3Alogging&seccodeverify=" + code);
    }

    void newPicture_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("click on the picture") << u"picture"_s;
        QTest::newRow("the link") << u"link"_s;
    }
    void newPicture()
    {
        QFETCH(QString, how);
        m_form->setCaptchaAnnouncement(asked(u"cSnew"_s));
        QTRY_VERIFY(!m_form->Image4->pixmap().isNull());
        const QByteArray first = sim().captcha().latestCode();
        m_form->Text4->setText(u"ABCD"_s);
        QTest::mouseClick(how == u"picture"_s ? m_form->Image4 : m_form->Label7, Qt::LeftButton);
        QCOMPARE(m_form->Text4->text(), QString());
        QTRY_COMPARE(sim().requestsTo("/misc.php?mod=seccode").size(), 2);
        QTRY_VERIFY(!m_form->Image4->pixmap().isNull());
        Q_UNUSED(first);
        // A right click is no request for a new picture.
        QTest::mouseClick(m_form->Image4, Qt::RightButton);
        QTest::qWait(100);
        QCOMPARE(sim().requestsTo("/misc.php?mod=seccode").size(), 2);
    }

    void onlyTheNewestPictureShows()
    {
        // Two pictures asked for at once: the first one's answer is dropped with its request.
        sim().setFault(ForumSimulator::Fault::Slow, "seccode", Role::Forum, 1);
        sim().setSlowDelayMs(300);
        m_form->setCaptchaAnnouncement(asked(u"cSrace"_s));
        m_form->Label7_Click();
        QTRY_VERIFY(!m_form->Image4->pixmap().isNull());
        QTest::qWait(500);
        QVERIFY(!m_form->Image4->pixmap().isNull());
        QCOMPARE(m_form->status(), u"请输入用户名及密码.."_s);
    }

    void placesWithAndWithoutQuestion_data()
    {
        QTest::addColumn<int>("question");
        QTest::newRow("no question") << 0;
        QTest::newRow("with question") << 3;
    }
    void placesWithAndWithoutQuestion()
    {
        QFETCH(int, question);
        m_form->Combo1->setCurrentIndex(question);
        const QRect buttonBefore = m_form->Command1->geometry();
        m_form->setCaptchaAnnouncement(asked(u"cSlay"_s));
        QWidget *panel = m_form->Picture1;
        QList<QWidget *> shown = {m_form->Image1, m_form->Text1, m_form->Text2, m_form->Combo1, m_form->Image4,
                                  m_form->Text4,  m_form->Label7, m_form->Check1, m_form->Check2, m_form->Command1,
                                  m_form->Label1[0], m_form->Label1[1]};
        if (question)
            shown.append(m_form->Text3);
        for (QWidget *w : shown) {
            QVERIFY2(w->isVisible(), qPrintable(w->objectName()));
            QVERIFY2(inside(w, panel), qPrintable(w->objectName()));
        }
        // No two controls overlap (the links sit beside the column, the avatar left of it).
        for (QWidget *a : shown)
            for (QWidget *b : shown)
                if (a != b && a->geometry().intersects(b->geometry()))
                    QFAIL(qPrintable(a->objectName() + u" overlaps "_s + b->objectName()));
        // Top to bottom: the boxes, the captcha row, the check boxes, the button, with room below.
        const QWidget *above = question ? static_cast<QWidget *>(m_form->Text3) : m_form->Combo1;
        QVERIFY(m_form->Image4->y() > above->geometry().bottom());
        QCOMPARE(m_form->Text4->geometry().center().y(), m_form->Image4->geometry().center().y());
        QVERIFY(m_form->Check1->y() > m_form->Image4->geometry().bottom());
        QVERIFY(m_form->Command1->y() > m_form->Check1->geometry().bottom());
        QVERIFY(panel->height() - m_form->Command1->geometry().bottom() >= 5);
        QCOMPARE(m_form->Text4->x(), m_form->Text1->x());
        QCOMPARE(m_form->Image4->geometry().right(), m_form->Text1->geometry().right());
        QCOMPARE(m_form->Label7->x(), m_form->Label1[0]->x());
        if (!question)
            QCOMPARE(m_form->Command1->geometry(), buttonBefore);

        // QUORVEL_CAPTCHA_SHOTS=DIR keeps the window as drawn (run with QT_SCALE_FACTOR=2 for @2x).
        if (const QString dir = qEnvironmentVariable("QUORVEL_CAPTCHA_SHOTS"); !dir.isEmpty()) {
            // The program's own skin, as it looks when started.
            QFile skin(qEnvironmentVariable("QUORVEL_SOURCE_DIR") + u"/assets/2.she"_s);
            if (skin.open(QIODevice::ReadOnly))
                qApp->setStyleSheet(QString::fromUtf8(skin.readAll()));
            m_form->Text1->setText(question ? u"dave"_s : u"alice"_s);
            m_form->Text2->setText(u"password"_s);
            m_form->Text3->setText(question ? u"上海"_s : QString());
            QTRY_VERIFY(!m_form->Image4->pixmap().isNull());
            const qreal ratio = m_form->devicePixelRatioF();
            const QString name = (question ? u"login-captcha-question"_s : u"login-captcha"_s)
                + (ratio > 1 ? u"@%1x"_s.arg(ratio) : QString()) + u".png"_s;
            QVERIFY(m_form->grab().save(dir + u"/"_s + name));
            qApp->setStyleSheet(QString());
        }

        // The row going again puts everything back where it was.
        m_form->setCaptchaAnnouncement({});
        QCOMPARE(m_form->Command1->geometry(), buttonBefore);
        QVERIFY(m_form->Image4->isHidden());
    }

    void tabOrderAndEnter()
    {
        m_form->Combo1->setCurrentIndex(3);
        m_form->setCaptchaAnnouncement(asked(u"cStab"_s));
        // A known account, so that leaving its box does not bring the focus back to it.
        m_form->Text1->setText(u"alice"_s);
        m_form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_form));
        m_form->Text3->setFocus();
        QTRY_VERIFY(m_form->Text3->hasFocus());
        QTest::keyClick(m_form->Text3, Qt::Key_Tab);
        QTRY_VERIFY(m_form->Text4->hasFocus());
        QTest::keyClick(m_form->Text4, Qt::Key_Tab);
        QTRY_VERIFY(m_form->Check1->hasFocus());

        // Enter in the code box runs the login button's checks.
        m_form->Text2->setText(QString());
        m_form->Text4->setFocus();
        QTest::keyClick(m_form->Text4, Qt::Key_Return);
        QCOMPARE(m_form->status(), u"请输入密码.."_s);
    }

    void codeIsChecked()
    {
        m_form->setCaptchaAnnouncement(asked(u"cSchk"_s));
        m_form->Text1->setText(u"alice"_s);
        m_form->Text2->setText(u"alice123"_s);
        m_form->Text4->setText(u"   "_s);
        m_form->Command1->click();
        QCOMPARE(m_form->status(), u"请输入验证码.."_s);
        QVERIFY(m_form->Text4->hasFocus() || !m_form->isActiveWindow());
        QVERIFY(m_form->Command1->isEnabled());
        QVERIFY(m_form->Picture2->isHidden());
        QVERIFY(sim().requestsTo("action=login").isEmpty());
        QVERIFY(sim().requests().size() <= 3); // the lookup of the account and the picture, no probe
        for (const auto &r : sim().requests())
            QVERIFY(r.role != Role::Probe);
    }

    void balloonAndNames()
    {
        m_form->setCaptchaAnnouncement(asked(u"cSbal"_s));
        QTest::mouseClick(m_form->Text4, Qt::LeftButton);
        const auto balloons = QApplication::topLevelWidgets();
        QVERIFY(std::any_of(balloons.begin(), balloons.end(),
                            [](QWidget *w) { return w->objectName() == u"BalloonTip"_s && w->isVisible(); }));
        AccessibleNames::apply(m_form);
        QCOMPARE(m_form->Text4->accessibleName(), u"验证码"_s);
        QCOMPARE(m_form->Image4->accessibleName(), u"验证码图片"_s);
        QCOMPARE(m_form->Label7->accessibleName(), u"换一个"_s);
        // Held with the other inputs while a sign-in runs.
        m_form->setInputsEnabled(false);
        QVERIFY(!m_form->Text4->isEnabled());
        QTest::mouseClick(m_form->Label7, Qt::LeftButton);
        QTest::qWait(100);
        QCOMPARE(sim().requestsTo("/misc.php?mod=seccode").size(), 1);
        m_form->setInputsEnabled(true);
        QVERIFY(m_form->Text4->isEnabled());
    }

    void faultsOfThePicture_data()
    {
        QTest::addColumn<ForumSimulator::Fault>("fault");
        QTest::addColumn<QString>("status");
        using F = ForumSimulator::Fault;
        const QString noAnswer = CaptchaPicture::statusText(CaptchaPicture::Problem::NoAnswer);
        const QString broken = CaptchaPicture::statusText(CaptchaPicture::Problem::NotAPicture);
        QTest::newRow("slow") << F::Slow << noAnswer;
        QTest::newRow("empty") << F::Empty << noAnswer;
        QTest::newRow("status500") << F::Status500 << noAnswer;
        QTest::newRow("errorpage") << F::ErrorPage << broken;
        QTest::newRow("drop") << F::Drop << noAnswer;
        QTest::newRow("huge") << F::Huge << noAnswer;
        QTest::newRow("noanswer") << F::NoAnswer << noAnswer;
        QTest::newRow("token503") << F::Token503 << noAnswer;
    }
    void faultsOfThePicture()
    {
        QFETCH(ForumSimulator::Fault, fault);
        QFETCH(QString, status);
        sim().setFault(fault, "seccode", Role::Forum, 1);
        m_form->setCaptchaAnnouncement(asked(u"cSflt"_s));
        QTRY_COMPARE_WITH_TIMEOUT(m_form->status(), status, 4000);
        QVERIFY(m_form->Image4->pixmap().isNull());
        QVERIFY(!m_form->Image4->text().isEmpty());
        QVERIFY(m_form->Text4->isEnabled() && m_form->Command1->isEnabled());
        // A new picture comes on request once the site is well again.
        QTest::mouseClick(m_form->Image4, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!m_form->Image4->pixmap().isNull(), 4000);
    }

    void badAnswersOfAnotherForum_data()
    {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<CaptchaPicture::Problem>("problem");
        using P = CaptchaPicture::Problem;
        QTest::newRow("Access Denied") << QByteArray("HTTP/1.1 200 OK\r\nContent-Type: text/html") << QByteArray("Access Denied")
                                       << P::AccessDenied;
        QTest::newRow("broken PNG") << QByteArray("HTTP/1.1 200 OK\r\nContent-Type: image/png\r\nSet-Cookie: qvbbs_2132_seccodecSfix=1; path=/")
                                    << png({100, 30}).left(50) << P::NotAPicture;
        QTest::newRow("huge canvas") << QByteArray("HTTP/1.1 200 OK\r\nContent-Type: image/png\r\nSet-Cookie: qvbbs_2132_seccodecSfix=1; path=/")
                                     << png({5000, 5000}) << P::TooLarge;
        QTest::newRow("no cookie: another session's picture")
            << QByteArray("HTTP/1.1 200 OK\r\nContent-Type: image/png") << png({100, 30}) << P::OtherSession;
        QTest::newRow("cookie of another id")
            << QByteArray("HTTP/1.1 200 OK\r\nContent-Type: image/png\r\nSet-Cookie: qvbbs_2132_seccodecSother=1; path=/")
            << png({100, 30}) << P::OtherSession;
    }
    void badAnswersOfAnotherForum()
    {
        QFETCH(QByteArray, head);
        QFETCH(QByteArray, body);
        QFETCH(CaptchaPicture::Problem, problem);
        // The forum host answering every request with this one reply (status line, headers, body).
        ScriptedServer forum;
        forum.setFallback(ScriptedReply::raw(head + "\r\nContent-Length: " + QByteArray::number(body.size())
                                             + "\r\nConnection: close\r\n\r\n" + body));
        testSession().settings().setHost(HostRole::Forum, forum.hostAndPort());
        m_form->setCaptchaAnnouncement(asked(u"cSfix"_s));
        QTRY_COMPARE_WITH_TIMEOUT(m_form->status(), CaptchaPicture::statusText(problem), 4000);
        QVERIFY(m_form->Image4->pixmap().isNull());
        QVERIFY(m_form->Image4->isVisible() && m_form->Label7->isVisible());
        QVERIFY(m_form->Command1->isEnabled());
    }

    void brokenAnnouncement_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("two ids") << int(Kind::Ambiguous);
        QTest::newRow("empty id") << int(Kind::Malformed);
    }
    void brokenAnnouncement()
    {
        QFETCH(int, kind);
        m_form->setCaptchaAnnouncement({Kind(kind), {}});
        QVERIFY(m_form->Image4->isVisible() && m_form->Label7->isVisible());
        QCOMPARE(m_form->status(), u"论坛的验证码信息有误，请换一个"_s);
        QVERIFY(m_form->captchaFields().isEmpty());
        QTest::qWait(100);
        QVERIFY(sim().requestsTo("seccode").isEmpty());
    }

private:
    QList<QWidget *> controls() const { return {m_form->Image4, m_form->Text4, m_form->Label7}; }
    ForumSimulator &sim() { return m_session->sim(); }
    std::unique_ptr<SimSession> m_session;
    QPointer<Form1> m_form;
};

QTEST_MAIN(TestForm1Captcha)
#include "test_form1_captcha.moc"
