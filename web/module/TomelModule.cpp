// The browser's front end: the module a Web Worker loads. It takes one Edge
// file's bytes and name and gives back the PSD, streamed to JavaScript a
// megabyte at a time, with its output name; or the error line the command
// line prints for the same bytes. It runs on one thread, zlib alone, as the
// Windows build does, so its outputs are the native build's, byte for byte.
#include <emscripten/em_js.h>
#include <emscripten/emscripten.h>

#include <cstdlib>
#include <exception>
#include <string>

#include "app/FailureText.h"
#include "app/Pipeline.h"
#include "app/Tomel.h"
#include "concurrency/Route.h"
#include "io/ByteArray.h"
#include "io/Bytes.h"
#include "io/PieceOutput.h"
#include "orvane/images/psd/PsdConverter.h"
#include "orvane/images/psd/PsdEncoder.h"

// The page's side, plain JavaScript (no eval, so a strict Content-Security-
// Policy holds): each piece of the PSD, and the result.
// clang-format off
EM_JS(void, tomelPiece, (const std::uint8_t* data, double n, double written, double total), {
    Module.onPiece(HEAPU8.subarray(data, data + n), written, total);
});
EM_JS(void, tomelResult, (int failed, const char* text, double n), {
    Module.onResult(failed != 0, UTF8ArrayToString(HEAPU8.subarray(text, text + n), 0, n));
});
// clang-format on

namespace {

// Hands the PSD to JavaScript in pieces: Module.onPiece(piece, written,
// total), where piece is a view of the module's memory that the page copies
// before it returns (into one buffer, or the parts of a Blob). The module
// then holds the document and one piece, never the whole output.
class StreamedOutput final : public io::PieceOutput {
public:
    StreamedOutput() { reservePending(pieceLength); }

    void expectLength(std::int64_t n) override { total_ = n; }
    // The last piece goes only with zlib's word on the body it was made of.
    void commit(const orvane::inflate::Confirmation&) { passOn(); }

private:
    void passOn() override {
        if (pending().empty()) return;
        send(pending().data(), pending().size());
        pending().resize(0);
    }
    void passOnAlong(const std::uint8_t* data, std::size_t n) override {
        passOn();
        send(data, n);
    }
    void send(const std::uint8_t* data, std::size_t n) {
        written_ += static_cast<std::int64_t>(n);
        tomelPiece(data, static_cast<double>(n), static_cast<double>(written_), static_cast<double>(total_));
    }

    std::int64_t written_ = 0;
    std::int64_t total_ = 0;
};

// The PSD, streamed to the page.
class StreamedPsdWriter final : public app::DocumentWriter {
public:
    void write(const orvane::images::edg::EdgImage& image, concurrency::Route route) override {
        using namespace orvane::images;
        const auto psd = psd::PsdConverter::convertFromEdg(image);
        const auto layout = psd::PsdEncoder::layout(*psd);
        psd::PsdEncoder::encodeTo(*psd, layout, out_, route);
    }
    // The module runs on one thread: there is no other attempt.
    void discard() override {}
    void commit(const orvane::inflate::Confirmation& confirmed) override { out_.commit(confirmed); }

private:
    StreamedOutput out_;
};

void report(bool failed, const std::string& text) {
    tomelResult(failed ? 1 : 0, text.data(), static_cast<double>(text.size()));
}

} // namespace

extern "C" {

// Room for a file's bytes or its name, which the page fills; the module takes
// it over in tomel_convert. Null when the module has no memory to give: the
// page checks before it writes.
EMSCRIPTEN_KEEPALIVE std::uint8_t* tomel_reserve(std::size_t n) {
    return static_cast<std::uint8_t*>(std::malloc(n == 0 ? 1 : n));
}

// Gives back a reservation that will not be converted.
EMSCRIPTEN_KEEPALIVE void tomel_release(std::uint8_t* data) { std::free(data); }

// Converts the Edge file of `length` bytes at `data`, named by the UTF-8
// bytes at `name`: the pieces of the PSD go to Module.onPiece, then
// Module.onResult(false, output name), or Module.onResult(true, the error
// line the command line prints). Takes over both.
EMSCRIPTEN_KEEPALIVE void tomel_convert(std::uint8_t* data, std::size_t length, char* name, std::size_t nameLength) {
    const std::string fileName(name, nameLength);
    std::free(name);
    io::ByteArray held = io::ByteArray::adopt(data, length);
    // The handler of this front end, as main's is of the command line's.
    try {
        const io::Bytes bytes(std::move(held));
        const std::string output = app::Tomel::outputPath(fileName);
        StreamedPsdWriter writer;
        app::Pipeline::run(bytes, writer);
        report(false, output);
    } catch (...) {
        report(true, "Error : " + app::FailureText::of(std::current_exception()));
    }
}

} // extern "C"
