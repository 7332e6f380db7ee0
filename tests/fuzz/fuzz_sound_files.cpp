// Fuzzes the checks a sound file passes before it is opened (audio/file_check.h).
//
// Besides surviving any bytes under ASan and UBSan, the answers must agree with each
// other and make sense: a violated property prints what was wrong and aborts, which
// libFuzzer reports as a crash with the input saved.
#include "audio/file_check.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace {

void fail(const char* what, const char* detail = "")
{
    std::fprintf(stderr, "fuzz_sound_files: property violated: %s %s\n", what, detail);
    std::abort();
}

void require(bool ok, const char* what) { if (!ok) fail(what); }

bool same(const audio::MidiInfo& a, const audio::MidiInfo& b)
{
    return a.format == b.format && a.trackCount == b.trackCount && a.division == b.division
           && a.eventCount == b.eventCount && a.noteOnCount == b.noteOnCount && a.tempoChanges == b.tempoChanges
           && a.lastTick == b.lastTick && a.lastNoteOffMs == b.lastNoteOffMs && a.lastNoteOnMs == b.lastNoteOnMs
           && a.lastEventMs == b.lastEventMs && a.notesLeftSounding == b.notesLeftSounding;
}

bool same(const audio::WavInfo& a, const audio::WavInfo& b)
{
    return a.formatTag == b.formatTag && a.channels == b.channels && a.sampleRate == b.sampleRate
           && a.bitsPerSample == b.bitsPerSample && a.blockAlign == b.blockAlign && a.byteRate == b.byteRate
           && a.dataBytes == b.dataBytes && a.durationMs == b.durationMs;
}

template <typename Info>
bool same(const std::optional<Info>& a, const std::optional<Info>& b)
{
    return a.has_value() == b.has_value() && (!a || same(*a, *b));
}

quint16 be16At(const QByteArray& bytes, int at)
{
    return quint16(uchar(bytes[at]) << 8 | uchar(bytes[at + 1]));
}

// Milliseconds of `ticks` at a constant tempo, as the parser must compute them.
qint64 msAtTempo(qint64 ticks, qint64 microsPerQuarter, int division)
{
    return qint64(__int128(ticks) * microsPerQuarter / (__int128(division) * 1000));
}

void checkMidi(const QByteArray& bytes, const audio::MidiInfo& m)
{
    const qint64 size = bytes.size();
    require(bytes.startsWith("MThd"), "MIDI accepted without MThd");
    require(m.format >= 0 && m.format <= 2, "MIDI format out of 0..2");
    require(m.division >= 1 && m.division <= 0x7FFF, "MIDI division is not ticks per quarter");
    require(m.division == be16At(bytes, 12), "MIDI division differs from the header's");
    require(m.trackCount >= 1 && m.trackCount == be16At(bytes, 10), "MIDI track count differs from the header's");

    // Every event takes at least two bytes (a delta and a data byte under running
    // status), a note-on at least three; every track chunk at least eight.
    require(m.eventCount >= 0 && m.noteOnCount >= 0 && m.tempoChanges >= 0, "MIDI negative count");
    require(m.eventCount * 2 <= size && m.noteOnCount * 3 <= size, "MIDI more events than bytes allow");
    require(qint64(m.trackCount) * 8 + 14 <= size, "MIDI more tracks than bytes allow");
    require(m.noteOnCount <= m.eventCount && m.tempoChanges <= m.eventCount, "MIDI parts exceed the events");
    require(m.noteOnCount > 0 || !m.notesLeftSounding, "MIDI note left sounding with no note-on");

    // Ticks: at most 0x0FFFFFFF a delta.
    require(m.lastTick >= 0 && m.lastTick <= m.eventCount * 0x0FFFFFFF, "MIDI last tick out of range");

    // Times: non-negative, ordered, and within the slowest and fastest tempo a file can
    // set; with no tempo change, exactly the default 120 bpm.
    for (qint64 ms : {m.lastNoteOffMs, m.lastNoteOnMs, m.lastEventMs, m.soundEndMs()})
        require(ms >= 0, "MIDI negative time");
    require(m.lastNoteOffMs <= m.lastEventMs && m.lastNoteOnMs <= m.lastEventMs,
            "MIDI a note after the last event");
    require(m.soundEndMs() <= m.lastEventMs, "MIDI sound ends after the last event");
    require(m.lastEventMs <= msAtTempo(m.lastTick, 0xFFFFFF, m.division), "MIDI time beyond the slowest tempo");
    if (m.tempoChanges == 0)
        require(m.lastEventMs == msAtTempo(m.lastTick, 500000, m.division), "MIDI time at the default tempo");
}

