// The version file reader on any file and status: no crash, a field without "|", and "current"
// only when the field names this client's version.
#include "ReaderInput.h"
#include "rules/PanelReaders.h"

using ReaderInput::check;
using PanelReaders::VersionOutcome;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString file = ReaderInput::text(data, size);
    const QString field = PanelReaders::versionField(file);
    check(!field.contains(QLatin1Char('|')) && ReaderInput::within(field, file));
    for (int status : {0, 200, 204, 299, 301, 404, 500, -1}) {
        const VersionOutcome outcome = PanelReaders::versionOutcome(file, status);
        if (outcome == VersionOutcome::Current)
            check(field == PanelReaders::kClientVersion);
        if (file.isEmpty() || (status != 0 && (status < 200 || status > 299)) || !file.contains(QStringLiteral("km:")))
            check(outcome == VersionOutcome::CheckFailed);
    }
    return 0;
}
