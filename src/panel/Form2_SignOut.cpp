// Sign-out and the site links of the panel.
#include "Form2.h"

void Form2::Command5_Click()
{
    // filled by the sign-out work: ask, drop the forum session, back to the login window
}

void Form2::Command11_Click()
{
    // filled by the site-links work: open the VIP privileges thread
}
