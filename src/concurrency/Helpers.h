#pragma once

namespace concurrency {

// The one decision on helper threads, taken by the front end for each
// conversion and passed down: the inflater, the writer and the encoder never
// decide it themselves.
class Helpers {
public:
    // Whether helper threads are worth starting here: this process may run
    // on two CPUs or more (its affinity mask, as taskset sets it). On one CPU
    // a helper would only take turns with the converting thread. Asked of
    // the system once.
    static bool worthStarting();
};

} // namespace concurrency
