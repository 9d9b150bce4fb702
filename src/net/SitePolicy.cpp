#include "SitePolicy.h"

#include "base/Logging.h"
#include "base/Settings.h"

namespace {

constexpr HostRole kSiteRoles[] = {HostRole::Forum, HostRole::Home, HostRole::Vip, HostRole::Soft, HostRole::Main};
// The roles the forum software itself answers on.
constexpr HostRole kForumRoles[] = {HostRole::Forum, HostRole::Home, HostRole::Vip};

int defaultPort(const QUrl &url)
{
    return url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0 ? 443 : 80;
}

bool isWebAddress(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty() && (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

bool sameHostAndPort(const QUrl &a, const QUrl &b)
{
    return a.host().compare(b.host(), Qt::CaseInsensitive) == 0 && a.port(defaultPort(a)) == b.port(defaultPort(b));
}

bool isHttps(const QUrl &url)
{
    return url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0;
}

// The https twin of an http role on the default port: a site that moved to HTTPS answers there.
bool isHttpsTwinOfRole(const QUrl &url, const QUrl &role)
{
    return isHttps(url) && !isHttps(role) && role.port(80) == 80 && url.port(443) == 443 &&
           url.host().compare(role.host(), Qt::CaseInsensitive) == 0;
}

// url is on one of roles, reached by the role's scheme (or its https twin).
template <std::size_t N>
bool isAddressOfRoles(const Settings &settings, const QUrl &url, const HostRole (&roles)[N])
{
    if (!isWebAddress(url))
        return false;
    for (const HostRole role : roles) {
        // QUrl gives an IPv6 host without its brackets on both sides, so "[::1]:8080" compares too.
        const QUrl site(settings.url(role, QStringLiteral("/")));
        if (!site.isValid() || site.host().isEmpty())
            continue;
        if (sameHostAndPort(site, url) && url.scheme().compare(site.scheme(), Qt::CaseInsensitive) == 0)
            return true;
        if (isHttpsTwinOfRole(url, site))
            return true;
    }
    return false;
}

} // namespace

namespace SitePolicy {

bool isUpgrade(const Settings &settings, const QUrl &from, const QUrl &to)
{
    return !isHttps(from) && isHttps(to) && from.host().compare(to.host(), Qt::CaseInsensitive) == 0 &&
           isRoleAddress(settings, to);
}

} // namespace SitePolicy

namespace {

// The scheme a redirect may land on: the same one, or the move of a role host from http to https.
// Never from https back to http: the member's texts would then cross the network in the clear.
bool schemeAllowed(const Settings &settings, const QUrl &from, const QUrl &to)
{
    return to.scheme().compare(from.scheme(), Qt::CaseInsensitive) == 0 || SitePolicy::isUpgrade(settings, from, to);
}

// The same address but for the scheme (and the port that comes with it).
bool onlySchemeMoved(const Settings &settings, const QUrl &from, const QUrl &to)
{
    return SitePolicy::isUpgrade(settings, from, to) && from.path(QUrl::FullyEncoded) == to.path(QUrl::FullyEncoded) &&
           from.query(QUrl::FullyEncoded) == to.query(QUrl::FullyEncoded);
}

} // namespace

namespace SitePolicy {

bool isRoleAddress(const Settings &settings, const QUrl &url)
{
    return isAddressOfRoles(settings, url, kSiteRoles);
}

bool isForumAddress(const Settings &settings, const QUrl &url)
{
    return isAddressOfRoles(settings, url, kForumRoles);
}

bool isProbeHost(const Settings &settings, const QUrl &url)
{
    const QUrl probe(settings.probeUrl());
    return isWebAddress(url) && isWebAddress(probe) && sameHostAndPort(probe, url) &&
           url.scheme().compare(probe.scheme(), Qt::CaseInsensitive) == 0;
}

bool isCookieAddress(const Settings &settings, const QUrl &url)
{
    if (!isRoleAddress(settings, url))
        return false;
    const QUrl probe(settings.probeUrl());
    const auto comparable = QUrl::RemoveFragment | QUrl::StripTrailingSlash | QUrl::NormalizePathSegments;
    return !(probe.isValid() && probe.adjusted(comparable) == url.adjusted(comparable));
}

bool isRedirectStatus(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

Hop redirectHop(const Settings &settings, const QUrl &origin, const QUrl &from, const QUrl &to, int status, const QByteArray &method, bool hasBody)
{
    Hop hop;
    // The reason reaches standard error: the address as a log line may show it, never a secret in it.
    const QString where = Logging::safeAddress(to);
    if (!isRedirectStatus(status) || !isWebAddress(to)) {
        hop.reason = QStringLiteral("The site redirected the request to an address that cannot be followed.");
        return hop;
    }
    const bool onSite = isRoleAddress(settings, to) || (isProbeHost(settings, origin) && isProbeHost(settings, to));
    if (!onSite || !schemeAllowed(settings, from, to)) {
        hop.reason = QStringLiteral("The site redirected the request to %1, which is not one of its own addresses; "
                                    "nothing was sent there.").arg(where);
        return hop;
    }
    const QByteArray verb = method.isEmpty() ? QByteArrayLiteral("GET") : method.toUpper();
    if (status == 307 || status == 308) {
        // Method and body stay as they were, so the body may only go back to the host it was meant for.
        if (hasBody && !sameHostAndPort(from, to) && !isUpgrade(settings, from, to)) {
            hop.reason = QStringLiteral("The site redirected a form to another host (%1); the form was not sent again.")
                             .arg(where);
            return hop;
        }
        hop.follow = true;
        hop.method = verb;
        hop.keepBody = hasBody;
        return hop;
    }
    // A 301 or 302 that moves a form to the very same address over HTTPS says only that the site
    // moved to HTTPS: the form goes again, with its body, to the same host (a GET would lose the
    // sign-in). 303 means "see another page", and any other move is a new page: GET without body.
    if ((status == 301 || status == 302) && onlySchemeMoved(settings, from, to)) {
        hop.follow = true;
        hop.method = verb;
        hop.keepBody = hasBody;
        return hop;
    }
    // 301, 302, 303: the next request is a GET without a body (HEAD stays HEAD), as browsers do.
    hop.follow = true;
    hop.method = verb == "HEAD" ? verb : QByteArrayLiteral("GET");
    hop.keepBody = false;
    return hop;
}

} // namespace SitePolicy
