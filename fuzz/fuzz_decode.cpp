// Fuzzes the Edge decoder: every input must decode or raise one of the
// program's own errors.
#include <cstddef>
#include <cstdint>

#include "FuzzSupport.h"
#include "io/Failure.h"
#include "orvane/images/edg/EdgDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const io::Bytes file = fuzz::edgeFileFrom(data, size);
    try {
        orvane::images::edg::EdgDecoder::decode(file);
    } catch (const io::Failure&) {}
    return 0;
}
