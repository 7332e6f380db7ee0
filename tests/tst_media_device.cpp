// The media device as the game drives it, on SDL's dummy driver (real time, silent):
// when Done(1) comes and when it must not, the commands, bad files, the music stream
// shared by devices, and the mode reported to a control strip.
#include "audio/audio_system.h"
#include "audio/media_device.h"
#include "tst_audio_fixtures.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <SDL.h>
#include <SDL_mixer.h>

#include <functional>

#include <sys/stat.h>

using audio::MediaDevice;
using Mode = audio::MediaDevice::Mode;

namespace {

constexpr int kWavMs = 300;                                   // card.wav
constexpr int kNoteMs = 150;                                  // song.mid: one note
constexpr int kSongMs = kNoteMs + MediaDevice::kMidiReleaseMs;  // when its end is reported
constexpr int kTwoNotesMs = 2 * 150 + MediaDevice::kMidiReleaseMs;
// The mixer reports the end of a sound, a WAV or a song, when it has mixed the last
// samples, up to a buffer before they are heard, and the dummy driver keeps time only to
// a few milliseconds.
constexpr int kMixerEarlyMs = 60;

// When each Done came, measured from the moment the log was made or restarted.
struct DoneLog {
    explicit DoneLog(MediaDevice& device)
    {
        clock.start();
        QObject::connect(&device, &MediaDevice::Done, &device, [this](int code) {
            codes.append(code);
            times.append(clock.elapsed());
            onGuiThread = onGuiThread && QThread::currentThread() == qApp->thread();
        });
    }
    void restart() { clock.start(); }
    QElapsedTimer clock;
    QList<int> codes;
    QList<qint64> times;
    bool onGuiThread = true;
};

bool isSong(const QString& file)
{
    return file.endsWith(QLatin1String(".mid"), Qt::CaseInsensitive);
}

// Waits, processing events, until the mixer plays a song (or a chunk); polls finely so
// that the moment is known to a few milliseconds.
bool waitForMixer(bool song, int timeoutMs = 5000)
{
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < timeoutMs) {
        if (song ? Mix_PlayingMusic() != 0 : Mix_Playing(-1) > 0)
            return true;
        QTest::qWait(2);
    }
    return false;
}

} // namespace

class TestMediaDevice : public QObject, private fixtures::SoundFolder {
    Q_OBJECT
private slots:
    void initTestCase();
    void nothingStartsBeforeTheFirstOpen();  // first: the audio system starts only once
    void naturalEnd_data();
    void naturalEnd();
    void cutShortReportsNothing_data();
    void cutShortReportsNothing();
    void playAfterACutStartsAgain_data();
    void playAfterACutStartsAgain();
    void rewindDuringPlayLetsItGoOn_data();
    void rewindDuringPlayLetsItGoOn();
    void pauseKeepsThePosition_data();
    void pauseKeepsThePosition();
    void playAgainAfterTheEnd_data();
    void playAgainAfterTheEnd();
    void commandWordsInAnyCase_data();
    void commandWordsInAnyCase();
    void unknownWordsDoNothing_data();
    void unknownWordsDoNothing();
    void unplayableFilesStayClosed_data();
    void unplayableFilesStayClosed();
    void unplayableFileAfterAGoodOne();
    void nameFoundWhateverItsCase_data();
    void nameFoundWhateverItsCase();
    void kindByContentNotName_data();
    void kindByContentNotName();
    void closeOrReopenWhileLoading_data();
    void closeOrReopenWhileLoading();
    void theMusicStreamHasOneOwner();
    void devicesPlayTogether();
    void chainOfSongsStopsAtABadFile();
    void commandsReturnAtOnce();
    void modeChangesAreReported();

private:
    void soundTimings();
};

