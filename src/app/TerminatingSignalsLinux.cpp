#include "app/TerminatingSignals.h"

namespace app {

const std::vector<int>& TerminatingSignals::all() {
    static const std::vector<int> signals = [] {
        std::vector<int> list = {SIGHUP,    SIGINT,  SIGQUIT,   SIGILL,  SIGTRAP, SIGABRT, SIGBUS,
                                 SIGFPE,    SIGUSR1, SIGSEGV,   SIGUSR2, SIGPIPE, SIGALRM, SIGTERM,
                                 SIGSTKFLT, SIGXCPU, SIGVTALRM, SIGPROF, SIGIO,   SIGPWR,  SIGSYS};
        // The real-time signals end a process by default too; those below
        // SIGRTMIN belong to the C library.
        for (int signal = SIGRTMIN; signal <= SIGRTMAX; ++signal) list.push_back(signal);
        return list;
    }();
    return signals;
}

const sigset_t& TerminatingSignals::set() {
    static const sigset_t signals = [] {
        sigset_t set;
        sigemptyset(&set);
        for (const int signal : all()) sigaddset(&set, signal);
        return set;
    }();
    return signals;
}

} // namespace app
