#include "SimSession.h"

#include "app/QuorvelModule.h"
#include "net/CookieStore.h"
#include "net/Network.h"

SimSession::SimSession(int timeoutMs)
{
    Network::cookieStore().setFolder(QuorvelModule::SpecialFolderPath(33));
    Network::cookieStore().endSession();
    Network::setTimeoutMs(timeoutMs);
}

SimSession::~SimSession()
{
    Network::setTimeoutMs(0);
    Network::cookieStore().endSession();
}
