#include "orvane/bytes/Inflater.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <zlib.h>

#include "io/ByteArray.h"
#include "io/Eof.h"
#include "io/MessageError.h"

namespace orvane::bytes {

namespace {

io::MessageError invalidData() {
    return io::MessageError("Invalid data");
}

// zlib reports every malformation as Z_DATA_ERROR with a message; sort them
// into the three kinds of failure callers see.
io::MessageError dataError(const char* message) {
    const std::string text = message != nullptr ? message : "";
    if (text == "incorrect data check") return io::MessageError("Invalid CRC");
    if (text == "invalid code lengths set" || text == "invalid literal/lengths set" ||
        text == "invalid distances set") {
        return io::MessageError("Invalid huffman");
    }
    return invalidData();
}

class Stream {
public:
    Stream() {
        if (inflateInit(&z) != Z_OK) throw std::bad_alloc();
    }
    ~Stream() { inflateEnd(&z); }
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;
    z_stream z{};
};

// Throws for a zlib result that ends the inflation without success.
void checkResult(int rc, const z_stream& z) {
    if (rc == Z_DATA_ERROR || rc == Z_NEED_DICT) throw dataError(z.msg);
    if (rc == Z_MEM_ERROR) throw std::bad_alloc();
    // Z_BUF_ERROR, or Z_OK with all input used and room left: the input ended
    // before the stream did.
    if (rc == Z_BUF_ERROR || (z.avail_in == 0 && z.avail_out != 0)) throw io::Eof();
}

// With the output full at its limit, lets the stream run on into a one-byte
// probe: it must end without producing anything more.
void finishAtLimit(z_stream& z) {
    for (;;) {
        Bytef probe;
        z.next_out = &probe;
        z.avail_out = 1;
        const int rc = inflate(&z, Z_NO_FLUSH);
        if (z.avail_out == 0) throw invalidData();
        if (rc == Z_STREAM_END) return;
        checkResult(rc, z);
    }
}

} // namespace

io::Bytes Inflater::uncompress(const io::Bytes& bytes) {
    // A Bytes length is a signed 32-bit value.
    return uncompressAtMost(bytes, std::numeric_limits<std::int32_t>::max());
}

io::Bytes Inflater::uncompressAtMost(const io::Bytes& bytes, std::int32_t maxLength) {
    const auto maxOutput = static_cast<std::size_t>(std::max(maxLength, 0));
    if (bytes.length() < 2) throw io::Eof();
    const int cmf = bytes[0];
    const int flg = bytes[1];
    if ((cmf & 0x0F) != 8 || (cmf * 256 + flg) % 31 != 0) throw invalidData();
    if ((flg & 0x20) != 0) throw io::MessageError("Unsupported dictionary");

    Stream stream;
    z_stream& z = stream.z;
    z.next_in = const_cast<Bytef*>(bytes.data());
    z.avail_in = static_cast<uInt>(bytes.length());

    // One buffer, grown geometrically, never beyond what a Bytes can hold.
    io::ByteArray out;
    const std::size_t guess = std::clamp<std::size_t>(std::size_t(bytes.length()) * 4, 65536, std::size_t{1} << 26);
    out.resize(std::min(maxOutput, guess));
    std::size_t produced = 0;
    for (;;) {
        if (produced == out.size()) {
            if (out.size() == maxOutput) {
                // Full at the limit: one more byte of output means the body is too large.
                finishAtLimit(z);
                break;
            }
            out.resize(std::min(maxOutput, out.size() * 2));
        }
        z.next_out = out.data() + produced;
        const std::size_t room = std::min<std::size_t>(out.size() - produced, std::numeric_limits<uInt>::max());
        z.avail_out = static_cast<uInt>(room);
        const int rc = inflate(&z, Z_NO_FLUSH);
        produced += room - z.avail_out;
        if (rc == Z_STREAM_END) break;
        checkResult(rc, z);
    }
    out.resize(produced);
    return io::Bytes(std::move(out));
}

} // namespace orvane::bytes
