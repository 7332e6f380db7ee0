#pragma once
// A media device: plays one sound file, a WAV (the card sound) or a MIDI song, driven the
// way the game drives it: set the file name, then send command words ("open", "play",
// "close", also "pause" and "stop"); Done(NotifySuccessful), that is Done(1), comes when a
// play has run to its end (audio/notify_code.h names the codes).
//
// Behaviour the game relies on:
// - Commands return at once. Nothing here ever waits for a sound: a song is loaded on a
//   worker thread (FluidSynth takes 26-100 ms to read its soundfont) and a "play" sent
//   meanwhile starts the song as soon as it is loaded; mode() already says Playing.
// - The kind of a file is decided by its contents, not its name. A file that is missing,
//   empty, unreadable, garbage, truncated, or a MIDI file without a single note, is not
//   opened: the device stays closed, and nothing is reported.
// - Done(1) is delivered on the GUI thread, from the event loop (never from inside a
//   command), and only for a play that ran to its end. A play cut short by "close",
//   "stop", another "open", a restart (rewind, then "play"), or by another device taking
//   the music over reports nothing at all.
// - A song's end is known from the file (its last note-off) and is reported, and the song
//   halted, kMidiReleaseMs after it, as counted in frames the mixer has mixed of the song
//   (not by the wall clock: an output that runs behind real time would lose the last
//   chord): FluidSynth itself only notices the end when the last voices have died away,
//   seconds later. Whichever of the two ends comes first counts, once. A song that plays
//   without the mixer (no audio, or a song SDL_mixer would not take) ends by the clock.
// - A play that ran to its end leaves the device stopped at the beginning, so the next
//   "play" plays the whole sound again.
// - SDL_mixer has a single music stream: one device at a time holds a song. A device that
//   opens a song takes the stream from the one that held it, which is closed.
// - With no audio output at all (see AudioSystem) files still open and plays still end,
//   silently, by the clock, and report Done(1) at their natural end.
#include "audio/notify_code.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

struct Mix_Chunk;
struct _Mix_Music;

namespace audio {

class MediaDevice : public QObject {
    Q_OBJECT
public:
    // How long after a song's last note-off its end is reported and the song halted: the
    // time for the last notes to fade.
    static constexpr int kMidiReleaseMs = 300;

    explicit MediaDevice(QObject* parent = nullptr);
    ~MediaDevice() override;  // closes the device

    // The file the next "open" uses; kept across a close.
    void setFileName(const QString& path);
    QString fileName() const { return m_fileName; }

    // "open", "play", "close", "pause", "stop", in any letter case; other words do
    // nothing. "play" with nothing open does nothing.
    void setCommand(const QString& word);

    // The start position of the next play. Only 0 means something: rewind, so that the
    // next "play" starts at the beginning (restarting a play under way, which is cut
    // short). A play under way goes on. Other positions are ignored.
    void setFrom(qint32 position);

    // The wait flag: on Windows the next command would not return until it completed.
    // Here it is taken and cleared by the next command, which still returns at once: a
    // "play" that waited for the end of the sound would freeze the game for its length.
    // Completion is seen through Done and mode().
    void setWait(bool wait);
    // Kept for the game's settings; position updates are not sent.
    void setUpdateInterval(qint32 ms);

    enum class Mode { Closed, Stopped, Playing, Paused };
    Q_ENUM(Mode)
    Mode mode() const { return m_mode; }
    // The file actually opened (after the case-insensitive lookup); empty when closed.
    QString openedFile() const { return m_openedFile; }

signals:
    void Done(int NotifyCode);
    // The mode has changed (a control strip follows it), at once, from inside the command.
    void modeChanged(audio::MediaDevice::Mode mode);

private:
    friend class AudioSystem;
    enum class Kind { None, Wav, Midi };

    void open();
    void play();
    void pause();
    void stop();
    void close();

    void beginSound();  // starts the current play from the beginning
    void resumeSound();
    void haltSound();   // ends the current play, cut short; the position goes back to 0
    void finishNaturally();
    void armEndTimer();
    qint64 positionMs() const;
    void setMode(Mode mode);

    // Called by AudioSystem on the GUI thread.
    void musicFinishedInMixer();
    void musicMixedToItsEnd(quint64 play);
    void channelFinishedInMixer();
    void musicLoaded(quint64 ticket, _Mix_Music* music);

    QString m_fileName;
    QString m_openedFile;
    Mode m_mode = Mode::Closed;
    Kind m_kind = Kind::None;
    qint64 m_lengthMs = 0;  // where the play ends, from the start of the file

    Mix_Chunk* m_chunk = nullptr;
    _Mix_Music* m_music = nullptr;
    int m_channel = -1;        // the mixer channel of this device, taken at its first WAV
    quint64 m_loadTicket = 0;  // the song being loaded for this device, 0: none

    // The current play. Every play that starts or is cut short takes a new generation, and
    // a timer that fires for an older one is ignored.
    quint64 m_playGeneration = 0;
    quint64 m_timerGeneration = 0;
    bool m_soundStarted = false;  // the play has begun (in the mixer, or on the clock alone)
    bool m_inMixer = false;       // ... and SDL_mixer is playing it
    bool m_rewind = false;        // the next play starts at the beginning
    qint64 m_playedMs = 0;        // position when the clock last stopped
    QElapsedTimer m_clock;        // runs while the sound plays
    QTimer m_endTimer;            // the end of a play outside the mixer

    bool m_wait = false;
    qint32 m_updateInterval = 0;
};

} // namespace audio
