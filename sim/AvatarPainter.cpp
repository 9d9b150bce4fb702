#include "AvatarPainter.h"

#include <QBuffer>
#include <QColor>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QRegularExpression>

namespace AvatarPainter {

int sideFor(const QByteArray &size)
{
    if (size == "small")
        return 48;
    if (size == "big")
        return 200;
    return 120;
}

QByteArray jpeg(int uid, const QString &name, int side)
{
    QImage image(side, side, QImage::Format_RGB32);
    image.fill(QColor(0xf4, 0xf4, 0xf4));
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        const QColor disc = QColor::fromHsv((uid * 47) % 360, 150, 210);
        painter.setPen(Qt::NoPen);
        painter.setBrush(disc);
        const int margin = side / 12;
        painter.drawEllipse(margin, margin, side - 2 * margin, side - 2 * margin);
        if (qobject_cast<QGuiApplication *>(QCoreApplication::instance()) && !name.isEmpty()) {
            QFont font;
            font.setPixelSize(side / 2);
            font.setBold(true);
            painter.setFont(font);
            painter.setPen(Qt::white);
            painter.drawText(image.rect(), Qt::AlignCenter, name.left(1).toUpper());
        } else {
            painter.setBrush(disc.lighter(140));
            painter.drawEllipse(side / 3, side / 3, side / 3, side / 3);
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpg");
    writer.setQuality(85);
    if (!writer.write(image))
        return {};
    return bytes;
}

int uidFromPath(const QByteArray &path, QByteArray *size)
{
    static const QRegularExpression pattern(
        QStringLiteral("^/uc_server/data/avatar/(\\d{3})/(\\d{2})/(\\d{2})/(\\d{2})_avatar_(small|middle|big)\\.jpg$"));
    const QRegularExpressionMatch match = pattern.match(QString::fromLatin1(path));
    if (!match.hasMatch())
        return -1;
    if (size)
        *size = match.captured(5).toLatin1();
    const QString digits = match.captured(1) + match.captured(2) + match.captured(3) + match.captured(4);
    return digits.toInt();
}

} // namespace AvatarPainter
