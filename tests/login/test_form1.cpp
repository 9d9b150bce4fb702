// The login window as the member meets it: controls, question list, input checks, cancel, clock,
// the account box's prompt and the balloon tips. The sign-in exchange itself is stood in for.
#include "ScriptedServer.h"
#include "SeamRecorder.h"
#include "SiteAddress.h"
#include "TempDataDir.h"

#include "base/Settings.h"
#include "base/State.h"
#include "windows/login/Class1.h"
#include "windows/login/Form1.h"
#include "TestSession.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMovie>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

// The window with the exchange replaced: records that login ran and what the window looked like.
class RecordingForm1 : public Form1
{
public:
    RecordingForm1()
        : Form1(testSession())
    {
    }
    void login() override
    {
        ++loginCalls;
        enabledAtLogin = {Command1->isEnabled(), Combo1->isEnabled(), Text3->isEnabled(), Text1->isEnabled(),
                          Text2->isEnabled()};
        statusAtLogin = status();
    }
    int loginCalls = 0;
    QList<bool> enabledAtLogin;
    QString statusAtLogin;
};

int visibleBalloons()
{
    int count = 0;
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (const QWidget *w : windows)
        if (w->objectName() == QLatin1String("BalloonTip") && w->isVisible())
            ++count;
    return count;
}

} // namespace

class TestForm1 : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void controlsAsBuilt();
    void loadPreparesTheWindow();
    void questionChoiceShowsAnswerBox();
    void loginChecks_data();
    void loginChecks();
    void cancelReenablesEverything();
    void keyboard();
    void clockText_data();
    void clockText();
    void clockTicks();
    void promptEmptiedOnlyByMouse();
    void balloons();
    void registrationLinkAndDrag();

private:
    std::unique_ptr<TempDataDir> m_data;
    std::unique_ptr<SeamRecorder> m_seams;
    std::unique_ptr<RecordingForm1> m_form;
    RecordingForm1 *loadForm();
};

void TestForm1::initTestCase()
{
    // Every site role and the probe on a loopback port that nobody listens on: whatever the
    // window's routines fetch fails at once, and nothing leaves the machine.
    const QString closed = closedLoopbackAddress();
    QVERIFY(!closed.isEmpty());
    pointSiteAt(closed);
}

void TestForm1::init()
{
    m_data = std::make_unique<TempDataDir>();
    m_seams = std::make_unique<SeamRecorder>();
}

void TestForm1::cleanup()
{
    m_form.reset();
    m_seams.reset();
    m_data.reset();
}

RecordingForm1 *TestForm1::loadForm()
{
    m_form = std::make_unique<RecordingForm1>();
    m_form->Form_Load();
    return m_form.get();
}

