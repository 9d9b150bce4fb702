#pragma once
// Start-up timing for bench/startup: with QUORVEL_STARTUP_TRACE set, the first time a named
// top-level window is exposed (shown on screen and painted) one line goes to standard error:
//
//   quorvel-startup-trace: exposed <objectName> <CLOCK_MONOTONIC in ns>
//
// When the variable's value is a window's object name ("Form1", "Form2"), the program ends at once
// after that window's line, so the benchmark's peak-memory reading stops there too. Any other value
// only traces. Unset, install() does nothing and nothing else costs anything.

class QApplication;

namespace StartupTrace {

void install(QApplication &app);

} // namespace StartupTrace
