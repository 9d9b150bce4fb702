// The readings of the credit page, the VIP front page and the version file.
#include "rules/PanelReaders.h"

#include <QTest>

using namespace PanelReaders;

namespace {

QString creditList(const QString &items)
{
    return QStringLiteral("<ul class=\"creditl mtm bbda cl\">\n") + items + QStringLiteral("</ul>\n");
}

QString sampleVipPage(const QString &growth, const QString &expiry)
{
    return QStringLiteral("<p>尊敬的VIP用户 <b>bob</b></p><ul><li>成长速度:&nbsp;<b>") + growth
        + QStringLiteral("</b>&nbsp;点/天</li>\n<li>到期时间:&nbsp;<b>") + expiry + QStringLiteral("</b></li></ul>");
}

} // namespace

class TestPanelReaders : public QObject
{
    Q_OBJECT
private slots:
    void textAfter_data();
    void textAfter();
    void creditPage_data();
    void creditPage();
    void vipPage_data();
    void vipPage();
    void daysLeft_data();
    void daysLeft();
    void versionFile_data();
    void versionFile();
};

void TestPanelReaders::textAfter_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("marker");
    QTest::addColumn<QString>("expected");
    QTest::newRow("once: to the end") << "a:1 b" << ":" << "1 b";
    QTest::newRow("twice: up to the second") << "x:1:2:3" << ":" << "1";
    QTest::newRow("absent") << "abc" << ":" << "";
    QTest::newRow("at the very end") << "abc:" << ":" << "";
    QTest::newRow("marker back to back") << "a::b" << ":" << "";
}

void TestPanelReaders::textAfter()
{
    QFETCH(QString, text);
    QFETCH(QString, marker);
    QFETCH(QString, expected);
    QCOMPARE(PanelReaders::textAfter(text, marker), expected);
}

void TestPanelReaders::creditPage_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QString>("quorvelbi");
    QTest::addColumn<QString>("yubi");

    // The forum's list: one <li><em> NAME: </em>VALUE UNIT</li> per credit.
    QTest::newRow("1280 and 36")
        << creditList(QStringLiteral("<li><em> Quorvel币: </em>1280</li><li><em> 威望: </em>3 点</li><li><em> za: </em>36</li>"))
        << true << "1280" << "36";
    QTest::newRow("unit kept as the page writes it")
        << creditList(QStringLiteral("<li><em> Quorvel币: </em>7 枚</li><li><em> za: </em>0</li>")) << true << "7 枚" << "0";
    // The page ends right after the balance: the piece holds no "<".
    QTest::newRow("piece without <") << QStringLiteral("<ul class=\"creditl mtm bbda cl\"><li><em> za: </em>36</li><li><em> Quorvel币: </em>1280")
                                     << true << "" << "36";
    QTest::newRow("za missing") << creditList(QStringLiteral("<li><em> Quorvel币: </em>5</li>")) << true << "5" << "";
    // Only the first credit list counts: a second list (a sidebar) is outside the section.
    QTest::newRow("second list ends the section")
        << QStringLiteral("<ul class=\"creditl mtm bbda cl\"><li><em> Quorvel币: </em>1</li></ul>"
                          "<ul class=\"creditl mtm bbda cl\"><li><em> za: </em>99</li></ul>")
        << true << "1" << "";
    QTest::newRow("marker twice inside the section: up to its second occurrence")
        << creditList(QStringLiteral("<li><em> Quorvel币: </em>12</li><li><em> Quorvel币: </em>34</li>")) << true << "12" << "";
    QTest::newRow("guest sign-in page") << QStringLiteral("<html><p>您需要先登录才能继续本操作</p></html>") << false << "" << "";
    QTest::newRow("empty") << QString() << false << "" << "";
}

void TestPanelReaders::creditPage()
{
    QFETCH(QString, page);
    QFETCH(bool, found);
    QFETCH(QString, quorvelbi);
    QFETCH(QString, yubi);
    const CreditReading reading = readCreditPage(page);
    QCOMPARE(reading.found, found);
    QCOMPARE(reading.quorvelbi, quorvelbi);
    QCOMPARE(reading.yubi, yubi);
}