void TestForm1::controlsAsBuilt()
{
    RecordingForm1 form;
    QCOMPARE(form.size(), QSize(425, 391));
    QVERIFY(form.windowFlags() & Qt::FramelessWindowHint);

    struct Expected {
        const char *name;
        const char *parent;
        QString text;
    };
    const Expected controls[] = {
        {"Text1", "Picture1", QStringLiteral("请输入用户名或UID")},
        {"Text2", "Picture1", QString()},
        {"Text3", "Picture1", QString()},
        {"Check1", "Picture1", QStringLiteral("保存账号信息")},
        {"Check2", "Picture1", QStringLiteral("自动登录")},
        {"Command1", "Picture1", QStringLiteral("登录")},
        {"Label1_0", "Picture1", QStringLiteral("注册帐号")},
        {"Label1_1", "Picture1", QStringLiteral("找回密码")},
        {"Label2", "Picture2", QStringLiteral("USERNAME")},
        {"Command2", "Picture2", QStringLiteral("取消")},
        {"Label5_0", "Form1", QStringLiteral("登录提示:")},
        {"Label5_1", "Form1", QStringLiteral("请输入用户名及密码..")},
        {"Label5_2", "Form1", QStringLiteral("Time")},
        {"xButton", "Form1", QStringLiteral("x")},
        {"zButton", "Form1", QStringLiteral("-")},
    };
    for (const Expected &c : controls) {
        auto *w = form.findChild<QWidget *>(QLatin1String(c.name));
        QVERIFY2(w, c.name);
        QCOMPARE(w->parentWidget()->objectName(), QLatin1String(c.parent));
        QString text;
        if (auto *edit = qobject_cast<QLineEdit *>(w))
            text = edit->text();
        else if (auto *button = qobject_cast<QAbstractButton *>(w))
            text = button->text();
        else if (auto *label = qobject_cast<QLabel *>(w))
            text = label->text();
        QCOMPARE(text, c.text);
    }
    for (const char *name : {"AniGIF1", "Picture1", "Picture2", "Image1", "Image3", "Combo1", "Line1_0", "Line1_1"})
        QVERIFY2(form.findChild<QWidget *>(QLatin1String(name)), name);
    for (const char *name : {"Inet1", "Inet2", "Inet3"}) {
        QObject *inet = form.findChild<QObject *>(QLatin1String(name));
        QVERIFY2(inet && inet->parent() == form.Picture1, name);
    }
    auto *timer = form.findChild<QTimer *>(QStringLiteral("Timer1"));
    QVERIFY(timer && timer->isActive());
    QCOMPARE(timer->interval(), 1000);

    // Places: twips ÷ 15 inside the input panel.
    QCOMPARE(form.Text1->geometry(), QRect(184, 16, 169, 23));
    QCOMPARE(form.Command1->geometry(), QRect(48, 152, 329, 33));
    QCOMPARE(form.Image1->geometry(), QRect(48, 16, 120, 120));
    QCOMPARE(form.AniGIF1->geometry(), QRect(136, 8, 165, 157));
    QCOMPARE(form.Picture1->geometry(), QRect(0, 136, 425, 209));
    QCOMPARE(form.Image3->geometry(), QRect(168, 24, 96, 96));

    // Initial states.
    QVERIFY(form.Text3->isHidden());
    QVERIFY(form.Picture2->isHidden());
    QVERIFY(!form.Check1->isChecked());
    QVERIFY(!form.Check2->isChecked());
    QCOMPARE(form.Text2->echoMode(), QLineEdit::Password);
    QCOMPARE(form.Text3->echoMode(), QLineEdit::Password);
    QVERIFY(!form.Image1->pixmap().isNull());
    QCOMPARE(form.defaultAvatar().size(), QSize(120, 120));
    QVERIFY(form.bannerMovie->isValid());
    QCOMPARE(form.bannerMovie->frameRect().size(), QSize(165, 157));
}

void TestForm1::loadPreparesTheWindow()
{
    QWidget startWindow;
    startWindow.show();
    m_form = std::make_unique<RecordingForm1>();
    m_form->setStartWindow(&startWindow);
    m_form->Form_Load();
    Form1 &form = *m_form;

    QVERIFY(form.isVisible());
    QVERIFY(!startWindow.isVisible());
    QVERIFY(form.windowIcon().isNull());

    QStringList listed;
    for (int i = 0; i < form.Combo1->count(); ++i)
        listed.append(form.Combo1->itemText(i));
    QCOMPARE(listed, QStringList({QStringLiteral("安全提问"), QStringLiteral("母亲的名字"), QStringLiteral("爷爷的名字"),
                                  QStringLiteral("父亲出生的城市"), QStringLiteral("您其中一位老师的名字"),
                                  QStringLiteral("您个人计算机的型号"), QStringLiteral("您最喜欢的餐馆名称"),
                                  QStringLiteral("驾驶执照的最后四位数字")}));
    QCOMPARE(form.Combo1->currentIndex(), 0);
    QCOMPARE(testSession().login().QuestionId, QStringLiteral("0"));
    QVERIFY(form.Text3->isHidden());
    QCOMPARE(form.Check1->y(), 100);
    QCOMPARE(form.Check2->y(), 100);

    // Both panels sit inside the one-pixel frame line.
    QCOMPARE(form.Picture1->geometry(), QRect(1, 136, 423, 209));
    QCOMPARE(form.Picture2->geometry(), QRect(1, 136, 423, 209));

    // No saved account (fresh folder): nothing restored, no sign-in started.
    QCOMPARE(form.Text1->text(), Form1::kAccountPrompt);
    QCOMPARE(m_form->loginCalls, 0);
    QVERIFY(m_seams->messages.isEmpty());
}

