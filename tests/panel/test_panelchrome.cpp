// The member panel's chrome: border lines and strip widths, the place it opens at, the window
// labels' colours and releases, where a press on them goes, and the pages behind the tab strip.
#include "base/Settings.h"
#include "net/Network.h"
#include "SimSession.h"
#include "windows/panel/Form2.h"
#include "TestSession.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QScreen>
#include <QTabBar>
#include <QTest>

namespace {

const QColor kRest(0xC0, 0xC0, 0xC0);
const QColor kLit(0xFF, 0xFF, 0xFF);
const QColor kBorder(0x80, 0x80, 0x80);

// The brightest pixel of a window label as the window shows it: the label's text colour where a
// glyph covers whole pixels, a blend with the darker picture behind it at the glyphs' edges.
QColor brightestPixel(Form2 *panel, int index)
{
    const QLabel *label = panel->Label2[size_t(index)];
    const QImage image = panel->grab(QRect(label->mapTo(panel, QPoint()), label->size())).toImage();
    QColor brightest(Qt::black);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (const QColor c = image.pixelColor(x, y); c.lightness() > brightest.lightness())
                brightest = c;
    return brightest;
}

// Lit: drawn brighter than the grey of a label at rest, however thin its glyphs ("_").
bool lit(Form2 *panel, int index)
{
    return brightestPixel(panel, index).lightness() > kRest.lightness();
}

// A point of the window's own background: the right border column, beside the page strip.
QPoint background(const Form2 *panel)
{
    return QPoint(panel->width() - 1, 300);
}

// Counts presses that reach the window itself.
class PressCounter : public QObject
{
public:
    int presses = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::MouseButtonPress)
            ++presses;
        return false;
    }
};

} // namespace

class TestPanelChrome : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void borderLinesAndStrips();
    void opensInTheMiddleOfTheScreen();
    void hoverLightsOneLabel();
    void hoverUnderTheSkin();
    void labelReleases();
    void pressOnALabelStaysWithIt();
    void tabsShowEachPageInItsPlace();

private:
    Form2 *openPanel();

    std::unique_ptr<SimSession> m_session;
};

void TestPanelChrome::init()
{
    m_session = std::make_unique<SimSession>(3000);
    QVERIFY(m_session->isRunning());
}

void TestPanelChrome::cleanup()
{
    Form2::destroy(testSession());
    qApp->setStyleSheet(QString());
    m_session.reset();
}

Form2 *TestPanelChrome::openPanel()
{
    Form2 *panel = Form2::of(testSession());
    if (!panel)
        return nullptr;
    panel->show();
    if (!QTest::qWaitForWindowExposed(panel))
        return nullptr;
    m_session->seams.clear();
    return panel;
}

void TestPanelChrome::borderLinesAndStrips()
{
    Form2 *panel = openPanel();
    QVERIFY(panel);
    // 9870 x 7350 twips; the strip and the status bar start 20 twips in and are 30 twips narrower.
    QCOMPARE(panel->size(), QSize(658, 490));
    QCOMPARE(panel->Picture3->x(), 1);
    QCOMPARE(panel->Picture3->width(), 656);
    QCOMPARE(panel->S1->x(), 1);
    QCOMPARE(panel->S1->width(), 656);

    // Grey lines down the left edge, along the bottom 30 twips up and down the right edge 10 twips
    // in; the window's own colour just inside them.
    const QImage image = panel->grab().toImage();
    const qreal ratio = image.devicePixelRatio();
    auto pixel = [&](int x, int y) { return QColor(image.pixel(int(x * ratio), int(y * ratio))); };
    for (int y : {130, 300, 460}) {
        QCOMPARE(pixel(0, y), kBorder);
        QCOMPARE(pixel(657, y), kBorder);
    }
    for (int x : {5, 300, 650})
        QCOMPARE(pixel(x, 488), kBorder);
    QVERIFY(pixel(4, 300) != kBorder);
    QVERIFY(pixel(300, 486) != kBorder);
}

