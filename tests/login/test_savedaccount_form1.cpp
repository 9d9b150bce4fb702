// The saved account through the real login window: restore at start, automatic sign-in, the
// "自动登录" box and the save step, each with login.ini in a temporary program folder and the forum
// simulator answering the account lookup.
#include "base/CodePage.h"
#include "base/State.h"
#include "IniFiles.h"
#include "net/CookieStore.h"
#include "net/Network.h"
#include "rules/SavedAccount.h"
#include "SimSession.h"
#include "windows/login/Form1.h"
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

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

QStringList account(const QString &choice, const QString &user, const QString &password, const QString &ask,
                    const QString &answer, const QString &autoLogin)
{
    return {u"保存账号="_s + choice,
            u"USER="_s + user,
            u"PASS="_s + SavedAccount::encipher(password),
            u"ASK="_s + ask,
            u"ANS="_s + SavedAccount::encipher(answer),
            u"自动登录="_s + autoLogin};
}

// The login window with the sign-in exchange stood in for: it records that the login button got
// through its checks and how the window looked then.
class SignInRecordingForm : public Form1
{
public:
    SignInRecordingForm()
        : Form1(testSession())
    {
        // Every text of the status line, in order (setStatus also sets it as the line's tip).
        Label5[1]->installEventFilter(this);
    }

    void login() override
    {
        ++signIns;
        inputsEnabledAtSignIn = Text1->isEnabled() || Text2->isEnabled() || Command1->isEnabled();
    }

    int signIns = 0;
    bool inputsEnabledAtSignIn = true;
    QStringList statusTexts;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == Label5[1] && event->type() == QEvent::ToolTipChange)
            statusTexts.append(Label5[1]->text());
        return Form1::eventFilter(watched, event);
    }
};

} // namespace

class TestSavedAccountForm1 : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void firstRunWithoutFile();
    void restoresSavedAccount_data();
    void restoresSavedAccount();
    void unreadablePassword_data();
    void unreadablePassword();
    void windowsFileSignsInOnce();
    void noAutomaticSignIn_data();
    void noAutomaticSignIn();
    void autoLoginBox();
    void saveStepWritesTheWindow();
    void passwordsSurviveTheFile_data();
    void passwordsSurviveTheFile();
    void unwritableFolder_data();
    void unwritableFolder();

private:
    std::unique_ptr<SignInRecordingForm> openWindow();
    void putIni(const QByteArray &bytes);
    [[nodiscard]] QString iniPath() const { return m_session->dir.file(u"login.ini"_s); }

    std::unique_ptr<SimSession> m_session;
};

void TestSavedAccountForm1::init()
{
    m_session = std::make_unique<SimSession>(5000);
    QVERIFY(m_session->isRunning());
}

void TestSavedAccountForm1::cleanup()
{
    m_session.reset();
    resetMemberState();
}

// The load returns at once; the window shows once the saved account's lookup is done, and the
// automatic sign-in, where there is one, starts right after. The callers wait for it to show.
std::unique_ptr<SignInRecordingForm> TestSavedAccountForm1::openWindow()
{
    auto form = std::make_unique<SignInRecordingForm>();
    form->Form_Load();
    return form;
}

