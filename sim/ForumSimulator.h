#pragma once
// A local stand-in for the Quorvel site: every role (forum, member home, VIP, software, main site)
// and the connectivity-probe site on its own loopback port, with members, sessions and balances in
// memory, fault modes, and a log of every request received. Used in-process by the tests and by
// the quorvel-sim executable for the demo. Everything runs on the thread that owns the object.
//
// Control requests, on any role, never recorded and never faulted (answered text/plain "ok ..."):
//   GET /__sim/reset                         members, balances, sessions, locks, faults, version file back
//   GET /__sim/fault?mode=MODE[&path=TEXT][&role=ROLE][&count=N]   add a fault rule
//   GET /__sim/clearfaults
//   GET /__sim/slow?ms=N
//   GET /__sim/version?text=TEXT (UTF-8)  |  /__sim/version?missing=1  |  /__sim/version (default)
//   GET /__sim/member?name=NAME[&za=N][&quorvelbi=N][&vip=0|1|2][&vipdays=N][&avatar=0|1]
//   GET /__sim/requests                      the request log, one line per request:
//                                            "ROLE METHOD PATH N bytes[ BODY]", path and body as the
//                                            bytes came (any byte outside printable ASCII as %XX)
//   GET /__sim/site?[mode=current|legacy][&legacy=0|1][&guestprofiles=0|1][&uidlogin=0|1]
//                  [&autofield=0|1][&creditbuying=0|1][&charset=gbk|utf-8]
//                                            how the site answers (kept by reset); a mode keeps the charset
// The site's code page (SimSiteSettings::utf8): GBK by default; in UTF-8 every page and reply is
// written in UTF-8 and says so (Content-Type, <meta charset>, the XML declaration), and form fields
// and query values are compared as the bytes they came as, so a name, password or answer sent in
// the other code page never matches (a wrong password, an unknown member), ASCII in either.
//   GET /__sim/captcha[?on=0|1][&salt=SALT]  the login captcha switched; answers "ok captcha on|off code=C"
//                                            with the newest live code (of that salt cookie), "-" when none
// MODE: none slow empty errorpage status500 drop nocdata huge invalidgbk token503 noanswer.
// ROLE: forum home vip soft main probe.
#include "ForumSite.h"
#include "ForumState.h"
#include "SimTypes.h"

#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QSslCertificate>
#include <QSslKey>
#include <QStringList>
#include <array>
#include <optional>

class HttpConnection;
class QTcpServer;

class ForumSimulator : public QObject
{
    Q_OBJECT
public:
    using Role = SimRole;
    using Fault = SimFault;
    using Member = ForumMember;
    using RecordedRequest = ::RecordedRequest;

    explicit ForumSimulator(QObject *parent = nullptr);
    ~ForumSimulator() override;

    // Listens for every role on 127.0.0.1: free ports, or portBase + 0..5 (Forum, Home, Vip, Soft,
    // Main, Probe) when portBase is given. False (and nothing listening) when a port is taken.
    bool start(quint16 portBase = 0);
    void stop(); // closes the servers and every open connection
    // Another loopback address for one role (e.g. the probe site on 127.0.0.2, so that it is a
    // different host from the site's roles, not only a different port); takes effect at start().
    void setListenAddress(Role role, const QHostAddress &address);
    [[nodiscard]] bool isRunning() const;
    // Serves the given roles (every role when the list is empty) over TLS with this certificate
    // (chain: leaf first) and key; takes effect at start(). Cookies set over TLS are marked Secure,
    // as the real forum does on HTTPS. clearTls(): plain HTTP again.
    void setTls(const QList<QSslCertificate> &chain, const QSslKey &key, const QList<Role> &roles = {});
    void clearTls();
    [[nodiscard]] bool isTls(Role role) const { return m_tls[int(role)]; }

    [[nodiscard]] quint16 port(Role role) const;
    [[nodiscard]] QString hostAndPort(Role role) const; // "127.0.0.1:PORT" (or the role's own address)
    [[nodiscard]] QString probeUrl() const;             // "http[s]://127.0.0.1:PORT/"
    // "http://" or "https://" (isTls) + hostAndPort(role)
    [[nodiscard]] QString origin(Role role) const;
    // origin(role) + pathAndQuery
    [[nodiscard]] QString url(Role role, const QString &pathAndQuery = QStringLiteral("/")) const;

    // --forum-host H --home-host H --vip-host H --soft-host H --main-host H --probe-url URL, where
    // H is origin(role)
    [[nodiscard]] QStringList clientArguments() const;

