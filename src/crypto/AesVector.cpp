// AES through the vector AES instructions (VAES): one instruction runs a round on two blocks (256-bit
// registers) or four (512-bit). Only these functions are compiled for those extensions (target
// attributes), so the rest of the program still runs on any x86-64; elsewhere nothing here is chosen.
#include "AesTransform.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <immintrin.h>
#define QUORVEL_AES_X86 1
#endif

// The lanes must be unrolled into registers of their own; -O2 keeps short loops rolled, and the
// lanes then pass through memory between rounds.
#define QUORVEL_UNROLL _Pragma("GCC unroll 16")

#include <cstdlib>

namespace Aes {

VectorSupport vectorSupportOf(const CpuidBits &bits)
{
    // CPUID leaf 1, ECX: AES (25), OSXSAVE (27), AVX (28).
    constexpr std::uint32_t Leaf1Aes = 1u << 25, Leaf1OsXsave = 1u << 27, Leaf1Avx = 1u << 28;
    // Leaf 7, EBX: AVX2 (5), AVX512F (16); ECX: VAES (9).
    constexpr std::uint32_t Leaf7Avx2 = 1u << 5, Leaf7Avx512f = 1u << 16, Leaf7Vaes = 1u << 9;
    // XCR0: the state the operating system saves on a task switch. SSE and AVX halves for the
    // 256-bit registers; the mask registers and both upper parts of the 512-bit file for AVX-512.
    constexpr std::uint64_t YmmState = 0x6, ZmmState = 0xe6;

    VectorSupport support;
    if (bits.maxLeaf < 7 || !(bits.leaf1Ecx & Leaf1Aes) || !(bits.leaf1Ecx & Leaf1OsXsave) ||
        !(bits.leaf1Ecx & Leaf1Avx) || !(bits.leaf7Ecx & Leaf7Vaes))
        return support;
    // Without OSXSAVE XCR0 cannot be read, so the check above comes first.
    if ((bits.xcr0 & YmmState) != YmmState)
        return support;
    support.bits256 = (bits.leaf7Ebx & Leaf7Avx2) != 0;
    // The compiler may use AVX2 instructions in code built for AVX-512, so AVX-512 alone is not enough.
    support.bits512 = support.bits256 && (bits.leaf7Ebx & Leaf7Avx512f) != 0 && (bits.xcr0 & ZmmState) == ZmmState;
    return support;
}

#ifdef QUORVEL_AES_X86

namespace {

CpuidBits readCpuid()
{
    CpuidBits bits;
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid(0, &eax, &ebx, &ecx, &edx))
        return bits;
    bits.maxLeaf = eax;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx))
        return bits;
    bits.leaf1Ecx = ecx;
    if (bits.maxLeaf >= 7) {
        __cpuid_count(7, 0, eax, ebx, ecx, edx);
        bits.leaf7Ebx = ebx;
        bits.leaf7Ecx = ecx;
    }
    // XGETBV faults where the operating system has not enabled XSAVE (OSXSAVE clear).
    if (bits.leaf1Ecx & (1u << 27)) {
        unsigned lo = 0, hi = 0;
        __asm__ volatile("xgetbv" : "=a"(lo), "=d"(hi) : "c"(0));
        bits.xcr0 = (std::uint64_t(hi) << 32) | lo;
    }
    return bits;
}

} // namespace

VectorSupport vectorSupport()
{
    static const VectorSupport support = vectorSupportOf(readCpuid());
    return support;
}

