// The saved account around a whole sign-in against the forum simulator: the automatic sign-in at
// start reaching the member panel, the save step after the forum's acceptance, and a program
// folder that cannot be written.
#include "base/CodePage.h"
#include "base/State.h"
#include "IniFiles.h"
#include "net/CookieStore.h"
#include "net/Network.h"
#include "rules/SavedAccount.h"
#include "session/QuorvelModule.h"
#include "SimSession.h"
#include "windows/login/Form1.h"
#include "windows/panel/Form2.h"
#include "TestSession.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;

class TestSavedAccountSignIn : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void automaticSignInReachesPanel_data();
    void automaticSignInReachesPanel();
    void signInWithoutKeepingBlanksAccount();
    void unwritableFolderLeavesSignInWorking();

private:
    [[nodiscard]] bool handedOver() const
    {
        return (!m_form || !m_form->isVisible()) && Form2::existing(testSession()) && Form2::existing(testSession())->isVisible();
    }
    [[nodiscard]] qsizetype probes() const;
    [[nodiscard]] QString iniPath() const { return m_session->dir.file(u"login.ini"_s); }
    ForumSimulator &sim() { return m_session->sim(); }

    std::unique_ptr<SimSession> m_session;
    QPointer<Form1> m_form;
};

void TestSavedAccountSignIn::init()
{
    m_session = std::make_unique<SimSession>(5000);
    QVERIFY(m_session->isRunning());
}

void TestSavedAccountSignIn::cleanup()
{
    testSession().setLoginWindowOpener({});
    delete m_form;
    Form2::destroy(testSession());
    m_session.reset();
}

qsizetype TestSavedAccountSignIn::probes() const
{
    const auto all = m_session->sim().requests();
    return std::count_if(all.begin(), all.end(), [](const auto &r) { return r.role == ForumSimulator::Role::Probe; });
}

void TestSavedAccountSignIn::automaticSignInReachesPanel_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("memberName");
    QTest::addColumn<QByteArray>("postedFields");

    QTest::newRow("file of the Windows client, with a question")
        << fileBytes(windowsFile(u"login-windows.ini"_s)) << u"dave"_s
        << QByteArray("&username=dave&password=dave000&questionid=3&answer=%C9%CF%BA%A3");
    QTest::newRow("Chinese name, form characters")
        << iniBytes({u"保存账号=是"_s, u"USER=小明"_s, u"PASS="_s + SavedAccount::encipher(u"xm&=+%密码"_s), u"ASK=0"_s,
                     u"ANS="_s, u"自动登录=是"_s})
        << u"小明"_s << QByteArray("&username=%D0%A1%C3%F7&password=xm%26%3D%2B%25%C3%DC%C2%EB");
}

