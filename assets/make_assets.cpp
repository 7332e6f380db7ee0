// make_assets: draws the pictures that the game holds as resources and writes them into a folder
// (normally assets/pictures). It is built only on request; its output files are kept in the
// source tree, so the ordinary build never runs it.
//
//   make_assets OUTPUT_FOLDER
//
// Card faces are colour emoji from the Noto Color Emoji font on a soft tinted background; card
// backs and the window icon are drawn here and stored as 16-colour BMPs.
#include "facefiles.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace {

const char* const emojiFontFile = "/usr/share/fonts/truetype/noto/NotoColorEmoji.ttf";
const char* const emojiFamily = "Noto Color Emoji";

// The emoji of each face, in face order. Animals, plants, vehicles, buildings and objects take
// turns, so that faces next to each other in the list are of different kinds. Face 36 is stored
// at 57 x 57 and face 39 at 99 x 94, so they get bold, simple subjects.
struct FaceSubject {
    const char* emoji;
    const char* name;
};

constexpr std::array<FaceSubject, assets::detail::faceFiles.size()> faceSubjects = {{
    {"\U0001F418", "elephant"},           // 1
    {"\U0001F33B", "sunflower"},          // 2
    {"\U0001F680", "rocket"},             // 3
    {"\U0001F3F0", "castle"},             // 4
    {"\u2602\uFE0F", "umbrella"},         // 5
    {"\U0001F992", "giraffe"},            // 6
    {"\U0001F339", "rose"},               // 7
    {"\U0001F681", "helicopter"},         // 8
    {"\U0001F54C", "mosque"},             // 9
    {"\U0001F511", "key"},                // 10
    {"\U0001F419", "octopus"},            // 11
    {"\U0001F335", "cactus"},             // 12
    {"\U0001F682", "locomotive"},         // 13
    {"\U0001F5FC", "tower"},              // 14
    {"\U0001F3A9", "top hat"},            // 15
    {"\U0001F427", "penguin"},            // 16
    {"\U0001F338", "cherry blossom"},     // 17
    {"\u26F5", "sailboat"},               // 18
    {"\U0001F3DB\uFE0F", "temple"},       // 19
    {"\u26BD", "football"},               // 20
    {"\U0001F433", "whale"},              // 21
    {"\U0001F344", "mushroom"},           // 22
    {"\U0001F69C", "tractor"},            // 23
    {"\U0001F6D6", "hut"},                // 24
    {"\U0001F48E", "gem"},                // 25
    {"\U0001F41D", "bee"},                // 26
    {"\U0001F347", "grapes"},             // 27
    {"\U0001F692", "fire engine"},        // 28
    {"\U0001F3AA", "circus tent"},        // 29
    {"\U0001F3B2", "die"},                // 30
    {"\U0001F994", "hedgehog"},           // 31
    {"\U0001F341", "maple leaf"},         // 32
    {"\u2708\uFE0F", "aeroplane"},        // 33
    {"\U0001F3A1", "ferris wheel"},       // 34
    {"\u23F0", "alarm clock"},            // 35
    {"\U0001F438", "frog"},               // 36
    {"\U0001F334", "palm tree"},          // 37
    {"\U0001F6F8", "flying saucer"},      // 38
    {"\U0001F3E0", "house"},              // 39
    {"\U0001F3A8", "palette"},            // 40
}};

[[noreturn]] void fail(const QString& message)
{
    throw std::runtime_error(message.toStdString());
}

// ---------------------------------------------------------------------------------------------
// Writing files

void saveOrFail(const QImage& image, const QString& path, const char* format, int quality = -1)
{
    if (!image.save(path, format, quality))
        fail(QStringLiteral("cannot write %1").arg(path));
}

int bmpBitCount(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail(QStringLiteral("cannot read back %1").arg(path));
    const QByteArray header = file.read(30);
    if (header.size() < 30 || !header.startsWith("BM"))
        fail(QStringLiteral("%1 is not a BMP file").arg(path));
    return qFromLittleEndian<quint16>(header.constData() + 28);
}

