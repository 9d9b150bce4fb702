// CRndXorHash and MEncryptDecrypt: round trips, the password and integrity checks, the salt, the
// cipher-text length, the hex form, and the generator's determinism.
#include "base/CodePage.h"
#include "crypto/CRndXorHash.h"
#include "crypto/MEncryptDecrypt.h"
#include "crypto/RandomGenerator.h"
#include "CryptoTestUtil.h"
#include "SeamRecorder.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kWrongPassword = QStringLiteral("密码不正确！");
const QString kChanged = QStringLiteral("密文被修改，完整性不正确！");
const QDateTime kMoment(QDate(2026, 3, 14), QTime(15, 9, 26));

CRndXorHash fixedClockCipher(qint16 keySize, const QDateTime &moment = kMoment)
{
    CRndXorHash cipher;
    cipher.setKeySize(keySize);
    cipher.setClock([moment] { return moment; });
    return cipher;
}

} // namespace

class TestRndXorHash : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip_data()
    {
        QTest::addColumn<QString>("plain");
        QTest::addColumn<int>("keySize");
        QTest::newRow("ascii") << QStringLiteral("the quick brown fox") << 8;
        QTest::newRow("chinese") << QStringLiteral("密文被修改的检测") << 8;
        QTest::newRow("empty") << QString() << 8;
        QTest::newRow("NUL and high units") << QStringLiteral("a") + QChar(0) + QChar(0xFFFF) + QChar(0x8000) << 16;
        QTest::newRow("client key size") << QStringLiteral("Brovk") << 128;
    }

    void roundTrip()
    {
        QFETCH(QString, plain);
        QFETCH(int, keySize);
        SeamRecorder seams;
        CRndXorHash cipher = fixedClockCipher(qint16(keySize));
        const QString hex = cipher.StringEncrypt(plain, QStringLiteral("pässword"));
        // 6 characters per unit: salt, check and integrity of keySize units each, then the body.
        QCOMPARE(hex.size(), 6 * (3 * keySize + plain.size()));
        QCOMPARE(cipher.StringDecrypt(hex, QStringLiteral("pässword")), plain);
        QVERIFY(seams.messages.isEmpty());

        // The body keeps the upper nine bits of every unit; only the low seven change.
        const QString body = MEncryptDecrypt::HexDecodeText(hex).mid(3 * keySize);
        QCOMPARE(body.size(), plain.size());
        for (qsizetype i = 0; i < plain.size(); ++i)
            QCOMPARE(body.at(i).unicode() & 0xFF80, plain.at(i).unicode() & 0xFF80);
    }

    void keySize()
    {
        CRndXorHash cipher;
        QCOMPARE(cipher.keySize(), qint16(8));
        for (const qint16 bad : {qint16(0), qint16(-5)}) {
            cipher.setKeySize(bad);
            QCOMPARE(cipher.keySize(), qint16(8));
        }
        cipher.setKeySize(128);
        QCOMPARE(cipher.keySize(), qint16(128));
        // The empty plain text takes 18 x keySize characters and comes back empty.
        const QString hex = cipher.StringEncrypt(QString(), QStringLiteral("pw"));
        QCOMPARE(hex.size(), 18 * 128);
        SeamRecorder seams;
        QCOMPARE(cipher.StringDecrypt(hex, QStringLiteral("pw")), QString());
        QVERIFY(seams.messages.isEmpty());
    }

    void padDependsOnKeySize()
    {
        // The pad of a fresh instance differs from the one built for 8: a cipher text of the one
        // does not pass the other's password check.
        SeamRecorder seams;
        CRndXorHash rebuilt = fixedClockCipher(8);
        CRndXorHash created;
        created.setClock([] { return kMoment; });
        const QString hex = created.StringEncrypt(QStringLiteral("text"), QStringLiteral("pw"));
        QVERIFY(hex != rebuilt.StringEncrypt(QStringLiteral("text"), QStringLiteral("pw")));
        QCOMPARE(created.StringDecrypt(hex, QStringLiteral("pw")), QStringLiteral("text"));
    }

    void saltChangesBySecond()
    {
        CRndXorHash first = fixedClockCipher(8);
        CRndXorHash sameSecond = fixedClockCipher(8);
        CRndXorHash nextSecond = fixedClockCipher(8, kMoment.addSecs(1));
        const QString a = first.StringEncrypt(QStringLiteral("plain"), QStringLiteral("pw"));
        QCOMPARE(sameSecond.StringEncrypt(QStringLiteral("plain"), QStringLiteral("pw")), a);
        const QString b = nextSecond.StringEncrypt(QStringLiteral("plain"), QStringLiteral("pw"));
        QVERIFY(a != b);
        QCOMPARE(first.StringDecrypt(b, QStringLiteral("pw")), QStringLiteral("plain"));
        QCOMPARE(nextSecond.StringDecrypt(a, QStringLiteral("pw")), QStringLiteral("plain"));
    }

    void rejects_data()
    {
        QTest::addColumn<int>("digit");    // which hex digit to change, -1 none
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("icon");
        const int critical = int(Seams::Icon::Critical);
        const int exclamation = int(Seams::Icon::Exclamation);
        // Units are 6 characters; keySize 8: salt units 0-7, check 8-15, integrity 16-23, body 24-.
        QTest::newRow("wrong password") << -1 << QStringLiteral("PW") << kWrongPassword << critical;
        QTest::newRow("salt digit") << 6 * 3 << QStringLiteral("pw") << kWrongPassword << critical;
        QTest::newRow("check digit") << 6 * 9 + 1 << QStringLiteral("pw") << kWrongPassword << critical;
        QTest::newRow("integrity digit") << 6 * 20 << QStringLiteral("pw") << kChanged << exclamation;
        QTest::newRow("body digit") << 6 * 26 + 1 << QStringLiteral("pw") << kChanged << exclamation;
    }

    void rejects()
    {
        QFETCH(int, digit);
        QFETCH(QString, password);
        QFETCH(QString, message);
        QFETCH(int, icon);
        SeamRecorder seams;
        CRndXorHash cipher = fixedClockCipher(8);
        QString hex = cipher.StringEncrypt(QStringLiteral("a body of some length"), QStringLiteral("pw"));
        if (digit >= 0)
            hex[digit] = hex.at(digit) == QLatin1Char('7') ? QLatin1Char('3') : QLatin1Char('7');
        const QString before = hex;
        QCOMPARE(cipher.StringDecrypt(hex, password), QString());
        QCOMPARE(hex, before);
        QCOMPARE(seams.messageTexts(), QStringList{message});
        QCOMPARE(int(seams.messages.first().icon), icon);
    }

    void tooShort_data()
    {
        QTest::addColumn<QString>("cipher");
        QTest::newRow("empty") << QString();
        QTest::newRow("one unit") << QStringLiteral("41 00 ");
        QTest::newRow("not hex") << QStringLiteral("hello, world");
    }

    void tooShort()
    {
        QFETCH(QString, cipher);
        SeamRecorder seams;
        CRndXorHash rx;
        QCOMPARE(rx.StringDecrypt(cipher, QStringLiteral("pw")), QString());
        QCOMPARE(seams.messageTexts(), QStringList{kWrongPassword});
    }

    void hexDecode_data()
    {
        QTest::addColumn<QString>("hex");
        QTest::addColumn<QString>("text");
        QTest::newRow("with spaces") << QStringLiteral("41 00 ") << QStringLiteral("A");
        QTest::newRow("without") << QStringLiteral("4100") << QStringLiteral("A");
        QTest::newRow("last group of two") << QStringLiteral("41004a") << QStringLiteral("AJ");
        QTest::newRow("high byte") << QStringLiteral("2D4E") << QStringLiteral("中");
        QTest::newRow("pair read to first non-digit") << QStringLiteral("4G00") << QString(QChar(4));
        QTest::newRow("pair starting with non-digit") << QStringLiteral("G100") << QString(QChar(0));
        QTest::newRow("empty") << QString() << QString();
    }

    void hexDecode()
    {
        QFETCH(QString, hex);
        QFETCH(QString, text);
        QCOMPARE(MEncryptDecrypt::HexDecodeText(hex), text);
    }

    void hexEncode()
    {
        QCOMPARE(MEncryptDecrypt::HexEncodeText(QStringLiteral("A")), QStringLiteral("41 00 "));
        QCOMPARE(MEncryptDecrypt::HexEncodeText(QStringLiteral("中\n")), QStringLiteral("2D 4E 0A 00 "));
        const QString any = QStringLiteral("x") + QChar(0xFFFF) + QChar(0);
        QCOMPARE(MEncryptDecrypt::HexDecodeText(MEncryptDecrypt::HexEncodeText(any)), any);
    }

    void generator()
    {
        RandomGenerator a;
        RandomGenerator b;
        // A negative argument restarts: the sequence depends on it alone, not on what came before.
        (void)b.value();
        (void)b.value();
        QCOMPARE(a.value(-2.5f), b.value(-2.5f));
        const float next = a.value();
        QCOMPARE(a.value(0.0f), next);
        QCOMPARE(b.value(7.0f), next);
        a.mix(0.25);
        b.mix(0.5);
        QVERIFY(a.value() != b.value());
        for (int i = 0; i < 10000; ++i) {
            const float v = a.value();
            QVERIFY(v >= 0.0f && v < 1.0f);
        }
    }

    void files()
    {
        SeamRecorder seams;
        QTemporaryDir dir;
        CRndXorHash cipher = fixedClockCipher(16);
        const QString plainName = dir.filePath(QStringLiteral("plain.txt"));
        const QString cipherName = dir.filePath(QStringLiteral("cipher.txt"));
        const QString backName = dir.filePath(QStringLiteral("back.txt"));
        const QString lines = QStringLiteral("第一行\r\nsecond line\r\n");
        const QByteArray text = CodePage::toAnsi(lines);
        writeFile(plainName, text);
        cipher.FileEncrypt(plainName, cipherName, QStringLiteral("pw"));
        QCOMPARE(readFile(cipherName).size(), 6 * (3 * 16 + lines.size()));

        cipher.FileDecrypt(backName, cipherName, QStringLiteral("wrong"));
        QVERIFY(!QFile::exists(backName));
        QCOMPARE(seams.messageTexts(), QStringList{kWrongPassword});

        cipher.FileDecrypt(backName, cipherName, QStringLiteral("pw"));
        QCOMPARE(readFile(backName), text);

        // A missing plain file: no output, no message.
        seams.clear();
        cipher.FileEncrypt(dir.filePath(QStringLiteral("none")), dir.filePath(QStringLiteral("out")), QStringLiteral("pw"));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("out"))));
        QVERIFY(seams.messages.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestRndXorHash)
#include "test_rndxorhash.moc"
