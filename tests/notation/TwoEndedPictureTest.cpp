// The two-ended gallery end to end: built by zelscript through the ties', slurs' and tuplets'
// creation paths and drawn by zelrender at zoom 100 and 200, against reference pictures
// (ZEL_UPDATE_REFERENCES=1 writes them anew; a missing one fails), and printed to PDF.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "framework/Gdi.h"
#include "support/TempHome.h"
#include "support/RunTool.h"
#include "support/PictureCompare.h"
#include "support/TestData.h"

using testsupport::RunTool;

TEST(TwoEndedPictureTest, TheGalleryMatchesItsPicturesAndPrints) {
    if (!std::getenv("ZEL_BUILD_DIR")) GTEST_SKIP() << "ZEL_BUILD_DIR names the tools' folder";
    fw::EnsureGraphics();
    testsupport::TempDir dir;
    const std::string zel = dir.path() + "/gallery.zel";
    std::string out;
    ASSERT_EQ(RunTool("zelscript", testsupport::TestDataPath("notation/twoended/gallery.zs") + " -o " + zel, &out), 0) << out;
    for (int zoom : {100, 200}) {
        const std::string name = "gallery" + std::to_string(zoom) + ".png";
        const std::string png = dir.path() + "/" + name;
        out.clear();
        ASSERT_EQ(RunTool("zelrender", zel + " --page 1 " + png + " --zoom " + std::to_string(zoom), &out), 0) << out;
        const std::string ref = testsupport::TestDataPath("notation/twoended/" + name);
        CBitmap picture;
        ASSERT_TRUE(picture.LoadFile(png));
        testsupport::ExpectPictureMatches(picture, ref);
    }
    out.clear();
    ASSERT_EQ(RunTool("zelrender", zel + " --pdf " + dir.path() + "/g.pdf", &out), 0) << out;
    EXPECT_GT(std::filesystem::file_size(dir.path() + "/g.pdf"), 1000u);
}
