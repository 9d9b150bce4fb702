#pragma once
// The pictures and animations the project draws itself, compiled into the program.
#include <QImage>
#include <QPixmap>
#include <QString>

namespace QuorvelAssets {

// Registers the compiled-in pictures; call before the first picture is loaded (idempotent).
void init();
// Resource path of a picture by file name, e.g. path("login-banner.gif").
[[nodiscard]] QString path(const QString &fileName);
// Decodes a compiled-in picture (a resource path) with the decoder its suffix names. Qt left to
// guess the format of a PNG loads every image-format plugin on the system to ask it first, which
// costs start-up time and memory; the project's own pictures never need that.
[[nodiscard]] QImage image(const QString &resourcePath);
// The picture for a screen of the given pixel ratio: the "@2x" drawing where one exists and the
// screen is dense enough, scaled to the same logical size.
[[nodiscard]] QPixmap picture(const QString &fileName, qreal devicePixelRatio = 1.0);
// The same drawing as picture() chooses, decoded afresh and not kept: for a picture that is copied
// once into a window's own surface, where a cached copy would only hold memory.
[[nodiscard]] QImage pictureImage(const QString &fileName, qreal devicePixelRatio = 1.0);

} // namespace QuorvelAssets
