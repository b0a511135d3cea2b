// quit_signals.cpp - the self-pipe between the signal handler and the event loop.
#include "app/quit_signals.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace walkers {

namespace {

constexpr int QUIT_SIGNALS[] = {SIGINT, SIGTERM};

// One pipe for the process: [0] is read by the notifier, [1] written by the handler.
int signal_pipe[2] = {-1, -1};

void set_action(int signal, void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    // A signal must not fail a write(2) it interrupts (walkers --state - into a
    // slow reader) with EINTR: stdio would count that as a write error.
    action.sa_flags = SA_RESTART;
    sigaction(signal, &action, nullptr);
}

// Only an async-signal-safe call: write(2). A full pipe means a quit is on its way already.
// errno is put back: the code the signal interrupted may be about to read it.
extern "C" void note_signal(int) {
    const int saved_errno = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(signal_pipe[1], &byte, 1);
    errno = saved_errno;
}

} // namespace

QuitOnSignals::QuitOnSignals(std::function<void()> quit) : quit_(std::move(quit)) {
    if (signal_pipe[0] >= 0 || pipe2(signal_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    notifier_ = std::make_unique<QSocketNotifier>(signal_pipe[0], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] {
        char byte = 0;
        while (read(signal_pipe[0], &byte, 1) == 1) {
        }
        quit_();
    });
    for (const int signal : QUIT_SIGNALS)
        set_action(signal, note_signal);
}

QuitOnSignals::~QuitOnSignals() {
    if (!notifier_) return;
    for (const int signal : QUIT_SIGNALS)
        set_action(signal, SIG_DFL);
    notifier_.reset();
    close(signal_pipe[0]);
    close(signal_pipe[1]);
    signal_pipe[0] = signal_pipe[1] = -1;
}

} // namespace walkers
