#include "CookieStore.h"

#include "base/Logging.h"
#include "base/SafeFile.h"
#include "SitePolicy.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QNetworkCookie>
#include <QScopedValueRollback>
#include <QUrl>

#include <utility>

namespace {

constexpr qint64 kMaxFileBytes = 1024 * 1024; // a cookie file is a few lines; anything bigger is not ours
constexpr qsizetype kMaxFileNameStem = 120;

bool isExpired(const QNetworkCookie &cookie, const QDateTime &now)
{
    return !cookie.isSessionCookie() && cookie.expirationDate() <= now;
}

// A cookie that can be written as one line and read back as the same cookie.
bool isStorable(const QNetworkCookie &cookie, const QDateTime &now)
{
    if (cookie.isSessionCookie() || isExpired(cookie, now) || cookie.name().isEmpty() || cookie.domain().isEmpty())
        return false;
    const QByteArray raw = cookie.toRawForm(QNetworkCookie::Full);
    return !raw.contains('\n') && !raw.contains('\r') && !raw.contains('\0');
}

QList<QNetworkCookie> readCookieFile(const QString &path)
{
    bool ok = false;
    const QByteArray content = SafeFile::readRegular(path, kMaxFileBytes, &ok);
    if (!ok)
        return {};
    const QDateTime now = QDateTime::currentDateTimeUtc();
    QList<QNetworkCookie> cookies;
    const QList<QByteArray> lines = content.split('\n');
    for (const QByteArray &line : lines) {
        const QByteArray trimmed = line.trimmed();
        if (trimmed.isEmpty())
            continue;
        const QList<QNetworkCookie> parsed = QNetworkCookie::parseCookies(trimmed);
        for (QNetworkCookie cookie : parsed) {
            if (cookie.path().isEmpty())
                cookie.setPath(QStringLiteral("/"));
            if (isStorable(cookie, now))
                cookies.append(cookie);
        }
    }
    return cookies;
}

void removeSameIdentifier(QList<QNetworkCookie> &cookies, const QNetworkCookie &cookie)
{
    cookies.removeIf([&cookie](const QNetworkCookie &other) { return other.hasSameIdentifier(cookie); });
}

} // namespace

CookieStore::CookieStore(const Settings &settings, QObject *parent)
    : QNetworkCookieJar(parent)
    , m_settings(settings)
{
}

void CookieStore::setFolder(const QString &folder)
{
    const QString clean = folder.isEmpty() ? QString() : QDir::cleanPath(QDir(folder).absolutePath());
    if (clean == m_folder)
        return;
    m_folder = clean;
    m_pending.clear();
    load();
}

QString CookieStore::folder() const
{
    return m_folder;
}

void CookieStore::endSession()
{
    m_pending.clear();
    setAllCookies({});
    emit sessionEnded();
}

bool CookieStore::setCookiesFromUrl(const QList<QNetworkCookie> &cookieList, const QUrl &url)
{
    if (!isSiteAddress(url))
        return false;
    // A cookie marked Secure from a plain-HTTP answer could have been planted by anyone on the way
    // and would then ride along to the HTTPS site: not kept, as browsers do.
    QList<QNetworkCookie> kept = cookieList;
    if (url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) != 0)
        kept.removeIf([](const QNetworkCookie &cookie) { return cookie.isSecure(); });
    if (kept.isEmpty())
        return false;
    // Qt's jar replaces a cookie of the same name, domain and path, and drops it when the new one
    // is already expired; insertCookie/deleteCookie below note the changes, and the files take all
    // of one answer's cookies in one write (each written alone would sync the file once more).
    bool changed = false;
    {
        const QScopedValueRollback oneWrite(m_batching, true);
        changed = QNetworkCookieJar::setCookiesFromUrl(kept, url);
    }
    persist();
    return changed;
}

QList<QNetworkCookie> CookieStore::cookiesForUrl(const QUrl &url) const
{
    if (!isSiteAddress(url))
        return {};
    return QNetworkCookieJar::cookiesForUrl(url);
}

bool CookieStore::insertCookie(const QNetworkCookie &cookie)
{
    bool inserted = false;
    {
        // The base class removes the old cookie through deleteCookie; one file update covers both.
        const QScopedValueRollback insideInsert(m_insideInsert, true);
        inserted = QNetworkCookieJar::insertCookie(cookie);
    }
    m_pending.append({cookie, inserted});
    if (!m_batching)
        persist();
    return inserted;
}

