#include "support/TestFiles.h"

#include <algorithm>
#include <array>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace tests {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tomel-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

bool fileExists(const std::string& path) { return std::filesystem::exists(path); }

std::vector<std::string> listDir(const std::string& path) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

namespace {

std::string quote(const std::string& s) {
    std::ostringstream quoted;
    quoted << '\'';
    for (const char c : s) {
        if (c == '\'') {
            quoted << "'\\''";
        } else {
            quoted << c;
        }
    }
    quoted << '\'';
    return quoted.str();
}

} // namespace

RunResult runShell(const std::string& command) {
    RunResult result;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) throw std::runtime_error("popen failed");
    std::array<char, 4096> buffer{};
    std::size_t n;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) result.out.append(buffer.data(), n);
    const int status = ::pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

RunResult runTomel(const std::vector<std::string>& args, const std::string& cwd, const std::string& limits,
                   const std::string& wrapper) {
    TempDir errors;
    const std::string errFile = errors.file("stderr");
    std::ostringstream command;
    command << "cd " << quote(cwd) << " && (" << limits << " exec " << wrapper << " " << quote(TOMEL_BINARY);
    for (const std::string& arg : args) command << ' ' << quote(arg);
    command << ") 2>" << quote(errFile);
    RunResult result = runShell(command.str());
    result.err = readFile(errFile);
    return result;
}

const char* const withoutProc =
    "unshare --mount --propagation private sh -c 'mount -t tmpfs tomel-no-proc /proc && exec \"$0\" \"$@\"'";

bool canRunWithoutProc() {
#ifdef TOMEL_SANITIZED
    return false; // the sanitizers' runtime reads /proc at start-up
#else
    static const bool possible = runShell(std::string(withoutProc) + " test ! -e /proc/self 2>/dev/null").status == 0;
    return possible;
#endif
}

RunResult runTomelIntoReaderlessPipe(const std::vector<std::string>& args, const std::string& cwd, bool ignoreSigpipe) {
    int fds[2];
    if (::pipe(fds) != 0) throw std::runtime_error("pipe failed");
    ::close(fds[0]);
    std::vector<std::string> argv = {TOMEL_BINARY};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> pointers;
    for (std::string& arg : argv) pointers.push_back(arg.data());
    pointers.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::signal(SIGPIPE, ignoreSigpipe ? SIG_IGN : SIG_DFL);
        if (::chdir(cwd.c_str()) != 0 || ::dup2(fds[1], 1) != 1) ::_exit(127);
        ::execv(pointers[0], pointers.data());
        ::_exit(127);
    }
    ::close(fds[1]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    RunResult result;
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

} // namespace tests
