#include "SiteSession.h"

#include "QuorvelModule.h"
#include "Settings.h"
#include "net/CookieStore.h"
#include "net/Inet.h"
#include "net/Network.h"

#include <QDir>
#include <QFile>

namespace {

constexpr int kCookiesFolder = 33;
// The login form's token; the forum wants it on the log-out action as well.
const QString kLoginFormHash = QStringLiteral("5c2e9a17");

} // namespace

namespace SiteSession {

QString logoutUrl()
{
    return Settings::instance().url(HostRole::Forum,
                                    QStringLiteral("/member.php?mod=logging&action=logout&formhash=") + kLoginFormHash);
}

QString logoutHeaders()
{
    return QStringLiteral("Referer: ") + Settings::instance().origin(HostRole::Forum)
        + QStringLiteral("/\r\nContent-Type: application/x-www-form-urlencoded");
}

void drop(Inet &signOutTransfer)
{
    // The request takes the session's cookies with it before the store forgets them. Its answer
    // only repeats that they are gone, and may come after the member has signed in again: the
    // cookies it sets are not kept.
    signOutTransfer.setStoresReplyCookies(false);
    signOutTransfer.Execute(logoutUrl(), QStringLiteral("GET"), {}, logoutHeaders());
    signOutTransfer.setStoresReplyCookies(true);
    const QString cookies = QuorvelModule::SpecialFolderPath(kCookiesFolder);
    Network::cookieStore().endSession();
    deleteCookieFiles(cookies);
}

void deleteCookieFiles(const QString &folder)
{
    if (folder.isEmpty())
        return;
    const QDir dir(folder);
    if (!dir.exists())
        return;
    // A link named *.txt is removed itself; what it points to stays.
    const QStringList names = dir.entryList({QStringLiteral("*.txt")}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : names)
        QFile::remove(dir.filePath(name));
}

} // namespace SiteSession
