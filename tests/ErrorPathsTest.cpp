// Every failure the program reports, reached through the command line: the
// exact line, status 255, no output file left behind and an older output of
// the same name kept byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <thread>
#include <unistd.h>

#include "app/FileOutput.h"
#include "concurrency/Helpers.h"
#include "io/Failure.h"
#include "orvane/inflate/FastInflater.h"
#include "orvane/inflate/InflatedBody.h"
#include "support/EdgWriter.h"
#include "support/Random.h"
#include "support/TestFiles.h"
#include "support/TestHelpers.h"

using namespace tests;

namespace {

const std::string older = std::string("older output \0\xFF kept", 21);

// An Edge2 file whose compressed part is the given zlib stream.
std::string edge2WithStream(const std::string& stream) {
    return LeBytes().str("EDGE").u8(50).zeros(7).str(stream).bytes();
}

std::string edge1Header(std::int32_t width, std::int32_t height, int layers) {
    return LeBytes().str("EDGE").u8(0).zeros(5).i32(width).i32(height).u16(layers).u8(0).zeros(768).bytes();
}

struct Case {
    std::string label;
    std::string file;
    std::string line;
};

void expectFailure(const Case& c) {
    TempDir dir;
    writeFile(dir.file("in.edg"), c.file);
    writeFile(dir.file("in.psd"), older);
    const RunResult run = runTomel({"psd", "in.edg"}, dir.path());
    EXPECT_EQ(run.status, 255) << c.label;
    EXPECT_EQ(run.out, "Error : " + c.line + "\n") << c.label;
    EXPECT_EQ(run.err, "") << c.label;
    EXPECT_EQ(readFile(dir.file("in.psd")), older) << c.label;
    EXPECT_EQ(listDir(dir.path()), (std::vector<std::string>{"in.edg", "in.psd"})) << c.label;
}

} // namespace

TEST(ErrorPaths, HeaderAndEdge1) {
    const std::vector<Case> cases = {
        {"empty file", "", "Eof"},
        {"short signature", "EDG", "Eof"},
        {"signature only", "EDGE", "Eof"},
        {"wrong signature", "EDGF" + std::string(800, '\0'), "InvalidFormat"},
        {"version 1", LeBytes().str("EDGE").u8(1).zeros(800).bytes(), "InvalidFormat"},
        {"header cut", LeBytes().str("EDGE").u8(0).zeros(12).bytes(), "Eof"},
        {"palette cut", edge1Header(2, 2, 1).substr(0, 500), "Eof"},
        {"layer cut", edge1Header(2, 2, 1) + std::string(40, 'n'), "Eof"},
        {"65535 layers declared", edge1Header(1, 1, 65535), "Eof"},
        {"negative width", edge1Header(-2, 2, 1), "InvalidFormat"},
        {"too wide", edge1Header(30001, 2, 1), "UnsupportedFormat"},
        {"two huge layers", edge1Header(30000, 30000, 2), "UnsupportedFormat"},
        {"empty canvas", edge1Header(0, 5, 0), "UnsupportedFormat"},
    };
    for (const Case& c : cases) expectFailure(c);
}

