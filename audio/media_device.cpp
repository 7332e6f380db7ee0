#include "audio/media_device.h"

#include "audio/audio_system.h"
#include "audio/file_check.h"
#include "audio/file_lookup.h"

#include <SDL_mixer.h>

#include <algorithm>
#include <climits>

namespace audio {

MediaDevice::MediaDevice(QObject* parent) : QObject(parent)
{
    m_endTimer.setSingleShot(true);
    m_endTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_endTimer, &QTimer::timeout, this, [this] {
        if (m_timerGeneration == m_playGeneration && m_mode == Mode::Playing)
            finishNaturally();
    });
    // Registering touches no sound hardware: that waits for the first open.
    AudioSystem::instance().attach(this);
}

MediaDevice::~MediaDevice()
{
    close();
    AudioSystem::instance().detach(this);
}

void MediaDevice::setFileName(const QString& path)
{
    m_fileName = path;
}

void MediaDevice::setCommand(const QString& word)
{
    m_wait = false;  // the wait flag lasts one command, and no command waits
    const QString command = word.trimmed().toLower();
    if (command == QLatin1String("open"))
        open();
    else if (command == QLatin1String("play"))
        play();
    else if (command == QLatin1String("close"))
        close();
    else if (command == QLatin1String("pause"))
        pause();
    else if (command == QLatin1String("stop"))
        stop();
}

void MediaDevice::setFrom(qint32 position)
{
    if (position == 0 && m_mode != Mode::Closed)
        m_rewind = true;
}

void MediaDevice::setWait(bool wait)
{
    m_wait = wait;
}

void MediaDevice::setUpdateInterval(qint32 ms)
{
    m_updateInterval = ms;
}

// ------------------------------------------------------------------------------- commands

void MediaDevice::open()
{
    close();
    const QString path = findFileIgnoringCase(m_fileName);
    if (path.isEmpty())
        return;
    const QByteArray bytes = readSoundFile(path);
    AudioSystem& system = AudioSystem::instance();

    if (bytes.startsWith("RIFF")) {
        const std::optional<WavInfo> wav = parseWav(bytes);
        if (!wav)
            return;
        system.start();
        if (system.started()) {
            if (m_channel < 0)
                m_channel = system.takeChannel(this);
            SDL_RWops* source = SDL_RWFromConstMem(bytes.constData(), int(bytes.size()));
            m_chunk = source ? Mix_LoadWAV_RW(source, 1) : nullptr;
            if (!m_chunk)
                return;  // a format SDL does not decode after all
        }
        m_kind = Kind::Wav;
        m_lengthMs = wav->durationMs;
    } else if (bytes.startsWith("MThd")) {
        const std::optional<MidiInfo> midi = parseMidi(bytes);
        if (!midi || midi->noteOnCount == 0)
            return;
        system.start();
        system.claimMusic(this);
        m_loadTicket = system.loadMusic(this, bytes);
        m_kind = Kind::Midi;
        m_lengthMs = midi->soundEndMs() + kMidiReleaseMs;
    } else {
        return;
    }
    m_openedFile = path;
    setMode(Mode::Stopped);
}

void MediaDevice::play()
{
    if (m_mode == Mode::Closed)
        return;
    if (m_rewind) {
        m_rewind = false;
        haltSound();  // a play under way is cut short and starts again
    }
    if (m_mode == Mode::Playing && m_soundStarted)
        return;  // plays on
    setMode(Mode::Playing);
    if (m_soundStarted)
        resumeSound();
    else
        beginSound();
}

void MediaDevice::pause()
{
    if (m_mode != Mode::Playing)
        return;
    if (m_soundStarted) {
        m_endTimer.stop();
        m_playedMs = positionMs();
        m_clock.invalidate();
        if (m_inMixer) {
            if (m_kind == Kind::Wav) {
                Mix_Pause(m_channel);
            } else {
                AudioSystem::instance().countMusic(false);  // a paused song does not advance
                Mix_PauseMusic();
            }
        }
    }
    setMode(Mode::Paused);
}

void MediaDevice::stop()
{
    if (m_mode == Mode::Closed)
        return;
    haltSound();
    m_rewind = false;
    setMode(Mode::Stopped);
}

void MediaDevice::close()
{
    if (m_mode == Mode::Closed)
        return;
    haltSound();
    AudioSystem& system = AudioSystem::instance();
    if (m_loadTicket) {
        system.cancelLoad(m_loadTicket);
        m_loadTicket = 0;
    }
    if (m_chunk) {
        Mix_FreeChunk(m_chunk);
        m_chunk = nullptr;
    }
    if (m_music) {
        system.freeMusic(m_music);
        m_music = nullptr;
    }
    if (m_kind == Kind::Midi)
        system.releaseMusic(this);
    m_kind = Kind::None;
    m_lengthMs = 0;
    m_rewind = false;
    m_openedFile.clear();
    setMode(Mode::Closed);
}

