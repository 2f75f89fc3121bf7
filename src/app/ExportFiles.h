#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/ExportOptions.h"
#include "concurrency/Route.h"
#include "orvane/images/edg/EdgImage.h"

namespace app {

// The files one export format makes of a document, in memory, named after
// the input's stem: what tomel-export writes beside the input and the page
// hands to its user, the same bytes.
class ExportFiles {
public:
    struct File {
        std::string path;
        std::vector<std::uint8_t> bytes;
    };
    // `stem`: the input's path without its extension; `stemName`: its last
    // part, which the palette and the sheet's data name inside the files.
    ExportFiles(const ExportOptions& options, std::string stem, std::string stemName);

    // Makes every file of the format, and a note for each case the format
    // could not write exactly. Drops what an earlier call made.
    void make(const orvane::images::edg::EdgImage& image, concurrency::Route route);
    void clear();

    const std::vector<File>& files() const { return files_; }
    const std::vector<std::string>& notes() const { return notes_; }

private:
    void add(std::string path, std::vector<std::uint8_t> bytes);
    void add(std::string path, const std::string& text);

    const ExportOptions& options_;
    std::string stem_;
    std::string stemName_;
    std::vector<File> files_;
    std::vector<std::string> notes_;
};

} // namespace app
