#include "orvane/inflate/Prefault.h"

#include <sys/mman.h>
#include <unistd.h>

namespace orvane::inflate {

bool Prefault::populate(std::uint8_t* from, std::uint8_t* to) {
    static const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    const auto start = reinterpret_cast<std::uintptr_t>(from) / page * page;
    const auto end = reinterpret_cast<std::uintptr_t>(to);
    return ::madvise(reinterpret_cast<void*>(start), end - start, MADV_POPULATE_WRITE) == 0;
}

} // namespace orvane::inflate
