// The cipher and the digest against OpenSSL's libcrypto on random inputs: AES-ECB for the three key
// lengths on every transform path, the saved-account text form, MD5 of arrays, splits and files.
#include "base/CodePage.h"
#include "crypto/AesTransform.h"
#include "crypto/CMD5Encrypt.h"
#include "crypto/cRijndael.h"
#include "CryptoTestUtil.h"

#include <QTemporaryDir>
#include <QTest>

#include <openssl/evp.h>

#include <algorithm>
#include <memory>
#include <vector>

using Path = cRijndael::TransformPath;

namespace {

const EVP_CIPHER *ecbCipher(int keyBits)
{
    return keyBits == 128 ? EVP_aes_128_ecb() : keyBits == 192 ? EVP_aes_192_ecb() : EVP_aes_256_ecb();
}

// OpenSSL's AES-ECB without padding over whole blocks.
cRijndael::Bytes openSslEcb(bool encrypt, int keyBits, const cRijndael::Bytes &key, const cRijndael::Bytes &in)
{
    std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> ctx(EVP_CIPHER_CTX_new(), EVP_CIPHER_CTX_free);
    cRijndael::Bytes out(in.size() + 16);
    int written = 0, final = 0;
    EVP_CipherInit_ex(ctx.get(), ecbCipher(keyBits), nullptr, key.data(), nullptr, encrypt ? 1 : 0);
    EVP_CIPHER_CTX_set_padding(ctx.get(), 0);
    EVP_CipherUpdate(ctx.get(), out.data(), &written, in.data(), int(in.size()));
    EVP_CipherFinal_ex(ctx.get(), out.data() + written, &final);
    out.resize(std::size_t(written + final));
    return out;
}

std::vector<Path> availablePaths()
{
    std::vector<Path> paths;
    for (const Path path : {Path::Table, Path::Hardware, Path::Vector256, Path::Vector512})
        if (cRijndael::pathAvailable(path))
            paths.push_back(path);
    return paths;
}

// The block transform of one path, below cRijndael, so that addresses and counts are the test's.
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

QString openSslMd5(const std::uint8_t *data, std::size_t length)
{
    unsigned char digest[16];
    unsigned int digestLength = 0;
    EVP_Digest(data, length, digest, &digestLength, EVP_md5(), nullptr);
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(digest), 16).toHex().toUpper());
}

} // namespace

class TestCryptoDifferential : public QObject
{
    Q_OBJECT

private slots:
    void aesEcb_data()
    {
        QTest::addColumn<int>("path");
        QTest::addColumn<int>("keyBits");
        for (const int bits : {128, 192, 256}) {
            QTest::addRow("table %d", bits) << int(Path::Table) << bits;
            QTest::addRow("hardware %d", bits) << int(Path::Hardware) << bits;
            QTest::addRow("vector 256, %d", bits) << int(Path::Vector256) << bits;
            QTest::addRow("vector 512, %d", bits) << int(Path::Vector512) << bits;
        }
    }

    void aesEcb()
    {
        QFETCH(int, path);
        QFETCH(int, keyBits);
        cRijndael aes;
        if (!aes.setTransformPath(static_cast<Path>(path)))
            QSKIP("this processor (or its operating system) lacks the instructions of this path");
        QRandomGenerator random(quint32(keyBits * 7 + path));
        for (int round = 0; round < 200; ++round) {
            const cRijndael::Bytes key = randomBytes(random, 32);
            // Up to 80 blocks: the lanes of every path (8 blocks for the hardware path, 16 and 32 for
            // the vector paths), the one-register steps after them and the masked last blocks.
            const cRijndael::Bytes plain = randomBytes(random, 16 * std::size_t(1 + random.bounded(80)));
            aes.SetCipherKey(key, keyBits);
            cRijndael::Bytes cipher;
            aes.ArrayEncrypt(plain, cipher, 0);
            QCOMPARE(hexOf(cipher), hexOf(openSslEcb(true, keyBits, key, plain)));
            cRijndael::Bytes back;
            aes.ArrayDecrypt(back, openSslEcb(true, keyBits, key, plain), 0);
            QCOMPARE(hexOf(back), hexOf(plain));
        }
    }

    // Every block count from 0 to 100 on every path this machine has, against OpenSSL and the table
    // path: out of place from and to unaligned addresses with guard bytes around the output (the masked
    // moves of the vector paths must not touch a byte past the last block), and in place.
    void aesPathsAgree_data()
    {
        QTest::addColumn<int>("keyBits");
        for (const int bits : {128, 192, 256})
            QTest::addRow("%d", bits) << bits;
    }