void TestPanelChrome::opensInTheMiddleOfTheScreen()
{
    Form2 *panel = openPanel();
    QVERIFY(panel);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    // The client area is centred; the frame the platform adds around it may shift it by its width.
    const QPoint offset = panel->geometry().center() - screen.center();
    const QSize frame = panel->frameGeometry().size() - panel->size();
    QVERIFY2(qAbs(offset.x()) <= frame.width() + 1 && qAbs(offset.y()) <= frame.height() + 1,
             qPrintable(QStringLiteral("%1,%2").arg(offset.x()).arg(offset.y())));
}

void TestPanelChrome::hoverLightsOneLabel()
{
    Form2 *panel = openPanel();
    QVERIFY(panel);
    for (int i = 1; i <= 3; ++i)
        QVERIFY(!lit(panel, i));
    // The colours themselves, where the glyphs cover whole pixels.
    QCOMPARE(brightestPixel(panel, 3), kRest);

    for (int under = 1; under <= 3; ++under) {
        QTest::mouseMove(panel->Label2[size_t(under)]);
        for (int i = 1; i <= 3; ++i)
            QCOMPARE(lit(panel, i), i == under);
    }
    QCOMPARE(brightestPixel(panel, 3), kLit);
    // From a label onto the window's background: all three back at rest.
    QVERIFY(!panel->childAt(background(panel)));
    QTest::mouseMove(panel, background(panel));
    for (int i = 1; i <= 3; ++i)
        QVERIFY(!lit(panel, i));

    // Leaving a label for a control dims it as well.
    QTest::mouseMove(panel->Label2[1]);
    QVERIFY(lit(panel, 1));
    QTest::mouseMove(panel->Label3);
    for (int i = 1; i <= 3; ++i)
        QVERIFY(!lit(panel, i));
}

void TestPanelChrome::hoverUnderTheSkin()
{
    // The shipped skin styles the labels' font; their colour still follows the mouse.
    QFile skin(qEnvironmentVariable("QUORVEL_SOURCE_DIR") + QStringLiteral("/assets/SoftSkin.she"));
    QVERIFY(skin.open(QIODevice::ReadOnly));
    QFile copy(m_session->dir.file(QStringLiteral("SoftSkin.she")));
    QVERIFY(copy.open(QIODevice::WriteOnly));
    copy.write(skin.readAll());
    copy.close();

    Form2 *panel = openPanel();
    QVERIFY(panel);
    QVERIFY(!qApp->styleSheet().isEmpty());
    QLabel *close = panel->Label2[2];
    auto whitePixels = [&] {
        const QImage image = panel->grab(close->geometry().translated(close->parentWidget()->pos())).toImage();
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                count += QColor(image.pixel(x, y)).lightness() >= 250;
        return count;
    };
    const int atRest = whitePixels();
    QVERIFY(!lit(panel, 2));
    QTest::mouseMove(close);
    QVERIFY(lit(panel, 2));
    QVERIFY2(whitePixels() > atRest, qPrintable(QStringLiteral("%1 -> %2").arg(atRest).arg(whitePixels())));
}

void TestPanelChrome::labelReleases()
{
    Form2 *panel = openPanel();
    QVERIFY(panel);

    QTest::mouseClick(panel->Label2[3], Qt::LeftButton);
    QCOMPARE(m_session->seams.openedUrls, QStringList{QStringLiteral("http://") + testSession().settings().host(HostRole::Main)});

    // "x" ends the program at once, with any button and without a question.
    QTest::mouseClick(panel->Label2[2], Qt::RightButton);
    QCOMPARE(m_session->seams.endCount, 1);
    QVERIFY(m_session->seams.messages.isEmpty());

    QTest::mouseClick(panel->Label2[1], Qt::LeftButton);
    QVERIFY(panel->windowState() & Qt::WindowMinimized);
    QCOMPARE(m_session->seams.endCount, 1);
    QCOMPARE(m_session->seams.openedUrls.size(), 1);

    // Members the window does not have do nothing.
    panel->Label2_MouseUp(0, Qt::LeftButton);
    panel->Label2_MouseUp(7, Qt::LeftButton);
    QCOMPARE(m_session->seams.endCount, 1);
    QCOMPARE(m_session->seams.openedUrls.size(), 1);
}

