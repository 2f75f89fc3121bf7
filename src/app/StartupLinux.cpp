#include <csignal>

#include "app/FileOutput.h"
#include "app/Startup.h"
#include "app/TerminatingSignals.h"

namespace app {

namespace {

void removeTemporaryAndDie(int signal) {
    FileOutput::removePendingTemporary();
    // Ends the process as the signal would have: the status stays the signal's.
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

} // namespace

void Startup::removeTemporaryOnInterrupt() {
    struct sigaction action {};
    action.sa_handler = removeTemporaryAndDie;
    // No second signal interrupts the removal.
    action.sa_mask = TerminatingSignals::set();
    // One call a signal: the handler goes in, and the caller's own action
    // back where it was not the default. Meanwhile the signals wait, so one
    // the caller ignores is never taken by the handler.
    sigset_t previousMask;
    ::sigprocmask(SIG_BLOCK, &TerminatingSignals::set(), &previousMask);
    for (const int signal : TerminatingSignals::all()) {
        struct sigaction previous {};
        // Only a signal left at its default: one the caller ignores (nohup,
        // for instance) stays ignored, and one a runtime handles (the
        // sanitizers' reports of a crash) stays its own.
        if (::sigaction(signal, &action, &previous) == 0 && previous.sa_handler != SIG_DFL) {
            ::sigaction(signal, &previous, nullptr);
        }
    }
    ::sigprocmask(SIG_SETMASK, &previousMask, nullptr);
}

// SIGXFSZ would end the process only where the converting thread itself
// writes; the writer thread blocks it and gets EFBIG. Ignored, every write
// past the limit gets EFBIG.
void Startup::failWritesPastSizeLimit() { ::signal(SIGXFSZ, SIG_IGN); }

} // namespace app
