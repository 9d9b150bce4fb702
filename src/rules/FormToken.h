#pragma once
// The forum's form token ("formhash") as its pages carry it. Today's release binds the token to the
// visitor's salt cookie and the signed-in member and refuses any other with HTTP 503; the older
// site let the fixed tokens of its forms through and its pages carry none. Plain functions.
#include <QString>

namespace FormToken {

enum class Found {
    None,        // the page carries no token (an older site, an error page)
    One,         // one token, as often as the page repeats it
    Malformed,   // a token that is not eight hexadecimal digits
    Conflicting, // two different tokens
};

struct Reading {
    Found found = Found::None;
    QString token; // set for Found::One
};

// Reads every token of the page: the hidden field name="formhash" value="H" (either quote) and
// the link parameter formhash=H after "?", "&" or "&amp;". A page with a malformed token or two
// different ones yields no token.
[[nodiscard]] Reading read(const QString &page);

// Eight hexadecimal digits, the shape of every token the forum issues.
[[nodiscard]] bool isWellFormed(const QString &token);

// The forum's answer to a wrong token (or, without a token, to refused characters): HTTP 503 with
// its page saying so. The request was not processed, so it may be sent once more with a fresh
// token. Any other 503 is an overloaded server that may have done the work: never repeated.
inline const QString kRefusalText = QStringLiteral("您当前的访问请求当中含有非法字符");
[[nodiscard]] bool isRefusal(int httpStatus, const QString &page);

// What a member is told when no usable token can be had, or the forum refuses a fresh one again.
inline const QString kMessageUnavailable = QStringLiteral("无法取得论坛的表单验证串,请检查网络后重试!");
inline const QString kMessageInvalid = QStringLiteral("论坛返回的表单验证串无效,请稍后重试!");
inline const QString kMessageRefused = QStringLiteral("论坛拒绝了本次请求的表单验证串,请稍后重试!");

} // namespace FormToken
