#include "QuorvelAssets.h"

#include <QFileInfo>
#include <QImageReader>
#include <QPixmapCache>

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

QImage image(const QString &resourcePath)
{
    init();
    QImageReader reader(resourcePath, QFileInfo(resourcePath).suffix().toLatin1());
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}

QPixmap picture(const QString &fileName, qreal devicePixelRatio)
{
    // Each login window shows the same pictures again: decode them once.
    const auto cached = [](const QString &resourcePath, qreal ratio) {
        QPixmap pixmap;
        if (!QPixmapCache::find(resourcePath, &pixmap)) {
            pixmap = QPixmap::fromImage(image(resourcePath));
            pixmap.setDevicePixelRatio(ratio);
            if (!pixmap.isNull())
                QPixmapCache::insert(resourcePath, pixmap);
        }
        return pixmap;
    };
    if (devicePixelRatio > 1.0) {
        const QFileInfo info(fileName);
        const QPixmap dense = cached(path(info.completeBaseName() + QStringLiteral("@2x.") + info.suffix()), 2.0);
        if (!dense.isNull())
            return dense;
    }
    return cached(path(fileName), 1.0);
}

QImage pictureImage(const QString &fileName, qreal devicePixelRatio)
{
    if (devicePixelRatio > 1.0) {
        const QFileInfo info(fileName);
        QImage dense = image(path(info.completeBaseName() + QStringLiteral("@2x.") + info.suffix()));
        if (!dense.isNull()) {
            dense.setDevicePixelRatio(2.0);
            return dense;
        }
    }
    return image(path(fileName));
}

} // namespace QuorvelAssets
