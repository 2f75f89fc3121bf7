#include "orvane/inflate/FastInflater.h"

#include <algorithm>
#include <memory>
#include <optional>

#include "io/ByteArray.h"
#include "orvane/inflate/Igzip.h"
#include "orvane/inflate/StreamCheck.h"
#include "orvane/inflate/ZlibInflater.h"

namespace orvane::inflate {

namespace {

// Below this many compressed bytes, starting a helper costs more than
// inflating faster saves.
constexpr std::size_t smallestWorthwhile = std::size_t{1} << 16;

} // namespace

bool FastInflater::worthwhile(std::size_t compressedLength) {
    return compressedLength >= smallestWorthwhile && Igzip::available();
}

InflatedBody FastInflater::inflate(const std::uint8_t* data, std::size_t length, std::size_t limit,
                                   concurrency::Route route, Decoder decoder) {
    // A header zlib refuses is refused at once, as zlib alone would.
    ZlibInflater::checkHeader(data, length);
    if (route == concurrency::Route::Helped) {
        io::ByteArray out;
        // Declared after the buffer, so the check's thread ends before it goes.
        std::unique_ptr<StreamCheck> check;
        std::optional<ZlibInflater::Summary> fast;
        out.resize(std::min(limit, ZlibInflater::firstCapacity(length)));
        check = std::make_unique<StreamCheck>(data, length, limit, out);
        if (check->start(route)) {
            fast = decoder(data, length, limit, *check, out);
            check->prefault().stop();
        }
        if (fast) return InflatedBody(io::Bytes(std::move(out)), *fast, std::move(check));
    }
    // No helper, no igzip, or the decoder stopped: zlib's inflation gives the
    // error, or the body, in memory of its own.
    return InflatedBody(ZlibInflater::inflate(data, length, limit));
}

} // namespace orvane::inflate
