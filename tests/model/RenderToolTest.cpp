// The score tools end to end: the staff gallery built by zelscript and drawn by zelrender at
// zooms 100 and 200, and right-aligned labels at 100, against reference pictures
// (ZEL_UPDATE_REFERENCES=1 writes them anew), the gallery's PDF, and a damaged file refused
// with the reader's error; the tools' help.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "framework/Gdi.h"
#include "support/TempHome.h"
#include "support/RunTool.h"
#include "support/TestData.h"
#include "support/PictureCompare.h"

using testsupport::RunTool;

namespace {

// How many times each text (a music-font code is a text of one character) was drawn, from a
// zelrender --ops log: lines `TextOut X Y "TEXT" align A`.
std::map<std::string, int> TextsDrawn(const std::string& opsPath) {
    std::map<std::string, int> counts;
    std::ifstream in(opsPath, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("TextOut ", 0) != 0) continue;
        const std::size_t open = line.find('"'), close = line.rfind("\" align");
        if (open == std::string::npos || close == std::string::npos || close <= open) continue;
        ++counts[line.substr(open + 1, close - open - 1)];
    }
    return counts;
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
        const std::string ops = dir.path() + "/" + name + ".ops";
        ASSERT_EQ(RunTool("zelrender", zel + " --page 1 " + png + " --zoom " + std::to_string(p.zoom) + " --ops " + ops, &out), 0)
            << out;
        EXPECT_NE(out.find("page 1: 4 systems"), std::string::npos) << out;
        CBitmap picture;
        ASSERT_TRUE(picture.LoadFile(png));
        testsupport::ExpectPictureMatches(picture, testsupport::TestDataPath("model/staves/" + name));
        if (std::string(p.script) != "gallery") continue;
        // What the page must show, at either zoom, by its drawing calls: the title, the clefs of
        // the systems' starts and the key signatures' signs, counted by music-font code.
        const std::map<std::string, int> texts = TextsDrawn(ops);
        const struct {
            const char* text;
            int count;
            const char* what;
        } must[] = {
            {"Staff gallery", 1, "the page title"},
            {"Page 1", 1, "the footer"},
            {"\x80", 6, "treble clefs (Violin on systems 1, 3, 4; Voices on 4; the changes in bars 7 and 11)"},
            {"\x81", 6, "bass clefs (Voices on 2; Guitar on 2, 3, 4; the changes of Voices and Guitar in bar 3)"},
            {"\x82", 4, "alto clefs (Vl. on 2; Vc. on 3; the changes in bars 3 and 7)"},
            {"!", 45, "sharps of the key signatures and courtesies"},
            {"\"", 43, "flats of the key signatures and courtesies"},
            {"#", 6, "cancelling naturals"},
            {"Violin", 1, "first system's label"},
            {"Vl.", 3, "later systems' labels"},
        };
        for (const auto& m : must) {
            const auto it = texts.find(m.text);
            EXPECT_EQ(it == texts.end() ? 0 : it->second, m.count) << m.what << " at zoom " << p.zoom;
        }
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

namespace {

std::vector<std::uint8_t> FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The font table of a score file: each entry's name and the index it is stored under.
std::map<std::string, int> FontTableOf(const std::vector<std::uint8_t>& bytes) {
    std::map<std::string, int> table;
    const std::string tag = "FNTS";
    const auto at = std::search(bytes.begin(), bytes.end(), tag.begin(), tag.end());
    if (at == bytes.end()) return table;
    const std::size_t start = std::size_t(at - bytes.begin()) + 8;  // past the tag and the length
    const int count = bytes[start] << 8 | bytes[start + 1];
    for (int k = 0; k < count; ++k) {
        const std::size_t e = start + 2 + std::size_t(k) * 34;
        if (e + 34 > bytes.size()) break;
        std::string name(reinterpret_cast<const char*>(&bytes[e + 2]), 32);
        name.resize(name.find('\0') == std::string::npos ? 32 : name.find('\0'));
        table[name] = bytes[e] << 8 | bytes[e + 1];
    }
    return table;
}

}  // namespace

// A score made on one machine and saved unchanged on another, whose installed-font list differs
// (here: without one of the families, so the faces after it move up the list), keeps its faces
// by name: the second machine stores them under its own indices, and the first machine reads
// that file back to the very bytes it made.
TEST(RenderToolTest, AFileSavedUnderAnotherFontListKeepsItsFacesByName) {
    if (!std::getenv("ZEL_BUILD_DIR") || !std::getenv("FONTCONFIG_FILE"))
        GTEST_SKIP() << "ZEL_BUILD_DIR names the tools' folder, FONTCONFIG_FILE the tests' fonts";
    const std::string pinnedConf = std::getenv("FONTCONFIG_FILE");
    const std::string pinnedFonts = std::string(std::getenv("ZEL_BUILD_DIR")) + "/test-fonts";
    testsupport::TempDir dir;
    // The other machine's fonts: the pinned set without DejaVu Sans Mono.
    const std::string otherFonts = dir.path() + "/fonts";
    std::filesystem::create_directories(otherFonts);
    int linked = 0;
    for (const auto& f : std::filesystem::directory_iterator(pinnedFonts)) {
        const std::string name = f.path().filename().string();
        if (name.rfind("DejaVuSansMono", 0) == 0) continue;
        std::filesystem::create_symlink(std::filesystem::canonical(f.path()), otherFonts + "/" + name);
        ++linked;
    }
    ASSERT_GE(linked, 3);
    const std::string otherConf = dir.path() + "/fonts.conf";
    std::ofstream(otherConf) << "<?xml version=\"1.0\"?>\n<fontconfig>\n  <dir>" << otherFonts << "</dir>\n  <cachedir>"
                             << dir.path() << "/cache</cachedir>\n</fontconfig>\n";

    const std::string made = testsupport::TestDataPath("edit/mixed.zel");
    const std::string there = dir.path() + "/there.zel", back = dir.path() + "/back.zel";
    std::ofstream(dir.path() + "/there.zs") << "open " << made << "\nsave " << there << "\n";
    std::ofstream(dir.path() + "/back.zs") << "open " << there << "\nsave " << back << "\n";
    std::string out;
    ASSERT_EQ(RunTool("zelscript", dir.path() + "/there.zs", &out, "", "FONTCONFIG_FILE=" + otherConf), 0) << out;
    ASSERT_EQ(RunTool("zelscript", dir.path() + "/back.zs", &out, "", "FONTCONFIG_FILE=" + pinnedConf), 0) << out;

    const auto madeBytes = FileBytes(made), thereBytes = FileBytes(there), backBytes = FileBytes(back);
    const auto madeTable = FontTableOf(madeBytes), thereTable = FontTableOf(thereBytes);
    ASSERT_EQ(madeTable.size(), 4u);
    // The same faces, under the other list's indices (each face after the missing family one less).
    std::map<std::string, int> wantThere;
    for (const auto& [name, index] : madeTable) wantThere[name] = name > "DejaVu Sans Mono" ? index - 1 : index;
    EXPECT_EQ(thereTable, wantThere);
    EXPECT_NE(thereBytes, madeBytes);
    EXPECT_TRUE(backBytes == madeBytes) << "the file came back with other bytes";
}
