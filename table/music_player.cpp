// The music player: ten songs in sequence, one song repeated, or none. The mode lives in
// the check marks of the "&Music" menu together with currentSong; which song follows, and
// when, is the music's order's (table/music_order.h).
#include "table/form1.h"
#include "table/music_order.h"
#include "toolkit/app.h"

namespace coppix {

QString Form1::songFile(int index, const QString& extension) const
{
    return tk::App::file(QStringLiteral("\\music\\") + canzoni(index).caption() + extension);
}

namespace {
// The mode as the marks of the "&Music" menu hold it.
MusicOrder::Mode musicMode(const Form1& form)
{
    if (form.all->checked())
        return MusicOrder::Mode::Sequential;
    return form.nomusic->checked() ? MusicOrder::Mode::Silent : MusicOrder::Mode::Repeat;
}
} // namespace

// The end of a song: the next one in sequential mode, the same one again in single-song
// repeat. Also called directly with NotifySuccessful to start or move the sequence on.
void Form1::MMC1_Done(Integer& NotifyCode)
{
    using Kind = MusicOrder::Next::Kind;
    const MusicOrder::Next next = MusicOrder(musicMode(*this), currentSong).done(NotifyCode);
    switch (next.kind) {
    case Kind::Nothing:
        return;
    case Kind::NextSong:
        currentSong = next.song;
        canzoni(next.unmarked).setChecked(false);
        canzoni(currentSong).setChecked(true);
        MMC1.setCommand(QStringLiteral("close"));
        MMC1.setFileName(songFile(currentSong, QStringLiteral(".mid")));
        MMC1.setCommand(QStringLiteral("Open"));
        MMC1.setCommand(QStringLiteral("play"));
        return;
    case Kind::Replay:
        MMC1.setFrom(0);
        MMC1.setCommand(QStringLiteral("Play"));
        return;
    }
}

void Form1::all_Click()
{
    musicStrip.show();
    const int songs = canzoni.UBound();
    for (int i = 1; i <= songs; ++i)
        canzoni(i).setChecked(false);
    nomusic->setChecked(false);
    all->setChecked(true);
    Integer completed = audio::NotifySuccessful;
    MMC1_Done(completed);
}

void Form1::canzoni_Click(Integer Index)
{
    const int songs = canzoni.UBound();
    for (int i = 1; i <= songs; ++i)
        canzoni(i).setChecked(false);
    canzoni(Index).setChecked(true);
    nomusic->setChecked(false);
    all->setChecked(false);
    currentSong = 0;
    MMC1.setCommand(QStringLiteral("close"));
    MMC1.setFileName(songFile(Index, QStringLiteral(".MID")));
    MMC1.setCommand(QStringLiteral("open"));
    MMC1.setWait(false);
    MMC1.setCommand(QStringLiteral("play"));
}

void Form1::nomusic_Click()
{
    const int songs = canzoni.UBound();
    for (int i = 1; i <= songs; ++i)
        canzoni(i).setChecked(false);
    nomusic->setChecked(true);
    all->setChecked(false);
    currentSong = 0;
    MMC1.setCommand(QStringLiteral("close"));
    musicStrip.hide();
}

} // namespace coppix
