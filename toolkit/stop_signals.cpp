#include "toolkit/stop_signals.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace tk {

namespace {
int s_pipe[2] = {-1, -1};
volatile std::sig_atomic_t s_pending = 0;

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
    [[maybe_unused]] const ssize_t written = ::write(s_pipe[1], &byte, 1);
    errno = savedErrno;
}
} // namespace

bool StopSignals::install(std::function<void(int)> action)
{
    if (s_pipe[0] >= 0 || ::pipe2(s_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
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

} // namespace tk
