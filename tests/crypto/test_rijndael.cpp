// cRijndael: the FIPS-197 vectors, the array, file and text forms and their edge cases, on every
// transform path (every test runs once per path).
#include "base/CodePage.h"
#include "crypto/CipherError.h"
#include "crypto/cRijndael.h"
#include "CryptoTestUtil.h"
#include "SeamRecorder.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using Path = cRijndael::TransformPath;

namespace {

// Runs body and returns the number of the CipherError it raised, 0 when none.
template <typename Body>
int errorNumberOf(Body body, QString *text = nullptr)
{
    try {
        body();
    } catch (const CipherError &e) {
        if (text)
            *text = QString::fromStdString(e.what());
        return e.number;
    }
    return 0;
}

const QString kSizeMessage = QStringLiteral("ciphertext size not a multiple of block size");

} // namespace

class TestRijndael : public QObject
{
    Q_OBJECT

private:
    cRijndael makeCipher()
    {
        QFETCH_GLOBAL(int, path);
        cRijndael cipher;
        cipher.setTransformPath(static_cast<Path>(path));
        return cipher;
    }

private slots:
    void initTestCase_data()
    {
        QTest::addColumn<int>("path");
        QTest::newRow("table") << int(Path::Table);
        QTest::newRow("hardware") << int(Path::Hardware);
        QTest::newRow("vector 256") << int(Path::Vector256);
        QTest::newRow("vector 512") << int(Path::Vector512);
    }

    void init()
    {
        QFETCH_GLOBAL(int, path);
        if (!cRijndael::pathAvailable(static_cast<Path>(path)))
            QSKIP("this processor (or its operating system) lacks the instructions of this path");
    }

    void fipsVectors_data()
    {
        QTest::addColumn<int>("keyBits");
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<QByteArray>("plain");
        QTest::addColumn<QByteArray>("cipher");
        // FIPS-197, appendix C.1 to C.3 (example vectors for AES-128, AES-192 and AES-256).
        QTest::newRow("C.1 AES-128") << 128 << QByteArray("000102030405060708090a0b0c0d0e0f")
                                     << QByteArray("00112233445566778899aabbccddeeff")
                                     << QByteArray("69c4e0d86a7b0430d8cdb78070b4c55a");
        QTest::newRow("C.2 AES-192") << 192 << QByteArray("000102030405060708090a0b0c0d0e0f1011121314151617")
                                     << QByteArray("00112233445566778899aabbccddeeff")
                                     << QByteArray("dda97ca4864cdfe06eaf70a0ec0d7191");
        QTest::newRow("C.3 AES-256") << 256
                                     << QByteArray("000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f")
                                     << QByteArray("00112233445566778899aabbccddeeff")
                                     << QByteArray("8ea2b7ca516745bfeafc49904b496089");
    }

    void fipsVectors()
    {
        QFETCH(int, keyBits);
        QFETCH(QByteArray, key);
        QFETCH(QByteArray, plain);
        QFETCH(QByteArray, cipher);
        cRijndael aes = makeCipher();
        QCOMPARE(aes.SetCipherKey(bytesFromHex(key.constData()), keyBits), 0);

        // At offsets inside larger arrays: the block is read at p and written at q.
        cRijndael::Bytes source(20, 0xAA);
        const cRijndael::Bytes block = bytesFromHex(plain.constData());
        std::copy(block.begin(), block.end(), source.begin() + 3);
        cRijndael::Bytes out(21, 0x55);
        aes.BlockEncrypt(source, out, 3, 5);
        QCOMPARE(hexOf(cRijndael::Bytes(out.begin() + 5, out.end())), cipher);
        QCOMPARE(out[4], std::uint8_t(0x55));

        cRijndael::Bytes back(16, 0);
        aes.BlockDecrypt(back, out, 0, 5);
        QCOMPARE(hexOf(back), plain);

        // One array for both sides, as the file operations use it.
        cRijndael::Bytes inPlace = block;
        aes.BlockEncrypt(inPlace, inPlace, 0, 0);
        QCOMPARE(hexOf(inPlace), cipher);
        aes.BlockDecrypt(inPlace, inPlace, 0, 0);
        QCOMPARE(hexOf(inPlace), plain);
    }

