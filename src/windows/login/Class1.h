#pragma once
// The balloon tip of the login window's input boxes: set the box and the text, then Create. A
// second Create on the same object replaces its balloon; a balloon that cannot be made is no error.
#include <QPointer>
#include <QString>
#include <QWidget>

class Class1
{
public:
    Class1() = default;
    ~Class1();
    Class1(const Class1 &) = delete;
    Class1 &operator=(const Class1 &) = delete;

    // Shows the balloon at the parent control; the result tells nothing (callers ignore it).
    bool Create();
    // Write-only properties: the control the balloon points at, its title and its text. A new
    // title or text also changes the balloon already up.
    void ParentControl(QWidget *control);
    void ToolTipTitle(const QString &title);
    void ToolTipText(const QString &text);

    // The balloon now on screen, if any (for tests and for the owner's cleanup).
    [[nodiscard]] QWidget *balloon() const { return m_balloon; }

    // How long a balloon stays up unless clicked away.
    static constexpr int kShowMs = 5000;

private:
    void destroyBalloon();
    void updateBalloon();

    QPointer<QWidget> m_parent;
    QPointer<QWidget> m_balloon;
    QString m_title;
    QString m_text;
};
