#pragma once

#include <string>
#include <vector>

namespace app {

class Console;

// The command-line front end: `tomel psd FILE...` converts each Edge file into
// a PSD file beside it.
class Tomel {
public:
    // Every line goes to the run's console.
    static void main(const std::vector<std::string>& args, Console& console);
    static void convertPsd(const std::vector<std::string>& paths, Console& console);
    static void convertEdgToPsd(const std::string& path, Console& console);
    static void printUsage(Console& console);
    // The path without a final dot and ASCII letters or digits.
    static std::string removeExtension(const std::string& path);
    // The input path with a final ".edg" (".edgg", ...) removed and ".psd" appended.
    static std::string outputPath(const std::string& inputPath);
    // The input path with a final ".edg" (".edgg", ...) removed: what every
    // output's name starts with.
    static std::string stem(const std::string& inputPath);
};

} // namespace app
