#pragma once
// Profile strings with the semantics of GetPrivateProfileStringA / WritePrivateProfileStringA over
// GBK bytes: sections and keys case-insensitive, "key=value" lines, CR LF, values read as written.
#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

namespace ProfileString {

// The value of key in section, or defaultValue when the file, section or key is missing.
[[nodiscard]] QString read(const QString &section, const QString &key, const QString &defaultValue, const QString &filePath);
// Writes (adds or replaces) key=value in section, creating file and section when missing. The file
// is replaced atomically (temporary file + rename) and created readable by its owner only.
// Returns false when the file cannot be written; the old file is then left as it was.
bool write(const QString &section, const QString &key, const QString &value, const QString &filePath);
// Several keys of one section written in order, as the same number of write calls would leave the
// file, but with one atomic replace: a reader or a crash sees all of them or none.
bool write(const QString &section, const QList<QPair<QString, QString>> &keysAndValues, const QString &filePath);

// The same over bytes already in memory (for tests and fuzzing).
[[nodiscard]] QByteArray readFromBytes(const QByteArray &file, const QByteArray &section, const QByteArray &key, const QByteArray &defaultValue);
[[nodiscard]] QByteArray writeToBytes(const QByteArray &file, const QByteArray &section, const QByteArray &key, const QByteArray &value);

} // namespace ProfileString
