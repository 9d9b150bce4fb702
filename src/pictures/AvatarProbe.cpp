#include "AvatarProbe.h"

namespace AvatarPath {

QImage avatarFromProbe(int httpStatus, const QByteArray &body)
{
    if (httpStatus < 200 || httpStatus > 299 || body.isEmpty())
        return {};
    return QImage::fromData(body);
}

} // namespace AvatarPath
