// The save step killed at any moment: a child process (this program again, started with
// --save-loop PATH) saves two different accounts in turn without pause and is killed with SIGKILL
// at random moments. After every kill login.ini must be one whole save, byte for byte, never the
// account of one save beside the password, question or choices of the other.
#include "rules/SavedAccount.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <sys/stat.h>

#include <cstdio>
#include <cstring>

using namespace Qt::StringLiterals;

namespace {

constexpr char kSaveLoopArgument[] = "--save-loop";

// Two saves that differ in every key.
SavedAccount firstSave()
{
    return SavedAccount::fromSignIn(true, u"dave"_s, u"dave000"_s, true, u"3"_s, u"上海"_s, true);
}
SavedAccount secondSave()
{
    return SavedAccount::fromSignIn(false, u"小明"_s, u"xm&=+%密码"_s, false, u"0"_s, {}, false);
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The child: both saves in turn, forever; "ready" once the first round is on disk.
int saveLoop(const char *path)
{
    const QString file = QFile::decodeName(path);
    const SavedAccount saves[] = {firstSave(), secondSave()};
    for (const SavedAccount &save : saves)
        if (!save.save(file))
            return 2;
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    for (unsigned i = 0;; ++i)
        (void)saves[i % 2].save(file);
}

} // namespace

class TestSaveKilled : public QObject
{
    Q_OBJECT
private slots:
    void killedSaveLeavesOneWholeSave();
};

void TestSaveKilled::killedSaveLeavesOneWholeSave()
{
    QTemporaryDir dir;
    // The two files a finished save leaves, written here without interruption.
    const QString firstPath = dir.filePath(u"first.ini"_s);
    const QString secondPath = dir.filePath(u"second.ini"_s);
    QVERIFY(firstSave().save(firstPath));
    QVERIFY(secondSave().save(secondPath));
    const QByteArray firstBytes = fileBytes(firstPath);
    const QByteArray secondBytes = fileBytes(secondPath);
    QVERIFY(firstBytes != secondBytes);
    // The second save over the first gives the same bytes as the second save alone.
    QVERIFY(secondSave().save(firstPath));
    QCOMPARE(fileBytes(firstPath), secondBytes);

    const QString dataDir = dir.filePath(u"data"_s);
    QVERIFY(QDir().mkpath(dataDir));
    const QString path = dataDir + u"/login.ini"_s;
    const int kills = qEnvironmentVariableIntValue("QUORVEL_SAVE_KILLS") > 0 ? qEnvironmentVariableIntValue("QUORVEL_SAVE_KILLS") : 60;
    int sawFirst = 0;
    int sawSecond = 0;
    for (int round = 0; round < kills; ++round) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(kSaveLoopArgument), path});
        QVERIFY2(child.waitForStarted(10000), qPrintable(child.errorString()));
        while (!child.canReadLine() && child.state() == QProcess::Running)
            child.waitForReadyRead(10000);
        QCOMPARE(child.readLine(), QByteArray("ready\n"));
        // Somewhere inside a save or between two (one save takes tens of microseconds).
        QThread::usleep(QRandomGenerator::global()->bounded(200u, 20000u));
        child.kill(); // SIGKILL: no handler, no flush, no clean-up
        QVERIFY(child.waitForFinished(10000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);

        const QByteArray bytes = fileBytes(path);
        const SavedAccount saved = SavedAccount::load(path);
        if (bytes == firstBytes) {
            ++sawFirst;
            QCOMPARE(saved.user, u"dave"_s);
            QCOMPARE(SavedAccount::decipher(saved.ans), std::optional<QString>(u"上海"_s));
        } else if (bytes == secondBytes) {
            ++sawSecond;
            QVERIFY(saved.user.isEmpty() && saved.pass.isEmpty() && saved.ans.isEmpty());
        } else {
            QFAIL(qPrintable(u"kill %1 left a mixed or broken login.ini: user=%2 pass=%3 ask=%4 ans=%5 auto=%6"_s.arg(round)
                                 .arg(saved.user, saved.pass, saved.ask, saved.ans, saved.autoLogin)));
        }
    }
    // Kills landed after either save, so the moments really varied.
    QVERIFY2(sawFirst > 0 && sawSecond > 0, qPrintable(u"first %1, second %2"_s.arg(sawFirst).arg(sawSecond)));

    // A kill between writing the temporary file and renaming it may leave that file behind; it
    // holds the enciphered password too, so it must be as private as login.ini itself.
    const QFileInfoList left = QDir(dataDir).entryInfoList(QDir::Files | QDir::Hidden);
    for (const QFileInfo &file : left) {
        struct stat info = {};
        QCOMPARE(::stat(QFile::encodeName(file.filePath()).constData(), &info), 0);
        QVERIFY2((info.st_mode & 0777) == 0600, qPrintable(file.fileName()));
    }
    std::printf("kills=%d first=%d second=%d files-left=%lld\n", kills, sawFirst, sawSecond,
                static_cast<long long>(left.size()));
}

int main(int argc, char *argv[])
{
    if (argc == 3 && std::strcmp(argv[1], kSaveLoopArgument) == 0)
        return saveLoop(argv[2]);
    QCoreApplication app(argc, argv);
    TestSaveKilled test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_save_killed.moc"
