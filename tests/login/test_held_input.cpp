// Input the member gives during a blocking wait, through a real window system: the test runs
// itself again under Xvfb (xcb platform) and clicks with xdotool while the client waits. A click
// during a synchronous post is dropped, not replayed afterwards; a click on 取消 during a probe
// that never answers ends the probe at once (the no-network outcome) and causes no second sign-in.
#include "ScriptedServer.h"
#include "SiteAddress.h"
#include "TempDataDir.h"

#include "base/Settings.h"
#include "net/Network.h"
#include "net/XmlHttp.h"
#include "windows/login/Form1.h"

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

// A click at the centre of widget through the X server, started from inside the wait.
void clickLater(int delayMs, QWidget *widget)
{
    QTimer::singleShot(delayMs, [widget] {
        const QPoint at = widget->mapToGlobal(widget->rect().center());
        QProcess::startDetached(u"xdotool"_s, {u"mousemove"_s, u"--sync"_s, QString::number(at.x()), QString::number(at.y()),
                                               u"click"_s, u"1"_s});
    });
}

bool xdotoolClickNow(QWidget *widget)
{
    const QPoint at = widget->mapToGlobal(widget->rect().center());
    return QProcess::execute(u"xdotool"_s, {u"mousemove"_s, u"--sync"_s, QString::number(at.x()), QString::number(at.y()),
                                             u"click"_s, u"1"_s}) == 0;
}


} // namespace

// Runs under Xvfb with the xcb platform.
class TestHeldInputUnderX : public QObject
{
    Q_OBJECT

private slots:
    void init() { Network::setTimeoutMs(3000); }
    void cleanup() { Network::setTimeoutMs(0); }

    // A click during a synchronous post reaches nothing, then or later.
    void clickDuringSynchronousPostDropped()
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
        connect(button, &QPushButton::clicked, [&clicks] { ++clicks; });
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        clickLater(300, button);
        XmlHttp post;
        post.Open(u"POST"_s, server.url(u"/slow"_s), false);
        post.send("password=x");
        QCOMPARE(post.ReadyState(), 4);
        QCOMPARE(post.responseText(), u"done"_s);
        QTest::qWait(800); // a held click would be delivered now
        QCOMPARE(clicks, 0);

        // The same click outside a wait does reach the button: the clicks above were real.
        QVERIFY(xdotoolClickNow(button));
        QTRY_COMPARE(clicks, 1);
    }

    // 取消 works during the probe; the click is not kept for 登录 underneath.
    void cancelDuringProbe()
    {
        TempDataDir data;
        ScriptedServer site;
        ScriptedReply silent;
        silent.mode = ScriptedReply::Mode::NeverAnswer;
        site.script("/probe", silent);
        pointSiteAt(site.hostAndPort());
        Settings::instance().setProbeUrl(site.url(u"/probe"_s));

        Form1 form;
        form.Form_Load();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.Text1->setText(u"alice"_s);
        form.Text2->setText(u"pw"_s);
        const int requestsBefore = int(site.requests().size());

        clickLater(600, form.Command2);
        QElapsedTimer timer;
        timer.start();
        form.Command1->click(); // returns once the probe is over
        const qint64 waited = timer.elapsed();
        QVERIFY2(waited < 2500, qPrintable(u"the probe waited %1 ms: the cancel did not end it"_s.arg(waited)));
        QVERIFY(form.Picture2->isHidden());
        QCOMPARE(form.status(), u"请检查您的网络链接"_s);
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
