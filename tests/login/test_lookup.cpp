// The account lookup when the account box is left, and the avatar, against the forum simulator:
// UIDs with and without avatar, names, unknown entries, the prompt text, and the window or the
// member moving on while a page is awaited.
#include "base/State.h"
#include "net/CookieStore.h"
#include "net/Inet.h"
#include "net/Network.h"
#include "session/QuorvelModule.h"
#include "SimSession.h"
#include "windows/login/Form1.h"
#include "TestSession.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(ForumSimulator::Fault)

namespace {

const QString kUnknown = u"您输入的用户名不存在,请检查.."_s;
const QString kPrompt = u"请输入用户名或UID"_s;

// True when what must not happen did not, while the event loop ran for ms (a late answer of a
// lookup that should have ended would land within it).
template <typename Condition>
bool neverWithin(int ms, Condition happened)
{
    return !QTest::qWaitFor(happened, ms);
}

} // namespace

class TestLookup : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void byUid_data();
    void byUid();
    void byName_data();
    void byName();
    void unknownEntries_data();
    void unknownEntries();
    void emptyBox_data();
    void emptyBox();
    void avatarProbeFaults_data();
    void avatarProbeFaults();
    void leavingTheBoxLooksUp();
    void clickingLoginFromTheBoxStillLogsIn();
    void windowClosedDuringLookup_data();
    void windowClosedDuringLookup();
    void newerLookupOwnsTheBox();

private:
    // Text1_LostFocus starts the lookup and returns at once; these tell its end. A UID's lookup
    // ends with its profile page (asked after the avatar), which the lookup keeps in its first
    // slot; a name's with the avatar probe's answer, whose status the probe's control keeps.
    [[nodiscard]] bool uidPageRead() const { return !m_form->lookupSlots.uid[0].isEmpty(); }
    [[nodiscard]] bool namePageRead() const { return !m_form->lookupSlots.name[0].isEmpty(); }
    [[nodiscard]] bool avatarAnswered() const { return m_form->Inet2->lastStatus() != 0; }
    [[nodiscard]] bool showsDefaultAvatar() const
    {
        return m_form->Image1->pixmap().toImage() == m_form->defaultAvatar().toImage();
    }
    [[nodiscard]] qsizetype avatarRequests() { return sim().requestsTo("/uc_server/data/avatar/").size(); }
    ForumSimulator &sim() { return m_session->sim(); }

    std::unique_ptr<SimSession> m_session;
    QPointer<Form1> m_form;
};

void TestLookup::init()
{
    m_session = std::make_unique<SimSession>(3000);
    QVERIFY(m_session->isRunning());
    // The profiles as the older site shows them to guests; private ones are in test_forum_releases.
    sim().setSiteSettings(SimSiteSettings::older());
    m_form = Form1::openNew(testSession());
    QVERIFY(m_form);
    sim().clearRequests();
}

void TestLookup::cleanup()
{
    delete m_form;
    m_session.reset();
}

void TestLookup::byUid_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("avatarPath"); // empty: no avatar address
    QTest::addColumn<bool>("picture");

    QTest::newRow("UID with avatar") << u"1234"_s << u"alice"_s
                                     << QByteArray("/uc_server/data/avatar/000/00/12/34_avatar_middle.jpg") << true;
    QTest::newRow("one digit") << u"7"_s << u"dave"_s << QByteArray("/uc_server/data/avatar/000/00/00/07_avatar_middle.jpg")
                               << true;
    // No avatar: the forum answers its 404 page, and the default shows.
    QTest::newRow("UID without avatar") << u"12345"_s << u"svipcarol"_s
                                        << QByteArray("/uc_server/data/avatar/000/01/23/45_avatar_middle.jpg") << false;
    // Six digits: no address, no probe, but the page is still read.
    QTest::newRow("six digits") << u"123456"_s << QString() << QByteArray() << false;
    // An unknown UID still has a titled page: no failure, only no name.
    QTest::newRow("unknown UID") << u"99"_s << QString() << QByteArray("/uc_server/data/avatar/000/00/00/99_avatar_middle.jpg")
                                 << false;
}

