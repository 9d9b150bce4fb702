// The currency page of a signed-in member's panel against the forum simulator: exchanges that go
// through, the forum's refusals, the panel's own checks, the member saying No, and a site that
// answers late, wrongly or not at all.
#include "base/State.h"
#include "net/CookieStore.h"
#include "net/Network.h"
#include "rules/ExchangeForm.h"
#include "rules/FormToken.h"
#include "SimSession.h"
#include "SimSignIn.h"
#include "windows/panel/Form2.h"
#include "TestSession.h"
#include "AwaitedNet.h"

#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <limits>

namespace {

const QByteArray kExchangePath = "op=exchange&handlekey=credit"; // the post, not the page read for balances

} // namespace

class TestExchangeSim : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void exchangeChargesBothBalances();
    void typedTextsReachTheForumIntact();
    void forumRefusals_data();
    void forumRefusals();
    void checksBeforeAsking_data();
    void checksBeforeAsking();
    void noInTheQuestionSendsNothing();
    void costFollowsTheAmount();
    void siteFaults_data();
    void siteFaults();
    void messageKeptOnlyFromTheForum();
    void secondExchangeWhileBalancesAreRead();

private:
    Form2 *openPanel(const QString &account, const QString &password);
    void fill(const QString &amount, const QString &password);
    [[nodiscard]] int exchangePosts() const { return int(m_session->sim().requestsTo(kExchangePath).size()); }
    // An exchange returns at once; its outcome is complete once its answer was told and the
    // balances were read again. A reading asks for the credit page first and for the VIP front
    // page last, after the card shows the balances it read: true once n readings have begun since
    // openPanel and the VIP page was asked for after the last one's credit page.
    [[nodiscard]] bool balancesReadAgain(int n) const;

    std::unique_ptr<SimSession> m_session;
    QPointer<Form2> m_panel;
};

void TestExchangeSim::init()
{
    m_session = std::make_unique<SimSession>(3000);
    QVERIFY(m_session->isRunning());
}

void TestExchangeSim::cleanup()
{
    Form2::destroy(testSession());
    m_session.reset();
}

Form2 *TestExchangeSim::openPanel(const QString &account, const QString &password)
{
    if (!signInThroughLoginForm(account, password))
        return nullptr;
    m_panel = Form2::of(testSession());
    // The start-up's readings and version check first: what the test counts comes after them.
    if (!m_panel || !QTest::qWaitFor([this] { return !m_panel || m_panel->isLoaded(); }, 10000) || !m_panel)
        return nullptr;
    m_panel->show();
    m_session->seams.clear();
    m_session->sim().clearRequests();
    return m_panel;
}

bool TestExchangeSim::balancesReadAgain(int n) const
{
    // A reading of the balances asks for the VIP page beside the credit list; the readings are
    // over once nothing of the client is out any more.
    return QTest::qWaitFor(
        [&] {
            int readings = 0;
            bool posted = false;
            for (const ForumSimulator::RecordedRequest &r : m_session->sim().requests()) {
                if (r.pathAndQuery.contains("handlekey=credit"))
                    posted = true;
                else if (posted && r.role == SimRole::Vip && r.pathAndQuery == "/")
                    ++readings;
            }
            return readings >= n && !requestsInFlight();
        },
        10000);
}

void TestExchangeSim::fill(const QString &amount, const QString &password)
{
    m_panel->Text3->setText(amount);
    m_panel->Text5->setText(password);
}