void TestMediaDevice::initTestCase()
{
    QVERIFY(isValid());
    QDir root(path());
    QVERIFY(root.mkpath(QStringLiteral("music")));
    const QByteArray song = fixtures::oneNoteSong(kNoteMs);
    const QByteArray wav = fixtures::toneWav(kWavMs);
    const struct {
        const char* name;
        QByteArray bytes;
    } files[] = {
        {"card.wav", wav},
        {"other.wav", fixtures::toneWav(kWavMs)},
        {"song.mid", song},
        {"two.mid", fixtures::twoNoteSong(150)},
        {"long.mid", fixtures::oneNoteSong(3000)},
        {"music/Easycity.mid", song},
        {"empty.mid", {}},
        {"garbage.mid", QByteArray(2000, '\x37')},
        {"cut.mid", song.left(song.size() - 5)},
        {"cut.wav", wav.left(wav.size() / 2)},
        {"silent.mid", fixtures::metaOnlySong()},
        {"wav-inside.mid", wav},
        {"song-inside.wav", song},
    };
    for (const auto& f : files)
        QVERIFY(write(f.name, f.bytes));
    QVERIFY(root.mkpath(QStringLiteral("folder.mid")));
    // In a song's or the card sound's place, something an open would wait on for ever.
    for (const char* name : {"fifo.mid", "fifo.wav"})
        QCOMPARE(::mkfifo(QFile::encodeName(file(name)).constData(), 0600), 0);
}

void TestMediaDevice::nothingStartsBeforeTheFirstOpen()
{
    audio::AudioSystem& system = audio::AudioSystem::instance();
    MediaDevice device;
    device.setFileName(file("song.mid"));
    device.setWait(true);
    device.setUpdateInterval(0);
    device.setFrom(0);
    for (const char* word : {"play", "pause", "stop", "close"})
        device.setCommand(QString::fromLatin1(word));
    QVERIFY(!system.started());
    QCOMPARE(SDL_WasInit(SDL_INIT_AUDIO), 0u);

    device.setFileName(file("missing.mid"));
    device.setCommand(QStringLiteral("open"));
    QVERIFY(!system.started());

    device.setFileName(file("song.mid"));
    device.setCommand(QStringLiteral("open"));
    QCOMPARE(device.mode(), Mode::Stopped);
    QVERIFY(system.started());
    const QByteArray asked = qgetenv("SDL_AUDIODRIVER");
    if (!asked.isEmpty())
        QCOMPARE(system.driverName(), QString::fromLatin1(asked));
    else
        QVERIFY(!system.driverName().isEmpty());
}

void TestMediaDevice::naturalEnd_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("endMs");    // when Done(1) is due after the sound starts
    QTest::addColumn<int>("earlyMs");  // how much earlier it may come
    QTest::addColumn<int>("quietMs");  // how long to watch for a second report
    QTest::newRow("WAV") << "card.wav" << kWavMs << kMixerEarlyMs << 300;
    QTest::newRow("song") << "song.mid" << kSongMs << kMixerEarlyMs << 300;
    QTest::newRow("two-track song") << "two.mid" << kTwoNotesMs << kMixerEarlyMs << 300;
}

void TestMediaDevice::naturalEnd()
{
    QFETCH(QString, name);
    QFETCH(int, endMs);
    QFETCH(int, earlyMs);
    QFETCH(int, quietMs);
    auto&& [device, done] = open(name);
    DoneLog log(device);
    QCOMPARE(device.mode(), Mode::Stopped);
    log.restart();
    device.setCommand(QStringLiteral("play"));
    QCOMPARE(device.mode(), Mode::Playing);
    QCOMPARE(done.count(), 0);
    QVERIFY(waitForMixer(isSong(name)));
    const qint64 inMixer = log.clock.elapsed();

    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, endMs + 3000);
    QCOMPARE(done.at(0).at(0).toInt(), 1);
    QVERIFY2(log.times.at(0) >= endMs - earlyMs, qPrintable(QString::number(log.times.at(0))));
    // Well before FluidSynth would notice the end by itself.
    QVERIFY2(log.times.at(0) - inMixer < endMs + 1000, qPrintable(QString::number(log.times.at(0) - inMixer)));
    QVERIFY(log.onGuiThread);
    QCOMPARE(device.mode(), Mode::Stopped);
    QCOMPARE(device.openedFile(), file(name));
    // A song is halted when its end is reported: FluidSynth, which would only have seen
    // the end seconds later, cannot report it a second time.
    QCOMPARE(Mix_PlayingMusic(), 0);

    QTest::qWait(quietMs);
    QCOMPARE(done.count(), 1);
}

