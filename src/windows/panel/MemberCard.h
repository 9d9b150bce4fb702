#pragma once
// What the panel's member card shows of the signed-in member. Windows that know something of the
// member hand it to Form2::showMember(); a part left unset stays on the card as it is.
#include "rules/PanelReaders.h"

#include <QColor>
#include <QDate>
#include <QPixmap>
#include <QString>

#include <optional>

struct MemberCard
{
    std::optional<QString> name;      // the member's name (Label3)
    std::optional<QPixmap> avatar;    // Image1; a null picture shows the no-avatar picture
    std::optional<QColor> nameColour; // the name's text colour (VIP red, SVIP gold)
    // The days of VIP left (Label13): above zero, the count with its tooltip; otherwise (none
    // left, or none known) the count is hidden.
    std::optional<qint64> daysLeft;
    // The VIP status: the line under the badge (Label6) says there is no membership at level 0,
    // and the expiry otherwise.
    std::optional<qint16> vipLevel;
    QString expiry;
    // With vipLevel: the badge of that level shows too (0 "未开通VIP", 1 VIP, any other SVIP).
    bool badge = false;

    // The two ways a VIP reading reaches the card.
    enum class VipView {
        HandOver, // the identity check's: the name in the level's colour, the expiry as the page writes it
        Reading,  // the panel's own reading: the badge too, the expiry with dashes
    };
    // The card's VIP parts from a reading of the VIP front page on the day today.
    [[nodiscard]] static MemberCard fromVip(const PanelReaders::VipReading &vip, const QDate &today, VipView view);
};
