#include "Controls.h"

#include <QLabel>

namespace Controls {

QLabel *makeLabel(QWidget *parent, const QString &name, const QString &text, const QRect &place)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setGeometry(place);
    return label;
}

void setUnderlined(QLabel *link, bool underlined)
{
    QFont font = link->font();
    if (font.underline() == underlined)
        return;
    font.setUnderline(underlined);
    link->setFont(font);
}

} // namespace Controls
