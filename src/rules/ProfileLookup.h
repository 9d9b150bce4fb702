#pragma once
// Reading a member's profile page for the account lookup of the login window: who a UID is, and
// which UID a name has.
#include <QString>
#include <array>

namespace ProfileLookup {

inline const QString kTitleMarker = QStringLiteral("<title>");
inline const QString kNameEnd = QStringLiteral("的"); // "NAME的个人资料"
inline const QString kUidMarker = QStringLiteral("(UID: ");
inline const QString kUidEnd = QStringLiteral(")");

// The lookup's working texts: six for the lookup by UID (0 page, 1 text after the title marker,
// 2 profile name) and six for the lookup by name (0 page, 1 text after the UID marker, 2 UID).
// Slots 3 to 5 are kept unused.
struct LookupSlots {
    std::array<QString, 6> uid;
    std::array<QString, 6> name;
    void clear()
    {
        uid.fill(QString());
        name.fill(QString());
    }
    // The name the profile page gave for a UID entry; empty after a lookup by name.
    [[nodiscard]] const QString &profileName() const { return uid[2]; }
};

// Profile page addresses on the member home (homeOrigin: "<scheme>://<host>[:<port>]",
// Settings::origin(HostRole::Home)); the entry is percent-encoded in the forum's code page so that
// Chinese letters, "&", "#" and blanks arrive as typed.
[[nodiscard]] QString uidProfileUrl(const QString &homeOrigin, const QString &uid);
[[nodiscard]] QString nameProfileUrl(const QString &homeOrigin, const QString &name, const QByteArray &charset);

// Fills slots 1 and 2 of the UID side from slot 0 (the page): slot 1 = the text after the first
// "<title>" up to the next "<title>" or the end, slot 2 = slot 1 before its first "的" when that
// "的" stands inside the title (before "</title>"), else empty: the name comes from the title
// alone, never from the page after it. False (slots 1 and 2 untouched) when the page has no "<title>".
[[nodiscard]] bool readUidPage(std::array<QString, 6> &uidSlots);

// Fills slots 1 and 2 of the name side from slot 0: slot 1 = the text after the first "(UID: " up
// to the next "(UID: " or the end, slot 2 = slot 1 before its first ")" (empty when it has none).
// False (slots 1 and 2 untouched) when the page has no "(UID: ".
[[nodiscard]] bool readNamePage(std::array<QString, 6> &nameSlots);

// The forum's notice instead of a profile, by the class of its <div id="messagetext">. Where
// guests may not view profiles the forum still tells a known member from an unknown one:
// alert_info ("sign in to view") means the member exists, alert_error that nobody has that name
// or UID. The lookup by name reads it; the lookup by UID keeps any titled page.
enum class Notice { None, SignInToView, NoSuchMember };
[[nodiscard]] Notice readNotice(const QString &page);

} // namespace ProfileLookup
