#include "FaultMatrix.h"

#include "net/CookieStore.h"
#include "net/Network.h"
#include "SimSignIn.h"
#include "windows/identity/Form3.h"
#include "TestSession.h"

#include <QDate>
#include <QLabel>
#include <QNetworkCookie>
#include <QPointer>
#include <QRegularExpression>
#include <algorithm>

namespace FaultMatrix {

namespace {

struct Tag {
    const char16_t *text;
    const char *name;
};

// Every text a cell can end with, under one short name each.
constexpr Tag kTags[] = {
    // Login window
    {u"请输入用户名及密码..", "prompt"},
    {u"请输入用户名或UID", "account-prompt"},
    {u"请检查您的网络链接", "no-network"},
    {u"正在检测您的联网情况...", "checking-network"},
    {u"正在为您登录账号..", "signing-in"},
    {u"取消登录..", "cancelled"},
    {u"服务器故障,暂时无法登录!请联系客服QQ：86420135", "server-failure"},
    {u"您因违反Quorvel相关规定,现已做封号处理!", "ban-notice"},
    {u"您的帐号已被禁止使用!", "account-banned"},
    {u"您输入的用户名不存在,请检查..", "unknown-account"},
    // Form tokens (every window)
    {u"无法取得论坛的表单验证串,请检查网络后重试!", "token-unavailable"},
    {u"论坛返回的表单验证串无效,请稍后重试!", "token-invalid"},
    {u"论坛拒绝了本次请求的表单验证串,请稍后重试!", "token-refused"},
    {u"请输入验证码..", "captcha-prompt"},
    {u"请输入图片中的验证码后登录", "captcha-wanted"},
    {u"抱歉，验证码填写错误", "captcha-wrong"},
    {u"验证码图片获取失败，请换一个", "captcha-no-answer"},
    {u"论坛拒绝提供验证码图片，请换一个", "captcha-denied"},
    {u"验证码图片无法显示，请换一个", "captcha-broken"},
    {u"验证码图片过大，请换一个", "captcha-too-large"},
    {u"验证码图片不属于本次登录，请换一个", "captcha-other-session"},
    {u"论坛的验证码信息有误，请换一个", "captcha-announcement-bad"},
    // Member panel
    {u"正在检测更新..", "checking-update"},
    {u"欢迎使用Quorvel软件", "welcome"},
    {u"检测更新失败!请您稍后再试,暂时使用原版", "update-check-failed"},
    {u"未开通Quorvel会员", "not-vip"},
    {u"兑换信息：\r\n\r\n使用2枚za兑换8枚Quorvel币\r\n\r\n确认操作?", "confirm-exchange"},
    {u"积分兑换成功，您使用 2 枚za兑换了 8 枚Quorvel币", "exchange-done"},
    {u"兑换请求未能完成,请以刷新后的余额为准!", "exchange-no-reply"},
    {u"无法识别论坛的兑换结果,请以刷新后的余额为准!", "exchange-unreadable"},
    {u"确定要注销账号【vipbob】?", "confirm-signout"},
    // Lost-password window
    {u"取回密码的方法已通过 Email 发送到您的信箱中，请在 3 天之内修改您的密码", "mail-sent"},
    {u"找回密码的请求没有完成：无法连接论坛，或论坛长时间没有回应。请检查网络后再试。", "lostpw-no-reply"},
    {u"论坛暂时无法处理找回密码的请求（HTTP 500），请稍后再试。", "lostpw-http-500"},
    {u"论坛暂时无法处理找回密码的请求（HTTP 503），请稍后再试。", "lostpw-http-503"},
    {u"论坛的回复无法识别，请稍后再试。（回复全文已复制到剪贴板）", "lostpw-unreadable"},
};

const QString kVipUntil = QStringLiteral("VIP有效期至：");

struct Row {
    QString request;
    QString fault;
    QString seen;
    QString expected;
};

QList<Row> &rows()
{
    static QList<Row> all;
    return all;
}

// "2026.12.18" ten days from now becomes "date+10"; with dashes "date+10(-)".
QString withDateTokens(QString text)
{
    static const QRegularExpression date(QStringLiteral("(\\d{4})([.-])(\\d{2})\\2(\\d{2})"));
    QRegularExpressionMatch match;
    qsizetype from = 0;
    while ((match = date.match(text, from)).hasMatch()) {
        const QDate when(match.captured(1).toInt(), match.captured(3).toInt(), match.captured(4).toInt());
        if (!when.isValid()) {
            from = match.capturedEnd();
            continue;
        }
        const qint64 days = QDate::currentDate().daysTo(when);
        QString token = QStringLiteral("date%1%2").arg(days < 0 ? QString() : QStringLiteral("+")).arg(days);
        if (match.captured(2) == QLatin1String("-"))
            token += QStringLiteral("(-)");
        text.replace(match.capturedStart(), match.capturedLength(), token);
        from = match.capturedStart() + token.size();
    }
    return text;
}

QString pad(const QString &text, qsizetype width)
{
    return text + QString(qMax<qsizetype>(0, width - text.size()), QLatin1Char(' '));
}

} // namespace

QList<SimFault> faults(bool withToken503)
{
    QList<SimFault> all = {SimFault::Slow,    SimFault::Empty, SimFault::ErrorPage,  SimFault::Status500,
                           SimFault::Drop,    SimFault::NoCdata, SimFault::Huge,     SimFault::InvalidGbk};
    if (withToken503)
        all.append(SimFault::Token503);
    all.append(SimFault::NoAnswer);
    return all;
}

QString faultName(SimFault fault)
{
    return ForumSimulator::faultName(fault);
}

QString tag(const QString &text)
{
    for (const Tag &t : kTags) {
        if (text == QString::fromUtf16(t.text))
            return QString::fromLatin1(t.name);
    }
    if (text.startsWith(kVipUntil))
        return QStringLiteral("until ") + orDash(withDateTokens(text.mid(kVipUntil.size())));
    return withDateTokens(text);
}

QString orDash(const QString &value)
{
    return value.isEmpty() ? QStringLiteral("-") : value;
}

QString boxes(const QList<Seams::MessageRequest> &messages)
{
    if (messages.isEmpty())
        return QStringLiteral("box=none");
    QStringList shown;
    for (const Seams::MessageRequest &m : messages) {
        QString name = tag(m.text);
        if (m.buttons == Seams::Buttons::YesNo)
            name += QLatin1Char('?');
        else if (m.icon == Seams::Icon::Exclamation)
            name += QLatin1Char('!');
        if (m.title != Seams::kTitle)
            name += QStringLiteral("(title ") + m.title + QLatin1Char(')');
        shown.append(name);
    }
    return QStringLiteral("box=") + shown.join(QLatin1Char(','));
}

QString pictureKind(const QLabel *label, const QImage &defaultPicture)
{
    const QImage shown = label->pixmap().toImage();
    if (shown.isNull())
        return QStringLiteral("none");
    return shown == defaultPicture ? QStringLiteral("default") : QStringLiteral("picture");
}

void addRow(const QString &request, const QString &fault, const QString &seen, const QString &expected)
{
    rows().append({request, fault, seen, expected});
}

void printTable(const QString &title)
{
    const QList<Row> &all = rows();
    qsizetype requestWidth = 7;
    qsizetype faultWidth = 5;
    qsizetype seenWidth = 12;
    for (const Row &row : all) {
        requestWidth = qMax(requestWidth, row.request.size());
        faultWidth = qMax(faultWidth, row.fault.size());
        seenWidth = qMax(seenWidth, row.seen.size());
    }
    int failed = 0;
    qInfo().noquote() << QStringLiteral("FAULT MATRIX: ") + title;
    qInfo().noquote() << pad(QStringLiteral("request"), requestWidth) + QStringLiteral(" | ") + pad(QStringLiteral("fault"), faultWidth)
                             + QStringLiteral(" | ") + pad(QStringLiteral("outcome seen"), seenWidth)
                             + QStringLiteral(" | expected  | ok");
    for (const Row &row : all) {
        const bool ok = row.seen == row.expected;
        failed += ok ? 0 : 1;
        qInfo().noquote() << pad(row.request, requestWidth) + QStringLiteral(" | ") + pad(row.fault, faultWidth) + QStringLiteral(" | ")
                                 + pad(row.seen, seenWidth) + QStringLiteral(" | ")
                                 + (ok ? QStringLiteral("(as seen)") : row.expected) + QStringLiteral(" | ")
                                 + (ok ? QStringLiteral("ok") : QStringLiteral("FAIL"));
    }
    qInfo().noquote() << QStringLiteral("%1 cells, %2 as expected, %3 not").arg(all.size()).arg(all.size() - failed).arg(failed);

    // The legend: each tag that appears in the table, with the text it stands for.
    QString everything;
    for (const Row &row : all)
        everything += row.seen + QLatin1Char(' ') + row.expected + QLatin1Char(' ');
    static const QRegularExpression word(QStringLiteral("[A-Za-z0-9-]+"));
    QStringList used;
    for (auto it = word.globalMatch(everything); it.hasNext();)
        used.append(it.next().captured());
    for (const Tag &t : kTags) {
        if (used.contains(QString::fromLatin1(t.name)))
            qInfo().noquote() << QStringLiteral("  %1 = \"%2\"").arg(QString::fromLatin1(t.name),
                                                                   QString::fromUtf16(t.text).replace(QStringLiteral("\r\n"), QStringLiteral("\\r\\n")));
    }
}

Cell::Cell()
{
    sim().setSlowDelayMs(kSlowDelayMs);
}

bool Cell::holdsSession()
{
    const QList<QNetworkCookie> cookies = testSession().network().cookieStore().allCookies();
    return std::any_of(cookies.cbegin(), cookies.cend(),
                       [](const QNetworkCookie &c) { return c.name() == ForumSimulator::authCookieName(); });
}

IdentityCheckHurry::IdentityCheckHurry()
{
    QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [] {
        Form3 *check = Form3::current(testSession());
        if (check && check->isVisible() && !check->handOverStarted())
            check->Timer1_Timer();
    });
    m_timer.start(10);
}

bool signInToPanel(const QString &account, const QString &password)
{
    if (!signInThroughLoginForm(account, password))
        return false;
    IdentityCheckHurry hurry;
    // The check reads the VIP page, the panel starts up (each request up to the time limit, one of
    // them maybe faulted), then the check closes itself and shows the panel.
    const QPointer<Form3> check = Form3::showModalAfterLogin(testSession(), QPixmap(), account);
    waitUntil([&] { return !check; }, 3 * kSettleMs);
    return true;
}


} // namespace FaultMatrix
