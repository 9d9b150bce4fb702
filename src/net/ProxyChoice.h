#pragma once
// Which proxy a request goes through, as plain functions: the proxy variables of the environment
// read the way curl reads them, and the --proxy option. Qt's own reading of the system's settings
// on Linux (through libproxy) differs from curl's: it skips a no_proxy entry without a leading
// dot for the subdomains, ignores "*" and NO_PROXY, takes HTTP_PROXY, and gives port 0 to a proxy
// named without one. Members set these variables for curl and the browsers; they get what they
// expect here.
#include <QNetworkProxy>
#include <QString>
#include <QUrl>

#include <optional>

namespace ProxyChoice {

// The environment's proxy variables, as curl reads them.
struct Environment {
    QString httpProxy;  // http_proxy, lower case only (HTTP_PROXY may come from a web request's header)
    QString httpsProxy; // https_proxy, else HTTPS_PROXY
    QString allProxy;   // all_proxy, else ALL_PROXY: for either scheme when its own is not set
    QString noProxy;    // no_proxy, else NO_PROXY

    [[nodiscard]] static Environment ofProcess();
    // Whether the process sets any proxy variable, those curl leaves alone (HTTP_PROXY) included:
    // then they decide, as curl reads them; with none, the desktop's own settings do.
    [[nodiscard]] static bool anySetInProcess();
};

// A proxy named in the environment, as curl reads it: "[scheme://][user[:password]@]host[:port][/]",
// http when no scheme is given, port 1080 when none; http, socks5 and socks5h. Empty for a value
// that names no proxy this program can speak (an https:// or socks4:// proxy, a path, no host).
[[nodiscard]] std::optional<QNetworkProxy> fromEnvironmentValue(const QString &value);

// --proxy: "http://HOST:PORT" or "socks5://HOST:PORT", with "user[:password]@" before the host when
// the proxy wants them. Empty, with the reason in *why (never the password), for anything else.
[[nodiscard]] std::optional<QNetworkProxy> fromOption(const QString &value, QString *why = nullptr);

// Whether a request to host goes direct by the no_proxy list, as curl reads it: names separated
// by commas (spaces around them ignored); "*" alone is every host; a name matches itself and every
// host below it (a leading dot is ignored: ".example.org" and "example.org" both match
// "bbs.example.org" and "example.org", not "badexample.org"); an IP address matches itself only,
// or a range in CIDR notation ("10.0.0.0/8", "fd00::/8"). No host name is resolved to match.
[[nodiscard]] bool goesDirect(const QString &host, const QString &noProxy);

// The environment's value that names the proxy for url's scheme: https_proxy or http_proxy, else
// all_proxy; empty when none is set.
[[nodiscard]] QString variableValueFor(const QUrl &url, const Environment &environment);

// The proxy for url by the environment: its scheme's own variable, else all_proxy; direct when
// none is set, when no_proxy names the host, or when the variable names no usable proxy. Loopback
// addresses follow the same rules: with a proxy set and no_proxy empty, they go through it.
[[nodiscard]] QNetworkProxy forAddress(const QUrl &url, const Environment &environment);

// "HOST:PORT" of a proxy, for the member's eyes and the log: never its user name or password.
[[nodiscard]] QString nameOf(const QNetworkProxy &proxy);

} // namespace ProxyChoice
