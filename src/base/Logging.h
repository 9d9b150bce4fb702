#pragma once
// The program's diagnostics: four logging categories, quiet below warnings until --verbose (or
// QT_LOGGING_RULES) turns them on, written to standard error by Qt's message handler. Nothing
// logged may carry a password, a security answer, a captcha code, a form token or a cookie value;
// every address goes through safeAddress() (or its parts, safeHost() and forLog()), which keep
// only what is known to be harmless: a site may put any of those into a redirect's address.
#include <QLoggingCategory>
#include <QString>

class QUrl;
class Settings;

Q_DECLARE_LOGGING_CATEGORY(lcNet)   // quorvel.net: every request, certificate problems
Q_DECLARE_LOGGING_CATEGORY(lcLogin) // quorvel.login: login window, login and lookup replies
Q_DECLARE_LOGGING_CATEGORY(lcPanel) // quorvel.panel: member panel, exchange, version, lost password
Q_DECLARE_LOGGING_CATEGORY(lcFiles) // quorvel.files: login.ini, cookie files, skin copies, Qt's texts

namespace Logging {

// The hosts of these settings (the member session's) are the site's in log lines: shown as they
// are, by role. Like the message handler and --verbose, this holds for the whole process; the
// session names itself when made and nullptr when it goes. Without one every host is a stranger.
void showSiteOf(const Settings *settings);

// --verbose: debug and info messages of every quorvel category on. QT_LOGGING_RULES still has
// the last word, as Qt always gives it.
void setVerbose(bool on);

// Path and query of url for a log line. A path segment that is long, encoded or random-looking
// (letters and digits mixed in one word, a long number, a long hex word, mixed case) shows as "…",
// several in a row as one: a redirect may carry a cookie value or a password in its path. Query
// values are shown only for keys that never carry a secret (mod, action, uid, ...); any other key
// keeps its name and shows "…" for its value, so a form token (formhash) or anything unknown never
// reaches a log.
[[nodiscard]] QString forLog(const QUrl &url);

// host[:port] of url for a log line or a warning. The hosts of the site's roles and of the probe
// show as they are (the member named them); any other host shows its random-looking labels as "…".
[[nodiscard]] QString safeHost(const QUrl &url);

// The whole address for a warning or a log line: scheme, safeHost() and forLog(); never the
// address's user name, password or fragment. Every address the program prints goes through here.
[[nodiscard]] QString safeAddress(const QUrl &url);

// The site role an address belongs to ("forum", "home", "vip", "soft", "main", "probe"), or its
// host as safeHost() shows a stranger's (without the port) when it is none of them.
[[nodiscard]] QString roleForLog(const QUrl &url);

} // namespace Logging
