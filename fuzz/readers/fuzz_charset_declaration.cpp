// What a reply declares about its code page, on any header and body: no crash, a usable name or
// an odd one, never both, and a form value in that code page is plain ASCII that decodes back.
#include "ReaderInput.h"

using ReaderInput::check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    size = std::min(size, ReaderInput::kMaxBytes);
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    // The first line stands for the Content-Type header, the rest for the body.
    const qsizetype lineEnd = bytes.indexOf('\n');
    const QByteArray contentType = lineEnd < 0 ? bytes : bytes.left(lineEnd);
    const QByteArray body = lineEnd < 0 ? QByteArray() : bytes.mid(lineEnd + 1);

    const CodePage::Declaration declared = CodePage::declaration(body, contentType);
    const std::optional<QByteArray> usable = CodePage::usableCharset(declared.name);
    if (!declared.odd && !declared.name.isEmpty())
        check(usable.has_value());
    const QString text = CodePage::decode(body, declared.odd ? QByteArray() : declared.name);

    // A form value: only unreserved ASCII and %XX, whatever the text and the code page.
    const QByteArray charset = usable.value_or(QByteArray(CodePage::kGbk));
    if (charset.startsWith("UTF-16") || charset.startsWith("UTF-32"))
        return 0; // read, never written
    const QString value = text.left(64);
    const QByteArray encoded = CodePage::percentEncode(value, charset);
    for (const char c : encoded)
        check(c > 0x20 && c < 0x7f && c != '&' && c != '=' && c != '+');
    // A value the code page holds comes back as it was typed.
    if (!CodePage::firstUnencodable(value, charset))
        check(CodePage::decode(QByteArray::fromPercentEncoding(encoded), charset) == value);
    return 0;
}
