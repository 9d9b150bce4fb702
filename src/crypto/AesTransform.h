#pragma once
// The AES block transform behind cRijndael, on plain bytes: key expansion, the table-driven path, the
// path through the processor's AES instructions and the one through its vector AES instructions. All
// paths take the same round keys and give byte-identical results.
//
// Words are little-endian: byte 0 of a key or block is the low-order byte of word 0. On x86 that is
// exactly the byte order the AES instructions expect, so the hardware path loads the round keys as
// they are.
#include <array>
#include <cstddef>
#include <cstdint>

namespace Aes {

inline constexpr std::size_t BlockBytes = 16;
inline constexpr int MaxRounds = 14;
inline constexpr int MaxRoundKeyWords = 4 * (MaxRounds + 1);

// The lookup tables of the table-driven transform. They are computed, not stored: each holder builds
// them once, in the constructor.
struct Tables {
    Tables();
    std::array<std::uint8_t, 256> sbox{};
    std::array<std::uint8_t, 256> invSbox{};
    std::array<std::array<std::uint32_t, 256>, 4> encrypt{};
    std::array<std::array<std::uint32_t, 256>, 4> decrypt{};
    std::array<std::uint32_t, 10> roundConstants{};
};

// Round keys: encryption keys as expanded, decryption keys in the form of the equivalent inverse
// cipher (reverse round order, the inner ones passed through InvMixColumns). rounds is 0 until a key is set.
struct KeySchedule {
    int rounds = 0;
    alignas(16) std::array<std::uint32_t, MaxRoundKeyWords> encrypt{};
    alignas(16) std::array<std::uint32_t, MaxRoundKeyWords> decrypt{};
};

// Expands keyWords (4, 6 or 8) words of key into a fresh schedule (buildDecryptKey included).
[[nodiscard]] KeySchedule expandKey(const Tables &tables, const std::uint8_t *key, int keyWords);
// Fills the decryption round keys from the encryption round keys of the schedule.
void buildDecryptKey(const Tables &tables, KeySchedule &schedule);

// Whole blocks; in and out may be the same buffer (exactly, not partly overlapping).
void encryptBlocksTable(const Tables &tables, const KeySchedule &key, const std::uint8_t *in, std::uint8_t *out,
                        std::size_t blocks);
void decryptBlocksTable(const Tables &tables, const KeySchedule &key, const std::uint8_t *in, std::uint8_t *out,
                        std::size_t blocks);

// True where the processor has the AES instructions (checked once, at run time).
[[nodiscard]] bool hardwareAvailable();
// Only to be called where hardwareAvailable() is true.
void encryptBlocksHardware(const KeySchedule &key, const std::uint8_t *in, std::uint8_t *out, std::size_t blocks);
void decryptBlocksHardware(const KeySchedule &key, const std::uint8_t *in, std::uint8_t *out, std::size_t blocks);

// The vector AES instructions (VAES) on 256-bit registers (two blocks per instruction) or on 512-bit
// registers (four).
enum class VectorWidth { Bits256, Bits512 };

// Which widths can be used: the processor has the instructions and the operating system saves the
// registers' state.
struct VectorSupport {
    bool bits256 = false;
    bool bits512 = false;
};

// The processor's answers that decide it: CPUID leaf 0 EAX, leaf 1 ECX, leaf 7 (subleaf 0) EBX and
// ECX, and XCR0 (0 where XGETBV may not be used).
struct CpuidBits {
    std::uint32_t maxLeaf = 0;
    std::uint32_t leaf1Ecx = 0;
    std::uint32_t leaf7Ebx = 0;
    std::uint32_t leaf7Ecx = 0;
    std::uint64_t xcr0 = 0;
};

[[nodiscard]] VectorSupport vectorSupportOf(const CpuidBits &bits);
// This processor's (checked once, at run time; nothing anywhere but on x86).
[[nodiscard]] VectorSupport vectorSupport();
// Only to be called with a width that vectorSupport() allows.
void encryptBlocksVector(VectorWidth width, const KeySchedule &key, const std::uint8_t *in, std::uint8_t *out,
                         std::size_t blocks);
void decryptBlocksVector(VectorWidth width, const KeySchedule &key, const std::uint8_t *in, std::uint8_t *out,
                         std::size_t blocks);

} // namespace Aes