void TestLookup::byUid()
{
    QFETCH(QString, entry);
    QFETCH(QString, name);
    QFETCH(QByteArray, avatarPath);
    QFETCH(bool, picture);

    m_form->Text1->setText(entry);
    m_form->Text1_LostFocus();
    QTRY_VERIFY_WITH_TIMEOUT(uidPageRead(), 5000);

    QCOMPARE(testSession().login().AvatarUid, entry);
    QCOMPARE(m_form->profileName(), name);
    QCOMPARE(m_form->Text1->text(), entry);
    QVERIFY(m_session->seams.messages.isEmpty());
    QCOMPARE(showsDefaultAvatar(), !picture);
    const auto avatars = sim().requestsTo("/uc_server/data/avatar/");
    QCOMPARE(avatars.size(), avatarPath.isEmpty() ? 0 : 1);
    if (!avatarPath.isEmpty())
        QCOMPARE(avatars.first().pathAndQuery, avatarPath);
    const auto profiles = sim().requestsTo("/home.php?mod=space&uid=");
    QCOMPARE(profiles.size(), 1);
    QCOMPARE(profiles.first().pathAndQuery, "/home.php?mod=space&uid=" + entry.toLatin1() + "&do=profile");
    QCOMPARE(profiles.first().header("If-Modified-Since"), QByteArray("0"));
}

void TestLookup::byName_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("uid");
    QTest::addColumn<QByteArray>("query");
    QTest::addColumn<bool>("picture");
    QTest::newRow("name with avatar") << u"vipbob"_s << u"42"_s << QByteArray("username=vipbob") << true;
    QTest::newRow("name without avatar") << u"eve"_s << u"123"_s << QByteArray("username=eve") << false;
    QTest::newRow("Chinese name") << u"小明"_s << u"888"_s << QByteArray("username=%D0%A1%C3%F7") << false;
}

