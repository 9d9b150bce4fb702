#pragma once
// Where the forum keeps a member's avatar: a path derived from the UID.
#include <QByteArray>
#include <QImage>
#include <QString>

namespace AvatarPath {

// "/uc_server/data/avatar/DDD/DD/DD/DD_avatar_middle.jpg" with the UID padded to nine digits on the
// left with "0"; empty for a UID that is empty or longer than five characters.
[[nodiscard]] QString avatarPath(const QString &uid);
// The path on the forum host, or empty when there is no path.
[[nodiscard]] QString avatarUrl(const QString &uid);

// What the avatar probe found at the address: the picture when the reply was a success (2xx)
// whose body is an image; a null image for anything else (a missing avatar's 404 page, an error
// page served with 200, a transport failure, bytes that are no picture).
[[nodiscard]] QImage avatarFromProbe(int httpStatus, const QByteArray &body);

} // namespace AvatarPath
