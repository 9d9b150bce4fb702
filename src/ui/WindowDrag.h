#pragma once
// Moving a frameless window (or one by its background) with the pointer, as a grabbed title bar
// would: by the window system where it takes the request, else by following the pointer here.
class QWidget;

namespace WindowDrag {

// Object name of the helper that follows the pointer while a drag of that kind goes on; a child
// of the window until every mouse button is up.
inline constexpr char kPointerDragName[] = "PointerDrag";

// Starts moving window with the mouse buttons now held. Harmless for a window never shown (nothing
// to move) and without a native window (off-screen tests).
void start(QWidget *window);

} // namespace WindowDrag
