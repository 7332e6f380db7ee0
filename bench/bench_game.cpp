// Figures for the game as a whole: start-up, deal and pick times, CPU while the player
// thinks, and memory. Prints a table of medians; nothing here passes or fails.
//
//   build/bench/bench_game [runs]
#include "start/frmmain.h"
#include "table/form1.h"
#include "disk_sound.h"
#include "table/music_order.h"
#include "toolkit/app.h"
#include "tst_audio_fixtures.h"
#include "window_titles.h"
#include "x11/xsession.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <unistd.h>
#include <vector>

namespace {

using testsupport::startTitle;
using testsupport::tableTitle;

double median(std::vector<double> v)
{
    if (v.empty())
        return -1;
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

struct ProcessFigures {
    double toStartScreenMs = -1, toTableMs = -1, idleCpuPercent = -1, idleSilentCpuPercent = -1, peakKiB = -1;
};

double cpuSeconds(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    const double ticks = fields.value(11).toDouble() + fields.value(12).toDouble();
    return ticks / double(sysconf(_SC_CLK_TCK));
}

double peakKiB(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble();
    return -1;
}

// One run of the real program under its own Xvfb.
ProcessFigures runProgram(const QString& binary, int idleSeconds, bool dummyAudio = true)
{
    ProcessFigures figures;
    xsession::Display x(1024, 768);
    if (!x.ok())
        return figures;
    QProcess game;
    QProcessEnvironment env = x.environment();
    if (dummyAudio)
        env.insert(QStringLiteral("SDL_AUDIODRIVER"), QStringLiteral("dummy"));
    else
        env.remove(QStringLiteral("SDL_AUDIODRIVER"));
    game.setProcessEnvironment(env);
    QElapsedTimer clock;
    clock.start();
    game.start(binary, {});
    if (!game.waitForStarted(5000))
        return figures;
    if (!x.waitForWindow(startTitle, 10000))
        return figures;
    figures.toStartScreenMs = double(clock.nsecsElapsed()) / 1e6;
    QThread::msleep(300);

    const coppix::StartLayout layout = coppix::startLayout(1024, 768);
    x.moveMouse(int(layout.playLeft) + 76, int(layout.top) + 16);
    clock.restart();
    x.xdotool({QStringLiteral("click"), QStringLiteral("1")});
    const unsigned long table = x.waitForWindow(tableTitle, 10000);
    if (table)
        figures.toTableMs = double(clock.nsecsElapsed()) / 1e6;

    // The player thinks: nothing happens at the table.
    QThread::msleep(1000);
    const double before = cpuSeconds(game.processId());
    QThread::sleep(idleSeconds);
    const double after = cpuSeconds(game.processId());
    figures.idleCpuPercent = 100.0 * (after - before) / idleSeconds;
    figures.peakKiB = peakKiB(game.processId());
    if (idleSeconds >= 10) {
        // The same wait with "no music", the first entry of the Music menu.
        x.xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), QString::number(table)});
        x.xdotool({QStringLiteral("key"), QStringLiteral("alt+m")});
        QThread::msleep(300);
        x.xdotool({QStringLiteral("key"), QStringLiteral("Return")});
        QThread::msleep(1000);
        const double quietBefore = cpuSeconds(game.processId());
        QThread::sleep(idleSeconds);
        figures.idleSilentCpuPercent = 100.0 * (cpuSeconds(game.processId()) - quietBefore) / idleSeconds;
    }
    x.requestClose(table);
    if (!game.waitForFinished(5000))
        game.kill();
    return figures;
}

// Onsets of sound in 16-bit stereo output at 44.1 kHz, in milliseconds: the first 5 ms
// window above the threshold after at least 15 ms of quiet.
std::vector<double> onsets(const QByteArray& raw)
{
    constexpr int window = 44100 * 2 * 5 / 1000; // samples in 5 ms, both channels
    std::vector<double> found;
    int quiet = 3;
    for (qsizetype start = 0; start + window * 2 <= raw.size(); start += window * 2) {
        const int peak = disksound::loudestSample(raw, start, window * 2);
        if (peak > 800) {
            if (quiet >= 3)
                found.push_back(double(start / 4) * 1000.0 / 44100.0);
            quiet = 0;
        } else if (peak < 60) {
            ++quiet;
        }
    }
    return found;
}

// Songs of one 700 ms note each, played in sequence: the silence from the end of one
// song's note to the first sound of the next, as heard in the output.
std::vector<double> songGaps(const QString& outputFile)
{
    constexpr int noteMs = 700;
    QTemporaryDir folder;
    QDir(folder.path()).mkpath(QStringLiteral("music"));
    for (const char* name : coppix::MusicOrder::songs)
        fixtures::writeFile(folder.filePath(QStringLiteral("music/%1.mid").arg(QLatin1String(name))),
                            fixtures::oneNoteSong(noteMs));
    tk::App::setPath(folder.path());
    const qint64 startAt = QFileInfo(outputFile).size();
    {
        coppix::frmmain start;
        start.Show();
        start.lblplay_Click();
        start.table()->cards_Click(); // the card sound is not part of this
        QTest::qWait(6000);
        start.table()->nomusic_Click();
    }
    QFile file(outputFile);
    file.open(QIODevice::ReadOnly);
    file.seek(startAt & ~qint64(3));
    const std::vector<double> starts = onsets(file.readAll());
    std::vector<double> gaps;
    for (std::size_t i = 1; i < starts.size(); ++i)
        gaps.push_back(starts[i] - starts[i - 1] - noteMs);
    return gaps;
}

// Resident memory of this process, in MiB.
double residentMiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return -1;
}

struct StormFigures {
    double beforeMiB = -1, highestMiB = -1, afterMiB = -1;
};

