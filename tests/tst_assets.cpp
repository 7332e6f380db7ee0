// The pictures held in the program: every face, back and the icon must be in the resources in
// the kind and size the game expects, the faces must be told apart at a glance, and the
// start-screen picture must leave its label band readable.
#include "assets/pictures.h"
#include "testsupport.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QSet>
#include <QTest>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <vector>

namespace {

// biBitCount of a BMP file, or -1 when the file is not a BMP.
int bmpBitCount(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray header = file.read(30);
    if (header.size() < 30 || !header.startsWith("BM"))
        return -1;
    return qFromLittleEndian<quint16>(header.constData() + 28);
}

double relativeLuminance(QRgb c)
{
    auto linear = [](int v) {
        const double s = v / 255.0;
        return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(qRed(c)) + 0.7152 * linear(qGreen(c)) + 0.0722 * linear(qBlue(c));
}

int colourDistance(QRgb a, QRgb b)
{
    return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b));
}

// A face as the player sees it, stretched to a square, brought down to a small size.
QImage shrunk(const QImage& face, int side)
{
    return face.scaled(side, side, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_RGB32);
}

// Mean difference a colour channel between two pictures of the same size, 0..255.
double meanColourDifference(const QImage& a, const QImage& b)
{
    long sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            sum += colourDistance(a.pixel(x, y), b.pixel(x, y));
    return sum / (3.0 * a.width() * a.height());
}

// Where a picture has its edges, as shares of all its edge strength. The faces' backgrounds are
// smooth washes, so this is the subject's outline and markings, whatever the tint behind it.
std::vector<double> edgeMap(const QImage& square)
{
    std::vector<double> map;
    double total = 0;
    for (int y = 0; y + 1 < square.height(); ++y) {
        for (int x = 0; x + 1 < square.width(); ++x) {
            const QRgb here = square.pixel(x, y);
            const double e = colourDistance(here, square.pixel(x + 1, y)) + colourDistance(here, square.pixel(x, y + 1));
            map.push_back(e);
            total += e;
        }
    }
    for (double& e : map)
        e /= std::max(total, 1.0);
    return map;
}

// 0 for the same outline, 2 for outlines with nothing in common.
double edgeDifference(const std::vector<double>& a, const std::vector<double>& b)
{
    double sum = 0;
    for (size_t i = 0; i < a.size(); ++i)
        sum += std::abs(a[i] - b[i]);
    return sum;
}

}  // namespace

class tst_Assets : public QObject {
    Q_OBJECT

private slots:
    void faces_data();
    void faces();
    void facesDifferFromEachOther();
    void lookAlikesAreCaught_data();
    void lookAlikesAreCaught();
    void backs_data();
    void backs();
    void icon();
    void iconCopiesMatch();
    void facePathRejects_data();
    void facePathRejects();
    void backPathRejects_data();
    void backPathRejects();
    void titlePicture();
};

void tst_Assets::faces_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");

    struct Row {
        int index;
        const char* format;
        int width;
        int height;
    };
    const Row rows[] = {
        {1, "bmp", 116, 116},  {2, "bmp", 116, 116},  {3, "bmp", 116, 116},  {4, "bmp", 116, 116},
        {5, "bmp", 116, 116},  {6, "bmp", 116, 116},  {7, "bmp", 116, 116},  {8, "bmp", 116, 116},
        {9, "bmp", 116, 116},  {10, "bmp", 116, 116}, {11, "bmp", 116, 116}, {12, "bmp", 116, 116},
        {13, "jpeg", 116, 116}, {14, "jpeg", 149, 187}, {15, "bmp", 116, 116}, {16, "bmp", 116, 116},
        {17, "bmp", 116, 116}, {18, "jpeg", 300, 300}, {19, "jpeg", 160, 150}, {20, "jpeg", 300, 256},
        {21, "bmp", 116, 116}, {22, "bmp", 116, 116}, {23, "bmp", 116, 116}, {24, "jpeg", 116, 116},
        {25, "bmp", 116, 116}, {26, "jpeg", 128, 123}, {27, "jpeg", 566, 565}, {28, "jpeg", 800, 600},
        {29, "jpeg", 116, 116}, {30, "jpeg", 300, 249}, {31, "jpeg", 200, 133}, {32, "bmp", 116, 116},
        {33, "jpeg", 348, 241}, {34, "bmp", 116, 116}, {35, "bmp", 116, 116}, {36, "bmp", 57, 57},
        {37, "bmp", 116, 116}, {38, "bmp", 116, 116}, {39, "jpeg", 99, 94},  {40, "bmp", 116, 116},
    };
    QCOMPARE(int(std::size(rows)), assets::faceCount);
    for (const Row& r : rows)
        QTest::addRow("face %d", r.index) << r.index << QByteArray(r.format) << r.width << r.height;
}

