#pragma once
// The program's three ways out to the user and the desktop: message boxes, the browser and the end
// of the program. Windows call these; tests replace the handlers to answer and observe.
#include "Routine.h"

#include <QPointer>
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

// Tests answer a box at once.
using MessageHandler = std::function<Answer(const MessageRequest &)>;
// The widget layer opens a box over window (modal to it; to the application when window is null)
// and returns it at once; answered, when given, is called with the member's answer.
using BoxOpener = std::function<QObject *(const MessageRequest &, QObject *window, std::function<void(Answer)> answered)>;
using UrlHandler = std::function<void(const QString &)>;
using EndHandler = std::function<void()>;

// Texts from the site can be megabytes long; a box shows at most kMaxBoxChars characters of one
// and a status line or label kMaxLineChars, the rest replaced by "…".
constexpr qsizetype kMaxBoxChars = 1000;
constexpr qsizetype kMaxLineChars = 200;
// text cut to at most maxChars characters (an ellipsis last when cut; a surrogate pair stays whole).
[[nodiscard]] QString readable(const QString &text, qsizetype maxChars);

// `co_await Seams::ask(window, text, icon[, buttons])`: shows a box modal to window and goes on with
// the member's answer; the window stays painted and its routine waits. The text is cut to
// kMaxBoxChars. Ended with its routine, the box goes too.
class [[nodiscard]] Asking
{
public:
    Asking(QObject *window, MessageRequest request);
    Asking(Asking &&) = delete;
    ~Asking();
    bool await_ready() const noexcept { return false; }
    template <typename Promise>
    bool await_suspend(std::coroutine_handle<Promise> handle)
    {
        if (!m_step.suspend(handle))
            return true;
        if (!answeredAtOnce()) {
            open();
            return true;
        }
        // Answered at once (a test's handler); the answer may have closed the window that asked,
        // and its routine then ends here.
        return m_step.ended();
    }
    Answer await_resume() const noexcept { return m_answer; }

private:
    bool answeredAtOnce();
    void open();
    QPointer<QObject> m_window;
    MessageRequest m_request;
    QPointer<QObject> m_box;
    Answer m_answer = Answer::Ok;
    Wait::Step m_step;
};
Asking ask(QObject *window, const QString &text, Icon icon, Buttons buttons = Buttons::Ok);
// Shows a box with an OK button over window and goes on at once: for a message that asks nothing.
void tell(QObject *window, const QString &text, Icon icon);
// Opens an address in the member's web browser.
void openUrl(const QString &url);
// Ends the program at once (the handler installed by tests returns instead).
void endProgram();

// Installing an empty handler restores the default. The default message handler is installed by
// the widget layer (WidgetSeams); without one a box is printed to stderr and answered Ok / No.
void setMessageHandler(MessageHandler handler);
void setBoxOpener(BoxOpener opener);
void setUrlHandler(UrlHandler handler);
void setEndHandler(EndHandler handler);

} // namespace Seams
