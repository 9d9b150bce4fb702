// The panel's own chrome: border lines, moving, the window labels and the page tabs.
#include "base/Seams.h"
#include "base/Settings.h"
#include "Form2.h"
#include "session/MemberSession.h"
#include "ui/Twips.h"
#include "ui/WindowDrag.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLine>
#include <QList>
#include <QPainter>
#include <QScreen>
#include <QTabBar>

using Twips::px;

namespace {

const QColor kBorderColor(0x80, 0x80, 0x80); // &H808080

// What 绘制边框 draws on the window: lines under every control, as lines drawn on a form are.
// It lets the mouse through to the window.
class BorderLines : public QWidget
{
public:
    explicit BorderLines(QWidget *window)
        : QWidget(window)
    {
        setObjectName(QStringLiteral("BorderLines"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setGeometry(window->rect());
        lower();
    }

    void draw(const QColor &color, const QList<QLine> &lines)
    {
        m_color = color;
        m_lines = lines;
        update();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        // Each line fills whole pixels of the window (a pen one pixel wide would cover one device
        // pixel on a dense screen and leave the window's last column outside the frame).
        QPainter painter(this);
        for (const QLine &line : m_lines) {
            const QRect cells = QRect(line.p1(), line.p2()).normalized();
            painter.fillRect(cells, m_color);
        }
    }

private:
    QColor m_color;
    QList<QLine> m_lines;
};

} // namespace

void Form2::drawBorder()
{
    // Inner width and height in twips, as the design gives the lines.
    const int w = width() * Twips::kPerPixel;
    const int h = height() * Twips::kPerPixel;

    // The strip and the status bar leave the left border line free and end at the right one.
    Picture3->setGeometry(px(20), Picture3->y(), px(w - 30), Picture3->height());
    S1->setGeometry(px(20), S1->y(), px(w - 30), S1->height());

    auto *lines = findChild<BorderLines *>(QStringLiteral("BorderLines"), Qt::FindDirectChildrenOnly);
    if (!lines)
        lines = new BorderLines(this);
    lines->draw(kBorderColor, {
                                  QLine(0, 0, 0, px(h)),                          // left edge
                                  QLine(px(w), px(h - 30), 0, px(h - 30)),        // bottom edge
                                  QLine(px(w - 10), px(h), px(w - 10), 0),        // right edge
                              });

    // Only the window's own background moves it: the controls keep their mouse to themselves, as
    // controls with windows of their own do.
    for (QWidget *child : findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly))
        child->setAttribute(Qt::WA_NoMousePropagation);

    // The panel opens in the middle of the screen.
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void Form2::Form_MouseDown(Qt::MouseButton)
{
    // Any button moves the window as if its title bar were dragged, as the login window's does.
    WindowDrag::start(this);
}

void Form2::aicAlphaImage2_MouseDown(Qt::MouseButton button)
{
    Form_MouseDown(button);
}

void Form2::Label2_MouseUp(int index, Qt::MouseButton)
{
    switch (index) {
    case 1:
        setWindowState((windowState() & ~Qt::WindowActive) | Qt::WindowMinimized);
        break;
    case 2:
        // The whole program, at once: no question, no window unloaded one by one.
        Seams::endProgram();
        break;
    case 3:
        // The site's front page, as typed on a command line: the main host, no path.
        Seams::openUrl(m_session.settings().url(HostRole::Main, QString()));
        break;
    default:
        break;
    }
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
        shown->move(px(3360), px(600));
    } else if (key == QLatin1String("quorvelbi")) {
        shown = k[1];
        shown->move(px(3360), px(2280));
    } else if (key == QLatin1String("sm")) {
        shown = k[2];
        shown->move(px(3360), px(2280));
    }
    if (!shown)
        return;
    shown->show();
    shown->raise();
}
