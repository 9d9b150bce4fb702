#pragma once
// How the member panel and the identity check read the site's pages: the credit page, the VIP
// front page and the version file. Plain functions over text, no widgets, no network.
#include <QDate>
#include <QString>
#include <QtGlobal>
#include <optional>

namespace PanelReaders {

// The part of text between the first occurrence of marker and its second occurrence, or the end of
// the text when it occurs once. Empty when the marker does not occur.
[[nodiscard]] QString textAfter(const QString &text, const QString &marker);

// The member's two balances from the credit page.
struct CreditReading {
    bool found = false;  // the credit list "creditl mtm bbda cl" is on the page
    QString quorvelbi;   // text after "Quorvel币: </em>" up to its first "<"
    QString yubi;        // text after "za: </em>" up to its first "<"
};
// A page without the credit list (an empty reply, the sign-in page of a guest, an error page)
// gives found == false; a missing currency marker or a piece without "<" gives an empty balance.
[[nodiscard]] CreditReading readCreditPage(const QString &page);

// The same reading of the exchange page (op=exchange), which every site shows its members; its
// list leaves a blank after a value without unit, so the balances are trimmed.
[[nodiscard]] CreditReading readExchangePage(const QString &page);

// The member's VIP status from the VIP front page.
struct VipReading {
    qint16 level = 0;   // 0 not VIP, 1 VIP, 2 SVIP (growth text with "10+5")
    QString growthText; // after "成长速度:&nbsp;", up to and including the "<" of the first "</li>"
    QString expiryText; // after "到期时间:&nbsp;", before the first "</b>", without "<b>" and "<"
};
// A page without "尊敬的VIP用户" gives level 0 and empty texts.
[[nodiscard]] VipReading readVipPage(const QString &page);

// The expiry text with every "." turned into "-" (2015.03.05 -> 2015-03-05).
[[nodiscard]] QString expiryDateText(const QString &expiryText);
// Calendar days from today to the expiry date (year first, "-" or "." between the parts):
// 0 when it is today, negative once it has passed; nothing when the text is not a date.
[[nodiscard]] std::optional<qint64> daysLeft(const QString &expiryText, const QDate &today);

// The version field of the version file: after the first "km:" up to the next "km:", cut before
// its first "|". Empty when the file has no "km:" or the field has no "|".
[[nodiscard]] QString versionField(const QString &file);

// What the version check concludes from one fetch of the version file.
enum class VersionOutcome {
    CheckFailed, // nothing usable arrived: warn and go on with the panel
    NewVersion,  // the site names another version: tell, open the forum, end the program
    Current,     // the site names this client's version
};
// This client's version as the version file names it, "V<major>.<minor>" of the project version
// the build is made from (CMakeLists.txt), so a new release cannot forget to change it here.
inline const QString kClientVersion = QString(u'V' + QString::number(QUORVEL_VERSION_MAJOR) + u'.'
                                              + QString::number(QUORVEL_VERSION_MINOR));
// httpStatus is 0 when no HTTP status arrived. An empty reply, an HTTP error status or a reply
// without "km:" (an error page of the host) is a failed check, not a new version.
[[nodiscard]] VersionOutcome versionOutcome(const QString &file, int httpStatus);

} // namespace PanelReaders
