#pragma once
// Small conversions shared by the cipher tests.
#include "crypto/cRijndael.h"

#include <QByteArray>
#include <QFile>
#include <QRandomGenerator>
#include <QString>

#include <cstdint>
#include <vector>

inline cRijndael::Bytes bytesFromHex(const char *hex)
{
    const QByteArray raw = QByteArray::fromHex(hex);
    return cRijndael::Bytes(raw.begin(), raw.end());
}

inline cRijndael::Bytes bytesOf(const QByteArray &raw)
{
    return cRijndael::Bytes(raw.begin(), raw.end());
}

inline QByteArray byteArrayOf(const cRijndael::Bytes &bytes)
{
    return QByteArray(reinterpret_cast<const char *>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

inline QByteArray hexOf(const cRijndael::Bytes &bytes)
{
    return byteArrayOf(bytes).toHex();
}

// Reproducible pseudo-random bytes for a test case.
inline cRijndael::Bytes randomBytes(QRandomGenerator &random, std::size_t count)
{
    cRijndael::Bytes out(count);
    for (auto &b : out)
        b = static_cast<std::uint8_t>(random.bounded(256));
    return out;
}

inline void writeFile(const QString &name, const QByteArray &data)
{
    QFile file(name);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(data);
}

inline QByteArray readFile(const QString &name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
