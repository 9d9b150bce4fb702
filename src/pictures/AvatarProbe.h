#pragma once
// The reading of the avatar probe's reply (the address is AvatarPath::avatarUrl). Apart from the
// path rules because decoding a picture needs Qt Gui.
#include <QByteArray>
#include <QImage>

namespace AvatarPath {

// What the avatar probe found at the address: the picture when the reply was a success (2xx)
// whose body is an image; a null image for anything else (a missing avatar's 404 page, an error
// page served with 200, a transport failure, bytes that are no picture).
[[nodiscard]] QImage avatarFromProbe(int httpStatus, const QByteArray &body);

} // namespace AvatarPath
