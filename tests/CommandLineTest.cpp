#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <pty.h>
#include <regex>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include "app/Console.h"
#include "app/Drop.h"
#include "app/TemporaryName.h"
#include "app/Tomel.h"
#include "orvane/simd/CpuFeatures.h"
#include "support/EdgWriter.h"
#include "support/TestFiles.h"

using app::Tomel;
using namespace tests;

namespace {

const std::string usage = "usage: tomel psd xxx.edg\n";

std::string smallEdge1() {
    Edge1Document document;
    document.width = 2;
    document.height = 1;
    document.paletteRgb = gradientPalette();
    document.layers.push_back(literalLayer("only", {1, 2}));
    return writeEdge1(document);
}

unsigned fileMode(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 0777 : 0;
}

} // namespace

TEST(OutputPath, StripsAFinalEdgExtensionAndAppendsPsd) {
    const std::pair<const char*, const char*> cases[] = {
        {"cat.edg", "cat.psd"},
        {"dir/cat.edg", "dir/cat.psd"},
        {"cat.edgg", "cat.psd"},
        {"cat.EDG", "cat.EDG.psd"},
        {"cat", "cat.psd"},
        {"cat.png", "cat.png.psd"},
        {"cat.edg.edg", "cat.edg.psd"},
        {"cat.ed", "cat.ed.psd"},
        {"a.edg/b", "a.edg/b.psd"},
    };
    for (const auto& [input, output] : cases) EXPECT_EQ(Tomel::outputPath(input), output) << input;
}

TEST(OutputPath, RemoveExtensionDropsAFinalAlphanumericExtension) {
    EXPECT_EQ(Tomel::removeExtension("cat.png"), "cat");
    EXPECT_EQ(Tomel::removeExtension("dir/cat.tar.gz"), "dir/cat.tar");
    EXPECT_EQ(Tomel::removeExtension("cat."), "cat.");
    EXPECT_EQ(Tomel::removeExtension("cat"), "cat");
}

TEST(CommandLine, UsageLineForCommandLinesThatDoNotFit) {
    TempDir dir;
    writeFile(dir.file("x.edg"), smallEdge1());
    const std::vector<std::vector<std::string>> commandLines = {{}, {"psd"}, {"PSD", "x.edg"}, {"png", "x.edg"}};
    for (const auto& args : commandLines) {
        const RunResult run = runTomel(args, dir.path());
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.out, usage);
        EXPECT_EQ(run.err, "");
    }
    EXPECT_EQ(listDir(dir.path()), std::vector<std::string>{"x.edg"});
}

TEST(CommandLine, ConvertsInOrderAndStopsAtTheFirstFailure) {
    TempDir dir;
    writeFile(dir.file("a.edg"), smallEdge1());
    writeFile(dir.file("c.edg"), smallEdge1());
    const RunResult run = runTomel({"psd", "a.edg", "missing.edg", "c.edg"}, dir.path());
    EXPECT_EQ(run.status, 255);
    EXPECT_EQ(run.out, "convert psd: a.edg => a.psd\nError : File not found\n");
    EXPECT_EQ(run.err, "");
    EXPECT_TRUE(fileExists(dir.file("a.psd")));
    EXPECT_FALSE(fileExists(dir.file("c.psd")));
}

