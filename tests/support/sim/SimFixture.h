#pragma once
// Starts a forum simulator in this process on free loopback ports and points the client's settings
// at it; stops it again when the fixture goes out of scope. The simulator runs in the test's own
// event loop, next to the client's windows. QUORVEL_SIM_CHARSET (gbk, utf-8) picks the forum's
// code page for the whole program.
#include "ForumSimulator.h"

// Points the client's settings (every role host and the probe address) at the simulator.
void pointClientAt(const ForumSimulator &sim);

class SimFixture
{
public:
    SimFixture();
    ~SimFixture();
    SimFixture(const SimFixture &) = delete;
    SimFixture &operator=(const SimFixture &) = delete;

    // False when the simulator could not listen (then every request of the client fails).
    [[nodiscard]] bool isRunning() const { return m_sim.isRunning(); }

    ForumSimulator &sim() { return m_sim; }
    ForumSimulator *operator->() { return &m_sim; }

private:
    ForumSimulator m_sim;
};
