#include "ForumSession.h"

#include "app/SiteSession.h"

// The routine lives below the windows, so that the member panel's sign-out uses the same one.
namespace ForumSession {

void drop(Inet &signOutTransfer)
{
    SiteSession::drop(signOutTransfer);
}

Inet *drop()
{
    return SiteSession::drop();
}

void deleteCookieFiles(const QString &folder)
{
    SiteSession::deleteCookieFiles(folder);
}

} // namespace ForumSession