void TestPanelReaders::vipPage_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<int>("level");
    QTest::addColumn<QString>("growth");
    QTest::addColumn<QString>("expiry");

    QTest::newRow("SVIP") << sampleVipPage(QStringLiteral("10+5"), QStringLiteral("2015.03.05")) << 2 << "<b>10+5</b>&nbsp;点/天<"
                          << "2015.03.05";
    QTest::newRow("VIP 5+2") << sampleVipPage(QStringLiteral("5+2"), QStringLiteral("2015.03.05")) << 1 << "<b>5+2</b>&nbsp;点/天<"
                             << "2015.03.05";
    QTest::newRow("no greeting") << QStringLiteral("<li>成长速度:&nbsp;<b>10+5</b></li><li>到期时间:&nbsp;<b>2015.03.05</b></li>")
                                 << 0 << "" << "";
    QTest::newRow("empty") << QString() << 0 << "" << "";
    QTest::newRow("growth marker missing: VIP")
        << QStringLiteral("尊敬的VIP用户<li>到期时间:&nbsp;<b>2015.03.05</b></li>") << 1 << "" << "2015.03.05";
    // 10+5 after the end of the growth item does not make an SVIP.
    QTest::newRow("growth without </li>: VIP") << QStringLiteral("尊敬的VIP用户 成长速度:&nbsp;<b>10+5</b>") << 1 << "" << "";
    QTest::newRow("10+5 only outside the growth text")
        << sampleVipPage(QStringLiteral("5+2"), QStringLiteral("2015.03.05")) + QStringLiteral("<td>SVIP 10+5</td>") << 1
        << "<b>5+2</b>&nbsp;点/天<" << "2015.03.05";
    QTest::newRow("expiry without </b>") << QStringLiteral("尊敬的VIP用户 到期时间:&nbsp;2015.03.05</li>") << 1 << "" << "";
    // Only the text up to the marker's second occurrence is searched for "</b>".
    QTest::newRow("expiry marker twice")
        << QStringLiteral("尊敬的VIP用户 到期时间:&nbsp;<b>2015.03.05 到期时间:&nbsp;<b>2016.01.01</b>") << 1 << "" << "";
    QTest::newRow("expiry not a date") << sampleVipPage(QStringLiteral("5+2"), QStringLiteral("永久")) << 1 << "<b>5+2</b>&nbsp;点/天<"
                                       << "永久";
    QTest::newRow("stray < removed") << QStringLiteral("尊敬的VIP用户 到期时间:&nbsp;<b><i>2015.03.05</b>") << 1 << ""
                                     << "i>2015.03.05";
}

void TestPanelReaders::vipPage()
{
    QFETCH(QString, page);
    QFETCH(int, level);
    QFETCH(QString, growth);
    QFETCH(QString, expiry);
    const VipReading reading = readVipPage(page);
    QCOMPARE(int(reading.level), level);
    QCOMPARE(reading.growthText, growth);
    QCOMPARE(reading.expiryText, expiry);
}

void TestPanelReaders::daysLeft_data()
{
    QTest::addColumn<QString>("expiry");
    QTest::addColumn<bool>("isDate");
    QTest::addColumn<qint64>("days");
    const QDate today(2015, 2, 23);
    QTest::newRow("ten days ahead") << today.addDays(10).toString(QStringLiteral("yyyy.MM.dd")) << true << qint64(10);
    QTest::newRow("today") << QStringLiteral("2015.02.23") << true << qint64(0);
    QTest::newRow("yesterday") << QStringLiteral("2015.02.22") << true << qint64(-1);
    QTest::newRow("across a leap day") << QStringLiteral("2016.03.01") << true << qint64(372);
    QTest::newRow("dashes") << QStringLiteral("2015-03-05") << true << qint64(10);
    QTest::newRow("short parts") << QStringLiteral("2015.3.5") << true << qint64(10);
    QTest::newRow("not a date") << QStringLiteral("永久") << false << qint64(0);
    QTest::newRow("impossible day") << QStringLiteral("2015.02.30") << false << qint64(0);
    QTest::newRow("day first") << QStringLiteral("05.03.2015") << false << qint64(0);
    QTest::newRow("empty") << QString() << false << qint64(0);
}

void TestPanelReaders::daysLeft()
{
    QFETCH(QString, expiry);
    QFETCH(bool, isDate);
    QFETCH(qint64, days);
    const std::optional<qint64> result = PanelReaders::daysLeft(expiry, QDate(2015, 2, 23));
    QCOMPARE(result.has_value(), isDate);
    if (isDate)
        QCOMPARE(*result, days);
    QCOMPARE(expiryDateText(QStringLiteral("2015.03.05")), QStringLiteral("2015-03-05"));
}

void TestPanelReaders::versionFile_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("outcome");
    const int failed = int(VersionOutcome::CheckFailed);
    const int fresh = int(VersionOutcome::NewVersion);
    const int current = int(VersionOutcome::Current);
    QTest::newRow("same with date") << "km:V1.2|2015-03-01" << 200 << "V1.2" << current;
    QTest::newRow("text around it") << "name:quorvel\r\nkm:V1.2|\r\n" << 200 << "V1.2" << current;
    QTest::newRow("newer") << "km:V1.3|" << 200 << "V1.3" << fresh;
    QTest::newRow("older") << "km:V1.1|" << 200 << "V1.1" << fresh;
    QTest::newRow("lower-case v") << "km:v1.2|" << 200 << "v1.2" << fresh;
    QTest::newRow("blank inside") << "km: V1.2|" << 200 << " V1.2" << fresh;
    QTest::newRow("no bar") << "km:V1.2" << 200 << "" << fresh;
    QTest::newRow("bar only after a second km:") << "km:V1.2 km:V1.3|" << 200 << "" << fresh;
    QTest::newRow("empty") << "" << 200 << "" << failed;
    QTest::newRow("error page without km:") << "<html><h1>502 Bad Gateway</h1></html>" << 200 << "" << failed;
    QTest::newRow("404 page") << "<html>Not Found</html>" << 404 << "" << failed;
    QTest::newRow("500 that happens to carry the field") << "km:V1.3|" << 500 << "V1.3" << failed;
}

void TestPanelReaders::versionFile()
{
    QFETCH(QString, file);
    QFETCH(int, status);
    QFETCH(QString, field);
    QFETCH(int, outcome);
    QCOMPARE(versionField(file), field);
    QCOMPARE(int(versionOutcome(file, status)), outcome);
}

QTEST_GUILESS_MAIN(TestPanelReaders)
#include "test_panel_readers.moc"