// Every way of cutting a play short, at moments around its natural end. "held": the GUI
// thread is held past the end, so the mixer's finished-hook (WAV) or the end timer (song)
// is pending when the cut comes; "just before the end": the cut comes 15 ms before it.
void TestMediaDevice::cutShortReportsNothing_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("cut");
    QTest::addColumn<QString>("when");

    for (const char* name : {"card.wav", "song.mid"}) {
        const char* kind = isSong(QString::fromLatin1(name)) ? "song" : "WAV";
        for (const char* when : {"during the play", "just before the end", "held past the end"})
            QTest::addRow("%s: close %s", kind, when) << name << "close" << when;
        // The control: nothing cuts the play, and the end held back is reported.
        QTest::addRow("%s: nothing cut, held past the end", kind) << name << "" << "held past the end";
    }
    // The other cuts go the same way as a close, once for each kind of end report.
    QTest::newRow("WAV: open another, held past the end") << "card.wav" << "open" << "held past the end";
    QTest::newRow("song: stop, held past the end") << "song.mid" << "stop" << "held past the end";
    QTest::newRow("song: another device takes the music") << "song.mid" << "take" << "during the play";
}

void TestMediaDevice::cutShortReportsNothing()
{
    QFETCH(QString, name);
    QFETCH(QString, cut);
    QFETCH(QString, when);
    const bool song = isSong(name);
    const int endMs = song ? kSongMs : kWavMs;
    auto&& [device, done] = open(name);
    MediaDevice other;
    device.setCommand(QStringLiteral("play"));
    QVERIFY(waitForMixer(song));
    QElapsedTimer sinceStart;
    sinceStart.start();
    if (when == QLatin1String("just before the end")) {
        QTest::qWait(endMs - 15);
    } else {
        QTest::qWait(100);
        if (when == QLatin1String("held past the end"))
            QThread::msleep(endMs + 100);  // no events: the end waits in the queue
    }
    // Just before the end, a late event loop may have let the end through first; then it
    // was a natural end, rightly reported. Nothing may come after the cut.
    const qsizetype doneBeforeCut = done.count();
    if (when != QLatin1String("just before the end"))
        QCOMPARE(doneBeforeCut, 0);

    if (cut == QLatin1String("close")) {
        device.setCommand(QStringLiteral("close"));
        QCOMPARE(device.mode(), Mode::Closed);
    } else if (cut == QLatin1String("stop")) {
        device.setCommand(QStringLiteral("stop"));
        QCOMPARE(device.mode(), Mode::Stopped);
    } else if (cut == QLatin1String("open")) {
        device.setFileName(file(song ? "two.mid" : "other.wav"));
        device.setCommand(QStringLiteral("open"));
        QCOMPARE(device.mode(), Mode::Stopped);
    } else if (cut == QLatin1String("take")) {
        other.setFileName(file("two.mid"));
        other.setCommand(QStringLiteral("open"));
        QCOMPARE(device.mode(), Mode::Closed);
        QVERIFY(device.openedFile().isEmpty());
    }
    if (!cut.isEmpty()) {
        // Nothing is left in the mixer that could report an end later.
        QVERIFY(!Mix_PlayingMusic() && Mix_Playing(-1) == 0);
        QTest::qWait(400);
        QCOMPARE(done.count(), doneBeforeCut);
    } else {
        QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 400);
        QCOMPARE(done.at(0).at(0).toInt(), 1);
    }
}

// Each kind of sound, with when its end is due after the sound starts, and how much
// earlier it may come.
void TestMediaDevice::soundTimings()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("endMs");
    QTest::addColumn<int>("earlyMs");
    QTest::newRow("WAV") << "card.wav" << kWavMs << kMixerEarlyMs;
    QTest::newRow("song") << "song.mid" << kSongMs << kMixerEarlyMs;
}

void TestMediaDevice::playAfterACutStartsAgain_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("endMs");
    QTest::addColumn<int>("earlyMs");
    QTest::addColumn<bool>("stop");
    // The card sound's way: "play" while it plays, after a rewind, starts it again.
    QTest::newRow("WAV, from 0 and play") << "card.wav" << kWavMs << kMixerEarlyMs << false;
    QTest::newRow("song, from 0 and play") << "song.mid" << kSongMs << kMixerEarlyMs << false;
    // A stop rewinds.
    QTest::newRow("WAV, stop, then play") << "card.wav" << kWavMs << kMixerEarlyMs << true;
    QTest::newRow("song, stop, then play") << "song.mid" << kSongMs << kMixerEarlyMs << true;
}

