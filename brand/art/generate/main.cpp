// Draws the Tallyvol bitmaps and icons. Everything is vector-drawn with QPainter so the art
// can be re-rendered at any time from this one file instead of being hand-edited.
//
// Usage: tallyvol-artgen [output-dir]   (run with QT_QPA_PLATFORM=offscreen on a headless box)

#include <QColor>
#include <QDir>
#include <QFont>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QString>

#include <array>
#include <cstdio>
#include <functional>

namespace {

// One palette for every picture: deep blue/teal with a single warm accent.
namespace pal {
const QColor navyDeep{0x08, 0x1B, 0x2E};
const QColor navy{0x0E, 0x2F, 0x4C};
const QColor navyLift{0x16, 0x44, 0x66};
const QColor teal{0x17, 0x7E, 0x89};
const QColor tealBright{0x3C, 0xC2, 0xB4};
const QColor sky{0x4F, 0x9F, 0xD8};
const QColor ice{0xE6, 0xF5, 0xF4};
const QColor mist{0x9F, 0xCF, 0xD3};
const QColor amber{0xF5, 0xA6, 0x23};
const QColor amberDeep{0xC9, 0x7A, 0x0C};
} // namespace pal

struct Fonts {
    QString heavy = QStringLiteral("DejaVu Sans");
    QString bold = QStringLiteral("DejaVu Sans");
    QString regular = QStringLiteral("DejaVu Sans");
};

QString loadFamily(const QString &file, const QString &fallback)
{
    const int id = QFontDatabase::addApplicationFont(file);
    if (id < 0)
        return fallback;
    const QStringList fams = QFontDatabase::applicationFontFamilies(id);
    return fams.isEmpty() ? fallback : fams.first();
}

Fonts loadFonts()
{
    // Lato gives the wordmark its character; DejaVu is the fallback present on every build host.
    const QString dir = QStringLiteral("/usr/share/fonts/truetype/");
    Fonts f;
    loadFamily(dir + "dejavu/DejaVuSans.ttf", f.regular);
    loadFamily(dir + "dejavu/DejaVuSans-Bold.ttf", f.bold);
    f.heavy = loadFamily(dir + "lato/Lato-Black.ttf", f.heavy);
    f.bold = loadFamily(dir + "lato/Lato-Bold.ttf", f.bold);
    f.regular = loadFamily(dir + "lato/Lato-Regular.ttf", f.regular);
    return f;
}

QFont font(const QString &family, qreal px, QFont::Weight w, qreal spacing = 0)
{
    QFont f(family);
    f.setPixelSize(qRound(px));
    f.setWeight(w);
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setStyleStrategy(QFont::PreferAntialias);
    if (spacing != 0)
        f.setLetterSpacing(QFont::AbsoluteSpacing, spacing);
    return f;
}

// ---------------------------------------------------------------------------------------------
// Emblem: three stacks of disk platters, each taller than the last - the disk growing over time.
// The newest stack is amber, the one accent colour used throughout.

void drawCylinderStack(QPainter &p, qreal x, qreal baseY, qreal w, int platters, qreal platterH,
                       const QColor &light, const QColor &dark, const QColor &edge)
{
    const qreal capH = w * 0.36;
    const qreal topY = baseY - platters * platterH;

    // Body: rectangle plus the rounded bottom, shaded left-to-right to read as a cylinder.
    QPainterPath body;
    body.moveTo(x, topY);
    body.lineTo(x, baseY);
    body.arcTo(QRectF(x, baseY - capH / 2, w, capH), 180, 180);
    body.lineTo(x + w, topY);
    body.closeSubpath();

    QLinearGradient side(x, 0, x + w, 0);
    side.setColorAt(0.0, dark);
    side.setColorAt(0.35, light);
    side.setColorAt(1.0, dark);
    p.setPen(Qt::NoPen);
    p.setBrush(side);
    p.drawPath(body);

    // Seams between platters: the lower half of an ellipse, like the edge of a stacked disc.
    QPen seam(edge);
    seam.setWidthF(qMax<qreal>(0.8, w * 0.07));
    seam.setCapStyle(Qt::FlatCap);
    p.setPen(seam);
    p.setBrush(Qt::NoBrush);
    for (int i = 1; i < platters; ++i) {
        const qreal y = baseY - i * platterH;
        p.drawArc(QRectF(x, y - capH / 2, w, capH), 180 * 16, 180 * 16);
    }

    // Top face.
    QLinearGradient capGrad(x, topY - capH / 2, x + w, topY + capH / 2);
    capGrad.setColorAt(0.0, light.lighter(125));
    capGrad.setColorAt(1.0, light);
    p.setPen(Qt::NoPen);
    p.setBrush(capGrad);
    p.drawEllipse(QRectF(x, topY - capH / 2, w, capH));
}

void drawEmblemContent(QPainter &p, const QRectF &r)
{
    const qreal s = r.width();
    const qreal w = s * 0.2;
    const qreal gap = s * 0.065;
    const qreal totalW = 3 * w + 2 * gap;
    const qreal x0 = r.left() + (s - totalW) / 2;
    const qreal baseY = r.top() + s * 0.80;
    const qreal platterH = s * 0.135;

    // Faint rising trend behind the stacks ties the picture to "history".
    QPen trend(QColor(255, 255, 255, 70));
    trend.setWidthF(s * 0.035);
    trend.setCapStyle(Qt::RoundCap);
    p.setPen(trend);
    p.drawLine(QPointF(r.left() + s * 0.16, r.top() + s * 0.56),
               QPointF(r.left() + s * 0.84, r.top() + s * 0.16));

    drawCylinderStack(p, x0, baseY, w, 2, platterH, pal::mist, QColor(0x5C, 0x9C, 0xA8),
                      QColor(0x2A, 0x5E, 0x70));
    drawCylinderStack(p, x0 + w + gap, baseY, w, 3, platterH, pal::ice, QColor(0x8E, 0xC4, 0xCA),
                      QColor(0x3A, 0x72, 0x80));
    drawCylinderStack(p, x0 + 2 * (w + gap), baseY, w, 4, platterH, QColor(0xFF, 0xC1, 0x52),
                      pal::amberDeep, QColor(0x8A, 0x50, 0x05));
}

// Rounded tile with the stacks. `r` must be square.
void drawEmblem(QPainter &p, const QRectF &r)
{
    const qreal s = r.width();
    const qreal radius = s * 0.22;

    p.save();
    QLinearGradient tile(r.topLeft(), r.bottomRight());
    tile.setColorAt(0.0, QColor(0x1F, 0x9A, 0xA0));
    tile.setColorAt(0.55, pal::teal.darker(125));
    tile.setColorAt(1.0, pal::navy);
    p.setPen(Qt::NoPen);
    p.setBrush(tile);
    p.drawRoundedRect(r, radius, radius);

    // Soft top sheen so the tile does not look flat at large sizes.
    QLinearGradient sheen(r.topLeft(), QPointF(r.left(), r.top() + s * 0.5));
    sheen.setColorAt(0.0, QColor(255, 255, 255, 45));
    sheen.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.setBrush(sheen);
    p.drawRoundedRect(r, radius, radius);

    // A hairline rim keeps the tile edge crisp against dark backgrounds.
    QPen rim(QColor(255, 255, 255, 60));
    rim.setWidthF(qMax<qreal>(1.0, s * 0.02));
    p.setPen(rim);
    p.setBrush(Qt::NoBrush);
    const qreal inset = rim.widthF() / 2;
    p.drawRoundedRect(r.adjusted(inset, inset, -inset, -inset), radius - inset, radius - inset);

    drawEmblemContent(p, r);
    p.restore();
}

// ---------------------------------------------------------------------------------------------
// Icon badges (bottom-right corner of a 64 px icon). Each has a dark outline so it separates
// from the tile underneath.

void drawMagnifierBadge(QPainter &p)
{
    const QPointF c(40.5, 40.5);
    const qreal rr = 11.0;

    // Handle first so the lens covers its root.
    QPen outline(pal::navyDeep);
    outline.setCapStyle(Qt::RoundCap);
    outline.setWidthF(10.0);
    p.setPen(outline);
    p.drawLine(QPointF(c.x() + 8, c.y() + 8), QPointF(59.5, 59.5));
    QPen handle(pal::amber);
    handle.setCapStyle(Qt::RoundCap);
    handle.setWidthF(6.0);
    p.setPen(handle);
    p.drawLine(QPointF(c.x() + 9, c.y() + 9), QPointF(58.5, 58.5));

    p.setPen(Qt::NoPen);
    p.setBrush(pal::navyDeep);
    p.drawEllipse(c, rr + 3.0, rr + 3.0);
    p.setBrush(pal::ice);
    p.drawEllipse(c, rr + 1.0, rr + 1.0);

    QRadialGradient glass(c - QPointF(3, 3), rr);
    glass.setColorAt(0.0, QColor(0xD8, 0xF3, 0xF0));
    glass.setColorAt(1.0, QColor(0x4F, 0xB6, 0xC0));
    p.setBrush(glass);
    p.drawEllipse(c, rr - 2.0, rr - 2.0);

    // Glint.
    QPen glint(QColor(255, 255, 255, 220));
    glint.setWidthF(2.0);
    glint.setCapStyle(Qt::RoundCap);
    p.setPen(glint);
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(c.x() - 6, c.y() - 6, 12, 12), 100 * 16, 70 * 16);
}

