#pragma once
// Form2, the member panel: the signed-in member's card (name, avatar, balances, VIP badge and days),
// the VIP, currency and product-description pages, and the status bar. There is at most one panel.
// Its first touch (of(session)) creates it, or takes the one the identity check prepared while it
// waited, and starts its start-up, then returns: skin, version line, badge, border and currency
// lists at once (a prepared panel has all but the badge), then it shows the readings and runs the
// version check (gx) on the version file read with them, which may end the program; isLoaded()
// and loaded() tell the end.
#include "base/Routine.h"
#include "MemberCard.h"
#include "session/QuorvelModule.h"

#include <QColor>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <array>
#include <memory>

class InputHold;
class MemberSession;
class PanelReadings;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabBar;

class Form2 : public QWidget
{
    Q_OBJECT
public:
    // The session's panel; creates it and starts its start-up when none exists (loaded() tells
    // its end). The start-up shows readings, which the panel takes over, or reads its own; an
    // existing panel deletes them.
    // A panel prepared ahead (prepare()) becomes the session's here instead of a new one.
    static Form2 *of(MemberSession &session, PanelReadings *readings = nullptr,
                     std::unique_ptr<Form2> prepared = {});
    // A panel made ahead of its first touch, hidden and not yet the session's: controls, skin and
    // look are in place, so that of() has only the member's readings left to show.
    [[nodiscard]] static std::unique_ptr<Form2> prepare(MemberSession &session);
    // The session's panel if one exists, without creating it.
    [[nodiscard]] static Form2 *existing(MemberSession &session);
    // Destroys the session's panel at once (tests; a new sign-in then creates a fresh one).
    static void destroy(MemberSession &session);

    ~Form2() override;

    // Routines of the panel, under their design names.
    Task<> sX();          // reads both balances and the VIP status and shows them
    // Shows what card holds on the member card; its unset parts stay as they are. The one way
    // any window (the identity check's hand-over, sX) changes what the card says of the member.
    void showMember(const MemberCard &card);
    // The version check on the version file as read: the welcome, or a box (a new version ends
    // the program).
    Task<> gx(QuorvelModule::Page versionFile);
    void drawBorder();    // 绘制边框: the panel's own border lines and strip widths
    void Label13_Click(); // tells the days of VIP left
    // Credit exchange.
    void Text3_Change();
    void Command6_Click();
    // Sign-out and links.
    void Command5_Click();
    void Command11_Click();
    // Chrome.
    void TabStrip1_Click();
    void Form_MouseDown(Qt::MouseButton button);
    void aicAlphaImage2_MouseDown(Qt::MouseButton button);
    void Label2_MouseUp(int index, Qt::MouseButton button);

    // Status bar panel 2, the panel's progress and result line.
    void setStatusText(const QString &text);
    [[nodiscard]] QString statusText() const;

    // Text colour of the member's name (Label3); invalid while the skin's colour stands.
    void setNameColor(const QColor &color);
    [[nodiscard]] QColor nameColor() const { return m_nameColor; }

    // The VIP front page of the last reading.
    [[nodiscard]] QString vipPageText() const { return m_vipPageText; }
    // The start-up (readings and version check) has run to its end.
    [[nodiscard]] bool isLoaded() const { return m_loaded; }

signals:
    void loaded();

public:
    // Exchange state: the last reply and the message last taken out of a reply.
    QString ExchangeReply;
    QString ExchangeMessage;

    // Member card.
    QWidget *Picture1 = nullptr;
    QLabel *Image1 = nullptr;                       // avatar
    QLabel *Label3 = nullptr;                       // member name
    std::array<QLabel *, 2> Label5{};               // captions "za" (0) and "Quorvel币" (1)
    std::array<QLabel *, 2> Label1{};               // balances: Quorvel币 (0), za (1)
    std::array<QLabel *, 3> aicAlphaImage1{};       // badges: VIP (0), none (1), SVIP (2)
    QLabel *Label6 = nullptr;                       // VIP expiry line
    QLabel *Label13 = nullptr;                      // days of VIP left, clickable
    QPushButton *Command5 = nullptr;                // 注销
    // Top of the window.
    QLabel *aicAlphaImage2 = nullptr;               // top image, a drag handle
    QWidget *Picture4 = nullptr;                    // strip with the window labels
    std::array<QLabel *, 4> Label2{};               // 1 "_", 2 "x", 3 "官方网站" (0 unused)
    // Pages.
    QWidget *Picture3 = nullptr;                    // strip that holds the VIP page
    QTabBar *TabStrip1 = nullptr;                   // tabs keyed "vip", "quorvelbi", "sm"
    std::array<QWidget *, 3> k{};                   // VIP, currency, product-description pages
    QPushButton *Command11 = nullptr;               // 相关特权及说明
    QLineEdit *Text3 = nullptr;                     // wanted Quorvel币
    QComboBox *Combo1 = nullptr;
    QLabel *Label7 = nullptr;                       // "<="
    QLineEdit *Text4 = nullptr;                     // cost in za
    QComboBox *Combo2 = nullptr;
    QLabel *Label8 = nullptr;                       // password prompt
    QLineEdit *Text5 = nullptr;                     // account password
    QPushButton *Command6 = nullptr;                // 兑换
    QLabel *Label11 = nullptr;                      // version line
    QLabel *Label10 = nullptr;                      // introduction of the client
    // Status bar with three panels (S1 panel 1 to 3).
    QWidget *S1 = nullptr;
    std::array<QLabel *, 4> S1Panel{};              // 1 "充值提示：", 2 status text, 3 "Quorvel出品"

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    explicit Form2(MemberSession &session);
    MemberSession &m_session;
    void buildControls();
    void buildCard();
    void buildTop();
    void buildPages();
    void buildStatusBar();
    // Form_Load: the start-up, run once by of().
    void Form_Load();
    // The start-up's part that depends on nothing read: skin, version line, border, currency lists.
    void applyLook();
    Routine load();
    Routine exchange(QString amount, QString password);
    Routine readBalances();
    Routine signOut();
    void showBadgeForLevel(qint16 level);
    // The balances and the VIP status of readings, on the card.
    void showReadings(const PanelReadings &readings);

    QPointer<PanelReadings> m_startReadings; // the start-up's, until it has shown them
    QString m_vipPageText;
    QColor m_nameColor;
    // After the sign-out, until the login window is up and closes the panel.
    std::unique_ptr<InputHold> m_untilLoginWindow;
    bool m_lookApplied = false;
    bool m_loaded = false;
    // The panel's routines, last: they end before anything they use goes. Each answered exchange
    // starts a reading of the balances that ends the one under way.
    Routine m_load;
    Routine m_exchange;
    Routine m_balances;
    Routine m_signOut;
};
