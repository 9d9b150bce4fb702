#include "Form1.h"

#include "base/Numeric.h"
#include "base/Seams.h"
#include "base/State.h"
#include "Class1.h"
#include "net/Inet.h"
#include "pictures/Animation.h"
#include "pictures/QuorvelAssets.h"
#include "session/MemberSession.h"
#include "ui/Controls.h"
#include "ui/Twips.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QFontDatabase>
#include <QFrame>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QMovie>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTime>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <utility>

using Twips::px;

namespace {

// The first of the families that is installed, named alone (all of them when none is): a missing
// family named first makes Qt have fontconfig work out substitutes for it, for every size and
// script, before it tries the next name: an eighth of the work before the window first shows.
QFont fontOf(const QStringList &families, qreal points, bool bold = false)
{
    static const QStringList installed = QFontDatabase::families();
    const auto found = std::find_if(families.begin(), families.end(),
                                    [](const QString &family) { return installed.contains(family); });
    QFont font;
    font.setFamilies(found != families.end() ? QStringList{*found} : families);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

// 微软雅黑 where installed; the CJK face that ships with the system otherwise.
QFont yaHei(qreal points)
{
    return fontOf({QStringLiteral("微软雅黑"), QStringLiteral("Microsoft YaHei"), QStringLiteral("Noto Sans CJK SC")}, points);
}

// A label sized to its text as laid out, grown around its middle when the face is taller than the
// one the layout was made with, so the text is never clipped.
void placeLabel(QLabel *label, const QRect &place)
{
    const int height = qMax(place.height(), label->fontMetrics().height());
    label->setGeometry(place.left(), place.center().y() + 1 - height / 2, place.width(), height);
}

// The window's labels: in 微软雅黑 9, placed for its face.
QLabel *makeLabel(QWidget *parent, const QString &name, const QString &text, const QRect &place)
{
    QLabel *label = Controls::makeLabel(parent, name, text, place);
    label->setFont(yaHei(9));
    placeLabel(label, place);
    return label;
}

QLineEdit *makeTextBox(QWidget *parent, const QString &name, const QFont &font, const QRect &place)
{
    auto *box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setFont(font);
    box->setGeometry(place);
    return box;
}

Inet *makeInet(Network &network, QObject *parent, const QString &name)
{
    auto *inet = new Inet(network, parent);
    inet->setObjectName(name);
    return inet;
}

void makeWhitePanel(QWidget *panel)
{
    panel->setAttribute(Qt::WA_StyledBackground);
    panel->setAutoFillBackground(true);
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, Qt::white);
    panel->setPalette(palette);
    panel->setMouseTracking(true);
}

} // namespace

const QStringList &Form1::questions()
{
    static const QStringList list = {
        QStringLiteral("安全提问"),           QStringLiteral("母亲的名字"),
        QStringLiteral("爷爷的名字"),         QStringLiteral("父亲出生的城市"),
        QStringLiteral("您其中一位老师的名字"), QStringLiteral("您个人计算机的型号"),
        QStringLiteral("您最喜欢的餐馆名称"),   QStringLiteral("驾驶执照的最后四位数字"),
    };
    return list;
}

QString Form1::clockText(const QTime &time)
{
    return QString::number(time.hour()) + QLatin1Char(':') + QString::number(time.minute());
}

Form1::Form1(MemberSession &session, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowMinimizeButtonHint)
    , m_session(session)
{
    QuorvelAssets::init();
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Quorvel"));
    setFixedSize(kWidth, kHeight);
    setMouseTracking(true);
    createControls();
}

Form1::~Form1() = default;

Form1 *Form1::openNew(MemberSession &session, QWidget *startWindow)
{
    auto *form = new Form1(session);
    form->setAttribute(Qt::WA_DeleteOnClose);
    form->setStartWindow(startWindow);
    form->Form_Load();
    return form;
}

// ---- Controls ---------------------------------------------------------------------------------

void Form1::createControls()
{
    AniGIF1 = new QLabel(this);
    AniGIF1->setObjectName(QStringLiteral("AniGIF1"));
    AniGIF1->setGeometry(Twips::rect(2040, 120, 2475, 2355));
    bannerMovie = QuorvelAssets::playAnimation(AniGIF1, QStringLiteral("login-banner.gif"));
    AniGIF1->installEventFilter(this);

    Image2 = new QLabel(this);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setPixmap(QuorvelAssets::picture(QStringLiteral("avatar-default.png"), devicePixelRatioF()));
    Image2->hide();

    createPanel();
    createOverlay();
    createStatusBar();
    createChrome();
}

