// The captcha row of the login window: shown when the forum's login form asks for a captcha, with
// the picture (fetched with the Referer the forum requires), the code box and the "换一个" link.
#include "Form1.h"

#include "base/Numeric.h"
#include "base/Settings.h"
#include "base/State.h"
#include "Class1.h"
#include "net/CookieStore.h"
#include "net/ForumCharset.h"
#include "net/Network.h"
#include "net/XmlHttp.h"
#include "pictures/CaptchaPicture.h"
#include "rules/LoginRequest.h"
#include "session/MemberSession.h"
#include "session/SiteSession.h"
#include "ui/Controls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QNetworkCookie>
#include <QPushButton>
#include <QRandomGenerator>
#include <QUrl>

namespace {

const QString kPromptCode = QStringLiteral("验证码");
const QString kBalloonCode = QStringLiteral("请输入图片中的验证码，看不清可点击图片换一个");
const QString kStatusBrokenAnnouncement = QStringLiteral("论坛的验证码信息有误，请换一个");
const QString kPictureLoading = QStringLiteral("正在加载…");
const QString kPictureMissing = QStringLiteral("点击换一个");
const QString kStatusWantCode = QStringLiteral("请输入图片中的验证码后登录");

// The rows of the input column, in pixels of the panel. With both the answer box and the captcha
// row the column is lifted a little, so that the button keeps its margin above the status bar.
constexpr int kColumnLeft = 184;
constexpr int kColumnWidth = 169;
constexpr int kRowGap = 2;
constexpr int kCodeBoxWidth = kColumnWidth - CaptchaPicture::kSize.width() - 4;
constexpr int kCodeBoxHeight = 26;
constexpr int kLinkLeft = 360;
constexpr int kLiftWithBoth = 8;

} // namespace

void Form1::createCaptchaRow()
{
    Text4 = new QLineEdit(Picture1);
    Text4->setObjectName(QStringLiteral("Text4"));
    // Between the account box's face and the password box's: four letters and the prompt both fit.
    QFont codeFont = Text2->font();
    codeFont.setPointSizeF(10.5);
    Text4->setFont(codeFont);
    Text4->setPlaceholderText(kPromptCode);
    Text4->setMaxLength(8);
    Text4->installEventFilter(this);
    Text4->hide();

    Image4 = new QLabel(Picture1);
    Image4->setObjectName(QStringLiteral("Image4"));
    Image4->setAlignment(Qt::AlignCenter);
    Image4->setFont(Label1[0]->font());
    Image4->setCursor(Qt::PointingHandCursor);
    Image4->setToolTip(QStringLiteral("看不清？点击换一个"));
    Image4->installEventFilter(this);
    Image4->hide();

    Label7 = new QLabel(QStringLiteral("换一个"), Picture1);
    Label7->setObjectName(QStringLiteral("Label7"));
    Label7->setTextFormat(Qt::PlainText);
    Label7->setFont(Label1[0]->font());
    Label7->setCursor(Qt::PointingHandCursor);
    Label7->setMouseTracking(true);
    Label7->installEventFilter(this);
    Label7->hide();

    XmlHttp1 = new XmlHttp(m_session.network(), Picture1);
    XmlHttp1->setObjectName(QStringLiteral("XmlHttp1"));

    // Enter in the code box signs in, as in the password and answer boxes.
    connect(Text4, &QLineEdit::returnPressed, this, [this] {
        if (Command1->isEnabled() && Command1->isVisible())
            Command1->click();
    });
}

