#pragma once

namespace concurrency {

// The one decision on helper threads, taken by the front end for each
// conversion and passed down: the inflater, the writer and the encoder never
// decide it themselves.
class Helpers {
public:
    // Whether helper threads are worth starting here: this process may run
    // on two CPUs or more (its affinity mask, as taskset sets it), and its
    // address space and data are not capped (`ulimit -v`, `ulimit -d`). On
    // one CPU a helper would only take turns with the converting thread.
    // Under a cap the helpers' stacks and the fast decoder's and the
    // writer's buffers would take memory the one-thread route does without,
    // and a capped process must end as it would on one CPU: it converts on
    // one thread from the start. Asked of the system once.
    static bool worthStarting();
};

} // namespace concurrency
