#pragma once

#include <csignal>

namespace app {

// The signals that end a run from outside, and after which no named
// temporary file may stay behind (Linux): the start-up's handlers take them,
// and a temporary file changes its name only while they are blocked.
constexpr int terminatingSignals[] = {SIGINT, SIGTERM, SIGHUP};

} // namespace app