void drawBellBadge(QPainter &p)
{
    const QPointF c(46, 46);
    const qreal rr = 16.0;

    p.setPen(Qt::NoPen);
    p.setBrush(pal::navyDeep);
    p.drawEllipse(c, rr + 1.5, rr + 1.5);
    QLinearGradient disc(c.x(), c.y() - rr, c.x(), c.y() + rr);
    disc.setColorAt(0.0, QColor(0xFF, 0xBE, 0x4A));
    disc.setColorAt(1.0, pal::amberDeep);
    p.setBrush(disc);
    p.drawEllipse(c, rr, rr);

    // Bell: a flared dome on a rim, with the clapper below.
    QPainterPath bell;
    const qreal cx = c.x();
    const qreal top = c.y() - 10;
    const qreal rimY = c.y() + 5;
    bell.moveTo(cx - 9.5, rimY);
    bell.cubicTo(cx - 7, rimY - 2, cx - 7.5, top + 8, cx - 6.5, top + 4);
    bell.cubicTo(cx - 5, top - 0.5, cx + 5, top - 0.5, cx + 6.5, top + 4);
    bell.cubicTo(cx + 7.5, top + 8, cx + 7, rimY - 2, cx + 9.5, rimY);
    bell.closeSubpath();
    p.setBrush(Qt::white);
    p.drawPath(bell);
    p.drawEllipse(QPointF(cx, rimY + 2.8), 2.6, 2.6);
    p.drawEllipse(QPointF(cx, top - 0.3), 1.8, 1.8);
}

