// Holds the fast inflater to zlib alone. For any stream, the program's fast
// path (igzip's body, the deflate check or zlib's verdict, and zlib's body
// again where zlib made another one) must end exactly as zlib alone does:
// the same error, or the same bytes. Each input is tried without a limit and
// with a small body limit, so the limit's refusal is compared too. And the
// deflate check may accept only what zlib inflates, to as many bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>

#include "io/Failure.h"
#include "orvane/bytes/DeflateCheck.h"
#include "orvane/bytes/FastInflater.h"
#include "orvane/bytes/InflatedBody.h"
#include "orvane/bytes/ZlibInflater.h"

using orvane::bytes::DeflateCheck;
using orvane::bytes::FastInflater;
using orvane::bytes::InflatedBody;
using orvane::bytes::ZlibInflater;

namespace {

template <typename Inflate>
std::string outcome(Inflate inflate) {
    try {
        return "bytes:" + inflate();
    } catch (const io::Failure& failure) {
        return "error:" + failure.text();
    }
}

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
        const std::string zlib = outcome([&] { return ZlibInflater::inflate(data, size, limit).toString(); });
        const std::string fast = outcome([&] {
            InflatedBody body = FastInflater::inflate(data, size, limit);
            if (body.confirm() == InflatedBody::Verdict::Differs)
                return ZlibInflater::inflate(data, size, limit).toString();
            return body.bytes().toString();
        });
        if (zlib != fast) std::abort();
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
            if (zlib.rfind("bytes:", 0) == 0 && zlib.size() - 6 != accepted.length) std::abort();
        }
    }
    return 0;
}
