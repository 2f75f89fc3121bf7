#pragma once

#include <string>
#include <vector>

namespace app {

// The command-line front end: `tomel psd FILE...` converts each Edge file into
// a PSD file beside it.
class Tomel {
public:
    static void main(const std::vector<std::string>& args);
    static void convertPsd(const std::vector<std::string>& paths);
    static void convertEdgToPsd(const std::string& path);
    static void printUsage();
    // The path without a final dot and ASCII letters or digits.
    static std::string removeExtension(const std::string& path);
    // The input path with a final ".edg" (".edgg", ...) removed and ".psd" appended.
    static std::string outputPath(const std::string& inputPath);
};

} // namespace app