    void keyErrors()
    {
        cRijndael aes = makeCipher();
        const cRijndael::Bytes block = bytesFromHex("00112233445566778899aabbccddeeff");
        cRijndael::Bytes out(16);
        QCOMPARE(errorNumberOf([&] { aes.BlockEncrypt(block, out, 0, 0); }), CipherErrors::NoKey);

        aes.SetCipherKey(bytesFromHex("000102030405060708090a0b0c0d0e0f"), 128);
        QString text;
        QCOMPARE(errorNumberOf([&] { aes.SetCipherKey(cRijndael::Bytes(32, 7), 100); }, &text), 1);
        QCOMPARE(text, QStringLiteral("cRijndael.SetCipherKey - Illegal KeyBits Value"));
        // The rejected call left the AES-128 key of FIPS-197 C.1 in force.
        aes.BlockEncrypt(block, out, 0, 0);
        QCOMPARE(hexOf(out), QByteArray("69c4e0d86a7b0430d8cdb78070b4c55a"));

        // Too few key bytes, blocks reaching past an array.
        QCOMPARE(errorNumberOf([&] { aes.SetCipherKey(cRijndael::Bytes(31, 7), 256); }), 9);
        QCOMPARE(errorNumberOf([&] { aes.BlockEncrypt(block, out, 1, 0); }), 9);
        QCOMPARE(errorNumberOf([&] { aes.BlockEncrypt(block, out, 0, -1); }), 9);
        QCOMPARE(errorNumberOf([&] { aes.BlockDecrypt(out, block, 0, 2); }), 9);
    }

    void keyText()
    {
        cRijndael aes = makeCipher();
        const cRijndael::Bytes block(16, 0x42);
        auto encipherWith = [&](const QString &passPhrase, int bits) {
            aes.SetCipherKeyString(passPhrase, bits);
            cRijndael::Bytes out(16);
            aes.BlockEncrypt(block, out, 0, 0);
            return out;
        };
        const QString first32 = QStringLiteral("0123456789abcdefghijklmnopqrstuv");
        // Only the first 32 bytes count; with 128 bits only the first 16.
        QCOMPARE(encipherWith(first32 + QStringLiteral("wxyz"), 256), encipherWith(first32, 256));
        QVERIFY(encipherWith(first32.left(31) + QLatin1Char('V'), 256) != encipherWith(first32, 256));
        QCOMPARE(encipherWith(first32, 128), encipherWith(first32.left(16), 128));
        // A short text is padded with zero bytes; Chinese letters count two GBK bytes each.
        cRijndael::Bytes key = cRijndael::KeyFromPassword(QStringLiteral("密Ab"));
        QCOMPARE(key.size(), std::size_t(32));
        QCOMPARE(hexOf(cRijndael::Bytes(key.begin(), key.begin() + 6)), QByteArray("c3dc41620000"));
        QCOMPARE(std::count(key.begin(), key.end(), 0), 28);
    }

