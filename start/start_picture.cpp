#include "start/start_picture.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>

namespace coppix {

namespace {
// A picture larger than this is refused rather than decoded: it is shown at screen size.
constexpr int maxPixels = 64 * 1024 * 1024;

QImage read(QImageReader& reader, QString* error)
{
    reader.setDecideFormatFromContent(true);
    const QSize size = reader.size();
    if (size.isValid() && qint64(size.width()) * size.height() > maxPixels) {
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