// TOMEL_CPU: a level this machine has converts as the best one does; any
// other value ends the run before any file, with one line, shown safely.
TEST(CommandLine, TomelCpuConvertsAtALevelTheMachineHasAndRefusesEveryOtherValue) {
    using orvane::simd::CpuFeatures;
    using orvane::simd::CpuLevel;
    TempDir dir;
    writeFile(dir.file("a.edg"), smallEdge1());
    const CpuLevel levels[] = {CpuLevel::Scalar, CpuLevel::Avx2, CpuLevel::Avx512Vbmi};
    CpuLevel best = CpuLevel::Scalar;
    for (const CpuLevel level : levels) {
        if (CpuFeatures::has(level)) best = level;
    }
    const std::string refused = "Error : TOMEL_CPU=";
    const std::string notALevel = ": not a level (scalar, avx2 or avx512)\n";
    struct Row {
        std::string setting;  // a shell prefix that sets TOMEL_CPU
        std::string expected; // the whole of standard output
    };
    std::vector<Row> rows = {
        {"export TOMEL_CPU=" + CpuFeatures::nameOf(best) + ";", ""},
        {"export TOMEL_CPU=;", ""},
        {"export TOMEL_CPU=avx3;", refused + "avx3" + notALevel},
        {"export TOMEL_CPU=AVX2;", refused + "AVX2" + notALevel},
        {"export TOMEL_CPU=\"$(printf 'avx\\n2')\";", refused + "avx\\x0a2" + notALevel},
        {"export TOMEL_CPU=$(head -c 100000 /dev/zero | tr '\\0' x);",
         refused + std::string(32, 'x') + "..." + notALevel},
        // The escaping's edges: DEL is a control, and 32 bytes are shown whole.
        {"export TOMEL_CPU=\"$(printf ' avx2\\177~')\";", refused + " avx2\\x7f~" + notALevel},
        {"export TOMEL_CPU=" + std::string(32, 'y') + ";", refused + std::string(32, 'y') + notALevel},
        {"export TOMEL_CPU=" + std::string(33, 'z') + ";", refused + std::string(32, 'z') + "..." + notALevel},
    };
    for (const CpuLevel level : levels) {
        if (CpuFeatures::has(level)) continue;
        rows.push_back({"export TOMEL_CPU=" + CpuFeatures::nameOf(level) + ";", refused + CpuFeatures::nameOf(level) +
                                                                                    ": this machine's best level is " +
                                                                                    CpuFeatures::nameOf(best) + "\n"});
    }
    for (const Row& row : rows) {
        SCOPED_TRACE(row.setting);
        const RunResult run = runTomel({"psd", "a.edg"}, dir.path(), row.setting);
        if (row.expected.empty()) {
            EXPECT_EQ(run.status, 0);
            EXPECT_EQ(run.out, "convert psd: a.edg => a.psd\n");
            EXPECT_TRUE(fileExists(dir.file("a.psd")));
        } else {
            EXPECT_EQ(run.status, 255);
            EXPECT_EQ(run.out, row.expected);
            EXPECT_FALSE(fileExists(dir.file("a.psd")));
        }
        EXPECT_EQ(run.err, "");
        ::unlink(dir.file("a.psd").c_str());
    }
    // The check comes first: a command line that would print the usage line,
    // or none at all, is refused the same.
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{}, std::vector<std::string>{"png", "a.edg"}}) {
        const RunResult run = runTomel(args, dir.path(), "export TOMEL_CPU=avx3;");
        EXPECT_EQ(run.status, 255) << args.size();
        EXPECT_EQ(run.out, refused + "avx3" + notALevel) << args.size();
    }
}

// The drop program goes on past a failure, and sums up: the count, every
// failed name in order, status 1 where any failed.
TEST(CommandLine, TheDropProgramConvertsEachFileAndNamesEveryFailure) {
    TempDir dir;
    writeFile(dir.file("a.edg"), smallEdge1());
    writeFile(dir.file("b.edg"), "EDGF");
    writeFile(dir.file("c&d.edg"), smallEdge1().substr(0, 20));
    ::mkdir(dir.file("folder.edg").c_str(), 0755);
    struct Row {
        std::vector<std::string> names;
        int status;
        std::string out;
    };
    const std::string converted = "convert psd: DIR/a.edg => DIR/a.psd\n";
    const std::vector<Row> rows = {
        {{"a.edg", "a.edg"}, 0, "\na.edg\n" + converted + "\na.edg\n" + converted + "\n2 converted, 0 failed\n"},
        {{"b.edg", "a.edg", "c&d.edg"},
         1,
         "\nb.edg\nError : InvalidFormat\n\na.edg\n" + converted +
             "\nc&d.edg\nError : Eof\n\n1 converted, 2 failed: b.edg, c&d.edg\n"},
        {{"missing.edg", "folder.edg"},
         1,
         "\nmissing.edg\nError : File not found\n\nfolder.edg\nError : File is Directory\n\n"
         "0 converted, 2 failed: missing.edg, folder.edg\n"},
        // Windows paths, as Explorer passes them, are named by their last part too.
        {{"C:\\art\\cat.edg", "\\\\server\\share\\c.edg", "D:dog.edg"},
         1,
         "\ncat.edg\nError : File not found\n\nc.edg\nError : File not found\n\ndog.edg\nError : File not found\n\n"
         "0 converted, 3 failed: cat.edg, c.edg, dog.edg\n"},
        // A path with no last part (a drive, a folder) is named by the whole path.
        {{"D:\\", "folder.edg/"},
         1,
         "\nD:\\\nError : File not found\n\nDIR/folder.edg/\nError : File is Directory\n\n"
         "0 converted, 2 failed: D:\\, DIR/folder.edg/\n"},
        // Outside a terminal, a name keeps its exact bytes.
        {{"gone\t.edg"}, 1, "\ngone\t.edg\nError : File not found\n\n0 converted, 1 failed: gone\t.edg\n"},
        // Started without a file: how to use it.
        {{}, 0, "Drop .edg files on tomel-drop.exe: each becomes a .psd beside it.\n\n0 converted, 0 failed\n"},
    };
    for (const Row& row : rows) {
        std::vector<std::string> paths;
        for (const std::string& name : row.names)
            paths.push_back(name.find_first_of(":\\") != std::string::npos ? name : dir.file(name));
        testing::internal::CaptureStdout();
        app::Console console = app::Console::prepare();
        const int status = app::Drop::convertEach(paths, console);
        const std::string out = testing::internal::GetCapturedStdout();
        const std::string first = row.names.empty() ? "no file" : row.names.front();
        EXPECT_EQ(status, row.status) << first;
        EXPECT_EQ(out, std::regex_replace(row.out, std::regex("DIR"), dir.path())) << first;
    }
}