    void arrayForm_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("appendsize");
        QTest::addColumn<int>("cipherLength");
        QTest::newRow("empty, length byte") << 0 << 1 << 16;
        QTest::newRow("15, length byte") << 15 << 1 << 16;
        QTest::newRow("16, length byte") << 16 << 1 << 32;
        QTest::newRow("17, length byte") << 17 << 1 << 32;
        QTest::newRow("100, length byte") << 100 << 1 << 112;
        QTest::newRow("1, zero padding") << 1 << 0 << 16;
        QTest::newRow("16, zero padding") << 16 << 0 << 16;
        QTest::newRow("17, zero padding") << 17 << 0 << 32;
    }

    void arrayForm()
    {
        QFETCH(int, length);
        QFETCH(int, appendsize);
        QFETCH(int, cipherLength);
        cRijndael aes = makeCipher();
        aes.SetCipherKeyString(QStringLiteral("array form"), 192);
        QRandomGenerator random(length);
        const cRijndael::Bytes plain = randomBytes(random, std::size_t(length));

        cRijndael::Bytes cipher{1, 2, 3};
        QCOMPARE(aes.ArrayEncrypt(plain, cipher, appendsize), 0);
        QCOMPARE(int(cipher.size()), cipherLength);

        // Block by block: the data, zero bytes, and (with a length field) length mod 16 last.
        cRijndael::Bytes raw(cipher.size());
        for (std::size_t at = 0; at < cipher.size(); at += 16)
            aes.BlockDecrypt(raw, cipher, int(at), int(at));
        cRijndael::Bytes expected = plain;
        expected.resize(raw.size(), 0);
        if (appendsize)
            expected.back() = std::uint8_t(length % 16);
        QCOMPARE(hexOf(raw), hexOf(expected));

        cRijndael::Bytes back;
        QCOMPARE(aes.ArrayDecrypt(back, cipher, appendsize), 0);
        QCOMPARE(hexOf(back), appendsize ? hexOf(plain) : hexOf(expected));

        // One array for both sides, and an output array that held something longer before.
        cRijndael::Bytes same = plain;
        aes.ArrayEncrypt(same, same, appendsize);
        QCOMPARE(hexOf(same), hexOf(cipher));
        QCOMPARE(aes.ArrayDecrypt(same, same, appendsize), 0);
        QCOMPARE(hexOf(same), hexOf(back));
        cRijndael::Bytes used(300, 0xEE);
        aes.ArrayEncrypt(plain, used, appendsize);
        QCOMPARE(hexOf(used), hexOf(cipher));
    }

    void arrayDataErrors()
    {
        SeamRecorder seams;
        cRijndael aes = makeCipher();
        aes.SetCipherKeyString(QStringLiteral("k"), 256);

        cRijndael::Bytes plain{9, 9};
        QCOMPARE(aes.ArrayDecrypt(plain, cRijndael::Bytes(20, 1), 1), -1);
        QCOMPARE(plain, (cRijndael::Bytes{9, 9}));
        QCOMPARE(seams.messageTexts(), QStringList{kSizeMessage});
        QCOMPARE(seams.messages.first().icon, Seams::Icon::None);
        QCOMPARE(seams.messages.first().title, QStringLiteral("Quorvel软件"));

        // A length byte above 15 (as a wrong key gives): warning, result 1, every byte kept.
        seams.clear();
        cRijndael::Bytes block(16, 0);
        block[15] = 200;
        aes.BlockEncrypt(block, block, 0, 0);
        QCOMPARE(aes.ArrayDecrypt(plain, block, 1), 1);
        QCOMPARE(plain.size(), std::size_t(16));
        QCOMPARE(plain[15], std::uint8_t(200));
        QCOMPARE(seams.messageTexts(), QStringList{QStringLiteral("warning - incorrect length field")});

        // Nothing to pad without a length field; no length byte to read in an empty array.
        cRijndael::Bytes out;
        QCOMPARE(errorNumberOf([&] { aes.ArrayEncrypt({}, out, 0); }), 9);
        QCOMPARE(errorNumberOf([&] { aes.ArrayDecrypt(out, {}, 1); }), 9);
        QCOMPARE(aes.ArrayDecrypt(out, {}, 0), 0);
        QVERIFY(out.empty());
    }

    void stringEncryptLayout_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("blockSize");
        QTest::addColumn<QString>("pattern");
        const QString hex32 = QStringLiteral("[0-9A-F]{32}");
        QTest::newRow("1 byte") << QStringLiteral("x") << 256 << hex32;
        QTest::newRow("16 bytes") << QStringLiteral("0123456789abcdef") << 256 << hex32;
        QTest::newRow("17 bytes") << QStringLiteral("0123456789abcdefg") << 256 << hex32 + hex32;
        QTest::newRow("40 bytes") << QString(40, QLatin1Char('p')) << 256 << hex32 + hex32 + QStringLiteral("  ") + hex32;
        QTest::newRow("8 Chinese letters are 16 bytes") << QStringLiteral("保存账号自动登录") << 256 << hex32;
        QTest::newRow("groups of 16 bytes") << QString(40, QLatin1Char('p')) << 128
                                            << hex32 + QStringLiteral("  ") + hex32 + QStringLiteral("  ") + hex32;
        QTest::newRow("groups of 1 byte") << QStringLiteral("x") << 8
                                          << QStringLiteral("[0-9A-F]{2}(  [0-9A-F]{2}){15}");
    }

    void stringEncryptLayout()
    {
        QFETCH(QString, text);
        QFETCH(int, blockSize);
        QFETCH(QString, pattern);
        cRijndael aes = makeCipher();
        const QString stored = aes.StringEncrypt(text, QStringLiteral("Brovk"), blockSize, 256);
        QVERIFY2(QRegularExpression(QRegularExpression::anchoredPattern(pattern)).match(stored).hasMatch(),
                 qPrintable(stored));
        // The key stays in force after the call; the first group is the first plaintext block.
        cRijndael::Bytes first = bytesOf(CodePage::toAnsi(text).left(16));
        first.resize(16, 0);
        aes.BlockEncrypt(first, first, 0, 0);
        const QString firstHex = QString::fromLatin1(hexOf(first).toUpper());
        QCOMPARE(QString(stored).remove(QLatin1Char(' ')).left(32), firstHex);
    }

    void stringDecryptAccepts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("form"); // 0 as written, 1 lower case, 2 broken by other characters
        QTest::newRow("own output") << QStringLiteral("secret") << 0;
        QTest::newRow("lower case") << QStringLiteral("secret") << 1;
        QTest::newRow("broken by other characters") << QStringLiteral("秘密 answer") << 2;
        QTest::newRow("two blocks") << QStringLiteral("a password that takes two blocks") << 2;
        QTest::newRow("48 bytes, three blocks") << QString(48, QLatin1Char('z')) << 0;
    }

    void stringDecryptAccepts()
    {
        QFETCH(QString, text);
        QFETCH(int, form);
        SeamRecorder seams;
        cRijndael aes = makeCipher();
        QString stored = aes.StringEncrypt(text, QStringLiteral("Brovk"), 256, 256);
        if (form == 1)
            stored = stored.toLower();
        if (form == 2) {
            QString broken;
            for (qsizetype i = 0; i < stored.size(); ++i)
                broken += stored.at(i) + (i % 3 == 1 ? QStringLiteral("-\r\n中") : QString());
            stored = broken;
        }
        const QString back = aes.StringDecrypt(stored, QStringLiteral("Brovk"), 256, 256);
        const qsizetype bytes = CodePage::toAnsi(text).size();
        const qsizetype padding = (16 - bytes % 16) % 16;
        QCOMPARE(back, text + QString(padding, QChar(0)));
        QVERIFY(seams.messages.isEmpty());
    }

    void stringDecryptRejects_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("message");
        QTest::newRow("zz") << QStringLiteral("zz") << QStringLiteral("错误：非十六进制数据！");
        QTest::newRow("no hex pair") << QStringLiteral("3 ") << QStringLiteral("错误：非十六进制数据！");
        QTest::newRow("five pairs") << QStringLiteral("0011223344") << kSizeMessage;
        QTest::newRow("seventeen bytes") << QString(34, QLatin1Char('A')) << kSizeMessage;
    }

    void stringDecryptRejects()
    {
        QFETCH(QString, stored);
        QFETCH(QString, message);
        SeamRecorder seams;
        cRijndael aes = makeCipher();
        QCOMPARE(aes.StringDecrypt(stored, QStringLiteral("Brovk"), 256, 256), QString());
        QCOMPARE(seams.messageTexts(), QStringList{message});
    }

    void textErrors()
    {
        SeamRecorder seams;
        cRijndael aes = makeCipher();
        const QString key = QStringLiteral("Brovk");
        QCOMPARE(errorNumberOf([&] { (void)aes.StringEncrypt(QString(), key, 256, 256); }), 9);
        QCOMPARE(errorNumberOf([&] { (void)aes.StringDecrypt(QStringLiteral("A"), key, 256, 256); }), 9);
        QCOMPARE(errorNumberOf([&] { (void)aes.StringDecrypt(QString(), key, 256, 256); }), 9);
        QCOMPARE(errorNumberOf([&] { (void)aes.StringEncrypt(QStringLiteral("x"), key, 7, 256); }), 11);
        QCOMPARE(errorNumberOf([&] { (void)aes.StringEncrypt(QStringLiteral("x"), key, 256, 255); }), 1);
        QVERIFY(seams.messages.isEmpty());
    }

    void hexToArray_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("capitals") << QStringLiteral("00FF7f") << QByteArray::fromHex("00ff7f");
        QTest::newRow("digit pair split by others") << QStringLiteral("a x\tb  1") << QByteArray::fromHex("ab");
        QTest::newRow("lone last digit dropped") << QStringLiteral("123") << QByteArray::fromHex("12");
        QTest::newRow("nothing") << QStringLiteral("zz") << QByteArray();
        // Characters are read by the low eight bits of their code unit: U+4E41 reads as 'A'.
        QTest::newRow("low byte of a unit") << QStringLiteral("\u4E41\u4E42") << QByteArray::fromHex("ab");
    }

    void hexToArray()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(byteArrayOf(cRijndael::HexToArray(text)), bytes);
    }

    void fileForm_data()
    {
        QTest::addColumn<int>("length");
        QTest::newRow("empty") << 0;
        QTest::newRow("one block less a byte") << 15;
        QTest::newRow("exactly one piece") << int(cRijndael::FilePieceBytes);
        QTest::newRow("a piece and a byte") << int(cRijndael::FilePieceBytes) + 1;
        QTest::newRow("two pieces and 17 bytes") << int(2 * cRijndael::FilePieceBytes) + 17;
    }

    void fileForm()
    {
        QFETCH(int, length);
        SeamRecorder seams;
        QTemporaryDir dir;
        cRijndael aes = makeCipher();
        aes.SetCipherKeyString(QStringLiteral("file key"), 256);
        QRandomGenerator random(length);
        const cRijndael::Bytes plain = randomBytes(random, std::size_t(length));
        writeFile(dir.filePath(QStringLiteral("plain")), byteArrayOf(plain));

        QCOMPARE(aes.FileEncrypt(dir.filePath(QStringLiteral("plain")), dir.filePath(QStringLiteral("cipher"))), 0);
        const QByteArray cipher = readFile(dir.filePath(QStringLiteral("cipher")));
        QCOMPARE(cipher.size(), qsizetype(length / 16 * 16 + 16));
        // Exactly the array form with its length field, whatever the pieces.
        cRijndael::Bytes asArray;
        aes.ArrayEncrypt(plain, asArray, 1);
        QVERIFY(cipher == byteArrayOf(asArray));

        // Decipher over an existing longer file: nothing of it may remain.
        writeFile(dir.filePath(QStringLiteral("back")), QByteArray(length + 100, 'x'));
        QCOMPARE(aes.FileDecrypt(dir.filePath(QStringLiteral("back")), dir.filePath(QStringLiteral("cipher"))), 0);
        QVERIFY(readFile(dir.filePath(QStringLiteral("back"))) == byteArrayOf(plain));
        QVERIFY(seams.messages.isEmpty());
    }

    void fileInPlace()
    {
        QTemporaryDir dir;
        cRijndael aes = makeCipher();
        const QString name = dir.filePath(QStringLiteral("same"));
        const QByteArray plain = QByteArray("one file for both sides ").repeated(1000);
        writeFile(name, plain);
        aes.FileEncryptSimple(name, name, QStringLiteral("pw"), 256, 128);
        QCOMPARE(readFile(name).size(), plain.size() / 16 * 16 + 16);
        aes.FileDecryptSimple(name, name, QStringLiteral("pw"), 256, 128);
        QVERIFY(readFile(name) == plain);
    }

    void fileDataErrors_data()
    {
        QTest::addColumn<QByteArray>("cipher");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("result");
        const QString sizeError = QStringLiteral("File Size Error - ciphertext file not a multiple of block size");
        QTest::newRow("empty") << QByteArray() << sizeError << 1;
        QTest::newRow("20 bytes") << QByteArray(20, 'c') << sizeError << 1;
        // A block whose last byte deciphers to 255: the length warning, every byte written.
        QTest::newRow("length byte 255") << QByteArray() << QStringLiteral(
            "warning - incorrect length field in decrypted file.\r\nWrong key or keysize?") << 0;
    }

    void fileDataErrors()
    {
        QFETCH(QByteArray, cipher);
        QFETCH(QString, message);
        QFETCH(int, result);
        SeamRecorder seams;
        QTemporaryDir dir;
        cRijndael aes = makeCipher();
        aes.SetCipherKeyString(QStringLiteral("k"), 128);
        cRijndael::Bytes block(16, 255);
        if (result == 0) {
            aes.BlockEncrypt(block, block, 0, 0);
            cipher = byteArrayOf(block);
        }
        writeFile(dir.filePath(QStringLiteral("cipher")), cipher);
        const QString out = dir.filePath(QStringLiteral("plain"));
        QCOMPARE(aes.FileDecrypt(out, dir.filePath(QStringLiteral("cipher"))), result);
        QCOMPARE(seams.messageTexts(), QStringList{message});
        if (result == 1)
            QVERIFY(!QFile::exists(out));
        else
            QCOMPARE(readFile(out), QByteArray(16, char(255)));
    }

    void missingFile()
    {
        QTemporaryDir dir;
        cRijndael aes = makeCipher();
        aes.SetCipherKeyString(QStringLiteral("k"), 128);
        const QString out = dir.filePath(QStringLiteral("out"));
        QCOMPARE(errorNumberOf([&] { aes.FileEncrypt(dir.filePath(QStringLiteral("none")), out); }), 53);
        QCOMPARE(errorNumberOf([&] { aes.FileDecrypt(out, dir.filePath(QStringLiteral("none"))); }), 53);
        QVERIFY(!QFile::exists(out));
    }
};

QTEST_GUILESS_MAIN(TestRijndael)
#include "test_rijndael.moc"