void TestLookup::byName()
{
    QFETCH(QString, entry);
    QFETCH(QString, uid);
    QFETCH(QByteArray, query);
    QFETCH(bool, picture);

    m_form->Text1->setText(entry);
    m_form->Text1_LostFocus();
    QTRY_VERIFY_WITH_TIMEOUT(namePageRead(), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(avatarAnswered(), 5000);

    QCOMPARE(testSession().login().AvatarUid, uid);
    QVERIFY(m_form->profileName().isEmpty());
    QCOMPARE(m_form->Text1->text(), entry);
    QCOMPARE(showsDefaultAvatar(), !picture);
    QCOMPARE(sim().requestsTo(query).size(), 1);
    QCOMPARE(avatarRequests(), 1);
}

void TestLookup::unknownEntries_data()
{
    QTest::addColumn<QString>("entry");
    QTest::newRow("unknown name") << u"nobody"_s;
    QTest::newRow("name with form characters") << u"a&uid=1234"_s;
}

void TestLookup::unknownEntries()
{
    QFETCH(QString, entry);
    m_form->Text1->setText(entry);
    testSession().login().AvatarUid = u"1234"_s;
    m_form->Text1_LostFocus();
    QTRY_COMPARE_WITH_TIMEOUT(m_form->status(), kUnknown, 5000);

    QVERIFY(m_form->Text1->text().isEmpty());
    QVERIFY(m_session->seams.messages.isEmpty()); // the status line only
    QCOMPARE(testSession().login().AvatarUid, u"1234"_s); // a name that names nobody leaves the UID alone
    QCOMPARE(avatarRequests(), 0);
}

void TestLookup::emptyBox_data()
{
    QTest::addColumn<QString>("entry"); // what the box holds when left
    QTest::addColumn<bool>("emptyPage");
    QTest::addColumn<QString>("text");
    // The empty name's page names nobody: the box stays empty, the message shows only for typed text.
    QTest::newRow("notice page") << QString() << false << QString();
    // A page that brings nothing is no failure: the prompt comes back.
    QTest::newRow("empty page") << QString() << true << kPrompt;
    // The prompt left in the box is the empty box it stands for: never taken for an unknown name.
    QTest::newRow("prompt, notice page") << kPrompt << false << kPrompt;
    QTest::newRow("prompt, empty page") << kPrompt << true << kPrompt;
}

void TestLookup::emptyBox()
{
    QFETCH(QString, entry);
    QFETCH(bool, emptyPage);
    QFETCH(QString, text);
    if (emptyPage)
        sim().setFault(ForumSimulator::Fault::Empty, "username=");
    const QString before = m_form->status();
    m_form->Text1->setText(entry);
    m_form->Text1_LostFocus();
    QTRY_COMPARE_WITH_TIMEOUT(sim().requestsTo("username=").size(), 1, 5000);
    // The notice page is kept by the lookup, which has then ended. An empty page leaves no trace
    // but in the box: whatever it is to hold, it holds from then on.
    if (!emptyPage)
        QTRY_VERIFY_WITH_TIMEOUT(namePageRead(), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(m_form->Text1->text(), text, 5000);
    QVERIFY(neverWithin(500, [&] { return m_form->Text1->text() != text || m_form->status() != before; }));
    QCOMPARE(m_form->Text1->text(), text);
    QCOMPARE(m_form->status(), before);
    for (const auto &r : sim().requests())
        QVERIFY2(!r.pathAndQuery.contains("username=%C7%EB"), r.pathAndQuery.constData()); // the prompt's GBK bytes
}

void TestLookup::avatarProbeFaults_data()
{
    QTest::addColumn<ForumSimulator::Fault>("fault");
    using F = ForumSimulator::Fault;
    QTest::newRow("empty") << F::Empty;
    QTest::newRow("HTML page with 200") << F::ErrorPage;
    QTest::newRow("status 500") << F::Status500;
    QTest::newRow("dropped") << F::Drop;
    QTest::newRow("beyond 8 MiB") << F::Huge;
    QTest::newRow("no answer within the time limit") << F::NoAnswer;
}

void TestLookup::avatarProbeFaults()
{
    QFETCH(ForumSimulator::Fault, fault);
    // First a picture, so that falling back to the default is seen.
    m_form->Text1->setText(u"1234"_s);
    m_form->Text1_LostFocus();
    QTRY_VERIFY_WITH_TIMEOUT(uidPageRead(), 5000);
    QVERIFY(!showsDefaultAvatar());

    sim().setFault(fault, "/uc_server/");
    m_form->Text1_LostFocus();
    // The avatar may take up to the time limit (3 s) to fail; the page comes after it.
    QTRY_VERIFY_WITH_TIMEOUT(uidPageRead(), 10000);
    QVERIFY(showsDefaultAvatar());
    QCOMPARE(m_form->profileName(), u"alice"_s); // the lookup itself went on
    QCOMPARE(m_form->Text1->text(), u"1234"_s);
}

void TestLookup::leavingTheBoxLooksUp()
{
    // The member clicks into the box (the prompt goes), types a UID and tabs on.
    m_form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_form));
    QTest::mouseClick(m_form->Text1, Qt::LeftButton);
    QVERIFY(m_form->Text1->text().isEmpty());
    m_form->Text1->setFocus();
    QTest::keyClicks(m_form->Text1, u"42"_s);
    QTest::keyClick(m_form->Text1, Qt::Key_Tab);
    QTRY_COMPARE_WITH_TIMEOUT(m_form->profileName(), u"vipbob"_s, 5000);
    QCOMPARE(testSession().login().AvatarUid, u"42"_s);
    QVERIFY(!showsDefaultAvatar());

    // Back into the box, typed over with a name nobody has, and left again.
    m_form->Text1->setFocus();
    m_form->Text1->selectAll();
    QTest::keyClicks(m_form->Text1, u"ghost"_s);
    QTest::keyClick(m_form->Text1, Qt::Key_Tab);
    QTRY_COMPARE_WITH_TIMEOUT(m_form->status(), kUnknown, 5000);
    QVERIFY(m_form->Text1->text().isEmpty());
    QTRY_VERIFY(m_form->Text1->hasFocus());
}

