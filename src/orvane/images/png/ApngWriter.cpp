#include "orvane/images/png/ApngWriter.h"

#include "orvane/images/png/PngChunks.h"

namespace orvane::images::png {

namespace {

void frameControl(io::ByteVector& out, std::uint32_t& sequence, std::size_t width, std::size_t height,
                  std::uint32_t fps) {
    io::ByteVector fctl;
    fctl.be32(sequence++);
    fctl.be32(static_cast<std::uint32_t>(width));
    fctl.be32(static_cast<std::uint32_t>(height));
    fctl.be32(0); // x
    fctl.be32(0); // y
    fctl.be16(1); // delay 1 / fps s
    fctl.be16(fps);
    fctl.u8(0); // dispose: none, the next frame replaces every pixel
    fctl.u8(0); // blend: source, transparent pixels included
    PngChunks::chunk(out, "fcTL", fctl.data(), fctl.size());
}

} // namespace

io::ByteVector ApngWriter::write(const frames::IndexedFrames& frames, std::uint32_t fps, std::uint32_t plays,
                                 std::size_t scale, concurrency::Route route, frames::Keying& keying) {
    const auto width = static_cast<std::size_t>(frames.width());
    const auto height = static_cast<std::size_t>(frames.height());
    std::vector<std::uint8_t> pixels(frames.pixelCount());
    std::vector<std::vector<std::uint8_t>> streams(frames.count());
    const auto compress = [&](std::size_t i) {
        frames::ScaledRows rows(pixels.data(), width, height, scale);
        streams[i].clear();
        PngChunks::compressRows(rows, route, streams[i]);
    };
    // Each frame as it is drawn, keyed by the transparent index; where the
    // frames together need another key, again with it.
    frames::FrameUsage usage;
    for (std::size_t i = 0; i < frames.count(); ++i) {
        usage.add(frames.renderPlain(i, pixels.data(), route));
        compress(i);
    }
    keying = frames::Keying::plan(usage, frames.transparentIndex(), frames.palette());
    if (!frames.plainFits(keying)) {
        for (std::size_t i = 0; i < frames.count(); ++i) {
            frames.render(i, keying, pixels.data(), route);
            compress(i);
        }
    }
    io::ByteVector out;
    PngChunks::signature(out);
    PngChunks::header(out, width * scale, height * scale);
    io::ByteVector actl;
    actl.be32(static_cast<std::uint32_t>(frames.count()));
    actl.be32(plays);
    PngChunks::chunk(out, "acTL", actl.data(), actl.size());
    PngChunks::palette(out, frames.palette(), keying.entries(frames.palette().size()), keying);
    std::uint32_t sequence = 0;
    for (std::size_t i = 0; i < frames.count(); ++i) {
        frameControl(out, sequence, width * scale, height * scale, fps);
        if (i == 0) {
            PngChunks::data(out, "IDAT", streams[i]);
        } else {
            PngChunks::data(out, "fdAT", streams[i], &sequence);
        }
    }
    PngChunks::end(out);
    return out;
}

} // namespace orvane::images::png