void TestForm1::questionChoiceShowsAnswerBox()
{
    Form1 &form = *loadForm();
    form.Combo1->setCurrentIndex(3);
    QCOMPARE(testSession().login().QuestionId, QStringLiteral("3"));
    QVERIFY(form.Text3->isVisibleTo(&form));
    QCOMPARE(form.Check1->y(), 122);
    QCOMPARE(form.Check2->y(), 122);
    QTest::keyClicks(form.Text3, QStringLiteral("Beijing"));
    QCOMPARE(form.Text3->text(), QStringLiteral("Beijing"));

    // Back to "no question": the answer is hidden and forgotten.
    form.Combo1->setCurrentIndex(0);
    QCOMPARE(testSession().login().QuestionId, QStringLiteral("0"));
    QVERIFY(form.Text3->isHidden());
    QVERIFY(form.Text3->text().isEmpty());
    QCOMPARE(form.Check1->y(), 100);
    QCOMPARE(form.Check2->y(), 100);

    // A question again: the box comes back empty.
    form.Combo1->setCurrentIndex(7);
    QCOMPARE(testSession().login().QuestionId, QStringLiteral("7"));
    QVERIFY(form.Text3->isVisibleTo(&form));
    QVERIFY(form.Text3->text().isEmpty());

    // No selection at all leaves the question number as it was.
    form.Combo1->setCurrentIndex(-1);
    QCOMPARE(testSession().login().QuestionId, QStringLiteral("7"));
    QVERIFY(form.Text3->isVisibleTo(&form));
}

void TestForm1::loginChecks_data()
{
    QTest::addColumn<QString>("account");
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("question");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("status");

    const QString passed = QStringLiteral("正在检测您的联网情况...");
    const QString noAccount = QStringLiteral("请输入用户帐号，用户名或UID..");
    const QString noPassword = QStringLiteral("请输入密码..");
    const QString noAnswer = QStringLiteral("请输入安全提问答案..");

    QTest::newRow("nothing typed: the account comes first") << "" << "" << 0 << "" << noAccount;
    QTest::newRow("no account, password typed") << "" << "pw" << 0 << "" << noAccount;
    QTest::newRow("no account, unanswered question") << "" << "" << 2 << "" << noAccount;
    QTest::newRow("no password") << "alice" << "" << 0 << "" << noPassword;
    QTest::newRow("no password, unanswered question") << "alice" << "" << 2 << "" << noPassword;
    QTest::newRow("question without answer") << "alice" << "pw" << 2 << "" << noAnswer;
    QTest::newRow("question answered") << "alice" << "pw" << 2 << "Mary" << passed;
    QTest::newRow("no question, no answer") << "alice" << "pw" << 0 << "" << passed;
    QTest::newRow("no question, text left in the answer box") << "alice" << "pw" << 0 << "stale" << passed;
    // The prompt is the empty box it stands for: posting it would only cost a try.
    QTest::newRow("the prompt is no account") << "请输入用户名或UID" << "pw" << 0 << "" << noAccount;
    QTest::newRow("blanks count as typed") << " " << " " << 1 << " " << passed;
}

void TestForm1::loginChecks()
{
    QFETCH(QString, account);
    QFETCH(QString, password);
    QFETCH(int, question);
    QFETCH(QString, answer);
    QFETCH(QString, status);

    RecordingForm1 &form = *loadForm();
    form.Combo1->setCurrentIndex(question);
    form.Text1->setText(account);
    form.Text2->setText(password);
    form.Text3->setText(answer);

    QTest::mouseClick(form.Command1, Qt::LeftButton);

    const bool passes = status == QStringLiteral("正在检测您的联网情况...");
    QCOMPARE(form.loginCalls, passes ? 1 : 0);
    QVERIFY(m_seams->messages.isEmpty()); // prompts go to the status line only
    if (passes) {
        QCOMPARE(form.statusAtLogin, status);
        // Every input is disabled before the exchange starts.
        QCOMPARE(form.enabledAtLogin, QList<bool>({false, false, false, false, false}));
    } else {
        QCOMPARE(form.status(), status);
        for (QWidget *input : {static_cast<QWidget *>(form.Command1), static_cast<QWidget *>(form.Combo1),
                               static_cast<QWidget *>(form.Text1), static_cast<QWidget *>(form.Text2),
                               static_cast<QWidget *>(form.Text3)})
            QVERIFY2(input->isEnabled(), qPrintable(input->objectName()));
    }
}