namespace {

// ---- 256-bit registers: two blocks each (VAES with AVX2, 16 registers) ------------------------

template <bool Encrypt>
__attribute__((target("vaes,avx2"), always_inline)) inline __m256i round256(__m256i x, __m256i k)
{
    return Encrypt ? _mm256_aesenc_epi128(x, k) : _mm256_aesdec_epi128(x, k);
}

template <bool Encrypt>
__attribute__((target("vaes,avx2"), always_inline)) inline __m256i lastRound256(__m256i x, __m256i k)
{
    return Encrypt ? _mm256_aesenclast_epi128(x, k) : _mm256_aesdeclast_epi128(x, k);
}

// Lanes blocks pass every round together; lanes, round keys and one spare fit the 16 registers when
// Lanes is 8 and the inner round keys are read from memory (as operands, not loads of their own).
template <bool Encrypt, int Rounds, int Lanes>
__attribute__((target("vaes,avx2"), always_inline)) inline void pass256(const __m256i *k, const std::uint8_t *in,
                                                                       std::uint8_t *out)
{
    __m256i x[Lanes];
    QUORVEL_UNROLL for (int i = 0; i < Lanes; ++i)
        x[i] = _mm256_xor_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(in) + i), k[0]);
    QUORVEL_UNROLL for (int r = 1; r < Rounds; ++r) {
        const __m256i key = k[r];
        QUORVEL_UNROLL for (int i = 0; i < Lanes; ++i)
            x[i] = round256<Encrypt>(x[i], key);
    }
    QUORVEL_UNROLL for (int i = 0; i < Lanes; ++i)
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(out) + i, lastRound256<Encrypt>(x[i], k[Rounds]));
}

template <bool Encrypt, int Rounds>
__attribute__((target("vaes,avx2"))) void transform256(const std::uint32_t *roundKeys, const std::uint8_t *in,
                                                       std::uint8_t *out, std::size_t blocks)
{
    constexpr int rounds = Rounds;
    // Each round key in both halves of a register.
    __m256i k[MaxRounds + 1];
    for (int r = 0; r <= rounds; ++r)
        k[r] = _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i *>(roundKeys + 4 * r)));

    constexpr std::size_t Wide = 8 * 2;
    std::size_t b = 0;
    for (; b + Wide <= blocks; b += Wide)
        pass256<Encrypt, Rounds, 8>(k, in + b * BlockBytes, out + b * BlockBytes);
    for (; b + 2 <= blocks; b += 2)
        pass256<Encrypt, Rounds, 1>(k, in + b * BlockBytes, out + b * BlockBytes);
    if (b < blocks) {
        // One block left: the low half only, through masked moves that never touch the bytes past it.
        const __m256i mask = _mm256_setr_epi64x(-1, -1, 0, 0);
        __m256i x = _mm256_maskload_epi64(reinterpret_cast<const long long *>(in + b * BlockBytes), mask);
        x = _mm256_xor_si256(x, k[0]);
        for (int r = 1; r < rounds; ++r)
            x = round256<Encrypt>(x, k[r]);
        x = lastRound256<Encrypt>(x, k[rounds]);
        _mm256_maskstore_epi64(reinterpret_cast<long long *>(out + b * BlockBytes), mask, x);
    }
}

// ---- 512-bit registers: four blocks each (VAES with AVX-512, 32 registers) --------------------

template <bool Encrypt>
__attribute__((target("vaes,avx512f"), always_inline)) inline __m512i round512(__m512i x, __m512i k)
{
    return Encrypt ? _mm512_aesenc_epi128(x, k) : _mm512_aesdec_epi128(x, k);
}

template <bool Encrypt>
__attribute__((target("vaes,avx512f"), always_inline)) inline __m512i lastRound512(__m512i x, __m512i k)
{
    return Encrypt ? _mm512_aesenclast_epi128(x, k) : _mm512_aesdeclast_epi128(x, k);
}

// mask: the 32-bit words of the four blocks that are read and written (all for a full register).
template <bool Encrypt, int Rounds, int Lanes>
__attribute__((target("vaes,avx512f"), always_inline)) inline void pass512(const __m512i *k, const std::uint8_t *in,
                                                                          std::uint8_t *out, __mmask16 mask = 0xffff)
{
    __m512i x[Lanes];
    QUORVEL_UNROLL for (int i = 0; i < Lanes; ++i) {
        const __m512i data = mask == 0xffff ? _mm512_loadu_si512(in + 64 * i) : _mm512_maskz_loadu_epi32(mask, in);
        x[i] = _mm512_xor_si512(data, k[0]);
    }
    QUORVEL_UNROLL for (int r = 1; r < Rounds; ++r) {
        const __m512i key = k[r];
        QUORVEL_UNROLL for (int i = 0; i < Lanes; ++i)
            x[i] = round512<Encrypt>(x[i], key);
    }
    QUORVEL_UNROLL for (int i = 0; i < Lanes; ++i) {
        const __m512i result = lastRound512<Encrypt>(x[i], k[Rounds]);
        if (mask == 0xffff)
            _mm512_storeu_si512(out + 64 * i, result);
        else
            _mm512_mask_storeu_epi32(out, mask, result);
    }
}

