#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "concurrency/Route.h"
#include "io/ByteVector.h"
#include "orvane/images/frames/IndexedFrames.h"

namespace orvane::images::sheet {

// Every page as a cell of one indexed PNG, in a grid filled row by row, and
// the grid's data in the JSON array shape game engines read from sprite
// sheets: each frame's rectangle, size, duration (ms) and page, and the
// sheet's image, format and size.
class SheetWriter {
public:
    // The smallest number of columns whose sheet is at least as wide as it
    // is high.
    static std::size_t squareColumns(const frames::IndexedFrames& frames);
    // The keying of the whole sheet (every page, and the empty cells) goes
    // into `keying`.
    static io::ByteVector png(const frames::IndexedFrames& frames, std::size_t columns, std::size_t scale,
                              concurrency::Route route, frames::Keying& keying);
    // `title`: the document's file name without its extension, as the
    // frames' file names use it; `image`: the sheet PNG's file name.
    static std::string json(const frames::IndexedFrames& frames, std::size_t columns, std::size_t scale,
                            std::uint32_t fps, const std::string& title, const std::string& image,
                            const std::string& version);
};

} // namespace orvane::images::sheet
