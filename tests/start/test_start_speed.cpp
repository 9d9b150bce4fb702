// What keeps the start quick: pictures decoded without loading every image plugin on the system,
// the start window made only when the login window's load actually waits, and the login window's
// background decoded once, into the window's own surface.
#include "IniFiles.h"
#include "SimSession.h"

#include "pictures/QuorvelAssets.h"
#include "rules/SavedAccount.h"
#include "start/Form5.h"
#include "start/ProgramIcon.h"
#include "start/StartRoutine.h"
#include "windows/login/Form1.h"
#include "TestSession.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>
#include <QPixmapCache>
#include <QPointer>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Image plugins of this process that the project's own pictures never need. Linux only: read from
// the process's memory map.
QStringList foreignImagePlugins()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly))
        return {QStringLiteral("<no /proc/self/maps>")};
    const QByteArray text = maps.readAll();
    QStringList found;
    for (const char *plugin : {"libqjpeg", "libqsvg", "libqtiff", "libqwebp", "libqmng", "libqtga", "libqwbmp", "libqicns"})
        if (text.contains(plugin))
            found.append(QString::fromLatin1(plugin));
    return found;
}

// Records which windows were shown, in order, by object name.
class ShowLog : public QObject
{
public:
    ShowLog() { qApp->installEventFilter(this); }
    QStringList shown;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && watched->isWidgetType() && static_cast<QWidget *>(watched)->isWindow())
            shown.append(watched->objectName());
        return false;
    }
};

QWidget *visibleWindow(const QString &name)
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *w : windows)
        if (w->objectName() == name && w->isVisible())
            return w;
    return nullptr;
}

} // namespace

class TestStartSpeed : public QObject
{
    Q_OBJECT
private slots:
    // First: a plugin loaded by any earlier test would stay loaded.
    void picturesNeedNoForeignImagePlugins();
    void startWindowStaysDownWhenNothingWaits();
    void startWindowCoversTheAccountLookup();
    void loginSurfaceIsItsBackground();
    void skinCopies_data();
    void skinCopies();
};

void TestStartSpeed::picturesNeedNoForeignImagePlugins()
{
    TempDataDir data;
    SeamRecorder seams;
    QCOMPARE(foreignImagePlugins(), QStringList());

    const QIcon icon = programIcon();
    QVERIFY(!icon.availableSizes().isEmpty()); // every size decoded here, before the plugin check below
    const QPixmap background = QuorvelAssets::picture(QStringLiteral("login-background.png"));
    QCOMPARE(background.size(), QSize(425, 391));
    QVERIFY(!background.hasAlphaChannel()); // opaque: stored and drawn without alpha
    const QPixmap dense = QuorvelAssets::picture(QStringLiteral("login-background.png"), 2.0);
    QCOMPARE(dense.deviceIndependentSize(), QSizeF(425, 391));
    QCOMPARE(dense.devicePixelRatio(), 2.0);
    // A second login window gets the same decoded picture.
    QCOMPARE(QuorvelAssets::picture(QStringLiteral("login-background.png")).cacheKey(), background.cacheKey());
    QVERIFY(QuorvelAssets::image(QStringLiteral(":/quorvel/no-such-picture.png")).isNull());

    QCOMPARE(foreignImagePlugins(), QStringList());
}

void TestStartSpeed::startWindowStaysDownWhenNothingWaits()
{
    TempDataDir data; // no login.ini: the login window loads without a network wait
    SeamRecorder seams;
    ShowLog log;
    QPointer<Form5> start = new Form5(testSession());
    start->setAttribute(Qt::WA_DeleteOnClose);
    start->Form_Load();

    QVERIFY(visibleWindow(QStringLiteral("Form1")));
    QVERIFY(start);
    QVERIFY(!start->testAttribute(Qt::WA_WState_Created)); // no native window was made for it
    // Waits after the hand-over (an automatic sign-in) do not bring it up late.
    QTest::qWait(30);
    QTRY_VERIFY(!start);
    QCOMPARE(log.shown, QStringList{QStringLiteral("Form1")});
    visibleWindow(QStringLiteral("Form1"))->close();
}

