// The cookie store's loader on any cookie file. The loader reads a folder, so the input becomes the
// only *.txt file of a scratch folder that a new store is then pointed at. No crash; only cookies
// that can be stored come back (named, with a domain and a path, persistent); loading writes nothing.
#include "ReaderInput.h"
#include "base/Settings.h"
#include "net/CookieStore.h"

#include <QDir>
#include <QFile>

using ReaderInput::check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QTemporaryDir &scratch = ReaderInput::scratchFolder();
    const QString path = scratch.filePath(QStringLiteral("forum.example.txt"));
    const QByteArray bytes = ReaderInput::bytes(data, size);
    {
        QFile file(path);
        check(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        check(file.write(bytes) == bytes.size());
    }

    {
        static const Settings settings; // the real site's hosts: loading depends on none of them
        CookieStore store(settings);
        store.setFolder(scratch.path());
        for (const QNetworkCookie &cookie : store.allCookies()) {
            check(!cookie.name().isEmpty() && !cookie.domain().isEmpty() && !cookie.path().isEmpty());
            check(!cookie.isSessionCookie());
        }
    }

    QFile after(path);
    check(after.open(QIODevice::ReadOnly) && after.readAll() == bytes);
    check(QDir(scratch.path()).entryList(QDir::Files | QDir::Hidden).size() == 1);
    return 0;
}
