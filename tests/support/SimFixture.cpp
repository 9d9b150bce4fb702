#include "SimFixture.h"

#include <QtGlobal>

SimFixture::SimFixture()
{
    if (!m_sim.start())
        qWarning("SimFixture: the forum simulator could not listen on 127.0.0.1");
    m_sim.configureClient();
}

SimFixture::~SimFixture()
{
    // The client's settings keep pointing at the closed loopback ports: a request after the test
    // fails at once instead of reaching the real site.
    m_sim.stop();
}
