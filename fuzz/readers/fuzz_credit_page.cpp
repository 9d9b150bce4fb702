// The credit page reader on any page: no crash, found exactly when the credit list is there, and
// the balances are parts of the page without a tag opening in them.
#include "ReaderInput.h"
#include "rules/PanelReaders.h"

using ReaderInput::check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString page = ReaderInput::text(data, size);
    const PanelReaders::CreditReading reading = PanelReaders::readCreditPage(page);
    check(reading.found == page.contains(QStringLiteral("creditl mtm bbda cl")));
    for (const QString &balance : {reading.quorvelbi, reading.yubi}) {
        check(!balance.contains(QLatin1Char('<')) && ReaderInput::within(balance, page));
        if (!reading.found)
            check(balance.isEmpty());
    }
    // textAfter is the building block of every panel reader: a part of the text without the marker.
    const QString after = PanelReaders::textAfter(page, QStringLiteral("</em>"));
    check(ReaderInput::within(after, page) && !after.contains(QStringLiteral("</em>")));
    check(PanelReaders::textAfter(page, QString()).isEmpty());
    return 0;
}
