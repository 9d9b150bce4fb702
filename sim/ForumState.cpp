#include "ForumState.h"

#include "FormCodec.h"

#include <QCryptographicHash>
#include <QRandomGenerator>

#include <optional>

namespace {

// The forum stores a security question as a digest of question and answer; an unset question or an
// empty answer digests to nothing. Two pairs match when their digests would.
std::optional<QPair<int, QString>> questionKey(int questionId, const QString &answer)
{
    if (questionId > 0 && !answer.isEmpty())
        return QPair<int, QString>(questionId, answer);
    return std::nullopt;
}

QByteArray randomToken(int bytes)
{
    QByteArray raw(bytes, Qt::Uninitialized);
    for (char &c : raw)
        c = char(QRandomGenerator::global()->bounded(256));
    // Like the forum's auth cookie: base64 with its "+", "/" and "=" percent-encoded.
    return raw.toBase64().toPercentEncoding();
}

bool isAllDigits(const QString &text)
{
    if (text.isEmpty())
        return false;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

} // namespace

ForumState::ForumState() : m_secret(randomToken(12))
{
    reset();
}

QList<ForumMember> ForumState::demoMembers()
{
    const QDate today = QDate::currentDate();
    QList<ForumMember> list;
    // uid, name, password, question, answer, e-mail, group, group id, Quorvel币, za, VIP level, expiry, avatar
    list.append({1234, QStringLiteral("alice"), QStringLiteral("alice123"), 0, {}, QStringLiteral("alice@example.com"),
                 QStringLiteral("注册会员"), 11, 120, 40, 0, {}, true});
    list.append({42, QStringLiteral("vipbob"), QStringLiteral("bob456"), 0, {}, QStringLiteral("vipbob@example.com"),
                 QStringLiteral("<font color=\"#FF6600\">VIP会员</font>"), 21, 300, 80, 1, today.addDays(10), true});
    list.append({12345, QStringLiteral("svipcarol"), QStringLiteral("carol789"), 0, {},
                 QStringLiteral("svipcarol@example.com"), QStringLiteral("<font color=\"#E19F01\"><b>SVIP会员</b></font>"),
                 22, 5000, 1000, 2, today.addDays(400), false});
    list.append({7, QStringLiteral("dave"), QStringLiteral("dave000"), 3, QStringLiteral("上海"),
                 QStringLiteral("dave@example.com"), QStringLiteral("中级会员"), 12, 10, 3, 0, {}, true});
    list.append({123, QStringLiteral("eve"), QStringLiteral("eve111"), 0, {}, QStringLiteral("eve@example.com"),
                 QStringLiteral("<font color=\"#FF0000\"><b>禁止访问</b></font>"), 5, 0, 0, 0, {}, false});
    list.append({2048, QStringLiteral("10086"), QStringLiteral("num222"), 0, {}, QStringLiteral("10086@example.com"),
                 QStringLiteral("新手上路"), 10, 50, 12, 0, {}, true});
    list.append({888, QStringLiteral("小明"), QStringLiteral("xm&=+%密码"), 0, {}, QStringLiteral("xiaoming@example.com"),
                 QStringLiteral("<B>注册会员</B>"), 11, 66, 20, 0, {}, false});
    list.append({1, QStringLiteral("admin"), QStringLiteral("admin000"), 0, {}, QStringLiteral("admin@example.com"),
                 QStringLiteral("<font color=\"#0000FF\"><b>管理员</b></font>"), 1, 9999, 9999, 0, {}, true});
    return list;
}

void ForumState::reset()
{
    m_members.clear();
    const QList<ForumMember> demo = demoMembers();
    for (const ForumMember &m : demo)
        m_members.push_back(m);
    m_sessions.clear();
    m_failures.clear();
    m_lastMail.clear();
    m_mailedUids.clear();
    m_clockOffset = 0;
}

ForumMember *ForumState::member(const QString &name)
{
    for (ForumMember &m : m_members) {
        if (m.name.compare(name, Qt::CaseInsensitive) == 0)
            return &m;
    }
    return nullptr;
}

ForumMember *ForumState::memberByUid(int uid)
{
    for (ForumMember &m : m_members) {
        if (m.uid == uid)
            return &m;
    }
    return nullptr;
}

ForumMember *ForumState::memberByAccount(const QString &account)
{
    if (ForumMember *byName = member(account))
        return byName;
    if (isAllDigits(account) && account.size() <= 9)
        return memberByUid(account.toInt());
    return nullptr;
}

ForumMember *ForumState::memberByEmail(const QString &email)
{
    for (ForumMember &m : m_members) {
        if (!email.isEmpty() && m.email.compare(email, Qt::CaseInsensitive) == 0)
            return &m;
    }
    return nullptr;
}

ForumMember *ForumState::memberForSignIn(const QString &account, const QString &loginField)
{
    if (m_settings.legacy)
        return memberByAccount(account);
    const QString field = m_settings.autoLoginField ? QStringLiteral("auto") : loginField;
    if (field == QLatin1String("email") || (field == QLatin1String("auto") && account.contains(QLatin1Char('@'))))
        return memberByEmail(account);
    // With UID sign-in off a number is a name, whatever the field says.
    if (!m_settings.uidLogin)
        return member(account);
    const bool digits = isAllDigits(account) && account.size() <= 9;
    if (field == QLatin1String("uid"))
        return digits ? memberByUid(account.toInt()) : nullptr;
    if (field == QLatin1String("auto")) {
        if (ForumMember *byUid = digits ? memberByUid(account.toInt()) : nullptr)
            return byUid;
    }
    return member(account);
}

QByteArray ForumState::formHash(const QByteArray &salt, const ForumMember *member) const
{
    const qint64 window = now().toSecsSinceEpoch() / 10000000;
    const QByteArray name = member ? member->name.toUtf8() : QByteArray();
    const QByteArray uid = QByteArray::number(member ? member->uid : 0);
    const QByteArray input = salt + '|' + name + '|' + uid + '|' + m_secret + '|' + QByteArray::number(window);
    return QCryptographicHash::hash(input, QCryptographicHash::Md5).toHex().mid(8, 8);
}

void ForumState::addMember(const ForumMember &member)
{
    if (ForumMember *existing = memberByUid(member.uid)) {
        *existing = member;
        return;
    }
    m_members.push_back(member);
}

QDateTime ForumState::now() const
{
    return QDateTime::currentDateTime().addSecs(m_clockOffset);
}

void ForumState::advanceTime(qint64 seconds)
{
    m_clockOffset += seconds;
}

int ForumState::recentFailures(const QString &address) const
{
    const QDateTime since = now().addSecs(-kLockSeconds);
    int count = 0;
    for (const QDateTime &t : m_failures.value(address)) {
        if (t > since)
            ++count;
    }
    return count;
}

void ForumState::recordFailure(const QString &address)
{
    QList<QDateTime> &list = m_failures[address];
    const QDateTime since = now().addSecs(-kLockSeconds);
    list.removeIf([&](const QDateTime &t) { return t <= since; });
    list.append(now());
}

ForumState::LoginResult ForumState::login(const QString &address, const QString &account, const QString &password,
                                          int questionId, const QString &answer, const QString &loginField)
{
    LoginResult result;
    // Locked addresses are refused before the account is even looked at, correct passwords too.
    if (recentFailures(address) >= kLoginTries) {
        result.kind = LoginResult::Kind::Locked;
        return result;
    }
    ForumMember *m = memberForSignIn(account, loginField);
    LoginResult::Kind refusal = LoginResult::Kind::Success;
    if (!m || m->password != password)
        refusal = LoginResult::Kind::BadCredentials;
    else if (questionKey(m->questionId, m->answer) != questionKey(questionId, answer))
        refusal = (questionId <= 0 || answer.isEmpty()) ? LoginResult::Kind::QuestionEmpty
                                                        : LoginResult::Kind::QuestionInvalid;
    if (refusal == LoginResult::Kind::Success) {
        result.kind = refusal;
        result.member = m;
        return result;
    }
    recordFailure(address);
    const int left = kLoginTries - recentFailures(address);
    // The try that uses up the last chance already gets the lock message.
    result.kind = left <= 0 ? LoginResult::Kind::Locked : refusal;
    result.triesLeft = qMax(left, 0);
    return result;
}

QByteArray ForumState::openSession(int uid, const QByteArray &salt)
{
    QByteArray token;
    do {
        token = randomToken(24);
    } while (m_sessions.contains(token));
    m_sessions.insert(token, Session{uid, salt});
    return token;
}

void ForumState::markSignedOut(const QByteArray &auth)
{
    const auto it = m_sessions.find(auth);
    if (it != m_sessions.end())
        it->signedOut = true;
}

int ForumState::openSessionCount() const
{
    int count = 0;
    for (const Session &session : m_sessions)
        count += session.signedOut ? 0 : 1;
    return count;
}

bool ForumState::isSignedOut(const QByteArray &auth) const
{
    const auto it = m_sessions.constFind(auth);
    return it != m_sessions.constEnd() && it->signedOut;
}

ForumMember *ForumState::sessionMember(const QByteArray &auth, const QByteArray &salt)
{
    if (auth.isEmpty() || salt.isEmpty())
        return nullptr;
    const auto it = m_sessions.constFind(auth);
    if (it == m_sessions.constEnd() || it->salt != salt)
        return nullptr;
    return memberByUid(it->uid);
}

qint64 ForumState::exchangeCost(qint64 amount)
{
    return amount <= 0 ? 0 : amount / 4 + (amount % 4 ? 1 : 0);
}

ForumState::ExchangeResult ForumState::exchange(ForumMember &member, const QString &password,
                                                const QString &amountText, int toCredit, int fromCredit)
{
    ExchangeResult result;
    result.amount = FormCodec::intValue(amountText);
    result.cost = exchangeCost(result.amount);
    if (password.isEmpty() || password != member.password)
        result.kind = ExchangeResult::Kind::WrongPassword;
    else if (result.amount == 0)
        result.kind = ExchangeResult::Kind::ZeroAmount;
    else if (result.amount < 0)
        result.kind = ExchangeResult::Kind::NegativeAmount;
    else if (toCredit != 1 || fromCredit != 4)
        result.kind = ExchangeResult::Kind::UnknownRule;
    else if (member.za < result.cost)
        result.kind = ExchangeResult::Kind::TooFew;
    else {
        member.za -= result.cost;
        member.quorvelbi += result.amount;
        result.kind = ExchangeResult::Kind::Success;
    }
    return result;
}

ForumState::LostPasswordResult ForumState::lostPassword(const QString &name, const QString &email)
{
    ForumMember *m = name.isEmpty() ? nullptr : member(name);
    if (!m || email.trimmed().isEmpty() || m->email.compare(email.trimmed(), Qt::CaseInsensitive) != 0)
        return LostPasswordResult::NoMatch;
    if (m->isAdministrator())
        return LostPasswordResult::Administrator;
    const auto last = m_lastMail.constFind(m->uid);
    if (last != m_lastMail.constEnd() && last->secsTo(now()) < kLostPasswordRepeatSeconds)
        return LostPasswordResult::TooSoon;
    m_lastMail.insert(m->uid, now());
    m_mailedUids.append(m->uid);
    return LostPasswordResult::Sent;
}
