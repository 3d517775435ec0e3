// The score tools end to end: the staff gallery built by zelscript and drawn by zelrender at
// zooms 100 and 200, and right-aligned labels at 100, against reference pictures
// (ZEL_UPDATE_REFERENCES=1 writes them anew), the gallery's PDF, and a damaged file refused
// with the reader's error; the tools' help.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "framework/Gdi.h"
#include "support/TempHome.h"
#include "support/TestData.h"

namespace {

// Runs a tool of the build folder (in the folder `in` when given) with its output and errors in *out.
int RunTool(const std::string& tool, const std::string& args, std::string* out, const std::string& in = "") {
    const char* build = std::getenv("ZEL_BUILD_DIR");
    if (!build) return -1;
    const std::string cd = in.empty() ? "" : "cd '" + in + "' && ";
    FILE* p = popen((cd + std::string(build) + "/" + tool + " " + args + " 2>&1").c_str(), "r");
    if (!p) return -1;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, p)) *out += buffer;
    const int status = pclose(p);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

TEST(RenderToolTest, TheStaffGalleryMatchesItsPicturesAndPrints) {
    if (!std::getenv("ZEL_BUILD_DIR")) GTEST_SKIP() << "ZEL_BUILD_DIR names the tools' folder";
    fw::EnsureGraphics();
    testsupport::TempDir dir;
    // The gallery (centred labels) at two zooms; right-aligned labels in a score of their own,
    // since the alignment is the whole score's.
    const struct {
        const char* script;
        int zoom;
    } pictures[] = {{"gallery", 100}, {"gallery", 200}, {"labels", 100}};
    std::string out;
    for (const auto& p : pictures) {
        const std::string zel = dir.path() + "/" + p.script + ".zel";
        out.clear();
        const std::string script = testsupport::TestDataPath(std::string("model/staves/") + p.script + ".zs");
        ASSERT_EQ(RunTool("zelscript", script + " -o " + zel, &out), 0) << out;
        const std::string name = p.script + std::to_string(p.zoom) + ".png";
        const std::string png = dir.path() + "/" + name;
        out.clear();
        ASSERT_EQ(RunTool("zelrender", zel + " --page 1 " + png + " --zoom " + std::to_string(p.zoom), &out), 0) << out;
        EXPECT_NE(out.find("page 1: 4 systems"), std::string::npos) << out;
        const std::string ref = testsupport::TestDataPath("model/staves/" + name);
        if (std::getenv("ZEL_UPDATE_REFERENCES") || !std::filesystem::exists(ref)) {
            std::filesystem::copy_file(png, ref, std::filesystem::copy_options::overwrite_existing);
            continue;
        }
        CBitmap picture, reference;
        ASSERT_TRUE(picture.LoadFile(png));
        ASSERT_TRUE(reference.LoadFile(ref));
        const SIZE size = reference.GetSize();
        EXPECT_LE(picture.CountDifferences(reference, 96), long(size.cx) * size.cy / 300) << name;
    }
    const std::string zel = dir.path() + "/gallery.zel";
    out.clear();
    ASSERT_EQ(RunTool("zelrender", zel + " --pdf " + dir.path() + "/g.pdf", &out), 0) << out;
    EXPECT_GT(std::filesystem::file_size(dir.path() + "/g.pdf"), 1000u);
    // The sheets are the score's paper: the size its file records (points, big-endian, after the
    // page's printable rectangle in the header).
    {
        std::ifstream zin(zel, std::ios::binary), pin(dir.path() + "/g.pdf", std::ios::binary);
        const std::string zbytes((std::istreambuf_iterator<char>(zin)), std::istreambuf_iterator<char>());
        const std::string pdf((std::istreambuf_iterator<char>(pin)), std::istreambuf_iterator<char>());
        ASSERT_GT(zbytes.size(), 78u);
        auto word = [&zbytes](std::size_t at) {
            return int(std::uint32_t(std::uint8_t(zbytes[at])) << 24 | std::uint32_t(std::uint8_t(zbytes[at + 1])) << 16 |
                       std::uint32_t(std::uint8_t(zbytes[at + 2])) << 8 | std::uint8_t(zbytes[at + 3]));
        };
        const int paperW = word(70), paperH = word(74);
        const std::size_t box = pdf.find("/MediaBox [0 0 ");
        ASSERT_NE(box, std::string::npos);
        double w = 0, h = 0;
        ASSERT_EQ(std::sscanf(pdf.c_str() + box, "/MediaBox [0 0 %lf %lf", &w, &h), 2);
        EXPECT_NEAR(w, paperW, 1.0);
        EXPECT_NEAR(h, paperH, 1.0);
    }
    // A damaged file: the reader's error and a non-zero exit.
    {
        std::ifstream in(zel, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::ofstream cut(dir.path() + "/cut.zel", std::ios::binary);
        cut.write(bytes.data(), std::streamsize(bytes.size() / 3));
    }
    out.clear();
    EXPECT_NE(RunTool("zelrender", dir.path() + "/cut.zel --page 1 " + dir.path() + "/x.png", &out), 0);
    EXPECT_NE(out.find("zelrender: "), std::string::npos) << out;
}

// The tools answer --help with their usage; glyphsheet never takes an option for its folder, and
// dlgshot names the dialog templates it can draw.
TEST(RenderToolTest, ToolsAnswerHelpWithTheirUsage) {
    if (!std::getenv("ZEL_BUILD_DIR")) GTEST_SKIP() << "ZEL_BUILD_DIR names the tools' folder";
    testsupport::TempDir dir;
    std::string out;
    ASSERT_EQ(RunTool("glyphsheet", "--help", &out, dir.path()), 0) << out;
    EXPECT_NE(out.find("usage: glyphsheet"), std::string::npos) << out;
    EXPECT_FALSE(std::filesystem::exists(dir.path() + "/--help")) << "no folder named after the option";
    out.clear();
    EXPECT_EQ(RunTool("glyphsheet", "--bogus", &out, dir.path()), 2) << out;
    EXPECT_FALSE(std::filesystem::exists(dir.path() + "/--bogus"));
    out.clear();
    ASSERT_EQ(RunTool("dlgshot", "--help", &out, dir.path()), 0) << out;
    EXPECT_NE(out.find("usage: dlgshot ID OUT.png"), std::string::npos) << out;
    EXPECT_NE(out.find("  305  New score."), std::string::npos) << out;
    EXPECT_NE(out.find("  217  Engraving settings."), std::string::npos) << out;
}
