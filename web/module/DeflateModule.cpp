// The zip worker's deflater: zlib at level 1, raw deflate, with the CRC-32
// of what went in. Level 1 because "Save all" of hundreds of megabytes is
// waited for: zlib's default level takes three times as long for a zip about
// two thirds the size, and the browser's own deflater is fixed at that level.
//
// JavaScript fills the stream's input room and calls tomel_deflate_push; each
// piece of output goes to Module.onDeflated(view), a view of this module's
// memory that the caller copies before it returns.
#include <emscripten/em_js.h>
#include <emscripten/emscripten.h>
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <new>

// clang-format off
EM_JS(void, tomelDeflated, (const std::uint8_t* data, double n), {
    Module.onDeflated(HEAPU8.subarray(data, data + n));
});
// clang-format on

namespace {

constexpr std::size_t inputRoom = std::size_t{1} << 20;
constexpr std::size_t outputRoom = std::size_t{256} << 10;

struct DeflateStream {
    z_stream zlib{};
    std::uint32_t crc = 0;
    std::uint8_t input[inputRoom];
    std::uint8_t output[outputRoom];
};

} // namespace

extern "C" {

// A new stream, or null when zlib can't start one (no memory).
EMSCRIPTEN_KEEPALIVE DeflateStream* tomel_deflate_begin() {
    auto* stream = new (std::nothrow) DeflateStream;
    if (stream == nullptr) return nullptr;
    if (deflateInit2(&stream->zlib, 1, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        delete stream;
        return nullptr;
    }
    return stream;
}

// Where the next push's input goes, and how much of it fits.
EMSCRIPTEN_KEEPALIVE std::uint8_t* tomel_deflate_input(DeflateStream* stream) { return stream->input; }
EMSCRIPTEN_KEEPALIVE std::size_t tomel_deflate_input_room() { return inputRoom; }

// Deflates the first `n` bytes of the input room (at most its size), and
// everything still held when `finish`. Returns zlib's status: Z_OK, or
// Z_STREAM_END once finished; anything else is a failure.
EMSCRIPTEN_KEEPALIVE int tomel_deflate_push(DeflateStream* stream, std::size_t n, int finish) {
    if (n > inputRoom) return Z_STREAM_ERROR;
    stream->crc = static_cast<std::uint32_t>(crc32(stream->crc, stream->input, static_cast<uInt>(n)));
    z_stream& zlib = stream->zlib;
    zlib.next_in = stream->input;
    zlib.avail_in = static_cast<uInt>(n);
    const int flush = finish != 0 ? Z_FINISH : Z_NO_FLUSH;
    for (;;) {
        zlib.next_out = stream->output;
        zlib.avail_out = static_cast<uInt>(outputRoom);
        const int status = deflate(&zlib, flush);
        if (status != Z_OK && status != Z_STREAM_END && status != Z_BUF_ERROR) return status;
        const std::size_t made = outputRoom - zlib.avail_out;
        if (made > 0) tomelDeflated(stream->output, static_cast<double>(made));
        if (status == Z_STREAM_END) return Z_STREAM_END;
        // Room left over: zlib took all the input and has nothing more to
        // write until it gets more. Finishing always ends the stream, so a
        // finish that stops here is a failure.
        if (zlib.avail_out != 0) return finish != 0 ? Z_BUF_ERROR : Z_OK;
    }
}

EMSCRIPTEN_KEEPALIVE std::uint32_t tomel_deflate_crc(const DeflateStream* stream) { return stream->crc; }

EMSCRIPTEN_KEEPALIVE void tomel_deflate_end(DeflateStream* stream) {
    if (stream == nullptr) return;
    deflateEnd(&stream->zlib);
    delete stream;
}

} // extern "C"