// A play cut short (by a rewind, or a stop) reports nothing, and the next "play" plays
// the whole sound from its beginning.
void TestMediaDevice::playAfterACutStartsAgain()
{
    QFETCH(QString, name);
    QFETCH(int, endMs);
    QFETCH(int, earlyMs);
    QFETCH(bool, stop);
    auto&& [device, done] = open(name);
    DoneLog log(device);
    device.setCommand(QStringLiteral("play"));
    QVERIFY(waitForMixer(isSong(name)));
    QTest::qWait(150);
    if (stop) {
        device.setCommand(QStringLiteral("stop"));
        QCOMPARE(device.mode(), Mode::Stopped);
        QCOMPARE(device.openedFile(), file(name));
        QTest::qWait(endMs - 100);  // past where the play would have ended
        QCOMPARE(done.count(), 0);
    } else {
        device.setFrom(0);
    }
    log.restart();
    device.setCommand(QStringLiteral("play"));
    QCOMPARE(device.mode(), Mode::Playing);

    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, endMs + 3000);
    QVERIFY2(log.times.at(0) >= endMs - earlyMs, qPrintable(QString::number(log.times.at(0))));
    QTest::qWait(300);
    QCOMPARE(done.count(), 1);  // the first play, cut short, reported nothing
}

void TestMediaDevice::rewindDuringPlayLetsItGoOn_data()
{
    soundTimings();
}

void TestMediaDevice::rewindDuringPlayLetsItGoOn()
{
    QFETCH(QString, name);
    QFETCH(int, endMs);
    QFETCH(int, earlyMs);
    auto&& [device, done] = open(name);
    DoneLog log(device);
    log.restart();
    device.setCommand(QStringLiteral("play"));
    QVERIFY(waitForMixer(isSong(name)));
    const qint64 inMixer = log.clock.elapsed();
    QTest::qWait(150);
    device.setFrom(0);
    QCOMPARE(device.mode(), Mode::Playing);

    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, endMs + 3000);
    // On time: a restart at the rewind would have ended 150 ms later.
    QVERIFY2(log.times.at(0) >= endMs - earlyMs, qPrintable(QString::number(log.times.at(0))));
    QVERIFY2(log.times.at(0) - inMixer < endMs + 60, qPrintable(QString::number(log.times.at(0) - inMixer)));
}

void TestMediaDevice::pauseKeepsThePosition_data()
{
    soundTimings();
}

void TestMediaDevice::pauseKeepsThePosition()
{
    QFETCH(QString, name);
    QFETCH(int, endMs);
    QFETCH(int, earlyMs);
    constexpr int playedMs = 200;
    constexpr int pausedMs = 400;
    auto&& [device, done] = open(name);
    DoneLog log(device);
    device.setCommand(QStringLiteral("play"));
    QVERIFY(waitForMixer(isSong(name)));
    QTest::qWait(playedMs);
    device.setCommand(QStringLiteral("pause"));
    QCOMPARE(device.mode(), Mode::Paused);
    QTest::qWait(pausedMs);  // longer than what is left of the sound
    QCOMPARE(done.count(), 0);

    log.restart();
    device.setCommand(QStringLiteral("play"));
    QCOMPARE(device.mode(), Mode::Playing);
    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, endMs + 3000);
    // What was left, not the whole sound again.
    const int left = endMs - playedMs;
    QVERIFY2(log.times.at(0) >= left - earlyMs - 20 && log.times.at(0) < left + 100,
             qPrintable(QString::number(log.times.at(0))));
}

void TestMediaDevice::playAgainAfterTheEnd_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("endMs");
    QTest::addColumn<int>("earlyMs");
    QTest::addColumn<bool>("rewind");
    QTest::newRow("WAV, play") << "card.wav" << kWavMs << kMixerEarlyMs << false;
    // The game's single-song repeat, straight from the Done handler.
    QTest::newRow("song, from 0 and play") << "song.mid" << kSongMs << kMixerEarlyMs << true;
}

void TestMediaDevice::playAgainAfterTheEnd()
{
    QFETCH(QString, name);
    QFETCH(int, endMs);
    QFETCH(int, earlyMs);
    QFETCH(bool, rewind);
    auto&& [device, done] = open(name);
    DoneLog log(device);
    int plays = 1;
    connect(&device, &MediaDevice::Done, this, [&] {
        if (plays == 2)
            return;
        ++plays;
        if (rewind)
            device.setFrom(0);
        log.restart();
        device.setCommand(QStringLiteral("play"));
    });
    device.setCommand(QStringLiteral("play"));
    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 2, 2 * endMs + 4000);
    QVERIFY2(log.times.at(1) >= endMs - earlyMs, qPrintable(QString::number(log.times.at(1))));
    QCOMPARE(device.mode(), Mode::Stopped);
}

