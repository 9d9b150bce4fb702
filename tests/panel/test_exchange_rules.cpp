// The currency page's rules without widgets: the cost shown beside the wanted amount, the exchange
// post as the forum receives it, the question put to the member, and how the answer is read.
#include "base/CodePage.h"
#include "rules/ExchangeCost.h"
#include "rules/ExchangeForm.h"

#include <QTest>

class TestExchangeRules : public QObject
{
    Q_OBJECT
private slots:
    void cost_data();
    void cost();
    void costOfNonNumbers_data();
    void costOfNonNumbers();
    void requestBody_data();
    void requestBody();
    void requestAddress();
    void confirmationText();
    void readReply_data();
    void readReply();
};

void TestExchangeRules::cost_data()
{
    QTest::addColumn<QString>("wanted");
    QTest::addColumn<QString>("cost");

    // Whole amounts: a quarter rounded to a tenth, halves to even (0.25 -> 0.2, 0.75 -> 0.8),
    // then a tenth of 5 or more counts as one more.
    const char *table[][2] = {{"0", "0"},  {"1", "0"},  {"2", "1"},  {"3", "1"},  {"4", "1"},
                              {"5", "1"},  {"6", "2"},  {"7", "2"},  {"8", "2"},  {"9", "2"},
                              {"10", "3"}, {"11", "3"}, {"13", "3"}, {"14", "4"}, {"400", "100"}};
    for (const auto &row : table)
        QTest::addRow("%s", row[0]) << QString::fromLatin1(row[0]) << QString::fromLatin1(row[1]);

    // Texts the numeric test accepts as they stand.
    QTest::newRow("blanks around") << " 8 " << "2";
    QTest::newRow("leading zeros") << "00" << "0";
    QTest::newRow("plus sign") << "+6" << "2";
    QTest::newRow("grouping") << "1,000" << "250";
    QTest::newRow("exponent") << "1e3" << "250";
    QTest::newRow("exponent D") << "4D2" << "100";
    QTest::newRow("negative exponent") << "800e-2" << "2";
    // Fractions: 2.5/4 = 0.625 -> 0.6 -> 1; 0.6/4 = 0.15 -> 0.2 (half to even) -> 0;
    // 2.2/4 = 0.55 -> 0.6 -> 1; 1.8/4 = 0.45 -> 0.4 -> 0; 2.21/4 = 0.5525 -> 0.6 -> 1.
    QTest::newRow("2.5") << "2.5" << "1";
    QTest::newRow("0.6 half to even") << "0.6" << "0";
    QTest::newRow("1.4 half to even up") << "1.4" << "0";
    QTest::newRow("2.2") << "2.2" << "1";
    QTest::newRow("1.8") << "1.8" << "0";
    QTest::newRow("2.21 just above a half") << "2.21" << "1";
    QTest::newRow("tiny") << ".0001" << "0";
    // Negative amounts: -1/4 = -0.25 -> -0.2 -> 0; -4/4 = -1; -6/4 = -1.5 -> -1 + 1 = 0;
    // -10/4 = -2.5 -> -2 + 1 = -1; -9/4 = -2.25 -> -2.2 -> -2.
    QTest::newRow("-1") << "-1" << "0";
    QTest::newRow("-4") << "-4" << "-1";
    QTest::newRow("-6") << "-6" << "0";
    QTest::newRow("-10") << "-10" << "-1";
    QTest::newRow("-9") << "-9" << "-2";
    // Beyond a double's digits the cost is still exact: N = 4q + 2 rounds up.
    QTest::newRow("40 digits") << "1234567890123456789012345678901234567890"
                               << "308641972530864197253086419725308641973";
    QTest::newRow("carry through nines") << "39999999999999999999998" << "10000000000000000000000";
    QTest::newRow("big exponent") << "1e300" << (QStringLiteral("25") + QString(298, QLatin1Char('0')));
    QTest::newRow("zero with exponent") << "0e999" << "0";
}

