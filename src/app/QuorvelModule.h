#pragma once
// The shared web and text routines of the windows. Stateless.
#include <QPixmap>
#include <QString>

namespace QuorvelModule {

// GET with "If-Modified-Since: 0", waiting with events processed (callers must re-check their
// window afterwards). The body of any completed reply, error pages included; empty on failure.
// A page of the forum's hosts leaves its form token with the session (SiteSession::notePage).
QString HttpGetText(const QString &url);
// The same fetch, but an HTTP error status (400 and above) counts as no answer: empty text. For
// readers that would take a server's error page for the forum's own word.
QString HttpGetPageText(const QString &url);
// A picture from an http address (through the network layer) or from a file path. A null pixmap
// when neither loads.
QPixmap LoadNetPicture(const QString &urlOrPath);
// A value of a profile-string file; the default when the file or key is missing. Whole, however long.
QString ReadIniValue(const QString &section, const QString &key, const QString &defaultValue, const QString &filePath);
// Every match of the pattern, case-insensitive, replaced.
QString RegexReplace(const QString &text, const QString &pattern, const QString &replacement);
// 33: the cookies folder "<data folder>/Cookies" without a trailing separator; other numbers: empty.
QString SpecialFolderPath(int folder);

} // namespace QuorvelModule
