// The music player and the card-sound switch, on a program folder of short songs made
// here, so that a song's end comes in well under a second.
#include "table/music_order.h"
#include "table_fixture.h"
#include "tst_audio_fixtures.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>

using namespace testsupport;
using audio::MediaDevice;
using coppix::Form1;
using coppix::Integer;

namespace {
const QStringList captions = [] {
    QStringList list;
    for (const char* caption : coppix::MusicOrder::songs)
        list << QString::fromLatin1(caption);
    return list;
}();
constexpr int songMs = 150; // each fixture song: one note, reported ended 300 ms after it

// The music state as the menu and the device show it.
enum Mode { Sequential, Repeat, Silent };
struct State {
    Mode mode;
    int song; // the song playing (sequential or repeat); 0 when silent
};
} // namespace
Q_DECLARE_METATYPE(State)

class TestMusicPlayer : public OwnTableTest {
    Q_OBJECT

    QTemporaryDir folder;

    void writeSongs(const QSet<int>& missing = {}, const QSet<int>& broken = {})
    {
        QDir(folder.path()).mkpath(QStringLiteral("music"));
        for (int i = 1; i <= 10; ++i) {
            const QString path = folder.filePath(QStringLiteral("music/%1.mid").arg(captions.at(i - 1)));
            QFile::remove(path);
            if (missing.contains(i))
                continue;
            QVERIFY(fixtures::writeFile(path, broken.contains(i) ? QByteArray("MThd garbage, not a song") : fixtures::oneNoteSong(songMs)));
        }
        QVERIFY(fixtures::writeFile(folder.filePath(QStringLiteral("carta.wav")), fixtures::toneWav(100)));
    }

    void open() { openTable(folder.path()); }

    // Puts the player in a state by the player's own commands.
    void enter(State state)
    {
        if (state.mode == Silent) {
            form->nomusic_Click();
        } else if (state.mode == Repeat) {
            form->canzoni_Click(Integer(state.song));
        } else {
            form->all_Click(); // song 2 after the load's song 1
            while (form->currentSong != state.song) {
                Integer done = audio::NotifySuccessful;
                form->MMC1_Done(done);
            }
        }
        checkState(state);
    }

    void checkState(State state)
    {
        int marks = 0;
        for (int i = 1; i <= 10; ++i)
            marks += form->canzoni(i).checked() ? 1 : 0;
        switch (state.mode) {
        case Sequential:
            QVERIFY(form->all->checked());
            QVERIFY(!form->nomusic->checked());
            QCOMPARE(marks, 1);
            QVERIFY(form->canzoni(state.song).checked());
            QCOMPARE(int(form->currentSong), state.song);
            QCOMPARE(form->MMC1.fileName(), folder.path() + QStringLiteral("/music/") + captions.at(state.song - 1) + QStringLiteral(".mid"));
            QCOMPARE(form->MMC1.mode(), MediaDevice::Mode::Playing);
            break;
        case Repeat:
            QVERIFY(!form->all->checked());
            QVERIFY(!form->nomusic->checked());
            QCOMPARE(marks, 1);
            QVERIFY(form->canzoni(state.song).checked());
            QCOMPARE(int(form->currentSong), 0);
            QCOMPARE(form->MMC1.fileName(), folder.path() + QStringLiteral("/music/") + captions.at(state.song - 1) + QStringLiteral(".MID"));
            QCOMPARE(form->MMC1.openedFile(), folder.path() + QStringLiteral("/music/") + captions.at(state.song - 1) + QStringLiteral(".mid"));
            QCOMPARE(form->MMC1.mode(), MediaDevice::Mode::Playing);
            break;
        case Silent:
            QVERIFY(!form->all->checked());
            QVERIFY(form->nomusic->checked());
            QCOMPARE(marks, 0);
            QCOMPARE(int(form->currentSong), 0);
            QCOMPARE(form->MMC1.mode(), MediaDevice::Mode::Closed);
            QVERIFY(form->musicStrip.isHidden());
            break;
        }
    }

private slots:
    void init()
    {
        QVERIFY(folder.isValid());
        writeSongs();
    }

    void theTableStartsTheFirstSong()
    {
        open();
        checkState({Sequential, 1});
        QVERIFY(form->musicStrip.isHidden());
        QVERIFY(form->cards->checked());
        QCOMPARE(form->MMCw.fileName(), folder.path() + QStringLiteral("/carta.wav"));
        QCOMPARE(form->MMCw.mode(), MediaDevice::Mode::Stopped);
    }

