// The script galleries end to end: each gallery script makes its items through their creation
// paths (ties, slurs and tuplets; bends, groups, barres, pedal lines and glissandi; graphic
// shapes and harp pedal markings; clef and key changes, octave lines and bar numbers; chord
// symbols and guitar frames placed with the chord tool, and their names under German naming),
// zelrender draws page 1 at zoom 100 and 200 and prints it to PDF, and the pictures match their
// references (ZEL_UPDATE_REFERENCES=1 writes them anew, each looked at before it is committed; a
// missing one fails).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "framework/Gdi.h"
#include "support/PictureCompare.h"
#include "support/RunTool.h"
#include "support/TempHome.h"
#include "support/TestData.h"

using testsupport::RunTool;

namespace {

struct Gallery {
    const char* folder;   // under tests/data/notation, holding gallery.zs and the references
    const char* picture;  // the references' name before the zoom
    const char* report;   // a line zelrender must report, or empty
    const char* options = "";  // zelrender's further options
};

void PrintTo(const Gallery& g, std::ostream* os) { *os << g.folder; }

class ScriptGalleryPictureTest : public ::testing::TestWithParam<Gallery> {};

TEST_P(ScriptGalleryPictureTest, MatchesItsPicturesAndPrints) {
    if (!std::getenv("ZEL_BUILD_DIR")) GTEST_SKIP() << "ZEL_BUILD_DIR names the tools' folder";
    const Gallery& g = GetParam();
    const std::string folder = std::string("notation/") + g.folder + "/";
    fw::EnsureGraphics();
    testsupport::TempDir dir;
    const std::string zel = dir.path() + "/gallery.zel";
    std::string out;
    ASSERT_EQ(RunTool("zelscript", testsupport::TestDataPath(folder + "gallery.zs") + " -o " + zel, &out), 0) << out;
    for (const int zoom : {100, 200}) {
        const std::string name = g.picture + std::to_string(zoom) + ".png";
        const std::string png = dir.path() + "/" + name;
        out.clear();
        // The chord library's definitions come from the script (the program's user library).
        const std::string defs = " --chorddefs " + testsupport::TestDataPath(folder + "gallery.zs");
        ASSERT_EQ(RunTool("zelrender", zel + " --page 1 " + png + " --zoom " + std::to_string(zoom) + defs + g.options, &out), 0)
            << out;
        if (*g.report) EXPECT_NE(out.find(g.report), std::string::npos) << out;
        CBitmap picture;
        ASSERT_TRUE(picture.LoadFile(png));
        testsupport::ExpectPictureMatches(picture, testsupport::TestDataPath(folder + name));
    }
    out.clear();
    ASSERT_EQ(RunTool("zelrender", zel + " --pdf " + dir.path() + "/g.pdf", &out), 0) << out;
    EXPECT_GT(std::filesystem::file_size(dir.path() + "/g.pdf"), 1000u);
}

INSTANTIATE_TEST_SUITE_P(Galleries, ScriptGalleryPictureTest,
                         ::testing::Values(Gallery{"twoended", "gallery", ""}, Gallery{"lines", "gallery", ""},
                                           Gallery{"graphics", "gallery", ""},
                                           Gallery{"signs", "signs", "page 1: 4 systems"},
                                           Gallery{"chords", "gallery", ""},
                                           Gallery{"chordnames", "gallery", "", " --notenames german"}),
                         [](const ::testing::TestParamInfo<Gallery>& info) { return std::string(info.param.folder); });

// A filled rectangle beside a hollow one on a staff, and a picture, drawn on screen and printed
// in the run that made them (a saved score drops pictures): zelscript's paint writes the calls
// of the page and of the PDF's pages. With the filled rectangle and the picture selected, the
// screen gains the picture's frame (two line spacings square, its far edges one on: 13 at zoom
// 100) and the rectangle's four handles (each erased, then framed 5 square); the print gains
// nothing. In print the filled rectangle is erased (a plain fill of its box, not the screen's
// clipped fill) and then outlined, the hollow one only outlined; the fill is the erase to the
// page's background, white (the call log names no colour).
TEST(GraphicsPrintTest, AFilledRectangleIsErasedInPrintAndSelectionsShowOnlyOnScreen) {
    if (!std::getenv("ZEL_BUILD_DIR")) GTEST_SKIP() << "ZEL_BUILD_DIR names the tools' folder";
    testsupport::TempDir dir;
    const auto lines = [](const std::string& path) {
        std::vector<std::string> out;
        std::ifstream in(path);
        for (std::string line; std::getline(in, line);) out.push_back(line);
        return out;
    };
    const auto run = [&](const std::string& name, const char* sel) {
        const std::string zs = dir.path() + "/" + name + ".zs";
        std::ofstream(zs) << "new 1\n"
                          << "put 0 0 graphic 0 shape=0 place=100,245,140,270\n"
                          << "put 0 0 graphic 0 shape=0 place=150,245,190,270 filled" << sel << "\n"
                          << "put 0 0 picture 0 place=250,250,250,250" << sel << "\n"
                          << "paint ops " << dir.path() << "/" << name << "-screen.log\n"
                          << "paint pdf " << dir.path() << "/" << name << ".pdf ops " << dir.path() << "/" << name
                          << "-print.log\n";
        std::string out;
        EXPECT_EQ(RunTool("zelscript", zs, &out), 0) << out;
        EXPECT_GT(std::filesystem::file_size(dir.path() + "/" + name + ".pdf"), 1000u);
    };
    run("plain", "");
    run("selected", " selected");
    // The calls the selection adds on screen: rectangles by their sides, and the handles' erases.
    std::map<std::string, int> plain;
    for (const std::string& line : lines(dir.path() + "/plain-screen.log")) ++plain[line];
    std::vector<int> sides;
    int erases = 0;
    for (const std::string& line : lines(dir.path() + "/selected-screen.log")) {
        if (plain[line]-- > 0) continue;
        int l, t, r, b;
        if (std::sscanf(line.c_str(), "Rectangle %d %d %d %d", &l, &t, &r, &b) == 4) {
            EXPECT_EQ(r - l, b - t) << line;
            sides.push_back(r - l);
        } else if (std::sscanf(line.c_str(), "FillRect %d %d %d %d", &l, &t, &r, &b) == 4) {
            ++erases;
        } else {
            ADD_FAILURE() << "added on screen: " << line;
        }
    }
    std::sort(sides.begin(), sides.end());
    EXPECT_EQ(sides, (std::vector<int>{5, 5, 5, 5, 13}));
    EXPECT_EQ(erases, 4);
    const std::vector<std::string> printed = lines(dir.path() + "/plain-print.log");
    EXPECT_EQ(lines(dir.path() + "/selected-print.log"), printed) << "the selection prints nothing";
    // In print: the filled rectangle's box filled and then outlined; the hollow one, as high and
    // as wide (within the 600 dpi scaling's rounding), outlined alone.
    int filled = 0, hollow = 0;
    RECT box{};
    for (std::size_t i = 0; i + 1 < printed.size(); ++i) {
        int l, t, r, b;
        if (std::sscanf(printed[i].c_str(), "FillRect %d %d %d %d", &l, &t, &r, &b) == 4 &&
            printed[i + 1] == "Rectangle" + printed[i].substr(8)) {
            ++filled;
            box = RECT{l, t, r, b};
            EXPECT_TRUE(i == 0 || printed[i - 1].rfind("SelectClipRgn", 0) != 0) << "an erase, not a clipped fill";
        }
    }
    EXPECT_EQ(filled, 1);
    for (std::size_t i = 1; i < printed.size(); ++i) {
        int l, t, r, b;
        if (std::sscanf(printed[i].c_str(), "Rectangle %d %d %d %d", &l, &t, &r, &b) == 4 && t == box.top &&
            b == box.bottom && std::abs((r - l) - (box.right - box.left)) <= 1 && l < box.left) {
            ++hollow;
            EXPECT_EQ(printed[i - 1].rfind("FillRect", 0), std::string::npos) << "the hollow one is not filled";
        }
    }
    EXPECT_EQ(hollow, 1);
}

}  // namespace