TEST(ErrorPaths, CompressedBody) {
    const std::string data = "damaged";
    const std::string stream = zlibCompress(data);
    std::string badCheck = stream;
    badCheck.back() = static_cast<char>(badCheck.back() ^ 1);
    const std::vector<Case> cases = {
        {"no stream", edge2WithStream(""), "Eof"},
        {"stream cut", edge2WithStream(stream.substr(0, stream.size() - 3)), "Eof"},
        {"method 7", edge2WithStream(bytes({0x77, 0x9C}) + stream.substr(2)), "Invalid data"},
        {"header check", edge2WithStream(bytes({0x78, 0x9D}) + stream.substr(2)), "Invalid data"},
        {"dictionary", edge2WithStream(bytes({0x78, 0xBB}) + stream.substr(2)), "Unsupported dictionary"},
        {"block type 3", edge2WithStream(bytes({0x78, 0x01, 0x07, 0, 0, 0, 0})), "Invalid data"},
        {"stored length", edge2WithStream(bytes({0x78, 0x01, 0x01, 0x01, 0, 0, 0, 'x'})), "Invalid data"},
        {"repeat past", edge2WithStream(bytes({0x78, 0x01, 0x05, 0x00, 0x80, 0xE4, 0xFF, 0x1F, 0, 0})), "Invalid data"},
        {"symbol 286", edge2WithStream(bytes({0x78, 0x01, 0x1B, 0x03, 0x00, 0, 0, 0, 0})), "Invalid data"},
        {"distance 30", edge2WithStream(bytes({0x78, 0x01, 0x73, 0x04, 0x3E, 0x00, 0, 0, 0, 0})), "Invalid data"},
        {"too far back", edge2WithStream(bytes({0x78, 0x01, 0x03, 0x02, 0x00, 0, 0, 0, 0})), "Invalid data"},
        {"incomplete code", edge2WithStream(bytes({0x78, 0x01, 0x05, 0x00, 0x00, 0x02, 0x00, 0x00})),
         "Invalid huffman"},
        {"check value", edge2WithStream(badCheck), "Invalid CRC"},
        // Large enough for the fast decoder: its error lands just before the
        // end of its first megabyte, after a match across that end.
        {"damage before a piece ends",
         edge2WithStream(zlibWrap(openDeflate(std::string(917500, 's'), 0) + incompleteDistancesBlock(131076 - 280) +
                                      std::string(32, '\0'),
                                  "")),
         "Invalid huffman"},
    };
    for (const Case& c : cases) expectFailure(c);
}

TEST(ErrorPaths, Edge2Chunks) {
    const std::string u16One = LeBytes().u16(1).bytes();
    const std::vector<Case> cases = {
        {"depth size", writeEdge2(chunk(1000, u16One)), "InvalidFormat"},
        {"3001 size", writeEdge2(chunk(3001, "\x01")), "InvalidFormat"},
        {"3002 size", writeEdge2(chunk(3002, u16One)), "InvalidFormat"},
        {"1006 block size", writeEdge2(chunk(1006, chunk(1000, "\x01"))), "InvalidFormat"},
        {"3008 block size", writeEdge2(chunk(3008, chunk(1000, u16One))), "InvalidFormat"},
        {"page width size", writeEdge2(chunk(2003, chunk(1005, "\x01"))), "InvalidFormat"},
        {"page position size", writeEdge2(chunk(2003, chunk(3003, "\x01\x02\x03\x04"))), "InvalidFormat"},
        {"layer flag size", writeEdge2(chunk(2003, chunk(2003, chunk(1007, u16One)))), "InvalidFormat"},
        {"chunk header cut", writeEdge2("\xE8\x03\x01"), "Eof"},
        {"payload cut", writeEdge2(chunkWithLength(5000, 10, "abc")), "Eof"},
        {"length 2147483647", writeEdge2(chunkWithLength(2003, 2147483647, chunk(1000, "abc"))), "Eof"},
        {"colours claimed", writeEdge2(chunk(3003, chunkWithLength(1005, 2147483647, "abc"))), "Eof"},
        {"pixels claimed", writeEdge2(chunk(2003, chunk(2003, chunkWithLength(1006, 2147483647, "ab")))), "Eof"},
        {"negative page name", writeEdge2(chunk(2003, chunkWithLength(1000, -1, ""))), "OutsideBounds"},
        {"negative layer name", writeEdge2(chunk(2003, chunk(2003, chunkWithLength(1000, -1, "")))), "OutsideBounds"},
        {"negative memo", writeEdge2(chunk(2003, chunkWithLength(3002, -3, ""))), "OutsideBounds"},
        {"no pages", writeEdge2(chunk(1000, "\x08")), "InvalidFormat"},
        {"page 65535 wide", writeEdge2(chunk(2003, chunk(1005, LeBytes().u16(65535).bytes()) + chunk(1006, u16One))),
         "UnsupportedFormat"},
    };
    for (const Case& c : cases) expectFailure(c);
}

TEST(ErrorPaths, TooManyLayersForTheLayerCount) {
    // 16384 empty pages: a group start and end each, 32768 layer records.
    const std::string page = chunk(2003, chunk(1005, LeBytes().u16(1).bytes()) + chunk(1006, LeBytes().u16(1).bytes()));
    std::string body;
    for (int i = 0; i < 16384; ++i) body += page;
    expectFailure({"layer count", writeEdge2(body), "Overflow"});
}

