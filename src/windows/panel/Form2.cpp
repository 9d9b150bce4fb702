#include "Form2.h"

#include "PanelReadings.h"

#include "base/Seams.h"
#include "base/Settings.h"
#include "base/State.h"
#include "pictures/PanelPictures.h"
#include "rules/PanelReaders.h"
#include "session/MemberSession.h"
#include "session/QuorvelModule.h"
#include "ui/Controls.h"
#include "ui/InputHold.h"
#include "ui/Skin.h"
#include "ui/Twips.h"

#include <QBackingStore>
#include <QComboBox>
#include <QDate>
#include <QEvent>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QTabBar>


using Controls::makeLabel;
using Twips::px;

namespace {

// Makes a hidden window's drawing surface now, at its size, and writes it once. The first showing
// otherwise makes it in the middle of its first frame, and the fresh memory's first writes (page
// faults, a few milliseconds) come on top of the drawing. The frame itself paints every pixel.
void prepareSurface(QWidget &window)
{
    QBackingStore *store = window.backingStore();
    if (!store)
        return;
    store->resize(window.size());
    const QRect whole(QPoint(0, 0), window.size());
    store->beginPaint(QRegion(whole));
    if (QPaintDevice *surface = store->paintDevice()) {
        QPainter painter(surface);
        painter.fillRect(whole, window.palette().window());
    }
    store->endPaint();
}

// Client area of the panel: 9870 x 7350 twips.
constexpr int kWidth = px(9870);
constexpr int kHeight = px(7350);
constexpr int kStatusHeight = 20;

// Pages stand at the same place in the window whichever tab shows them.
constexpr int kPageLeft = px(3360);
constexpr int kPageTop = px(2280);
constexpr int kPageWidth = kWidth - kPageLeft - 12;
constexpr int kPageHeight = px(7095) - kPageTop - 10;

QPushButton *makeButton(QWidget *parent, const QString &name, const QString &text, const QRect &place)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setGeometry(place);
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

QWidget *makeBox(QWidget *parent, const QString &name, const QRect &place)
{
    auto *box = new QWidget(parent);
    box->setObjectName(name);
    box->setGeometry(place);
    // Style-sheet backgrounds on plain widgets need this.
    box->setAttribute(Qt::WA_StyledBackground, true);
    return box;
}

QString indexed(const char *name, int index)
{
    return QLatin1String(name) + QLatin1Char('_') + QString::number(index);
}

} // namespace

Form2 *Form2::of(MemberSession &session, PanelReadings *readings, std::unique_ptr<Form2> prepared)
{
    if (Form2 *panel = existing(session)) {
        delete readings;
        return panel;
    }
    Form2 *panel = prepared ? prepared.release() : new Form2(session);
    // The session's panel goes when it closes; until now its holder (prepare's caller) owned it.
    panel->setAttribute(Qt::WA_DeleteOnClose);
    session.panel = panel;
    if (readings)
        readings->setParent(panel);
    else
        readings = new PanelReadings(session, PanelReadings::All, panel);
    panel->m_startReadings = readings;
    panel->Form_Load();
    return panel;
}

std::unique_ptr<Form2> Form2::prepare(MemberSession &session)
{
    std::unique_ptr<Form2> panel(new Form2(session));
    panel->applyLook();
    // Polished and drawn once now, under the skin just attached, and its window and its surface
    // made with the desktop, so that its first showing finds the style's pixmaps, the fonts and
    // their glyphs, the window and its memory ready.
    panel->ensurePolished();
    (void)panel->grab();
    (void)panel->winId();
    prepareSurface(*panel);
    return panel;
}

Form2 *Form2::existing(MemberSession &session)
{
    return qobject_cast<Form2 *>(session.panel.data());
}

void Form2::destroy(MemberSession &session)
{
    delete existing(session);
}

Form2::Form2(MemberSession &session)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                           | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
    , m_session(session)
{
    PanelPictures::ensureLoaded();
    setObjectName(QStringLiteral("Form2"));
    setAttribute(Qt::WA_StyledBackground, true);
    setWindowTitle(QStringLiteral("Quorvel会员中心"));
    setFixedSize(kWidth, kHeight);
    buildControls();
}

Form2::~Form2() = default;

void Form2::buildControls()
{
    buildTop();
    buildPages();
    buildCard();
    buildStatusBar();
}

