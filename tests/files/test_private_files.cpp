// login.ini and the cookie files hold an enciphered password and a live forum session: they are
// created readable and writable by their owner only, whatever umask the program was started with,
// and a file found open to others is narrowed when it is written again.
#include "base/Settings.h"
#include "net/CookieStore.h"
#include "rules/SavedAccount.h"
#include "session/QuorvelModule.h"
#include "TempDataDir.h"
#include "TestSession.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QNetworkCookie>
#include <QTest>
#include <QUrl>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

// Permission bits of a path; -1 when it does not exist.
int modeOf(const QString &path)
{
    struct stat info = {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return -1;
    return int(info.st_mode & 07777);
}

QString octal(int mode)
{
    return u"0"_s + QString::number(mode, 8);
}

QNetworkCookie persistentCookie(const QByteArray &name)
{
    QNetworkCookie cookie(name, "v");
    cookie.setDomain(u"127.0.0.1"_s);
    cookie.setPath(u"/"_s);
    cookie.setExpirationDate(QDateTime::currentDateTimeUtc().addDays(30));
    return cookie;
}

// Sets the process umask for one test and puts the old one back.
class Umask
{
public:
    explicit Umask(mode_t mask) : m_old(::umask(mask)) {}
    ~Umask() { ::umask(m_old); }
    Umask(const Umask &) = delete;
    Umask &operator=(const Umask &) = delete;

private:
    mode_t m_old;
};

} // namespace

class TestPrivateFiles : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void filesAreTheOwnersOnly_data();
    void filesAreTheOwnersOnly();
    void filesOpenToOthersAreNarrowed();
};

void TestPrivateFiles::init()
{
    Settings &settings = testSession().settings();
    settings.restoreDefaults();
    settings.setHost(HostRole::Forum, u"127.0.0.1:1001"_s);
    settings.setProbeUrl(u"http://127.0.0.1:1009/"_s);
}

void TestPrivateFiles::filesAreTheOwnersOnly_data()
{
    QTest::addColumn<int>("mask");
    QTest::newRow("umask 022") << 022;
    QTest::newRow("umask 002") << 002;
    QTest::newRow("umask 000") << 0;
}

void TestPrivateFiles::filesAreTheOwnersOnly()
{
    QFETCH(int, mask);
    TempDataDir dir;
    const Umask umask(mode_t(mask & 0777));

    // The save step, and the one write made when automatic sign-in is unticked, on a new file.
    const QString ini = SavedAccount::filePath(testSession().settings().dataDir());
    QVERIFY(SavedAccount::fromSignIn(true, u"alice"_s, u"alice123"_s, false, u"0"_s, {}, true).save(ini));
    QCOMPARE(octal(modeOf(ini)), octal(0600));
    QVERIFY(QFile::remove(ini));
    QVERIFY(SavedAccount::saveAutoLoginOff(ini));
    QCOMPARE(octal(modeOf(ini)), octal(0600));

    // The cookies folder as the program names it, and the files the store writes into it, from
    // the wire and directly.
    const QString folder = QuorvelModule::SpecialFolderPath(testSession().settings(), QuorvelModule::kCookiesFolder);
    QVERIFY(!folder.isEmpty());
    QCOMPARE(octal(modeOf(folder)), octal(0700));
    CookieStore store(testSession().settings());
    store.setFolder(folder);
    const QList<QNetworkCookie> fromForum =
        QNetworkCookie::parseCookies("qvbbs_2132_saltkey=s; expires=Fri, 01-Jan-2100 00:00:00 GMT; path=/; httponly");
    QVERIFY(store.setCookiesFromUrl(fromForum, QUrl(u"http://127.0.0.1:1001/member.php"_s)));
    QVERIFY(store.insertCookie(persistentCookie("direct")));
    const QStringList files = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    QCOMPARE(files, QStringList{u"127.0.0.1.txt"_s});
    QCOMPARE(octal(modeOf(folder + u"/127.0.0.1.txt"_s)), octal(0600));

    // A cookies folder the store has to make itself.
    const QString ownFolder = dir.file(u"elsewhere/Cookies"_s);
    CookieStore second(testSession().settings());
    second.setFolder(ownFolder);
    QVERIFY(second.insertCookie(persistentCookie("own")));
    QCOMPARE(octal(modeOf(ownFolder)), octal(0700));
    QCOMPARE(octal(modeOf(ownFolder + u"/127.0.0.1.txt"_s)), octal(0600));
}

void TestPrivateFiles::filesOpenToOthersAreNarrowed()
{
    TempDataDir dir;
    const Umask umask(0);
    const QString ini = SavedAccount::filePath(testSession().settings().dataDir());
    const QString folder = QuorvelModule::SpecialFolderPath(testSession().settings(), QuorvelModule::kCookiesFolder);
    const QString cookieFile = folder + u"/127.0.0.1.txt"_s;
    {
        QFile file(ini);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[INFORMATION]\r\nUSER=old\r\n");
    }
    {
        QFile file(cookieFile);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("old=1; expires=Fri, 01-Jan-2100 00:00:00 GMT; domain=127.0.0.1; path=/\n");
    }
    const auto everybody = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                           QFileDevice::WriteGroup | QFileDevice::ReadOther | QFileDevice::WriteOther;
    QVERIFY(QFile::setPermissions(ini, everybody));
    QVERIFY(QFile::setPermissions(cookieFile, everybody));
    QCOMPARE(octal(modeOf(ini)), octal(0666));

    QVERIFY(SavedAccount::saveAutoLoginOff(ini));
    QCOMPARE(octal(modeOf(ini)), octal(0600));
    QCOMPARE(SavedAccount::load(ini).user, u"old"_s);

    CookieStore store(testSession().settings());
    store.setFolder(folder);
    QCOMPARE(store.allCookies().size(), 1);
    QVERIFY(store.insertCookie(persistentCookie("new")));
    QCOMPARE(octal(modeOf(cookieFile)), octal(0600));
}

QTEST_GUILESS_MAIN(TestPrivateFiles)
#include "test_private_files.moc"
