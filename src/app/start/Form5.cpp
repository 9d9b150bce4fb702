#include "Form5.h"

#include "Animation.h"
#include "QuorvelAssets.h"
#include "app/Settings.h"
#include "app/Skin.h"
#include "login/Form1.h"

#include <QLabel>
#include <QMovie>
#include <QPainter>
#include <QGuiApplication>
#include <QScreen>

namespace {
constexpr int kAnimationWidth = 40;
constexpr int kAnimationHeight = 45;
} // namespace

Form5::Form5(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
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
    SkinH_AttachEx(Settings::instance().dataDir() + QStringLiteral("/2.she"), QString());
    show();
    Form1::openNew(this);
}

void Form5::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.setPen(QColor(0x9f, 0xb6, 0xd3));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}