void TestLookup::clickingLoginFromTheBoxStillLogsIn()
{
    // The focus leaves the account box with the press on the login button. The release is already
    // queued behind the press, as a window system delivers it: the lookup's wait must not swallow it.
    sim().setFault(ForumSimulator::Fault::NoAnswer, "loginsubmit=yes");
    m_form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_form));
    m_form->Text1->setText(u"1234"_s);
    m_form->Text2->setText(u"alice123"_s);
    m_form->Text1->setFocus();
    QVERIFY(m_form->Text1->hasFocus());

    const QPoint centre = m_form->Command1->rect().center();
    QCoreApplication::postEvent(m_form->Command1,
                                new QMouseEvent(QEvent::MouseButtonRelease, centre, m_form->Command1->mapToGlobal(centre),
                                                Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
    QTest::mousePress(m_form->Command1, Qt::LeftButton, {}, centre);
    QTRY_COMPARE_WITH_TIMEOUT(sim().requestsTo("loginsubmit=yes").size(), 1, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(m_form->profileName(), u"alice"_s, 5000);
    QCOMPARE(sim().requestsTo("uid=1234").size(), 1);
    QTest::mouseRelease(m_form->Command1, Qt::LeftButton, {}, centre); // the pointer state back to rest
    m_form->Command2->click();
}

void TestLookup::windowClosedDuringLookup_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QByteArray>("slowPath");
    QTest::newRow("UID, during the avatar") << u"1234"_s << QByteArray("/uc_server/");
    QTest::newRow("UID, during the page") << u"1234"_s << QByteArray("uid=");
    QTest::newRow("name, during the page") << u"vipbob"_s << QByteArray("username=");
    QTest::newRow("name, during the avatar") << u"vipbob"_s << QByteArray("/uc_server/");
}

void TestLookup::windowClosedDuringLookup()
{
    QFETCH(QString, entry);
    QFETCH(QByteArray, slowPath);
    sim().setSlowDelayMs(300);
    sim().setFault(ForumSimulator::Fault::Slow, slowPath);
    m_form->Text1->setText(entry);
    // The window goes away outright while the lookup waits for the slow request.
    QTimer::singleShot(100, this, [this] { delete m_form; });
    m_form->Text1_LostFocus();
    QTRY_VERIFY_WITH_TIMEOUT(!m_form, 5000);
    // The slow answer (due 300 ms after its request) reaches no one: nothing shows, nothing breaks.
    QVERIFY(neverWithin(600, [&] { return !m_session->seams.messages.isEmpty(); }));
    QVERIFY(m_session->seams.messages.isEmpty());
}

void TestLookup::newerLookupOwnsTheBox()
{
    // While the page for an unknown name is awaited, the member types a known UID and leaves the
    // box again: the older lookup's failure must not empty the box.
    sim().setSlowDelayMs(400);
    sim().setFault(ForumSimulator::Fault::Slow, "username=ghost");
    m_form->Text1->setText(u"ghost"_s);
    QTimer::singleShot(50, this, [this] {
        m_form->Text1->setText(u"1234"_s);
        m_form->Text1_LostFocus();
    });
    m_form->Text1_LostFocus();
    QTRY_COMPARE_WITH_TIMEOUT(m_form->profileName(), u"alice"_s, 5000);
    // The older lookup's answer was due 400 ms after its request: by then it has come or never will.
    QVERIFY(neverWithin(600, [&] { return m_form->Text1->text() != u"1234"_s || m_form->status() == kUnknown; }));
    QCOMPARE(m_form->Text1->text(), u"1234"_s);
    QCOMPARE(testSession().login().AvatarUid, u"1234"_s);
    QVERIFY(m_form->status() != kUnknown);
}

QTEST_MAIN(TestLookup)
#include "test_lookup.moc"
