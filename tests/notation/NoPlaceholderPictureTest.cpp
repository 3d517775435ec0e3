// Every item a new score holds, and the clef and key changes inside bars, draw as themselves:
// the crossed box that stands in for an item class without a drawing of its own shows nowhere.
// zeldump makes the new scores of arrangements 0-4, zelscript the signs gallery (clefs in the
// middle of bars, key changes, octave lines, bar numbers); zelrender draws page 1 with its
// drawing calls recorded and prints the score to PDF.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/RunTool.h"
#include "support/TempHome.h"
#include "support/TestData.h"

using testsupport::RunTool;

namespace {

struct Segment {
    int x1, y1, x2, y2;
};

// The lines of a recorded drawing: each MoveTo followed by a LineTo.
std::vector<Segment> Lines(const std::string& opsPath) {
    std::ifstream in(opsPath);
    std::vector<Segment> out;
    std::string line;
    int mx = 0, my = 0;
    bool moved = false;
    while (std::getline(in, line)) {
        int x = 0, y = 0;
        if (std::sscanf(line.c_str(), "MoveTo %d %d", &x, &y) == 2) {
            mx = x, my = y, moved = true;
        } else if (std::sscanf(line.c_str(), "LineTo %d %d", &x, &y) == 2 && moved) {
            out.push_back(Segment{mx, my, x, y});
            mx = x, my = y;
        } else {
            moved = false;
        }
    }
    return out;
}

// The crossed boxes: a line from a box's top left to its bottom right followed by one from its
// bottom left to its top right.
int CrossedBoxes(const std::vector<Segment>& lines) {
    int n = 0;
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
        const Segment& a = lines[i];
        const Segment& b = lines[i + 1];
        if (a.x2 > a.x1 && a.y2 > a.y1 && b.x1 == a.x1 && b.y1 == a.y2 && b.x2 == a.x2 && b.y2 == a.y1) ++n;
    }
    return n;
}

// Draws page 1 of a score with its calls recorded and prints it; the crossed boxes drawn.
int BoxesOnPage(const std::string& zel, const std::string& dir, const std::string& name) {
    std::string out;
    const std::string ops = dir + "/" + name + ".ops";
    EXPECT_EQ(RunTool("zelrender", zel + " --page 1 " + dir + "/" + name + ".png --ops " + ops, &out), 0) << out;
    out.clear();
    EXPECT_EQ(RunTool("zelrender", zel + " --pdf " + dir + "/" + name + ".pdf", &out), 0) << out;
    EXPECT_GT(std::filesystem::file_size(dir + "/" + name + ".pdf"), 1000u) << name;
    const std::vector<Segment> lines = Lines(ops);
    EXPECT_FALSE(lines.empty()) << name << ": the page draws its staves";
    return CrossedBoxes(lines);
}

}  // namespace

TEST(NoPlaceholderPicture, TheNewScoresAndTheSignsGalleryDrawNoCrossedBox) {
    if (!std::getenv("ZEL_BUILD_DIR")) GTEST_SKIP() << "ZEL_BUILD_DIR names the tools' folder";
    testsupport::TempDir dir;
    for (int n = 0; n <= 4; ++n) {
        SCOPED_TRACE(n);
        const std::string zel = dir.path() + "/new" + std::to_string(n) + ".zel";
        std::string out;
        ASSERT_EQ(RunTool("zeldump", "--new " + std::to_string(n) + " " + zel, &out), 0) << out;
        EXPECT_EQ(BoxesOnPage(zel, dir.path(), "new" + std::to_string(n)), 0);
    }
    const std::string signs = dir.path() + "/signs.zel";
    std::string out;
    ASSERT_EQ(RunTool("zelscript", testsupport::TestDataPath("notation/signs/gallery.zs") + " -o " + signs, &out), 0)
        << out;
    EXPECT_EQ(BoxesOnPage(signs, dir.path(), "signs"), 0);
}

// The check itself: an item class without a drawing of its own draws the crossed box, which the
// count finds.
TEST(NoPlaceholderPicture, TheCountFindsACrossedBox) {
    const std::vector<Segment> box{{10, 20, 28, 50}, {10, 50, 28, 20}};
    EXPECT_EQ(CrossedBoxes(box), 1);
    const std::vector<Segment> staff{{0, 10, 100, 10}, {0, 17, 100, 17}};
    EXPECT_EQ(CrossedBoxes(staff), 0);
}
