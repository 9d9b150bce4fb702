#include "PanelReadings.h"

#include "base/Settings.h"
#include "session/MemberSession.h"

namespace {

const QString kCreditPagePath = QStringLiteral("/home.php?mod=spacecp&ac=credit&op=buy");
const QString kExchangePagePath = QStringLiteral("/home.php?mod=spacecp&ac=credit&op=exchange");

} // namespace

PanelReadings::PanelReadings(MemberSession &session, Parts parts, QObject *parent)
    : QObject(parent)
    , m_session(session)
{
    // Counted before any starts: a part may end before the next one begins.
    m_pending = int(parts.testFlag(Balances)) + int(parts.testFlag(Vip)) + int(parts.testFlag(Version));
    if (parts.testFlag(Balances))
        m_balances = readBalances();
    if (parts.testFlag(Vip))
        m_vip = readVip();
    if (parts.testFlag(Version))
        m_version = readVersion();
}

Task<> PanelReadings::whenDone()
{
    if (!isDone())
        co_await Wait::signal(this, &PanelReadings::finished);
}

void PanelReadings::partDone()
{
    if (--m_pending == 0)
        emit finished(); // last: a receiver may delete the readings
}

Routine PanelReadings::readBalances()
{
    SiteSession &site = m_session.site();
    const auto fetch = [this](const QString &path) {
        return QuorvelModule::fetchPage(m_session.site(), m_session.settings().url(HostRole::Home, path));
    };
    // A site that sells no credits (the forum's default) shows no list on its credit page; its
    // exchange page always has one, and the member's token too. Once this forum answered so, its
    // exchange page is read at once.
    bool creditPageWithoutList = false;
    if (!site.creditListOnExchangePageOnly()) {
        const QuorvelModule::Page creditPage = co_await fetch(kCreditPagePath);
        credits = PanelReaders::readCreditPage(creditPage.text);
        if (credits.found || creditPage.text.isEmpty()) {
            partDone();
            co_return;
        }
        creditPageWithoutList = creditPage.status == 200;
    }
    credits = PanelReaders::readExchangePage((co_await fetch(kExchangePagePath)).text);
    if (credits.found && creditPageWithoutList)
        site.noteCreditListOnExchangePageOnly();
    partDone();
}

Routine PanelReadings::readVip()
{
    vipPage = co_await QuorvelModule::HttpGetText(m_session.site(), m_session.settings().url(HostRole::Vip, QStringLiteral("/")));
    partDone();
}

Routine PanelReadings::readVersion()
{
    versionFile = co_await QuorvelModule::fetchPage(
        m_session.site(), m_session.settings().url(HostRole::Soft, QStringLiteral("/version/main.txt")));
    partDone();
}
