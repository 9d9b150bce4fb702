#pragma once
// The program's three ways out to the user and the desktop: message boxes, the browser and the end
// of the program. Windows call these; tests replace the handlers to answer and observe.
#include <QString>
#include <functional>

namespace Seams {

enum class Icon { None, Information, Exclamation, Critical, Question };
enum class Buttons { Ok, YesNo };
enum class Answer { Ok, Yes, No };

inline const QString kTitle = QStringLiteral("Quorvel软件");

struct MessageRequest {
    QString text;
    Icon icon = Icon::Information;
    Buttons buttons = Buttons::Ok;
    QString title = kTitle;
};

using MessageHandler = std::function<Answer(const MessageRequest &)>;
using UrlHandler = std::function<void(const QString &)>;
using EndHandler = std::function<void()>;

// Texts from the site can be megabytes long; a box shows at most kMaxBoxChars characters of one
// and a status line or label kMaxLineChars, the rest replaced by "…".
constexpr qsizetype kMaxBoxChars = 1000;
constexpr qsizetype kMaxLineChars = 200;
// text cut to at most maxChars characters (an ellipsis last when cut; a surrogate pair stays whole).
[[nodiscard]] QString readable(const QString &text, qsizetype maxChars);

// Shows a box (modal) and returns the member's answer. The text is cut to kMaxBoxChars.
Answer messageBox(const QString &text, Icon icon, Buttons buttons = Buttons::Ok);
// Opens an address in the member's web browser.
void openUrl(const QString &url);
// Ends the program at once (the handler installed by tests returns instead).
void endProgram();

// Installing an empty handler restores the default. The default message handler is installed by
// the widget layer (WidgetSeams); without one a box is printed to stderr and answered Ok / No.
void setMessageHandler(MessageHandler handler);
void setUrlHandler(UrlHandler handler);
void setEndHandler(EndHandler handler);

} // namespace Seams
