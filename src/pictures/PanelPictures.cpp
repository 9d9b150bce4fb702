#include "PanelPictures.h"

#include <QString>

// Q_INIT_RESOURCE must stand outside any namespace.
static void initPanelResources()
{
    Q_INIT_RESOURCE(panel);
}

namespace {

// The pictures are drawn at twice their size on screen, so they stay sharp on high-density screens.
QPixmap picture(const QString &path)
{
    QPixmap pixmap(path);
    pixmap.setDevicePixelRatio(2.0);
    return pixmap;
}

} // namespace

namespace PanelPictures {

void ensureLoaded()
{
    static const bool loaded = [] {
        initPanelResources();
        return true;
    }();
    Q_UNUSED(loaded)
}

QPixmap topImage()
{
    ensureLoaded();
    return picture(QStringLiteral(":/panel/top.png"));
}

QPixmap badge(int index)
{
    ensureLoaded();
    static const char *const names[3] = {":/panel/badge_vip.png", ":/panel/badge_none.png", ":/panel/badge_svip.png"};
    if (index < 0 || index > 2)
        return {};
    return picture(QString::fromLatin1(names[index]));
}

QPixmap noAvatar()
{
    ensureLoaded();
    return picture(QStringLiteral(":/panel/avatar_none.png"));
}

} // namespace PanelPictures