void Form1::createPanel()
{
    Picture1 = new QWidget(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setGeometry(Twips::rect(0, 2040, 6375, 3135));
    makeWhitePanel(Picture1);
    Picture1->installEventFilter(this);

    Text1 = makeTextBox(Picture1, QStringLiteral("Text1"), yaHei(9), Twips::rect(2760, 240, 2535, 345));
    Text1->setText(kAccountPrompt);
    Text1->installEventFilter(this);

    Text2 = makeTextBox(Picture1, QStringLiteral("Text2"), yaHei(12), Twips::rect(2760, 600, 2535, 375));
    Text2->setEchoMode(QLineEdit::Password);
    Text2->installEventFilter(this);

    Combo1 = new QComboBox(Picture1);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->setFont(yaHei(9));
    Combo1->setGeometry(px(2760), px(1010), px(2535), px(375));
    connect(Combo1, &QComboBox::currentIndexChanged, this, [this] { Combo1_Click(); });

    Text3 = makeTextBox(Picture1, QStringLiteral("Text3"), yaHei(12), Twips::rect(2760, 1420, 2535, 375));
    Text3->setEchoMode(QLineEdit::Password);
    Text3->hide();
    Text3->installEventFilter(this);

    Check1 = new QCheckBox(QStringLiteral("保存账号信息"), Picture1);
    Check1->setObjectName(QStringLiteral("Check1"));
    Check1->setFont(yaHei(9));
    Check1->setGeometry(Twips::rect(2760, 1800, 1455, 255));

    Check2 = new QCheckBox(QStringLiteral("自动登录"), Picture1);
    Check2->setObjectName(QStringLiteral("Check2"));
    Check2->setFont(yaHei(9));
    Check2->setGeometry(Twips::rect(4300, 1840, 1095, 255));
    // Like the original check box, a change made by the program counts as a click too.
    connect(Check2, &QCheckBox::toggled, this, [this] { Check2_Click(); });

    Command1 = new QPushButton(QStringLiteral("登录"), Picture1);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setFont(yaHei(10.5));
    Command1->setGeometry(Twips::rect(720, 2280, 4935, 495));
    Command1->setDefault(true);
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    // Enter in the password or answer box signs in, as the login button would.
    for (QLineEdit *box : {Text2, Text3})
        connect(box, &QLineEdit::returnPressed, this, [this] {
            if (Command1->isEnabled() && Command1->isVisible())
                Command1->click();
        });

    Image1 = new QLabel(Picture1);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(Twips::rect(720, 240, 1800, 1800));
    Image1->setScaledContents(true);
    Image1->setPixmap(defaultAvatar());

    const QString linkTexts[2] = {QStringLiteral("注册帐号"), QStringLiteral("找回密码")};
    const QRect linkPlaces[2] = {Twips::rect(5400, 315, 720, 180), Twips::rect(5400, 720, 720, 180)};
    for (int i = 0; i < 2; ++i) {
        Label1[i] = makeLabel(Picture1, QStringLiteral("Label1_%1").arg(i), linkTexts[i], linkPlaces[i]);
        Label1[i]->setCursor(Qt::PointingHandCursor);
        Label1[i]->setMouseTracking(true);
        Label1[i]->installEventFilter(this);
    }

    createCaptchaRow();

    Timer1 = new QTimer(Picture1);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1_Timer(); });
    Timer1->start();

    // Tab runs through the inputs top to bottom, then the button.
    const QList<QWidget *> tabChain = {Text1, Text2, Combo1, Text3, Text4, Check1, Check2, Command1};
    for (qsizetype i = 1; i < tabChain.size(); ++i)
        QWidget::setTabOrder(tabChain[i - 1], tabChain[i]);

    Inet1 = makeInet(m_session.network(), Picture1, QStringLiteral("Inet1"));
    Inet2 = makeInet(m_session.network(), Picture1, QStringLiteral("Inet2"));
    Inet3 = makeInet(m_session.network(), Picture1, QStringLiteral("Inet3"));
}

