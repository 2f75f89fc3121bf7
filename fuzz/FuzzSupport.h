#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "io/Bytes.h"
#include "orvane/images/edg/EdgImage.h"

namespace fuzz {

// Turns fuzz input into an Edge file. An input starting with an even byte is
// an Edge2 body (after that byte), wrapped in the header and compressed here,
// so that mutations reach the chunk walk instead of breaking the zlib stream;
// any other input is a whole file ("EDGE" starts with an odd byte).
io::Bytes edgeFileFrom(const std::uint8_t* data, std::size_t size);

// Holds the fast inflater to zlib alone on one zlib stream with a body limit:
// the program's fast path (igzip's body, the deflate check or zlib's verdict,
// and zlib's body again where zlib made another one) must end exactly as zlib
// alone does, with the same error or the same bytes. Aborts where it does not;
// else gives the body's length where zlib inflated it.
std::optional<std::size_t> expectFastAsZlib(const std::uint8_t* data, std::size_t size, std::size_t limit);

// The pixels a harness would touch: `canvases` canvases and every layer.
// Large documents are legitimate but make every run slow and memory-bound;
// the harnesses leave them to the resource tests.
std::int64_t pixelsOf(const orvane::images::edg::EdgImage& image, std::int64_t canvases);

} // namespace fuzz
