// The start: the skin attached before any window shows, the start window handing over to the
// login window, the login window opened again from a lower layer, and the shipped skin itself.
#include "ClientWindows.h"
#include "ScriptedServer.h"
#include "SeamRecorder.h"
#include "SiteAddress.h"
#include "TempDataDir.h"

#include "base/Settings.h"
#include "start/Form5.h"
#include "start/ProgramIcon.h"
#include "start/StartRoutine.h"
#include "windows/login/Form1.h"
#include "TestSession.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QIcon>
#include <QImage>
#include <QMovie>
#include <QPointer>
#include <QRegularExpression>
#include <QTest>

namespace {

QString shippedSkinPath()
{
    return qEnvironmentVariable("QUORVEL_SOURCE_DIR") + QStringLiteral("/assets/2.she");
}

QStringList parseWarnings;
void collectParseWarnings(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtWarningMsg && message.contains(QLatin1String("parse"), Qt::CaseInsensitive))
        parseWarnings.append(message);
}

} // namespace

class TestForm1Start : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void startWindowHandsOverWithSkin();
    void startsWithoutSkin();
    void loginWindowOpensAgainFromBelow();
    void shippedSkinIsWellFormed();
    void programIconHasEverySize();
};

void TestForm1Start::initTestCase()
{
    const QString closed = closedLoopbackAddress();
    QVERIFY(!closed.isEmpty());
    pointSiteAt(closed);
    QVERIFY2(QFile::exists(shippedSkinPath()), qPrintable(shippedSkinPath()));
}

void TestForm1Start::cleanup()
{
    const QList<Form1 *> windows = visibleLoginWindows();
    for (Form1 *form : windows)
        form->close();
    QTRY_VERIFY(visibleLoginWindows().isEmpty());
    qApp->setStyleSheet(QString());
}

void TestForm1Start::startWindowHandsOverWithSkin()
{
    TempDataDir data;
    SeamRecorder seams;
    QVERIFY(QFile::copy(shippedSkinPath(), data.file(QStringLiteral("2.she"))));

    QPointer<Form5> start = new Form5(testSession());
    start->setAttribute(Qt::WA_DeleteOnClose);
    QCOMPARE(start->size(), QSize(55, 61));
    QVERIFY(start->startMovie->isValid());
    QCOMPARE(start->startMovie->frameRect().size(), QSize(40, 45));
    QVERIFY(start->startMovie->loopCount() == -1 || start->startMovie->loopCount() == 0);

    start->Form_Load();

    QVERIFY(qApp->styleSheet().contains(QLatin1String("#Picture1")));
    const QList<Form1 *> logins = visibleLoginWindows();
    QCOMPARE(logins.size(), 1);
    QVERIFY(logins.first()->testAttribute(Qt::WA_DeleteOnClose));
    // The login window closed the start window once it was up.
    QTRY_VERIFY(!start);
}

void TestForm1Start::startsWithoutSkin()
{
    TempDataDir data;
    SeamRecorder seams;
    QPointer<Form5> start = new Form5(testSession());
    start->setAttribute(Qt::WA_DeleteOnClose);
    start->Form_Load();
    QVERIFY(qApp->styleSheet().isEmpty());
    QCOMPARE(visibleLoginWindows().size(), 1);
    QTRY_VERIFY(!start);
}

void TestForm1Start::loginWindowOpensAgainFromBelow()
{
    TempDataDir data;
    SeamRecorder seams;
    registerWindows(testSession());
    testSession().openLoginWindow();
    QList<Form1 *> logins = visibleLoginWindows();
    QCOMPARE(logins.size(), 1);
    QPointer<Form1> first = logins.first();
    QCOMPARE(first->Combo1->count(), 8); // its whole load handler ran

    // Closing it lets it go; a second one is a fresh window.
    first->close();
    QTRY_VERIFY(!first);
    testSession().openLoginWindow();
    QCOMPARE(visibleLoginWindows().size(), 1);
    testSession().setLoginWindowOpener({});
}

void TestForm1Start::shippedSkinIsWellFormed()
{
    QFile file(shippedSkinPath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString sheet = QString::fromUtf8(file.readAll());

    // Every picture it names is compiled into the program.
    Form1 probe(testSession()); // registers the compiled-in pictures
    const QRegularExpression url(QStringLiteral("url\\(([^)]+)\\)"));
    int pictures = 0;
    for (auto it = url.globalMatch(sheet); it.hasNext(); ++pictures) {
        const QString path = it.next().captured(1);
        QVERIFY2(QFile::exists(path), qPrintable(path));
    }
    QVERIFY(pictures > 0);

    // And the style engine reads all of it.
    parseWarnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(collectParseWarnings);
    qApp->setStyleSheet(sheet);
    probe.show();
    probe.Combo1->addItem(QStringLiteral("安全提问"));
    QApplication::processEvents();
    qInstallMessageHandler(previous);
    QVERIFY2(parseWarnings.isEmpty(), qPrintable(parseWarnings.join(QLatin1Char('\n'))));
}

void TestForm1Start::programIconHasEverySize()
{
    const QIcon icon = programIcon();
    QList<QSize> sizes = icon.availableSizes();
    QCOMPARE(sizes.size(), 4);
    for (int size : {16, 32, 48, 64}) {
        QVERIFY2(sizes.contains(QSize(size, size)), qPrintable(QString::number(size)));
        const QImage image = icon.pixmap(QSize(size, size)).toImage();
        QCOMPARE(image.size(), QSize(size, size));
        QVERIFY(image.pixelColor(size / 2, size / 2).alpha() > 0); // drawn, not an empty square
    }
}

QTEST_MAIN(TestForm1Start)
#include "test_form1_start.moc"
