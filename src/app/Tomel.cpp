#include "app/Tomel.h"

#include <future>
#include <memory>
#include <new>

#include "app/Console.h"
#include "app/FileOutput.h"
#include "app/FileSystem.h"
#include "app/Heap.h"
#include "app/PcreRegex.h"
#include "concurrency/Helpers.h"
#include "concurrency/Worker.h"
#include "io/FileError.h"
#include "io/MessageError.h"
#include "orvane/inflate/InflatedBody.h"
#include "orvane/bytes/Inflater.h"
#include "orvane/images/edg/EdgDecoder.h"
#include "orvane/images/psd/PsdConverter.h"
#include "orvane/images/psd/PsdEncoder.h"

namespace app {

namespace {

using namespace orvane::images;
using orvane::inflate::InflatedBody;
using orvane::bytes::Inflater;

const char* const usageLine = "usage: tomel psd xxx.edg";

// How one attempt at a conversion runs.
enum class Route {
    // With helper threads: the fast inflater with zlib's rules checked
    // beside it, the writer thread, and a large composite's tables resolved
    // while the layers are written.
    Helped,
    // Everything on the converting thread, zlib alone: what a process that
    // may use one CPU does, and the route whose outcome decides.
    OneThread,
};

// A composite of fewer pixels is resolved when it is written: a helper
// would cost more than it saves.
constexpr std::size_t smallestResolvedAhead = std::size_t{1} << 20;

// Encodes the document into the file; on the helped route, a large
// composite's tables are resolved on a helper while the layers are written
// (they come first in the file).
void encode(const psd::PsdImage& document, const psd::PsdLayout& layout, FileOutput& file, Route route) {
    const psd::PixelSource* composite = document.composite.get();
    const bool ahead = route == Route::Helped && composite != nullptr && !document.layers.empty() &&
                       composite->pixelCount() >= smallestResolvedAhead;
    psd::CompositeTables tables = ahead ? composite->allocateTables() : psd::CompositeTables();
    concurrency::Worker resolving;
    if (!ahead || !resolving.start([&] { composite->resolve(tables); })) {
        psd::PsdEncoder::encodeTo(document, layout, file);
        return;
    }
    psd::PsdEncoder::encodeTo(document, layout, file, [&] {
        resolving.join();
        return std::move(tables);
    });
}

// One attempt: decodes, converts and encodes into an output file that is
// not in place yet. zlib's verdict on an Edge2 body is asked before any
// outcome of the work counts, its result or its error: zlib's error wins
// over whatever was found in what the fast decoder made, and the file,
// held in the outcome, is then discarded. Null where zlib made another
// body of the stream than the fast decoder.
std::unique_ptr<FileOutput> attempt(const std::string& path, const io::Bytes& input, const std::string& output,
                                    Route route) {
    // Declared first: the document's layers point into the body.
    InflatedBody body;
    std::packaged_task<std::unique_ptr<FileOutput>()> work([&] {
        const auto inflating = route == Route::Helped ? Inflater::Route::FastChecked : Inflater::Route::ZlibAlone;
        const auto edg = edg::EdgDecoder::decode(input, body, inflating);
        const auto psd = psd::PsdConverter::convertFromEdg(*edg);
        // Raises Overflow for a document that cannot be written, before any file is made.
        const auto layout = psd::PsdEncoder::layout(*psd);
        // Writing through a link to the input would destroy the input.
        if (FileSystem::aliases(path, output)) throw io::FileError("file_open", output);
        auto file = std::make_unique<FileOutput>(output, route == Route::Helped);
        encode(*psd, layout, *file, route);
        return file;
    });
    std::future<std::unique_ptr<FileOutput>> outcome = work.get_future();
    work();
    if (body.confirm() == InflatedBody::Verdict::Differs) return nullptr;
    return outcome.get();
}

// The helped route gives way to the one-thread route where it runs short of
// memory: its helpers' stacks, the fast decoder's buffer and the writer's
// buffers take memory the one-thread route does without, and a process
// capped by ulimit must end as it would on one CPU. Everything the attempt
// held is released, and given back to the system, before the one-thread
// route starts: it finds what a process that never made the attempt would.
std::unique_ptr<FileOutput> attemptHelped(const std::string& path, const io::Bytes& input, const std::string& output) {
    std::unique_ptr<FileOutput> file;
    try {
        file = attempt(path, input, output, Route::Helped);
    } catch (const std::bad_alloc&) {}
    if (!file) Heap::giveBack();
    return file;
}

} // namespace

void Tomel::main(const std::vector<std::string>& args) {
    if (args.size() < 2) {
        Console::printLine(usageLine);
        return;
    }
    if (args[0] == "psd") {
        convertPsd(std::vector<std::string>(args.begin() + 1, args.end()));
        return;
    }
    Console::printLine(usageLine);
}

void Tomel::convertPsd(const std::vector<std::string>& paths) {
    for (const std::string& path : paths) convertEdgToPsd(path);
}

void Tomel::convertEdgToPsd(const std::string& path) {
    const FileSystem::Kind kind = FileSystem::kind(path);
    if (kind == FileSystem::Kind::Missing) throw io::MessageError("File not found");
    if (kind == FileSystem::Kind::Unreadable) throw io::FileError("file_contents", path);
    if (kind == FileSystem::Kind::Directory) throw io::MessageError("File is Directory");
    // The file's bytes stay until zlib's verdict on them is in.
    const io::Bytes input = FileSystem::getBytes(path);
    const std::string output = outputPath(path);
    std::unique_ptr<FileOutput> file;
    if (concurrency::Helpers::worthStarting()) file = attemptHelped(path, input, output);
    // zlib made another body of the stream than the fast decoder, or the
    // helped route ran short of memory: everything again, on one thread.
    if (!file) file = attempt(path, input, output, Route::OneThread);
    file->commit();
    Console::printLine("convert psd: " + path + " => " + output);
}

void Tomel::printUsage() { Console::printLine(usageLine); }

std::string Tomel::removeExtension(const std::string& path) {
    static const PcreRegex extension("\\.[0-9a-zA-Z]+$");
    return extension.replaceFirst(path, "");
}

std::string Tomel::outputPath(const std::string& inputPath) {
    static const PcreRegex edgExtension("\\.edg+$");
    return edgExtension.replaceFirst(inputPath, "") + ".psd";
}

} // namespace app
