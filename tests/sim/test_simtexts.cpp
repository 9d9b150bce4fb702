// The simulator's own rules without sockets: form decoding, PHP-like number reading, avatar paths,
// the reply layouts and the forum's bookkeeping (lock, exchange cost, lost-password repeats).
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
        // GBK percent-encoding: %B0%A2 is 阿, %D0%A1%C3%F7 is 小明; "+" is a blank.
        const FormCodec::Fields fields = FormCodec::decode("a=%B0%A2&name=%D0%A1%C3%F7&p=x+y%2B%26%3D%25&flag&&e=");
        QCOMPARE(FormCodec::value(fields, QStringLiteral("a")), QStringLiteral("阿"));
        QCOMPARE(FormCodec::value(fields, QStringLiteral("name")), QStringLiteral("小明"));
        QCOMPARE(FormCodec::value(fields, QStringLiteral("p")), QStringLiteral("x y+&=%"));
        QVERIFY(FormCodec::has(fields, QStringLiteral("flag")));
        QVERIFY(FormCodec::has(fields, QStringLiteral("e")));
        QCOMPARE(FormCodec::value(fields, QStringLiteral("missing"), QStringLiteral("d")), QStringLiteral("d"));
        QCOMPARE(fields.size(), 5);

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
    }
    void intValue()
    {
        QFETCH(QString, text);
        QFETCH(qint64, value);
        QCOMPARE(FormCodec::intValue(text), value);
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
            QCOMPARE(state.login(QStringLiteral("a"), QStringLiteral("alice"), QStringLiteral("x"), 0, {}).kind, Kind::BadCredentials);
        // Another address is not locked by these.
        QCOMPARE(state.login(QStringLiteral("b"), QStringLiteral("alice"), QStringLiteral("alice123"), 0, {}).kind, Kind::Success);
        QCOMPARE(state.login(QStringLiteral("a"), QStringLiteral("dave"), QStringLiteral("dave000"), 0, {}).kind, Kind::Locked);
        QCOMPARE(state.login(QStringLiteral("a"), QStringLiteral("alice"), QStringLiteral("alice123"), 0, {}).kind, Kind::Locked);
        // A member without a question who names one is refused, as the forum compares digests.
        QCOMPARE(state.login(QStringLiteral("c"), QStringLiteral("alice"), QStringLiteral("alice123"), 1, QStringLiteral("x")).kind,
                 Kind::QuestionInvalid);
        // ...but a question without an answer digests to nothing and passes.
        QCOMPARE(state.login(QStringLiteral("c"), QStringLiteral("alice"), QStringLiteral("alice123"), 1, {}).kind, Kind::Success);
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
        const auto result = state.exchange(alice, QStringLiteral("alice123"), QStringLiteral("99999999999999999999"), 1, 4);
        QCOMPARE(result.kind, ForumState::ExchangeResult::Kind::TooFew);
        QCOMPARE(alice.za, 40);
        QCOMPARE(alice.quorvelbi, 120);
        QCOMPARE(state.exchange(alice, QStringLiteral("alice123"), QStringLiteral("8"), 4, 1).kind,
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
        QCOMPARE(state.memberByAccount(QStringLiteral("2048"))->name, QStringLiteral("10086"));
        QCOMPARE(state.memberByAccount(QStringLiteral("10086"))->uid, 2048);
        QVERIFY(state.member(QStringLiteral("admin"))->isAdministrator());
        QSet<int> uids;
        for (const ForumMember &m : members)
            uids.insert(m.uid);
        QCOMPARE(uids.size(), members.size());
    }
};

QTEST_MAIN(TestSimTexts)
#include "test_simtexts.moc"
