#include "app/Tomel.h"

#include <memory>
#include <new>
#include <optional>

#include "app/Console.h"
#include "app/FileOutput.h"
#include "app/FileSystem.h"
#include "app/Heap.h"
#include "concurrency/Helpers.h"
#include "concurrency/Route.h"
#include "io/FileError.h"
#include "io/MessageError.h"
#include "orvane/images/edg/EdgDecoder.h"
#include "orvane/images/psd/PsdConverter.h"
#include "orvane/images/psd/PsdEncoder.h"

namespace app {

namespace {

using namespace orvane::images;
using concurrency::Route;
using orvane::inflate::Confirmation;

const char* const usageLine = "usage: tomel psd xxx.edg";

// An output ready to be put in place, with zlib's word on what it was made of.
struct Converted {
    std::unique_ptr<FileOutput> file;
    Confirmation confirmed;
};

// One attempt: decodes, converts and encodes into an output file that is
// not in place yet. zlib's verdict on an Edge2 body is asked before any
// outcome of the work counts, its result or its error: zlib's error wins
// over whatever was found in what the fast decoder made, and the file is
// then discarded. Nothing where zlib made another body of the stream than
// the fast decoder.
std::optional<Converted> attempt(const std::string& path, const io::Bytes& input, const std::string& output,
                                 Route route) {
    edg::DecodedEdg decoded = edg::EdgDecoder::decode(input, route);
    std::unique_ptr<FileOutput> file;
    decoded.use([&](const edg::EdgImage& edg) {
        const auto psd = psd::PsdConverter::convertFromEdg(edg);
        // Raises Overflow for a document that cannot be written, before any file is made.
        const auto layout = psd::PsdEncoder::layout(*psd);
        // Writing through a link to the input would destroy the input.
        if (FileSystem::aliases(path, output)) throw io::FileError("file_open", output);
        file = std::make_unique<FileOutput>(output, route);
        psd::PsdEncoder::encodeTo(*psd, layout, *file, route);
    });
    std::optional<Confirmation> confirmed = decoded.confirm();
    if (!confirmed) return std::nullopt;
    return Converted{std::move(file), std::move(*confirmed)};
}

// The helped route gives way to the one-thread route where it runs short of
// memory (a capped process never takes it: see Helpers::worthStarting): its
// helpers' stacks, the fast decoder's buffer and the writer's buffers take
// memory the one-thread route does without. Everything the attempt held is
// released, and given back to the system, before the one-thread route
// starts.
std::optional<Converted> attemptHelped(const std::string& path, const io::Bytes& input, const std::string& output) {
    std::optional<Converted> converted;
    try {
        converted = attempt(path, input, output, Route::Helped);
    } catch (const std::bad_alloc&) {}
    if (!converted) Heap::giveBack();
    return converted;
}

} // namespace

void Tomel::main(const std::vector<std::string>& args, Console& console) {
    if (args.size() < 2) {
        printUsage(console);
        return;
    }
    if (args[0] == "psd") {
        convertPsd(std::vector<std::string>(args.begin() + 1, args.end()), console);
        return;
    }
    printUsage(console);
}

void Tomel::convertPsd(const std::vector<std::string>& paths, Console& console) {
    for (const std::string& path : paths) convertEdgToPsd(path, console);
}

void Tomel::convertEdgToPsd(const std::string& path, Console& console) {
    const FileSystem::Kind kind = FileSystem::kind(path);
    if (kind == FileSystem::Kind::Missing) throw io::MessageError("File not found");
    if (kind == FileSystem::Kind::Unreadable) throw io::FileError("file_contents", path);
    if (kind == FileSystem::Kind::Directory) throw io::MessageError("File is Directory");
    // The file's bytes stay until zlib's verdict on them is in.
    const io::Bytes input = FileSystem::getBytes(path);
    const std::string output = outputPath(path);
    std::optional<Converted> converted;
    if (concurrency::Helpers::worthStarting()) converted = attemptHelped(path, input, output);
    // zlib made another body of the stream than the fast decoder, or the
    // helped route ran short of memory: everything again, on one thread.
    if (!converted) converted = attempt(path, input, output, Route::OneThread);
    // A document zlib alone inflated comes back confirmed, or raises.
    converted->file->commit(std::move(converted->confirmed));
    console.printLine("convert psd: " + path + " => " + output);
}

void Tomel::printUsage(Console& console) { console.printLine(usageLine); }

} // namespace app