void TestExchangeSim::exchangeChargesBothBalances()
{
    Form2 *panel = openPanel(QStringLiteral("alice"), QStringLiteral("alice123"));
    QVERIFY(panel);
    QCOMPARE(panel->Label1[0]->text(), QStringLiteral("120"));
    QCOMPARE(panel->Label1[1]->text(), QStringLiteral("40"));

    panel->Text3->selectAll();
    QTest::keyClicks(panel->Text3, QStringLiteral("8"));
    QCOMPARE(panel->Text3->text(), QStringLiteral("8"));
    QCOMPARE(panel->Text4->text(), QStringLiteral("2"));
    QTest::keyClicks(panel->Text5, QStringLiteral("alice123"));
    m_session->seams.queueAnswer(Seams::Answer::Yes);
    panel->Command6->click();
    QVERIFY(balancesReadAgain(1));
    // Today's forum keeps its credit list on the exchange page only, as the start-up found: the
    // balances are read there at once after the post, without asking the credit page first.
    bool posted = false;
    QStringList afterPost;
    for (const ForumSimulator::RecordedRequest &r : m_session->sim().requests()) {
        posted = posted || r.pathAndQuery.contains("handlekey=credit");
        if (posted && r.pathAndQuery.contains("ac=credit") && !r.pathAndQuery.contains("handlekey=credit"))
            afterPost << QString::fromLatin1(r.pathAndQuery);
    }
    QCOMPARE(afterPost, QStringList{QStringLiteral("/home.php?mod=spacecp&ac=credit&op=exchange")});

    // The question, then the forum's answer.
    QCOMPARE(m_session->seams.messages.size(), 2);
    const Seams::MessageRequest question = m_session->seams.messages.at(0);
    QCOMPARE(question.text, QStringLiteral("兑换信息：\r\n\r\n使用2枚za兑换8枚Quorvel币\r\n\r\n确认操作?"));
    QCOMPARE(question.buttons, Seams::Buttons::YesNo);
    QCOMPARE(question.icon, Seams::Icon::Information);
    QCOMPARE(question.title, QStringLiteral("Quorvel软件"));
    const QString success = QStringLiteral("积分兑换成功，您使用 2 枚za兑换了 8 枚Quorvel币");
    QCOMPARE(m_session->seams.messages.at(1).text, success);
    QCOMPARE(m_session->seams.messages.at(1).buttons, Seams::Buttons::Ok);
    QCOMPARE(panel->statusText(), success);
    QCOMPARE(panel->ExchangeMessage, success);
    QVERIFY(panel->ExchangeReply.contains(QStringLiteral("showDialog('") + success));
    QVERIFY(panel->Command6->isEnabled());

    // Exactly the forum's form, once.
    const auto posts = m_session->sim().requestsTo(kExchangePath);
    QCOMPARE(posts.size(), 1);
    QCOMPARE(posts.first().method, QByteArray("POST"));
    QCOMPARE(posts.first().role, SimRole::Home);
    QCOMPARE(posts.first().pathAndQuery,
             QByteArray("/home.php?mod=spacecp&ac=credit&op=exchange&handlekey=credit&inajax=1"));
    QCOMPARE(posts.first().header("Content-Type"), QByteArray("application/x-www-form-urlencoded"));
    // With the member's token of this session, which the panel's own reading of the exchange page gave.
    QCOMPARE(posts.first().tokenCheck, SimTokenCheck::Valid);
    QCOMPARE(posts.first().body, QByteArray("formhash=" + posts.first().sessionFormHash
                                            + "&operation=exchange&exchangesubmit=true&outi=0"
                                              "&exchangeamount=8&tocredits=1&fromcredits=4&password=alice123"
                                              "&exchangesubmit_btn=true"));

    // The balances as the forum charged them, read again after the answer.
    QCOMPARE(m_session->sim().member(QStringLiteral("alice"))->quorvelbi, qint64(128));
    QCOMPARE(m_session->sim().member(QStringLiteral("alice"))->za, qint64(38));
    QCOMPARE(panel->Label1[0]->text(), QStringLiteral("128"));
    QCOMPARE(panel->Label1[1]->text(), QStringLiteral("38"));
    QCOMPARE(testSession().card().QuorvelbiAmount, QStringLiteral("128"));
}

void TestExchangeSim::typedTextsReachTheForumIntact()
{
    const QString password = QStringLiteral("p&a=s%s+密码 #");
    ForumSimulator::Member member = ForumSimulator::demoMembers().first();
    member.uid = 90001;
    member.name = QStringLiteral("符号会员");
    member.password = password;
    member.quorvelbi = 10;
    member.za = 10;
    m_session->sim().addMember(member);

    Form2 *panel = openPanel(member.name, password);
    QVERIFY(panel);
    fill(QStringLiteral(" 8 "), password);
    QCOMPARE(panel->Text4->text(), QStringLiteral("2"));
    m_session->seams.queueAnswer(Seams::Answer::Yes);
    panel->Command6->click();
    QVERIFY(balancesReadAgain(1));

    const auto posts = m_session->sim().requestsTo(kExchangePath);
    QCOMPARE(posts.size(), 1);
    QCOMPARE(posts.first().formValue("password"), password);
    QCOMPARE(posts.first().formValue("exchangeamount"), QStringLiteral(" 8 "));
    // The forum recognised the password and charged what it read from the amount.
    QVERIFY2(panel->statusText().startsWith(QStringLiteral("积分兑换成功")), qPrintable(panel->statusText()));
    const ForumSimulator::Member *charged = m_session->sim().member(member.name);
    QVERIFY(charged);
    QCOMPARE(panel->Label1[0]->text(), QString::number(charged->quorvelbi));
    QCOMPARE(panel->Label1[1]->text(), QString::number(charged->za));
    QVERIFY(charged->za < 10);
}

