// Reading profile pages for the account lookup: name from a UID's page, UID from a name's page.
#include "rules/ProfileLookup.h"


#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QString profilePage(const QString &name, const QString &uid)
{
    return u"<!DOCTYPE html><html><head><title>"_s + name + u"的个人资料 - Quorvel - Powered by Forum</title></head>"
           "<body><h2 class=\"mbn\">"_s + name + u" (UID: "_s + uid + u")</h2></body></html>"_s;
}

const QString kNoticePage =
    u"<html><head><title>提示信息 - Quorvel - Powered by Forum</title></head><body>用户不存在</body></html>"_s;

} // namespace

class TestProfileLookup : public QObject
{
    Q_OBJECT
private slots:
    void addresses()
    {
        const QString home = u"http://127.0.0.1:9001"_s;
        QCOMPARE(ProfileLookup::uidProfileUrl(home, u"1234"_s), u"http://127.0.0.1:9001/home.php?mod=space&uid=1234&do=profile"_s);
        QCOMPARE(ProfileLookup::nameProfileUrl(home, u"小明"_s, "GBK"),
                 u"http://127.0.0.1:9001/home.php?mod=space&username=%D0%A1%C3%F7&do=profile"_s);
        QCOMPARE(ProfileLookup::nameProfileUrl(home, u"小明"_s, "UTF-8"),
                 u"http://127.0.0.1:9001/home.php?mod=space&username=%E5%B0%8F%E6%98%8E&do=profile"_s);
        QCOMPARE(ProfileLookup::nameProfileUrl(home, u"a&b #"_s, "UTF-8"),
                 u"http://127.0.0.1:9001/home.php?mod=space&username=a%26b%20%23&do=profile"_s);
        QCOMPARE(ProfileLookup::uidProfileUrl(u"https://home.example.org"_s, u"42"_s),
                 u"https://home.example.org/home.php?mod=space&uid=42&do=profile"_s);
    }

    void byUid_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<bool>("read");
        QTest::addColumn<QString>("name");
        QTest::newRow("profile") << profilePage(u"alice"_s, u"1234"_s) << true << u"alice"_s;
        QTest::newRow("chinese name") << profilePage(u"小明"_s, u"888"_s) << true << u"小明"_s;
        // An unknown UID still has a title; it just names nobody.
        QTest::newRow("notice page") << kNoticePage << true << QString();
        QTest::newRow("title without 的") << u"<title>Quorvel</title>"_s << true << QString();
        QTest::newRow("up to a second title") << u"<title>a的<title>b的"_s << true << u"a"_s;
        QTest::newRow("no title") << u"<html>500</html>"_s << false << QString();
        QTest::newRow("upper case title is no marker") << u"<TITLE>x的</TITLE>"_s << false << QString();
    }
    void byUid()
    {
        QFETCH(QString, page);
        QFETCH(bool, read);
        QFETCH(QString, name);
        ProfileLookup::LookupSlots lookup;
        lookup.uid[0] = page;
        QCOMPARE(ProfileLookup::readUidPage(lookup.uid), read);
        QCOMPARE(lookup.profileName(), name);
    }

    void byName_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<bool>("read");
        QTest::addColumn<QString>("uid");
        QTest::newRow("profile") << profilePage(u"vipbob"_s, u"42"_s) << true << u"42"_s;
        QTest::newRow("notice page") << kNoticePage << false << QString();
        QTest::newRow("marker without closing") << u"(UID: 77"_s << true << QString();
        QTest::newRow("first of two markers") << u"(UID: 5) (UID: 6)"_s << true << u"5"_s;
        QTest::newRow("empty page") << QString() << false << QString();
    }
    void byName()
    {
        QFETCH(QString, page);
        QFETCH(bool, read);
        QFETCH(QString, uid);
        ProfileLookup::LookupSlots lookup;
        lookup.name[0] = page;
        QCOMPARE(ProfileLookup::readNamePage(lookup.name), read);
        QCOMPARE(lookup.name[2], uid);
        QVERIFY(lookup.profileName().isEmpty()); // a lookup by name leaves the profile name empty
    }

    void slotOneKeepsTheSplitText()
    {
        ProfileLookup::LookupSlots lookup;
        lookup.uid[0] = u"x<title>a的b<title>c"_s;
        QVERIFY(ProfileLookup::readUidPage(lookup.uid));
        QCOMPARE(lookup.uid[1], u"a的b"_s);
        lookup.name[0] = u"(UID: 9) x(UID: 10)"_s;
        QVERIFY(ProfileLookup::readNamePage(lookup.name));
        QCOMPARE(lookup.name[1], u"9) x"_s);
    }

    void clearEmptiesAllTwelve()
    {
        ProfileLookup::LookupSlots lookup;
        lookup.uid.fill(u"x"_s);
        lookup.name.fill(u"y"_s);
        lookup.clear();
        for (int i = 0; i < 6; ++i)
            QVERIFY(lookup.uid[i].isEmpty() && lookup.name[i].isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestProfileLookup)
#include "test_profilelookup.moc"
