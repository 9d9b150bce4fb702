// The captcha's plain readings: the login form's announcement, the picture request and its answer,
// the pixels shown at 100 % and 200 %, and the login body's captcha fields.
#include "rules/CaptchaAnnouncement.h"
#include "rules/LoginRequest.h"
#include "pictures/CaptchaPicture.h"

#include <QBuffer>
#include <QImageWriter>
#include <QPainter>
#include <QTest>

using namespace Qt::StringLiterals;
using CaptchaAnnouncement::Kind;

Q_DECLARE_METATYPE(CaptchaAnnouncement::Kind)
Q_DECLARE_METATYPE(CaptchaPicture::Problem)

namespace {

// The security-question rows of the forum's AJAX login form, then what the test puts after them.
QString loginForm(const QString &tail)
{
    return u"<?xml version=\"1.0\" encoding=\"gbk\"?>\n<root><![CDATA[<form method=\"post\" name=\"login\" "
           "action=\"member.php?mod=logging&amp;action=login&amp;loginsubmit=yes&amp;loginhash=Lx8Qa\">"
           "<input type=\"hidden\" name=\"formhash\" value=\"a1b2c3d4\" />"
           "<select name=\"questionid\"><option value=\"0\">安全提问</option></select>"
           "<input type=\"text\" name=\"answer\" />"_s
        + tail + u"</form>]]></root>"_s;
}

QString announced(const QString &id)
{
    return u"<span id=\"seccode_"_s + id + u"\"></span><script type=\"text/javascript\" reload=\"1\">updateseccode('"_s + id
        + u"', '<sec> <sec>', 'member::logging');</script>"_s;
}

QByteArray encoded(const QImage &image, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, format).write(image);
    return bytes;
}

// A picture with a one-pixel checker: any smoothing shows as grey.
QImage checker(const QSize &size)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, (x + y) % 2 ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
    return image;
}

} // namespace

class TestCaptchaReading : public QObject
{
    Q_OBJECT
private slots:
    void announcement_data()
    {
        QTest::addColumn<QString>("form");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QString>("idHash");

        QTest::newRow("no captcha") << loginForm({}) << Kind::None << QString();
        QTest::newRow("announced") << loginForm(announced(u"cSA1b2"_s)) << Kind::Asked << u"cSA1b2"_s;
        QTest::newRow("span only") << loginForm(u"<span id=\"seccode_cSq9\"></span>"_s) << Kind::Asked << u"cSq9"_s;
        QTest::newRow("script only, double quotes")
            << loginForm(u"<script>updateseccode(\"cSz\", '', 'member::logging');</script>"_s) << Kind::Asked << u"cSz"_s;
        QTest::newRow("blanks and case") << loginForm(u"<SPAN ID = 'seccode_cSx'></SPAN> UpdateSeccode ( 'cSx' )"_s)
                                         << Kind::Asked << u"cSx"_s;
        QTest::newRow("any short id") << loginForm(announced(u"x7"_s)) << Kind::Asked << u"x7"_s;
        QTest::newRow("same id twice") << loginForm(announced(u"cSdup"_s) + announced(u"cSdup"_s)) << Kind::Asked
                                       << u"cSdup"_s;
        QTest::newRow("two different ids") << loginForm(announced(u"cSone"_s) + announced(u"cStwo"_s))
                                           << Kind::Ambiguous << QString();
        QTest::newRow("span and script disagree")
            << loginForm(u"<span id=\"seccode_cSa\"></span><script>updateseccode('cSb', '', 'member::logging');</script>"_s)
            << Kind::Ambiguous << QString();
        QTest::newRow("empty id") << loginForm(announced({})) << Kind::Malformed << QString();
        QTest::newRow("empty span beside a good one")
            << loginForm(u"<span id=\"seccode_\"></span>"_s + announced(u"cSok"_s)) << Kind::Malformed << QString();
        QTest::newRow("id with a quote or markup") << loginForm(u"<span id=\"seccode_cS&amp;x\"></span>"_s)
                                                  << Kind::Malformed << QString();
        QTest::newRow("id with an address part") << loginForm(announced(u"cS/../x"_s)) << Kind::Malformed << QString();
        QTest::newRow("id too long") << loginForm(announced(QString(40, u'a'))) << Kind::Malformed << QString();
        QTest::newRow("call cut off") << loginForm(u"<script>updateseccode('cSabc"_s) << Kind::Malformed << QString();
        QTest::newRow("Chinese id") << loginForm(announced(u"验证"_s)) << Kind::Malformed << QString();
        // Words that only look alike are no announcement.
        QTest::newRow("field names only") << loginForm(u"<input name=\"seccodeverify\" /><input name=\"seccodehash\" />"_s)
                                          << Kind::None << QString();
        QTest::newRow("empty text") << QString() << Kind::None << QString();
        QTest::newRow("garbage") << u"\x01\x02<<<'''seccode_\"\"updateseccode"_s << Kind::None << QString();
    }
    void announcement()
    {
        QFETCH(QString, form);
        QFETCH(Kind, kind);
        QFETCH(QString, idHash);
        const CaptchaAnnouncement::Reading reading = CaptchaAnnouncement::read(form);
        QCOMPARE(reading.kind, kind);
        QCOMPARE(reading.idHash, idHash);
        QCOMPARE(reading.asksForCaptcha(), kind != Kind::None);
    }

