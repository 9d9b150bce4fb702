// Table-driven AES (FIPS-197) on little-endian 32-bit words: one table look-up per state byte and round.
#include "AesTransform.h"

namespace Aes {
namespace {

std::uint8_t xtime(std::uint8_t a)
{
    return static_cast<std::uint8_t>((a << 1) ^ ((a & 0x80) ? 0x1b : 0x00));
}

std::uint8_t gfMultiply(std::uint8_t a, std::uint8_t b)
{
    std::uint8_t product = 0;
    while (b) {
        if (b & 1)
            product ^= a;
        a = xtime(a);
        b >>= 1;
    }
    return product;
}

std::uint8_t rotateByte(std::uint8_t b, int n)
{
    return static_cast<std::uint8_t>((b << n) | (b >> (8 - n)));
}

std::uint32_t rotateWord(std::uint32_t w, int n)
{
    return (w << n) | (w >> (32 - n));
}

std::uint32_t bytesToWord(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3)
{
    return std::uint32_t(b0) | (std::uint32_t(b1) << 8) | (std::uint32_t(b2) << 16) | (std::uint32_t(b3) << 24);
}

std::uint32_t load(const std::uint8_t *p)
{
    return bytesToWord(p[0], p[1], p[2], p[3]);
}

void store(std::uint8_t *p, std::uint32_t w)
{
    p[0] = static_cast<std::uint8_t>(w);
    p[1] = static_cast<std::uint8_t>(w >> 8);
    p[2] = static_cast<std::uint8_t>(w >> 16);
    p[3] = static_cast<std::uint8_t>(w >> 24);
}

std::uint32_t subWord(const Tables &t, std::uint32_t w)
{
    return bytesToWord(t.sbox[w & 0xff], t.sbox[(w >> 8) & 0xff], t.sbox[(w >> 16) & 0xff], t.sbox[w >> 24]);
}

// InvMixColumns of one word: the decryption tables hold InvSubBytes as well, so undo it through the S-box.
std::uint32_t invMixColumn(const Tables &t, std::uint32_t w)
{
    return t.decrypt[0][t.sbox[w & 0xff]] ^ t.decrypt[1][t.sbox[(w >> 8) & 0xff]] ^
           t.decrypt[2][t.sbox[(w >> 16) & 0xff]] ^ t.decrypt[3][t.sbox[w >> 24]];
}

} // namespace

Tables::Tables()
{
    // Powers and logarithms of the generator 3 give the multiplicative inverses.
    std::array<std::uint8_t, 256> power{};
    std::array<std::uint8_t, 256> logarithm{};
    std::uint8_t p = 1;
    for (int i = 0; i < 255; ++i) {
        power[i] = p;
        logarithm[p] = static_cast<std::uint8_t>(i);
        p = static_cast<std::uint8_t>(p ^ xtime(p));
    }
    for (int x = 0; x < 256; ++x) {
        const std::uint8_t inverse = x == 0 ? 0 : power[(255 - logarithm[x]) % 255];
        const std::uint8_t s = inverse ^ rotateByte(inverse, 1) ^ rotateByte(inverse, 2) ^ rotateByte(inverse, 3) ^
                               rotateByte(inverse, 4) ^ 0x63;
        sbox[x] = s;
        invSbox[s] = static_cast<std::uint8_t>(x);
    }
    for (int x = 0; x < 256; ++x) {
        const std::uint8_t s = sbox[x];
        // MixColumns column (2, 1, 1, 3) for a byte in row 0; the other rows are rotations.
        const std::uint32_t e = bytesToWord(gfMultiply(s, 2), s, s, gfMultiply(s, 3));
        const std::uint8_t v = invSbox[x];
        // InvMixColumns column (14, 9, 13, 11).
        const std::uint32_t d =
            bytesToWord(gfMultiply(v, 14), gfMultiply(v, 9), gfMultiply(v, 13), gfMultiply(v, 11));
        for (int r = 0; r < 4; ++r) {
            encrypt[r][x] = r ? rotateWord(e, 8 * r) : e;
            decrypt[r][x] = r ? rotateWord(d, 8 * r) : d;
        }
    }
    std::uint8_t rc = 1;
    for (auto &c : roundConstants) {
        c = rc;
        rc = xtime(rc);
    }
}

KeySchedule expandKey(const Tables &tables, const std::uint8_t *key, int keyWords)
{
    KeySchedule ks;
    ks.rounds = keyWords + 6;
    const int total = 4 * (ks.rounds + 1);
    auto &w = ks.encrypt;
    for (int i = 0; i < keyWords; ++i)
        w[i] = load(key + 4 * i);
    for (int i = keyWords; i < total; ++i) {
        std::uint32_t temp = w[i - 1];
        if (i % keyWords == 0)
            temp = subWord(tables, rotateWord(temp, 24)) ^ tables.roundConstants[i / keyWords - 1];
        else if (keyWords > 6 && i % keyWords == 4)
            temp = subWord(tables, temp);
        w[i] = w[i - keyWords] ^ temp;
    }
    buildDecryptKey(tables, ks);
    return ks;
}

void buildDecryptKey(const Tables &tables, KeySchedule &ks)
{
    // The equivalent inverse cipher: round keys reversed, the inner ones through InvMixColumns.
    for (int round = 0; round <= ks.rounds; ++round) {
        for (int c = 0; c < 4; ++c) {
            const std::uint32_t word = ks.encrypt[4 * (ks.rounds - round) + c];
            const bool outer = round == 0 || round == ks.rounds;
            ks.decrypt[4 * round + c] = outer ? word : invMixColumn(tables, word);
        }
    }
}

void encryptBlocksTable(const Tables &tables, const KeySchedule &key, const std::uint8_t *in, std::uint8_t *out,
                        std::size_t blocks)
{
    const std::uint32_t *t0 = tables.encrypt[0].data();
    const std::uint32_t *t1 = tables.encrypt[1].data();
    const std::uint32_t *t2 = tables.encrypt[2].data();
    const std::uint32_t *t3 = tables.encrypt[3].data();
    const std::uint8_t *s = tables.sbox.data();
    for (std::size_t b = 0; b < blocks; ++b, in += BlockBytes, out += BlockBytes) {
        const std::uint32_t *k = key.encrypt.data();
        std::uint32_t s0 = load(in) ^ k[0];
        std::uint32_t s1 = load(in + 4) ^ k[1];
        std::uint32_t s2 = load(in + 8) ^ k[2];
        std::uint32_t s3 = load(in + 12) ^ k[3];
        for (int round = 1; round < key.rounds; ++round) {
            k += 4;
            // ShiftRows: row r of column c comes from column c + r.
            const std::uint32_t n0 = t0[s0 & 0xff] ^ t1[(s1 >> 8) & 0xff] ^ t2[(s2 >> 16) & 0xff] ^ t3[s3 >> 24] ^ k[0];
            const std::uint32_t n1 = t0[s1 & 0xff] ^ t1[(s2 >> 8) & 0xff] ^ t2[(s3 >> 16) & 0xff] ^ t3[s0 >> 24] ^ k[1];
            const std::uint32_t n2 = t0[s2 & 0xff] ^ t1[(s3 >> 8) & 0xff] ^ t2[(s0 >> 16) & 0xff] ^ t3[s1 >> 24] ^ k[2];
            const std::uint32_t n3 = t0[s3 & 0xff] ^ t1[(s0 >> 8) & 0xff] ^ t2[(s1 >> 16) & 0xff] ^ t3[s2 >> 24] ^ k[3];
            s0 = n0;
            s1 = n1;
            s2 = n2;
            s3 = n3;
        }
        k += 4;
        store(out, bytesToWord(s[s0 & 0xff], s[(s1 >> 8) & 0xff], s[(s2 >> 16) & 0xff], s[s3 >> 24]) ^ k[0]);
        store(out + 4, bytesToWord(s[s1 & 0xff], s[(s2 >> 8) & 0xff], s[(s3 >> 16) & 0xff], s[s0 >> 24]) ^ k[1]);
        store(out + 8, bytesToWord(s[s2 & 0xff], s[(s3 >> 8) & 0xff], s[(s0 >> 16) & 0xff], s[s1 >> 24]) ^ k[2]);
        store(out + 12, bytesToWord(s[s3 & 0xff], s[(s0 >> 8) & 0xff], s[(s1 >> 16) & 0xff], s[s2 >> 24]) ^ k[3]);
    }
}

void decryptBlocksTable(const Tables &tables, const KeySchedule &key, const std::uint8_t *in, std::uint8_t *out,
                        std::size_t blocks)
{
    const std::uint32_t *t0 = tables.decrypt[0].data();
    const std::uint32_t *t1 = tables.decrypt[1].data();
    const std::uint32_t *t2 = tables.decrypt[2].data();
    const std::uint32_t *t3 = tables.decrypt[3].data();
    const std::uint8_t *s = tables.invSbox.data();
    for (std::size_t b = 0; b < blocks; ++b, in += BlockBytes, out += BlockBytes) {
        const std::uint32_t *k = key.decrypt.data();
        std::uint32_t s0 = load(in) ^ k[0];
        std::uint32_t s1 = load(in + 4) ^ k[1];
        std::uint32_t s2 = load(in + 8) ^ k[2];
        std::uint32_t s3 = load(in + 12) ^ k[3];
        for (int round = 1; round < key.rounds; ++round) {
            k += 4;
            // InvShiftRows: row r of column c comes from column c - r.
            const std::uint32_t n0 = t0[s0 & 0xff] ^ t1[(s3 >> 8) & 0xff] ^ t2[(s2 >> 16) & 0xff] ^ t3[s1 >> 24] ^ k[0];
            const std::uint32_t n1 = t0[s1 & 0xff] ^ t1[(s0 >> 8) & 0xff] ^ t2[(s3 >> 16) & 0xff] ^ t3[s2 >> 24] ^ k[1];
            const std::uint32_t n2 = t0[s2 & 0xff] ^ t1[(s1 >> 8) & 0xff] ^ t2[(s0 >> 16) & 0xff] ^ t3[s3 >> 24] ^ k[2];
            const std::uint32_t n3 = t0[s3 & 0xff] ^ t1[(s2 >> 8) & 0xff] ^ t2[(s1 >> 16) & 0xff] ^ t3[s0 >> 24] ^ k[3];
            s0 = n0;
            s1 = n1;
            s2 = n2;
            s3 = n3;
        }
        k += 4;
        store(out, bytesToWord(s[s0 & 0xff], s[(s3 >> 8) & 0xff], s[(s2 >> 16) & 0xff], s[s1 >> 24]) ^ k[0]);
        store(out + 4, bytesToWord(s[s1 & 0xff], s[(s0 >> 8) & 0xff], s[(s3 >> 16) & 0xff], s[s2 >> 24]) ^ k[1]);
        store(out + 8, bytesToWord(s[s2 & 0xff], s[(s1 >> 8) & 0xff], s[(s0 >> 16) & 0xff], s[s3 >> 24]) ^ k[2]);
        store(out + 12, bytesToWord(s[s3 & 0xff], s[(s2 >> 8) & 0xff], s[(s1 >> 16) & 0xff], s[s0 >> 24]) ^ k[3]);
    }
}

} // namespace Aes
