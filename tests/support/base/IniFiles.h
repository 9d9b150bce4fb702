#pragma once
// Reading and laying out login.ini files in tests.
#include "base/CodePage.h"

#include <QFile>
#include <QStringList>

// The file's bytes, or "<unreadable>" so that a comparison shows what went wrong.
[[nodiscard]] inline QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// Files written by hand in the Windows client's layout (GBK, CR LF) under tests/data, their
// enciphered values computed with an independent AES-256-ECB (openssl) from the key "Brovk"
// padded with zeros.
[[nodiscard]] inline QString windowsFile(const QString &name)
{
    return qEnvironmentVariable("QUORVEL_SOURCE_DIR") + QStringLiteral("/tests/data/") + name;
}

// login.ini as the Windows client lays it out: one section, "key=value" lines in GBK, CR LF.
[[nodiscard]] inline QByteArray iniBytes(const QStringList &entries)
{
    QByteArray bytes = "[INFORMATION]\r\n";
    for (const QString &entry : entries)
        bytes += CodePage::toAnsi(entry) + "\r\n";
    return bytes;
}
