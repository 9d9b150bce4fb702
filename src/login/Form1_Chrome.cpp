// The login window's own frame line, close and minimise buttons, links and hover looks.
#include "Form1.h"

#include "app/Seams.h"
#include "app/Settings.h"
#include "net/Inet.h"

#include <QLabel>
#include <QPainter>

namespace {

void setButtonColour(QLabel *button, bool hot)
{
    button->setStyleSheet(hot ? QStringLiteral("color: #ffffff;") : QStringLiteral("color: #c0c0c0;"));
}

void setUnderlined(QLabel *link, bool underlined)
{
    QFont font = link->font();
    if (font.underline() == underlined)
        return;
    font.setUnderline(underlined);
    link->setFont(font);
}

} // namespace

void Form1::drawBorder()
{
    // 绘制边框: one black line round the client area, kept on the persistent surface.
    if (m_surface.isNull())
        return;
    QPainter painter(&m_surface);
    painter.setPen(QPen(Qt::black, 0));
    painter.drawRect(QRectF(0, 0, width() - 1, height() - 1));
    update();
}

void Form1::Form_MouseDown()
{
    startWindowDrag();
}

void Form1::Form_MouseMove()
{
    setUnderlined(Label1[0], false);
    setUnderlined(Label1[1], false);
    setButtonColour(xButton, false);
    setButtonColour(zButton, false);
}

void Form1::Picture_MouseMove()
{
    setUnderlined(Label1[0], false);
    setUnderlined(Label1[1], false);
}

void Form1::Label1_MouseMove(int index)
{
    if (index == 0 || index == 1)
        setUnderlined(Label1[index], true);
}

void Form1::Label1_MouseDown(int index)
{
    if (index == 0)
        Seams::openUrl(Settings::instance().url(HostRole::Forum, QStringLiteral("/member.php?mod=register")));
    // Item 1 opens the lost-password window: filled by the password recovery.
}

void Form1::xButton_MouseMove()
{
    setButtonColour(xButton, true);
}

void Form1::xButton_MouseDown()
{
    Inet1->Cancel();
    close();
}

void Form1::zButton_MouseMove()
{
    setButtonColour(zButton, true);
}

void Form1::zButton_MouseDown()
{
    showMinimized();
}
