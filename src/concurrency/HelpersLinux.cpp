#include "concurrency/Helpers.h"

#include <initializer_list>

#include <sched.h>
#include <sys/resource.h>

namespace concurrency {

namespace {

// A cap on the address space or the data segment (`ulimit -v`, `ulimit -d`).
bool memoryCapped() {
    for (const int resource : {RLIMIT_AS, RLIMIT_DATA}) {
        rlimit limit{};
        if (::getrlimit(resource, &limit) != 0 || limit.rlim_cur != RLIM_INFINITY) return true;
    }
    return false;
}

} // namespace

bool Helpers::worthStarting() {
    static const bool worth = [] {
        if (memoryCapped()) return false;
        cpu_set_t usable;
        return ::sched_getaffinity(0, sizeof usable, &usable) == 0 && CPU_COUNT(&usable) >= 2;
    }();
    return worth;
}

} // namespace concurrency