void Form2::buildTop()
{
    aicAlphaImage2 = makeLabel(this, QStringLiteral("aicAlphaImage2"), QString(), QRect(0, 0, kWidth, px(1680)));
    aicAlphaImage2->setPixmap(PanelPictures::topImage());
    aicAlphaImage2->setScaledContents(true);
    aicAlphaImage2->installEventFilter(this);

    Picture4 = makeBox(this, QStringLiteral("Picture4"), QRect(px(7080), px(120), kWidth - px(7080) - 8, 24));
    const struct {
        int index;
        const char16_t *text;
        const char16_t *tip;
        QRect place;
    } labels[] = {
        {3, u"官方网站", u"", QRect(0, 0, 90, 24)},
        {1, u"_", u"最小化", QRect(Picture4->width() - 52, 0, 24, 24)},
        {2, u"x", u"关闭", QRect(Picture4->width() - 26, 0, 24, 24)},
    };
    for (const auto &l : labels) {
        QLabel *label = makeLabel(Picture4, indexed("Label2", l.index), QString::fromUtf16(l.text), l.place);
        label->setAlignment(Qt::AlignCenter);
        label->setToolTip(QString::fromUtf16(l.tip));
        label->setCursor(Qt::PointingHandCursor);
        // Light grey at rest (&HC0C0C0), white under the pointer (&HFFFFFF). Scoped to the label
        // by its name: its tooltip is a child label and would take the colours too.
        label->setStyleSheet(QStringLiteral("#%1 { color: #c0c0c0; } #%1:hover { color: #ffffff; }").arg(label->objectName()));
        label->installEventFilter(this);
        Label2[static_cast<size_t>(l.index)] = label;
    }
}

void Form2::buildCard()
{
    Picture1 = makeBox(this, QStringLiteral("Picture1"), QRect(px(240), px(1920), px(2895), px(4695)));
    const int w = Picture1->width();

    Image1 = makeLabel(Picture1, QStringLiteral("Image1"), QString(), QRect((w - 96) / 2, 14, 96, 96));
    Image1->setScaledContents(true);
    Image1->setPixmap(PanelPictures::noAvatar());

    Label3 = makeLabel(Picture1, QStringLiteral("Label3"), QStringLiteral("NONE"), QRect(6, 116, w - 12, 24));
    Label3->setAlignment(Qt::AlignCenter);

    const char16_t *badgeTexts[3] = {u"QuorvelVIP会员", u"未开通VIP", u"QuorvelSVIP会员"};
    for (int i = 0; i < 3; ++i) {
        QLabel *badge = makeLabel(Picture1, indexed("aicAlphaImage1", i), QString(), QRect(22, 146, 120, 28));
        badge->setPixmap(PanelPictures::badge(i));
        badge->setToolTip(QString::fromUtf16(badgeTexts[i]));
        badge->setAccessibleName(QString::fromUtf16(badgeTexts[i]));
        aicAlphaImage1[static_cast<size_t>(i)] = badge;
    }

    Label13 = makeLabel(Picture1, QStringLiteral("Label13"), QStringLiteral("0"), QRect(148, 149, 26, 22));
    Label13->setAlignment(Qt::AlignCenter);
    Label13->setCursor(Qt::PointingHandCursor);
    Label13->installEventFilter(this);

    Label6 = makeLabel(Picture1, QStringLiteral("Label6"), QStringLiteral("服务有效期：2015.03.05"), QRect(4, 180, w - 8, 20));
    Label6->setAlignment(Qt::AlignCenter);

    auto *rule = makeBox(Picture1, QStringLiteral("cardRule"), QRect(14, 208, w - 28, 1));
    rule->lower();

    const int column = w / 2;
    Label5[0] = makeLabel(Picture1, indexed("Label5", 0), QStringLiteral("za"), QRect(0, 216, column, 20));
    Label5[1] = makeLabel(Picture1, indexed("Label5", 1), QStringLiteral("Quorvel币"), QRect(column, 216, column, 20));
    // The Quorvel币 balance stands under its caption in the right column, za under za on the left.
    Label1[1] = makeLabel(Picture1, indexed("Label1", 1), QStringLiteral("NONE"), QRect(0, 236, column, 30));
    Label1[0] = makeLabel(Picture1, indexed("Label1", 0), QStringLiteral("NONE"), QRect(column, 236, column, 30));
    for (QLabel *label : {Label5[0], Label5[1], Label1[0], Label1[1]})
        label->setAlignment(Qt::AlignCenter);

    Command5 = makeButton(Picture1, QStringLiteral("Command5"), QStringLiteral("注销"), QRect((w - 96) / 2, 276, 96, 26));
    connect(Command5, &QPushButton::clicked, this, [this] { Command5_Click(); });
}

