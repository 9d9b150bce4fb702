// Reply decoding, header lines and the cookie store (memory, files, hosts), without the network.
#include "base/CodePage.h"
#include "base/SafeFile.h"
#include "base/Settings.h"
#include "net/CookieStore.h"
#include "net/ForumCharset.h"
#include "net/Network.h"
#include "TestSession.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QNetworkCookie>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

const QString kChinese = u"登录成功，欢迎回来 Quorvel币 余额：12 za"_s;

QNetworkCookie cookie(const QByteArray &name, const QByteArray &value, int daysToLive = 0)
{
    QNetworkCookie c(name, value);
    c.setPath(u"/"_s);
    if (daysToLive != 0)
        c.setExpirationDate(QDateTime::currentDateTimeUtc().addDays(daysToLive));
    return c;
}

// The forum's sign-out answer for one cookie.
QNetworkCookie deletedCookie(const QByteArray &name)
{
    return QNetworkCookie::parseCookies(name + "=deleted; expires=Thu, 01-Jan-1970 00:00:01 GMT; path=/").value(0);
}

QStringList names(const QList<QNetworkCookie> &cookies)
{
    QStringList out;
    for (const QNetworkCookie &c : cookies)
        out << QString::fromLatin1(c.name());
    out.sort();
    return out;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// File writes, counted (each one a file replaced and synced).
int g_writes = 0;
ssize_t countedWrite(int fd, const void *data, size_t size)
{
    ++g_writes;
    return ::write(fd, data, size);
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

QStringList filesUnder(const QString &root)
{
    QStringList out;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        out << QDir(root).relativeFilePath(it.next());
    out.sort();
    return out;
}

const QUrl kForumUrl(u"http://127.0.0.1:1001/member.php?mod=logging&action=login"_s);

} // namespace

class TestNetUnit : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        Settings &settings = testSession().settings();
        settings.restoreDefaults();
        const HostRole roles[] = {HostRole::Forum, HostRole::Home, HostRole::Vip, HostRole::Soft, HostRole::Main};
        for (int i = 0; i < 5; ++i)
            settings.setHost(roles[i], u"127.0.0.1:%1"_s.arg(1001 + i));
        settings.setProbeUrl(u"http://127.0.0.1:1009/probe"_s);
    }
    void cleanupTestCase() { testSession().settings().restoreDefaults(); }

    void decodeBody_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("contentType");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QByteArray>("forms"); // the code page typed texts go in after this page of the forum
        const QByteArray gbk = CodePage::toAnsi(kChinese);
        const QByteArray utf8 = kChinese.toUtf8();
        const QString text = kChinese;

        QTest::newRow("gbk named in header") << gbk << QByteArray("text/html; charset=gbk") << text << QByteArray("GBK");
        QTest::newRow("utf-8 named in header") << utf8 << QByteArray("text/xml; charset=UTF-8") << text << QByteArray("UTF-8");
        QTest::newRow("quoted charset") << utf8 << QByteArray("text/html;charset=\"utf-8\"") << text << QByteArray("UTF-8");
        QTest::newRow("gb2312 means gbk") << gbk << QByteArray("text/html; charset=GB2312") << text << QByteArray("GBK");
        QTest::newRow("xml declaration gbk")
            << QByteArray("<?xml version=\"1.0\" encoding=\"gbk\"?><root><![CDATA[" + gbk + "]]></root>")
            << QByteArray("text/xml") << (u"<?xml version=\"1.0\" encoding=\"gbk\"?><root><![CDATA["_s + text + u"]]></root>"_s) << QByteArray("GBK");
        QTest::newRow("xml declaration utf-8")
            << QByteArray("<?xml version='1.0' encoding='utf-8'?><r>" + utf8 + "</r>") << QByteArray()
            << (u"<?xml version='1.0' encoding='utf-8'?><r>"_s + text + u"</r>"_s) << QByteArray("UTF-8");
        QTest::newRow("meta charset") << QByteArray("<html><head><meta charset=\"utf-8\"></head>" + utf8) << QByteArray()
                                      << (u"<html><head><meta charset=\"utf-8\"></head>"_s + text) << QByteArray("UTF-8");
        QTest::newRow("meta http-equiv")
            << QByteArray("<META http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\" />" + utf8)
            << QByteArray("text/html")
            << (u"<META http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\" />"_s + text) << QByteArray("UTF-8");
        QTest::newRow("header wins over meta") << QByteArray("<meta charset=\"utf-8\">" + gbk)
                                               << QByteArray("text/html; charset=gbk")
                                               << (u"<meta charset=\"utf-8\">"_s + text) << QByteArray("GBK");
        QTest::newRow("nothing named: gbk") << gbk << QByteArray("text/html") << text << QByteArray("-");
        QTest::newRow("meta after the first kilobyte is not looked for")
            << QByteArray(QByteArray(1100, ' ') + "<meta charset=\"utf-8\">" + gbk) << QByteArray()
            << (QString(1100, u' ') + u"<meta charset=\"utf-8\">"_s + text) << QByteArray("-");
        QTest::newRow("utf-8 byte-order mark") << QByteArray("\xEF\xBB\xBF" + utf8) << QByteArray() << text << QByteArray("UTF-8");
        QTest::newRow("unknown charset: gbk") << gbk << QByteArray("text/html; charset=x-no-such") << text << QByteArray("-");
        // Odd declarations read as none, and teach nothing about the forum's forms.
        QTest::newRow("charset= empty: gbk") << gbk << QByteArray("text/html; charset=") << text << QByteArray("-");
        QTest::newRow("two charsets in the header: gbk")
            << gbk << QByteArray("text/html; charset=utf-8; charset=gbk") << text << QByteArray("-");
        QTest::newRow("xml declaration and meta disagree: gbk")
            << QByteArray("<?xml version=\"1.0\" encoding=\"utf-8\"?><meta charset=\"gbk\">" + gbk) << QByteArray()
            << (u"<?xml version=\"1.0\" encoding=\"utf-8\"?><meta charset=\"gbk\">"_s + text) << QByteArray("-");
        // The third build of the forum: its forms go in Big5 (Python's '測試'.encode('big5')).
        QTest::newRow("big5") << QByteArray("\xB4\xFA\xB8\xD5") << QByteArray("text/html; charset=big5")
                              << u"測試"_s << QByteArray("BIG5");
        QTest::newRow("utf-16 is read, never written")
            << QByteArray("\xFF\xFE" + QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2))
            << QByteArray() << text << QByteArray("-");
        QTest::newRow("empty") << QByteArray() << QByteArray("text/html; charset=utf-8") << QString() << QByteArray("UTF-8");
    }

    void decodeBody()
    {
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, contentType);
        QFETCH(QString, expected);
        QFETCH(QByteArray, forms);
        QCOMPARE(Network::decodeBody(body, contentType), expected);

        // "-": nothing learned, so forms stay in GBK, the older site's code page.
        testSession().network().charset().forget();
        testSession().network().charset().noteReply(QUrl(testSession().settings().url(HostRole::Home, u"/home.php"_s)), 200, contentType, body);
        QCOMPARE(testSession().network().charset().isDeclared(), forms != "-");
        QCOMPARE(testSession().network().charset().forForms(), forms == "-" ? QByteArray("GBK") : forms);
    }

    // Only a whole answer of the forum software's own hosts tells its code page: not the probe's
    // site, not the software host's version file, not an error page a proxy or server wrote.
    void formsLearnOnlyFromTheForum_data()
    {
        QTest::addColumn<QString>("url"); // on the hosts init() sets
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("learned");
        QTest::newRow("forum") << u"http://127.0.0.1:1001/forum.php"_s << 200 << true;
        QTest::newRow("vip") << u"http://127.0.0.1:1003/"_s << 200 << true;
        QTest::newRow("software host") << u"http://127.0.0.1:1004/version/main.txt"_s << 200 << false;
        QTest::newRow("probe") << u"http://127.0.0.1:1009/probe"_s << 200 << false;
        QTest::newRow("another port") << u"http://127.0.0.1:1010/forum.php"_s << 200 << false;
        QTest::newRow("error page") << u"http://127.0.0.1:1001/forum.php"_s << 502 << false;
    }
    void formsLearnOnlyFromTheForum()
    {
        QFETCH(QString, url);
        QFETCH(int, status);
        QFETCH(bool, learned);
        testSession().network().charset().forget();
        testSession().network().charset().noteReply(QUrl(url), status, "text/html; charset=utf-8", "<html></html>");
        QCOMPARE(testSession().network().charset().forForms(), learned ? QByteArray("UTF-8") : QByteArray("GBK"));
    }

    // A typed text the forum's code page cannot hold is named before anything is sent.
    void unencodable_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("charset");
        QTest::addColumn<QString>("first");
        QTest::newRow("gbk holds chinese") << u"测试用户 xm&=+%"_s << QByteArray("GBK") << QString();
        QTest::newRow("emoji in gbk") << u"ab\U0001F600c"_s << QByteArray("GBK") << u"\U0001F600"_s;
        QTest::newRow("cjk extension b in gbk") << u"张\U00020000"_s << QByteArray("GBK") << u"\U00020000"_s;
        QTest::newRow("emoji in utf-8") << u"ab\U0001F600c"_s << QByteArray("UTF-8") << QString();
        QTest::newRow("simplified letter in big5") << u"测"_s << QByteArray("BIG5") << u"测"_s;
    }
    void unencodable()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, charset);
        QFETCH(QString, first);
        QCOMPARE(CodePage::firstUnencodable(text, charset).value_or(QString()), first);
    }

    void headerLines()
    {
        const auto pairs = Network::parseHeaderLines(
            u"Content-Type: application/x-www-form-urlencoded\r\nReferer:  http://127.0.0.1:1001/a?b=c  \r\n\r\n"
            "no colon here\r\n: no name\r\nBad Name: x\r\nX-Lone-LF: 1\nX-Empty:\r\n"_s);
        const QList<QPair<QByteArray, QByteArray>> expected = {
            {"Content-Type", "application/x-www-form-urlencoded"},
            {"Referer", "http://127.0.0.1:1001/a?b=c"},
            {"X-Lone-LF", "1"},
            {"X-Empty", ""},
        };
        QCOMPARE(pairs, expected);
        QVERIFY(Network::parseHeaderLines(QString()).isEmpty());
    }

    // Cookies ignore ports (every role of the simulator is 127.0.0.1), but only the site's own
    // host:port pairs ever receive or set them.
    void cookiesOnlyForSiteHosts()
    {
        CookieStore store(testSession().settings());
        QVERIFY(store.setCookiesFromUrl({cookie("qv_auth", "a1"), cookie("qv_salt", "s1", 30)}, kForumUrl));
        for (int port = 1001; port <= 1005; ++port)
            QCOMPARE(names(store.cookiesForUrl(QUrl(u"http://127.0.0.1:%1/home.php"_s.arg(port)))),
                     QStringList({u"qv_auth"_s, u"qv_salt"_s}));

        QVERIFY(store.cookiesForUrl(QUrl(u"http://127.0.0.1:1006/home.php"_s)).isEmpty());
        QVERIFY(store.cookiesForUrl(QUrl(u"http://127.0.0.1/home.php"_s)).isEmpty());
        QVERIFY(store.cookiesForUrl(QUrl(u"http://localhost:1001/home.php"_s)).isEmpty());
        QVERIFY(store.cookiesForUrl(QUrl(u"http://127.0.0.1:1009/probe"_s)).isEmpty());
        QVERIFY(store.cookiesForUrl(QUrl(u"ftp://127.0.0.1:1001/"_s)).isEmpty());
        QVERIFY(store.cookiesForUrl(QUrl()).isEmpty());

        // A stranger cannot plant cookies either.
        QVERIFY(!store.setCookiesFromUrl({cookie("planted", "x")}, QUrl(u"http://127.0.0.1:1006/"_s)));
        QCOMPARE(names(store.allCookies()), QStringList({u"qv_auth"_s, u"qv_salt"_s}));

        // The probe gets none even when it lives on a site host.
        testSession().settings().setProbeUrl(u"http://127.0.0.1:1001/probe"_s);
        QVERIFY(store.cookiesForUrl(QUrl(u"http://127.0.0.1:1001/probe"_s)).isEmpty());
        QCOMPARE(store.cookiesForUrl(QUrl(u"http://127.0.0.1:1001/forum.php"_s)).size(), 2);
    }

    void domainCookiesOfTheRealSite()
    {
        testSession().settings().restoreDefaults();
        CookieStore store(testSession().settings());
        QNetworkCookie siteWide = cookie("qv_auth", "a1");
        siteWide.setDomain(u".quorvel.com"_s);
        QVERIFY(store.setCookiesFromUrl({siteWide}, QUrl(u"http://bbs.quorvel.com/member.php"_s)));
        QCOMPARE(store.cookiesForUrl(QUrl(u"http://vip.quorvel.com/"_s)).size(), 1);
        QCOMPARE(store.cookiesForUrl(QUrl(u"http://home.quorvel.com/home.php"_s)).size(), 1);
        QVERIFY(store.cookiesForUrl(QUrl(u"http://evil.quorvel.com/"_s)).isEmpty());
        QVERIFY(store.cookiesForUrl(QUrl(u"http://www.baidu.com/"_s)).isEmpty());
    }

    void persistentCookiesSurviveARestart()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath(u"Cookies"_s);
        {
            CookieStore store(testSession().settings());
            store.setFolder(folder);
            QVERIFY(store.setCookiesFromUrl({cookie("qv_auth", "a1"), cookie("qv_salt", "s1", 30)}, kForumUrl));
            QVERIFY(store.setCookiesFromUrl({cookie("qv_salt", "s2", 30)}, kForumUrl)); // replaces, one line

            const QString file = folder + u"/127.0.0.1.txt"_s;
            QCOMPARE(filesUnder(folder), QStringList({u"127.0.0.1.txt"_s}));
            const QByteArray content = readFile(file);
            QCOMPARE(content.count('\n'), 1);
            QVERIFY(content.startsWith("qv_salt=s2;"));
            QVERIFY(!content.contains("qv_auth")); // session cookies live in memory only
            const QFile::Permissions perms = QFileInfo(file).permissions();
            QVERIFY(perms.testFlags(QFile::ReadOwner | QFile::WriteOwner));
            QVERIFY(!(perms & (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther)));

            // Naming the same folder again keeps the session.
            store.setFolder(folder + u"/"_s);
            QCOMPARE(names(store.allCookies()), QStringList({u"qv_auth"_s, u"qv_salt"_s}));
        }
        // Another program run: an old line and a stale file lie beside the stored cookie.
        writeFile(folder + u"/old.txt"_s,
                  "stale=x; expires=Thu, 01-Jan-1970 00:00:01 GMT; domain=127.0.0.1; path=/\n"
                  "garbage line without equals\n"
                  "kept=k; expires=Fri, 01-Jan-2100 00:00:00 GMT; domain=127.0.0.1; path=/\n");
        CookieStore restarted(testSession().settings());
        restarted.setFolder(folder);
        QCOMPARE(names(restarted.allCookies()), QStringList({u"kept"_s, u"qv_salt"_s}));
        const QList<QNetworkCookie> sent = restarted.cookiesForUrl(QUrl(u"http://127.0.0.1:1003/"_s));
        QCOMPARE(names(sent), QStringList({u"kept"_s, u"qv_salt"_s}));
        for (const QNetworkCookie &c : sent)
            if (c.name() == "qv_salt")
                QCOMPARE(c.value(), QByteArray("s2"));

        // Moving to another folder starts from that folder alone.
        QTemporaryDir other;
        restarted.setFolder(other.path());
        QVERIFY(restarted.allCookies().isEmpty());
    }

    void signOutCookiesRemoveStoredOnes()
    {
        QTemporaryDir dir;
        CookieStore store(testSession().settings());
        store.setFolder(dir.path());
        // The cookies of one answer reach their file in one write.
        g_writes = 0;
        SafeFile::setWriteFunction(countedWrite);
        QVERIFY(store.setCookiesFromUrl({cookie("qv_auth", "a1"), cookie("qv_salt", "s1", 30), cookie("qv_visit", "v", 30)},
                                        kForumUrl));
        QCOMPARE(g_writes, 1);
        const QString file = dir.filePath(u"127.0.0.1.txt"_s);
        QVERIFY(readFile(file).contains("qv_salt=s1"));
        QVERIFY(readFile(file).contains("qv_visit=v"));

        // Sign-out from another role's port.
        store.setCookiesFromUrl({deletedCookie("qv_auth"), deletedCookie("qv_salt")},
                                QUrl(u"http://127.0.0.1:1002/member.php?mod=logging&action=logout"_s));
        QCOMPARE(g_writes, 2);
        SafeFile::setWriteFunction(nullptr);
        QCOMPARE(names(store.allCookies()), QStringList({u"qv_visit"_s}));
        QCOMPARE(names(store.cookiesForUrl(kForumUrl)), QStringList({u"qv_visit"_s}));
        QVERIFY(!readFile(file).contains("qv_salt"));
        QVERIFY(readFile(file).contains("qv_visit=v"));

        store.setCookiesFromUrl({deletedCookie("qv_visit")}, kForumUrl);
        QVERIFY(store.allCookies().isEmpty());
        QVERIFY(!QFileInfo::exists(file)); // nothing left to keep

        CookieStore restarted(testSession().settings());
        restarted.setFolder(dir.path());
        QVERIFY(restarted.allCookies().isEmpty());
    }

    void endSessionForgetsMemoryOnly()
    {
        QTemporaryDir dir;
        CookieStore store(testSession().settings());
        store.setFolder(dir.path());
        QVERIFY(store.setCookiesFromUrl({cookie("qv_auth", "a1"), cookie("qv_salt", "s1", 30)}, kForumUrl));
        const QByteArray before = readFile(dir.filePath(u"127.0.0.1.txt"_s));

        store.endSession();
        QVERIFY(store.allCookies().isEmpty());
        QVERIFY(store.cookiesForUrl(kForumUrl).isEmpty());
        QCOMPARE(readFile(dir.filePath(u"127.0.0.1.txt"_s)), before);
    }

    void fileNamesStayPlain_data()
    {
        QTest::addColumn<QString>("domain");
        QTest::newRow("parent steps") << u"../../etc/passwd"_s;
        QTest::newRow("dot dot") << u".."_s;
        QTest::newRow("dot") << u"."_s;
        QTest::newRow("dots only") << u"....."_s;
        QTest::newRow("absolute") << u"/tmp/evil"_s;
        QTest::newRow("mixed") << u"a/../../b"_s;
        QTest::newRow("backslashes") << u"a\\..\\..\\b"_s;
        QTest::newRow("drive") << u"C:\\Windows\\x"_s;
        QTest::newRow("nul") << (u"evil"_s + QChar(0) + u"/x"_s);
        QTest::newRow("controls") << u"tab\there\nnew\rline\x1b"_s;
        QTest::newRow("empty") << QString();
        QTest::newRow("very long") << QString(5000, u'a');
        QTest::newRow("non-ascii") << u"论坛.中文.com"_s;
    }

    void fileNamesStayPlain()
    {
        QFETCH(QString, domain);
        const QString name = CookieStore::fileNameForDomain(domain);
        QVERIFY(name.endsWith(u".txt"_s));
        QVERIFY(name.size() > 4 && name.size() <= 130);
        QVERIFY(!name.startsWith(u'.'));
        QVERIFY(!name.contains(u".."_s));
        for (const QChar c : name)
            QVERIFY2(c.isLetterOrNumber() || c == u'.' || c == u'-' || c == u'_', qPrintable(name));
        const QString folder = u"/base/Cookies"_s;
        QCOMPARE(QFileInfo(QDir::cleanPath(folder + u'/' + name)).path(), folder);
    }

    void fileNamesOfOrdinaryDomains()
    {
        QCOMPARE(CookieStore::fileNameForDomain(u"127.0.0.1"_s), u"127.0.0.1.txt"_s);
        QCOMPARE(CookieStore::fileNameForDomain(u".quorvel.com"_s), u"quorvel.com.txt"_s);
        QCOMPARE(CookieStore::fileNameForDomain(u"BBS.Quorvel.com"_s), u"bbs.quorvel.com.txt"_s);
    }

    // Domains and names that look like paths, line breaks in names, and planted links: nothing is
    // read, written or removed outside the folder.
    void hostileCookiesStayInsideTheFolder()
    {
        QTemporaryDir root;
        const QString folder = root.filePath(u"data/Cookies"_s);
        QVERIFY(QDir().mkpath(folder));
        writeFile(root.filePath(u"data/escape.txt"_s), "sentinel-1");
        writeFile(root.filePath(u"escape.txt"_s), "sentinel-2");
        writeFile(root.filePath(u"outside.txt"_s), "qv_secret=s; expires=Fri, 01-Jan-2100 00:00:00 GMT; domain=127.0.0.1; path=/\n");
        QVERIFY(QFile::link(root.filePath(u"outside.txt"_s), folder + u"/127.0.0.1.txt"_s));

        CookieStore store(testSession().settings());
        store.setFolder(folder);
        QVERIFY(store.allCookies().isEmpty()); // a linked file is not read

        const QString hostile[] = {u"../escape"_s, u"../../escape"_s, u".."_s, u"/"_s, u"../data/Cookies/../../x"_s};
        for (const QString &domain : hostile) {
            QNetworkCookie c = cookie("n", "v", 30);
            c.setDomain(domain);
            store.insertCookie(c);
        }
        QNetworkCookie pathName = cookie("../../escape", "v", 30);
        pathName.setDomain(u"127.0.0.1"_s);
        store.insertCookie(pathName);
        QNetworkCookie injected = cookie("x\nqv_evil=1; expires=Fri, 01-Jan-2100 00:00:00 GMT; domain=127.0.0.1; path=/\n", "v", 30);
        injected.setDomain(u"127.0.0.1"_s);
        store.insertCookie(injected);
        // The hostile domains were stored, each in a plain file inside the folder.
        QVERIFY2(filesUnder(folder).size() >= 4, qPrintable(filesUnder(folder).join(u',')));
        QVERIFY(!readFile(folder + u"/127.0.0.1.txt"_s).contains("qv_evil"));
        for (const QString &domain : hostile) {
            QNetworkCookie c = cookie("n", "v", 30);
            c.setDomain(domain);
            store.deleteCookie(c);
        }

        QCOMPARE(readFile(root.filePath(u"data/escape.txt"_s)), QByteArray("sentinel-1"));
        QCOMPARE(readFile(root.filePath(u"escape.txt"_s)), QByteArray("sentinel-2"));
        QVERIFY(readFile(root.filePath(u"outside.txt"_s)).startsWith("qv_secret=s;"));
        for (const QString &file : filesUnder(root.path()))
            QVERIFY2(file.startsWith(u"data/Cookies/"_s) || file == u"data/escape.txt"_s || file == u"escape.txt"_s ||
                         file == u"outside.txt"_s,
                     qPrintable(file));
        QVERIFY(!QFileInfo(folder + u"/127.0.0.1.txt"_s).isSymLink());

        CookieStore restarted(testSession().settings());
        restarted.setFolder(folder);
        const QStringList loaded = names(restarted.allCookies());
        QVERIFY2(loaded.contains(u"../../escape"_s), qPrintable(loaded.join(u',')));
        QVERIFY(!loaded.contains(u"qv_evil"_s));
        QVERIFY(!loaded.contains(u"qv_secret"_s));
        QVERIFY(!loaded.contains(u"n"_s)); // every hostile-domain cookie was deleted again
    }
};

QTEST_GUILESS_MAIN(TestNetUnit)
#include "test_net_unit.moc"
