// Fuzzes how the start screen reads its picture (start/start_picture.h): any bytes, read
// as a picture of any format Qt knows by content, as "dabrel coppix.jpg" is.
//
// Besides surviving any bytes under ASan and UBSan: a picture that is not shown comes
// with a reason, a picture that is shown is within the size the reader allows, and
// reading the same bytes twice gives a picture of the same size and format.
#include "start/start_picture.h"

#include <QBuffer>
#include <QByteArray>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>

namespace {

// The limit start_picture.cpp refuses above, before decoding.
constexpr qint64 kMaxPixels = 64 * 1024 * 1024;
// Pictures up to this size (and refusals) are read a second time.
constexpr qint64 kReadTwicePixels = 4 * 1024 * 1024;

void require(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "fuzz_start_picture: property violated: %s\n", what);
        std::abort();
    }
}

// The decoders' complaints about broken files ("Corrupt JPEG data", libpng warnings)
// would otherwise fill the log and slow every run down.
void quiet(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "%s\n", qPrintable(message));
        std::abort();
    }
}

// The decoders are Qt's, built without the fuzzer's coverage: left alone, libFuzzer would
// see the same few branches of start_picture.cpp for every input. Each outcome -- the
// format the content says, read or refused and why, the pixel format, the size -- sets a
// counter of its own in libFuzzer's extra counters, which it counts as coverage: an input
// reaching a new outcome is kept and mutated further.
enum Outcome { FormatAndResult, PixelFormat, WidthBits, HeightBits, OutcomeKinds };
[[gnu::section("__libfuzzer_extra_counters"), gnu::used]] uint8_t outcomes[OutcomeKinds][128];

void reach(Outcome kind, int bucket)
{
    outcomes[kind][bucket & 127] = 1;
}

int formatBucket(const QByteArray& bytes)
{
    static const QByteArray formats[] = {"bmp", "cur", "gif", "ico", "jpeg", "jpg", "pbm", "pgm", "png", "ppm", "xbm", "xpm"};
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    const QByteArray format = QImageReader::imageFormat(&buffer);
    for (int i = 0; i < int(std::size(formats)); ++i)
        if (format == formats[i])
            return i + 1;
    return 0;
}

void steer(const QByteArray& bytes, const QImage& picture, const QString& error)
{
    // Refusals are told apart by their reason.
    const int result = picture.isNull() ? 1 + int(qHash(error) % 7) : 0;
    reach(FormatAndResult, formatBucket(bytes) * 8 + result);
    if (!picture.isNull()) {
        reach(PixelFormat, int(picture.format()));
        reach(WidthBits, 32 - __builtin_clz(quint32(picture.width())));
        reach(HeightBits, 32 - __builtin_clz(quint32(picture.height())));
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // The game reads the picture inside its QApplication; a QGuiApplication on the
    // offscreen platform gives the readers the same surroundings without a display.
    // Qt gets arguments of its own: libFuzzer's are not for it to parse or remove.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quiet);
    static int argc = 1;
    static char name[] = "fuzz_start_picture";
    static char* argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));

    QString error;
    const QImage picture = coppix::decodeStartPicture(bytes, &error);
    if (picture.isNull()) {
        require(!error.isEmpty(), "a picture refused with no reason");
    } else {
        require(error.isEmpty(), "a reason given for a picture that was read");
        require(picture.width() > 0 && picture.height() > 0, "a picture with no pixels");
        require(qint64(picture.width()) * picture.height() <= kMaxPixels, "a picture over the size limit was read");
    }

    // The same bytes again, without asking for the reason (a large picture only once: it
    // takes long enough as it is). Only the outcome, size and format are compared, not the
    // pixels: Qt's BMP reader leaves the rows a cut-off file lacks as it found the memory.
    if (qint64(picture.width()) * picture.height() <= kReadTwicePixels) {
        const QImage again = coppix::decodeStartPicture(bytes);
        require(again.isNull() == picture.isNull(), "the same bytes read once and refused once");
        require(again.size() == picture.size() && again.format() == picture.format(),
                "the same bytes read as two pictures of different size or format");
    }

    steer(bytes, picture, error);
    return 0;
}