void Form1::placeInputRows()
{
    const bool question = Numeric::valInt(m_session.login().QuestionId) != 0;
    const bool captcha = m_captchaShown;
    const int lift = question && captcha ? kLiftWithBoth : 0;

    if (m_baseTops.isEmpty()) {
        for (QWidget *w : {static_cast<QWidget *>(Image1), static_cast<QWidget *>(Text1),
                           static_cast<QWidget *>(Text2), static_cast<QWidget *>(Combo1),
                           static_cast<QWidget *>(Text3), static_cast<QWidget *>(Label1[0]),
                           static_cast<QWidget *>(Label1[1]), static_cast<QWidget *>(Command1)})
            m_baseTops.append({w, w->y()});
    }
    for (const auto &[widget, top] : std::as_const(m_baseTops))
        widget->move(widget->x(), widget == Command1 ? top : top - lift);

    const int pictureHeight = CaptchaPicture::kSize.height();
    const int rowTop = (question ? Text3->geometry().bottom() + 1 + kRowGap : Text3->y());
    Image4->setGeometry(kColumnLeft + kCodeBoxWidth + 4, rowTop, CaptchaPicture::kSize.width(), pictureHeight);
    Text4->setGeometry(kColumnLeft, rowTop + (pictureHeight - kCodeBoxHeight) / 2, kCodeBoxWidth, kCodeBoxHeight);
    const int linkHeight = qMax(Label7->fontMetrics().height(), Label1[0]->height());
    Label7->setGeometry(kLinkLeft, rowTop + (pictureHeight - linkHeight) / 2,
                        Label7->fontMetrics().horizontalAdvance(Label7->text()) + 2, linkHeight);
    for (QWidget *w : {static_cast<QWidget *>(Text4), static_cast<QWidget *>(Image4), static_cast<QWidget *>(Label7)})
        w->setVisible(captcha);

    // The check boxes under the last row; the button moves only when the column is full.
    const int checkTop = captcha ? rowTop + pictureHeight + 4 : (question ? 122 : 100);
    Check1->move(Check1->x(), checkTop);
    Check2->move(Check2->x(), checkTop);
    if (question && captcha)
        Command1->move(Command1->x(), checkTop + Check1->height() + 5);
}

void Form1::setCaptchaAnnouncement(const CaptchaAnnouncement::Reading &reading)
{
    m_captcha = reading;
    m_captchaShown = reading.asksForCaptcha();
    placeInputRows();
    if (m_captchaShown)
        fetchCaptchaPicture();
}

bool Form1::captchaAsked() const
{
    return m_captchaShown;
}

QByteArray Form1::captchaFields() const
{
    if (!m_captchaShown || m_captcha.kind != CaptchaAnnouncement::Kind::Asked)
        return {};
    return LoginRequest::captchaFields(m_captcha.idHash, Text4->text().trimmed(), m_session.network().charset().forForms());
}

void Form1::renewCaptcha(bool focusCode)
{
    // One renewal at a time: a click while the form is read changes nothing.
    if (!m_captchaRenewal.isRunning())
        m_captchaRenewal = captchaRenewal(focusCode);
}

Routine Form1::captchaRenewal(bool focusCode)
{
    // A picture is drawn for the salt cookie the login form sets: after a session reset the form is
    // read again first. It may also name another id, or no captcha at all any more. A newer
    // picture asked for meanwhile ends this renewal (fetchCaptchaPicture).
    if (m_session.site().loginFormText().isEmpty() && !m_session.site().siteUsesFixedTokens()) {
        m_picture.end();
        Text4->clear();
        Image4->clear();
        Image4->setText(kPictureLoading);
        (void)co_await m_session.site().fetchLoginForm();
        if (m_session.site().loginFormText().isEmpty()) {
            Image4->setText(kPictureMissing);
            setStatus(CaptchaPicture::statusText(CaptchaPicture::Problem::NoAnswer));
            co_return;
        }
    }
    setCaptchaAnnouncement(CaptchaAnnouncement::read(m_session.site().loginFormText()));
    // After a wrong code the member types the next one at once.
    if (focusCode && captchaAsked())
        Text4->setFocus();
}

bool Form1::captchaReadyForPost()
{
    const CaptchaAnnouncement::Reading reading = CaptchaAnnouncement::read(m_session.site().loginFormText());
    if (!reading.asksForCaptcha()) {
        // A site without a captcha (or one that turned it off): the post goes as it always did.
        if (m_captchaShown)
            setCaptchaAnnouncement({});
        return true;
    }
    // The forum takes any id its picture was drawn for, so a newer form of the same session leaves
    // the picture on screen good; a session reset since the picture does not.
    const bool pictureOfThisSession = m_captchaShown && m_captcha.kind == CaptchaAnnouncement::Kind::Asked
        && m_captchaPeriod == m_session.site().period();
    if (!pictureOfThisSession)
        setCaptchaAnnouncement(reading);
    if (pictureOfThisSession && !Text4->text().trimmed().isEmpty())
        return true;
    // Nothing is posted without a code: back to the inputs, the code box first.
    Picture2->hide();
    setInputsEnabled(true);
    if (m_captcha.kind == CaptchaAnnouncement::Kind::Asked)
        setStatus(kStatusWantCode);
    Text4->setFocus();
    return false;
}

