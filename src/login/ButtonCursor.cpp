#include "ButtonCursor.h"

#include <QBitmap>
#include <QPainter>

namespace {

// 'X' black, '.' white, anything else see-through. The fingertip's left pixel is the hot spot.
constexpr const char *kHand[] = {
    "     XX          ", "    X..X         ", "    X..X         ", "    X..X         ", "    X..X         ",
    "    X..XXX       ", "    X..X..XXX    ", "    X..X..X..XX  ", "    X..X..X..X.X ", "XXX X..X..X..X..X",
    "X..XX...........X", "X...X...........X", " X..............X", "  X.............X", "  X............X ",
    "   X...........X ", "   X..........X  ", "    X.........X  ", "    X........X   ", "     X.......X   ",
    "     X.......X   ", "     XXXXXXXXX   ",
};

} // namespace

QCursor ButtonCursor::cursor()
{
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
