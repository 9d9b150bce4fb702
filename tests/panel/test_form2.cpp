// The member panel's start-up, readings and version check against scripted pages.
#include "Awaited.h"
#include "AwaitedNet.h"
#include "base/Settings.h"
#include "base/State.h"
#include "net/Network.h"
#include "PanelPages.h"
#include "SeamRecorder.h"
#include "TempDataDir.h"
#include "windows/panel/Form2.h"
#include "TestSession.h"

#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTabBar>
#include <QTest>

namespace {

const QByteArray kCreditPath = "/home.php";
const QByteArray kVersionPath = "/version/main.txt";

QString creditPage(const QString &quorvelbi, const QString &yubi)
{
    return QStringLiteral("<html><ul class=\"creditl mtm bbda cl\">\n<li><em> Quorvel币: </em>") + quorvelbi
        + QStringLiteral("</li>\n<li><em> 贡献: </em>3 点</li>\n<li><em> za: </em>") + yubi + QStringLiteral("</li>\n</ul></html>");
}

QString vipPage(const QString &growth, const QString &expiry)
{
    return QStringLiteral("<html><p>尊敬的VIP用户 <b>bob</b></p><ul><li>成长速度:&nbsp;<b>") + growth
        + QStringLiteral("</b>&nbsp;点/天</li>\n<li>到期时间:&nbsp;<b>") + expiry + QStringLiteral("</b></li></ul></html>");
}

QString dots(const QDate &date)
{
    return date.toString(QStringLiteral("yyyy.MM.dd"));
}

const QString kNotVipPage = QStringLiteral("<html><p>您好 <b>alice</b>，您还没有开通VIP会员</p></html>");

int shownBadge(const Form2 *panel)
{
    int shown = -1;
    for (int i = 0; i < 3; ++i) {
        if (!panel->aicAlphaImage1[size_t(i)]->isHidden()) {
            if (shown >= 0)
                return -2; // more than one
            shown = i;
        }
    }
    return shown;
}

// The panel once its start-up (readings, then the version check) has run to its end: instance()
// returns at once and isLoaded() tells the end. Null when the panel went first or the start-up
// did not end in time (each page waits up to the test's time limit of 1.5 s).
Form2 *startedPanel()
{
    const QPointer<Form2> panel = Form2::of(testSession());
    if (!panel)
        return nullptr;
    (void)QTest::qWaitFor([&] { return !panel || panel->isLoaded(); }, 10000);
    return panel && panel->isLoaded() ? panel.data() : nullptr;
}

// True when what must not happen did not, while the event loop ran for ms (what a routine that
// should have ended would still do would come within it).
template <typename Condition>
bool neverWithin(int ms, Condition happened)
{
    return !QTest::qWaitFor(happened, ms);
}

} // namespace

class TestForm2 : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void startUpRunsInOrder();
    void startUpBadgeFollowsLevelBeforeReading_data();
    void startUpBadgeFollowsLevelBeforeReading();
    void creditBalances();
    void failedCreditReadingKeepsStoredBalances_data();
    void failedCreditReadingKeepsStoredBalances();
    void vipStatus_data();
    void vipStatus();
    void label13Click();
    void versionCheck_data();
    void versionCheck();
    void oneStartUpPerPanel();
    void panelGoneDuringStartUp();
    void panelClosedDuringVersionCheck();
    void tabsSwitchPages();
    void tabsFollowKeysAndAccessibility();

private:
    std::unique_ptr<TempDataDir> m_dir;
    std::unique_ptr<SeamRecorder> m_seams;
    std::unique_ptr<ScriptedServer> m_server;
};

void TestForm2::init()
{
    m_dir = std::make_unique<TempDataDir>();
    m_seams = std::make_unique<SeamRecorder>();
    m_server = startPanelSite();
    QVERIFY(m_server->isListening());
    testSession().network().setTimeoutMs(1500);
    m_server->script(kCreditPath, gbkPage(creditPage(QStringLiteral("1280"), QStringLiteral("36"))));
    m_server->script("/", gbkPage(kNotVipPage));
    m_server->script(kVersionPath, gbkPage(QStringLiteral("km:V1.2|2015-03-01")));
}

void TestForm2::cleanup()
{
    Form2::destroy(testSession());
    qApp->setStyleSheet(QString());
    testSession().network().setTimeoutMs(0);
    m_server.reset();
    m_seams.reset();
    m_dir.reset();
}