void Form1::createOverlay()
{
    Picture2 = new QWidget(this);
    Picture2->setObjectName(QStringLiteral("Picture2"));
    Picture2->setGeometry(Picture1->geometry());
    makeWhitePanel(Picture2);
    Picture2->installEventFilter(this);
    Picture2->hide();

    Image3 = new QLabel(Picture2);
    Image3->setObjectName(QStringLiteral("Image3"));
    Image3->setGeometry(Twips::rect(2520, 360, 1440, 1440));
    Image3->setScaledContents(true);
    Image3->setPixmap(defaultAvatar());

    Label2 = new QLabel(QStringLiteral("USERNAME"), Picture2);
    Label2->setTextFormat(Qt::PlainText);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setFont(yaHei(10.5));
    Label2->setAlignment(Qt::AlignCenter);
    Label2->setGeometry(Twips::rect(0, 1830, 6495, 375));

    Command2 = new QPushButton(QStringLiteral("取消"), Picture2);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setFont(yaHei(10.5));
    Command2->setGeometry(Twips::rect(720, 2280, 4935, 495));
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
}

void Form1::createStatusBar()
{
    const QString names[3] = {QStringLiteral("Label5_0"), QStringLiteral("Label5_1"), QStringLiteral("Label5_2")};
    const QString texts[3] = {QStringLiteral("登录提示:"), QStringLiteral("请输入用户名及密码.."), QStringLiteral("Time")};
    const QRect places[3] = {Twips::rect(240, 5445, 810, 180), Twips::rect(1560, 5445, 1800, 180),
                             Twips::rect(5040, 5445, 1320, 180)};
    for (int i = 0; i < 3; ++i)
        Label5[i] = makeLabel(this, names[i], texts[i], places[i]);
    Label5[2]->setAlignment(Qt::AlignCenter);
    setStatus(Label5[1]->text());

    for (int i = 0; i < 2; ++i) {
        Line1[i] = new QFrame(this);
        Line1[i]->setObjectName(QStringLiteral("Line1_%1").arg(i));
        Line1[i]->setFrameShape(QFrame::VLine);
        Line1[i]->setFrameShadow(QFrame::Plain);
        Line1[i]->setGeometry(px(i == 0 ? 1320 : 5040), px(5400), 1, px(300));
    }
}

