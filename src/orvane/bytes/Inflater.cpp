#include "orvane/bytes/Inflater.h"

#include <algorithm>
#include <array>
#include <limits>
#include <zlib.h>

#include "io/ByteArray.h"
#include "io/Eof.h"
#include "io/MessageError.h"
#include "orvane/bytes/Adler32.h"
#ifdef TOMEL_FAST_INFLATE
#include "orvane/bytes/FastInflater.h"
#endif

namespace orvane::bytes {

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
        const int rc = inflate(&z, Z_NO_FLUSH);
        if (z.avail_out == 0) throw invalidData();
        if (rc == Z_STREAM_END) return;
        checkResult(rc, z);
    }
}

// The four bytes after the deflate data, most significant first.
std::uint32_t readCheckValue(const z_stream& z) {
    if (z.avail_in < 4) throw io::Eof();
    const Bytef* p = z.next_in;
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

} // namespace

io::Bytes Inflater::uncompress(const io::Bytes& bytes) {
    return uncompress(bytes.data(), static_cast<std::size_t>(bytes.length()));
}

namespace {

thread_local bool fastPathEnabled = false;

} // namespace

Inflater::FastPath::FastPath(bool enabled) : previous_(fastPathEnabled) { fastPathEnabled = enabled; }

Inflater::FastPath::~FastPath() { fastPathEnabled = previous_; }

io::Bytes Inflater::uncompress(const std::uint8_t* data, std::size_t length) {
    // A Bytes length is a signed 32-bit value.
    constexpr std::int32_t maxLength = std::numeric_limits<std::int32_t>::max();
#ifdef TOMEL_FAST_INFLATE
    if (fastPathEnabled && FastInflater::worthwhile(length)) return FastInflater::uncompress(data, length, maxLength);
#endif
    return uncompressAtMost(data, length, maxLength);
}

bool Inflater::takeVerdict() {
#ifdef TOMEL_FAST_INFLATE
    return FastInflater::takeVerdict();
#else
    return true;
#endif
}

namespace {

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

// zlib's inflation of a whole stream, with every error the program reports
// for a damaged body. The sink decides whether the bytes are kept.
template <typename Sink>
Inflater::Summary inflateWithZlib(const std::uint8_t* data, std::size_t length, std::int32_t maxLength, Sink& sink) {
    const auto maxOutput = static_cast<std::size_t>(std::max(maxLength, 0));
    Inflater::checkHeader(data, length);

    Stream stream;
    z_stream& z = stream.z;
    z.next_in = const_cast<Bytef*>(data + 2);
    z.avail_in = static_cast<uInt>(std::min<std::size_t>(length - 2, std::numeric_limits<uInt>::max()));

    std::size_t produced = 0;
    // The check value is summed piece by piece, while each piece is in cache.
    constexpr std::size_t piece = std::size_t{1} << 20;
    std::uint32_t adler = Adler32::INITIAL;
    for (;;) {
        if (produced == maxOutput) {
            // Full at the limit: one more byte of output means the body is too large.
            finishAtLimit(z);
            break;
        }
        std::size_t room = std::min(maxOutput - produced, piece);
        std::uint8_t* target = sink.room(produced, room);
        z.next_out = target;
        z.avail_out = static_cast<uInt>(room);
        const int rc = inflate(&z, Z_NO_FLUSH);
        const std::size_t made = room - z.avail_out;
        adler = Adler32::update(adler, target, made);
        produced += made;
        if (rc == Z_STREAM_END) break;
        checkResult(rc, z);
    }
    if (readCheckValue(z) != adler) throw io::MessageError("Invalid CRC");
    return {produced, adler};
}

} // namespace

io::Bytes Inflater::uncompressAtMost(const std::uint8_t* data, std::size_t length, std::int32_t maxLength) {
    CollectingSink sink(firstCapacity(length), static_cast<std::size_t>(std::max(maxLength, 0)));
    const Summary summary = inflateWithZlib(data, length, maxLength, sink);
    return sink.take(summary.length);
}

void Inflater::checkHeader(const std::uint8_t* data, std::size_t length) {
    if (length < 2) throw io::Eof();
    const int cmf = data[0];
    const int flg = data[1];
    // The window size (high bits of CMF) is not examined: inflating with the
    // largest window reads every stream.
    if ((cmf & 0x0F) != 8 || (cmf * 256 + flg) % 31 != 0) throw invalidData();
    if ((flg & 0x20) != 0) throw io::MessageError("Unsupported dictionary");
}

std::size_t Inflater::firstCapacity(std::size_t compressedLength) {
    return std::clamp<std::size_t>(compressedLength * 4, 65536, std::size_t{1} << 26);
}

Inflater::Summary Inflater::verify(const std::uint8_t* data, std::size_t length, std::int32_t maxLength) {
    DiscardingSink sink;
    return inflateWithZlib(data, length, maxLength, sink);
}

} // namespace orvane::bytes
