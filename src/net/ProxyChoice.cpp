#include "ProxyChoice.h"

#include <QHostAddress>
#include <QRegularExpression>
#include <QStringList>

namespace {

constexpr int kCurlDefaultPort = 1080; // curl's port for a proxy named without one

QString firstSet(const char *name, const char *otherName = nullptr)
{
    QString value = qEnvironmentVariable(name).trimmed();
    if (value.isEmpty() && otherName)
        value = qEnvironmentVariable(otherName).trimmed();
    return value;
}

// The text of a proxy address with whatever stands before its last "@" masked, for a message.
QString withoutCredentials(const QString &text)
{
    const qsizetype at = text.lastIndexOf(QLatin1Char('@'));
    if (at < 0)
        return text;
    const qsizetype separator = text.indexOf(QLatin1String("://"));
    const qsizetype userStart = separator >= 0 && separator < at ? separator + 3 : 0;
    return text.left(userStart) + QStringLiteral("…") + text.mid(at);
}

enum class Strictness { Environment, Option };

// Both readings in one place; the option asks for the scheme and the port that curl would add.
std::optional<QNetworkProxy> parse(const QString &value, Strictness strictness, QString *why)
{
    const auto refuse = [&](const QString &reason) -> std::optional<QNetworkProxy> {
        if (why)
            *why = reason;
        return std::nullopt;
    };
    QString text = value.trimmed();
    if (text.isEmpty())
        return refuse(QStringLiteral("no proxy address"));
    if (!text.contains(QLatin1String("://"))) {
        if (strictness == Strictness::Option)
            return refuse(QStringLiteral("no scheme"));
        text.prepend(QLatin1String("http://"));
    }
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid())
        return refuse(QStringLiteral("not an address"));
    if (url.host().isEmpty())
        return refuse(QStringLiteral("no host"));
    const QString scheme = url.scheme().toLower();
    QNetworkProxy::ProxyType type = QNetworkProxy::HttpProxy;
    if (scheme == QLatin1String("socks5") || scheme == QLatin1String("socks5h"))
        type = QNetworkProxy::Socks5Proxy;
    else if (scheme != QLatin1String("http"))
        return refuse(QStringLiteral("the scheme must be http or socks5"));
    if ((!url.path().isEmpty() && url.path() != QLatin1String("/")) || url.hasQuery() || url.hasFragment())
        return refuse(QStringLiteral("only scheme, host and port"));
    int port = url.port();
    if (port <= 0) {
        if (strictness == Strictness::Option)
            return refuse(QStringLiteral("no port"));
        port = kCurlDefaultPort;
    }
    QNetworkProxy proxy(type, url.host(QUrl::FullyDecoded), quint16(port), url.userName(QUrl::FullyDecoded),
                        url.password(QUrl::FullyDecoded));
    // socks5:// resolves the site's name here, socks5h:// lets the proxy do it (curl's meaning).
    if (scheme == QLatin1String("socks5"))
        proxy.setCapabilities(proxy.capabilities() & ~QNetworkProxy::HostNameLookupCapability);
    return proxy;
}

QString bare(QString host)
{
    host = host.trimmed().toLower();
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
        host = host.mid(1, host.size() - 2);
    while (host.endsWith(QLatin1Char('.')))
        host.chop(1);
    return host;
}

// An address or range in no_proxy against an IP host; false when the entry is no address.
bool addressMatches(const QHostAddress &host, const QString &entry)
{
    if (entry.contains(QLatin1Char('/'))) {
        const QPair<QHostAddress, int> subnet = QHostAddress::parseSubnet(entry);
        return !subnet.first.isNull() && host.isInSubnet(subnet);
    }
    const QHostAddress address(entry);
    return !address.isNull() && address.isEqual(host, QHostAddress::StrictConversion);
}

} // namespace

namespace ProxyChoice {

Environment Environment::ofProcess()
{
    Environment environment;
    environment.httpProxy = firstSet("http_proxy");
    environment.httpsProxy = firstSet("https_proxy", "HTTPS_PROXY");
    environment.allProxy = firstSet("all_proxy", "ALL_PROXY");
    environment.noProxy = firstSet("no_proxy", "NO_PROXY");
    return environment;
}

bool Environment::anySetInProcess()
{
    for (const char *name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY",
                             "no_proxy", "NO_PROXY"})
        if (!qEnvironmentVariableIsEmpty(name))
            return true;
    return false;
}

std::optional<QNetworkProxy> fromEnvironmentValue(const QString &value)
{
    return parse(value, Strictness::Environment, nullptr);
}

std::optional<QNetworkProxy> fromOption(const QString &value, QString *why)
{
    QString reason;
    std::optional<QNetworkProxy> proxy = parse(value, Strictness::Option, &reason);
    if (!proxy && why)
        *why = QStringLiteral("--proxy \"%1\": %2 (http://HOST:PORT or socks5://HOST:PORT, "
                              "with user:password@ before the host when the proxy asks for them)")
                   .arg(withoutCredentials(value.trimmed()), reason);
    return proxy;
}

bool goesDirect(const QString &host, const QString &noProxy)
{
    const QString list = noProxy.trimmed();
    if (list.isEmpty())
        return false;
    if (list == QLatin1String("*"))
        return true;
    const QString name = bare(host);
    if (name.isEmpty())
        return false;
    const QHostAddress address(name);
    static const QRegularExpression separators(QStringLiteral("[,\\s]+"));
    const QStringList entries = list.split(separators, Qt::SkipEmptyParts);
    for (const QString &raw : entries) {
        QString entry = bare(raw);
        if (!address.isNull()) {
            if (addressMatches(address, entry))
                return true;
            continue;
        }
        if (entry.startsWith(QLatin1Char('.')))
            entry.remove(0, 1);
        if (entry.isEmpty())
            continue;
        if (name == entry || name.endsWith(QLatin1Char('.') + entry))
            return true;
    }
    return false;
}

QString variableValueFor(const QUrl &url, const Environment &environment)
{
    const QString scheme = url.scheme().toLower();
    const QString own = scheme == QLatin1String("https") ? environment.httpsProxy
                        : scheme == QLatin1String("http") ? environment.httpProxy
                                                          : QString();
    return own.isEmpty() ? environment.allProxy : own;
}

QNetworkProxy forAddress(const QUrl &url, const Environment &environment)
{
    const QString value = variableValueFor(url, environment);
    if (value.isEmpty() || goesDirect(url.host(), environment.noProxy))
        return QNetworkProxy(QNetworkProxy::NoProxy);
    return fromEnvironmentValue(value).value_or(QNetworkProxy(QNetworkProxy::NoProxy));
}

QString nameOf(const QNetworkProxy &proxy)
{
    const QString host = proxy.hostName().contains(QLatin1Char(':'))
        ? QLatin1Char('[') + proxy.hostName() + QLatin1Char(']')
        : proxy.hostName();
    return host + QLatin1Char(':') + QString::number(proxy.port());
}

} // namespace ProxyChoice
