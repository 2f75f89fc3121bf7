#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "concurrency/Route.h"

namespace orvane::bytes {

// One zlib stream of an image's rows, each made by fill(y, row). Where the
// rows are large, their first half and their second are deflated apart, the
// second primed with the 32 KiB before it and joined on a byte boundary, so
// that on the helped route the second half is deflated beside the first. The
// halves are the same on every route, and so are the bytes. fill is called
// from both threads, each time for another row.
class RowDeflater {
public:
    using Fill = std::function<void(std::size_t y, std::uint8_t* row)>;
    // `strategy`: zlib's (0, its default, or Z_RLE...).
    static void compress(std::size_t rows, std::size_t rowLength, const Fill& fill, int level, concurrency::Route route,
                         std::vector<std::uint8_t>& out, int strategy = 0);
};

} // namespace orvane::bytes
