#include "Form3.h"
#include "base/Seams.h"

#include "base/Settings.h"
#include "base/State.h"
#include "pictures/PanelPictures.h"
#include "rules/PanelReaders.h"
#include "session/MemberSession.h"
#include "session/QuorvelModule.h"
#include "ui/Controls.h"
#include "windows/panel/Form2.h"
#include "windows/panel/PanelReadings.h"

#include <QCloseEvent>
#include <QDate>
#include <QIcon>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QTimer>

namespace {

const QString kWaitText = QStringLiteral("身份校验中,请稍等");

// One stroke of the arrow under the rule: a line from one corner of its box to the opposite one.
class Stroke : public QFrame
{
public:
    enum Direction { Down, DownRight, DownLeft };
    Stroke(Direction direction, QWidget *parent)
        : QFrame(parent)
        , m_direction(direction)
    {
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(palette().color(QPalette::WindowText), 1.5, Qt::SolidLine, Qt::RoundCap));
        const QRectF r = QRectF(rect()).adjusted(1, 1, -1, -1);
        switch (m_direction) {
        case Down:
            p.drawLine(QPointF(r.center().x(), r.top()), QPointF(r.center().x(), r.bottom()));
            break;
        case DownRight:
            p.drawLine(r.topLeft(), r.bottomRight());
            break;
        case DownLeft:
            p.drawLine(r.topRight(), r.bottomLeft());
            break;
        }
    }

private:
    Direction m_direction;
};

// How long before the identity check's fetch the loop wakes once, so that its last wait is short.
constexpr int kWakeBeforeFetchMs = 5;

// The window's labels stand in its middle.
QLabel *makeLabel(QWidget *parent, const QString &name, const QString &text, const QRect &place)
{
    QLabel *label = Controls::makeLabel(parent, name, text, place);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

} // namespace

Form3::Form3(MemberSession &session, QWidget *parent)
    : QDialog(parent)
    , m_session(session)
{
    // Both timers run from the start: the window's making is part of its second, and the second is
    // one second by design, not one give or take the 5 % a coarse timer may shift it by.
    Timer1 = new QTimer(this);
    Timer1->setTimerType(Qt::PreciseTimer);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &Form3::Timer1_Timer);
    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setTimerType(Qt::PreciseTimer);
    Timer2->setInterval(1000);
    connect(Timer2, &QTimer::timeout, this, &Form3::Timer2_Timer);
    Timer1->start();
    Timer2->start();
    // The loop's last wait before the second ends must be a short one: the kernel lets a poll()
    // end late by a thousandth of its length, a millisecond for a second's wait, and Qt rounds
    // the rest of a wait up to whole milliseconds. A wake-up a few milliseconds early cuts the
    // first; the fetch then starts within a millisecond of its second.
    QTimer::singleShot(Timer1->interval() - kWakeBeforeFetchMs, Qt::PreciseTimer, this, [] {});

    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Quorvel软件"));
    setFixedSize(360, 236);
    // The hand-over closes this window before it shows the panel; that moment is not the end of
    // the program.
    setAttribute(Qt::WA_QuitOnClose, false);
    buildControls();
    applyLook();
    m_session.identityCheck = this;

    // Load handler: no close command, no icon.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setWindowIcon(QIcon());
}

Form3::~Form3() = default;

