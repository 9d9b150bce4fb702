#pragma once
// The project's own deterministic pseudo-random generator, with the two operations the random-XOR
// cipher draws on. Its arithmetic is fixed here once and for all: cipher texts of CRndXorHash can be
// read back only by a generator that computes exactly these numbers.
//
//   value(x < 0): restarts from x (the state becomes a function of x alone), returns the first value;
//   value(0):     returns the last value again;
//   value(x > 0), value(): returns the next value;
//   mix(x):       re-seeds from the current state and x.
// Values are single-precision numbers in [0, 1) with 24 significant bits.
#include <cstdint>

class RandomGenerator
{
public:
    float value();
    float value(float x);
    void mix(double x);

private:
    float next();

    std::uint32_t m_state = 0x2545F491u;
    float m_last = 0.0f;
};
