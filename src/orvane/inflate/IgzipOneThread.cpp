#include "orvane/inflate/Igzip.h"

namespace orvane::inflate {

// ISA-L has no MinGW or WebAssembly build: zlib inflates alone on Windows
// and in the browser.
bool Igzip::available() { return false; }

std::optional<ZlibInflater::Summary> Igzip::inflate(const std::uint8_t*, std::size_t, std::size_t, StreamCheck&,
                                                    io::ByteArray&) {
    return std::nullopt;
}

} // namespace orvane::inflate
