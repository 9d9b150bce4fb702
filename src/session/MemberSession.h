#pragma once
// Everything one run of the client knows of the member and the site, owned in one place: the
// start routine makes it from the command line and hands it to each window it opens, and each
// window to the windows it opens. Nothing of it lives anywhere else, so a test makes a fresh one
// for a fresh start.
#include "base/Settings.h"
#include "base/State.h"
#include "net/Network.h"
#include "SiteSession.h"

#include <QPointer>

#include <functional>

class QWidget;

class MemberSession
{
public:
    explicit MemberSession(Settings settings = {});
    ~MemberSession();
    MemberSession(const MemberSession &) = delete;
    MemberSession &operator=(const MemberSession &) = delete;

    // Hosts, probe, data folder, proxy choice. Changing a host takes effect with the next request.
    Settings &settings() { return m_settings; }
    // The network manager and the cookie store, the forum's code page, the time limit.
    Network &network() { return m_network; }
    // The forum session's periods and form tokens, page fetches' tokens, the sign-out.
    SiteSession &site() { return m_site; }
    // The login window's state: the security question, the avatar shown, the member's name from
    // the login reply, and whether automatic sign-in is blocked (after a sign-out).
    LoginState &login() { return m_login; }
    // The member's card in the panel: VIP level and the two balances.
    PanelState &card() { return m_card; }

    // The windows of the session that exist once at most (the member panel, the identity check),
    // as the windows layer registers them.
    QPointer<QObject> panel;
    QPointer<QObject> identityCheck;

    // How a fresh login window is opened (the start routine says; the panel's sign-out asks).
    // windowGivingWay, when given, is closed by the login window once it is up: the program ends
    // when its last window closes, and the login window shows only after its own load.
    using LoginWindowOpener = std::function<void(MemberSession &, QWidget *windowGivingWay)>;
    void setLoginWindowOpener(LoginWindowOpener opener) { m_loginWindowOpener = std::move(opener); }
    // False when no opener is set: then no window opens, and windowGivingWay stays as it is.
    bool openLoginWindow(QWidget *windowGivingWay = nullptr);

private:
    Settings m_settings;
    Network m_network;
    SiteSession m_site;
    LoginState m_login;
    PanelState m_card;
    LoginWindowOpener m_loginWindowOpener;
};
