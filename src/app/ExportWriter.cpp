#include "app/ExportWriter.h"

#include "app/FileOutput.h"
#include "app/FileSystem.h"
#include "app/Tomel.h"
#include "io/FileError.h"

namespace app {

ExportWriter::ExportWriter(const ExportOptions& options, const std::string& input,
                           std::function<void(const std::string&)> written,
                           std::function<void(const std::string&)> note)
    : input_(input), files_(options, Tomel::stem(input), FileSystem::nameOf(Tomel::stem(input))),
      written_(std::move(written)), note_(std::move(note)) {}

void ExportWriter::write(const orvane::images::edg::EdgImage& image, concurrency::Route route) {
    files_.make(image, route);
}

void ExportWriter::discard() { files_.clear(); }

void ExportWriter::commit(const orvane::inflate::Confirmation& confirmed) {
    // Writing through a link to the input would destroy the input: checked
    // for every output before any is written.
    for (const ExportFiles::File& output : files_.files()) {
        if (FileSystem::aliases(input_, output.path)) throw io::FileError("file_open", output.path);
    }
    for (const std::string& note : files_.notes()) note_(note);
    for (const ExportFiles::File& output : files_.files()) {
        FileOutput file(output.path, concurrency::Route::OneThread);
        file.expectLength(static_cast<std::int64_t>(output.bytes.size()));
        file.writeFull(output.bytes.data(), static_cast<std::int64_t>(output.bytes.size()));
        file.commit(confirmed);
        written_(output.path);
    }
}

} // namespace app
