// Profile strings (login.ini) with the Windows profile-call semantics over GBK bytes, and the code
// page they are stored in.
#include "base/CodePage.h"
#include "base/ProfileString.h"
#include "IniFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

void putFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

const QByteArray kSaveAccountGbk = QByteArray::fromHex("b1a3b4e6d5cbbac5"); // 保存账号
const QByteArray kAutoLoginGbk = QByteArray::fromHex("d7d4b6afb5c7c2bc");   // 自动登录
const QByteArray kYesGbk = QByteArray::fromHex("cac7");                     // 是

} // namespace

class TestProfileString : public QObject
{
    Q_OBJECT
private slots:
    void codePageRoundTrips()
    {
        const QString chinese = u"保存账号 自动登录 是 否 Quorvel币 请输入用户名或UID"_s;
        QCOMPARE(CodePage::fromAnsi(CodePage::toAnsi(chinese)), chinese);
        QCOMPARE(CodePage::toAnsi(u"保存账号"_s), kSaveAccountGbk);
        QCOMPARE(CodePage::toAnsi(u"否"_s), QByteArray::fromHex("b7f1"));
        QCOMPARE(CodePage::fromAnsi(kAutoLoginGbk), u"自动登录"_s);
        // A character GBK cannot hold becomes one '?', and the text around it stays whole.
        QCOMPARE(CodePage::toAnsi(u"a\U0001F600中z"_s), QByteArray("a?\xd6\xd0z"));
        // Form values reach the forum intact: every reserved sign and the blank escaped, Chinese in GBK.
        QCOMPARE(CodePage::percentEncode(u"&=+%# 中"_s), QByteArray("%26%3D%2B%25%23%20%D6%D0"));
        QCOMPARE(CodePage::percentEncode(u"a-Z_0.9~"_s), QByteArray("a-Z_0.9~"));
        // A lead byte without its second byte does not swallow the text after it.
        QVERIFY(CodePage::fromAnsi(QByteArray("\xd6", 1) + " ab").endsWith(u" ab"_s));
    }

    void read_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray dflt = "<default>";

