#pragma once
// The soundfonts the songs are played with, worked out before the mixer opens.
//
// SDL_mixer opens every soundfont on its list with a blocking fopen while the mixer opens
// (on the GUI thread, at the first "Play"), and FluidSynth opens them again at every song
// load: a FIFO or a device on that list would hold the thread for ever. So the game works
// out the list SDL_mixer would use, keeps the regular files on it, and hands SDL_mixer that
// list and nothing else (AudioSystem).
//
// The list SDL_mixer 2.6, as Debian builds it, uses:
// - SDL_SOUNDFONTS, when SDL_FORCE_SOUNDFONTS is true and SDL_SOUNDFONTS is not empty;
// - otherwise the one the program names (Mix_SetSoundFonts): the game names its own soundfont
//   when it is a regular file;
// - otherwise the one the library names by itself, kLibrarySoundFont.
// (SDL_SOUNDFONTS alone is never reached: the library always has a name of its own.) A list
// is split at every ':' and ';', as SDL_mixer splits it.
#include <QByteArray>
#include <QList>

namespace audio {

// What SDL_mixer names when the program names nothing (Debian's alternative default-GM.sf3).
inline constexpr const char* kLibrarySoundFont = "/usr/share/sounds/sf3/default-GM.sf3";

struct SoundFontSources {
    QByteArray ours;                        // the game's own soundfont
    QByteArray environment;                 // SDL_SOUNDFONTS ("" when not set)
    bool forced = false;                    // SDL_FORCE_SOUNDFONTS
    QByteArray library = kLibrarySoundFont; // the library's own name
};

struct RefusedSoundFont {
    QByteArray path;
    QByteArray reason;  // "not found", "not a regular file", or the system's word for it
    bool ours = false;  // the game's own soundfont
};

struct SoundFontList {
    QList<QByteArray> kept;          // regular files, in SDL_mixer's order
    QList<RefusedSoundFont> refused; // in the same order

    // The kept list as SDL_mixer takes it: never empty, so that SDL_mixer does not go
    // looking for soundfonts of its own; ";" is a list with no file on it.
    QByteArray forMixer() const;
};

// Sources as they stand for this process: the game's soundfont and SDL's variables.
SoundFontSources soundFontSources(const QByteArray& ours);

// The list SDL_mixer would use, its regular files kept. Every file left out is in
// refused, except a library name that does not exist (a guess that found nothing).
// Looks at each file with stat(), which never waits on what it finds.
SoundFontList chooseSoundFonts(const SoundFontSources& sources);

} // namespace audio
