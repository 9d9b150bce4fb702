#include "Logging.h"

#include "Settings.h"

#include <QUrl>

#include <algorithm>

// Debug and info off by default: a member's normal run stays silent, warnings still show.
Q_LOGGING_CATEGORY(lcNet, "quorvel.net", QtWarningMsg)
Q_LOGGING_CATEGORY(lcLogin, "quorvel.login", QtWarningMsg)
Q_LOGGING_CATEGORY(lcPanel, "quorvel.panel", QtWarningMsg)
Q_LOGGING_CATEGORY(lcFiles, "quorvel.files", QtWarningMsg)

namespace {

// Keys of the site's addresses whose values say which page was asked for and nothing else.
constexpr const char *kPlainKeys[] = {"mod", "action", "ac", "op", "do", "uid", "inajax", "handlekey",
                                      "infloat", "loginsubmit", "lssubmit", "lostpwsubmit", "mobile",
                                      "type", "view", "from", "size", "ajaxtarget", "ajaxmenu", "ctl"};

bool isPlainKey(const QString &key)
{
    for (const char *plain : kPlainKeys)
        if (key.compare(QLatin1String(plain), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

bool sameHostAndPort(const QUrl &a, const QUrl &b)
{
    const auto port = [](const QUrl &u) {
        return u.port(u.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0 ? 443 : 80);
    };
    return !a.host().isEmpty() && a.host().compare(b.host(), Qt::CaseInsensitive) == 0 && port(a) == port(b);
}

const QString kMask = QStringLiteral("…");

// A word a page name is made of: letters in one case (or capitalised), not a long hex word; or a
// short number. Secrets look otherwise: letters and digits mixed, long numbers, hex, mixed case.
bool isPlainWord(QStringView word)
{
    if (word.isEmpty())
        return true;
    const auto isDigit = [](QChar c) { return c >= u'0' && c <= u'9'; };
    const auto isLower = [](QChar c) { return c >= u'a' && c <= u'z'; };
    const auto isUpper = [](QChar c) { return c >= u'A' && c <= u'Z'; };
    if (std::all_of(word.begin(), word.end(), isDigit))
        return word.size() <= 3;
    if (word.size() > 16)
        return false;
    const QStringView tail = word.mid(1);
    const bool lower =
        (isLower(word.front()) || isUpper(word.front())) && std::all_of(tail.begin(), tail.end(), isLower);
    // Capitals only in a short word (PHP, JPG): a captcha code is four of them.
    const bool upper = word.size() <= 3 && std::all_of(word.begin(), word.end(), isUpper);
    if (!lower && !upper)
        return false;
    const bool hexOnly = std::all_of(word.begin(), word.end(), [](QChar c) {
        return (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
    });
    return !(hexOnly && word.size() >= 6);
}

// A path segment or host label that says which page or host it is and nothing else: short, plain
// ASCII (an encoded character means typed text), every word plain.
bool isPlainPart(QStringView part, QStringView separators)
{
    if (part.size() > 32)
        return false;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= part.size(); ++i) {
        if (i < part.size()) {
            const QChar c = part.at(i);
            const bool alnum = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
            if (alnum)
                continue;
            if (!separators.contains(c))
                return false;
        }
        if (!isPlainWord(part.mid(start, i - start)))
            return false;
        start = i + 1;
    }
    return true;
}

// parts joined by separator, each one that is not plain shown as "…", several in a row as one.
QString masked(const QStringList &parts, QChar separator, QStringView wordSeparators)
{
    QStringList shown;
    for (const QString &part : parts) {
        if (isPlainPart(part, wordSeparators))
            shown << part;
        else if (shown.isEmpty() || shown.constLast() != kMask)
            shown << kMask;
    }
    return shown.join(separator);
}

// A value of a harmless key (mod=logging, uid=42): a plain word or a number; a site that puts
// anything else there is not told apart from one that hides a secret in it.
bool isPlainValue(const QString &value)
{
    const bool number = !value.isEmpty() && value.size() <= 9
        && std::all_of(value.begin(), value.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    return number || isPlainPart(value, u"_-.");
}

bool isIpv6Literal(const QString &host)
{
    const auto hexOrSeparator = [](QChar c) {
        return c == u':' || c == u'.' || (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f')
            || (c >= u'A' && c <= u'F');
    };
    return host.contains(QLatin1Char(':')) && std::all_of(host.begin(), host.end(), hexOrSeparator);
}

// The site role an address belongs to, empty when none.
// The settings of the session whose addresses the log lines show (Logging::showSiteOf).
const Settings *g_site = nullptr;

QString roleOf(const QUrl &url)
{
    if (!g_site)
        return {};
    const Settings &settings = *g_site;
    static constexpr struct {
        HostRole role;
        const char *name;
    } kRoles[] = {{HostRole::Forum, "forum"}, {HostRole::Home, "home"}, {HostRole::Vip, "vip"},
                  {HostRole::Soft, "soft"}, {HostRole::Main, "main"}};
    for (const auto &r : kRoles)
        if (sameHostAndPort(QUrl(settings.origin(r.role)), url))
            return QString::fromLatin1(r.name);
    if (sameHostAndPort(QUrl(settings.probeUrl()), url))
        return QStringLiteral("probe");
    return {};
}

// The host of an address that is none of the site's: its random-looking labels masked.
QString strangerHost(const QUrl &url)
{
    const QString host = url.host(QUrl::FullyEncoded);
    if (isIpv6Literal(host))
        return QLatin1Char('[') + host + QLatin1Char(']');
    return masked(host.split(QLatin1Char('.')), QLatin1Char('.'), u"-");
}

} // namespace

namespace Logging {

void showSiteOf(const Settings *settings)
{
    g_site = settings;
}

void setVerbose(bool on)
{
    QLoggingCategory::setFilterRules(on ? QStringLiteral("quorvel.*.debug=true\nquorvel.*.info=true") : QString());
}

QString forLog(const QUrl &url)
{
    QString out = url.path(QUrl::FullyEncoded);
    if (out.isEmpty())
        out = QStringLiteral("/");
    else
        out = masked(out.split(QLatin1Char('/')), QLatin1Char('/'), u"._-");
    if (!url.hasQuery())
        return out;
    QStringList parts;
    // Split by hand: QUrlQuery would decode and re-encode, and a broken pair must still be hidden.
    const QStringList pairs = url.query(QUrl::FullyEncoded).split(QLatin1Char('&'));
    for (const QString &pair : pairs) {
        const qsizetype eq = pair.indexOf(QLatin1Char('='));
        const QString key = eq < 0 ? pair : pair.left(eq);
        const QString value = eq < 0 ? QString() : pair.mid(eq + 1);
        if (eq < 0)
            parts << (isPlainKey(key) ? key : kMask);
        else if (isPlainKey(key))
            parts << key + QLatin1Char('=') + (isPlainValue(value) ? value : kMask);
        else
            // An unknown key's name shows when it looks like one (formhash, username); a site may
            // also make a secret the name.
            parts << (isPlainPart(key.toLower(), u"_-") ? key : kMask) + QLatin1Char('=') + kMask;
    }
    return out + QLatin1Char('?') + parts.join(QLatin1Char('&'));
}

QString safeHost(const QUrl &url)
{
    const QString name = url.host(QUrl::FullyEncoded);
    const QString host = !roleOf(url).isEmpty() && !isIpv6Literal(name) ? name : strangerHost(url);
    return url.port() >= 0 ? host + QLatin1Char(':') + QString::number(url.port()) : host;
}

QString safeAddress(const QUrl &url)
{
    if (url.host().isEmpty())
        return forLog(url);
    return url.scheme() + QStringLiteral("://") + safeHost(url) + forLog(url);
}

QString roleForLog(const QUrl &url)
{
    if (url.host().isEmpty())
        return QStringLiteral("?");
    const QString role = roleOf(url);
    return role.isEmpty() ? strangerHost(url) : role;
}

} // namespace Logging