void drawSheetBadge(QPainter &p)
{
    const QRectF sheet(33.5, 27.5, 26, 33);
    const qreal fold = 8.0;

    QPainterPath path;
    path.moveTo(sheet.left(), sheet.top());
    path.lineTo(sheet.right() - fold, sheet.top());
    path.lineTo(sheet.right(), sheet.top() + fold);
    path.lineTo(sheet.right(), sheet.bottom());
    path.lineTo(sheet.left(), sheet.bottom());
    path.closeSubpath();

    QPen outline(pal::navyDeep);
    outline.setWidthF(3.0);
    outline.setJoinStyle(Qt::RoundJoin);
    p.setPen(outline);
    p.setBrush(Qt::white);
    p.drawPath(path);

    // Dog-ear.
    QPainterPath ear;
    ear.moveTo(sheet.right() - fold, sheet.top());
    ear.lineTo(sheet.right() - fold, sheet.top() + fold);
    ear.lineTo(sheet.right(), sheet.top() + fold);
    ear.closeSubpath();
    QPen thin(pal::navyDeep);
    thin.setWidthF(1.5);
    thin.setJoinStyle(Qt::RoundJoin);
    p.setPen(thin);
    p.setBrush(QColor(0xC6, 0xDD, 0xE2));
    p.drawPath(ear);

    // Text lines and a small bar chart: it is a report about sizes.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x6F, 0x8A, 0x9C));
    p.drawRect(QRectF(sheet.left() + 4, sheet.top() + 5, 11, 2));
    p.drawRect(QRectF(sheet.left() + 4, sheet.top() + 10, 16, 2));
    p.setBrush(pal::teal);
    p.drawRect(QRectF(sheet.left() + 4.5, sheet.bottom() - 10, 4, 6));
    p.drawRect(QRectF(sheet.left() + 10.5, sheet.bottom() - 14, 4, 10));
    p.setBrush(pal::amber);
    p.drawRect(QRectF(sheet.left() + 16.5, sheet.bottom() - 19, 4, 15));
}

