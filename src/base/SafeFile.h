#pragma once
// Replacing one of the program's own small files (login.ini, the cookie files) so that it holds
// either the old bytes or the new ones, never a part: a temporary file beside it is written
// unbuffered, every write checked (a full disk fails here, not later), flushed to disk, then
// renamed over the old name. A symbolic link at that name is replaced by the new file; what it
// pointed to is neither written nor has its mode changed.
#include <QByteArray>
#include <QString>
#include <sys/types.h>

namespace SafeFile {

// Replaces path with bytes, mode 0600. False (and the old file untouched, no temporary file left)
// when anything fails.
[[nodiscard]] bool replace(const QString &path, const QByteArray &bytes);

// The same replacement written in parts, for content made piece by piece (the cipher library's
// files): the temporary file is made at construction, each write is checked, and commit() puts
// it in place. A writer destroyed without a successful commit removes its temporary file and
// leaves the old one as it was.
class Writer
{
public:
    explicit Writer(const QString &path);
    ~Writer();
    Writer(const Writer &) = delete;
    Writer &operator=(const Writer &) = delete;

    // False when the temporary file could not be made (or a write or the commit failed).
    [[nodiscard]] bool isOpen() const { return m_fd >= 0; }
    // Appends bytes; false (and the writer spent) when the disk takes them not all.
    [[nodiscard]] bool write(const char *data, size_t size);
    // Flushes to disk and renames over path; false when either fails. The writer is spent after.
    [[nodiscard]] bool commit();

private:
    void discard();
    QByteArray m_target;
    QByteArray m_temp;
    int m_fd = -1;
};

// Reads path only when it is a regular file of at most maxBytes (not through a link, never
// blocking on a FIFO or reading a device without end). ok says whether it was read.
[[nodiscard]] QByteArray readRegular(const QString &path, qint64 maxBytes, bool *ok);

// What path is, without following a link.
enum class Kind { Missing, Regular, Link, Other };
[[nodiscard]] Kind kindOf(const QString &path);

// Test seam: the write(2) the replacement uses; nullptr restores the real one. A test makes it
// fail as a full disk does (ENOSPC after some bytes) where it cannot mount a small file system.
using WriteFunction = ssize_t (*)(int fd, const void *data, size_t size);
void setWriteFunction(WriteFunction function);

} // namespace SafeFile