void TestMediaDevice::commandWordsInAnyCase_data()
{
    QTest::addColumn<QStringList>("words");  // open, play, pause, stop, close
    QTest::newRow("lower case") << QStringList{"open", "play", "pause", "stop", "close"};
    QTest::newRow("capitalised") << QStringList{"Open", "Play", "Pause", "Stop", "Close"};
    QTest::newRow("upper case") << QStringList{"OPEN", "PLAY", "PAUSE", "STOP", "CLOSE"};
    QTest::newRow("mixed") << QStringList{"oPeN", "pLAY", "PauSe", "sTOp", "cloSE"};
}

void TestMediaDevice::commandWordsInAnyCase()
{
    QFETCH(QStringList, words);
    MediaDevice device;
    device.setFileName(file("card.wav"));
    device.setCommand(words[0]);
    QCOMPARE(device.mode(), Mode::Stopped);
    QCOMPARE(device.openedFile(), file("card.wav"));
    device.setCommand(words[1]);
    QCOMPARE(device.mode(), Mode::Playing);
    device.setCommand(words[2]);
    QCOMPARE(device.mode(), Mode::Paused);
    device.setCommand(words[3]);
    QCOMPARE(device.mode(), Mode::Stopped);
    device.setCommand(words[4]);
    QCOMPARE(device.mode(), Mode::Closed);
    QVERIFY(device.openedFile().isEmpty());
    QCOMPARE(device.fileName(), file("card.wav"));  // kept for the next open
}

void TestMediaDevice::unknownWordsDoNothing_data()
{
    QTest::addColumn<QString>("word");
    for (const char* word : {"", "eject", "opened", "plays", "seek", "prev", "record", "close it"})
        QTest::newRow(*word ? word : "(empty)") << word;
}

void TestMediaDevice::unknownWordsDoNothing()
{
    QFETCH(QString, word);
    MediaDevice device;
    device.setFileName(file("card.wav"));
    device.setCommand(word);
    QCOMPARE(device.mode(), Mode::Closed);
    device.setCommand(QStringLiteral("open"));
    device.setCommand(QStringLiteral("play"));
    device.setCommand(word);
    QCOMPARE(device.mode(), Mode::Playing);
}

void TestMediaDevice::unplayableFilesStayClosed_data()
{
    QTest::addColumn<QString>("name");
    for (const char* name : {"missing.mid", "empty.mid", "garbage.mid", "cut.mid", "cut.wav", "silent.mid", "folder.mid",
                             "fifo.mid", "fifo.wav", "FIFO.WAV"})
        QTest::newRow(name) << name;
}

void TestMediaDevice::unplayableFilesStayClosed()
{
    QFETCH(QString, name);
    auto&& [device, done] = open(name);
    QCOMPARE(device.mode(), Mode::Closed);
    QVERIFY(device.openedFile().isEmpty());
    for (const char* word : {"play", "pause", "play", "stop", "play"})
        device.setCommand(QString::fromLatin1(word));
    QCOMPARE(device.mode(), Mode::Closed);
    // Past where the end would have been, had the file been taken for a song (even one of
    // no length) and played.
    QTest::qWait(kSongMs);
    QCOMPARE(done.count(), 0);
    QCOMPARE(Mix_PlayingMusic(), 0);
}

void TestMediaDevice::unplayableFileAfterAGoodOne()
{
    auto&& [device, done] = open("song.mid");
    device.setCommand(QStringLiteral("play"));
    QVERIFY(waitForMixer(true));
    device.setFileName(file("garbage.mid"));
    device.setCommand(QStringLiteral("open"));
    QCOMPARE(device.mode(), Mode::Closed);
    device.setCommand(QStringLiteral("play"));
    QTest::qWait(kSongMs + 300);
    QCOMPARE(done.count(), 0);
    QCOMPARE(Mix_PlayingMusic(), 0);
}