bool CookieStore::deleteCookie(const QNetworkCookie &cookie)
{
    const bool removed = QNetworkCookieJar::deleteCookie(cookie);
    if (!m_insideInsert) {
        m_pending.append({cookie, false});
        if (!m_batching)
            persist();
    }
    return removed;
}

bool CookieStore::isSiteAddress(const QUrl &url) const
{
    return SitePolicy::isCookieAddress(m_settings, url);
}

QString CookieStore::fileNameForDomain(const QString &domain)
{
    QString stem = domain.trimmed().toLower();
    while (stem.startsWith(QLatin1Char('.')))
        stem.remove(0, 1);
    // Only letters, digits, '.', '-' and '_' survive: no separator, drive colon or control character.
    for (QChar &c : stem) {
        const char16_t u = c.unicode();
        const bool plain = (u >= u'a' && u <= u'z') || (u >= u'0' && u <= u'9') || u == u'.' || u == u'-' || u == u'_';
        if (!plain)
            c = QLatin1Char('_');
    }
    while (stem.contains(QLatin1String("..")))
        stem.replace(QLatin1String(".."), QLatin1String("._"));
    stem.truncate(kMaxFileNameStem);
    if (stem.isEmpty() || stem == QLatin1String("."))
        stem = QStringLiteral("_");
    return stem + QStringLiteral(".txt");
}

bool CookieStore::isLinkedFolder(const QString &folder)
{
    return !folder.isEmpty() && SafeFile::kindOf(folder) == SafeFile::Kind::Link;
}

void CookieStore::load()
{
    QList<QNetworkCookie> cookies;
    if (!m_folder.isEmpty() && !isLinkedFolder(m_folder)) {
        const QFileInfoList files =
            QDir(m_folder).entryInfoList({QStringLiteral("*.txt")}, QDir::Files | QDir::NoSymLinks, QDir::Name);
        for (const QFileInfo &file : files) {
            const QList<QNetworkCookie> found = readCookieFile(file.filePath());
            for (const QNetworkCookie &cookie : found) {
                removeSameIdentifier(cookies, cookie);
                cookies.append(cookie);
            }
        }
    }
    setAllCookies(cookies);
}

// Applies the pending changes to the files: each change replaces the stored cookie of the same
// name, domain and path; a persistent cookie is written back, anything else just removed.
void CookieStore::persist()
{
    const QList<Change> changes = std::exchange(m_pending, {});
    // A cookies folder that is a link leads somewhere else: nothing is written through it.
    if (m_folder.isEmpty() || isLinkedFolder(m_folder))
        return;
    QMap<QString, QList<Change>> byFile;
    for (const Change &change : changes)
        byFile[fileNameForDomain(change.cookie.domain())].append(change);

    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (auto it = byFile.cbegin(); it != byFile.cend(); ++it) {
        const QString path = m_folder + QLatin1Char('/') + it.key();
        QList<QNetworkCookie> stored = readCookieFile(path);
        const qsizetype before = stored.size();
        bool changed = false;
        for (const Change &change : it.value()) {
            removeSameIdentifier(stored, change.cookie);
            if (change.keep && isStorable(change.cookie, now)) {
                stored.append(change.cookie);
                changed = true;
            }
        }
        changed = changed || stored.size() != before;
        if (!changed)
            continue; // e.g. a session cookie that never had a line

        if (stored.isEmpty()) {
            QFile::remove(path);
            qCDebug(lcFiles).noquote() << "cookie file" << it.key() << "removed (no cookie left)";
            continue;
        }
        if (!QFileInfo::exists(m_folder) && QDir().mkpath(m_folder))
            QFile::setPermissions(m_folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QByteArray bytes;
        for (const QNetworkCookie &cookie : std::as_const(stored))
            bytes += cookie.toRawForm(QNetworkCookie::Full) + '\n';
        // All or nothing, mode 0600; a link of that name is replaced, never written through.
        const bool written = SafeFile::replace(path, bytes);
        // Names only: a cookie's value is the member's session.
        QStringList names;
        for (const QNetworkCookie &cookie : std::as_const(stored))
            names << QString::fromLatin1(cookie.name());
        qCDebug(lcFiles).noquote() << "cookie file" << it.key() << (written ? "written:" : "NOT written:") << names.join(QStringLiteral(", "));
    }
}
