#include "app/Drop.h"

#include <exception>

#include "app/Console.h"
#include "app/FailureText.h"
#include "app/Tomel.h"

namespace app {

int Drop::convertEach(const std::vector<std::string>& paths, Console& console) {
    if (paths.empty()) {
        console.printLine("Drop .edg files on tomel-drop.exe: each becomes a .psd beside it.");
    }
    int converted = 0;
    std::vector<std::string> failed;
    for (const std::string& path : paths) {
        console.printLine("");
        console.printLine(console.shown(nameOf(path)));
        // Each file is a run of its own: its error is its line, and the next
        // file is converted all the same.
        try {
            Tomel::convertEdgToPsd(path, console);
            ++converted;
        } catch (...) {
            console.printLine("Error : " + console.shown(FailureText::of(std::current_exception())));
            failed.push_back(console.shown(nameOf(path)));
        }
    }
    std::string summary = std::to_string(converted) + " converted, " + std::to_string(failed.size()) + " failed";
    for (std::size_t i = 0; i < failed.size(); ++i) summary += (i == 0 ? ": " : ", ") + failed[i];
    console.printLine("");
    console.printLine(summary);
    return failed.empty() ? 0 : 1;
}

std::string Drop::nameOf(const std::string& path) {
    const auto separator = path.find_last_of("\\/:");
    const std::string name = separator == std::string::npos ? path : path.substr(separator + 1);
    return name.empty() ? path : name;
}

} // namespace app
