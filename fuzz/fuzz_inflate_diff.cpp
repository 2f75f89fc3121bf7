// Holds the fast inflater to zlib alone. For any stream, the program's fast
// path (igzip's body, zlib's verdict, and zlib's body again where zlib made
// another one) must end exactly as zlib alone does: the same error, or the
// same bytes. Each input is tried without a limit and with a small body
// limit, so the limit's refusal is compared too.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>

#include "io/Failure.h"
#include "orvane/bytes/FastInflater.h"
#include "orvane/bytes/Inflater.h"

using orvane::bytes::FastInflater;
using orvane::bytes::Inflater;

namespace {

template <typename Inflate>
std::string outcome(Inflate inflate) {
    try {
        return "bytes:" + inflate().toString();
    } catch (const io::Failure& failure) {
        return "error:" + failure.text();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::int32_t limits[] = {std::numeric_limits<std::int32_t>::max(), static_cast<std::int32_t>(3 * size)};
    for (const std::int32_t limit : limits) {
        const std::string zlib = outcome([&] { return Inflater::uncompressAtMost(data, size, limit); });
        const std::string fast = outcome([&] {
            io::Bytes body = FastInflater::uncompress(data, size, limit);
            if (!FastInflater::takeVerdict()) body = Inflater::uncompressAtMost(data, size, limit);
            return body;
        });
        if (zlib != fast) std::abort();
    }
    return 0;
}