    void transitions_data()
    {
        QTest::addColumn<State>("from");
        QTest::addColumn<QString>("event");
        QTest::addColumn<State>("to");
        QTest::addColumn<int>("strip"); // -1: as it was, 0 hidden, 1 shown
        const QList<QPair<QString, State>> states{{"sequential on 3", {Sequential, 3}},
                                                  {"sequential on 10", {Sequential, 10}},
                                                  {"repeat of 6", {Repeat, 6}},
                                                  {"silent", {Silent, 0}}};
        for (const auto& state : states) {
            const QString name = state.first;
            const State from = state.second;
            auto row = [&](const QString& event, State to, int strip) {
                QTest::newRow(qPrintable(name + QStringLiteral(", ") + event)) << from << event << to << strip;
            };
            const int next = from.mode == Sequential ? from.song % 10 + 1 : 1;
            row(QStringLiteral("sequential mode"), {Sequential, next}, 1);
            row(QStringLiteral("song 6"), {Repeat, 6}, -1);
            row(QStringLiteral("song 1"), {Repeat, 1}, -1);
            row(QStringLiteral("no music"), {Silent, 0}, 0);
            row(QStringLiteral("Done 1"), from.mode == Sequential ? State{Sequential, next} : from, -1);
            // A play taken over by another command, stopped, or failed: no end.
            for (int code : {audio::NotifySuperseded, audio::NotifyAborted, audio::NotifyFailure})
                row(QStringLiteral("Done %1").arg(code), from, -1);
        }
    }
    void transitions()
    {
        QFETCH(State, from);
        QFETCH(QString, event);
        QFETCH(State, to);
        QFETCH(int, strip);
        open();
        enter(from);
        const bool stripBefore = !form->musicStrip.isHidden();
        if (event == QLatin1String("sequential mode"))
            form->all->trigger();
        else if (event.startsWith(QLatin1String("song ")))
            form->canzoni(event.mid(5).toInt()).trigger();
        else if (event == QLatin1String("no music"))
            form->nomusic->trigger();
        else {
            Integer code = Integer(event.mid(5).toInt());
            form->MMC1_Done(code);
        }
        checkState(to);
        QCOMPARE(!form->musicStrip.isHidden(), strip == -1 ? stripBefore : strip == 1);
    }

    void noMusicTwiceChangesNothing()
    {
        open();
        form->all_Click();
        form->nomusic_Click();
        form->nomusic_Click();
        checkState({Silent, 0});
    }

    void theSequenceWrapsFromTheLastSongToTheFirst()
    {
        open();
        enter({Sequential, 10});
        Integer done = audio::NotifySuccessful;
        form->MMC1_Done(done);
        checkState({Sequential, 1});
        QVERIFY(!form->canzoni(10).checked());
    }

    void songsFollowEachOtherAtTheirEnds()
    {
        open();
        QSignalSpy ends(&form->MMC1, &MediaDevice::Done);
        QTRY_COMPARE_WITH_TIMEOUT(int(form->currentSong), 3, 5000);
        checkState({Sequential, 3});
        for (const QList<QVariant>& end : ends)
            QCOMPARE(end.at(0).toInt(), 1);
    }

    void aChosenSongPlaysAgainAtItsEnd()
    {
        open();
        form->canzoni_Click(4);
        QSignalSpy ends(&form->MMC1, &MediaDevice::Done);
        QTRY_VERIFY_WITH_TIMEOUT(ends.count() >= 2, 5000);
        checkState({Repeat, 4});
    }