void TestSavedAccountForm1::putIni(const QByteArray &bytes)
{
    QFile file(iniPath());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

void TestSavedAccountForm1::firstRunWithoutFile()
{
    const auto form = openWindow();
    QTRY_VERIFY_WITH_TIMEOUT(form->isVisible(), 10000);
    QCOMPARE(form->Text1->text(), Form1::kAccountPrompt);
    QVERIFY(form->Text2->text().isEmpty());
    QVERIFY(!form->Check1->isChecked());
    QVERIFY(!form->Check2->isChecked());
    QCOMPARE(form->Combo1->currentIndex(), 0);
    QCOMPARE(form->signIns, 0);
    QCOMPARE(form->status(), u"请输入用户名及密码.."_s);
    QVERIFY(m_session->seams.messages.isEmpty());
    // Reading creates nothing.
    QVERIFY(!QFileInfo::exists(iniPath()));
}

void TestSavedAccountForm1::restoresSavedAccount_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<bool>("restored");
    QTest::addColumn<QString>("account");
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("question");
    QTest::addColumn<QString>("answer");

    QTest::addColumn<QByteArray>("lookup"); // the profile page the restore looked the account up by

    QTest::newRow("user name") << account(u"是"_s, u"alice"_s, u"alice123"_s, u"0"_s, {}, u"否"_s) << true << u"alice"_s
                               << u"alice123"_s << 0 << QString() << QByteArray("username=alice&");
    QTest::newRow("UID") << account(u"是"_s, u"1234"_s, u"alice123"_s, u"0"_s, {}, u"否"_s) << true << u"1234"_s
                         << u"alice123"_s << 0 << QString() << QByteArray("uid=1234&");
    QTest::newRow("security question") << account(u"是"_s, u"dave"_s, u"dave000"_s, u"3"_s, u"上海"_s, u"否"_s) << true
                                       << u"dave"_s << u"dave000"_s << 3 << u"上海"_s << QByteArray("username=dave&");
    QTest::newRow("Chinese name and password")
        << account(u"是"_s, u"小明"_s, u"xm&=+%密码"_s, u"0"_s, {}, u"否"_s) << true << u"小明"_s << u"xm&=+%密码"_s
        << 0 << QString() << QByteArray("username=%D0%A1%C3%F7&");
    QTest::newRow("否 then 是 counts as on")
        << account(u"否是"_s, u"alice"_s, u"alice123"_s, u"0"_s, {}, u"否"_s) << true << u"alice"_s << u"alice123"_s
        << 0 << QString() << QByteArray("username=alice&");
    QTest::newRow("Yes counts as off") << account(u"Yes"_s, u"alice"_s, u"alice123"_s, u"0"_s, {}, u"否"_s) << false
                                       << Form1::kAccountPrompt << QString() << 0 << QString() << QByteArray();
    QTest::newRow("ASK 0 with an answer")
        << account(u"是"_s, u"dave"_s, u"dave000"_s, u"0"_s, u"上海"_s, u"否"_s) << true << u"dave"_s << u"dave000"_s
        << 0 << QString() << QByteArray("username=dave&");
    QTest::newRow("ASK 3 without an answer")
        << account(u"是"_s, u"dave"_s, u"dave000"_s, u"3"_s, {}, u"否"_s) << true << u"dave"_s << u"dave000"_s << 0
        << QString() << QByteArray("username=dave&");
    QTest::newRow("ASK above the list") << account(u"是"_s, u"dave"_s, u"dave000"_s, u"9"_s, u"上海"_s, u"否"_s) << true
                                        << u"dave"_s << u"dave000"_s << 0 << u"上海"_s << QByteArray("username=dave&");
}

void TestSavedAccountForm1::restoresSavedAccount()
{
    QFETCH(QStringList, entries);
    QFETCH(bool, restored);
    QFETCH(QString, account);
    QFETCH(QString, password);
    QFETCH(int, question);
    QFETCH(QString, answer);
    QFETCH(QByteArray, lookup);
    putIni(iniBytes(entries));
    const QByteArray before = fileBytes(iniPath());

    const auto form = openWindow();
    QTRY_VERIFY_WITH_TIMEOUT(form->isVisible(), 10000);
    QCOMPARE(form->Text1->text(), account);
    QCOMPARE(form->Text2->text(), password);
    QCOMPARE(form->Combo1->currentIndex(), question);
    QCOMPARE(testSession().login().QuestionId, QString::number(question));
    QCOMPARE(form->Text3->isHidden(), question == 0);
    QCOMPARE(form->Text3->text(), answer);
    // A restored account is looked up at once, before the window is up; nothing else is.
    const auto pages = m_session->sim().requestsTo("/home.php?mod=space&");
    QCOMPARE(pages.size(), lookup.isEmpty() ? 0 : 1);
    if (!lookup.isEmpty())
        QVERIFY2(pages.first().pathAndQuery.contains(lookup), pages.first().pathAndQuery.constData());
    QCOMPARE(form->Check1->isChecked(), restored);
    QVERIFY(!form->Check2->isChecked());
    QCOMPARE(form->signIns, 0);
    QVERIFY(m_session->seams.messages.isEmpty());
    QCOMPARE(fileBytes(iniPath()), before);
}

