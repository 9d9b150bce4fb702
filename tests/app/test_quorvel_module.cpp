// The shared web and text routines, the skin and the navigation registry.
#include "base/ProfileString.h"
#include "ScriptedServer.h"
#include "session/QuorvelModule.h"
#include "Awaited.h"
#include "TempDataDir.h"
#include "ui/Skin.h"
#include "TestSession.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPointer>
#include <QTest>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace {

QByteArray pngBytes(const QSize &size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

} // namespace

// The module's fetches run to their end.
QString getText(const QString &url)
{
    return awaited(QuorvelModule::HttpGetText(testSession().site(), url)).value_or(QString());
}

QPixmap loadPicture(const QString &urlOrPath)
{
    return awaited(QuorvelModule::LoadNetPicture(testSession().site(), urlOrPath)).value_or(QPixmap());
}

class TestQuorvelModule : public QObject
{
    Q_OBJECT
private slots:
    void specialFolderPath()
    {
        TempDataDir data;
        const QString cookies = QuorvelModule::SpecialFolderPath(testSession().settings(), QuorvelModule::kCookiesFolder);
        QCOMPARE(cookies, QDir::cleanPath(data.path()) + u"/Cookies"_s);
        QVERIFY(!cookies.endsWith(u'/'));
        QVERIFY(QFileInfo(cookies).isDir());
        for (int other : {0, 26, 32, 34, -33})
            QCOMPARE(QuorvelModule::SpecialFolderPath(testSession().settings(), other), QString());
    }

    void readIniValue()
    {
        TempDataDir data;
        const QString ini = data.file(u"login.ini"_s);
        QCOMPARE(QuorvelModule::ReadIniValue(u"INFORMATION"_s, u"USER"_s, u"无"_s, ini), u"无"_s);
        // 64 hexadecimal digits times eight, and Chinese text of more than 254 bytes: both whole.
        const QString longPass = QString(512, u'A');
        const QString longName = QString(300, u'张');
        QVERIFY(ProfileString::write(u"INFORMATION"_s, u"PASS"_s, longPass, ini));
        QVERIFY(ProfileString::write(u"INFORMATION"_s, u"USER"_s, longName, ini));
        QCOMPARE(QuorvelModule::ReadIniValue(u"INFORMATION"_s, u"PASS"_s, QString(), ini), longPass);
        QCOMPARE(QuorvelModule::ReadIniValue(u"INFORMATION"_s, u"USER"_s, QString(), ini), longName);
        QCOMPARE(QuorvelModule::ReadIniValue(u"INFORMATION"_s, u"ANS"_s, u"d"_s, ini), u"d"_s);
    }

    void httpGetTextReturnsErrorPages()
    {
        const QByteArray page = "<html><body>\xd2\xb3\xc3\xe6\xb2\xbb\xb4\xe6\xd4\xda</body></html>"; // 页面不存在
        ScriptedServer server;
        QVERIFY(server.isListening());
        server.setFallback(ScriptedReply::page(404, "text/html; charset=gbk", page));
        const QString text = getText(server.url(u"/space-uid-1.html?x=1"_s));
        QCOMPARE(text, u"<html><body>页面不存在</body></html>"_s);
        QCOMPARE(server.requests().size(), 1);
        const QByteArray request = server.requests().first().head;
        QVERIFY2(request.startsWith("GET /space-uid-1.html?x=1 HTTP/1."), request.constData());
        QVERIFY2(request.contains("\r\nIf-Modified-Since: 0\r\n"), request.constData());
    }

    void httpGetTextIsEmptyWithoutServer()
    {
        const QString url = u"http://127.0.0.1:%1/version/main.txt"_s.arg(ScriptedServer::unusedPort());
        QCOMPARE(getText(url), QString());
    }

