#include "QuorvelModule.h"

#include "ProfileString.h"
#include "Settings.h"
#include "SiteSession.h"
#include "net/XmlHttp.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QRegularExpression>
#include <QUrl>

#include <memory>

namespace {

constexpr int kCookiesFolder = 33; // CSIDL_COOKIES

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

// "$&" the match, "$1".."$99" a group, "$$" a dollar; everything else literal, backslashes too
// (the replacement syntax of the script runtime's regular expressions).
QString expandReplacement(const QString &replacement, const QRegularExpressionMatch &match)
{
    if (!replacement.contains(QLatin1Char('$')))
        return replacement;
    QString out;
    for (qsizetype i = 0; i < replacement.size(); ++i) {
        const QChar c = replacement.at(i);
        const QChar next = i + 1 < replacement.size() ? replacement.at(i + 1) : QChar();
        if (c != QLatin1Char('$')) {
            out += c;
        } else if (next == QLatin1Char('$')) {
            out += c;
            ++i;
        } else if (next == QLatin1Char('&')) {
            out += match.captured(0);
            ++i;
        } else if (next.isDigit()) {
            int group = next.digitValue();
            qsizetype used = 1;
            if (i + 2 < replacement.size() && replacement.at(i + 2).isDigit()) {
                const int two = group * 10 + replacement.at(i + 2).digitValue();
                if (two <= match.lastCapturedIndex()) {
                    group = two;
                    used = 2;
                }
            }
            if (group == 0 || group > match.lastCapturedIndex()) {
                out += c; // not a group: kept as written
            } else {
                out += match.captured(group);
                i += used;
            }
        } else {
            out += c;
        }
    }
    return out;
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

QString ReadIniValue(const QString &section, const QString &key, const QString &defaultValue, const QString &filePath)
{
    // The whole value: a fixed 255-byte buffer would cut a long enciphered password.
    return ProfileString::read(section, key, defaultValue, filePath);
}

QString RegexReplace(const QString &text, const QString &pattern, const QString &replacement)
{
    const QRegularExpression expression(pattern, QRegularExpression::CaseInsensitiveOption);
    if (!expression.isValid())
        return text;
    QString out;
    qsizetype copied = 0;
    auto matches = expression.globalMatch(text);
    while (matches.hasNext()) {
        const QRegularExpressionMatch match = matches.next();
        out += QStringView(text).sliced(copied, match.capturedStart() - copied);
        out += expandReplacement(replacement, match);
        copied = match.capturedEnd();
    }
    out += QStringView(text).sliced(copied);
    return out;
}

QString SpecialFolderPath(int folder)
{
    if (folder != kCookiesFolder)
        return {};
    const QString path = Settings::instance().dataDir() + QStringLiteral("/Cookies");
    // The folder holds the forum session: made for its owner alone, whatever the umask.
    if (!QFileInfo::exists(path) && QDir().mkpath(Settings::instance().dataDir()))
        QDir().mkdir(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return path;
}

} // namespace QuorvelModule
