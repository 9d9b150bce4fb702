#include "StartupTrace.h"

#include <QApplication>
#include <QEvent>
#include <QSet>
#include <QWidget>
#include <QWindow>

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

class ExposeWatcher : public QObject
{
public:
    ExposeWatcher(const QByteArray &endAfter, QObject *parent)
        : QObject(parent)
        , m_endAfter(endAfter)
    {
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Expose || !watched->isWindowType())
            return false;
        auto *window = static_cast<QWindow *>(watched);
        QWidget *widget = widgetOf(window);
        if (!widget || widget->objectName().isEmpty() || m_seen.contains(widget->objectName()))
            return false;
        // Deliver the expose first: the window paints and flushes in its handling, and that
        // finished first frame is the moment measured.
        static_cast<QObject *>(window)->event(event);
        if (!window->isExposed())
            return true;
        const QString name = widget->objectName();
        m_seen.insert(name);
        const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(
                            std::chrono::steady_clock::now().time_since_epoch())
                            .count();
        std::fprintf(stderr, "quorvel-startup-trace: exposed %s %lld\n", qPrintable(name), static_cast<long long>(ns));
        std::fflush(stderr);
        if (name.toUtf8() == m_endAfter)
            std::_Exit(0); // the benchmark's reading ends here; nothing after it is measured
        return true;
    }

private:
    static QWidget *widgetOf(const QWindow *window)
    {
        const QWidgetList windows = QApplication::topLevelWidgets();
        for (QWidget *widget : windows)
            if (widget->windowHandle() == window)
                return widget;
        return nullptr;
    }

    QByteArray m_endAfter;
    QSet<QString> m_seen;
};

} // namespace

namespace StartupTrace {

void install(QApplication &app)
{
    if (!qEnvironmentVariableIsSet("QUORVEL_STARTUP_TRACE"))
        return;
    app.installEventFilter(new ExposeWatcher(qgetenv("QUORVEL_STARTUP_TRACE"), &app));
}

} // namespace StartupTrace
