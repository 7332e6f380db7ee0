// The order of the music on its own, with no window and no sound: what the end of a play
// asks of the player in each mode, for every notify code, and the song list against the
// song files the game ships.
#include "table/music_order.h"

#include <QFileInfo>
#include <QSet>
#include <QTest>

using coppix::Integer;
using coppix::MusicOrder;
using Mode = MusicOrder::Mode;
using Next = MusicOrder::Next;
using Kind = MusicOrder::Next::Kind;

Q_DECLARE_METATYPE(MusicOrder::Mode)
Q_DECLARE_METATYPE(MusicOrder::Next)

namespace coppix {
// How QCOMPARE prints an answer.
char* toString(const MusicOrder::Next& next)
{
    switch (next.kind) {
    case Kind::Nothing: return qstrdup("nothing");
    case Kind::Replay: return qstrdup("replay");
    case Kind::NextSong:
        return qstrdup(qPrintable(QStringLiteral("song %1, unmark %2").arg(next.song).arg(next.unmarked)));
    }
    return qstrdup("?");
}
} // namespace coppix

class TestMusicOrder : public QObject {
    Q_OBJECT
private slots:
    void done_data()
    {
        QTest::addColumn<Mode>("mode");
        QTest::addColumn<int>("currentSong");
        QTest::addColumn<int>("code");
        QTest::addColumn<Next>("next");
        const Next nothing{};
        auto song = [](int s, int unmarked) { return Next{Kind::NextSong, Integer(s), Integer(unmarked)}; };

        // A play ran to its end (or the table starts or moves the sequence on).
        QTest::newRow("sequential, the table's load (10)") << Mode::Sequential << 10 << 1 << song(1, 10);
        QTest::newRow("sequential, just chosen (0)") << Mode::Sequential << 0 << 1 << song(1, 10);
        QTest::newRow("sequential on 1") << Mode::Sequential << 1 << 1 << song(2, 1);
        QTest::newRow("sequential on 5") << Mode::Sequential << 5 << 1 << song(6, 5);
        QTest::newRow("sequential on 9") << Mode::Sequential << 9 << 1 << song(10, 9);
        QTest::newRow("repeat") << Mode::Repeat << 0 << 1 << Next{Kind::Replay};
        // The rewind and "Play" reach the closed device, which plays nothing.
        QTest::newRow("no music") << Mode::Silent << 0 << 1 << Next{Kind::Replay};

        // Anything else is no end: a play taken over, stopped or failed, or no code at all.
        const QList<QPair<int, const char*>> others{
            {audio::NotifySuperseded, "superseded"}, {audio::NotifyAborted, "aborted"},
            {audio::NotifyFailure, "failure"},       {0, "0"},
            {3, "3"},                                {5, "5"},
            {9, "9"},                                {-1, "-1"},
            {-32767, "-32767"},                      {32767, "32767"}};
        const QList<std::tuple<const char*, Mode, int>> states{{"sequential on 3", Mode::Sequential, 3},
                                                               {"sequential on 10", Mode::Sequential, 10},
                                                               {"sequential, just chosen", Mode::Sequential, 0},
                                                               {"repeat", Mode::Repeat, 0},
                                                               {"no music", Mode::Silent, 0}};
        for (const auto& [name, mode, current] : states)
            for (const auto& [code, codeName] : others)
                QTest::addRow("%s, %s", name, codeName) << mode << current << code << nothing;
    }
    void done()
    {
        QFETCH(Mode, mode);
        QFETCH(int, currentSong);
        QFETCH(int, code);
        QFETCH(Next, next);
        QCOMPARE(MusicOrder(mode, Integer(currentSong)).done(Integer(code)), next);
    }

    // Twice round the sequence from the table's load: every song in menu order, each mark
    // moving from the song before.
    void theSequenceGoesRound()
    {
        Integer current = MusicOrder::songCount;
        QList<int> played;
        for (int i = 0; i < 20; ++i) {
            const Next next = MusicOrder(Mode::Sequential, current).done(audio::NotifySuccessful);
            QCOMPARE(next.kind, Kind::NextSong);
            QCOMPARE(next.unmarked, current);
            current = next.song;
            played << current;
        }
        QCOMPARE(played, (QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    }

    // Each song of the list is a file the game ships, under the caption as it stands.
    void everySongHasItsFile()
    {
        QCOMPARE(MusicOrder::songCount, Integer(10));
        QSet<QString> captions;
        for (const char* caption : MusicOrder::songs) {
            captions.insert(QString::fromLatin1(caption));
            const QString file = QStringLiteral(COPPIX_SOURCE_DIR "/media/music/%1.mid").arg(QLatin1String(caption));
            QVERIFY2(QFileInfo(file).isFile(), qPrintable(file));
        }
        QCOMPARE(captions.size(), 10);
    }
};

QTEST_APPLESS_MAIN(TestMusicOrder)
#include "tst_music_order.moc"
