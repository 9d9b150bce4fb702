#pragma once
// The forum's login captcha: a switch, the codes it issued (each bound to the visitor's salt
// cookie, the member and the id hash it was drawn for), the picture, and the checks of a login post
// and of the live check. Pure logic over the forum's clock; the site wires it to its routes.
//
//   GET /misc.php?mod=seccode&update=N&idhash=IDH           the picture (Referer host:port must be Host)
//   GET /misc.php?mod=seccode&action=check&inajax=1&modid=member::logging&idhash=IDH&secverify=X
//                                                           the live check: CDATA succeed | invalid
#include "HttpMessage.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

class ForumState;

class Captcha
{
public:
    explicit Captcha(const ForumState &state);

    static constexpr const char *kAlphabet = "BCEFGHJKMPQRTVWXY2346789";
    static constexpr int kCodeLength = 4;
    static constexpr qint64 kLifeSeconds = 600;
    static constexpr int kMaxChecks = 5; // live checks a code survives
    static constexpr int kWidth = 100;
    static constexpr int kHeight = 30;
    static constexpr const char *kModId = "member::logging";

    void setEnabled(bool enabled) { m_enabled = enabled; }
    [[nodiscard]] bool isEnabled() const { return m_enabled; }
    // Every code forgotten; the switch stays as it is.
    void clearCodes();

    // A fresh id hash for a login form: "cS" and four letters or digits.
    [[nodiscard]] static QString newIdHash();
    // Letters and digits only, at most 16: the id hashes the forum accepts in a cookie name.
    [[nodiscard]] static bool isValidIdHash(const QString &idHash);
    // "PREFIXseccodeIDH", the cookie that points at the newest code of a picture.
    [[nodiscard]] static QByteArray cookieName(const QByteArray &prefix, const QString &idHash);

    struct Issued {
        QByteArray code;        // four characters of kAlphabet
        QByteArray cookieValue; // what the picture's cookie carries
    };
    // A new code for this visitor; every older code of the same salt cookie is void from now on.
    Issued issue(const QByteArray &salt, int uid, const QString &idHash);

    enum class Verdict { Right, Missing, Wrong, Expired, Unknown };
    // The check of a login post: the code the cookie points at, for this salt, member and id hash,
    // not older than kLifeSeconds, compared without regard to case. The code is used up whatever
    // the verdict (a wrong answer too).
    Verdict verifyLogin(const QByteArray &cookieValue, const QByteArray &salt, int uid, const QString &idHash,
                        const QString &answer);
    // The live check: does not use the code up, but a code checked kMaxChecks times is dead.
    bool liveCheck(const QByteArray &cookieValue, const QByteArray &salt, int uid, const QString &idHash,
                   const QString &answer);

    // For tests: the newest live code of a salt cookie, or of any visitor; empty when none.
    [[nodiscard]] QByteArray codeForSalt(const QByteArray &salt) const;
    [[nodiscard]] QByteArray latestCode() const { return m_latestSalt.isEmpty() ? QByteArray() : codeForSalt(m_latestSalt); }
    [[nodiscard]] int liveCodeCount() const { return int(m_codes.size()); }

    // A 100 x 30 PNG showing the code, slightly turned letters over a light background with a few
    // thin lines: readable by a person. Without a GUI application (no fonts) the letters are bars.
    [[nodiscard]] static QByteArray png(const QByteArray &code);

    // The picture route: "Access Denied" text unless the Referer's host and port are the Host
    // header's; else the PNG with no-cache headers, and the cookie line appended to setCookies.
    HttpResponse pictureResponse(const HttpRequest &request, const QByteArray &cookiePrefix, const QByteArray &salt,
                                 int uid, QList<QByteArray> *setCookies);
    // The live check route's CDATA text ("succeed" or "invalid").
    QString liveCheckText(const HttpRequest &request, const QByteArray &cookiePrefix, const QByteArray &salt, int uid);

    // True when a Referer names the same host and port as the Host header (both required).
    [[nodiscard]] static bool sameOrigin(const QByteArray &referer, const QByteArray &host);

private:
    struct Code {
        QByteArray token; // the cookie value
        QByteArray code;
        int uid = 0;
        QString idHash;
        qint64 issuedAt = 0; // forum clock, seconds
        int checks = 0;
    };
    [[nodiscard]] qint64 now() const;
    // The code of this salt cookie when the cookie, member and id hash match and it is alive.
    Code *find(const QByteArray &cookieValue, const QByteArray &salt, int uid, const QString &idHash, Verdict *why);

    const ForumState &m_state;
    bool m_enabled = false;
    QHash<QByteArray, Code> m_codes; // by salt cookie: only the newest picture's code counts
    QByteArray m_latestSalt;
};
