#include "CryptoFiles.h"

#include "CipherError.h"

#include <QFileInfo>

namespace CryptoFiles {
namespace {

[[noreturn]] void accessError()
{
    throw CipherError(CipherErrors::FileAccess, "Path/File access error");
}

} // namespace

void requireExisting(const QString &fileName)
{
    const QFileInfo info(fileName);
    if (fileName.isEmpty() || !info.exists() || info.isDir())
        throw CipherError(CipherErrors::FileNotFound, "File not found");
}

std::uint64_t fileSize(const QString &fileName)
{
    return static_cast<std::uint64_t>(QFileInfo(fileName).size());
}

QByteArray readAll(const QString &fileName)
{
    requireExisting(fileName);
    Reader reader(fileName);
    QByteArray data(static_cast<qsizetype>(reader.size()), Qt::Uninitialized);
    reader.read(reinterpret_cast<std::uint8_t *>(data.data()), static_cast<std::size_t>(data.size()));
    return data;
}

void writeAll(const QString &fileName, const QByteArray &data)
{
    Writer writer(fileName);
    writer.write(reinterpret_cast<const std::uint8_t *>(data.constData()), static_cast<std::size_t>(data.size()));
    writer.commit();
}

Reader::Reader(const QString &fileName)
    : m_file(fileName)
{
    if (!m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        accessError();
    m_size = static_cast<std::uint64_t>(m_file.size());
}

void Reader::read(std::uint8_t *into, std::size_t count)
{
    if (readSome(into, count) != count)
        accessError();
}

std::size_t Reader::readSome(std::uint8_t *into, std::size_t count)
{
    std::size_t done = 0;
    while (done < count) {
        const qint64 got = m_file.read(reinterpret_cast<char *>(into + done), static_cast<qint64>(count - done));
        if (got < 0)
            accessError();
        if (got == 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    m_position += done;
    return done;
}

Writer::Writer(const QString &fileName)
    : m_file(fileName)
{
    if (!m_file.isOpen())
        accessError();
}

void Writer::write(const std::uint8_t *data, std::size_t count)
{
    if (count > 0 && !m_file.write(reinterpret_cast<const char *>(data), count))
        accessError();
}

void Writer::commit()
{
    if (!m_file.commit())
        accessError();
}

} // namespace CryptoFiles
