// The saved account in login.ini as plain functions: reading and writing the six keys, the choice
// keys read by containment, the enciphered password and answer, and files of the Windows client.
#include "IniFiles.h"
#include "rules/SavedAccount.h"
#include "SeamRecorder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

// dave / dave000, question 3 answered 上海, both choices on.
const QString kDaveFile = u"login-windows.ini"_s;
// 小明 with a 40-byte password (two cipher groups), no question, automatic sign-in off.
const QString kXiaomingFile = u"login-windows-long.ini"_s;
const QString kXiaomingPassword = u"xm&=+%密码0123456789abcdefghijklmnopqrst"_s;

QByteArray gbkLines(const QList<QByteArray> &lines)
{
    QByteArray out;
    for (const QByteArray &line : lines)
        out += line + "\r\n";
    return out;
}

const QByteArray kSaveKey = QByteArray::fromHex("b1a3b4e6d5cbbac5"); // 保存账号
const QByteArray kAutoKey = QByteArray::fromHex("d7d4b6afb5c7c2bc"); // 自动登录
const QByteArray kYes = QByteArray::fromHex("cac7");                 // 是
const QByteArray kNo = QByteArray::fromHex("b7f1");                  // 否

} // namespace

class TestSavedAccount : public QObject
{
    Q_OBJECT
private slots:
    void choiceIsOnWhenItContainsYes_data();
    void choiceIsOnWhenItContainsYes();
    void questionRestoredOnlyWithNumberAndAnswer_data();
    void questionRestoredOnlyWithNumberAndAnswer();

    void readsWindowsFiles();
    void writesWindowsLayout();
    void missingFileReadsEmpty();
    void blankedAccountKeepsAutomaticChoice();
    void untickingRecordsOnlyTheAutomaticChoice();
    void fileIsPrivateAndReplacedWhole();
    void failedWriteLeavesOthersRunning();

    void passwordsRoundTripThroughTheFile_data();
    void passwordsRoundTripThroughTheFile();
    void malformedStoredValues_data();
    void malformedStoredValues();
};

void TestSavedAccount::choiceIsOnWhenItContainsYes_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("on");
    QTest::newRow("是") << u"是"_s << true;
    QTest::newRow("否 then 是") << u"否是"_s << true;
    QTest::newRow("是 inside text") << u" 就是 "_s << true;
    QTest::newRow("否") << u"否"_s << false;
    QTest::newRow("Yes") << u"Yes"_s << false;
    QTest::newRow("1") << u"1"_s << false;
    QTest::newRow("empty") << QString() << false;
}

void TestSavedAccount::choiceIsOnWhenItContainsYes()
{
    QFETCH(QString, value);
    QFETCH(bool, on);
    QCOMPARE(SavedAccount::isOn(value), on);
    SavedAccount account;
    account.saveChoice = value;
    account.autoLogin = value;
    QCOMPARE(account.keepsAccount(), on);
    QCOMPARE(account.signsInAutomatically(), on);
}

void TestSavedAccount::questionRestoredOnlyWithNumberAndAnswer_data()
{
    QTest::addColumn<QString>("ask");
    QTest::addColumn<QString>("ans");
    QTest::addColumn<bool>("restored");
    QTest::addColumn<int>("position"); // -1: the list is left alone
    QTest::newRow("3 with answer") << u"3"_s << u"AB"_s << true << 3;
    QTest::newRow("7 with answer") << u"7"_s << u"AB"_s << true << 7;
    QTest::newRow("0 with answer") << u"0"_s << u"AB"_s << false << -1;
    QTest::newRow("3 without answer") << u"3"_s << QString() << false << -1;
    QTest::newRow("missing number") << QString() << u"AB"_s << false << -1;
    QTest::newRow("8: outside the list") << u"8"_s << u"AB"_s << true << -1;
    QTest::newRow("-1: outside the list") << u"-1"_s << u"AB"_s << true << -1;
    QTest::newRow("text") << u"abc"_s << u"AB"_s << false << -1;
}

void TestSavedAccount::questionRestoredOnlyWithNumberAndAnswer()
{
    QFETCH(QString, ask);
    QFETCH(QString, ans);
    QFETCH(bool, restored);
    QFETCH(int, position);
    SavedAccount account;
    account.ask = ask;
    account.ans = ans;
    QCOMPARE(account.restoresQuestion(), restored);
    QCOMPARE(account.questionPosition().value_or(-1), position);
}

