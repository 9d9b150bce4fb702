#pragma once
// Ending the member's forum session on this computer, shared by the login window's session reset
// and the member panel's sign-out: the forum is asked to sign the member out, the shared cookie
// store forgets its cookies and the cookie files are deleted.
#include <QString>

class Inet;

namespace SiteSession {

// The forum's sign-out request: a GET on the forum host's log-out action. It carries the token of
// the forum's login form, as the forum checks it for member actions.
[[nodiscard]] QString logoutUrl();
// "Referer: <scheme>://<forum host>/" CR LF "Content-Type: application/x-www-form-urlencoded".
[[nodiscard]] QString logoutHeaders();

// Sends the sign-out request on the given transfer control without waiting for it (the cookies it
// carries are taken at once; those its answer sets are not kept), ends the browser session and
// deletes every "*.txt" file in the cookies folder, and nothing outside it. Each step runs
// whatever became of the one before.
void drop(Inet &signOutTransfer);

// Deletes the "*.txt" files directly inside folder (no subfolders); an empty folder name does nothing.
void deleteCookieFiles(const QString &folder);

} // namespace SiteSession
