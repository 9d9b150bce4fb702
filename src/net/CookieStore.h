#pragma once
// The shared cookie store: cookies in memory, persistent ones also as *.txt files in the cookies
// folder. Cookies are sent only to the site's own hosts (the roles of the settings it is given).
#include <QNetworkCookie>
#include <QNetworkCookieJar>
#include <QString>

class Settings;

class CookieStore : public QNetworkCookieJar
{
    Q_OBJECT
public:
    // settings (the site's hosts) must outlive the store.
    explicit CookieStore(const Settings &settings, QObject *parent = nullptr);

    // Folder of the *.txt files; loads the cookies found there (expired ones are dropped). Moving
    // to another folder starts from that folder's cookies alone; naming the current folder again
    // changes nothing. An empty folder: memory only.
    void setFolder(const QString &folder);
    [[nodiscard]] QString folder() const;

    // Ends the browser session: forgets every cookie held in memory (files stay).
    void endSession();

    [[nodiscard]] QList<QNetworkCookie> allCookies() const { return QNetworkCookieJar::allCookies(); }

    // A cookie set with an expiry in the past (sign-out's "deleted" cookies) removes the stored one.
    // A Secure cookie is taken from HTTPS answers only, and (Qt's rule) sent over HTTPS only; the
    // files keep every attribute (Secure, HttpOnly, SameSite, expiry).
    bool setCookiesFromUrl(const QList<QNetworkCookie> &cookieList, const QUrl &url) override;
    // Empty for any address that is not one of the site's hosts.
    [[nodiscard]] QList<QNetworkCookie> cookiesForUrl(const QUrl &url) const override;

    // Keep the files in step with memory, however a cookie is changed.
    bool insertCookie(const QNetworkCookie &cookie) override;
    bool deleteCookie(const QNetworkCookie &cookie) override;

    // True when host and port of url are those of one of the site's roles, and url is not the
    // connectivity probe's address. Cookies are taken from and sent to these only.
    [[nodiscard]] bool isSiteAddress(const QUrl &url) const;
    // A cookies folder that is a symbolic link: refused (memory only, nothing read, written or
    // deleted through it), as linked cookie files are.
    [[nodiscard]] static bool isLinkedFolder(const QString &folder);
    // The file (a plain name inside the folder, "*.txt") that holds the cookies of a domain.
    [[nodiscard]] static QString fileNameForDomain(const QString &domain);


signals:
    // The browser session ended: every cookie in memory is gone (the files stay).
    void sessionEnded();
private:
    struct Change {
        QNetworkCookie cookie;
        bool keep; // the cookie now stands (written when persistent); otherwise it is gone
    };
    void persist();
    void load();
    const Settings &m_settings;
    QString m_folder;
    QList<Change> m_pending;
    bool m_insideInsert = false;
    bool m_batching = false; // within setCookiesFromUrl: its changes are written together at its end
};
