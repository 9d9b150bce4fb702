#pragma once
// The texts the simulated forum answers with: AJAX envelopes with their callbacks, and the pages.
// Every builder returns text; the site encodes it in its code page on the way out, filling in the
// declarations of that code page (declared()). Apostrophes inside the
// callbacks' arguments are the piece boundaries the client splits at, so every layout here is fixed:
//   refusal:  MESSAGE<script …>if(typeof errorhandle_KEY=='function') {errorhandle_KEY('MESSAGE', {EXTRA});}</script>
//             -> MESSAGE is piece 3; with EXTRA 'loginperm':'N' the reply has 9 pieces, N is piece 7.
//   success:  <script …>if(typeof succeedhandle_KEY=='function') {succeedhandle_KEY('URL', 'MESSAGE', {VALUES});}
//             hideWindow('KEY');showDialog('MESSAGE', 'right', …);</script>
//             -> URL piece 3, MESSAGE piece 5; after a sign-in NAME is piece 9, GROUP 13, UID 17 (35 pieces).
// No text inside a CDATA section carries a "]" of its own.
#include "SimTypes.h"

#include <QDate>
#include <QString>

namespace ForumPages {

[[nodiscard]] QString siteName();

// Where a page names its code page (the <meta> in its head) and an AJAX reply its encoding (in the
// XML declaration): declared() fills them in for the site's code page as the site sends the text.
inline constexpr char kMetaSlot[] = "{{meta-charset}}";
inline constexpr char kEncodingSlot[] = "{{encoding}}";
// GBK: <meta http-equiv="Content-Type" content="text/html; charset=gbk" /> and encoding="gbk";
// UTF-8: <meta charset="utf-8" /> and encoding="utf-8".
[[nodiscard]] QString declared(QString text, bool utf8);

// Backslash before "\" and "'", as the forum writes values into its script calls.
[[nodiscard]] QString jsEscape(const QString &text);

[[nodiscard]] QString ajaxEnvelope(const QString &inner);
// The refusal form; withDialog adds showDialog('MESSAGE', 'alert', …) after the callback.
[[nodiscard]] QString ajaxRefusal(const QString &key, const QString &message, const QString &extra, bool withDialog);
[[nodiscard]] QString ajaxSuccess(const QString &key, const QString &url, const QString &message, const QString &values);

// The sign-in greeting and the success values ('username':…,'syn':'0').
[[nodiscard]] QString loginGreeting(const ForumMember &member);
[[nodiscard]] QString loginValues(const ForumMember &member);

// Where a page carries the session's form token: the site fills in kFormHashSlot when it sends the
// page (or drops the field on a site whose pages carry none).
inline constexpr char kFormHashField[] = "<input type=\"hidden\" name=\"formhash\" value=\"{{formhash}}\" />";
inline constexpr char kFormHashLinkPart[] = "&amp;formhash={{formhash}}";
inline constexpr char kFormHashSlot[] = "{{formhash}}";

// A whole HTML page; the title gets " - SITE - Powered by Quorvel". Every page has the search
// form, which carries the form token.
[[nodiscard]] QString htmlPage(const QString &title, const QString &body);
// Notice page titled 提示信息, the message in <div id="messagetext" class="CSS">: alert_info for
// "sign in to view" and the like, alert_error for "there is no such member" or "switched off".
// Its title has no "的" and no text has "(UID: ", so a profile reader finds neither a name nor a
// UID in it. member: who the page's user bar names (nullptr: a guest).
[[nodiscard]] QString noticePage(const QString &message, bool withLoginForm = false,
                                 const QString &cssClass = QStringLiteral("alert_info"),
                                 const ForumMember *member = nullptr);

// The AJAX login form (login and lost-password layers), with the token twice when formHash is not
// empty, and the captcha's announcement after the question rows when seccodeIdHash is not empty.
[[nodiscard]] QString ajaxLoginForm(const QString &formHash, const QString &loginHash, const QString &seccodeIdHash);
// The credit exchange page (op=exchange): the list in credit order without a total, "\r\n" between
// items, and #exchangeform with the token.
[[nodiscard]] QString creditExchangePage(const ForumMember &member);
// op=base: the trade credit first, the total last.
[[nodiscard]] QString creditBasePage(const ForumMember &member);

[[nodiscard]] QString profilePage(const ForumMember &member);
[[nodiscard]] QString creditPage(const ForumMember &member);
[[nodiscard]] QString signInRequiredPage();
// member == nullptr: signed out. today is the date the page counts from.
[[nodiscard]] QString vipPage(const ForumMember *member);
[[nodiscard]] QString forumIndexPage(const ForumMember *member);
[[nodiscard]] QString threadPage(int tid);
[[nodiscard]] QString registerPage();
[[nodiscard]] QString loginPage();
[[nodiscard]] QString lostPasswordPage();
[[nodiscard]] QString homeIndexPage(const ForumMember *member);
[[nodiscard]] QString mainIndexPage();
[[nodiscard]] QString softIndexPage();
[[nodiscard]] QString logoutPage(const QString &name);

// Error pages: none of them contains "失败", "CDATA", "欢迎您回来" or a callback name.
[[nodiscard]] QString notFoundPage();
[[nodiscard]] QString systemErrorPage();      // the 200 error page of the ErrorPage fault
[[nodiscard]] QString internalErrorPage();    // the 500 page
[[nodiscard]] QString tokenErrorPage();       // the 503 page of a wrong form token or refused characters
// The refusal of a form posted without a token (lost password, exchange) or from another site.
[[nodiscard]] QString badOriginMessage();

[[nodiscard]] QByteArray probePage();         // the connectivity-probe site, UTF-8

} // namespace ForumPages
