// CMD5Encrypt: the RFC 1321 test suite, the padding boundaries, step-by-step use, the limits of the
// string members, the registers and LongLeftRotate.
#include "base/CodePage.h"
#include "crypto/CipherError.h"
#include "crypto/CMD5Encrypt.h"
#include "CryptoTestUtil.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

template <typename Body>
int errorNumberOf(Body body)
{
    try {
        body();
    } catch (const CipherError &e) {
        return e.number;
    }
    return 0;
}

} // namespace

class TestMd5 : public QObject
{
    Q_OBJECT

private slots:
    void digests_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("digest");
        // RFC 1321, appendix A.5 (test suite), in capitals.
        QTest::newRow("A.5 empty") << QString() << QStringLiteral("D41D8CD98F00B204E9800998ECF8427E");
        QTest::newRow("A.5 a") << QStringLiteral("a") << QStringLiteral("0CC175B9C0F1B6A831C399E269772661");
        QTest::newRow("A.5 abc") << QStringLiteral("abc") << QStringLiteral("900150983CD24FB0D6963F7D28E17F72");
        QTest::newRow("A.5 message digest")
            << QStringLiteral("message digest") << QStringLiteral("F96B697D7CB7938D525A2F31AAF161D0");
        QTest::newRow("A.5 alphabet")
            << QStringLiteral("abcdefghijklmnopqrstuvwxyz") << QStringLiteral("C3FCD3D76192E4007DFB496CCA67E13B");
        QTest::newRow("A.5 62 characters")
            << QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789")
            << QStringLiteral("D174AB98D277D9F5A5611C2C9F419D9F");
        QTest::newRow("A.5 80 digits") << QStringLiteral("1234567890").repeated(8)
                                       << QStringLiteral("57EDF4A22BE3C955AC49DA2E2107B67A");
        // Padding that spills into a second block; values from `openssl md5` (OpenSSL 3.0).
        QTest::newRow("56 bytes") << QString(56, QLatin1Char('a')) << QStringLiteral("3B0C8AC703F828B04C6C197006D17218");
        QTest::newRow("57 bytes") << QString(57, QLatin1Char('a')) << QStringLiteral("652B906D60AF96844EBD21B674F35E93");
        QTest::newRow("64 bytes") << QString(64, QLatin1Char('a')) << QStringLiteral("014842D480B571495A4A0363793F7367");
        QTest::newRow("128 bytes") << QString(128, QLatin1Char('a')) << QStringLiteral("E510683B3F5FFE4093D021808BC6FF70");
        // GBK bytes D6 D0 CE C4: two per Chinese letter.
        QTest::newRow("Chinese") << QStringLiteral("中文") << QStringLiteral("BCCE109775E8E1972E9F5FCDA3E12895");
    }

    void digests()
    {
        QFETCH(QString, text);
        QFETCH(QString, digest);
        CMD5Encrypt md5;
        QCOMPARE(md5.DigestStrToHexStr(text), digest);

        // The same bytes as a file.
        QTemporaryDir dir;
        writeFile(dir.filePath(QStringLiteral("f")), CodePage::toAnsi(text));
        QCOMPARE(md5.DigestFileToHexStr(dir.filePath(QStringLiteral("f"))), digest);

        // And fed step by step in odd pieces (10, then 120, then the rest).
        const cRijndael::Bytes bytes = bytesOf(CodePage::toAnsi(text));
        md5.MD5Init();
        std::size_t at = 0;
        for (const std::size_t piece : {std::size_t(10), std::size_t(120), bytes.size()}) {
            const std::size_t take = std::min(piece, bytes.size() - at);
            md5.MD5Update(int(take), cRijndael::Bytes(bytes.begin() + std::ptrdiff_t(at),
                                                      bytes.begin() + std::ptrdiff_t(at + take)));
            at += take;
        }
        md5.MD5Final();
        QCOMPARE(md5.GetValues(), digest);
    }

    void updateTakesTheFirstBytes()
    {
        CMD5Encrypt md5;
        md5.MD5Init();
        md5.MD5Update(3, bytesOf(QByteArray("abcdef")));
        md5.MD5Update(0, bytesOf(QByteArray("zzz")));
        md5.MD5Update(-4, bytesOf(QByteArray("zzz")));
        md5.MD5Final();
        QCOMPARE(md5.GetValues(), QStringLiteral("900150983CD24FB0D6963F7D28E17F72"));
    }

    void limits()
    {
        CMD5Encrypt md5;
        // 32,767 bytes are the most one call takes.
        QCOMPARE(md5.DigestStrToHexStr(QString(32767, QLatin1Char('x'))).size(), 32);
        QCOMPARE(errorNumberOf([&] { (void)md5.DigestStrToHexStr(QString(32768, QLatin1Char('x'))); }), 6);
        QCOMPARE(errorNumberOf([&] { (void)md5.DigestStrToHexStr(QString(16384, QChar(0x4E2D))); }), 6);
        const cRijndael::Bytes big(40000, 1);
        md5.MD5Init();
        QCOMPARE(errorNumberOf([&] { md5.MD5Update(32768, big); }), 6);
        QCOMPARE(errorNumberOf([&] { md5.MD5Update(11, cRijndael::Bytes(10, 1)); }), 9);
        QTemporaryDir dir;
        QCOMPARE(errorNumberOf([&] { (void)md5.DigestFileToHexStr(dir.filePath(QStringLiteral("none"))); }), 53);
    }

    void registers()
    {
        CMD5Encrypt md5;
        md5.MD5Init();
        QCOMPARE(md5.RegisterA(), QStringLiteral("1732584193"));
        QCOMPARE(md5.RegisterB(), QStringLiteral("-271733879")); // EFCDAB89
        QCOMPARE(md5.RegisterC(), QStringLiteral("-1732584194"));
        QCOMPARE(md5.RegisterD(), QStringLiteral("271733878"));
        QCOMPARE(md5.GetValues(), QStringLiteral("0123456789ABCDEFFEDCBA9876543210"));
        // After a digest the registers are the digest's words: D41D8CD9 read little-endian is D98C1DD4.
        (void)md5.DigestStrToHexStr(QString());
        QCOMPARE(md5.RegisterA(), QString::number(qint32(0xD98C1DD4u)));
    }

    void longLeftRotate_data()
    {
        QTest::addColumn<qint32>("value");
        QTest::addColumn<qint32>("bits");
        QTest::addColumn<qint32>("rotated");
        QTest::addColumn<qint32>("bitsAfter");
        QTest::newRow("33 is 1") << qint32(1) << 33 << qint32(2) << 1;
        QTest::newRow("top bit comes round") << qint32(0x80000001u) << 1 << qint32(3) << 1;
        QTest::newRow("into the sign bit") << qint32(1) << 31 << qint32(0x80000000u) << 31;
        QTest::newRow("32 is 0") << qint32(0x12345678) << 32 << qint32(0x12345678) << 0;
        QTest::newRow("negative rotates nothing") << qint32(5) << -33 << qint32(5) << -1;
        QTest::newRow("nibbles") << qint32(0x12345678) << 4 << qint32(0x23456781) << 4;
    }

    void longLeftRotate()
    {
        QFETCH(qint32, value);
        QFETCH(qint32, bits);
        QFETCH(qint32, rotated);
        QFETCH(qint32, bitsAfter);
        CMD5Encrypt md5;
        std::int32_t v = value;
        std::int32_t b = bits;
        QCOMPARE(md5.LongLeftRotate(v, b), rotated);
        QCOMPARE(v, rotated);
        QCOMPARE(b, bitsAfter);
    }
};

QTEST_GUILESS_MAIN(TestMd5)
#include "test_md5.moc"