void TestForm2::startUpRunsInOrder()
{
    {
        QFile skin(m_dir->file(QStringLiteral("SoftSkin.she")));
        QVERIFY(skin.open(QIODevice::WriteOnly));
        skin.write("#Form2 { background-color: #123456; }\n");
    }
    Form2 *panel = startedPanel();
    QVERIFY(panel);
    QVERIFY(!panel->isVisible()); // Form3 shows it once it has filled it in

    QVERIFY(qApp->styleSheet().contains(QLatin1String("#123456")));
    QCOMPARE(panel->Label11->text(), QStringLiteral("版本号： V1.2.0"));
    QCOMPARE(panel->Combo1->count(), 1);
    QCOMPARE(panel->Combo1->itemText(0), QStringLiteral("Quorvel币"));
    QCOMPARE(panel->Combo1->currentIndex(), 0);
    QCOMPARE(panel->Combo2->count(), 1);
    QCOMPARE(panel->Combo2->itemText(0), QStringLiteral("za"));
    QCOMPARE(panel->Combo2->currentIndex(), 0);
    QVERIFY(panel->windowIcon().isNull());

    // The readings, then the version check, each on its own host and path.
    const auto &requests = m_server->requests();
    QCOMPARE(requests.size(), 3);
    QCOMPARE(requests[0].target, QByteArray("/home.php?mod=spacecp&ac=credit&op=buy"));
    QCOMPARE(requests[1].target, QByteArray("/"));
    QCOMPARE(requests[2].target, QByteArray("/version/main.txt"));
    for (const auto &r : requests)
        QCOMPARE(r.headers.value("if-modified-since"), QByteArray("0"));

    QCOMPARE(panel->statusText(), QStringLiteral("欢迎使用Quorvel软件"));
    QVERIFY(panel->isEnabled());
    QVERIFY(m_seams->messages.isEmpty());
    QCOMPARE(m_seams->endCount, 0);
    // Fixed captions of the card and the status bar.
    QCOMPARE(panel->Label5[0]->text(), QStringLiteral("za"));
    QCOMPARE(panel->Label5[1]->text(), QStringLiteral("Quorvel币"));
    QCOMPARE(panel->S1Panel[1]->text(), QStringLiteral("充值提示："));
    QCOMPARE(panel->S1Panel[3]->text(), QStringLiteral("Quorvel出品"));
}

void TestForm2::startUpBadgeFollowsLevelBeforeReading_data()
{
    QTest::addColumn<int>("levelBefore");
    QTest::addColumn<int>("badgeBefore");
    QTest::newRow("not VIP") << 0 << 1;
    QTest::newRow("VIP") << 1 << 0;
    QTest::newRow("SVIP") << 2 << 2;
    QTest::newRow("unknown level counts as SVIP") << 7 << 2;
}

void TestForm2::startUpBadgeFollowsLevelBeforeReading()
{
    QFETCH(int, levelBefore);
    QFETCH(int, badgeBefore);
    testSession().card().VipLevel = qint16(levelBefore);
    int seenWhileReading = -3;
    connect(m_server.get(), &ScriptedServer::requestReceived, this, [&](const LoggedRequest &request) {
        if (request.target.startsWith(kCreditPath) && Form2::existing(testSession()))
            seenWhileReading = shownBadge(Form2::existing(testSession()));
    });
    Form2 *panel = startedPanel();
    QVERIFY(panel);
    QCOMPARE(seenWhileReading, badgeBefore);
    // The fresh page (not a VIP) decides in the end.
    QCOMPARE(shownBadge(panel), 1);
    QCOMPARE(testSession().card().VipLevel, qint16(0));
}

void TestForm2::creditBalances()
{
    Form2 *panel = startedPanel();
    QVERIFY(panel);
    QCOMPARE(panel->Label1[0]->text(), QStringLiteral("1280"));
    QCOMPARE(panel->Label1[1]->text(), QStringLiteral("36"));
    QCOMPARE(testSession().card().QuorvelbiAmount, QStringLiteral("1280"));
    QCOMPARE(testSession().card().YubiAmount, QStringLiteral("36"));

    // A later reading (after an exchange) shows the new balances.
    m_server->script(kCreditPath, gbkPage(creditPage(QStringLiteral("1288"), QStringLiteral("34"))));
    QVERIFY(awaited(panel->sX()));
    QCOMPARE(panel->Label1[0]->text(), QStringLiteral("1288"));
    QCOMPARE(panel->Label1[1]->text(), QStringLiteral("34"));
}

