#pragma once
#include <QImage>
#include <QPixmap>
#include <QString>
#include <cstdint>
#include <memory>

namespace tk {

// A picture object. Copies share the one object: two controls showing the same
// Picture show one object, and handle() tells objects apart.
//
// A picture read from a file keeps only its file name, not its pixels: it is decoded
// again whenever it is drawn at a new size, and what is kept is the copy stretched to the
// size it is drawn at. The card faces are drawn far smaller than some of them are stored
// (800 x 600 decodes to nearly 2 MB), and the faces of the library that are not on the
// table cost nothing.
class Picture {
public:
    Picture() = default;
    explicit Picture(QImage image);
    // Reads a JPEG or BMP file (or a resource); a null Picture when it cannot be read.
    static Picture load(const QString& path);

    bool isNull() const { return !d; }
    // Identifies the picture object: equal for copies, different for any two objects, 0 for none.
    std::int32_t handle() const { return d ? d->handle : 0; }
    QSize size() const { return d ? d->size : QSize(); }
    bool hasAlphaChannel() const { return d && d->alpha; }
    // The picture at its own size, decoded again for a picture read from a file.
    QImage image() const;
    // The picture stretched to the given size; the last size asked for is kept.
    const QPixmap& stretched(QSize size) const;

private:
    struct Data {
        QImage image;    // null for a picture read from a file
        QString source;  // ... which is read again from here
        QSize size;
        bool alpha = false;
        std::int32_t handle = 0;
        mutable QPixmap cache;
    };
    std::shared_ptr<Data> d;
};

} // namespace tk
