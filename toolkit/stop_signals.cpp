#include "toolkit/stop_signals.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <thread>
#include <unistd.h>

namespace tk {

namespace {
int s_pipe[2] = {-1, -1};   // to the GUI thread's event loop
int s_watch[2] = {-1, -1};  // to the watchdog: a signal's number, or kEndedByte
volatile std::sig_atomic_t s_pending = 0;
std::atomic<bool> s_ended{false};
constexpr unsigned char kEndedByte = 0;  // no signal has the number 0

void onStopSignal(int number)
{
    if (s_pending) {
        // The first one is under way (or stuck): this one is not kept waiting.
        std::signal(number, SIG_DFL);
        std::raise(number);
        return;
    }
    s_pending = 1;
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(number);
    [[maybe_unused]] ssize_t written = ::write(s_pipe[1], &byte, 1);
    written = ::write(s_watch[1], &byte, 1);
    errno = savedErrno;
}

// Reads one byte from the watchdog's pipe, waiting at most timeoutMs (-1: for ever).
// -1 when the time ran out first.
int nextByte(int timeoutMs)
{
    pollfd ready{s_watch[0], POLLIN, 0};
    const int polled = ::poll(&ready, 1, timeoutMs);
    unsigned char byte = 0;
    if (polled > 0 && ::read(s_watch[0], &byte, 1) == 1)
        return byte;
    if (polled == 0)
        return -1;
    return -2;  // interrupted, or nothing to read after all: ask again
}

// The watchdog: waits for the first stop signal, then for the orderly end.
void watch()
{
    int got = -2;
    while (got < 0)
        got = nextByte(-1);
    if (got == kEndedByte)
        return;
    const int signal = got;
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(StopSignals::kOrderlyEndMs);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        got = left > 0 ? nextByte(int(left)) : -1;
        if (got == kEndedByte)
            return;
        if (got == -1) {
            // The GUI thread has not come back in time: the program ends from here, as
            // it would have ended the orderly way, without its windows' and devices' goodbyes.
            ::_exit(128 + signal);
        }
    }
}
} // namespace

bool StopSignals::install(std::function<void(int)> action)
{
    if (s_pipe[0] >= 0 || ::pipe2(s_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    // The handler must never wait on a full pipe; the watchdog waits on its end with poll().
    if (::pipe2(s_watch, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    // The watchdog takes no signal itself: every signal is left to the program's own threads.
    sigset_t all, before;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &before);
    std::thread(watch).detach();
    pthread_sigmask(SIG_SETMASK, &before, nullptr);

    auto* notifier = new QSocketNotifier(s_pipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [action = std::move(action)] {
        unsigned char byte = 0;
        while (::read(s_pipe[0], &byte, 1) == 1)
            action(byte);
    });
    struct sigaction handler {};
    handler.sa_handler = onStopSignal;
    sigemptyset(&handler.sa_mask);
    handler.sa_flags = SA_RESTART;
    return ::sigaction(SIGTERM, &handler, nullptr) == 0 && ::sigaction(SIGINT, &handler, nullptr) == 0;
}

void StopSignals::ended()
{
    if (s_watch[1] < 0 || s_ended.exchange(true))
        return;
    const unsigned char byte = kEndedByte;
    [[maybe_unused]] const ssize_t written = ::write(s_watch[1], &byte, 1);
}

} // namespace tk
