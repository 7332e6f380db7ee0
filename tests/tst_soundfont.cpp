// The soundfonts the songs are played with. Only regular files reach SDL_mixer: one that is
// missing, a folder or a FIFO (which SDL_mixer would open with a blocking fopen, holding the
// GUI thread for ever) is left out, named once on standard error, and the songs still open,
// play and end, silently when no soundfont is left. The player's SDL_FORCE_SOUNDFONTS and
// SDL_SOUNDFONTS are honoured the same way. The mixer cases run in child processes: the mixer
// opens once in a process.
#include "audio/audio_system.h"
#include "audio/media_device.h"
#include "audio/soundfont_list.h"
#include "tst_audio_fixtures.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include <SDL_mixer.h>

#include <cstdio>
#include <sys/stat.h>

using audio::AudioSystem;
using audio::MediaDevice;

namespace {

// The child: names the soundfont, plays the song twice (the mixer opens at the first
// open), prints the soundfonts SDL_mixer was left with, and exits 0 when both plays ended
// naturally.
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
    if (AudioSystem::instance().started()) {
        const char* list = Mix_GetSoundFonts();
        std::printf("mixer soundfonts: %s\n", list ? list : "(none)");
    }
    return done.at(0).at(0).toInt() == audio::NotifySuccessful ? 0 : 2;
}

} // namespace

class TestSoundFont : public QObject, private fixtures::SoundFolder {
    Q_OBJECT
private slots:
    void initTestCase();
    void soundFontList_data();
    void soundFontList();
    void onlyRegularFilesReachTheMixer_data();
    void onlyRegularFilesReachTheMixer();

private:
    // Names written short in the tables, in this folder: "@regular", "@other", "@fifo",
    // "@folder" and "@missing" (each with ".sf2"); the rest stands as written.
    QByteArray expand(const QByteArray& names) const;
};

void TestSoundFont::initTestCase()
{
    QVERIFY(isValid());
    QVERIFY(write("song.mid", fixtures::oneNoteSong(150)));
    QVERIFY(write("regular.sf2", "sfbk"));
    QVERIFY(write("other.sf2", "sfbk"));
    QCOMPARE(::mkfifo(QFile::encodeName(file("fifo.sf2")).constData(), 0600), 0);
    QVERIFY(QDir(path()).mkdir(QStringLiteral("folder.sf2")));
    QCOMPARE(::mkfifo(QFile::encodeName(file("timidity.cfg")).constData(), 0600), 0);
}

QByteArray TestSoundFont::expand(const QByteArray& names) const
{
    QByteArray out;
    QByteArray name;
    auto flush = [&] {
        if (name.startsWith('@')) {
            const qsizetype slash = name.contains('/') ? name.indexOf('/') : name.size();
            out += QFile::encodeName(file(QString::fromLatin1(name.mid(1, slash - 1) + ".sf2"))) + name.mid(slash);
        } else {
            out += name;
        }
        name.clear();
    };
    for (const char c : names) {
        if (c == ';' || c == ':' || c == ' ' || c == '=' || c == ',') {
            flush();
            out += c;
        } else {
            name += c;
        }
    }
    flush();
    return out;
}

