#pragma once
// The member's state shared by the windows, under the names the windows use; the member session
// owns one of each.
#include <QString>
#include <QtGlobal>

struct LoginState {
    QString QuestionId = QStringLiteral("0"); // "0" to "7"
    QString AvatarUid;                        // UID whose avatar Image1 shows
    QString MemberName;                       // member name from the login reply
    qint16 AutoLoginBlocked = 0;              // 1 after a sign-out: no automatic sign-in
};

struct PanelState {
    qint16 VipLevel = 0; // 0 not VIP, 1 VIP, 2 SVIP
    QString QuorvelbiAmount;
    QString YubiAmount;
};
