#include "MEncryptDecrypt.h"

namespace {

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    return -1;
}

// At most two characters, read as hex up to the first that is not a digit.
int readPair(QStringView pair)
{
    int value = 0;
    for (const QChar c : pair) {
        const int d = hexDigit(c);
        if (d < 0)
            break;
        value = value * 16 + d;
    }
    return value;
}

} // namespace

namespace MEncryptDecrypt {

QString HexEncodeText(const QString &s)
{
    static const char16_t digits[] = u"0123456789ABCDEF";
    QString out;
    out.reserve(s.size() * 6);
    for (const QChar c : s) {
        const char16_t u = c.unicode();
        for (const int byte : {u & 0xff, u >> 8}) {
            out.append(QChar(digits[byte >> 4]));
            out.append(QChar(digits[byte & 0x0f]));
            out.append(QLatin1Char(' '));
        }
    }
    return out;
}

QString HexDecodeText(const QString &s)
{
    QString compact = s;
    compact.remove(QLatin1Char(' '));
    const QStringView view(compact);
    QString out;
    out.reserve(compact.size() / 4 + 1);
    for (qsizetype i = 0; i < view.size(); i += 4) {
        const int low = readPair(view.mid(i, 2));
        const int high = i + 2 < view.size() ? readPair(view.mid(i + 2, 2)) : 0;
        out.append(QChar(static_cast<char16_t>(low + 256 * high)));
    }
    return out;
}

} // namespace MEncryptDecrypt
