#include "Md5Transform.h"


namespace Md5 {
namespace {

inline std::uint32_t rotl(std::uint32_t x, int s)
{
    return (x << s) | (x >> (32 - s));
}

inline std::uint32_t loadWord(const std::uint8_t *p)
{
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}

// The auxiliary functions in forms with few operations after x, the value just computed (same results
// as RFC 1321 F, H, I; G is split into two additions in the step below).
inline std::uint32_t f(std::uint32_t x, std::uint32_t y, std::uint32_t z) { return z ^ (x & (y ^ z)); }
inline std::uint32_t h(std::uint32_t x, std::uint32_t y, std::uint32_t z) { return x ^ (y ^ z); }
inline std::uint32_t i(std::uint32_t x, std::uint32_t y, std::uint32_t z) { return y ^ (x | ~z); }

} // namespace

// The message word and constant are added first: they do not wait for b, the value just computed,
// which keeps the chain of dependent operations per step short.
#define QUORVEL_MD5_STEP(fn, a, b, c, d, x, s, t) \
    do {                                          \
        a += (x) + (t);                           \
        a += fn(b, c, d);                         \
        a = b + rotl(a, s);                       \
    } while (false)

// G(b, c, d) = (b & d) | (c & ~d): the two parts share no bits, so each can be added on its own, and
// the one without b is ready early.
#define QUORVEL_MD5_STEP_G(a, b, c, d, x, s, t) \
    do {                                        \
        a += (x) + (t);                         \
        a += c & ~d;                            \
        a += b & d;                             \
        a = b + rotl(a, s);                     \
    } while (false)

void compress(std::uint32_t state[4], const std::uint8_t *blocks, std::size_t count)
{
    std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    for (std::size_t n = 0; n < count; ++n, blocks += BlockBytes) {
        std::uint32_t x[16];
        for (int k = 0; k < 16; ++k)
            x[k] = loadWord(blocks + 4 * k);
        const std::uint32_t aa = a, bb = b, cc = c, dd = d;

        QUORVEL_MD5_STEP(f, a, b, c, d, x[0], 7, 0xd76aa478);
        QUORVEL_MD5_STEP(f, d, a, b, c, x[1], 12, 0xe8c7b756);
        QUORVEL_MD5_STEP(f, c, d, a, b, x[2], 17, 0x242070db);
        QUORVEL_MD5_STEP(f, b, c, d, a, x[3], 22, 0xc1bdceee);
        QUORVEL_MD5_STEP(f, a, b, c, d, x[4], 7, 0xf57c0faf);
        QUORVEL_MD5_STEP(f, d, a, b, c, x[5], 12, 0x4787c62a);
        QUORVEL_MD5_STEP(f, c, d, a, b, x[6], 17, 0xa8304613);
        QUORVEL_MD5_STEP(f, b, c, d, a, x[7], 22, 0xfd469501);
        QUORVEL_MD5_STEP(f, a, b, c, d, x[8], 7, 0x698098d8);
        QUORVEL_MD5_STEP(f, d, a, b, c, x[9], 12, 0x8b44f7af);
        QUORVEL_MD5_STEP(f, c, d, a, b, x[10], 17, 0xffff5bb1);
        QUORVEL_MD5_STEP(f, b, c, d, a, x[11], 22, 0x895cd7be);
        QUORVEL_MD5_STEP(f, a, b, c, d, x[12], 7, 0x6b901122);
        QUORVEL_MD5_STEP(f, d, a, b, c, x[13], 12, 0xfd987193);
        QUORVEL_MD5_STEP(f, c, d, a, b, x[14], 17, 0xa679438e);
        QUORVEL_MD5_STEP(f, b, c, d, a, x[15], 22, 0x49b40821);

        QUORVEL_MD5_STEP_G(a, b, c, d, x[1], 5, 0xf61e2562);
        QUORVEL_MD5_STEP_G(d, a, b, c, x[6], 9, 0xc040b340);
        QUORVEL_MD5_STEP_G(c, d, a, b, x[11], 14, 0x265e5a51);
        QUORVEL_MD5_STEP_G(b, c, d, a, x[0], 20, 0xe9b6c7aa);
        QUORVEL_MD5_STEP_G(a, b, c, d, x[5], 5, 0xd62f105d);
        QUORVEL_MD5_STEP_G(d, a, b, c, x[10], 9, 0x02441453);
        QUORVEL_MD5_STEP_G(c, d, a, b, x[15], 14, 0xd8a1e681);
        QUORVEL_MD5_STEP_G(b, c, d, a, x[4], 20, 0xe7d3fbc8);
        QUORVEL_MD5_STEP_G(a, b, c, d, x[9], 5, 0x21e1cde6);
        QUORVEL_MD5_STEP_G(d, a, b, c, x[14], 9, 0xc33707d6);
        QUORVEL_MD5_STEP_G(c, d, a, b, x[3], 14, 0xf4d50d87);
        QUORVEL_MD5_STEP_G(b, c, d, a, x[8], 20, 0x455a14ed);
        QUORVEL_MD5_STEP_G(a, b, c, d, x[13], 5, 0xa9e3e905);
        QUORVEL_MD5_STEP_G(d, a, b, c, x[2], 9, 0xfcefa3f8);
        QUORVEL_MD5_STEP_G(c, d, a, b, x[7], 14, 0x676f02d9);
        QUORVEL_MD5_STEP_G(b, c, d, a, x[12], 20, 0x8d2a4c8a);

        QUORVEL_MD5_STEP(h, a, b, c, d, x[5], 4, 0xfffa3942);
        QUORVEL_MD5_STEP(h, d, a, b, c, x[8], 11, 0x8771f681);
        QUORVEL_MD5_STEP(h, c, d, a, b, x[11], 16, 0x6d9d6122);
        QUORVEL_MD5_STEP(h, b, c, d, a, x[14], 23, 0xfde5380c);
        QUORVEL_MD5_STEP(h, a, b, c, d, x[1], 4, 0xa4beea44);
        QUORVEL_MD5_STEP(h, d, a, b, c, x[4], 11, 0x4bdecfa9);
        QUORVEL_MD5_STEP(h, c, d, a, b, x[7], 16, 0xf6bb4b60);
        QUORVEL_MD5_STEP(h, b, c, d, a, x[10], 23, 0xbebfbc70);
        QUORVEL_MD5_STEP(h, a, b, c, d, x[13], 4, 0x289b7ec6);
        QUORVEL_MD5_STEP(h, d, a, b, c, x[0], 11, 0xeaa127fa);
        QUORVEL_MD5_STEP(h, c, d, a, b, x[3], 16, 0xd4ef3085);
        QUORVEL_MD5_STEP(h, b, c, d, a, x[6], 23, 0x04881d05);
        QUORVEL_MD5_STEP(h, a, b, c, d, x[9], 4, 0xd9d4d039);
        QUORVEL_MD5_STEP(h, d, a, b, c, x[12], 11, 0xe6db99e5);
        QUORVEL_MD5_STEP(h, c, d, a, b, x[15], 16, 0x1fa27cf8);
        QUORVEL_MD5_STEP(h, b, c, d, a, x[2], 23, 0xc4ac5665);

        QUORVEL_MD5_STEP(i, a, b, c, d, x[0], 6, 0xf4292244);
        QUORVEL_MD5_STEP(i, d, a, b, c, x[7], 10, 0x432aff97);
        QUORVEL_MD5_STEP(i, c, d, a, b, x[14], 15, 0xab9423a7);
        QUORVEL_MD5_STEP(i, b, c, d, a, x[5], 21, 0xfc93a039);
        QUORVEL_MD5_STEP(i, a, b, c, d, x[12], 6, 0x655b59c3);
        QUORVEL_MD5_STEP(i, d, a, b, c, x[3], 10, 0x8f0ccc92);
        QUORVEL_MD5_STEP(i, c, d, a, b, x[10], 15, 0xffeff47d);
        QUORVEL_MD5_STEP(i, b, c, d, a, x[1], 21, 0x85845dd1);
        QUORVEL_MD5_STEP(i, a, b, c, d, x[8], 6, 0x6fa87e4f);
        QUORVEL_MD5_STEP(i, d, a, b, c, x[15], 10, 0xfe2ce6e0);
        QUORVEL_MD5_STEP(i, c, d, a, b, x[6], 15, 0xa3014314);
        QUORVEL_MD5_STEP(i, b, c, d, a, x[13], 21, 0x4e0811a1);
        QUORVEL_MD5_STEP(i, a, b, c, d, x[4], 6, 0xf7537e82);
        QUORVEL_MD5_STEP(i, d, a, b, c, x[11], 10, 0xbd3af235);
        QUORVEL_MD5_STEP(i, c, d, a, b, x[2], 15, 0x2ad7d2bb);
        QUORVEL_MD5_STEP(i, b, c, d, a, x[9], 21, 0xeb86d391);

        a += aa;
        b += bb;
        c += cc;
        d += dd;
    }
    state[0] = a;
    state[1] = b;
    state[2] = c;
    state[3] = d;
}

#undef QUORVEL_MD5_STEP
#undef QUORVEL_MD5_STEP_G

} // namespace Md5
