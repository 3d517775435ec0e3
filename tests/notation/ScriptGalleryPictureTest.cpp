// The script galleries end to end: each gallery script makes its items through their creation
// paths (ties, slurs and tuplets; bends, groups, barres, pedal lines and glissandi; graphic
// shapes and harp pedal markings; clef and key changes, octave lines and bar numbers; chord
// symbols and guitar frames placed with the chord tool, and their names under German naming),
// zelrender draws page 1 at zoom 100 and 200 and prints it to PDF, and the pictures match their
// references (ZEL_UPDATE_REFERENCES=1 writes them anew, each looked at before it is committed; a
// missing one fails).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <string>

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

}  // namespace
