#include "app/PcreRegex.h"
#include "app/Tomel.h"

// The naming rule on its own: every front end (the command line, the drop
// program, the browser) names outputs with it, and the browser links no more
// of the front end than this.
namespace app {

std::string Tomel::removeExtension(const std::string& path) {
    static const PcreRegex extension("\\.[0-9a-zA-Z]+$");
    return extension.replaceFirst(path, "");
}

std::string Tomel::stem(const std::string& inputPath) {
    static const PcreRegex edgExtension("\\.edg+$");
    return edgExtension.replaceFirst(inputPath, "");
}

std::string Tomel::outputPath(const std::string& inputPath) { return stem(inputPath) + ".psd"; }

} // namespace app
