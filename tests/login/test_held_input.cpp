// Input the member gives while the client waits, through a real window system: the test runs
// itself again under Xvfb (xcb platform) and types and clicks with xdotool while the client waits.
// No input is lost: what is typed while the avatar of a looked-up UID is awaited reaches its box,
// and the click on 登录 signs in once the lookup is done; a click on a window busy with a form post
// is held until the post is over; a click on 取消 during a probe that never answers ends the
// sign-in at once and causes no second one.
#include "ScriptedServer.h"
#include "SiteAddress.h"
#include "TempDataDir.h"

#include "base/Routine.h"
#include "base/Settings.h"
#include "net/Network.h"
#include "net/XmlHttp.h"
#include "ui/InputHold.h"
#include "windows/login/Form1.h"
#include "TestSession.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

#include <cstring>

using namespace Qt::StringLiterals;

namespace {

constexpr const char *kChildArgument = "--under-xvfb";

// A click at the centre of widget through the X server, started from inside the wait. (Not
// mousemove --sync: it waits for a move that never comes when the pointer is already there.)
void clickLater(int delayMs, QWidget *widget)
{
    QTimer::singleShot(delayMs, [widget] {
        const QPoint at = widget->mapToGlobal(widget->rect().center());
        QProcess::startDetached(u"xdotool"_s, {u"mousemove"_s, QString::number(at.x()), QString::number(at.y()),
                                               u"click"_s, u"1"_s});
    });
}

// xdotool commands, one after the other (its "type" takes every word after it), started at once
// and left to run while the test's event loop goes on.
void xdotoolLater(const QStringList &commands)
{
    QProcess::startDetached(u"sh"_s, {u"-c"_s, commands.join(u"; "_s)});
}

QString clickAt(QWidget *widget)
{
    const QPoint at = widget->mapToGlobal(widget->rect().center());
    return u"xdotool mousemove %1 %2 click 1"_s.arg(at.x()).arg(at.y());
}

// A post made the way the windows make one: the window holds its input until it is over.
// clicksAtEnd: the clicks counted when the answer came, before the held input goes on.
Routine holdingPost(QWidget *window, XmlHttp &post, const QUrl &url, const int &clicks, int &clicksAtEnd)
{
    const InputHold hold(window);
    post.Open(u"POST"_s, url.toString(), false);
    post.send("password=x");
    co_await post.completion();
    clicksAtEnd = clicks;
}

bool xdotoolClickNow(QWidget *widget)
{
    const QPoint at = widget->mapToGlobal(widget->rect().center());
    return QProcess::execute(u"xdotool"_s, {u"mousemove"_s, QString::number(at.x()), QString::number(at.y()),
                                             u"click"_s, u"1"_s}) == 0;
}


} // namespace

// Runs under Xvfb with the xcb platform.
class TestHeldInputUnderX : public QObject
{
    Q_OBJECT

    // The client pointed at site, whose probe never answers, and form loaded and up.
    static void openOnSiteWithSilentProbe(ScriptedServer &site, Form1 &form)
    {
        ScriptedReply silent;
        silent.mode = ScriptedReply::Mode::NeverAnswer;
        site.script("/probe", silent);
        pointSiteAt(site.hostAndPort());
        testSession().settings().setProbeUrl(site.url(u"/probe"_s));
        form.Form_Load();
        QTRY_VERIFY(form.isVisible());
        QVERIFY(QTest::qWaitForWindowExposed(&form));
    }

private slots:
    void init() { testSession().network().setTimeoutMs(3000); }
    void cleanup() { testSession().network().setTimeoutMs(0); }

    // A click on a window busy with a form post does nothing then, and is handed to its button once
    // the post is over.
    void clickDuringFormPostHeld()
    {
        ScriptedServer server;
        ScriptedReply slow;
        slow.body = "done";
        slow.answerDelayMs = 1500;
        server.script("/slow", slow);

        QWidget window;
        window.resize(300, 200);
        auto *button = new QPushButton(u"press"_s, &window);
        button->setGeometry(50, 50, 200, 100);
        int clicks = 0;
        int clicksWhenDone = -1;
        connect(button, &QPushButton::clicked, [&clicks] { ++clicks; });
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        clickLater(300, button);
        XmlHttp post(testSession().network());
        const Routine posting = holdingPost(&window, post, QUrl(server.url(u"/slow"_s)), clicks, clicksWhenDone);
        QTRY_VERIFY_WITH_TIMEOUT(!posting.isRunning(), 5000);
        QCOMPARE(post.responseText(), u"done"_s);
        QCOMPARE(clicksWhenDone, 0); // not during the post
        QTRY_COMPARE(clicks, 1);     // but after it
    }