void TestSavedAccountForm1::unreadablePassword_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("message");
    QTest::newRow("not hex: the cipher says so") << u"zz"_s << u"错误：非十六进制数据！"_s;
    QTest::newRow("not whole blocks") << u"0123456789"_s << u"ciphertext size not a multiple of block size"_s;
    QTest::newRow("too short for the cipher") << u"A"_s << QString();
}

void TestSavedAccountForm1::unreadablePassword()
{
    QFETCH(QString, stored);
    QFETCH(QString, message);
    // The password and the answer are both unreadable; the rest of the restore still runs.
    putIni(iniBytes(
        {u"保存账号=是"_s, u"USER=alice"_s, u"PASS="_s + stored, u"ASK=2"_s, u"ANS="_s + stored, u"自动登录=是"_s}));
    const auto form = openWindow();
    QTRY_VERIFY_WITH_TIMEOUT(form->isVisible(), 10000);
    QCOMPARE(form->Text1->text(), u"alice"_s);
    QVERIFY(form->Text2->text().isEmpty());
    QCOMPARE(form->Combo1->currentIndex(), 2);
    QVERIFY(form->Text3->text().isEmpty());
    QVERIFY(form->Check1->isChecked());
    QVERIFY(form->Check2->isChecked());
    QCOMPARE(form->signIns, 0); // no password: no automatic sign-in
    const QStringList expected = message.isEmpty() ? QStringList() : QStringList{message, message};
    QCOMPARE(m_session->seams.messageTexts(), expected);
}

void TestSavedAccountForm1::windowsFileSignsInOnce()
{
    // A file the Windows client wrote: account, question and answer come back, and the window
    // signs in by itself, once.
    QVERIFY(QFile::copy(windowsFile(u"login-windows.ini"_s), iniPath()));
    const auto form = openWindow();
    QTRY_VERIFY_WITH_TIMEOUT(form->isVisible(), 10000);
    QCOMPARE(form->Text1->text(), u"dave"_s);
    QCOMPARE(form->Text2->text(), u"dave000"_s);
    QCOMPARE(form->Combo1->currentIndex(), 3);
    QCOMPARE(testSession().login().QuestionId, u"3"_s);
    QVERIFY(!form->Text3->isHidden());
    QCOMPARE(form->Text3->text(), u"上海"_s);
    QVERIFY(form->Check1->isChecked());
    QVERIFY(form->Check2->isChecked());

    QCOMPARE(form->signIns, 1);
    QVERIFY(!form->inputsEnabledAtSignIn);
    const qsizetype announced = form->statusTexts.indexOf(u"正在进行自动登录.."_s);
    QVERIFY2(announced >= 0, qPrintable(form->statusTexts.join(u" | "_s)));
    // The login button's own checks ran after the announcement and let it through.
    QCOMPARE(form->statusTexts.value(announced + 1), u"正在检测您的联网情况..."_s);
    QCOMPARE(fileBytes(iniPath()), fileBytes(windowsFile(u"login-windows.ini"_s)));
}

