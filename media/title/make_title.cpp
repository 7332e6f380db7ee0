// make_title: composes the start-screen picture, a card table seen from above with a few cards
// lying on the felt and the game's name over them, from the card faces and backs that the game
// itself holds. Built only on request.
//
//   make_title OUTPUT.jpg
//
// The start screen stretches the picture over the whole screen and draws its yellow "Info",
// "Play" and "Quit" labels in the band from 85% to 95% of the height, so that band is kept to the
// plain dark wood of the table's edge.
#include "assets/pictures.h"

#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

namespace {

constexpr int width = 1024;
constexpr int height = 768;
constexpr int railTop = 632;  // the wooden edge of the table starts here (82% of the height)

// Blurs all four channels of a premultiplied picture: three box passes each way.
QImage blurred(const QImage& source, int radius)
{
    QImage img = source.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const int w = img.width(), h = img.height();
    std::vector<int> line;
    auto pass = [&](bool horizontal) {
        const int len = horizontal ? w : h, lines = horizontal ? h : w;
        line.resize(size_t(len) * 4);
        for (int l = 0; l < lines; ++l) {
            auto pixel = [&](int i) -> QRgb& {
                return horizontal ? reinterpret_cast<QRgb*>(img.scanLine(l))[i]
                                  : reinterpret_cast<QRgb*>(img.scanLine(i))[l];
            };
            for (int i = 0; i < len; ++i) {
                const QRgb p = pixel(i);
                line[size_t(i) * 4 + 0] = qAlpha(p);
                line[size_t(i) * 4 + 1] = qRed(p);
                line[size_t(i) * 4 + 2] = qGreen(p);
                line[size_t(i) * 4 + 3] = qBlue(p);
            }
            for (int i = 0; i < len; ++i) {
                int sum[4] = {0, 0, 0, 0};
                for (int k = -radius; k <= radius; ++k) {
                    const int j = std::clamp(i + k, 0, len - 1);
                    for (int c = 0; c < 4; ++c)
                        sum[c] += line[size_t(j) * 4 + c];
                }
                const int n = 2 * radius + 1;
                pixel(i) = qRgba(sum[1] / n, sum[2] / n, sum[3] / n, sum[0] / n);
            }
        }
    };
    for (int i = 0; i < 3; ++i) {
        pass(true);
        pass(false);
    }
    return img;
}

// Green baize lit from above: fine noise for the nap of the cloth, brighter under the lamp.
void paintFelt(QPainter& p, std::mt19937& random)
{
    QImage cloth(width, railTop, QImage::Format_RGB32);
    std::normal_distribution<double> nap(0.0, 1.0);
    // Coarse blotches and fine grain, added together.
    QImage coarse(width / 8, railTop / 8, QImage::Format_RGB32);
    for (int y = 0; y < coarse.height(); ++y)
        for (int x = 0; x < coarse.width(); ++x) {
            const int v = std::clamp(int(128 + 10 * nap(random)), 0, 255);
            coarse.setPixel(x, y, qRgb(v, v, v));
        }
    const QImage blotches = coarse.scaled(width, railTop, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    for (int y = 0; y < railTop; ++y)
        for (int x = 0; x < width; ++x) {
            const double shade = (qRed(blotches.pixel(x, y)) - 128) * 0.5 + 5 * nap(random);
            cloth.setPixel(x, y, qRgb(std::clamp(int(14 + shade * 0.5), 0, 255),
                                      std::clamp(int(98 + shade), 0, 255),
                                      std::clamp(int(52 + shade * 0.7), 0, 255)));
        }
    p.drawImage(0, 0, cloth);

    QRadialGradient lamp(QPointF(width * 0.5, railTop * 0.45), width * 0.72);
    lamp.setColorAt(0.0, QColor(200, 255, 170, 60));
    lamp.setColorAt(0.45, QColor(0, 0, 0, 0));
    lamp.setColorAt(1.0, QColor(0, 0, 0, 150));
    p.fillRect(QRect(0, 0, width, railTop), lamp);
}

// The near edge of the table: a padded rail of dark polished wood, calm enough to carry the
// start screen's labels.
void paintRail(QPainter& p, std::mt19937& random)
{
    // The rail's shadow on the felt.
    QLinearGradient shade(0, railTop - 26, 0, railTop);
    shade.setColorAt(0, QColor(0, 0, 0, 0));
    shade.setColorAt(1, QColor(0, 0, 0, 120));
    p.fillRect(QRect(0, railTop - 26, width, 26), shade);

    QImage wood(width, height - railTop, QImage::Format_RGB32);
    std::uniform_real_distribution<double> phase(0, 2 * 3.14159265);
    const double a = phase(random), b = phase(random), c = phase(random);
    for (int y = 0; y < wood.height(); ++y) {
        for (int x = 0; x < wood.width(); ++x) {
            // Long, soft grain running along the rail.
            const double grain = std::sin(y * 0.55 + 2.2 * std::sin(x * 0.006 + a) + std::sin(x * 0.021 + b))
                               + 0.5 * std::sin(y * 1.7 + 3 * std::sin(x * 0.011 + c));
            const double g = 3.0 * grain;
            wood.setPixel(x, y, qRgb(std::clamp(int(56 + g), 0, 255), std::clamp(int(33 + g * 0.6), 0, 255),
                                     std::clamp(int(20 + g * 0.4), 0, 255)));
        }
    }
    p.drawImage(0, railTop, wood);

    // Rounded top of the rail: a light edge fading into the flat wood, and a darker far end.
    QLinearGradient bevel(0, railTop, 0, railTop + 22);
    bevel.setColorAt(0.0, QColor(150, 96, 58, 200));
    bevel.setColorAt(0.25, QColor(110, 68, 40, 120));
    bevel.setColorAt(1.0, QColor(0, 0, 0, 0));
    p.fillRect(QRect(0, railTop, width, 22), bevel);
    QLinearGradient fall(0, height - 40, 0, height);
    fall.setColorAt(0, QColor(0, 0, 0, 0));
    fall.setColorAt(1, QColor(0, 0, 0, 110));
    p.fillRect(QRect(0, height - 40, width, 40), fall);
    QLinearGradient sides(0, 0, width, 0);
    sides.setColorAt(0.0, QColor(0, 0, 0, 90));
    sides.setColorAt(0.2, QColor(0, 0, 0, 0));
    sides.setColorAt(0.8, QColor(0, 0, 0, 0));
    sides.setColorAt(1.0, QColor(0, 0, 0, 90));
    p.fillRect(QRect(0, railTop, width, height - railTop), sides);
}

// One card: white stock with rounded corners, the picture stretched square inside it, as the
// game shows it; a face-down card shows its back to the edge.
QImage drawCard(const QImage& picture, int side, bool faceUp)
{
    QImage card(side, side, QImage::Format_ARGB32_Premultiplied);
    card.fill(Qt::transparent);
    QPainter p(&card);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF outline(0.5, 0.5, side - 1.0, side - 1.0);
    const double corner = side * 0.07;
    QPainterPath shape;
    shape.addRoundedRect(outline, corner, corner);
    p.fillPath(shape, QColor(250, 248, 240));
    const double margin = faceUp ? side * 0.055 : side * 0.045;
    const QRectF inner = outline.adjusted(margin, margin, -margin, -margin);
    QPainterPath window;
    window.addRoundedRect(inner, corner * 0.5, corner * 0.5);
    p.setClipPath(window);
    p.drawImage(inner, picture);
    p.setClipping(false);
    p.setPen(QPen(QColor(120, 110, 100), 1.2));
    p.setBrush(Qt::NoBrush);
    p.drawPath(shape);
    return card;
}

struct Placed {
    QString picture;
    bool faceUp;
    QPointF centre;
    double angle;
};

void paintCards(QPainter& p)
{
    const int side = 132;
    // Face 27 twice: a pair just found. The rest lie about as a game in progress.
    const std::vector<Placed> cards = {
        {assets::facePath(32), true, {92, 104}, -15},
        {assets::facePath(21), true, {934, 104}, 14},
        {assets::facePath(2), true, {118, 440}, -11},
        {assets::backPath(20), false, {262, 392}, 7},
        {assets::facePath(3), true, {238, 542}, -4},
        {assets::backPath(20), false, {400, 500}, -9},
        {assets::facePath(27), true, {532, 436}, -6},
        {assets::facePath(27), true, {600, 486}, 9},
        {assets::backPath(20), false, {754, 404}, 4},
        {assets::facePath(28), true, {786, 546}, -8},
        {assets::backPath(20), false, {916, 470}, 12},
    };
    for (const Placed& placed : cards) {
        const QImage picture(placed.picture);
        if (picture.isNull()) {
            std::fprintf(stderr, "make_title: cannot load %s\n", qPrintable(placed.picture));
            std::exit(1);
        }
        const QImage card = drawCard(picture, side, placed.faceUp);

        // A soft shadow, thrown down and to the right by the lamp.
        const int pad = 24;
        QImage shadow(side + 2 * pad, side + 2 * pad, QImage::Format_ARGB32_Premultiplied);
        shadow.fill(Qt::transparent);
        {
            QPainter s(&shadow);
            s.setRenderHint(QPainter::Antialiasing);
            QPainterPath shape;
            shape.addRoundedRect(QRectF(pad, pad, side, side), side * 0.07, side * 0.07);
            s.fillPath(shape, QColor(0, 0, 0, 150));
        }
        shadow = blurred(shadow, 5);

        p.save();
        p.translate(placed.centre);
        p.rotate(placed.angle);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.setRenderHint(QPainter::Antialiasing);
        p.save();
        p.translate(7, 9);
        p.drawImage(QPointF(-side / 2.0 - pad, -side / 2.0 - pad), shadow);
        p.restore();
        p.drawImage(QPointF(-side / 2.0, -side / 2.0), card);
        p.restore();
    }
}

QFont titleFont(const QString& family, int pixelSize, bool bold)
{
    QFont font(family);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

// The game's name in gold, with a dark edge and a shadow on the felt, and the publisher's name
// under it.
void paintTitle(QPainter& p)
{
    p.setRenderHint(QPainter::Antialiasing);
    const QFont big = titleFont(QStringLiteral("DejaVu Serif"), 160, true);
    QPainterPath title;
    title.addText(0, 0, big, QStringLiteral("Coppix"));
    const QRectF box = title.boundingRect();
    title.translate(width / 2.0 - box.center().x(), 214 - box.bottom());
    const QRectF placed = title.boundingRect();

    QImage shadow(width, height, QImage::Format_ARGB32_Premultiplied);
    shadow.fill(Qt::transparent);
    {
        QPainter s(&shadow);
        s.setRenderHint(QPainter::Antialiasing);
        s.translate(8, 11);
        s.setPen(QPen(QColor(0, 0, 0, 170), 10, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        s.setBrush(QColor(0, 0, 0, 170));
        s.drawPath(title);
    }
    p.drawImage(0, 0, blurred(shadow, 6));

    p.setPen(QPen(QColor(52, 26, 6), 10, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(title);
    QLinearGradient gold(0, placed.top(), 0, placed.bottom());
    gold.setColorAt(0.0, QColor(255, 246, 176));
    gold.setColorAt(0.45, QColor(255, 206, 64));
    gold.setColorAt(0.55, QColor(238, 172, 30));
    gold.setColorAt(1.0, QColor(196, 120, 16));
    p.setPen(QPen(QColor(120, 68, 8), 2));
    p.setBrush(gold);
    p.drawPath(title);

    QFont small = titleFont(QStringLiteral("DejaVu Sans"), 30, true);
    small.setLetterSpacing(QFont::AbsoluteSpacing, 4);
    QPainterPath line;
    line.addText(0, 0, small, QStringLiteral("VErdanticoPRess"));
    const QRectF lineBox = line.boundingRect();
    line.translate(width / 2.0 - lineBox.center().x(), placed.bottom() + 58);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 150));
    p.drawPath(line.translated(2, 3));
    p.setBrush(QColor(246, 238, 214));
    p.drawPath(line);
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.jpg\n", argv[0]);
        return 2;
    }
    for (const char* family : {"DejaVu Serif", "DejaVu Sans"})
        if (!QFontDatabase::families().contains(QLatin1String(family))) {
            std::fprintf(stderr, "make_title: the font %s is not installed (fonts-dejavu-core)\n", family);
            return 1;
        }

    std::mt19937 random(20240611);  // fixed, so that the picture comes out the same each time
    QImage picture(width, height, QImage::Format_RGB32);
    QPainter p(&picture);
    paintFelt(p, random);
    paintRail(p, random);
    paintCards(p);
    paintTitle(p);
    p.end();

    if (!picture.save(QString::fromLocal8Bit(argv[1]), "JPG", 92)) {
        std::fprintf(stderr, "make_title: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