void TestPanelChrome::pressOnALabelStaysWithIt()
{
    Form2 *panel = openPanel();
    QVERIFY(panel);
    PressCounter counter;
    panel->installEventFilter(&counter);

    // A press on a window label or a control is not a drag of the window.
    QTest::mousePress(panel->Label2[3], Qt::LeftButton);
    QTest::mouseRelease(panel->Label2[3], Qt::LeftButton);
    QTest::mousePress(panel->Label3, Qt::LeftButton);
    QTest::mouseRelease(panel->Label3, Qt::LeftButton);
    QCOMPARE(counter.presses, 0);
    // The background's own press is (a system move, where the platform has one).
    QVERIFY(!panel->childAt(background(panel)));
    QTest::mousePress(panel, Qt::LeftButton, {}, background(panel));
    QTest::mouseRelease(panel, Qt::LeftButton, {}, background(panel));
    QCOMPARE(counter.presses, 1);
    panel->removeEventFilter(&counter);
}

void TestPanelChrome::tabsShowEachPageInItsPlace()
{
    Form2 *panel = openPanel();
    QVERIFY(panel);
    QCOMPARE(panel->TabStrip1->currentIndex(), 0);
    QCOMPARE(panel->TabStrip1->tabData(0).toString(), QStringLiteral("vip"));
    QCOMPARE(panel->TabStrip1->tabData(1).toString(), QStringLiteral("quorvelbi"));
    QCOMPARE(panel->TabStrip1->tabData(2).toString(), QStringLiteral("sm"));

    // In window pixels: left 3360 twips, top 1680 + 600 = 2280 twips; the VIP page lies inside the
    // strip that the border moved 20 twips to the right.
    const QPoint vipPlace(224 + 1, 152);
    const QPoint pagePlace(224, 152);
    const struct {
        int tab;
        QPoint place;
    } steps[] = {{1, pagePlace}, {2, pagePlace}, {2, pagePlace}, {0, vipPlace}, {0, vipPlace}, {1, pagePlace}};
    for (const auto &step : steps) {
        QTest::mouseClick(panel->TabStrip1, Qt::LeftButton, {}, panel->TabStrip1->tabRect(step.tab).center());
        QCOMPARE(panel->TabStrip1->currentIndex(), step.tab);
        for (int page = 0; page < 3; ++page)
            QCOMPARE(panel->k[size_t(page)]->isVisible(), page == step.tab);
        QWidget *shown = panel->k[size_t(step.tab)];
        QCOMPARE(shown->mapTo(panel, QPoint(0, 0)), step.place);
        // In front: what the window shows at the page's middle belongs to the page.
        const QPoint middle = shown->mapTo(panel, shown->rect().center());
        QWidget *top = panel->childAt(middle);
        QVERIFY(top == shown || shown->isAncestorOf(top));
    }

    // The product-description page carries the version line and the introduction.
    QTest::mouseClick(panel->TabStrip1, Qt::LeftButton, {}, panel->TabStrip1->tabRect(2).center());
    QVERIFY(panel->Label11->isVisible());
    QCOMPARE(panel->Label11->text(), QStringLiteral("版本号： V1.2.0"));
    QVERIFY(panel->Label10->isVisible());
    QVERIFY(!panel->Label10->text().isEmpty());

    // A key the strip does not know leaves every page hidden.
    panel->TabStrip1->setTabData(2, QStringLiteral("other"));
    panel->TabStrip1_Click();
    for (QWidget *page : panel->k)
        QVERIFY(page->isHidden());
}

QTEST_MAIN(TestPanelChrome)
#include "test_panelchrome.moc"
