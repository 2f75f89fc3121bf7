// Holds the fast inflater to zlib alone where damage lands deep in a body:
// at the end of an output piece, of the first buffer or of a growth of it.
// Random damage rarely gets there in a small input, so the input names a
// valid prefix and the harness builds it, megabytes long, before the fuzzed
// deflate data:
//   byte 0     bits 0-1: the prefix's blocks: stored, fixed codes, or one
//              dynamic block repeated (3 is stored too); bit 2: where zlib
//              finds the deflate data's end, the check value of its body
//              follows there, so that bodies are confirmed, not only refused
//   bytes 1-3  the prefix's length, little-endian, below 4 MiB
//   the rest   deflate data after the prefix, the stream's end included
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <zlib.h>

#include "FuzzSupport.h"
#include "orvane/inflate/ZlibInflater.h"

namespace {

enum Blocks { Stored, Fixed, Dynamic };

// Pixel-art-like bytes: runs of one value and noise, few values.
std::string content(std::size_t length) {
    std::string out(length, '\0');
    std::uint32_t state = 2026;
    for (std::size_t i = 0; i < length; ++i) {
        if (i % 29 < 3) state = state * 1103515245u + 12345u;
        out[i] = static_cast<char>((state >> 16) & 0x0F);
    }
    return out;
}

// Raw deflate data of data in blocks none of which is final, ending on a
// byte boundary with the compressor's state reset: such pieces can be laid
// one after another.
std::string deflated(const std::string& data, Blocks blocks) {
    z_stream z{};
    const int level = blocks == Stored ? 0 : 6;
    deflateInit2(&z, level, Z_DEFLATED, -15, 9, blocks == Fixed ? Z_FIXED : Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&z, static_cast<uLong>(data.size())) + 64, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FULL_FLUSH);
    out.resize(out.size() - z.avail_out);
    deflateEnd(&z);
    return out;
}

constexpr std::size_t unitLength = std::size_t{1} << 16;

// A prefix of whole units, each compressed once, and the rest compressed on
// its own: a few milliseconds for megabytes.
std::string prefix(Blocks blocks, std::size_t length) {
    static const std::string unit = content(unitLength);
    static const std::array<std::string, 3> unitDeflated = {deflated(unit, Stored), deflated(unit, Fixed),
                                                            deflated(unit, Dynamic)};
    std::string raw;
    raw.reserve(length / unitLength * unitDeflated[blocks].size() + unitLength + 64);
    for (std::size_t i = 0; i < length / unitLength; ++i) raw += unitDeflated[blocks];
    raw += deflated(unit.substr(0, length % unitLength), blocks);
    return raw;
}

// Where zlib finds the end of a zlib stream's deflate data, the stream is
// cut and the Adler-32 of the body put there.
void endWithCheckValue(std::string& stream) {
    z_stream z{};
    inflateInit2(&z, -15);
    z.next_in = reinterpret_cast<Bytef*>(stream.data() + 2);
    z.avail_in = static_cast<uInt>(stream.size() - 2);
    uLong adler = adler32(0, nullptr, 0);
    std::array<Bytef, 1 << 16> out;
    int rc = Z_OK;
    while (rc == Z_OK) {
        z.next_out = out.data();
        z.avail_out = static_cast<uInt>(out.size());
        rc = inflate(&z, Z_NO_FLUSH);
        adler = adler32(adler, out.data(), static_cast<uInt>(out.size() - z.avail_out));
    }
    if (rc == Z_STREAM_END) {
        stream.resize(stream.size() - z.avail_in);
        for (int shift = 24; shift >= 0; shift -= 8) stream.push_back(static_cast<char>(adler >> shift));
    }
    inflateEnd(&z);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) return 0;
    const auto blocks = static_cast<Blocks>((data[0] & 3) == 3 ? Stored : data[0] & 3);
    const bool checkValueFits = (data[0] & 4) != 0;
    const std::size_t length = (data[1] | data[2] << 8 | data[3] << 16) & ((1u << 22) - 1);
    std::string stream =
        "\x78\x01" + prefix(blocks, length) + std::string(reinterpret_cast<const char*>(data) + 4, size - 4);
    if (checkValueFits) endWithCheckValue(stream);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(stream.data());
    fuzz::expectFastAsZlib(bytes, stream.size(), orvane::inflate::ZlibInflater::MAX_BODY);
    // A limit inside the body: the fast decoder stops at it as zlib does.
    fuzz::expectFastAsZlib(bytes, stream.size(), length + (size - 4) * 4);
    return 0;
}
