#include "app/CommandLine.h"

namespace app {

std::vector<CommandLine::Token> CommandLine::tokens(const std::string& line) {
    std::vector<Token> tokens;
    Token token;
    bool inToken = false; // a quote alone ("") still makes an empty token
    bool quoted = false;
    for (const char c : line) {
        if (c == '"') {
            quoted = !quoted;
            inToken = true;
        } else if (c == ' ' && !quoted) {
            if (inToken) tokens.push_back(std::move(token));
            token = Token();
            inToken = false;
        } else {
            token.text.push_back(c);
            token.quoted.push_back(quoted);
            inToken = true;
        }
    }
    if (inToken) tokens.push_back(std::move(token));
    if (!tokens.empty()) tokens.erase(tokens.begin());
    return tokens;
}

std::vector<std::string> CommandLine::split(const std::string& line) {
    std::vector<std::string> texts;
    for (Token& token : tokens(line)) texts.push_back(std::move(token.text));
    return texts;
}

} // namespace app
