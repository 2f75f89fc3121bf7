// Hostile inputs converted by the real binary under a memory cap: each ends
// with the right error line or a valid PSD, never a crash or a kill.
#include <gtest/gtest.h>

#include "concurrency/Helpers.h"
#include "support/EdgWriter.h"
#include "support/Random.h"
#include "support/TestFiles.h"

using namespace tests;

namespace {

constexpr const char* oneGiB = "ulimit -v 1048576;";

RunResult convertCapped(const TempDir& dir, const std::string& file, const std::string& limits = oneGiB) {
    writeFile(dir.file("in.edg"), file);
    return runTomel({"psd", "in.edg"}, dir.path(), limits);
}

void expectLine(const std::string& label, const std::string& file, const std::string& line) {
    TempDir dir;
    const RunResult run = convertCapped(dir, file);
    EXPECT_EQ(run.out, line + "\n") << label;
    EXPECT_EQ(run.status, line.rfind("Error : ", 0) == 0 ? 255 : 0) << label;
    EXPECT_EQ(run.err, "") << label;
}

std::string edge2Page(std::int32_t x, std::int32_t y, int width, int height, const std::string& layers = "") {
    return chunk(2003, chunk(1005, LeBytes().u16(width).bytes()) + chunk(1006, LeBytes().u16(height).bytes()) +
                           chunk(3003, LeBytes().i32(x).u8(0).bytes()) + chunk(3004, LeBytes().i32(y).u8(0).bytes()) +
                           layers);
}

// Address-space caps and the sanitizers' shadow memory do not mix.
bool sanitized() {
#ifdef TOMEL_SANITIZED
    return true;
#else
    return false;
#endif
}

} // namespace

TEST(ResourceBounds, HostileEdge1Files) {
    if (sanitized()) GTEST_SKIP() << "memory caps need a build without sanitizers";
    const std::string header = LeBytes().str("EDGE").u8(0).zeros(5).bytes();
    Edge1Document runs;
    runs.width = 4;
    runs.height = 4;
    Edge1Layer layer;
    layer.runs = {{0, 2147483647, 1}, {0, 2147483647, 2}, {1, -2147483647 - 1, 3}};
    layer.literals = {7};
    runs.layers = {layer, layer};
    expectLine("runs of 2147483647", writeEdge1(runs), "convert psd: in.edg => in.psd");
    expectLine("65535 layers", LeBytes().str(header).i32(8).i32(8).u16(65535).u8(0).zeros(768).bytes(), "Error : Eof");
    expectLine("two layers of 30000 x 30000",
               LeBytes().str(header).i32(30000).i32(30000).u16(2).u8(0).zeros(768).bytes(),
               "Error : UnsupportedFormat");
    expectLine("runs claimed",
               LeBytes().str(header).i32(8).i32(8).u16(1).u8(0).zeros(768).zeros(81).i32(2147483647).bytes(),
               "Error : Eof");
}

TEST(ResourceBounds, HostileEdge2Files) {
    if (sanitized()) GTEST_SKIP() << "memory caps need a build without sanitizers";
    expectLine("length 2147483647", writeEdge2(chunkWithLength(5000, 2147483647, "x")), "Error : Eof");
    expectLine("length -1", writeEdge2(chunkWithLength(5000, -1, "") + edge2Page(0, 0, 2, 2)),
               "convert psd: in.edg => in.psd");
    expectLine("page at the far right", writeEdge2(edge2Page(0, 0, 2, 2) + edge2Page(2147483647, 0, 65535, 2)),
               "Error : UnsupportedFormat");
    expectLine("pages far up and left",
               writeEdge2(edge2Page(-2147483647 - 1, -2147483647 - 1, 4, 4) + edge2Page(0, 0, 3, 3)),
               "convert psd: in.edg => in.psd");
    expectLine("page 65535 wide", writeEdge2(edge2Page(0, 0, 65535, 1)), "Error : UnsupportedFormat");
    std::string layers;
    for (int i = 0; i < 537; ++i) layers += chunk(2003, chunk(1000, "l"));
    expectLine("537 layers of 1000 x 1000", writeEdge2(edge2Page(0, 0, 1000, 1000, layers)),
               "Error : UnsupportedFormat");
}

