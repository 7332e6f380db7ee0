#include "audio/file_check.h"

#include <QFile>

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace audio {

namespace {

// Little-endian and big-endian readers on a buffer whose bounds the caller checked.
quint32 le32(const uchar* p) { return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24; }
quint16 le16(const uchar* p) { return quint16(p[0] | p[1] << 8); }
quint32 be32(const uchar* p) { return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | quint32(p[3]); }
quint16 be16(const uchar* p) { return quint16(p[0] << 8 | p[1]); }

bool tagIs(const uchar* p, const char (&tag)[5]) { return std::memcmp(p, tag, 4) == 0; }

// ---------------------------------------------------------------------------------- WAV

bool formatSdlDecodes(int tag)
{
    switch (tag) {
    case 0x0001: // PCM
    case 0x0002: // Microsoft ADPCM
    case 0x0003: // IEEE float
    case 0x0006: // A-law
    case 0x0007: // mu-law
    case 0x0011: // IMA ADPCM
    case 0xFFFE: // extensible
        return true;
    default:
        return false;
    }
}

bool fmtLooksSound(const WavInfo& w)
{
    if (!formatSdlDecodes(w.formatTag))
        return false;
    if (w.channels < 1 || w.channels > 8 || w.sampleRate < 1000 || w.sampleRate > 384000 || w.blockAlign < 1)
        return false;
    switch (w.formatTag) {
    case 0x0001:
    case 0xFFFE:
        return w.bitsPerSample == 8 || w.bitsPerSample == 16 || w.bitsPerSample == 24 || w.bitsPerSample == 32;
    case 0x0003:
        return w.bitsPerSample == 32 || w.bitsPerSample == 64;
    case 0x0006:
    case 0x0007:
        return w.bitsPerSample == 8;
    default: // ADPCM: 4 bits a sample, the block size says the rest
        return w.byteRate > 0;
    }
}

qint64 wavDurationMs(const WavInfo& w)
{
    if (w.formatTag == 0x0002 || w.formatTag == 0x0011)
        return w.dataBytes * 1000 / w.byteRate;
    const qint64 frames = w.dataBytes / w.blockAlign;
    return frames * 1000 / w.sampleRate;
}

// ---------------------------------------------------------------------------------- MIDI

// Reads a variable-length quantity: at most four bytes, so at most 0x0FFFFFFF.
bool readVarLen(const uchar* data, qint64 size, qint64& pos, quint32& value)
{
    value = 0;
    for (int i = 0; i < 4; ++i) {
        if (pos >= size)
            return false;
        const uchar b = data[pos++];
        value = value << 7 | (b & 0x7F);
        if (!(b & 0x80))
            return true;
    }
    return false; // a fifth byte would be needed
}

struct TempoChange {
    qint64 tick;
    quint32 microsPerQuarter;
};

struct SongScan {
    std::vector<TempoChange> tempos;
    std::array<std::array<quint32, 128>, 16> sounding{};  // note-ons not yet released
    qint64 events = 0;
    qint64 noteOns = 0;
    qint64 lastTick = 0;
    qint64 lastNoteOffTick = 0;
    qint64 lastNoteOnTick = 0;
};

bool scanTrack(const uchar* data, qint64 size, SongScan& scan)
{
    qint64 pos = 0;
    qint64 tick = 0;
    int running = 0; // 0: no running status
    while (pos < size) {
        quint32 delta = 0;
        if (!readVarLen(data, size, pos, delta))
            return false;
        tick += delta;
        if (pos >= size)
            return false; // a delta with no event after it
        int status = data[pos];
        if (status & 0x80)
            ++pos;
        else if (running)
            status = running;
        else
            return false;

        ++scan.events;
        scan.lastTick = std::max(scan.lastTick, tick);

        if (status < 0xF0) {
            running = status;
            const int type = status & 0xF0;
            const int length = (type == 0xC0 || type == 0xD0) ? 1 : 2;
            if (size - pos < length)
                return false;
            const uchar key = data[pos];
            const uchar value = length == 2 ? data[pos + 1] : 0;
            if ((key | value) & 0x80)
                return false;
            pos += length;
            quint32& count = scan.sounding[status & 0x0F][key];
            if (type == 0x90 && value > 0) {
                ++scan.noteOns;
                ++count;
                scan.lastNoteOnTick = std::max(scan.lastNoteOnTick, tick);
            } else if (type == 0x80 || type == 0x90) {
                if (count > 0)
                    --count;
                scan.lastNoteOffTick = std::max(scan.lastNoteOffTick, tick);
            }
        } else if (status == 0xF0 || status == 0xF7) {
            // A sysex message, or an escaped packet: a length and that many bytes.
            running = 0;
            quint32 length = 0;
            if (!readVarLen(data, size, pos, length) || size - pos < qint64(length))
                return false;
            pos += length;
        } else if (status == 0xFF) {
            running = 0;
            if (pos >= size)
                return false;
            const uchar type = data[pos++];
            if (type & 0x80)
                return false;
            quint32 length = 0;
            if (!readVarLen(data, size, pos, length) || size - pos < qint64(length))
                return false;
            if (type == 0x51 && length >= 3) {
                const quint32 tempo = quint32(data[pos]) << 16 | quint32(data[pos + 1]) << 8 | data[pos + 2];
                if (tempo > 0)
                    scan.tempos.push_back({tick, tempo});
            }
            pos += length;
            if (type == 0x2F)
                return true; // End of Track: whatever follows in the chunk is not played
        } else {
            return false; // system common and real-time messages do not occur in files
        }
    }
    return true;
}

// Milliseconds from the start of the song to a tick, through the tempo map (sorted).
qint64 tickToMs(qint64 tick, const std::vector<TempoChange>& tempos, int division)
{
    __int128 microsTimesDivision = 0;
    qint64 from = 0;
    quint32 tempo = 500000;
    for (const TempoChange& change : tempos) {
        if (change.tick >= tick)
            break;
        microsTimesDivision += __int128(change.tick - from) * tempo;
        from = change.tick;
        tempo = change.microsPerQuarter;
    }
    microsTimesDivision += __int128(tick - from) * tempo;
    return qint64(microsTimesDivision / (__int128(division) * 1000));
}

} // namespace

std::optional<WavInfo> parseWav(const QByteArray& bytes)
{
    const qint64 size = bytes.size();
    if (size < 12 || size > kMaxSoundFileBytes)
        return std::nullopt;
    const auto* data = reinterpret_cast<const uchar*>(bytes.constData());
    if (!tagIs(data, "RIFF") || !tagIs(data + 8, "WAVE"))
        return std::nullopt;

    // The RIFF length is often wrong in files written by careless tools; the chunks are
    // what count.
    WavInfo info;
    bool haveFmt = false;
    qint64 pos = 12;
    while (size - pos >= 8) {
        const uchar* header = data + pos;
        const qint64 length = le32(header + 4);
        const qint64 body = pos + 8;
        if (size - body < length)
            return std::nullopt; // the chunk runs past the end of the file
        if (tagIs(header, "fmt ")) {
            if (length < 16)
                return std::nullopt;
            const uchar* f = data + body;
            info.formatTag = le16(f);
            info.channels = le16(f + 2);
            info.sampleRate = int(le32(f + 4) & 0x7FFFFFFF);
            info.byteRate = le32(f + 8);
            info.blockAlign = le16(f + 12);
            info.bitsPerSample = le16(f + 14);
            if (!fmtLooksSound(info))
                return std::nullopt;
            haveFmt = true;
        } else if (tagIs(header, "data")) {
            // SDL looks for the format first: data ahead of fmt is not played.
            if (!haveFmt || length < info.blockAlign)
                return std::nullopt;
            info.dataBytes = length;
            info.durationMs = wavDurationMs(info);
            return info;
        }
        pos = body + length + (length & 1); // chunks are padded to an even length
    }
    return std::nullopt;
}

bool isPlayableWav(const QByteArray& bytes)
{
    return parseWav(bytes).has_value();
}

qint64 MidiInfo::soundEndMs() const
{
    return notesLeftSounding ? lastEventMs : std::max(lastNoteOffMs, lastNoteOnMs);
}

std::optional<MidiInfo> parseMidi(const QByteArray& bytes)
{
    const qint64 size = bytes.size();
    if (size < 14 || size > kMaxSoundFileBytes)
        return std::nullopt;
    const auto* data = reinterpret_cast<const uchar*>(bytes.constData());
    if (!tagIs(data, "MThd"))
        return std::nullopt;
    const qint64 headerLength = be32(data + 4);
    if (headerLength < 6 || size - 8 < headerLength)
        return std::nullopt;

    MidiInfo info;
    info.format = be16(data + 8);
    const int announcedTracks = be16(data + 10);
    const int division = be16(data + 12);
    if (info.format > 2 || announcedTracks < 1)
        return std::nullopt;
    if (division & 0x8000 || division == 0)
        return std::nullopt; // SMPTE time: FluidSynth does not play it
    info.division = division;

    SongScan scan;
    qint64 pos = 8 + headerLength;
    while (info.trackCount < announcedTracks) {
        if (size - pos < 8)
            return std::nullopt; // fewer tracks than announced
        const qint64 length = be32(data + pos + 4);
        const qint64 body = pos + 8;
        if (size - body < length)
            return std::nullopt;
        if (tagIs(data + pos, "MTrk")) {
            if (!scanTrack(data + body, length, scan))
                return std::nullopt;
            ++info.trackCount;
        }
        // Chunks of other kinds are skipped, as the format asks.
        pos = body + length;
    }

    std::stable_sort(scan.tempos.begin(), scan.tempos.end(),
                     [](const TempoChange& a, const TempoChange& b) { return a.tick < b.tick; });
    info.eventCount = scan.events;
    info.noteOnCount = scan.noteOns;
    info.tempoChanges = qint64(scan.tempos.size());
    info.lastTick = scan.lastTick;
    info.lastNoteOffMs = tickToMs(scan.lastNoteOffTick, scan.tempos, division);
    info.lastNoteOnMs = tickToMs(scan.lastNoteOnTick, scan.tempos, division);
    info.lastEventMs = tickToMs(scan.lastTick, scan.tempos, division);
    for (const auto& channel : scan.sounding)
        for (quint32 count : channel)
            info.notesLeftSounding = info.notesLeftSounding || count > 0;
    return info;
}

bool isPlayableMidi(const QByteArray& bytes)
{
    const std::optional<MidiInfo> info = parseMidi(bytes);
    return info && info->noteOnCount > 0;
}

SoundKind playableKind(const QByteArray& bytes)
{
    if (bytes.startsWith("RIFF"))
        return isPlayableWav(bytes) ? SoundKind::Wav : SoundKind::None;
    if (bytes.startsWith("MThd"))
        return isPlayableMidi(bytes) ? SoundKind::Midi : SoundKind::None;
    return SoundKind::None;
}

QByteArray readSoundFile(const QString& path)
{
    // Opened without waiting, and read only if what was opened is a regular file: opening a
    // FIFO or a device blindly could block for ever, and a check by name before the open
    // would leave room for the file to be swapped in between.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return {};
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return {};
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= 0 || info.st_size > kMaxSoundFileBytes)
        return {};
    QByteArray bytes = file.read(kMaxSoundFileBytes + 1);
    if (bytes.size() > kMaxSoundFileBytes)
        return {};
    return bytes;
}

} // namespace audio
