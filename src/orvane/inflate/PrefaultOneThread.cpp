#include "orvane/inflate/Prefault.h"

namespace orvane::inflate {

// Windows and the browser have no fast decoder to run ahead of.
bool Prefault::populate(std::uint8_t*, std::uint8_t*) { return false; }

} // namespace orvane::inflate
