#pragma once
// What the simulated forum remembers: members with their balances, open sessions, failed sign-ins
// per address, and when each member last asked for a new password. Pure logic without sockets.
#include "SimTypes.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <deque>

class ForumState
{
public:
    ForumState();

    // Demo members back, sessions, failed sign-ins, mail records and the clock offset cleared.
    void reset();
    [[nodiscard]] static QList<ForumMember> demoMembers();

    // The forum compares what it is sent as bytes in its code page (settings().utf8): a member's
    // texts are encoded in it and compared with the field's bytes, never the other way round.
    [[nodiscard]] QByteArray siteBytes(const QString &text) const;
    // By name as sent, compared without regard to ASCII case as the forum's database does.
    [[nodiscard]] ForumMember *memberNamed(const QByteArray &name);
    // By name as text (tests, control requests): the name in the site's code page.
    [[nodiscard]] ForumMember *member(const QString &name) { return memberNamed(siteBytes(name)); }
    [[nodiscard]] ForumMember *memberByUid(int uid);
    // A sign-in account on the older site: a member name first, else a UID when the text is all digits.
    [[nodiscard]] ForumMember *memberByAccount(const QByteArray &account);
    [[nodiscard]] ForumMember *memberByEmail(const QByteArray &email);
    // The member a sign-in names under the site's settings: the older site's rule, or today's
    // (loginfield username/uid/email/auto, UID sign-in and the automatic field as set).
    [[nodiscard]] ForumMember *memberForSignIn(const QByteArray &account, const QByteArray &loginField);

    // How the site answers; kept by reset(), which restores members and sessions only.
    [[nodiscard]] const SimSiteSettings &settings() const { return m_settings; }
    void setSettings(const SimSiteSettings &settings) { m_settings = settings; }

    // The session's form token: 8 hex digits from the salt cookie, the member (a guest is an empty
    // name and uid 0), the site's secret and a time window of 10^7 seconds.
    [[nodiscard]] QByteArray formHash(const QByteArray &salt, const ForumMember *member) const;
    // Adds a member, or replaces the one with the same UID. Pointers to other members stay valid.
    void addMember(const ForumMember &member);
    [[nodiscard]] const std::deque<ForumMember> &members() const { return m_members; }

    // The forum's clock: the real time plus an offset tests can move forward.
    [[nodiscard]] QDateTime now() const;
    void advanceTime(qint64 seconds);

    static constexpr int kLoginTries = 5;
    static constexpr qint64 kLockSeconds = 15 * 60;
    static constexpr qint64 kLostPasswordRepeatSeconds = 5 * 60;

    struct LoginResult {
        enum class Kind { Success, BadCredentials, QuestionEmpty, QuestionInvalid, Locked };
        Kind kind = Kind::BadCredentials;
        ForumMember *member = nullptr; // on success
        int triesLeft = 0;             // after a refusal that still allows tries
    };
    // Account, password, answer and field as sent (percent-decoded bytes).
    LoginResult login(const QString &address, const QByteArray &account, const QByteArray &password, int questionId,
                      const QByteArray &answer, const QByteArray &loginField = {});
    [[nodiscard]] int recentFailures(const QString &address) const;

    // A new auth token bound to the member and the salt cookie the client holds.
    QByteArray openSession(int uid, const QByteArray &salt);
    // The member of a session, only when both the auth token and its salt cookie are presented.
    // A signed-out session still counts: the forum keeps no list of them, copied cookies work.
    [[nodiscard]] ForumMember *sessionMember(const QByteArray &auth, const QByteArray &salt);
    [[nodiscard]] int sessionCount() const { return int(m_sessions.size()); }
    // The forum answered a proper log-out of this session with its cookie deletions.
    void markSignedOut(const QByteArray &auth);
    // Sessions opened by a sign-in and not yet answered with a proper log-out.
    [[nodiscard]] int openSessionCount() const;
    [[nodiscard]] bool isSignedOut(const QByteArray &auth) const;

    struct ExchangeResult {
        enum class Kind { Success, WrongPassword, ZeroAmount, NegativeAmount, UnknownRule, TooFew };
        Kind kind = Kind::WrongPassword;
        qint64 amount = 0; // Quorvel币 asked for
        qint64 cost = 0;   // za charged (or that would have been)
    };
    // Credit 1 (Quorvel币) received, paid in credit 4 (za) at 4 : 1, charged here.
    ExchangeResult exchange(ForumMember &member, const QByteArray &password, const QByteArray &amountText, int toCredit,
                            int fromCredit);
    // za for an amount of Quorvel币: a quarter, rounded up, so no amount comes free.
    [[nodiscard]] static qint64 exchangeCost(qint64 amount);

    enum class LostPasswordResult { Sent, NoMatch, Administrator, TooSoon };
    LostPasswordResult lostPassword(const QByteArray &name, const QByteArray &email);
    // Members a password mail was sent to, in order.
    [[nodiscard]] QList<int> mailedUids() const { return m_mailedUids; }

private:
    void recordFailure(const QString &address);
    [[nodiscard]] bool sameName(const QByteArray &a, const QByteArray &b) const;

    std::deque<ForumMember> m_members;
    struct Session {
        int uid = 0;
        QByteArray salt;
        bool signedOut = false;
    };
    SimSiteSettings m_settings;
    QByteArray m_secret;
    QHash<QByteArray, Session> m_sessions;
    QHash<QString, QList<QDateTime>> m_failures;
    QHash<int, QDateTime> m_lastMail;
    QList<int> m_mailedUids;
    qint64 m_clockOffset = 0;
};
