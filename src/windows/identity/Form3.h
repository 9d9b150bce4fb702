#pragma once
// Form3, the identity-check window. The login exchange shows it modally right after a successful
// sign-in. One second after it opens it fetches the VIP front page once, sets VipLevel, creates the
// member panel (whose start-up reads the member's pages and checks the version), writes the name,
// avatar and VIP status into the panel, closes itself and shows the panel. The member cannot close
// it: no close button, the close event and Esc are ignored; only the hand-over closes it.
//
// How the login exchange uses it, after a successful sign-in:
//
//     Form3::showModalAfterLogin(session, loginAvatarPixmap, session.login().MemberName);
//
// The call returns at once; once the window has closed itself the panel (Form2::of(session)) is on
// screen, unless the version check ended the program. A window can also be driven by hand:
//     Form3 w(session); w.Image1->setPixmap(avatar); w.Label3->setText(name); w.show();
#include "base/Routine.h"

#include <QDialog>
#include <QPixmap>
#include <QPointer>
#include <QString>
#include <memory>

class Form2;
class MemberSession;
class PanelReadings;
class QLabel;
class QTimer;
class QFrame;

class Form3 : public QDialog
{
    Q_OBJECT
public:
    // The window works on session (which must outlive it).
    explicit Form3(MemberSession &session, QWidget *parent = nullptr);
    ~Form3() override;

    // Fills Image1 and Label3 and shows the window modally; it deletes itself once it has closed.
    static Form3 *showModalAfterLogin(MemberSession &session, const QPixmap &avatar, const QString &memberName);
    // The session's identity-check window on screen, if any (tests and the demo look at it while
    // it waits).
    [[nodiscard]] static Form3 *current(MemberSession &session);

    // Fetches a page and gives its body (the shared page fetch).
    Task<QString> GetBody(QString url);

    // Controls, under their design names (also their object names).
    QLabel *Label1 = nullptr; // wait text with the dot animation
    QLabel *Label2 = nullptr; // "Identity verification"
    QLabel *Image1 = nullptr; // the member's avatar, set by the login exchange
    QLabel *Label3 = nullptr; // the member's name, set by the login exchange
    QTimer *Timer1 = nullptr; // one fetch and the hand-over, 1000 ms after opening
    QTimer *Timer2 = nullptr; // wait animation, every 1000 ms
    QFrame *Line1 = nullptr;  // horizontal rule
    QFrame *Line2 = nullptr;  // the small arrow under the rule's middle
    QFrame *Line3 = nullptr;
    QFrame *Line4 = nullptr;

    // Tick handlers (public so tests can step them).
    void Timer1_Timer();
    void Timer2_Timer();

    // True while the hand-over's fetch is under way or done (a later tick starts no second fetch).
    [[nodiscard]] bool handOverStarted() const { return m_handOverStarted; }

public slots:
    void reject() override;

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool event(QEvent *event) override;

private:
    MemberSession &m_session;
    void buildControls();
    void applyLook();
    void closeBySelf();
    void clearValues();
    Routine handOver();
    void preparePanel();

    // The panel's readings, started when the window first shows (they do not depend on what the
    // member sees meanwhile) and handed to the panel it creates.
    QPointer<PanelReadings> m_panelReadings;
    // The panel, made while the member watches this window's wait (once it has been painted) and
    // handed over ready; gone with this window if it never hands over.
    std::unique_ptr<Form2> m_preparedPanel;
    bool m_panelPreparationQueued = false;
    // Window-level values of one showing; emptied when it closes.
    QString m_pageText;
    qint16 m_dotCounter = 0;
    bool m_handOverStarted = false;
    bool m_closingBySelf = false;
    Routine m_handOver; // last: it ends before anything it uses goes
};
