#pragma once
// Names and descriptions a screen reader announces for the controls of every window. The windows
// keep their own look; the words a reader speaks live here, in one table keyed by window and
// control object name.
class QWidget;

namespace AccessibleNames {
// Names the window and every known control under it. Safe to call more than once.
void apply(QWidget *window);
// Applies the names to each window as it is shown, for the whole program.
void install();
} // namespace AccessibleNames
