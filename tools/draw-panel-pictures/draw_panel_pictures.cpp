// Draws the member panel's pictures into a folder: the top image, the three level badges and the
// avatar of a member without one. Pictures are drawn at twice their size on screen.
//   quorvel-draw-panel-pictures assets/panel
#include "../OpaqueImage.h"

#include <QDir>
#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTextStream>

#include <cstdio>

namespace {

constexpr qreal kScale = 2.0;

QImage canvas(int width, int height)
{
    QImage image(int(width * kScale), int(height * kScale), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

// Sizes in on-screen pixels: the painter is already scaled.
QFont font(const QString &family, qreal pixelSize, int weight)
{
    QFont f(family);
    f.setPixelSize(int(pixelSize));
    f.setWeight(QFont::Weight(weight));
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

QFont cjkFont(qreal pixelSize, int weight)
{
    return font(QStringLiteral("Noto Sans CJK SC"), pixelSize, weight);
}

// A small crown: three points over a band, drawn in a box of the given size.
QPainterPath crown(const QRectF &box)
{
    const qreal w = box.width();
    const qreal h = box.height();
    QPainterPath path;
    path.moveTo(box.left(), box.top() + h * 0.30);
    path.lineTo(box.left() + w * 0.28, box.top() + h * 0.58);
    path.lineTo(box.left() + w * 0.50, box.top());
    path.lineTo(box.left() + w * 0.72, box.top() + h * 0.58);
    path.lineTo(box.right(), box.top() + h * 0.30);
    path.lineTo(box.right() - w * 0.08, box.top() + h * 0.82);
    path.lineTo(box.left() + w * 0.08, box.top() + h * 0.82);
    path.closeSubpath();
    path.addRoundedRect(QRectF(box.left() + w * 0.08, box.top() + h * 0.88, w * 0.84, h * 0.12), h * 0.04, h * 0.04);
    return path;
}

QImage drawTop()
{
    const int w = 658;
    const int h = 112;
    QImage image = canvas(w, h);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(kScale, kScale);

    QLinearGradient sky(0, 0, w, h);
    sky.setColorAt(0.0, QColor(0x10, 0x2a, 0x5c));
    sky.setColorAt(0.55, QColor(0x1d, 0x5f, 0xa8));
    sky.setColorAt(1.0, QColor(0x1f, 0x9c, 0xa6));
    p.fillRect(QRectF(0, 0, w, h), sky);

    // Soft light circles for depth.
    const struct {
        qreal x, y, r;
        int alpha;
    } glows[] = {{560, -30, 150, 46}, {430, 120, 110, 30}, {120, 140, 90, 22}, {640, 90, 60, 26}};
    for (const auto &g : glows) {
        QRadialGradient glow(QPointF(g.x, g.y), g.r);
        glow.setColorAt(0.0, QColor(255, 255, 255, g.alpha));
        glow.setColorAt(1.0, QColor(255, 255, 255, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(glow);
        p.drawEllipse(QPointF(g.x, g.y), g.r, g.r);
    }

    // Two gentle waves along the bottom edge.
    for (int i = 0; i < 2; ++i) {
        QPainterPath wave;
        const qreal base = h - 18 + i * 8;
        wave.moveTo(0, base);
        wave.cubicTo(w * 0.25, base - 16 + i * 6, w * 0.55, base + 14, w, base - 10 + i * 4);
        wave.lineTo(w, h);
        wave.lineTo(0, h);
        wave.closeSubpath();
        p.setBrush(QColor(255, 255, 255, i == 0 ? 26 : 40));
        p.drawPath(wave);
    }

    // Emblem: a rounded square with a "Q" and a gold ring.
    const QRectF emblem(26, 22, 62, 62);
    QLinearGradient gold(emblem.topLeft(), emblem.bottomRight());
    gold.setColorAt(0.0, QColor(0xff, 0xe0, 0x82));
    gold.setColorAt(1.0, QColor(0xe1, 0x9f, 0x01));
    p.setBrush(gold);
    p.drawRoundedRect(emblem, 16, 16);
    QLinearGradient inner(emblem.topLeft(), emblem.bottomLeft());
    inner.setColorAt(0.0, QColor(0x1a, 0x4a, 0x8c));
    inner.setColorAt(1.0, QColor(0x0e, 0x26, 0x52));
    p.setBrush(inner);
    p.drawRoundedRect(emblem.adjusted(3, 3, -3, -3), 13, 13);
    p.setPen(QColor(0xff, 0xe0, 0x82));
    p.setFont(font(QStringLiteral("DejaVu Sans"), 38, QFont::Bold));
    p.drawText(emblem.adjusted(0, -2, 0, 0), Qt::AlignCenter, QStringLiteral("Q"));

    // Name and subtitle.
    p.setPen(Qt::white);
    p.setFont(font(QStringLiteral("DejaVu Sans"), 30, QFont::Bold));
    p.drawText(QRectF(104, 20, 300, 40), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Quorvel"));
    p.setPen(QColor(255, 255, 255, 215));
    p.setFont(cjkFont(14, QFont::Medium));
    p.drawText(QRectF(106, 60, 320, 24), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("会员中心  ·  Member Center"));
    return image;
}

struct BadgeStyle {
    QColor top;
    QColor bottom;
    QColor border;
    QColor text;
    QColor crownTop;
    QColor crownBottom;
    QString label;
};

QImage drawBadge(const BadgeStyle &style)
{
    const int w = 120;
    const int h = 28;
    QImage image = canvas(w, h);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.scale(kScale, kScale);

    const QRectF pill(0.75, 0.75, w - 1.5, h - 1.5);
    QLinearGradient fill(pill.topLeft(), pill.bottomLeft());
    fill.setColorAt(0.0, style.top);
    fill.setColorAt(1.0, style.bottom);
    p.setPen(QPen(style.border, 1.2));
    p.setBrush(fill);
    p.drawRoundedRect(pill, h / 2.0, h / 2.0);

    // Gloss on the upper half.
    QLinearGradient gloss(0, 0, 0, h / 2.0);
    gloss.setColorAt(0.0, QColor(255, 255, 255, 90));
    gloss.setColorAt(1.0, QColor(255, 255, 255, 10));
    p.setPen(Qt::NoPen);
    p.setBrush(gloss);
    p.drawRoundedRect(QRectF(3, 2, w - 6, h / 2.0 - 1), h / 4.0, h / 4.0);

    QLinearGradient crownFill(0, 6, 0, 22);
    crownFill.setColorAt(0.0, style.crownTop);
    crownFill.setColorAt(1.0, style.crownBottom);
    p.setBrush(crownFill);
    p.setPen(QPen(style.border.darker(110), 0.6));
    p.drawPath(crown(QRectF(10, 6, 20, 16)));

    p.setPen(style.text);
    p.setFont(cjkFont(13, QFont::Bold));
    p.drawText(QRectF(32, 0, w - 40, h), Qt::AlignCenter, style.label);
    return image;
}

QImage drawNoAvatar()
{
    const int size = 96;
    QImage image = canvas(size, size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(kScale, kScale);

    QLinearGradient back(0, 0, 0, size);
    back.setColorAt(0.0, QColor(0xe3, 0xec, 0xf7));
    back.setColorAt(1.0, QColor(0xc3, 0xd3, 0xe8));
    p.setPen(Qt::NoPen);
    p.setBrush(back);
    p.drawRoundedRect(QRectF(0, 0, size, size), 10, 10);

    QPainterPath clip;
    clip.addRoundedRect(QRectF(0, 0, size, size), 10, 10);
    p.setClipPath(clip);
    const QColor figure(0x8a, 0xa4, 0xc6);
    p.setBrush(figure);
    p.drawEllipse(QPointF(size / 2.0, 38), 18, 18);
    p.drawEllipse(QRectF(14, 62, size - 28, 64));
    return image;
}

bool save(const QImage &image, const QDir &dir, const QString &name)
{
    const QString path = dir.filePath(name);
    if (!withoutUnusedAlpha(image).save(path, "PNG")) {
        QTextStream(stderr) << "cannot write " << path << Qt::endl;
        return false;
    }
    QTextStream(stdout) << path << Qt::endl;
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const QDir dir(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("."));
    if (!QFontDatabase::families().contains(QStringLiteral("Noto Sans CJK SC")))
        QTextStream(stderr) << "warning: Noto Sans CJK SC is not installed; Chinese text will fall back" << Qt::endl;

    const BadgeStyle vip{QColor(0xf2, 0x5a, 0x4f), QColor(0xc6, 0x28, 0x28), QColor(0x9e, 0x1b, 0x1b), Qt::white,
                         QColor(0xff, 0xf1, 0xa8), QColor(0xf2, 0xb5, 0x2c), QStringLiteral("VIP会员")};
    const BadgeStyle none{QColor(0xf3, 0xf4, 0xf6), QColor(0xd5, 0xd9, 0xde), QColor(0xb0, 0xb6, 0xbe), QColor(0x6b, 0x72, 0x7c),
                          QColor(0xd0, 0xd4, 0xda), QColor(0xa8, 0xaf, 0xb8), QStringLiteral("未开通VIP")};
    const BadgeStyle svip{QColor(0xff, 0xe0, 0x7a), QColor(0xe1, 0x9f, 0x01), QColor(0xb2, 0x7a, 0x00), QColor(0x5a, 0x32, 0x00),
                          QColor(0xff, 0x8a, 0x65), QColor(0xd8, 0x43, 0x15), QStringLiteral("SVIP会员")};

    bool ok = save(drawTop(), dir, QStringLiteral("top.png"));
    ok = save(drawBadge(vip), dir, QStringLiteral("badge_vip.png")) && ok;
    ok = save(drawBadge(none), dir, QStringLiteral("badge_none.png")) && ok;
    ok = save(drawBadge(svip), dir, QStringLiteral("badge_svip.png")) && ok;
    ok = save(drawNoAvatar(), dir, QStringLiteral("avatar_none.png")) && ok;
    return ok ? 0 : 1;
}
