#pragma once
// Where the forum keeps a member's avatar: a path derived from the UID. The reading of the picture
// found there is in pictures/AvatarProbe.h.
#include <QString>

namespace AvatarPath {

// "/uc_server/data/avatar/DDD/DD/DD/DD_avatar_middle.jpg" with the UID padded to nine digits on the
// left with "0"; empty for a UID that is empty or longer than five characters.
[[nodiscard]] QString avatarPath(const QString &uid);
// The path on the forum (forumOrigin: "<scheme>://<host>[:<port>]", Settings::origin(HostRole::Forum)),
// or empty when there is no path.
[[nodiscard]] QString avatarUrl(const QString &forumOrigin, const QString &uid);

} // namespace AvatarPath
