#pragma once
// Hosts of the site's roles, the probe address and the data folder, with their command-line options.
#include <QString>
#include <QStringList>

enum class HostRole { Forum, Home, Vip, Soft, Main };

class Settings
{
public:
    static Settings &instance();

    // "host[:port]" of a role, without scheme.
    [[nodiscard]] QString host(HostRole role) const;
    void setHost(HostRole role, const QString &hostAndPort);
    // "http://" + host(role) + pathAndQuery.
    [[nodiscard]] QString url(HostRole role, const QString &pathAndQuery) const;

    [[nodiscard]] QString probeUrl() const;
    void setProbeUrl(const QString &url);

    // The program folder: login.ini, the skins and Cookies/. Created when missing.
    [[nodiscard]] QString dataDir() const;
    void setDataDir(const QString &dir);
    // The account's home folder: HOME, or the account database's entry when HOME is unset or
    // empty (the per-user data folder is then found there, never under "/").
    [[nodiscard]] static QString accountHome();
    // Folder with the shipped skins and pictures (next to the executable, or the install prefix).
    [[nodiscard]] QString resourceDir() const;
    void setResourceDir(const QString &dir);

    // Applies --forum-host, --home-host, --vip-host, --soft-host, --main-host, --probe-url,
    // --data-dir. Returns false (with a message) on a bad command line.
    bool applyArguments(const QStringList &arguments, QString *errorMessage = nullptr);

    // Default hosts of the real site and the executable's folder.
    void restoreDefaults();

private:
    Settings();
    QString m_hosts[5];
    QString m_probeUrl;
    QString m_dataDir;
    QString m_resourceDir;
};