void TestExchangeSim::forumRefusals_data()
{
    QTest::addColumn<QString>("amount");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("message");

    QTest::newRow("wrong password") << "8" << "wrong" << QStringLiteral("密码错误，无法进行积分兑换，请返回修改");
    QTest::newRow("too few za") << "400" << "alice123" << QStringLiteral("您的za不足，本次兑换需要 100 枚za，您只有 40 枚");
    // "00" is not exactly "0": the panel posts it as typed and the forum refuses the amount.
    QTest::newRow("amount 00") << "00" << "alice123" << QStringLiteral("兑换数量不能为0，请输入要兑换的Quorvel币数量");
    QTest::newRow("negative amount") << "-4" << "alice123" << QStringLiteral("兑换数量不能为负数，请输入正确的数量");
    // The forum reads 40 digits as its largest number and charges accordingly.
    QTest::newRow("40 digits") << "1234567890123456789012345678901234567890" << "alice123"
                               << QStringLiteral("您的za不足，本次兑换需要 %1 枚za，您只有 40 枚")
                                      .arg(ForumState::exchangeCost(std::numeric_limits<qint64>::max()));
}

void TestExchangeSim::forumRefusals()
{
    QFETCH(QString, amount);
    QFETCH(QString, password);
    QFETCH(QString, message);

    Form2 *panel = openPanel(QStringLiteral("alice"), QStringLiteral("alice123"));
    QVERIFY(panel);
    fill(amount, password);
    m_session->seams.queueAnswer(Seams::Answer::Yes);
    panel->Command6->click();
    QVERIFY(balancesReadAgain(1));

    QCOMPARE(exchangePosts(), 1);
    QCOMPARE(m_session->seams.messages.size(), 2);
    QCOMPARE(m_session->seams.lastMessage(), message);
    QCOMPARE(panel->statusText(), message);
    QVERIFY(panel->Command6->isEnabled());
    // Nothing charged, and the balances were read again all the same.
    int creditListReads = 0;
    for (const ForumSimulator::RecordedRequest &r : m_session->sim().requests())
        creditListReads += r.pathAndQuery.contains("op=buy") || r.pathAndQuery.endsWith("ac=credit&op=exchange");
    QCOMPARE(creditListReads, 1);
    QCOMPARE(panel->Label1[0]->text(), QStringLiteral("120"));
    QCOMPARE(panel->Label1[1]->text(), QStringLiteral("40"));
}

void TestExchangeSim::checksBeforeAsking_data()
{
    QTest::addColumn<QString>("amount");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("message");

    QTest::newRow("nothing wanted") << "0" << "alice123" << QStringLiteral("请输入兑换金额!");
    QTest::newRow("emptied amount") << "" << "alice123" << QStringLiteral("请输入兑换金额!");
    QTest::newRow("letters") << "abc" << "alice123" << QStringLiteral("请输入兑换金额!");
    QTest::newRow("no password") << "8" << "" << QStringLiteral("请输入您的账户密码!");
}

void TestExchangeSim::checksBeforeAsking()
{
    QFETCH(QString, amount);
    QFETCH(QString, password);
    QFETCH(QString, message);

    Form2 *panel = openPanel(QStringLiteral("alice"), QStringLiteral("alice123"));
    QVERIFY(panel);
    fill(amount, password);
    panel->Command6->click();

    QCOMPARE(m_session->seams.messageTexts(), QStringList{message});
    QCOMPARE(m_session->seams.messages.first().buttons, Seams::Buttons::Ok);
    QCOMPARE(m_session->seams.messages.first().icon, Seams::Icon::Information);
    QCOMPARE(panel->statusText(), message);
    QVERIFY(panel->Command6->isEnabled());
    QVERIFY(m_session->sim().requests().isEmpty());
}

