#include "audio/fluidsynth_settings.h"

#include <atomic>
#include <dlfcn.h>

namespace {
struct FluidSettings; // FluidSynth's fluid_settings_t, only ever handled by pointer

std::atomic<bool> g_onDemand{false};
std::atomic<int> g_adjusted{0};
} // namespace

// Songs are loaded on the loader thread; the atomics are all this shares with the GUI thread.
extern "C" FluidSettings* new_fluid_settings(void)
{
    using Make = FluidSettings* (*)();
    using SetInt = int (*)(FluidSettings*, const char*, int);
    static const auto make = reinterpret_cast<Make>(dlsym(RTLD_NEXT, "new_fluid_settings"));
    static const auto setInt = reinterpret_cast<SetInt>(dlsym(RTLD_NEXT, "fluid_settings_setint"));
    if (!make)
        return nullptr; // no FluidSynth behind SDL_mixer: it plays no song then anyway
    FluidSettings* settings = make();
    // FLUID_OK is 0.
    if (settings && setInt && g_onDemand.load() && setInt(settings, "synth.dynamic-sample-loading", 1) == 0)
        g_adjusted.fetch_add(1);
    return settings;
}

namespace audio {

void loadSoundFontSamplesOnDemand() { g_onDemand.store(true); }

int settingsWithSamplesOnDemand() { return g_adjusted.load(); }

} // namespace audio
