#include "CodePage.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace {

// GBK where ICU knows it, else GB18030 (a superset that agrees on every GBK byte sequence).
const char *gbkName()
{
    static const char *chosen = QStringDecoder("GBK").isValid() ? "GBK" : "GB18030";
    return chosen;
}

} // namespace

namespace CodePage {

QByteArray toAnsi(const QString &text)
{
    // The converter writes '?' for a character GBK cannot hold, as the ANSI calls do.
    QStringEncoder encoder(gbkName(), QStringConverter::Flag::Stateless);
    return encoder.encode(text);
}

QString fromAnsi(const QByteArray &bytes)
{
    QStringDecoder decoder(gbkName(), QStringConverter::Flag::Stateless);
    return decoder.decode(bytes);
}

QString decode(const QByteArray &bytes, const QByteArray &charset)
{
    const QByteArray name = charset.trimmed().toLower();
    if (name.isEmpty() || name == "gbk" || name == "gb2312" || name == "cp936" || name == "x-gbk")
        return fromAnsi(bytes);
    QStringDecoder decoder(name.constData(), QStringConverter::Flag::Stateless);
    if (!decoder.isValid())
        return fromAnsi(bytes);
    return decoder.decode(bytes);
}

QByteArray percentEncode(const QString &text)
{
    static const char hex[] = "0123456789ABCDEF";
    const QByteArray raw = toAnsi(text);
    QByteArray out;
    out.reserve(raw.size() * 3);
    for (const char c : raw) {
        const auto u = static_cast<unsigned char>(c);
        if ((u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || u == '-' || u == '_' ||
            u == '.' || u == '~') {
            out.append(c);
        } else {
            out.append('%');
            out.append(hex[u >> 4]);
            out.append(hex[u & 0x0f]);
        }
    }
    return out;
}

} // namespace CodePage
