// cRijndael::HexToArray on any text: at most one byte per two characters, error 9 only below two.
#include "FuzzInput.h"
#include "crypto/CipherError.h"
#include "crypto/cRijndael.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString input = FuzzInput::text(data, size);
    try {
        const cRijndael::Bytes bytes = cRijndael::HexToArray(input);
        if (bytes.size() > static_cast<std::size_t>(input.size() / 2))
            __builtin_trap();
    } catch (const CipherError &e) {
        if (e.number != CipherErrors::SubscriptOutOfRange || input.size() >= 2)
            __builtin_trap();
    }
    return 0;
}
