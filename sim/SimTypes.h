#pragma once
// Plain types of the forum simulator, shared by its parts and re-exported by ForumSimulator.
#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QList>
#include <QPair>
#include <QString>

// The site's hosts, each served on its own loopback port; Probe is the connectivity-probe site.
enum class SimRole { Forum, Home, Vip, Soft, Main, Probe };
inline constexpr int kSimRoleCount = 6;

// How a matching request is answered instead of (or on top of) the normal reply.
// Empty, ErrorPage, Status500, Token503 and NoAnswer answer before the forum acts on the request
// (nothing is charged, no session opens); Slow, Drop, NoCdata, Huge and InvalidGbk act on it
// first and only spoil the delivery, as a server that fails late would.
enum class SimFault {
    None,
    Slow,       // the normal reply, sent after the slow delay
    Empty,      // 200 with an empty body
    ErrorPage,  // 200 with an HTML error page (no CDATA)
    Status500,  // 500 with an HTML error page
    Drop,       // headers and half the body, then the connection is closed
    NoCdata,    // the AJAX envelope without its CDATA section
    Huge,       // the normal reply padded beyond 8 MiB
    InvalidGbk, // the normal reply with byte sequences that are not GBK
    Token503,   // 503 with the form-token error page
    NoAnswer    // the request is read, the connection stays open, nothing is ever sent
};

// The site's settings that decide how it answers. The defaults are today's release of the forum
// software as it ships; older() is the site the client was first written for.
struct SimSiteSettings {
    bool legacy = false;             // fixed form tokens accepted, pages carry no token
    bool guestsViewProfiles = false; // guests may read profiles
    bool uidLogin = false;           // members may sign in by UID
    bool autoLoginField = false;     // every loginfield is read as "auto"
    bool creditBuying = false;       // op=buy shows the credit list
    // The site's code page is UTF-8, else GBK: what its pages and replies are written in and
    // declare, and the only code page in which what a client sends matches (nothing is converted).
    bool utf8 = false;

    [[nodiscard]] static SimSiteSettings current() { return {}; }
    [[nodiscard]] static SimSiteSettings older() { return {true, true, true, true, true, false}; }
    bool operator==(const SimSiteSettings &) const = default;
};

// What the forum made of the form token a request carried.
enum class SimTokenCheck {
    None,    // no formhash in the query or body
    Valid,   // the session's current token
    Fixed,   // a fixed token the older site lets through
    Refused, // any other token: answered 503 (302 for the log-out)
};

struct ForumMember {
    int uid = 0;
    QString name;
    QString password;
    int questionId = 0; // 0: no security question; 1-7 as the login window numbers them
    QString answer;
    QString email;
    QString group;      // group title as the site shows it, markup included
    int groupId = 10;   // 1-3 are administrator groups
    qint64 quorvelbi = 0;
    qint64 za = 0;
    int vipLevel = 0;   // 0 none, 1 VIP, 2 SVIP
    QDate vipExpiry;
    bool hasAvatar = false;

    [[nodiscard]] bool isAdministrator() const { return groupId >= 1 && groupId <= 3; }
};

struct RecordedRequest {
    SimRole role = SimRole::Forum;
    QByteArray method;
    QByteArray pathAndQuery; // exactly as received
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;         // raw bytes
    QDateTime received;
    // The formhash the request carried (body first, then query), the token its session had at
    // that moment (from the salt cookie and member it presented), and the forum's verdict.
    QByteArray formHash;
    QByteArray sessionFormHash;
    SimTokenCheck tokenCheck = SimTokenCheck::None;
    bool utf8 = false;       // the site's code page when the request came (SimSiteSettings::utf8)

    // First header of that name, compared without regard to case; empty when absent.
    [[nodiscard]] QByteArray header(const QByteArray &name) const;
    // One field of the form body or of the query: percent-decoded bytes, as the forum compares them.
    [[nodiscard]] QByteArray formBytes(const QByteArray &name) const;
    [[nodiscard]] QByteArray queryBytes(const QByteArray &name) const;
    // The same read in the site's code page of that moment; empty when absent.
    [[nodiscard]] QString formValue(const QByteArray &name) const;
    [[nodiscard]] QString queryValue(const QByteArray &name) const;
};
