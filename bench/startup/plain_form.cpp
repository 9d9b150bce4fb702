// The second floor of the start-up benchmark: a plain Qt Widgets form built with the client's flags,
// of the login window's size, with the login window's few Chinese texts and inputs (a title, the
// account and password boxes, the login button, the status text) in the faces the login window
// picks, traced by the same hook as the client. No skin, no pictures, no network: what any window
// with these texts pays (Qt, fontconfig, the CJK face, the first paint) and nothing more.
#include "start/StartupTrace.h"

#include <QApplication>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

#include <algorithm>

namespace {

// The login window's choice: the first of its families that is installed, named alone.
QFont face(qreal points)
{
    const QStringList families = {QStringLiteral("微软雅黑"), QStringLiteral("Microsoft YaHei"),
                                  QStringLiteral("Noto Sans CJK SC")};
    static const QStringList installed = QFontDatabase::families();
    const auto found = std::find_if(families.begin(), families.end(),
                                    [](const QString &family) { return installed.contains(family); });
    QFont font;
    font.setFamilies(found != families.end() ? QStringList{*found} : families);
    font.setPointSizeF(points);
    return font;
}

template <typename W>
W *place(W *widget, const QFont &font, int x, int y, int width, int height)
{
    widget->setFont(font);
    widget->setGeometry(x, y, width, height);
    return widget;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    StartupTrace::install(app);
    QWidget window;
    window.setObjectName(QStringLiteral("PlainForm"));
    window.setWindowTitle(QStringLiteral("Quorvel"));
    window.setFixedSize(425, 391); // the login window's client size

    // Places as in the login window (its panel starts 136 pixels down).
    place(new QLabel(QStringLiteral("Quorvel客户端 登录"), &window), face(10.5), 150, 40, 200, 24);
    auto *account = place(new QLineEdit(&window), face(9), 184, 152, 169, 23);
    account->setText(QStringLiteral("请输入用户名或UID"));
    auto *password = place(new QLineEdit(&window), face(12), 184, 176, 169, 25);
    password->setEchoMode(QLineEdit::Password);
    place(new QPushButton(QStringLiteral("登录"), &window), face(10.5), 48, 288, 329, 33);
    place(new QLabel(QStringLiteral("登录提示:"), &window), face(9), 16, 359, 54, 18);
    place(new QLabel(QStringLiteral("请输入用户名及密码.."), &window), face(9), 104, 359, 120, 18);

    window.show();
    return QApplication::exec();
}