void TestSavedAccountForm1::noAutomaticSignIn_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<qint16>("blocked");
    QTest::addColumn<QString>("account");
    QTest::addColumn<bool>("saved");

    // The member signed out in this run: the box shows the choice, nothing starts.
    QTest::newRow("after a sign-out") << account(u"是"_s, u"alice"_s, u"alice123"_s, u"0"_s, {}, u"是"_s) << qint16(1)
                                      << u"alice"_s << true;
    // The account was not kept at the last sign-in: no password to sign in with.
    QTest::newRow("without a password") << QStringList{u"保存账号=否"_s, u"USER="_s, u"PASS="_s,
                                                       u"ASK=0"_s,       u"ANS="_s,  u"自动登录=是"_s}
                                        << qint16(0) << Form1::kAccountPrompt << false;
}

void TestSavedAccountForm1::noAutomaticSignIn()
{
    QFETCH(QStringList, entries);
    QFETCH(qint16, blocked);
    QFETCH(QString, account);
    QFETCH(bool, saved);
    putIni(iniBytes(entries));
    testSession().login().AutoLoginBlocked = blocked;
    const auto form = openWindow();
    QTRY_VERIFY_WITH_TIMEOUT(form->isVisible(), 10000);
    QCOMPARE(form->Text1->text(), account);
    QCOMPARE(form->Text2->text().isEmpty(), !saved);
    QVERIFY(form->Check2->isChecked());
    QVERIFY(form->Check1->isChecked()); // ticked with the automatic choice
    QCOMPARE(form->signIns, 0);
    QCOMPARE(form->status(), u"请输入用户名及密码.."_s);
    QVERIFY(form->Command1->isEnabled());
}

