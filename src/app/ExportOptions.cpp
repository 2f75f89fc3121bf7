#include "app/ExportOptions.h"

#include <array>
#include <utility>

#include "app/UsageError.h"

namespace app {

namespace {

using Format = ExportOptions::Format;

const std::array<std::pair<const char*, Format>, 6> formats{{{"palette", Format::Palette},
                                                             {"png", Format::Png},
                                                             {"gif", Format::Gif},
                                                             {"apng", Format::Apng},
                                                             {"sheet", Format::Sheet},
                                                             {"aseprite", Format::Aseprite}}};

// A whole number in decimal digits only, of at most ten digits.
bool wholeNumber(const std::string& value, std::uint64_t& n) {
    n = 0;
    if (value.empty() || value.size() > 10) return false;
    for (const char c : value) {
        if (c < '0' || c > '9') return false;
        n = n * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return true;
}

// A whole number from low to high.
std::uint32_t numberIn(const std::string& option, const std::string& value, std::uint32_t low, std::uint32_t high) {
    std::uint64_t n = 0;
    if (!wholeNumber(value, n) || n < low || n > high) {
        throw UsageError(option + " takes a whole number from " + std::to_string(low) + " to " + std::to_string(high) +
                         ", not '" + value + "'");
    }
    return static_cast<std::uint32_t>(n);
}

bool takes(Format format, const std::string& option) {
    const bool animated = format == Format::Gif || format == Format::Apng;
    if (option == "--fps") return animated || format == Format::Sheet || format == Format::Aseprite;
    if (option == "--scale") return format != Format::Palette && format != Format::Aseprite;
    if (option == "--columns") return format == Format::Sheet;
    return animated; // --loop
}

} // namespace

std::string ExportOptions::nameOf(Format format) {
    for (const auto& [name, value] : formats) {
        if (value == format) return name;
    }
    return "";
}

ExportOptions ExportOptions::parse(const std::vector<std::string>& args) {
    ExportOptions options;
    for (const std::string& arg : args) {
        if (arg == "--help" || arg == "-h") {
            options.action = Action::Help;
            return options;
        }
        if (arg == "--version") {
            options.action = Action::Version;
            return options;
        }
        if (arg == "--") break;
    }
    if (args.empty()) throw UsageError("no format given");
    bool known = false;
    for (const auto& [name, value] : formats) {
        if (args[0] == name) {
            options.format = value;
            known = true;
        }
    }
    if (!known) throw UsageError("unknown format '" + args[0] + "'");
    bool optionsEnd = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnd || arg.size() < 2 || arg[0] != '-') {
            options.files.push_back(arg);
            continue;
        }
        // A file whose name starts with '-' goes after "--", or as ./-name.
        if (arg[1] != '-') throw UsageError("unknown option '" + arg + "'");
        if (arg == "--") {
            optionsEnd = true;
            continue;
        }
        // --name VALUE or --name=VALUE
        const std::size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        if (name != "--fps" && name != "--scale" && name != "--columns" && name != "--loop") {
            throw UsageError("unknown option '" + name + "'");
        }
        if (!takes(options.format, name)) {
            throw UsageError(name + " does not apply to " + nameOf(options.format));
        }
        std::string value;
        if (equals != std::string::npos) {
            value = arg.substr(equals + 1);
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            throw UsageError(name + " needs a value");
        }
        if (name == "--fps") {
            // Browsers play a GIF frame under 2/100 s (GIF delays are whole
            // hundredths), and an APNG frame of 10 ms or less, as 1/10 s.
            std::uint64_t fps = 0;
            const bool whole = wholeNumber(value, fps) && fps <= 1000;
            if (options.format == Format::Gif && whole && fps > 50) {
                throw UsageError("--fps " + value +
                                 " would make GIF frames shorter than 2/100 s, which browsers play as 1/10 s: gif "
                                 "takes 1 to 50");
            }
            if (options.format == Format::Apng && whole && fps > 90) {
                throw UsageError("--fps " + value +
                                 " would make APNG frames 10 ms or shorter, which browsers play as 1/10 s: apng "
                                 "takes 1 to 90");
            }
            const std::uint32_t highest = options.format == Format::Gif    ? 50
                                          : options.format == Format::Apng ? 90
                                                                           : 1000;
            options.fps = numberIn(name, value, 1, highest);
        } else if (name == "--scale") {
            options.scale = numberIn(name, value, 1, 16);
        } else if (name == "--columns") {
            options.columns = numberIn(name, value, 1, 65535);
        } else {
            options.plays = numberIn(name, value, 0, 65535);
        }
    }
    if (options.files.empty()) throw UsageError("no file given");
    return options;
}

} // namespace app