// The list SDL_mixer would use, worked out as it works it out, with what is not a regular
// file on it left out. refused: "name=reason", in order, separated by ",".
void TestSoundFont::soundFontList_data()
{
    QTest::addColumn<QByteArray>("ours");
    QTest::addColumn<QByteArray>("environment");  // SDL_SOUNDFONTS
    QTest::addColumn<bool>("forced");              // SDL_FORCE_SOUNDFONTS
    QTest::addColumn<QByteArray>("library");       // what SDL_mixer names by itself
    QTest::addColumn<QByteArray>("kept");
    QTest::addColumn<QByteArray>("refused");
    QTest::newRow("ours") << QByteArray("@regular") << QByteArray() << false << QByteArray("@other")
                          << QByteArray("@regular") << QByteArray();
    QTest::newRow("SDL_SOUNDFONTS without force is not used")
        << QByteArray("@regular") << QByteArray("@fifo;@missing") << false << QByteArray("@other") << QByteArray("@regular")
        << QByteArray();
    QTest::newRow("force with SDL_SOUNDFONTS empty is no force")
        << QByteArray("@regular") << QByteArray() << true << QByteArray("@other") << QByteArray("@regular") << QByteArray();
    QTest::newRow("ours a FIFO: the library's")
        << QByteArray("@fifo") << QByteArray() << false << QByteArray("@other") << QByteArray("@other")
        << QByteArray("@fifo=not a regular file");
    QTest::newRow("ours missing, the library's a folder")
        << QByteArray("@missing") << QByteArray() << false << QByteArray("@folder") << QByteArray()
        << QByteArray("@missing=not found,@folder=not a regular file");
    QTest::newRow("ours missing, the library's missing too: not said")
        << QByteArray("@missing") << QByteArray() << false << QByteArray("/nowhere/default-GM.sf3") << QByteArray()
        << QByteArray("@missing=not found");
    QTest::newRow("forced: a FIFO, a missing one, a regular one")
        << QByteArray("@other") << QByteArray("@fifo;@missing;@regular") << true << QByteArray("@other")
        << QByteArray("@regular") << QByteArray("@fifo=not a regular file,@missing=not found");
    QTest::newRow("forced: split at ':' too, and empty names dropped")
        << QByteArray("@other") << QByteArray("@regular::@folder;") << true << QByteArray("@other") << QByteArray("@regular")
        << QByteArray("@folder=not a regular file");
    QTest::newRow("forced: all refused, no other taken")
        << QByteArray("@regular") << QByteArray("@fifo") << true << QByteArray("@other") << QByteArray()
        << QByteArray("@fifo=not a regular file");
    QTest::newRow("forced: a list of separators names nothing")
        << QByteArray("@regular") << QByteArray(";") << true << QByteArray("@other") << QByteArray() << QByteArray();
    QTest::newRow("past a file: not found") << QByteArray("@regular/x.sf2") << QByteArray() << false
                                              << QByteArray("@other") << QByteArray("@other")
                                              << QByteArray("@regular/x.sf2=not found");
}

void TestSoundFont::soundFontList()
{
    QFETCH(QByteArray, ours);
    QFETCH(QByteArray, environment);
    QFETCH(bool, forced);
    QFETCH(QByteArray, library);
    QFETCH(QByteArray, kept);
    QFETCH(QByteArray, refused);
    audio::SoundFontSources sources;
    sources.ours = expand(ours);
    sources.environment = expand(environment);
    sources.forced = forced;
    sources.library = expand(library);
    const audio::SoundFontList list = audio::chooseSoundFonts(sources);
    QCOMPARE(list.kept.join(';'), expand(kept));
    QByteArrayList said;
    for (const audio::RefusedSoundFont& one : list.refused)
        said.append(one.path + '=' + one.reason);
    QCOMPARE(said.join(','), expand(refused));
    // What SDL_mixer is handed: the kept ones, or a list with no file that it takes as it is.
    QCOMPARE(list.forMixer(), list.kept.isEmpty() ? QByteArray(";") : expand(kept));
}

