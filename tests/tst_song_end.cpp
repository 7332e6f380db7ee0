// A song's end follows the audio the mixer has made of it, not the wall clock. SDL's disk
// driver is slowed here (SDL_DISKAUDIODELAY: 35 ms for each 23 ms buffer, two thirds of
// real time, as a loaded desktop or a deep sound-server buffer can be): the output file
// must still hold the whole last chord, up to its last note-off, and the next song of a
// sequence must follow within a second of output.
#include "audio/audio_system.h"
#include "audio/media_device.h"
#include "disk_sound.h"
#include "tst_audio_fixtures.h"

#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

using audio::MediaDevice;

namespace {

constexpr int kRate = 44100;
using disksound::kFrameBytes;
constexpr int kLoud = 2000;
constexpr int kQuiet = 60;
// The song: a lone note, then a loud chord from kChordMs to kNoteOffMs, its last note-off.
constexpr int kChordMs = 400;
constexpr int kNoteOffMs = 1000;

QByteArray chordSong()
{
    using namespace fixtures;
    QByteArray events = midiEvent(0, {0xC0, 0}) + noteOn(0, 60, 100) + noteOff(ticksFor(kChordMs), 60);
    for (int key : {48, 55, 60, 64, 67})
        events += noteOn(0, key, 127);
    events += noteOff(ticksFor(kNoteOffMs - kChordMs), 48);
    for (int key : {55, 60, 64, 67})
        events += noteOff(0, key);
    return midiHeader(0, 1, kDivision) + track(events + endOfTrack());
}

// The loudest sample of each millisecond of output.
std::vector<int> peaksPerMs(const QByteArray& raw)
{
    constexpr int bytesPerMs = kRate * kFrameBytes / 1000;
    std::vector<int> peaks;
    for (qsizetype at = 0; at + bytesPerMs <= raw.size(); at += bytesPerMs)
        peaks.push_back(disksound::loudestSample(raw, at, bytesPerMs));
    return peaks;
}

std::optional<int> firstAbove(const std::vector<int>& peaks, int threshold, int from)
{
    for (int ms = qMax(0, from); ms < int(peaks.size()); ++ms)
        if (peaks[size_t(ms)] > threshold)
            return ms;
    return std::nullopt;
}

int peakBetween(const std::vector<int>& peaks, int from, int to)
{
    int peak = 0;
    for (int ms = qMax(0, from); ms < qMin(to, int(peaks.size())); ++ms)
        peak = qMax(peak, peaks[size_t(ms)]);
    return peak;
}

} // namespace

class TestSongEnd : public QObject, private fixtures::SoundFolder {
    Q_OBJECT
private slots:
    void initTestCase();
    void lastChordHeardWhole_data();
    void lastChordHeardWhole();
};

void TestSongEnd::initTestCase()
{
    QVERIFY(isValid());
    QVERIFY(!audio::AudioSystem::instance().started());
    disksound::writeSoundTo(file("out.raw"));
    qputenv("SDL_DISKAUDIODELAY", "35");
    QVERIFY(write("chord.mid", chordSong()));
}

void TestSongEnd::lastChordHeardWhole_data()
{
    QTest::addColumn<int>("pauseMs");  // a pause in the lone note, of this length; 0: none
    QTest::newRow("straight through") << 0;
    // The paused song must not move on: its clock would otherwise end it early.
    QTest::newRow("paused in the first note") << 500;
}

// Two plays in sequence, as the music player chains them: at Done(1), close, open, play.
void TestSongEnd::lastChordHeardWhole()
{
    QFETCH(int, pauseMs);
    MediaDevice device;
    QSignalSpy done(&device, &MediaDevice::Done);
    int plays = 0;
    auto playNext = [&] {
        ++plays;
        device.setCommand(QStringLiteral("close"));
        device.setFileName(file("chord.mid"));
        device.setCommand(QStringLiteral("open"));
        device.setCommand(QStringLiteral("play"));
    };
    connect(&device, &MediaDevice::Done, this, [&](int code) {
        if (code == audio::NotifySuccessful && plays < 2)
            playNext();
    });
    QTest::qWait(100);
    auto written = [&] { return QFileInfo(file("out.raw")).size(); };
    const qint64 start = written() & ~qint64(kFrameBytes - 1);
    playNext();
    QCOMPARE(audio::AudioSystem::instance().driverName(), QStringLiteral("disk"));
    int pausedOutputMs = 0;  // how much output the pause took
    if (pauseMs > 0) {
        QTRY_VERIFY_WITH_TIMEOUT(disksound::loudestSampleIn(file("out.raw"), start) > kLoud, 5000);
        QTest::qWait(100);
        const qint64 pausedAt = written();
        device.setCommand(QStringLiteral("pause"));
        QTest::qWait(pauseMs);
        const qint64 resumedAt = written();
        device.setCommand(QStringLiteral("play"));
        pausedOutputMs = int((resumedAt - pausedAt) * 1000 / (kRate * kFrameBytes));
    }
    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 2, 10000);
    QTest::qWait(200);  // what was mixed last reaches the file

    QFile out(file("out.raw"));
    QVERIFY(out.open(QIODevice::ReadOnly));
    QVERIFY(out.seek(start));
    const std::vector<int> peaks = peaksPerMs(out.readAll());
    const std::optional<int> first = firstAbove(peaks, kLoud, 0);
    QVERIFY2(first, "the first song sounded");
    // Where the first song's last note-off lies in the output (to a buffer, 23 ms, when
    // paused). The song sounds without a break from its chord to the note-off, and on
    // through the release: only then is it halted, and the output falls silent.
    const int noteOff = *first + kNoteOffMs + pausedOutputMs;
    std::optional<int> quietFrom;
    for (int ms = *first + kChordMs + pausedOutputMs; ms < int(peaks.size()) && !quietFrom; ++ms)
        if (peaks[size_t(ms)] <= kQuiet)
            quietFrom = ms;
    QVERIFY2(quietFrom, "the first song was halted");
    QVERIFY2(*quietFrom >= noteOff + MediaDevice::kMidiReleaseMs - 30,
             qPrintable(QStringLiteral("silent %1 ms after the note-off").arg(*quietFrom - noteOff)));
    const int chordPeak = peakBetween(peaks, noteOff - 100, noteOff - 30);
    QVERIFY2(chordPeak > kLoud, qPrintable(QStringLiteral("peak %1 at the end of the chord").arg(chordPeak)));
    // The next song follows within a second of silence (the halt, the load).
    const std::optional<int> second = firstAbove(peaks, kLoud, *quietFrom);
    QVERIFY2(second, "the second song sounded");
    const int silence = *second - *quietFrom;
    QVERIFY2(silence < 1000, qPrintable(QStringLiteral("%1 ms of silence between the songs").arg(silence)));
    qInfo("first song from %d ms, halted %d ms after its note-off; %d ms of silence", *first, *quietFrom - noteOff,
          silence);
}

QTEST_MAIN(TestSongEnd)
#include "tst_song_end.moc"