    void aChosenSongStartsAgainEvenWhenItIsPlaying()
    {
        open();
        form->canzoni_Click(5);
        QSignalSpy ends(&form->MMC1, &MediaDevice::Done);
        QTest::qWait(songMs); // most of the way through
        form->canzoni_Click(5);
        // Had the first play gone on, it would have ended by now.
        QTest::qWait(songMs + 150);
        QCOMPARE(ends.count(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(ends.count(), 1, 3000);
        checkState({Repeat, 5});
    }

    void sequentialModeCutsTheSongShort()
    {
        open();
        QSignalSpy ends(&form->MMC1, &MediaDevice::Done);
        form->all_Click();
        checkState({Sequential, 2});
        QCOMPARE(ends.count(), 0);
        QVERIFY(!form->musicStrip.isHidden());
    }

    void aMissingOrBrokenSongHaltsTheSequenceOnIt_data()
    {
        QTest::addColumn<bool>("missing");
        QTest::newRow("missing") << true;
        QTest::newRow("broken") << false;
    }
    void aMissingOrBrokenSongHaltsTheSequenceOnIt()
    {
        QFETCH(bool, missing);
        writeSongs(missing ? QSet<int>{3} : QSet<int>{}, missing ? QSet<int>{} : QSet<int>{3});
        open();
        QTRY_COMPARE_WITH_TIMEOUT(int(form->currentSong), 3, 5000);
        QVERIFY(form->canzoni(3).checked());
        QCOMPARE(form->MMC1.mode(), MediaDevice::Mode::Closed); // nothing to play
        // No chain through the other songs: it stays on song 3.
        QTest::qWait(1500);
        QCOMPARE(int(form->currentSong), 3);
        QVERIFY(form->canzoni(3).checked());
        QVERIFY(form->all->checked());
        // A chosen song that cannot be played stays silent, in its mode.
        QSignalSpy ends(&form->MMC1, &MediaDevice::Done);
        form->canzoni_Click(3);
        QTest::qWait(800);
        QCOMPARE(ends.count(), 0);
        QVERIFY(form->canzoni(3).checked());
        QVERIFY(!form->all->checked());
        // The player chooses again: the music comes back.
        form->canzoni_Click(2);
        checkState({Repeat, 2});
    }

    void noMusicAtAllWhenTheFolderHasNone()
    {
        QDir(folder.filePath(QStringLiteral("music"))).removeRecursively();
        open();
        QVERIFY(form->canzoni(1).checked());
        QCOMPARE(form->MMC1.mode(), MediaDevice::Mode::Closed);
        QTest::qWait(500);
        QCOMPARE(int(form->currentSong), 1);
        clickBack(*form, 1); // the game goes on
        QVERIFY(faceUp(*form, 1));
    }

    void cardRustleOffAndOnAgain()
    {
        open();
        clickBack(*form, 1);
        QCOMPARE(form->MMCw.mode(), MediaDevice::Mode::Playing);
        form->cards->trigger(); // off: the sound stops at once
        QVERIFY(!form->cards->checked());
        QCOMPARE(form->MMCw.mode(), MediaDevice::Mode::Closed);
        clickBack(*form, strangerOf(*form, 1));
        QCOMPARE(form->MMCw.mode(), MediaDevice::Mode::Closed);
        form->Timer1.fire();
        form->cards->trigger(); // on: the same file again
        QVERIFY(form->cards->checked());
        QCOMPARE(form->MMCw.mode(), MediaDevice::Mode::Stopped);
        QCOMPARE(form->MMCw.openedFile(), folder.path() + QStringLiteral("/carta.wav"));
        clickBack(*form, 2);
        QCOMPARE(form->MMCw.mode(), MediaDevice::Mode::Playing);
        // A second pick restarts it from the beginning.
        QSignalSpy ends(&form->MMCw, &MediaDevice::Done);
        QTest::qWait(60);
        clickBack(*form, partnerOf(*form, 2) == 3 ? 4 : 3);
        QTest::qWait(60); // the first play would have ended here
        QCOMPARE(ends.count(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(ends.count(), 1, 2000);
    }

    void aMissingCardSoundIsSilence()
    {
        QFile::remove(folder.filePath(QStringLiteral("carta.wav")));
        open();
        QVERIFY(form->cards->checked());
        clickBack(*form, 1);
        QCOMPARE(form->MMCw.mode(), MediaDevice::Mode::Closed);
        QVERIFY(faceUp(*form, 1));
        form->cards_Click();
        form->cards_Click();
        QVERIFY(form->cards->checked()); // the mark follows the entry
    }

    void bothDevicesCloseAtTheEnd_data()
    {
        QTest::addColumn<State>("music");
        QTest::addColumn<bool>("cardSound");
        for (bool sound : {true, false}) {
            const char* s = sound ? "sound on" : "sound off";
            QTest::newRow(qPrintable(QStringLiteral("sequential, %1").arg(s))) << State{Sequential, 2} << sound;
            QTest::newRow(qPrintable(QStringLiteral("repeat, %1").arg(s))) << State{Repeat, 7} << sound;
            QTest::newRow(qPrintable(QStringLiteral("silent, %1").arg(s))) << State{Silent, 0} << sound;
        }
    }
    void bothDevicesCloseAtTheEnd()
    {
        QFETCH(State, music);
        QFETCH(bool, cardSound);
        open();
        enter(music);
        if (!cardSound)
            form->cards_Click();
        QSignalSpy ends(&form->MMC1, &MediaDevice::Done);
        form->close();
        QCOMPARE(fixture->endings, 1);
        QCOMPARE(form->MMC1.mode(), MediaDevice::Mode::Closed);
        QCOMPARE(form->MMCw.mode(), MediaDevice::Mode::Closed);
        QTest::qWait(songMs + 400);
        QCOMPARE(ends.count(), 0); // the song was cut short, not ended
    }
};

QTEST_MAIN(TestMusicPlayer)
#include "tst_music_player.moc"
