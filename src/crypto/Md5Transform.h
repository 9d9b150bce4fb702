#pragma once
// The MD5 compression function of RFC 1321 over whole 64-byte blocks.
#include <cstddef>
#include <cstdint>

namespace Md5 {

inline constexpr std::size_t BlockBytes = 64;
inline constexpr std::uint32_t InitialState[4] = {0x67452301u, 0xEFCDAB89u, 0x98BADCFEu, 0x10325476u};

void compress(std::uint32_t state[4], const std::uint8_t *blocks, std::size_t count);

} // namespace Md5