void Form3::buildControls()
{
    const int w = width();
    Image1 = makeLabel(this, QStringLiteral("Image1"), QString(), QRect((w - 64) / 2, 18, 64, 64));
    Image1->setScaledContents(true);
    Image1->setPixmap(PanelPictures::noAvatar());
    Label3 = makeLabel(this, QStringLiteral("Label3"), QStringLiteral("NONE"), QRect(10, 88, w - 20, 26));

    Line1 = new QFrame(this);
    Line1->setObjectName(QStringLiteral("Line1"));
    Line1->setFrameShape(QFrame::HLine);
    Line1->setFrameShadow(QFrame::Plain);
    Line1->setGeometry(40, 122, w - 80, 2);
    // A small downward arrow under the rule's middle.
    const int mid = w / 2;
    Line2 = new Stroke(Stroke::Down, this);
    Line2->setObjectName(QStringLiteral("Line2"));
    Line2->setGeometry(mid - 2, 126, 5, 16);
    Line3 = new Stroke(Stroke::DownRight, this);
    Line3->setObjectName(QStringLiteral("Line3"));
    Line3->setGeometry(mid - 6, 135, 7, 7);
    Line4 = new Stroke(Stroke::DownLeft, this);
    Line4->setObjectName(QStringLiteral("Line4"));
    Line4->setGeometry(mid, 135, 7, 7);

    Label1 = makeLabel(this, QStringLiteral("Label1"), kWaitText, QRect(10, 152, w - 20, 28));
    // Left-aligned from a margin that centres the text without dots (set once the skin's font is
    // known), so the text itself does not move as the dots come and go.
    Label1->setAlignment(Qt::AlignVCenter | Qt::AlignLeft);
    Label2 = makeLabel(this, QStringLiteral("Label2"), QStringLiteral("Identity verification"), QRect(10, 184, w - 20, 22));
}

void Form3::applyLook()
{
    // The window's own look, so it looks the same under the login skin it opens with and under
    // the panel's skin that its hand-over attaches (and that is still attached at the next
    // sign-in): neither skin has rules for this window.
    auto colour = [](QWidget *widget, QPalette::ColorRole role, const QColor &color) {
        QPalette palette = widget->palette();
        palette.setColor(role, color);
        widget->setPalette(palette);
    };
    auto size = [](QWidget *widget, int pixels, bool bold) {
        QFont font = widget->font();
        font.setPixelSize(pixels);
        font.setBold(bold);
        widget->setFont(font);
    };
    QLinearGradient background(0, 0, 0, 1);
    background.setCoordinateMode(QGradient::ObjectMode);
    background.setColorAt(0, Qt::white);
    background.setColorAt(1, QColor(0xee, 0xf3, 0xf9));
    QPalette palette = this->palette();
    palette.setBrush(QPalette::Window, background);
    setPalette(palette);
    setAutoFillBackground(true);

    auto *accent = new QWidget(this);
    accent->setObjectName(QStringLiteral("accentBar"));
    accent->setGeometry(0, 0, width(), 4);
    QLinearGradient band(0, 0, 1, 0);
    band.setCoordinateMode(QGradient::ObjectMode);
    band.setColorAt(0, QColor(0x16, 0x32, 0x5f));
    band.setColorAt(0.6, QColor(0x1d, 0x5f, 0xa8));
    band.setColorAt(1, QColor(0x1f, 0x9c, 0xa6));
    QPalette bandPalette = accent->palette();
    bandPalette.setBrush(QPalette::Window, band);
    accent->setPalette(bandPalette);
    accent->setAutoFillBackground(true);

    colour(Label3, QPalette::WindowText, QColor(0x1f, 0x2d, 0x3d));
    size(Label3, 15, true);
    colour(Label1, QPalette::WindowText, QColor(0x1d, 0x5f, 0xa8));
    size(Label1, 14, false);
    colour(Label2, QPalette::WindowText, QColor(0x87, 0x95, 0xa6));
    size(Label2, 11, false);
    colour(Line1, QPalette::WindowText, QColor(0xc5, 0xd1, 0xdf));
    for (QFrame *stroke : {Line2, Line3, Line4})
        colour(stroke, QPalette::WindowText, QColor(0x1d, 0x5f, 0xa8));
}

Form3 *Form3::showModalAfterLogin(MemberSession &session, const QPixmap &avatar, const QString &memberName)
{
    // Gone once it has handed over.
    auto *window = new Form3(session);
    window->setAttribute(Qt::WA_DeleteOnClose);
    if (!avatar.isNull())
        window->Image1->setPixmap(avatar);
    // The name comes from the forum's reply: a hostile one could be megabytes.
    window->Label3->setText(Seams::readable(memberName, Seams::kMaxLineChars));
    window->setModal(true);
    window->show();
    return window;
}

