// The saved account in login.ini: restore, automatic sign-in, save step and session reset.
#include "Form1.h"

#include <QWidget>

void Form1::bcsz()
{
    // Restoring the saved account: filled by the saved-account store.
}

void Form1::zddl()
{
    // Automatic sign-in at start: filled by the saved-account store.
}

void Form1::qcdl()
{
    setInputsEnabled(true);
    Picture2->hide();
    // Signing out of the forum and dropping the cookies: filled by the saved-account store.
}

void Form1::saveAccount()
{
    // Writing login.ini after a sign-in: filled by the saved-account store.
}

void Form1::Check2_Click()
{
    // Keeping the two choices and login.ini in step: filled by the saved-account store.
}
