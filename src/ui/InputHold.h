#pragma once
// A window busy with a form post: it takes no input and shows that it waits (the wait cursor), as
// a busy window of the desktop does. What the member types or clicks on it meanwhile is not lost:
// it is held and handed to its controls, in order, once the post is over. Other windows stay live.
// Lives across the post's wait in the routine that posts.
#include <QObject>
#include <QPointer>

#include <memory>
#include <vector>

class QEvent;
class QWidget;

class InputHold : public QObject
{
    Q_OBJECT
public:
    explicit InputHold(QWidget *window);
    ~InputHold() override;
    InputHold(const InputHold &) = delete;
    InputHold &operator=(const InputHold &) = delete;

    // The kinds of event that are the member's input and are held (pointer moves are not: they
    // only hover).
    [[nodiscard]] static bool isHeldInput(int eventType);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Held {
        QPointer<QObject> target;
        std::unique_ptr<QEvent> event;
    };
    QPointer<QWidget> m_window;
    std::vector<Held> m_held;
};