TEST(ErrorPaths, FileLayer) {
    TempDir dir;
    // Readable by nobody, root included: reading process memory at offset 0 fails.
    RunResult run = runTomel({"psd", "/proc/self/mem"}, dir.path());
    EXPECT_EQ(run.status, 255);
    EXPECT_EQ(run.out, "Error : [file_contents,/proc/self/mem]\n");
    EXPECT_FALSE(fileExists("/proc/self/mem.psd"));
}

namespace {

int failingClose(int fd) {
    ::close(fd);
    errno = EIO;
    return -1;
}

void writeAndCommit(const std::string& path, const std::string& content, app::FileOutput::Seams seams) {
    app::FileOutput file(path, concurrency::Route::OneThread, seams);
    file.writeString(content);
    // Nothing inflated: the verdict is in at once.
    file.commit(*orvane::inflate::InflatedBody().confirm());
}

// Writes as the system does until 2 MiB are written; then, slowly, fails.
std::size_t writtenBySeam = 0;
long slowlyFailingWrite(int fd, const void* data, std::size_t n) {
    if (writtenBySeam >= std::size_t{2} << 20) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        errno = EFBIG;
        return -1;
    }
    const long k = ::write(fd, data, n);
    writtenBySeam += k > 0 ? static_cast<std::size_t>(k) : 0;
    return k;
}

} // namespace

// The writer thread's last buffer fails while the converting thread waits
// for it: the commit fails, whether the output is new or replaces one.
TEST(ErrorPaths, AWriteThatFailsOnTheWriterThreadFailsTheCommit) {
    if (!helperThreadsRun()) GTEST_SKIP() << "no helper thread here: the output is written on one thread";
    TempDir dir;
    for (const bool replacing : {false, true}) {
        const std::string path = dir.file(replacing ? "old.psd" : "new.psd");
        if (replacing) writeFile(path, older);
        writtenBySeam = 0;
        EXPECT_EQ(failureText([&] {
                      app::FileOutput file(path, concurrency::Route::Helped, {nullptr, true, slowlyFailingWrite});
                      // In pieces, as the encoder writes: each megabyte goes to the writer thread.
                      for (int piece = 0; piece < 40; ++piece) std::memset(file.obtain(65536), piece, 65536);
                      file.commit(*orvane::inflate::InflatedBody().confirm());
                  }),
                  "Custom([file_write," + path + "])");
        EXPECT_EQ(listDir(dir.path()), replacing ? std::vector<std::string>{"old.psd"} : std::vector<std::string>{});
        EXPECT_TRUE((fileExists(path) ? readFile(path) : "none") == (replacing ? older : "none")) << replacing;
    }
}

TEST(ErrorPaths, AFailedCloseLeavesNoOutputAndKeepsAnOlderOne) {
    for (const bool unnamed : {true, false}) {
        TempDir dir;
        const app::FileOutput::Seams failing{failingClose, unnamed};
        // New: named already when the close fails, so the name goes again.
        const std::string created = dir.file("new.psd");
        EXPECT_EQ(failureText([&] { writeAndCommit(created, "new bytes", failing); }),
                  "Custom([file_write," + created + "])");
        EXPECT_EQ(listDir(dir.path()), std::vector<std::string>{}) << unnamed;
        writeFile(dir.file("old.psd"), older);
        EXPECT_EQ(failureText([&] { writeAndCommit(dir.file("old.psd"), "new bytes", failing); }),
                  "Custom([file_write," + dir.file("old.psd") + "])");
        EXPECT_EQ(readFile(dir.file("old.psd")), older) << unnamed;
        EXPECT_EQ(listDir(dir.path()), std::vector<std::string>{"old.psd"}) << unnamed;
        // And with a working close, both ways put the bytes in place.
        writeAndCommit(dir.file("old.psd"), "new bytes", {::close, unnamed});
        EXPECT_EQ(readFile(dir.file("old.psd")), "new bytes") << unnamed;
        EXPECT_EQ(listDir(dir.path()), std::vector<std::string>{"old.psd"}) << unnamed;
    }
}

namespace {

// Large enough to be caught while its output is being written.
std::string largeDocument(int layers = 4) {
    Edge2Document document;
    document.palettesBgr.push_back({10, 20, 30, 40, 50, 60, 70, 80, 90});
    Edge2Page page{"large", 4096, 4096, 0, 0, false, {}};
    std::vector<std::uint8_t> indices(4096 * 4096);
    for (std::size_t i = 0; i < indices.size(); ++i) indices[i] = static_cast<std::uint8_t>(i / 4096 % 3);
    for (int l = 0; l < layers; ++l) page.layers.push_back({"l", true, false, indices});
    document.pages.push_back(std::move(page));
    return writeEdge2(document);
}

} // namespace

