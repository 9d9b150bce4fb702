// cRijndael::StringDecrypt on any stored text and key size: only the documented errors, and a result
// that is either empty or one character per deciphered byte at most.
#include "FuzzInput.h"
#include "crypto/CipherError.h"
#include "crypto/cRijndael.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzInput::silenceMessages();
    static cRijndael cipher;
    if (size < 2)
        return 0;
    static const int keySizes[] = {256, 128, 192, 100};
    const int keySize = keySizes[data[0] & 3];
    cipher.setTransformPath(FuzzInput::path(data[0] >> 2));
    const QString stored = FuzzInput::text(data + 1, size - 1);
    try {
        const QString plain = cipher.StringDecrypt(stored, QStringLiteral("Brovk"), 256, keySize);
        if (plain.size() > stored.size() / 2)
            __builtin_trap();
    } catch (const CipherError &e) {
        if (e.number != CipherErrors::SubscriptOutOfRange && e.number != CipherErrors::IllegalArgument)
            __builtin_trap();
    }
    return 0;
}
