// The program's own files against an unlucky data folder: a full file system (a real small tmpfs
// where it can be mounted, and a write seam that fails the same way everywhere, which the cipher
// library's files meet too), a linked cookies
// folder and a linked login.ini, and a login.ini that is huge, endless (/dev/zero) or a FIFO.
#include "base/ProfileString.h"
#include "base/SafeFile.h"
#include "base/Settings.h"
#include "crypto/CBase64EnDeCode.h"
#include "net/CookieStore.h"
#include "session/SiteSession.h"
#include "TestSession.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QNetworkCookie>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <fcntl.h>
#include <cstring>
#include <future>
#include <pwd.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

int modeOf(const QString &path)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

QNetworkCookie persistent(const QByteArray &name, const QByteArray &value)
{
    QNetworkCookie cookie(name, value);
    cookie.setDomain(u"127.0.0.1"_s);
    cookie.setPath(u"/"_s);
    cookie.setExpirationDate(QDateTime::currentDateTimeUtc().addDays(30));
    return cookie;
}

// Fills the file system holding dir until a write fails; the filler stays.
void fill(const QString &dir)
{
    QFile filler(dir + u"/filler"_s);
    if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return;
    const QByteArray block(512, 'f');
    while (filler.write(block) == block.size()) {
    }
}

// The write seam: a disk with g_room bytes left, then ENOSPC.
size_t g_room = 0;
ssize_t writeUntilFull(int fd, const void *data, size_t size)
{
    if (g_room == 0) {
        errno = ENOSPC;
        return -1;
    }
    const size_t part = std::min(size, g_room);
    g_room -= part;
    return ::write(fd, data, part);
}

QStringList namesIn(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
}

const QString kSection = u"Login"_s;

} // namespace

