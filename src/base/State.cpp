#include "State.h"

LoginState &loginState()
{
    static LoginState state;
    return state;
}

PanelState &panelState()
{
    static PanelState state;
    return state;
}

void resetSharedState()
{
    loginState() = LoginState{};
    panelState() = PanelState{};
}
