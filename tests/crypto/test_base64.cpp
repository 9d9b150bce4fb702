// CBase64EnDeCode: the RFC 4648 vectors, the positional decoding of odd input, the limits, and files.
#include "base/CodePage.h"
#include "crypto/CBase64EnDeCode.h"
#include "CryptoTestUtil.h"

#include <QTemporaryDir>
#include <QTest>

class TestBase64 : public QObject
{
    Q_OBJECT

private slots:
    void vectors_data()
    {
        QTest::addColumn<QString>("plain");
        QTest::addColumn<QString>("coded");
        // RFC 4648, section 10 (test vectors).
        QTest::newRow("10 empty") << QString() << QString();
        QTest::newRow("10 f") << QStringLiteral("f") << QStringLiteral("Zg==");
        QTest::newRow("10 fo") << QStringLiteral("fo") << QStringLiteral("Zm8=");
        QTest::newRow("10 foo") << QStringLiteral("foo") << QStringLiteral("Zm9v");
        QTest::newRow("10 foob") << QStringLiteral("foob") << QStringLiteral("Zm9vYg==");
        QTest::newRow("10 fooba") << QStringLiteral("fooba") << QStringLiteral("Zm9vYmE=");
        QTest::newRow("10 foobar") << QStringLiteral("foobar") << QStringLiteral("Zm9vYmFy");
        // GBK bytes D6 D0 CE C4, and the last two alphabet characters.
        QTest::newRow("Chinese") << QStringLiteral("中文") << QStringLiteral("1tDOxA==");
        QTest::newRow("+ and /") << QStringLiteral("~~~???") << QStringLiteral("fn5+Pz8/");
    }

    void vectors()
    {
        QFETCH(QString, plain);
        QFETCH(QString, coded);
        CBase64EnDeCode codec;
        QCOMPARE(codec.Base64StringEncode(plain), coded);
        QCOMPARE(codec.Base64StringDecode(coded), plain);
    }

    void decoding_data()
    {
        QTest::addColumn<QString>("coded");
        QTest::addColumn<QString>("plain");
        QTest::newRow("QQ== (zero bytes cut)") << QStringLiteral("QQ==") << QStringLiteral("A");
        QTest::newRow("4k+1: last character ignored") << QStringLiteral("Zm9vY") << QStringLiteral("foo");
        QTest::newRow("4k+2: fails") << QStringLiteral("Zm9vYg") << QString();
        QTest::newRow("4k+3: fails") << QStringLiteral("Zm9vYmE") << QString();
        QTest::newRow("zero byte first") << QStringLiteral("AEE=") << QString();
        QTest::newRow("zero byte inside") << QStringLiteral("QQBB") << QStringLiteral("A");
        // "=" and blanks take a place as value 0: "Zm=v" is 66 60 2F.
        QTest::newRow("= inside a group") << QStringLiteral("Zm=v") << QStringLiteral("f`/");
        QTest::newRow("a single character") << QStringLiteral("Z") << QString();
    }

    void decoding()
    {
        QFETCH(QString, coded);
        QFETCH(QString, plain);
        CBase64EnDeCode codec;
        QCOMPARE(codec.Base64StringDecode(coded), plain);
    }

    void lineBreakMisaligns()
    {
        CBase64EnDeCode codec;
        const QString decoded = codec.Base64StringDecode(QStringLiteral("Zm9v\r\nYmFy"));
        // Ten characters: "Zm9v", "\r\nYm" and "Fy" - the last group of two fails the whole decode.
        QCOMPARE(decoded, QString());
        const QString nine = codec.Base64StringDecode(QStringLiteral("Zm9v\nYmFy"));
        QVERIFY(nine.startsWith(QStringLiteral("foo")));
        QVERIFY(nine != QStringLiteral("foobar"));
    }

    void limits()
    {
        CBase64EnDeCode codec;
        QCOMPARE(codec.Base64StringEncode(QString(32766, QLatin1Char('a'))).size(), 43688);
        QCOMPARE(codec.Base64StringEncode(QString(32767, QLatin1Char('a'))), QString());
        // 32,765 characters (4k + 1) decode; 32,768 (4k) are over the limit.
        QCOMPARE(codec.Base64StringDecode(QStringLiteral("QUJD").repeated(8191) + QLatin1Char('Q')).size(), 3 * 8191);
        QCOMPARE(codec.Base64StringDecode(QStringLiteral("QUJD").repeated(8192)), QString());
    }

    void files()
    {
        QTemporaryDir dir;
        CBase64EnDeCode codec;
        const QString plain = dir.filePath(QStringLiteral("plain"));
        const QString coded = dir.filePath(QStringLiteral("coded"));
        const QByteArray text = CodePage::toAnsi(QStringLiteral("文件 contents\r\n"));
        writeFile(plain, text);
        writeFile(coded, QByteArray(200, '#'));
        codec.Base64FileEncode(plain, coded);
        QCOMPARE(readFile(coded), QByteArray(text.toBase64()));

        const QString back = dir.filePath(QStringLiteral("back"));
        writeFile(back, QByteArray(200, '#'));
        codec.Base64FileDecode(back, coded);
        QCOMPARE(readFile(back), text);

        // A failing decode leaves the destination as it was; a missing source writes nothing.
        writeFile(coded, "Zm9vYg");
        codec.Base64FileDecode(back, coded);
        QCOMPARE(readFile(back), text);
        codec.Base64FileEncode(dir.filePath(QStringLiteral("none")), dir.filePath(QStringLiteral("new")));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("new"))));
    }
};

QTEST_GUILESS_MAIN(TestBase64)
#include "test_base64.moc"