    [[nodiscard]] QList<RecordedRequest> requests() const { return m_requests; }
    // Requests whose path and query contain the text.
    [[nodiscard]] QList<RecordedRequest> requestsTo(const QByteArray &pathContains) const;
    void clearRequests() { m_requests.clear(); }

    // Adds a rule: requests whose path and query contain pathContains (empty: every request), on
    // the given role (none: every role), get the fault; count limits it to the next N matching
    // requests (-1: until cleared). The first matching rule wins.
    void setFault(Fault fault, const QByteArray &pathContains = {}, std::optional<Role> role = std::nullopt,
                  int count = -1);
    void clearFaults();
    void setSlowDelayMs(int ms);
    [[nodiscard]] int slowDelayMs() const { return m_slowDelayMs; }
    // Content of /version/main.txt; empty makes the file missing (404).
    void setVersionText(const QByteArray &textOrEmptyForMissing);
    [[nodiscard]] QByteArray versionText() const;

    [[nodiscard]] Member *member(const QString &name);
    [[nodiscard]] Member *memberByUid(int uid);
    void addMember(const Member &member);
    // Members, balances, sessions, locks and mail records back to the demo set; faults, the slow
    // delay and the version file back to their defaults. Member pointers handed out before are void.
    void resetState();
    [[nodiscard]] static QList<Member> demoMembers() { return ForumState::demoMembers(); }

    // How the site answers: today's release of the forum software by default, or the older site;
    // in GBK by default, or in UTF-8 (settings.utf8).
    void setSiteSettings(const SimSiteSettings &settings) { m_state.setSettings(settings); }
    [[nodiscard]] SimSiteSettings siteSettings() const { return m_state.settings(); }

    // Moves the forum's clock forward (sign-in lock, lost-password repeat refusal).
    void advanceTime(qint64 seconds) { m_state.advanceTime(seconds); }
    // UIDs a password mail went to, in order.
    [[nodiscard]] QList<int> mailedUids() const { return m_state.mailedUids(); }
    [[nodiscard]] ForumState &state() { return m_state; }
    // The login captcha: off after start and after resetState().
    [[nodiscard]] Captcha &captcha() { return m_site.captcha(); }
    void setCaptchaEnabled(bool enabled) { m_site.captcha().setEnabled(enabled); }

    // Cookie names the forum uses ("qvbbs_2132_auth", "qvbbs_2132_saltkey").
    [[nodiscard]] static QByteArray authCookieName() { return ForumSite::authCookieName(); }
    [[nodiscard]] static QByteArray saltCookieName() { return ForumSite::saltCookieName(); }

    [[nodiscard]] static QString roleName(Role role);
    [[nodiscard]] static std::optional<Role> roleFromName(const QString &name);
    [[nodiscard]] static QString faultName(Fault fault);
    [[nodiscard]] static std::optional<Fault> faultFromName(const QString &name);
    [[nodiscard]] static QStringList faultNames();
    // "gbk" -> false, "utf-8" -> true (any letter case); anything else: none.
    [[nodiscard]] static std::optional<bool> utf8FromCharset(const QString &name);
    [[nodiscard]] static QString charsetName(bool utf8); // "gbk" or "utf-8"

    static constexpr int kDefaultSlowDelayMs = 35000; // beyond the client's 30 s limit
    static constexpr qsizetype kHugeBytes = 9 * 1024 * 1024;

signals:
    // After a request has been recorded (control requests excluded).
    void requestReceived(const QByteArray &method, const QByteArray &pathAndQuery);

private:
    struct FaultRule {
        Fault fault = Fault::None;
        QByteArray pathContains;
        std::optional<Role> role;
        int remaining = -1;
    };

    void onNewConnection(Role role);
    void onRequest(Role role, HttpConnection *connection, const HttpRequest &request);
    HttpResponse controlRequest(const HttpRequest &request);
    Fault takeFault(Role role, const QByteArray &target);
    void deliver(HttpConnection *connection, Fault fault, HttpResponse response);

    ForumState m_state;
    ForumSite m_site;
    std::array<QTcpServer *, kSimRoleCount> m_servers{};
    std::array<QHostAddress, kSimRoleCount> m_addresses{};
    std::array<bool, kSimRoleCount> m_tls{};
    QList<QSslCertificate> m_tlsChain;
    QSslKey m_tlsKey;
    QList<HttpConnection *> m_connections;
    QList<RecordedRequest> m_requests;
    QList<FaultRule> m_faults;
    int m_slowDelayMs = kDefaultSlowDelayMs;
};
