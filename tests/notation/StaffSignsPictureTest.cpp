// The signs gallery through the program's own tools: the script makes clef and key changes,
// octave lines and bar numbers through their creation paths, the renderer draws page 1 at two
// zooms and as PDF, and the pictures match their references (checked by eye when made).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>

#include "framework/Gdi.h"
#include "support/TempHome.h"
#include "support/RunTool.h"
#include "support/PictureCompare.h"
#include "support/TestData.h"

using testsupport::RunTool;

TEST(StaffSignsPicture, TheSignsGalleryMatchesItsPicturesAndPrints) {
    if (!std::getenv("ZEL_BUILD_DIR")) GTEST_SKIP() << "ZEL_BUILD_DIR names the tools' folder";
    fw::EnsureGraphics();
    testsupport::TempDir dir;
    const std::string zel = dir.path() + "/signs.zel";
    std::string out;
    ASSERT_EQ(RunTool("zelscript", testsupport::TestDataPath("notation/signs/gallery.zs") + " -o " + zel, &out), 0) << out;
    for (const int zoom : {100, 200}) {
        const std::string name = "signs" + std::to_string(zoom) + ".png";
        const std::string png = dir.path() + "/" + name;
        out.clear();
        ASSERT_EQ(RunTool("zelrender", zel + " --page 1 " + png + " --zoom " + std::to_string(zoom), &out), 0) << out;
        EXPECT_NE(out.find("page 1: 4 systems"), std::string::npos) << out;
        const std::string ref = testsupport::TestDataPath("notation/signs/" + name);
        CBitmap picture;
        ASSERT_TRUE(picture.LoadFile(png));
        testsupport::ExpectPictureMatches(picture, ref);
    }
    out.clear();
    ASSERT_EQ(RunTool("zelrender", zel + " --pdf " + dir.path() + "/s.pdf", &out), 0) << out;
    EXPECT_GT(std::filesystem::file_size(dir.path() + "/s.pdf"), 1000u);
}
