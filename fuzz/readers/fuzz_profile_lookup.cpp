// The profile page readers of the account lookup on any page: no crash, the texts hold parts of
// the page, and a page without the marker leaves them untouched.
#include "ReaderInput.h"
#include "rules/ProfileLookup.h"

using ReaderInput::check;

namespace {

void checkSide(bool (*read)(std::array<QString, 6> &), const QString &page, const QString &marker, const QString &end)
{
    std::array<QString, 6> texts;
    texts[0] = page;
    texts[1] = QStringLiteral("untouched");
    const bool found = read(texts);
    check(found == page.contains(marker));
    if (!found) {
        check(texts[1] == QStringLiteral("untouched") && texts[2].isEmpty());
        return;
    }
    check(ReaderInput::within(texts[1], page) && texts[1].size() <= page.size() - marker.size());
    check(!texts[1].contains(marker));
    check(texts[1].startsWith(texts[2]) && !texts[2].contains(end));
    check(texts[0] == page && texts[3].isEmpty() && texts[4].isEmpty() && texts[5].isEmpty());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString page = ReaderInput::text(data, size);
    checkSide(ProfileLookup::readUidPage, page, ProfileLookup::kTitleMarker, ProfileLookup::kNameEnd);
    checkSide(ProfileLookup::readNamePage, page, ProfileLookup::kUidMarker, ProfileLookup::kUidEnd);
    return 0;
}
