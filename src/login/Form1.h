#pragma once
// The login window. Its controls carry the object names the rest of the program and the tests use
// ("Text1", "Label5_1", ...). The routines are grouped by concern; each group lives in its own file:
//   Form1.cpp              controls, start-up, input checks, cancel, clock, prompts, event routing
//   Form1_Login.cpp        the sign-in exchange (login, the reply handler of Inet1)
//   Form1_SavedAccount.cpp login.ini: restore, automatic sign-in, save step, session reset
//   Form1_Lookup.cpp       account lookup when Text1 is left, the avatar
//   Form1_Chrome.cpp       frame line, window drag, close and minimise buttons, links, hover looks
#include "login/ProfileLookup.h"

#include <QPixmap>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <memory>

class Class1;
class Inet;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMovie;
class QPushButton;
class QTime;
class QTimer;

class Form1 : public QWidget
{
    Q_OBJECT
public:
    // The account box's own prompt text; it counts as an entry when left in place.
    static inline const QString kAccountPrompt = QStringLiteral("请输入用户名或UID");
    // The security questions in list order; the position is the question number.
    static const QStringList &questions();
    // The status-bar clock: hour and minute without leading zeros ("9:5", "14:3").
    [[nodiscard]] static QString clockText(const QTime &time);
    // Client size in pixels (6375 × 5865 twips).
    static constexpr int kWidth = 425;
    static constexpr int kHeight = 391;

    explicit Form1(QWidget *parent = nullptr);
    ~Form1() override;

    // Creates a login window that deletes itself when closed, runs its load handler (which shows
    // it) and returns it. startWindow, when given, is closed once the login window is up.
    static Form1 *openNew(QWidget *startWindow = nullptr);

    // ---- Start-up (Form1.cpp) -------------------------------------------------------------
    void setStartWindow(QWidget *startWindow) { m_startWindow = startWindow; }
    void Form_Load();

    // ---- Controls -------------------------------------------------------------------------
    // Window surface
    QLabel *AniGIF1 = nullptr;
    QMovie *bannerMovie = nullptr;
    QLabel *Image2 = nullptr; // hidden: holds the default avatar
    QLabel *Label5[3] = {};   // status-bar caption, status line, clock
    QFrame *Line1[2] = {};
    QLabel *xButton = nullptr;
    QLabel *zButton = nullptr;
    // Input panel
    QWidget *Picture1 = nullptr;
    QLineEdit *Text1 = nullptr;
    QLineEdit *Text2 = nullptr;
    QComboBox *Combo1 = nullptr;
    QLineEdit *Text3 = nullptr;
    QCheckBox *Check1 = nullptr;
    QCheckBox *Check2 = nullptr;
    QPushButton *Command1 = nullptr;
    QLabel *Image1 = nullptr;
    QLabel *Label1[2] = {};
    QTimer *Timer1 = nullptr;
    Inet *Inet1 = nullptr; // the login post
    Inet *Inet2 = nullptr; // the avatar probe
    Inet *Inet3 = nullptr; // the network probe
    Inet *Inet5 = nullptr; // the log-out request
    // Sign-in overlay
    QWidget *Picture2 = nullptr;
    QLabel *Image3 = nullptr;
    QLabel *Label2 = nullptr;
    QPushButton *Command2 = nullptr;

    // The status line (Label5 item 1): every prompt and outcome of the window goes here.
    void setStatus(const QString &text);
    [[nodiscard]] QString status() const;
    // Command1, Combo1, Text3, Text1, Text2 together, in that order.
    void setInputsEnabled(bool enabled);
    // Moves the window with the pointer, as a grabbed title bar would; harmless without a
    // native window (off-screen tests).
    void startWindowDrag();
    // The default avatar as Image2 holds it.
    [[nodiscard]] QPixmap defaultAvatar() const;

    // ---- Input checks and handlers (Form1.cpp) --------------------------------------------
    void Combo1_Click();
    void Command1_Click();
    void Command2_Click();
    void Timer1_Timer();
    void Text1_MouseDown();
    void Text2_Click();
    void Text3_Click();
    void AniGIF1_MouseDown();

    // ---- Sign-in exchange (Form1_Login.cpp) -----------------------------------------------
    // Virtual so that tests can stand in for the exchange and observe the window handing over.
    virtual void login();
    void Inet1_StateChanged(int state);

    // ---- Saved account (Form1_SavedAccount.cpp) -------------------------------------------
    void bcsz();        // restore the saved account
    void zddl();        // automatic sign-in
    void qcdl();        // reset the window and drop the forum session
    void saveAccount(); // the save step after a successful sign-in
    void Check2_Click();

    // ---- Account lookup and avatar (Form1_Lookup.cpp) -------------------------------------
    void Text1_LostFocus();
    void txcx();
    // The lookup's working texts; profileName() is the name the forum gave for a UID entry.
    ProfileLookup::LookupSlots lookupSlots;
    [[nodiscard]] QString profileName() const { return lookupSlots.profileName(); }

    // ---- Window chrome and links (Form1_Chrome.cpp) ---------------------------------------
    void drawBorder(); // 绘制边框: the one-pixel frame line, drawn onto the persistent surface
    void Form_MouseDown();
    void Form_MouseMove();
    void Picture_MouseMove();
    void Label1_MouseMove(int index);
    void Label1_MouseDown(int index);
    void xButton_MouseMove();
    void xButton_MouseDown();
    void zButton_MouseMove();
    void zButton_MouseDown();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

    // What is drawn on the window stays drawn (the background and the frame line): paintEvent
    // shows this surface. Built by the load handler, drawn on by drawBorder().
    QPixmap m_surface;

private:
    void createControls();
    void createPanel();
    void createOverlay();
    void createStatusBar();
    void createChrome();
    void showBalloon(std::unique_ptr<Class1> &balloon, QWidget *box, const QString &text);

    // Sign-in exchange (Form1_Login.cpp): the number of the current attempt, so that a reply read
    // after a cancel or a newer attempt is dropped; acting on a whole reply.
    quint64 m_loginSerial = 0;
    // Whether this attempt's post was already sent again after the forum refused its token.
    bool m_loginRepeated = false;
    // The attempt still owns the window: no cancel, close or newer attempt came meanwhile.
    [[nodiscard]] bool stillSigningIn(quint64 attempt) const;
    // Reads the forum's login form first when this session has no token for it (readForm), then
    // posts the login form on Inet1. A form that gives no token ends the attempt with a message.
    void postLogin(quint64 attempt, bool readForm);
    void handleLoginReply(const QString &reply);
    // The forum signed the member in but the window will not hand over (ban, bad data): the
    // member's token is fetched for the log-out where none is at hand, then qcdl. False when the
    // window went away during the fetch.
    [[nodiscard]] bool dropMemberSession();
    void handOverAfterLogin();
    // Account lookup (Form1_Lookup.cpp): the number of the latest lookup, so that an older one
    // overtaken while it waited leaves the account box alone.
    quint64 m_lookupSerial = 0;
    void lookUpAccount();

    QPointer<QWidget> m_startWindow;
    bool m_suppressLostFocus = false; // the program, not the member, is moving the focus
    std::unique_ptr<Class1> m_balloonText1;
    std::unique_ptr<Class1> m_balloonText2;
    std::unique_ptr<Class1> m_balloonText3;
};
