// quit_signals.h - Ctrl+C in a terminal, or a kill, ends the window as Quit does.
//
// Left alone, SIGINT and SIGTERM end the process on the spot and lose what is
// still buffered: walkers --state writes its lines when the program ends. While
// a QuitOnSignals lives, either signal calls `quit` on the event loop's thread
// instead, so the program ends through its usual quit path (a signal that comes
// again before then changes nothing: tools such as timeout send it twice, to
// the program and to its process group). The handler itself only writes a byte
// to a pipe, which a socket notifier reads: a signal handler may do little
// more. SIGKILL still ends a program that no longer answers. Installing fails
// quietly (the signals then keep their default action).
#pragma once

#include <QSocketNotifier>
#include <functional>
#include <memory>

namespace walkers {

class QuitOnSignals {
public:
    explicit QuitOnSignals(std::function<void()> quit);
    ~QuitOnSignals();
    QuitOnSignals(const QuitOnSignals&) = delete;
    QuitOnSignals& operator=(const QuitOnSignals&) = delete;

private:
    std::function<void()> quit_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace walkers
