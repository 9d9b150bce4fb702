#include "Class1.h"

#include <QApplication>
#include <QBitmap>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>

namespace {

constexpr int kArrowHeight = 8;
constexpr int kArrowLeft = 14; // arrow tip, from the balloon's left edge
constexpr int kPadding = 10;
constexpr int kRadius = 6;
constexpr int kMaxTextWidth = 260;

// A small rounded balloon with an arrow pointing up at the control. It never takes the focus,
// so the member keeps typing in the box that asked for it.
class BalloonTip : public QWidget
{
public:
    BalloonTip(QWidget *owner, QWidget *control, const QString &title, const QString &text)
        : QWidget(owner, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus)
        , m_control(control)
        , m_title(title)
        , m_text(text)
    {
        setObjectName(QStringLiteral("BalloonTip"));
        setAttribute(Qt::WA_ShowWithoutActivating);
        setAttribute(Qt::WA_DeleteOnClose);
        m_titleFont = font();
        m_titleFont.setBold(true);
        fitToContent();
        // The prompt has done its job once the member leaves the box or types in it. The keys
        // are watched from the next turn of the event loop: a balloon is made while the box's
        // own event is being filtered, and a filter added to the box then would be handed that
        // same event again (and make another balloon, without end).
        connect(qApp, &QApplication::focusChanged, this, [this](QWidget *old, QWidget *) {
            if (old == m_control)
                close();
        });
        QTimer::singleShot(0, this, [this] {
            if (m_control)
                m_control->installEventFilter(this);
        });
    }

    ~BalloonTip() override
    {
        if (m_control)
            m_control->removeEventFilter(this);
    }

    // A new title or text on a balloon already up: the balloon takes the new size and shape.
    void setContent(const QString &title, const QString &text)
    {
        if (title == m_title && text == m_text)
            return;
        m_title = title;
        m_text = text;
        fitToContent();
        update();
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_control) {
            const QEvent::Type type = event->type();
            if (type == QEvent::KeyPress || type == QEvent::Hide)
                close();
        }
        return QWidget::eventFilter(watched, event);
    }

    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        // Drawn without smoothing so the outline follows the cut-out shape pixel for pixel.
        p.setPen(QPen(QColor(0x7f, 0x9c, 0xc2), 1));
        p.setBrush(QColor(0xf7, 0xfb, 0xff));
        p.drawPolygon(outline());
        p.setRenderHint(QPainter::TextAntialiasing);
        int y = kArrowHeight + kPadding;
        p.setPen(QColor(0x23, 0x33, 0x4a));
        if (!m_title.isEmpty()) {
            p.setFont(m_titleFont);
            const QFontMetrics tm(m_titleFont);
            p.drawText(QPoint(kPadding, y + tm.ascent()), m_title);
            y += tm.height() + 4;
            p.setFont(font());
        }
        p.drawText(QRect(kPadding, y, width() - 2 * kPadding, height() - y), Qt::TextWordWrap, m_text);
    }

    void mousePressEvent(QMouseEvent *) override { close(); }

private:
    void fitToContent()
    {
        // What a screen reader says for the balloon: its prompt, with the title as the description.
        setAccessibleName(m_text);
        setAccessibleDescription(m_title);
        const QFontMetrics fm(font());
        const QRect textRect = fm.boundingRect(QRect(0, 0, kMaxTextWidth, 1000), Qt::TextWordWrap, m_text);
        int width = textRect.width();
        int height = textRect.height();
        if (!m_title.isEmpty()) {
            const QFontMetrics tm(m_titleFont);
            width = qMax(width, tm.horizontalAdvance(m_title));
            height += tm.height() + 4;
        }
        resize(width + 2 * kPadding + 1, height + 2 * kPadding + kArrowHeight + 1);
        // Without a compositor a window cannot be see-through: the shape is cut out instead.
        QBitmap mask(size());
        mask.fill(Qt::color0);
        {
            QPainter painter(&mask);
            painter.setPen(QPen(Qt::color1, 1));
            painter.setBrush(Qt::color1);
            painter.drawPolygon(outline());
        }
        setMask(mask);
    }

    // The balloon's outline in whole pixels, the same for the cut-out and the painting.
    [[nodiscard]] QPolygon outline() const { return shape().toFillPolygon().toPolygon(); }

    [[nodiscard]] QPainterPath shape() const
    {
        const QRectF body(0, kArrowHeight, width() - 1.0, height() - kArrowHeight - 1.0);
        QPainterPath path;
        path.addRoundedRect(body, kRadius, kRadius);
        QPainterPath arrow;
        arrow.moveTo(kArrowLeft - kArrowHeight, kArrowHeight + 1.0);
        arrow.lineTo(kArrowLeft, 0);
        arrow.lineTo(kArrowLeft + kArrowHeight, kArrowHeight + 1.0);
        arrow.closeSubpath();
        return path.united(arrow);
    }

    QPointer<QWidget> m_control;
    QString m_title;
    QString m_text;
    QFont m_titleFont;
};

} // namespace

Class1::~Class1()
{
    destroyBalloon();
}

void Class1::destroyBalloon()
{
    if (m_balloon)
        m_balloon->close();
    m_balloon = nullptr;
}

bool Class1::Create()
{
    destroyBalloon();
    if (!m_parent)
        return false;
    // Owned by the control's window, so a balloon never outlives the window it points into.
    auto *tip = new BalloonTip(m_parent->window(), m_parent, m_title, m_text);
    tip->move(m_parent->mapToGlobal(QPoint(qMin(16, m_parent->width() / 2) - kArrowLeft, m_parent->height())));
    tip->show();
    m_balloon = tip;
    QTimer::singleShot(kShowMs, tip, &QWidget::close);
    return true;
}

void Class1::ParentControl(QWidget *control)
{
    m_parent = control;
}

void Class1::ToolTipTitle(const QString &title)
{
    m_title = title;
    updateBalloon();
}

void Class1::ToolTipText(const QString &text)
{
    m_text = text;
    updateBalloon();
}

void Class1::updateBalloon()
{
    if (auto *tip = static_cast<BalloonTip *>(m_balloon.data()))
        tip->setContent(m_title, m_text);
}
