// CRndXorHash::StringDecrypt on any cipher text and key size: no crash, and a changed text never
// passes as the original.
#include "FuzzInput.h"
#include "crypto/CRndXorHash.h"
#include "crypto/MEncryptDecrypt.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzInput::silenceMessages();
    if (size < 1)
        return 0;
    CRndXorHash cipher;
    // Key sizes from -8 to 23: below 1 they become 8.
    cipher.setKeySize(static_cast<qint16>((data[0] & 31) - 8));
    const QString input = FuzzInput::text(data + 1, size - 1);
    const int before = FuzzInput::messageCount();
    const QString plain = cipher.StringDecrypt(input, QStringLiteral("password"));
    // An accepted text has a header of 3 * keySize units ahead of the plain text.
    const QString raw = MEncryptDecrypt::HexDecodeText(input);
    if (FuzzInput::messageCount() == before && raw.size() != 3 * cipher.keySize() + plain.size())
        __builtin_trap();
    return 0;
}