void checkWav(const QByteArray& bytes, const audio::WavInfo& w)
{
    const qint64 size = bytes.size();
    require(bytes.startsWith("RIFF") && bytes.mid(8, 4) == "WAVE", "WAV accepted without RIFF/WAVE");
    switch (w.formatTag) {
    case 0x0001:
    case 0xFFFE:
        require(w.bitsPerSample == 8 || w.bitsPerSample == 16 || w.bitsPerSample == 24 || w.bitsPerSample == 32,
                "WAV PCM sample size");
        break;
    case 0x0003:
        require(w.bitsPerSample == 32 || w.bitsPerSample == 64, "WAV float sample size");
        break;
    case 0x0006:
    case 0x0007:
        require(w.bitsPerSample == 8, "WAV A-law/mu-law sample size");
        break;
    case 0x0002:
    case 0x0011:
        require(w.byteRate > 0, "WAV ADPCM with no byte rate");
        break;
    default:
        fail("WAV format SDL does not decode");
    }
    require(w.channels >= 1 && w.channels <= 8, "WAV channel count");
    require(w.sampleRate >= 1000 && w.sampleRate <= 384000, "WAV sample rate");
    require(w.blockAlign >= 1, "WAV block align");
    // RIFF header, fmt chunk and data chunk header: 44 bytes at least besides the data.
    require(w.dataBytes >= w.blockAlign && w.dataBytes + 44 <= size, "WAV data size out of the file");
    // At least 1000 samples a second and a byte a frame: never longer than a second a byte.
    require(w.durationMs >= 0 && w.durationMs <= w.dataBytes * 1000, "WAV duration out of range");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // libFuzzer hands over a buffer of exactly `size` bytes and fromRawData does not copy:
    // any read past the end is an ASan report.
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));

    const std::optional<audio::MidiInfo> midi = audio::parseMidi(bytes);
    const std::optional<audio::WavInfo> wav = audio::parseWav(bytes);
    const bool playableMidi = audio::isPlayableMidi(bytes);
    const bool playableWav = audio::isPlayableWav(bytes);
    const audio::SoundKind kind = audio::playableKind(bytes);

    require(same(midi, audio::parseMidi(bytes)), "parseMidi differs between two calls");
    require(same(wav, audio::parseWav(bytes)), "parseWav differs between two calls");
    require(playableMidi == (midi && midi->noteOnCount > 0), "isPlayableMidi disagrees with parseMidi");
    require(playableWav == wav.has_value(), "isPlayableWav disagrees with parseWav");
    require(!(midi && wav), "both a MIDI and a WAV");
    require((kind == audio::SoundKind::Midi) == playableMidi, "playableKind disagrees with isPlayableMidi");
    require((kind == audio::SoundKind::Wav) == playableWav, "playableKind disagrees with isPlayableWav");

    if (midi)
        checkMidi(bytes, *midi);
    if (wav)
        checkWav(bytes, *wav);

    // A file that is accepted was read to its end: the parsers stop after the announced
    // tracks and at the data chunk, so whatever follows cannot change the answer.
    if ((midi || wav) && bytes.size() + 20 <= audio::kMaxSoundFileBytes) {
        QByteArray longer(bytes.constData(), bytes.size());
        longer.append("MTrk\x00\x00\x00\x02\x00\x90 data\xff\xff\xff\xff", 20);
        require(same(midi, audio::parseMidi(longer)), "bytes after a MIDI change its reading");
        require(same(wav, audio::parseWav(longer)), "bytes after a WAV change its reading");
        require(audio::playableKind(longer) == kind, "bytes after a sound file change its kind");
    }
    return 0;
}