void TestExchangeRules::cost()
{
    QFETCH(QString, wanted);
    QFETCH(QString, cost);
    QCOMPARE(ExchangeCost::costText(wanted), std::optional<QString>(cost));
}

void TestExchangeRules::costOfNonNumbers_data()
{
    QTest::addColumn<QString>("wanted");
    QTest::newRow("empty") << "";
    QTest::newRow("blank") << "  ";
    QTest::newRow("letters") << "abc";
    QTest::newRow("letter after digits") << "12a";
    QTest::newRow("hexadecimal") << "&H10";
    QTest::newRow("exponent without digits") << "1e";
    QTest::newRow("two points") << "1.2.3";
    QTest::newRow("beyond a double") << (QStringLiteral("1") + QString(400, QLatin1Char('0')));
    QTest::newRow("chinese digits") << QStringLiteral("一百");
}

void TestExchangeRules::costOfNonNumbers()
{
    QFETCH(QString, wanted);
    QCOMPARE(ExchangeCost::costText(wanted), std::nullopt);
}

void TestExchangeRules::requestBody_data()
{
    QTest::addColumn<QString>("amount");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QByteArray>("amountOnWire");
    QTest::addColumn<QByteArray>("passwordOnWire");
    QTest::addColumn<QByteArray>("charset");

    QTest::newRow("plain") << "8" << "alice123" << QByteArray("8") << QByteArray("alice123") << QByteArray("GBK");
    QTest::newRow("00 as typed") << "00" << "p" << QByteArray("00") << QByteArray("p") << QByteArray("GBK");
    QTest::newRow("blanks kept") << " 8 " << "a b" << QByteArray("%208%20") << QByteArray("a%20b") << QByteArray("GBK");
    QTest::newRow("form characters") << "1e3" << "a&b=c%d+e#f" << QByteArray("1e3")
                                     << QByteArray("a%26b%3Dc%25d%2Be%23f") << QByteArray("GBK");
    // GBK: 密 = C3 DC, 码 = C2 EB.
    QTest::newRow("chinese") << "-4" << QStringLiteral("密码") << QByteArray("-4") << QByteArray("%C3%DC%C2%EB") << QByteArray("GBK");
    // A forum in UTF-8 compares the UTF-8 bytes (Python's '密码'.encode('utf-8')).
    QTest::newRow("chinese, utf-8 forum") << "8" << QStringLiteral("密码") << QByteArray("8")
                                          << QByteArray("%E5%AF%86%E7%A0%81") << QByteArray("UTF-8");
}

void TestExchangeRules::requestBody()
{
    QFETCH(QString, amount);
    QFETCH(QString, password);
    QFETCH(QByteArray, amountOnWire);
    QFETCH(QByteArray, passwordOnWire);
    QFETCH(QByteArray, charset);
    QCOMPARE(ExchangeForm::body(QString::fromLatin1(ExchangeForm::kFormHash), amount, password, charset),
             "formhash=7b41e0c3&operation=exchange&exchangesubmit=true&outi=0&exchangeamount=" + amountOnWire
                 + "&tocredits=1&fromcredits=4&password=" + passwordOnWire + "&exchangesubmit_btn=true");
}

void TestExchangeRules::requestAddress()
{
    QCOMPARE(ExchangeForm::url(QStringLiteral("http://home.example:8080")),
             QStringLiteral("http://home.example:8080/home.php?mod=spacecp&ac=credit&op=exchange&handlekey=credit&inajax=1"));
}

void TestExchangeRules::confirmationText()
{
    QCOMPARE(ExchangeForm::confirmation(QStringLiteral("2"), QStringLiteral("8")),
             QStringLiteral("兑换信息：\r\n\r\n使用2枚za兑换8枚Quorvel币\r\n\r\n确认操作?"));
}

