#include "start/start_picture.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QtEndian>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace coppix {

namespace {
// A picture larger than this is refused rather than decoded: it is shown at screen size.
constexpr int maxPixels = 64 * 1024 * 1024;

// libpng takes a chunk's declared length on trust: it allocates and clears that much
// memory before reading the chunk, and only then finds that the file has ended. A few
// hundred bytes claiming a 2 GB chunk cost half a minute and gigabytes. Such a file is
// broken anyway (libpng fails on it in the end), so it is refused before libpng sees it.
bool pngChunkRunsPastEnd(QIODevice* device)
{
    static const QByteArray signature("\x89PNG\r\n\x1a\n", 8);
    if (device->isSequential() || device->peek(signature.size()) != signature)
        return false;
    const qint64 start = device->pos();
    const qint64 end = device->size();
    bool pastEnd = false;
    for (qint64 pos = start + signature.size(); device->seek(pos);) {
        const QByteArray header = device->read(8);
        // A file cut inside a chunk header, or a missing end CRC, libpng handles cheaply.
        if (header.size() < 8 || header.endsWith("IEND"))
            break;
        const qint64 length = qFromBigEndian<quint32>(header.constData());
        if (end - pos < 8 + length + 4) { // header, data, CRC
            pastEnd = true;
            break;
        }
        pos += 8 + length + 4;
    }
    device->seek(start);
    return pastEnd;
}

// Where a baseline JPEG's data ends, if it ends before its last scan does.
struct JpegCut {
    bool cut = false;    // the file ends inside a scan, or before one
    int mcuWidth = 0;    // the blocks the picture is coded in, in pixels
    int mcuHeight = 0;
};

// Walks the markers of a JPEG file: a sequential (baseline or extended) picture whose file
// ends before its End of Image is cut short. Progressive pictures are not: what they lack
// is detail all over, not a part of the picture.
JpegCut findJpegCut(const QByteArray& bytes)
{
    const auto* data = reinterpret_cast<const uchar*>(bytes.constData());
    const qsizetype size = bytes.size();
    JpegCut result;
    if (size < 4 || data[0] != 0xFF || data[1] != 0xD8)
        return result;
    bool sequential = false;
    qsizetype pos = 2;
    while (true) {
        if (pos >= size)
            break; // ended between segments, or inside a scan
        if (data[pos] != 0xFF) { // bytes between segments: not a file the readers agree on
            ++pos;
            continue;
        }
        while (pos < size && data[pos] == 0xFF)
            ++pos; // fill bytes
        if (pos >= size)
            break;
        const uchar marker = data[pos++];
        if (marker == 0xD9)
            return {}; // End of Image: the whole picture is there
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
            continue; // markers without a length
        if (size - pos < 2)
            break;
        const qsizetype length = qFromBigEndian<quint16>(data + pos);
        if (length < 2)
            return {};
        const qsizetype body = pos + 2;
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            // Sequential Huffman-coded frames (SOF0, SOF1) are the ones read row by row.
            sequential = marker == 0xC0 || marker == 0xC1;
            if (size - body < 6)
                break;
            const int components = data[body + 5];
            int maxH = 1, maxV = 1;
            for (int c = 0; c < components && body + 6 + 3 * c + 2 < size; ++c) {
                const uchar sampling = data[body + 6 + 3 * c + 1];
                maxH = qMax(maxH, int(sampling >> 4));
                maxV = qMax(maxV, int(sampling & 0x0F));
            }
            result.mcuWidth = 8 * qBound(1, maxH, 4);
            result.mcuHeight = 8 * qBound(1, maxV, 4);
        }
        pos = body + length - 2;
        if (marker == 0xDA) {
            // The coded data of a scan runs to the next marker other than a stuffed 0xFF
            // or a restart marker.
            while (pos + 1 < size
                   && !(data[pos] == 0xFF && data[pos + 1] != 0x00 && !(data[pos + 1] >= 0xD0 && data[pos + 1] <= 0xD7)))
                ++pos;
            if (pos + 1 >= size) {
                pos = size;
                break;
            }
        }
    }
    if (!sequential || result.mcuWidth == 0)
        return {};
    result.cut = true;
    return result;
}

