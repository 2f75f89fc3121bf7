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

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const io::Bytes file = fuzz::edgeFileFrom(data, size);
    try {
        const auto image = edg::EdgDecoder::decode(file);
        if (fuzz::pixelsOf(*image, 1) > (std::int64_t{1} << 22)) return 0;
        const auto document = psd::PsdConverter::convertFromEdg(*image);
        const io::Bytes psdFile = psd::PsdEncoder::encode(*document);
        if (psdFile.length() != psd::PsdEncoder::fileLength(*document)) std::abort();
    } catch (const io::Failure&) {}
    return 0;
}
