// Draws the login window's pictures and the frames of its animations as PNG files:
//   login-background.png (+@2x)   425 × 391, the window surface
//   avatar-default.png (+@2x)     120 × 120, the avatar shown until a member's own is known
//   banner/frame-NN.png (+banner@2x/)  165 × 157, the banner animation (background included)
//   start/frame-NN.png (+start@2x/)    40 × 45, the start window's animation
//   check-mark.png, combo-arrow*.png (+@2x): marks the skin draws its check boxes and lists with
// make-assets.sh turns the frame folders into looping GIFs. Usage: quorvel-draw-assets OUTDIR
#include "../OpaqueImage.h"

#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtMath>

#include <cmath>
#include <cstdio>

namespace {

constexpr int kWidth = 425;
constexpr int kHeight = 391;
constexpr int kHeaderHeight = 136; // the input panel starts here
constexpr int kStatusTop = 345;    // the input panel ends here
const QRect kBannerRect(136, 8, 165, 157);
constexpr int kBannerFrames = 24;
constexpr int kStartFrames = 12;

const QColor kDeepBlue(0x16, 0x4f, 0xc4);
const QColor kBrandBlue(0x2b, 0x7b, 0xf0);
const QColor kSkyBlue(0x4c, 0xb4, 0xf7);
const QColor kCyan(0x7d, 0xe3, 0xff);

QFont brandFont(int pixelSize, QFont::Weight weight)
{
    QFont font;
    font.setFamilies({QStringLiteral("Noto Sans CJK SC"), QStringLiteral("DejaVu Sans")});
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

QImage canvas(QSize size, qreal scale)
{
    QImage image(size * scale, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

// ---- Window surface ---------------------------------------------------------------------------

void paintHeader(QPainter &p)
{
    QLinearGradient sky(0, 0, kWidth, kHeaderHeight + 40);
    sky.setColorAt(0.0, kDeepBlue);
    sky.setColorAt(0.55, kBrandBlue);
    sky.setColorAt(1.0, kSkyBlue);
    p.fillRect(QRectF(0, 0, kWidth, kHeaderHeight + 40), sky);

    // Soft light shapes, kept clear of the banner so the animation sits seamlessly on them.
    p.setPen(Qt::NoPen);
    auto glow = [&p](QPointF centre, qreal radius, int alpha) {
        QRadialGradient g(centre, radius);
        g.setColorAt(0.0, QColor(255, 255, 255, alpha));
        g.setColorAt(1.0, QColor(255, 255, 255, 0));
        p.setBrush(g);
        p.drawEllipse(centre, radius, radius);
    };
    glow(QPointF(-10, 150), 120, 46);
    glow(QPointF(430, -20), 110, 40);
    glow(QPointF(400, 150), 70, 28);

    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < 3; ++i) {
        p.setPen(QPen(QColor(255, 255, 255, 34 - i * 9), 1.2));
        p.drawEllipse(QPointF(40, 118), 46.0 + i * 16, 46.0 + i * 16);
    }
    for (int i = 0; i < 2; ++i) {
        p.setPen(QPen(QColor(255, 255, 255, 30 - i * 10), 1.2));
        p.drawEllipse(QPointF(392, 96), 28.0 + i * 14, 28.0 + i * 14);
    }

    // The window's caption, top left.
    p.setPen(QColor(255, 255, 255, 235));
    p.setFont(brandFont(13, QFont::Bold));
    p.drawText(QPointF(14, 25), QStringLiteral("Quorvel"));
    p.setPen(QColor(255, 255, 255, 170));
    p.setFont(brandFont(11, QFont::Normal));
    p.drawText(QPointF(76, 25), QStringLiteral("会员登录"));
}

void paintStatusBar(QPainter &p)
{
    QLinearGradient bar(0, kStatusTop, 0, kHeight);
    bar.setColorAt(0.0, QColor(0xf5, 0xf8, 0xfc));
    bar.setColorAt(1.0, QColor(0xe8, 0xee, 0xf6));
    p.fillRect(QRectF(0, kStatusTop, kWidth, kHeight - kStatusTop), bar);
    p.setPen(QPen(QColor(0xd5, 0xde, 0xea), 1));
    p.drawLine(QPointF(0, kStatusTop + 0.5), QPointF(kWidth, kStatusTop + 0.5));
}

QImage drawBackground(qreal scale)
{
    QImage image = canvas(QSize(kWidth, kHeight), scale);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.scale(scale, scale);
    paintHeader(p);
    p.fillRect(QRectF(0, kHeaderHeight, kWidth, kStatusTop - kHeaderHeight), Qt::white);
    paintStatusBar(p);
    return image;
}

// ---- The emblem: a rounded "Q" mark ------------------------------------------------------------

void paintEmblem(QPainter &p, QPointF centre, qreal radius, qreal glow)
{
    // Halo
    QRadialGradient halo(centre, radius * 1.7);
    halo.setColorAt(0.0, QColor(255, 255, 255, int(70 * glow)));
    halo.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(halo);
    p.drawEllipse(centre, radius * 1.7, radius * 1.7);

    // Disc
    QLinearGradient disc(centre - QPointF(radius, radius), centre + QPointF(radius, radius));
    disc.setColorAt(0.0, QColor(0xff, 0xff, 0xff));
    disc.setColorAt(1.0, QColor(0xdc, 0xec, 0xff));
    p.setBrush(disc);
    p.drawEllipse(centre, radius, radius);

    // The Q: a thick ring with a tail.
    const qreal ring = radius * 0.56;
    QPen pen(kBrandBlue, radius * 0.2, Qt::SolidLine, Qt::RoundCap);
    QLinearGradient ink(centre - QPointF(ring, ring), centre + QPointF(ring, ring));
    ink.setColorAt(0.0, kSkyBlue);
    ink.setColorAt(1.0, kDeepBlue);
    pen.setBrush(ink);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(centre, ring, ring);
    p.drawLine(centre + QPointF(ring * 0.35, ring * 0.35), centre + QPointF(ring * 1.02, ring * 1.02));
}

// ---- Banner animation ---------------------------------------------------------------------------

// The background is the window surface drawn at the same scale.
QImage drawBannerFrame(const QImage &background, int frame, qreal scale)
{
    const qreal t = qreal(frame) / kBannerFrames; // 0..1 over the loop
    const QRect source(kBannerRect.topLeft() * scale, kBannerRect.size() * scale);
    QImage image = background.copy(source);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.scale(scale, scale);

    const QPointF centre(82.5, 50);
    const qreal radius = 31;
    const qreal pulse = 0.75 + 0.25 * qSin(t * 2 * M_PI);
    paintEmblem(p, centre, radius, pulse);

    // A comet of light circling the emblem.
    const qreal orbit = radius + 9;
    for (int i = 0; i < 14; ++i) {
        const qreal angle = (t - i * 0.012) * 2 * M_PI - M_PI / 2;
        const QPointF at = centre + QPointF(qCos(angle), qSin(angle)) * orbit;
        const qreal size = 3.4 - i * 0.22;
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, 230 - i * 16));
        p.drawEllipse(at, size, size);
    }
    p.setPen(QPen(QColor(255, 255, 255, 60), 1));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(centre, orbit, orbit);

    // The word mark with a sheen sweeping across it once per loop.
    QFont font = brandFont(22, QFont::Bold);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 1.0);
    QPainterPath word;
    word.addText(0, 0, font, QStringLiteral("Quorvel"));
    const QRectF bounds = word.boundingRect();
    word.translate(centre.x() - bounds.center().x(), 117 - bounds.bottom());
    const QRectF placed = word.boundingRect();
    QLinearGradient sheen(placed.left(), 0, placed.right(), 0);
    const qreal sweep = -0.3 + t * 1.6;
    sheen.setColorAt(0.0, Qt::white);
    sheen.setColorAt(qBound(0.0, sweep - 0.12, 1.0), Qt::white);
    sheen.setColorAt(qBound(0.0, sweep, 1.0), kCyan);
    sheen.setColorAt(qBound(0.0, sweep + 0.12, 1.0), Qt::white);
    sheen.setColorAt(1.0, Qt::white);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(10, 40, 110, 60));
    p.drawPath(word.translated(0, 1.5));
    p.setBrush(sheen);
    p.drawPath(word);
    return image;
}

