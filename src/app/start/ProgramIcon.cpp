#include "ProgramIcon.h"

#include "QuorvelAssets.h"

QIcon programIcon()
{
    // Rendered sizes compiled in from packaging/icons, so the icon shows before and without installing.
    // Decoded as the PNGs they are: QIcon::addFile would first ask every image plugin about them.
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256})
        icon.addPixmap(QPixmap::fromImage(QuorvelAssets::image(QStringLiteral(":/quorvel/icon/%1.png").arg(size))));
    return icon;
}