namespace {

// What the drop program shows in a terminal of its own (its window).
std::string dropIntoTerminal(const std::vector<std::string>& paths) {
    int master = -1;
    int terminal = -1;
    if (::openpty(&master, &terminal, nullptr, nullptr, nullptr) != 0) return "no terminal";
    termios mode{};
    ::tcgetattr(terminal, &mode);
    ::cfmakeraw(&mode); // "\n" as it is
    ::tcsetattr(terminal, TCSANOW, &mode);
    std::fflush(stdout);
    const int saved = ::dup(1);
    ::dup2(terminal, 1);
    {
        app::Console console = app::Console::prepare();
        (void)app::Drop::convertEach(paths, console);
    }
    std::fflush(stdout);
    ::dup2(saved, 1);
    ::close(saved);
    ::close(terminal);
    std::string shown;
    char buffer[4096];
    for (ssize_t n; (n = ::read(master, buffer, sizeof buffer)) > 0;) shown.append(buffer, static_cast<std::size_t>(n));
    ::close(master);
    return shown;
}

} // namespace

// On a terminal every name's control characters are escaped, in the report,
// an error's text and the drop program's lines, so that each stays one line
// and none acts on the terminal; in a pipe the bytes stay exact.
TEST(CommandLine, NamesShowTheirControlCharactersEscapedOnATerminalOnly) {
    TempDir dir;
    const std::string name = "x\x1b]0;PWNED\a\nline2\xc2\x9b\x7f\xc3\xa9";
    const std::string shown = "x\\x1b]0;PWNED\\x07\\nline2\\xc2\\x9b\\x7f\xc3\xa9";
    writeFile(dir.file(name + ".edg"), smallEdge1());
    writeFile(dir.file("y\t.edg"), smallEdge1());
    ::mkdir(dir.file("y\t.psd").c_str(), 0755);
    const std::string command = "cd '" + dir.path() + "' && '" TOMEL_BINARY "' psd x*.edg y*.edg";
    const RunResult piped = runShell(command);
    EXPECT_EQ(piped.out, "convert psd: " + name + ".edg => " + name + ".psd\nError : Custom([file_write,y\t.psd])\n");
    if (runShell("command -v script >/dev/null").status == 0) {
        // script(1) gives the program a terminal; its lines end in CR LF there.
        const RunResult terminal = runShell("script -qec \"" + command + "\" /dev/null");
        EXPECT_EQ(terminal.out,
                  "convert psd: " + shown + ".edg => " + shown + ".psd\r\nError : Custom([file_write,y\\t.psd])\r\n");
    }
    EXPECT_EQ(dropIntoTerminal({dir.file(name + ".edg"), dir.file("gone\t.edg")}),
              "\n" + shown + ".edg\nconvert psd: " + dir.path() + "/" + shown + ".edg => " + dir.path() + "/" + shown +
                  ".psd\n\ngone\\t.edg\nError : File not found\n\n1 converted, 1 failed: gone\\t.edg\n");
}

