#pragma once
// The client's windows as a test finds them: the login windows on screen, and everything a test
// may leave behind, gone before the next test (the member panel and every login window).
#include "windows/login/Form1.h"
#include "windows/panel/Form2.h"

#include <QApplication>
#include <QPointer>

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
    Form2::destroyInstance();
    // A login window takes its balloons with it: collect first, then delete what is still there.
    QList<QPointer<Form1>> forms;
    for (QWidget *window : QApplication::topLevelWidgets())
        if (auto *form = qobject_cast<Form1 *>(window))
            forms.append(form);
    for (const QPointer<Form1> &form : std::as_const(forms))
        delete form.data();
}
