// tomel-export as a batch user meets it: its lines, statuses and files.
#include <gtest/gtest.h>

#include <algorithm>

#include "support/EdgWriter.h"
#include "support/TestFiles.h"

using namespace tests;

namespace {

std::string quote(const std::string& s) {
    std::string quoted(1, '\'');
    for (const char c : s) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted += c;
        }
    }
    quoted += '\'';
    return quoted;
}

std::string commandLine(const std::vector<std::string>& args) {
    std::string command = quote(TOMEL_EXPORT_BINARY);
    for (const std::string& arg : args) {
        command += ' ';
        command += quote(arg);
    }
    return command;
}

RunResult run(const std::vector<std::string>& args, const TempDir& dir) {
    std::string command = "cd ";
    command += quote(dir.path());
    command += " && ";
    command += commandLine(args);
    command += " 2>";
    command += quote(dir.file(".stderr"));
    RunResult result = runShell(command);
    result.err = readFile(dir.file(".stderr"));
    ::unlink(dir.file(".stderr").c_str());
    return result;
}

std::string document(int pages, int palettes = 1) {
    Edge2Document d;
    d.transparentIndex = 0;
    for (int k = 0; k < palettes; ++k)
        d.palettesBgr.push_back(std::vector<std::uint8_t>(30, static_cast<std::uint8_t>(k)));
    for (int p = 0; p < pages; ++p) {
        Edge2Page page;
        page.name = std::to_string(p);
        page.name.insert(0, 1, 'p');
        page.width = 3;
        page.height = 2;
        page.layers.push_back({"l", true, false, {1, 2, 3, 4, 5, 6}});
        d.pages.push_back(page);
    }
    return writeEdge2(d);
}

std::vector<std::string> filesIn(const TempDir& dir) {
    std::vector<std::string> files = listDir(dir.path());
    std::sort(files.begin(), files.end());
    return files;
}

} // namespace

TEST(ExportCommandLine, ABadCommandLineIsAUsageErrorThatNamesTheOptionAndTouchesNoFile) {
    TempDir dir;
    writeFile(dir.file("a.edg"), document(2));
    const std::vector<std::pair<std::vector<std::string>, std::string>> lines = {
        {{}, "no format given"},
        {{"jpeg", "a.edg"}, "unknown format 'jpeg'"},
        {{"gif"}, "no file given"},
        {{"gif", "--scale", "0", "a.edg"}, "--scale takes a whole number from 1 to 16, not '0'"},
        {{"png", "--scale=17", "a.edg"}, "--scale takes a whole number from 1 to 16, not '17'"},
        {{"gif", "--fps", "51", "a.edg"},
         "--fps 51 would make GIF frames shorter than 2/100 s, which browsers play as 1/10 s: gif takes 1 to 50"},
        {{"gif", "--fps", "0", "a.edg"}, "--fps takes a whole number from 1 to 50, not '0'"},
        {{"apng", "--fps", "91", "a.edg"},
         "--fps 91 would make APNG frames 10 ms or shorter, which browsers play as 1/10 s: apng takes 1 to 90"},
        {{"apng", "--fps", "1001", "a.edg"}, "--fps takes a whole number from 1 to 90, not '1001'"},
        {{"aseprite", "--fps", "1001", "a.edg"}, "--fps takes a whole number from 1 to 1000, not '1001'"},
        {{"sheet", "--fps", "x", "a.edg"}, "--fps takes a whole number from 1 to 1000, not 'x'"},
        {{"gif", "--columns", "3", "a.edg"}, "--columns does not apply to gif"},
        {{"palette", "--scale", "2", "a.edg"}, "--scale does not apply to palette"},
        {{"png", "--loop", "2", "a.edg"}, "--loop does not apply to png"},
        {{"gif", "--speed", "2", "a.edg"}, "unknown option '--speed'"},
        {{"gif", "-o", "x.gif", "a.edg"}, "unknown option '-o'"},
        {{"gif", "a.edg", "--loop"}, "--loop needs a value"},
    };
    for (const auto& [args, text] : lines) {
        const RunResult result = run(args, dir);
        EXPECT_EQ(result.status, 2) << text;
        EXPECT_EQ(result.out, "") << text;
        EXPECT_EQ(result.err,
                  std::string("tomel-export: ") + text + "\nusage: tomel-export FORMAT [OPTIONS] FILE...\n");
    }
    EXPECT_EQ(filesIn(dir), std::vector<std::string>{"a.edg"});
    // tomel itself keeps its one command word.
    EXPECT_EQ(runTomel({"png", "a.edg"}, dir.path()).out, "usage: tomel psd xxx.edg\n");
    for (const char* asked : {"--help", "-h"}) {
        const RunResult help = run({asked}, dir);
        EXPECT_EQ(help.status, 0);
        EXPECT_EQ(help.out.rfind("usage: tomel-export FORMAT [OPTIONS] FILE...\n", 0), 0u);
    }
    EXPECT_EQ(run({"--version"}, dir).out.rfind("tomel-export ", 0), 0u);
}

