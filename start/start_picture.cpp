#include "start/start_picture.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QtEndian>

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

QImage read(QImageReader& reader, QString* error)
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
    if (image.isNull() && error)
        *error = reader.errorString();
    return image;
}
} // namespace

QImage loadStartPicture(const QString& file, QString* error)
{
    QImageReader reader(file);
    return read(reader, error);
}

QImage decodeStartPicture(const QByteArray& bytes, QString* error)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    return read(reader, error);
}

} // namespace coppix