// A player running down the Music menu: 300 song picks in a second, at the table of this
// process, playing the program's own songs. Resident memory before, at its highest, and
// 3 s after the last pick.
StormFigures songPickStorm(coppix::Form1& form)
{
    StormFigures figures;
    form.all_Click();
    QTest::qWait(2000);
    figures.beforeMiB = residentMiB();
    figures.highestMiB = figures.beforeMiB;
    QElapsedTimer clock;
    clock.start();
    for (int pick = 0; pick < 300; ++pick) {
        form.canzoni(pick % 10 + 1).trigger();
        while (clock.elapsed() < (pick + 1) * 1000 / 300)
            QTest::qWait(1);
        figures.highestMiB = std::max(figures.highestMiB, residentMiB());
    }
    for (int tenth = 0; tenth < 30; ++tenth) {
        QTest::qWait(100);
        figures.highestMiB = std::max(figures.highestMiB, residentMiB());
    }
    figures.afterMiB = residentMiB();
    form.nomusic_Click();
    return figures;
}

void row(const char* what, double value, const char* unit)
{
    std::printf("| %-46s | %10.2f %-4s |\n", what, value, unit);
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir scratch;
    const QString soundOut = scratch.filePath(QStringLiteral("out.raw"));
    disksound::writeSoundTo(soundOut);
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    const QString binary = QCoreApplication::applicationDirPath() + QStringLiteral("/../coppix");
    tk::App::setPath(QCoreApplication::applicationDirPath() + QStringLiteral("/.."));
    tk::Program::setEndAction([] {});

    // In this process, on the offscreen platform: deals and picks.
    coppix::frmmain start;
    start.Show();
    start.lblplay_Click();
    coppix::Form1& form = *start.table();
    if (!QTest::qWaitForWindowExposed(&form))
        std::fprintf(stderr, "the table was not shown\n");
    // A deal, and the table painted with it.
    std::vector<double> deal20, deal48, deal80, pick;
    auto timed = [&](void (coppix::Form1::*handler)(), std::vector<double>& into) {
        QElapsedTimer clock;
        clock.start();
        (form.*handler)();
        form.client()->repaint();
        into.push_back(double(clock.nsecsElapsed()) / 1e6);
    };
    for (int i = 0; i < 100; ++i) {
        timed(&coppix::Form1::ottanta_Click, deal80);
        timed(&coppix::Form1::quarantotto_Click, deal48);
        timed(&coppix::Form1::venti_Click, deal20);
    }
    for (int i = 1; i <= 20; i += 2) {
        form.venti_Click();
        form.client()->repaint();
        tk::ImageControl& back = (*form.backsInUse())(i);
        QElapsedTimer clock;
        clock.start();
        QTest::mouseClick(&back, Qt::LeftButton, {}, QPoint(5, 5));
        form.client()->repaint(); // the face painted on the screen's copy
        pick.push_back(double(clock.nsecsElapsed()) / 1e6);
    }

    const StormFigures storm = songPickStorm(form);
    const std::vector<double> gaps = songGaps(soundOut);

    // "Exit": the start screen, which kept no copy of its picture behind the table, paints
    // it from the file's bytes; the next paint draws the copy it keeps now.
    std::vector<double> firstRepaint, laterRepaint;
    for (int i = 0; i < 20; ++i) {
        start.lblplay_Click();
        form.lblquit_Click();
        for (std::vector<double>* into : {&firstRepaint, &laterRepaint}) {
            QElapsedTimer clock;
            clock.start();
            start.client()->repaint();
            into->push_back(double(clock.nsecsElapsed()) / 1e6);
        }
    }

    std::vector<double> toStart, toTable, toTableProbing, idle, idleSilent, peak;
    for (int r = 0; r < runs; ++r) {
        const ProcessFigures f = runProgram(binary, r == 0 ? 10 : 2);
        toStart.push_back(f.toStartScreenMs);
        toTable.push_back(f.toTableMs);
        if (r == 0) {
            idle.push_back(f.idleCpuPercent);
            idleSilent.push_back(f.idleSilentCpuPercent);
        }
        peak.push_back(f.peakKiB);
        toTableProbing.push_back(runProgram(binary, 1, false).toTableMs);
    }

    std::printf("\nCoppix figures, median of %d program runs (Xvfb 1024x768, dummy audio)\n\n", runs);
    std::printf("| %-46s | %15s |\n", "what", "median");
    std::printf("|%s|%s|\n", std::string(48, '-').c_str(), std::string(17, '-').c_str());
    row("start to start screen shown", median(toStart), "ms");
    row("first \"Play\" to table shown", median(toTable), "ms");
    row("the same, probing for a sound card first", median(toTableProbing), "ms");
    row("deal of 20 cards, painted (in process)", median(deal20), "ms");
    row("deal of 48 cards, painted (in process)", median(deal48), "ms");
    row("deal of 80 cards, painted (in process)", median(deal80), "ms");
    row("click on a back to its face painted (in pr.)", median(pick), "ms");
    row("start screen's first paint after \"Exit\" (in pr.)", median(firstRepaint), "ms");
    row("the same, a later paint (in pr.)", median(laterRepaint), "ms");
    row("CPU while waiting 10 s at the table, music on", median(idle), "%");
    row("CPU while waiting 10 s at the table, no music", median(idleSilent), "%");
    row("peak resident memory", median(peak) / 1024.0, "MiB");
    row("silence between two songs in sequence", median(gaps), "ms");
    row("resident memory before 300 song picks in 1 s", storm.beforeMiB, "MiB");
    row("the same, highest during and after the picks", storm.highestMiB, "MiB");
    row("the same, 3 s after the last pick", storm.afterMiB, "MiB");
    std::printf("\n(%zu song changes heard)\n", gaps.size());
    return 0;
}