TEST(CommandLine, PathErrors) {
    TempDir dir;
    ::mkdir(dir.file("pics.edg").c_str(), 0755);
    ASSERT_EQ(::symlink("loop.edg", dir.file("loop.edg").c_str()), 0);
    writeFile(dir.file("cat.edg"), smallEdge1());
    const std::pair<std::string, std::string> cases[] = {
        {"", "Error : File not found\n"},
        {"pics.edg", "Error : File is Directory\n"},
        {"nowhere/x.edg", "Error : File not found\n"},
        {"pics.edg/x.edg", "Error : File not found\n"},
        {"cat.edg/x.edg", "Error : File not found\n"}, // through a file (ENOTDIR)
        // There, but not to be examined: a loop of links, a name too long.
        {"loop.edg", "Error : [file_contents,loop.edg]\n"},
        {std::string(300, 'n') + ".edg", "Error : [file_contents," + std::string(300, 'n') + ".edg]\n"},
    };
    for (const auto& [path, line] : cases) {
        const RunResult run = runTomel({"psd", path}, dir.path());
        EXPECT_EQ(run.status, 255) << path;
        EXPECT_EQ(run.out, line) << path;
    }
}

TEST(CommandLine, SamePathTwiceAndFilesWithoutExtension) {
    TempDir dir;
    writeFile(dir.file("cat"), smallEdge1());
    writeFile(dir.file("cat.EDG"), smallEdge1());
    const RunResult run = runTomel({"psd", "cat", "cat", "cat.EDG"}, dir.path());
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "convert psd: cat => cat.psd\nconvert psd: cat => cat.psd\n"
                       "convert psd: cat.EDG => cat.EDG.psd\n");
    EXPECT_EQ(listDir(dir.path()), (std::vector<std::string>{"cat", "cat.EDG", "cat.EDG.psd", "cat.psd"}));
}

// A temporary output is named for its output, in a short form where that
// name would pass the 255 bytes a file name may have: an output name of 241
// bytes takes the long form, one of 242 the short one.
TEST(OutputPath, TemporaryNamesCarryTheOutputsNameWhereItFits) {
    const std::string fits = std::string(237, 'a') + ".psd";
    EXPECT_EQ(app::TemporaryName::pattern("dir/", "dir/" + fits, 4095), "dir/." + fits + ".tomel-XXXXXX");
    EXPECT_EQ(app::TemporaryName::pattern("dir/", "dir/a" + fits, 4095), "dir/.tomel-XXXXXX");
    EXPECT_EQ(app::TemporaryName::pattern("", fits, 4095), "." + fits + ".tomel-XXXXXX");
    // Where the path would pass the system's longest, too.
    EXPECT_EQ(app::TemporaryName::pattern("dir/", "dir/cat.psd", 25), "dir/.cat.psd.tomel-XXXXXX");
    EXPECT_EQ(app::TemporaryName::pattern("dir/", "dir/cat.psd", 24), "dir/.tomel-XXXXXX");
    const std::string first = app::TemporaryName::filled("dir/.cat.psd.tomel-XXXXXX");
    EXPECT_TRUE(std::regex_match(first, std::regex("dir/\\.cat\\.psd\\.tomel-[A-Za-z0-9]{6}"))) << first;
    EXPECT_NE(app::TemporaryName::filled("dir/.cat.psd.tomel-XXXXXX"), first);
}

// Names up to the longest a file system takes convert on every route: with
// the output named only when it is whole, and with the output named while it
// is written (no /proc), where its temporary takes the short form.
TEST(CommandLine, TheLongestNamesConvertOnEveryRoute) {
    std::vector<std::string> wrappers = {""};
    if (canRunWithoutProc()) wrappers.push_back(withoutProc);
    for (const std::string& wrapper : wrappers) {
        for (const std::size_t length : {241u, 243u, 255u}) {
            TempDir dir;
            const std::string stem(length - 4, 'n');
            writeFile(dir.file(stem + ".edg"), smallEdge1());
            writeFile(dir.file(stem + ".psd"), "older");
            const RunResult run = runTomel({"psd", stem + ".edg"}, dir.path(), "", wrapper);
            EXPECT_EQ(run.out, "convert psd: " + stem + ".edg => " + stem + ".psd\n") << length << wrapper;
            EXPECT_EQ(listDir(dir.path()), (std::vector<std::string>{stem + ".edg", stem + ".psd"}));
            EXPECT_NE(readFile(dir.file(stem + ".psd")), "older");
        }
    }
}

