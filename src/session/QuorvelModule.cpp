#include "QuorvelModule.h"

#include "net/XmlHttp.h"
#include "SiteSession.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QUrl>

#include <memory>

namespace {

// A page fetch as the windows make it: GET, never from a cache, waiting with events processed.
std::unique_ptr<XmlHttp> fetch(const QString &url)
{
    auto request = std::make_unique<XmlHttp>();
    request->Open(QStringLiteral("get"), url, true);
    request->setRequestHeader(QStringLiteral("If-Modified-Since"), QStringLiteral("0"));
    request->send();
    request->waitForCompletion();
    return request;
}

bool isWebAddress(const QString &text)
{
    const QUrl url(text);
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

QPixmap decodePicture(QIODevice *device)
{
    QImageReader reader(device);
    reader.setAutoTransform(true);
    const QImage image = reader.read();
    return image.isNull() ? QPixmap() : QPixmap::fromImage(image);
}

QPixmap pictureFromBytes(QByteArray bytes)
{
    if (bytes.isEmpty())
        return {};
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return decodePicture(&buffer);
}

QPixmap pictureFromFile(const QString &pathOrFileUrl)
{
    const QUrl url(pathOrFileUrl);
    const QString path = url.isLocalFile() ? url.toLocalFile() : pathOrFileUrl;
    if (path.isEmpty())
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return decodePicture(&file);
}

} // namespace

namespace QuorvelModule {

QString HttpGetText(const QString &url)
{
    const quint64 period = SiteSession::period();
    const QString text = fetch(url)->responseText();
    SiteSession::notePage(url, text, period);
    return text;
}

QString HttpGetPageText(const QString &url)
{
    const quint64 period = SiteSession::period();
    const auto request = fetch(url);
    if (request->status() >= 400)
        return {};
    SiteSession::notePage(url, request->responseText(), period);
    return request->responseText();
}

QPixmap LoadNetPicture(const QString &urlOrPath)
{
    // The address first, then the same text through the file loader.
    if (isWebAddress(urlOrPath)) {
        const auto request = fetch(urlOrPath);
        if (!request->failed()) {
            const QPixmap picture = pictureFromBytes(request->responseBody());
            if (!picture.isNull())
                return picture;
        }
    }
    return pictureFromFile(urlOrPath);
}

} // namespace QuorvelModule
