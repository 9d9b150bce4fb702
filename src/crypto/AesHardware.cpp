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

// Eight blocks at a time keep the AES unit's pipeline full.
constexpr std::size_t Lanes = 8;

template <bool Encrypt>
__attribute__((target("aes,sse2"))) void transform(const std::uint32_t *roundKeys, int rounds,
                                                   const std::uint8_t *in, std::uint8_t *out, std::size_t blocks)
{
    __m128i k[MaxRounds + 1];
    for (int r = 0; r <= rounds; ++r)
        k[r] = _mm_load_si128(reinterpret_cast<const __m128i *>(roundKeys + 4 * r));

    std::size_t b = 0;
    for (; b + Lanes <= blocks; b += Lanes) {
        __m128i x[Lanes];
        for (std::size_t i = 0; i < Lanes; ++i)
            x[i] = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i *>(in + (b + i) * BlockBytes)), k[0]);
        for (int r = 1; r < rounds; ++r)
            for (std::size_t i = 0; i < Lanes; ++i)
                x[i] = Encrypt ? _mm_aesenc_si128(x[i], k[r]) : _mm_aesdec_si128(x[i], k[r]);
        for (std::size_t i = 0; i < Lanes; ++i) {
            x[i] = Encrypt ? _mm_aesenclast_si128(x[i], k[rounds]) : _mm_aesdeclast_si128(x[i], k[rounds]);
            _mm_storeu_si128(reinterpret_cast<__m128i *>(out + (b + i) * BlockBytes), x[i]);
        }
    }
    for (; b < blocks; ++b) {
        __m128i x = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i *>(in + b * BlockBytes)), k[0]);
        for (int r = 1; r < rounds; ++r)
            x = Encrypt ? _mm_aesenc_si128(x, k[r]) : _mm_aesdec_si128(x, k[r]);
        x = Encrypt ? _mm_aesenclast_si128(x, k[rounds]) : _mm_aesdeclast_si128(x, k[rounds]);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + b * BlockBytes), x);
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
