#include "ButtonCursor.h"

#include <QBitmap>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QtMath>

namespace {

// 'X' black, '.' white, anything else see-through. The fingertip's left pixel is the hot spot.
constexpr const char *kHand[] = {
    "     XX          ", "    X..X         ", "    X..X         ", "    X..X         ", "    X..X         ",
    "    X..XXX       ", "    X..X..XXX    ", "    X..X..X..XX  ", "    X..X..X..X.X ", "XXX X..X..X..X..X",
    "X..XX...........X", "X...X...........X", " X..............X", "  X.............X", "  X............X ",
    "   X...........X ", "   X..........X  ", "    X.........X  ", "    X........X   ", "     X.......X   ",
    "     X.......X   ", "     XXXXXXXXX   ",
};

// The same hand with every pixel a block of scale × scale, for a dense screen; a bitmap cursor
// would be shown at its pixel size there, half as large as meant at 200 %.
QCursor denseCursor(int scale)
{
    QImage image(ButtonCursor::kSize * scale, ButtonCursor::kSize * scale, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        int y = 0;
        for (const char *row : kHand) {
            for (int x = 0; row[x] != '\0'; ++x)
                if (row[x] == 'X' || row[x] == '.')
                    painter.fillRect(x * scale, y * scale, scale, scale, row[x] == 'X' ? Qt::black : Qt::white);
            ++y;
        }
    }
    QPixmap pixmap = QPixmap::fromImage(image);
    pixmap.setDevicePixelRatio(scale);
    // X11 takes the hot spot in the picture's own pixels; the others in units of the screen.
    const int hotScale = QGuiApplication::platformName() == QLatin1String("xcb") ? scale : 1;
    return QCursor(pixmap, ButtonCursor::kHotSpot.x() * hotScale, ButtonCursor::kHotSpot.y() * hotScale);
}

} // namespace

QCursor ButtonCursor::cursor()
{
    if (const int scale = qCeil(qApp->devicePixelRatio()); scale > 1)
        return denseCursor(scale);
    // A monochrome cursor: the bitmap says black or white, the mask says whether the pixel shows.
    QBitmap bitmap(kSize, kSize);
    QBitmap mask(kSize, kSize);
    bitmap.fill(Qt::color0);
    mask.fill(Qt::color0);
    {
        QPainter ink(&bitmap);
        QPainter shape(&mask);
        ink.setPen(Qt::color1);
        shape.setPen(Qt::color1);
        int y = 0;
        for (const char *row : kHand) {
            for (int x = 0; row[x] != '\0'; ++x) {
                if (row[x] == 'X')
                    ink.drawPoint(x, y);
                if (row[x] == 'X' || row[x] == '.')
                    shape.drawPoint(x, y);
            }
            ++y;
        }
    }
    return QCursor(bitmap, mask, kHotSpot.x(), kHotSpot.y());
}
