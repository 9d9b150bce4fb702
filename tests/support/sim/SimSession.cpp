#include "SimSession.h"

#include "net/CookieStore.h"
#include "net/Network.h"
#include "session/QuorvelModule.h"
#include "TestSession.h"

SimSession::SimSession(int timeoutMs)
{
    testSession().network().cookieStore().setFolder(QuorvelModule::SpecialFolderPath(testSession().settings(), QuorvelModule::kCookiesFolder));
    testSession().network().cookieStore().endSession();
    testSession().network().setTimeoutMs(timeoutMs);
}

SimSession::~SimSession()
{
    testSession().network().setTimeoutMs(0);
    testSession().network().cookieStore().endSession();
}
