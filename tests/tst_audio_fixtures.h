#pragma once
// Sound files made on the spot for the audio tests: small Standard MIDI Files built event
// by event, and short WAVs of a sine tone; the folder they lie in, and the preamble of
// most audio tests (a device, a spy on its Done, its file, "open").
#include "audio/media_device.h"

#include <QByteArray>
#include <QFile>
#include <QSignalSpy>
#include <QString>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <cmath>
#include <initializer_list>

namespace fixtures {

inline QByteArray bigEndian(quint32 value, int bytes)
{
    QByteArray out;
    for (int i = bytes - 1; i >= 0; --i)
        out.append(char((value >> (8 * i)) & 0xFF));
    return out;
}

inline QByteArray littleEndian(quint32 value, int bytes)
{
    QByteArray out;
    for (int i = 0; i < bytes; ++i)
        out.append(char((value >> (8 * i)) & 0xFF));
    return out;
}

// A MIDI variable-length quantity.
inline QByteArray varLen(quint32 value)
{
    QByteArray out(1, char(value & 0x7F));
    while (value >>= 7)
        out.prepend(char(0x80 | (value & 0x7F)));
    return out;
}

inline QByteArray bytes(std::initializer_list<int> list)
{
    QByteArray out;
    for (int b : list)
        out.append(char(b));
    return out;
}

// One event: its delta time, then its bytes as given.
inline QByteArray midiEvent(quint32 delta, std::initializer_list<int> data)
{
    return varLen(delta) + bytes(data);
}

inline QByteArray noteOn(quint32 delta, int key, int velocity = 100, int channel = 0)
{
    return midiEvent(delta, {0x90 | channel, key, velocity});
}

inline QByteArray noteOff(quint32 delta, int key, int channel = 0)
{
    return midiEvent(delta, {0x80 | channel, key, 64});
}

inline QByteArray setTempo(quint32 delta, quint32 microsPerQuarter)
{
    return midiEvent(delta, {0xFF, 0x51, 0x03, int(microsPerQuarter >> 16) & 0xFF, int(microsPerQuarter >> 8) & 0xFF,
                         int(microsPerQuarter) & 0xFF});
}

inline QByteArray endOfTrack(quint32 delta = 0)
{
    return midiEvent(delta, {0xFF, 0x2F, 0x00});
}

inline QByteArray midiHeader(int format, int tracks, int division, int length = 6)
{
    return QByteArray("MThd") + bigEndian(quint32(length), 4) + bigEndian(quint32(format), 2)
           + bigEndian(quint32(tracks), 2) + bigEndian(quint32(division), 2) + QByteArray(qMax(0, length - 6), '\0');
}

inline QByteArray chunk(const char* tag, const QByteArray& body)
{
    return QByteArray(tag, 4) + bigEndian(quint32(body.size()), 4) + body;
}

inline QByteArray track(const QByteArray& events)
{
    return chunk("MTrk", events);
}

// 480 ticks a quarter note at the default 120 beats a minute: 480 ticks = 500 ms.
constexpr int kDivision = 480;
inline quint32 ticksFor(int ms)
{
    return quint32(ms * kDivision / 500);
}

// A piano note of noteMs, middle C, loud enough to hear.
inline QByteArray oneNoteSong(int noteMs)
{
    return midiHeader(0, 1, kDivision)
           + track(midiEvent(0, {0xC0, 0}) + noteOn(0, 60, 110) + noteOff(ticksFor(noteMs), 60) + endOfTrack());
}

// Two notes one after the other, in a format 1 file whose tempo lives in the first track.
inline QByteArray twoNoteSong(int eachMs)
{
    return midiHeader(1, 2, kDivision) + track(setTempo(0, 500000) + endOfTrack())
           + track(midiEvent(0, {0xC0, 0}) + noteOn(0, 64, 110) + noteOff(ticksFor(eachMs), 64) + noteOn(0, 67, 110)
                   + noteOff(ticksFor(eachMs), 67) + endOfTrack());
}

// A song with names and a tempo but no note at all.
inline QByteArray metaOnlySong()
{
    return midiHeader(0, 1, kDivision)
           + track(midiEvent(0, {0xFF, 0x03, 0x04, 'S', 'o', 'n', 'g'}) + setTempo(0, 600000) + endOfTrack(960));
}

// A WAV: fmt and data chunks, 16-bit PCM.
inline QByteArray wavFile(const QByteArray& samples, int rate = 22050, int channels = 1)
{
    QByteArray fmt = littleEndian(1, 2) + littleEndian(quint32(channels), 2) + littleEndian(quint32(rate), 4)
                     + littleEndian(quint32(rate * channels * 2), 4) + littleEndian(quint32(channels * 2), 2)
                     + littleEndian(16, 2);
    QByteArray body = QByteArray("WAVE") + "fmt " + littleEndian(quint32(fmt.size()), 4) + fmt + "data"
                      + littleEndian(quint32(samples.size()), 4) + samples;
    if (samples.size() & 1)
        body.append('\0');
    return QByteArray("RIFF") + littleEndian(quint32(body.size()), 4) + body;
}

// A 440 Hz tone of ms, mono, at about a third of full scale.
inline QByteArray toneSamples(int ms, int rate = 22050)
{
    const int frames = rate * ms / 1000;
    QByteArray samples;
    samples.reserve(frames * 2);
    for (int i = 0; i < frames; ++i) {
        const auto value = qint16(std::lround(11000.0 * std::sin(2.0 * M_PI * 440.0 * i / rate)));
        samples.append(littleEndian(quint16(value), 2));
    }
    return samples;
}

inline QByteArray toneWav(int ms, int rate = 22050)
{
    return wavFile(toneSamples(ms, rate), rate);
}

inline bool writeFile(const QString& path, const QByteArray& data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(data) == data.size();
}

// A data function's rows: a column "name", with the card sound ("WAV": card.wav) and a
// song ("song": song.mid).
inline void addWavAndSongRows()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("WAV") << "card.wav";
    QTest::newRow("song") << "song.mid";
}

// A media device opened on a file, with a spy on its Done set before anything was sent.
// Its members bind by name: auto&& [device, done] = folder.open("song.mid");
struct OpenedDevice {
    explicit OpenedDevice(const QString& path)
    {
        device.setFileName(path);
        device.setCommand(QStringLiteral("open"));
    }
    audio::MediaDevice device;
    QSignalSpy done{&device, &audio::MediaDevice::Done};
};

// The temporary folder of a test program's sound files.
class SoundFolder {
public:
    bool isValid() const { return m_dir.isValid(); }
    QString path() const { return m_dir.path(); }
    QString file(const QString& name) const { return m_dir.filePath(name); }
    QString file(const char* name) const { return file(QString::fromLatin1(name)); }
    bool write(const char* name, const QByteArray& data) const { return writeFile(file(name), data); }
    // A device opened on one of the files (which need not exist: it then stays closed).
    OpenedDevice open(const QString& name) const { return OpenedDevice(file(name)); }
    OpenedDevice open(const char* name) const { return OpenedDevice(file(name)); }

private:
    QTemporaryDir m_dir;
};

} // namespace fixtures