void TestForm1::cancelReenablesEverything()
{
    RecordingForm1 &form = *loadForm();
    form.Text1->setText(QStringLiteral("alice"));
    form.Text2->setText(QStringLiteral("pw"));
    QTest::mouseClick(form.Command1, Qt::LeftButton);
    QCOMPARE(form.loginCalls, 1);
    QVERIFY(!form.Command1->isEnabled());
    form.Picture2->show();

    QTest::mouseClick(form.Command2, Qt::LeftButton);
    QVERIFY(form.Picture2->isHidden());
    QCOMPARE(form.status(), QStringLiteral("取消登录.."));
    for (QWidget *input : {static_cast<QWidget *>(form.Command1), static_cast<QWidget *>(form.Combo1),
                           static_cast<QWidget *>(form.Text1), static_cast<QWidget *>(form.Text2),
                           static_cast<QWidget *>(form.Text3)})
        QVERIFY2(input->isEnabled(), qPrintable(input->objectName()));

    // The window is usable again: the next attempt passes the checks once more.
    QTest::mouseClick(form.Command1, Qt::LeftButton);
    QCOMPARE(form.loginCalls, 2);
}

void TestForm1::keyboard()
{
    RecordingForm1 &form = *loadForm();
    // Tab order over the inputs that take the focus, the answer box included once it is asked for.
    form.Combo1->setCurrentIndex(2);
    QVERIFY(form.Text3->isVisible());
    QStringList chain;
    QWidget *widget = form.Text1;
    do {
        if ((widget->focusPolicy() & Qt::TabFocus) && widget->isVisible() && form.isAncestorOf(widget))
            chain << widget->objectName();
        widget = widget->nextInFocusChain();
    } while (widget != form.Text1 && chain.size() < 20);
    QCOMPARE(chain.mid(0, 7), QStringList({QStringLiteral("Text1"), QStringLiteral("Text2"), QStringLiteral("Combo1"),
                                           QStringLiteral("Text3"), QStringLiteral("Check1"),
                                           QStringLiteral("Check2"), QStringLiteral("Command1")}));

    // Enter in the password box runs the login button's checks: a missing answer stops it.
    form.Text1->setText(QStringLiteral("dave"));
    form.Text2->setText(QStringLiteral("dave000"));
    QTest::keyClick(form.Text2, Qt::Key_Return);
    QCOMPARE(form.loginCalls, 0);
    QCOMPARE(form.status(), QStringLiteral("请输入安全提问答案.."));

    // Enter in the answer box signs in.
    form.Text3->setText(QStringLiteral("上海"));
    QTest::keyClick(form.Text3, Qt::Key_Enter);
    QCOMPARE(form.loginCalls, 1);

    // Once the exchange runs, Enter does nothing more.
    QTest::keyClick(form.Text2, Qt::Key_Return);
    QTest::keyClick(form.Text3, Qt::Key_Return);
    QCOMPARE(form.loginCalls, 1);
}

void TestForm1::clockText_data()
{
    QTest::addColumn<QTime>("time");
    QTest::addColumn<QString>("text");
    QTest::newRow("no leading zeros") << QTime(9, 5) << "9:5";
    QTest::newRow("afternoon") << QTime(14, 3) << "14:3";
    QTest::newRow("midnight") << QTime(0, 0) << "0:0";
    QTest::newRow("two digits each") << QTime(23, 59) << "23:59";
    QTest::newRow("seconds ignored") << QTime(10, 10, 59) << "10:10";
}

void TestForm1::clockText()
{
    QFETCH(QTime, time);
    QFETCH(QString, text);
    QCOMPARE(Form1::clockText(time), text);
}