void TestSavedAccountForm1::autoLoginBox()
{
    QVERIFY(QFile::copy(windowsFile(u"login-windows.ini"_s), iniPath()));
    QVERIFY(QFile::setPermissions(iniPath(), QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    testSession().login().AutoLoginBlocked = 1;
    const auto form = openWindow();
    QTRY_VERIFY_WITH_TIMEOUT(form->isVisible(), 10000);
    QVERIFY(form->Check2->isChecked());
    form->Check1->setChecked(false);

    // Unticking is recorded at once, without a sign-in; the other box keeps its state.
    QTest::mouseClick(form->Check2, Qt::LeftButton);
    QVERIFY(!form->Check2->isChecked());
    QVERIFY(!form->Check1->isChecked());
    QByteArray expected = fileBytes(windowsFile(u"login-windows.ini"_s));
    expected.replace(CodePage::toAnsi(u"自动登录=是"_s), CodePage::toAnsi(u"自动登录=否"_s));
    QCOMPARE(fileBytes(iniPath()), expected);

    // Ticking asks for a kept account and writes nothing.
    QTest::mouseClick(form->Check2, Qt::LeftButton);
    QVERIFY(form->Check2->isChecked());
    QVERIFY(form->Check1->isChecked());
    QCOMPARE(fileBytes(iniPath()), expected);
    QCOMPARE(form->signIns, 0);
}

void TestSavedAccountForm1::saveStepWritesTheWindow()
{
    const auto form = openWindow();
    QTRY_VERIFY_WITH_TIMEOUT(form->isVisible(), 10000);
    form->Text1->setText(u"dave"_s);
    form->Text2->setText(u"dave000"_s);
    form->Combo1->setCurrentIndex(3);
    form->Text3->setText(u"上海"_s);
    form->Check2->setChecked(true);
    QVERIFY(form->Check1->isChecked());
    QVERIFY(form->accountToSave().save(iniPath()));
    // Byte for byte the file the Windows client writes for the same sign-in.
    QCOMPARE(fileBytes(iniPath()), fileBytes(windowsFile(u"login-windows.ini"_s)));

    // Not kept: the account is blanked, the automatic choice still recorded.
    form->Check1->setChecked(false);
    QVERIFY(form->accountToSave().save(iniPath()));
    QCOMPARE(fileBytes(iniPath()),
             iniBytes({u"保存账号=否"_s, u"USER="_s, u"PASS="_s, u"ASK=0"_s, u"ANS="_s, u"自动登录=是"_s}));

    // Kept without a question: the answer box's text is not stored.
    form->Combo1->setCurrentIndex(0);
    form->Text3->setText(u"上海"_s);
    form->Check1->setChecked(true);
    form->Check2->setChecked(false);
    QVERIFY(form->accountToSave().save(iniPath()));
    const SavedAccount saved = SavedAccount::load(iniPath());
    QCOMPARE(saved.ask, u"0"_s);
    QVERIFY(saved.ans.isEmpty());
    QCOMPARE(saved.autoLogin, u"否"_s);
    QCOMPARE(SavedAccount::decipher(saved.pass), u"dave000"_s);
}

void TestSavedAccountForm1::passwordsSurviveTheFile_data()
{
    QTest::addColumn<QString>("password");
    QTest::newRow("16 bytes") << u"0123456789abcdef"_s;
    QTest::newRow("17 bytes") << u"0123456789abcdefg"_s;
    QTest::newRow("32 bytes") << u"0123456789abcdef0123456789ABCDEF"_s;
    QTest::newRow("33 bytes") << u"0123456789abcdef0123456789ABCDEF!"_s;
    QTest::newRow("200 bytes") << QString(200, u'w');
    QTest::newRow("Chinese") << u"密码上海"_s;
    QTest::newRow("小明") << u"xm&=+%密码"_s;
}

void TestSavedAccountForm1::passwordsSurviveTheFile()
{
    QFETCH(QString, password);
    {
        const auto first = openWindow();
        QTRY_VERIFY_WITH_TIMEOUT(first->isVisible(), 10000);
        first->Text1->setText(u"alice"_s);
        first->Text2->setText(password);
        first->Combo1->setCurrentIndex(1);
        first->Text3->setText(password);
        first->Check1->setChecked(true);
        QVERIFY(first->accountToSave().save(iniPath()));
    }
    const auto next = openWindow();
    QTRY_VERIFY_WITH_TIMEOUT(next->isVisible(), 10000);
    QCOMPARE(next->Text2->text(), password);
    QCOMPARE(next->Text3->text(), password);
    QVERIFY(m_session->seams.messages.isEmpty());
}

void TestSavedAccountForm1::unwritableFolder_data()
{
    QTest::addColumn<bool>("folderReadOnly");
    // login.ini taken by a folder: no write can succeed, whoever runs the test.
    QTest::newRow("login.ini is a folder") << false;
    // A folder without write permission; root writes there anyway.
    QTest::newRow("read-only folder") << true;
}

void TestSavedAccountForm1::unwritableFolder()
{
    QFETCH(bool, folderReadOnly);
    if (folderReadOnly) {
        if (::geteuid() == 0)
            QSKIP("running as root: a folder without write permission does not stop root's writes");
        QVERIFY(QFile::setPermissions(m_session->dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    } else {
        QVERIFY(QDir(m_session->dir.path()).mkdir(u"login.ini"_s));
    }
    const auto form = openWindow();
    QTRY_VERIFY_WITH_TIMEOUT(form->isVisible(), 10000);
    form->Text1->setText(u"alice"_s);
    form->Text2->setText(u"alice123"_s);
    form->Check1->setChecked(true);
    form->Check2->setChecked(true);
    form->Check2->setChecked(false); // the immediate write fails quietly too
    // The save step's write fails; the sign-in that makes it goes on without a word.
    QVERIFY(!form->accountToSave().save(iniPath()));
    if (folderReadOnly)
        QVERIFY(QFile::setPermissions(m_session->dir.path(),
                                      QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
    QCOMPARE(QFileInfo(iniPath()).isDir(), !folderReadOnly);
    QVERIFY(!SavedAccount::load(iniPath()).keepsAccount());
    QVERIFY(m_session->seams.messages.isEmpty());
    // The window goes on: the login button still starts a sign-in.
    form->Command1_Click();
    QCOMPARE(form->signIns, 1);
}

QTEST_MAIN(TestSavedAccountForm1)
#include "test_savedaccount_form1.moc"
