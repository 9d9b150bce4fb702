// The real program's seams: message boxes and the browser; Qt's own texts in them in Chinese.
#include "base/Logging.h"
#include "base/Seams.h"
#include "ui/QtTranslation.h"
#include "ui/WidgetSeams.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDesktopServices>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <functional>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

struct SeenBox {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    Qt::WindowModality modality = Qt::NonModal;
    Qt::TextFormat format = Qt::AutoText;
    QStringList buttonTexts; // as shown, Yes No Ok order
};

// A button or menu text as the member reads it: without the mnemonic's "&", without the key hint
// "(Y)" that Chinese texts put after the word, without the shortcut after a tab.
QString shownText(QString text)
{
    text = text.section(QLatin1Char('\t'), 0, 0);
    text.replace(QRegularExpression(u"&(.)"_s), u"\\1"_s);
    text.remove(QRegularExpression(u"\\([A-Za-z]\\)$"_s));
    return text;
}

Routine askInto(QWidget *window, QString text, Seams::Icon icon, Seams::Buttons buttons, std::optional<Seams::Answer> &answer)
{
    answer = co_await Seams::ask(window, text, icon, buttons);
}

// Asks over window, waits for the modal box, records it and lets `answer` close it; the answer
// the asking routine went on with (nullopt when it never did).
std::optional<Seams::Answer> answerBox(QWidget *window, const QString &text, Seams::Icon icon, Seams::Buttons buttons,
                                       const std::function<void(QMessageBox *)> &answer, SeenBox *seen)
{
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        poll.stop();
        QStringList texts;
        for (const QMessageBox::StandardButton which : {QMessageBox::Yes, QMessageBox::No, QMessageBox::Ok})
            if (const QAbstractButton *button = box->button(which))
                texts.append(shownText(button->text()));
        *seen = {box->windowTitle(), box->text(), box->icon(), box->standardButtons(), box->windowModality(),
                 box->textFormat(), texts};
        answer(box);
    });
    poll.start();
    std::optional<Seams::Answer> got;
    const Routine asking = askInto(window, text, icon, buttons, got);
    (void)QTest::qWaitFor([&] { return got.has_value(); }, 5000);
    return got;
}

} // namespace

class UrlCatcher : public QObject
{
    Q_OBJECT
public slots:
    void open(const QUrl &url) { urls.append(url); }

public:
    QList<QUrl> urls;
};

