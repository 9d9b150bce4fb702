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

Seams::Answer showMessageBox(const Seams::MessageRequest &request)
{
    // No parent: a window closed while the box is up must not take the box with it.
    QMessageBox box(boxIcon(request.icon), request.title, request.text, QMessageBox::NoButton);
    // Texts may come from the forum's replies: shown as written, never as markup.
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(Qt::ApplicationModal);
    if (request.buttons == Seams::Buttons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Ok);
    }
    const int clicked = box.exec();
    if (request.buttons == Seams::Buttons::Ok)
        return Seams::Answer::Ok;
    return clicked == QMessageBox::Yes ? Seams::Answer::Yes : Seams::Answer::No;
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
    Seams::setMessageHandler(showMessageBox);
    Seams::setUrlHandler(openInBrowser);
    // The end of the program keeps the seam's own default: flush and leave at once.
    Seams::setEndHandler({});
}

} // namespace WidgetSeams
