#include "app/Wildcards.h"

#include <algorithm>

namespace app {

namespace {

bool isWildcard(char c) { return c == '*' || c == '?'; }

// A directory ends at the last separator: `\`, `/` or a drive's `:`.
std::size_t lastComponentStart(const std::string& path) {
    const auto separator = path.find_last_of("\\/:");
    return separator == std::string::npos ? 0 : separator + 1;
}

// The length of the character at name[at]: a UTF-8 sequence counts as one.
std::size_t characterLength(const std::string& name, std::size_t at) {
    const auto lead = static_cast<unsigned char>(name[at]);
    const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    return std::min(length, name.size() - at);
}

char foldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool expandable(const CommandLine::Token& token, std::size_t componentStart) {
    const std::string& text = token.text;
    if (std::any_of(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(componentStart), isWildcard)) {
        return false;
    }
    bool any = false;
    for (std::size_t i = componentStart; i < text.size(); ++i) {
        if (!isWildcard(text[i])) continue;
        if (token.quoted[i]) return false;
        any = true;
    }
    return any;
}

} // namespace

bool Wildcards::matches(const std::string& pattern, const std::string& name) {
    // Greedy matching with one point to return to: the last `*` and where
    // its run ends for now.
    std::size_t p = 0, n = 0;
    std::size_t starP = std::string::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() && pattern[p] == '?') {
            ++p;
            n += characterLength(name, n);
        } else if (p < pattern.size() && foldAscii(pattern[p]) == foldAscii(name[n])) {
            ++p;
            ++n;
        } else if (starP != std::string::npos) {
            // The `*` takes one more character.
            starN += characterLength(name, starN);
            p = starP + 1;
            n = starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

std::vector<std::string> Wildcards::expand(const std::vector<CommandLine::Token>& tokens, const ListFiles& list) {
    std::vector<std::string> arguments;
    for (const CommandLine::Token& token : tokens) {
        const std::size_t start = lastComponentStart(token.text);
        if (!expandable(token, start)) {
            arguments.push_back(token.text);
            continue;
        }
        const std::string directory = token.text.substr(0, start);
        const std::string pattern = token.text.substr(start);
        std::vector<std::string> matched;
        for (const std::string& name : list(directory)) {
            if (matches(pattern, name)) matched.push_back(directory + name);
        }
        if (matched.empty()) {
            arguments.push_back(token.text);
            continue;
        }
        std::sort(matched.begin(), matched.end());
        arguments.insert(arguments.end(), matched.begin(), matched.end());
    }
    return arguments;
}

} // namespace app
