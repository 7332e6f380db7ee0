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

class TestAudioFallback : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void fallsBackToTheDummyDriver_data();
    void fallsBackToTheDummyDriver();

private:
    QTemporaryDir m_dir;
};

void TestAudioFallback::initTestCase()
{
    QVERIFY(m_dir.isValid());
    qputenv("SDL_AUDIODRIVER", "no-such-driver");
    QVERIFY(fixtures::writeFile(m_dir.filePath(QStringLiteral("card.wav")), fixtures::toneWav(200)));
    QVERIFY(fixtures::writeFile(m_dir.filePath(QStringLiteral("song.mid")), fixtures::oneNoteSong(150)));
}

void TestAudioFallback::fallsBackToTheDummyDriver_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("WAV") << "card.wav";
    QTest::newRow("song") << "song.mid";
}

void TestAudioFallback::fallsBackToTheDummyDriver()
{
    QFETCH(QString, name);
    MediaDevice device;
    QSignalSpy done(&device, &MediaDevice::Done);
    device.setFileName(m_dir.filePath(name));
    device.setCommand(QStringLiteral("open"));
    QCOMPARE(device.mode(), MediaDevice::Mode::Stopped);
    QVERIFY(audio::AudioSystem::instance().started());
    QCOMPARE(audio::AudioSystem::instance().driverName(), QStringLiteral("dummy"));
    device.setCommand(QStringLiteral("play"));
    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 3000);
    QCOMPARE(done.at(0).at(0).toInt(), 1);
}

QTEST_MAIN(TestAudioFallback)
#include "tst_audio_fallback.moc"
