// Fuzzes the inflater: any input must inflate or raise one of its errors.
#include <cstddef>
#include <cstdint>
#include <string>

#include "io/Failure.h"
#include "orvane/bytes/Inflater.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const io::Bytes input = io::Bytes::ofString(std::string(reinterpret_cast<const char*>(data), size));
    try {
        orvane::bytes::Inflater::uncompress(input);
    } catch (const io::Failure&) {}
    return 0;
}
