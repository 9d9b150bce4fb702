// The account lookup when the account box is left, and the avatar.
#include "Form1.h"

void Form1::Text1_LostFocus()
{
    // Looking the account up on the forum: filled by the account lookup.
}

void Form1::txcx()
{
    // Fetching the avatar of AvatarUid: filled by the account lookup.
}
