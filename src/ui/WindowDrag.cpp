#include "WindowDrag.h"

#include <QApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QPointer>
#include <QWidget>
#include <QWindow>

namespace {

// Moves a window with the pointer until every mouse button is up, for when the window system will
// not do it (no window manager, one without the move request, or a button it does not take).
class PointerDrag : public QObject
{
public:
    explicit PointerDrag(QWidget *window)
        : QObject(window), m_window(window), m_grabOffset(QCursor::pos() - window->pos())
    {
        // Found by name: without a meta-object of its own the class cannot be told apart by type.
        setObjectName(QLatin1String(WindowDrag::kPointerDragName));
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        const QEvent::Type type = event->type();
        if (type != QEvent::MouseMove && type != QEvent::MouseButtonRelease)
            return false;
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->buttons() == Qt::NoButton) {
            qApp->removeEventFilter(this);
            setParent(nullptr); // the window may start its next drag at once
            deleteLater();
            return false;
        }
        if (type == QEvent::MouseMove && m_window) {
            m_window->move(mouse->globalPosition().toPoint() - m_grabOffset);
            return true;
        }
        return false;
    }

private:
    QPointer<QWidget> m_window;
    QPoint m_grabOffset;
};

} // namespace

namespace WindowDrag {

void start(QWidget *window)
{
    // A window never shown has nothing to move.
    QWindow *handle = window->windowHandle();
    if (!handle || !window->isVisible())
        return;
    // The window system moves the window best (and alone can on Wayland), but X11 window managers
    // are only told about the left button: with any other button the window follows the pointer here.
    const bool leftOnly = QGuiApplication::mouseButtons() == Qt::LeftButton;
    if ((leftOnly || QGuiApplication::platformName() == QLatin1String("wayland")) && handle->startSystemMove())
        return;
    // A drag begun without a button held ends at the first movement.
    if (!window->findChild<QObject *>(QLatin1String(kPointerDragName), Qt::FindDirectChildrenOnly))
        new PointerDrag(window);
}

} // namespace WindowDrag
