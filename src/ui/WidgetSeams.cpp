#include "WidgetSeams.h"

#include "base/Seams.h"

#include <QDesktopServices>
#include <QMessageBox>
#include <QUrl>

namespace {

QMessageBox::Icon boxIcon(Seams::Icon icon)
{
    switch (icon) {
    case Seams::Icon::None:
        return QMessageBox::NoIcon;
    case Seams::Icon::Information:
        return QMessageBox::Information;
    case Seams::Icon::Exclamation:
        return QMessageBox::Warning;
    case Seams::Icon::Critical:
        return QMessageBox::Critical;
    case Seams::Icon::Question:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

QObject *openMessageBox(const Seams::MessageRequest &request, QObject *window,
                        std::function<void(Seams::Answer)> answered)
{
    // Modal to the window that asks, and gone with it; without one, to the whole program.
    auto *parent = qobject_cast<QWidget *>(window);
    auto *box = new QMessageBox(boxIcon(request.icon), request.title, request.text, QMessageBox::NoButton, parent);
    // Texts may come from the forum's replies: shown as written, never as markup.
    box->setTextFormat(Qt::PlainText);
    box->setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
    if (request.buttons == Seams::Buttons::YesNo) {
        box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box->setDefaultButton(QMessageBox::Yes);
        box->setEscapeButton(QMessageBox::No);
    } else {
        box->setStandardButtons(QMessageBox::Ok);
        box->setEscapeButton(QMessageBox::Ok);
    }
    const Seams::Buttons buttons = request.buttons;
    QObject::connect(box, &QMessageBox::finished, box, [box, buttons, answered = std::move(answered)](int clicked) {
        if (!answered) {
            box->deleteLater();
            return;
        }
        // The routine that asked goes on now; it lets the box go.
        answered(buttons == Seams::Buttons::Ok ? Seams::Answer::Ok
                                               : (clicked == QMessageBox::Yes ? Seams::Answer::Yes : Seams::Answer::No));
    });
    box->open();
    return box;
}

void openInBrowser(const QString &address)
{
    const QUrl url = QUrl::fromUserInput(address);
    if (url.isValid())
        QDesktopServices::openUrl(url);
}

} // namespace

namespace WidgetSeams {

void install()
{
    Seams::setMessageHandler({});
    Seams::setBoxOpener(openMessageBox);
    Seams::setUrlHandler(openInBrowser);
    // The end of the program keeps the seam's own default: flush and leave at once.
    Seams::setEndHandler({});
}

} // namespace WidgetSeams
