#pragma once
// Hosts of the site's roles, the probe address and the data folder, with their command-line options.
#include <QString>
#include <QStringList>

class QCommandLineParser;

enum class HostRole { Forum, Home, Vip, Soft, Main };

// A value: the member session owns the one the program runs with.
class Settings
{
public:
    Settings();

    // "host[:port]" of a role, without scheme.
    [[nodiscard]] QString host(HostRole role) const;
    // "[scheme://]host[:port]": the scheme is http (the default) or https. Anything else before
    // "://" is kept as part of the host, which then fails as an address (applyArguments refuses it).
    void setHost(HostRole role, const QString &hostSetting);
    // "http" or "https".
    [[nodiscard]] QString scheme(HostRole role) const;
    // scheme(role) + "://" + host(role).
    [[nodiscard]] QString origin(HostRole role) const;
    // origin(role) + pathAndQuery.
    [[nodiscard]] QString url(HostRole role, const QString &pathAndQuery) const;

    // Splits "[scheme://]host[:port]" into a lower-case scheme (http when absent) and the rest.
    // False (with a message) for another scheme, an empty host, or a path after the host.
    static bool parseHostSetting(const QString &setting, QString *scheme, QString *hostAndPort,
                                 QString *errorMessage = nullptr);

    [[nodiscard]] QString probeUrl() const;
    void setProbeUrl(const QString &url);

    // The program folder: login.ini, the skins and Cookies/. Created when missing.
    [[nodiscard]] QString dataDir() const;
    void setDataDir(const QString &dir);
    // "<data folder>/Cookies", the cookie files of the forum session (not created here).
    [[nodiscard]] QString cookiesDir() const { return dataDir() + QStringLiteral("/Cookies"); }
    // The account's home folder: HOME, or the account database's entry when HOME is unset or
    // empty (the per-user data folder is then found there, never under "/").
    [[nodiscard]] static QString accountHome();
    // Folder with the shipped skins and pictures (next to the executable, or the install prefix).
    [[nodiscard]] QString resourceDir() const;
    void setResourceDir(const QString &dir);

    // PEM file of extra certificate authorities (--ca-certificates); empty: the system's alone.
    // The network layer loads it (Network::useCaCertificatesFile).
    [[nodiscard]] QString caCertificatesFile() const { return m_caCertificatesFile; }
    void setCaCertificatesFile(const QString &path) { m_caCertificatesFile = path; }

    // --proxy URL: every request through this proxy (the network layer reads and checks the
    // address, Network::checkProxySetting). --no-proxy: every request direct. Neither: the
    // system's proxy configuration (the environment's proxy variables, else the desktop's).
    [[nodiscard]] QString proxyUrl() const { return m_proxyUrl; }
    void setProxyUrl(const QString &url) { m_proxyUrl = url; }
    [[nodiscard]] bool directConnection() const { return m_directConnection; }
    void setDirectConnection(bool direct) { m_directConnection = direct; }

    // The program's whole command line, declared once on parser: the description, --help,
    // --version, --verbose and the options of these settings, with their help texts.
    static void addOptions(QCommandLineParser &parser);
    // Takes from a parser that addOptions declared and that has parsed the command line
    // --forum-host, --home-host, --vip-host, --soft-host, --main-host, --probe-url, --data-dir,
    // --ca-certificates, --proxy and --no-proxy. Returns false (with a message) on a bad value.
    bool applyArguments(const QCommandLineParser &parser, QString *errorMessage = nullptr);

    // Default hosts of the real site and the executable's folder.
    void restoreDefaults();

private:
    QString m_hosts[5];
    QString m_schemes[5];
    QString m_caCertificatesFile;
    QString m_proxyUrl;
    bool m_directConnection = false;
    QString m_probeUrl;
    QString m_dataDir;
    QString m_resourceDir;
};