// ---- Start animation ------------------------------------------------------------------------------

QImage drawStartFrame(int frame, qreal scale)
{
    const qreal t = qreal(frame) / kStartFrames;
    QImage image = canvas(QSize(40, 45), scale);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(scale, scale);
    const QPointF centre(20, 19);
    paintEmblem(p, centre, 11.5, 0.0);

    // A spinning arc round the emblem, fading toward its tail.
    const qreal start = -t * 360.0;
    for (int i = 0; i < 10; ++i) {
        QPen pen(QColor(0x2b, 0x7b, 0xf0, 255 - i * 24), 2.6, Qt::SolidLine, Qt::RoundCap);
        p.setPen(pen);
        p.drawArc(QRectF(centre - QPointF(16.5, 16.5), QSizeF(33, 33)), int((start + i * 12) * 16), int(-15 * 16));
    }
    // Three dots below, lighting one after another.
    for (int i = 0; i < 3; ++i) {
        const qreal phase = std::fmod(t * 3 - i + 3, 3.0);
        const int alpha = phase < 1.0 ? 255 : 90;
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x2b, 0x7b, 0xf0, alpha));
        p.drawEllipse(QPointF(14 + i * 6, 41), 1.7, 1.7);
    }
    return image;
}

// ---- Default avatar ---------------------------------------------------------------------------------

