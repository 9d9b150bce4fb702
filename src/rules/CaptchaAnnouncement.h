#pragma once
// Whether the forum's AJAX login form asks for a captcha, and the id hash of the picture it names:
// the form holds <span id="seccode_IDH"></span> and updateseccode('IDH', …, 'member::logging').
// A plain reading of the form's text; the login window acts on the result.
#include <QString>

namespace CaptchaAnnouncement {

enum class Kind {
    None,      // no captcha announced: the sign-in goes as on a site without one
    Asked,     // one id hash, announced once or repeated the same
    Ambiguous, // two or more different id hashes: none is taken, the window says so
    Malformed, // an announcement whose id hash is empty or not one the forum could make
};

struct Reading {
    Kind kind = Kind::None;
    QString idHash; // set only for Kind::Asked
    [[nodiscard]] bool asksForCaptcha() const { return kind != Kind::None; }
};

// The longest id hash taken; the forum's are "cS" and a few characters.
inline constexpr int kMaxIdHashLength = 32;

// An id hash the client puts into an address and a cookie name: letters and digits only, 1 to
// kMaxIdHashLength of them.
[[nodiscard]] bool isUsableIdHash(const QString &idHash);

[[nodiscard]] Reading read(const QString &loginFormText);

} // namespace CaptchaAnnouncement