void TestForm2::failedCreditReadingKeepsStoredBalances_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("page");
    QTest::addColumn<bool>("never");
    QTest::newRow("empty page") << 200 << QString() << false;
    QTest::newRow("guest sign-in page") << 200 << QStringLiteral("<html>您需要先登录才能继续本操作</html>") << false;
    QTest::newRow("server error") << 500 << QStringLiteral("<html><h1>500 Internal Server Error</h1></html>") << false;
    QTest::newRow("no answer") << 200 << QString() << true;
}

void TestForm2::failedCreditReadingKeepsStoredBalances()
{
    QFETCH(int, status);
    QFETCH(QString, page);
    QFETCH(bool, never);
    m_server->script(kCreditPath, gbkPage(page, status, 0, never));
    testSession().card().QuorvelbiAmount = QStringLiteral("5");
    testSession().card().YubiAmount = QStringLiteral("6");
    Form2 *panel = startedPanel();
    QVERIFY(panel);
    QCOMPARE(panel->Label1[0]->text(), QStringLiteral("5"));
    QCOMPARE(panel->Label1[1]->text(), QStringLiteral("6"));
    QCOMPARE(testSession().card().QuorvelbiAmount, QStringLiteral("5"));
    QCOMPARE(testSession().card().YubiAmount, QStringLiteral("6"));
    QVERIFY(m_seams->messages.isEmpty()); // sX itself reports nothing
}

void TestForm2::vipStatus_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("badge");
    QTest::addColumn<QString>("label6");
    QTest::addColumn<bool>("label13Shown");
    QTest::addColumn<QString>("label13");
    QTest::addColumn<QString>("tip");

    const QDate today = QDate::currentDate();
    const QDate in10 = today.addDays(10);
    QTest::newRow("SVIP, ten days") << vipPage(QStringLiteral("10+5"), dots(in10)) << 2 << 2
                                    << QStringLiteral("VIP有效期至：") + in10.toString(QStringLiteral("yyyy-MM-dd")) << true
                                    << "10" << "VIP有效期剩余10天";
    QTest::newRow("VIP 5+2, three days") << vipPage(QStringLiteral("5+2"), dots(today.addDays(3))) << 1 << 0
                                         << QStringLiteral("VIP有效期至：") + today.addDays(3).toString(QStringLiteral("yyyy-MM-dd"))
                                         << true << "3" << "VIP有效期剩余3天";
    QTest::newRow("expires today") << vipPage(QStringLiteral("5+2"), dots(today)) << 1 << 0
                                   << QStringLiteral("VIP有效期至：") + today.toString(QStringLiteral("yyyy-MM-dd")) << false << "0"
                                   << "";
    QTest::newRow("expired") << vipPage(QStringLiteral("10+5"), dots(today.addDays(-4))) << 2 << 2
                             << QStringLiteral("VIP有效期至：") + today.addDays(-4).toString(QStringLiteral("yyyy-MM-dd")) << false
                             << "0" << "";
    QTest::newRow("expiry not a date") << vipPage(QStringLiteral("5+2"), QStringLiteral("永久")) << 1 << 0
                                       << QStringLiteral("VIP有效期至：永久") << false << "0" << "";
    QTest::newRow("expiry marker missing") << QStringLiteral("尊敬的VIP用户 <li>成长速度:&nbsp;<b>5+2</b></li>") << 1 << 0
                                           << QStringLiteral("VIP有效期至：") << false << "0" << "";
    // Not a VIP: Label13 is left as it was.
    QTest::newRow("not VIP") << kNotVipPage << 0 << 1 << QStringLiteral("未开通Quorvel会员") << true << "0" << "";
    QTest::newRow("empty page") << QString() << 0 << 1 << QStringLiteral("未开通Quorvel会员") << true << "0" << "";
}

void TestForm2::vipStatus()
{
    QFETCH(QString, page);
    QFETCH(int, level);
    QFETCH(int, badge);
    QFETCH(QString, label6);
    QFETCH(bool, label13Shown);
    QFETCH(QString, label13);
    QFETCH(QString, tip);
    m_server->script("/", gbkPage(page));
    Form2 *panel = startedPanel();
    QVERIFY(panel);
    QCOMPARE(int(testSession().card().VipLevel), level);
    QCOMPARE(shownBadge(panel), badge);
    QCOMPARE(panel->Label6->text(), label6);
    QCOMPARE(!panel->Label13->isHidden(), label13Shown);
    QCOMPARE(panel->Label13->text(), label13);
    QCOMPARE(panel->Label13->toolTip(), tip);
    QCOMPARE(panel->vipPageText(), page);
}

