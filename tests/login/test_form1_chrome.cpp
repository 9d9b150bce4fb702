// The login window's chrome: hover looks and their resets, the drag, the close button during a
// sign-in, minimise, the two links, the buttons' pointer, the balloon class on its own, and the
// window's one look under either skin.
#include "ScriptedServer.h"
#include "SeamRecorder.h"
#include "SimFixture.h"
#include "SiteAddress.h"
#include "TempDataDir.h"

#include "base/Settings.h"
#include "net/Inet.h"
#include "start/StartRoutine.h"
#include "ui/Skin.h"
#include "windows/login/Class1.h"
#include "windows/login/Form1.h"
#include "windows/recovery/Form4.h"
#include "TestSession.h"

#include <QApplication>
#include <QAbstractItemView>
#include <QBitmap>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QFontDatabase>
#include <QTest>
#include <QTimer>
#include <QToolTip>

#include <memory>

namespace {

// Records whether the sign-in transfer was still running when the window was asked to close.
class ClosingForm1 : public Form1
{
public:
    ClosingForm1()
        : Form1(testSession())
    {
    }
    bool closeSeen = false;
    bool executingAtClose = false;

protected:
    void closeEvent(QCloseEvent *event) override
    {
        closeSeen = true;
        executingAtClose = Inet1->StillExecuting();
        Form1::closeEvent(event);
    }
};

// A pointer movement without buttons, as the window system delivers it to the widget under it.
void hover(QWidget *widget, QPoint pos = {})
{
    if (pos.isNull())
        pos = widget->rect().center();
    QMouseEvent move(QEvent::MouseMove, pos, widget->mapToGlobal(pos), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

bool underlined(const QLabel *link)
{
    return link->font().underline();
}

QColor textColour(QLabel *button)
{
    button->ensurePolished();
    return button->palette().color(QPalette::WindowText);
}

const QColor kSilver(0xC0, 0xC0, 0xC0);
const QColor kWhite(0xFF, 0xFF, 0xFF);
const QPoint kFreeBackground(20, 60); // left of the banner, above the input panel

// Attaches a shipped skin the way the program does: copied into the program folder, attached from there.
bool attachShippedSkin(const QString &name)
{
    const QString target = testSession().settings().dataDir() + QLatin1Char('/') + name;
    QFile::remove(target);
    return QFile::copy(qEnvironmentVariable("QUORVEL_SOURCE_DIR") + QStringLiteral("/assets/") + name, target)
           && SkinH_AttachEx(target, QString()) == 1;
}

// The newest login window on screen.
Form1 *shownLoginWindow()
{
    Form1 *found = nullptr;
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *w : windows)
        if (auto *form = qobject_cast<Form1 *>(w); form && form->isVisible() && !form->isMinimized())
            found = form;
    return found;
}

// One control of the login window in one state, as drawn. Controls are found by object name;
// "Combo1 list", "Text1 menu" and "xButton tip" are the list box's list, a text box's context menu
// and a tooltip; "Form4" is the lost-password window the login window opens.
QImage drawnControl(Form1 *form, const QString &control, const QString &state)
{
    if (control == QLatin1String("Form4"))
        return Form4(testSession(), form).grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QString name = control.section(QLatin1Char(' '), 0, 0);
    const QString part = control.section(QLatin1Char(' '), 1);
    auto *widget = form->findChild<QWidget *>(name);
    if (!widget)
        return {};
    for (QWidget *w = widget; w != form; w = w->parentWidget())
        w->show(); // the sign-in overlay is hidden at rest
    if (state == QLatin1String("disabled")) {
        widget->setEnabled(false);
    } else if (state == QLatin1String("pointed")) {
        if (!QTest::qWaitForWindowExposed(form))
            return {};
        // No button held (a press that closed its window never got its release), then from the
        // background onto the control: a window that opens under a resting pointer gets no move,
        // and a move to where the pointer already is gets dropped.
        const Qt::MouseButtons held = QGuiApplication::mouseButtons();
        for (const Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton})
            if (held & button)
                QTest::mouseRelease(form, button, {}, kFreeBackground);
        QTest::mouseMove(form, kFreeBackground);
        QTest::mouseMove(widget, widget->rect().center());
    } else if (state == QLatin1String("pressed"))
        static_cast<QPushButton *>(widget)->setDown(true);
    else if (state == QLatin1String("checked"))
        static_cast<QCheckBox *>(widget)->setChecked(true);
    else if (state == QLatin1String("focused")) {
        form->activateWindow();
        if (!QTest::qWaitForWindowActive(form))
            return {};
        widget->setFocus(Qt::OtherFocusReason);
    }
    QImage image;
    if (part == QLatin1String("list")) {
        auto *box = static_cast<QComboBox *>(widget);
        box->showPopup();
        QAbstractItemView *list = box->view();
        if (QTest::qWaitFor([list] { return list->isVisible(); }))
            image = list->window()->grab().toImage();
        box->hidePopup();
    } else if (part == QLatin1String("menu")) {
        const std::unique_ptr<QMenu> menu(static_cast<QLineEdit *>(widget)->createStandardContextMenu());
        menu->popup(form->mapToGlobal(QPoint(10, 10)));
        if (QTest::qWaitFor([&menu] { return menu->isVisible(); })) {
            menu->setActiveAction(menu->actions().value(0)); // one entry lit, as under the pointer
            image = menu->grab().toImage();
        }
        menu->close();
    } else if (part == QLatin1String("tip")) {
        QToolTip::showText(widget->mapToGlobal(QPoint(4, 4)), widget->toolTip(), widget);
        QWidget *tip = nullptr;
        const bool shown = QTest::qWaitFor([&tip] {
            const QWidgetList windows = QApplication::topLevelWidgets();
            for (QWidget *w : windows)
                if (w->inherits("QTipLabel") && w->isVisible())
                    tip = w;
            return tip != nullptr;
        });
        if (shown)
            image = tip->grab().toImage();
        QToolTip::hideText();
    } else {
        image = widget->grab().toImage();
    }
    return image.convertToFormat(QImage::Format_RGB32);
}

// Pixels of two drawings of a control that differ by more than a trace of rounding.
int differingPixels(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return -1;
    int count = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QColor p(a.pixel(x, y));
            const QColor q(b.pixel(x, y));
            count += qAbs(p.red() - q.red()) > 2 || qAbs(p.green() - q.green()) > 2 || qAbs(p.blue() - q.blue()) > 2;
        }
    return count;
}