void Form1::fetchCaptchaPicture()
{
    m_picture = captchaPicture();
}

Routine Form1::captchaPicture()
{
    // A new picture overtakes a renewal under way and makes every older code worthless: the box
    // starts empty again.
    m_captchaRenewal.end();
    Text4->clear();
    Image4->clear();
    if (m_captcha.kind != CaptchaAnnouncement::Kind::Asked) {
        Image4->setText(kPictureMissing);
        setStatus(kStatusBrokenAnnouncement);
        co_return;
    }
    Image4->setText(kPictureLoading);
    const QString forum = m_session.settings().origin(HostRole::Forum);
    m_captchaPictureUrl = CaptchaPicture::url(forum, m_captcha.idHash, QRandomGenerator::global()->bounded(1u << 30));
    m_captchaPeriod = m_session.site().period();
    XmlHttp1->Open(QStringLiteral("GET"), m_captchaPictureUrl, true);
    XmlHttp1->setRequestHeader(QStringLiteral("Referer"), CaptchaPicture::referer(forum));
    XmlHttp1->send();
    co_await XmlHttp1->completion();
    // A picture that comes after the row went is no longer wanted.
    if (!m_captchaShown)
        co_return;
    CaptchaPicture::Result result = CaptchaPicture::read(XmlHttp1->failed(), XmlHttp1->status(), XmlHttp1->responseBody());
    // Drawn for a session that was reset meanwhile: its cookie went with the reset.
    if (result.problem == CaptchaPicture::Problem::None && m_captchaPeriod != m_session.site().period())
        result = {CaptchaPicture::Problem::OtherSession, {}};
    if (result.problem == CaptchaPicture::Problem::None) {
        // The code lives in the cookie the picture came with; without one for this id the picture
        // belongs to no form of this session and its code would be refused.
        const QByteArray cookieSuffix = "seccode" + m_captcha.idHash.toLatin1();
        const QList<QNetworkCookie> cookies = m_session.network().cookieStore().cookiesForUrl(QUrl(m_captchaPictureUrl));
        const bool bound = std::any_of(cookies.begin(), cookies.end(),
                                       [&](const QNetworkCookie &c) { return c.name().endsWith(cookieSuffix); });
        if (!bound)
            result = {CaptchaPicture::Problem::OtherSession, {}};
    }
    if (result.problem != CaptchaPicture::Problem::None) {
        Image4->setText(kPictureMissing);
        setStatus(CaptchaPicture::statusText(result.problem));
        co_return;
    }
    Image4->setPixmap(QPixmap::fromImage(CaptchaPicture::forDisplay(result.image, devicePixelRatioF())));
}

void Form1::Image4_Click()
{
    renewCaptcha(false);
}

void Form1::Label7_Click()
{
    renewCaptcha(false);
}

void Form1::Text4_Click()
{
    showBalloon(m_balloonText4, Text4, kBalloonCode);
}

bool Form1::captchaEventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (watched == Text4) {
        if (type == QEvent::MouseButtonRelease
            && Text4->rect().contains(static_cast<QMouseEvent *>(event)->position().toPoint()))
            Text4_Click();
        return false;
    }
    // The picture and the link act on a left press, as the other links of the window do; not while
    // the inputs are held (a sign-in is under way).
    const bool press = type == QEvent::MouseButtonPress
        && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton;
    if (watched == Label7) {
        if (type == QEvent::Enter || type == QEvent::MouseMove)
            Controls::setUnderlined(Label7, true);
        else if (type == QEvent::Leave)
            Controls::setUnderlined(Label7, false);
    }
    if (press && Text4->isEnabled())
        watched == Image4 ? Image4_Click() : Label7_Click();
    return press || type == QEvent::MouseMove;
}
