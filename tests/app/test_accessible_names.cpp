// Every control a member can reach in each window carries a Chinese name a screen reader
// announces, read back through Qt's accessibility layer as AT-SPI reads it.
#include "base/Settings.h"
#include "net/Network.h"
#include "SeamRecorder.h"
#include "SimFixture.h"
#include "start/Form5.h"
#include "TempDataDir.h"
#include "ui/AccessibleNames.h"
#include "windows/identity/Form3.h"
#include "windows/login/Form1.h"
#include "windows/panel/Form2.h"
#include "windows/recovery/Form4.h"
#include "TestSession.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <memory>

namespace {

bool hasChinese(const QString &text)
{
    for (const QChar c : text)
        if (c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF)
            return true;
    return false;
}

// Read out by the item chosen in them rather than by their own name.
bool isSelector(const QWidget *widget)
{
    return qobject_cast<const QComboBox *>(widget) || qobject_cast<const QTabBar *>(widget);
}

QString spokenName(QObject *object)
{
    QAccessibleInterface *face = QAccessible::queryAccessibleInterface(object);
    return face ? face->text(QAccessible::Name) : QString();
}

// Controls a member acts on and links (labels with a hand cursor or a tip) must have a Chinese
// name of their own; the status lines named by the caller must read their text and say in the
// description what they are. Returns the offenders.
QStringList unnamedControls(QWidget *window, const QStringList &statusLines)
{
    QStringList missing;
    auto check = [&](QWidget *widget) {
        if (widget->window() != window)
            return;
        // Named on purpose, not by chance of a caption: captions and status texts change
        // (English, "NONE", empty) and would leave the reader with nothing to say.
        const QString name = spokenName(widget);
        const bool spoken = isSelector(widget) ? !name.isEmpty() : name == widget->accessibleName();
        if (!hasChinese(widget->accessibleName()) || !spoken)
            missing << QStringLiteral("%1 %2 \"%3\"")
                           .arg(QLatin1String(widget->metaObject()->className()), widget->objectName(), name);
    };
    if (!hasChinese(spokenName(window)))
        missing << QStringLiteral("window %1").arg(window->objectName());
    for (QWidget *w : window->findChildren<QWidget *>()) {
        // Parts Qt builds inside a combo box or tab bar (its line edit, scroll buttons) are
        // announced through their owner.
        if (qobject_cast<QComboBox *>(w->parentWidget()) || qobject_cast<QTabBar *>(w->parentWidget()))
            continue;
        if (isSelector(w)) {
            // On Linux Qt announces a combo box or tab bar by its current item; what a combo box
            // is for goes in its description, a tab bar's tabs are read one by one.
            check(w);
            QAccessibleInterface *face = QAccessible::queryAccessibleInterface(w);
            if (!face) {
                missing << QStringLiteral("%1 not accessible").arg(w->objectName());
            } else if (auto *tabs = qobject_cast<QTabBar *>(w)) {
                // The tabs come first among the bar's children, each read by its own name.
                for (int i = 0; i < tabs->count(); ++i) {
                    QAccessibleInterface *tab = face->child(i);
                    if (!tab || !hasChinese(tab->text(QAccessible::Name)))
                        missing << QStringLiteral("%1 tab %2").arg(w->objectName()).arg(i);
                }
            } else if (!hasChinese(face->text(QAccessible::Description))) {
                missing << QStringLiteral("%1 has no description").arg(w->objectName());
            }
        } else if (qobject_cast<QLineEdit *>(w) || qobject_cast<QAbstractButton *>(w))
            check(w);
        else if (auto *label = qobject_cast<QLabel *>(w)) {
            const bool link = label->cursor().shape() == Qt::PointingHandCursor || !label->toolTip().isEmpty();
            if (statusLines.contains(label->objectName())) {
                // A status line is read by what it says now; what it is goes in the description.
                QAccessibleInterface *face = QAccessible::queryAccessibleInterface(label);
                if (!face || face->text(QAccessible::Name) != label->text()
                    || !hasChinese(face->text(QAccessible::Description)))
                    missing << QStringLiteral("status line %1 \"%2\"").arg(label->objectName(), spokenName(label));
            } else if (link) {
                check(label);
            }
        }
    }
    for (const QString &status : statusLines)
        if (!window->findChild<QLabel *>(status))
            missing << QStringLiteral("status line %1 not found").arg(status);
    return missing;
}

} // namespace