void tst_Assets::faces()
{
    QFETCH(int, index);
    QFETCH(QByteArray, format);
    QFETCH(int, width);
    QFETCH(int, height);

    const QString path = assets::facePath(index);
    QCOMPARE(path, QStringLiteral(":/pictures/face%1.%2")
                       .arg(index, 2, 10, QLatin1Char('0'))
                       .arg(format == "bmp" ? "bmp" : "jpg"));
    QImageReader reader(path);
    QCOMPARE(reader.format(), format);
    const QImage image = reader.read();
    QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
    QCOMPARE(image.size(), QSize(width, height));
    if (format == "bmp")
        QCOMPARE(bmpBitCount(path), 24);

    // A light background round a large subject. The background is a smooth wash, so the
    // subject is where the picture has edges: seen as a square, as the game shows it, they must
    // reach across most of the face one way or the other, and stop short of its border.
    const QRgb corners[] = {image.pixel(1, 1), image.pixel(width - 2, 1), image.pixel(1, height - 2),
                            image.pixel(width - 2, height - 2)};
    for (const QRgb c : corners)
        QVERIFY2(qGray(c) >= 170, qPrintable(QStringLiteral("corner colour %1").arg(c, 8, 16)));
    const int side = 64;
    const QImage square = image.scaled(side, side, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                              .convertToFormat(QImage::Format_RGB32);
    QRect subject;
    for (int y = 0; y + 1 < side; ++y)
        for (int x = 0; x + 1 < side; ++x)
            if (colourDistance(square.pixel(x, y), square.pixel(x + 1, y))
                    + colourDistance(square.pixel(x, y), square.pixel(x, y + 1)) > 60)
                subject |= QRect(x, y, 2, 2);
    QVERIFY2(std::max(subject.width(), subject.height()) >= side * 7 / 10,
             qPrintable(QStringLiteral("subject spans only %1 x %2 of %3").arg(subject.width()).arg(subject.height()).arg(side)));
    QVERIFY2(subject.left() > 0 && subject.top() > 0 && subject.right() < side - 1 && subject.bottom() < side - 1,
             qPrintable(QStringLiteral("subject runs into the border: %1,%2 to %3,%4")
                            .arg(subject.left()).arg(subject.top()).arg(subject.right()).arg(subject.bottom())));
}

// Every pair of faces must differ clearly both in colour and in outline, as seen small. The same
// subject on two different tints differs in colour but keeps its outline (edge difference below
// 0.25); a face stored twice differs in neither.
void tst_Assets::facesDifferFromEachOther()
{
    std::vector<QImage> thumbs;
    std::vector<std::vector<double>> outlines;
    for (int i = 1; i <= assets::faceCount; ++i) {
        const QImage face(assets::facePath(i));
        QVERIFY2(!face.isNull(), qPrintable(assets::facePath(i)));
        thumbs.push_back(shrunk(face, 16));
        outlines.push_back(edgeMap(shrunk(face, 32)));
    }
    for (int a = 0; a < assets::faceCount; ++a) {
        for (int b = a + 1; b < assets::faceCount; ++b) {
            const double colour = meanColourDifference(thumbs[a], thumbs[b]);
            QVERIFY2(colour >= 12, qPrintable(QStringLiteral("faces %1 and %2 have nearly the same colours (%3)")
                                                  .arg(a + 1).arg(b + 1).arg(colour)));
            const double outline = edgeDifference(outlines[a], outlines[b]);
            QVERIFY2(outline >= 0.45, qPrintable(QStringLiteral("faces %1 and %2 have nearly the same outline (%3)")
                                                     .arg(a + 1).arg(b + 1).arg(outline)));
        }
    }
}

// The measures above must catch real look-alikes: a face saved again as a JPEG, and a face with
// all its colours turned round the colour wheel (a new tint, the same subject).
void tst_Assets::lookAlikesAreCaught_data()
{
    QTest::addColumn<int>("index");
    QTest::newRow("elephant, 116 x 116") << 1;
    QTest::newRow("cherry blossom, 116 x 116") << 17;
    QTest::newRow("fire engine, 800 x 600") << 28;
    QTest::newRow("frog, 57 x 57") << 36;
}

void tst_Assets::lookAlikesAreCaught()
{
    QFETCH(int, index);
    const QImage face(assets::facePath(index));
    QVERIFY(!face.isNull());

    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    QVERIFY(face.save(&buffer, "JPG", 75));
    const QImage resaved = QImage::fromData(jpeg, "JPG");
    QVERIFY(meanColourDifference(shrunk(face, 16), shrunk(resaved, 16)) < 12);
    QVERIFY(edgeDifference(edgeMap(shrunk(face, 32)), edgeMap(shrunk(resaved, 32))) < 0.45);

    QImage turned = face.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < turned.height(); ++y) {
        for (int x = 0; x < turned.width(); ++x) {
            const QColor c = turned.pixelColor(x, y);
            const int hue = c.hsvHue() < 0 ? 0 : (c.hsvHue() + 120) % 360;
            turned.setPixelColor(x, y, QColor::fromHsv(hue, c.hsvSaturation(), c.value()));
        }
    }
    QVERIFY(meanColourDifference(shrunk(face, 16), shrunk(turned, 16)) >= 12);
    const double outline = edgeDifference(edgeMap(shrunk(face, 32)), edgeMap(shrunk(turned, 32)));
    QVERIFY2(outline < 0.45, qPrintable(QStringLiteral("outline difference %1").arg(outline)));
}

