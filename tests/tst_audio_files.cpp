// The checks a sound file passes before it is opened: the WAV and MIDI parsers, the
// file reader, and the case-insensitive lookup of a file name.
#include "audio/file_check.h"
#include "audio/file_lookup.h"
#include "tst_audio_fixtures.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace fixtures;

namespace {

QByteArray wavChunk(const char* tag, const QByteArray& body)
{
    QByteArray out = QByteArray(tag, 4) + littleEndian(quint32(body.size()), 4) + body;
    if (body.size() & 1)
        out.append('\0');
    return out;
}

QByteArray riff(const QByteArray& chunks, const char* form = "WAVE")
{
    return QByteArray("RIFF") + littleEndian(quint32(chunks.size() + 4), 4) + QByteArray(form, 4) + chunks;
}

QByteArray fmtBody(int tag, int channels, int rate, int bits)
{
    const int block = channels * bits / 8;
    return littleEndian(quint32(tag), 2) + littleEndian(quint32(channels), 2) + littleEndian(quint32(rate), 4)
           + littleEndian(quint32(rate * block), 4) + littleEndian(quint32(block), 2) + littleEndian(quint32(bits), 2);
}

const QByteArray kMonoFmt = fmtBody(1, 1, 22050, 16);

} // namespace

class TestAudioFiles : public QObject {
    Q_OBJECT
private slots:
    void midiParser_data();
    void midiParser();
    void everyTruncationOfASongIsRefused_data();
    void everyTruncationOfASongIsRefused();
    void wavParser_data();
    void wavParser();
    void everyTruncationOfAWavIsRefused();
    void sizeLimit();
    void kindIsDecidedByContent_data();
    void kindIsDecidedByContent();
    void mangledInputKeepsInvariants();
    void readSoundFile_data();
    void readSoundFile();
    void caseInsensitiveLookup_data();
    void caseInsensitiveLookup();
};

// ------------------------------------------------------------------------------------ MIDI

