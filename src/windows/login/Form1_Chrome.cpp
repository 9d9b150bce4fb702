// The login window's own frame line, window drag, close and minimise buttons, links and hover looks.
#include "Form1.h"

#include "base/Seams.h"
#include "base/Settings.h"
#include "net/Inet.h"
#include "session/MemberSession.h"
#include "ui/Controls.h"
#include "ui/WindowDrag.h"
#include "windows/recovery/Form4.h"

#include <QLabel>
#include <QPainter>

using Controls::setUnderlined;

namespace {

void setButtonColour(QLabel *button, bool hot)
{
    // Scoped to the button: a bare colour would also reach its tooltip, white on white.
    const QString colour = hot ? QStringLiteral("#ffffff") : QStringLiteral("#c0c0c0");
    button->setStyleSheet(QStringLiteral("#%1 { color: %2; }").arg(button->objectName(), colour));
}

} // namespace

void Form1::drawBorder()
{
    // 绘制边框: one black line round the client area, kept on the persistent surface.
    if (m_surface.isNull())
        return;
    // Each line fills one whole pixel of the window, so it stays a closed frame at any scale.
    QPainter painter(&m_surface);
    const int w = width();
    const int h = height();
    for (const QRect &line : {QRect(0, 0, w, 1), QRect(0, 0, 1, h), QRect(0, h - 1, w, 1), QRect(w - 1, 0, 1, h)})
        painter.fillRect(line, Qt::black);
    update();
}

void Form1::startWindowDrag()
{
    WindowDrag::start(this);
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
    // Over the panels the links come back to rest; the buttons wait for the background.
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
        Seams::openUrl(m_session.settings().url(HostRole::Forum, QStringLiteral("/member.php?mod=register")));
    else if (index == 1)
        Form4::showModal(m_session, this); // modal to the login window, which waits until it closes
}

void Form1::xButton_MouseMove()
{
    setButtonColour(xButton, true);
}

void Form1::xButton_MouseDown()
{
    // A sign-in still waiting for its reply is dropped before the window goes; with the login
    // window gone and no other window open, the program ends.
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
