#pragma once
// What the soak test watches of its own process: resident memory and open file descriptors, and
// the cookies of a signed-in session in the cookie store and in the cookies folder.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>
#include <QNetworkCookie>
#include <QString>

namespace SoakProbe {

// VmRSS of /proc/self/status in KiB; -1 when it cannot be read.
inline qint64 residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    // /proc files report size 0; readAll reads to the end all the same.
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

// Entries of /proc/self/fd (the listing's own descriptor included, the same each time).
inline int openDescriptors()
{
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System).size());
}

// Every cookie written in the *.txt files of the cookies folder.
inline QList<QNetworkCookie> cookiesInFolder(const QString &folder)
{
    QList<QNetworkCookie> cookies;
    const QDir dir(folder);
    for (const QString &name : dir.entryList({QStringLiteral("*.txt")}, QDir::Files)) {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray &line : file.readAll().split('\n'))
            if (!line.trimmed().isEmpty())
                cookies += QNetworkCookie::parseCookies(line.trimmed());
    }
    return cookies;
}

} // namespace SoakProbe
