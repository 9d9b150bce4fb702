#include "ForumState.h"

#include "FormCodec.h"
#include "SiteCodePage.h"

#include <QCryptographicHash>
#include <QRandomGenerator>

#include <optional>

namespace {

// The forum stores a security question as a digest of question and answer bytes; an unset question
// or an empty answer digests to nothing. Two pairs match when their digests would.
std::optional<QPair<int, QByteArray>> questionKey(int questionId, const QByteArray &answer)
{
    if (questionId > 0 && !answer.isEmpty())
        return QPair<int, QByteArray>(questionId, answer);
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

bool isAllDigits(const QByteArray &text)
{
    if (text.isEmpty())
        return false;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

char asciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
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
    list.append({666, QStringLiteral("测试用户"), QStringLiteral("中文密码"), 1, QStringLiteral("王小红"),
                 QStringLiteral("ceshi@example.com"), QStringLiteral("注册会员"), 11, 88, 22, 0, {}, false});
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

QByteArray ForumState::siteBytes(const QString &text) const
{
    return SiteCodePage::encode(text, m_settings.utf8);
}

bool ForumState::sameName(const QByteArray &a, const QByteArray &b) const
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        const auto byte = uchar(a.at(i));
        if (byte < 0x80) {
            if (asciiLower(a.at(i)) != asciiLower(b.at(i)))
                return false;
            continue;
        }
        // Bytes of other characters are compared as they are. In GBK a byte from 0x81 up leads a
        // two-byte character whose second byte may be an ASCII letter's, which no case covers;
        // UTF-8 has no ASCII bytes inside a character.
        if (a.at(i) != b.at(i))
            return false;
        if (!m_settings.utf8 && byte >= 0x81 && i + 1 < a.size()) {
            ++i;
            if (a.at(i) != b.at(i))
                return false;
        }
    }
    return true;
}

ForumMember *ForumState::memberNamed(const QByteArray &name)
{
    for (ForumMember &m : m_members) {
        if (sameName(siteBytes(m.name), name))
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

ForumMember *ForumState::memberByAccount(const QByteArray &account)
{
    if (ForumMember *byName = memberNamed(account))
        return byName;
    if (isAllDigits(account) && account.size() <= 9)
        return memberByUid(account.toInt());
    return nullptr;
}

ForumMember *ForumState::memberByEmail(const QByteArray &email)
{
    for (ForumMember &m : m_members) {
        if (!email.isEmpty() && sameName(siteBytes(m.email), email))
            return &m;
    }
    return nullptr;
}

ForumMember *ForumState::memberForSignIn(const QByteArray &account, const QByteArray &loginField)
{
    if (m_settings.legacy)
        return memberByAccount(account);
    const QByteArray field = m_settings.autoLoginField ? QByteArrayLiteral("auto") : loginField;
    if (field == "email" || (field == "auto" && account.contains('@')))
        return memberByEmail(account);
    // With UID sign-in off a number is a name, whatever the field says.
    if (!m_settings.uidLogin)
        return memberNamed(account);
    const bool digits = isAllDigits(account) && account.size() <= 9;
    if (field == "uid")
        return digits ? memberByUid(account.toInt()) : nullptr;
    if (field == "auto") {
        if (ForumMember *byUid = digits ? memberByUid(account.toInt()) : nullptr)
            return byUid;
    }
    return memberNamed(account);
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

ForumState::LoginResult ForumState::login(const QString &address, const QByteArray &account, const QByteArray &password,
                                          int questionId, const QByteArray &answer, const QByteArray &loginField)
{
    LoginResult result;
    // Locked addresses are refused before the account is even looked at, correct passwords too.
    if (recentFailures(address) >= kLoginTries) {
        result.kind = LoginResult::Kind::Locked;
        return result;
    }
    ForumMember *m = memberForSignIn(account, loginField);
    LoginResult::Kind refusal = LoginResult::Kind::Success;
    if (!m || siteBytes(m->password) != password)
        refusal = LoginResult::Kind::BadCredentials;
    else if (questionKey(m->questionId, siteBytes(m->answer)) != questionKey(questionId, answer))
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

ForumState::ExchangeResult ForumState::exchange(ForumMember &member, const QByteArray &password,
                                                const QByteArray &amountText, int toCredit, int fromCredit)
{
    ExchangeResult result;
    result.amount = FormCodec::intValue(amountText);
    result.cost = exchangeCost(result.amount);
    if (password.isEmpty() || password != siteBytes(member.password))
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

ForumState::LostPasswordResult ForumState::lostPassword(const QByteArray &name, const QByteArray &email)
{
    ForumMember *m = name.isEmpty() ? nullptr : memberNamed(name);
    if (!m || email.trimmed().isEmpty() || !sameName(siteBytes(m->email), email.trimmed()))
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
