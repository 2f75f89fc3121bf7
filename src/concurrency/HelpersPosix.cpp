#include "concurrency/Helpers.h"

#include <sched.h>

namespace concurrency {

bool Helpers::worthStarting() {
    static const bool twoCpus = [] {
        cpu_set_t usable;
        return ::sched_getaffinity(0, sizeof usable, &usable) == 0 && CPU_COUNT(&usable) >= 2;
    }();
    return twoCpus;
}

} // namespace concurrency
