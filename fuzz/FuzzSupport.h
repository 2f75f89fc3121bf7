#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "io/Bytes.h"

namespace fuzz {

// Turns fuzz input into an Edge file. An input starting with an even byte is
// an Edge2 body (after that byte), wrapped in the header and compressed here,
// so that mutations reach the chunk walk instead of breaking the zlib stream;
// any other input is a whole file ("EDGE" starts with an odd byte).
io::Bytes edgeFileFrom(const std::uint8_t* data, std::size_t size);

} // namespace fuzz
