#include "ForumSession.h"

#include "app/QuorvelModule.h"
#include "login/LoginRequest.h"
#include "net/CookieStore.h"
#include "net/Inet.h"
#include "net/Network.h"

#include <QDir>
#include <QFile>

namespace {

constexpr int kCookiesFolder = 33;

} // namespace

namespace ForumSession {

void drop(Inet &signOutTransfer)
{
    // The request takes the session's cookies with it before the store forgets them.
    signOutTransfer.Execute(LoginRequest::logoutUrl(), QStringLiteral("GET"), {}, LoginRequest::headers());
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

} // namespace ForumSession
