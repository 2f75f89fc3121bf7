#pragma once

#include <string>

namespace app {

// Standard output, where every line of the program goes, and what became of
// the lines: one per run, owned by main. A line that cannot be written
// (standard output closed, full, or a pipe whose reader is gone while
// SIGPIPE is ignored) does not stop the conversions, since the files are the
// work, but the run then ends with status 255.
class Console {
public:
    // Run first: where a standard descriptor is closed, it is held on the
    // null device so that no file opened later takes its number (an output
    // file on descriptor 1 would receive the report lines). A closed
    // standard output counts as a line lost at the first line. The
    // platform's part: ConsoleLinux.cpp or ConsoleWindows.cpp.
    static Console prepare();
    void printLine(const std::string& line);
    // A name or an error's text as a line on standard output (or standard
    // error) shows it: its control characters escaped on a terminal, its
    // exact bytes in a pipe or a file.
    std::string shown(const std::string& bytes) const;
    std::string shownOnError(const std::string& bytes) const;
    // A line on standard error, for programs that keep standard output for
    // their report; such a line that cannot be written is not counted.
    void printErrorLine(const std::string& line);
    // Whether standard output (or standard error) is a terminal, where
    // control characters in a name would act instead of showing. The
    // platform's part.
    static bool isTerminal(bool errorStream);
    // False once any line could not be written.
    bool allWritten() const { return !lineLost_; }
    // Whether the console window is this process's own (Windows: started
    // from Explorer, not from a console window), and so closes when it
    // ends. The platform's part.
    bool ownsWindow() const;
    // Asks for a key and waits for it, so the lines can be read.
    void waitForKey();

private:
    explicit Console(bool outputClosed)
        : outputClosed_(outputClosed), outputTerminal_(isTerminal(false)), errorTerminal_(isTerminal(true)) {}

    bool outputClosed_;
    bool outputTerminal_;
    bool errorTerminal_;
    bool lineLost_ = false;
};

} // namespace app
