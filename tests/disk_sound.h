#pragma once
// Sound as SDL's "disk" driver writes it: the mixed output goes to a file, in real time, as
// raw signed 16-bit little-endian samples, the two channels of a frame one after the other,
// 44 100 frames a second. The tests choose that driver before anything opens the sound
// output, and read the loudest sample of what came out.
#include <QByteArray>
#include <QFile>
#include <QProcessEnvironment>
#include <QString>
#include <QtEndian>

#include <algorithm>
#include <cstdlib>

namespace disksound {

constexpr int kFrameBytes = 4;
constexpr int kBytesPerSecond = 44100 * kFrameBytes;

// This process's sound goes to the file (chosen when the first sound device opens).
inline void writeSoundTo(const QString& file)
{
    qputenv("SDL_AUDIODRIVER", "disk");
    qputenv("SDL_DISKAUDIOFILE", QFile::encodeName(file));
}
// A program started with this environment writes its sound to the file.
inline void writeSoundTo(QProcessEnvironment& env, const QString& file)
{
    env.insert(QStringLiteral("SDL_AUDIODRIVER"), QStringLiteral("disk"));
    env.insert(QStringLiteral("SDL_DISKAUDIOFILE"), file);
}

// The loudest sample in the bytes of raw output from the byte given on, so many of them (all
// the rest with a negative length); 0 when there are none.
inline int loudestSample(const QByteArray& raw, qsizetype from = 0, qsizetype length = -1)
{
    from = std::max<qsizetype>(from, 0);
    const qsizetype end = length < 0 ? raw.size() : std::min(raw.size(), from + length);
    int peak = 0;
    for (qsizetype i = from; i + 1 < end; i += 2)
        peak = std::max(peak, std::abs(int(qFromLittleEndian<qint16>(raw.constData() + i))));
    return peak;
}

// The same in a sound file, from the frame that holds the byte given; -1 when the file
// cannot be read.
inline int loudestSampleIn(const QString& file, qint64 from = 0, qint64 length = -1)
{
    QFile out(file);
    if (!out.open(QIODevice::ReadOnly) || !out.seek(std::max<qint64>(from, 0) / kFrameBytes * kFrameBytes))
        return -1;
    return loudestSample(length < 0 ? out.readAll() : out.read(length));
}

} // namespace disksound
