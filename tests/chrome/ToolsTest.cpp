// The developer tools' views of the controls: dlgshot's sheet of the bar controls and
// glyphsheet's pictures of every image strip.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "chrome/ToolBox.h"
#include "framework/Gdi.h"
#include "framework/Strips.h"
#include "platform/Port.h"

namespace {

std::string Tool(const char* name) {
    const char* build = std::getenv("ZEL_BUILD_DIR");
    return std::string(build ? build : ".") + "/" + name;
}

// Runs a command line; its exit status and what it wrote to the error stream.
int RunTool(const std::string& command, std::string* errors) {
    const std::string line = "QT_QPA_PLATFORM=offscreen " + command + " 2>&1 >/dev/null";
    FILE* pipe = ::popen(line.c_str(), "r");
    if (!pipe) return -1;
    char buf[512];
    while (std::fgets(buf, sizeof buf, pipe)) *errors += buf;
    const int status = ::pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class ToolsTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitDrawing();
        dir = std::filesystem::temp_directory_path() / ("zel-chrome-tools-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    std::filesystem::path dir;
};

}  // namespace

TEST_F(ToolsTest, DlgshotDrawsTheControlsSheetAndNamesTheKnownWindows) {
    std::string errors;
    const std::string out = (dir / "controls.png").string();
    ASSERT_EQ(RunTool(Tool("dlgshot") + " --window controls " + out, &errors), 0) << errors;
    CBitmap sheet;
    ASSERT_TRUE(sheet.LoadFile(out));
    EXPECT_EQ(sheet.GetSize().cx, 1100);
    EXPECT_EQ(sheet.GetSize().cy, 720);
    errors.clear();
    EXPECT_NE(RunTool(Tool("dlgshot") + " --window palettes " + (dir / "x.png").string(), &errors), 0);
    EXPECT_NE(errors.find("controls"), std::string::npos) << errors;
    EXPECT_FALSE(std::filesystem::exists(dir / "x.png"));
}

TEST_F(ToolsTest, DlgshotDrawsTheStatusBarAndTheDebugWindowOfAScore) {
    const std::string score = std::string(ZEL_TEST_SOURCE_DIR) + "/data/edit/mixed.zel";
    struct Case {
        const char* name;
        int width, height;
    };
    // The status bar spans its frame's 820 pixels; the debug window is made 500 x 300.
    for (const Case& c : {Case{"status", 0, 21}, Case{"debug", 500, 300}}) {
        std::string errors;
        const std::string out = (dir / (std::string(c.name) + ".png")).string();
        ASSERT_EQ(RunTool(Tool("dlgshot") + " --window " + c.name + " " + out + " " + score, &errors), 0) << errors;
        CBitmap picture;
        ASSERT_TRUE(picture.LoadFile(out)) << c.name;
        if (c.width) EXPECT_EQ(picture.GetSize().cx, c.width) << c.name;
        EXPECT_EQ(picture.GetSize().cy, c.height) << c.name;
    }
    std::string errors;
    EXPECT_NE(RunTool(Tool("dlgshot") + " --window status " + (dir / "y.png").string() + " /no/such.zel", &errors), 0);
    EXPECT_FALSE(std::filesystem::exists(dir / "y.png"));
}

TEST_F(ToolsTest, DlgshotDrawsEveryPaletteWithAnImageOnEachButton) {
    for (int p = 0; p < kPaletteCount; ++p) {
        const PaletteDef& def = GetPaletteDef(p);
        SCOPED_TRACE(def.name);
        std::string errors;
        const std::string out = (dir / (std::string(def.name) + ".png")).string();
        ASSERT_EQ(RunTool(Tool("dlgshot") + " --window palette:" + def.name + " " + out, &errors), 0) << errors;
        CBitmap picture;
        ASSERT_TRUE(picture.LoadFile(out));
        // The buttons shared out over count / columns rows (the last ones may stay empty), 23
        // pixels each, inside borders of 3 (left, top) and 2; the expression palette's buttons
        // are 64 wide and show names, not images.
        const bool names = def.toolId == 919;
        const int rows = std::max(1, def.count / def.columns);
        const int perRow = (def.count + rows - 1) / rows;
        const int usedRows = (def.count + perRow - 1) / perRow;
        const int width = names ? 64 : 23;
        EXPECT_EQ(picture.GetSize().cx, 3 + perRow * width + 2);
        EXPECT_EQ(picture.GetSize().cy, 3 + usedRows * 23 + 2);
        const COLORREF face = picture.GetPixel(0, 0);
        for (int i = 0; i < def.count; ++i) {
            if (names && i > 0 && i < def.count - 1) continue;
            const int left = 3 + (i % perRow) * width, top = 3 + (i / perRow) * 23;
            int ink = 0;
            for (int y = top + 2; y < top + 21; ++y)
                for (int x = left + 2; x < left + width - 2; ++x)
                    if (picture.GetPixel(x, y) != face) ++ink;
            EXPECT_GT(ink, 4) << "button " << i << " shows its image";
        }
    }
    // The bars and the tuplet dialog.
    for (const char* name : {"maintoolbar", "stdtoolbar", "stylebar"}) {
        std::string errors;
        const std::string out = (dir / (std::string(name) + ".png")).string();
        ASSERT_EQ(RunTool(Tool("dlgshot") + " --window " + name + " " + out, &errors), 0) << errors;
        CBitmap picture;
        EXPECT_TRUE(picture.LoadFile(out)) << name;
    }
    std::string errors;
    const std::string tuplet = (dir / "234.png").string();
    ASSERT_EQ(RunTool(Tool("dlgshot") + " 234 " + tuplet, &errors), 0) << errors;
    EXPECT_TRUE(std::filesystem::exists(tuplet));
    EXPECT_NE(RunTool(Tool("dlgshot") + " --window palette:nothing " + (dir / "z.png").string(), &errors), 0);
    EXPECT_NE(errors.find("barlines"), std::string::npos) << "the palettes are listed: " << errors;
}

TEST_F(ToolsTest, GlyphsheetWritesEveryStripAsTheProgramDrawsIt) {
    std::string errors;
    ASSERT_EQ(RunTool(Tool("glyphsheet") + " --strips " + dir.string(), &errors), 0) << errors;
    EXPECT_TRUE(std::filesystem::exists(dir / "strips.png"));
    for (const fw::StripDef& def : fw::StripTable()) {
        SCOPED_TRACE(def.id);
        CBitmap written, drawn;
        ASSERT_TRUE(written.LoadFile((dir / (std::to_string(def.id) + ".png")).string()));
        ASSERT_TRUE(drawn.LoadBitmap(UINT(def.id)));
        EXPECT_EQ(written.CountDifferences(drawn, 0), 0);
    }
}
