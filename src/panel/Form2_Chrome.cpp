// The panel's own chrome: border lines, moving, the window labels and the page tabs.
#include "Form2.h"

#include <QTabBar>

void Form2::drawBorder()
{
    // filled by the window-chrome work: 绘制边框, the border lines and the strip widths
}

void Form2::Form_MouseDown(Qt::MouseButton button)
{
    // filled by the window-chrome work: drag the window by its background
}

void Form2::Form_MouseMove()
{
    // filled by the window-chrome work: window labels back to their resting colour
}

void Form2::aicAlphaImage2_MouseDown(Qt::MouseButton button)
{
    // filled by the window-chrome work: drag the window by its top image
}

void Form2::Label2_MouseMove(int index)
{
    // filled by the window-chrome work: light up the label under the mouse
}

void Form2::Label2_MouseUp(int index, Qt::MouseButton button)
{
    // filled by the window-chrome work: minimize, end the program, open the front page
}

void Form2::TabStrip1_Click()
{
    for (QWidget *page : k)
        page->hide();
    const QString key = TabStrip1->tabData(TabStrip1->currentIndex()).toString();
    QWidget *shown = nullptr;
    // The VIP page sits inside Picture3; the other two are moved in from their parking places.
    if (key == QLatin1String("vip")) {
        shown = k[0];
        shown->move(3360 / 15, 600 / 15);
    } else if (key == QLatin1String("quorvelbi")) {
        shown = k[1];
        shown->move(3360 / 15, 2280 / 15);
    } else if (key == QLatin1String("sm")) {
        shown = k[2];
        shown->move(3360 / 15, 2280 / 15);
    }
    if (!shown)
        return;
    shown->show();
    shown->raise();
}
