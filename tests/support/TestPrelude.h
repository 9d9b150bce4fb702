// The tests' precompiled header: the Qt headers most tests include, parsed once per group of tests
// that link the same Qt modules (quorvel_test() in tests/CMakeLists.txt makes the groups, since the
// QT_*_LIB macros decide what QtTest brings in), and QuickTry's QTRY_* waits for every test.
// Only Qt and the standard library here: the client's own headers change too often.
#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

#ifdef QT_GUI_LIB
#include <QImage>
#include <QPainter>
#include <QPixmap>
#endif

#ifdef QT_WIDGETS_LIB
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#endif

#ifdef QT_NETWORK_LIB
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkCookie>
#include <QNetworkReply>
#include <QTcpServer>
#include <QTcpSocket>
#endif

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>

#include "base/QuickTry.h"
