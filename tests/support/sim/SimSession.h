#pragma once
// What a test that drives the client against the in-process simulator stands on: a temporary
// program folder whose cookies folder the cookie store uses (starting empty), recorded seams, the
// simulator with the settings pointed at it, and a shortened time limit. All undone, in reverse
// order, when the session goes.
#include "SeamRecorder.h"
#include "SimFixture.h"
#include "TempDataDir.h"

class SimSession
{
public:
    explicit SimSession(int timeoutMs);
    ~SimSession();
    SimSession(const SimSession &) = delete;
    SimSession &operator=(const SimSession &) = delete;

    [[nodiscard]] bool isRunning() const { return site.isRunning(); }
    ForumSimulator &sim() { return site.sim(); }

    TempDataDir dir;
    SeamRecorder seams;
    SimFixture site;
};
