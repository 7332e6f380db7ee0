#pragma once
#include <QImage>
#include <QString>

namespace coppix {
// Reads the start screen's picture; a null image, and the reason in *error, when the file
// is missing, cannot be opened (the system's reason), is not a regular file, or is no
// picture that can be read. Of a JPEG file cut short, the part never read is transparent.
// The bytes read go to *contents, when given, to be decoded again later.
QImage loadStartPicture(const QString& file, QString* error = nullptr, QByteArray* contents = nullptr);
// The same from bytes already read (a file's content).
QImage decodeStartPicture(const QByteArray& bytes, QString* error = nullptr);
} // namespace coppix