namespace {

// Starts tomel on large.edg in dir, waits until its output file is open
// (named, or unnamed as seen in /proc), stops it there, sends the signal and
// lets it go on; the shell's output is the program's status. The signals a
// shell ignores in background jobs are given back their default action
// first, and a core dump is never written. `start` is what comes before the
// program (env options, a wrapper).
RunResult signalledWhileWriting(const TempDir& dir, const std::string& start, bool named, int signal) {
    const std::string outputOpen =
        named ? "ls -A | grep -q '^\\.large\\.psd\\.tomel-'" : "ls -l /proc/$pid/fd 2>/dev/null | grep -q '#'";
    return runShell("cd '" + dir.path() + "' && ulimit -c 0 && { env --default-signal=INT,HUP,TERM,QUIT " + start +
                    " '" TOMEL_BINARY "' psd large.edg >out 2>&1 & pid=$!; i=0; until " + outputOpen +
                    " || [ $i -gt 5000 ]; do i=$((i+1)); done; kill -STOP $pid; kill -" + std::to_string(signal) +
                    " $pid; kill -CONT $pid; wait $pid; echo $?; } 2>/dev/null");
}

} // namespace

// Every signal that ends a process and can be caught removes the pending
// temporary, then ends the run as the signal would (its status); the older
// output stays. Without /proc the temporary is named, so each shows.
TEST(ErrorPaths, SignalsLeaveNoTemporaryFileAndEndTheRunAsTheSignal) {
    const std::string large = largeDocument();
    struct Case {
        std::string wrapper;
        int signal;
    };
    std::vector<Case> cases = {{"", SIGTERM}};
    if (canRunWithoutProc()) {
        for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGUSR1, SIGUSR2, SIGALRM, SIGVTALRM, SIGPROF,
                                 SIGXCPU, SIGPIPE, SIGTRAP, SIGABRT, SIGRTMIN + 3})
            cases.push_back({withoutProc, signal});
    }
    for (const Case& c : cases) {
        TempDir dir;
        writeFile(dir.file("large.edg"), large);
        writeFile(dir.file("large.psd"), older);
        const RunResult run = signalledWhileWriting(dir, c.wrapper, !c.wrapper.empty(), c.signal);
        EXPECT_EQ(run.out, std::to_string(128 + c.signal) + "\n") << c.wrapper << " " << c.signal;
        EXPECT_TRUE(readFile(dir.file("large.psd")) == older) << c.signal;
        EXPECT_EQ(listDir(dir.path()), (std::vector<std::string>{"large.edg", "large.psd", "out"})) << c.signal;
    }
}

// A signal the caller ignores stays ignored: `nohup tomel psd *.edg` goes on
// converting after the terminal is closed.
TEST(ErrorPaths, AnIgnoredHangUpLetsTheRunFinish) {
    TempDir dir;
    writeFile(dir.file("large.edg"), largeDocument());
    writeFile(dir.file("large.psd"), older);
    // Where the output has a name while it is written (no /proc), the run has
    // its handlers by then.
    const bool named = canRunWithoutProc();
    const RunResult run =
        signalledWhileWriting(dir, std::string("--ignore-signal=HUP ") + (named ? withoutProc : ""), named, SIGHUP);
    EXPECT_EQ(run.out, "0\n");
    EXPECT_EQ(readFile(dir.file("out")), "convert psd: large.edg => large.psd\n");
    EXPECT_NE(readFile(dir.file("large.psd")), older);
}

