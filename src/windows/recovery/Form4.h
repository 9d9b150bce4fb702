#pragma once
// The lost-password window: the member's user name and security e-mail go to the forum's
// lost-password form, and the forum's answer is shown in a message box.
#include "base/Routine.h"

#include <QDialog>
#include <QString>

class MemberSession;
class QLabel;
class QLineEdit;
class QPushButton;

class Form4 : public QDialog
{
    Q_OBJECT
public:
    // The window works on session (which must outlive it).
    explicit Form4(MemberSession &session, QWidget *parent = nullptr);
    ~Form4() override;

    // Opens the window modal to `parent` (the login window's "找回密码" link) and returns at once;
    // the window is destroyed once the member closes it, or with `parent`.
    static void showModal(MemberSession &session, QWidget *parent);

    // The whole body of the last reply, and the part of it (or the fault message) that was shown.
    [[nodiscard]] QString replyText() const { return m_replyText; }
    [[nodiscard]] QString messageText() const { return m_messageText; }

private:
    MemberSession &m_session;
    void Command1_Click();
    Routine request();

    QLabel *Label1 = nullptr;
    QLineEdit *Text1 = nullptr;
    QLabel *Label2 = nullptr;
    QLineEdit *Text2 = nullptr;
    QPushButton *Command1 = nullptr;

    QString m_replyText;
    QString m_messageText;
    Routine m_request; // last: it ends before anything it uses goes
};