void tst_Assets::backs_data()
{
    QTest::addColumn<int>("cardCount");
    QTest::addColumn<int>("side");
    QTest::newRow("20 cards") << 20 << 116;
    QTest::newRow("48 cards") << 48 << 71;
    QTest::newRow("80 cards") << 80 << 57;
}

void tst_Assets::backs()
{
    QFETCH(int, cardCount);
    QFETCH(int, side);

    const QString path = assets::backPath(cardCount);
    QCOMPARE(path, QStringLiteral(":/pictures/back%1.bmp").arg(cardCount));
    QImageReader reader(path);
    QCOMPARE(reader.format(), QByteArray("bmp"));
    const QImage image = reader.read();
    QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
    QCOMPARE(image.size(), QSize(side, side));
    QCOMPARE(bmpBitCount(path), 4);

    // A pattern, not a plain fill.
    QSet<QRgb> colours;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            colours.insert(image.pixel(x, y));
    QVERIFY2(colours.size() >= 3, qPrintable(QStringLiteral("%1 colours").arg(colours.size())));
}

void tst_Assets::icon()
{
    const QString path = assets::iconPath();
    QCOMPARE(path, QStringLiteral(":/pictures/icon.bmp"));
    QImageReader reader(path);
    QCOMPARE(reader.format(), QByteArray("bmp"));
    const QImage image = reader.read();
    QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
    QCOMPARE(image.size(), QSize(32, 32));
    QCOMPARE(bmpBitCount(path), 4);
    // The eye sits on red: the edge pixels are red.
    for (const QPoint p : {QPoint(0, 0), QPoint(31, 0), QPoint(0, 31), QPoint(31, 31), QPoint(16, 1)}) {
        const QRgb c = image.pixel(p);
        QVERIFY2(qRed(c) > qGreen(c) + 60 && qRed(c) > qBlue(c) + 60,
                 qPrintable(QStringLiteral("%1,%2 is %3").arg(p.x()).arg(p.y()).arg(c, 8, 16)));
    }
}

