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
} // namespace

Picture::Picture(QImage image)
{
    if (image.isNull())
        return;
    d = std::make_shared<Data>();
    d->image = std::move(image);
    d->handle = nextHandle();
}

Picture Picture::load(const QString& path)
{
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    QImage image = reader.read();
    return Picture(std::move(image));
}

const QImage& Picture::image() const
{
    static const QImage none;
    return d ? d->image : none;
}

const QPixmap& Picture::stretched(QSize size) const
{
    static const QPixmap none;
    if (!d || size.isEmpty())
        return none;
    if (d->cache.size() != size) {
        d->cache = QPixmap::fromImage(
            d->image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    }
    return d->cache;
}

} // namespace tk