void TestForm2::label13Click()
{
    m_server->script("/", gbkPage(vipPage(QStringLiteral("10+5"), dots(QDate::currentDate().addDays(10)))));
    Form2 *panel = startedPanel();
    QVERIFY(panel);
    panel->show();
    QVERIFY(QTest::qWaitForWindowExposed(panel));
    QTest::mouseClick(panel->Label13, Qt::LeftButton);
    QCOMPARE(m_seams->messageTexts(), QStringList{QStringLiteral("VIP有效期剩余：10天")});
    QCOMPARE(m_seams->messages.first().icon, Seams::Icon::Information);
    QCOMPARE(m_seams->messages.first().title, QStringLiteral("Quorvel软件"));

    m_seams->clear();
    panel->Label13->setText(QStringLiteral("0"));
    QTest::mouseClick(panel->Label13, Qt::LeftButton);
    QVERIFY(m_seams->messages.isEmpty());
}

void TestForm2::versionCheck_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("never");
    QTest::addColumn<QString>("message"); // empty: none
    QTest::addColumn<bool>("ends");
    QTest::addColumn<QString>("statusText");

    const QString welcome = QStringLiteral("欢迎使用Quorvel软件");
    const QString checking = QStringLiteral("正在检测更新..");
    const QString failed = QStringLiteral("检测更新失败!请您稍后再试,暂时使用原版");
    auto newer = [](const QString &field) -> QString {
        return QStringLiteral("发现最新版本![") + field + QStringLiteral("]\r\n \r\n确定后自动打开官方论坛!");
    };
    auto row = [](const char *name, int status, const char *file, bool never, const QString &message, bool ends,
                  const QString &statusText) {
        QTest::newRow(name) << status << QString::fromUtf8(file) << never << message << ends << statusText;
    };
    row("same", 200, "km:V1.2|2015-03-01", false, QString(), false, welcome);
    row("newer", 200, "km:V1.3|", false, newer(QStringLiteral("V1.3")), true, checking);
    row("lower-case v", 200, "km:v1.2|", false, newer(QStringLiteral("v1.2")), true, checking);
    row("no bar", 200, "km:V1.2", false, newer(QString()), true, checking);
    row("missing file", 404, "<html>404 Not Found</html>", false, failed, false, checking);
    row("error page", 200, "<html><h1>服务器错误</h1></html>", false, failed, false, checking);
    row("server error with a field", 500, "km:V1.3|", false, failed, false, checking);
    row("empty", 200, "", false, failed, false, checking);
    row("never arrives", 200, "", true, failed, false, checking);
}

void TestForm2::versionCheck()
{
    QFETCH(int, status);
    QFETCH(QString, file);
    QFETCH(bool, never);
    QFETCH(QString, message);
    QFETCH(bool, ends);
    QFETCH(QString, statusText);
    m_server->script(kVersionPath, gbkPage(file, status, 0, never));
    Form2 *panel = startedPanel();
    QVERIFY(panel);
    QCOMPARE(m_seams->messageTexts(), message.isEmpty() ? QStringList() : QStringList{message});
    if (!message.isEmpty())
        QCOMPARE(m_seams->messages.first().icon, ends ? Seams::Icon::Information : Seams::Icon::Exclamation);
    QCOMPARE(m_seams->endCount, ends ? 1 : 0);
    QCOMPARE(m_seams->openedUrls, ends ? QStringList{QStringLiteral("http://") + m_server->hostAndPort()} : QStringList());
    QCOMPARE(panel->statusText(), statusText);
}

void TestForm2::oneStartUpPerPanel()
{
    Form2 *first = startedPanel();
    QVERIFY(first);
    QCOMPARE(Form2::of(testSession()), first);
    QCOMPARE(Form2::existing(testSession()), first);
    QCOMPARE(m_server->countTo(kVersionPath), 1);

    // A new sign-in after the panel is gone creates a fresh one with its own start-up.
    Form2::destroy(testSession());
    QVERIFY(!Form2::existing(testSession()));
    Form2 *second = startedPanel();
    QVERIFY(second);
    QCOMPARE(m_server->countTo(kVersionPath), 2);
    QCOMPARE(second->Combo1->count(), 1);
}