void TestMediaDevice::nameFoundWhateverItsCase_data()
{
    QTest::addColumn<QString>("asked");
    QTest::newRow("as it is") << "music/Easycity.mid";
    QTest::newRow("extension in capitals") << "music/Easycity.MID";
    QTest::newRow("folder and name in other cases") << "MUSIC/EASYCITY.mid";
}

void TestMediaDevice::nameFoundWhateverItsCase()
{
    QFETCH(QString, asked);
    MediaDevice device;
    device.setFileName(file(asked));
    device.setCommand(QStringLiteral("open"));
    QCOMPARE(device.mode(), Mode::Stopped);
    QCOMPARE(device.openedFile(), file("music/Easycity.mid"));
    QCOMPARE(device.fileName(), file(asked));
}

void TestMediaDevice::kindByContentNotName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("song");
    QTest::newRow("WAV named .mid") << "wav-inside.mid" << false;
    QTest::newRow("song named .wav") << "song-inside.wav" << true;
}

void TestMediaDevice::kindByContentNotName()
{
    QFETCH(QString, name);
    QFETCH(bool, song);
    auto&& [device, done] = open(name);
    QCOMPARE(device.mode(), Mode::Stopped);
    device.setCommand(QStringLiteral("play"));
    QVERIFY(waitForMixer(song));
    QCOMPARE(Mix_PlayingMusic() != 0, song);
    QCOMPARE(Mix_Playing(-1) > 0, !song);
    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 4000);
}

void TestMediaDevice::closeOrReopenWhileLoading_data()
{
    QTest::addColumn<bool>("reopen");
    QTest::newRow("close") << false;
    QTest::newRow("open another song") << true;
}

// A command that arrives while a song is being loaded: the load, when it comes, is thrown
// away, and never plays.
void TestMediaDevice::closeOrReopenWhileLoading()
{
    QFETCH(bool, reopen);
    auto&& [device, done] = open("long.mid");
    DoneLog log(device);
    device.setCommand(QStringLiteral("play"));
    QCOMPARE(device.mode(), Mode::Playing);  // as the game sees it, while the song loads
    QCOMPARE(Mix_PlayingMusic(), 0);
    if (reopen) {
        device.setFileName(file("song.mid"));
        device.setCommand(QStringLiteral("open"));
        log.restart();
        device.setCommand(QStringLiteral("play"));
        QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 4000);
        QVERIFY2(log.times.at(0) >= kSongMs, qPrintable(QString::number(log.times.at(0))));
        QCOMPARE(Mix_PlayingMusic(), 0);  // the long song did not start in its place
        QTest::qWait(300);
        QCOMPARE(done.count(), 1);
    } else {
        device.setCommand(QStringLiteral("close"));
        QElapsedTimer watch;
        watch.start();
        while (watch.elapsed() < 600) {
            QVERIFY(!Mix_PlayingMusic());
            QTest::qWait(10);
        }
        QCOMPARE(done.count(), 0);
        // The device is as good as new.
        device.setFileName(file("song.mid"));
        device.setCommand(QStringLiteral("open"));
        device.setCommand(QStringLiteral("play"));
        QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 4000);
    }
}

void TestMediaDevice::theMusicStreamHasOneOwner()
{
    MediaDevice first;
    MediaDevice second;
    QSignalSpy firstDone(&first, &MediaDevice::Done);
    QSignalSpy secondDone(&second, &MediaDevice::Done);
    first.setFileName(file("long.mid"));
    first.setCommand(QStringLiteral("open"));
    first.setCommand(QStringLiteral("play"));
    QVERIFY(waitForMixer(true));

    second.setFileName(file("song.mid"));
    second.setCommand(QStringLiteral("open"));
    QCOMPARE(first.mode(), Mode::Closed);
    QCOMPARE(Mix_PlayingMusic(), 0);
    first.setCommand(QStringLiteral("play"));  // closed: nothing
    second.setCommand(QStringLiteral("play"));
    QTRY_COMPARE_WITH_TIMEOUT(secondDone.count(), 1, 4000);
    QCOMPARE(firstDone.count(), 0);

    // And back: the first takes it again.
    first.setCommand(QStringLiteral("open"));
    QCOMPARE(first.mode(), Mode::Stopped);
    QCOMPARE(second.mode(), Mode::Closed);
}