void Form1::createChrome()
{
    xButton = new QLabel(QStringLiteral("x"), this);
    xButton->setObjectName(QStringLiteral("xButton"));
    xButton->setToolTip(QStringLiteral("关闭"));
    xButton->setFont(fontOf({QStringLiteral("Consolas"), QStringLiteral("DejaVu Sans Mono")}, 12, true));
    xButton->setGeometry(kWidth - 30, 1, 28, 24);

    zButton = new QLabel(QStringLiteral("-"), this);
    zButton->setObjectName(QStringLiteral("zButton"));
    zButton->setToolTip(QStringLiteral("最小化"));
    zButton->setFont(fontOf({QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans")}, 15.75));
    zButton->setGeometry(kWidth - 58, 1, 28, 24);

    for (QLabel *button : {xButton, zButton}) {
        button->setAlignment(Qt::AlignCenter);
        button->setCursor(Qt::PointingHandCursor);
        button->setMouseTracking(true);
        // Only the button itself: its tooltip is a child label and would take the colour too.
        button->setStyleSheet(QStringLiteral("#%1 { color: #c0c0c0; }").arg(button->objectName()));
        button->installEventFilter(this);
    }
}

// ---- Start-up ---------------------------------------------------------------------------------

void Form1::Form_Load()
{
    m_load = load();
}

Routine Form1::load()
{
    // 1. No icon; what is drawn on the window stays: the surface starts as the background.
    setWindowIcon(QIcon());
    const qreal ratio = devicePixelRatioF();
    const QSize surfaceSize = QSize(kWidth, kHeight) * ratio;
    QImage background = QuorvelAssets::pictureImage(QStringLiteral("login-background.png"), ratio);
    if (background.size() == surfaceSize && !background.hasAlphaChannel()) {
        // The opaque drawing of exactly the surface's size becomes the surface itself: no white
        // fill, no copy, and no second picture of it kept in memory.
        background.setDevicePixelRatio(ratio);
        m_surface = QPixmap::fromImage(std::move(background));
    } else {
        m_surface = QPixmap(surfaceSize);
        m_surface.setDevicePixelRatio(ratio);
        m_surface.fill(Qt::white);
        QPainter painter(&m_surface);
        background.setDevicePixelRatio(qreal(background.width()) / kWidth);
        painter.drawImage(QRect(0, 0, kWidth, kHeight), background);
    }

    // 2. The frame line.
    drawBorder();

    // 3. Both panels inside the frame line.
    for (QWidget *panel : {Picture2, Picture1})
        panel->setGeometry(1, panel->y(), width() - 2, panel->height());
    Label2->setGeometry(0, Label2->y(), Picture2->width(), Label2->height());

    // 4. The password box shows a dot for each character.
    Text2->setFont(yaHei(12));
    Text2->setEchoMode(QLineEdit::Password);

    // 5. The questions, position 0 selected; its handling runs once, whatever the list did before.
    {
        const QSignalBlocker blocker(Combo1);
        Combo1->clear();
        Combo1->addItems(questions());
        Combo1->setCurrentIndex(0);
    }
    Combo1_Click();

    // 6. The saved account; the same lookup as leaving the box, so the restored account's avatar
    // shows at once.
    if (bcsz())
        co_await lookUpEntry();

    // 7. A numeric account names its UID directly: show its avatar.
    if (Numeric::isNumeric(Text1->text())) {
        m_session.login().AvatarUid = Text1->text();
        co_await txcx();
    }

    // 8. Up on screen, in the middle of it; the start window has done its part.
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    show();
    if (m_startWindow)
        m_startWindow->close();

    // 9. Automatic sign-in, when saved and allowed.
    zddl();
}

// ---- Shared window helpers --------------------------------------------------------------------

void Form1::setStatus(const QString &fullText)
{
    // The forum's refusal lands here too, however long the site made it.
    const QString text = Seams::readable(fullText, Seams::kMaxLineChars);
    QLabel *line = Label5[1];
    line->setText(text);
    line->setToolTip(Seams::readable(fullText, Seams::kMaxBoxChars));
    // Sized to its text, but never across the clock's separator.
    const int room = Line1[1] ? Line1[1]->x() - line->x() - 4 : px(5040 - 1560) - 4;
    line->resize(qMin(line->sizeHint().width(), room), line->height());
}

QString Form1::status() const
{
    return Label5[1]->text();
}

void Form1::setInputsEnabled(bool enabled)
{
    // Disabling a box that has the focus moves the focus on; that is no member leaving the box.
    const bool wasSuppressed = m_suppressLostFocus;
    m_suppressLostFocus = true;
    Command1->setEnabled(enabled);
    Combo1->setEnabled(enabled);
    Text3->setEnabled(enabled);
    Text1->setEnabled(enabled);
    Text2->setEnabled(enabled);
    Text4->setEnabled(enabled);
    m_suppressLostFocus = wasSuppressed;
}

QPixmap Form1::defaultAvatar() const
{
    return Image2->pixmap();
}

// ---- Input checks and handlers ----------------------------------------------------------------

void Form1::Combo1_Click()
{
    const int position = Combo1->currentIndex();
    if (position >= 0 && position <= 7)
        m_session.login().QuestionId = QString::number(position);
    const bool asked = Numeric::valInt(m_session.login().QuestionId) != 0;
    Text3->setVisible(asked);
    if (!asked)
        Text3->clear();
    // The check boxes (and the captcha row, when shown) follow the answer box.
    placeInputRows();
}

void Form1::Command1_Click()
{
    // The box's own prompt is no account: posting it would only cost a try.
    if (LoginRequest::typedAccount(Text1->text()).isEmpty()) {
        setStatus(QStringLiteral("请输入用户帐号，用户名或UID.."));
        return;
    }
    if (Text2->text().isEmpty()) {
        setStatus(QStringLiteral("请输入密码.."));
        return;
    }
    if (Numeric::valInt(m_session.login().QuestionId) != 0 && Text3->text().isEmpty()) {
        setStatus(QStringLiteral("请输入安全提问答案.."));
        return;
    }
    if (captchaAsked() && Text4->text().trimmed().isEmpty()) {
        setStatus(QStringLiteral("请输入验证码.."));
        Text4->setFocus();
        return;
    }
    // The lookup of the entry decides first: a sign-in never posts an entry it is about to reject.
    // It goes ahead (once) when the lookup is done and the box still holds an entry.
    if (m_lookup.isRunning()) {
        m_signInAfterLookup = true;
        return;
    }
    setStatus(QStringLiteral("正在检测您的联网情况..."));
    setInputsEnabled(false);
    login();
}

void Form1::Command2_Click()
{
    // Nothing of the cancelled sign-in runs on; its probe and post stop.
    m_signIn.end();
    Inet3->Cancel();
    // A post already on its way may have used the code up at the forum: a new picture follows.
    const bool posted = Inet1->StillExecuting();
    Inet1->Cancel();
    setInputsEnabled(true);
    Picture2->hide();
    setStatus(QStringLiteral("取消登录.."));
    if (posted && captchaAsked())
        fetchCaptchaPicture();
}

void Form1::Timer1_Timer()
{
    Label5[2]->setText(clockText(QTime::currentTime()));
}

void Form1::Text1_MouseDown()
{
    if (Text1->text() == kAccountPrompt)
        Text1->clear();
    showBalloon(m_balloonText1, Text1, kAccountPrompt);
}

void Form1::Text2_Click()
{
    showBalloon(m_balloonText2, Text2, QStringLiteral("请输入密码"));
}

void Form1::Text3_Click()
{
    showBalloon(m_balloonText3, Text3, QStringLiteral("请输入安全问题答案"));
}

void Form1::AniGIF1_MouseDown()
{
    startWindowDrag();
}

void Form1::showBalloon(std::unique_ptr<Class1> &balloon, QWidget *box, const QString &text)
{
    // A fresh tip per click; dropping the previous one takes its balloon away.
    balloon = std::make_unique<Class1>();
    balloon->ParentControl(box);
    balloon->ToolTipText(text);
    balloon->Create();
}

// ---- Events -----------------------------------------------------------------------------------

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    const bool press = type == QEvent::MouseButtonPress;
    const bool move = type == QEvent::MouseMove || type == QEvent::Enter;

    if (watched == Text4 || watched == Image4 || watched == Label7)
        return captchaEventFilter(watched, event);
    if (watched == Text1) {
        if (press) {
            Text1_MouseDown();
        } else if (type == QEvent::FocusOut) {
            // Only the member leaving the box counts: not another window coming up, not a popup.
            const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
            if (!m_suppressLostFocus && reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason
                && isVisible())
                Text1_LostFocus();
        }
        return false;
    }
    if ((watched == Text2 || watched == Text3) && type == QEvent::MouseButtonRelease) {
        auto *box = static_cast<QWidget *>(watched);
        if (box->rect().contains(static_cast<QMouseEvent *>(event)->position().toPoint()))
            watched == Text2 ? Text2_Click() : Text3_Click();
        return false;
    }
    if (watched == AniGIF1 && press) {
        AniGIF1_MouseDown();
        return true;
    }
    if (watched == Picture1 || watched == Picture2) {
        if (move)
            Picture_MouseMove();
        // The panels are not the window background: pressing there does not drag the window,
        // and the buttons keep their hover look until the pointer reaches the background.
        return press || type == QEvent::MouseMove;
    }
    for (int i = 0; i < 2; ++i) {
        if (watched == Label1[i]) {
            if (move)
                Label1_MouseMove(i);
            if (press)
                Label1_MouseDown(i);
            return press || type == QEvent::MouseMove;
        }
    }
    if (watched == xButton || watched == zButton) {
        const bool isClose = watched == xButton;
        if (move)
            isClose ? xButton_MouseMove() : zButton_MouseMove();
        if (press)
            isClose ? xButton_MouseDown() : zButton_MouseDown();
        return press || type == QEvent::MouseMove;
    }
    return QWidget::eventFilter(watched, event);
}

void Form1::closeEvent(QCloseEvent *event)
{
    // A closed window goes on with nothing: no reply is read, no lookup or picture lands in it.
    m_load.end();
    m_signIn.end();
    m_lookup.end();
    m_captchaRenewal.end();
    m_picture.end();
    QWidget::closeEvent(event);
}

void Form1::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (!m_surface.isNull())
        painter.drawPixmap(0, 0, m_surface);
    else
        painter.fillRect(rect(), Qt::white);
}

void Form1::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    Form_MouseDown();
}

void Form1::mouseMoveEvent(QMouseEvent *event)
{
    event->accept();
    Form_MouseMove();
}
