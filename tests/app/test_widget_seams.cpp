// The real program's seams: message boxes and the browser.
#include "base/Seams.h"
#include "ui/WidgetSeams.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

struct SeenBox {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    Qt::WindowModality modality = Qt::NonModal;
    Qt::TextFormat format = Qt::AutoText;
};

// Waits for the modal box, records it and lets `answer` close it.
Seams::Answer answerBox(const std::function<Seams::Answer()> &show, const std::function<void(QMessageBox *)> &answer,
                        SeenBox *seen)
{
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        poll.stop();
        *seen = {box->windowTitle(), box->text(), box->icon(), box->standardButtons(), box->windowModality(),
                 box->textFormat()};
        answer(box);
    });
    poll.start();
    return show();
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
    void initTestCase() { WidgetSeams::install(); }

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
        const Seams::Answer got = answerBox(
            [&] { return Seams::messageBox(text, Seams::Icon(icon), yesNo ? Seams::Buttons::YesNo : Seams::Buttons::Ok); },
            [click](QMessageBox *box) {
                if (click == 0)
                    QTest::keyClick(box, Qt::Key_Escape);
                else
                    box->button(QMessageBox::StandardButton(click))->click();
            },
            &seen);
        QCOMPARE(int(got), answer);
        QCOMPARE(seen.title, u"Quorvel软件"_s);
        QCOMPARE(seen.text, text);
        QCOMPARE(int(seen.icon), shownIcon);
        QCOMPARE(seen.buttons, yesNo ? (QMessageBox::Yes | QMessageBox::No) : QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(seen.modality, Qt::ApplicationModal);
        QCOMPARE(seen.format, Qt::PlainText);
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
