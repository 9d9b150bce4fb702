// The saved account in login.ini: restore, automatic sign-in, save step and session reset.
#include "Form1.h"
#include "net/Inet.h"

#include "base/Settings.h"
#include "base/State.h"
#include "rules/SavedAccount.h"
#include "session/MemberSession.h"
#include "session/SiteSession.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include <QWidget>

bool Form1::bcsz()
{
    // Each step stands on its own: a value the cipher cannot take leaves its box as it was.
    const SavedAccount saved = SavedAccount::load(SavedAccount::filePath(m_session.settings().dataDir()));
    if (!saved.keepsAccount())
        return false;
    Text1->setText(saved.user);
    if (const std::optional<QString> password = SavedAccount::decipher(saved.pass))
        Text2->setText(*password);
    if (saved.restoresQuestion()) {
        // Selecting runs Combo1_Click, which sets QuestionId and shows the answer box.
        if (const std::optional<int> position = saved.questionPosition())
            Combo1->setCurrentIndex(*position);
        if (const std::optional<QString> answer = SavedAccount::decipher(saved.ans))
            Text3->setText(*answer);
    }
    Check1->setChecked(true);
    return true;
}

void Form1::zddl()
{
    if (!SavedAccount::load(SavedAccount::filePath(m_session.settings().dataDir())).signsInAutomatically())
        return;
    Check2->setChecked(true); // Check2_Click ticks Check1 as well
    // After a sign-out in this run the member chose to stay out: no sign-in on their behalf.
    if (m_session.login().AutoLoginBlocked != 0 || LoginRequest::typedAccount(Text1->text()).isEmpty() || Text2->text().isEmpty())
        return;
    setStatus(QStringLiteral("正在进行自动登录.."));
    Command1_Click();
}

void Form1::qcdl()
{
    // Back to input, then no half-open sign-in left behind: the forum signs the member out, the
    // cookie store forgets the session and the cookie files go.
    backToInputs();
    LogOutTransfer = m_session.site().drop(); // not on a control of the window: the log-out outlives it
}

void Form1::backToInputs()
{
    setInputsEnabled(true);
    Picture2->hide();
}

SavedAccount Form1::accountToSave() const
{
    return SavedAccount::fromSignIn(Check1->isChecked(), Text1->text(), Text2->text(), Combo1->currentIndex() != 0,
                                    m_session.login().QuestionId, Text3->text(), Check2->isChecked());
}

void Form1::Check2_Click()
{
    // Automatic sign-in needs a kept account. Ticking writes nothing: the next sign-in records it;
    // unticking is recorded at once, so a later start does not sign in even without a sign-in now.
    if (Check2->isChecked())
        Check1->setChecked(true);
    else
        SavedAccount::saveAutoLoginOff(SavedAccount::filePath(m_session.settings().dataDir()));
}
