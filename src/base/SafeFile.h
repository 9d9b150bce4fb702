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