void save24BitBmp(const QImage& image, const QString& path)
{
    saveOrFail(image.convertToFormat(QImage::Format_RGB888), path, "BMP");
    if (const int bits = bmpBitCount(path); bits != 24)
        fail(QStringLiteral("%1 came out with %2 bits a pixel").arg(path).arg(bits));
}

// Qt writes an indexed picture of at most 16 colours as a 4-bit BMP; the file is read back to
// make sure of that and of every pixel.
void save4BitBmp(const QImage& image, const QString& path)
{
    if (image.format() != QImage::Format_Indexed8 || image.colorCount() > 16)
        fail(QStringLiteral("%1: a 16-colour BMP needs an indexed picture of at most 16 colours").arg(path));
    saveOrFail(image, path, "BMP");
    if (const int bits = bmpBitCount(path); bits != 4)
        fail(QStringLiteral("%1 came out with %2 bits a pixel").arg(path).arg(bits));
    const int width = image.width();
    const int height = image.height();
    const QImage check(path);
    if (check.isNull() || check.size() != image.size())
        fail(QStringLiteral("%1 does not read back").arg(path));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (check.pixel(x, y) != image.pixel(x, y))
                fail(QStringLiteral("%1 reads back different at %2,%3").arg(path).arg(x).arg(y));
}

// Maps a picture drawn only in the given colours to an indexed one; any other colour is a
// drawing mistake.
QImage toExactPalette(const QImage& drawn, const QList<QRgb>& palette)
{
    QHash<QRgb, int> lookup;
    for (int i = 0; i < palette.size(); ++i)
        lookup.insert(palette[i] | 0xFF000000u, i);
    const QImage src = drawn.convertToFormat(QImage::Format_RGB32);
    QImage out(src.size(), QImage::Format_Indexed8);
    out.setColorTable(palette);
    for (int y = 0; y < src.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        uchar* dst = out.scanLine(y);
        for (int x = 0; x < src.width(); ++x) {
            const auto found = lookup.constFind(line[x] | 0xFF000000u);
            if (found == lookup.constEnd())
                fail(QStringLiteral("colour %1 at %2,%3 is not in the palette")
                         .arg(line[x], 8, 16, QLatin1Char('0')).arg(x).arg(y));
            dst[x] = uchar(*found);
        }
    }
    return out;
}

// Maps each pixel to the nearest palette colour, without dithering.
QImage toNearestPalette(const QImage& drawn, const QList<QRgb>& palette)
{
    const QImage src = drawn.convertToFormat(QImage::Format_RGB32);
    QImage out(src.size(), QImage::Format_Indexed8);
    out.setColorTable(palette);
    for (int y = 0; y < src.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        uchar* dst = out.scanLine(y);
        for (int x = 0; x < src.width(); ++x) {
            int best = 0;
            int bestDistance = INT32_MAX;
            for (int i = 0; i < palette.size(); ++i) {
                const int dr = qRed(line[x]) - qRed(palette[i]);
                const int dg = qGreen(line[x]) - qGreen(palette[i]);
                const int db = qBlue(line[x]) - qBlue(palette[i]);
                // Weighted towards green, as the eye is.
                const int distance = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
                if (distance < bestDistance) {
                    bestDistance = distance;
                    best = i;
                }
            }
            dst[x] = uchar(best);
        }
    }
    return out;
}

// ---------------------------------------------------------------------------------------------
// Card faces

QFont emojiFont()
{
    if (!QFontDatabase::families().contains(QLatin1String(emojiFamily))
        && QFontDatabase::addApplicationFont(QLatin1String(emojiFontFile)) < 0)
        fail(QStringLiteral("the font %1 is not installed (%2)").arg(emojiFamily, emojiFontFile));
    QFont font{QLatin1String(emojiFamily)};
    font.setPixelSize(109);  // the size of the font's own bitmaps: drawn unscaled
    font.setStyleStrategy(QFont::NoFontMerging);
    return font;
}