Form3 *Form3::current(MemberSession &session)
{
    return qobject_cast<Form3 *>(session.identityCheck.data());
}

Task<QString> Form3::GetBody(QString url)
{
    return QuorvelModule::HttpGetText(m_session.site(), std::move(url));
}

void Form3::Timer2_Timer()
{
    ++m_dotCounter;
    if (m_dotCounter == 1) {
        Label1->setText(kWaitText);
    } else if (m_dotCounter == 2) {
        Label1->setText(kWaitText + QStringLiteral("."));
    } else {
        Label1->setText(kWaitText + QStringLiteral(".."));
        m_dotCounter = 0;
    }
}

void Form3::Timer1_Timer()
{
    // One fetch per showing: a tick that comes while the first one waits does nothing.
    if (m_handOverStarted)
        return;
    m_handOverStarted = true;
    Timer1->stop();
    m_handOver = handOver();
}

Routine Form3::handOver()
{
    if (m_pageText.isEmpty())
        m_pageText = co_await GetBody(m_session.settings().url(HostRole::Vip, QStringLiteral("/")));
    const PanelReaders::VipReading reading = PanelReaders::readVipPage(m_pageText);
    // The level before the panel exists: its start-up shows the badge of this reading.
    m_session.card().VipLevel = reading.level;

    // First touch of the panel: the one made during the wait (or a new one) becomes the session's
    // and runs its start-up, which shows the readings begun when this window opened, as soon as
    // they are in. The panel may go during it.
    const QPointer<Form2> panel = Form2::of(m_session, m_panelReadings.data(), std::move(m_preparedPanel));
    if (!panel->isLoaded())
        co_await Wait::signal(panel.data(), &Form2::loaded);
    if (panel) {
        // The member as this window knows them; the badge stays the panel's own reading's.
        MemberCard card = MemberCard::fromVip(reading, QDate::currentDate(), MemberCard::VipView::HandOver);
        card.avatar = Image1->pixmap();
        card.name = Label3->text();
        panel->showMember(card);
    }

    closeBySelf();

    PanelState &state = m_session.card();
    state.QuorvelbiAmount.clear();
    state.YubiAmount.clear();
    clearValues();

    if (panel) {
        panel->show();
        panel->activateWindow();
    }
}

void Form3::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // A panel already up keeps what it shows; otherwise its readings start now.
    if (!m_handOverStarted && !m_panelReadings && !Form2::existing(m_session))
        m_panelReadings = new PanelReadings(m_session, PanelReadings::All, this);
    Label1->ensurePolished();
    const int textWidth = Label1->fontMetrics().horizontalAdvance(kWaitText);
    Label1->setContentsMargins(qMax(0, (Label1->width() - textWidth) / 2), 0, 0, 0);
}

bool Form3::event(QEvent *event)
{
    const bool handled = QDialog::event(event);
    // After the first paint, not before it: the member sees this window at once, and the panel
    // is built behind it during the wait.
    if (event->type() == QEvent::Paint && m_panelReadings && !m_panelPreparationQueued) {
        m_panelPreparationQueued = true;
        QTimer::singleShot(0, this, &Form3::preparePanel);
    }
    return handled;
}

void Form3::preparePanel()
{
    if (m_handOverStarted || Form2::existing(m_session))
        return;
    m_preparedPanel = Form2::prepare(m_session);
}

void Form3::closeBySelf()
{
    Timer1->stop();
    Timer2->stop();
    m_closingBySelf = true;
    done(QDialog::Accepted);
    hide();
    clearValues();
    if (testAttribute(Qt::WA_DeleteOnClose))
        deleteLater();
}

void Form3::clearValues()
{
    m_pageText.clear();
}

void Form3::reject()
{
    // Only the hand-over closes this window.
    if (m_closingBySelf)
        QDialog::reject();
}

void Form3::closeEvent(QCloseEvent *event)
{
    if (m_closingBySelf)
        event->accept();
    else
        event->ignore();
}

void Form3::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
