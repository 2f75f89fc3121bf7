// Holds the fast inflater to zlib alone: each input is tried as a zlib
// stream without a limit and with a small body limit, so the limit's refusal
// is compared too. And the deflate check may accept only what zlib inflates,
// to as many bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string>

#include "FuzzSupport.h"
#include "io/Failure.h"
#include "orvane/inflate/DeflateCheck.h"
#include "orvane/inflate/ZlibInflater.h"

using orvane::inflate::DeflateCheck;
using orvane::inflate::ZlibInflater;

namespace {

bool headerAccepted(const std::uint8_t* data, std::size_t size) {
    try {
        ZlibInflater::checkHeader(data, size);
        return true;
    } catch (const io::Failure&) {
        return false;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::size_t limits[] = {ZlibInflater::MAX_BODY, 3 * size};
    for (const std::size_t limit : limits) {
        const std::optional<std::size_t> zlibsLength = fuzz::expectFastAsZlib(data, size, limit);
        DeflateCheck::Accepted accepted;
        if (headerAccepted(data, size) && DeflateCheck::accepts(data + 2, size - 2, limit, accepted)) {
            // zlib's outcome without the check value: the same inflation, up to the last block.
            try {
                (void)ZlibInflater::verify(data, size, limit);
            } catch (const io::Failure& failure) {
                // Only the check value may be missing or wrong.
                if (failure.text() != "Eof" && failure.text() != "Invalid CRC") std::abort();
                if (failure.text() == "Eof" && size - 2 - accepted.used >= 4) std::abort();
            }
            if (zlibsLength && *zlibsLength != accepted.length) std::abort();
        }
    }
    return 0;
}
