#pragma once
// Dropping the forum session after a sign-in that did not go through: the forum is asked to sign
// the member out, the shared cookie store forgets its cookies and the cookie files are deleted.
#include <QString>

class Inet;

namespace ForumSession {

// Sends the forum's sign-out request on the given transfer control without waiting for it (the
// cookies it carries are taken at once), ends the browser session and deletes every "*.txt" file
// in the cookies folder, and nothing outside it.
void drop(Inet &signOutTransfer);
// The same on a control owned by the application, as the panel's sign-out: closing the login
// window right after a refused sign-in does not abort the log-out.
Inet *drop();

// Deletes the "*.txt" files directly inside folder (no subfolders); an empty folder name does nothing.
void deleteCookieFiles(const QString &folder);

} // namespace ForumSession
