#pragma once
// The login window. Its controls carry the object names the rest of the program and the tests use
// ("Text1", "Label5_1", ...). The routines are grouped by concern; each group lives in its own file:
//   Form1.cpp              controls, start-up, input checks, cancel, clock, prompts, event routing
//   Form1_Login.cpp        the sign-in exchange (login, the reply handler of Inet1)
//   Form1_SavedAccount.cpp login.ini: restore, automatic sign-in, save step, session reset
//   Form1_Lookup.cpp       account lookup when Text1 is left, the avatar
//   Form1_Chrome.cpp       frame line, window drag, close and minimise buttons, links, hover looks
//   Form1_Captcha.cpp      the captcha row: picture, code box, "换一个"
#include "base/Routine.h"
#include "rules/CaptchaAnnouncement.h"
#include "rules/LoginRequest.h"
#include "rules/ProfileLookup.h"
#include "session/SiteSession.h"

#include <QPixmap>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <memory>
#include <optional>

class Class1;
class Inet;
class MemberSession;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMovie;
class QPushButton;
class QTime;
class QTimer;
struct SavedAccount;
class XmlHttp;

class Form1 : public QWidget
{
    Q_OBJECT
public:
    // The account box's own prompt text; it counts as an empty box.
    static inline const QString &kAccountPrompt = LoginRequest::kAccountPrompt;
    // The security questions in list order; the position is the question number.
    static const QStringList &questions();
    // The status-bar clock: hour and minute without leading zeros ("9:5", "14:3").
    [[nodiscard]] static QString clockText(const QTime &time);
    // Client size in pixels (6375 × 5865 twips).
    static constexpr int kWidth = 425;
    static constexpr int kHeight = 391;

    // The window works on session (which must outlive it).
    explicit Form1(MemberSession &session, QWidget *parent = nullptr);
    ~Form1() override;

    // Creates a login window that deletes itself when closed, runs its load handler (which shows
    // it) and returns it. startWindow, when given, is closed once the login window is up: the start
    // window, or the panel that signed out.
    static Form1 *openNew(MemberSession &session, QWidget *startWindow = nullptr);

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
    QPointer<Inet> LogOutTransfer; // the last reset's log-out, on a control the application owns
    // Captcha row, shown only when the forum asks for a captcha (Form1_Captcha.cpp)
    QLineEdit *Text4 = nullptr;  // the code
    QLabel *Image4 = nullptr;    // the picture, 100 x 30 as the forum draws it; a click brings a new one
    QLabel *Label7 = nullptr;    // "换一个": a new picture
    XmlHttp *XmlHttp1 = nullptr; // the picture request
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
    // Starts the sign-in; a newer one or a cancel ends the one under way.
    virtual void login();

    // ---- Saved account (Form1_SavedAccount.cpp) -------------------------------------------
    bool bcsz();        // restore the saved account; true when an account was restored
    void zddl();        // automatic sign-in
    void qcdl();        // reset the window and drop the forum session
    void backToInputs(); // the overlay goes, the inputs take input again
    // What the save step after a successful sign-in writes, as the inputs stand.
    [[nodiscard]] SavedAccount accountToSave() const;
    void Check2_Click();

    // ---- Account lookup and avatar (Form1_Lookup.cpp) -------------------------------------
    // Starts the lookup of the account box's entry; a newer one ends the one under way.
    void Text1_LostFocus();
    // The lookup's working texts; profileName() is the name the forum gave for a UID entry.
    ProfileLookup::LookupSlots lookupSlots;
    [[nodiscard]] QString profileName() const { return lookupSlots.profileName(); }

    // ---- Captcha (Form1_Captcha.cpp) -----------------------------------------------------
    // Acts on what the login form announced: shows the row with a fresh picture, or hides it.
    void setCaptchaAnnouncement(const CaptchaAnnouncement::Reading &reading);
    [[nodiscard]] bool captchaAsked() const;
    // The seccode fields for the login body; empty when no captcha is asked.
    [[nodiscard]] QByteArray captchaFields() const;
    // A new picture (an empty code box), after the login form of the current session is read
    // where the session has none; focusCode puts the focus in the code box afterwards. A renewal
    // under way goes on instead.
    void renewCaptcha(bool focusCode);
    // Before the login post (Form1_Login.cpp): what this session's login form says about a captcha.
    // True when the post may go (with captchaFields()); false when the window now waits for a code.
    [[nodiscard]] bool captchaReadyForPost();

    void fetchCaptchaPicture();
    void Image4_Click();
    void Label7_Click();
    void Text4_Click();

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
    void closeEvent(QCloseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

    // What is drawn on the window stays drawn (the background and the frame line): paintEvent
    // shows this surface. Built by the load handler, drawn on by drawBorder().
    QPixmap m_surface;

private:
    MemberSession &m_session;
    void createControls();
    void createPanel();
    void createOverlay();
    void createStatusBar();
    void createChrome();
    void showBalloon(std::unique_ptr<Class1> &balloon, QWidget *box, const QString &text);
    // Captcha row (Form1_Captcha.cpp): its controls, the places of the input column's rows, the
    // picture's answer, and the events of its controls.
    void createCaptchaRow();
    void placeInputRows();
    bool captchaEventFilter(QObject *watched, QEvent *event);

    // Start-up (Form1.cpp).
    Routine load();
    // Sign-in exchange (Form1_Login.cpp): the probe, the login form, the post and its reply.
    Routine signIn();
    // Reads the forum's login form first when it was asked for (loginForm: when this session has
    // no token for it), then posts the login form on Inet1. False when nothing was posted (the
    // window says why).
    Task<bool> postLogin(Wait::Ahead<SiteSession::Fetch> *loginForm);
    Task<> handleLoginReply(QString reply);
    // The forum signed the member in but the window will not hand over (ban, bad data): the
    // member's session ends (SiteSession::signOut) and the window is back to its inputs.
    Task<> dropMemberSession();
    void renewCaptchaAfterRefusal(bool wrongCode);
    Task<> handOverAfterLogin();
    // Account lookup (Form1_Lookup.cpp) and the avatar of m_session.login().AvatarUid.
    Routine lookUpAccount();
    Task<> lookUpEntry();
    Task<> txcx();
    // The profile page of a user name, asked in the forum's code page (once more where the first
    // answer declared another).
    Task<QString> fetchNamePage(QString name);
    // A sign-in asked for while a lookup runs waits for its verdict, so the post never carries an
    // entry the lookup rejects: one outcome for the member.
    bool m_signInAfterLookup = false;
    // Captcha (Form1_Captcha.cpp).
    Routine captchaRenewal(bool focusCode);
    Routine captchaPicture();

    QPointer<QWidget> m_startWindow;
    bool m_suppressLostFocus = false; // the program, not the member, is moving the focus
    std::unique_ptr<Class1> m_balloonText1;
    std::unique_ptr<Class1> m_balloonText2;
    std::unique_ptr<Class1> m_balloonText3;
    std::unique_ptr<Class1> m_balloonText4;
    CaptchaAnnouncement::Reading m_captcha;
    bool m_captchaShown = false;
    quint64 m_captchaPeriod = 0;        // the session period the picture was asked for in
    QString m_captchaPictureUrl;
    QList<QPair<QWidget *, int>> m_baseTops; // the rows' places without a lift

    // The window's routines, last: they end before anything they use goes.
    Routine m_load;
    Routine m_lookup;
    Routine m_signIn;
    Routine m_captchaRenewal;
    Routine m_picture;
};
