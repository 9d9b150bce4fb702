// AES through the processor's AES instructions. Only these functions are compiled for the AES
// extension (target attributes), so the rest of the program runs on any x86-64 and elsewhere.
#include "AesTransform.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <immintrin.h>
#define QUORVEL_AES_X86 1
#endif

#include <cstdlib>

namespace Aes {

#ifdef QUORVEL_AES_X86

bool hardwareAvailable()
{
    static const bool available = [] {
        unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
        if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx))
            return false;
        return (ecx & bit_AES) != 0 && (edx & bit_SSE2) != 0;
    }();
    return available;
}

namespace {

template <bool Encrypt>
__attribute__((target("aes,sse2"), always_inline)) inline __m128i round(__m128i x, __m128i k)
{
    return Encrypt ? _mm_aesenc_si128(x, k) : _mm_aesdec_si128(x, k);
}

template <bool Encrypt>
__attribute__((target("aes,sse2"), always_inline)) inline __m128i lastRound(__m128i x, __m128i k)
{
    return Encrypt ? _mm_aesenclast_si128(x, k) : _mm_aesdeclast_si128(x, k);
}

__attribute__((target("sse2"), always_inline)) inline __m128i loadBlock(const std::uint8_t *p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
}

__attribute__((target("sse2"), always_inline)) inline void storeBlock(std::uint8_t *p, __m128i x)
{
    _mm_storeu_si128(reinterpret_cast<__m128i *>(p), x);
}

// Eight blocks at a time, in eight named registers, keep the AES unit's pipeline full.
template <bool Encrypt>
__attribute__((target("aes,sse2"))) void transform(const std::uint32_t *roundKeys, int rounds,
                                                   const std::uint8_t *in, std::uint8_t *out, std::size_t blocks)
{
    __m128i k[MaxRounds + 1];
    for (int r = 0; r <= rounds; ++r)
        k[r] = _mm_load_si128(reinterpret_cast<const __m128i *>(roundKeys + 4 * r));

    std::size_t b = 0;
    for (; b + 8 <= blocks; b += 8) {
        const std::uint8_t *src = in + b * BlockBytes;
        __m128i x0 = _mm_xor_si128(loadBlock(src), k[0]);
        __m128i x1 = _mm_xor_si128(loadBlock(src + 16), k[0]);
        __m128i x2 = _mm_xor_si128(loadBlock(src + 32), k[0]);
        __m128i x3 = _mm_xor_si128(loadBlock(src + 48), k[0]);
        __m128i x4 = _mm_xor_si128(loadBlock(src + 64), k[0]);
        __m128i x5 = _mm_xor_si128(loadBlock(src + 80), k[0]);
        __m128i x6 = _mm_xor_si128(loadBlock(src + 96), k[0]);
        __m128i x7 = _mm_xor_si128(loadBlock(src + 112), k[0]);
        for (int r = 1; r < rounds; ++r) {
            const __m128i key = k[r];
            x0 = round<Encrypt>(x0, key);
            x1 = round<Encrypt>(x1, key);
            x2 = round<Encrypt>(x2, key);
            x3 = round<Encrypt>(x3, key);
            x4 = round<Encrypt>(x4, key);
            x5 = round<Encrypt>(x5, key);
            x6 = round<Encrypt>(x6, key);
            x7 = round<Encrypt>(x7, key);
        }
        std::uint8_t *dst = out + b * BlockBytes;
        const __m128i last = k[rounds];
        storeBlock(dst, lastRound<Encrypt>(x0, last));
        storeBlock(dst + 16, lastRound<Encrypt>(x1, last));
        storeBlock(dst + 32, lastRound<Encrypt>(x2, last));
        storeBlock(dst + 48, lastRound<Encrypt>(x3, last));
        storeBlock(dst + 64, lastRound<Encrypt>(x4, last));
        storeBlock(dst + 80, lastRound<Encrypt>(x5, last));
        storeBlock(dst + 96, lastRound<Encrypt>(x6, last));
        storeBlock(dst + 112, lastRound<Encrypt>(x7, last));
    }
    for (; b < blocks; ++b) {
        __m128i x = _mm_xor_si128(loadBlock(in + b * BlockBytes), k[0]);
        for (int r = 1; r < rounds; ++r)
            x = round<Encrypt>(x, k[r]);
        storeBlock(out + b * BlockBytes, lastRound<Encrypt>(x, k[rounds]));
    }
}

} // namespace

void encryptBlocksHardware(const KeySchedule &key, const std::uint8_t *in, std::uint8_t *out, std::size_t blocks)
{
    transform<true>(key.encrypt.data(), key.rounds, in, out, blocks);
}

void decryptBlocksHardware(const KeySchedule &key, const std::uint8_t *in, std::uint8_t *out, std::size_t blocks)
{
    // The decryption round keys are already in the equivalent-inverse form that AESDEC expects.
    transform<false>(key.decrypt.data(), key.rounds, in, out, blocks);
}

#else

bool hardwareAvailable()
{
    return false;
}

void encryptBlocksHardware(const KeySchedule &, const std::uint8_t *, std::uint8_t *, std::size_t)
{
    std::abort();
}

void decryptBlocksHardware(const KeySchedule &, const std::uint8_t *, std::uint8_t *, std::size_t)
{
    std::abort();
}

#endif

} // namespace Aes
