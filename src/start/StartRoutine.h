#pragma once
// The program's start: command line, program folder, seams, windows, then the start window.
#include <QString>

class MemberSession;

// Runs the whole program and returns its exit code.
int runQuorvel(int argc, char *argv[]);

// The skins ship next to the executable (fromDir); a data folder elsewhere (toDir) gets its own
// copy, so a skin the member edited there is kept. A copy an earlier release left unedited (byte for
// byte one it shipped) is brought up to date; a link is left alone.
void copySkins(const QString &fromDir, const QString &toDir);

// Tells session how to open the windows the lower layers cannot link (the login window after the
// member panel signs out).
void registerWindows(MemberSession &session);
