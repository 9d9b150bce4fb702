// From a signed-in forum session to the member panel, against the forum simulator: each kind of
// member, the version file's outcomes, and the site failing in the ways it can.
#include "base/Settings.h"
#include "base/State.h"
#include "SimSession.h"
#include "SimSignIn.h"
#include "windows/identity/Form3.h"
#include "windows/panel/Form2.h"
#include "TestSession.h"

#include <QDate>
#include <QLabel>
#include <QPointer>
#include <QTest>

namespace {

int shownBadge(const Form2 *panel)
{
    int shown = -1;
    for (int i = 0; i < 3; ++i)
        if (!panel->aicAlphaImage1[size_t(i)]->isHidden())
            shown = shown < 0 ? i : -2;
    return shown;
}

// Shows the identity check as the login exchange does and waits until it has handed over to the
// panel and gone: its first tick, its fetch and the panel's start-up, each page up to the session's
// time limit. False when it was still there after that.
bool handedOver(const QString &memberName)
{
    const QPointer<Form3> check = Form3::showModalAfterLogin(testSession(), QPixmap(), memberName);
    if (!check || Form3::current(testSession()) != check)
        return false;
    return QTest::qWaitFor([&] { return !check; }, 15000);
}

} // namespace

class TestHandOverSim : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void memberReachesPanel_data();
    void memberReachesPanel();
    void versionFile_data();
    void versionFile();
    void siteFailures_data();
    void siteFailures();
    void guestSeesNoBalances();

private:
    std::unique_ptr<SimSession> m_session;
};

void TestHandOverSim::init()
{
    m_session = std::make_unique<SimSession>(2000);
    QVERIFY(m_session->isRunning());
}

void TestHandOverSim::cleanup()
{
    Form2::destroy(testSession());
    m_session.reset();
}

void TestHandOverSim::memberReachesPanel_data()
{
    QTest::addColumn<QString>("account");
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("badge");
    QTest::addColumn<QColor>("nameColor");
    QTest::addColumn<QString>("quorvelbi");
    QTest::addColumn<QString>("yubi");
    QTest::addColumn<int>("days"); // 0: Label13 hidden
    QTest::addColumn<QString>("label6");

    const QDate today = QDate::currentDate();
    auto expiry = [&](int days) -> QString { return QStringLiteral("VIP有效期至：") + today.addDays(days).toString(QStringLiteral("yyyy.MM.dd")); };
    QTest::newRow("ordinary member") << "alice" << "alice123" << 0 << 1 << QColor() << "120" << "40" << 0
                                     << QStringLiteral("未开通Quorvel会员");
    QTest::newRow("VIP, ten days") << "vipbob" << "bob456" << 1 << 0 << QColor(255, 0, 0) << "300" << "80" << 10 << expiry(10);
    QTest::newRow("SVIP") << "svipcarol" << "carol789" << 2 << 2 << QColor(225, 159, 1) << "5000" << "1000" << 400 << expiry(400);
}

void TestHandOverSim::memberReachesPanel()
{
    QFETCH(QString, account);
    QFETCH(QString, password);
    QFETCH(int, level);
    QFETCH(int, badge);
    QFETCH(QColor, nameColor);
    QFETCH(QString, quorvelbi);
    QFETCH(QString, yubi);
    QFETCH(int, days);
    QFETCH(QString, label6);

    QVERIFY(signInThroughLoginForm(account, password));
    QVERIFY(handedOver(account));

    Form2 *panel = Form2::existing(testSession());
    QVERIFY(panel);
    QVERIFY(panel->isVisible());
    QVERIFY(!Form3::current(testSession()));
    QCOMPARE(int(testSession().card().VipLevel), level);
    QCOMPARE(shownBadge(panel), badge);
    QCOMPARE(panel->Label3->text(), account);
    QCOMPARE(panel->nameColor(), nameColor);
    QCOMPARE(panel->Label1[0]->text(), quorvelbi);
    QCOMPARE(panel->Label1[1]->text(), yubi);
    QCOMPARE(!panel->Label13->isHidden(), days > 0);
    if (days > 0) {
        QCOMPARE(panel->Label13->text(), QString::number(days));
        QCOMPARE(panel->Label13->toolTip(), QStringLiteral("VIP有效期剩余%1天").arg(days));
    }
    QCOMPARE(panel->Label6->text(), label6);
    QCOMPARE(panel->statusText(), QStringLiteral("欢迎使用Quorvel软件"));
    QVERIFY(m_session->seams.messages.isEmpty());
    QCOMPARE(m_session->seams.endCount, 0);

    // Both readings went to their own hosts with the member's session.
    QCOMPARE(m_session->sim().requestsTo("/home.php?mod=spacecp&ac=credit&op=buy").size(), 1);
    QCOMPARE(m_session->sim().requestsTo("/version/main.txt").size(), 1);
}

