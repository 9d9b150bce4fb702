#pragma once
// The client's windows as a test finds them: the login windows on screen, and everything a test
// may leave behind, gone before the next test (the member panel, the identity check and every
// login window).
#include "windows/identity/Form3.h"
#include "windows/login/Form1.h"
#include "windows/panel/Form2.h"
#include "TestSession.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QPointer>

#include <algorithm>
#include <iterator>

// How many of the five inputs the login window turns off while it waits (Command1, Combo1, Text1,
// Text2, Text3) take input; all five with the waiting overlay hidden is a window at rest.
inline int enabledLoginInputs(const Form1 *form)
{
    const QWidget *inputs[] = {form->Command1, form->Combo1, form->Text1, form->Text2, form->Text3};
    return int(std::count_if(std::begin(inputs), std::end(inputs), [](const QWidget *w) { return w->isEnabled(); }));
}

inline bool loginWindowIdle(const Form1 *form)
{
    return enabledLoginInputs(form) == 5 && form->Picture2->isHidden();
}

// The login windows now shown, oldest first.
inline QList<Form1 *> visibleLoginWindows()
{
    QList<Form1 *> found;
    for (QWidget *window : QApplication::topLevelWidgets())
        if (auto *form = qobject_cast<Form1 *>(window); form && form->isVisible())
            found.append(form);
    return found;
}

inline void closeClientWindows()
{
    Form2::destroy(testSession());
    // An identity check still waiting goes too (it deletes itself only once it has handed over).
    if (Form3 *check = Form3::current(testSession()); check && check->testAttribute(Qt::WA_DeleteOnClose))
        delete check;
    // A login window takes its balloons with it: collect first, then delete what is still there.
    QList<QPointer<Form1>> forms;
    for (QWidget *window : QApplication::topLevelWidgets())
        if (auto *form = qobject_cast<Form1 *>(window))
            forms.append(form);
    for (const QPointer<Form1> &form : std::as_const(forms))
        delete form.data();
}
