#pragma once
// Checks on the bytes of a sound file before it goes anywhere near SDL_mixer.
//
// FluidSynth happily "plays" an empty or garbage .mid (the song just ends at once) and a
// chain of songs would spin on it, so a file is only opened once it has been read and
// found to be a real WAV or a real Standard MIDI File with notes in it.
//
// Everything here is a pure function of a byte buffer: safe on any input (every read is
// bounds checked, nothing is trusted), linear in the size of the buffer, and it never
// allocates more than a small multiple of the input.
#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <optional>

namespace audio {

// The largest sound file the game reads. The card sound is 26 KB and a song a few tens of
// KB; anything bigger is not one of ours. The parsers refuse larger buffers as well.
inline constexpr qsizetype kMaxSoundFileBytes = 4 * 1024 * 1024;

struct WavInfo {
    int formatTag = 0;       // 1 = PCM, 3 = float, 0xFFFE = extensible, ...
    int channels = 0;
    int sampleRate = 0;
    int bitsPerSample = 0;
    int blockAlign = 0;
    qint64 byteRate = 0;
    qint64 dataBytes = 0;    // size of the data chunk
    qint64 durationMs = 0;   // length of the sound
};

// A RIFF/WAVE file with a usable fmt chunk followed by a data chunk that is non-empty and
// complete. Formats SDL cannot decode are refused.
std::optional<WavInfo> parseWav(const QByteArray& bytes);
bool isPlayableWav(const QByteArray& bytes);

struct MidiInfo {
    int format = 0;            // 0, 1 or 2
    int trackCount = 0;        // MTrk chunks read (the count the header announces)
    int division = 0;          // ticks per quarter note
    qint64 eventCount = 0;     // every event in every track, End of Track included
    qint64 noteOnCount = 0;    // note-ons with a velocity above 0
    qint64 tempoChanges = 0;   // Set Tempo meta events
    qint64 lastTick = 0;       // tick of the last event (the longest track's end)
    qint64 lastNoteOffMs = 0;  // time of the last note release (note-off or note-on 0)
    qint64 lastNoteOnMs = 0;   // time of the last note start
    qint64 lastEventMs = 0;    // time of the last event
    bool notesLeftSounding = false;  // some note is never released

    // When the last note stops: its release, or the end of the song if a note is never
    // released (the player silences it when the song ends).
    qint64 soundEndMs() const;
};

// Reads a Standard MIDI File event by event. Tracks play together (format 2 as well,
// which is how FluidSynth plays it); tempo changes in any track apply to all of them;
// times are computed with the tempo map, 500000 us per quarter until the first change.
// Refused: a bad header, SMPTE time division, a track or an event running past the end of
// its chunk, a variable-length quantity of more than four bytes, a data byte with its top
// bit set, running status with no status to run, system messages that cannot occur in a
// file, fewer track chunks than the header announces.
std::optional<MidiInfo> parseMidi(const QByteArray& bytes);
// A MIDI file that parses and has at least one note to play.
bool isPlayableMidi(const QByteArray& bytes);

enum class SoundKind { None, Wav, Midi };
// What the bytes are, if they are playable at all.
SoundKind playableKind(const QByteArray& bytes);

// Reads a sound file whole. Nothing (an empty array) for a file that is missing, not a
// regular file, unreadable, empty or larger than kMaxSoundFileBytes.
QByteArray readSoundFile(const QString& path);

} // namespace audio