void TestMediaDevice::devicesPlayTogether()
{
    MediaDevice card;
    MediaDevice otherCard;
    MediaDevice music;
    QSignalSpy cardDone(&card, &MediaDevice::Done);
    QSignalSpy otherDone(&otherCard, &MediaDevice::Done);
    QSignalSpy musicDone(&music, &MediaDevice::Done);
    card.setFileName(file("card.wav"));
    otherCard.setFileName(file("other.wav"));
    music.setFileName(file("song.mid"));
    for (MediaDevice* device : {&card, &otherCard, &music})
        device->setCommand(QStringLiteral("open"));
    QCOMPARE(Mix_Playing(-1), 0);
    music.setCommand(QStringLiteral("play"));
    QVERIFY(waitForMixer(true));
    card.setCommand(QStringLiteral("play"));
    otherCard.setCommand(QStringLiteral("play"));
    QCOMPARE(Mix_Playing(-1), 2);  // a channel each
    QTRY_COMPARE_WITH_TIMEOUT(cardDone.count(), 1, 3000);
    QTRY_COMPARE_WITH_TIMEOUT(otherDone.count(), 1, 3000);
    QTRY_COMPARE_WITH_TIMEOUT(musicDone.count(), 1, 3000);
}

// The game's sequential mode: at each Done(1), close, open the next song, play. A file
// that cannot be opened ends the chain (no report), instead of spinning through songs
// that end at once.
void TestMediaDevice::chainOfSongsStopsAtABadFile()
{
    const QStringList chain = {file("song.mid"), file("two.mid"), file("garbage.mid"), file("song.mid")};
    MediaDevice device;
    QSignalSpy done(&device, &MediaDevice::Done);
    DoneLog log(device);
    int next = 0;
    auto playNext = [&] {
        device.setCommand(QStringLiteral("close"));
        device.setFileName(chain.value(next++));
        device.setCommand(QStringLiteral("Open"));
        device.setCommand(QStringLiteral("play"));
    };
    connect(&device, &MediaDevice::Done, this, [&](int code) {
        if (code == 1)
            playNext();
    });
    playNext();
    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 2, 5000);
    // The second song's end is counted from its mixed frames: it may come up to a mixer
    // buffer before the wall clock says.
    const qint64 between = log.times.at(1) - log.times.at(0);
    QVERIFY2(between >= kTwoNotesMs - kMixerEarlyMs, qPrintable(QString::number(between)));
    QCOMPARE(device.mode(), Mode::Closed);
    QTest::qWait(500);
    QCOMPARE(done.count(), 2);
    QCOMPARE(next, 3);
}

// Even with the wait flag set, a play returns before the sound ends.
void TestMediaDevice::commandsReturnAtOnce()
{
    MediaDevice device;
    QSignalSpy done(&device, &MediaDevice::Done);
    device.setWait(true);
    device.setFileName(file("card.wav"));
    device.setCommand(QStringLiteral("open"));
    device.setWait(true);
    device.setCommand(QStringLiteral("play"));
    QCOMPARE(device.mode(), Mode::Playing);
    QCOMPARE(done.count(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 3000);
}

// What a control strip sees: each change of mode, once, as it happens, also the end of a
// play (Stopped), which comes from the event loop.
void TestMediaDevice::modeChangesAreReported()
{
    MediaDevice device;
    QList<Mode> modes;
    connect(&device, &MediaDevice::modeChanged, this, [&](Mode mode) {
        QCOMPARE(device.mode(), mode);
        modes.append(mode);
    });
    device.setFileName(file("song.mid"));
    for (const char* word : {"open", "play", "play", "pause", "pause", "play", "stop", "stop", "close", "close"})
        device.setCommand(QString::fromLatin1(word));
    QCOMPARE(modes, (QList<Mode>{Mode::Stopped, Mode::Playing, Mode::Paused, Mode::Playing, Mode::Stopped, Mode::Closed}));

    modes.clear();
    QSignalSpy done(&device, &MediaDevice::Done);
    device.setCommand(QStringLiteral("open"));
    device.setCommand(QStringLiteral("play"));
    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 4000);
    QCOMPARE(modes, (QList<Mode>{Mode::Stopped, Mode::Playing, Mode::Stopped}));

    // Another device taking the music closes this one: that is reported too.
    MediaDevice other;
    other.setFileName(file("two.mid"));
    other.setCommand(QStringLiteral("open"));
    QCOMPARE(modes.last(), Mode::Closed);
}

QTEST_MAIN(TestMediaDevice)
#include "tst_media_device.moc"
