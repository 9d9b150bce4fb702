#include "MemberSession.h"

#include "base/Logging.h"

MemberSession::MemberSession(Settings settings)
    : m_settings(std::move(settings))
    , m_network(m_settings)
    , m_site(m_settings, m_network)
{
    Logging::showSiteOf(&m_settings);
}

MemberSession::~MemberSession()
{
    Logging::showSiteOf(nullptr);
}

bool MemberSession::openLoginWindow(QWidget *windowGivingWay)
{
    // A copy: the window being opened may name an opener again while this one runs.
    const auto opener = m_loginWindowOpener;
    if (!opener)
        return false;
    opener(*this, windowGivingWay);
    return true;
}
