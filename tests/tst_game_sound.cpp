// Sound that really comes out of the game: SDL's disk driver writes the mixed output to a
// file in real time (16-bit stereo at 44.1 kHz), and the test reads what came out.
#include "audio/audio_system.h"
#include "disk_sound.h"
#include "table_fixture.h"

#include <QFileInfo>
#include <QTemporaryDir>

using namespace testsupport;

// One table for the whole class: each test takes the sound on from where the last left it.
class TestGameSound : public TableOwner {
    Q_OBJECT

    QTemporaryDir folder;
    QString output;
    qint64 readUpTo = 0;

    // The loudest sample written since the last call.
    int peakSinceLastLook()
    {
        const qint64 from = readUpTo;
        readUpTo = QFileInfo(output).size() / disksound::kFrameBytes * disksound::kFrameBytes;
        return disksound::loudestSampleIn(output, from, readUpTo - from);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(folder.isValid());
        output = folder.filePath(QStringLiteral("out.raw"));
        // Chosen before anything opens the sound output.
        disksound::writeSoundTo(output);
        openTable();
        QCOMPARE(audio::AudioSystem::instance().driverName(), QStringLiteral("disk"));
    }
    void cleanupTestCase() { closeTable(); }

    void theFirstSongIsHeard()
    {
        // The song is loaded off the GUI thread first, slower on a busy machine.
        int peak = 0;
        QTRY_VERIFY_WITH_TIMEOUT((peak = std::max(peak, peakSinceLastLook())) > 1000, 10000);
    }

    void noMusicAndNoCardSoundAreSilent()
    {
        form->nomusic->trigger();
        form->cards->trigger();
        QTest::qWait(400); // what was mixed before the switch drains
        peakSinceLastLook();
        clickBack(*form, 1);
        QTest::qWait(1000);
        QCOMPARE(peakSinceLastLook(), 0);
    }

    void anAcceptedPickIsHeard()
    {
        form->cards->trigger();
        peakSinceLastLook();
        clickBack(*form, 2);
        int peak = 0;
        QTRY_VERIFY_WITH_TIMEOUT((peak = std::max(peak, peakSinceLastLook())) > 1000, 5000);
    }
};

QTEST_MAIN(TestGameSound)
#include "tst_game_sound.moc"