TEST(CommandLine, OutputModeIsANewFilesOrTheReplacedOutputs) {
    TempDir dir;
    writeFile(dir.file("a.edg"), smallEdge1());
    writeFile(dir.file("b.edg"), smallEdge1());
    writeFile(dir.file("b.psd"), "private older output");
    ::chmod(dir.file("b.psd").c_str(), 0600);
    // Both ways of writing: a file without a name, and (without /proc) a named temporary file.
    for (const std::string wrapper : {"", withoutProc}) {
        if (!wrapper.empty() && !canRunWithoutProc()) continue;
        const RunResult run = runTomel({"psd", "a.edg", "b.edg"}, dir.path(), "umask 027;", wrapper);
        ASSERT_EQ(run.status, 0) << wrapper << run.out;
        EXPECT_EQ(fileMode(dir.file("a.psd")), 0640u) << wrapper;
        EXPECT_EQ(fileMode(dir.file("b.psd")), 0600u) << wrapper;
        EXPECT_EQ(readFile(dir.file("b.psd")), readFile(dir.file("a.psd")));
        EXPECT_EQ(listDir(dir.path()), (std::vector<std::string>{"a.edg", "a.psd", "b.edg", "b.psd"}));
        ::unlink(dir.file("a.psd").c_str());
    }
}

TEST(CommandLine, AnInputReachedThroughItsOutputPathIsNeverReplaced) {
    TempDir dir;
    const std::string edge = smallEdge1();
    writeFile(dir.file("s.psd"), edge); // s.edg -> s.psd: the output would replace the input
    ASSERT_EQ(::symlink("s.psd", dir.file("s.edg").c_str()), 0);
    writeFile(dir.file("t.edg"), edge); // t.psd -> t.edg: the output path resolves to the input
    ASSERT_EQ(::symlink("t.edg", dir.file("t.psd").c_str()), 0);
    for (const std::string name : {"s", "t"}) {
        const RunResult run = runTomel({"psd", name + ".edg"}, dir.path());
        EXPECT_EQ(run.status, 255);
        EXPECT_EQ(run.out, "Error : [file_open," + name + ".psd]\n");
        EXPECT_EQ(readFile(dir.file(name + ".edg")), edge);
    }
    EXPECT_EQ(listDir(dir.path()), (std::vector<std::string>{"s.edg", "s.psd", "t.edg", "t.psd"}));

    // Two hard links are two names: the output replaces one, the input keeps the other.
    writeFile(dir.file("h.edg"), edge);
    ASSERT_EQ(::link(dir.file("h.edg").c_str(), dir.file("h.psd").c_str()), 0);
    const RunResult run = runTomel({"psd", "h.edg"}, dir.path());
    EXPECT_EQ(run.out, "convert psd: h.edg => h.psd\n");
    EXPECT_EQ(readFile(dir.file("h.edg")), edge);
    EXPECT_NE(readFile(dir.file("h.psd")), edge);
}

