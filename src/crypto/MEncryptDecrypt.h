#pragma once
// The hex form of CRndXorHash cipher texts: every UTF-16 unit as "LL HH " (low byte, high byte, each
// as two capital hex digits followed by a space).
#include <QString>

namespace MEncryptDecrypt {

// "A" -> "41 00 ".
[[nodiscard]] QString HexEncodeText(const QString &s);
// Spaces removed, then groups of four characters: low byte pair, high byte pair. A pair is read up to
// its first non-hex character (either case); an empty pair or one that starts with such a character
// reads 0. "41 00 " and "4100" both give "A".
[[nodiscard]] QString HexDecodeText(const QString &s);

} // namespace MEncryptDecrypt
