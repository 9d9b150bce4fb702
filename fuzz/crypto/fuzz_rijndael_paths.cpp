// The transform paths of cRijndael against each other on any key and any data: every path this machine
// has enciphers to the table path's bytes, from and to any address, with no byte written past the
// last block, and deciphers back in place.
#include "crypto/AesTransform.h"
#include "crypto/cRijndael.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

using Path = cRijndael::TransformPath;

void blocksOnPath(Path path, bool encrypt, const Aes::Tables &tables, const Aes::KeySchedule &key,
                  const std::uint8_t *in, std::uint8_t *out, std::size_t blocks)
{
    switch (path) {
    case Path::Table:
        return encrypt ? Aes::encryptBlocksTable(tables, key, in, out, blocks)
                       : Aes::decryptBlocksTable(tables, key, in, out, blocks);
    case Path::Hardware:
        return encrypt ? Aes::encryptBlocksHardware(key, in, out, blocks) : Aes::decryptBlocksHardware(key, in, out, blocks);
    case Path::Vector256:
    case Path::Vector512: {
        const Aes::VectorWidth width = path == Path::Vector512 ? Aes::VectorWidth::Bits512 : Aes::VectorWidth::Bits256;
        return encrypt ? Aes::encryptBlocksVector(width, key, in, out, blocks)
                       : Aes::decryptBlocksVector(width, key, in, out, blocks);
    }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const Aes::Tables tables;
    // First byte: key length (low two bits; 3 counts as 256) and the output's misalignment (high
    // four bits); then the 32 key bytes; the rest, cut to whole blocks, is the data.
    if (size < 33)
        return 0;
    static const int keyWords[] = {4, 6, 8, 8};
    const Aes::KeySchedule key = Aes::expandKey(tables, data + 1, keyWords[data[0] & 3]);
    const std::size_t shift = data[0] >> 4;
    const std::uint8_t *plain = data + 33;
    // Up to 200 blocks: every lane count and tail of every path, without slowing the run down.
    const std::size_t blocks = std::min<std::size_t>((size - 33) / Aes::BlockBytes, 200);
    const std::size_t bytes = blocks * Aes::BlockBytes;

    std::vector<std::uint8_t> expected(bytes);
    Aes::encryptBlocksTable(tables, key, plain, expected.data(), blocks);

    constexpr std::size_t Guard = 64;
    for (const Path path : {Path::Hardware, Path::Vector256, Path::Vector512}) {
        if (!cRijndael::pathAvailable(path))
            continue;
        std::vector<std::uint8_t> out(Guard + shift + bytes + Guard, 0x5C);
        std::uint8_t *target = out.data() + Guard + shift;
        // The input straight from the fuzzer's buffer: any alignment, and where the data is whole
        // blocks its last byte is the buffer's last, so a read past it is seen by AddressSanitizer.
        blocksOnPath(path, true, tables, key, plain, target, blocks);
        if ((bytes && std::memcmp(target, expected.data(), bytes) != 0) ||
            std::any_of(out.begin(), out.begin() + std::ptrdiff_t(Guard + shift), [](std::uint8_t b) { return b != 0x5C; }) ||
            std::any_of(out.end() - Guard, out.end(), [](std::uint8_t b) { return b != 0x5C; }))
            __builtin_trap();
        blocksOnPath(path, false, tables, key, target, target, blocks);
        if (bytes && std::memcmp(target, plain, bytes) != 0)
            __builtin_trap();
    }
    return 0;
}
