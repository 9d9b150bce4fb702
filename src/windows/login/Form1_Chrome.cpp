// The login window's own frame line, window drag, close and minimise buttons, links and hover looks.
#include "Form1.h"

#include "base/Seams.h"
#include "base/Settings.h"
#include "net/Inet.h"
#include "windows/recovery/Form4.h"

#include <QApplication>
#include <QCursor>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QWindow>

namespace {

void setButtonColour(QLabel *button, bool hot)
{
    // Scoped to the button: a bare colour would also reach its tooltip, white on white.
    const QString colour = hot ? QStringLiteral("#ffffff") : QStringLiteral("#c0c0c0");
    button->setStyleSheet(QStringLiteral("#%1 { color: %2; }").arg(button->objectName(), colour));
}

void setUnderlined(QLabel *link, bool underlined)
{
    QFont font = link->font();
    if (font.underline() == underlined)
        return;
    font.setUnderline(underlined);
    link->setFont(font);
}

// Moves a window with the pointer until every mouse button is up, for when the window system will
// not do it (no window manager, one without the move request, or a button it does not take).
class PointerDrag : public QObject
{
public:
    // Found by name: without a meta-object of its own the class cannot be told apart by type.
    static inline const QString kName = QStringLiteral("PointerDrag");

    explicit PointerDrag(QWidget *window)
        : QObject(window), m_window(window), m_grabOffset(QCursor::pos() - window->pos())
    {
        setObjectName(kName);
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

void Form1::drawBorder()
{
    // 绘制边框: one black line round the client area, kept on the persistent surface.
    if (m_surface.isNull())
        return;
    // Each line fills one whole pixel of the window, so it stays a closed frame at any scale.
    QPainter painter(&m_surface);
    const int w = width();
    const int h = height();
    for (const QRect &line : {QRect(0, 0, w, 1), QRect(0, 0, 1, h), QRect(0, h - 1, w, 1), QRect(w - 1, 0, 1, h)})
        painter.fillRect(line, Qt::black);
    update();
}

void Form1::startWindowDrag()
{
    // A window never shown has nothing to move.
    QWindow *window = windowHandle();
    if (!window || !isVisible())
        return;
    // The window system moves the window best (and alone can on Wayland), but X11 window managers
    // are only told about the left button: with any other button the window follows the pointer here.
    const bool leftOnly = QGuiApplication::mouseButtons() == Qt::LeftButton;
    if ((leftOnly || QGuiApplication::platformName() == QLatin1String("wayland")) && window->startSystemMove())
        return;
    // A drag begun without a button held ends at the first movement.
    if (!findChild<QObject *>(PointerDrag::kName, Qt::FindDirectChildrenOnly))
        new PointerDrag(this);
}

void Form1::Form_MouseDown()
{
    startWindowDrag();
}

void Form1::Form_MouseMove()
{
    setUnderlined(Label1[0], false);
    setUnderlined(Label1[1], false);
    setButtonColour(xButton, false);
    setButtonColour(zButton, false);
}

void Form1::Picture_MouseMove()
{
    // Over the panels the links come back to rest; the buttons wait for the background.
    setUnderlined(Label1[0], false);
    setUnderlined(Label1[1], false);
}

void Form1::Label1_MouseMove(int index)
{
    if (index == 0 || index == 1)
        setUnderlined(Label1[index], true);
}

void Form1::Label1_MouseDown(int index)
{
    if (index == 0)
        Seams::openUrl(Settings::instance().url(HostRole::Forum, QStringLiteral("/member.php?mod=register")));
    else if (index == 1)
        Form4::showModal(this); // the login window waits until the lost-password window closes
}

void Form1::xButton_MouseMove()
{
    setButtonColour(xButton, true);
}

void Form1::xButton_MouseDown()
{
    // A sign-in still waiting for its reply is dropped before the window goes; with the login
    // window gone and no other window open, the program ends.
    Inet1->Cancel();
    close();
}

void Form1::zButton_MouseMove()
{
    setButtonColour(zButton, true);
}

void Form1::zButton_MouseDown()
{
    showMinimized();
}
