// Profile strings in files whose last line ends in a lone CR (an editor's or a cut-off file's end):
// a key added to the section of that line must land on a line of its own.
#include "base/ProfileString.h"

#include <QTest>

class TestProfileStringLineEnds : public QObject
{
    Q_OBJECT
private slots:
    void newKeyAfterLoneCarriageReturn_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("key line") << QByteArray("[INFORMATION]\r\nASK=3\r\nANS=AF2A\r")
                                  << QByteArray("[INFORMATION]\r\nASK=3\r\nANS=AF2A\r\nUSER=dave\r\n");
        QTest::newRow("section header") << QByteArray("[INFORMATION]\r")
                                        << QByteArray("[INFORMATION]\r\nUSER=dave\r\n");
        QTest::newRow("CR LF unchanged") << QByteArray("[INFORMATION]\r\nANS=AF2A\r\n")
                                         << QByteArray("[INFORMATION]\r\nANS=AF2A\r\nUSER=dave\r\n");
        QTest::newRow("no line end") << QByteArray("[INFORMATION]\r\nANS=AF2A")
                                     << QByteArray("[INFORMATION]\r\nANS=AF2A\r\nUSER=dave\r\n");
    }
    void newKeyAfterLoneCarriageReturn()
    {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, expected);
        const QByteArray written = ProfileString::writeToBytes(file, "INFORMATION", "USER", "dave");
        QCOMPARE(written, expected);
        QCOMPARE(ProfileString::readFromBytes(written, "INFORMATION", "USER", "-"), QByteArray("dave"));
        // The line before keeps its own value.
        if (file.contains("ANS="))
            QCOMPARE(ProfileString::readFromBytes(written, "INFORMATION", "ANS", "-"), QByteArray("AF2A"));
    }
};

QTEST_APPLESS_MAIN(TestProfileStringLineEnds)
#include "test_profile_string_line_ends.moc"
