#include "Animation.h"

#include "QuorvelAssets.h"

#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMovie>

namespace QuorvelAssets {

QMovie *playAnimation(QLabel *label, const QString &fileName)
{
    init();
    const QFileInfo info(fileName);
    // No format named: the file's suffix then leads Qt straight to the GIF decoder. A format named
    // outright makes Qt ask the image plugins in turn (loading WebP, SVG and more) until one says yes.
    const QByteArray format;
    const QString dense = path(info.completeBaseName() + QStringLiteral("@2x.") + info.suffix());
    // Before its window exists a label reports the densest screen's ratio, the one it will most
    // likely open on.
    if (label->devicePixelRatioF() > 1.0 && QFile::exists(dense)) {
        auto *movie = new QMovie(dense, format, label);
        QObject::connect(movie, &QMovie::frameChanged, label, [label, movie] {
            QPixmap frame = movie->currentPixmap();
            frame.setDevicePixelRatio(2.0);
            label->setPixmap(frame);
        });
        movie->start();
        return movie;
    }
    auto *movie = new QMovie(path(fileName), format, label);
    label->setMovie(movie);
    movie->start();
    return movie;
}

} // namespace QuorvelAssets
