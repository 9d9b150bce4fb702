#include "QuorvelAssets.h"

#include <QFileInfo>

// Q_INIT_RESOURCE must be used outside any namespace.
static void initAssetsResource()
{
    Q_INIT_RESOURCE(assets);
}

namespace QuorvelAssets {

void init()
{
    static const bool done = [] {
        initAssetsResource();
        return true;
    }();
    Q_UNUSED(done);
}

QString path(const QString &fileName)
{
    return QStringLiteral(":/quorvel/") + fileName;
}

QPixmap picture(const QString &fileName, qreal devicePixelRatio)
{
    init();
    if (devicePixelRatio > 1.0) {
        const QFileInfo info(fileName);
        const QString dense = info.completeBaseName() + QStringLiteral("@2x.") + info.suffix();
        QPixmap pixmap(path(dense));
        if (!pixmap.isNull()) {
            pixmap.setDevicePixelRatio(2.0);
            return pixmap;
        }
    }
    return QPixmap(path(fileName));
}

} // namespace QuorvelAssets
