// The converter as a program of its own: the conversion from the command line, the copies the
// editor's zeldump reads, and a symbol table that holds nothing of the editor.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <regex>
#include <set>
#include <string>

#include "ConverterFixtures.h"
#include "framework/CodePage.h"
#include "support/RunTool.h"
#include "support/TempHome.h"

namespace {

using namespace convertertest;
using testsupport::RunTool;

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

Bytes TwoTrackScore() {
    ScorePlan plan;
    plan.bars = 2;
    plan.tracks = {{0, 9, {{1, 0, 2}}, {{0, 0, 3, {-5}, {62}}, {1, 480, 1, {-6, -4, -2}, {60, 64, 67}}}},
                   {1, 9, {}, {{0, 0, 2, {-1, 1}, {48, 52}}, {1, 0, 3, {-8}, {36}}}}};
    return WriteScore(plan);
}

TEST(Program, ConvertsFromTheCommandLineWithoutAWindow) {
    testsupport::TempDir dir;
    const std::string score = dir.path() + "/序曲.zel";
    WriteFile(score, TwoTrackScore());
    const std::regex logLine("\\d{4}-\\d{2}-\\d{2}  \\d{2}:\\d{2}:\\d{2}  转换成功!\n");
    for (const char* mode : {"movable", "fixed"}) {
        std::string out;
        EXPECT_EQ(RunTool("zel2tqx", "--convert " + Quoted(score) + " " + mode, &out), 0) << out;
        EXPECT_TRUE(std::regex_match(out, logLine)) << out;
    }
    for (const char* copy : {"/序曲_首调.zel", "/序曲_固定调.zel"}) {
        const std::string path = dir.path() + copy;
        ASSERT_TRUE(FileExists(path)) << copy;
        EXPECT_EQ(ReadFile(path).size(), ReadFile(score).size()) << copy;
        // The editor's dump reads the copy whole, as the program reads it.
        std::string dump;
        EXPECT_EQ(RunTool("zeldump", Quoted(path), &dump), 0) << copy << "\n" << dump;
    }
    // Converting again replaces the copy.
    std::string out;
    EXPECT_EQ(RunTool("zel2tqx", "--convert " + Quoted(score) + " movable", &out), 0) << out;
}

TEST(Program, AFailurePrintsItsMessageAndExitsWithAnError) {
    testsupport::TempDir dir;
    ScorePlan many;
    many.bars = 1;
    many.tracks.assign(21, TrackSpec{});
    WriteFile(dir.path() + "/many.zel", WriteScore(many));
    WriteFile(dir.path() + "/empty.zel", {});
    struct Case {
        const char* what;
        std::string args;
        int status;
        std::string output;  // UTF-8; its start for the usage
    } cases[] = {
        {"a missing score", "--convert " + Quoted(dir.path() + "/gone.zel") + " fixed", 1,
         "找不到该文件。\n(" + dir.path() + "/gone.zel)\n"},
        {"21 tracks", "--convert " + Quoted(dir.path() + "/many.zel") + " movable", 1, "当前音轨数目大于最大允许音轨数目：20!\n"},
        {"an empty file", "--convert " + Quoted(dir.path() + "/empty.zel") + " movable", 1, "曲谱文件为空，不能转换！\n"},
        {"another ending", "--convert " + Quoted(dir.path() + "/many.mid") + " movable", 1, "曲谱不是zel格式的，不能转换！\n"},
        {"no mode", "--convert " + Quoted(dir.path() + "/many.zel"), 2, "用法：zel2tqx"},
        {"an unknown mode", "--convert " + Quoted(dir.path() + "/many.zel") + " solfege", 2, "用法：zel2tqx"},
    };
    for (const Case& c : cases) {
        std::string out;
        EXPECT_EQ(RunTool("zel2tqx", c.args, &out), c.status) << c.what << ": " << out;
        if (c.status == 2) EXPECT_EQ(out.rfind(c.output, 0), 0u) << c.what << ": " << out;
        else EXPECT_EQ(out, c.output) << c.what;
    }
    EXPECT_FALSE(FileExists(dir.path() + "/many_首调.zel"));
}

TEST(Program, StartsItsWindowAndEndsWhenItClosesHeadless) {
    std::string out;
    EXPECT_EQ(RunTool("zel2tqx", "", &out, "", "QT_QPA_PLATFORM=offscreen"), 0) << out;
}

// The defined symbols of a binary or archive, as nm prints them: "TYPE NAME" per line.
std::set<std::string> Symbols(const std::string& nmArgs, bool strongOnly) {
    std::set<std::string> names;
    FILE* p = popen(("nm --defined-only " + nmArgs + " 2>/dev/null").c_str(), "r");
    if (!p) return names;
    char line[4096];
    while (std::fgets(line, sizeof line, p)) {
        std::string s(line);
        if (!s.empty() && s.back() == '\n') s.pop_back();
        // "ADDRESS TYPE NAME"
        const std::size_t a = s.find(' ');
        if (a == std::string::npos || a + 3 > s.size()) continue;
        const char type = s[a + 1];
        if (strongOnly && !(type == 'T' || type == 'D' || type == 'B' || type == 'R')) continue;
        names.insert(s.substr(a + 3));
    }
    pclose(p);
    return names;
}

TEST(Program, LinksTheConverterAndTheFrameworkOnly) {
    const char* build = std::getenv("ZEL_BUILD_DIR");
    ASSERT_NE(build, nullptr);
    const std::set<std::string> program = Symbols(std::string(build) + "/zel2tqx", false);
    const bool readable = std::any_of(program.begin(), program.end(), [](const std::string& name) {
        return name.rfind("_ZN7zel2tqx17ConvertScoreBytes", 0) == 0;
    });
    ASSERT_TRUE(readable) << "the program's symbol table is not readable (" << program.size() << " symbols)";
    for (const char* library : {ZEL_MODEL_LIBRARY, ZEL_NOTATION_LIBRARY, ZEL_APP_LIBRARY}) {
        const std::set<std::string> editor = Symbols(std::string("-g ") + library, true);
        ASSERT_GT(editor.size(), 100u) << library;
        std::string shared;
        for (const std::string& name : editor)
            if (program.count(name) && shared.size() < 2000) shared += "  " + name + "\n";
        EXPECT_EQ(shared, "") << "symbols of " << library << " in the converter";
    }
}

}  // namespace
