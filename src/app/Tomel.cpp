#include "app/Tomel.h"

#include <memory>

#include "app/Console.h"
#include "app/FileOutput.h"
#include "app/FileSystem.h"
#include "app/Pipeline.h"
#include "io/FileError.h"
#include "io/MessageError.h"
#include "orvane/images/edg/EdgDecoder.h"
#include "orvane/images/psd/PsdConverter.h"
#include "orvane/images/psd/PsdEncoder.h"

namespace app {

namespace {

using namespace orvane::images;

const char* const usageLine = "usage: tomel psd xxx.edg";

// The PSD file beside the input.
class PsdFileWriter final : public DocumentWriter {
public:
    PsdFileWriter(const std::string& input, const std::string& output) : input_(input), output_(output) {}

    void write(const edg::EdgImage& image, concurrency::Route route) override {
        const auto psd = psd::PsdConverter::convertFromEdg(image);
        // Raises Overflow for a document that cannot be written, before any file is made.
        const auto layout = psd::PsdEncoder::layout(*psd);
        // Writing through a link to the input would destroy the input.
        if (FileSystem::aliases(input_, output_)) throw io::FileError("file_open", output_);
        file_ = std::make_unique<FileOutput>(output_, route);
        psd::PsdEncoder::encodeTo(*psd, layout, *file_, route);
    }
    void discard() override { file_.reset(); }
    void commit(const orvane::inflate::Confirmation& confirmed) override { file_->commit(confirmed); }

private:
    const std::string& input_;
    const std::string& output_;
    std::unique_ptr<FileOutput> file_;
};

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
    PsdFileWriter writer(path, output);
    Pipeline::run(input, writer);
    console.printLine("convert psd: " + console.shown(path) + " => " + console.shown(output));
}

void Tomel::printUsage(Console& console) { console.printLine(usageLine); }

} // namespace app
