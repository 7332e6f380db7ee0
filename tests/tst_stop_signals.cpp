// One SIGTERM or SIGINT ends a program that takes its stop signals through tk::StopSignals
// within two seconds, with 128 + the signal's number: the orderly way (the action, from the
// event loop) when the GUI thread is free, and from outside the event loop when the GUI
// thread is held in a blocking call, or the orderly end itself is held up before it is done.
// Each case is a child process of this program (the handlers are installed once per
// process), held up, when it is, in a read of a FIFO nobody ever writes to.
#include "toolkit/stop_signals.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void say(const char* line)
{
    std::fputs(line, stdout);
    std::fflush(stdout);
}

// Waits for a writer that never comes.
void holdUp(const QByteArray& fifo)
{
    const int fd = ::open(fifo.constData(), O_RDONLY);
    if (fd >= 0)
        ::close(fd);
}

// The child. "free": the event loop runs until the action ends it. "held in a call": the
// GUI thread is held in a read from inside the event loop when the signal comes. "held in
// its end": the action runs, and the end that follows the event loop is held up. "slow
// after its end": ended, it takes longer than the watchdog's time to go (as the sanitizers'
// leak scan may), and must not be cut short.
int child(const QString& how, const QByteArray& fifo)
{
    int argc = 1;
    char name[] = "tst_stop_signals";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    tk::StopSignals::install([](int signal) {
        say("orderly way\n");
        QCoreApplication::exit(128 + signal);
    });
    QTimer::singleShot(0, [&] {
        say("ready\n");
        if (how == QLatin1String("held in a call"))
            holdUp(fifo);
    });
    const int status = QCoreApplication::exec();
    if (how == QLatin1String("held in its end"))
        holdUp(fifo);
    tk::StopSignals::ended();
    if (how == QLatin1String("slow after its end")) {
        ::usleep(useconds_t(tk::StopSignals::kOrderlyEndMs + 300) * 1000);
        say("gone its own way\n");
    }
    return status;
}

#ifdef COPPIX_SANITIZED
// The orderly end includes LeakSanitizer's scan of the heap, after the watchdog stood down.
constexpr qint64 orderlyBoundMs = 5000;
#else
constexpr qint64 orderlyBoundMs = 2000;
#endif

} // namespace

class TestStopSignals : public QObject {
    Q_OBJECT
private slots:
    void oneSignalEndsTheProgram_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("signal");
        QTest::addColumn<bool>("orderly");  // the action ran
        QTest::newRow("free, SIGTERM") << "free" << SIGTERM << true;
        QTest::newRow("free, SIGINT") << "free" << SIGINT << true;
        QTest::newRow("held in a call, SIGTERM") << "held in a call" << SIGTERM << false;
        QTest::newRow("held in a call, SIGINT") << "held in a call" << SIGINT << false;
        QTest::newRow("held in its end, SIGTERM") << "held in its end" << SIGTERM << true;
        QTest::newRow("slow after its end, SIGTERM") << "slow after its end" << SIGTERM << true;
    }
    void oneSignalEndsTheProgram()
    {
        QFETCH(QString, how);
        QFETCH(int, signal);
        QFETCH(bool, orderly);
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const QString fifo = folder.filePath(QStringLiteral("nobody.writes"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);

        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("COPPIX_TEST_HOW"), how);
        env.insert(QStringLiteral("COPPIX_TEST_FIFO"), fifo);
        program.setProcessEnvironment(env);
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        program.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(program.waitForStarted(5000));
        QByteArray out;
        QVERIFY(QTest::qWaitFor(
            [&] {
                program.waitForReadyRead(50);
                out += program.readAllStandardOutput();
                return out.contains("ready\n");
            },
            10000));
        QTest::qWait(200); // the child goes on into its read

        QElapsedTimer clock;
        clock.start();
        QCOMPARE(::kill(pid_t(program.processId()), signal), 0);
        const bool ended = program.waitForFinished(5000);
        const qint64 ms = clock.elapsed();
        if (!ended) {
            program.kill();
            program.waitForFinished(5000);
        }
        QVERIFY2(ended, "one signal did not end it");
        out += program.readAllStandardOutput();
        qInfo("gone %lld ms after the signal", ms);
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 128 + signal);
        QCOMPARE(out.contains("orderly way\n"), orderly);
        if (how == QLatin1String("slow after its end")) {
            QVERIFY2(out.contains("gone its own way\n"), "the watchdog cut short an end that was done");
        } else {
            const qint64 bound = how == QLatin1String("free") ? orderlyBoundMs : 2000;
            QVERIFY2(ms < bound, qPrintable(QStringLiteral("it took %1 ms").arg(ms)));
        }
    }
};

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsSet("COPPIX_TEST_HOW"))
        return child(qEnvironmentVariable("COPPIX_TEST_HOW"), qgetenv("COPPIX_TEST_FIFO"));
    QCoreApplication app(argc, argv);
    TestStopSignals test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_stop_signals.moc"
