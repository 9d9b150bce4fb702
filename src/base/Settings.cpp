#include "Settings.h"

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
constexpr const char *kHostOptions[5] = {"--forum-host", "--home-host", "--vip-host", "--soft-host", "--main-host"};
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

Settings &Settings::instance()
{
    static Settings settings;
    return settings;
}

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

bool Settings::applyArguments(const QStringList &arguments, QString *errorMessage)
{
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        QString option = arguments.at(i);
        if (option == QLatin1String("--no-proxy")) {
            setDirectConnection(true);
            continue;
        }
        QString value;
        const qsizetype eq = option.indexOf(QLatin1Char('='));
        const bool known = [&] {
            const QString name = eq > 0 ? option.left(eq) : option;
            if (name == QLatin1String("--probe-url") || name == QLatin1String("--data-dir")
                || name == QLatin1String("--ca-certificates") || name == QLatin1String("--proxy"))
                return true;
            for (const char *o : kHostOptions)
                if (name == QLatin1String(o))
                    return true;
            return false;
        }();
        if (!known)
            continue; // Qt's own options and the parser of main() handle the rest
        if (eq > 0) {
            value = option.mid(eq + 1);
            option = option.left(eq);
        } else if (i + 1 < arguments.size()) {
            value = arguments.at(++i);
        } else {
            if (errorMessage)
                *errorMessage = option + QStringLiteral(" needs a value");
            return false;
        }
        if (option == QLatin1String("--probe-url")) {
            const qsizetype separator = value.indexOf(QLatin1String("://"));
            const QString scheme = value.left(separator).toLower();
            if (separator >= 0 && scheme != QLatin1String("http") && scheme != QLatin1String("https")) {
                if (errorMessage)
                    *errorMessage = QStringLiteral("--probe-url \"%1\": the scheme must be http or https").arg(value);
                return false;
            }
            setProbeUrl(value);
        } else if (option == QLatin1String("--data-dir")) {
            setDataDir(value);
        } else if (option == QLatin1String("--ca-certificates")) {
            setCaCertificatesFile(value);
        } else if (option == QLatin1String("--proxy")) {
            if (value.trimmed().isEmpty()) {
                if (errorMessage)
                    *errorMessage = QStringLiteral("--proxy needs an address (http://HOST:PORT or socks5://HOST:PORT)");
                return false;
            }
            setProxyUrl(value.trimmed());
        } else {
            for (int r = 0; r < 5; ++r) {
                if (option != QLatin1String(kHostOptions[r]))
                    continue;
                QString why;
                if (!parseHostSetting(value, nullptr, nullptr, &why)) {
                    if (errorMessage)
                        *errorMessage = option + QLatin1Char(' ') + why;
                    return false;
                }
                setHost(static_cast<HostRole>(r), value);
            }
        }
    }
    if (directConnection() && !proxyUrl().isEmpty()) {
        if (errorMessage)
            *errorMessage = QStringLiteral("--proxy and --no-proxy cannot be given together");
        return false;
    }
    return true;
}
