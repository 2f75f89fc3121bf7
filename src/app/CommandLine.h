#pragma once

#include <string>
#include <vector>

namespace app {

// The program's arguments, without its own name.
class CommandLine {
public:
    // A token of a command-line string, and which of its bytes stood inside
    // double quotes.
    struct Token {
        std::string text;
        std::vector<bool> quoted; // one a byte of text
    };
    // The tokens of split(), with the quoting they had.
    static std::vector<Token> tokens(const std::string& line);
    // Splits a command line given as one string (as Windows hands it over):
    // tokens are separated by runs of spaces (not tabs) outside double quotes,
    // a double quote toggles quoting and is dropped, there is no escape
    // character, and the first token (the program's name) is dropped.
    static std::vector<std::string> split(const std::string& line);
    // The arguments the platform passed: argv on POSIX systems, the split
    // command-line string on Windows with its wildcards expanded (the shell
    // expands them on POSIX systems). The platform's part:
    // CommandLineLinux.cpp or CommandLineWindows.cpp.
    static std::vector<std::string> arguments(int argc, char** argv);
};

} // namespace app
