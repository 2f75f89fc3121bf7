// Fuzzes every export format on the decoded document: palettes, PNG, APNG,
// GIF, the sheet and Aseprite. Each must finish or refuse with a failure,
// and every format's frames come from the same model.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "FuzzSupport.h"
#include "io/Failure.h"
#include "orvane/images/aseprite/AsepriteWriter.h"
#include "orvane/images/edg/EdgDecoder.h"
#include "orvane/images/frames/IndexedFrames.h"
#include "orvane/images/gif/GifWriter.h"
#include "orvane/images/palette/PaletteWriter.h"
#include "orvane/images/png/ApngWriter.h"
#include "orvane/images/png/PngWriter.h"
#include "orvane/images/sheet/SheetWriter.h"

using namespace orvane::images;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const io::Bytes file = fuzz::edgeFileFrom(data, size);
    try {
        const auto image = edg::EdgDecoder::decode(file);
        for (const auto& palette : image->paletteBank) {
            if (palette::PaletteWriter::act(palette, image->transparentColorIndex).size() != 772) std::abort();
            (void)palette::PaletteWriter::gpl(palette, "name", image->transparentColorIndex);
        }
        if (fuzz::pixelsOf(*image, static_cast<std::int64_t>(image->pages.size() + 1)) > (std::int64_t{1} << 20))
            return 0;
        const frames::IndexedFrames frames(*image);
        const std::size_t scale = 1 + size % 2;
        frames::Keying keying;
        (void)png::PngWriter::write(frames, 0, scale, concurrency::Route::Helped, keying);
        (void)png::ApngWriter::write(frames, 8, 0, scale, concurrency::Route::OneThread, keying);
        std::vector<frames::Keying> keyings;
        (void)gif::GifWriter::write(frames, 12, 0, scale, concurrency::Route::Helped, keyings);
        if (keyings.size() != frames.count()) std::abort();
        (void)sheet::SheetWriter::png(frames, sheet::SheetWriter::squareColumns(frames), scale,
                                      concurrency::Route::Helped, keying);
        (void)sheet::SheetWriter::json(frames, 2, scale, 8, "title", "image", "0");
        (void)aseprite::AsepriteWriter::write(frames, aseprite::AsepriteWriter::keyingOf(frames), 30,
                                              concurrency::Route::Helped);
    } catch (const io::Failure&) {}
    return 0;
}