// The emoji drawn at the font's own size, cropped to its visible pixels.
QImage renderEmoji(const QFont& font, const FaceSubject& subject)
{
    const QString text = QString::fromUtf8(subject.emoji);
    const QFontMetrics metrics(font);
    for (const char32_t cp : text.toUcs4())
        if (cp != 0xFE0F && !metrics.inFontUcs4(cp))
            fail(QStringLiteral("the emoji font has no %1 (U+%2)")
                     .arg(QLatin1String(subject.name)).arg(quint32(cp), 0, 16));

    QImage canvas(320, 320, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    {
        QPainter p(&canvas);
        p.setFont(font);
        p.drawText(canvas.rect(), Qt::AlignCenter, text);
    }
    int left = canvas.width(), top = canvas.height(), right = -1, bottom = -1;
    for (int y = 0; y < canvas.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(canvas.constScanLine(y));
        for (int x = 0; x < canvas.width(); ++x) {
            if (qAlpha(line[x]) > 0) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    if (right < 0)
        fail(QStringLiteral("the %1 emoji drew nothing").arg(QLatin1String(subject.name)));
    if (left == 0 || top == 0 || right == canvas.width() - 1 || bottom == canvas.height() - 1)
        fail(QStringLiteral("the %1 emoji does not fit its canvas").arg(QLatin1String(subject.name)));
    return canvas.copy(QRect(QPoint(left, top), QPoint(right, bottom)));
}

// The emoji's main hue as a vector (length grows with how colourful it is); grey emoji give a
// short vector.
std::pair<double, double> hueVector(const QImage& emoji)
{
    double x = 0, y = 0, weight = 0;
    for (int row = 0; row < emoji.height(); ++row) {
        for (int col = 0; col < emoji.width(); ++col) {
            const QColor c = QColor::fromRgba(emoji.pixel(col, row));
            if (c.alpha() < 128)
                continue;
            const double chroma = c.hsvSaturationF() * c.valueF();
            const double angle = std::max(0.0f, c.hsvHueF()) * 2 * std::numbers::pi;
            x += chroma * std::cos(angle);
            y += chroma * std::sin(angle);
            weight += 1;
        }
    }
    return {x / weight, y / weight};
}

// Gives each face a background hue of its own, as far round the colour wheel from its emoji's
// colour as is still free. The nearly grey emoji, which have no colour to keep away from, choose
// first and spread round the wheel; then the others choose, the most colourful first.
std::vector<double> chooseBackgroundHues(const std::vector<QImage>& emoji)
{
    const int n = int(emoji.size());
    std::vector<std::pair<double, double>> vectors;
    for (const QImage& e : emoji)
        vectors.push_back(hueVector(e));
    auto strength = [&](int i) { return std::hypot(vectors[i].first, vectors[i].second); };
    std::vector<int> order(n);
    for (int i = 0; i < n; ++i)
        order[i] = i;
    auto isGrey = [&](int i) { return strength(i) < 0.16; };
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        if (isGrey(a) != isGrey(b))
            return isGrey(a);
        return !isGrey(a) && strength(a) > strength(b);
    });

    auto apart = [](double a, double b) {
        const double d = std::fmod(std::abs(a - b), 360.0);
        return std::min(d, 360.0 - d);
    };
    std::vector<double> hueSlots(n);
    for (int i = 0; i < n; ++i)
        hueSlots[i] = (i + 0.5) * 360.0 / n;
    std::vector<bool> taken(n, false);
    std::vector<double> hues(n);
    std::vector<double> greyHues;
    for (const int face : order) {
        const bool grey = isGrey(face);
        const double own = std::atan2(vectors[face].second, vectors[face].first) * 180 / std::numbers::pi;
        int best = -1;
        double bestDistance = -1;
        for (int s = 0; s < n; ++s) {
            if (taken[s])
                continue;
            double d = 0;
            if (!grey) {
                d = apart(hueSlots[s], own);
            } else {
                d = 180;
                for (const double h : greyHues)
                    d = std::min(d, apart(hueSlots[s], h));
            }
            if (d > bestDistance) {
                bestDistance = d;
                best = s;
            }
        }
        taken[best] = true;
        hues[face] = hueSlots[best];
        if (grey)
            greyHues.push_back(hues[face]);
    }
    return hues;
}

// A soft blur of the alpha channel: three box passes each way.
QImage blurAlpha(const QImage& source, int radius)
{
    const int w = source.width(), h = source.height();
    std::vector<float> a(size_t(w) * h), tmp(size_t(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            a[size_t(y) * w + x] = qAlpha(source.pixel(x, y));
    auto pass = [&](std::vector<float>& from, std::vector<float>& to, bool horizontal) {
        const int len = horizontal ? w : h, lines = horizontal ? h : w;
        for (int l = 0; l < lines; ++l) {
            auto at = [&](int i) -> float& {
                return horizontal ? from[size_t(l) * w + i] : from[size_t(i) * w + l];
            };
            for (int i = 0; i < len; ++i) {
                float sum = 0;
                for (int k = -radius; k <= radius; ++k)
                    if (i + k >= 0 && i + k < len)
                        sum += at(i + k);
                (horizontal ? to[size_t(l) * w + i] : to[size_t(i) * w + l]) = sum / (2 * radius + 1);
            }
        }
    };
    for (int i = 0; i < 3; ++i) {
        pass(a, tmp, true);
        pass(tmp, a, false);
    }
    QImage out(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            out.setPixel(x, y, qRgba(0, 0, 0, std::clamp(int(a[size_t(y) * w + x] + 0.5f), 0, 255)));
    return out;
}

// A square face: the emoji large and centred over a soft shadow on a light tinted background.
QImage drawSquareFace(const QImage& emoji, double hue, int side)
{
    QImage face(side, side, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&face);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);

    QRadialGradient glow(QPointF(side * 0.5, side * 0.42), side * 0.8);
    glow.setColorAt(0.0, QColor::fromHsvF(float(hue / 360), 0.07f, 1.0f));
    glow.setColorAt(1.0, QColor::fromHsvF(float(hue / 360), 0.30f, 0.96f));
    p.fillRect(face.rect(), glow);

    const double box = side * 0.84;
    const double scale = std::min(box / emoji.width(), box / emoji.height());
    const int w = std::max(1, int(std::lround(emoji.width() * scale)));
    const int h = std::max(1, int(std::lround(emoji.height() * scale)));
    const QImage scaled = emoji.scaled(w, h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const int x = (side - w) / 2;
    const int y = (side - h) / 2;

    const int radius = std::max(1, side / 45);
    const int pad = 3 * radius;
    QImage padded(w + 2 * pad, h + 2 * pad, QImage::Format_ARGB32);
    padded.fill(Qt::transparent);
    {
        QPainter pp(&padded);
        pp.drawImage(pad, pad, scaled);
    }
    const QImage shadow = blurAlpha(padded, radius);
    p.setOpacity(0.30);
    p.drawImage(QPointF(x - pad, y - pad + side * 0.022), shadow);
    p.setOpacity(1.0);
    p.drawImage(x, y, scaled);
    p.end();
    return face;
}

// The game stretches every face to a square cell. A face stored at another size is drawn square
// and squeezed to its stored size, so that it looks right once stretched back.
QImage drawFace(const QImage& emoji, double hue, const assets::detail::FaceFile& file)
{
    const int side = std::max(file.width, file.height);
    const QImage square = drawSquareFace(emoji, hue, side);
    if (file.width == side && file.height == side)
        return square;
    return square.scaled(file.width, file.height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

// ---------------------------------------------------------------------------------------------
// Card backs (16 colours, drawn pixel-exact without antialiasing)

// 116 x 116: red square lines round a red centre panel holding a white four-lobed ornament.
QImage drawBack20()
{
    const QRgb white = qRgb(255, 255, 255), red = qRgb(200, 16, 46), darkRed = qRgb(120, 6, 24),
               pink = qRgb(246, 196, 202);
    const QList<QRgb> palette{white, red, darkRed, pink};
    const int side = 116;
    QImage img(side, side, QImage::Format_RGB32);
    QPainter p(&img);
    p.setPen(Qt::NoPen);
    auto band = [&](int inset, QRgb colour) {
        p.fillRect(QRect(inset, inset, side - 2 * inset, side - 2 * inset), QColor(colour));
    };
    // Bands 4 px wide: a dark red edge, then white and red in turn, then the panel.
    band(0, darkRed);
    band(4, white);
    band(8, red);
    band(12, white);
    band(16, red);
    band(20, white);
    band(24, red);
    band(28, white);
    band(32, darkRed);  // the panel's own edge
    band(34, red);

    // The ornament: a white diamond line round a four-petalled white flower with a red heart,
    // and a small pink diamond in each corner of the panel.
    const QPointF c(side / 2.0, side / 2.0);
    auto diamond = [&](QPointF at, double r) {
        return QPolygonF{at + QPointF(0, -r), at + QPointF(r, 0), at + QPointF(0, r), at + QPointF(-r, 0)};
    };
    p.setBrush(QColor(white));
    p.drawPolygon(diamond(c, 22));
    p.setBrush(QColor(red));
    p.drawPolygon(diamond(c, 19));
    p.setBrush(QColor(white));
    for (const QPointF d : {QPointF(0, -1), QPointF(0, 1), QPointF(-1, 0), QPointF(1, 0)}) {
        const QPointF petal = c + d * 8.5;
        const double rx = d.x() != 0 ? 6.5 : 4.5, ry = d.y() != 0 ? 6.5 : 4.5;
        p.drawEllipse(petal, rx, ry);
    }
    p.setBrush(QColor(red));
    p.drawEllipse(c, 4.0, 4.0);
    p.setBrush(QColor(pink));
    p.drawEllipse(c, 2.0, 2.0);
    for (const QPointF corner : {QPointF(40, 40), QPointF(76, 40), QPointF(40, 76), QPointF(76, 76)})
        p.drawPolygon(diamond(corner, 3.5));
    p.end();
    return toExactPalette(img, palette);
}

// 71 x 71: a dark blue frame, blue and white chequers 7 px square, a yellow centre.
QImage drawBack48()
{
    const QRgb white = qRgb(255, 255, 255), blue = qRgb(28, 78, 200), navy = qRgb(10, 30, 96),
               yellow = qRgb(255, 210, 40), gold = qRgb(196, 140, 0);
    const QList<QRgb> palette{white, blue, navy, yellow, gold};
    const int side = 71, frame = 4, cell = 7, cells = 9;
    QImage img(side, side, QImage::Format_RGB32);
    QPainter p(&img);
    p.setPen(Qt::NoPen);
    p.fillRect(img.rect(), QColor(navy));
    for (int row = 0; row < cells; ++row)
        for (int col = 0; col < cells; ++col)
            p.fillRect(frame + col * cell, frame + row * cell, cell, cell,
                       QColor((row + col) % 2 == 0 ? blue : white));
    // The centre: three by three cells of yellow inside a navy line.
    const int c0 = frame + 3 * cell, c1 = frame + 6 * cell;
    p.fillRect(QRect(QPoint(c0 - 1, c0 - 1), QPoint(c1, c1)), QColor(navy));
    p.fillRect(QRect(QPoint(c0, c0), QPoint(c1 - 1, c1 - 1)), QColor(yellow));
    const QPointF mid(side / 2.0, side / 2.0);
    p.setBrush(QColor(gold));
    p.drawPolygon(QPolygonF{mid + QPointF(0, -7.5), mid + QPointF(7.5, 0), mid + QPointF(0, 7.5),
                            mid + QPointF(-7.5, 0)});
    p.setBrush(QColor(navy));
    p.drawPolygon(QPolygonF{mid + QPointF(0, -3.5), mid + QPointF(3.5, 0), mid + QPointF(0, 3.5),
                            mid + QPointF(-3.5, 0)});
    p.end();
    return toExactPalette(img, palette);
}

// 57 x 57: a blue diagonal lattice on white inside a blue frame.
QImage drawBack80()
{
    const QRgb white = qRgb(255, 255, 255), blue = qRgb(30, 70, 190), navy = qRgb(12, 32, 110),
               pale = qRgb(214, 226, 250);
    const QList<QRgb> palette{white, blue, navy, pale};
    const int side = 57, centre = side / 2;
    QImage img(side, side, QImage::Format_RGB32);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const int edge = std::min({x, y, side - 1 - x, side - 1 - y});
            QRgb colour;
            if (edge < 3)
                colour = navy;
            else if (edge == 3)
                colour = white;
            else if (edge == 4)
                colour = blue;
            else {
                // Lines of three pixels a row every ten pixels, both ways, centred on the card.
                const int u = ((x - centre) + (y - centre) + 1000) % 10;
                const int v = ((x - centre) - (y - centre) + 1000) % 10;
                const bool onU = u == 0 || u == 1 || u == 9;
                const bool onV = v == 0 || v == 1 || v == 9;
                if (onU || onV)
                    colour = blue;
                else if (u == 5 && v == 5)
                    colour = pale;  // a dot in the middle of each white diamond
                else
                    colour = white;
            }
            img.setPixel(x, y, colour);
        }
    }
    return toExactPalette(img, palette);
}

// ---------------------------------------------------------------------------------------------
// Window icon: a stylised eye on red

void paintEye(QPainter& p, double size)
{
    p.save();
    p.scale(size / 256.0, size / 256.0);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);

    // Red ground with a darker rim.
    p.fillRect(QRectF(0, 0, 256, 256), QColor(122, 8, 22));
    QRadialGradient ground(QPointF(128, 110), 170);
    ground.setColorAt(0, QColor(236, 52, 60));
    ground.setColorAt(1, QColor(196, 16, 40));
    p.setBrush(ground);
    p.drawRect(QRectF(14, 14, 228, 228));

    // The eye: an almond of two arcs.
    QPainterPath almond;
    almond.moveTo(22, 128);
    almond.cubicTo(70, 52, 186, 52, 234, 128);
    almond.cubicTo(186, 204, 70, 204, 22, 128);
    p.setBrush(QColor(20, 4, 6));
    p.drawPath(almond);
    QPainterPath whiteOfEye;
    whiteOfEye.moveTo(44, 128);
    whiteOfEye.cubicTo(84, 72, 172, 72, 212, 128);
    whiteOfEye.cubicTo(172, 184, 84, 184, 44, 128);
    p.setBrush(QColor(255, 255, 255));
    p.drawPath(whiteOfEye);

    // Iris and pupil, clipped by the lids.
    p.save();
    p.setClipPath(whiteOfEye);
    QRadialGradient iris(QPointF(128, 128), 50);
    iris.setColorAt(0.0, QColor(110, 170, 240));
    iris.setColorAt(1.0, QColor(24, 90, 200));
    p.setBrush(QColor(10, 40, 110));
    p.drawEllipse(QPointF(128, 128), 50, 50);
    p.setBrush(iris);
    p.drawEllipse(QPointF(128, 128), 42, 42);
    p.setBrush(QColor(0, 0, 0));
    p.drawEllipse(QPointF(128, 128), 20, 20);
    p.restore();
    p.setBrush(QColor(255, 255, 255));
    p.drawEllipse(QPointF(144, 110), 11, 11);

    // Lashes standing out from the upper lid.
    QPainterPath upperLid;
    upperLid.moveTo(22, 128);
    upperLid.cubicTo(70, 52, 186, 52, 234, 128);
    p.setPen(QPen(QColor(20, 4, 6), 16, Qt::SolidLine, Qt::RoundCap));
    for (const double t : {0.2, 0.35, 0.5, 0.65, 0.8}) {
        const QPointF base = upperLid.pointAtPercent(t);
        const double along = upperLid.angleAtPercent(t) * std::numbers::pi / 180;
        // Square to the lid, pointing up and out (Qt's angles run anticlockwise, y down).
        const QPointF out(-std::sin(along), -std::cos(along));
        p.drawLine(base + out * 2, base + out * 34);
    }
    p.restore();
}

const QList<QRgb> iconPalette{
    qRgb(0, 0, 0),       qRgb(20, 4, 6),      qRgb(122, 8, 22),    qRgb(160, 12, 32),
    qRgb(200, 18, 42),   qRgb(232, 50, 58),   qRgb(255, 255, 255), qRgb(214, 214, 214),
    qRgb(150, 120, 124), qRgb(232, 160, 164), qRgb(10, 40, 110),   qRgb(24, 90, 200),
    qRgb(100, 160, 236), qRgb(180, 206, 240), qRgb(90, 30, 36),    qRgb(60, 60, 80),
};

QImage drawIcon(int size)
{
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::black);
    QPainter p(&img);
    paintEye(p, size);
    p.end();
    return img;
}

// ---------------------------------------------------------------------------------------------

void makeFaces(const QDir& out)
{
    for (size_t i = 0; i < faceSubjects.size(); ++i)
        for (size_t j = 0; j < i; ++j)
            if (std::string_view(faceSubjects[i].emoji) == faceSubjects[j].emoji)
                fail(QStringLiteral("faces %1 and %2 have the same emoji").arg(j + 1).arg(i + 1));

    const QFont font = emojiFont();
    std::vector<QImage> emoji;
    for (const FaceSubject& subject : faceSubjects)
        emoji.push_back(renderEmoji(font, subject));
    const std::vector<double> hues = chooseBackgroundHues(emoji);

    for (int i = 0; i < int(faceSubjects.size()); ++i) {
        const auto& file = assets::detail::faceFiles[i];
        const QImage face = drawFace(emoji[i], hues[i], file);
        const QString name = QStringLiteral("face%1.%2").arg(i + 1, 2, 10, QLatin1Char('0'))
                                 .arg(file.jpeg ? QLatin1String("jpg") : QLatin1String("bmp"));
        const QString path = out.filePath(name);
        if (file.jpeg)
            saveOrFail(face.convertToFormat(QImage::Format_RGB32), path, "JPG", 90);
        else
            save24BitBmp(face, path);
        const auto [hx, hy] = hueVector(emoji[i]);
        std::printf("%s  %-14s %3dx%-3d colour %.2f, background hue %3.0f\n", qPrintable(name),
                    faceSubjects[i].name, file.width, file.height, std::hypot(hx, hy), hues[i]);
    }
}

void makeBacks(const QDir& out)
{
    save4BitBmp(drawBack20(), out.filePath(QStringLiteral("back20.bmp")));
    save4BitBmp(drawBack48(), out.filePath(QStringLiteral("back48.bmp")));
    save4BitBmp(drawBack80(), out.filePath(QStringLiteral("back80.bmp")));
    std::printf("back20.bmp back48.bmp back80.bmp\n");
}

void makeIcon(const QDir& out)
{
    // The small icon is drawn large and scaled down, which gives its edges soft steps that the
    // 16-colour palette keeps.
    const QImage small = drawIcon(256).scaled(32, 32, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const QImage indexed = toNearestPalette(small, iconPalette);
    save4BitBmp(indexed, out.filePath(QStringLiteral("icon.bmp")));
    saveOrFail(indexed, out.filePath(QStringLiteral("icon.png")), "PNG");
    saveOrFail(drawIcon(256).convertToFormat(QImage::Format_RGB32), out.filePath(QStringLiteral("icon-256.png")), "PNG");
    std::printf("icon.bmp icon.png icon-256.png\n");
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!out.exists()) {
        std::fprintf(stderr, "make_assets: %s is not a folder\n", argv[1]);
        return 2;
    }
    try {
        makeFaces(out);
        makeBacks(out);
        makeIcon(out);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_assets: %s\n", e.what());
        return 1;
    }
    return 0;
}
