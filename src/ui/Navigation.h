#pragma once
// Windows that a lower layer must open without linking the layer above it: the member panel's
// sign-out shows a new login window. The start routine registers the factories.
#include <functional>

namespace Navigation {

void setLoginWindowFactory(std::function<void()> showLoginWindow);
// Creates and shows a fresh login window (runs its whole load handler). No-op when none registered.
void showLoginWindow();

} // namespace Navigation
