#pragma once
// The shared cookie store: cookies in memory, persistent ones also as *.txt files in the cookies
// folder. Cookies are sent only to the site's own hosts (Settings' roles).
#include <QNetworkCookieJar>
#include <QString>

class CookieStore : public QNetworkCookieJar
{
    Q_OBJECT
public:
    explicit CookieStore(QObject *parent = nullptr);

    // Folder of the *.txt files; loads the cookies found there (expired ones are dropped).
    void setFolder(const QString &folder);
    [[nodiscard]] QString folder() const;

    // Ends the browser session: forgets every cookie held in memory (files stay).
    void endSession();

    [[nodiscard]] QList<QNetworkCookie> allCookies() const { return QNetworkCookieJar::allCookies(); }

    // A cookie set with an expiry in the past (sign-out's "deleted" cookies) removes the stored one.
    bool setCookiesFromUrl(const QList<QNetworkCookie> &cookieList, const QUrl &url) override;
    // Empty for any address that is not one of the site's hosts.
    [[nodiscard]] QList<QNetworkCookie> cookiesForUrl(const QUrl &url) const override;

private:
    void persist();
    QString m_folder;
};
