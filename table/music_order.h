#pragma once
// The order of the music: the ten songs, and what the end of a play asks of the player in
// sequential mode (the next song, song 1 after the last), in single-song repeat (the same
// song again from its beginning) and with no music. No window and no sound here: the
// table's MMC1_Done asks once, then moves the check marks and drives the music device.
#include "audio/notify_code.h"
#include "table/game.h"

#include <array>
#include <cstdint>

namespace coppix {

class MusicOrder {
public:
    // The songs in the order of the "&Music" menu: song i (1 to songCount) is songs[i - 1].
    // Each caption is also the base name of the song's file in the program's "music" folder.
    static constexpr std::array<const char*, 10> songs{"Chill1", "Champion", "Champs",   "Easycity", "inds_01",
                                                       "Humanoid", "Impact", "Lastday", "Scopa",    "Sevilana"};
    static constexpr Integer songCount = Integer(songs.size());

    // The player's mode, as the check marks of the "&Music" menu show it.
    enum class Mode : std::uint8_t { Sequential, Repeat, Silent };

    // What the player does at the end of a play.
    struct Next {
        enum class Kind : std::uint8_t {
            Nothing,   // no natural end: nothing changes
            NextSong,  // `song` becomes currentSong, its mark replaces that of `unmarked`, and
                       // the device closes, opens it under its name in sequence and plays
            Replay,    // rewind and play the open song again; with no music the device is
                       // closed and plays nothing
        };
        Kind kind = Kind::Nothing;
        Integer song = 0;
        Integer unmarked = 0;

        bool operator==(const Next&) const = default;
    };

    // The player in `mode` with the table's currentSong: in sequential mode the song
    // playing (songCount at the table's load, so that the first advance wraps to song 1;
    // 0 when sequential mode has just been chosen), otherwise 0.
    MusicOrder(Mode mode, Integer currentSong) : m_mode(mode), m_currentSong(currentSong) {}

    // A play ended and reported `notifyCode`. Only audio::NotifySuccessful is an end; the
    // table also calls with it to start the sequence or move it on at once.
    Next done(Integer notifyCode) const;

private:
    Mode m_mode;
    Integer m_currentSong;
};

} // namespace coppix
