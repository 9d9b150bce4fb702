#pragma once
// Which addresses belong to the site: the one rule behind the cookie store's choice of addresses
// and the redirects a request may follow. The site is the hosts of the roles in the settings each
// rule is given (forum,
// home, VIP, software, main); the connectivity probe is not part of it, but its own request may
// move around on the probe's host.
#include <QByteArray>
#include <QString>
#include <QUrl>

class Settings;

namespace SitePolicy {

// host:port of url is that of one of the site's roles, with the scheme the roles are reached by;
// or the https address (port 443) of a role reached by http on port 80: the same host over HTTPS.
[[nodiscard]] bool isRoleAddress(const Settings &settings, const QUrl &url);
// A role address of the forum software itself (forum, home, VIP): its pages carry the forum's form
// token and declare the forum's code page.
[[nodiscard]] bool isForumAddress(const Settings &settings, const QUrl &url);
// from is http, to is https on the same host, and to is a role address: the site moved to HTTPS.
[[nodiscard]] bool isUpgrade(const Settings &settings, const QUrl &from, const QUrl &to);
// Same host and port as the connectivity probe's address (any path).
[[nodiscard]] bool isProbeHost(const Settings &settings, const QUrl &url);
// An address the cookie store gives cookies to and takes cookies from: a role address that is not
// the probe's own address.
[[nodiscard]] bool isCookieAddress(const Settings &settings, const QUrl &url);

// A request's next hop after a 3xx answer.
struct Hop {
    bool follow = false;   // false: the request ends as a failed request with reason
    QByteArray method;     // method of the next request
    bool keepBody = false; // the next request carries the same body
    QString reason;        // why the redirect is not followed (empty when it is)
};

// Whether a request that began at origin, now at from and sent with method (with a body when
// hasBody), follows the redirect status -> to. Followed only to a role address (or, for the probe's
// request, the probe's host); 301/302/303 turn a POST into a body-less GET; 307/308 keep method and
// body and are followed only to the same host and port, so a typed text never goes to another host.
// The scheme may go from http to https on the same role host (isUpgrade), never back; such a move
// keeps a POST's method and body for 307/308, and for 301/302 when only the scheme changed.
[[nodiscard]] Hop redirectHop(const Settings &settings, const QUrl &origin, const QUrl &from, const QUrl &to, int status,
                              const QByteArray &method, bool hasBody);

// 301, 302, 303, 307, 308: the statuses that move a request.
[[nodiscard]] bool isRedirectStatus(int status);

} // namespace SitePolicy
