#include "app/CommandLine.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace app {

std::vector<std::string> CommandLine::split(const std::string& line) {
    std::vector<std::string> tokens;
    std::string token;
    bool inToken = false; // a quote alone ("") still makes an empty token
    bool quoted = false;
    for (const char c : line) {
        if (c == '"') {
            quoted = !quoted;
            inToken = true;
        } else if (c == ' ' && !quoted) {
            if (inToken) tokens.push_back(std::move(token));
            token.clear();
            inToken = false;
        } else {
            token.push_back(c);
            inToken = true;
        }
    }
    if (inToken) tokens.push_back(std::move(token));
    if (!tokens.empty()) tokens.erase(tokens.begin());
    return tokens;
}

std::vector<std::string> CommandLine::arguments([[maybe_unused]] int argc, [[maybe_unused]] char** argv) {
#ifdef _WIN32
    // The C runtime's own split knows backslash escapes; this program's does not.
    return split(GetCommandLineA());
#else
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
#endif
}

} // namespace app
