#include "Form5.h"

#include "base/Settings.h"
#include "pictures/Animation.h"
#include "pictures/QuorvelAssets.h"
#include "session/MemberSession.h"
#include "ui/Skin.h"
#include "windows/login/Form1.h"

#include <QLabel>
#include <QMovie>
#include <QPainter>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

namespace {
constexpr int kAnimationWidth = 40;
constexpr int kAnimationHeight = 45;
} // namespace

Form5::Form5(MemberSession &session, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
    , m_session(session)
{
    QuorvelAssets::init();
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("Quorvel"));
    setFixedSize(kWidth, kHeight);

    AniGIF1 = new QLabel(this);
    AniGIF1->setObjectName(QStringLiteral("AniGIF1"));
    AniGIF1->setGeometry((kWidth - kAnimationWidth) / 2, (kHeight - kAnimationHeight) / 2, kAnimationWidth,
                         kAnimationHeight);
    startMovie = QuorvelAssets::playAnimation(AniGIF1, QStringLiteral("start.gif"));

    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void Form5::Form_Load()
{
    // The skin before any window shows; a missing skin leaves the plain look.
    SkinH_AttachEx(m_session.settings().dataDir() + QStringLiteral("/2.she"), QString());
    // This window covers the wait while the login window loads, and it can only be painted when
    // events are handled: it goes up at the first event handled before the login window is up (an
    // account lookup over the network). A login window that loads without waiting closes it before
    // then, and no window is made for nothing (nor flashes up unpainted).
    m_showTimer = new QTimer(this);
    m_showTimer->setSingleShot(true);
    connect(m_showTimer, &QTimer::timeout, this, &QWidget::show);
    m_showTimer->start(0);
    Form1::openNew(m_session, this);
}

void Form5::closeEvent(QCloseEvent *event)
{
    // Closed before it went up: it stays down, whatever waits come later.
    if (m_showTimer)
        m_showTimer->stop();
    QWidget::closeEvent(event);
}

void Form5::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.setPen(QColor(0x9f, 0xb6, 0xd3));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}