TEST(CommandLine, ALostReportLineEndsTheRunWith255AfterTheWork) {
    TempDir dir;
    writeFile(dir.file("a.edg"), smallEdge1());
    writeFile(dir.file("b.edg"), smallEdge1());
    ASSERT_EQ(runTomel({"psd", "a.edg"}, dir.path()).status, 0);
    const std::string expected = readFile(dir.file("a.psd"));
    const auto expectBothConverted = [&](const std::string& label) {
        EXPECT_EQ(readFile(dir.file("a.psd")), expected) << label;
        EXPECT_EQ(readFile(dir.file("b.psd")), expected) << label;
        ::unlink(dir.file("a.psd").c_str());
        ::unlink(dir.file("b.psd").c_str());
    };
    // Standard output closed or full: the conversions go on, the status tells.
    for (const std::string prefix : {"exec >&-;", "exec >/dev/full;"}) {
        const RunResult run = runTomel({"psd", "a.edg", "b.edg"}, dir.path(), prefix);
        EXPECT_EQ(run.status, 255) << prefix;
        EXPECT_EQ(run.err, "") << prefix;
        expectBothConverted(prefix);
    }
    RunResult run = runTomelIntoReaderlessPipe({"psd", "a.edg", "b.edg"}, dir.path(), true);
    EXPECT_EQ(run.status, 255);
    expectBothConverted("SIGPIPE ignored");
    // SIGPIPE's default action ends the run at the first lost line, as for any command in a pipe.
    run = runTomelIntoReaderlessPipe({"psd", "a.edg", "b.edg"}, dir.path(), false);
    EXPECT_EQ(run.status, 128 + SIGPIPE);
    EXPECT_EQ(readFile(dir.file("a.psd")), expected);
    EXPECT_FALSE(fileExists(dir.file("b.psd")));
}

TEST(CommandLine, FailuresLeaveAnOlderOutputUntouched) {
    TempDir dir;
    writeFile(dir.file("bad.edg"), "EDGF");
    writeFile(dir.file("bad.psd"), "older output");
    RunResult run = runTomel({"psd", "bad.edg"}, dir.path());
    EXPECT_EQ(run.out, "Error : InvalidFormat\n");
    EXPECT_EQ(readFile(dir.file("bad.psd")), "older output");

    // A write that fails part way (file size limit) removes its temporary file.
    Edge1Document big;
    big.width = 300;
    big.height = 300;
    big.layers.push_back(literalLayer("one", std::vector<std::uint8_t>(90000, 3)));
    writeFile(dir.file("big.edg"), writeEdge1(big));
    writeFile(dir.file("big.psd"), "older output");
    run = runTomel({"psd", "big.edg"}, dir.path(), "trap '' XFSZ; ulimit -f 100;");
    EXPECT_EQ(run.status, 255);
    EXPECT_EQ(run.out, "Error : Custom([file_write,big.psd])\n");
    EXPECT_EQ(readFile(dir.file("big.psd")), "older output");
    EXPECT_EQ(listDir(dir.path()), (std::vector<std::string>{"bad.edg", "bad.psd", "big.edg", "big.psd"}));
}

TEST(CommandLine, OutputThatCannotBeCreatedReportsFileOpen) {
    TempDir dir;
    writeFile(dir.file("a.edg"), smallEdge1());
    // The input read through a descriptor in /proc: its output would go to
    // /proc/self/fd/, where no file can be created, not even by root.
    const RunResult run = runTomel({"psd", "/proc/self/fd/3"}, dir.path(), "exec 3<a.edg;");
    EXPECT_EQ(run.status, 255);
    EXPECT_EQ(run.out, "Error : [file_open,/proc/self/fd/3.psd]\n");
}

TEST(CommandLine, DamagedFilesPrintTheirErrorAndWriteNothing) {
    TempDir dir;
    std::string damaged = writeEdge2(chunk(1000, LeBytes().u8(8).bytes()));
    damaged.back() = static_cast<char>(damaged.back() ^ 0x55);
    std::string wide =
        writeEdge2(chunk(2003, chunk(1005, LeBytes().u16(30001).bytes()) + chunk(1006, LeBytes().u16(1).bytes())));
    const std::pair<std::string, std::string> cases[] = {
        {writeEdge2(""), "Error : InvalidFormat\n"}, // no pages
        {damaged, "Error : Invalid CRC\n"},
        {LeBytes().str("EDGE").u8(50).zeros(7).bytes(), "Error : Eof\n"},
        {wide, "Error : UnsupportedFormat\n"},
        {writeEdge2(chunk(2003, chunkWithLength(1000, -1, ""))), "Error : OutsideBounds\n"},
    };
    for (const auto& [file, line] : cases) {
        writeFile(dir.file("in.edg"), file);
        const RunResult run = runTomel({"psd", "in.edg"}, dir.path());
        EXPECT_EQ(run.status, 255);
        EXPECT_EQ(run.out, line);
        EXPECT_EQ(listDir(dir.path()), std::vector<std::string>{"in.edg"});
    }
}
