#pragma once
// FluidSynth, which SDL_mixer plays the songs through, loads every sample of the soundfont
// into memory for each song it opens (13.5 MB for TimGM6mb), and SDL_mixer gives no way to
// change the settings it makes for it. SDL_mixer is linked against FluidSynth, so the
// program's own definition of FluidSynth's settings constructor is the one SDL_mixer calls
// (fluidsynth_settings.cpp): it makes the real settings and, once enabled, turns on
// FluidSynth's dynamic sample loading, so that a song loads only the instruments it plays.
// The sound is the same; the samples of an instrument are read when a song first selects it.

namespace audio {

// From now on the settings SDL_mixer makes load samples on demand.
void loadSoundFontSamplesOnDemand();
// How many FluidSynth settings have been made that way since the program started (tests).
int settingsWithSamplesOnDemand();

} // namespace audio
