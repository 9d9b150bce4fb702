#pragma once
// The shared web and text routines of the windows. Stateless.
#include "base/ModuleText.h"

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

} // namespace QuorvelModule
