#pragma once
// The shared web and text routines of the windows. Stateless: each works on the member session's
// site session it is given.
#include "base/ModuleText.h"
#include "base/Routine.h"

#include <QPixmap>
#include <QString>

class SiteSession;

namespace QuorvelModule {

// What a page fetch brought back.
struct Page {
    int status = 0;      // 0 when no HTTP status arrived
    bool failed = true;  // transport error, time-out, oversize
    QString text;        // the body of any completed reply, error pages included
    QByteArray body;
};
// The one page fetch of the windows: GET with "If-Modified-Since: 0", awaited while the window
// stays live. A page of the forum's hosts leaves its form token with the session
// (SiteSession::notePage).
Task<Page> fetchPage(SiteSession &site, QString url);
// Its text: the body of any completed reply, error pages included; empty on failure.
Task<QString> HttpGetText(SiteSession &site, QString url);
// The same fetch, but an HTTP error status (400 and above) counts as no answer: empty text. For
// readers that would take a server's error page for the forum's own word.
Task<QString> HttpGetPageText(SiteSession &site, QString url);
// A picture from an http address (through the network layer) or from a file path. A null pixmap
// when neither loads.
Task<QPixmap> LoadNetPicture(SiteSession &site, QString urlOrPath);

} // namespace QuorvelModule
