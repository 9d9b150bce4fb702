// The identity-check window: wait animation, no way to close it, one fetch, and the hand-over to
// the member panel against scripted pages.
#include "base/Settings.h"
#include "base/State.h"
#include "net/Network.h"
#include "PanelPages.h"
#include "SeamRecorder.h"
#include "TempDataDir.h"
#include "windows/identity/Form3.h"
#include "windows/panel/Form2.h"
#include "TestSession.h"

#include <QApplication>
#include <QBackingStore>
#include <QDate>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QTimer>
#include <QTest>

namespace {

const QByteArray kCreditPath = "/home.php";
// The hand-over's whole wait: the window's first tick, its fetch and the panel's start-up, each
// page up to the test's time limit of 1.5 s.
constexpr int kHandOverMs = 15000;

QString vipPage(const QString &growth, const QString &expiry)
{
    return QStringLiteral("<html><p>尊敬的VIP用户 <b>bob</b></p><ul><li>成长速度:&nbsp;<b>") + growth
        + QStringLiteral("</b>&nbsp;点/天</li>\n<li>到期时间:&nbsp;<b>") + expiry + QStringLiteral("</b></li></ul></html>");
}

QString dots(const QDate &date)
{
    return date.toString(QStringLiteral("yyyy.MM.dd"));
}

// Panels made but not (yet) the session's are hidden top-level windows.
QList<QWidget *> panelWindows()
{
    QList<QWidget *> found;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (qobject_cast<Form2 *>(widget))
            found << widget;
    }
    return found;
}

QPixmap sampleAvatar()
{
    QPixmap avatar(48, 48);
    avatar.fill(QColor(10, 120, 200));
    QPainter p(&avatar);
    p.fillRect(10, 10, 20, 20, Qt::yellow);
    return avatar;
}

} // namespace

class TestForm3 : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void animationCyclesThroughDots();
    void memberCannotCloseIt();
    void handOver_data();
    void handOver();
    void levelIsSetBeforeThePanelStarts();
    void oneFetchWhileTheAnimationGoesOn();
    void handOverWhenAPanelAlreadyExists();
    void panelIsBuiltDuringTheWait_data();
    void panelIsBuiltDuringTheWait();

private:
    std::unique_ptr<TempDataDir> m_dir;
    std::unique_ptr<SeamRecorder> m_seams;
    std::unique_ptr<ScriptedServer> m_server;
};

void TestForm3::init()
{
    m_dir = std::make_unique<TempDataDir>();
    m_seams = std::make_unique<SeamRecorder>();
    m_server = startPanelSite();
    QVERIFY(m_server->isListening());
    testSession().network().setTimeoutMs(1500);
    m_server->script(kCreditPath, gbkPage(QStringLiteral("<ul class=\"creditl mtm bbda cl\"><li><em> Quorvel币: </em>1280</li>"
                                                "<li><em> za: </em>36</li></ul>")));
    m_server->script("/version/main.txt", gbkPage(QStringLiteral("km:V1.2|")));
}

void TestForm3::cleanup()
{
    Form2::destroy(testSession());
    testSession().network().setTimeoutMs(0);
    m_server.reset();
    m_seams.reset();
    m_dir.reset();
}

void TestForm3::animationCyclesThroughDots()
{
    Form3 window(testSession());
    window.Timer1->stop();
    window.Timer2->stop();
    const QString wait = QStringLiteral("身份校验中,请稍等");
    QCOMPARE(window.Label1->text(), wait);
    QStringList seen;
    for (int tick = 0; tick < 7; ++tick) {
        window.Timer2_Timer();
        seen << window.Label1->text();
    }
    QCOMPARE(seen, (QStringList{wait, wait + QStringLiteral("."), wait + QStringLiteral(".."), wait, wait + QStringLiteral("."),
                                wait + QStringLiteral(".."), wait}));
    QCOMPARE(window.Label2->text(), QStringLiteral("Identity verification"));
}

void TestForm3::memberCannotCloseIt()
{
    Form3 window(testSession());
    window.Timer1->stop();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const Qt::WindowFlags flags = window.windowFlags();
    QVERIFY(!(flags & Qt::WindowCloseButtonHint));
    QVERIFY(!(flags & Qt::WindowSystemMenuHint));

    QVERIFY(!window.close());
    QTest::keyClick(&window, Qt::Key_Escape);
    window.reject();
    QTest::qWait(50);
    QVERIFY(window.isVisible());
    QVERIFY(window.Timer2->isActive());
}

