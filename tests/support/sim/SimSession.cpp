#include "SimSession.h"

#include "net/CookieStore.h"
#include "net/Network.h"
#include "session/QuorvelModule.h"

SimSession::SimSession(int timeoutMs)
{
    Network::cookieStore().setFolder(QuorvelModule::SpecialFolderPath(QuorvelModule::kCookiesFolder));
    Network::cookieStore().endSession();
    Network::setTimeoutMs(timeoutMs);
}

SimSession::~SimSession()
{
    Network::setTimeoutMs(0);
    Network::cookieStore().endSession();
}
