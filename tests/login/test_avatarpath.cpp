// The avatar address derived from a UID.
#include "pictures/AvatarProbe.h"
#include "rules/AvatarPath.h"

#include <QBuffer>
#include <QImage>
#include <QTest>

using namespace Qt::StringLiterals;

class TestAvatarPath : public QObject
{
    Q_OBJECT
private slots:
    void path_data()
    {
        QTest::addColumn<QString>("uid");
        QTest::addColumn<QString>("path");
        QTest::newRow("1 digit") << u"7"_s << u"/uc_server/data/avatar/000/00/00/07_avatar_middle.jpg"_s;
        QTest::newRow("2 digits") << u"42"_s << u"/uc_server/data/avatar/000/00/00/42_avatar_middle.jpg"_s;
        QTest::newRow("3 digits") << u"123"_s << u"/uc_server/data/avatar/000/00/01/23_avatar_middle.jpg"_s;
        QTest::newRow("4 digits") << u"1234"_s << u"/uc_server/data/avatar/000/00/12/34_avatar_middle.jpg"_s;
        QTest::newRow("5 digits") << u"12345"_s << u"/uc_server/data/avatar/000/01/23/45_avatar_middle.jpg"_s;
        QTest::newRow("6 digits") << u"123456"_s << QString();
        QTest::newRow("empty") << QString() << QString();
        // The UID is used as it stands, not re-read as a number.
        QTest::newRow("as typed") << u"007"_s << u"/uc_server/data/avatar/000/00/00/07_avatar_middle.jpg"_s;
    }
    void path()
    {
        QFETCH(QString, uid);
        QFETCH(QString, path);
        QCOMPARE(AvatarPath::avatarPath(uid), path);
    }

    void probeDecision()
    {
        QImage square(8, 8, QImage::Format_RGB32);
        square.fill(Qt::red);
        QByteArray jpeg;
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(square.save(&buffer, "JPG"));

        QCOMPARE(AvatarPath::avatarFromProbe(200, jpeg).size(), QSize(8, 8));
        // A missing avatar is a 404 page; a picture body does not help a failed status either.
        QVERIFY(AvatarPath::avatarFromProbe(404, jpeg).isNull());
        QVERIFY(AvatarPath::avatarFromProbe(500, jpeg).isNull());
        // An error page served with 200, an empty body, or no answer at all.
        QVERIFY(AvatarPath::avatarFromProbe(200, "<html><body>404 Not Found</body></html>").isNull());
        QVERIFY(AvatarPath::avatarFromProbe(200, {}).isNull());
        QVERIFY(AvatarPath::avatarFromProbe(0, {}).isNull());
        // Half a picture is no picture.
        QVERIFY(AvatarPath::avatarFromProbe(200, jpeg.left(10)).isNull());
    }

    void onForumHost()
    {
        QCOMPARE(AvatarPath::avatarUrl(u"http://127.0.0.1:9000"_s, u"1234"_s),
                 u"http://127.0.0.1:9000/uc_server/data/avatar/000/00/12/34_avatar_middle.jpg"_s);
        QCOMPARE(AvatarPath::avatarUrl(u"https://bbs.example.org"_s, u"7"_s),
                 u"https://bbs.example.org/uc_server/data/avatar/000/00/00/07_avatar_middle.jpg"_s);
        QCOMPARE(AvatarPath::avatarUrl(u"http://127.0.0.1:9000"_s, u"123456"_s), QString());
    }
};

QTEST_GUILESS_MAIN(TestAvatarPath)
#include "test_avatarpath.moc"
