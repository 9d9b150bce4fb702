#pragma once
// Profile strings with the semantics of GetPrivateProfileStringA / WritePrivateProfileStringA over
// GBK bytes: sections and keys case-insensitive, "key=value" lines, CR LF, values read as written.
#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

namespace ProfileString {

// login.ini holds six short keys; a file above this size is not ours and reads as missing.
constexpr qint64 kMaxFileBytes = 64 * 1024;

// The value of key in section, or defaultValue when the file, section or key is missing. Only a
// regular file of at most kMaxFileBytes is read (not through a link, never a FIFO or device);
// anything else reads as a missing file. Each call reads and parses the file once.
[[nodiscard]] QString read(const QString &section, const QString &key, const QString &defaultValue, const QString &filePath);
// Writes (adds or replaces) key=value in section, creating file and section when missing. The file
// is replaced atomically (temporary file + rename) and created readable by its owner only.
// Returns false when the file cannot be written completely (a full disk included); the old file is
// then left byte for byte as it was. A link at filePath is replaced by a file of our own (its
// target stays untouched); a FIFO, device or oversized file there is left alone (false).
bool write(const QString &section, const QString &key, const QString &value, const QString &filePath);
// Several keys of one section written in order, as the same number of write calls would leave the
// file, but with one atomic replace: a reader or a crash sees all of them or none.
bool write(const QString &section, const QList<QPair<QString, QString>> &keysAndValues, const QString &filePath);

// The same over bytes already in memory (for tests and fuzzing).
[[nodiscard]] QByteArray readFromBytes(const QByteArray &file, const QByteArray &section, const QByteArray &key, const QByteArray &defaultValue);
[[nodiscard]] QByteArray writeToBytes(const QByteArray &file, const QByteArray &section, const QByteArray &key, const QByteArray &value);

} // namespace ProfileString
