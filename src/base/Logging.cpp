#include "Logging.h"

#include "Settings.h"

#include <QUrl>

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

} // namespace

namespace Logging {

void setVerbose(bool on)
{
    QLoggingCategory::setFilterRules(on ? QStringLiteral("quorvel.*.debug=true\nquorvel.*.info=true") : QString());
}

QString forLog(const QUrl &url)
{
    QString out = url.path(QUrl::FullyEncoded);
    if (out.isEmpty())
        out = QStringLiteral("/");
    if (!url.hasQuery())
        return out;
    QStringList parts;
    // Split by hand: QUrlQuery would decode and re-encode, and a broken pair must still be hidden.
    const QStringList pairs = url.query(QUrl::FullyEncoded).split(QLatin1Char('&'));
    for (const QString &pair : pairs) {
        const qsizetype eq = pair.indexOf(QLatin1Char('='));
        const QString key = eq < 0 ? pair : pair.left(eq);
        if (eq < 0)
            parts << (isPlainKey(key) ? key : QStringLiteral("…"));
        else if (isPlainKey(key))
            parts << pair;
        else
            parts << key + QStringLiteral("=…");
    }
    return out + QLatin1Char('?') + parts.join(QLatin1Char('&'));
}

QString roleForLog(const QUrl &url)
{
    const Settings &settings = Settings::instance();
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
    return url.host().isEmpty() ? QStringLiteral("?") : url.host();
}

} // namespace Logging