    // The member leaves the account box with a UID, types the password at once and clicks 登录 while
    // the avatar takes two seconds: every character arrives, and the sign-in goes after the lookup.
    void typingWhileTheAvatarIsAwaited()
    {
        TempDataDir data;
        ScriptedServer site;
        ScriptedReply avatar;
        avatar.answerDelayMs = 2000;
        avatar.status = 404;
        site.script("/uc_server/data/avatar/000/00/12/34_avatar_middle.jpg", avatar);
        // No profile to read: the lookup keeps the UID.
        site.script("/home.php", ScriptedReply::page(404, "text/html", "not found"));
        Form1 form(testSession());
        openOnSiteWithSilentProbe(site, form);
        if (QTest::currentTestFailed())
            return;
        form.activateWindow();
        QTRY_VERIFY(form.isActiveWindow());

        const QString password = u"s3cret&pw"_s;
        xdotoolLater({clickAt(form.Text1), u"xdotool type --delay 40 1234"_s, u"xdotool key Tab"_s,
                      u"xdotool type --delay 40 '%1'"_s.arg(password), clickAt(form.Command1)});
        QTRY_COMPARE_WITH_TIMEOUT(form.Text2->text(), password, 10000);
        QCOMPARE(form.Text1->text(), u"1234"_s);
        // The click waited for the lookup's verdict, then signed in: the probe went out.
        const auto probes = [&] {
            int count = 0;
            for (const auto &request : site.requests())
                count += request.target.startsWith("/probe") ? 1 : 0;
            return count;
        };
        QTRY_COMPARE_WITH_TIMEOUT(probes(), 1, 10000);
        QVERIFY(!form.Picture2->isHidden());
        form.Command2->click();
    }

    // 取消 works during the probe; the click is not kept for 登录 underneath.
    void cancelDuringProbe()
    {
        TempDataDir data;
        ScriptedServer site;
        Form1 form(testSession());
        openOnSiteWithSilentProbe(site, form);
        if (QTest::currentTestFailed())
            return;
        form.Text1->setText(u"alice"_s);
        form.Text2->setText(u"pw"_s);
        const int requestsBefore = int(site.requests().size());

        QElapsedTimer timer;
        timer.start();
        form.Command1->click();
        QVERIFY(!form.Picture2->isHidden()); // the probe waits, the window stays live
        QTest::qWait(300);
        QVERIFY(xdotoolClickNow(form.Command2));
        QTRY_VERIFY(form.Picture2->isHidden());
        const qint64 waited = timer.elapsed();
        QVERIFY2(waited < 2500, qPrintable(u"the probe waited %1 ms: the cancel did not end it"_s.arg(waited)));
        QCOMPARE(form.status(), u"取消登录.."_s);
        QVERIFY(form.Command1->isEnabled());
        QTest::qWait(1000);
        int probes = 0;
        for (qsizetype i = requestsBefore; i < site.requests().size(); ++i)
            probes += site.requests().at(i).target.startsWith("/probe") ? 1 : 0;
        QCOMPARE(probes, 1); // no second sign-in
        QVERIFY(form.Picture2->isHidden());
    }
};

class TestHeldInput : public QObject
{
    Q_OBJECT

private slots:
    void underXvfb()
    {
        const QString xvfbRun = QStandardPaths::findExecutable(u"xvfb-run"_s);
        if (xvfbRun.isEmpty() || QStandardPaths::findExecutable(u"xdotool"_s).isEmpty() ||
            QStandardPaths::findExecutable(u"Xvfb"_s).isEmpty())
            QSKIP("needs xvfb-run, Xvfb and xdotool (scripts/deps.sh installs them)");
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(xvfbRun, {u"-a"_s, u"-s"_s, u"-screen 0 1024x768x24"_s, QCoreApplication::applicationFilePath(),
                              QString::fromLatin1(kChildArgument)});
        QVERIFY(child.waitForFinished(120000));
        const QByteArray output = child.readAll();
        qInfo("%s", output.constData());
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 0);
        QVERIFY(output.contains("Totals: ") && output.contains(" 0 failed"));
        QVERIFY2(!output.contains(" 0 passed"), "nothing ran under Xvfb");
    }
};

int main(int argc, char *argv[])
{
    if (argc >= 2 && std::strcmp(argv[1], kChildArgument) == 0) {
        QApplication app(argc, argv);
        TestHeldInputUnderX test;
        char *args[] = {argv[0]};
        return QTest::qExec(&test, 1, args);
    }
    QApplication app(argc, argv);
    TestHeldInput test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_held_input.moc"