template <bool Encrypt, int Rounds>
__attribute__((target("vaes,avx512f"))) void transform512(const std::uint32_t *roundKeys, const std::uint8_t *in,
                                                          std::uint8_t *out, std::size_t blocks)
{
    constexpr int rounds = Rounds;
    // Each round key in all four quarters of a register; with eight lanes all of them stay in registers.
    __m512i k[MaxRounds + 1];
    // (The zero-masking form with every word kept: GCC 12 takes the plain one's undefined
    // pass-through operand for an uninitialised variable.)
    for (int r = 0; r <= rounds; ++r)
        k[r] = _mm512_maskz_broadcast_i32x4(__mmask16(0xffff),
                                            _mm_load_si128(reinterpret_cast<const __m128i *>(roundKeys + 4 * r)));

    constexpr std::size_t Wide = 8 * 4;
    std::size_t b = 0;
    for (; b + Wide <= blocks; b += Wide)
        pass512<Encrypt, Rounds, 8>(k, in + b * BlockBytes, out + b * BlockBytes);
    for (; b + 4 <= blocks; b += 4)
        pass512<Encrypt, Rounds, 1>(k, in + b * BlockBytes, out + b * BlockBytes);
    if (b < blocks) {
        // One to three blocks left: masked moves read and write only their bytes.
        const auto mask = static_cast<__mmask16>((1u << (4 * (blocks - b))) - 1);
        pass512<Encrypt, Rounds, 1>(k, in + b * BlockBytes, out + b * BlockBytes, mask);
    }
}

// The round count as a constant: every round unrolled, the round keys in registers where they fit.
template <bool Encrypt, int Rounds>
void transform(VectorWidth width, const std::uint32_t *roundKeys, const std::uint8_t *in, std::uint8_t *out,
               std::size_t blocks)
{
    if (width == VectorWidth::Bits512)
        transform512<Encrypt, Rounds>(roundKeys, in, out, blocks);
    else
        transform256<Encrypt, Rounds>(roundKeys, in, out, blocks);
}

template <bool Encrypt>
void transform(VectorWidth width, const KeySchedule &key, const std::uint8_t *in, std::uint8_t *out,
               std::size_t blocks)
{
    const std::uint32_t *roundKeys = Encrypt ? key.encrypt.data() : key.decrypt.data();
    switch (key.rounds) {
    case 10:
        return transform<Encrypt, 10>(width, roundKeys, in, out, blocks);
    case 12:
        return transform<Encrypt, 12>(width, roundKeys, in, out, blocks);
    default:
        return transform<Encrypt, 14>(width, roundKeys, in, out, blocks);
    }
}

} // namespace

void encryptBlocksVector(VectorWidth width, const KeySchedule &key, const std::uint8_t *in, std::uint8_t *out,
                         std::size_t blocks)
{
    transform<true>(width, key, in, out, blocks);
}

void decryptBlocksVector(VectorWidth width, const KeySchedule &key, const std::uint8_t *in, std::uint8_t *out,
                         std::size_t blocks)
{
    // The equivalent-inverse round keys suit VAESDEC as they suit AESDEC.
    transform<false>(width, key, in, out, blocks);
}

#else

VectorSupport vectorSupport()
{
    return {};
}

void encryptBlocksVector(VectorWidth, const KeySchedule &, const std::uint8_t *, std::uint8_t *, std::size_t)
{
    std::abort();
}

void decryptBlocksVector(VectorWidth, const KeySchedule &, const std::uint8_t *, std::uint8_t *, std::size_t)
{
    std::abort();
}

#endif

} // namespace Aes
