#include "orvane/images/png/PngWriter.h"

#include "orvane/images/png/PngChunks.h"

namespace orvane::images::png {

io::ByteVector PngWriter::write(const frames::IndexedFrames& frames, std::size_t page, std::size_t scale,
                                concurrency::Route route, frames::Keying& keying) {
    std::vector<std::uint8_t> pixels(frames.pixelCount());
    keying = frames.renderOwn(page, pixels.data(), route);
    frames::ScaledRows rows(pixels.data(), static_cast<std::size_t>(frames.width()),
                            static_cast<std::size_t>(frames.height()), scale);
    std::vector<std::uint8_t> stream;
    PngChunks::compressRows(rows, route, stream);
    io::ByteVector out;
    PngChunks::signature(out);
    PngChunks::header(out, rows.width(), rows.height());
    PngChunks::palette(out, frames.palette(), keying.entries(frames.palette().size()), keying);
    PngChunks::data(out, "IDAT", stream);
    PngChunks::end(out);
    return out;
}

} // namespace orvane::images::png