// Pixels of the list box's arrow place (its last 20 pixels) that stand out from the box's face.
int arrowPixels(const QImage &box)
{
    const QColor face(box.pixel(box.width() - 24, box.height() / 2));
    int count = 0;
    for (int y = 3; y < box.height() - 3; ++y)
        for (int x = box.width() - 20; x < box.width() - 3; ++x) {
            const QColor p(box.pixel(x, y));
            count += qAbs(p.red() - face.red()) + qAbs(p.green() - face.green()) + qAbs(p.blue() - face.blue()) > 90;
        }
    return count;
}

// Pixels of a link's text that are plainly blue.
int bluePixels(const QImage &link)
{
    int count = 0;
    for (int y = 0; y < link.height(); ++y)
        for (int x = 0; x < link.width(); ++x) {
            const QColor p(link.pixel(x, y));
            count += p.blue() - p.red() > 80;
        }
    return count;
}

QList<Form4 *> lostPasswordWindows()
{
    QList<Form4 *> found;
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *w : windows)
        if (auto *form = qobject_cast<Form4 *>(w); form && form->isVisible())
            found.append(form);
    return found;
}

} // namespace

class TestForm1Chrome : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void restingLookAndFonts();
    void hoverLooksAndResets();
    void dragWithAnyButtonFromTheBackgroundOnly();
    void buttonPointer();
    void minimise();
    void registrationLinkWithAnyButton();
    void lostPasswordLinkOpensModalWindow();
    void closeDuringSignInCancelsFirst();
    void balloonClass();
    void oneLookUnderEitherSkin_data();
    void oneLookUnderEitherSkin();

private:
    std::unique_ptr<TempDataDir> m_data;
    std::unique_ptr<SeamRecorder> m_seams;
    std::unique_ptr<Form1> m_form;
    Form1 &loadForm();
};

void TestForm1Chrome::initTestCase()
{
    // The login window after a sign-out opens through the session, as the start routine set it up.
    registerWindows(testSession());
    // Every site role on a loopback port nobody listens on: whatever the window fetches at start
    // fails at once. The sign-in test brings its own simulator.
    const QString closed = closedLoopbackAddress();
    QVERIFY(!closed.isEmpty());
    pointSiteAt(closed);
}

