// SIGTERM and SIGINT (a desktop's logout, `kill`, `timeout`, Ctrl+C) end the real program at
// any time, within a second, with the shell's status for a program a signal ended; also
// when the player names a FIFO as the soundfont.
#include "x11/game.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <csignal>
#include <sys/stat.h>

using namespace e2e;

namespace {
constexpr int screenW = 1024, screenH = 768;
qint64 sizeOf(const QString& file) { return QFileInfo(file).size(); }
} // namespace

#ifdef COPPIX_SANITIZED
// Built with the sanitizers, the program's end includes LeakSanitizer's scan of the whole
// heap, which takes a second or two on a machine busy with the other tests.
constexpr qint64 promptMs = 5000;
#else
constexpr qint64 promptMs = 1000;
#endif

class TestSignals : public QObject {
    Q_OBJECT

    // One signal sent to the program ends it promptly, by its own way out rather than
    // killed: the status says which signal.
    static void endsPromptlyOn(QProcess& game, int signal)
    {
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(::kill(pid_t(game.processId()), signal), 0);
        const bool ended = game.waitForFinished(5000);
        const qint64 ms = clock.elapsed();
        if (!ended)
            game.kill();
        QVERIFY2(ended, "the program did not end");
        qInfo("gone %lld ms after the signal", ms);
        QVERIFY2(ms < promptMs, qPrintable(QStringLiteral("it took %1 ms").arg(ms)));
        QCOMPARE(game.exitStatus(), QProcess::NormalExit);
        QCOMPARE(game.exitCode(), 128 + signal);
    }

private slots:
    void signalEndsTheProgram_data()
    {
        QTest::addColumn<QString>("where");
        QTest::addColumn<int>("signal");
        for (const char* where : {"start screen", "table, no music", "table, a song playing"}) {
            QTest::newRow(qPrintable(QStringLiteral("%1, SIGTERM").arg(QLatin1String(where)))) << QString::fromLatin1(where) << SIGTERM;
            QTest::newRow(qPrintable(QStringLiteral("%1, SIGINT").arg(QLatin1String(where)))) << QString::fromLatin1(where) << SIGINT;
        }
    }
    void signalEndsTheProgram()
    {
        QFETCH(QString, where);
        QFETCH(int, signal);
        xsession::Display x(screenW, screenH);
        QVERIFY2(x.ok(), "Xvfb did not start");
        QTemporaryDir folder;
        const QString raw = folder.filePath(QStringLiteral("out.raw"));
        QProcess game;
        QVERIFY(startGame(game, x, QStringLiteral(COPPIX_BINARY), Errors::PassOn, {}, raw));
        QVERIFY2(x.waitForWindow(startTitle, 10000), "no start screen");
        QTest::qWait(300);

        if (where != QLatin1String("start screen")) {
            Table table;
            CHECKED(pressPlay(x, startPoints(screenW, screenH), table));
            // The first song starts with the table: it is heard before the signal comes.
            QTRY_VERIFY_WITH_TIMEOUT(peakFrom(raw, 0) > 1000, 8000);
            if (where == QLatin1String("table, no music")) {
                // "no music", the first entry of the Music menu.
                QVERIFY(x.xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), QString::number(table.window)}));
                QVERIFY(x.xdotool({QStringLiteral("key"), QStringLiteral("alt+m")}));
                QTest::qWait(300);
                QVERIFY(x.xdotool({QStringLiteral("key"), QStringLiteral("Return")}));
                QTest::qWait(500);
                const qint64 silentFrom = sizeOf(raw);
                QTest::qWait(500);
                QCOMPARE(peakFrom(raw, silentFrom), 0);
            } else {
                const qint64 from = sizeOf(raw);
                QTRY_VERIFY_WITH_TIMEOUT(peakFrom(raw, from) > 1000, 3000);
            }
        }

        CHECKED(endsPromptlyOn(game, signal));
    }

    // The player's SDL_FORCE_SOUNDFONTS=1 with SDL_SOUNDFONTS naming a FIFO, which SDL_mixer
    // would open and wait on for ever, and a soundfont that does not exist: "Play" shows the
    // table all the same, the songs are silent, standard error names both files, and one
    // SIGTERM ends the program as promptly as ever, with 143.
    void fifoSoundFont()
    {
        xsession::Display x(screenW, screenH);
        QVERIFY2(x.ok(), "Xvfb did not start");
        QTemporaryDir folder;
        const QString fifo = folder.filePath(QStringLiteral("GM.sf2"));
        const QString missing = folder.filePath(QStringLiteral("nowhere.sf2"));
        const QString raw = folder.filePath(QStringLiteral("out.raw"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        qputenv("SDL_FORCE_SOUNDFONTS", "1");
        qputenv("SDL_SOUNDFONTS", QFile::encodeName(fifo + QLatin1Char(';') + missing));
        QProcess game;
        const bool started = startGame(game, x, QStringLiteral(COPPIX_BINARY), Errors::Keep, {}, raw);
        qunsetenv("SDL_FORCE_SOUNDFONTS");
        qunsetenv("SDL_SOUNDFONTS");
        QVERIFY(started);
        QVERIFY2(x.waitForWindow(startTitle, 10000), "no start screen");
        QTest::qWait(300);

        Table table;
        CHECKED(pressPlay(x, startPoints(screenW, screenH), table));
        // The first song starts with the table (heard within a second when it has its
        // soundfont): three seconds of the mixer's output after it, and not a sound.
        constexpr qint64 bytesPerSecond = 44100 * 2 * 2;
        const qint64 from = sizeOf(raw);
        QTRY_VERIFY_WITH_TIMEOUT(sizeOf(raw) - from >= 3 * bytesPerSecond, 10000);
        QCOMPARE(peakFrom(raw, 0), 0);

        CHECKED(endsPromptlyOn(game, SIGTERM));

        QByteArrayList said;
        for (const QByteArray& line : game.readAllStandardError().split('\n'))
            if (line.contains("soundfont"))
                said.append(line);
        const QByteArrayList expected = {
            "coppix: soundfont " + QFile::encodeName(fifo) + " refused (not a regular file): songs may be silent",
            "coppix: soundfont " + QFile::encodeName(missing) + " not found: songs may be silent"};
        QCOMPARE(said, expected);
    }
};

QTEST_GUILESS_MAIN(TestSignals)
#include "e2e_signals.moc"
