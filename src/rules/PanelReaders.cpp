#include "PanelReaders.h"

#include "base/Logging.h"

#include <QRegularExpression>

namespace PanelReaders {

namespace {

const QString kCreditList = QStringLiteral("creditl mtm bbda cl");
const QString kQuorvelbiMarker = QStringLiteral("Quorvel币: </em>");
const QString kYubiMarker = QStringLiteral("za: </em>");
const QString kVipGreeting = QStringLiteral("尊敬的VIP用户");
const QString kGrowthMarker = QStringLiteral("成长速度:&nbsp;");
const QString kExpiryMarker = QStringLiteral("到期时间:&nbsp;");
const QString kSvipGrowth = QStringLiteral("10+5");
const QString kVersionMarker = QStringLiteral("km:");

// The piece of a balance: its text before the first "<"; a piece without "<" gives nothing.
QString balanceIn(const QString &section, const QString &marker)
{
    const QString piece = textAfter(section, marker);
    const qsizetype lt = piece.indexOf(u'<');
    return lt < 0 ? QString() : piece.left(lt);
}

} // namespace

QString textAfter(const QString &text, const QString &marker)
{
    if (marker.isEmpty())
        return {};
    const qsizetype first = text.indexOf(marker);
    if (first < 0)
        return {};
    const qsizetype start = first + marker.size();
    const qsizetype second = text.indexOf(marker, start);
    return second < 0 ? text.mid(start) : text.mid(start, second - start);
}

CreditReading readCreditPage(const QString &page)
{
    CreditReading reading;
    if (!page.contains(kCreditList))
        return reading;
    reading.found = true;
    const QString section = textAfter(page, kCreditList);
    reading.quorvelbi = balanceIn(section, kQuorvelbiMarker);
    reading.yubi = balanceIn(section, kYubiMarker);
    return reading;
}

CreditReading readExchangePage(const QString &page)
{
    CreditReading reading = readCreditPage(page);
    reading.quorvelbi = reading.quorvelbi.trimmed();
    reading.yubi = reading.yubi.trimmed();
    return reading;
}

VipReading readVipPage(const QString &page)
{
    VipReading reading;
    if (!page.contains(kVipGreeting))
        return reading;

    // The growth text keeps the "<" that opens "</li>"; without "</li>" there is none.
    const QString growthPiece = textAfter(page, kGrowthMarker);
    const qsizetype li = growthPiece.indexOf(QStringLiteral("</li>"));
    if (li >= 0)
        reading.growthText = growthPiece.left(li + 1);

    const QString expiryPiece = textAfter(page, kExpiryMarker);
    const qsizetype b = expiryPiece.indexOf(QStringLiteral("</b>"));
    if (b >= 0) {
        QString expiry = expiryPiece.left(b);
        expiry.remove(QStringLiteral("<b>"));
        expiry.remove(u'<');
        reading.expiryText = expiry;
    }

    reading.level = reading.growthText.contains(kSvipGrowth) ? 2 : 1;
    return reading;
}

QString expiryDateText(const QString &expiryText)
{
    QString date = expiryText;
    date.replace(u'.', u'-');
    return date;
}

std::optional<qint64> daysLeft(const QString &expiryText, const QDate &today)
{
    // Year first, whatever the system's date settings say: 2015-03-05, 2015.3.5.
    static const QRegularExpression datePattern(QStringLiteral("^\\s*(\\d{4})[-.](\\d{1,2})[-.](\\d{1,2})\\s*$"));
    const QRegularExpressionMatch match = datePattern.match(expiryText);
    if (!match.hasMatch() || !today.isValid())
        return std::nullopt;
    const QDate expiry(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt());
    if (!expiry.isValid())
        return std::nullopt;
    return today.daysTo(expiry);
}

QString versionField(const QString &file)
{
    const QString afterMarker = textAfter(file, kVersionMarker);
    const qsizetype bar = afterMarker.indexOf(u'|');
    return bar < 0 ? QString() : afterMarker.left(bar);
}

VersionOutcome versionOutcome(const QString &file, int httpStatus)
{
    const bool httpError = httpStatus != 0 && (httpStatus < 200 || httpStatus > 299);
    if (file.isEmpty() || httpError || !file.contains(kVersionMarker)) {
        qCDebug(lcPanel, "version file (status %d) read as a failed check: %s", httpStatus,
                file.isEmpty() ? "empty" : httpError ? "error status" : "no \"km:\" field");
        return VersionOutcome::CheckFailed;
    }
    const QString field = versionField(file);
    qCDebug(lcPanel).noquote() << "version file names" << field << (field == kClientVersion ? "(this version)" : "(another version)");
    return field == kClientVersion ? VersionOutcome::Current : VersionOutcome::NewVersion;
}

} // namespace PanelReaders
