#include "audio/audio_system.h"
#include "audio/fluidsynth_settings.h"
#include "audio/media_device.h"
#include "audio/soundfont_list.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QObject>
#include <QScopeGuard>
#include <QThreadPool>

#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>

#include <malloc.h>

namespace audio {

namespace {

// Where the hooks post to. Set while the hooks are installed, so that a hook running on
// the audio thread never sees the mailbox go away under it.
std::atomic<QObject*> g_mailbox{nullptr};

// The music clock, shared with the post-mix hook on the audio thread.
struct MusicClock {
    std::atomic<bool> counting{false};
    std::atomic<qint64> mixedFrames{0};
    std::atomic<qint64> endFrame{0};
    std::atomic<quint64> play{0};
    std::atomic<bool> reported{false};
    int frameBytes = 4;  // set before the hook is installed
};
MusicClock g_musicClock;

// Jobs given to the loader thread and not finished yet.
std::atomic<int> g_loaderJobs{0};

// The end of every job on the loader thread. Loading a song takes some 17 MB of heap, a
// few of them only for the while, and freeing one gives back as much; the allocator keeps
// all of it for later. So when the loader falls idle, the heap goes back to the system:
// after a song has loaded, and after a player has run down the song menu, loading and
// freeing a song per pick.
void finishLoaderJob()
{
    if (g_loaderJobs.fetch_sub(1) == 1)
        malloc_trim(0);
}

// SDL keeps per-thread state (its error message) that it frees by itself only on threads
// it created: free it after each job on the loader thread, which is Qt's.
void releaseSdlThreadState()
{
    SDL_TLSCleanup();
}

void shutDownAtExit()
{
    AudioSystem::instance().shutdown();
}

} // namespace

AudioSystem& AudioSystem::instance()
{
    // Never destroyed: the exit routine and devices that outlive main() may still reach it.
    static AudioSystem* const system = new AudioSystem;
    return *system;
}

bool AudioSystem::start()
{
    if (m_state != State::NotStarted)
        return started();
    m_state = State::Silent;
    if (QCoreApplication::instance())
        qAddPostRoutine(shutDownAtExit);  // runs while the application object goes away
    else
        std::atexit(shutDownAtExit);

    if (qEnvironmentVariableIntValue("COPPIX_NO_AUDIO") != 0 || !openMixer())
        return false;

    m_driver = QString::fromUtf8(SDL_GetCurrentAudioDriver());
    m_mailbox = new QObject;
    m_loader = new QThreadPool;
    m_loader->setMaxThreadCount(1);
    g_mailbox.store(m_mailbox);
    int rate = kSampleRate;
    Uint16 format = AUDIO_S16SYS;
    int channels = 2;
    if (Mix_QuerySpec(&rate, &format, &channels) != 0 && rate > 0 && channels > 0) {
        m_mixRate = rate;
        g_musicClock.frameBytes = channels * int(SDL_AUDIO_BITSIZE(format) / 8);
    }
    Mix_ChannelFinished(&AudioSystem::channelFinishedHook);
    Mix_HookMusicFinished(&AudioSystem::musicFinishedHook);
    Mix_SetPostMix(&AudioSystem::postMixHook, nullptr);
    m_state = State::Running;
    return true;
}

bool AudioSystem::tryOpenDriver()
{
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1"); // SIGINT and SIGTERM are the game's (tk::StopSignals)
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return false;
    if (Mix_OpenAudio(kSampleRate, AUDIO_S16SYS, 2, kBufferFrames) != 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    return true;
}

bool AudioSystem::openMixer()
{
    // Only regular files reach SDL_mixer (see soundfont_list.h): the list it is handed is the
    // one it uses, whatever SDL_FORCE_SOUNDFONTS and SDL_SOUNDFONTS say, and a list with no
    // file on it sends it looking nowhere else.
    const SoundFontList soundFonts = chooseSoundFonts(soundFontSources(m_soundFont));
    SDL_SetHintWithPriority("SDL_FORCE_SOUNDFONTS", "0", SDL_HINT_OVERRIDE);
    Mix_SetSoundFonts(soundFonts.forMixer().constData());
    // SDL_mixer's other MIDI player, Timidity, would read a configuration of its own
    // (TIMIDITY_CFG, /etc/timidity.cfg, timidity.cfg in the working folder, and the files
    // these name) with blocking opens, here and at every song load. The songs are
    // FluidSynth's: Timidity is given a configuration that fails at once, and so reads nothing.
    if (qEnvironmentVariableIsSet("TIMIDITY_CFG"))
        qunsetenv("TIMIDITY_CFG");
    Mix_SetTimidityCfg("/dev/null/timidity.cfg");
    loadSoundFontSamplesOnDemand();
    Mix_Init(MIX_INIT_MID);
    bool open = tryOpenDriver();
    if (!open) {
        // No sound card (or the driver named in SDL_AUDIODRIVER is not there): the dummy
        // driver keeps the time, so the game runs the same, silently. The environment
        // variable would win over a normal hint, hence the override.
        SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE);
        open = tryOpenDriver();
    }
    if (!open) {
        Mix_Quit();
        return false;
    }
    // Without a soundfont the songs still play, by the clock, but make no sound: say which
    // file was left out, and why.
    for (const RefusedSoundFont& refused : soundFonts.refused) {
        if (refused.reason == "not found")
            std::fprintf(stderr, "coppix: soundfont %s not found%s: songs may be silent\n", refused.path.constData(),
                         refused.ours ? " (package timgm6mb-soundfont)" : "");
        else
            std::fprintf(stderr, "coppix: soundfont %s refused (%s): songs may be silent\n", refused.path.constData(),
                         refused.reason.constData());
    }
    return true;
}

void AudioSystem::shutdown()
{
    if (m_state == State::Down)
        return;
    // The devices first, while the mixer is still open: each halts and lets go of its sound.
    const std::vector<MediaDevice*> devices = m_devices;
    for (MediaDevice* device : devices)
        device->close();

    if (m_state == State::Running) {
        Mix_SetPostMix(nullptr, nullptr);
        Mix_HookMusicFinished(nullptr);
        Mix_ChannelFinished(nullptr);
        g_mailbox.store(nullptr);
        g_musicClock.counting.store(false);
        {
            // Songs still waiting for the loader are not wanted any more.
            std::lock_guard lock(m_loadedMutex);
            for (const auto& [ticket, device] : m_waitingLoads)
                m_cancelledLoads.insert(ticket);
        }
        m_loader->waitForDone();
        delete m_loader;
        m_loader = nullptr;
        {
            std::lock_guard lock(m_loadedMutex);
            for (const auto& [ticket, music] : m_loaded) {
                if (music)
                    Mix_FreeMusic(music);
            }
            m_loaded.clear();
            m_cancelledLoads.clear();
        }
        m_waitingLoads.clear();
        Mix_CloseAudio();
        Mix_Quit();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        // Nothing else of SDL is in use: let it free its global state (hints and the like).
        if (SDL_WasInit(SDL_INIT_EVERYTHING) == 0)
            SDL_Quit();
        delete m_mailbox;  // calls still posted to it are dropped with it
        m_mailbox = nullptr;
    }
    m_state = State::Down;
    m_driver.clear();
    m_channelOwners.clear();
    m_musicOwner = nullptr;
}

void AudioSystem::attach(MediaDevice* device)
{
    m_devices.push_back(device);
}

void AudioSystem::detach(MediaDevice* device)
{
    m_devices.erase(std::remove(m_devices.begin(), m_devices.end(), device), m_devices.end());
    std::replace(m_channelOwners.begin(), m_channelOwners.end(), device, static_cast<MediaDevice*>(nullptr));
    if (m_musicOwner == device)
        m_musicOwner = nullptr;
    std::erase_if(m_waitingLoads, [device](const auto& entry) { return entry.second == device; });
}

int AudioSystem::takeChannel(MediaDevice* device)
{
    if (!started())
        return -1;
    auto free = std::find(m_channelOwners.begin(), m_channelOwners.end(), nullptr);
    const int channel = int(free - m_channelOwners.begin());
    if (free == m_channelOwners.end())
        m_channelOwners.push_back(device);
    else
        *free = device;
    if (channel >= Mix_AllocateChannels(-1))
        Mix_AllocateChannels(channel + 1);
    return channel;
}

void AudioSystem::claimMusic(MediaDevice* device)
{
    if (m_musicOwner && m_musicOwner != device) {
        MediaDevice* previous = m_musicOwner;
        m_musicOwner = nullptr;
        previous->close();
    }
    m_musicOwner = device;
}

void AudioSystem::releaseMusic(MediaDevice* device)
{
    if (m_musicOwner == device)
        m_musicOwner = nullptr;
}

quint64 AudioSystem::loadMusic(MediaDevice* device, const QByteArray& bytes)
{
    if (!started())
        return 0;
    const quint64 ticket = m_nextTicket++;
    m_waitingLoads[ticket] = device;
    g_loaderJobs.fetch_add(1);
    m_loader->start([ticket, bytes] {
        const auto done = qScopeGuard(&finishLoaderJob);
        AudioSystem& system = AudioSystem::instance();
        {
            // A song given up before its turn came is not loaded at all: a player running
            // down the song menu would otherwise queue a soundfont load per click.
            std::lock_guard lock(system.m_loadedMutex);
            if (system.m_cancelledLoads.erase(ticket))
                return;
        }
        SDL_RWops* source = SDL_RWFromConstMem(bytes.constData(), int(bytes.size()));
        // The file has been checked as MIDI: no guessing by SDL_mixer.
        Mix_Music* music = source ? Mix_LoadMUSType_RW(source, MUS_MID, 1) : nullptr;
        releaseSdlThreadState();
        {
            std::lock_guard lock(system.m_loadedMutex);
            system.m_loaded[ticket] = music;
        }
        if (QObject* mailbox = g_mailbox.load())
            QMetaObject::invokeMethod(
                mailbox, [ticket] { AudioSystem::instance().musicLoaded(ticket); }, Qt::QueuedConnection);
    });
    return ticket;
}

void AudioSystem::cancelLoad(quint64 ticket)
{
    // A song already loading still arrives; with nobody waiting for it, it is freed.
    if (m_waitingLoads.erase(ticket)) {
        std::lock_guard lock(m_loadedMutex);
        m_cancelledLoads.insert(ticket);
    }
}

void AudioSystem::freeMusic(Mix_Music* music)
{
    if (!music)
        return;
    // FluidSynth takes its time to take a synthesiser down: not on the GUI thread. The
    // song has been halted, so the mixer no longer reads it.
    if (m_loader) {
        g_loaderJobs.fetch_add(1);
        m_loader->start([music] {
            Mix_FreeMusic(music);
            releaseSdlThreadState();
            finishLoaderJob();
        });
    } else {
        Mix_FreeMusic(music);
    }
}

void AudioSystem::armMusicClock(quint64 play, qint64 endMs)
{
    g_musicClock.counting.store(false);
    g_musicClock.mixedFrames.store(0);
    g_musicClock.endFrame.store(endMs * m_mixRate / 1000);
    g_musicClock.play.store(play);
    g_musicClock.reported.store(false);
}

void AudioSystem::countMusic(bool on)
{
    g_musicClock.counting.store(on);
}

bool AudioSystem::musicClockAtEnd() const
{
    return g_musicClock.mixedFrames.load() >= g_musicClock.endFrame.load();
}

void AudioSystem::musicLoaded(quint64 ticket)
{
    Mix_Music* music = nullptr;
    {
        std::lock_guard lock(m_loadedMutex);
        const auto it = m_loaded.find(ticket);
        if (it == m_loaded.end())
            return;
        music = it->second;
        m_loaded.erase(it);
        m_cancelledLoads.erase(ticket); // given up while it was loading
    }
    const auto waiting = m_waitingLoads.find(ticket);
    if (waiting == m_waitingLoads.end()) {
        freeMusic(music);
        return;
    }
    MediaDevice* device = waiting->second;
    m_waitingLoads.erase(waiting);
    device->musicLoaded(ticket, music);
}

void AudioSystem::musicFinished()
{
    if (m_musicOwner)
        m_musicOwner->musicFinishedInMixer();
}

void AudioSystem::musicMixedToItsEnd(quint64 play)
{
    if (m_musicOwner)
        m_musicOwner->musicMixedToItsEnd(play);
}

void AudioSystem::channelFinished(int channel)
{
    if (channel >= 0 && channel < int(m_channelOwners.size()) && m_channelOwners[size_t(channel)])
        m_channelOwners[size_t(channel)]->channelFinishedInMixer();
}

// The hooks run on SDL's audio thread (or inside a halt): they only post.
void AudioSystem::musicFinishedHook()
{
    if (QObject* mailbox = g_mailbox.load())
        QMetaObject::invokeMethod(mailbox, [] { AudioSystem::instance().musicFinished(); }, Qt::QueuedConnection);
}

void AudioSystem::channelFinishedHook(int channel)
{
    if (QObject* mailbox = g_mailbox.load())
        QMetaObject::invokeMethod(
            mailbox, [channel] { AudioSystem::instance().channelFinished(channel); }, Qt::QueuedConnection);
}

// After every buffer the mixer has filled (on the audio thread, SDL's audio lock held, so
// never at the same time as a play, pause or halt): the frames of a counting song.
void AudioSystem::postMixHook(void*, unsigned char*, int length)
{
    MusicClock& clock = g_musicClock;
    if (!clock.counting.load() || clock.frameBytes <= 0)
        return;
    const qint64 mixed = clock.mixedFrames.fetch_add(length / clock.frameBytes) + length / clock.frameBytes;
    if (mixed < clock.endFrame.load() || clock.reported.exchange(true))
        return;
    const quint64 play = clock.play.load();
    if (QObject* mailbox = g_mailbox.load())
        QMetaObject::invokeMethod(
            mailbox, [play] { AudioSystem::instance().musicMixedToItsEnd(play); }, Qt::QueuedConnection);
}

} // namespace audio
