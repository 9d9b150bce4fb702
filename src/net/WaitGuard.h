#pragma once
// What a blocking wait does with the member's input: the window keeps repainting and every other
// event runs, but mouse, keyboard, wheel, touch and shortcut input that arrives meanwhile is
// dropped, not held back and replayed once the wait is over (a click held through a long wait
// would land on whatever sits under the pointer by then). Input for the allowed object and its
// children (a cancel button on an overlay) still goes through. Not for use outside src/net.
#include <QObject>
#include <QPointer>

class WaitGuard : public QObject
{
    Q_OBJECT
public:
    explicit WaitGuard(QObject *allowed = nullptr);
    ~WaitGuard() override;
    WaitGuard(const WaitGuard &) = delete;
    WaitGuard &operator=(const WaitGuard &) = delete;

    // The kinds of event that count as the member's input.
    [[nodiscard]] static bool isUserInput(int eventType);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPointer<QObject> m_allowed;
};