void TestSavedAccount::readsWindowsFiles()
{
    SeamRecorder seams;
    const SavedAccount dave = SavedAccount::load(windowsFile(kDaveFile));
    QVERIFY(dave.keepsAccount());
    QVERIFY(dave.signsInAutomatically());
    QCOMPARE(dave.user, u"dave"_s);
    QCOMPARE(dave.pass.size(), 32);
    QCOMPARE(SavedAccount::decipher(dave.pass), u"dave000"_s);
    QCOMPARE(dave.questionPosition(), 3);
    QCOMPARE(SavedAccount::decipher(dave.ans), u"上海"_s);

    const SavedAccount xiaoming = SavedAccount::load(windowsFile(kXiaomingFile));
    QVERIFY(xiaoming.keepsAccount());
    QVERIFY(!xiaoming.signsInAutomatically());
    QCOMPARE(xiaoming.user, u"小明"_s);
    QCOMPARE(xiaoming.pass.size(), 64 + 2 + 32); // 48 cipher bytes in groups of 32
    QCOMPARE(SavedAccount::decipher(xiaoming.pass), kXiaomingPassword);
    QVERIFY(!xiaoming.restoresQuestion());
    QVERIFY(seams.messages.isEmpty());
}

void TestSavedAccount::writesWindowsLayout()
{
    // A new file written by the save step is byte for byte the file the Windows client writes.
    QTemporaryDir dir;
    const QString dave = dir.filePath(u"dave.ini"_s);
    QVERIFY(SavedAccount::fromSignIn(true, u"dave"_s, u"dave000"_s, true, u"3"_s, u"上海"_s, true).save(dave));
    QCOMPARE(fileBytes(dave), fileBytes(windowsFile(kDaveFile)));

    const QString xiaoming = dir.filePath(u"xiaoming.ini"_s);
    QVERIFY(SavedAccount::fromSignIn(true, u"小明"_s, kXiaomingPassword, false, u"5"_s, u"ignored"_s, false)
                .save(xiaoming));
    QCOMPARE(fileBytes(xiaoming), fileBytes(windowsFile(kXiaomingFile)));

    // Saving over a Windows file replaces the values in place, keys keep their order.
    QVERIFY(QFile::copy(windowsFile(kDaveFile), dir.filePath(u"over.ini"_s)));
    QVERIFY(SavedAccount::fromSignIn(true, u"小明"_s, kXiaomingPassword, false, u"0"_s, {}, false)
                .save(dir.filePath(u"over.ini"_s)));
    QCOMPARE(fileBytes(dir.filePath(u"over.ini"_s)), fileBytes(windowsFile(kXiaomingFile)));
}

void TestSavedAccount::missingFileReadsEmpty()
{
    QTemporaryDir dir;
    const SavedAccount none = SavedAccount::load(dir.filePath(u"login.ini"_s));
    QVERIFY(!none.keepsAccount());
    QVERIFY(!none.signsInAutomatically());
    QVERIFY(none.user.isEmpty() && none.pass.isEmpty() && none.ask.isEmpty() && none.ans.isEmpty());
    QVERIFY(!QFileInfo::exists(dir.filePath(u"login.ini"_s)));
}

void TestSavedAccount::blankedAccountKeepsAutomaticChoice()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"login.ini"_s);
    QVERIFY(QFile::copy(windowsFile(kDaveFile), path));
    QVERIFY(SavedAccount::fromSignIn(false, u"dave"_s, u"dave000"_s, true, u"3"_s, u"上海"_s, true).save(path));
    const QByteArray blanked = gbkLines({"[INFORMATION]", kSaveKey + "=" + kNo, "USER=", "PASS=", "ASK=0", "ANS=",
                                         kAutoKey + "=" + kYes});
    QCOMPARE(fileBytes(path), blanked);
    // A UTF-8 forum took texts GBK cannot write: they would come back as "?", a wrong password.
    QVERIFY(SavedAccount::fromSignIn(true, u"猫\U0001F431"_s, u"pw"_s, false, u"0"_s, {}, true).save(path));
    QCOMPARE(fileBytes(path), blanked);
    QVERIFY(SavedAccount::fromSignIn(true, u"dave"_s, u"pw\U00020000"_s, false, u"0"_s, {}, true).save(path));
    QCOMPARE(fileBytes(path), blanked);
    QVERIFY(SavedAccount::fromSignIn(true, u"dave"_s, u"dave000"_s, true, u"3"_s, u"\U0001F431"_s, true).save(path));
    QCOMPARE(fileBytes(path), blanked);
}

void TestSavedAccount::untickingRecordsOnlyTheAutomaticChoice()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"login.ini"_s);
    QVERIFY(QFile::copy(windowsFile(kDaveFile), path));
    QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    QVERIFY(SavedAccount::saveAutoLoginOff(path));
    QByteArray expected = fileBytes(windowsFile(kDaveFile));
    expected.replace(QByteArray(kAutoKey + "=" + kYes), QByteArray(kAutoKey + "=" + kNo));
    QCOMPARE(fileBytes(path), expected);

    // Without a file the one key makes a file of its own.
    const QString fresh = dir.filePath(u"fresh.ini"_s);
    QVERIFY(SavedAccount::saveAutoLoginOff(fresh));
    QCOMPARE(fileBytes(fresh), gbkLines({"[INFORMATION]", kAutoKey + "=" + kNo}));
}

