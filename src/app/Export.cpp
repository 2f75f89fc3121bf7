#include "app/Export.h"

#include <exception>

#include "app/Console.h"
#include "app/ExportOptions.h"
#include "app/ExportWriter.h"
#include "app/FailureText.h"
#include "app/FileSystem.h"
#include "app/Pipeline.h"
#include "app/UsageError.h"
#include "io/FileError.h"
#include "io/MessageError.h"

#ifndef TOMEL_VERSION
#define TOMEL_VERSION "0"
#endif

namespace app {

namespace {

const char* const help = R"(Writes each Edge file's pages and palette beside it, in one format:
  palette   NAME.gpl, NAME.act, NAME.pal, NAME.hex (NAME-2.* ... for further palettes)
  png       NAME.png, or NAME-1.png ... NAME-N.png: one indexed PNG a page
  gif       NAME.gif: one frame a page
  apng      NAME.apng: one frame a page
  sheet     NAME.sheet.png and NAME.sheet.json: the pages in a grid
  aseprite  NAME.aseprite: the pages as frames, with every layer
Options:
  --fps N       frames a second: 1 to 50 for gif, 1 to 90 for apng, up to 1000 otherwise (8)
  --scale N     a whole factor from 1 to 16 (png, gif, apng, sheet)
  --columns N   the sheet's columns (a roughly square sheet)
  --loop N      plays of gif and apng, 0 for ever (0)
  -h, --help, --version
A file whose name starts with '-' goes after --, or as ./-name.
Exit status: 0 every file written, 1 any failed, 2 a bad command line.)";

} // namespace

const char* Export::usageLine() { return "usage: tomel-export FORMAT [OPTIONS] FILE..."; }

int Export::main(const std::vector<std::string>& args, Console& console) {
    ExportOptions options;
    try {
        options = ExportOptions::parse(args);
    } catch (const UsageError& error) {
        console.printErrorLine("tomel-export: " + console.shownOnError(error.text()));
        console.printErrorLine(usageLine());
        return 2;
    }
    if (options.action == ExportOptions::Action::Help) {
        console.printLine(usageLine());
        console.printLine(help);
        return console.allWritten() ? 0 : 1;
    }
    if (options.action == ExportOptions::Action::Version) {
        console.printLine(std::string("tomel-export ") + TOMEL_VERSION);
        return console.allWritten() ? 0 : 1;
    }
    bool failed = false;
    for (const std::string& path : options.files) {
        try {
            exportFile(path, options, console);
        } catch (...) {
            console.printErrorLine("export " + ExportOptions::nameOf(options.format) + ": " +
                                   console.shownOnError(path) +
                                   ": Error : " + console.shownOnError(FailureText::of(std::current_exception())));
            failed = true;
        }
    }
    return failed || !console.allWritten() ? 1 : 0;
}

void Export::exportFile(const std::string& path, const ExportOptions& options, Console& console) {
    const FileSystem::Kind kind = FileSystem::kind(path);
    if (kind == FileSystem::Kind::Missing) throw io::MessageError("File not found");
    if (kind == FileSystem::Kind::Unreadable) throw io::FileError("file_contents", path);
    if (kind == FileSystem::Kind::Directory) throw io::MessageError("File is Directory");
    const io::Bytes input = FileSystem::getBytes(path);
    const std::string format = ExportOptions::nameOf(options.format);
    ExportWriter writer(
        options, path,
        [&](const std::string& output) {
            console.printLine("export " + format + ": " + console.shown(path) + " => " + console.shown(output));
        },
        [&](const std::string& note) {
            console.printErrorLine("export " + format + ": " + console.shownOnError(path) + ": " +
                                   console.shownOnError(note));
        });
    Pipeline::run(input, writer);
}

} // namespace app