QImage drawAvatar(qreal scale)
{
    QImage image = canvas(QSize(120, 120), scale);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(scale, scale);
    QPainterPath frame;
    frame.addRoundedRect(QRectF(0.5, 0.5, 119, 119), 12, 12);
    QLinearGradient fill(0, 0, 120, 120);
    fill.setColorAt(0.0, QColor(0xe9, 0xf2, 0xff));
    fill.setColorAt(1.0, QColor(0xc7, 0xdc, 0xf8));
    p.fillPath(frame, fill);
    p.setClipPath(frame);

    // A figure: head and shoulders.
    QLinearGradient figure(0, 30, 0, 120);
    figure.setColorAt(0.0, QColor(0xff, 0xff, 0xff, 250));
    figure.setColorAt(1.0, QColor(0xf3, 0xf8, 0xff, 240));
    p.setPen(Qt::NoPen);
    p.setBrush(figure);
    p.drawEllipse(QPointF(60, 48), 21, 22);
    QPainterPath body;
    body.moveTo(18, 122);
    body.cubicTo(18, 86, 38, 76, 60, 76);
    body.cubicTo(82, 76, 102, 86, 102, 122);
    body.closeSubpath();
    p.drawPath(body);
    p.setClipping(false);
    p.setPen(QPen(QColor(0xb4, 0xca, 0xe8), 1));
    p.setBrush(Qt::NoBrush);
    p.drawPath(frame);
    return image;
}

// ---- Small marks for the skin: the tick of a check box and the arrow of a drop-down list ---------

QImage drawCheckMark(qreal scale)
{
    QImage image = canvas(QSize(13, 13), scale);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(scale, scale);
    QPen pen(Qt::white, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    const QPointF tick[3] = {{3.0, 6.8}, {5.6, 9.2}, {10.0, 4.0}};
    p.drawPolyline(tick, 3);
    return image;
}

QImage drawComboArrow(qreal scale, const QColor &colour)
{
    QImage image = canvas(QSize(10, 6), scale);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(scale, scale);
    p.setPen(QPen(colour, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const QPointF chevron[3] = {{1.5, 1.5}, {5.0, 4.7}, {8.5, 1.5}};
    p.drawPolyline(chevron, 3);
    return image;
}

bool save(const QImage &image, const QString &path)
{
    if (withoutUnusedAlpha(image).save(path, "PNG"))
        return true;
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: quorvel-draw-assets OUTDIR\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    for (const char *folder : {"banner", "banner@2x", "start", "start@2x"})
        out.mkpath(QString::fromLatin1(folder));

    bool ok = true;
    const QImage background = drawBackground(1.0);
    const QImage denseBackground = drawBackground(2.0);
    ok &= save(background, out.filePath(QStringLiteral("login-background.png")));
    ok &= save(denseBackground, out.filePath(QStringLiteral("login-background@2x.png")));
    ok &= save(drawAvatar(1.0), out.filePath(QStringLiteral("avatar-default.png")));
    ok &= save(drawAvatar(2.0), out.filePath(QStringLiteral("avatar-default@2x.png")));
    ok &= save(drawCheckMark(1.0), out.filePath(QStringLiteral("check-mark.png")));
    ok &= save(drawCheckMark(2.0), out.filePath(QStringLiteral("check-mark@2x.png")));
    ok &= save(drawComboArrow(1.0, QColor(0x5b, 0x6b, 0x80)), out.filePath(QStringLiteral("combo-arrow.png")));
    ok &= save(drawComboArrow(2.0, QColor(0x5b, 0x6b, 0x80)), out.filePath(QStringLiteral("combo-arrow@2x.png")));
    ok &= save(drawComboArrow(1.0, QColor(0xb4, 0xbe, 0xcc)), out.filePath(QStringLiteral("combo-arrow-disabled.png")));
    ok &= save(drawComboArrow(2.0, QColor(0xb4, 0xbe, 0xcc)), out.filePath(QStringLiteral("combo-arrow-disabled@2x.png")));
    // Each animation twice: as laid out, and at twice the pixels for dense screens.
    const auto frameName = [](const char *folder, int i) -> QString {
        return QString::fromLatin1(folder) + QStringLiteral("/frame-%1.png").arg(i, 2, 10, QLatin1Char('0'));
    };
    for (int i = 0; i < kBannerFrames; ++i) {
        ok &= save(drawBannerFrame(background, i, 1.0), out.filePath(frameName("banner", i)));
        ok &= save(drawBannerFrame(denseBackground, i, 2.0), out.filePath(frameName("banner@2x", i)));
    }
    for (int i = 0; i < kStartFrames; ++i) {
        ok &= save(drawStartFrame(i, 1.0), out.filePath(frameName("start", i)));
        ok &= save(drawStartFrame(i, 2.0), out.filePath(frameName("start@2x", i)));
    }
    return ok ? 0 : 1;
}
