// The saved account in login.ini: restore, automatic sign-in, save step and session reset.
#include "Form1.h"

#include "login/ForumSession.h"

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
    // Back to input, then no half-open sign-in left behind: the forum signs the member out, the
    // cookie store forgets the session and the cookie files go.
    setInputsEnabled(true);
    Picture2->hide();
    ForumSession::drop(*Inet5);
}

void Form1::saveAccount()
{
    // Writing login.ini after a sign-in: filled by the saved-account store.
}

void Form1::Check2_Click()
{
    // Keeping the two choices and login.ini in step: filled by the saved-account store.
}
