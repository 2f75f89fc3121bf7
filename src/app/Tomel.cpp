#include "app/Tomel.h"

#include <future>
#include <memory>

#include "app/Console.h"
#include "app/FileOutput.h"
#include "app/FileSystem.h"
#include "app/PcreRegex.h"
#include "io/FileError.h"
#include "io/MessageError.h"
#include "orvane/bytes/Inflater.h"
#include "orvane/images/edg/EdgDecoder.h"
#include "orvane/images/psd/PsdConverter.h"
#include "orvane/images/psd/PsdEncoder.h"

namespace app {

namespace {

const char* const usageLine = "usage: tomel psd xxx.edg";

// Decodes, converts and encodes into an output file that is not in place
// yet. With the fast inflater, zlib's verdict on an Edge2 body is taken
// before any other outcome counts: a damaged body's error wins over whatever
// the decoder or converter found in what the fast decoder made of it, as it
// would have with zlib alone. Null when zlib made another body of the stream.
std::unique_ptr<FileOutput> writeOutput(const std::string& path, const io::Bytes& input, const std::string& output,
                                        bool fastInflate) {
    using namespace orvane::images;
    const orvane::bytes::Inflater::FastPath fastPath(fastInflate);
    // The work's outcome, the file or the error, is held until the verdict.
    std::packaged_task<std::unique_ptr<FileOutput>()> work([&] {
        const auto edg = edg::EdgDecoder::decode(input);
        const auto psd = psd::PsdConverter::convertFromEdg(*edg);
        // Raises Overflow for a document that cannot be written, before any file is made.
        const auto layout = psd::PsdEncoder::layout(*psd);
        // Writing through a link to the input would destroy the input.
        if (FileSystem::aliases(path, output)) throw io::FileError("file_open", output);
        auto file = std::make_unique<FileOutput>(output);
        psd::PsdEncoder::encodeTo(*psd, layout, *file);
        return file;
    });
    std::future<std::unique_ptr<FileOutput>> outcome = work.get_future();
    work();
    if (!orvane::bytes::Inflater::takeVerdict()) return nullptr;
    return outcome.get();
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
    std::unique_ptr<FileOutput> file = writeOutput(path, input, output, true);
    // zlib accepted the stream but made another body of it than the fast
    // decoder: everything again, on zlib's body.
    if (!file) file = writeOutput(path, input, output, false);
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