void TestForm2::panelGoneDuringStartUp()
{
    connect(m_server.get(), &ScriptedServer::requestReceived, this, [](const LoggedRequest &request) {
        if (request.target.startsWith(kCreditPath))
            Form2::destroy(testSession());
    });
    // Its readings are under way, each on its own; the VIP page and the version file answer late.
    m_server->script("/", gbkPage(QStringLiteral("<html>您还没有开通VIP会员</html>"), 200, 800, false));
    m_server->script(kVersionPath, gbkPage(QStringLiteral("km:V9.9|"), 200, 800, false));
    const QPointer<Form2> panel = Form2::of(testSession());
    QVERIFY(panel);
    QTRY_VERIFY(!panel);
    QVERIFY(!Form2::existing(testSession()));
    // The start-up stopped with the panel: its readings ended where they waited, nothing of them
    // is shown and no box comes, not even the new version's once its file would have answered.
    QTRY_VERIFY(!requestsInFlight());
    QVERIFY(neverWithin(1500, [&] { return !m_seams->messages.isEmpty(); }));
    // Asked for once at most (a request stopped before it went out never arrives).
    QCOMPARE(m_server->countTo(kCreditPath), 1);
    QVERIFY(m_server->countTo(kVersionPath) <= 1);
}

void TestForm2::panelClosedDuringVersionCheck()
{
    m_server->script(kVersionPath, gbkPage(QStringLiteral("km:V1.3|"), 200, 300, false));
    connect(m_server.get(), &ScriptedServer::requestReceived, this, [](const LoggedRequest &request) {
        if (request.target.startsWith(kVersionPath) && Form2::existing(testSession()))
            Form2::existing(testSession())->close();
    });
    const QPointer<Form2> panel = Form2::of(testSession());
    QVERIFY(panel);
    QTRY_VERIFY(!panel);
    QVERIFY(!Form2::existing(testSession()));
    QCOMPARE(m_server->countTo(kVersionPath), 1);
    // The newer version's answer (due 300 ms after the request) reaches no one: no box, no end.
    QVERIFY(neverWithin(800, [&] { return !m_seams->messages.isEmpty() || m_seams->endCount > 0; }));
    QVERIFY(m_seams->openedUrls.isEmpty());
}

void TestForm2::tabsSwitchPages()
{
    Form2 *panel = startedPanel();
    QVERIFY(panel);
    QCOMPARE(panel->TabStrip1->count(), 3);
    QCOMPARE(panel->TabStrip1->tabText(2), QStringLiteral("产品说明"));
    QVERIFY(!panel->k[0]->isHidden());
    QVERIFY(panel->k[1]->isHidden());
    QVERIFY(panel->k[2]->isHidden());

    const QPoint pageTop = panel->k[0]->mapTo(panel, QPoint(0, 0));
    for (int tab : {1, 2, 0, 0}) {
        panel->TabStrip1->setCurrentIndex(tab);
        panel->TabStrip1_Click();
        for (int page = 0; page < 3; ++page)
            QCOMPARE(!panel->k[size_t(page)]->isHidden(), page == tab);
        // Every page appears at the same height in the window.
        QCOMPARE(panel->k[size_t(tab)]->mapTo(panel, QPoint(0, 0)).y(), pageTop.y());
    }
}

// The page follows the current tab however it changed: arrow keys on the strip, or a tool setting
// the current tab over the accessibility bus (which ends in setCurrentIndex), not only a click.
void TestForm2::tabsFollowKeysAndAccessibility()
{
    Form2 *panel = startedPanel();
    QVERIFY(panel);
    panel->show();
    QVERIFY(QTest::qWaitForWindowExposed(panel));
    const auto shownPage = [panel] {
        for (int page = 0; page < 3; ++page)
            if (!panel->k[size_t(page)]->isHidden())
                return page;
        return -1;
    };
    QCOMPARE(shownPage(), 0);
    panel->TabStrip1->setFocus();
    QTest::keyClick(panel->TabStrip1, Qt::Key_Right);
    QCOMPARE(panel->TabStrip1->currentIndex(), 1);
    QCOMPARE(shownPage(), 1);
    QTest::keyClick(panel->TabStrip1, Qt::Key_Right);
    QCOMPARE(shownPage(), 2);
    panel->TabStrip1->setCurrentIndex(0); // what the accessibility bridge's "select" does
    QCOMPARE(shownPage(), 0);
    // A click on a tab still switches, and a click on the current tab keeps its page.
    QTest::mouseClick(panel->TabStrip1, Qt::LeftButton, {}, panel->TabStrip1->tabRect(2).center());
    QCOMPARE(shownPage(), 2);
    QTest::mouseClick(panel->TabStrip1, Qt::LeftButton, {}, panel->TabStrip1->tabRect(2).center());
    QCOMPARE(shownPage(), 2);
}

QTEST_MAIN(TestForm2)
#include "test_form2.moc"
