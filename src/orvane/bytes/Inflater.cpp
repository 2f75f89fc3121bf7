#include "orvane/bytes/Inflater.h"

#include <algorithm>

#include "orvane/inflate/FastInflater.h"
#include "orvane/inflate/ZlibInflater.h"

namespace orvane::bytes {

using inflate::FastInflater;
using inflate::InflatedBody;
using inflate::ZlibInflater;

io::Bytes Inflater::uncompress(const io::Bytes& bytes) {
    return uncompress(bytes.data(), static_cast<std::size_t>(bytes.length()));
}

io::Bytes Inflater::uncompress(const std::uint8_t* data, std::size_t length) {
    return ZlibInflater::inflate(data, length, ZlibInflater::MAX_BODY);
}

io::Bytes Inflater::uncompressAtMost(const std::uint8_t* data, std::size_t length, std::int32_t maxLength) {
    return ZlibInflater::inflate(data, length, static_cast<std::size_t>(std::max(maxLength, 0)));
}

InflatedBody Inflater::inflate(const std::uint8_t* data, std::size_t length, concurrency::Route route) {
    if (route == concurrency::Route::Helped && FastInflater::worthwhile(length)) {
        return FastInflater::inflate(data, length, ZlibInflater::MAX_BODY, route);
    }
    return InflatedBody(uncompress(data, length));
}

} // namespace orvane::bytes
