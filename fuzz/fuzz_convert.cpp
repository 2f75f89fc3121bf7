// Fuzzes the whole in-memory road: decode, convert, encode. The output must
// be exactly as long as the encoder says.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "FuzzSupport.h"
#include "io/Failure.h"
#include "orvane/images/edg/EdgDecoder.h"
#include "orvane/images/psd/PsdConverter.h"
#include "orvane/images/psd/PsdEncoder.h"

using namespace orvane::images;

namespace {

// Large canvases are legitimate but make every run slow and memory-bound;
// their handling is covered by the resource tests.
constexpr std::int64_t maxPixels = std::int64_t{1} << 22;

bool small(const edg::EdgImage& image) {
    const auto [width, height] = image.getSize();
    std::int64_t pixels = std::max<std::int64_t>(width, 0) * std::max<std::int64_t>(height, 0);
    for (const auto& page : image.pages) pixels += std::int64_t{page->width} * page->height * page->get_numLayers();
    return pixels <= maxPixels;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const io::Bytes file = fuzz::edgeFileFrom(data, size);
    try {
        const auto image = edg::EdgDecoder::decode(file);
        if (!small(*image)) return 0;
        const auto document = psd::PsdConverter::convertFromEdg(*image);
        const io::Bytes psdFile = psd::PsdEncoder::encode(*document);
        if (psdFile.length() != psd::PsdEncoder::fileLength(*document)) std::abort();
    } catch (const io::Failure&) {}
    return 0;
}