void Form2::buildPages()
{
    Picture3 = makeBox(this, QStringLiteral("Picture3"), QRect(0, px(1680), px(9855), px(5415)));

    TabStrip1 = new QTabBar(this);
    TabStrip1->setObjectName(QStringLiteral("TabStrip1"));
    TabStrip1->setGeometry(kPageLeft, px(1680) + 6, kPageWidth, kPageTop - px(1680) - 6);
    TabStrip1->setExpanding(false);
    TabStrip1->setDrawBase(false);
    const struct {
        const char *key;
        const char16_t *caption;
    } tabs[] = {{"vip", u"VIP特权"}, {"quorvelbi", u"Quorvel币兑换"}, {"sm", u"产品说明"}};
    for (const auto &tab : tabs) {
        const int index = TabStrip1->addTab(QString::fromUtf16(tab.caption));
        TabStrip1->setTabData(index, QString::fromLatin1(tab.key));
    }
    TabStrip1->setCurrentIndex(0);
    // The page follows the current tab however it changed (mouse, arrow keys, accessibility); a
    // click on the tab already current shows its page again, as a click always did.
    connect(TabStrip1, &QTabBar::currentChanged, this, [this] { TabStrip1_Click(); });
    connect(TabStrip1, &QTabBar::tabBarClicked, this, [this](int index) {
        if (index >= 0 && index != TabStrip1->currentIndex())
            TabStrip1->setCurrentIndex(index); // currentChanged shows the page
        else
            TabStrip1_Click();
    });

    // VIP page: inside the strip, at left 3360 top 600 of it.
    k[0] = makeBox(Picture3, indexed("k", 0), QRect(px(3360), px(600), kPageWidth, kPageHeight));
    auto *vipTitle = makeLabel(k[0], QStringLiteral("vipTitle"), QStringLiteral("Quorvel VIP 会员特权"), QRect(16, 14, kPageWidth - 32, 26));
    vipTitle->setProperty("role", QStringLiteral("title"));
    auto *vipText = makeLabel(k[0], QStringLiteral("vipText"),
                              QStringLiteral("开通VIP后，您的论坛成长速度加快，并可享受会员专属版块、"
                                             "专属标识等多项特权。SVIP会员享有更快的成长速度。\n"
                                             "左侧会员卡显示您当前的会员等级与剩余天数，"
                                             "点击天数可查看详细剩余时间。"),
                              QRect(16, 48, kPageWidth - 32, 92));
    vipText->setWordWrap(true);
    vipText->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    const struct {
        const char16_t *title;
        const char16_t *text;
    } features[] = {
        {u"成长加速", u"VIP 每日 5+2 点\nSVIP 每日 10+5 点"},
        {u"专属标识", u"会员徽章\n彩色用户名"},
        {u"软件特权", u"Quorvel软件\n全部功能"},
    };
    const int tileWidth = (kPageWidth - 32 - 2 * 10) / 3;
    for (int i = 0; i < 3; ++i) {
        auto *tile = makeBox(k[0], indexed("vipFeature", i), QRect(16 + i * (tileWidth + 10), 146, tileWidth, 84));
        auto *title = makeLabel(tile, QStringLiteral("vipFeatureTitle"), QString::fromUtf16(features[i].title), QRect(0, 8, tileWidth, 22));
        title->setAlignment(Qt::AlignCenter);
        auto *text = makeLabel(tile, QStringLiteral("vipFeatureText"), QString::fromUtf16(features[i].text), QRect(0, 32, tileWidth, 44));
        text->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    }
    Command11 = makeButton(k[0], QStringLiteral("Command11"), QStringLiteral("相关特权及说明"), QRect(16, kPageHeight - 52, 150, 30));
    connect(Command11, &QPushButton::clicked, this, [this] { Command11_Click(); });

    // Currency page: parked out of view until its tab is chosen.
    k[1] = makeBox(this, indexed("k", 1), QRect(px(12840), px(840), kPageWidth, kPageHeight));
    auto *exchangeTitle = makeLabel(k[1], QStringLiteral("exchangeTitle"), QStringLiteral("za 兑换 Quorvel币"), QRect(16, 14, kPageWidth - 32, 26));
    exchangeTitle->setProperty("role", QStringLiteral("title"));
    Text3 = new QLineEdit(QStringLiteral("0"), k[1]);
    Text3->setObjectName(QStringLiteral("Text3"));
    Text3->setGeometry(16, 60, 90, 28);
    Combo1 = new QComboBox(k[1]);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->setGeometry(112, 60, 100, 28);
    Label7 = makeLabel(k[1], QStringLiteral("Label7"), QStringLiteral("<="), QRect(216, 60, 30, 28));
    Label7->setAlignment(Qt::AlignCenter);
    Label7->setTextFormat(Qt::PlainText);
    Text4 = new QLineEdit(QStringLiteral("0"), k[1]);
    Text4->setObjectName(QStringLiteral("Text4"));
    Text4->setGeometry(250, 60, 70, 28);
    Combo2 = new QComboBox(k[1]);
    Combo2->setObjectName(QStringLiteral("Combo2"));
    Combo2->setGeometry(326, 60, 70, 28);
    Label8 = makeLabel(k[1], QStringLiteral("Label8"), QStringLiteral("为保安全,请输入您账户的密码："), QRect(16, 108, kPageWidth - 32, 22));
    Text5 = new QLineEdit(k[1]);
    Text5->setObjectName(QStringLiteral("Text5"));
    Text5->setGeometry(16, 134, 200, 28);
    Text5->setEchoMode(QLineEdit::Password);
    Command6 = makeButton(k[1], QStringLiteral("Command6"), QStringLiteral("兑换"), QRect(228, 133, 90, 30));
    connect(Text3, &QLineEdit::textChanged, this, [this] { Text3_Change(); });
    connect(Command6, &QPushButton::clicked, this, [this] { Command6_Click(); });

    // Product-description page: parked out of view until its tab is chosen.
    k[2] = makeBox(this, indexed("k", 2), QRect(px(12360), px(3000), kPageWidth, kPageHeight));
    auto *aboutTitle = makeLabel(k[2], QStringLiteral("aboutTitle"), QStringLiteral("关于 Quorvel 客户端"), QRect(16, 14, kPageWidth - 32, 26));
    aboutTitle->setProperty("role", QStringLiteral("title"));
    Label10 = makeLabel(k[2], QStringLiteral("Label10"),
                        QStringLiteral("Quorvel 客户端是 Quorvel 论坛的会员助手。登录后即可查看您的"
                                       "Quorvel币与za余额、VIP等级和剩余天数，随时将za兑换为Quorvel币，"
                                       "并一键打开论坛页面。客户端启动时会自动检测新版本，"
                                       "请保持使用最新版本以获得更好的体验。"),
                        QRect(16, 48, kPageWidth - 32, 130));
    Label10->setWordWrap(true);
    Label10->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label11 = makeLabel(k[2], QStringLiteral("Label11"), QString(), QRect(16, kPageHeight - 44, kPageWidth - 32, 22));

    for (QWidget *page : k)
        page->setVisible(page == k[0]);
}

