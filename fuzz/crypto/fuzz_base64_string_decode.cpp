// CBase64EnDeCode::Base64StringDecode on any text: no crash, no NUL in the result, and encoding then
// decoding a text without NUL gives it back where the code page keeps it whole.
#include "FuzzInput.h"
#include "crypto/CBase64EnDeCode.h"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // The code page converts character by character; longer inputs only slow the run down.
    const QString input = FuzzInput::text(data, std::min<std::size_t>(size, 1024));
    CBase64EnDeCode codec;
    const QString decoded = codec.Base64StringDecode(input);
    if (decoded.contains(QChar(0)))
        __builtin_trap();
    const QByteArray bytes = CodePage::toAnsi(input);
    if (!bytes.contains('\0') && CodePage::fromAnsi(bytes) == input && bytes.size() <= CBase64EnDeCode::MaxDecodeCharacters / 4 * 3 &&
        codec.Base64StringDecode(codec.Base64StringEncode(input)) != input)
        __builtin_trap();
    return 0;
}
