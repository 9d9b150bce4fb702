#include "ProgramIcon.h"

QIcon programIcon()
{
    // Rendered sizes compiled in from packaging/icons, so the icon shows before and without installing.
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/quorvel/icon/%1.png").arg(size), QSize(size, size));
    return icon;
}
