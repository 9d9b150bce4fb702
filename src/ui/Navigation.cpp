#include "Navigation.h"

#include <utility>

namespace {

std::function<void()> &loginWindowFactory()
{
    static std::function<void()> factory;
    return factory;
}

} // namespace

namespace Navigation {

void setLoginWindowFactory(std::function<void()> showLoginWindow)
{
    loginWindowFactory() = std::move(showLoginWindow);
}

void showLoginWindow()
{
    // A copy: the window being shown may register a factory again while this one runs.
    const std::function<void()> factory = loginWindowFactory();
    if (factory)
        factory();
}

} // namespace Navigation