class TestFileSafety : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        SafeFile::setWriteFunction(nullptr);
        testSession().settings().restoreDefaults();
    }

    // A real full file system: the save fails and login.ini and the cookie file stay byte for byte.
    void fullDiskKeepsTheOldFiles()
    {
        QTemporaryDir dir;
        const QString mountPoint = dir.filePath(u"small"_s);
        QVERIFY(QDir().mkpath(mountPoint));
        if (::geteuid() != 0 || QProcess::execute(u"mount"_s, {u"-t"_s, u"tmpfs"_s, u"-o"_s, u"size=64k"_s, u"tmpfs"_s, mountPoint}) != 0)
            QSKIP("cannot mount a small tmpfs here (needs root and mount rights); fullDiskSeam covers the same rule");
        struct Unmount {
            QString path;
            ~Unmount() { ::umount2(QFile::encodeName(path).constData(), MNT_DETACH); }
        } unmount{mountPoint};

        const QString ini = mountPoint + u"/login.ini"_s;
        QVERIFY(ProfileString::write(kSection, {{u"user"_s, u"dave"_s}, {u"pass"_s, u"enciphered"_s}}, ini));
        const QByteArray before = fileBytes(ini);
        const QString cookies = mountPoint + u"/Cookies"_s;
        {
            CookieStore store(testSession().settings());
            store.setFolder(cookies);
            QVERIFY(store.insertCookie(persistent("q_salt", "first")));
        }
        const QString cookieFile = cookies + u"/127.0.0.1.txt"_s;
        const QByteArray cookiesBefore = fileBytes(cookieFile);
        QVERIFY(cookiesBefore.contains("q_salt=first"));

        fill(mountPoint);
        QVERIFY(!ProfileString::write(kSection, u"ans"_s, QString(20000, u'x'), ini));
        QCOMPARE(fileBytes(ini), before);
        QCOMPARE(modeOf(ini), 0600);
        {
            CookieStore store(testSession().settings());
            store.setFolder(cookies);
            store.insertCookie(persistent("q_auth", QByteArray(20000, 'a')));
        }
        QCOMPARE(fileBytes(cookieFile), cookiesBefore);
        // No half-written temporary file is left to fill the disk further.
        QCOMPARE(namesIn(mountPoint), (QStringList{u"Cookies"_s, u"filler"_s, u"login.ini"_s}));
        QCOMPARE(namesIn(cookies), QStringList{u"127.0.0.1.txt"_s});
        QCOMPARE(ProfileString::read(kSection, u"user"_s, {}, ini), u"dave"_s);
    }

    // The same rule through the write seam, on any machine.
    void fullDiskSeam()
    {
        QTemporaryDir dir;
        const QString ini = dir.filePath(u"login.ini"_s);
        QVERIFY(ProfileString::write(kSection, {{u"user"_s, u"dave"_s}, {u"pass"_s, u"enciphered"_s}}, ini));
        const QByteArray before = fileBytes(ini);
        CookieStore store(testSession().settings());
        store.setFolder(dir.filePath(u"Cookies"_s));
        QVERIFY(store.insertCookie(persistent("q_salt", "first")));
        const QString cookieFile = dir.filePath(u"Cookies/127.0.0.1.txt"_s);
        const QByteArray cookiesBefore = fileBytes(cookieFile);

        SafeFile::setWriteFunction(writeUntilFull);
        g_room = 10;
        QVERIFY(!ProfileString::write(kSection, u"ans"_s, u"a long answer that does not fit"_s, ini));
        g_room = 10;
        QVERIFY(!SafeFile::replace(ini, "anything longer than ten bytes"));
        g_room = 10;
        store.insertCookie(persistent("q_auth", "second cookie value"));
        // The cipher library replaces its output files the same way.
        const QString coded = dir.filePath(u"coded.txt"_s);
        QVERIFY(writeBytes(coded, "old coded text"));
        g_room = 10;
        CBase64EnDeCode().Base64FileEncode(ini, coded);
        SafeFile::setWriteFunction(nullptr);

        QCOMPARE(fileBytes(ini), before);
        QCOMPARE(fileBytes(cookieFile), cookiesBefore);
        QCOMPARE(fileBytes(coded), QByteArray("old coded text"));
        QCOMPARE(namesIn(dir.path()), (QStringList{u"Cookies"_s, u"coded.txt"_s, u"login.ini"_s}));
        QCOMPARE(namesIn(dir.filePath(u"Cookies"_s)), QStringList{u"127.0.0.1.txt"_s});
        // And once the disk has room, saving works again.
        QVERIFY(ProfileString::write(kSection, u"ans"_s, u"ok"_s, ini));
        QCOMPARE(ProfileString::read(kSection, u"ans"_s, {}, ini), u"ok"_s);
        CBase64EnDeCode().Base64FileEncode(ini, coded);
        QCOMPARE(fileBytes(coded), fileBytes(ini).toBase64());
        QCOMPARE(modeOf(coded), 0600);
    }

    // A linked Cookies folder: the reset deletes nothing behind it, the store reads and writes
    // nothing through it.
    void linkedCookiesFolderRefused()
    {
        QTemporaryDir dir;
        const QString target = dir.filePath(u"member-files"_s);
        QVERIFY(QDir().mkpath(target));
        QVERIFY(writeBytes(target + u"/thesis.txt"_s, "years of work"));
        QVERIFY(writeBytes(target + u"/127.0.0.1.txt"_s, "q_old=1; expires=Fri, 01-Jan-2100 00:00:00 GMT; domain=127.0.0.1; path=/\n"));
        const QString cookies = dir.filePath(u"Cookies"_s);
        QVERIFY(QFile::link(target, cookies));
        QVERIFY(CookieStore::isLinkedFolder(cookies));

        CookieStore store(testSession().settings());
        store.setFolder(cookies);
        QVERIFY(store.allCookies().isEmpty()); // nothing read through the link
        store.insertCookie(persistent("q_new", "v"));
        QCOMPARE(namesIn(target), (QStringList{u"127.0.0.1.txt"_s, u"thesis.txt"_s}));
        QVERIFY(!fileBytes(target + u"/127.0.0.1.txt"_s).contains("q_new"));

        SiteSession::deleteCookieFiles(cookies);
        QCOMPARE(fileBytes(target + u"/thesis.txt"_s), QByteArray("years of work"));
        QVERIFY(QFile::exists(target + u"/127.0.0.1.txt"_s));

        // The real folder still works as before: its *.txt go, a link named *.txt goes itself.
        const QString real = dir.filePath(u"real"_s);
        QVERIFY(QDir().mkpath(real));
        QVERIFY(writeBytes(real + u"/a.txt"_s, "x"));
        QVERIFY(QFile::link(target + u"/thesis.txt"_s, real + u"/b.txt"_s));
        SiteSession::deleteCookieFiles(real);
        QVERIFY(namesIn(real).isEmpty());
        QCOMPARE(fileBytes(target + u"/thesis.txt"_s), QByteArray("years of work"));
    }

    // A linked login.ini reads as missing, and a save replaces the link with a private file of
    // its own: the link's target keeps its bytes and its mode.
    void linkedLoginIniReplaced()
    {
        QTemporaryDir dir;
        const QString target = dir.filePath(u"shared.ini"_s);
        const QByteArray targetBytes = "[Login]\r\nuser=someone else\r\n";
        QVERIFY(writeBytes(target, targetBytes));
        QVERIFY(QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther));
        const QString ini = dir.filePath(u"login.ini"_s);
        QVERIFY(QFile::link(target, ini));

        QCOMPARE(ProfileString::read(kSection, u"user"_s, u"none"_s, ini), u"none"_s);
        QVERIFY(ProfileString::write(kSection, u"user"_s, u"dave"_s, ini));
        QCOMPARE(fileBytes(target), targetBytes);
        QCOMPARE(modeOf(target), 0644);
        QCOMPARE(SafeFile::kindOf(ini), SafeFile::Kind::Regular);
        QCOMPARE(modeOf(ini), 0600);
        QCOMPARE(ProfileString::read(kSection, u"user"_s, {}, ini), u"dave"_s);
    }

    // Without HOME the per-user data folder is found in the account's real home, never under "/".
    void dataFolderWithoutHome()
    {
        const struct passwd *account = ::getpwuid(::getuid());
        if (!account || !account->pw_dir || account->pw_dir[0] != '/' || std::strcmp(account->pw_dir, "/") == 0)
            QSKIP("this account has no home folder of its own in the account database");
        const QString home = QFile::decodeName(account->pw_dir);
        const QByteArray savedHome = qgetenv("HOME");
        const QByteArray savedXdg = qgetenv("XDG_DATA_HOME");
        qunsetenv("HOME");
        qunsetenv("XDG_DATA_HOME");
        QStandardPaths::setTestModeEnabled(true); // ~/.qttest/share/..., nothing of the member's touched
        QTemporaryDir elsewhere;
        testSession().settings().setDataDir({});
        testSession().settings().setResourceDir(elsewhere.path()); // not the executable's folder: the per-user one
        QCOMPARE(Settings::accountHome(), home);
        const QString dataDir = testSession().settings().dataDir();
        QStandardPaths::setTestModeEnabled(false);
        qputenv("HOME", savedHome);
        if (!savedXdg.isEmpty())
            qputenv("XDG_DATA_HOME", savedXdg);
        QVERIFY2(dataDir.startsWith(home + u'/'), qPrintable(dataDir));
        QVERIFY2(!dataDir.startsWith(u"/.local"_s) && !dataDir.startsWith(u"/.qttest"_s), qPrintable(dataDir));
        QDir(dataDir).removeRecursively();
    }

    // Only a regular file up to the bound is read; anything else reads as missing, at once.
    void boundedLoginIniRead()
    {
        QTemporaryDir dir;
        const QString huge = dir.filePath(u"huge.ini"_s);
        {
            QFile file(huge);
            QVERIFY(file.open(QIODevice::WriteOnly));
            const QByteArray blankLines(1024 * 1024, '\n');
            for (int i = 0; i < 50; ++i)
                QVERIFY(file.write(blankLines) == blankLines.size());
            QVERIFY(file.write("[Login]\r\nuser=dave\r\n") > 0);
        }
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < 6; ++i)
            QCOMPARE(ProfileString::read(kSection, u"user"_s, u"default"_s, huge), u"default"_s);
        QVERIFY2(timer.elapsed() < 2000, qPrintable(QString::number(timer.elapsed())));
        QVERIFY(!ProfileString::write(kSection, u"user"_s, u"x"_s, huge)); // not ours: left alone
        QCOMPARE(QFileInfo(huge).size(), qint64(50 * 1024 * 1024 + 20));

        // Exactly at the bound it reads; one byte more and it does not.
        const QString atBound = dir.filePath(u"bound.ini"_s);
        const QByteArray head = "[Login]\r\nuser=dave\r\n";
        QVERIFY(writeBytes(atBound, head + QByteArray(ProfileString::kMaxFileBytes - head.size(), ' ')));
        QCOMPARE(ProfileString::read(kSection, u"user"_s, {}, atBound), u"dave"_s);
        QVERIFY(writeBytes(atBound, head + QByteArray(ProfileString::kMaxFileBytes - head.size() + 1, ' ')));
        QCOMPARE(ProfileString::read(kSection, u"user"_s, u"d"_s, atBound), u"d"_s);

        timer.restart();
        QCOMPARE(ProfileString::read(kSection, u"user"_s, u"z"_s, u"/dev/zero"_s), u"z"_s);
        QVERIFY(timer.elapsed() < 2000);
        QVERIFY(!ProfileString::write(kSection, u"user"_s, u"x"_s, u"/dev/zero"_s));

        // A FIFO: the read must not wait for a writer.
        const QString fifo = dir.filePath(u"login.ini"_s);
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        auto reading = std::async(std::launch::async, [&fifo] { return ProfileString::read(kSection, u"user"_s, u"f"_s, fifo); });
        const bool done = reading.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
        if (!done) {
            // Unblock the stuck reader so the test can end, then fail.
            const int fd = ::open(QFile::encodeName(fifo).constData(), O_WRONLY);
            if (fd >= 0)
                ::close(fd);
        }
        QVERIFY2(done, "reading a FIFO as login.ini blocked");
        QCOMPARE(reading.get(), u"f"_s);
        QVERIFY(!ProfileString::write(kSection, u"user"_s, u"x"_s, fifo));
        QCOMPARE(SafeFile::kindOf(fifo), SafeFile::Kind::Other);
    }
};

QTEST_GUILESS_MAIN(TestFileSafety)
#include "test_file_safety.moc"