void Form2::buildStatusBar()
{
    S1 = makeBox(this, QStringLiteral("S1"), QRect(0, kHeight - kStatusHeight, px(9855), kStatusHeight));
    const struct {
        int index;
        const char16_t *text;
        QRect place;
    } panels[] = {
        {1, u"充值提示：", QRect(8, 0, 90, kStatusHeight)},
        {2, u"正在检测更新..", QRect(100, 0, S1->width() - 220, kStatusHeight)},
        {3, u"Quorvel出品", QRect(S1->width() - 112, 0, 104, kStatusHeight)},
    };
    for (const auto &p : panels) {
        QLabel *label = makeLabel(S1, indexed("S1", p.index), QString::fromUtf16(p.text), p.place);
        label->setAlignment(Qt::AlignVCenter | (p.index == 3 ? Qt::AlignRight : Qt::AlignLeft));
        S1Panel[static_cast<size_t>(p.index)] = label;
    }
}

void Form2::setStatusText(const QString &text)
{
    S1Panel[2]->setText(Seams::readable(text, Seams::kMaxLineChars));
}

QString Form2::statusText() const
{
    return S1Panel[2]->text();
}

void Form2::setNameColor(const QColor &color)
{
    m_nameColor = color;
    // The widget's own sheet wins over the skin's colour for the name.
    Label3->setStyleSheet(QStringLiteral("color: %1;").arg(color.name()));
}

void Form2::Form_Load()
{
    m_load = load();
}

