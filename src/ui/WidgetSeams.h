#pragma once
// Default handlers of the seams for the real program: QMessageBox, QDesktopServices, exit.
namespace WidgetSeams {
void install();
}