void TestAudioFiles::midiParser_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("parses");
    QTest::addColumn<bool>("playable");
    QTest::addColumn<int>("tracks");
    QTest::addColumn<qint64>("noteOns");
    QTest::addColumn<qint64>("lastNoteOffMs");
    QTest::addColumn<qint64>("soundEndMs");
    QTest::addColumn<qint64>("lastEventMs");

    const QByteArray head = midiHeader(0, 1, kDivision);
    auto accepted = [](const char* name, const QByteArray& file, bool playable, int tracks, qint64 notes,
                       qint64 offMs, qint64 endMs, qint64 lastMs) {
        QTest::newRow(name) << file << true << playable << tracks << notes << offMs << endMs << lastMs;
    };
    auto refused = [](const char* name, const QByteArray& file) {
        QTest::newRow(name) << file << false << false << 0 << qint64(0) << qint64(0) << qint64(0) << qint64(0);
    };

    accepted("one note", oneNoteSong(250), true, 1, 1, 250, 250, 250);
    accepted("two notes, format 1", twoNoteSong(150), true, 2, 2, 300, 300, 300);
    accepted("running status, note-on 0 as note-off",
             head + track(noteOn(0, 60) + varLen(480) + bytes({62, 100}) + varLen(480) + bytes({60, 0})
                          + varLen(0) + bytes({62, 0}) + endOfTrack()),
             true, 1, 2, 1000, 1000, 1000);
    accepted("tempo change mid-song",
             head + track(setTempo(0, 500000) + noteOn(0, 60) + setTempo(480, 250000) + noteOff(480, 60)
                          + endOfTrack()),
             true, 1, 1, 750, 750, 750);
    accepted("tempo from the first track applies to the second",
             midiHeader(1, 2, kDivision) + track(setTempo(0, 1000000) + endOfTrack())
                 + track(noteOn(0, 60) + noteOff(480, 60) + endOfTrack()),
             true, 2, 1, 1000, 1000, 1000);
    accepted("tempo change at the note-off's own tick",
             head + track(noteOn(0, 60) + noteOff(480, 60) + setTempo(0, 2000000) + endOfTrack(480)), true, 1, 1,
             500, 500, 2500);
    accepted("sysex, escaped packet and meta text",
             head + track(midiEvent(0, {0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7}) + midiEvent(0, {0xF7, 0x02, 0xF3, 0x01})
                          + midiEvent(0, {0xFF, 0x01, 0x03, 'a', 'b', 'c'}) + noteOn(0, 60) + noteOff(240, 60)
                          + endOfTrack()),
             true, 1, 1, 250, 250, 250);
    accepted("largest delta time",
             head + track(noteOn(0, 60) + noteOff(0x0FFFFFFF, 60) + endOfTrack()), true, 1, 1, 279620265, 279620265,
             279620265);
    accepted("longer header", midiHeader(0, 1, kDivision, 10) + track(noteOn(0, 60) + noteOff(480, 60) + endOfTrack()),
             true, 1, 1, 500, 500, 500);
    accepted("unknown chunk between tracks",
             midiHeader(1, 2, kDivision) + track(setTempo(0, 500000) + endOfTrack()) + chunk("XFIH", "abc")
                 + track(noteOn(0, 60) + noteOff(480, 60) + endOfTrack()),
             true, 2, 1, 500, 500, 500);
    accepted("bytes after End of Track are not read",
             head + track(noteOn(0, 60) + noteOff(480, 60) + endOfTrack() + bytes({0xF8, 0xFF, 0xFF})), true, 1, 1, 500,
             500, 500);
    accepted("no End of Track", head + track(noteOn(0, 60) + noteOff(480, 60)), true, 1, 1, 500, 500, 500);
    accepted("note never released: the song's end", head + track(noteOn(0, 60) + endOfTrack(960)), true, 1, 1, 0,
             1000, 1000);
    accepted("note-on velocity 0 only", head + track(noteOn(0, 60, 0) + endOfTrack(480)), false, 1, 0, 0, 0, 500);
    accepted("meta events only", metaOnlySong(), false, 1, 0, 0, 0, 1200);

    refused("empty", QByteArray());
    refused("garbage", QByteArray("this is not a song at all, just text"));
    refused("a WAV", toneWav(50));
    refused("zero tracks", midiHeader(0, 0, kDivision) + track(noteOn(0, 60) + endOfTrack()));
    refused("fewer tracks than announced", midiHeader(1, 2, kDivision) + track(noteOn(0, 60) + endOfTrack()));
    refused("header shorter than six bytes",
            QByteArray("MThd") + bigEndian(4, 4) + bytes({0, 0, 0, 1}) + track(noteOn(0, 60) + endOfTrack()));
    refused("header length past the end", QByteArray("MThd") + bigEndian(0xFFFFFFF0u, 4) + bytes({0, 0, 0, 1, 1, 0}));
    refused("format 3", midiHeader(3, 1, kDivision) + track(noteOn(0, 60) + endOfTrack()));
    refused("SMPTE division", midiHeader(0, 1, 0xE728) + track(noteOn(0, 60) + endOfTrack()));
    refused("division 0", midiHeader(0, 1, 0) + track(noteOn(0, 60) + endOfTrack()));
    refused("track length past the end", head + QByteArray("MTrk") + bigEndian(1000, 4) + noteOn(0, 60));
    refused("track length 4 GiB", head + QByteArray("MTrk") + bigEndian(0xFFFFFFFFu, 4) + noteOn(0, 60));
    refused("meta length past the end of the track",
            head + track(noteOn(0, 60) + midiEvent(0, {0xFF, 0x01, 0x7F, 'a'})) + track(endOfTrack()));
    refused("meta length a huge quantity", head + track(midiEvent(0, {0xFF, 0x01, 0x8F, 0xFF, 0xFF, 0x7F}) + noteOn(0, 60)));
    refused("sysex length past the end of the track", head + track(noteOn(0, 60) + midiEvent(0, {0xF0, 0x40, 1, 2})));
    refused("five-byte delta time", head + track(noteOn(0, 60) + bytes({0x81, 0x80, 0x80, 0x80, 0x00, 0x80, 60, 0})));
    refused("delta with no event after it", head + track(noteOn(0, 60) + noteOff(480, 60) + varLen(10)));
    refused("delta running off the end", head + track(noteOn(0, 60) + bytes({0x81, 0x80})));
    refused("channel message cut short", head + track(noteOn(0, 60) + bytes({0x00, 0x90, 60})));
    refused("running status with no status", head + track(bytes({0x00, 60, 100}) + endOfTrack()));
    refused("sysex cancels running status",
            head + track(noteOn(0, 60) + midiEvent(0, {0xF0, 0x01, 0xF7}) + varLen(10) + bytes({62, 100}) + endOfTrack()));
    refused("data byte with its top bit set", head + track(midiEvent(0, {0x90, 0xC0, 100}) + endOfTrack()));
    refused("system real-time byte in a track", head + track(noteOn(0, 60) + midiEvent(0, {0xF8}) + endOfTrack()));
    refused("meta type with its top bit set", head + track(noteOn(0, 60) + midiEvent(0, {0xFF, 0x81, 0x00}) + endOfTrack()));
}

