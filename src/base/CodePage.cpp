#include "CodePage.h"

#include <QRegularExpression>
#include <QStringDecoder>
#include <QStringEncoder>

namespace {

// GBK where ICU knows it, else GB18030 (a superset that agrees on every GBK byte sequence).
const char *gbkName()
{
    static const char *chosen = QStringDecoder("GBK").isValid() ? "GBK" : "GB18030";
    return chosen;
}

bool isGbkAlias(const QByteArray &lowerName)
{
    return lowerName == "gbk" || lowerName == "gb2312" || lowerName == "cp936" || lowerName == "x-gbk";
}

// The converter's own name for a usable charset.
QByteArray converterName(const QByteArray &charset)
{
    return charset == CodePage::kGbk ? QByteArray(gbkName()) : charset;
}

QByteArray charsetInContentType(const QByteArray &contentType, bool &odd)
{
    QByteArray found;
    const QList<QByteArray> parts = contentType.split(';');
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const QByteArray part = parts.at(i).trimmed();
        const qsizetype eq = part.indexOf('=');
        if (eq <= 0 || part.left(eq).trimmed().toLower() != "charset")
            continue;
        QByteArray value = part.mid(eq + 1).trimmed();
        if (value.size() >= 2 && (value.startsWith('"') || value.startsWith('\'')) && value.endsWith(value.at(0)))
            value = value.mid(1, value.size() - 2).trimmed();
        value = value.toLower();
        if (value.isEmpty() || (!found.isEmpty() && found != value))
            odd = true;
        if (found.isEmpty())
            found = value;
    }
    return found;
}

// The XML declaration's encoding and every meta charset of the document's first 1 KiB.
QByteArray charsetInDocument(const QByteArray &body, bool &odd)
{
    const QString head = QString::fromLatin1(body.left(1024));
    static const QRegularExpression xmlDeclaration(
        QStringLiteral(R"(<\?xml[^>]*?\bencoding\s*=\s*["']?\s*([A-Za-z0-9._:-]*))"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression metaCharset(QStringLiteral(R"(<meta\b[^>]*?\bcharset\s*=\s*["']?\s*([A-Za-z0-9._:-]*))"),
                                                QRegularExpression::CaseInsensitiveOption);
    QByteArray found;
    bool any = false;
    for (const QRegularExpression *pattern : {&xmlDeclaration, &metaCharset}) {
        for (QRegularExpressionMatchIterator it = pattern->globalMatch(head); it.hasNext();) {
            const QByteArray value = it.next().captured(1).toLatin1().toLower();
            if (value.isEmpty() || (any && found != value))
                odd = true;
            if (!any)
                found = value;
            any = true;
        }
    }
    return found;
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
    const std::optional<QByteArray> usable = usableCharset(charset);
    if (!usable || *usable == kGbk)
        return fromAnsi(bytes);
    QStringDecoder decoder(usable->constData(), QStringConverter::Flag::Stateless);
    return decoder.decode(bytes);
}

std::optional<QByteArray> usableCharset(const QByteArray &declaredName)
{
    const QByteArray name = declaredName.trimmed().toLower();
    if (isGbkAlias(name))
        return QByteArray(kGbk);
    if (name == "utf-8" || name == "utf8")
        return QByteArray("UTF-8");
    if (name.isEmpty())
        return std::nullopt;
    for (const char c : name) {
        if (!(QChar::fromLatin1(c).isLetterOrNumber() || c == '-' || c == '_' || c == '.' || c == ':'))
            return std::nullopt;
    }
    // Both ways: a page is read in it and a form is written in it.
    const QByteArray upper = name.toUpper();
    if (!QStringEncoder(upper.constData()).isValid() || !QStringDecoder(upper.constData()).isValid())
        return std::nullopt;
    return upper;
}

Declaration declaration(const QByteArray &body, const QByteArray &contentType)
{
    if (body.startsWith("\xEF\xBB\xBF"))
        return {"utf-8", false, 3};
    if (body.startsWith("\xFF\xFE"))
        return {"utf-16le", false, 2};
    if (body.startsWith("\xFE\xFF"))
        return {"utf-16be", false, 2};
    Declaration declared;
    declared.name = charsetInContentType(contentType, declared.odd);
    if (declared.name.isEmpty() && !declared.odd)
        declared.name = charsetInDocument(body, declared.odd);
    if ((!declared.name.isEmpty() || declared.odd) && !usableCharset(declared.name))
        declared.odd = true;
    return declared;
}

std::optional<QString> firstUnencodable(const QString &text, const QByteArray &charset)
{
    const QByteArray name = converterName(usableCharset(charset).value_or(kGbk));
    // Character by character (surrogate pairs kept together), so the answer can name the one at
    // fault. The converter substitutes what it cannot map without saying so: a character holds
    // only when it comes back from its bytes.
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype length = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QStringView character = QStringView(text).mid(i, length);
        QStringEncoder encoder(name.constData(), QStringConverter::Flag::Stateless);
        QStringDecoder decoder(name.constData(), QStringConverter::Flag::Stateless);
        const QByteArray bytes = encoder.encode(character);
        if (encoder.hasError() || QString(decoder.decode(bytes)) != character)
            return character.toString();
        i += length;
    }
    return std::nullopt;
}

QByteArray percentEncode(const QString &text, const QByteArray &charset)
{
    const QByteArray name = converterName(usableCharset(charset).value_or(kGbk));
    QStringEncoder encoder(name.constData(), QStringConverter::Flag::Stateless);
    const QByteArray raw = encoder.encode(text);
    // Letters, digits and "-._~" as they are; everything else, "*" too, as %XX.
    return raw.toPercentEncoding();
}

} // namespace CodePage