void TestForm1Chrome::init()
{
    m_data = std::make_unique<TempDataDir>();
    m_seams = std::make_unique<SeamRecorder>();
}

void TestForm1Chrome::cleanup()
{
    m_form.reset();
    qApp->setStyleSheet(QString());
    m_seams.reset();
    m_data.reset();
}

Form1 &TestForm1Chrome::loadForm()
{
    m_form = std::make_unique<Form1>(testSession());
    m_form->Form_Load();
    return *m_form;
}

void TestForm1Chrome::restingLookAndFonts()
{
    Form1 &form = loadForm();
    QCOMPARE(form.xButton->text(), QStringLiteral("x"));
    QCOMPARE(form.xButton->toolTip(), QStringLiteral("关闭"));
    // Consolas and Verdana where installed, else the faces that stand in for them.
    const QStringList installed = QFontDatabase::families();
    const auto firstOf = [&](const QString &wanted, const QString &standIn) { return installed.contains(wanted) ? wanted : standIn; };
    QCOMPARE(form.xButton->font().families().value(0), firstOf(QStringLiteral("Consolas"), QStringLiteral("DejaVu Sans Mono")));
    QCOMPARE(form.xButton->font().pointSizeF(), 12.0);
    QVERIFY(form.xButton->font().bold());
    QCOMPARE(form.zButton->text(), QStringLiteral("-"));
    QCOMPARE(form.zButton->toolTip(), QStringLiteral("最小化"));
    QCOMPARE(form.zButton->font().families().value(0), firstOf(QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans")));
    QCOMPARE(form.zButton->font().pointSizeF(), 15.75);
    QVERIFY(!form.zButton->font().bold());
    QCOMPARE(textColour(form.xButton), kSilver);
    QCOMPARE(textColour(form.zButton), kSilver);
    QCOMPARE(form.Label1[0]->text(), QStringLiteral("注册帐号"));
    QCOMPARE(form.Label1[1]->text(), QStringLiteral("找回密码"));
    QVERIFY(!underlined(form.Label1[0]));
    QVERIFY(!underlined(form.Label1[1]));

    // The frame line: black on all four edges of the window, the background just inside it.
    const QImage shot = form.grab().toImage().scaled(form.size());
    for (const QPoint p :
         {QPoint(200, 0), QPoint(0, 100), QPoint(form.width() - 1, 100), QPoint(200, form.height() - 1)})
        QCOMPARE(QColor(shot.pixel(p)), QColor(Qt::black));
    QVERIFY(QColor(shot.pixel(kFreeBackground)) != QColor(Qt::black));
}

void TestForm1Chrome::hoverLooksAndResets()
{
    Form1 &form = loadForm();
    QLabel *const reg = form.Label1[0];
    QLabel *const lost = form.Label1[1];

    // A link is underlined while pointed at; the other keeps whatever look it had.
    hover(reg);
    QVERIFY(underlined(reg));
    QVERIFY(!underlined(lost));
    hover(lost);
    QVERIFY(underlined(reg));
    QVERIFY(underlined(lost));
    // Straight from a link onto the input panel: both links back to rest.
    hover(form.Picture1, QPoint(10, 10));
    QVERIFY(!underlined(reg));
    QVERIFY(!underlined(lost));

    // A button turns white; the other button and the links are left alone.
    hover(reg);
    hover(form.xButton);
    QCOMPARE(textColour(form.xButton), kWhite);
    QCOMPARE(textColour(form.zButton), kSilver);
    QVERIFY(underlined(reg));
    hover(form.zButton);
    QCOMPARE(textColour(form.zButton), kWhite);
    QCOMPARE(textColour(form.xButton), kWhite);
    // The tooltip is a label inside the button: it keeps its own colours, not white on white.
    QLabel insideButton(QStringLiteral("关闭"), form.xButton);
    QVERIFY(textColour(&insideButton) != kWhite);

    // Over a panel the buttons stay white (only the links rest); the sign-in overlay counts too.
    form.Picture2->show();
    form.Picture2->raise();
    hover(form.Picture2, QPoint(10, 10));
    QVERIFY(!underlined(reg));
    QCOMPARE(textColour(form.xButton), kWhite);
    QCOMPARE(textColour(form.zButton), kWhite);
    form.Picture2->hide();

    // Over the background everything is back at rest.
    hover(lost);
    hover(&form, kFreeBackground);
    QCOMPARE(textColour(form.xButton), kSilver);
    QCOMPARE(textColour(form.zButton), kSilver);
    QVERIFY(!underlined(reg));
    QVERIFY(!underlined(lost));
}

void TestForm1Chrome::dragWithAnyButtonFromTheBackgroundOnly()
{
    // The off-screen platform cannot move windows itself: the window follows the pointer here.
    Form1 &form = loadForm();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const auto drag = [](QWidget *at, QPoint from, Qt::MouseButton button, QPoint by) {
        QCursor::setPos(at->mapToGlobal(from));
        QTest::mousePress(at, button, {}, from);
        QTest::mouseMove(at, from + by);
        QTest::mouseRelease(at, button, {}, from + by);
        QCoreApplication::processEvents();
    };

    for (const Qt::MouseButton button : {Qt::RightButton, Qt::LeftButton, Qt::MiddleButton}) {
        const QPoint start = form.pos();
        drag(&form, kFreeBackground, button, QPoint(30, 17));
        QCOMPARE(form.pos(), start + QPoint(30, 17));
        // Once the button is up, moving the pointer no longer moves the window.
        hover(&form, kFreeBackground + QPoint(80, 5));
        QCOMPARE(form.pos(), start + QPoint(30, 17));
    }
    // The banner drags as well; the input panel does not.
    QPoint start = form.pos();
    drag(form.AniGIF1, QPoint(20, 20), Qt::RightButton, QPoint(-12, 9));
    QCOMPARE(form.pos(), start + QPoint(-12, 9));
    start = form.pos();
    drag(form.Picture1, QPoint(10, 10), Qt::LeftButton, QPoint(25, 25));
    QCOMPARE(form.pos(), start);

    // A window never shown has nothing to drag and must not fail.
    Form1 hidden(testSession());
    QTest::mousePress(&hidden, Qt::RightButton, {}, kFreeBackground);
    QTest::mouseRelease(&hidden, Qt::RightButton, {}, kFreeBackground);
    QVERIFY(!hidden.findChild<QObject *>(QStringLiteral("PointerDrag")));
}

void TestForm1Chrome::buttonPointer()
{
    // The close and minimise buttons and the links show the system's pointing hand.
    Form1 form(testSession());
    for (const QLabel *pointed : {form.xButton, form.zButton, form.Label1[0], form.Label1[1]})
        QCOMPARE(pointed->cursor().shape(), Qt::PointingHandCursor);
}

void TestForm1Chrome::minimise()
{
    Form1 &form = loadForm();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QTest::mousePress(form.zButton, Qt::LeftButton);
    QTRY_VERIFY(form.windowState() & Qt::WindowMinimized);
    QVERIFY(form.isVisible()); // minimised, not closed
}

void TestForm1Chrome::registrationLinkWithAnyButton()
{
    Form1 &form = loadForm();
    const QString address = QStringLiteral("http://") + testSession().settings().host(HostRole::Forum) +
                            QStringLiteral("/member.php?mod=register");
    QTest::mousePress(form.Label1[0], Qt::LeftButton);
    QTest::mouseRelease(form.Label1[0], Qt::LeftButton);
    QTest::mousePress(form.Label1[0], Qt::RightButton);
    QTest::mouseRelease(form.Label1[0], Qt::RightButton);
    QCOMPARE(m_seams->openedUrls, QStringList({address, address}));
    QVERIFY(lostPasswordWindows().isEmpty());
}

void TestForm1Chrome::lostPasswordLinkOpensModalWindow()
{
    Form1 &form = loadForm();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    // The link opens the window, modal over the login window, and returns at once.
    QTest::mousePress(form.Label1[1], Qt::LeftButton);
    QTRY_COMPARE(lostPasswordWindows().size(), 1);
    Form4 *window = lostPasswordWindows().first();
    QVERIFY(window->isModal());
    QCOMPARE(window->parentWidget(), &form);
    QCOMPARE(window->windowTitle(), QStringLiteral("找回密码"));
    QCOMPARE(QApplication::activeModalWidget(), window);
    window->reject();
    QVERIFY(m_seams->openedUrls.isEmpty());
    QTRY_VERIFY(lostPasswordWindows().isEmpty());
    QVERIFY(form.isVisible());
    // The login window is usable again: hover still works.
    hover(form.Label1[1]);
    QVERIFY(underlined(form.Label1[1]));
}

void TestForm1Chrome::closeDuringSignInCancelsFirst()
{
    SimFixture sim;
    QVERIFY(sim.isRunning());
    sim->setFault(ForumSimulator::Fault::NoAnswer, "loginsubmit=yes", ForumSimulator::Role::Forum);

    auto *form = new ClosingForm1;
    form->setAttribute(Qt::WA_DeleteOnClose);
    QPointer<ClosingForm1> guard(form);
    form->Form_Load();
    QVERIFY(guard && form->isVisible());
    form->Text1->setText(QStringLiteral("alice"));
    form->Text2->setText(QStringLiteral("alice123"));
    QTest::mouseClick(form->Command1, Qt::LeftButton);
    QVERIFY(guard);
    QTRY_COMPARE(sim->requestsTo("loginsubmit=yes").size(), 1);
    QVERIFY(form->Inet1->StillExecuting());
    QVERIFY(form->Picture2->isVisible());

    // Pointing at the button first, as a member would.
    hover(form->xButton);
    QTest::mousePress(form->xButton, Qt::LeftButton);
    QVERIFY(!guard || guard->closeSeen);
    if (guard) {
        QVERIFY(guard->closeSeen);
        QVERIFY(!guard->executingAtClose);
    }
    QTRY_VERIFY(!guard);
    // Nothing follows the closed window: no box, no second request, no crash when the forum hangs up.
    QTest::qWait(200);
    sim->stop();
    QTest::qWait(100);
    QVERIFY(m_seams->messages.isEmpty());
    QCOMPARE(sim->requestsTo("loginsubmit=yes").size(), 1);
}

void TestForm1Chrome::balloonClass()
{
    Form1 &form = loadForm();
    const auto balloonsUp = [] {
        int count = 0;
        const QWidgetList windows = QApplication::topLevelWidgets();
        for (const QWidget *w : windows)
            count += w->objectName() == QLatin1String("BalloonTip") && w->isVisible();
        return count;
    };

    auto tip = std::make_unique<Class1>();
    tip->ParentControl(form.Text1);
    tip->ToolTipText(QStringLiteral("请输入用户名或UID"));
    tip->Create();
    QPointer<QWidget> first = tip->balloon();
    QVERIFY(first && first->isVisible());
    QCOMPARE(first->accessibleName(), QStringLiteral("请输入用户名或UID"));
    QVERIFY(first->accessibleDescription().isEmpty());
    QVERIFY(first->geometry().top() >= form.Text1->mapToGlobal(QPoint(0, form.Text1->height())).y());

    // New text and title change the balloon already up, which grows to hold them.
    const QSize before = first->size();
    tip->ToolTipTitle(QStringLiteral("提示"));
    tip->ToolTipText(QStringLiteral("请输入用户名或UID，登录后可在论坛的个人资料中查看自己的UID"));
    QCOMPARE(tip->balloon(), first.data());
    QCOMPARE(first->accessibleName(), QStringLiteral("请输入用户名或UID，登录后可在论坛的个人资料中查看自己的UID"));
    QCOMPARE(first->accessibleDescription(), QStringLiteral("提示"));
    QVERIFY(first->height() > before.height());
    QVERIFY(first->width() > before.width());

    // A second Create replaces the balloon with one holding the current text and title.
    tip->ParentControl(form.Text2);
    tip->Create();
    QTRY_VERIFY(!first);
    QCOMPARE(balloonsUp(), 1);
    QCOMPARE(tip->balloon()->accessibleDescription(), QStringLiteral("提示"));
    QVERIFY(tip->balloon()->geometry().top() >= form.Text2->mapToGlobal(QPoint(0, form.Text2->height())).y());

    // The balloon goes with its object (the window keeps one per box) and with its time.
    QPointer<QWidget> second = tip->balloon();
    tip.reset();
    QTRY_VERIFY(!second);
    Class1 timed;
    timed.ParentControl(form.Text1);
    timed.Create();
    QPointer<QWidget> third = timed.balloon();
    QVERIFY(third);
    QTRY_VERIFY_WITH_TIMEOUT(!third, Class1::kShowMs + 2000);

    // Setting text on an object that never made a balloon, or whose control is gone, is harmless.
    Class1 idle;
    idle.ToolTipTitle(QStringLiteral("t"));
    idle.ToolTipText(QStringLiteral("x"));
    QVERIFY(!idle.balloon());
    {
        auto box = std::make_unique<QLineEdit>(&form);
        idle.ParentControl(box.get());
    }
    QVERIFY(!idle.Create());
    QCOMPARE(balloonsUp(), 0);
}

void TestForm1Chrome::oneLookUnderEitherSkin_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("state");
    // Every kind of control the window shows, at rest and in the states the skins style.
    const struct {
        const char *control;
        const char *states;
    } rows[] = {
        {"Combo1", "rest pointed focused disabled"},
        {"Combo1 list", "rest"},
        {"Label1_0", "rest"},
        {"Label1_1", "rest"},
        {"Command1", "rest pointed pressed disabled"},
        {"Text1", "rest pointed disabled"},
        {"Text2", "rest focused"},
        {"Text1 menu", "rest"},
        {"Check1", "rest checked pointed disabled"},
        {"Check2", "rest"},
        {"Image1", "rest"},
        {"Label5_0", "rest"},
        {"Label5_1", "rest"},
        {"Line1_0", "rest"},
        {"xButton", "rest"},
        {"xButton tip", "rest"},
        {"Picture2", "rest"}, // the overlay with its quiet 取消 button
        {"Command2", "pointed"},
        {"Image4", "rest"}, // the captcha row
        {"Label7", "rest"},
        {"Form4", "rest"},
    };
    for (const auto &row : rows)
        for (const QString &state : QString::fromLatin1(row.states).split(QLatin1Char(' ')))
            QTest::addRow("%s %s", row.control, qPrintable(state)) << QString::fromLatin1(row.control) << state;
}

void TestForm1Chrome::oneLookUnderEitherSkin()
{
    // The panel's skin stays attached after a sign-out: the login window that comes back must look
    // as it did at the start, control for control.
    QFETCH(QString, control);
    QFETCH(QString, state);

    QVERIFY(attachShippedSkin(QStringLiteral("2.she")));
    QPointer<Form1> atStart = Form1::openNew(testSession());
    QVERIFY(atStart);
    const QImage atRest = drawnControl(atStart, control, QStringLiteral("rest"));
    const QImage underLoginSkin = drawnControl(atStart, control, state);
    QVERIFY2(!underLoginSkin.isNull(), qPrintable(control));
    // The state is really drawn (else the row would compare two resting controls).
    if (state != QLatin1String("rest"))
        QVERIFY(differingPixels(atRest, underLoginSkin) != 0);
    delete atStart.data();

    QVERIFY(attachShippedSkin(QStringLiteral("SoftSkin.she"))); // as the panel's load does
    testSession().openLoginWindow();                              // as the sign-out does
    QPointer<Form1> afterSignOut = shownLoginWindow();
    QVERIFY(afterSignOut);
    const QImage underPanelSkin = drawnControl(afterSignOut, control, state);
    delete afterSignOut.data();

    const int differing = differingPixels(underLoginSkin, underPanelSkin);
    QVERIFY2(differing == 0, qPrintable(QStringLiteral("%1 pixels of %2 differ (%3 x %4 under 2.she, %5 x %6 under SoftSkin.she)")
                                            .arg(differing)
                                            .arg(underLoginSkin.width() * underLoginSkin.height())
                                            .arg(underLoginSkin.width())
                                            .arg(underLoginSkin.height())
                                            .arg(underPanelSkin.width())
                                            .arg(underPanelSkin.height())));
    // Equal, and also whole: the list box has its arrow, the links are blue.
    if (control == QLatin1String("Combo1") && state != QLatin1String("disabled")) {
        QVERIFY2(arrowPixels(underLoginSkin) >= 10, "no arrow under 2.she");
        QVERIFY2(arrowPixels(underPanelSkin) >= 10, "no arrow under SoftSkin.she");
    }
    if (control.startsWith(QLatin1String("Label1_")) || control == QLatin1String("Label7"))
        QVERIFY(bluePixels(underPanelSkin) >= 10);
}

QTEST_MAIN(TestForm1Chrome)
#include "test_form1_chrome.moc"
