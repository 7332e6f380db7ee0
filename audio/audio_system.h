#pragma once
// The sound output of the whole game: SDL's audio subsystem and SDL_mixer, started the
// first time a media device opens a file (never earlier: the game must not grab the
// sound card before the player has asked to play) and shut down when the application
// object goes away.
//
// Start-up order: the real driver SDL picks (or SDL_AUDIODRIVER names); if that fails, as
// it does on a machine without a sound card, the "dummy" driver, which keeps time and
// plays nothing; if even that fails, or COPPIX_NO_AUDIO=1 is set, no audio at all. With
// no audio the devices still open files and keep their clocks, so songs end and are
// reported on time and the game behaves as it does with sound.
//
// SDL_mixer calls its finished-hooks on the audio thread (and, for halts, on the thread
// that halts). The hooks here only post a call to the GUI thread; all other work with
// SDL_mixer happens on the GUI thread, except for loading and freeing songs, which runs on
// a worker thread of our own (FluidSynth reads its soundfont at every load).
//
// The song in the mixer has a clock of its own: a post-mix hook counts the frames mixed
// while the song plays (not while it is paused), and posts once when the count reaches
// the end the device set. So a song ends when its audio has been mixed, on any driver,
// however far the output runs behind the wall clock.
#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <mutex>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class QObject;
class QThreadPool;
struct _Mix_Music;

namespace audio {

class MediaDevice;

class AudioSystem {
public:
    static AudioSystem& instance();

    // Opens the sound output if that has not been tried yet. True when the mixer is open.
    bool start();
    // The mixer is open (on whatever driver).
    bool started() const { return m_state == State::Running; }
    // SDL's name of the audio driver in use ("alsa", "pulseaudio", "dummy", ...); empty
    // when the mixer is not open.
    QString driverName() const { return m_driver; }
    // Closes every device, waits for loads under way, and closes the mixer and SDL audio.
    // Runs by itself at exit; harmless when audio was never started or is already down.
    void shutdown();

    static constexpr const char* kSoundFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";
    // The soundfont the songs are played with: kSoundFont unless named otherwise before
    // the mixer opens (SDL_FORCE_SOUNDFONTS=1 with SDL_SOUNDFONTS names others instead).
    // Only regular files are handed to SDL_mixer; each one left out (not there, or a FIFO,
    // a folder, a device) is named once on standard error when the mixer opens.
    void setSoundFont(const QByteArray& path) { m_soundFont = path; }
    QByteArray soundFont() const { return m_soundFont; }
    static constexpr int kSampleRate = 44100;
    static constexpr int kBufferFrames = 1024;

    AudioSystem(const AudioSystem&) = delete;
    AudioSystem& operator=(const AudioSystem&) = delete;

private:
    friend class MediaDevice;

    enum class State { NotStarted, Running, Silent, Down };

    AudioSystem() = default;
    bool openMixer();
    bool tryOpenDriver();

    // For the devices (GUI thread).
    void attach(MediaDevice* device);
    void detach(MediaDevice* device);
    int takeChannel(MediaDevice* device);
    void claimMusic(MediaDevice* device);   // the previous owner is closed
    void releaseMusic(MediaDevice* device);
    quint64 loadMusic(MediaDevice* device, const QByteArray& bytes);  // a ticket
    void cancelLoad(quint64 ticket);
    void freeMusic(_Mix_Music* music);
    // The music clock. Arm before the song starts in the mixer (play: the device's play
    // generation, echoed back with the end; endMs: from the start of the song), then count
    // while it plays. counting(false) before a pause or halt, counting(true) after a start
    // or resume: an error of a buffer at most, always on the side of a later end.
    void armMusicClock(quint64 play, qint64 endMs);
    void countMusic(bool on);
    bool musicClockAtEnd() const;

    // Posted from the hooks and the loader.
    void musicFinished();
    void channelFinished(int channel);
    void musicLoaded(quint64 ticket);
    void musicMixedToItsEnd(quint64 play);

    static void musicFinishedHook();
    static void channelFinishedHook(int channel);
    static void postMixHook(void* data, unsigned char* stream, int length);

    State m_state = State::NotStarted;
    QString m_driver;
    QByteArray m_soundFont = kSoundFont;
    int m_mixRate = kSampleRate;  // frames a second, as the mixer was opened
    QObject* m_mailbox = nullptr;     // receives the posted calls, lives on the GUI thread
    QThreadPool* m_loader = nullptr;  // one thread: loads and frees songs in order

    std::vector<MediaDevice*> m_devices;
    std::vector<MediaDevice*> m_channelOwners;  // index: mixer channel
    MediaDevice* m_musicOwner = nullptr;
    quint64 m_nextTicket = 1;
    std::unordered_map<quint64, MediaDevice*> m_waitingLoads;

    std::mutex m_loadedMutex;  // guards m_loaded, filled on the loader thread, and m_cancelledLoads
    std::unordered_map<quint64, _Mix_Music*> m_loaded;
    std::unordered_set<quint64> m_cancelledLoads;  // given up before the loader reached them
};

} // namespace audio