QImage makeIcon(const std::function<void(QPainter &)> &badge)
{
    QImage img(64, 64, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    drawEmblem(p, QRectF(2, 2, 60, 60));
    if (badge)
        badge(p);
    p.end();
    return img.convertToFormat(QImage::Format_ARGB32);
}

// ---------------------------------------------------------------------------------------------
// Backgrounds

void fillBrandGradient(QPainter &p, const QRectF &r)
{
    QLinearGradient g(r.topLeft(), r.bottomRight());
    g.setColorAt(0.0, pal::navyDeep);
    g.setColorAt(0.55, pal::navy);
    g.setColorAt(1.0, QColor(0x13, 0x5E, 0x72));
    p.fillRect(r, g);
}

// Silhouette of rising columns, drawn faintly behind text as a texture.
void drawGhostColumns(QPainter &p, const QRectF &area, int count, qreal minFrac, QColor c)
{
    const qreal step = area.width() / count;
    const qreal w = step * 0.62;
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    for (int i = 0; i < count; ++i) {
        const qreal t = count == 1 ? 1.0 : qreal(i) / (count - 1);
        // Gently uneven growth reads as real history rather than a staircase.
        const qreal wobble = (i % 3 == 1) ? -0.05 : (i % 4 == 2 ? 0.04 : 0.0);
        const qreal h = area.height() * qBound(0.05, minFrac + (1.0 - minFrac) * t + wobble, 1.0);
        p.drawRoundedRect(QRectF(area.left() + i * step + (step - w) / 2, area.bottom() - h, w, h),
                          w * 0.18, w * 0.18);
    }
}

// ---------------------------------------------------------------------------------------------
// bitmap154: splash / about box, 280 x 100

QImage makeSplash(const Fonts &f)
{
    QImage img(280, 100, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    const QRectF all(0, 0, 280, 100);
    fillBrandGradient(p, all);

    QRadialGradient glow(QPointF(250, 10), 150);
    glow.setColorAt(0.0, QColor(0x3C, 0xC2, 0xB4, 70));
    glow.setColorAt(1.0, QColor(0x3C, 0xC2, 0xB4, 0));
    p.fillRect(all, glow);

    drawGhostColumns(p, QRectF(150, 34, 128, 62), 8, 0.25, QColor(255, 255, 255, 14));

    drawEmblem(p, QRectF(14, 18, 64, 64));

    p.setPen(Qt::white);
    p.setFont(font(f.heavy, 38, QFont::Black, 0.3));
    p.drawText(QPointF(90, 55), QStringLiteral("Tallyvol"));

    // Amber rule under the wordmark - the single warm accent.
    p.fillRect(QRectF(92, 63, 28, 2.5), pal::amber);

    p.setPen(pal::mist);
    p.setFont(font(f.bold, 13, QFont::Bold, 1.6));
    p.drawText(QPointF(91, 82), QStringLiteral("DISK SPACE TRACKER"));

    p.setPen(QColor(255, 255, 255, 110));
    p.setFont(font(f.regular, 9, QFont::Normal, 0.4));
    const QString vendor = QStringLiteral("Corvane LLC");
    const qreal vw = QFontMetricsF(p.font()).horizontalAdvance(vendor);
    p.drawText(QPointF(280 - 10 - vw, 14), vendor);

    p.end();
    return img.convertToFormat(QImage::Format_RGB888);
}

// ---------------------------------------------------------------------------------------------
// bitmap1009: banner strip, 1600 x 36. Only the left part carries content; the rest is a calm
// gradient so the window can crop it at any width.

QImage makeBanner(const Fonts &f)
{
    const int W = 1600, H = 36;
    QImage img(W, H, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    QLinearGradient across(0, 0, W, 0);
    across.setColorAt(0.0, pal::navyDeep);
    across.setColorAt(0.35, pal::navy);
    across.setColorAt(1.0, QColor(0x12, 0x52, 0x68));
    p.fillRect(img.rect(), across);

    QLinearGradient down(0, 0, 0, H);
    down.setColorAt(0.0, QColor(255, 255, 255, 18));
    down.setColorAt(0.5, QColor(255, 255, 255, 0));
    down.setColorAt(1.0, QColor(0, 0, 0, 40));
    p.fillRect(img.rect(), down);

    // Teal hairline along the bottom edge separates the strip from the window content.
    QLinearGradient line(0, 0, W, 0);
    line.setColorAt(0.0, pal::tealBright);
    line.setColorAt(0.5, QColor(0x3C, 0xC2, 0xB4, 120));
    line.setColorAt(1.0, QColor(0x3C, 0xC2, 0xB4, 60));
    p.fillRect(QRectF(0, H - 1, W, 1), line);

    drawEmblem(p, QRectF(8, 4, 27, 27));

    QFont name = font(f.heavy, 19, QFont::Black, 0.2);
    p.setFont(name);
    p.setPen(Qt::white);
    const qreal baseline = 24.5;
    p.drawText(QPointF(44, baseline), QStringLiteral("Tallyvol"));
    const qreal nameW = QFontMetricsF(name).horizontalAdvance(QStringLiteral("Tallyvol"));

    QFont sub = font(f.regular, 15, QFont::Normal, 0.3);
    p.setFont(sub);
    p.setPen(pal::mist);
    p.drawText(QPointF(44 + nameW + 7, baseline), QStringLiteral("Disk Space Tracker"));

    p.end();
    return img.convertToFormat(QImage::Format_RGB888);
}

// ---------------------------------------------------------------------------------------------
// bitmap190: dialog illustration, 562 x 418. Three directories measured at six scan dates.

QImage makeGrowthPicture(const Fonts &f)
{
    const int W = 562, H = 418;
    QImage img(W, H, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    const QRectF all(0, 0, W, H);
    fillBrandGradient(p, all);
    QRadialGradient glow(QPointF(W * 0.85, H * 0.05), W * 0.7);
    glow.setColorAt(0.0, QColor(0x3C, 0xC2, 0xB4, 45));
    glow.setColorAt(1.0, QColor(0x3C, 0xC2, 0xB4, 0));
    p.fillRect(all, glow);

    // Header.
    drawEmblem(p, QRectF(24, 20, 48, 48));
    p.setPen(Qt::white);
    p.setFont(font(f.heavy, 28, QFont::Black, 0.2));
    p.drawText(QPointF(86, 47), QStringLiteral("Tallyvol"));
    p.setPen(pal::mist);
    p.setFont(font(f.regular, 13, QFont::Normal, 0.3));
    p.drawText(QPointF(87, 65), QStringLiteral("Directory growth over time"));

    // Chart card.
    const QRectF card(20, 88, W - 40, H - 108);
    p.setPen(QPen(QColor(255, 255, 255, 28), 1));
    p.setBrush(QColor(255, 255, 255, 12));
    p.drawRoundedRect(card.adjusted(0.5, 0.5, -0.5, -0.5), 10, 10);

    const QRectF plot(card.left() + 52, card.top() + 22, card.width() - 72, card.height() - 92);
    const qreal maxGb = 80.0;

    // Grid and axis labels.
    p.setFont(font(f.regular, 11, QFont::Normal));
    for (int gb = 0; gb <= 80; gb += 20) {
        const qreal y = plot.bottom() - plot.height() * gb / maxGb;
        p.setPen(QPen(gb == 0 ? QColor(255, 255, 255, 90) : QColor(255, 255, 255, 26), 1));
        p.drawLine(QPointF(plot.left(), qRound(y) + 0.5), QPointF(plot.right(), qRound(y) + 0.5));
        p.setPen(QColor(0x9F, 0xCF, 0xD3, 200));
        const QString label = gb == 0 ? QStringLiteral("0") : QStringLiteral("%1 GB").arg(gb);
        const qreal lw = QFontMetricsF(p.font()).horizontalAdvance(label);
        p.drawText(QPointF(plot.left() - 10 - lw, y + 4), label);
    }

    struct Series {
        const char *name;
        QColor top, bottom;
        std::array<qreal, 6> gb;
    };
    const std::array<Series, 3> series{{
        {"/home", pal::tealBright, QColor(0x1E, 0x8C, 0x88), {22, 26, 29, 35, 41, 48}},
        {"/var", pal::sky, QColor(0x2D, 0x6E, 0xA6), {12, 13, 17, 18, 24, 27}},
        {"/srv", pal::ice, QColor(0x9F, 0xC3, 0xCC), {6, 9, 10, 14, 15, 19}},
    }};
    const std::array<const char *, 6> dates{"Jan 06", "Feb 03", "Mar 03", "Mar 31", "Apr 28",
                                             "May 26"};

    const int cols = int(dates.size());
    const qreal slot = plot.width() / cols;
    const qreal barW = 15.0;
    const qreal barGap = 4.0;
    const qreal groupW = 3 * barW + 2 * barGap;

    for (int c = 0; c < cols; ++c) {
        const qreal gx = plot.left() + c * slot + (slot - groupW) / 2;
        for (int s = 0; s < 3; ++s) {
            const qreal h = plot.height() * series[s].gb[c] / maxGb;
            const QRectF bar(gx + s * (barW + barGap), plot.bottom() - h, barW, h);
            QLinearGradient g(bar.topLeft(), bar.bottomLeft());
            g.setColorAt(0.0, series[s].top);
            g.setColorAt(1.0, series[s].bottom);
            p.setPen(Qt::NoPen);
            p.setBrush(g);
            QPainterPath path;
            path.addRoundedRect(bar.adjusted(0, 0, 0, 3), 3, 3); // round only the top
            p.setClipRect(QRectF(plot.left(), plot.top() - 20, plot.width(), plot.height() + 20));
            p.drawPath(path);
            p.setClipping(false);
        }
        p.setPen(pal::mist);
        p.setFont(font(f.regular, 11, QFont::Normal));
        const QString d = QString::fromLatin1(dates[c]);
        const qreal dw = QFontMetricsF(p.font()).horizontalAdvance(d);
        p.drawText(QPointF(plot.left() + c * slot + (slot - dw) / 2, plot.bottom() + 18), d);
    }

    // Amber trend of the largest directory, riding just above its bars.
    QPainterPath trend;
    std::array<QPointF, 6> pts;
    for (int c = 0; c < cols; ++c) {
        const qreal gx = plot.left() + c * slot + (slot - groupW) / 2 + barW / 2;
        pts[c] = QPointF(gx, plot.bottom() - plot.height() * series[0].gb[c] / maxGb - 12);
        if (c == 0)
            trend.moveTo(pts[c]);
        else
            trend.lineTo(pts[c]);
    }
    QPen tp(pal::amber);
    tp.setWidthF(2.5);
    tp.setJoinStyle(Qt::RoundJoin);
    tp.setCapStyle(Qt::RoundCap);
    p.setPen(tp);
    p.setBrush(Qt::NoBrush);
    p.drawPath(trend);
    for (const QPointF &pt : pts) {
        p.setPen(QPen(pal::amber, 2));
        p.setBrush(pal::navy);
        p.drawEllipse(pt, 3.5, 3.5);
    }

    // Callout on the newest scan.
    const QString delta = QStringLiteral("+118%");
    p.setFont(font(f.bold, 12, QFont::Bold));
    const qreal tw = QFontMetricsF(p.font()).horizontalAdvance(delta);
    const QRectF pill(pts[5].x() - tw / 2 - 8, pts[5].y() - 30, tw + 16, 20);
    p.setPen(Qt::NoPen);
    p.setBrush(pal::amber);
    p.drawRoundedRect(pill, 10, 10);
    p.setPen(pal::navyDeep);
    p.drawText(pill, Qt::AlignCenter, delta);

    // Legend.
    p.setFont(font(f.regular, 12, QFont::Normal));
    qreal lx = plot.left();
    const qreal ly = card.bottom() - 22;
    for (const Series &s : series) {
        p.setPen(Qt::NoPen);
        p.setBrush(s.top);
        p.drawRoundedRect(QRectF(lx, ly - 10, 12, 12), 3, 3);
        p.setPen(pal::ice);
        const QString n = QString::fromLatin1(s.name);
        p.drawText(QPointF(lx + 18, ly), n);
        lx += 18 + QFontMetricsF(p.font()).horizontalAdvance(n) + 26;
    }
    p.setPen(tp);
    p.drawLine(QPointF(lx, ly - 4), QPointF(lx + 18, ly - 4));
    p.setPen(pal::ice);
    p.drawText(QPointF(lx + 26, ly), QStringLiteral("/home trend"));

    p.setPen(QColor(255, 255, 255, 110));
    p.setFont(font(f.regular, 11, QFont::Normal));
    const QString scans = QStringLiteral("6 scans");
    const qreal sw = QFontMetricsF(p.font()).horizontalAdvance(scans);
    p.drawText(QPointF(plot.right() - sw, ly), scans);

    p.end();
    return img.convertToFormat(QImage::Format_RGB888);
}

// ---------------------------------------------------------------------------------------------

bool save(const QImage &img, const QString &dir, const QString &name)
{
    const QString path = QDir::cleanPath(QDir(dir).filePath(name));
    QImageWriter w(path, "png");
    w.setQuality(0); // for PNG, quality 0 means maximum zlib compression; the art is committed
    if (!w.write(img)) {
        std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(path),
                     qPrintable(w.errorString()));
        return false;
    }
    std::printf("%s  %dx%d\n", qPrintable(path), img.width(), img.height());
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(TALLYVOL_ART_DIR);
    QDir().mkpath(out);

    const Fonts f = loadFonts();

    bool ok = true;
    ok &= save(makeSplash(f), out, QStringLiteral("bitmap154.png"));
    ok &= save(makeBanner(f), out, QStringLiteral("bitmap1009.png"));
    ok &= save(makeGrowthPicture(f), out, QStringLiteral("bitmap190.png"));
    ok &= save(makeIcon({}), out, QStringLiteral("icon128.png"));
    ok &= save(makeIcon(drawMagnifierBadge), out, QStringLiteral("icon195.png"));
    ok &= save(makeIcon(drawBellBadge), out, QStringLiteral("icon196.png"));
    ok &= save(makeIcon(drawSheetBadge), out, QStringLiteral("icon197.png"));
    return ok ? 0 : 1;
}
