// The start screen's picture file, "dabrel coppix.jpg": read, cut short, too large, broken,
// missing, or something in its place that is no file; what the start screen then shows, and
// what it says on standard error.
#include "start/start_picture.h"
#include "table_fixture.h"
#include "toolkit/colour.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QtEndian>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <future>
#include <linux/landlock.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

using namespace testsupport;
using coppix::frmmain;

namespace {

// A small picture as a PNG file: signature, IHDR, IDAT, IEND.
QByteArray smallPng()
{
    QImage image(24, 16, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// The header of a PNG chunk that claims `length` bytes of data.
QByteArray pngChunkHeader(quint32 length, const char* type)
{
    QByteArray header(4, '\0');
    qToBigEndian(length, header.data());
    return header + QByteArray(type, 4);
}

// A 256-colour run-length BMP that ends at once: a few bytes however large the picture
// says it is. Only good for its size: Qt leaves the pixels of such a picture unset.
QByteArray emptyRleBmp(qint32 width, qint32 height)
{
    QByteArray info(40, '\0');
    qToLittleEndian<quint32>(40, info.data());
    qToLittleEndian<qint32>(width, info.data() + 4);
    qToLittleEndian<qint32>(height, info.data() + 8);
    qToLittleEndian<quint16>(1, info.data() + 12);  // planes
    qToLittleEndian<quint16>(8, info.data() + 14);  // bits a pixel
    qToLittleEndian<quint32>(1, info.data() + 16);  // RLE8
    qToLittleEndian<quint32>(2, info.data() + 32);  // colours
    const QByteArray palette("\0\0\0\0\xff\xff\xff\0", 8);
    const QByteArray data("\0\x01", 2); // end of picture
    QByteArray file(14, '\0');
    file[0] = 'B';
    file[1] = 'M';
    qToLittleEndian<quint32>(quint32(14 + info.size() + palette.size() + data.size()), file.data() + 2);
    qToLittleEndian<quint32>(quint32(14 + info.size() + palette.size()), file.data() + 10);
    return file + info + palette + data;
}

// Takes from the calling thread, for good, the right to open any file for reading: the
// kernel (Landlock) refuses it with "permission denied", even to root, whom file modes do
// not stop. False where the kernel cannot do it.
bool denyFileReadsOnThisThread()
{
    landlock_ruleset_attr attributes{};
    attributes.handled_access_fs = LANDLOCK_ACCESS_FS_READ_FILE;
    const int ruleset = int(syscall(SYS_landlock_create_ruleset, &attributes, sizeof attributes, 0));
    if (ruleset < 0)
        return false;
    const bool done = prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 && syscall(SYS_landlock_restrict_self, ruleset, 0) == 0;
    ::close(ruleset);
    return done;
}

// What the program writes on its standard error while one of these lives.
class StderrCapture {
public:
    StderrCapture()
    {
        std::fflush(stderr);
        m_saved = ::dup(2);
        m_file.open();
        ::dup2(m_file.handle(), 2);
    }
    ~StderrCapture() { restore(); }
    QByteArray text()
    {
        restore();
        m_file.seek(0);
        return m_file.readAll();
    }

private:
    void restore()
    {
        if (m_saved < 0)
            return;
        std::fflush(stderr);
        ::dup2(m_saved, 2);
        ::close(m_saved);
        m_saved = -1;
    }
    QTemporaryFile m_file;
    int m_saved = -1;
};

QByteArray jpegOf(const QImage& image, bool progressive)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "JPEG");
    writer.setQuality(90);
    writer.setProgressiveScanWrite(progressive);
    writer.write(image);
    return bytes;
}

// The same JPEG marked as extended sequential (SOF1) instead of baseline (SOF0). Its
// coding is the same, and a baseline picture is a valid extended one: only the frame's
// marker changes.
QByteArray asExtendedSequential(QByteArray jpeg)
{
    for (qsizetype pos = 2; pos + 4 <= jpeg.size() && uchar(jpeg[pos]) == 0xFF;) {
        const uchar marker = uchar(jpeg[pos + 1]);
        if (marker == 0xC0) {
            jpeg[pos + 1] = char(0xC1);
            return jpeg;
        }
        if (marker == 0xDA)
            break; // the scan began with no frame before it
        pos += 2 + qFromBigEndian<quint16>(jpeg.constData() + pos + 2);
    }
    return {};
}

// A picture of four colours, one in each quarter, as a PNG of two bits a pixel: a few
// kilobytes however large the picture.
QByteArray quarteredPng(int width, int height, const QList<QRgb>& colours)
{
    QImage image(width, height, QImage::Format_Indexed8);
    image.setColorTable(colours);
    for (int y = 0; y < height; ++y) {
        uchar* line = image.scanLine(y);
        const uchar top = y < height / 2 ? 0 : 2;
        std::fill(line, line + width / 2, top);
        std::fill(line + width / 2, line + width, uchar(top + 1));
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QByteArray contentOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestStartPicture : public StartScreenTest {
    Q_OBJECT

private slots:
    void missingOrBrokenStartPicture_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("present");
        QTest::newRow("missing") << QByteArray() << false;
        QTest::newRow("empty") << QByteArray() << true;
        QTest::newRow("garbage") << QByteArray("not a picture at all\x01\x02", 22) << true;
        QTest::newRow("truncated JPEG") << QByteArray("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01", 13) << true;
        const QByteArray png = smallPng();
        QTest::newRow("PNG chunk claiming 256 MB")
            << png.left(png.size() - 12) + pngChunkHeader(0x10000000, "zTXt") + "x" << true;
    }
    void missingOrBrokenStartPicture()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, present);
        QTemporaryDir folder;
        if (present) {
            QFile file(folder.filePath(QStringLiteral("dabrel coppix.jpg")));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        open(folder.path());
        QVERIFY(!start->pictureShown());
        QVERIFY(start->isVisible());
        const QImage shown = start->client()->grab().toImage();
        QCOMPARE(shown.pixel(shown.width() / 2, shown.height() / 2), tk::bgrToRgb(frmmain::darkGreen));
        // The game works as before.
        coppix::Form1& table = fixture->play();
        clickBack(table, 1);
        QVERIFY(faceUp(table, 1));
    }

    // Something in the picture's place that is no file to read: refused at once (a FIFO
    // opened blindly waits for a writer for ever, before any window shows), the start
    // screen dark green, and one line on standard error that says why.
    void startPictureThatIsNoFile_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("FIFO") << QStringLiteral("fifo") << QStringLiteral("not a regular file");
        QTest::newRow("folder") << QStringLiteral("folder") << QStringLiteral("not a regular file");
        QTest::newRow("missing") << QStringLiteral("missing") << QString::fromLocal8Bit(std::strerror(ENOENT));
    }
    void startPictureThatIsNoFile()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("dabrel coppix.jpg"));
        const QByteArray name = QFile::encodeName(path);
        if (kind == QLatin1String("fifo"))
            QCOMPARE(::mkfifo(name.constData(), 0644), 0);
        else if (kind == QLatin1String("folder"))
            QVERIFY(QDir().mkdir(path));

        // Read on another thread, so that a reader that waits does not stop the test.
        auto reading = std::async(std::launch::async, [path] {
            QString error;
            const bool read = !coppix::loadStartPicture(path, &error).isNull();
            return std::make_pair(read, error);
        });
        if (reading.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
            const int writer = ::open(name.constData(), O_WRONLY | O_NONBLOCK); // lets the reader go
            ::close(writer);
            reading.wait();
            QFAIL("the picture's reader waited on the FIFO");
        }
        const auto [read, error] = reading.get();
        QVERIFY(!read);
        QCOMPARE(error, reason);

        StderrCapture errors;
        open(folder.path());
        const QList<QByteArray> lines = errors.text().split('\n');
        QVERIFY(!start->pictureShown());
        const QImage shown = start->client()->grab().toImage();
        QCOMPARE(shown.pixel(shown.width() / 2, shown.height() / 2), tk::bgrToRgb(frmmain::darkGreen));
        QCOMPARE(lines.count(), 2); // one line, and nothing after its end
        QVERIFY2(lines[0].startsWith("coppix: start picture ") && lines[0].endsWith(": " + reason.toLocal8Bit()),
                 lines[0].constData());
    }

    // A picture that cannot be opened is reported with the system's reason, not as missing.
    void unreadableStartPictureSaysSo()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("dabrel coppix.jpg"));
        QVERIFY(QFile::copy(programDir() + QStringLiteral("/dabrel coppix.jpg"), path));
        QVERIFY(!coppix::loadStartPicture(path).isNull());
        const bool root = ::geteuid() == 0;
        if (!root) // file modes stop anyone but root
            QVERIFY(QFile::setPermissions(path, {}));
        auto reading = std::async(std::launch::async, [path, root] {
            if (root && !denyFileReadsOnThisThread())
                return std::make_pair(false, QStringLiteral("skip"));
            QString error;
            const bool read = !coppix::loadStartPicture(path, &error).isNull();
            return std::make_pair(read, error);
        });
        const auto [read, error] = reading.get();
        if (error == QLatin1String("skip"))
            QSKIP("running as root, and the kernel cannot refuse a read to this thread (no Landlock)");
        QVERIFY(!read);
        QCOMPARE(error, QString::fromLocal8Bit(std::strerror(EACCES)));
        QVERIFY(error != QLatin1String("File not found"));
    }

    // A JPEG file cut short: the part of the picture the file never held is transparent,
    // so the start screen's dark green shows there; what was read is shown as read.
    void cutShortJpeg_data()
    {
        QTest::addColumn<QByteArray>("whole");
        QTest::addColumn<double>("kept");
        QTest::addColumn<bool>("sequential");
        const QByteArray shipped = contentOf(programDir() + QStringLiteral("/dabrel coppix.jpg"));
        for (double kept : {0.3, 0.5, 0.9})
            QTest::newRow(qPrintable(QStringLiteral("the start picture, %1 % kept").arg(kept * 100))) << shipped << kept << true;
        QImage grey = QImage(programDir() + QStringLiteral("/dabrel coppix.jpg")).convertToFormat(QImage::Format_Grayscale8);
        QTest::newRow("grey, half kept") << jpegOf(grey, false) << 0.5 << true;
        QImage odd = QImage(programDir() + QStringLiteral("/dabrel coppix.jpg")).scaled(301, 203);
        QTest::newRow("301 x 203, half kept") << jpegOf(odd, false) << 0.5 << true;
        // Extended sequential pictures are read row by row as baseline ones are.
        QTest::newRow("extended sequential (SOF1), half kept") << asExtendedSequential(jpegOf(odd, false)) << 0.5 << true;
        // A progressive picture lacks detail all over, not a part: it is shown as it comes.
        QTest::newRow("progressive, half kept") << jpegOf(odd, true) << 0.5 << false;
    }
    void cutShortJpeg()
    {
        QFETCH(QByteArray, whole);
        QFETCH(double, kept);
        QFETCH(bool, sequential);
        QVERIFY(whole.endsWith("\xFF\xD9"));
        const QImage full = coppix::decodeStartPicture(whole).convertToFormat(QImage::Format_ARGB32);
        QVERIFY(!full.isNull());
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("dabrel coppix.jpg"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        const QByteArray cut = whole.left(qsizetype(whole.size() * kept));
        file.write(cut);
        file.close();

        QString error;
        const QImage picture = coppix::loadStartPicture(path, &error).convertToFormat(QImage::Format_ARGB32);
        QVERIFY2(!picture.isNull(), qPrintable(error));
        QCOMPARE(coppix::decodeStartPicture(cut).convertToFormat(QImage::Format_ARGB32), picture);
        QCOMPARE(picture.size(), full.size());
        int firstClear = picture.height();
        for (int y = 0; y < picture.height() && firstClear == picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                if (qAlpha(picture.pixel(x, y)) == 0) {
                    firstClear = y;
                    break;
                }
        if (!sequential) {
            QCOMPARE(firstClear, picture.height());
            return;
        }
        // Rows well above the cut are the picture's own; from one block row below it on,
        // nothing is left but transparency: no band of flat grey.
        QVERIFY2(firstClear > picture.height() * kept * 0.3 && firstClear < picture.height() * 0.97,
                 qPrintable(QString::number(firstClear)));
        for (int y = 0; y < firstClear - 1; ++y)
            for (int x = 0; x < picture.width(); x += 3)
                QCOMPARE(picture.pixel(x, y), full.pixel(x, y));
        for (int y = qMin(picture.height(), firstClear + 16); y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                QCOMPARE(qAlpha(picture.pixel(x, y)), 0);
        // The block row of the cut: what is not cleared is what was read, not flat grey.
        int greyBlocks = 0;
        for (int top = firstClear / 8 * 8; top + 8 <= picture.height(); top += 8)
            for (int left = 0; left + 8 <= picture.width(); left += 8) {
                bool grey = true;
                for (int y = top; y < top + 8 && grey; ++y)
                    for (int x = left; x < left + 8 && grey; ++x)
                        grey = picture.pixel(x, y) == qRgb(128, 128, 128);
                greyBlocks += grey ? 1 : 0;
            }
        QCOMPARE(greyBlocks, 0);

        // On the start screen: the picture above, dark green below.
        open(folder.path());
        QVERIFY(start->pictureShown());
        const QImage shown = start->client()->grab().toImage();
        const QRgb green = tk::bgrToRgb(frmmain::darkGreen);
        const int below = int(double(firstClear + 16) * shown.height() / picture.height()) + 2;
        for (int y = below; y < shown.height(); y += 7)
            for (int x = 0; x < shown.width(); x += 7)
                QVERIFY2(start->childAt(x, y + start->client()->y()) != nullptr || shown.pixel(x, y) == green,
                         qPrintable(QStringLiteral("(%1, %2)").arg(x).arg(y)));
        QVERIFY(shown.pixel(shown.width() / 2, 2) != green);
    }

    // What the start screen makes of a picture, from a file as the game reads it and from
    // bytes alike: read, or refused with the reason it prints.
    void startPictureReadOrRefused_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("refusal"); // empty: the picture is read

        const QString pastEnd = QStringLiteral("a PNG chunk runs past the end of the file");
        const QString tooLarge = QStringLiteral("picture too large");
        const QByteArray png = smallPng();
        const QByteArray head = png.left(33); // signature and IHDR
        const QByteArray withoutEnd = png.left(png.size() - 12);
        QTest::newRow("PNG") << png << QString();
        QTest::newRow("PNG with bytes after its end") << png + "trailing" << QString();
        QTest::newRow("PNG without its last CRC") << png.left(png.size() - 4) << QString();
        // libpng allocates and clears what a chunk claims before it finds the file ends:
        // such a file is refused before it gets there.
        QTest::newRow("PNG text chunk claiming 256 MB before the pixels")
            << head + pngChunkHeader(0x10000000, "tEXt") + "Comment" << pastEnd;
        QTest::newRow("PNG text chunk claiming 256 MB after the pixels")
            << withoutEnd + pngChunkHeader(0x10000000, "zTXt") + "x" << pastEnd;
        QTest::newRow("PNG cut in its pixels") << png.left(png.size() - 20) << pastEnd;
        // Far larger than any screen, and above 16 Mpixel, but under the limit of 64.
        QTest::newRow("PNG of 4097 x 4096") << quarteredPng(4097, 4096, {qRgb(200, 30, 30), qRgb(30, 200, 30),
                                                                       qRgb(30, 30, 200), qRgb(220, 220, 40)})
                                            << QString();
        QTest::newRow("BMP of 8193 x 8192") << emptyRleBmp(8193, 8192) << tooLarge;
        QTest::newRow("top-down BMP of 8193 x 8192") << emptyRleBmp(8193, -8192) << tooLarge;
    }
    void startPictureReadOrRefused()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, refusal);
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("dabrel coppix.jpg"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(content), content.size());
        file.close();

        QString fromFile = QStringLiteral("untouched");
        QString fromBytes = QStringLiteral("untouched");
        const QImage loaded = coppix::loadStartPicture(path, &fromFile);
        const QImage decoded = coppix::decodeStartPicture(content, &fromBytes);
        if (refusal.isEmpty()) {
            QVERIFY(!loaded.isNull());
            QCOMPARE(decoded, loaded);
            QCOMPARE(fromFile, QStringLiteral("untouched"));
            QCOMPARE(fromBytes, QStringLiteral("untouched"));
        } else {
            QVERIFY(loaded.isNull());
            QVERIFY(decoded.isNull());
            QCOMPARE(fromFile, refusal);
            QCOMPARE(fromBytes, refusal);
        }
    }

    // A picture far larger than the screen, of 4097 x 4096 (above 16 Mpixel, under the
    // limit of 64) is shown on the start screen at its size, each quarter in its place.
    void largePictureIsShown()
    {
        const QList<QRgb> colours{qRgb(200, 30, 30), qRgb(30, 200, 30), qRgb(30, 30, 200), qRgb(220, 220, 40)};
        QTemporaryDir folder;
        QFile file(folder.filePath(QStringLiteral("dabrel coppix.jpg")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        const QByteArray png = quarteredPng(4097, 4096, colours);
        QCOMPARE(file.write(png), png.size());
        file.close();

        open(folder.path());
        QVERIFY(start->pictureShown());
        const QImage shown = start->client()->grab().toImage();
        const int w = shown.width();
        const int h = shown.height();
        QCOMPARE(shown.pixel(w / 4, h / 4), colours[0]);
        QCOMPARE(shown.pixel(3 * w / 4, h / 4), colours[1]);
        QCOMPARE(shown.pixel(w / 4, 3 * h / 4), colours[2]);
        QCOMPARE(shown.pixel(3 * w / 4, 3 * h / 4), colours[3]);
    }
};

QTEST_MAIN(TestStartPicture)
#include "tst_start_picture.moc"
