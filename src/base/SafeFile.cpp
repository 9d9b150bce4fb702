#include "SafeFile.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

SafeFile::WriteFunction g_write = nullptr;

ssize_t writeSome(int fd, const void *data, size_t size)
{
    return g_write ? g_write(fd, data, size) : ::write(fd, data, size);
}

bool writeAll(int fd, const char *data, size_t left)
{
    while (left > 0) {
        const ssize_t written = writeSome(fd, data, left);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false; // ENOSPC, EIO, EDQUOT, ...
        data += written;
        left -= size_t(written);
    }
    return true;
}

} // namespace

namespace SafeFile {

void setWriteFunction(WriteFunction function)
{
    g_write = function;
}

Kind kindOf(const QString &path)
{
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return Kind::Missing;
    if (S_ISLNK(st.st_mode))
        return Kind::Link;
    return S_ISREG(st.st_mode) ? Kind::Regular : Kind::Other;
}

bool replace(const QString &path, const QByteArray &bytes)
{
    Writer writer(path);
    return writer.write(bytes.constData(), size_t(bytes.size())) && writer.commit();
}

Writer::Writer(const QString &path)
{
    if (path.isEmpty())
        return;
    const QFileInfo info(path);
    m_target = QFile::encodeName(info.absoluteFilePath());
    // Beside the file, so that the rename stays on one file system and is atomic. mkostemp makes
    // it 0600 from the start: no moment in which another account could open it.
    m_temp = QFile::encodeName(info.absolutePath() + QStringLiteral("/.") + info.fileName()) + ".XXXXXX";
    m_fd = ::mkostemp(m_temp.data(), O_CLOEXEC);
    if (m_fd >= 0 && ::fchmod(m_fd, S_IRUSR | S_IWUSR) != 0)
        discard();
}

Writer::~Writer()
{
    discard();
}

void Writer::discard()
{
    if (m_fd < 0)
        return;
    ::close(m_fd);
    ::unlink(m_temp.constData());
    m_fd = -1;
}

bool Writer::write(const char *data, size_t size)
{
    if (m_fd < 0)
        return false;
    if (!writeAll(m_fd, data, size)) {
        discard();
        return false;
    }
    return true;
}

bool Writer::commit()
{
    if (m_fd < 0)
        return false;
    const int fd = m_fd;
    m_fd = -1;
    bool ok = ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    // rename(2) replaces the name itself: a link there goes, its target stays as it was.
    ok = ok && ::rename(m_temp.constData(), m_target.constData()) == 0;
    if (!ok)
        ::unlink(m_temp.constData());
    return ok;
}

QByteArray readRegular(const QString &path, qint64 maxBytes, bool *ok)
{
    *ok = false;
    if (path.isEmpty())
        return {};
    // O_NONBLOCK: a FIFO put there opens at once instead of waiting for a writer; it is then refused.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return {};
    QByteArray bytes;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= maxBytes) {
        bytes.resize(qsizetype(maxBytes) + 1);
        qsizetype got = 0;
        bool readError = false;
        while (got < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + got, size_t(bytes.size() - got));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                readError = true;
            if (n <= 0)
                break;
            got += n;
        }
        // A file that grew past the bound while being read counts as too big.
        *ok = !readError && got <= maxBytes;
        bytes.truncate(*ok ? got : 0);
    }
    ::close(fd);
    return bytes;
}

} // namespace SafeFile