void TestForm1::clockTicks()
{
    Form1 &form = *loadForm();
    QCOMPARE(form.Label5[2]->text(), QStringLiteral("Time"));
    const QTime before = QTime::currentTime();
    // The timer's own tick, through its connection.
    QTRY_VERIFY_WITH_TIMEOUT(form.Label5[2]->text() != QLatin1String("Time"), 3000);
    const QTime after = QTime::currentTime();
    const QString shown = form.Label5[2]->text();
    QVERIFY2(shown == Form1::clockText(before) || shown == Form1::clockText(after), qPrintable(shown));
}

void TestForm1::promptEmptiedOnlyByMouse()
{
    Form1 &form = *loadForm();
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));

    // Reaching the box with the keyboard keeps the prompt.
    form.Text2->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(form.Text2, Qt::Key_Backtab, Qt::ShiftModifier);
    QTRY_VERIFY(form.Text1->hasFocus());
    QCOMPARE(form.Text1->text(), Form1::kAccountPrompt);

    // Pressing the mouse in it empties it.
    QTest::mousePress(form.Text1, Qt::LeftButton);
    QVERIFY(form.Text1->text().isEmpty());
    QTest::mouseRelease(form.Text1, Qt::LeftButton);

    // A real entry stays as it is.
    form.Text1->setText(QStringLiteral("bob"));
    QTest::mouseClick(form.Text1, Qt::LeftButton);
    QCOMPARE(form.Text1->text(), QStringLiteral("bob"));
    // Only the prompt itself is emptied, not a text that merely contains it.
    form.Text1->setText(Form1::kAccountPrompt + QLatin1Char('x'));
    QTest::mouseClick(form.Text1, Qt::LeftButton);
    QCOMPARE(form.Text1->text(), Form1::kAccountPrompt + QLatin1Char('x'));
}

void TestForm1::balloons()
{
    Form1 &form = *loadForm();
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QCOMPARE(visibleBalloons(), 0);

    // One click, one balloon: the balloon that starts watching the box must not be handed the
    // click that made it.
    QTest::mouseClick(form.Text1, Qt::LeftButton);
    QCOMPARE(visibleBalloons(), 1);
    QTest::mouseClick(form.Text1, Qt::LeftButton);
    QCOMPARE(visibleBalloons(), 1);

    // Another box: its own balloon; the first box lost the focus, and with it its balloon.
    QTest::mouseClick(form.Text2, Qt::LeftButton);
    QTRY_COMPARE(visibleBalloons(), 1);
    // Typing, a moment later, dismisses the prompt.
    QCoreApplication::processEvents();
    QTest::keyClick(form.Text2, Qt::Key_A);
    QTRY_COMPARE(visibleBalloons(), 0);
    QCOMPARE(form.Text2->text(), QStringLiteral("a"));

    // The class on its own: Create again replaces the balloon; without a control, nothing.
    Class1 tip;
    tip.ParentControl(form.Combo1);
    tip.ToolTipTitle(QStringLiteral("提示"));
    tip.ToolTipText(QStringLiteral("请输入安全问题答案"));
    QVERIFY(tip.Create());
    QPointer<QWidget> first = tip.balloon();
    QVERIFY(first && first->isVisible());
    tip.Create();
    QTRY_VERIFY(!first);
    QVERIFY(tip.balloon() && tip.balloon()->isVisible());
    Class1 orphan;
    orphan.ToolTipText(QStringLiteral("x"));
    QVERIFY(!orphan.Create());
    QVERIFY(!orphan.balloon());
}

void TestForm1::registrationLinkAndDrag()
{
    // A window never shown has no native window: pressing the banner or the background must
    // simply not drag.
    RecordingForm1 hidden;
    QTest::mousePress(hidden.AniGIF1, Qt::LeftButton);
    QTest::mousePress(&hidden, Qt::RightButton, {}, QPoint(5, 300));

    Form1 &form = *loadForm();
    QTest::mousePress(form.Label1[0], Qt::LeftButton);
    QCOMPARE(m_seams->openedUrls,
             QStringList(testSession().settings().url(HostRole::Forum, QStringLiteral("/member.php?mod=register"))));
}

QTEST_MAIN(TestForm1)
#include "test_form1.moc"
