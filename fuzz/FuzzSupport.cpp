#include "FuzzSupport.h"

#include <algorithm>
#include <cstdlib>
#include <zlib.h>

#include "io/Failure.h"
#include "orvane/inflate/FastInflater.h"
#include "orvane/inflate/InflatedBody.h"
#include "orvane/inflate/ZlibInflater.h"

namespace fuzz {

using orvane::inflate::FastInflater;
using orvane::inflate::InflatedBody;
using orvane::inflate::ZlibInflater;

io::Bytes edgeFileFrom(const std::uint8_t* data, std::size_t size) {
    if (size == 0 || (data[0] & 1) == 1)
        return io::Bytes::ofString(std::string(reinterpret_cast<const char*>(data), size));
    std::string file("EDGE\x32\0\0\0\0\0\0\0", 12);
    uLongf compressedSize = compressBound(static_cast<uLong>(size - 1));
    std::string compressed(compressedSize, '\0');
    compress2(reinterpret_cast<Bytef*>(compressed.data()), &compressedSize, data + 1, static_cast<uLong>(size - 1), 1);
    compressed.resize(compressedSize);
    return io::Bytes::ofString(file + compressed);
}

namespace {

template <typename Inflate>
std::string outcome(Inflate inflate) {
    try {
        return "bytes:" + inflate();
    } catch (const io::Failure& failure) {
        return "error:" + failure.text();
    }
}

} // namespace

std::optional<std::size_t> expectFastAsZlib(const std::uint8_t* data, std::size_t size, std::size_t limit) {
    const std::string zlib = outcome([&] { return ZlibInflater::inflate(data, size, limit).toString(); });
    const std::string fast = outcome([&] {
        InflatedBody body = FastInflater::inflate(data, size, limit, concurrency::Route::Helped);
        if (!body.confirm()) return ZlibInflater::inflate(data, size, limit).toString();
        return body.bytes().toString();
    });
    if (zlib != fast) std::abort();
    if (zlib.rfind("bytes:", 0) != 0) return std::nullopt;
    return zlib.size() - 6;
}

std::int64_t pixelsOf(const orvane::images::edg::EdgImage& image, std::int64_t canvases) {
    const auto [width, height] = image.getSize();
    std::int64_t pixels = std::max<std::int64_t>(width, 0) * std::max<std::int64_t>(height, 0) * canvases;
    for (const auto& page : image.pages) pixels += std::int64_t{page->width} * page->height * page->get_numLayers();
    return pixels;
}

} // namespace fuzz
