// Audio start-up when the driver asked for is not there (as on a machine without a sound
// card, where ALSA cannot open a device): the game falls back to the dummy driver, which
// keeps the time, so plays still end and are reported.
#include "audio/audio_system.h"
#include "audio/media_device.h"
#include "tst_audio_fixtures.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using audio::MediaDevice;

class TestAudioFallback : public QObject, private fixtures::SoundFolder {
    Q_OBJECT
private slots:
    void initTestCase();
    void fallsBackToTheDummyDriver_data();
    void fallsBackToTheDummyDriver();
};

void TestAudioFallback::initTestCase()
{
    QVERIFY(isValid());
    qputenv("SDL_AUDIODRIVER", "no-such-driver");
    QVERIFY(write("card.wav", fixtures::toneWav(200)));
    QVERIFY(write("song.mid", fixtures::oneNoteSong(150)));
}

void TestAudioFallback::fallsBackToTheDummyDriver_data()
{
    fixtures::addWavAndSongRows();
}

void TestAudioFallback::fallsBackToTheDummyDriver()
{
    QFETCH(QString, name);
    auto&& [device, done] = open(name);
    QCOMPARE(device.mode(), MediaDevice::Mode::Stopped);
    QVERIFY(audio::AudioSystem::instance().started());
    QCOMPARE(audio::AudioSystem::instance().driverName(), QStringLiteral("dummy"));
    device.setCommand(QStringLiteral("play"));
    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 3000);
    QCOMPARE(done.at(0).at(0).toInt(), 1);
}

QTEST_MAIN(TestAudioFallback)
#include "tst_audio_fallback.moc"
