// No audio at all (COPPIX_NO_AUDIO=1, or no driver that opens): SDL is never touched, and
// the devices play by their clocks alone, silently, so the game sees the same commands
// take the same time and the same Done(1) at each natural end.
#include "audio/audio_system.h"
#include "audio/media_device.h"
#include "tst_audio_fixtures.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <SDL.h>

using audio::MediaDevice;
using Mode = audio::MediaDevice::Mode;

namespace {
constexpr int kWavMs = 250;
constexpr int kNoteMs = 150;
constexpr int kSongMs = kNoteMs + MediaDevice::kMidiReleaseMs;
// The sounds that are paused or played twice: long enough that a play whose clock lost
// the part before the pause, or before the second "play", ends late by far more than any
// delay of a loaded machine.
constexpr int kLongMs = 1500;
constexpr int kBeforeMs = 900;  // played before the pause or the second "play"
constexpr int kPausedMs = 400;
constexpr int kLateMs = 500;    // how late an end may come (a loaded machine, the sanitizers)
} // namespace

class TestAudioSilent : public QObject, private fixtures::SoundFolder {
    Q_OBJECT
private slots:
    void initTestCase();
    void playsEndByTheClock_data();
    void playsEndByTheClock();
    void pauseHoldsTheClock_data();
    void pauseHoldsTheClock();
    void closeCutsShort();
    void badFilesStayClosed_data();
    void badFilesStayClosed();
    void sdlWasNeverStarted();
};

void TestAudioSilent::initTestCase()
{
    QVERIFY(isValid());
    qputenv("COPPIX_NO_AUDIO", "1");
    QVERIFY(write("card.wav", fixtures::toneWav(kWavMs)));
    QVERIFY(write("song.mid", fixtures::oneNoteSong(kNoteMs)));
    QVERIFY(write("garbage.mid", QByteArray(100, 'g')));
    QVERIFY(write("silent.mid", fixtures::metaOnlySong()));
    QVERIFY(write("cut.wav", fixtures::toneWav(kWavMs).left(100)));
    QVERIFY(write("long.wav", fixtures::toneWav(kLongMs)));
    QVERIFY(write("long.mid", fixtures::oneNoteSong(kLongMs - MediaDevice::kMidiReleaseMs)));
}

void TestAudioSilent::playsEndByTheClock_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("endMs");
    QTest::newRow("WAV") << "card.wav" << kWavMs;
    QTest::newRow("song") << "song.mid" << kSongMs;
}

void TestAudioSilent::playsEndByTheClock()
{
    QFETCH(QString, name);
    QFETCH(int, endMs);
    auto&& [device, done] = open(name);
    QCOMPARE(device.mode(), Mode::Stopped);
    QVERIFY(!audio::AudioSystem::instance().started());
    QVERIFY(audio::AudioSystem::instance().driverName().isEmpty());
    QElapsedTimer clock;
    clock.start();
    device.setCommand(QStringLiteral("play"));
    QCOMPARE(device.mode(), Mode::Playing);
    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, endMs + 2000);
    const qint64 elapsed = clock.elapsed();
    QVERIFY2(elapsed >= endMs && elapsed < endMs + 300, qPrintable(QString::number(elapsed)));
    QCOMPARE(done.at(0).at(0).toInt(), 1);
    QCOMPARE(device.mode(), Mode::Stopped);
}

void TestAudioSilent::pauseHoldsTheClock_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("paused");  // paused after the first part; otherwise sent "play" again
    for (const auto& [kind, file] : {std::pair{"WAV", "long.wav"}, std::pair{"song", "long.mid"}}) {
        QTest::addRow("%s, paused", kind) << QString::fromLatin1(file) << true;
        QTest::addRow("%s, sent play again", kind) << QString::fromLatin1(file) << false;
    }
}

// Played for a while, then paused and played on, or sent "play" again while it plays: it
// ends when the rest of it has played, no earlier (the clock stood still in the pause)
// and no later (the part played before still counts, and a second "play" plays on).
void TestAudioSilent::pauseHoldsTheClock()
{
    QFETCH(QString, name);
    QFETCH(bool, paused);
    auto&& [device, done] = open(name);
    QElapsedTimer clock;
    qint64 endedAt = -1;
    connect(&device, &MediaDevice::Done, this, [&] { endedAt = clock.elapsed(); });
    clock.start();
    device.setCommand(QStringLiteral("play"));
    QTest::qWait(kBeforeMs);
    qint64 held = 0;
    if (paused) {
        const qint64 pausedAt = clock.elapsed();
        device.setCommand(QStringLiteral("pause"));
        QCOMPARE(device.mode(), Mode::Paused);
        QTest::qWait(kPausedMs);
        QCOMPARE(done.count(), 0);
        held = clock.elapsed() - pausedAt;
    }
    device.setCommand(QStringLiteral("play"));
    QCOMPARE(device.mode(), Mode::Playing);
    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, kLongMs + 3000);
    const qint64 due = kLongMs + held;
    QVERIFY2(endedAt >= due - 2 && endedAt < due + kLateMs,
             qPrintable(QStringLiteral("ended at %1 ms, due at %2 ms").arg(endedAt).arg(due)));
    QCOMPARE(device.mode(), Mode::Stopped);
}

void TestAudioSilent::closeCutsShort()
{
    auto&& [device, done] = open("song.mid");
    device.setCommand(QStringLiteral("play"));
    QTest::qWait(100);
    device.setCommand(QStringLiteral("close"));
    QTest::qWait(kSongMs + 100);
    QCOMPARE(done.count(), 0);
}

void TestAudioSilent::badFilesStayClosed_data()
{
    QTest::addColumn<QString>("name");
    for (const char* name : {"garbage.mid", "silent.mid", "cut.wav"})
        QTest::newRow(name) << name;
}

void TestAudioSilent::badFilesStayClosed()
{
    QFETCH(QString, name);
    auto&& [device, done] = open(name);
    QCOMPARE(device.mode(), Mode::Closed);
    device.setCommand(QStringLiteral("play"));
    QTest::qWait(MediaDevice::kMidiReleaseMs + 100);  // a song of no length would have ended
    QCOMPARE(done.count(), 0);
}

void TestAudioSilent::sdlWasNeverStarted()
{
    QCOMPARE(SDL_WasInit(SDL_INIT_AUDIO), 0u);
}

QTEST_MAIN(TestAudioSilent)
#include "tst_audio_silent.moc"