    // The picture comes from the forum as every other request reaches it: scheme and port too.
    void pictureRequest_data()
    {
        QTest::addColumn<QString>("origin");
        QTest::newRow("http") << u"http://127.0.0.1:8123"_s;
        QTest::newRow("https") << u"https://bbs.example.com"_s;
        QTest::newRow("ipv6") << u"https://[::1]:8443"_s;
    }
    void pictureRequest()
    {
        QFETCH(QString, origin);
        QCOMPARE(CaptchaPicture::url(origin, u"cSab"_s, 42), origin + u"/misc.php?mod=seccode&update=42&idhash=cSab"_s);
        QCOMPARE(CaptchaPicture::referer(origin), origin + u"/"_s);
    }

    void pictureAnswer_data()
    {
        QTest::addColumn<bool>("failed");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<CaptchaPicture::Problem>("problem");
        using P = CaptchaPicture::Problem;
        const QByteArray png = encoded(checker({100, 30}), "PNG");
        QTest::newRow("the forum's PNG") << false << 200 << png << P::None;
        QTest::newRow("another size still shows") << false << 200 << encoded(checker({120, 40}), "PNG") << P::None;
        QTest::newRow("a JPEG") << false << 200 << encoded(checker({100, 30}), "JPEG") << P::None;
        QTest::newRow("failed") << true << 0 << QByteArray() << P::NoAnswer;
        QTest::newRow("empty") << false << 200 << QByteArray() << P::NoAnswer;
        QTest::newRow("status 500 with a picture") << false << 500 << png << P::NoAnswer;
        QTest::newRow("not found page") << false << 404 << QByteArray("<html>404</html>") << P::NoAnswer;
        QTest::newRow("Access Denied") << false << 200 << QByteArray("Access Denied") << P::AccessDenied;
        QTest::newRow("Access Denied with a line end") << false << 200 << QByteArray("\r\nAccess Denied\n") << P::AccessDenied;
        QTest::newRow("HTML error page") << false << 200 << QByteArray("<html><body>error</body></html>") << P::NotAPicture;
        QTest::newRow("cut-off PNG") << false << 200 << png.left(40) << P::NotAPicture;
        QTest::newRow("PNG header only") << false << 200 << png.left(8) << P::NotAPicture;
        QTest::newRow("huge canvas") << false << 200 << encoded(QImage(4000, 30, QImage::Format_Mono), "PNG") << P::TooLarge;
        QTest::newRow("tall canvas") << false << 200 << encoded(QImage(100, 1001, QImage::Format_Mono), "PNG") << P::TooLarge;
    }
    void pictureAnswer()
    {
        QFETCH(bool, failed);
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(CaptchaPicture::Problem, problem);
        const CaptchaPicture::Result result = CaptchaPicture::read(failed, status, body);
        QCOMPARE(result.problem, problem);
        QCOMPARE(result.image.isNull(), problem != CaptchaPicture::Problem::None);
        QCOMPARE(CaptchaPicture::statusText(problem).isEmpty(), problem == CaptchaPicture::Problem::None);
    }

    void shownSharp_data()
    {
        QTest::addColumn<qreal>("ratio");
        QTest::newRow("100 %") << 1.0;
        QTest::newRow("200 %") << 2.0;
        QTest::newRow("300 %") << 3.0;
    }
    void shownSharp()
    {
        QFETCH(qreal, ratio);
        const QImage forum = checker({100, 30});
        const QImage shown = CaptchaPicture::forDisplay(forum, ratio);
        QCOMPARE(shown.devicePixelRatio(), ratio);
        QCOMPARE(shown.size(), QSize(100, 30) * ratio);
        // Every forum pixel became ratio x ratio device pixels of exactly its colour.
        const int r = int(ratio);
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x)
                if (shown.pixel(x, y) != forum.pixel(x / r, y / r))
                    QFAIL(qPrintable(u"device pixel %1,%2 differs"_s.arg(x).arg(y)));
        QVERIFY(CaptchaPicture::forDisplay(QImage(), ratio).isNull());
        QCOMPARE(CaptchaPicture::forDisplay(checker({50, 15}), ratio).size(), QSize(100, 30) * ratio);
    }

    void loginBodyFields()
    {
        // After the fields the body has today, each value percent-encoded like the others.
        QCOMPARE(LoginRequest::captchaFields(u"cSA1b2"_s, u"KB7x"_s, "UTF-8"),
                 QByteArray("&seccodehash=cSA1b2&seccodemodid=member%3A%3Alogging&seccodeverify=KB7x"));
        QCOMPARE(QByteArray::fromPercentEncoding("member%3A%3Alogging"), QByteArray("member::logging"));
        QCOMPARE(LoginRequest::captchaFields(u"cS"_s, u"a&b=c"_s, "GBK"),
                 QByteArray("&seccodehash=cS&seccodemodid=member%3A%3Alogging&seccodeverify=a%26b%3Dc"));
        // Without a captcha the body is what it always was: nothing of the captcha in it.
        QCOMPARE(LoginRequest::body(u"http://127.0.0.1:8123"_s, u"5c2e9a17"_s, u"alice"_s, u"alice123"_s, u"0"_s, {}, "GBK"),
                 QByteArray("formhash=5c2e9a17&referer=http%3A%2F%2F127.0.0.1:8123%2F&username=alice&password=alice123"));
    }
};

QTEST_MAIN(TestCaptchaReading)
#include "test_captcha_reading.moc"