// A CPU-time limit ends a run with SIGXCPU, at whatever point it is reached:
// no temporary stays, and the output is whole where there is one.
TEST(ErrorPaths, ACpuTimeLimitLeavesNoTemporaryFile) {
    if (!canRunWithoutProc()) GTEST_SKIP() << "a mount namespace without /proc can't be had here";
    TempDir dir;
    writeFile(dir.file("large.edg"), largeDocument(8));
    // Far more conversions than a second of CPU time allows. Most of that
    // second passes with the output named; twice, to make it likelier still
    // that the limit meets one.
    std::string names;
    for (int i = 0; i < 500; ++i) names += " large.edg";
    for (int run = 0; run < 2; ++run) {
        const RunResult ended = runShell("cd '" + dir.path() + "' && ulimit -c 0 && (ulimit -S -t 1 && exec " +
                                         withoutProc + " '" TOMEL_BINARY "' psd" + names + ") >out 2>&1; echo $?");
        EXPECT_EQ(ended.out, std::to_string(128 + SIGXCPU) + "\n");
        const std::vector<std::string> left = listDir(dir.path());
        EXPECT_TRUE(left == (std::vector<std::string>{"large.edg", "large.psd", "out"}) ||
                    left == (std::vector<std::string>{"large.edg", "out"}))
            << testing::PrintToString(left);
    }
}

// SIGKILL can't be caught: a run killed while its output had a name (no
// /proc, or just before the rename over an older output) leaves it behind,
// named for the output it was to become, and the older output as it was.
TEST(ErrorPaths, AKilledRunsTemporaryIsNamedForItsOutput) {
    std::vector<std::string> kills;
    if (canRunWithoutProc()) {
        kills.push_back(std::string(withoutProc) + " '" TOMEL_BINARY
                                                   "' psd large.edg >/dev/null 2>&1 & pid=$!; i=0; until ls -A | "
                                                   "grep -q '^\\.large\\.psd\\.tomel-' || [ $i -gt 5000 ]; do "
                                                   "i=$((i+1)); done; kill -KILL $pid; wait $pid");
    }
    if (runShell("command -v strace >/dev/null").status == 0) {
        // The file without a name was linked for the rename, which never happens.
        kills.push_back("strace -f -qq -o /dev/null -e inject=rename:signal=SIGKILL '" TOMEL_BINARY
                        "' psd large.edg >/dev/null 2>&1");
    }
    if (kills.empty()) GTEST_SKIP() << "neither a mount namespace without /proc nor strace here";
    for (const std::string& kill : kills) {
        TempDir dir;
        writeFile(dir.file("large.edg"), largeDocument());
        writeFile(dir.file("large.psd"), older);
        runShell("cd '" + dir.path() + "' && { " + kill + "; } 2>/dev/null");
        const std::vector<std::string> files = listDir(dir.path());
        ASSERT_EQ(files.size(), 3u) << kill;
        EXPECT_TRUE(std::regex_match(files[0], std::regex("\\.large\\.psd\\.tomel-[A-Za-z0-9]{6}"))) << files[0];
        EXPECT_TRUE(readFile(dir.file("large.psd")) == older) << kill;
    }
}

// An output of more than a megabyte is written on the writer thread while
// the next megabyte is made. The file put in place holds every byte, the last
// buffer's too; and a file-size limit the last buffer crosses is a write
// error on every route (not a signal that ends the process on one CPU).
TEST(ErrorPaths, TheWriterThreadsLastBufferIsWrittenBeforeTheOutputIsPutInPlace) {
    if (!concurrency::Helpers::worthStarting()) GTEST_SKIP() << "one CPU only: the writer thread never starts";
    Random random(30);
    Edge2Document document;
    document.palettesBgr.push_back({});
    for (int i = 0; i < 256 * 3; ++i) document.palettesBgr[0].push_back(static_cast<std::uint8_t>(random.below(256)));
    Edge2Page page{"page", 1024, 1024, 0, 0, false, {}};
    for (int l = 0; l < 3; ++l) {
        std::vector<std::uint8_t> indices(1024 * 1024);
        for (auto& index : indices) index = static_cast<std::uint8_t>(random.below(4) == 0 ? random.below(256) : l);
        page.layers.push_back({"layer", true, false, std::move(indices)});
    }
    document.pages.push_back(std::move(page));
    const std::string edg = writeEdge2(document);
    TempDir dir;
    const auto convert = [&](const std::string& limits, const std::string& wrapper) {
        writeFile(dir.file("in.edg"), edg);
        writeFile(dir.file("in.psd"), older);
        return runTomel({"psd", "in.edg"}, dir.path(), limits, wrapper);
    };
    const std::string oneCpu = "taskset -c 0";
    ASSERT_EQ(convert("", oneCpu).status, 0);
    const std::string expected = readFile(dir.file("in.psd"));
    ASSERT_GT(expected.size(), std::size_t{4} << 20);
    // dash's ulimit -f counts 512-byte blocks: the limit falls in the last 512
    // bytes, inside the last buffer, which is most of a megabyte here.
    const std::string limit = "ulimit -f " + std::to_string((expected.size() - 1) / 512) + ";";
    // The writer finishing its last buffer races with the rename: a few runs.
    for (int run = 0; run < 3; ++run) {
        EXPECT_EQ(convert("", "").out, "convert psd: in.edg => in.psd\n");
        const std::string made = readFile(dir.file("in.psd"));
        EXPECT_TRUE(made == expected) << "run " << run << ": " << made.size() << " bytes of " << expected.size();
        for (const std::string& wrapper : {std::string(), run == 0 ? oneCpu : std::string()}) {
            const RunResult limited = convert(limit, wrapper);
            EXPECT_EQ(limited.status, 255) << wrapper;
            EXPECT_EQ(limited.out, "Error : Custom([file_write,in.psd])\n") << wrapper;
            EXPECT_EQ(readFile(dir.file("in.psd")), older) << wrapper;
            EXPECT_EQ(listDir(dir.path()), (std::vector<std::string>{"in.edg", "in.psd"})) << wrapper;
        }
    }
}

