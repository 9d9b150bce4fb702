#include "AvatarPath.h"

namespace AvatarPath {

QString avatarPath(const QString &uid)
{
    // Only one to five characters have a path; the UID itself is used as it stands.
    if (uid.isEmpty() || uid.size() > 5)
        return {};
    const QString d = QString(9 - uid.size(), QLatin1Char('0')) + uid;
    return QStringLiteral("/uc_server/data/avatar/") + d.mid(0, 3) + QLatin1Char('/') + d.mid(3, 2) +
           QLatin1Char('/') + d.mid(5, 2) + QLatin1Char('/') + d.mid(7, 2) + QStringLiteral("_avatar_middle.jpg");
}

QString avatarUrl(const QString &forumOrigin, const QString &uid)
{
    const QString path = avatarPath(uid);
    return path.isEmpty() ? QString() : forumOrigin + path;
}

} // namespace AvatarPath
