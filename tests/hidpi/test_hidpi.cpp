// The windows at 200 %: every picture they show carries two pixels per unit of its place (drawn
// so, not enlarged), the banner shows the dense drawing pixel for pixel, and the frame lines
// cover whole units up to the window's last pixel.
#include "SimSession.h"
#include "start/Form5.h"
#include "windows/identity/Form3.h"
#include "windows/login/Form1.h"
#include "windows/panel/Form2.h"
#include "TestSession.h"

#include <QApplication>
#include <QImageReader>
#include <QLabel>
#include <QMovie>
#include <QTest>

namespace {

constexpr qreal kRatio = 2.0;

// Empty when the label's picture is dense enough for its place; else what is wrong with it.
QString denseProblem(const QLabel *label)
{
    const QPixmap pixmap = label->pixmap();
    if (pixmap.isNull())
        return label->objectName() + QStringLiteral(": no picture");
    if (pixmap.devicePixelRatio() != kRatio)
        return label->objectName() + QStringLiteral(": pixel ratio %1").arg(pixmap.devicePixelRatio());
    const QSize needed = label->size() * kRatio;
    if (pixmap.width() < needed.width() || pixmap.height() < needed.height())
        return label->objectName()
            + QStringLiteral(": %1 x %2 pixels for a place of %3 x %4").arg(pixmap.width()).arg(pixmap.height()).arg(label->width()).arg(label->height());
    return {};
}

#define VERIFY_DENSE(label)                                                                                    \
    do {                                                                                                       \
        const QString problem = denseProblem(label);                                                           \
        QVERIFY2(problem.isEmpty(), qPrintable(problem));                                                      \
    } while (false)

// The colour of device pixel (x, y) of a window's grab; negative places count from the far edge.
QColor devicePixel(const QImage &image, int x, int y)
{
    return QColor(image.pixel(x < 0 ? image.width() + x : x, y < 0 ? image.height() + y : y));
}

} // namespace

class TestHighDpi : public QObject
{
    Q_OBJECT
public:
    // Before the application exists: every screen at twice the density.
    static void initMain() { qputenv("QT_SCALE_FACTOR", "2"); }

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void loginWindowPictures();
    void bannerShowsTheDenseDrawing();
    void captchaPictureSharp();
    void loginFrameCoversTheEdge();
    void buttonPointerIsTheSystemHand();
    void startAnimation();
    void identityCheckAvatar();
    void panelPicturesAndFrame();

private:
    std::unique_ptr<SimSession> m_session;
};

void TestHighDpi::initTestCase()
{
    QCOMPARE(qApp->devicePixelRatio(), kRatio);
}

void TestHighDpi::init()
{
    m_session = std::make_unique<SimSession>(3000);
    QVERIFY(m_session->isRunning());
}

void TestHighDpi::cleanup()
{
    Form2::destroy(testSession());
    m_session.reset();
}

void TestHighDpi::loginWindowPictures()
{
    Form1 form(testSession());
    form.Form_Load();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    VERIFY_DENSE(form.Image1);
    VERIFY_DENSE(form.Image3);
    QTRY_VERIFY(!form.AniGIF1->pixmap().isNull());
    VERIFY_DENSE(form.AniGIF1);
    QVERIFY(form.bannerMovie->state() == QMovie::Running);
}

void TestHighDpi::bannerShowsTheDenseDrawing()
{
    Form1 form(testSession());
    form.Form_Load();
    form.bannerMovie->setPaused(true);
    QVERIFY(form.bannerMovie->jumpToFrame(0));
    QImageReader reader(QStringLiteral(":/quorvel/login-banner@2x.gif"));
    const QImage drawn = reader.read().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(drawn.size(), form.AniGIF1->size() * kRatio);

    // What the label puts on screen, device pixel by device pixel.
    const QImage shown = form.AniGIF1->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(shown.size(), drawn.size());
    int differing = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            differing += shown.pixel(x, y) != drawn.pixel(x, y);
    QCOMPARE(differing, 0);
}

void TestHighDpi::captchaPictureSharp()
{
    // The forum draws 100 x 30 pixels: shown at 200 % each of them is a 2 x 2 block, not a blur.
    m_session->sim().setCaptchaEnabled(true);
    Form1 form(testSession());
    form.Form_Load();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.setCaptchaAnnouncement({CaptchaAnnouncement::Kind::Asked, QStringLiteral("cSdpi")});
    QTRY_VERIFY(!form.Image4->pixmap().isNull());
    VERIFY_DENSE(form.Image4);
    const QImage shown = form.Image4->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(shown.size(), QSize(100, 30) * kRatio);
    int blurred = 0;
    for (int y = 0; y < shown.height(); y += 2)
        for (int x = 0; x < shown.width(); x += 2) {
            const QRgb p = shown.pixel(x, y);
            blurred += shown.pixel(x + 1, y) != p || shown.pixel(x, y + 1) != p || shown.pixel(x + 1, y + 1) != p;
        }
    QCOMPARE(blurred, 0);
}

void TestHighDpi::loginFrameCoversTheEdge()
{
    Form1 form(testSession());
    form.Form_Load();
    const QImage image = form.grab().toImage();
    QCOMPARE(image.size(), form.size() * kRatio);
    const QColor black(Qt::black);
    for (int along : {40, 400, 700}) {
        // Both device pixels of each edge's unit: left, right, top, bottom.
        for (int across : {0, 1, -1, -2}) {
            QCOMPARE(devicePixel(image, across, along), black);
            QCOMPARE(devicePixel(image, along, across), black);
        }
        // And nothing thicker: the panel inside is white.
        QVERIFY(devicePixel(image, -3, along + 30) != black);
    }
}

void TestHighDpi::buttonPointerIsTheSystemHand()
{
    // The system's hand, which the platform draws at the screen's own scale (a picture of the
    // program's would be shown at its pixel size, half as large as meant).
    Form1 form(testSession());
    for (const QLabel *button : {form.xButton, form.zButton})
        QCOMPARE(button->cursor().shape(), Qt::PointingHandCursor);
}

void TestHighDpi::startAnimation()
{
    Form5 start(testSession());
    QTRY_VERIFY(!start.AniGIF1->pixmap().isNull());
    VERIFY_DENSE(start.AniGIF1);
}

void TestHighDpi::identityCheckAvatar()
{
    Form3 window(testSession());
    VERIFY_DENSE(window.Image1);
}

void TestHighDpi::panelPicturesAndFrame()
{
    Form2 *panel = Form2::of(testSession());
    QVERIFY(panel);
    panel->show();
    QVERIFY(QTest::qWaitForWindowExposed(panel));
    VERIFY_DENSE(panel->aicAlphaImage2);
    VERIFY_DENSE(panel->Image1);
    for (QLabel *badge : panel->aicAlphaImage1)
        VERIFY_DENSE(badge);

    // The grey left and right edges are two device pixels wide, the right one at the last column.
    const QImage image = panel->grab().toImage();
    const QColor grey(0x80, 0x80, 0x80);
    for (int y : {260, 600, 900}) {
        for (int x : {0, 1, -1, -2})
            QCOMPARE(devicePixel(image, x, y), grey);
        QVERIFY(devicePixel(image, 2, y) != grey);
        QVERIFY(devicePixel(image, -3, y) != grey);
    }
}

QTEST_MAIN(TestHighDpi)
#include "test_hidpi.moc"
