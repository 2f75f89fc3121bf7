#include "orvane/inflate/ZlibInflater.h"

#include <algorithm>
#include <array>
#include <new>
#include <zlib.h>

#include "io/ByteArray.h"
#include "io/Eof.h"
#include "io/MessageError.h"
#include "orvane/inflate/InflatePieces.h"
#include "orvane/simd/Adler32.h"

namespace orvane::inflate {

namespace {

io::MessageError invalidData() { return io::MessageError("Invalid data"); }

// zlib reports every malformation as Z_DATA_ERROR with a message; sort them
// into the kinds of failure callers see.
io::MessageError dataError(const char* message) {
    const std::string text = message != nullptr ? message : "";
    if (text == "invalid code lengths set" || text == "invalid literal/lengths set" ||
        text == "invalid distances set") {
        return io::MessageError("Invalid huffman");
    }
    return invalidData();
}

// A raw inflate stream: the header and the check value are handled here, so
// the check runs vectorised over the finished output.
class Stream {
public:
    Stream() {
        if (inflateInit2(&z, -MAX_WBITS) != Z_OK) throw std::bad_alloc();
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
        const int rc = ::inflate(&z, Z_NO_FLUSH);
        if (z.avail_out == 0) throw invalidData();
        if (rc == Z_STREAM_END) return;
        checkResult(rc, z);
    }
}

// Where the inflated bytes go: collected into one buffer, grown
// geometrically and never beyond the limit.
class CollectingSink {
public:
    CollectingSink(std::size_t guess, std::size_t limit) : limit_(limit) { out_.resize(std::min(guess, limit)); }
    // Room for the next piece: at least one byte (below the limit), at most `wanted`.
    std::uint8_t* room(std::size_t produced, std::size_t& wanted) {
        if (produced == out_.size()) out_.resize(std::min(limit_, out_.size() * 2));
        wanted = std::min(wanted, out_.size() - produced);
        return out_.data() + produced;
    }
    io::Bytes take(std::size_t produced) {
        out_.resize(produced);
        return io::Bytes(std::move(out_));
    }

private:
    io::ByteArray out_;
    std::size_t limit_;
};

// Or passed through one small scratch buffer and dropped: zlib keeps its
// window, nothing else stays.
class DiscardingSink {
public:
    std::uint8_t* room(std::size_t, std::size_t& wanted) {
        wanted = std::min(wanted, scratch_.size());
        return scratch_.data();
    }

private:
    std::array<std::uint8_t, 1 << 16> scratch_{};
};

// zlib's inflation of a whole stream. The sink decides whether the bytes are kept.
template <typename Sink>
ZlibInflater::Summary inflateWithZlib(const std::uint8_t* data, std::size_t length, std::size_t limit, Sink& sink) {
    ZlibInflater::checkHeader(data, length);
    Stream stream;
    z_stream& z = stream.z;
    z.next_in = const_cast<Bytef*>(data + 2);
    z.avail_in = static_cast<uInt>(std::min<std::size_t>(length - 2, std::numeric_limits<uInt>::max()));
    const Bytef* const inputEnd = z.next_in + z.avail_in;

    const Pieces pieces = inflateInPieces(
        [&](std::size_t produced, std::size_t& wanted) -> std::uint8_t* {
            wanted = std::min(wanted, limit - produced);
            return wanted == 0 ? nullptr : sink.room(produced, wanted);
        },
        [&](std::uint8_t* target, std::size_t n) {
            z.next_out = target;
            z.avail_out = static_cast<uInt>(n);
            const uInt inputBefore = z.avail_in;
            const int rc = ::inflate(&z, Z_NO_FLUSH);
            // Counts past the room or the input are never sizes.
            if (z.avail_out > n || z.avail_in > inputBefore) throw invalidData();
            const std::size_t made = n - z.avail_out;
            if (rc == Z_STREAM_END) return Piece{made, PiecesEnd::Ended};
            checkResult(rc, z);
            return Piece{made, PiecesEnd::Full};
        });
    // Full at the limit: one more byte of output means the body is too large.
    if (pieces.end == PiecesEnd::Full) finishAtLimit(z);
    // The check value is read where zlib says the deflate data ended, and
    // only if that place is within the input.
    if (z.next_in + z.avail_in != inputEnd) throw invalidData();
    if (z.avail_in < 4) throw io::Eof();
    if (simd::Adler32::stored(z.next_in) != pieces.adler) throw io::MessageError("Invalid CRC");
    return {pieces.produced, pieces.adler};
}

} // namespace

io::Bytes ZlibInflater::inflate(const std::uint8_t* data, std::size_t length, std::size_t limit) {
    CollectingSink sink(firstCapacity(length), limit);
    const Summary summary = inflateWithZlib(data, length, limit, sink);
    return sink.take(summary.length);
}

ZlibInflater::Summary ZlibInflater::verify(const std::uint8_t* data, std::size_t length, std::size_t limit) {
    DiscardingSink sink;
    return inflateWithZlib(data, length, limit, sink);
}

void ZlibInflater::checkHeader(const std::uint8_t* data, std::size_t length) {
    if (length < 2) throw io::Eof();
    const int cmf = data[0];
    const int flg = data[1];
    // The window size (high bits of CMF) is not examined: inflating with the
    // largest window reads every stream.
    if ((cmf & 0x0F) != 8 || (cmf * 256 + flg) % 31 != 0) throw invalidData();
    if ((flg & 0x20) != 0) throw io::MessageError("Unsupported dictionary");
}

std::size_t ZlibInflater::firstCapacity(std::size_t compressedLength) {
    return std::clamp<std::size_t>(compressedLength * 4, 65536, std::size_t{1} << 26);
}

} // namespace orvane::inflate