TEST(ResourceBounds, ZlibBombStopsAtTheBodyLimit) {
    if (sanitized()) GTEST_SKIP() << "memory caps need a build without sanitizers";
    TempDir dir;
    const std::string bomb = LeBytes().str("EDGE").u8(50).zeros(7).str(zlibZeros("", std::uint64_t{5} << 29)).bytes();
    ASSERT_LT(bomb.size(), 8u << 20);
    const RunResult run = convertCapped(dir, bomb, "ulimit -v 4194304;");
    EXPECT_EQ(run.out, "Error : Invalid data\n");
    EXPECT_EQ(run.status, 255);
    EXPECT_EQ(listDir(dir.path()), std::vector<std::string>{"in.edg"});
}

TEST(ResourceBounds, RunningOutOfMemoryIsAnErrorLine) {
    if (sanitized()) GTEST_SKIP() << "memory caps need a build without sanitizers";
    // A legitimate document whose body (one skipped chunk of 1.5 GB) cannot
    // fit under a 1 GiB cap.
    TempDir dir;
    const std::string prefix = LeBytes().u16(5000).i32(1536 << 20).bytes();
    const RunResult run = convertCapped(
        dir, LeBytes().str("EDGE").u8(50).zeros(7).str(zlibZeros(prefix, std::uint64_t{1536} << 20)).bytes());
    EXPECT_EQ(run.out, "Error : Out of memory\n");
    EXPECT_EQ(run.status, 255);
    EXPECT_EQ(listDir(dir.path()), std::vector<std::string>{"in.edg"});
}

// Under a cap on its address space or its data, hard or soft alone, a
// process converts on one thread from the start, since it must end as it
// would on one CPU: it starts no helper thread, where the same conversion
// uncapped starts some.
TEST(ResourceBounds, ACappedProcessStartsNoHelperThread) {
    if (sanitized()) GTEST_SKIP() << "memory caps need a build without sanitizers";
    if (runShell("command -v strace >/dev/null").status != 0) GTEST_SKIP() << "no strace to see threads start";
    // Large enough for the fast decoder and the writer thread.
    Random random(45);
    Edge2Document document;
    document.palettesBgr.push_back({10, 20, 30});
    Edge2Page page{"page", 1024, 1024, 0, 0, false, {}};
    for (int l = 0; l < 3; ++l) {
        std::vector<std::uint8_t> indices(1024 * 1024);
        for (auto& index : indices) index = static_cast<std::uint8_t>(random.below(4) == 0 ? random.below(256) : l);
        page.layers.push_back({"layer", true, false, std::move(indices)});
    }
    document.pages.push_back(std::move(page));
    TempDir dir;
    writeFile(dir.file("in.edg"), writeEdge2(document));
    const auto threadsStarted = [&](const std::string& limits) {
        const RunResult run =
            runShell("cd '" + dir.path() + "' && strace -f -qq -e trace=clone,clone3 -o trace sh -c '" + limits +
                     " exec \"$0\" psd in.edg' '" TOMEL_BINARY "' >out; grep -c clone trace");
        EXPECT_EQ(readFile(dir.file("out")), "convert psd: in.edg => in.psd\n") << limits;
        ::unlink(dir.file("in.psd").c_str());
        return run.out;
    };
    // What the capped runs are held to: uncapped, helpers start.
    if (concurrency::Helpers::worthStarting()) {
        EXPECT_NE(threadsStarted(""), "0\n");
    }
    for (const std::string limits :
         {"ulimit -v 4194304;", "ulimit -d 4194304;", "ulimit -S -v 4194304;", "ulimit -S -d 4194304;"}) {
        EXPECT_EQ(threadsStarted(limits), "0\n") << limits;
    }
}
