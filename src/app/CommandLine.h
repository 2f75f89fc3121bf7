#pragma once

#include <string>
#include <vector>

namespace app {

// The program's arguments, without its own name.
class CommandLine {
public:
    // Splits a command line given as one string (as Windows hands it over):
    // tokens are separated by runs of spaces (not tabs) outside double quotes,
    // a double quote toggles quoting and is dropped, there is no escape
    // character, and the first token (the program's name) is dropped.
    static std::vector<std::string> split(const std::string& line);
    // The arguments the platform passed: argv on POSIX systems, the split
    // command-line string on Windows. The platform's part:
    // CommandLinePosix.cpp or CommandLineWindows.cpp.
    static std::vector<std::string> arguments(int argc, char** argv);
};

} // namespace app
