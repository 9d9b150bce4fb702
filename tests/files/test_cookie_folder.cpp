// Cookies whose domain or name holds "/", "..", NUL or control characters, arriving from the site
// or put into the store directly, stored, read back after a restart, deleted by the forum's
// sign-out answer and by the session reset: the cookie store never reads, writes, creates or
// deletes anything outside its cookies folder, and never makes a folder inside it.
#include "base/Settings.h"
#include "net/CookieStore.h"
#include "session/SiteSession.h"
#include "TestSession.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QNetworkCookie>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace {

const QUrl kForumUrl(u"http://127.0.0.1:1001/member.php?mod=logging&action=login"_s);
const QByteArray kFarFuture = "; expires=Fri, 01-Jan-2100 00:00:00 GMT; path=/";

// Every file and folder under root with its content (folders and links marked), outside the
// cookies folder.
QMap<QString, QByteArray> snapshotOutside(const QString &root, const QString &cookiesFolder)
{
    QMap<QString, QByteArray> tree;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (path == cookiesFolder || path.startsWith(cookiesFolder + u'/'))
            continue;
        const QFileInfo info(path);
        QByteArray content = "<dir>";
        if (info.isSymLink()) {
            content = "<link " + QFile::encodeName(info.symLinkTarget()) + '>';
        } else if (info.isFile()) {
            QFile file(path);
            content = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
        }
        tree.insert(QDir(root).relativeFilePath(path), content);
    }
    return tree;
}

QNetworkCookie persistent(const QByteArray &name, const QString &domain)
{
    QNetworkCookie cookie(name, "v");
    cookie.setDomain(domain);
    cookie.setPath(u"/"_s);
    cookie.setExpirationDate(QDateTime::currentDateTimeUtc().addDays(30));
    return cookie;
}

QList<QString> hostileDomains()
{
    return {u"/"_s,
            u"/etc"_s,
            u".."_s,
            u"../.."_s,
            u"../planted"_s,
            u"a/../../planted"_s,
            u"..\\..\\planted"_s,
            u"127.0.0.1/../../planted"_s,
            u"planted\0.txt/../x"_s,
            u"\0"_s,
            u"a\tb"_s,
            u"a\u0001b\u001fc\u007f"_s,
            u"line\nbreak"_s,
            u"cr\rx"_s,
            u"C:\\planted"_s,
            u"~"_s,
            u".hidden"_s,
            u"\u202e..txt"_s};
}

QList<QByteArray> hostileNames()
{
    return {"/", "..", "../../planted", "a/b", QByteArray("nul\0name", 8), "ctl\x01\x1f\x7f", "tab\tname",
            "..\\..\\planted"};
}

} // namespace

class TestCookieFolder : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanupTestCase() { testSession().settings().restoreDefaults(); }
    void hostileCookiesNeverLeaveTheFolder();
};

void TestCookieFolder::init()
{
    Settings &settings = testSession().settings();
    settings.restoreDefaults();
    settings.setHost(HostRole::Forum, u"127.0.0.1:1001"_s);
    settings.setProbeUrl(u"http://127.0.0.1:1009/"_s);
}

void TestCookieFolder::hostileCookiesNeverLeaveTheFolder()
{
    QTemporaryDir root;
    const QString folder = QDir::cleanPath(root.filePath(u"data/Cookies"_s));
    QVERIFY(QDir().mkpath(folder));
    // Files a hostile name could aim at: beside the folder, above it, and a cookie file that a
    // path step out of the folder would read.
    const auto plant = [&](const QString &relative, const QByteArray &content) {
        QFile file(root.filePath(relative));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    };
    plant(u"planted"_s, "sentinel above");
    plant(u"planted.txt"_s, "outside=1" + kFarFuture + "; domain=127.0.0.1\n");
    plant(u"data/planted.txt"_s, "outside=2" + kFarFuture + "; domain=127.0.0.1\n");
    plant(u"data/_.txt"_s, "sentinel beside");
    plant(u"data/etc.txt"_s, "sentinel etc");
    const QMap<QString, QByteArray> before = snapshotOutside(root.path(), folder);

    {
        CookieStore store(testSession().settings());
        store.setFolder(folder);
        QVERIFY(store.allCookies().isEmpty());

        // From the site: Set-Cookie lines with hostile names and domain attributes.
        QList<QNetworkCookie> fromWire;
        for (const QString &domain : hostileDomains())
            fromWire += QNetworkCookie::parseCookies("wire=v" + kFarFuture + "; domain=" + domain.toUtf8());
        for (const QByteArray &name : hostileNames())
            fromWire += QNetworkCookie::parseCookies(name + "=v" + kFarFuture);
        store.setCookiesFromUrl(fromWire, kForumUrl);

        // Directly, as any part of the program could.
        for (const QString &domain : hostileDomains())
            store.insertCookie(persistent("direct", domain));
        for (const QByteArray &name : hostileNames())
            store.insertCookie(persistent(name, u"127.0.0.1"_s));
        QVERIFY(!store.allCookies().isEmpty());
        QCOMPARE(snapshotOutside(root.path(), folder), before);
    }

    // Inside the folder: plain *.txt files only, no subfolder, no link.
    const QFileInfoList inside =
        QDir(folder).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    QVERIFY(!inside.isEmpty());
    for (const QFileInfo &entry : inside) {
        QVERIFY2(entry.isFile() && !entry.isSymLink(), qPrintable(entry.fileName()));
        QVERIFY2(entry.fileName().endsWith(u".txt"_s), qPrintable(entry.fileName()));
        for (const QChar c : entry.fileName())
            QVERIFY2(c.unicode() > 0x20 && c.unicode() < 0x7f && c != u'/' && c != u'\\', qPrintable(entry.fileName()));
        QVERIFY2(!entry.fileName().contains(u".."_s), qPrintable(entry.fileName()));
    }

    // A restart reads the folder back, and only the folder.
    CookieStore restarted(testSession().settings());
    restarted.setFolder(folder);
    for (const QNetworkCookie &cookie : restarted.allCookies())
        QVERIFY2(!cookie.name().startsWith("outside"), cookie.name().constData());

    // The forum's sign-out answer for every one of them, then the session reset.
    for (const QString &domain : hostileDomains()) {
        QNetworkCookie gone = persistent("direct", domain);
        gone.setExpirationDate(QDateTime::fromSecsSinceEpoch(1, Qt::UTC));
        restarted.insertCookie(gone);
        restarted.deleteCookie(persistent("direct", domain));
    }
    for (const QByteArray &name : hostileNames())
        restarted.deleteCookie(persistent(name, u"127.0.0.1"_s));
    QCOMPARE(snapshotOutside(root.path(), folder), before);
    restarted.endSession();
    SiteSession::deleteCookieFiles(folder);
    QVERIFY(QDir(folder).entryList({u"*.txt"_s}, QDir::Files | QDir::Hidden).isEmpty());
    QCOMPARE(snapshotOutside(root.path(), folder), before);
}

QTEST_GUILESS_MAIN(TestCookieFolder)
#include "test_cookie_folder.moc"