    void loadNetPictureFromFile()
    {
        TempDataDir data;
        const QString path = data.file(u"头像.png"_s);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(pngBytes(QSize(48, 32)));
        file.close();
        QCOMPARE(loadPicture(path).size(), QSize(48, 32));
        QCOMPARE(loadPicture(QUrl::fromLocalFile(path).toString()).size(), QSize(48, 32));

        const QString garbage = data.file(u"garbage.jpg"_s);
        QFile bad(garbage);
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write(QByteArray("\xff\xd8\xff\xe0 not really a picture"));
        bad.close();
        QVERIFY(loadPicture(garbage).isNull());
        QVERIFY(loadPicture(data.file(u"missing.png"_s)).isNull());
        QVERIFY(loadPicture(QString()).isNull());
    }

    void loadNetPictureFromAddress()
    {
        ScriptedServer avatar;
        QVERIFY(avatar.isListening());
        avatar.setFallback(ScriptedReply::page(200, "image/png", pngBytes(QSize(120, 120))));
        QCOMPARE(loadPicture(avatar.url(u"/uc_server/data/avatar/000/00/00/01_avatar_middle.jpg"_s)).size(),
                 QSize(120, 120));
        QCOMPARE(avatar.requests().size(), 1);

        ScriptedServer notAPicture;
        QVERIFY(notAPicture.isListening());
        notAPicture.setFallback(ScriptedReply::page(200, "text/html", "<html>no avatar</html>"));
        QVERIFY(loadPicture(notAPicture.url(u"/a.jpg"_s)).isNull());
        QVERIFY(loadPicture(u"http://127.0.0.1:%1/a.jpg"_s.arg(ScriptedServer::unusedPort())).isNull());
    }

    void skinAppliesStyleSheet()
    {
        TempDataDir data;
        auto *app = qobject_cast<QApplication *>(QCoreApplication::instance());
        QVERIFY(app);
        const QString sheet = u"QLabel { color: #123456; } /* 皮肤 */"_s;
        const QString skin = data.file(u"2.she"_s);
        QFile file(skin);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(sheet.toUtf8());
        file.close();
        QCOMPARE(SkinH_AttachEx(skin, QString()), 1);
        QCOMPARE(app->styleSheet(), sheet);

        // A missing or binary file changes nothing.
        QCOMPARE(SkinH_AttachEx(data.file(u"SoftSkin.she"_s), QString()), 0);
        QCOMPARE(SkinH_AttachEx(data.path(), QString()), 0);
        QFile binary(data.file(u"bad.she"_s));
        QVERIFY(binary.open(QIODevice::WriteOnly));
        binary.write(QByteArray("\x00\xff\xfe\x80garbage", 11));
        binary.close();
        QCOMPARE(SkinH_AttachEx(binary.fileName(), QString()), 0);
        QCOMPARE(app->styleSheet(), sheet);
        app->setStyleSheet(QString());
    }

    void openLoginWindowCallsTheRegisteredOpener()
    {
        QVERIFY(!testSession().openLoginWindow()); // nothing registered: nothing happens
        int shown = 0;
        QWidget givingWay;
        QWidget *passedOn = nullptr;
        testSession().setLoginWindowOpener([&](MemberSession &session, QWidget *windowGivingWay) {
            ++shown;
            passedOn = windowGivingWay;
            // The new window registers itself again while being shown.
            session.setLoginWindowOpener([&shown](MemberSession &, QWidget *) { shown += 10; });
        });
        QVERIFY(testSession().openLoginWindow(&givingWay));
        QCOMPARE(shown, 1);
        QCOMPARE(passedOn, &givingWay); // the window the login window closes once it is up
        QVERIFY(testSession().openLoginWindow());
        QCOMPARE(shown, 11);
        testSession().setLoginWindowOpener({});
        QVERIFY(!testSession().openLoginWindow());
        QCOMPARE(shown, 11);
    }
};

QTEST_MAIN(TestQuorvelModule)
#include "test_quorvel_module.moc"
