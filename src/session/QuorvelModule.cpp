#include "QuorvelModule.h"

#include "net/XmlHttp.h"
#include "SiteSession.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QUrl>

namespace {

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

Task<Page> fetchPage(SiteSession &site, QString url)
{
    // The session's period as it was when the page was asked for: a page of an earlier one says
    // nothing of today's token.
    const quint64 period = site.period();
    XmlHttp request(site.network());
    request.Open(QStringLiteral("get"), url, true);
    request.setRequestHeader(QStringLiteral("If-Modified-Since"), QStringLiteral("0"));
    request.send();
    co_await request.completion();
    Page page{request.status(), request.failed(), request.responseText(), request.responseBody()};
    if (page.status < 400)
        site.notePage(url, page.text, period);
    co_return page;
}

Task<QString> HttpGetText(SiteSession &site, QString url)
{
    co_return (co_await fetchPage(site, std::move(url))).text;
}

Task<QString> HttpGetPageText(SiteSession &site, QString url)
{
    const Page page = co_await fetchPage(site, std::move(url));
    co_return page.status >= 400 ? QString() : page.text;
}

Task<QPixmap> LoadNetPicture(SiteSession &site, QString urlOrPath)
{
    // The address first, then the same text through the file loader.
    if (isWebAddress(urlOrPath)) {
        const Page page = co_await fetchPage(site, urlOrPath);
        if (!page.failed) {
            const QPixmap picture = pictureFromBytes(page.body);
            if (!picture.isNull())
                co_return picture;
        }
    }
    co_return pictureFromFile(urlOrPath);
}

} // namespace QuorvelModule
