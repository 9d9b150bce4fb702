#include "MemberCard.h"

MemberCard MemberCard::fromVip(const PanelReaders::VipReading &vip, const QDate &today, VipView view)
{
    MemberCard card;
    card.vipLevel = vip.level;
    switch (view) {
    case VipView::HandOver:
        if (vip.level == 2)
            card.nameColour = QColor(225, 159, 1);
        else if (vip.level == 1)
            card.nameColour = QColor(255, 0, 0);
        // No expiry, or none that reads as a date: no days shown.
        card.daysLeft = vip.expiryText.isEmpty() ? 0 : PanelReaders::daysLeft(vip.expiryText, today).value_or(0);
        card.expiry = vip.expiryText;
        break;
    case VipView::Reading:
        card.badge = true;
        if (vip.level != 0) {
            card.expiry = PanelReaders::expiryDateText(vip.expiryText);
            card.daysLeft = PanelReaders::daysLeft(vip.expiryText, today).value_or(0);
        }
        break;
    }
    return card;
}
