#include "ProgramIcon.h"

#include "pictures/QuorvelAssets.h"

QIcon programIcon()
{
    // Rendered sizes compiled in from packaging/icons, so the icon shows before and without installing.
    // Decoded as the PNGs they are: QIcon::addFile would first ask every image plugin about them.
    // Title bars and task bars use these sizes; larger views take the installed theme icon named by
    // the desktop entry. The 128 and 256 pixel drawings would be most of the decoding at start.
    QIcon icon;
    for (int size : {16, 32, 48, 64})
        icon.addPixmap(QPixmap::fromImage(QuorvelAssets::image(QStringLiteral(":/quorvel/icon/%1.png").arg(size))));
    return icon;
}
