#pragma once
// Turning fuzzer bytes into the texts the readers of forum replies, pages and files receive.
#include "base/CodePage.h"
#include "base/Seams.h"

#include <QByteArray>
#include <QDir>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace ReaderInput {

// The code page converts character by character; inputs beyond a page's size only slow the run.
inline constexpr std::size_t kMaxBytes = 16 * 1024;

// Stops the run at once with the fuzzer's crash report; used for broken properties.
[[noreturn]] inline void fail()
{
    __builtin_trap();
}
inline void check(bool holds)
{
    if (!holds)
        fail();
}

// Message boxes (the cipher's complaints about a stored value) are answered at once, never shown.
inline void silenceMessages()
{
    static const bool installed = [] {
        Seams::setMessageHandler([](const Seams::MessageRequest &) { return Seams::Answer::Ok; });
        return true;
    }();
    (void)installed;
}

inline QByteArray bytes(const std::uint8_t *data, std::size_t size)
{
    size = std::min(size, kMaxBytes);
    return QByteArray(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
}

// The first byte chooses how the rest becomes text: 0 through the forum's code page (as replies and
// pages arrive), 1 as UTF-8, 2 as raw UTF-16 units (lone surrogates included). The seed files
// start with a 0 byte followed by a reply saved from the simulator.
inline QString text(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return {};
    const std::uint8_t mode = data[0] % 3;
    const QByteArray rest = bytes(data + 1, size - 1);
    switch (mode) {
    case 0:
        return CodePage::fromAnsi(rest);
    case 1:
        return QString::fromUtf8(rest);
    default: {
        QString units(rest.size() / 2, Qt::Uninitialized);
        std::memcpy(units.data(), rest.constData(), static_cast<std::size_t>(units.size()) * 2);
        return units;
    }
    }
}

// A scratch folder for the readers that take a file, kept for the whole run. In memory where the
// system offers it: a file is written on every run.
inline const QTemporaryDir &scratchFolder()
{
    static const QTemporaryDir folder(QFileInfo(QStringLiteral("/dev/shm")).isWritable()
                                          ? QStringLiteral("/dev/shm/quorvel-fuzz-XXXXXX")
                                          : QDir::tempPath() + QStringLiteral("/quorvel-fuzz-XXXXXX"));
    if (!folder.isValid())
        fail();
    return folder;
}

// Whether part occurs in whole (an empty part always does).
inline bool within(const QString &part, const QString &whole)
{
    return part.isEmpty() || whole.contains(part);
}

} // namespace ReaderInput
