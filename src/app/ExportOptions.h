#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace app {

// What `tomel-export FORMAT [OPTIONS] FILE...` asks for.
struct ExportOptions {
    enum class Format { Palette, Png, Gif, Apng, Sheet, Aseprite };
    enum class Action { Run, Help, Version };

    // Raises UsageError for a line that does not fit: no format or an
    // unknown one, no file, an unknown option (any word before "--" that
    // starts with '-', but "-" alone), a value out of its range, or an
    // option the format does not take.
    static ExportOptions parse(const std::vector<std::string>& args);
    static std::string nameOf(Format format);

    Action action = Action::Run;
    Format format = Format::Png;
    std::uint32_t fps = 8;
    std::size_t scale = 1;
    std::size_t columns = 0; // 0: the sheet's own choice
    std::uint32_t plays = 0; // 0: for ever
    std::vector<std::string> files;
};

} // namespace app