// The program takes the fast decoder for these (large bodies, two CPUs), and
// zlib's verdict must still decide: over igzip's body, and over an error
// found in it.
TEST(ErrorPaths, ZlibsVerdictWinsWhereTheFastDecoderAcceptsTheBody) {
    if (!orvane::inflate::FastInflater::worthwhile(std::size_t{1} << 20) || !concurrency::Helpers::worthStarting())
        GTEST_SKIP() << "igzip cannot be loaded or one CPU only: the program inflates with zlib alone";
    // A valid document, then a skipped chunk of 80000 bytes whose last 40 come
    // from the block zlib refuses and igzip decodes.
    Edge2Document document;
    document.palettesBgr.push_back({1, 2, 3, 4, 5, 6});
    document.pages.push_back({"p", 2, 2, 0, 0, false, {{"l", true, false, {0, 1, 1, 0}}}});
    const std::string chunk = LeBytes().u16(5000).i32(80000).bytes();
    const std::string stored = edge2Body(document) + chunk + std::string(79960, 'x');
    // The same with the chunk running 100 bytes past the body's end: the
    // document is broken (Eof) in what igzip makes, and zlib's error wins.
    const std::string broken = edge2Body(document) + LeBytes().u16(5000).i32(80100).bytes() + std::string(79960, 'x');
    // The deflate data is good and only the stored check value is wrong: the
    // check accepts the stream, but not igzip's body of it.
    std::vector<std::uint8_t> noise(300 * 300);
    std::uint32_t state = 7;
    for (auto& index : noise) index = static_cast<std::uint8_t>((state = state * 1103515245u + 12345u) >> 24);
    document.pages[0] = {"p", 300, 300, 0, 0, false, {{"l", true, false, noise}}};
    std::string crc = zlibCompress(edge2Body(document));
    crc.back() = static_cast<char>(crc.back() ^ 1);
    const std::vector<Case> cases = {
        {"incomplete literal code", edge2WithStream(storedThenIncompleteCode(stored, 40)), "Invalid huffman"},
        {"broken document, incomplete code", edge2WithStream(storedThenIncompleteCode(broken, 40)), "Invalid huffman"},
        {"check value of a large body", edge2WithStream(crc), "Invalid CRC"},
    };
    for (const Case& c : cases) expectFailure(c);
}

namespace {

// The error lines a user's document lists, the path in a line written PATH:
// README.md's table (each `...` of a row's first cell, "Error : " before
// those that leave it out) and the Windows guide's list (its lines that begin
// with "Error : ", several to a line where they share their advice).
std::set<std::string> documentedLines(const std::string& document) {
    const std::string text = readFile(std::string(TOMEL_TESTS_DIR) + "/../" + document);
    std::set<std::string> lines;
    const auto add = [&](std::string line) {
        if (line.rfind("Error : ", 0) != 0) line = "Error : " + line;
        line = std::regex_replace(line, std::regex(",(IN|OUT|NAME)\\]"), ",PATH]");
        lines.insert(line);
    };
    std::istringstream in(text);
    bool errors = false;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("## ", 0) == 0 || line.rfind("When something fails", 0) == 0)
            errors = line == "## Errors" || line.rfind("When something fails", 0) == 0;
        if (!errors) continue;
        if (line.rfind("| `", 0) == 0) {
            const std::string cell = line.substr(2, line.find(" |", 2) - 2);
            const std::regex quoted("`([^`]*)`");
            for (auto m = std::sregex_iterator(cell.begin(), cell.end(), quoted); m != std::sregex_iterator(); ++m)
                add((*m)[1]);
        } else if (line.rfind("Error : ", 0) == 0) {
            std::size_t start = 0;
            for (std::size_t next; (next = line.find(", Error : ", start)) != std::string::npos; start = next + 2)
                add(line.substr(start, next - start));
            add(line.substr(start, line.find_last_not_of(",") + 1 - start));
        }
    }
    return lines;
}

} // namespace

