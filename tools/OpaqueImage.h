#pragma once
// Shared by the drawing tools: an opaque picture is stored without its alpha channel, so that the
// program decodes it faster and draws it as a plain copy.
#include <QImage>

inline QImage withoutUnusedAlpha(const QImage &image)
{
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x)
            if (qAlpha(line[x]) != 255)
                return image;
    }
    return image.convertToFormat(QImage::Format_RGB32);
}
