// The simulator's own rules without sockets: form decoding, PHP-like number reading, avatar paths,
// the reply layouts, the forum's bookkeeping (lock, exchange cost, lost-password repeats) and how a
// name sent matches only as bytes of the site's code page.
#include "AvatarPainter.h"
#include "FormCodec.h"
#include "ForumPages.h"
#include "ForumState.h"

#include <QtTest>

class TestSimTexts : public QObject
{
    Q_OBJECT

private slots:
    void formDecoding()
    {
        // Percent-decoding only: %B0%A2 stays the GBK bytes of 阿, %E6%B5%8B the UTF-8 bytes of 测;
        // "+" is a blank.
        const FormCodec::Fields fields =
            FormCodec::decode("a=%B0%A2&name=%D0%A1%C3%F7&u=%E6%B5%8B&p=x+y%2B%26%3D%25&flag&&e=");
        QCOMPARE(FormCodec::value(fields, "a"), QByteArray("\xB0\xA2"));
        QCOMPARE(FormCodec::value(fields, "name"), QByteArray("\xD0\xA1\xC3\xF7"));
        QCOMPARE(FormCodec::value(fields, "u"), QByteArray("\xE6\xB5\x8B"));
        QCOMPARE(FormCodec::value(fields, "p"), QByteArray("x y+&=%"));
        QVERIFY(FormCodec::has(fields, "flag"));
        QVERIFY(FormCodec::has(fields, "e"));
        QCOMPARE(FormCodec::value(fields, "missing", "d"), QByteArray("d"));
        QCOMPARE(fields.size(), 6);

        const auto cookies = FormCodec::parseCookies({"a=1; b=x%2By", "a=2"});
        QCOMPARE(cookies.value("a"), QByteArray("2"));
        QCOMPARE(cookies.value("b"), QByteArray("x%2By"));
    }