void TestExchangeSim::noInTheQuestionSendsNothing()
{
    Form2 *panel = openPanel(QStringLiteral("alice"), QStringLiteral("alice123"));
    QVERIFY(panel);
    const QString statusBefore = panel->statusText();
    fill(QStringLiteral("8"), QStringLiteral("alice123"));
    m_session->seams.queueAnswer(Seams::Answer::No);
    panel->Command6->click();

    QCOMPARE(m_session->seams.messages.size(), 1);
    QCOMPARE(m_session->seams.messages.first().buttons, Seams::Buttons::YesNo);
    QVERIFY(m_session->sim().requests().isEmpty());
    QVERIFY(panel->Command6->isEnabled());
    QCOMPARE(panel->statusText(), statusBefore);
    QCOMPARE(m_session->sim().member(QStringLiteral("alice"))->za, qint64(40));
}

void TestExchangeSim::costFollowsTheAmount()
{
    Form2 *panel = openPanel(QStringLiteral("alice"), QStringLiteral("alice123"));
    QVERIFY(panel);
    panel->Text3->setFocus();
    panel->Text3->selectAll();
    QTest::keyClicks(panel->Text3, QStringLiteral("10"));
    QCOMPARE(panel->Text3->text(), QStringLiteral("10"));
    QCOMPARE(panel->Text4->text(), QStringLiteral("3"));
    // A letter puts the amount back to "0", and the cost follows.
    QTest::keyClicks(panel->Text3, QStringLiteral("x"));
    QCOMPARE(panel->Text3->text(), QStringLiteral("0"));
    QCOMPARE(panel->Text4->text(), QStringLiteral("0"));
    panel->Text3->clear();
    QCOMPARE(panel->Text3->text(), QStringLiteral("0"));
    QTest::keyClicks(panel->Text3, QStringLiteral("6"));
    QCOMPARE(panel->Text3->text(), QStringLiteral("06"));
    QCOMPARE(panel->Text4->text(), QStringLiteral("2"));
}

void TestExchangeSim::siteFaults_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("charged"); // the forum acted before the answer went wrong

    QTest::newRow("answers too late") << int(SimFault::Slow) << ExchangeForm::kNoReplyText << true;
    QTest::newRow("no answer at all") << int(SimFault::NoAnswer) << ExchangeForm::kNoReplyText << false;
    QTest::newRow("connection dropped") << int(SimFault::Drop) << ExchangeForm::kNoReplyText << true;
    QTest::newRow("server error 500") << int(SimFault::Status500) << ExchangeForm::kNoReplyText << false;
    // Refused, the post goes once more with a fresh token; refused again, the member is told so.
    QTest::newRow("form token refused") << int(SimFault::Token503) << FormToken::kMessageRefused << false;
    QTest::newRow("error page") << int(SimFault::ErrorPage) << ExchangeForm::kUnreadableText << false;
    QTest::newRow("empty reply") << int(SimFault::Empty) << ExchangeForm::kUnreadableText << false;
    QTest::newRow("oversized reply") << int(SimFault::Huge) << ExchangeForm::kNoReplyText << true;
}

void TestExchangeSim::siteFaults()
{
    QFETCH(int, fault);
    QFETCH(QString, shown);
    QFETCH(bool, charged);

    Form2 *panel = openPanel(QStringLiteral("alice"), QStringLiteral("alice123"));
    QVERIFY(panel);
    testSession().network().setTimeoutMs(1000);
    m_session->sim().setSlowDelayMs(2500);
    m_session->sim().setFault(SimFault(fault), kExchangePath);
    fill(QStringLiteral("8"), QStringLiteral("alice123"));
    m_session->seams.queueAnswer(Seams::Answer::Yes);
    panel->Command6->click();
    QVERIFY(balancesReadAgain(1));

    QVERIFY(panel->Command6->isEnabled());
    QCOMPARE(exchangePosts(), SimFault(fault) == SimFault::Token503 ? 2 : 1);
    QCOMPARE(m_session->seams.lastMessage(), shown);
    QCOMPARE(panel->statusText(), shown);
    // The first exchange of the panel: no earlier message to keep.
    QCOMPARE(panel->ExchangeMessage, QString());
    // Whatever became of the answer, the panel shows what the forum holds now.
    const ForumSimulator::Member *alice = m_session->sim().member(QStringLiteral("alice"));
    QCOMPARE(alice->za, charged ? qint64(38) : qint64(40));
    QCOMPARE(panel->Label1[0]->text(), QString::number(alice->quorvelbi));
    QCOMPARE(panel->Label1[1]->text(), QString::number(alice->za));
}

