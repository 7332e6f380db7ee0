// What comes out: SDL's "disk" driver writes the mixed output to a file, in real time, as
// raw signed 16-bit little-endian stereo at 44.1 kHz. A play must put sound there, and
// nothing must sound while nothing plays, or after a sound is halted or reported ended.
// (Needs no sound card.)
#include "audio/audio_system.h"
#include "audio/fluidsynth_settings.h"
#include "audio/media_device.h"
#include "disk_sound.h"
#include "tst_audio_fixtures.h"

#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using audio::MediaDevice;

namespace {

using disksound::kBytesPerSecond;
// The tone is at about a third of full scale, the piano note about as loud: far above a
// threshold that leaves no doubt sound was made.
constexpr int kLoud = 2000;

} // namespace

class TestAudioOutput : public QObject, private fixtures::SoundFolder {
    Q_OBJECT
private slots:
    void initTestCase();
    void silentUntilSomethingPlays();
    void playsMakeSound_data();
    void playsMakeSound();
    void haltedSoundFallsSilent_data();
    void haltedSoundFallsSilent();

private:
    qint64 written() const { return QFileInfo(file("out.raw")).size(); }
    // The loudest sample written from the byte offset on (up to the given length).
    int peakFrom(qint64 offset, qint64 length = -1) const { return disksound::loudestSampleIn(file("out.raw"), offset, length); }
};

void TestAudioOutput::initTestCase()
{
    QVERIFY(isValid());
    // The driver is chosen when the first device opens: before that.
    QVERIFY(!audio::AudioSystem::instance().started());
    disksound::writeSoundTo(file("out.raw"));
    QVERIFY(write("card.wav", fixtures::toneWav(300)));
    QVERIFY(write("long.wav", fixtures::toneWav(1500)));
    QVERIFY(write("song.mid", fixtures::oneNoteSong(300)));
    QVERIFY(write("long.mid", fixtures::oneNoteSong(3000)));
}

void TestAudioOutput::silentUntilSomethingPlays()
{
    MediaDevice device;
    device.setFileName(file("card.wav"));
    device.setCommand(QStringLiteral("open"));
    QVERIFY(audio::AudioSystem::instance().started());
    QCOMPARE(audio::AudioSystem::instance().driverName(), QStringLiteral("disk"));
    QTest::qWait(300);
    // The driver is writing (in real time: some 300 ms by now), and all of it silence.
    QVERIFY2(written() > kBytesPerSecond / 10, qPrintable(QString::number(written())));
    QCOMPARE(peakFrom(0), 0);
}

void TestAudioOutput::playsMakeSound_data()
{
    fixtures::addWavAndSongRows();
}

// Each sound twice: a second play after a natural end must sound as well. A song's
// synthesiser loads its soundfont's samples on demand, and the song still sounds.
void TestAudioOutput::playsMakeSound()
{
    QFETCH(QString, name);
    const int onDemandBefore = audio::settingsWithSamplesOnDemand();
    auto&& [device, done] = open(name);
    QCOMPARE(device.mode(), MediaDevice::Mode::Stopped);
    for (int play = 1; play <= 2; ++play) {
        QTest::qWait(100);
        const qint64 before = written();
        QVERIFY(peakFrom(before - kBytesPerSecond / 20) == 0);
        device.setCommand(QStringLiteral("play"));
        QTRY_COMPARE_WITH_TIMEOUT(done.count(), play, 4000);
        QTest::qWait(100);  // what was mixed last reaches the file
        const int peak = peakFrom(before);
        QVERIFY2(peak > kLoud, qPrintable(QStringLiteral("play %1: peak %2").arg(play).arg(peak)));
    }
    if (name.endsWith(QLatin1String(".mid")))
        QVERIFY(audio::settingsWithSamplesOnDemand() > onDemandBefore);
}

void TestAudioOutput::haltedSoundFallsSilent_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("how");
    QTest::newRow("WAV, stop") << "long.wav" << "stop";
    QTest::newRow("song, stop") << "long.mid" << "stop";
    QTest::newRow("song, close") << "long.mid" << "close";
    QTest::newRow("song, pause") << "long.mid" << "pause";
    // The song is halted when its end is reported, before FluidSynth's voices die away.
    QTest::newRow("song, its end") << "song.mid" << "";
}

void TestAudioOutput::haltedSoundFallsSilent()
{
    QFETCH(QString, name);
    QFETCH(QString, how);
    auto&& [device, done] = open(name);
    const qint64 start = written();
    device.setCommand(QStringLiteral("play"));
    if (how.isEmpty()) {
        QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 4000);
    } else {
        // A song starts only when the loader thread has it ready, which may take a few
        // hundred milliseconds on a busy machine: halt it once it is heard, not after a
        // guess at how long loading takes. It then sounds a while longer, well before its end.
        QTRY_VERIFY_WITH_TIMEOUT(peakFrom(start) > kLoud, 5000);
        QTest::qWait(200);
        device.setCommand(how);
    }
    QTest::qWait(100);  // the output written before the halt reaches the file
    const qint64 halted = written();
    QTest::qWait(300);
    QVERIFY2(peakFrom(start, halted - start) > kLoud, "it sounded");
    const int after = peakFrom(halted);
    QVERIFY2(after == 0, qPrintable(QStringLiteral("peak %1 after the halt").arg(after)));
}

QTEST_MAIN(TestAudioOutput)
#include "tst_audio_output.moc"