// The JPEG reader shows what a cut-short file never held as flat grey (128, 128, 128),
// block by block from where the data ran out. Those blocks are made transparent, so that
// what lies behind the picture shows there instead. A block counts as such when three
// quarters of it are that grey: the reader smooths colour across the edge of the blocks
// on either side, so a border of theirs may not be exactly grey.
QImage clearNeverRead(QImage image, const JpegCut& cut)
{
    const QRgb grey = qRgb(128, 128, 128);
    const int columns = (image.width() + cut.mcuWidth - 1) / cut.mcuWidth;
    const int rows = (image.height() + cut.mcuHeight - 1) / cut.mcuHeight;
    auto neverRead = [&](int block) {
        const QRect area = QRect((block % columns) * cut.mcuWidth, (block / columns) * cut.mcuHeight, cut.mcuWidth,
                                 cut.mcuHeight)
                               .intersected(image.rect());
        qint64 greyPixels = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                greyPixels += image.pixel(x, y) == grey ? 1 : 0;
        return greyPixels * 4 >= qint64(area.width()) * area.height() * 3;
    };
    int first = columns * rows;
    while (first > 0 && neverRead(first - 1))
        --first;
    if (first == columns * rows)
        return image;
    image = image.convertToFormat(QImage::Format_ARGB32);
    for (int block = first; block < columns * rows; ++block) {
        const QRect area = QRect((block % columns) * cut.mcuWidth, (block / columns) * cut.mcuHeight, cut.mcuWidth,
                                 cut.mcuHeight)
                               .intersected(image.rect());
        for (int y = area.top(); y <= area.bottom(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            std::fill(line + area.left(), line + area.right() + 1, qRgba(0, 0, 0, 0));
        }
    }
    return image;
}

QImage read(QImageReader& reader, const QByteArray& bytes, QString* error)
{
    reader.setDecideFormatFromContent(true);
    QIODevice* device = reader.device();
    if (device && (device->isOpen() || device->open(QIODevice::ReadOnly)) && pngChunkRunsPastEnd(device)) {
        if (error)
            *error = QStringLiteral("a PNG chunk runs past the end of the file");
        return {};
    }
    const QSize size = reader.size();
    // A top-down BMP tells its height as a negative number.
    if (qAbs(qint64(size.width())) * qAbs(qint64(size.height())) > maxPixels) {
        if (error)
            *error = QStringLiteral("picture too large");
        return {};
    }
    QImage image = reader.read();
    if (image.isNull()) {
        if (error)
            *error = reader.errorString();
        return image;
    }
    const JpegCut cut = findJpegCut(bytes);
    return cut.cut ? clearNeverRead(std::move(image), cut) : image;
}

void setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}
} // namespace

QImage loadStartPicture(const QString& file, QString* error, QByteArray* contents)
{
    // Opened without waiting, and read only if it is a regular file: a FIFO or a device
    // in the picture's place would keep the program from ever showing a window.
    const int fd = ::open(QFile::encodeName(file).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        setError(error, QString::fromLocal8Bit(std::strerror(errno)));
        return {};
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        setError(error, QStringLiteral("not a regular file"));
        return {};
    }
    QFile picture;
    if (!picture.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        setError(error, picture.errorString());
        return {};
    }
    // The bytes are looked at where they lie (mapped), to see whether the file is cut short.
    const qint64 size = picture.size();
    uchar* mapped = size > 0 ? picture.map(0, size) : nullptr;
    const QByteArray bytes = mapped ? QByteArray::fromRawData(reinterpret_cast<const char*>(mapped), qsizetype(size))
                                    : QByteArray();
    QImageReader reader(&picture);
    QImage image = read(reader, bytes, error);
    if (contents && !image.isNull())
        *contents = QByteArray(bytes.constData(), bytes.size());
    if (mapped)
        picture.unmap(mapped);
    return image;
}

QImage decodeStartPicture(const QByteArray& bytes, QString* error)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    return read(reader, bytes, error);
}

} // namespace coppix
