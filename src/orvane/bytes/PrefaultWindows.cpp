#include "orvane/bytes/Prefault.h"

namespace orvane::bytes {

// Windows has no fast decoder to run ahead of.
bool Prefault::populate(std::uint8_t*, std::uint8_t*) { return false; }

} // namespace orvane::bytes
