#include "Settings.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <pwd.h>
#include <unistd.h>

namespace {

// Role order matches HostRole.
constexpr const char *kDefaultHosts[5] = {"bbs.quorvel.com", "home.quorvel.com", "vip.quorvel.com",
                                          "soft.quorvel.com", "www.quorvel.com"};
constexpr const char *kHostOptions[5] = {"forum-host", "home-host", "vip-host", "soft-host", "main-host"};
constexpr const char *kDefaultProbeUrl = "http://www.baidu.com/";

QString executableDir()
{
    return QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QDir::currentPath();
}

// Qt takes the home folder from HOME alone and falls back to "/" without it: the per-user data
// folder would become "/.local/share/...". The account database knows the real one.
void ensureHomeKnown()
{
    if (!qEnvironmentVariableIsEmpty("HOME"))
        return;
    const QString home = Settings::accountHome();
    if (!home.isEmpty())
        qputenv("HOME", QFile::encodeName(home));
}

bool isWritableDir(const QString &dir)
{
    const QFileInfo info(dir);
    return info.isDir() && info.isWritable();
}

} // namespace

Settings::Settings()
{
    restoreDefaults();
}

void Settings::restoreDefaults()
{
    for (int i = 0; i < 5; ++i) {
        m_hosts[i] = QString::fromLatin1(kDefaultHosts[i]);
        m_schemes[i] = QStringLiteral("http");
    }
    m_caCertificatesFile.clear();
    m_proxyUrl.clear();
    m_directConnection = false;
    m_probeUrl = QString::fromLatin1(kDefaultProbeUrl);
    m_dataDir.clear();
    m_resourceDir.clear();
}

QString Settings::host(HostRole role) const
{
    return m_hosts[static_cast<int>(role)];
}

void Settings::setHost(HostRole role, const QString &hostSetting)
{
    QString scheme;
    QString hostAndPort;
    if (!parseHostSetting(hostSetting, &scheme, &hostAndPort)) {
        // Kept as given: every address made from it is invalid, so its requests fail.
        scheme = QStringLiteral("http");
        hostAndPort = hostSetting;
    }
    m_schemes[static_cast<int>(role)] = scheme;
    m_hosts[static_cast<int>(role)] = hostAndPort;
}

QString Settings::scheme(HostRole role) const
{
    return m_schemes[static_cast<int>(role)];
}

QString Settings::origin(HostRole role) const
{
    return scheme(role) + QStringLiteral("://") + host(role);
}

QString Settings::url(HostRole role, const QString &pathAndQuery) const
{
    return origin(role) + pathAndQuery;
}

bool Settings::parseHostSetting(const QString &setting, QString *scheme, QString *hostAndPort, QString *errorMessage)
{
    const auto refuse = [errorMessage](const QString &why) {
        if (errorMessage)
            *errorMessage = why;
        return false;
    };
    QString rest = setting.trimmed();
    QString found = QStringLiteral("http");
    const qsizetype separator = rest.indexOf(QLatin1String("://"));
    if (separator >= 0) {
        found = rest.left(separator).toLower();
        if (found != QLatin1String("http") && found != QLatin1String("https"))
            return refuse(QStringLiteral("\"%1\": the scheme must be http or https").arg(setting));
        rest = rest.mid(separator + 3);
    }
    // A trailing "/" is harmless; any other path would be glued before every page's own path.
    if (rest.endsWith(QLatin1Char('/')))
        rest.chop(1);
    if (rest.isEmpty())
        return refuse(QStringLiteral("\"%1\": no host").arg(setting));
    if (rest.contains(QLatin1Char('/')) || rest.contains(QLatin1Char('?')) || rest.contains(QLatin1Char('#')))
        return refuse(QStringLiteral("\"%1\": only [scheme://]host[:port], without a path").arg(setting));
    if (scheme)
        *scheme = found;
    if (hostAndPort)
        *hostAndPort = rest;
    return true;
}

QString Settings::probeUrl() const
{
    return m_probeUrl;
}

void Settings::setProbeUrl(const QString &url)
{
    m_probeUrl = url;
}

QString Settings::dataDir() const
{
    QString dir = m_dataDir;
    if (dir.isEmpty()) {
        // The program folder when it is writable (a portable copy), else the per-user data folder.
        dir = executableDir();
        if (!isWritableDir(dir) || QFileInfo(resourceDir()).canonicalFilePath() != QFileInfo(dir).canonicalFilePath()) {
            ensureHomeKnown();
            dir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        }
        if (dir.isEmpty())
            dir = QDir::homePath() + QStringLiteral("/.quorvel");
    }
    QDir().mkpath(dir);
    return QDir::cleanPath(dir);
}

