#include "table/music_order.h"

namespace coppix {

MusicOrder::Next MusicOrder::done(Integer notifyCode) const
{
    if (notifyCode != audio::NotifySuccessful)
        return {};
    if (m_mode != Mode::Sequential)
        return {Next::Kind::Replay};
    // The wrap is a test of equality with the last song.
    const Integer song = Integer((m_currentSong == songCount ? 0 : m_currentSong) + 1);
    return {Next::Kind::NextSong, song, song == 1 ? songCount : Integer(song - 1)};
}

} // namespace coppix