void TestForm3::handOver_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<bool>("never");
    QTest::addColumn<int>("level");
    QTest::addColumn<QColor>("nameColor");
    QTest::addColumn<bool>("label13Shown");
    QTest::addColumn<QString>("label13");
    QTest::addColumn<QString>("tip");
    QTest::addColumn<QString>("label6");

    const QDate today = QDate::currentDate();
    const QString in10 = dots(today.addDays(10));
    QTest::newRow("SVIP, ten days") << vipPage(QStringLiteral("10+5"), in10) << false << 2 << QColor(225, 159, 1) << true
                                    << "10" << "VIP有效期剩余10天" << QStringLiteral("VIP有效期至：") + in10;
    QTest::newRow("VIP 5+2") << vipPage(QStringLiteral("5+2"), in10) << false << 1 << QColor(255, 0, 0) << true << "10"
                             << "VIP有效期剩余10天" << QStringLiteral("VIP有效期至：") + in10;
    QTest::newRow("expires today") << vipPage(QStringLiteral("5+2"), dots(today)) << false << 1 << QColor(255, 0, 0) << false
                                   << "0" << "" << QStringLiteral("VIP有效期至：") + dots(today);
    QTest::newRow("expiry not a date") << vipPage(QStringLiteral("10+5"), QStringLiteral("永久")) << false << 2
                                       << QColor(225, 159, 1) << false << "0" << "" << QStringLiteral("VIP有效期至：永久");
    QTest::newRow("expiry marker missing") << QStringLiteral("尊敬的VIP用户 <li>成长速度:&nbsp;<b>5+2</b></li>") << false << 1
                                           << QColor(255, 0, 0) << false << "0" << "" << QStringLiteral("VIP有效期至：");
    QTest::newRow("not VIP") << QStringLiteral("<html>您还没有开通VIP会员</html>") << false << 0 << QColor() << false << "0" << ""
                             << QStringLiteral("未开通Quorvel会员");
    QTest::newRow("empty page") << QString() << false << 0 << QColor() << false << "0" << "" << QStringLiteral("未开通Quorvel会员");
    QTest::newRow("page never arrives") << QString() << true << 0 << QColor() << false << "0" << ""
                                        << QStringLiteral("未开通Quorvel会员");
}

void TestForm3::handOver()
{
    QFETCH(QString, page);
    QFETCH(bool, never);
    QFETCH(int, level);
    QFETCH(QColor, nameColor);
    QFETCH(bool, label13Shown);
    QFETCH(QString, label13);
    QFETCH(QString, tip);
    QFETCH(QString, label6);
    m_server->script("/", gbkPage(page, 200, 0, never));

    const QPixmap avatar = sampleAvatar();
    const QPointer<Form3> window = Form3::showModalAfterLogin(testSession(), avatar, QStringLiteral("bob"));
    // It shows modally and returns at once; the hand-over closes and deletes it.
    QVERIFY(window);
    QCOMPARE(Form3::current(testSession()), window.data());
    QVERIFY(window->isVisible() && window->isModal());
    QTRY_VERIFY_WITH_TIMEOUT(!window, kHandOverMs);

    QVERIFY(!Form3::current(testSession()));
    Form2 *panel = Form2::existing(testSession());
    QVERIFY(panel);
    QVERIFY(panel->isVisible());
    QCOMPARE(int(testSession().card().VipLevel), level);
    QCOMPARE(panel->Label3->text(), QStringLiteral("bob"));
    QCOMPARE(panel->nameColor(), nameColor);
    QCOMPARE(!panel->Label13->isHidden(), label13Shown);
    QCOMPARE(panel->Label13->text(), label13);
    QCOMPARE(panel->Label13->toolTip(), tip);
    QCOMPARE(panel->Label6->text(), label6);
    QCOMPARE(panel->Image1->pixmap().toImage(), avatar.toImage());
    // The start-up's reading stays on screen; the stored readings are emptied.
    QCOMPARE(panel->Label1[0]->text(), QStringLiteral("1280"));
    QCOMPARE(panel->Label1[1]->text(), QStringLiteral("36"));
    QVERIFY(testSession().card().QuorvelbiAmount.isEmpty());
    QVERIFY(testSession().card().YubiAmount.isEmpty());
    QVERIFY(m_seams->messages.isEmpty());
}

void TestForm3::levelIsSetBeforeThePanelStarts()
{
    m_server->script("/", gbkPage(vipPage(QStringLiteral("10+5"), dots(QDate::currentDate().addDays(10)))));
    // The panel's balances come late: its start-up waits for them with the badge of this
    // window's reading already up.
    m_server->script(kCreditPath, gbkPage(QStringLiteral("<ul class=\"creditl mtm bbda cl\"><li><em> Quorvel币: </em>1280</li>"
                                                    "<li><em> za: </em>36</li></ul>"),
                                          200, 1200, false));
    Form3::showModalAfterLogin(testSession(), QPixmap(), QStringLiteral("carol"));
    QTRY_VERIFY_WITH_TIMEOUT(Form2::existing(testSession()), kHandOverMs);
    Form2 *panel = Form2::existing(testSession());
    QVERIFY(!panel->isLoaded());
    QVERIFY(Form3::current(testSession()) && Form3::current(testSession())->isVisible());
    QVERIFY(!panel->aicAlphaImage1[2]->isHidden());
    // This window's reading and the panel's own, begun when the window opened.
    QCOMPARE(m_server->countTo("/"), 2);
    QTRY_VERIFY_WITH_TIMEOUT(!Form3::current(testSession()), kHandOverMs);
    QCOMPARE(panel->Label1[0]->text(), QStringLiteral("1280"));
    // Without an avatar the panel shows its own picture of a member without one.
    QVERIFY(!Form2::existing(testSession())->Image1->pixmap().isNull());
}