void TestAudioFiles::midiParser()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, parses);
    QFETCH(bool, playable);

    const std::optional<audio::MidiInfo> info = audio::parseMidi(file);
    QCOMPARE(info.has_value(), parses);
    QCOMPARE(audio::isPlayableMidi(file), playable);
    if (!info)
        return;
    QFETCH(int, tracks);
    QFETCH(qint64, noteOns);
    QFETCH(qint64, lastNoteOffMs);
    QFETCH(qint64, soundEndMs);
    QFETCH(qint64, lastEventMs);
    QCOMPARE(info->trackCount, tracks);
    QCOMPARE(info->noteOnCount, noteOns);
    QCOMPARE(info->lastNoteOffMs, lastNoteOffMs);
    QCOMPARE(info->soundEndMs(), soundEndMs);
    QCOMPARE(info->lastEventMs, lastEventMs);
}

void TestAudioFiles::everyTruncationOfASongIsRefused_data()
{
    QTest::addColumn<QByteArray>("song");
    QTest::newRow("one note") << oneNoteSong(250);
    QTest::newRow("two tracks") << twoNoteSong(100);
}

void TestAudioFiles::everyTruncationOfASongIsRefused()
{
    QFETCH(QByteArray, song);
    QVERIFY(audio::isPlayableMidi(song));
    for (qsizetype length = 0; length < song.size(); ++length) {
        if (audio::parseMidi(song.left(length)))
            QFAIL(qPrintable(QStringLiteral("accepted the first %1 of %2 bytes").arg(length).arg(song.size())));
    }
}

// ------------------------------------------------------------------------------------- WAV

void TestAudioFiles::wavParser_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<qint64>("durationMs");

    const QByteArray tone = toneSamples(200);
    QTest::newRow("mono tone") << toneWav(200) << true << qint64(200);
    QTest::newRow("stereo 44.1 kHz") << wavFile(QByteArray(17640, '\0'), 44100, 2) << true << qint64(100);
    QTest::newRow("8-bit") << riff(wavChunk("fmt ", fmtBody(1, 1, 8000, 8)) + wavChunk("data", QByteArray(4000, 'x')))
                           << true << qint64(500);
    QTest::newRow("LIST chunk before fmt")
        << riff(wavChunk("LIST", "INFOISFT....") + wavChunk("fmt ", kMonoFmt) + wavChunk("data", tone)) << true
        << qint64(200);
    QTest::newRow("odd-sized chunk padded")
        << riff(wavChunk("fmt ", kMonoFmt) + wavChunk("junk", "abc") + wavChunk("data", tone)) << true << qint64(200);
    QTest::newRow("fmt with an extension")
        << riff(wavChunk("fmt ", kMonoFmt + littleEndian(0, 2)) + wavChunk("data", tone)) << true << qint64(200);
    QTest::newRow("wrong RIFF length")
        << QByteArray("RIFF") + littleEndian(7, 4) + "WAVE" + wavChunk("fmt ", kMonoFmt) + wavChunk("data", tone)
        << true << qint64(200);

    QTest::newRow("empty") << QByteArray() << false << qint64(0);
    QTest::newRow("header only") << QByteArray("RIFF\x04\0\0\0WAVE", 12) << false << qint64(0);
    QTest::newRow("garbage") << QByteArray(300, '\x5A') << false << qint64(0);
    QTest::newRow("not WAVE") << riff(wavChunk("fmt ", kMonoFmt) + wavChunk("data", tone), "AVI ") << false
                              << qint64(0);
    QTest::newRow("no fmt") << riff(wavChunk("data", tone)) << false << qint64(0);
    QTest::newRow("data before fmt") << riff(wavChunk("data", tone) + wavChunk("fmt ", kMonoFmt)) << false
                                     << qint64(0);
    QTest::newRow("no data") << riff(wavChunk("fmt ", kMonoFmt)) << false << qint64(0);
    QTest::newRow("empty data") << riff(wavChunk("fmt ", kMonoFmt) + wavChunk("data", {})) << false << qint64(0);
    QTest::newRow("fmt too short") << riff(wavChunk("fmt ", kMonoFmt.left(14)) + wavChunk("data", tone)) << false
                                   << qint64(0);
    QTest::newRow("data cut short") << toneWav(200).chopped(100) << false << qint64(0);
    QTest::newRow("data length 4 GiB")
        << riff(wavChunk("fmt ", kMonoFmt) + QByteArray("data") + littleEndian(0xFFFFFFFFu, 4) + tone) << false
        << qint64(0);
    QTest::newRow("chunk length past the end")
        << riff(wavChunk("fmt ", kMonoFmt) + QByteArray("LIST") + littleEndian(0x7FFFFFF0u, 4) + tone) << false
        << qint64(0);
    QTest::newRow("no channels") << riff(wavChunk("fmt ", fmtBody(1, 0, 22050, 16)) + wavChunk("data", tone))
                                 << false << qint64(0);
    QTest::newRow("MP3 inside") << riff(wavChunk("fmt ", fmtBody(0x55, 1, 22050, 16)) + wavChunk("data", tone))
                                << false << qint64(0);
    QTest::newRow("12-bit PCM") << riff(wavChunk("fmt ", fmtBody(1, 1, 22050, 12)) + wavChunk("data", tone))
                                << false << qint64(0);
}

