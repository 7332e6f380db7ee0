#pragma once
#include <QImage>
#include <QPixmap>
#include <QString>
#include <cstdint>
#include <memory>

namespace tk {

// A picture object. Copies share the one object: two controls showing the same
// Picture show one object, and handle() tells objects apart.
class Picture {
public:
    Picture() = default;
    explicit Picture(QImage image);
    // Reads a JPEG or BMP file (or a resource); a null Picture when it cannot be read.
    static Picture load(const QString& path);

    bool isNull() const { return !d; }
    // Identifies the picture object: equal for copies, different for any two objects, 0 for none.
    std::int32_t handle() const { return d ? d->handle : 0; }
    QSize size() const { return d ? d->image.size() : QSize(); }
    const QImage& image() const;
    // The picture stretched to the given size; the last size asked for is kept.
    const QPixmap& stretched(QSize size) const;

private:
    struct Data {
        QImage image;
        std::int32_t handle = 0;
        mutable QPixmap cache;
    };
    std::shared_ptr<Data> d;
};

} // namespace tk
