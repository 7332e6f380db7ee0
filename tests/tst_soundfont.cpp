// The soundfont the songs are played with. When it is missing the songs still open, play
// and end (silently, unless FluidSynth finds one of its own), and the program says why
// on standard error, once, naming the soundfont it looked for. Each case runs in a child
// process of its own: the mixer opens once in a process.
#include "audio/audio_system.h"
#include "audio/media_device.h"
#include "tst_audio_fixtures.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

using audio::AudioSystem;
using audio::MediaDevice;

namespace {

// The child: names the soundfont, plays the song twice (the mixer opens at the first
// open), and exits 0 when both plays ended naturally.
int playSongs(const QByteArray& soundFont, const QString& song)
{
    AudioSystem::instance().setSoundFont(soundFont);
    fixtures::OpenedDevice opened(song);
    auto& [device, done] = opened;
    for (int play = 1; play <= 2; ++play) {
        device.setCommand(QStringLiteral("play"));
        if (!QTest::qWaitFor([&] { return done.count() == play; }, 5000))
            return 1;
    }
    return done.at(0).at(0).toInt() == audio::NotifySuccessful ? 0 : 2;
}

} // namespace

class TestSoundFont : public QObject, private fixtures::SoundFolder {
    Q_OBJECT
private slots:
    void initTestCase();
    void missingSoundFontIsNamed_data();
    void missingSoundFontIsNamed();
};

void TestSoundFont::initTestCase()
{
    QVERIFY(isValid());
    QVERIFY(write("song.mid", fixtures::oneNoteSong(150)));
}

void TestSoundFont::missingSoundFontIsNamed_data()
{
    QTest::addColumn<QByteArray>("soundFont");
    QTest::addColumn<QByteArray>("noAudio");  // COPPIX_NO_AUDIO
    QTest::addColumn<bool>("said");
    QTest::newRow("missing") << QByteArray("/nowhere/GM.sf2") << QByteArray() << true;
    QTest::newRow("a folder") << QFile::encodeName(path()) << QByteArray() << true;
    QTest::newRow("installed") << QByteArray(AudioSystem::kSoundFont) << QByteArray() << false;
    // No audio at all: every song is silent anyway, and the soundfont is never looked for.
    QTest::newRow("missing, no audio") << QByteArray("/nowhere/GM.sf2") << QByteArray("1") << false;
}

void TestSoundFont::missingSoundFontIsNamed()
{
    QFETCH(QByteArray, soundFont);
    QFETCH(QByteArray, noAudio);
    QFETCH(bool, said);
    if (soundFont == AudioSystem::kSoundFont && !QFileInfo(QString::fromLatin1(soundFont)).isFile())
        QSKIP("the soundfont is not installed here");
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("COPPIX_TEST_SOUNDFONT"), QString::fromLocal8Bit(soundFont));
    env.insert(QStringLiteral("COPPIX_TEST_SONG"), file("song.mid"));
    env.insert(QStringLiteral("SDL_AUDIODRIVER"), QStringLiteral("dummy"));
    if (noAudio.isEmpty())
        env.remove(QStringLiteral("COPPIX_NO_AUDIO"));
    else
        env.insert(QStringLiteral("COPPIX_NO_AUDIO"), QString::fromLatin1(noAudio));
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(child.waitForFinished(20000));
    const QByteArray err = child.readAllStandardError();
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QVERIFY2(child.exitCode() == 0, err.constData());  // the songs played and ended all the same
    QList<QByteArray> lines;
    for (const QByteArray& line : err.split('\n'))
        if (line.contains("soundfont"))
            lines.append(line);
    if (said) {
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines.at(0).startsWith("coppix: ") && lines.at(0).contains(" " + soundFont + " "), lines.at(0).constData());
    } else {
        QVERIFY2(lines.isEmpty(), err.constData());
    }
}

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsSet("COPPIX_TEST_SOUNDFONT"))
        return playSongs(qgetenv("COPPIX_TEST_SOUNDFONT"), qEnvironmentVariable("COPPIX_TEST_SONG"));
    TestSoundFont test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_soundfont.moc"