void TestAudioFiles::wavParser()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, valid);
    QFETCH(qint64, durationMs);
    const std::optional<audio::WavInfo> info = audio::parseWav(file);
    QCOMPARE(info.has_value(), valid);
    QCOMPARE(audio::isPlayableWav(file), valid);
    if (info)
        QCOMPARE(info->durationMs, durationMs);
}

void TestAudioFiles::everyTruncationOfAWavIsRefused()
{
    const QByteArray wav = toneWav(30);
    QVERIFY(audio::isPlayableWav(wav));
    for (qsizetype length = 0; length < wav.size(); ++length) {
        if (audio::isPlayableWav(wav.left(length)))
            QFAIL(qPrintable(QStringLiteral("accepted the first %1 of %2 bytes").arg(length).arg(wav.size())));
    }
}

void TestAudioFiles::sizeLimit()
{
    // Bytes after the last track, or after the data chunk, are not looked at; but a buffer
    // beyond the limit is refused whole.
    QByteArray song = oneNoteSong(250);
    song.append(QByteArray(audio::kMaxSoundFileBytes - song.size(), '\0'));
    QVERIFY(audio::isPlayableMidi(song));
    song.append('\0');
    QVERIFY(!audio::parseMidi(song));

    QByteArray wav = toneWav(50);
    wav.append(QByteArray(audio::kMaxSoundFileBytes - wav.size(), '\0'));
    QVERIFY(audio::isPlayableWav(wav));
    wav.append('\0');
    QVERIFY(!audio::parseWav(wav));
}

void TestAudioFiles::kindIsDecidedByContent_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("kind");
    QTest::newRow("WAV") << toneWav(50) << int(audio::SoundKind::Wav);
    QTest::newRow("MIDI") << oneNoteSong(100) << int(audio::SoundKind::Midi);
    QTest::newRow("MIDI without notes") << metaOnlySong() << int(audio::SoundKind::None);
    QTest::newRow("broken WAV") << toneWav(50).left(60) << int(audio::SoundKind::None);
    QTest::newRow("MIDI after a prefix") << QByteArray(128, '\0') + oneNoteSong(100) << int(audio::SoundKind::None);
    QTest::newRow("empty") << QByteArray() << int(audio::SoundKind::None);
}

void TestAudioFiles::kindIsDecidedByContent()
{
    QFETCH(QByteArray, file);
    QFETCH(int, kind);
    QCOMPARE(int(audio::playableKind(file)), kind);
}

// Damaged copies of good files and random bytes: whatever the parsers accept must make
// sense. (Run under AddressSanitizer, this also catches any read past a buffer.)
void TestAudioFiles::mangledInputKeepsInvariants()
{
    QRandomGenerator random(20240611);
    const QList<QByteArray> seeds = {oneNoteSong(250), twoNoteSong(120), metaOnlySong(), toneWav(20),
                                     riff(wavChunk("LIST", "abc") + wavChunk("fmt ", kMonoFmt) + wavChunk("data", "xyzw"))};
    int midiAccepted = 0;
    int wavAccepted = 0;
    for (int round = 0; round < 20000; ++round) {
        QByteArray input = seeds[round % seeds.size()];
        switch (random.bounded(4)) {
        case 0: // a few bytes changed
            for (int n = 1 + random.bounded(4); n > 0; --n)
                input[random.bounded(int(input.size()))] = char(random.bounded(256));
            break;
        case 1: // cut somewhere
            input.truncate(random.bounded(int(input.size())));
            break;
        case 2: // bytes inserted
            input.insert(random.bounded(int(input.size())), QByteArray(1 + random.bounded(8), char(random.bounded(256))));
            break;
        default: // a random buffer behind a good header
            input = input.left(8 + random.bounded(16));
            for (int n = random.bounded(64); n > 0; --n)
                input.append(char(random.bounded(256)));
            break;
        }
        if (const auto midi = audio::parseMidi(input)) {
            ++midiAccepted;
            QVERIFY(midi->format >= 0 && midi->format <= 2);
            QVERIFY(midi->trackCount >= 1);
            QVERIFY(midi->division > 0);
            QVERIFY(midi->noteOnCount >= 0 && midi->noteOnCount <= midi->eventCount);
            QVERIFY(midi->lastNoteOffMs >= 0 && midi->lastNoteOffMs <= midi->lastEventMs);
            QVERIFY(midi->lastNoteOnMs <= midi->lastEventMs);
            QVERIFY(midi->soundEndMs() <= midi->lastEventMs);
            QCOMPARE(audio::isPlayableMidi(input), midi->noteOnCount > 0);
        }
        if (const auto wav = audio::parseWav(input)) {
            ++wavAccepted;
            QVERIFY(wav->dataBytes > 0 && wav->dataBytes < input.size());
            QVERIFY(wav->channels >= 1 && wav->sampleRate > 0 && wav->blockAlign > 0);
            QVERIFY(wav->durationMs >= 0);
        }
    }
    // Small damage often leaves a file readable: both parsers must have said yes sometimes.
    QVERIFY(midiAccepted > 0);
    QVERIFY(wavAccepted > 0);
}