void TestSavedAccountSignIn::automaticSignInReachesPanel()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, memberName);
    QFETCH(QByteArray, postedFields);
    {
        QFile ini(iniPath());
        QVERIFY(ini.open(QIODevice::WriteOnly));
        QCOMPARE(ini.write(file), file.size());
    }

    m_form = Form1::openNew(testSession());
    QTRY_VERIFY_WITH_TIMEOUT(handedOver(), 15000);
    QCOMPARE(Form2::existing(testSession())->Label3->text(), memberName);
    QVERIFY(m_session->seams.messages.isEmpty());

    // One sign-in, with what the file held.
    const auto posts = sim().requestsTo("loginsubmit=yes");
    QCOMPARE(posts.size(), 1);
    QVERIFY2(posts.first().body.endsWith(postedFields), posts.first().body.constData());
    QCOMPARE(probes(), 1);
    // The save step wrote the same values back: the file is unchanged to the byte.
    QCOMPARE(fileBytes(iniPath()), file);

    // The member signs out in the panel: the fresh login window restores the account and shows
    // the choice, but does not sign in again in this run.
    testSession().setLoginWindowOpener(
        [this](MemberSession &session, QWidget *windowGivingWay) { m_form = Form1::openNew(session, windowGivingWay); });
    m_session->seams.queueAnswer(Seams::Answer::Yes);
    const QPointer<Form1> signedIn = m_form;
    const QPointer<Form2> panel = Form2::existing(testSession());
    // The fresh window's lookup of the restored account answers late.
    sim().setSlowDelayMs(300);
    sim().setFault(ForumSimulator::Fault::Slow, {}, ForumSimulator::Role::Home);
    panel->Command5_Click();
    QTRY_VERIFY_WITH_TIMEOUT(m_form != signedIn, 10000);
    // Until the fresh window is up the panel stays: with no window left the program would end.
    QVERIFY(m_form && !m_form->isVisible());
    QVERIFY(panel && panel->isVisible());
    // The fresh window shows once its lookup is done, and the panel goes then.
    QTRY_VERIFY_WITH_TIMEOUT(m_form && m_form->isVisible(), 10000);
    QCOMPARE(testSession().login().AutoLoginBlocked, qint16(1));
    QTRY_VERIFY(!panel);
    QCOMPARE(m_form->Text1->text(), memberName);
    QVERIFY(m_form->Check2->isChecked());
    QVERIFY(m_form->Command1->isEnabled());
    QVERIFY(m_form->Picture2->isHidden());
    QCOMPARE(m_form->status(), u"请输入用户名及密码.."_s);
    QCOMPARE(probes(), 1);
    QCOMPARE(sim().requestsTo("loginsubmit=yes").size(), 1);
}

void TestSavedAccountSignIn::signInWithoutKeepingBlanksAccount()
{
    QVERIFY(QFile::copy(windowsFile(u"login-windows.ini"_s), iniPath()));
    QVERIFY(QFile::setPermissions(iniPath(), QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    testSession().login().AutoLoginBlocked = 1;
    m_form = Form1::openNew(testSession());
    QTRY_VERIFY_WITH_TIMEOUT(m_form->isVisible(), 10000); // after the restored account's lookup
    QCOMPARE(m_form->Text1->text(), u"dave"_s);
    QVERIFY(m_form->Check2->isChecked());

    m_form->Text1->setText(u"alice"_s);
    m_form->Text2->setText(u"alice123"_s);
    m_form->Combo1->setCurrentIndex(0);
    m_form->Check1->setChecked(false);
    m_form->Command1->click();
    QTRY_VERIFY_WITH_TIMEOUT(handedOver(), 15000);
    QCOMPARE(testSession().login().AutoLoginBlocked, qint16(0));
    QCOMPARE(fileBytes(iniPath()),
             iniBytes({u"保存账号=否"_s, u"USER="_s, u"PASS="_s, u"ASK=0"_s, u"ANS="_s, u"自动登录=是"_s}));
}

void TestSavedAccountSignIn::unwritableFolderLeavesSignInWorking()
{
    // login.ini taken by a folder fails every write, also for root (a read-only folder would not).
    QVERIFY(QDir(m_session->dir.path()).mkdir(u"login.ini"_s));
    m_form = Form1::openNew(testSession());
    QTRY_VERIFY_WITH_TIMEOUT(m_form->isVisible(), 10000);
    m_form->Text1->setText(u"alice"_s);
    m_form->Text2->setText(u"alice123"_s);
    m_form->Check2->setChecked(true);
    QVERIFY(m_form->Check1->isChecked());
    m_form->Command1->click();
    QTRY_VERIFY_WITH_TIMEOUT(handedOver(), 15000);
    QCOMPARE(Form2::existing(testSession())->Label3->text(), u"alice"_s);
    QVERIFY(m_session->seams.messages.isEmpty());
    QVERIFY(QFileInfo(iniPath()).isDir());
}

QTEST_MAIN(TestSavedAccountSignIn)
#include "test_savedaccount_signin.moc"