void TestStartSpeed::startWindowCoversTheAccountLookup()
{
    SimSession session(5000);
    QVERIFY(session.isRunning());
    // A kept account: the load handler looks it up on the forum before the window shows.
    QFile ini(session.dir.file(QStringLiteral("login.ini")));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write(iniBytes({QStringLiteral("保存账号=是"), QStringLiteral("USER=alice"),
                        QStringLiteral("PASS=") + SavedAccount::encipher(QStringLiteral("alice123")),
                        QStringLiteral("ASK=0"), QStringLiteral("ANS="), QStringLiteral("自动登录=否")}));
    ini.close();

    ShowLog log;
    QPointer<Form5> start = new Form5(testSession());
    start->setAttribute(Qt::WA_DeleteOnClose);
    start->Form_Load();

    // The load returns at once; the login window shows once the lookup is done.
    QTRY_VERIFY_WITH_TIMEOUT(visibleWindow(QStringLiteral("Form1")), 10000);
    QCOMPARE(session.sim().requestsTo("username=alice").size(), 1);
    // Up while the lookup waited, then closed by the login window.
    QCOMPARE(log.shown.value(0), QStringLiteral("Form5"));
    QVERIFY(log.shown.contains(QStringLiteral("Form1")));
    QWidget *login = visibleWindow(QStringLiteral("Form1"));
    QVERIFY(login);
    QTRY_VERIFY(!start);
    QCOMPARE(log.shown.count(QStringLiteral("Form5")), 1);
    login->close();
}

void TestStartSpeed::loginSurfaceIsItsBackground()
{
    TempDataDir data;
    SeamRecorder seams;
    QPixmapCache::clear();
    QPointer<Form1> form = Form1::openNew(testSession());
    QVERIFY(form);
    QVERIFY(QTest::qWaitForWindowExposed(form));
    // The background was decoded straight into the window's surface: no copy of it waits in the cache.
    QPixmap cached;
    QVERIFY(!QPixmapCache::find(QuorvelAssets::path(QStringLiteral("login-background.png")), &cached));
    const QImage background = QuorvelAssets::image(QuorvelAssets::path(QStringLiteral("login-background.png")));
    QCOMPARE(background.size(), QSize(Form1::kWidth, Form1::kHeight));
    const QImage shown = form->grab().toImage().convertToFormat(background.format());
    // Places no control covers (left of the banner, below the title buttons), and the frame line.
    for (const QPoint &at : {QPoint(5, 60), QPoint(100, 20), QPoint(330, 100), QPoint(60, 130)})
        QCOMPARE(QColor(shown.pixel(at)), QColor(background.pixel(at)));
    QCOMPARE(QColor(shown.pixel(0, 60)), QColor(Qt::black));
    form->close();
}

// Before the first window the program folder gets the shipped skins: a member's edit stays, a copy
// an earlier release left as it shipped it is brought up to date.
void TestStartSpeed::skinCopies_data()
{
    QTest::addColumn<QString>("before"); // the program folder's SoftSkin.she: none, earlier, edited, link
    QTest::addColumn<bool>("shippedNow");
    QTest::newRow("missing") << u"none"_s << true;
    QTest::newRow("as an earlier release shipped it") << u"earlier"_s << true;
    QTest::newRow("edited by the member") << u"edited"_s << false;
    QTest::newRow("a link") << u"link"_s << false;
}

void TestStartSpeed::skinCopies()
{
    QFETCH(QString, before);
    QFETCH(bool, shippedNow);
    QTemporaryDir shipped;
    QTemporaryDir data;
    const QString skin = u"/SoftSkin.she"_s;
    QVERIFY(QFile::copy(qEnvironmentVariable("QUORVEL_SOURCE_DIR") + u"/assets"_s + skin, shipped.path() + skin));
    const QString earlier = windowsFile(u"SoftSkin-earlier.she"_s);
    if (before == u"earlier"_s)
        QVERIFY(QFile::copy(earlier, data.path() + skin));
    if (before == u"edited"_s) {
        QFile file(data.path() + skin);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(fileBytes(earlier) + "\n/* mine */\n");
    }
    if (before == u"link"_s)
        QVERIFY(QFile::link(earlier, data.path() + skin));
    const QByteArray was = fileBytes(data.path() + skin);

    copySkins(shipped.path(), data.path());
    QCOMPARE(fileBytes(data.path() + skin) == fileBytes(shipped.path() + skin), shippedNow);
    if (!shippedNow)
        QCOMPARE(fileBytes(data.path() + skin), was);
    // Nothing is written through a link: its target is still the earlier release's skin.
    QCOMPARE(QCryptographicHash::hash(fileBytes(earlier), QCryptographicHash::Sha256).toHex(),
             QByteArray("adfbbf05c72620d96c468d61e805c7ce668040fc22f46c450af3bb9ec139eab1"));
}

QTEST_MAIN(TestStartSpeed)
#include "test_start_speed.moc"
