#pragma once
// The captcha picture of the login window: its address, the reading of the forum's answer (a
// 100 x 30 PNG, or what went wrong instead), the pixels it is shown with, and the status-line text
// for each failure. Plain functions; the window fetches and shows.
#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

namespace CaptchaPicture {

// The size the forum draws its pictures in, and the place the window gives one.
inline constexpr QSize kSize{100, 30};
// A picture larger than this on either side is refused before it is decoded (a decompression bomb
// would otherwise take the memory a huge canvas needs).
inline constexpr int kMaxSide = 1000;

enum class Problem {
    None,
    NoAnswer,     // failed, timed out, cut off, too long, an error status, or an empty body
    AccessDenied, // the forum's "Access Denied" text (the Referer did not match)
    NotAPicture,  // something that does not decode as a picture
    TooLarge,     // a picture beyond kMaxSide
    OtherSession, // no cookie for this picture's id came with it: it belongs to no form of ours
};

struct Result {
    Problem problem = Problem::NoAnswer;
    QImage image; // set only when problem is None
};

// "<scheme>://<forum host>/misc.php?mod=seccode&update=N&idhash=IDH", forumOrigin being the
// forum's scheme, host and port as every other request reaches it.
[[nodiscard]] QString url(const QString &forumOrigin, const QString &idHash, quint64 update);
// The Referer "<scheme>://<forum host>/", the only one the forum draws a picture for.
[[nodiscard]] QString referer(const QString &forumOrigin);

// The answer of a picture request: transport failure, HTTP status and body. The pixels are decoded
// only after the header's size passed. Another-session pictures are the window's to tell.
[[nodiscard]] Result read(bool failed, int status, const QByteArray &body);

// The picture for a place of kSize units at the given device pixel ratio: every forum pixel
// becomes ratio x ratio device pixels (sharp edges rather than a blurred enlargement), and the
// image carries the ratio. A picture of another size is fitted to the place first.
[[nodiscard]] QImage forDisplay(const QImage &picture, qreal ratio);

// What the status line says for a problem; empty for None.
[[nodiscard]] QString statusText(Problem problem);

} // namespace CaptchaPicture
