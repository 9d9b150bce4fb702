#pragma once
// The avatars the simulated forum serves: a JPEG per member, drawn here (a coloured disc with the
// member's initial), so the project ships no pictures of other people.
#include <QByteArray>
#include <QString>

namespace AvatarPainter {

// Side lengths of the forum's three avatar sizes.
[[nodiscard]] int sideFor(const QByteArray &size); // "small" 48, "middle" 120, "big" 200

// A JPEG of side x side pixels for the member. The initial is drawn only when a GUI application
// (fonts) exists; otherwise the disc alone.
[[nodiscard]] QByteArray jpeg(int uid, const QString &name, int side);

// uid of "/uc_server/data/avatar/DDD/DD/DD/DD_avatar_SIZE.jpg", or -1 when the path is not one.
[[nodiscard]] int uidFromPath(const QByteArray &path, QByteArray *size = nullptr);

} // namespace AvatarPainter
