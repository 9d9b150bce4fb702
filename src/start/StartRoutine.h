#pragma once
// The program's start: command line, program folder, seams, windows, then the start window.

// Runs the whole program and returns its exit code.
int runQuorvel(int argc, char *argv[]);

// Tells the lower layers how to open the windows they cannot link (the login window after the
// member panel signs out).
void registerWindows();
