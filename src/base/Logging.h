#pragma once
// The program's diagnostics: four logging categories, quiet below warnings until --verbose (or
// QT_LOGGING_RULES) turns them on, written to standard error by Qt's message handler. Nothing
// logged may carry a password, a security answer, a captcha code, a form token or a cookie value;
// addresses go through forLog(), which keeps only the values known to be harmless.
#include <QLoggingCategory>
#include <QString>

class QUrl;

Q_DECLARE_LOGGING_CATEGORY(lcNet)   // quorvel.net: every request, certificate problems
Q_DECLARE_LOGGING_CATEGORY(lcLogin) // quorvel.login: login window, login and lookup replies
Q_DECLARE_LOGGING_CATEGORY(lcPanel) // quorvel.panel: member panel, exchange, version, lost password
Q_DECLARE_LOGGING_CATEGORY(lcFiles) // quorvel.files: login.ini, cookie files, skin copies, Qt's texts

namespace Logging {

// --verbose: debug and info messages of every quorvel category on. QT_LOGGING_RULES still has
// the last word, as Qt always gives it.
void setVerbose(bool on);

// Path and query of url for a log line. Query values are shown only for keys that never carry a
// secret (mod, action, uid, ...); any other key keeps its name and shows "…" for its value, so a
// form token (formhash) or anything unknown never reaches a log.
[[nodiscard]] QString forLog(const QUrl &url);

// The site role an address belongs to ("forum", "home", "vip", "soft", "main", "probe"), or its
// host when it is none of them.
[[nodiscard]] QString roleForLog(const QUrl &url);

} // namespace Logging