    void aesPathsAgree()
    {
        QFETCH(int, keyBits);
        const Aes::Tables tables;
        QRandomGenerator random{quint32(keyBits)};
        const cRijndael::Bytes key = randomBytes(random, 32);
        const Aes::KeySchedule schedule = Aes::expandKey(tables, key.data(), keyBits / 32);
        const std::vector<Path> paths = availablePaths();
        constexpr std::size_t Guard = 80;
        for (std::size_t blocks = 0; blocks <= 100; ++blocks) {
            const std::size_t bytes = 16 * blocks;
            const cRijndael::Bytes plain = randomBytes(random, bytes);
            const cRijndael::Bytes expected = openSslEcb(true, keyBits, key, plain);
            QCOMPARE(expected.size(), bytes);
            for (const Path path : paths) {
                const std::size_t offset = 1 + (blocks + std::size_t(path)) % 15;
                cRijndael::Bytes source(offset + bytes);
                std::copy(plain.begin(), plain.end(), source.begin() + std::ptrdiff_t(offset));
                cRijndael::Bytes target(Guard + bytes + Guard, 0xA5);
                blocksOnPath(path, true, tables, schedule, source.data() + offset, target.data() + Guard, blocks);
                const cRijndael::Bytes enciphered(target.begin() + Guard, target.end() - Guard);
                QVERIFY2(enciphered == expected, qPrintable(QStringLiteral("path %1, %2 blocks").arg(int(path)).arg(blocks)));
                QVERIFY2(std::all_of(target.begin(), target.begin() + Guard, [](std::uint8_t b) { return b == 0xA5; }) &&
                             std::all_of(target.end() - Guard, target.end(), [](std::uint8_t b) { return b == 0xA5; }),
                         qPrintable(QStringLiteral("path %1 wrote outside %2 blocks").arg(int(path)).arg(blocks)));

                cRijndael::Bytes inPlace = expected;
                blocksOnPath(path, false, tables, schedule, inPlace.data(), inPlace.data(), blocks);
                QVERIFY2(inPlace == plain, qPrintable(QStringLiteral("path %1, %2 blocks back").arg(int(path)).arg(blocks)));
            }
        }
    }

    void savedAccountForm_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("ascii") << QStringLiteral("hunter2");
        QTest::newRow("chinese") << QStringLiteral("我的密码是一二三");
        QTest::newRow("33 bytes") << QString(33, QLatin1Char('#'));
    }

    void savedAccountForm()
    {
        QFETCH(QString, text);
        cRijndael aes;
        const QString stored = aes.StringEncrypt(text, QStringLiteral("Brovk"), 256, 256);
        // The documented values: key "Brovk" and 27 zero bytes, GBK bytes zero-padded, AES-256-ECB.
        cRijndael::Bytes key = bytesOf(QByteArray("Brovk"));
        key.resize(32, 0);
        cRijndael::Bytes plain = bytesOf(CodePage::toAnsi(text));
        plain.resize((plain.size() + 15) / 16 * 16, 0);
        QString expected = QString::fromLatin1(hexOf(openSslEcb(true, 256, key, plain)).toUpper());
        for (qsizetype at = 64; at < expected.size(); at += 66)
            expected.insert(at, QStringLiteral("  "));
        QCOMPARE(stored, expected);
    }

    void md5Arrays()
    {
        QRandomGenerator random(1321);
        CMD5Encrypt md5;
        for (int length = 0; length <= 300; ++length) {
            const cRijndael::Bytes data = randomBytes(random, std::size_t(length));
            md5.MD5Init();
            md5.MD5Update(length, data);
            md5.MD5Final();
            QCOMPARE(md5.GetValues(), openSslMd5(data.data(), data.size()));
        }
    }

    void md5RandomSplits()
    {
        QRandomGenerator random(64);
        CMD5Encrypt md5;
        for (int round = 0; round < 100; ++round) {
            const cRijndael::Bytes data = randomBytes(random, std::size_t(random.bounded(2000)));
            md5.MD5Init();
            std::size_t at = 0;
            while (at < data.size()) {
                const std::size_t piece = std::min<std::size_t>(data.size() - at, random.bounded(150));
                md5.MD5Update(int(piece), cRijndael::Bytes(data.begin() + std::ptrdiff_t(at),
                                                           data.begin() + std::ptrdiff_t(at + piece)));
                at += piece;
            }
            md5.MD5Final();
            QCOMPARE(md5.GetValues(), openSslMd5(data.data(), data.size()));
        }
    }

    void md5Files_data()
    {
        QTest::addColumn<qint64>("length");
        QTest::newRow("a few bytes over 1 MiB") << qint64((1 << 20) + 3);
        // Past the 256 MiB at which a 32-bit bit count would overflow (a sparse file of zeros).
        QTest::newRow("256 MiB and 5 bytes") << (qint64(256) << 20) + 5;
    }

    void md5Files()
    {
        QFETCH(qint64, length);
        QTemporaryDir dir;
        const QString name = dir.filePath(QStringLiteral("data"));
        QRandomGenerator random(5);
        const cRijndael::Bytes head = randomBytes(random, std::size_t(std::min<qint64>(length, 1 << 20)));
        writeFile(name, byteArrayOf(head));
        QFile file(name);
        QVERIFY(file.resize(length));

        std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), EVP_MD_CTX_free);
        EVP_DigestInit_ex(ctx.get(), EVP_md5(), nullptr);
        EVP_DigestUpdate(ctx.get(), head.data(), head.size());
        const std::vector<std::uint8_t> zeros(1 << 20, 0);
        for (qint64 left = length - qint64(head.size()); left > 0; left -= qint64(zeros.size()))
            EVP_DigestUpdate(ctx.get(), zeros.data(), std::size_t(std::min<qint64>(left, qint64(zeros.size()))));
        unsigned char digest[16];
        EVP_DigestFinal_ex(ctx.get(), digest, nullptr);

        CMD5Encrypt md5;
        QCOMPARE(md5.DigestFileToHexStr(name),
                 QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(digest), 16).toHex().toUpper()));
    }
};

QTEST_GUILESS_MAIN(TestCryptoDifferential)
#include "test_crypto_differential.moc"
