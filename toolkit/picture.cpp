#include "toolkit/picture.h"

#include <QImageReader>
#include <atomic>

namespace tk {

namespace {
std::int32_t nextHandle()
{
    static std::atomic<std::int32_t> counter{0};
    return ++counter;
}

QImage decode(const QString& path)
{
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    return reader.read();
}
} // namespace

Picture::Picture(QImage image)
{
    if (image.isNull())
        return;
    d = std::make_shared<Data>();
    d->size = image.size();
    d->alpha = image.hasAlphaChannel();
    d->image = std::move(image);
    d->handle = nextHandle();
}

Picture Picture::load(const QString& path)
{
    // Decoded once to know that it can be, then let go.
    const QImage image = decode(path);
    if (image.isNull())
        return {};
    Picture picture;
    picture.d = std::make_shared<Data>();
    picture.d->source = path;
    picture.d->size = image.size();
    picture.d->alpha = image.hasAlphaChannel();
    picture.d->handle = nextHandle();
    return picture;
}

QImage Picture::image() const
{
    if (!d)
        return {};
    return d->image.isNull() ? decode(d->source) : d->image;
}

const QPixmap& Picture::stretched(QSize size) const
{
    static const QPixmap none;
    if (!d || size.isEmpty())
        return none;
    if (d->cache.size() != size) {
        d->cache = QPixmap(); // the old size goes before the new one is made
        d->cache = QPixmap::fromImage(image().scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    }
    return d->cache;
}

} // namespace tk