TEST(ExportCommandLine, AFileNamedLikeAnOptionGoesAfterTheOptionsEndOrWithItsFolder) {
    TempDir dir;
    writeFile(dir.file("-a.edg"), document(1));
    EXPECT_EQ(run({"png", "-a.edg"}, dir).status, 2);
    const RunResult ended = run({"png", "--", "-a.edg"}, dir);
    EXPECT_EQ(ended.status, 0) << ended.err;
    EXPECT_EQ(ended.out, "export png: -a.edg => -a.png\n");
    const RunResult pathed = run({"gif", "./-a.edg"}, dir);
    EXPECT_EQ(pathed.status, 0) << pathed.err;
    EXPECT_EQ(filesIn(dir), (std::vector<std::string>{"-a.edg", "-a.gif", "-a.png"}));
    // "-" alone is a name, as in other programs.
    EXPECT_EQ(run({"png", "-"}, dir).status, 1);
}

TEST(ExportCommandLine, EachFileIsReportedOrFailsOnItsOwn) {
    TempDir dir;
    writeFile(dir.file("a.edg"), document(1));
    writeFile(dir.file("c.edg"), document(12));
    writeFile(dir.file("bad.edg"), "EDGE2 but not really");
    ::mkdir(dir.file("d.edg").c_str(), 0755);
    const RunResult result = run({"png", "a.edg", "missing.edg", "bad.edg", "d.edg", "c.edg"}, dir);
    EXPECT_EQ(result.status, 1);
    std::string expected = "export png: a.edg => a.png\n";
    for (int i = 1; i <= 12; ++i) {
        expected += std::string("export png: c.edg => c-") + (i < 10 ? "0" : "") + std::to_string(i) + ".png\n";
    }
    EXPECT_EQ(result.out, expected);
    EXPECT_EQ(result.err, "export png: missing.edg: Error : File not found\n"
                          "export png: bad.edg: Error : Invalid data\n"
                          "export png: d.edg: Error : File is Directory\n");
    // tomel's texts for the same faults.
    EXPECT_EQ(runTomel({"psd", "bad.edg"}, dir.path()).out, "Error : Invalid data\n");
    // Every palette of the bank, the first without a number.
    const RunResult palettes = run({"palette", "e.edg"}, (writeFile(dir.file("e.edg"), document(1, 2)), dir));
    EXPECT_EQ(palettes.status, 0);
    EXPECT_EQ(palettes.out, "export palette: e.edg => e.gpl\nexport palette: e.edg => e.act\n"
                            "export palette: e.edg => e.pal\nexport palette: e.edg => e.hex\n"
                            "export palette: e.edg => e-2.gpl\nexport palette: e.edg => e-2.act\n"
                            "export palette: e.edg => e-2.pal\nexport palette: e.edg => e-2.hex\n");
}

TEST(ExportCommandLine, AnOlderOutputIsReplacedWholeOrNotAtAll) {
    TempDir dir;
    writeFile(dir.file("x.edg"), document(3));
    writeFile(dir.file("x.gif"), "older output");
    EXPECT_EQ(run({"gif", "x.edg"}, dir).status, 0);
    EXPECT_EQ(readFile(dir.file("x.gif")).substr(0, 6), "GIF89a");
    writeFile(dir.file("x.edg"), document(3).substr(0, 40));
    writeFile(dir.file("x.gif"), "older output");
    const RunResult damaged = run({"gif", "x.edg"}, dir);
    EXPECT_EQ(damaged.status, 1);
    EXPECT_EQ(readFile(dir.file("x.gif")), "older output");
    // An output that is a link to its input is refused, the input kept.
    writeFile(dir.file("t.edg"), document(1));
    ::symlink("t.edg", dir.file("t.aseprite").c_str());
    EXPECT_EQ(run({"aseprite", "t.edg"}, dir).err, "export aseprite: t.edg: Error : [file_open,t.aseprite]\n");
    EXPECT_EQ(readFile(dir.file("t.edg")), document(1));
    EXPECT_EQ(filesIn(dir), (std::vector<std::string>{"t.aseprite", "t.edg", "x.edg", "x.gif"}));
}

TEST(ExportCommandLine, ANameShowsItsControlCharactersEscapedOnATerminalOnly) {
    TempDir dir;
    const std::string name = "x\x1b]0;PWNED\a\nline2.edg";
    writeFile(dir.file(name), document(1));
    const RunResult piped = run({"gif", name}, dir);
    EXPECT_EQ(piped.out, std::string("export gif: ") + name + " => x\x1b]0;PWNED\a\nline2.gif\n");
    if (runShell("command -v script >/dev/null").status != 0) GTEST_SKIP() << "no script(1) for a terminal";
    // script(1) gives the program a terminal; its lines end in CR LF there.
    const RunResult terminal = runShell(std::string("cd ") + quote(dir.path()) + " && script -qec " +
                                        quote(commandLine({"gif", name, "missing\t.edg"})) + " /dev/null");
    EXPECT_NE(terminal.out.find("export gif: x\\x1b]0;PWNED\\x07\\nline2.edg => x\\x1b]0;PWNED\\x07\\nline2.gif\r\n"),
              std::string::npos)
        << terminal.out;
    EXPECT_NE(terminal.out.find("export gif: missing\\t.edg: Error : File not found"), std::string::npos)
        << terminal.out;
}
