// The browser's front end: the module a Web Worker loads. It takes one Edge
// file's bytes and name and gives back the PSD, streamed to JavaScript a
// megabyte at a time, with its output name; or the files of one export
// format, as tomel-export names them; or the error line the command line
// prints for the same bytes. Each call names the sink its output goes to, and
// returns how it ended, its text through an out-parameter. It runs on one
// thread, zlib alone, as the Windows build does, so its outputs are the
// native build's, byte for byte.
#include <emscripten/em_js.h>
#include <emscripten/emscripten.h>

#include <cstdlib>
#include <exception>
#include <new>
#include <string>
#include <vector>

#include "app/ExportFiles.h"
#include "app/ExportOptions.h"
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
// Policy holds): the call's sink, one of Module.sinks, takes each piece of a
// PSD, each file of an export and each note.
// clang-format off
EM_JS(void, tomelPiece, (int sink, const std::uint8_t* data, double n, double written, double total), {
    Module.sinks.get(sink).piece(HEAPU8.subarray(data, data + n), written, total);
});
EM_JS(void, tomelFile, (int sink, const char* name, double nameLength, const std::uint8_t* data, double n), {
    Module.sinks.get(sink).file(UTF8ArrayToString(HEAPU8.subarray(name, name + nameLength), 0, nameLength),
        HEAPU8.subarray(data, data + n));
});
EM_JS(void, tomelNote, (int sink, const char* text, double n), {
    Module.sinks.get(sink).note(UTF8ArrayToString(HEAPU8.subarray(text, text + n), 0, n));
});
// clang-format on

namespace {

// Hands the PSD to JavaScript in pieces: Module.onPiece(piece, written,
// total), where piece is a view of the module's memory that the page copies
// before it returns (into one buffer, or the parts of a Blob). The module
// then holds the document and one piece, never the whole output.
class StreamedOutput final : public io::PieceOutput {
public:
    explicit StreamedOutput(int sink) : sink_(sink) { reservePending(pieceLength); }

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
        tomelPiece(sink_, data, static_cast<double>(n), static_cast<double>(written_), static_cast<double>(total_));
    }

    int sink_;
    std::int64_t written_ = 0;
    std::int64_t total_ = 0;
};

// The PSD, streamed to the page.
class StreamedPsdWriter final : public app::DocumentWriter {
public:
    explicit StreamedPsdWriter(int sink) : out_(sink) {}

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

// The files of one export format, handed to the page once zlib agreed with
// the body they were made of: its notes first, as tomel-export tells them.
class HandedExportWriter final : public app::DocumentWriter {
public:
    HandedExportWriter(const app::ExportOptions& options, const std::string& stem, int sink)
        : files_(options, stem, stem), sink_(sink) {}

    void write(const orvane::images::edg::EdgImage& image, concurrency::Route route) override {
        files_.make(image, route);
    }
    void discard() override { files_.clear(); }
    void commit(const orvane::inflate::Confirmation&) override {
        for (const std::string& note : files_.notes()) tomelNote(sink_, note.data(), static_cast<double>(note.size()));
        for (const app::ExportFiles::File& file : files_.files()) {
            tomelFile(sink_, file.path.data(), static_cast<double>(file.path.size()), file.bytes.data(),
                      static_cast<double>(file.bytes.size()));
        }
    }

private:
    app::ExportFiles files_;
    int sink_;
};

// How a call ended; its text is the output's name or the error line.
enum Outcome : int { Written = 0, Failed = 1, OutOfMemory = 2 };

// The last call's text, which the page reads before its next call.
std::string resultText;

int ended(Outcome outcome, std::string text, const char** out, std::size_t* outLength) {
    resultText = std::move(text);
    *out = resultText.data();
    *outLength = resultText.size();
    return outcome;
}

// The handler of this front end, as main's is of the command line's.
int failure(const std::exception_ptr& error, const char** out, std::size_t* outLength) {
    Outcome outcome = Failed;
    try {
        std::rethrow_exception(error);
    } catch (const std::bad_alloc&) {
        outcome = OutOfMemory;
    } catch (...) {}
    return ended(outcome, "Error : " + app::FailureText::of(error), out, outLength);
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
// bytes at `name`: the pieces of the PSD go to the page's sink `sink`. Returns
// an Outcome; `text` is the output's name, or the error line the command
// line prints. Takes over `data` and `name`.
EMSCRIPTEN_KEEPALIVE int tomel_convert(std::uint8_t* data, std::size_t length, char* name, std::size_t nameLength,
                                       int sink, const char** text, std::size_t* textLength) {
    const std::string fileName(name, nameLength);
    std::free(name);
    io::ByteArray held = io::ByteArray::adopt(data, length);
    try {
        const io::Bytes bytes(std::move(held));
        const std::string output = app::Tomel::outputPath(fileName);
        StreamedPsdWriter writer(sink);
        app::Pipeline::run(bytes, writer);
        return ended(Written, output, text, textLength);
    } catch (...) {
        return failure(std::current_exception(), text, textLength);
    }
}

// Makes the files of one export format of the Edge file as tomel_convert
// takes it; `options`: tomel-export's format and options, each ended by a
// zero byte ("gif", "--fps", "12"). Each file and note goes to the sink;
// `text` is the error line where it failed. Takes over `data`, `name` and
// `options`.
EMSCRIPTEN_KEEPALIVE int tomel_export(std::uint8_t* data, std::size_t length, char* name, std::size_t nameLength,
                                      char* options, std::size_t optionsLength, int sink, const char** text,
                                      std::size_t* textLength) {
    const std::string fileName(name, nameLength);
    std::free(name);
    std::vector<std::string> words;
    for (std::size_t at = 0; at < optionsLength;) {
        std::size_t end = at;
        while (end < optionsLength && options[end] != '\0') ++end;
        words.emplace_back(options + at, end - at);
        at = end + 1;
    }
    std::free(options);
    // The file, which the options must not take for one of theirs.
    words.insert(words.end(), {"--", fileName});
    io::ByteArray held = io::ByteArray::adopt(data, length);
    try {
        const io::Bytes bytes(std::move(held));
        const app::ExportOptions parsed = app::ExportOptions::parse(words);
        HandedExportWriter writer(parsed, app::Tomel::stem(fileName), sink);
        app::Pipeline::run(bytes, writer);
        return ended(Written, "", text, textLength);
    } catch (...) {
        return failure(std::current_exception(), text, textLength);
    }
}

} // extern "C"
