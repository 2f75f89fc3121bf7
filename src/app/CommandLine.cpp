#include "app/CommandLine.h"

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

} // namespace app
