#pragma once
// The forum's code page, as its own pages and replies declare it, kept for the forum host for the
// member session. The forum compares the texts of a form as the bytes they arrive in, so whatever
// a member typed goes out in this code page; GBK until the forum has declared one (the older site
// declares GBK or nothing).
#include <QByteArray>
#include <QString>

class QUrl;
class Settings;

class ForumCharset
{
public:
    // The forum host is that of settings now (which must outlive this); another host knows nothing yet.
    explicit ForumCharset(const Settings &settings);

    // The code page for the forms and queries of the forum host now set: the last one its pages
    // declared, or GBK.
    [[nodiscard]] QByteArray forForms() const;
    // True once a page of the forum declared a code page this program can use.
    [[nodiscard]] bool isDeclared() const;

    // Learns from a whole answer of the forum software's hosts (forum, home, VIP) with a 2xx status
    // that declares its code page (CodePage::declaration). An odd or unknown declaration, and one no
    // form could be written in (UTF-16), changes nothing; either is named in the verbose log.
    void noteReply(const QUrl &url, int status, const QByteArray &contentType, const QByteArray &body);

    // Forgets what was learned (tests that play several forums on one host).
    void forget();

private:
    // What was learned, for the forum origin it was learned of.
    [[nodiscard]] QByteArray learned() const;

    const Settings &m_settings;
    QString m_forumOrigin;
    QByteArray m_charset;
};
