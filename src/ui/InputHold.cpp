#include "InputHold.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

InputHold::InputHold(QWidget *window)
    : m_window(window)
{
    qApp->installEventFilter(this);
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

InputHold::~InputHold()
{
    qApp->removeEventFilter(this);
    QApplication::restoreOverrideCursor();
    // Handed on through the event queue, after whatever the end of the post itself queued.
    for (Held &held : m_held)
        if (held.target)
            QCoreApplication::postEvent(held.target, held.event.release());
}

bool InputHold::isHeldInput(int eventType)
{
    switch (eventType) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::ContextMenu:
    case QEvent::InputMethod:
        return true;
    default:
        return false;
    }
}

bool InputHold::eventFilter(QObject *watched, QEvent *event)
{
    // The top-level window hands each event on to the control it is meant for: it is held there.
    if (!m_window || !isHeldInput(event->type()) || !watched->isWidgetType())
        return false;
    if (static_cast<QWidget *>(watched)->window() != m_window)
        return false;
    m_held.push_back({watched, std::unique_ptr<QEvent>(event->clone())});
    return true;
}
