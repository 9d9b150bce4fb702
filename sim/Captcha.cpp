#include "Captcha.h"

#include "FormCodec.h"
#include "ForumState.h"
#include "SiteCodePage.h"

#include <QBuffer>
#include <QColor>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>
#include <QUrl>

#include <cstring>

namespace {

int randomBelow(int bound)
{
    return QRandomGenerator::global()->bounded(bound);
}

QByteArray randomText(int length, const char *alphabet)
{
    const int size = int(std::strlen(alphabet));
    QByteArray text(length, Qt::Uninitialized);
    for (char &c : text)
        c = alphabet[randomBelow(size)];
    return text;
}

} // namespace

Captcha::Captcha(const ForumState &state) : m_state(state) {}

qint64 Captcha::now() const
{
    return m_state.now().toSecsSinceEpoch();
}

void Captcha::clearCodes()
{
    m_codes.clear();
    m_latestSalt.clear();
}

QString Captcha::newIdHash()
{
    return QStringLiteral("cS") + QString::fromLatin1(randomText(4, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"));
}

bool Captcha::isValidIdHash(const QString &idHash)
{
    if (idHash.isEmpty() || idHash.size() > 16)
        return false;
    for (const QChar c : idHash) {
        if (c.unicode() >= 0x80 || !c.isLetterOrNumber())
            return false;
    }
    return true;
}

QByteArray Captcha::cookieName(const QByteArray &prefix, const QString &idHash)
{
    return prefix + "seccode" + idHash.toLatin1();
}

Captcha::Issued Captcha::issue(const QByteArray &salt, int uid, const QString &idHash)
{
    Code code;
    code.token = randomText(16, "0123456789abcdef");
    code.code = randomText(kCodeLength, kAlphabet);
    code.uid = uid;
    code.idHash = idHash;
    code.issuedAt = now();
    // Replacing the salt's entry is what makes every older picture of this visitor worthless.
    m_codes.insert(salt, code);
    m_latestSalt = salt;
    return {code.code, code.token};
}

Captcha::Code *Captcha::find(const QByteArray &cookieValue, const QByteArray &salt, int uid, const QString &idHash,
                             Verdict *why)
{
    const auto it = m_codes.find(salt);
    if (cookieValue.isEmpty() || salt.isEmpty() || it == m_codes.end() || it->token != cookieValue || it->uid != uid
        || it->idHash != idHash) {
        *why = Verdict::Unknown;
        return nullptr;
    }
    if (now() - it->issuedAt > kLifeSeconds) {
        *why = Verdict::Expired;
        return nullptr;
    }
    return &*it;
}

Captcha::Verdict Captcha::verifyLogin(const QByteArray &cookieValue, const QByteArray &salt, int uid,
                                      const QString &idHash, const QString &answer)
{
    Verdict verdict = Verdict::Right;
    if (const Code *code = find(cookieValue, salt, uid, idHash, &verdict)) {
        if (answer.isEmpty())
            verdict = Verdict::Missing;
        else
            verdict = answer.compare(QLatin1String(code->code), Qt::CaseInsensitive) == 0 ? Verdict::Right : Verdict::Wrong;
    }
    // Every login post uses the visitor's code up, whatever was typed or which cookie came along.
    m_codes.remove(salt);
    return verdict;
}

bool Captcha::liveCheck(const QByteArray &cookieValue, const QByteArray &salt, int uid, const QString &idHash,
                        const QString &answer)
{
    Verdict why = Verdict::Right;
    Code *code = find(cookieValue, salt, uid, idHash, &why);
    if (!code)
        return false;
    if (++code->checks > kMaxChecks) {
        m_codes.remove(salt);
        return false;
    }
    return !answer.isEmpty() && answer.compare(QLatin1String(code->code), Qt::CaseInsensitive) == 0;
}

QByteArray Captcha::codeForSalt(const QByteArray &salt) const
{
    const auto it = m_codes.constFind(salt);
    if (it == m_codes.constEnd() || now() - it->issuedAt > kLifeSeconds)
        return {};
    return it->code;
}

QByteArray Captcha::png(const QByteArray &code)
{
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(QColor(0xf3, 0xf6, 0xfa));
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        // A few thin lines behind the letters: noise a person reads through.
        for (int i = 0; i < 3; ++i) {
            QPainterPath path(QPointF(0, randomBelow(kHeight)));
            path.cubicTo(QPointF(30, randomBelow(kHeight)), QPointF(70, randomBelow(kHeight)),
                         QPointF(kWidth, randomBelow(kHeight)));
            painter.setPen(QPen(QColor::fromHsv(randomBelow(360), 60, 200), 1));
            painter.drawPath(path);
        }
        const bool haveFonts = qobject_cast<QGuiApplication *>(QCoreApplication::instance()) != nullptr;
        QFont font;
        font.setPixelSize(21);
        font.setBold(true);
        const qreal step = qreal(kWidth - 12) / qMax<qsizetype>(1, code.size());
        for (qsizetype i = 0; i < code.size(); ++i) {
            painter.save();
            painter.translate(6 + step * (qreal(i) + 0.5), kHeight / 2.0 + (randomBelow(5) - 2));
            painter.rotate(randomBelow(25) - 12);
            const QColor ink = QColor::fromHsv(randomBelow(360), 200, 90 + randomBelow(50));
            if (haveFonts) {
                painter.setFont(font);
                painter.setPen(ink);
                painter.drawText(QRectF(-step / 2, -kHeight / 2.0, step, kHeight), Qt::AlignCenter,
                                 QString(QLatin1Char(code.at(i))));
            } else {
                painter.fillRect(QRectF(-4, -9, 8, 18), ink);
            }
            painter.restore();
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(image))
        return {};
    return bytes;
}

bool Captcha::sameOrigin(const QByteArray &referer, const QByteArray &host)
{
    if (referer.isEmpty() || host.isEmpty())
        return false;
    const QUrl url(QString::fromLatin1(referer));
    if (!url.isValid() || url.host().isEmpty())
        return false;
    const QString refererAuthority =
        url.host().toLower() + (url.port() >= 0 ? QLatin1Char(':') + QString::number(url.port()) : QString());
    return refererAuthority == QString::fromLatin1(host).trimmed().toLower();
}

HttpResponse Captcha::pictureResponse(const HttpRequest &request, const QByteArray &cookiePrefix,
                                      const QByteArray &salt, int uid, QList<QByteArray> *setCookies)
{
    const FormCodec::Fields query = FormCodec::decode(FormCodec::queryOf(request.target));
    // Latin-1 keeps every byte apart: an id in any other bytes can only differ.
    const QString idHash = QString::fromLatin1(FormCodec::value(query, "idhash"));
    HttpResponse response;
    if (!sameOrigin(request.header("Referer"), request.header("Host")) || !isValidIdHash(idHash)) {
        response.addHeader("Content-Type", "text/html; charset=" + SiteCodePage::name(m_state.settings().utf8));
        response.body = "Access Denied";
        return response;
    }
    const Issued issued = issue(salt, uid, idHash);
    response.addHeader("Content-Type", "image/png");
    response.addHeader("Expires", "-1");
    response.addHeader("Cache-Control", "no-store, private, post-check=0, pre-check=0, max-age=0");
    response.addHeader("Pragma", "no-cache");
    // A session cookie the page's scripts may read: no expiry, not HttpOnly.
    setCookies->append(cookieName(cookiePrefix, idHash) + '=' + issued.cookieValue + "; path=/");
    response.body = png(issued.code);
    return response;
}

QString Captcha::liveCheckText(const HttpRequest &request, const QByteArray &cookiePrefix, const QByteArray &salt,
                               int uid)
{
    const FormCodec::Fields query = FormCodec::decode(FormCodec::queryOf(request.target));
    const QString idHash = QString::fromLatin1(FormCodec::value(query, "idhash"));
    const QHash<QByteArray, QByteArray> cookies = FormCodec::parseCookies(request.headerValues("Cookie"));
    const bool ok = isValidIdHash(idHash)
        && liveCheck(cookies.value(cookieName(cookiePrefix, idHash)), salt, uid, idHash,
                     QString::fromLatin1(FormCodec::value(query, "secverify")));
    return ok ? QStringLiteral("succeed") : QStringLiteral("invalid");
}