void TestExchangeSim::messageKeptOnlyFromTheForum()
{
    Form2 *panel = openPanel(QStringLiteral("alice"), QStringLiteral("alice123"));
    QVERIFY(panel);
    fill(QStringLiteral("4"), QStringLiteral("alice123"));
    m_session->seams.queueAnswer(Seams::Answer::Yes);
    panel->Command6->click();
    QVERIFY(balancesReadAgain(1));
    const QString first = panel->ExchangeMessage;
    QVERIFY(first.startsWith(QStringLiteral("积分兑换成功")));

    // An error page in place of the answer is told as such, not as the earlier success; the kept
    // message stays the forum's last.
    m_session->sim().setFault(SimFault::ErrorPage, kExchangePath, std::nullopt, 1);
    m_session->seams.queueAnswer(Seams::Answer::Yes);
    panel->Command6->click();
    QVERIFY(balancesReadAgain(2));
    QCOMPARE(m_session->seams.lastMessage(), ExchangeForm::kUnreadableText);
    QCOMPARE(panel->ExchangeMessage, first);
    QVERIFY(panel->ExchangeReply.contains(QStringLiteral("<html")) || !panel->ExchangeReply.contains(QStringLiteral("showDialog")));

    // The next real answer replaces it.
    fill(QStringLiteral("4"), QStringLiteral("wrong"));
    m_session->seams.queueAnswer(Seams::Answer::Yes);
    panel->Command6->click();
    QVERIFY(balancesReadAgain(3));
    QCOMPARE(panel->ExchangeMessage, QStringLiteral("密码错误，无法进行积分兑换，请返回修改"));
    QCOMPARE(exchangePosts(), 3);
}

void TestExchangeSim::secondExchangeWhileBalancesAreRead()
{
    Form2 *panel = openPanel(QStringLiteral("alice"), QStringLiteral("alice123"));
    QVERIFY(panel);
    // The first reading after the first exchange is slow: the second exchange is answered while it
    // waits, and that reading's page shows the balances from before the second one.
    m_session->sim().setSlowDelayMs(600);
    // The forum's credit list is on its exchange page (the panel's start-up learned it): the first
    // exchange's post and the reading after it are slow.
    m_session->sim().setFault(SimFault::Slow, "ac=credit&op=exchange", std::nullopt, 2);
    fill(QStringLiteral("8"), QStringLiteral("alice123"));
    m_session->seams.queueAnswer(Seams::Answer::Yes);
    m_session->seams.queueAnswer(Seams::Answer::Yes);

    bool secondStarted = false;
    bool buttonOpenDuringReading = false;
    // The member clicks again as soon as the first reading of the balances is on its way.
    const QMetaObject::Connection onReading = connect(
        &m_session->sim(), &ForumSimulator::requestReceived, panel, [&](const QByteArray &, const QByteArray &path) {
            if (secondStarted || !path.endsWith("ac=credit&op=exchange"))
                return;
            secondStarted = true;
            QTimer::singleShot(0, panel, [&] {
                buttonOpenDuringReading = panel->Command6->isEnabled();
                panel->Text3->setText(QStringLiteral("4"));
                panel->Command6->click();
            });
        });
    panel->Command6->click();
    // The second exchange's reading is the last: the slow one it overtook shows nothing after it.
    QTRY_VERIFY_WITH_TIMEOUT(secondStarted, 10000);
    QVERIFY(balancesReadAgain(2));
    disconnect(onReading);

    QVERIFY(buttonOpenDuringReading);
    QCOMPARE(exchangePosts(), 2);
    const ForumSimulator::Member *alice = m_session->sim().member(QStringLiteral("alice"));
    QCOMPARE(alice->quorvelbi, qint64(132));
    QCOMPARE(alice->za, qint64(37));
    QCOMPARE(panel->Label1[0]->text(), QStringLiteral("132"));
    QCOMPARE(panel->Label1[1]->text(), QStringLiteral("37"));
    QVERIFY(panel->Command6->isEnabled());
}

QTEST_MAIN(TestExchangeSim)
#include "test_exchange_sim.moc"
