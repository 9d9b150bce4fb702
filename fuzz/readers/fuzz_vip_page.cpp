// The VIP page reader and the expiry helpers on any page: no crash, a level of 0 to 2 that is 0
// exactly without the greeting, and a day count only for a real date.
#include "ReaderInput.h"
#include "rules/PanelReaders.h"

using ReaderInput::check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString page = ReaderInput::text(data, size);
    const PanelReaders::VipReading reading = PanelReaders::readVipPage(page);
    check(reading.level >= 0 && reading.level <= 2);
    check((reading.level == 0) == !page.contains(QStringLiteral("尊敬的VIP用户")));
    if (reading.level == 0)
        check(reading.growthText.isEmpty() && reading.expiryText.isEmpty());
    if (!reading.growthText.isEmpty())
        check(reading.growthText.endsWith(QLatin1Char('<')) && ReaderInput::within(reading.growthText, page));
    check(!reading.expiryText.contains(QLatin1Char('<')) && reading.expiryText.size() <= page.size());

    // The expiry helpers on the reading and on the page itself (a short page is a date-like text).
    const QDate today(2015, 3, 1);
    for (const QString &expiry : {reading.expiryText, page.left(64)}) {
        check(!PanelReaders::expiryDateText(expiry).contains(QLatin1Char('.')));
        const std::optional<qint64> days = PanelReaders::daysLeft(expiry, today);
        if (days)
            check(today.addDays(*days).isValid());
        check(!PanelReaders::daysLeft(expiry, QDate()));
    }
    return 0;
}
