#pragma once
// Turning fuzzer bytes into the inputs of the cipher library's decoders.
#include "base/CodePage.h"
#include "base/Seams.h"
#include "crypto/cRijndael.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace FuzzInput {

// Message boxes are answered at once and counted, never shown.
inline int &messageCount()
{
    static int count = 0;
    return count;
}

inline void silenceMessages()
{
    static const bool installed = [] {
        Seams::setMessageHandler([](const Seams::MessageRequest &) {
            ++messageCount();
            return Seams::Answer::Ok;
        });
        return true;
    }();
    (void)installed;
}

// The first byte chooses how the rest becomes text: through the code page (as files and login.ini
// arrive) or as raw UTF-16 units (any unit, lone surrogates included).
inline QString text(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return {};
    const std::uint8_t mode = data[0];
    ++data;
    --size;
    if (mode & 1) {
        QString units(static_cast<qsizetype>(size / 2), Qt::Uninitialized);
        std::memcpy(units.data(), data, (size / 2) * 2);
        return units;
    }
    return CodePage::fromAnsi(QByteArray(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size)));
}

// A transform path of cRijndael from the low two bits (table, hardware, vector 256, vector 512); the
// table path where this machine lacks the one named.
inline cRijndael::TransformPath path(std::uint8_t bits)
{
    const auto named = static_cast<cRijndael::TransformPath>(bits & 3);
    return cRijndael::pathAvailable(named) ? named : cRijndael::TransformPath::Table;
}

} // namespace FuzzInput
