#pragma once

#include <csignal>
#include <vector>

namespace app {

// The signals that end the process by default and can be caught: after
// any of them, no named temporary file may stay behind. The start-up's
// handler takes each one the caller left at its default, and a temporary
// file changes its name only while they are all blocked. SIGXFSZ is not
// among them: it is ignored, so that a write past the file-size limit fails
// as any write does. The platform's part (Linux).
class TerminatingSignals {
public:
    static const std::vector<int>& all();
    // All of them, for sigprocmask and a handler's mask.
    static const sigset_t& set();
};

} // namespace app