void TestForm3::oneFetchWhileTheAnimationGoesOn()
{
    // The page takes 2.5 s; meanwhile the animation steps and a second tick comes.
    m_server->script("/", gbkPage(QStringLiteral("<html>您还没有开通VIP会员</html>"), 200, 2500, false));
    QStringList textsWhileWaiting;
    QTimer watcher;
    watcher.setInterval(100);
    connect(&watcher, &QTimer::timeout, this, [&] {
        Form3 *window = Form3::current(testSession());
        if (!window || !window->handOverStarted())
            return;
        if (textsWhileWaiting.isEmpty() || textsWhileWaiting.last() != window->Label1->text())
            textsWhileWaiting << window->Label1->text();
        if (m_server->countTo("/") == 1)
            window->Timer1_Timer(); // a tick during the wait must not fetch again
    });
    watcher.start();
    Form3::showModalAfterLogin(testSession(), QPixmap(), QStringLiteral("alice"));
    QTRY_VERIFY_WITH_TIMEOUT(!Form3::current(testSession()), kHandOverMs);
    watcher.stop();

    // The fetch waits out its time limit (1.5 s): the animation steps at least once meanwhile.
    QVERIFY2(textsWhileWaiting.size() >= 2, qPrintable(textsWhileWaiting.join(QLatin1Char('|'))));
    // Form3's one fetch and the panel's own reading.
    QCOMPARE(m_server->countTo("/"), 2);
    QVERIFY(Form2::existing(testSession()) && Form2::existing(testSession())->isVisible());
}

void TestForm3::handOverWhenAPanelAlreadyExists()
{
    m_server->script("/", gbkPage(vipPage(QStringLiteral("5+2"), dots(QDate::currentDate().addDays(3)))));
    Form2 *panel = Form2::of(testSession());
    QVERIFY(panel);
    QTRY_VERIFY_WITH_TIMEOUT(panel->isLoaded(), kHandOverMs);
    QCOMPARE(m_server->countTo("/version/main.txt"), 1);
    Form3::showModalAfterLogin(testSession(), QPixmap(), QStringLiteral("bob"));
    QTRY_VERIFY_WITH_TIMEOUT(!Form3::current(testSession()), kHandOverMs);
    // The same panel, no second start-up; the hand-over still fills it in.
    QCOMPARE(Form2::existing(testSession()), panel);
    QCOMPARE(m_server->countTo("/version/main.txt"), 1);
    QCOMPARE(panel->Label3->text(), QStringLiteral("bob"));
    QCOMPARE(panel->nameColor(), QColor(255, 0, 0));
    QCOMPARE(panel->Label13->text(), QStringLiteral("3"));
}

void TestForm3::panelIsBuiltDuringTheWait_data()
{
    QTest::addColumn<bool>("checkGoesFirst");
    QTest::newRow("handed over") << false;
    QTest::newRow("the check goes before its hand-over") << true;
}

void TestForm3::panelIsBuiltDuringTheWait()
{
    QFETCH(bool, checkGoesFirst);
    m_server->script("/", gbkPage(vipPage(QStringLiteral("5+2"), dots(QDate::currentDate().addDays(3)))));
    const QPointer<Form3> window = Form3::showModalAfterLogin(testSession(), QPixmap(), QStringLiteral("bob"));
    // One second by design: a coarse timer may fire up to 50 ms early or late.
    QCOMPARE(window->Timer1->timerType(), Qt::PreciseTimer);
    // Once the check is on screen the panel is made behind it, hidden and not yet the session's.
    QTRY_COMPARE(panelWindows().size(), 1);
    const QPointer<QWidget> prepared = panelWindows().first();
    QVERIFY(window && !window->handOverStarted());
    QVERIFY(!prepared->isVisible());
    QVERIFY(!Form2::existing(testSession()));
    // Its drawing surface too, at its size: the first frame does not wait for new memory.
    QVERIFY(prepared->backingStore());
    QCOMPARE(prepared->backingStore()->size(), prepared->size());
    if (checkGoesFirst) {
        delete window.data();
        QVERIFY(!prepared);
        QVERIFY(panelWindows().isEmpty());
        QVERIFY(!Form2::existing(testSession()));
        return;
    }
    QTRY_VERIFY_WITH_TIMEOUT(!window, kHandOverMs);
    // The hand-over shows that panel, and only that one.
    QCOMPARE(Form2::existing(testSession()), prepared.data());
    QVERIFY(prepared->isVisible());
    QCOMPARE(panelWindows().size(), 1);
    QCOMPARE(Form2::existing(testSession())->Label3->text(), QStringLiteral("bob"));
    QCOMPARE(m_server->countTo("/version/main.txt"), 1);
}

QTEST_MAIN(TestForm3)
#include "test_form3.moc"