void TestExchangeRules::readReply_data()
{
    using Kind = ExchangeForm::Reply::Kind;
    QTest::addColumn<QString>("reply");
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("failed");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("message");

    // The forum's shapes: success through succeedhandle_credit, refusals through errorhandle_credit,
    // both ending in showDialog('MESSAGE', ...).
    const QString envelope = QStringLiteral("<?xml version=\"1.0\" encoding=\"gbk\"?>\n<root><![CDATA[%1]]></root>");
    const QString success = envelope.arg(QStringLiteral(
        "<script type=\"text/javascript\" reload=\"1\">if(typeof succeedhandle_credit=='function') "
        "{succeedhandle_credit('home.php?mod=spacecp&ac=credit&op=base', '积分兑换成功，您使用 2 枚za兑换了 8 枚Quorvel币', "
        "{});}hideWindow('credit');showDialog('积分兑换成功，您使用 2 枚za兑换了 8 枚Quorvel币', 'right', null, "
        "function () { window.location.href ='home.php?mod=spacecp&ac=credit&op=base'; }, 0, null, null, null, null, null, 2);</script>"));
    const QString refusal = envelope.arg(QStringLiteral(
        "密码错误，无法进行积分兑换<script type=\"text/javascript\" reload=\"1\">if(typeof errorhandle_credit=='function') "
        "{errorhandle_credit('密码错误，无法进行积分兑换', {});}showDialog('密码错误，无法进行积分兑换', 'alert');</script>"));

    QTest::newRow("success") << success << 200 << false << int(Kind::Message)
                             << QStringLiteral("积分兑换成功，您使用 2 枚za兑换了 8 枚Quorvel币");
    QTest::newRow("refusal") << refusal << 200 << false << int(Kind::Message) << QStringLiteral("密码错误，无法进行积分兑换");
    QTest::newRow("dialog on an error status still counts") << refusal << 500 << false << int(Kind::Message)
                                                            << QStringLiteral("密码错误，无法进行积分兑换");
    QTest::newRow("empty dialog text") << QStringLiteral("showDialog('', 'alert')") << 200 << false << int(Kind::Message)
                                       << QString();
    QTest::newRow("no closing apostrophe") << QStringLiteral("x showDialog('rest of it") << 200 << false
                                           << int(Kind::Message) << QStringLiteral("rest of it");
    QTest::newRow("first dialog wins") << QStringLiteral("showDialog('one');showDialog('two')") << 200 << false
                                       << int(Kind::Message) << QStringLiteral("one");

    QTest::newRow("showDialog without its quote") << QStringLiteral("showDialog(\"text\")") << 200 << false
                                                  << int(Kind::Unreadable) << ExchangeForm::kUnreadableText;
    QTest::newRow("no dialog at all") << envelope.arg(QStringLiteral("nothing")) << 200 << false << int(Kind::Unreadable)
                                      << ExchangeForm::kUnreadableText;
    QTest::newRow("empty body") << QString() << 200 << false << int(Kind::Unreadable) << ExchangeForm::kUnreadableText;
    QTest::newRow("token error page") << QStringLiteral("<html>403 表单令牌</html>") << 503 << false
                                      << int(Kind::NoReply) << ExchangeForm::kNoReplyText;
    QTest::newRow("no status") << QString() << 0 << false << int(Kind::NoReply) << ExchangeForm::kNoReplyText;
    QTest::newRow("transfer failed") << refusal.left(40) << 200 << true << int(Kind::NoReply) << ExchangeForm::kNoReplyText;
}

void TestExchangeRules::readReply()
{
    QFETCH(QString, reply);
    QFETCH(int, status);
    QFETCH(bool, failed);
    QFETCH(int, kind);
    QFETCH(QString, message);
    const ExchangeForm::Reply read = ExchangeForm::readReply(reply, status, failed);
    QCOMPARE(int(read.kind), kind);
    QCOMPARE(read.message, message);
}

QTEST_GUILESS_MAIN(TestExchangeRules)
#include "test_exchange_rules.moc"