void TestHandOverSim::versionFile_data()
{
    QTest::addColumn<QByteArray>("text");  // empty: the file is missing
    QTest::addColumn<int>("fault");        // on the software host
    QTest::addColumn<QString>("message");  // empty: none
    QTest::addColumn<bool>("ends");

    const QString failed = QStringLiteral("检测更新失败!请您稍后再试,暂时使用原版");
    const int none = int(SimFault::None);
    QTest::newRow("same") << QByteArray("km:V1.2|2015-03-01") << none << QString() << false;
    QTest::newRow("different") << QByteArray("km:V1.3|2015-06-01") << none
                               << QStringLiteral("发现最新版本![V1.3]\r\n \r\n确定后自动打开官方论坛!") << true;
    QTest::newRow("missing") << QByteArray() << none << failed << false;
    QTest::newRow("error page") << QByteArray("km:V1.2|") << int(SimFault::ErrorPage) << failed << false;
    QTest::newRow("status 500") << QByteArray("km:V1.2|") << int(SimFault::Status500) << failed << false;
    QTest::newRow("never arrives") << QByteArray("km:V1.2|") << int(SimFault::NoAnswer) << failed << false;
    QTest::newRow("connection dropped") << QByteArray("km:V1.2|") << int(SimFault::Drop) << failed << false;
}

void TestHandOverSim::versionFile()
{
    QFETCH(QByteArray, text);
    QFETCH(int, fault);
    QFETCH(QString, message);
    QFETCH(bool, ends);
    m_session->sim().setVersionText(text);
    if (fault != int(SimFault::None))
        m_session->sim().setFault(SimFault(fault), "/version/main.txt", SimRole::Soft);

    QVERIFY(signInThroughLoginForm(QStringLiteral("vipbob"), QStringLiteral("bob456")));
    QVERIFY(handedOver(QStringLiteral("vipbob")));

    QCOMPARE(m_session->seams.messageTexts(), message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(m_session->seams.endCount, ends ? 1 : 0);
    QCOMPARE(m_session->seams.openedUrls, ends ? QStringList{m_session->sim().url(SimRole::Forum, QString())} : QStringList());
    QVERIFY(Form2::existing(testSession()));
    QCOMPARE(Form2::existing(testSession())->statusText(), message.isEmpty() ? QStringLiteral("欢迎使用Quorvel软件") : QStringLiteral("正在检测更新.."));
}

void TestHandOverSim::siteFailures_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<int>("role");
    QTest::addColumn<int>("level");     // VIP level the panel ends with
    QTest::addColumn<QString>("yubi");  // za balance shown
    const int vip = int(SimRole::Vip);
    const int home = int(SimRole::Home);
    QTest::newRow("VIP page empty") << int(SimFault::Empty) << vip << 0 << "80";
    QTest::newRow("VIP page error") << int(SimFault::ErrorPage) << vip << 0 << "80";
    QTest::newRow("VIP page never arrives") << int(SimFault::NoAnswer) << vip << 0 << "80";
    QTest::newRow("VIP page not GBK") << int(SimFault::InvalidGbk) << vip << 1 << "80";
    QTest::newRow("credit page empty") << int(SimFault::Empty) << home << 1 << "";
    QTest::newRow("credit page 500") << int(SimFault::Status500) << home << 1 << "";
    QTest::newRow("credit page dropped") << int(SimFault::Drop) << home << 1 << "";
    QTest::newRow("credit page too large") << int(SimFault::Huge) << home << 1 << "";
}

void TestHandOverSim::siteFailures()
{
    QFETCH(int, fault);
    QFETCH(int, role);
    QFETCH(int, level);
    QFETCH(QString, yubi);
    QVERIFY(signInThroughLoginForm(QStringLiteral("vipbob"), QStringLiteral("bob456")));
    m_session->sim().setFault(SimFault(fault), {}, SimRole(role));

    QVERIFY(handedOver(QStringLiteral("vipbob")));

    Form2 *panel = Form2::existing(testSession());
    QVERIFY(panel);
    QVERIFY(panel->isVisible());
    QVERIFY(!Form3::current(testSession()));
    QCOMPARE(int(testSession().card().VipLevel), level);
    QCOMPARE(panel->Label1[1]->text(), yubi);
    QCOMPARE(panel->Label6->text().isEmpty(), false);
    if (level == 0) {
        QCOMPARE(panel->Label6->text(), QStringLiteral("未开通Quorvel会员"));
        QVERIFY(panel->Label13->isHidden());
    }
    QVERIFY(m_session->seams.messages.isEmpty());
}

void TestHandOverSim::guestSeesNoBalances()
{
    // No sign-in: the credit page is the sign-in page and the VIP page greets a guest.
    QVERIFY(handedOver(QStringLiteral("nobody")));
    Form2 *panel = Form2::existing(testSession());
    QVERIFY(panel);
    QCOMPARE(panel->Label1[0]->text(), QString());
    QCOMPARE(panel->Label1[1]->text(), QString());
    QCOMPARE(int(testSession().card().VipLevel), 0);
    QCOMPARE(panel->Label6->text(), QStringLiteral("未开通Quorvel会员"));
}

QTEST_MAIN(TestHandOverSim)
#include "test_handover_sim.moc"