// ---------------------------------------------------------------------------------- sound

void MediaDevice::beginSound()
{
    if (m_kind == Kind::Midi && m_loadTicket)
        return;  // the song is still loading; it starts when it arrives
    ++m_playGeneration;
    m_soundStarted = true;
    m_playedMs = 0;
    if (m_kind == Kind::Wav && m_chunk)
        m_inMixer = Mix_PlayChannel(m_channel, m_chunk, 0) == m_channel;
    else if (m_kind == Kind::Midi && m_music) {
        AudioSystem& system = AudioSystem::instance();
        system.armMusicClock(m_playGeneration, m_lengthMs);
        m_inMixer = Mix_PlayMusic(m_music, 0) == 0;
        if (m_inMixer)
            system.countMusic(true);
    }
    // Without the mixer the clock alone plays the sound, silently.
    m_clock.start();
    armEndTimer();
}

void MediaDevice::resumeSound()
{
    if (m_inMixer) {
        if (m_kind == Kind::Wav) {
            Mix_Resume(m_channel);
        } else {
            Mix_ResumeMusic();
            AudioSystem::instance().countMusic(true);
        }
    }
    m_clock.start();
    armEndTimer();
}

void MediaDevice::armEndTimer()
{
    // A sound in the mixer is ended by the mixer: a WAV when its last sample has been
    // mixed, a song when the music clock reaches its length (FluidSynth's own end comes
    // late). A song whose end was reached just as it was paused ends at the resume.
    // Outside the mixer the device's clock plays the sound.
    m_timerGeneration = m_playGeneration;
    if (m_inMixer) {
        if (m_kind == Kind::Midi && AudioSystem::instance().musicClockAtEnd())
            m_endTimer.start(0);
        return;
    }
    m_endTimer.start(int(std::clamp<qint64>(m_lengthMs - positionMs(), 0, INT_MAX)));
}

void MediaDevice::haltSound()
{
    // A new generation first: nothing of the play being halted may end it from now on.
    ++m_playGeneration;
    m_endTimer.stop();
    if (m_inMixer) {
        // The halt calls the finished-hook at once; what it posts finds this device no
        // longer playing that sound.
        m_inMixer = false;
        if (m_kind == Kind::Wav) {
            Mix_HaltChannel(m_channel);
        } else {
            AudioSystem::instance().countMusic(false);
            Mix_HaltMusic();
        }
    }
    m_soundStarted = false;
    m_playedMs = 0;
    m_clock.invalidate();
}

void MediaDevice::finishNaturally()
{
    haltSound();  // a song is halted here, before FluidSynth lets its last voices die
    setMode(Mode::Stopped);
    emit Done(NotifySuccessful);
}

qint64 MediaDevice::positionMs() const
{
    return m_playedMs + (m_clock.isValid() ? m_clock.elapsed() : 0);
}

void MediaDevice::setMode(Mode mode)
{
    if (mode == m_mode)
        return;
    m_mode = mode;
    emit modeChanged(mode);
}

// ------------------------------------------------------------------ reports from the mixer

// A finished-hook may have been posted by a play that has since been cut short, or by the
// halt that cut it: it only counts when this device's current play is in the mixer and
// the mixer has really finished it. (A halt always clears m_inMixer before it halts, and
// a new play is in the mixer, playing, by the time anything posted before it arrives.)

void MediaDevice::channelFinishedInMixer()
{
    if (m_kind == Kind::Wav && m_inMixer && m_mode != Mode::Stopped && !Mix_Playing(m_channel))
        finishNaturally();
}

void MediaDevice::musicFinishedInMixer()
{
    if (m_kind == Kind::Midi && m_inMixer && m_mode != Mode::Stopped && !Mix_PlayingMusic())
        finishNaturally();
}

// The music clock has counted the song's length: posted once per play, so it counts only
// for the play it was armed for, while it plays on.
void MediaDevice::musicMixedToItsEnd(quint64 play)
{
    if (m_kind == Kind::Midi && m_inMixer && play == m_playGeneration && m_mode == Mode::Playing)
        finishNaturally();
}

void MediaDevice::musicLoaded(quint64 ticket, Mix_Music* music)
{
    if (ticket != m_loadTicket || m_kind != Kind::Midi) {
        AudioSystem::instance().freeMusic(music);
        return;
    }
    m_loadTicket = 0;
    m_music = music;  // null if SDL_mixer would not take it: the song then plays silently
    if (m_mode == Mode::Playing)
        beginSound();
}

} // namespace audio