// -------------------------------------------------------------------------------- on disk

void TestAudioFiles::readSoundFile_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<bool>("read");
    QTest::newRow("song") << "song" << true;
    QTest::newRow("exactly at the limit") << "limit" << true;
    QTest::newRow("one byte over the limit") << "over" << false;
    QTest::newRow("empty") << "empty" << false;
    QTest::newRow("missing") << "missing" << false;
    QTest::newRow("folder") << "folder" << false;
    QTest::newRow("FIFO (must not block)") << "fifo" << false;
}

void TestAudioFiles::readSoundFile()
{
    QFETCH(QString, setup);
    QFETCH(bool, read);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("sound"));
    const QByteArray song = oneNoteSong(100);
    if (setup == QLatin1String("song")) {
        QVERIFY(writeFile(path, song));
    } else if (setup == QLatin1String("limit") || setup == QLatin1String("over")) {
        QVERIFY(writeFile(path, song));
        QFile file(path);
        QVERIFY(file.resize(audio::kMaxSoundFileBytes + (setup == QLatin1String("over") ? 1 : 0)));
    } else if (setup == QLatin1String("empty")) {
        QVERIFY(writeFile(path, {}));
    } else if (setup == QLatin1String("folder")) {
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sound")));
    } else if (setup == QLatin1String("fifo")) {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    }
    const QByteArray bytes = audio::readSoundFile(path);
    QCOMPARE(!bytes.isEmpty(), read);
    if (read)
        QVERIFY(bytes.startsWith(song));
}

void TestAudioFiles::caseInsensitiveLookup_data()
{
    QTest::addColumn<QString>("asked");
    QTest::addColumn<QString>("found");  // relative to the folder; empty: nothing
    QTest::newRow("exact") << "music/Easycity.mid" << "music/Easycity.mid";
    QTest::newRow("extension in capitals") << "music/Easycity.MID" << "music/Easycity.mid";
    QTest::newRow("folder and name in other cases") << "MUSIC/easyCITY.mid" << "music/Easycity.mid";
    QTest::newRow("deeper folders") << "other/deep/file.wav" << "Other/Deep/File.WAV";
    QTest::newRow("through ..") << "music/../Music/EASYCITY.mid" << "music/Easycity.mid";
    QTest::newRow("several matches: the first by byte order") << "music/dup.MID" << "music/DUP.mid";
    QTest::newRow("missing file") << "music/Nothing.mid" << "";
    QTest::newRow("missing folder") << "songs/Easycity.mid" << "";
    QTest::newRow("a folder is not a file") << "MUSIC" << "";
    QTest::newRow("past a file") << "music/Easycity.mid/x" << "";
}

void TestAudioFiles::caseInsensitiveLookup()
{
    QFETCH(QString, asked);
    QFETCH(QString, found);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QDir root(dir.path());
    QVERIFY(root.mkpath(QStringLiteral("music")));
    QVERIFY(root.mkpath(QStringLiteral("Other/Deep")));
    for (const char* name : {"music/Easycity.mid", "music/dup.mid", "music/DUP.mid", "Other/Deep/File.WAV"})
        QVERIFY(writeFile(root.filePath(QString::fromLatin1(name)), "x"));

    const QString expected = found.isEmpty() ? QString() : root.filePath(found);
    QCOMPARE(audio::findFileIgnoringCase(root.filePath(asked)), expected);
}

QTEST_GUILESS_MAIN(TestAudioFiles)
#include "tst_audio_files.moc"
