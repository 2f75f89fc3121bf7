#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "concurrency/Route.h"
#include "io/ByteVector.h"
#include "orvane/images/color/Rgb.h"
#include "orvane/images/frames/Keying.h"
#include "orvane/images/frames/ScaledRows.h"

namespace orvane::images::png {

// The parts of an indexed PNG (colour type 3, depth 8) that PNG and APNG
// files share.
class PngChunks {
public:
    static void signature(io::ByteVector& out);
    // Length, type, data, and the CRC-32 of type and data.
    static void chunk(io::ByteVector& out, const char* type, const std::uint8_t* data, std::size_t n);
    static void header(io::ByteVector& out, std::size_t width, std::size_t height);
    // PLTE with `entries` colours (past the palette: black), then tRNS up
    // to the key where the keying has transparent pixels.
    static void palette(io::ByteVector& out, const std::vector<color::Rgb>& colours, int entries,
                        const frames::Keying& keying);
    // The zlib stream of the rows, each after its filter byte (0, None: the
    // best for indexed pixels), appended to out; large images on two threads
    // where the route has helpers.
    static void compressRows(const frames::ScaledRows& rows, concurrency::Route route, std::vector<std::uint8_t>& out);
    // The data in chunks of `type` of at most a megabyte; a sequence number
    // before each one's data where `sequence` is given (fdAT).
    static void data(io::ByteVector& out, const char* type, const std::vector<std::uint8_t>& stream,
                     std::uint32_t* sequence = nullptr);
    static void end(io::ByteVector& out);
};

} // namespace orvane::images::png
