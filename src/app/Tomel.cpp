#include "app/Tomel.h"

#include "app/Console.h"
#include "app/FileOutput.h"
#include "app/FileSystem.h"
#include "app/PcreRegex.h"
#include "io/FileError.h"
#include "io/MessageError.h"
#include "orvane/images/edg/EdgDecoder.h"
#include "orvane/images/psd/PsdConverter.h"
#include "orvane/images/psd/PsdEncoder.h"

namespace app {

namespace {

const char* const usageLine = "usage: tomel psd xxx.edg";

void printLine(const std::string& line) { Console::printLine(line); }

} // namespace

void Tomel::main(const std::vector<std::string>& args) {
    if (args.size() < 2) {
        printLine(usageLine);
        return;
    }
    if (args[0] == "psd") {
        convertPsd(std::vector<std::string>(args.begin() + 1, args.end()));
        return;
    }
    printLine(usageLine);
}

void Tomel::convertPsd(const std::vector<std::string>& paths) {
    for (const std::string& path : paths) convertEdgToPsd(path);
}

void Tomel::convertEdgToPsd(const std::string& path) {
    const FileSystem::Kind kind = FileSystem::kind(path);
    if (kind == FileSystem::Kind::Missing) throw io::MessageError("File not found");
    if (kind == FileSystem::Kind::Unreadable) throw io::FileError("file_contents", path);
    if (kind == FileSystem::Kind::Directory) throw io::MessageError("File is Directory");
    // The file's bytes are dropped once decoded: the document keeps what it needs.
    const auto edg = orvane::images::edg::EdgDecoder::decode(FileSystem::getBytes(path));
    const auto psd = orvane::images::psd::PsdConverter::convertFromEdg(*edg);
    // Raises Overflow for a document that cannot be written, before any file is made.
    const auto layout = orvane::images::psd::PsdEncoder::layout(*psd);
    const std::string output = outputPath(path);
    // Writing through a link to the input would destroy the input.
    if (FileSystem::aliases(path, output)) throw io::FileError("file_open", output);
    FileOutput file(output);
    orvane::images::psd::PsdEncoder::encodeTo(*psd, layout, file);
    file.commit();
    printLine("convert psd: " + path + " => " + output);
}

void Tomel::printUsage() { printLine(usageLine); }

std::string Tomel::removeExtension(const std::string& path) {
    static const PcreRegex extension("\\.[0-9a-zA-Z]+$");
    return extension.replaceFirst(path, "");
}

std::string Tomel::outputPath(const std::string& inputPath) {
    static const PcreRegex edgExtension("\\.edg+$");
    return edgExtension.replaceFirst(inputPath, "") + ".psd";
}

} // namespace app
