#pragma once
// The texts the simulated forum answers with: AJAX envelopes with their callbacks, and the pages.
// Every builder returns text; the site encodes it in GBK on the way out. Apostrophes inside the
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

// Backslash before "\" and "'", as the forum writes values into its script calls.
[[nodiscard]] QString jsEscape(const QString &text);

[[nodiscard]] QString ajaxEnvelope(const QString &inner);
// The refusal form; withDialog adds showDialog('MESSAGE', 'alert', …) after the callback.
[[nodiscard]] QString ajaxRefusal(const QString &key, const QString &message, const QString &extra, bool withDialog);
[[nodiscard]] QString ajaxSuccess(const QString &key, const QString &url, const QString &message, const QString &values);

// The sign-in greeting and the success values ('username':…,'syn':'0').
[[nodiscard]] QString loginGreeting(const ForumMember &member);
[[nodiscard]] QString loginValues(const ForumMember &member);

// A whole HTML page; the title gets " - SITE - Powered by Quorvel".
[[nodiscard]] QString htmlPage(const QString &title, const QString &body);
// Notice page titled 提示信息 (unknown member, sign-in required). Its texts avoid "的" and
// "(UID: ", so a profile reader finds neither a name nor a UID in it.
[[nodiscard]] QString noticePage(const QString &message, bool withLoginForm = false);

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
[[nodiscard]] QString tokenErrorPage();       // the 503 page of a wrong form token

[[nodiscard]] QByteArray probePage();         // the connectivity-probe site, UTF-8

} // namespace ForumPages
