#pragma once
// Small builders of controls that every window makes the same way.
#include <QRect>
#include <QString>

class QLabel;
class QWidget;

namespace Controls {

// A label named name at place. Labels show texts the forum sent (names, status, expiry): they are
// never read as markup.
QLabel *makeLabel(QWidget *parent, const QString &name, const QString &text, const QRect &place);

// A link's hover look: its text underlined or not (its font is changed only when it differs).
void setUnderlined(QLabel *link, bool underlined);

} // namespace Controls
