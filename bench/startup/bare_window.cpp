// The floor of the start-up benchmark: a Qt Widgets program built with the client's flags that
// shows one empty window of the login window's size, traced by the same hook as the client.
#include "start/StartupTrace.h"

#include <QApplication>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    StartupTrace::install(app);
    QWidget window;
    window.setObjectName(QStringLiteral("BareWindow"));
    window.setWindowTitle(QStringLiteral("Quorvel"));
    window.setFixedSize(425, 391); // the login window's client size
    window.show();
    return QApplication::exec();
}
