// Figures for the game as a whole: start-up, deal and pick times, CPU while the player
// thinks, and memory. Prints a table of medians; nothing here passes or fails.
//
//   build/bench/bench_game [runs]
#include "start/frmmain.h"
#include "table/form1.h"
#include "toolkit/app.h"
#include "x11/xsession.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <unistd.h>
#include <vector>

namespace {

const QString startTitle = QStringLiteral("VErdanticoPRess  -  Coppix");
const QString tableTitle = QStringLiteral("VErdanticoPRess  -  Coppix ");

double median(std::vector<double> v)
{
    if (v.empty())
        return -1;
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

struct ProcessFigures {
    double toStartScreenMs = -1, toTableMs = -1, idleCpuPercent = -1, peakKiB = -1;
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
ProcessFigures runProgram(const QString& binary, int idleSeconds)
{
    ProcessFigures figures;
    xsession::Display x(1024, 768);
    if (!x.ok())
        return figures;
    QProcess game;
    QProcessEnvironment env = x.environment();
    env.insert(QStringLiteral("SDL_AUDIODRIVER"), QStringLiteral("dummy"));
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
    x.requestClose(table);
    if (!game.waitForFinished(5000))
        game.kill();
    return figures;
}

void row(const char* what, double value, const char* unit)
{
    std::printf("| %-44s | %10.2f %-4s |\n", what, value, unit);
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("SDL_AUDIODRIVER", "dummy");
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
    QTest::qWaitForWindowExposed(&form);
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

    std::vector<double> toStart, toTable, idle, peak;
    for (int r = 0; r < runs; ++r) {
        const ProcessFigures f = runProgram(binary, r == 0 ? 10 : 2);
        toStart.push_back(f.toStartScreenMs);
        toTable.push_back(f.toTableMs);
        if (r == 0)
            idle.push_back(f.idleCpuPercent);
        peak.push_back(f.peakKiB);
    }

    std::printf("\nCoppix figures, median of %d program runs (Xvfb 1024x768, dummy audio)\n\n", runs);
    std::printf("| %-44s | %15s |\n", "what", "median");
    std::printf("|%s|%s|\n", std::string(46, '-').c_str(), std::string(17, '-').c_str());
    row("start to start screen shown", median(toStart), "ms");
    row("first \"Play\" to table shown", median(toTable), "ms");
    row("deal of 20 cards, painted (in process)", median(deal20), "ms");
    row("deal of 48 cards, painted (in process)", median(deal48), "ms");
    row("deal of 80 cards, painted (in process)", median(deal80), "ms");
    row("click on a back to its face painted (in pr.)", median(pick), "ms");
    row("CPU while waiting 10 s at the table", median(idle), "%");
    row("peak resident memory", median(peak) / 1024.0, "MiB");
    return 0;
}
