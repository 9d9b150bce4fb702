#include "RandomGenerator.h"

#include <bit>

namespace {

// The MurmurHash3 finaliser: every input bit reaches every output bit.
std::uint32_t scramble(std::uint32_t h)
{
    h ^= h >> 16;
    h *= 0x85EBCA6Bu;
    h ^= h >> 13;
    h *= 0xC2B2AE35u;
    h ^= h >> 16;
    return h;
}

} // namespace

float RandomGenerator::next()
{
    // A full-period linear congruential step; only its upper 24 bits become the value.
    m_state = m_state * 1664525u + 1013904223u;
    m_last = static_cast<float>(m_state >> 8) * (1.0f / 16777216.0f);
    return m_last;
}

float RandomGenerator::value()
{
    return next();
}

float RandomGenerator::value(float x)
{
    if (x < 0.0f) {
        m_state = scramble(std::bit_cast<std::uint32_t>(x) ^ 0x9E3779B9u);
        return next();
    }
    if (x == 0.0f)
        return m_last;
    return next();
}

void RandomGenerator::mix(double x)
{
    const auto bits = std::bit_cast<std::uint64_t>(x);
    const std::uint32_t seed = scramble(static_cast<std::uint32_t>(bits) ^ scramble(static_cast<std::uint32_t>(bits >> 32)));
    m_state = scramble(m_state + 0x9E3779B9u + seed);
}
