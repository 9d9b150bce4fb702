#include "WaitGuard.h"

#include <QCoreApplication>
#include <QEvent>

WaitGuard::WaitGuard(QObject *allowed)
    : m_allowed(allowed)
{
    if (QCoreApplication *app = QCoreApplication::instance())
        app->installEventFilter(this);
}

WaitGuard::~WaitGuard()
{
    if (QCoreApplication *app = QCoreApplication::instance())
        app->removeEventFilter(this);
}

bool WaitGuard::isUserInput(int eventType)
{
    switch (eventType) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
    case QEvent::ContextMenu:
    case QEvent::InputMethod:
    case QEvent::NativeGesture:
    case QEvent::Gesture:
        return true;
    default:
        return false;
    }
}

bool WaitGuard::eventFilter(QObject *watched, QEvent *event)
{
    if (!isUserInput(event->type()))
        return false;
    // A top-level window hands the event on to the control it is meant for; the decision falls there.
    if (watched->isWindowType())
        return false;
    for (const QObject *object = watched; object; object = object->parent())
        if (object == m_allowed)
            return false;
    return true; // dropped
}
