// The sign-in exchange of the login window.
#include "Form1.h"

#include <QLabel>
#include <QLineEdit>

void Form1::login()
{
    // The overlay with the account being signed in; Command2 on it cancels.
    Picture2->setGeometry(Picture1->geometry());
    Image3->setPixmap(Image1->pixmap());
    Label2->setText(profileName().isEmpty() ? Text1->text() : profileName());
    Picture2->show();
    Picture2->raise();
    // The network probe and the login post: filled by the sign-in exchange.
}

void Form1::Inet1_StateChanged(int state)
{
    Q_UNUSED(state) // the reply of the login post: filled by the sign-in exchange
}
