// The window drag both the login window and the member panel use: the window system's move where
// it takes the request, else the window follows the pointer until every button is up.
#include "ui/WindowDrag.h"

#include <QApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QTest>
#include <QWidget>

namespace {

// A window whose background starts the drag, as the login window's and the panel's do.
class DragWindow : public QWidget
{
public:
    DragWindow()
        : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint)
    {
        resize(200, 120);
    }
    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent *event) override
    {
        ++presses;
        event->accept();
        WindowDrag::start(this);
    }
};

void drag(QWidget *window, QPoint from, Qt::MouseButton button, QPoint by)
{
    QCursor::setPos(window->mapToGlobal(from));
    QTest::mousePress(window, button, {}, from);
    QTest::mouseMove(window, from + by);
    QTest::mouseRelease(window, button, {}, from + by);
    QCoreApplication::processEvents();
}

QObject *pointerDrag(const QWidget &window)
{
    return window.findChild<QObject *>(QLatin1String(WindowDrag::kPointerDragName), Qt::FindDirectChildrenOnly);
}

} // namespace

class TestWindowDrag : public QObject
{
    Q_OBJECT
private slots:
    void followsThePointerWithAnyButton()
    {
        // The off-screen platform refuses the system move: the window follows the pointer here.
        DragWindow window;
        window.move(100, 100);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        for (const Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
            const QPoint start = window.pos();
            drag(&window, QPoint(20, 20), button, QPoint(30, 17));
            QCOMPARE(window.pos(), start + QPoint(30, 17));
            // With the button up the helper is gone and the pointer no longer moves the window.
            QTRY_VERIFY(!pointerDrag(window));
            QTest::mouseMove(&window, QPoint(90, 40));
            QCOMPARE(window.pos(), start + QPoint(30, 17));
        }
        QCOMPARE(window.presses, 3);
    }

    void oneHelperAtATime()
    {
        DragWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTest::mousePress(&window, Qt::LeftButton, {}, QPoint(10, 10));
        QVERIFY(pointerDrag(window));
        // A second start while the first drag goes on adds no second follower.
        WindowDrag::start(&window);
        QCOMPARE(window.findChildren<QObject *>(QLatin1String(WindowDrag::kPointerDragName),
                                                Qt::FindDirectChildrenOnly).size(), 1);
        QTest::mouseRelease(&window, Qt::LeftButton, {}, QPoint(10, 10));
        QTRY_VERIFY(!pointerDrag(window));
    }

    void nothingToMoveBeforeShown()
    {
        DragWindow hidden;
        WindowDrag::start(&hidden);
        QVERIFY(!pointerDrag(hidden));
        // Shown once and hidden again: still nothing to move.
        hidden.show();
        QVERIFY(QTest::qWaitForWindowExposed(&hidden));
        hidden.hide();
        WindowDrag::start(&hidden);
        QVERIFY(!pointerDrag(hidden));
    }

    void windowGoneDuringTheDrag()
    {
        // The follower is the window's child: it goes with the window, and the next events of the
        // drag touch nothing.
        auto *window = new DragWindow;
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QTest::mousePress(window, Qt::LeftButton, {}, QPoint(10, 10));
        QVERIFY(pointerDrag(*window));
        delete window;
        QWidget other;
        other.show();
        QVERIFY(QTest::qWaitForWindowExposed(&other));
        const QPoint at = other.pos();
        QTest::mouseMove(&other, QPoint(5, 5));
        QTest::mouseRelease(&other, Qt::LeftButton, {}, QPoint(5, 5));
        QCoreApplication::processEvents();
        QCOMPARE(other.pos(), at);
    }
};

QTEST_MAIN(TestWindowDrag)
#include "test_window_drag.moc"
