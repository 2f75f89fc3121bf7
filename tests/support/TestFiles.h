#pragma once

#include <string>
#include <vector>

namespace tests {

// A temporary directory removed with everything in it at the end of a test.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

void writeFile(const std::string& path, const std::string& bytes);
std::string readFile(const std::string& path);
bool fileExists(const std::string& path);
std::vector<std::string> listDir(const std::string& path);

struct RunResult {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs the tomel binary in the directory cwd; `limits` is a shell prefix such
// as "ulimit -f 10;" applied before the program starts, `wrapper` a command
// that starts it (such as withoutProc).
RunResult runTomel(const std::vector<std::string>& args, const std::string& cwd, const std::string& limits = "",
                   const std::string& wrapper = "");
// A wrapper that runs the program in a private mount namespace whose /proc
// is empty, where files without a name cannot be named (the fallback path).
extern const char* const withoutProc;
bool canRunWithoutProc();
// Runs the tomel binary with standard output on a pipe whose reader is gone.
RunResult runTomelIntoReaderlessPipe(const std::vector<std::string>& args, const std::string& cwd, bool ignoreSigpipe);
// Runs a shell command and captures its standard output and status.
RunResult runShell(const std::string& command);

} // namespace tests
