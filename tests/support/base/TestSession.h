#pragma once
// The test program's member session, as the start routine would make it: the windows, controls
// and readings a test makes get this one. It goes with the application object.
#include "session/MemberSession.h"

#include <QCoreApplication>
#include <QObject>
#include <QPointer>

namespace TestSessionDetail {
struct Holder : QObject {
    using QObject::QObject;
    MemberSession session;
};
inline QPointer<Holder> &holder()
{
    static QPointer<Holder> held;
    return held;
}
} // namespace TestSessionDetail

inline MemberSession &testSession()
{
    auto &held = TestSessionDetail::holder();
    if (!held)
        held = new TestSessionDetail::Holder(QCoreApplication::instance());
    return held->session;
}

// The member's state back to that of a fresh start (each case signs in anew); the settings, the
// network and the site's periods stay.
inline void resetMemberState()
{
    testSession().login() = LoginState{};
    testSession().card() = PanelState{};
}
