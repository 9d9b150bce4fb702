#include "Skin.h"

#include <QApplication>
#include <QFile>
#include <QStringDecoder>

namespace {

// A skin is a few kilobytes of style sheet; anything far larger is not one.
constexpr qint64 kMaxSkinBytes = 4 * 1024 * 1024;

} // namespace

int SkinH_AttachEx(const QString &path, const QString &password)
{
    Q_UNUSED(password) // skins here are plain style sheets
    auto *app = qobject_cast<QApplication *>(QCoreApplication::instance());
    if (!app || path.isEmpty())
        return 0;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxSkinBytes)
        return 0;
    const QByteArray bytes = file.readAll();
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString sheet = utf8.decode(bytes);
    // Not a text file: keep the current look rather than feed garbage to the style engine.
    if (utf8.hasError() || sheet.contains(QChar(0)))
        return 0;
    app->setStyleSheet(sheet);
    return 1;
}