        QTest::newRow("plain") << QByteArray("[INFORMATION]\r\nUSER=alice\r\n") << QByteArray("USER") << QByteArray("alice");
        QTest::newRow("section and key in other case")
            << QByteArray("[information]\r\nuser=alice\r\n") << QByteArray("USER") << QByteArray("alice");
        QTest::newRow("blanks trimmed") << QByteArray("  [ INFORMATION ]  \r\n \tUSER  =  al ice \t\r\n")
                                        << QByteArray("USER") << QByteArray("al ice");
        QTest::newRow("LF only") << QByteArray("[INFORMATION]\nASK=3\nUSER=bob\n") << QByteArray("USER") << QByteArray("bob");
        QTest::newRow("last line without newline")
            << QByteArray("[INFORMATION]\r\nUSER=bob") << QByteArray("USER") << QByteArray("bob");
        QTest::newRow("empty value is not the default")
            << QByteArray("[INFORMATION]\r\nUSER=\r\n") << QByteArray("USER") << QByteArray();
        QTest::newRow("value with equals signs")
            << QByteArray("[INFORMATION]\r\nPASS=a=b==\r\n") << QByteArray("PASS") << QByteArray("a=b==");
        QTest::newRow("first of duplicate keys")
            << QByteArray("[INFORMATION]\r\nUSER=first\r\nUSER=second\r\n") << QByteArray("USER") << QByteArray("first");
        QTest::newRow("duplicate section")
            << QByteArray("[INFORMATION]\r\nASK=1\r\n[X]\r\nUSER=x\r\n[information]\r\nUSER=later\r\n")
            << QByteArray("USER") << QByteArray("later");
        QTest::newRow("key of another section") << QByteArray("[OTHER]\r\nUSER=x\r\n[INFORMATION]\r\nASK=1\r\n")
                                                << QByteArray("USER") << dflt;
        QTest::newRow("key before any section") << QByteArray("USER=x\r\n[INFORMATION]\r\n") << QByteArray("USER") << dflt;
        QTest::newRow("line without equals sign ignored")
            << QByteArray("[INFORMATION]\r\nUSER\r\nUSER=alice\r\n") << QByteArray("USER") << QByteArray("alice");
        QTest::newRow("prefix of a key is not the key")
            << QByteArray("[INFORMATION]\r\nUSERNAME=x\r\n") << QByteArray("USER") << dflt;
        // Matching quotes are stripped as the Windows call does; unmatched ones stay.
        QTest::newRow("double quotes") << QByteArray("[INFORMATION]\r\nUSER=\" a b \"\r\n") << QByteArray("USER") << QByteArray(" a b ");
        QTest::newRow("single quotes") << QByteArray("[INFORMATION]\r\nUSER='x'\r\n") << QByteArray("USER") << QByteArray("x");
        QTest::newRow("unmatched quote") << QByteArray("[INFORMATION]\r\nUSER=\"x'\r\n") << QByteArray("USER") << QByteArray("\"x'");
        QTest::newRow("lone quote") << QByteArray("[INFORMATION]\r\nUSER=\"\r\n") << QByteArray("USER") << QByteArray("\"");
        QTest::newRow("GBK key") << QByteArray("[INFORMATION]\r\n" + kSaveAccountGbk + "=" + kYesGbk + "\r\n")
                                 << kSaveAccountGbk << kYesGbk;
        // 0x81 0x41 and 0x81 0x61 are two different characters; folding the second byte would merge them.
        QTest::newRow("second byte of a character not case-folded")
            << QByteArray("[INFORMATION]\r\n\x81\x41=x\r\n") << QByteArray("\x81\x61") << dflt;
        QTest::newRow("value cut at NUL") << QByteArrayLiteral("[INFORMATION]\r\nUSER=ab\0cd\r\n") << QByteArray("USER")
                                          << QByteArray("ab");
    }

    void read()
    {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, key);
        QFETCH(QByteArray, expected);
        QCOMPARE(ProfileString::readFromBytes(file, "INFORMATION", key, "<default>"), expected);
    }

    void sectionNameWithBracketAsSecondByte()
    {
        // 0x81 0x5D is one character whose second byte looks like ']'.
        const QByteArray file = "[\x81\x5d]\r\nUSER=y\r\n[\x81\x5d x]\r\nUSER=z\r\n";
        QCOMPARE(ProfileString::readFromBytes(file, "\x81\x5d", "USER", "d"), QByteArray("y"));
        QCOMPARE(ProfileString::readFromBytes(file, "\x81\x5d x", "USER", "d"), QByteArray("z"));
        QCOMPARE(ProfileString::readFromBytes(file, "\x81", "USER", "d"), QByteArray("d"));
    }

    void defaultLosesTrailingBlanks()
    {
        QCOMPARE(ProfileString::readFromBytes({}, "INFORMATION", "USER", "x  "), QByteArray("x"));
    }

    // No file (a first start) and an empty one: the default, as the code page gives it back, and
    // nothing for an empty default (answered without the converter).
    void missingOrEmptyFileGivesTheDefault()
    {
        QTemporaryDir dir;
        const QString missing = dir.filePath(u"login.ini"_s);
        const QString empty = dir.filePath(u"empty.ini"_s);
        putFile(empty, {});
        for (const QString &path : {missing, empty, QString()}) {
            QCOMPARE(ProfileString::read(u"INFORMATION"_s, u"保存账号"_s, QString(), path), QString());
            QCOMPARE(ProfileString::read(u"INFORMATION"_s, u"USER"_s, u"无  "_s, path), u"无"_s);
            // A character GBK cannot hold comes back as the converter writes it.
            QCOMPARE(ProfileString::read(u"INFORMATION"_s, u"USER"_s, u"a\u00e9\U0001F600"_s, path),
                     CodePage::fromAnsi(CodePage::toAnsi(u"a\u00e9\U0001F600"_s)));
        }
        QVERIFY(!QFileInfo::exists(missing));
    }

    // Whatever lies in the file, reading and writing finish and give the default or a value.
    void unusualFilesReadWithoutHarm()
    {
        QRandomGenerator random(20240611);
        for (int size : {1, 2, 17, 255, 4096, 100000}) {
            QByteArray garbage(size, '\0');
            for (char &c : garbage)
                c = char(random.bounded(256));
            QCOMPARE(ProfileString::readFromBytes(garbage, "INFORMATION", "USER", "d"), QByteArray("d"));
            const QByteArray written = ProfileString::writeToBytes(garbage, "INFORMATION", "USER", "v");
            QCOMPARE(ProfileString::readFromBytes(written, "INFORMATION", "USER", "d"), QByteArray("v"));
            QVERIFY(written.startsWith(garbage));
        }
        QCOMPARE(ProfileString::readFromBytes({}, "INFORMATION", "USER", "d"), QByteArray("d"));
        QCOMPARE(ProfileString::readFromBytes("USER=x\r\nPASS=y\r\n", "INFORMATION", "USER", "d"), QByteArray("d"));
        QCOMPARE(ProfileString::readFromBytes("[INFORMATION", "INFORMATION", "USER", "d"), QByteArray("d"));
        QCOMPARE(ProfileString::readFromBytes("[]\r\nUSER=x", "", "USER", "d"), QByteArray("d"));
        // Lines far longer than any buffer: the value comes back whole.
        const QByteArray longValue(1 << 20, 'A');
        QCOMPARE(ProfileString::readFromBytes("[INFORMATION]\r\n" + QByteArray(70000, '#') + "\r\nPASS=" + longValue,
                                              "INFORMATION", "PASS", "d"),
                 longValue);
    }

    void writeEditsInPlace()
    {
        const QByteArray original = "; kept as it is\r\n"
                                    "[OTHER]\r\nUSER=other\r\n\r\n"
                                    "[INFORMATION]\r\n  user = old\r\nASK=0\r\n\r\n"
                                    "[LAST]\r\nx=1\r\n";
        // An existing key keeps its place, spelling and indentation; only its value changes.
        QByteArray file = ProfileString::writeToBytes(original, "INFORMATION", "USER", "new");
        QCOMPARE(file, QByteArray("; kept as it is\r\n"
                                  "[OTHER]\r\nUSER=other\r\n\r\n"
                                  "[INFORMATION]\r\n  user=new\r\nASK=0\r\n\r\n"
                                  "[LAST]\r\nx=1\r\n"));
        // A new key goes after the section's last line, before the blank line.
        file = ProfileString::writeToBytes(file, "information", "PASS", "");
        QCOMPARE(file, QByteArray("; kept as it is\r\n"
                                  "[OTHER]\r\nUSER=other\r\n\r\n"
                                  "[INFORMATION]\r\n  user=new\r\nASK=0\r\nPASS=\r\n\r\n"
                                  "[LAST]\r\nx=1\r\n"));
        // A new section goes at the end after a blank line.
        file = ProfileString::writeToBytes(file, "NEW", "k", "v");
        QVERIFY(file.endsWith("[LAST]\r\nx=1\r\n\r\n[NEW]\r\nk=v\r\n"));

        QCOMPARE(ProfileString::writeToBytes({}, "INFORMATION", "ASK", "0"), QByteArray("[INFORMATION]\r\nASK=0\r\n"));
        QCOMPARE(ProfileString::writeToBytes("x=1", "S", "k", "v"), QByteArray("x=1\r\n\r\n[S]\r\nk=v\r\n"));
        QCOMPARE(ProfileString::writeToBytes("[S]\r\nk=v\r\n\r\n", "T", "a", "b"),
                 QByteArray("[S]\r\nk=v\r\n\r\n[T]\r\na=b\r\n"));
        QCOMPARE(ProfileString::writeToBytes("[S]", "S", "k", "v"), QByteArray("[S]\r\nk=v\r\n"));
        // A file with LF endings keeps them on the edited line.
        QCOMPARE(ProfileString::writeToBytes("[S]\nk=1\nj=2\n", "S", "K", "3"), QByteArray("[S]\nk=3\nj=2\n"));
    }

    void writtenValuesReadBack()
    {
        QByteArray file;
        const QByteArray longHex(512, 'F');
        file = ProfileString::writeToBytes(file, "INFORMATION", "PASS", longHex);
        file = ProfileString::writeToBytes(file, "INFORMATION", "USER", "a\r\nPASS=forged");
        QCOMPARE(ProfileString::readFromBytes(file, "INFORMATION", "PASS", "d"), longHex);
        // A line break in a value cannot forge a second line.
        QCOMPARE(ProfileString::readFromBytes(file, "INFORMATION", "USER", "d"), QByteArray("aPASS=forged"));
        QCOMPARE(file.count("\r\n"), 3);
    }

    void fileBytesOnDisk()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"login.ini"_s);
        QCOMPARE(ProfileString::read(u"INFORMATION"_s, u"保存账号"_s, u"无"_s, path), u"无"_s);
        QVERIFY(ProfileString::write(u"INFORMATION"_s, u"保存账号"_s, u"是"_s, path));
        QVERIFY(ProfileString::write(u"INFORMATION"_s, u"USER"_s, u"张三"_s, path));
        QVERIFY(ProfileString::write(u"INFORMATION"_s, u"自动登录"_s, u"否"_s, path));
        QCOMPARE(fileBytes(path), QByteArray("[INFORMATION]\r\n" + kSaveAccountGbk + "=" + kYesGbk + "\r\nUSER=" +
                                             CodePage::toAnsi(u"张三"_s) + "\r\n" + kAutoLoginGbk + "=\xb7\xf1\r\n"));
        QCOMPARE(ProfileString::read(u"information"_s, u"user"_s, QString(), path), u"张三"_s);
        QCOMPARE(ProfileString::read(u"INFORMATION"_s, u"自动登录"_s, QString(), path), u"否"_s);
        QCOMPARE(ProfileString::read(u"INFORMATION"_s, u"ANS"_s, QString(), path), QString());
        QCOMPARE(ProfileString::read(u"INFORMATION"_s, u"USER"_s, u"d"_s, dir.path()), u"d"_s);
        QVERIFY(!ProfileString::write(u"INFORMATION"_s, u"USER"_s, u"x"_s, dir.path()));
    }

    void filesAreOwnerOnly()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"login.ini"_s);
        const auto ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
        const auto mask = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                          QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup |
                          QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
        QVERIFY(ProfileString::write(u"INFORMATION"_s, u"PASS"_s, u"ABCD"_s, path));
        QCOMPARE(QFileInfo(path).permissions() & mask, ownerOnly);
        QVERIFY(ProfileString::write(u"INFORMATION"_s, u"PASS"_s, u"EF"_s, path));
        QCOMPARE(QFileInfo(path).permissions() & mask, ownerOnly);
        // A file left readable by others by an earlier copy is closed up on the next write.
        QVERIFY(QFile::setPermissions(path, ownerOnly | QFileDevice::ReadGroup | QFileDevice::ReadOther));
        QVERIFY(ProfileString::write(u"INFORMATION"_s, u"ASK"_s, u"0"_s, path));
        QCOMPARE(QFileInfo(path).permissions() & mask, ownerOnly);
        QCOMPARE(ProfileString::read(u"INFORMATION"_s, u"PASS"_s, QString(), path), u"EF"_s);
    }

    void failedWriteKeepsOldFile()
    {
        QTemporaryDir dir;
        const QByteArray old = "[INFORMATION]\r\nUSER=kept\r\n";

        // The temporary name (the file's name plus a suffix) is too long for the file system, so
        // the replacement cannot be created: this fails for root too.
        const QString longPath = dir.filePath(QString(250, u'L'));
        putFile(longPath, old);
        QVERIFY(!ProfileString::write(u"INFORMATION"_s, u"USER"_s, u"lost"_s, longPath));
        QCOMPARE(fileBytes(longPath), old);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);

        if (geteuid() == 0)
            QSKIP("a read-only folder does not stop root");
        const QString folder = dir.filePath(u"readonly"_s);
        QVERIFY(QDir().mkpath(folder));
        const QString path = folder + u"/login.ini"_s;
        putFile(path, old);
        QVERIFY(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        const bool written = ProfileString::write(u"INFORMATION"_s, u"USER"_s, u"lost"_s, path);
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QVERIFY(!written);
        QCOMPARE(fileBytes(path), old);
    }
};

QTEST_GUILESS_MAIN(TestProfileString)
#include "test_profile_string.moc"