void Form2::applyLook()
{
    if (m_lookApplied)
        return;
    m_lookApplied = true;
    SkinH_AttachEx(m_session.settings().dataDir() + QStringLiteral("/SoftSkin.she"), QString());
    setWindowIcon(QIcon());
    Label11->setText(QStringLiteral("版本号： V%1.%2.%3")
                         .arg(QUORVEL_VERSION_MAJOR)
                         .arg(QUORVEL_VERSION_MINOR)
                         .arg(QUORVEL_VERSION_PATCH));
    drawBorder();
    Combo1->addItem(QStringLiteral("Quorvel币"));
    Combo2->addItem(QStringLiteral("za"));
    Combo1->setCurrentIndex(0);
    Combo2->setCurrentIndex(0);
}

Routine Form2::load()
{
    applyLook();
    showBadgeForLevel(m_session.card().VipLevel);
    co_await m_startReadings->whenDone();
    showReadings(*m_startReadings);
    const QuorvelModule::Page versionFile = m_startReadings->versionFile;
    delete m_startReadings.data();
    co_await gx(versionFile);
    m_loaded = true;
    emit loaded(); // last: a receiver may close the panel
}

void Form2::showBadgeForLevel(qint16 level)
{
    for (QLabel *badge : aicAlphaImage1)
        badge->hide();
    // Level 0 shows "未开通VIP" (1), level 1 the VIP badge (0), any other level the SVIP badge (2).
    const size_t shown = level == 0 ? 1 : level == 1 ? 0 : 2;
    aicAlphaImage1[shown]->show();
}

Task<> Form2::sX()
{
    PanelReadings readings(m_session, PanelReadings::Balances | PanelReadings::Vip);
    co_await readings.whenDone();
    showReadings(readings);
}

void Form2::showReadings(const PanelReadings &readings)
{
    PanelState &state = m_session.card();
    // Only a page that holds the credit list is a reading; anything else (an empty or failed
    // fetch, the guest sign-in page, an error page) keeps the balances of the last reading.
    if (readings.credits.found) {
        state.QuorvelbiAmount = readings.credits.quorvelbi;
        state.YubiAmount = readings.credits.yubi;
    }
    Label1[0]->setText(state.QuorvelbiAmount);
    Label1[1]->setText(state.YubiAmount);

    m_vipPageText = readings.vipPage;
    const PanelReaders::VipReading vip = PanelReaders::readVipPage(readings.vipPage);
    state.VipLevel = vip.level;
    showMember(MemberCard::fromVip(vip, QDate::currentDate(), MemberCard::VipView::Reading));
}

void Form2::showMember(const MemberCard &card)
{
    if (card.avatar)
        Image1->setPixmap(card.avatar->isNull() ? PanelPictures::noAvatar() : *card.avatar);
    if (card.nameColour)
        setNameColor(*card.nameColour);
    if (card.name)
        Label3->setText(*card.name);
    if (card.daysLeft) {
        if (*card.daysLeft > 0) {
            const QString count = QString::number(*card.daysLeft);
            Label13->setText(count);
            Label13->setToolTip(QStringLiteral("VIP有效期剩余") + count + QStringLiteral("天"));
        } else {
            Label13->hide();
        }
    }
    if (card.vipLevel) {
        Label6->setText(*card.vipLevel != 0 ? QStringLiteral("VIP有效期至：") + card.expiry
                                            : QStringLiteral("未开通Quorvel会员"));
        if (card.badge)
            showBadgeForLevel(*card.vipLevel);
    }
}

void Form2::Label13_Click()
{
    bool ok = false;
    const qint64 days = Label13->text().trimmed().toLongLong(&ok);
    if (!ok || days <= 0)
        return;
    Seams::tell(this, QStringLiteral("VIP有效期剩余：") + Label13->text() + QStringLiteral("天"), Seams::Icon::Information);
}

bool Form2::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (watched == Label13) {
        if (type == QEvent::MouseButtonRelease && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton
            && Label13->rect().contains(static_cast<QMouseEvent *>(event)->position().toPoint())) {
            Label13_Click();
            return true;
        }
        return false;
    }
    if (watched == aicAlphaImage2) {
        if (type == QEvent::MouseButtonPress)
            aicAlphaImage2_MouseDown(static_cast<QMouseEvent *>(event)->button());
        return false;
    }
    for (int index = 1; index <= 3; ++index) {
        if (watched != Label2[static_cast<size_t>(index)])
            continue;
        if (type == QEvent::MouseButtonRelease)
            Label2_MouseUp(index, static_cast<QMouseEvent *>(event)->button());
        return false;
    }
    return QWidget::eventFilter(watched, event);
}

void Form2::mousePressEvent(QMouseEvent *event)
{
    Form_MouseDown(event->button());
    QWidget::mousePressEvent(event);
}

