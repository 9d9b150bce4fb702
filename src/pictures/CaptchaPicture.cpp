#include "CaptchaPicture.h"

#include <QBuffer>
#include <QImageReader>
#include <QtMath>

namespace CaptchaPicture {

QString url(const QString &forumOrigin, const QString &idHash, quint64 update)
{
    return forumOrigin + QStringLiteral("/misc.php?mod=seccode&update=") + QString::number(update)
        + QStringLiteral("&idhash=") + idHash;
}

QString referer(const QString &forumOrigin)
{
    return forumOrigin + QLatin1Char('/');
}

Result read(bool failed, int status, const QByteArray &body)
{
    Result result;
    if (failed || status < 200 || status >= 300 || body.isEmpty())
        return result;
    // The forum's refusal is plain text, whatever type it is labelled with; no picture starts so.
    if (body.trimmed().startsWith("Access Denied")) {
        result.problem = Problem::AccessDenied;
        return result;
    }
    QByteArray bytes = body;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    // The size from the header alone, before any pixel is decoded.
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty()) {
        result.problem = Problem::NotAPicture;
        return result;
    }
    if (size.width() > kMaxSide || size.height() > kMaxSide) {
        result.problem = Problem::TooLarge;
        return result;
    }
    QImage image = reader.read();
    if (image.isNull()) {
        result.problem = Problem::NotAPicture;
        return result;
    }
    result.problem = Problem::None;
    result.image = image.convertToFormat(QImage::Format_RGB32);
    return result;
}

QImage forDisplay(const QImage &picture, qreal ratio)
{
    if (picture.isNull())
        return {};
    const qreal r = ratio > 0 ? ratio : 1.0;
    const QSize device(qCeil(kSize.width() * r), qCeil(kSize.height() * r));
    QImage fitted = picture.size() == kSize
        ? picture
        : picture.scaled(kSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    // Whole pixels repeated: at 200 % the strokes keep their edges instead of going soft.
    QImage shown = fitted.scaled(device, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    shown.setDevicePixelRatio(r);
    return shown;
}

QString statusText(Problem problem)
{
    switch (problem) {
    case Problem::None:
        return {};
    case Problem::NoAnswer:
        return QStringLiteral("验证码图片获取失败，请换一个");
    case Problem::AccessDenied:
        return QStringLiteral("论坛拒绝提供验证码图片，请换一个");
    case Problem::NotAPicture:
        return QStringLiteral("验证码图片无法显示，请换一个");
    case Problem::TooLarge:
        return QStringLiteral("验证码图片过大，请换一个");
    case Problem::OtherSession:
        return QStringLiteral("验证码图片不属于本次登录，请换一个");
    }
    return {};
}

} // namespace CaptchaPicture