    void intValue_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("value");
        QTest::newRow("plain") << "8" << qint64(8);
        QTest::newRow("leading zeros") << "00" << qint64(0);
        QTest::newRow("negative") << "-8" << qint64(-8);
        QTest::newRow("blanks") << " 12 " << qint64(12);
        QTest::newRow("decimal") << "2.9" << qint64(2);
        QTest::newRow("exponent") << "1e3" << qint64(1000);
        QTest::newRow("trailing letters") << "12abc" << qint64(12);
        QTest::newRow("letters") << "abc" << qint64(0);
        QTest::newRow("empty") << "" << qint64(0);
        QTest::newRow("too large") << "99999999999999999999999" << std::numeric_limits<qint64>::max();
        QTest::newRow("full-width digits, UTF-8") << QStringLiteral("１２") << qint64(0);
    }
    void intValue()
    {
        QFETCH(QString, text);
        QFETCH(qint64, value);
        QCOMPARE(FormCodec::intValue(text.toUtf8()), value);
    }

    void avatarPaths()
    {
        // The client's path rule: the UID padded to nine digits, 3/2/2/2.
        QByteArray size;
        QCOMPARE(AvatarPainter::uidFromPath("/uc_server/data/avatar/000/00/00/07_avatar_middle.jpg", &size), 7);
        QCOMPARE(size, QByteArray("middle"));
        QCOMPARE(AvatarPainter::uidFromPath("/uc_server/data/avatar/000/01/23/45_avatar_big.jpg"), 12345);
        QCOMPARE(AvatarPainter::uidFromPath("/uc_server/data/avatar/000/00/12/34_avatar_middle.jpg"), 1234);
        QCOMPARE(AvatarPainter::uidFromPath("/uc_server/data/avatar/000/00/12/34_avatar_middle.png"), -1);
        QCOMPARE(AvatarPainter::uidFromPath("/uc_server/data/avatar/00/00/12/34_avatar_middle.jpg"), -1);
    }

    void replyLayouts()
    {
        ForumMember m = ForumState::demoMembers().first();
        m.name = QStringLiteral("o'neil");
        const QString success = ForumPages::ajaxSuccess(QStringLiteral("login"), QStringLiteral("forum.php"),
                                                        ForumPages::loginGreeting(m), ForumPages::loginValues(m));
        QVERIFY(success.contains(QStringLiteral("'username':'o\\'neil'")));
        // The CDATA text ends at the first "]": only the envelope's own brackets may carry one.
        const QString envelope = ForumPages::ajaxEnvelope(success);
        QCOMPARE(envelope.indexOf(QLatin1Char(']')), envelope.size() - qsizetype(sizeof "]]></root>" - 1));

        const QString refusal = ForumPages::ajaxRefusal(QStringLiteral("credit"), QStringLiteral("M"), {}, true);
        const QStringList pieces = refusal.split(QLatin1Char('\''));
        QCOMPARE(pieces.value(3), QStringLiteral("M"));
        QVERIFY(refusal.startsWith(QStringLiteral("M<script ")));
        QVERIFY(refusal.contains(QStringLiteral("showDialog('M', 'alert'")));
    }

    void lockCountsPerAddress()
    {
        ForumState state;
        using Kind = ForumState::LoginResult::Kind;
        for (int i = 0; i < 4; ++i)
            QCOMPARE(state.login(QStringLiteral("a"), "alice", "x", 0, {}).kind, Kind::BadCredentials);
        // Another address is not locked by these.
        QCOMPARE(state.login(QStringLiteral("b"), "alice", "alice123", 0, {}).kind, Kind::Success);
        QCOMPARE(state.login(QStringLiteral("a"), "dave", "dave000", 0, {}).kind, Kind::Locked);
        QCOMPARE(state.login(QStringLiteral("a"), "alice", "alice123", 0, {}).kind, Kind::Locked);
        // A member without a question who names one is refused, as the forum compares digests.
        QCOMPARE(state.login(QStringLiteral("c"), "alice", "alice123", 1, "x").kind, Kind::QuestionInvalid);
        // ...but a question without an answer digests to nothing and passes.
        QCOMPARE(state.login(QStringLiteral("c"), "alice", "alice123", 1, {}).kind, Kind::Success);
    }

    void exchangeCost_data()
    {
        QTest::addColumn<qint64>("amount");
        QTest::addColumn<qint64>("cost");
        QTest::newRow("0") << qint64(0) << qint64(0);
        QTest::newRow("1") << qint64(1) << qint64(1);
        QTest::newRow("4") << qint64(4) << qint64(1);
        QTest::newRow("8") << qint64(8) << qint64(2);
        QTest::newRow("10") << qint64(10) << qint64(3);
        QTest::newRow("-4") << qint64(-4) << qint64(0);
    }
    void exchangeCost()
    {
        QFETCH(qint64, amount);
        QFETCH(qint64, cost);
        QCOMPARE(ForumState::exchangeCost(amount), cost);
    }

    void hugeAmountsAreRefusedNotWrapped()
    {
        ForumState state;
        ForumMember &alice = *state.member(QStringLiteral("alice"));
        const auto result = state.exchange(alice, "alice123", "99999999999999999999", 1, 4);
        QCOMPARE(result.kind, ForumState::ExchangeResult::Kind::TooFew);
        QCOMPARE(alice.za, 40);
        QCOMPARE(alice.quorvelbi, 120);
        QCOMPARE(state.exchange(alice, "alice123", "8", 4, 1).kind,
                 ForumState::ExchangeResult::Kind::UnknownRule);
    }

    void demoMembersAreFixed()
    {
        const QList<ForumMember> members = ForumState::demoMembers();
        ForumState state;
        const ForumMember *bob = state.member(QStringLiteral("vipbob"));
        QVERIFY(bob);
        QCOMPARE(bob->uid, 42);
        QCOMPARE(QDate::currentDate().daysTo(bob->vipExpiry), 10);
        QCOMPARE(state.memberByAccount("2048")->name, QStringLiteral("10086"));
        QCOMPARE(state.memberByAccount("10086")->uid, 2048);
        QVERIFY(state.member(QStringLiteral("admin"))->isAdministrator());
        QSet<int> uids;
        for (const ForumMember &m : members)
            uids.insert(m.uid);
        QCOMPARE(uids.size(), members.size());
    }

    void namesMatchAsSentInTheSiteCodePage_data()
    {
        QTest::addColumn<bool>("utf8");
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<int>("uid"); // 0: nobody
        // 测试用户: GBK B2E2 CAD4 D3C3 BBA7, UTF-8 E6B58B E8AF95 E794A8 E688B7.
        const QByteArray gbk("\xB2\xE2\xCA\xD4\xD3\xC3\xBB\xA7");
        const QByteArray utf8("\xE6\xB5\x8B\xE8\xAF\x95\xE7\x94\xA8\xE6\x88\xB7");
        QTest::newRow("gbk site, gbk name") << false << gbk << 666;
        QTest::newRow("gbk site, utf-8 name") << false << utf8 << 0;
        QTest::newRow("utf-8 site, utf-8 name") << true << utf8 << 666;
        QTest::newRow("utf-8 site, gbk name") << true << gbk << 0;
        QTest::newRow("gbk site, ascii in other case") << false << QByteArray("ALICE") << 1234;
        QTest::newRow("utf-8 site, ascii in other case") << true << QByteArray("ALICE") << 1234;
        // 丄 is 81 41 in GBK, 乤 81 61: a second byte that looks like "A" and "a" is no letter.
        QTest::newRow("gbk site, second byte is no letter") << false << QByteArray("\x81\x61") << 0;
        QTest::newRow("gbk site, second byte as stored") << false << QByteArray("\x81\x41") << 9001;
        // Bytes that are no UTF-8 never become the replacement characters a name might hold.
        QTest::newRow("utf-8 site, invalid bytes") << true << QByteArray("\xFF\xFE") << 0;
        QTest::newRow("utf-8 site, replacement characters") << true << QByteArray("\xEF\xBF\xBD\xEF\xBF\xBD") << 9002;
    }
    void namesMatchAsSentInTheSiteCodePage()
    {
        QFETCH(bool, utf8);
        QFETCH(QByteArray, sent);
        QFETCH(int, uid);
        ForumState state;
        SimSiteSettings settings;
        settings.utf8 = utf8;
        state.setSettings(settings);
        ForumMember oddlyNamed = ForumState::demoMembers().first();
        oddlyNamed.uid = 9001;
        oddlyNamed.name = QStringLiteral("丄");
        state.addMember(oddlyNamed);
        oddlyNamed.uid = 9002;
        oddlyNamed.name = QString(2, QChar::ReplacementCharacter);
        state.addMember(oddlyNamed);
        const ForumMember *found = state.memberNamed(sent);
        QCOMPARE(found ? found->uid : 0, uid);
    }
};

QTEST_MAIN(TestSimTexts)
#include "test_simtexts.moc"