QString Settings::accountHome()
{
    const QString fromEnvironment = qEnvironmentVariable("HOME");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    const struct passwd *account = ::getpwuid(::getuid());
    if (account && account->pw_dir && account->pw_dir[0] == '/')
        return QFile::decodeName(account->pw_dir);
    return {};
}

void Settings::setDataDir(const QString &dir)
{
    m_dataDir = dir.isEmpty() ? QString() : QDir(dir).absolutePath();
}

QString Settings::resourceDir() const
{
    if (!m_resourceDir.isEmpty())
        return m_resourceDir;
    // Installed layout: <prefix>/bin/quorvel with resources in <prefix>/share/quorvel.
    const QString exeDir = executableDir();
    const QString installed = QDir::cleanPath(exeDir + QStringLiteral("/../share/quorvel"));
    if (QFileInfo::exists(installed + QStringLiteral("/2.she")))
        return installed;
    return exeDir;
}

void Settings::setResourceDir(const QString &dir)
{
    m_resourceDir = dir;
}

void Settings::addOptions(QCommandLineParser &parser)
{
    parser.setApplicationDescription(QStringLiteral("Quorvel member client."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QString host = QStringLiteral("[http[s]://]host[:port]");
    parser.addOptions({
        {QString::fromLatin1(kHostOptions[0]), QStringLiteral("Forum host (sign-in, profiles, avatars)."), host},
        {QString::fromLatin1(kHostOptions[1]), QStringLiteral("Member-home host (profile pages, credits)."), host},
        {QString::fromLatin1(kHostOptions[2]), QStringLiteral("VIP host (VIP front page)."), host},
        {QString::fromLatin1(kHostOptions[3]), QStringLiteral("Software host (version file)."), host},
        {QString::fromLatin1(kHostOptions[4]), QStringLiteral("Main site host (front page)."), host},
        {QStringLiteral("probe-url"), QStringLiteral("Address fetched to test the network connection."),
         QStringLiteral("url")},
        {QStringLiteral("ca-certificates"),
         QStringLiteral("Also trust the certificate authorities in this PEM file for https hosts."),
         QStringLiteral("file")},
        {QStringLiteral("data-dir"), QStringLiteral("Program folder for login.ini, the skins and the cookies."),
         QStringLiteral("dir")},
        {QStringLiteral("proxy"),
         QStringLiteral("Every request through this proxy: http://HOST:PORT or socks5://HOST:PORT, with "
                        "user:password@ before the host when it asks for them. Without it, the system's "
                        "proxy settings (http_proxy, https_proxy, no_proxy, else the desktop's)."),
         QStringLiteral("url")},
        {QStringLiteral("no-proxy"), QStringLiteral("Every request direct, whatever the system's proxy settings say.")},
        {QStringLiteral("verbose"),
         QStringLiteral("Diagnostics on standard error: requests, replies read, files written (never a secret).")},
    });
}

bool Settings::applyArguments(const QCommandLineParser &parser, QString *errorMessage)
{
    const auto refuse = [errorMessage](const QString &why) {
        if (errorMessage)
            *errorMessage = why;
        return false;
    };
    // Every value an option was given is checked, and the last one given counts.
    for (int r = 0; r < 5; ++r) {
        const QString option = QString::fromLatin1(kHostOptions[r]);
        const QStringList values = parser.values(option);
        for (const QString &value : values) {
            QString why;
            if (!parseHostSetting(value, nullptr, nullptr, &why))
                return refuse(QStringLiteral("--") + option + QLatin1Char(' ') + why);
            setHost(static_cast<HostRole>(r), value);
        }
    }
    const QStringList probeUrls = parser.values(QStringLiteral("probe-url"));
    for (const QString &value : probeUrls) {
        const qsizetype separator = value.indexOf(QLatin1String("://"));
        const QString scheme = value.left(separator).toLower();
        if (separator >= 0 && scheme != QLatin1String("http") && scheme != QLatin1String("https"))
            return refuse(QStringLiteral("--probe-url \"%1\": the scheme must be http or https").arg(value));
        setProbeUrl(value);
    }
    if (parser.isSet(QStringLiteral("data-dir")))
        setDataDir(parser.value(QStringLiteral("data-dir")));
    if (parser.isSet(QStringLiteral("ca-certificates")))
        setCaCertificatesFile(parser.value(QStringLiteral("ca-certificates")));
    const QStringList proxies = parser.values(QStringLiteral("proxy"));
    for (const QString &value : proxies) {
        if (value.trimmed().isEmpty())
            return refuse(QStringLiteral("--proxy needs an address (http://HOST:PORT or socks5://HOST:PORT)"));
        setProxyUrl(value.trimmed());
    }
    if (parser.isSet(QStringLiteral("no-proxy")))
        setDirectConnection(true);
    if (directConnection() && !proxyUrl().isEmpty())
        return refuse(QStringLiteral("--proxy and --no-proxy cannot be given together"));
    return true;
}
