#include "FuzzSupport.h"

#include <zlib.h>

namespace fuzz {

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

} // namespace fuzz