void TestSavedAccount::fileIsPrivateAndReplacedWhole()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"login.ini"_s);
    // A file left readable by everybody is narrowed to its owner by the next save.
    QVERIFY(QFile::copy(windowsFile(kDaveFile), path));
    QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther |
                                            QFileDevice::ReadGroup));
    QVERIFY(SavedAccount::fromSignIn(true, u"alice"_s, u"alice123"_s, false, u"0"_s, {}, false).save(path));
    struct stat info = {};
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &info), 0);
    QCOMPARE(info.st_mode & 0777, 0600u);
    // Every write replaces the file: nothing half-written or temporary is left beside it.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"login.ini"_s});
    QCOMPARE(SavedAccount::load(path).user, u"alice"_s);
}

void TestSavedAccount::failedWriteLeavesOthersRunning()
{
    // login.ini being a folder makes every write fail, also for root; nothing throws.
    QTemporaryDir dir;
    const QString path = dir.filePath(u"login.ini"_s);
    QVERIFY(QDir(dir.path()).mkdir(u"login.ini"_s));
    QVERIFY(!SavedAccount::fromSignIn(true, u"alice"_s, u"alice123"_s, false, u"0"_s, {}, true).save(path));
    QVERIFY(!SavedAccount::saveAutoLoginOff(path));
    QVERIFY(QFileInfo(path).isDir());
    QVERIFY(!SavedAccount::load(path).keepsAccount());
}

void TestSavedAccount::passwordsRoundTripThroughTheFile_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("storedLength");
    // 32 hex digits per 16-byte block, two spaces after every 64 digits when more follow.
    QTest::newRow("1 byte") << u"x"_s << 32;
    QTest::newRow("16 bytes") << u"0123456789abcdef"_s << 32;
    QTest::newRow("17 bytes") << u"0123456789abcdefg"_s << 64;
    QTest::newRow("32 bytes") << u"0123456789abcdef0123456789ABCDEF"_s << 64;
    QTest::newRow("33 bytes") << u"0123456789abcdef0123456789ABCDEF!"_s << 98;
    QTest::newRow("200 bytes") << QString(200, u'p') << 13 * 32 + 6 * 2;
    QTest::newRow("Chinese, 8 bytes") << u"密码上海"_s << 32;
    QTest::newRow("Chinese, 16 bytes ending a block") << u"一二三四五六七八"_s << 32;
    QTest::newRow("signs and blanks") << u" a=b;c\"d' #[x] "_s << 32;
    QTest::newRow("小明") << u"xm&=+%密码"_s << 32;
}

void TestSavedAccount::passwordsRoundTripThroughTheFile()
{
    QFETCH(QString, password);
    QFETCH(int, storedLength);
    SeamRecorder seams;
    QTemporaryDir dir;
    const QString path = dir.filePath(u"login.ini"_s);
    QVERIFY(SavedAccount::fromSignIn(true, u"小明"_s, password, true, u"3"_s, password, true).save(path));
    const SavedAccount back = SavedAccount::load(path);
    QCOMPARE(back.pass.size(), storedLength);
    QVERIFY(back.pass == back.pass.toUpper());
    QCOMPARE(SavedAccount::decipher(back.pass), password);
    QCOMPARE(SavedAccount::decipher(back.ans), password);
    QVERIFY(seams.messages.isEmpty());
}

void TestSavedAccount::malformedStoredValues_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("boxChanges"); // false: the step fails, the box keeps its text
    QTest::addColumn<QString>("message");
    QTest::newRow("empty") << QString() << false << QString();
    QTest::newRow("one character") << u"A"_s << false << QString();
    QTest::newRow("no hex") << u"zz"_s << true << u"错误：非十六进制数据！"_s;
    QTest::newRow("5 bytes") << u"0123456789"_s << true << u"ciphertext size not a multiple of block size"_s;
}

void TestSavedAccount::malformedStoredValues()
{
    QFETCH(QString, stored);
    QFETCH(bool, boxChanges);
    QFETCH(QString, message);
    SeamRecorder seams;
    const std::optional<QString> plain = SavedAccount::decipher(stored);
    QCOMPARE(plain.has_value(), boxChanges);
    if (plain)
        QCOMPARE(*plain, QString());
    QCOMPARE(seams.lastMessage(), message);
    if (!message.isEmpty())
        QCOMPARE(seams.messages.first().title, u"Quorvel软件"_s);
}

QTEST_GUILESS_MAIN(TestSavedAccount)
#include "test_savedaccount.moc"