// icon.png, kept beside the pictures for a desktop entry, must be the same picture as the
// window icon, and icon-256.png the same design at 256 x 256.
void tst_Assets::iconCopiesMatch()
{
    const QString folder = testsupport::sourceDir() + QStringLiteral("/assets/pictures/");
    const QImage bmp(assets::iconPath());
    const QImage png(folder + QStringLiteral("icon.png"));
    QVERIFY(!bmp.isNull());
    QVERIFY(!png.isNull());
    QCOMPARE(png.size(), bmp.size());
    for (int y = 0; y < bmp.height(); ++y)
        for (int x = 0; x < bmp.width(); ++x)
            QCOMPARE(png.pixel(x, y) | 0xFF000000u, bmp.pixel(x, y) | 0xFF000000u);

    const QImage large(folder + QStringLiteral("icon-256.png"));
    QCOMPARE(large.size(), QSize(256, 256));
    // Brought down to 32 x 32 it is close to the small icon everywhere on average.
    const QImage shrunk = large.scaled(32, 32, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    long sum = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            sum += colourDistance(shrunk.pixel(x, y), bmp.pixel(x, y));
    const double mean = sum / (32.0 * 32.0 * 3.0);
    QVERIFY2(mean < 12, qPrintable(QStringLiteral("mean difference %1").arg(mean)));
}

void tst_Assets::facePathRejects_data()
{
    QTest::addColumn<int>("index");
    QTest::newRow("zero") << 0;
    QTest::newRow("negative") << -1;
    QTest::newRow("one past the last") << assets::faceCount + 1;
    QTest::newRow("far out") << 1000;
}

void tst_Assets::facePathRejects()
{
    QFETCH(int, index);
    QVERIFY(assets::facePath(index).isEmpty());
}

void tst_Assets::backPathRejects_data()
{
    QTest::addColumn<int>("cardCount");
    for (const int n : {0, -20, 19, 21, 40, 47, 49, 79, 81, 116})
        QTest::addRow("%d cards", n) << n;
}

void tst_Assets::backPathRejects()
{
    QFETCH(int, cardCount);
    QVERIFY(assets::backPath(cardCount).isEmpty());
}

// The start screen stretches this picture over the whole screen and draws its yellow labels in
// the band from 85% to 95% of the height: the band must be dark enough behind them.
void tst_Assets::titlePicture()
{
    const QString path = testsupport::sourceDir() + QStringLiteral("/media/dabrel coppix.jpg");
    QImageReader reader(path);
    QCOMPARE(reader.format(), QByteArray("jpeg"));
    const QImage image = reader.read().convertToFormat(QImage::Format_RGB32);
    QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
    QCOMPARE(image.size(), QSize(1024, 768));

    std::vector<double> band;
    for (int y = int(image.height() * 0.85); y < int(image.height() * 0.95); ++y)
        for (int x = 0; x < image.width(); ++x)
            band.push_back(relativeLuminance(image.pixel(x, y)));
    std::sort(band.begin(), band.end());
    const double bright = band[band.size() * 95 / 100];
    const double contrast = (relativeLuminance(qRgb(255, 255, 0)) + 0.05) / (bright + 0.05);
    QVERIFY2(contrast >= 4.5, qPrintable(QStringLiteral("yellow on the band: contrast %1").arg(contrast)));

    // The rest of the picture is a scene, not a flat fill: it has light and dark parts.
    std::vector<double> all;
    for (int y = 0; y < image.height(); y += 4)
        for (int x = 0; x < image.width(); x += 4)
            all.push_back(relativeLuminance(image.pixel(x, y)));
    std::sort(all.begin(), all.end());
    QVERIFY(all[all.size() * 98 / 100] - all[all.size() * 2 / 100] > 0.3);
}

QTEST_MAIN(tst_Assets)
#include "tst_assets.moc"
