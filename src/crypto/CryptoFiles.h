#pragma once
// File access of the cipher library: raw bytes in, raw bytes out. Failures are raised as CipherError
// (53 file not found, 75 a file that cannot be opened, read or written). Output files are replaced
// whole, the way the program's own files are (SafeFile): written to a private temporary file beside
// them and renamed over them on commit, so a failure leaves the old file as it was and a shorter new
// content never keeps stale bytes of a longer old one.
#include "base/SafeFile.h"

#include <QFile>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace CryptoFiles {

// Raises error 53 when the file does not exist (or is no regular file).
void requireExisting(const QString &fileName);
[[nodiscard]] std::uint64_t fileSize(const QString &fileName);
// The whole file; error 53 / 75 on failure.
[[nodiscard]] QByteArray readAll(const QString &fileName);
// Replaces the file with data; error 75 on failure.
void writeAll(const QString &fileName, const QByteArray &data);

class Reader
{
public:
    explicit Reader(const QString &fileName);
    [[nodiscard]] std::uint64_t size() const { return m_size; }
    [[nodiscard]] std::uint64_t remaining() const { return m_size - m_position; }
    // Reads exactly count bytes; error 75 when the file ends early.
    void read(std::uint8_t *into, std::size_t count);
    // Reads up to count bytes; returns how many.
    std::size_t readSome(std::uint8_t *into, std::size_t count);

private:
    QFile m_file;
    std::uint64_t m_size = 0;
    std::uint64_t m_position = 0;
};

class Writer
{
public:
    explicit Writer(const QString &fileName);
    void write(const std::uint8_t *data, std::size_t count);
    void commit();

private:
    SafeFile::Writer m_file;
};

} // namespace CryptoFiles
