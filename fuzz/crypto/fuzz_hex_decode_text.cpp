// MEncryptDecrypt::HexDecodeText on any text: one unit per started group of four non-space characters.
#include "FuzzInput.h"
#include "crypto/MEncryptDecrypt.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString input = FuzzInput::text(data, size);
    const QString decoded = MEncryptDecrypt::HexDecodeText(input);
    const qsizetype characters = input.size() - input.count(QLatin1Char(' '));
    if (decoded.size() != (characters + 3) / 4)
        __builtin_trap();
    // What the encoder writes, the decoder reads back.
    if (MEncryptDecrypt::HexDecodeText(MEncryptDecrypt::HexEncodeText(input)) != input)
        __builtin_trap();
    return 0;
}