class TestAccessibleNames : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_dir = std::make_unique<TempDataDir>();
        m_seams = std::make_unique<SeamRecorder>();
    }
    void cleanup()
    {
        Form2::destroy(testSession());
        testSession().network().setTimeoutMs(0);
        m_seams.reset();
        m_dir.reset();
    }

    void loginWindow()
    {
        SimFixture sim; // hosts point at loopback; nothing here sends a request
        Form1 form(testSession());
        AccessibleNames::apply(&form);
        const QStringList missing = unnamedControls(&form, {QStringLiteral("Label5_1")});
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QLatin1Char('\n'))));
        QCOMPARE(spokenName(form.findChild<QLineEdit *>(QStringLiteral("Text1"))), QStringLiteral("用户名或UID"));
        QCOMPARE(spokenName(form.findChild<QLabel *>(QStringLiteral("Label1_1"))), QStringLiteral("找回密码"));
        QCOMPARE(spokenName(form.findChild<QWidget *>(QStringLiteral("Command2"))), QStringLiteral("取消登录"));
        auto *status = form.findChild<QLabel *>(QStringLiteral("Label5_1"));
        QCOMPARE(spokenName(status), QStringLiteral("请输入用户名及密码.."));
        QCOMPARE(status->accessibleDescription(), QStringLiteral("登录提示：登录过程的状态"));
    }

    void lostPasswordWindowOverTheLoginWindow()
    {
        // The lost-password window is a child of the login window with controls of the same
        // names: naming one window must not rename the other's.
        Form1 form(testSession());
        auto *lost = new Form4(testSession(), &form);
        AccessibleNames::apply(&form);
        AccessibleNames::apply(lost);
        AccessibleNames::apply(&form);
        QCOMPARE(spokenName(lost->findChild<QLineEdit *>(QStringLiteral("Text1"))), QStringLiteral("用户名"));
        QCOMPARE(spokenName(lost->findChild<QLineEdit *>(QStringLiteral("Text2"))), QStringLiteral("电子邮箱"));
        QCOMPARE(spokenName(lost->findChild<QWidget *>(QStringLiteral("Command1"))), QStringLiteral("提交"));
        QCOMPARE(spokenName(form.findChild<QLineEdit *>(QStringLiteral("Text2"))), QStringLiteral("密码"));
        const QStringList missing = unnamedControls(lost, {});
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QLatin1Char('\n'))));
    }

    void panel()
    {
        SimFixture sim;
        QVERIFY(sim.isRunning());
        testSession().network().setTimeoutMs(3000);
        Form2 *panel = Form2::of(testSession());
        QVERIFY(panel);
        AccessibleNames::apply(panel);
        const QStringList missing = unnamedControls(panel, {QStringLiteral("S1_2"), QStringLiteral("Label13")});
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QLatin1Char('\n'))));
        QCOMPARE(spokenName(panel->findChild<QWidget *>(QStringLiteral("Command6"))), QStringLiteral("兑换"));
        QCOMPARE(spokenName(panel->findChild<QWidget *>(QStringLiteral("Command5"))), QStringLiteral("注销"));
        // The badges name themselves; the table leaves them as they are.
        const auto badges = panel->findChildren<QLabel *>(QStringLiteral("aicAlphaImage1_0"));
        for (QLabel *badge : badges)
            QCOMPARE(spokenName(badge), QStringLiteral("QuorvelVIP会员"));
    }

    void identityAndStartWindows()
    {
        Form3 identity(testSession());
        AccessibleNames::apply(&identity);
        QStringList missing = unnamedControls(&identity, {QStringLiteral("Label1")});
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QLatin1Char('\n'))));

        Form5 start(testSession());
        AccessibleNames::apply(&start);
        missing = unnamedControls(&start, {});
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QLatin1Char('\n'))));
    }

    void namesEveryWindowAsItShows()
    {
        AccessibleNames::install();
        AccessibleNames::install(); // a second call adds no second watcher
        Form4 lost(testSession());
        QVERIFY(spokenName(lost.findChild<QLineEdit *>(QStringLiteral("Text2"))) != QStringLiteral("电子邮箱"));
        lost.show();
        QVERIFY(QTest::qWaitForWindowExposed(&lost));
        QCOMPARE(spokenName(&lost), QStringLiteral("找回密码"));
        QCOMPARE(spokenName(lost.findChild<QLineEdit *>(QStringLiteral("Text2"))), QStringLiteral("电子邮箱"));
        QCOMPARE(lost.findChild<QLineEdit *>(QStringLiteral("Text2"))->accessibleDescription(),
                 QStringLiteral("注册时填写的电子邮箱"));
    }

    void messageBoxStillReadsItsText()
    {
        // The watcher names only windows it knows: a message box keeps its text for the reader.
        AccessibleNames::install();
        QMessageBox box(QMessageBox::Information, QStringLiteral("Quorvel"), QStringLiteral("登录成功"));
        box.setTextFormat(Qt::PlainText);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        bool found = false;
        for (QLabel *label : box.findChildren<QLabel *>())
            if (label->text() == QStringLiteral("登录成功")) {
                QAccessibleInterface *face = QAccessible::queryAccessibleInterface(label);
                QVERIFY(face);
                found = face->text(QAccessible::Name) == QStringLiteral("登录成功");
            }
        QVERIFY(found);
        box.close();
    }

private:
    std::unique_ptr<TempDataDir> m_dir;
    std::unique_ptr<SeamRecorder> m_seams;
};

QTEST_MAIN(TestAccessibleNames)
#include "test_accessible_names.moc"
