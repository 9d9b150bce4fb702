#pragma once
// The program's own icon (the same drawing the desktop entry uses), for every window's title bar
// and the task bar.
#include <QIcon>

[[nodiscard]] QIcon programIcon();