class TestWidgetSeams : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        WidgetSeams::install();
        // Without the catalogue the start goes on with Qt's English, said once under --verbose.
        QTemporaryDir empty;
        Logging::setVerbose(true);
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression(u"qtbase_zh_CN not found in "_s));
        QVERIFY(!QtTranslation::install(empty.path()));
        Logging::setVerbose(false);
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "&Yes"), u"&Yes"_s);
        // Qt's own catalogue, found where the start routine looks for it.
        QVERIFY2(QtTranslation::install(), "qtbase_zh_CN.qm missing: install qt6-translations-l10n");
    }

    void cleanupTestCase()
    {
        Seams::setMessageHandler({});
        Seams::setUrlHandler({});
    }

    void messageBoxes_data()
    {
        QTest::addColumn<int>("icon");
        QTest::addColumn<bool>("yesNo");
        QTest::addColumn<int>("click"); // the standard button pressed, or 0 for Escape
        QTest::addColumn<int>("shownIcon");
        QTest::addColumn<int>("answer");
        using S = Seams::Icon;
        QTest::newRow("information ok") << int(S::Information) << false << int(QMessageBox::Ok)
                                        << int(QMessageBox::Information) << int(Seams::Answer::Ok);
        QTest::newRow("exclamation ok") << int(S::Exclamation) << false << int(QMessageBox::Ok)
                                        << int(QMessageBox::Warning) << int(Seams::Answer::Ok);
        QTest::newRow("critical ok") << int(S::Critical) << false << int(QMessageBox::Ok) << int(QMessageBox::Critical)
                                     << int(Seams::Answer::Ok);
        QTest::newRow("question yes") << int(S::Question) << true << int(QMessageBox::Yes)
                                      << int(QMessageBox::Question) << int(Seams::Answer::Yes);
        QTest::newRow("exclamation no") << int(S::Exclamation) << true << int(QMessageBox::No)
                                        << int(QMessageBox::Warning) << int(Seams::Answer::No);
        QTest::newRow("escape is no") << int(S::Information) << true << 0 << int(QMessageBox::Information)
                                      << int(Seams::Answer::No);
    }

    void messageBoxes()
    {
        QFETCH(int, icon);
        QFETCH(bool, yesNo);
        QFETCH(int, click);
        QFETCH(int, shownIcon);
        QFETCH(int, answer);
        // Forum texts can hold markup; the box shows it as written.
        const QString text = u"<b>密码错误</b>，您还可以尝试 4 次"_s;
        SeenBox seen;
        // Modal to the window that asks: that window waits, the others stay live.
        QWidget window;
        window.show();
        const std::optional<Seams::Answer> got = answerBox(
            &window, text, Seams::Icon(icon), yesNo ? Seams::Buttons::YesNo : Seams::Buttons::Ok,
            [click](QMessageBox *box) {
                if (click == 0)
                    QTest::keyClick(box, Qt::Key_Escape);
                else
                    box->button(QMessageBox::StandardButton(click))->click();
            },
            &seen);
        QVERIFY(got);
        QCOMPARE(int(*got), answer);
        QCOMPARE(seen.title, u"Quorvel软件"_s);
        QCOMPARE(seen.text, text);
        QCOMPARE(int(seen.icon), shownIcon);
        QCOMPARE(seen.buttons, yesNo ? (QMessageBox::Yes | QMessageBox::No) : QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(seen.modality, Qt::WindowModal);
        QCOMPARE(seen.format, Qt::PlainText);
        // Qt's own button texts, in the interface's language.
        const QStringList buttonTexts = yesNo ? QStringList({u"是"_s, u"否"_s}) : QStringList({u"确定"_s});
        QCOMPARE(seen.buttonTexts, buttonTexts);
    }

    void textBoxMenuInChinese_data()
    {
        QTest::addColumn<int>("echo");
        QTest::addColumn<bool>("copyable");
        QTest::newRow("account box") << int(QLineEdit::Normal) << true;
        // A password box lists cut and copy, but never gives its text away.
        QTest::newRow("password box") << int(QLineEdit::Password) << false;
    }

    void textBoxMenuInChinese()
    {
        QFETCH(int, echo);
        QFETCH(bool, copyable);
        QLineEdit box(u"alice"_s);
        box.setEchoMode(QLineEdit::EchoMode(echo));
        box.selectAll();
        const std::unique_ptr<QMenu> menu(box.createStandardContextMenu());
        QStringList shown;
        QStringList enabled;
        const QList<QAction *> actions = menu->actions();
        for (const QAction *action : actions) {
            if (action->isSeparator())
                continue;
            shown.append(shownText(action->text()));
            if (action->isEnabled())
                enabled.append(shown.last());
        }
        QCOMPARE(shown, QStringList({u"撤消"_s, u"重做"_s, u"剪切"_s, u"复制"_s, u"粘贴"_s, u"删除"_s, u"全选"_s}));
        QCOMPARE(enabled.contains(u"复制"_s), copyable);
        // No word of Qt's own English left, in any entry the menu may have.
        for (const QString &text : std::as_const(shown))
            QVERIFY2(!text.contains(QRegularExpression(u"[A-Za-z]"_s)), qPrintable(text));
    }

    void openUrlGoesToTheDesktop()
    {
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler(u"http"_s, &catcher, "open");
        Seams::openUrl(u"http://bbs.quorvel.com/member.php?mod=register"_s);
        Seams::openUrl(u"bbs.quorvel.com/forum.php"_s);
        QDesktopServices::unsetUrlHandler(u"http"_s);
        QCOMPARE(catcher.urls.size(), 2);
        QCOMPARE(catcher.urls.at(0), QUrl(u"http://bbs.quorvel.com/member.php?mod=register"_s));
        QCOMPARE(catcher.urls.at(1), QUrl(u"http://bbs.quorvel.com/forum.php"_s));
    }
};

QTEST_MAIN(TestWidgetSeams)
#include "test_widget_seams.moc"