void TestSoundFont::onlyRegularFilesReachTheMixer_data()
{
    QTest::addColumn<QByteArray>("soundFont");   // the game's own
    QTest::addColumn<QByteArray>("environment"); // "NAME=value,..." for the child
    QTest::addColumn<bool>("inFolder");          // run in the folder, where timidity.cfg is a FIFO
    QTest::addColumn<QByteArray>("said");        // the soundfont lines expected, separated by ","
    QTest::addColumn<QByteArray>("mixer");       // what SDL_mixer is left with; "": no mixer
    const QByteArray ours = AudioSystem::kSoundFont;
    const QByteArray library = audio::kLibrarySoundFont;
    QTest::newRow("missing") << QByteArray("/nowhere/GM.sf2") << QByteArray() << false
                             << QByteArray("/nowhere/GM.sf2 not found (package timgm6mb-soundfont)") << library;
    QTest::newRow("a folder") << QByteArray("@folder") << QByteArray() << false
                              << QByteArray("@folder refused (not a regular file)") << library;
    QTest::newRow("a FIFO") << QByteArray("@fifo") << QByteArray() << false
                            << QByteArray("@fifo refused (not a regular file)") << library;
    QTest::newRow("installed") << ours << QByteArray() << false << QByteArray() << ours;
    // No audio at all: every song is silent anyway, and the soundfont is never looked for.
    QTest::newRow("missing, no audio") << QByteArray("/nowhere/GM.sf2") << QByteArray("COPPIX_NO_AUDIO=1") << false
                                       << QByteArray() << QByteArray();
    QTest::newRow("SDL_SOUNDFONTS a FIFO, forced")
        << ours << QByteArray("SDL_FORCE_SOUNDFONTS=1,SDL_SOUNDFONTS=@fifo") << false
        << QByteArray("@fifo refused (not a regular file)") << QByteArray(";");
    QTest::newRow("SDL_SOUNDFONTS a FIFO, a missing one and ours, forced")
        << ours << QByteArray("SDL_FORCE_SOUNDFONTS=1,SDL_SOUNDFONTS=@fifo;@missing;" + ours) << false
        << QByteArray("@fifo refused (not a regular file),@missing not found") << ours;
    QTest::newRow("SDL_SOUNDFONTS a FIFO, not forced") << ours << QByteArray("SDL_SOUNDFONTS=@fifo") << false
                                                       << QByteArray() << ours;
    // Timidity, SDL_mixer's other MIDI player, reads no configuration at all.
    QTest::newRow("TIMIDITY_CFG a FIFO") << ours << QByteArray("TIMIDITY_CFG=@fifo") << false << QByteArray() << ours;
    QTest::newRow("timidity.cfg a FIFO in the working folder") << ours << QByteArray() << true << QByteArray() << ours;
}

void TestSoundFont::onlyRegularFilesReachTheMixer()
{
    QFETCH(QByteArray, soundFont);
    QFETCH(QByteArray, environment);
    QFETCH(bool, inFolder);
    QFETCH(QByteArray, said);
    QFETCH(QByteArray, mixer);
    if (!QFileInfo(QString::fromLatin1(AudioSystem::kSoundFont)).isFile()
        || !QFileInfo(QString::fromLatin1(audio::kLibrarySoundFont)).isFile())
        QSKIP("the soundfonts are not installed here");
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"COPPIX_NO_AUDIO", "SDL_FORCE_SOUNDFONTS", "SDL_SOUNDFONTS", "TIMIDITY_CFG"})
        env.remove(QString::fromLatin1(name));
    env.insert(QStringLiteral("COPPIX_TEST_SOUNDFONT"), QString::fromLocal8Bit(expand(soundFont)));
    env.insert(QStringLiteral("COPPIX_TEST_SONG"), file("song.mid"));
    env.insert(QStringLiteral("SDL_AUDIODRIVER"), QStringLiteral("dummy"));
    for (const QByteArray& setting : environment.split(',')) {
        if (setting.isEmpty())
            continue;
        const qsizetype equals = setting.indexOf('=');
        env.insert(QString::fromLatin1(setting.left(equals)), QString::fromLocal8Bit(expand(setting.mid(equals + 1))));
    }
    child.setProcessEnvironment(env);
    if (inFolder)
        child.setWorkingDirectory(path());
    child.start(QCoreApplication::applicationFilePath(), {});
    // A child that opened a FIFO waits there for ever.
    const bool finished = child.waitForFinished(20000);
    if (!finished) {
        child.kill();
        child.waitForFinished(5000);
    }
    const QByteArray err = child.readAllStandardError();
    const QByteArray out = child.readAllStandardOutput();
    QVERIFY2(finished, "the child was held up opening a file");
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QVERIFY2(child.exitCode() == 0, err.constData());  // the songs played and ended all the same

    QByteArrayList lines;
    for (const QByteArray& line : err.split('\n'))
        if (line.contains("soundfont"))
            lines.append(line);
    const QByteArrayList expected = said.isEmpty() ? QByteArrayList() : said.split(',');
    QCOMPARE(lines.size(), expected.size());
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray line = "coppix: soundfont " + expand(expected.at(i)) + ": songs may be silent";
        QCOMPARE(lines.at(i), line);
    }
    QCOMPARE(out.trimmed(), mixer.isEmpty() ? QByteArray() : "mixer soundfonts: " + mixer);
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