// Every error line the documentation lists is one the program prints: each
// has a situation (an input in.edg, and a shell step) that produces it
// through the real binary. Both documents list the same lines.
TEST(ErrorPaths, EveryDocumentedLineOccurs) {
    const std::string good = readFile(std::string(TOMEL_TESTS_DIR) + "/../examples/flat.edg");
    const std::string stream = zlibCompress("damaged");
    std::string manyPages;
    for (int i = 0; i < 16384; ++i)
        manyPages += chunk(2003, chunk(1005, LeBytes().u16(1).bytes()) + chunk(1006, LeBytes().u16(1).bytes()));
    const std::string bigSkip = LeBytes().u16(5000).i32(512 << 20).bytes();
    const std::map<std::string, std::pair<std::string, std::string>> situations = {
        {"Error : File not found", {"", "rm in.edg"}},
        {"Error : File is Directory", {"", "rm in.edg && mkdir in.edg"}},
        {"Error : [file_contents,PATH]", {"", "rm in.edg && ln -s in.edg in.edg"}},
        {"Error : InvalidFormat", {"EDGF" + std::string(800, '\0'), ""}},
        {"Error : UnsupportedFormat", {edge1Header(30001, 2, 1), ""}},
        {"Error : Eof", {edge2WithStream(stream.substr(0, stream.size() - 3)), ""}},
        {"Error : OutsideBounds", {writeEdge2(chunk(2003, chunkWithLength(1000, -1, ""))), ""}},
        {"Error : Invalid data", {edge2WithStream(bytes({0x78, 0x9D}) + stream.substr(2)), ""}},
        {"Error : Invalid huffman", {edge2WithStream(bytes({0x78, 0x01, 0x05, 0, 0, 0x02, 0, 0})), ""}},
        {"Error : Invalid CRC", {edge2WithStream(stream.substr(0, stream.size() - 1) + "\x01"), ""}},
        {"Error : Unsupported dictionary", {edge2WithStream(bytes({0x78, 0xBB}) + stream.substr(2)), ""}},
        {"Error : Overflow", {writeEdge2(manyPages), ""}},
        {"Error : [file_open,PATH]", {good, "ln -s in.edg in.psd"}},
        {"Error : Custom([file_write,PATH])", {good, "mkdir in.psd"}},
        // A skipped chunk of 512 MiB under a cap of 256 MiB; the sanitizers' shadow takes more.
        {"Error : Out of memory", {edge2WithStream(zlibZeros(bigSkip, std::uint64_t{512} << 20)), "ulimit -v 262144"}},
    };
    const std::set<std::string> lines = documentedLines("README.md");
    EXPECT_EQ(documentedLines("windows/README.txt"), lines);
    for (const std::string& documented : lines) {
        const auto found = situations.find(documented);
        if (found == situations.end()) {
            ADD_FAILURE() << "no situation produces the documented line " << documented;
            continue;
        }
        const auto& [file, setUp] = found->second;
#ifdef TOMEL_SANITIZED
        if (setUp.rfind("ulimit", 0) == 0) continue;
#endif
        TempDir dir;
        writeFile(dir.file("in.edg"), file);
        const RunResult run = runShell("cd '" + dir.path() + "' && { " + (setUp.empty() ? ":" : setUp) + "; '" +
                                       TOMEL_BINARY + "' psd in.edg; echo $?; }");
        const std::string path = documented.find("file_contents") != std::string::npos ? "in.edg" : "in.psd";
        EXPECT_EQ(run.out, std::regex_replace(documented, std::regex("PATH"), path) + "\n255\n") << documented;
    }
}
