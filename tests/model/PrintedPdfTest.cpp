// Printed PDF files as a reader sees them: each page of the glyph sheet (every music-font code
// and the drawing shapes through the printing artist) and of a printed score, drawn by pdftoppm,
// against reference pictures; the score's title, texts and lyrics found again in the file's
// text; the music font embedded once. The pictures need poppler's pdftoppm and pdftotext (the
// set-up installs them); without them those tests report themselves skipped.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "framework/Gdi.h"
#include "support/PictureCompare.h"
#include "support/RunTool.h"
#include "support/TempHome.h"
#include "support/TestData.h"

using testsupport::RunTool;

namespace {

// A shell command's exit status (-1 when it did not exit by itself), its output and errors
// appended to out.
int Shell(const std::string& command, std::string* out) {
    FILE* p = popen((command + " 2>&1").c_str(), "r");
    if (!p) return -1;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, p)) *out += buffer;
    const int status = pclose(p);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool Installed(const char* tool) {
    std::string out;
    return Shell(std::string("command -v ") + tool, &out) == 0;
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The pictures pdftoppm draws of every page at 400 dpi, in page order.
std::vector<std::string> PagePictures(const std::string& pdf, const std::string& dir, const std::string& stem) {
    std::string out;
    EXPECT_EQ(Shell("pdftoppm -r 400 -png '" + pdf + "' '" + dir + "/" + stem + "'", &out), 0) << out;
    std::vector<std::string> pages;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(stem + "-", 0) == 0 && entry.path().extension() == ".png") pages.push_back(entry.path().string());
    }
    // pdftoppm numbers pages with as many digits as the last one has.
    std::sort(pages.begin(), pages.end());
    return pages;
}

// The picture at a quarter of its resolution, each pixel the mean of its 4 x 4 square. A reader
// puts a glyph of a font on whole pixels where it fills an outline exactly, so a sign moves by up
// to a pixel of its resolution; drawn at 400 dpi and reduced to 100, that is a quarter pixel, and
// what stays is where the sign is and what it looks like.
void Reduce(const CBitmap& big, CBitmap& small) {
    constexpr int k = 4;
    const SIZE size = big.GetSize();
    ASSERT_TRUE(small.CreateBitmap(size.cx / k, size.cy / k));
    for (int y = 0; y < size.cy / k; ++y)
        for (int x = 0; x < size.cx / k; ++x) {
            int r = 0, g = 0, b = 0;
            for (int j = 0; j < k; ++j)
                for (int i = 0; i < k; ++i) {
                    const COLORREF c = big.GetPixel(x * k + i, y * k + j);
                    r += GetRValue(c);
                    g += GetGValue(c);
                    b += GetBValue(c);
                }
            small.SetPixel(x, y, RGB((r + 8) / 16, (g + 8) / 16, (b + 8) / 16));
        }
}

// The printed files of the test: the glyph sheet and the score of tests/data/model/print.
struct Printed {
    testsupport::TempDir dir;
    std::string sheet, score;

    bool Make() {
        std::string out;
        const int glyphs = RunTool("glyphsheet", dir.path() + "/sheet", &out);
        EXPECT_EQ(glyphs, 0) << out;
        sheet = dir.path() + "/sheet/sheet.pdf";
        const std::string zel = dir.path() + "/words.zel";
        out.clear();
        const int script = RunTool("zelscript", testsupport::TestDataPath("model/print/words.zs") + " -o " + zel, &out);
        EXPECT_EQ(script, 0) << out;
        score = dir.path() + "/words.pdf";
        out.clear();
        const int render = RunTool("zelrender", zel + " --pdf " + score, &out);
        EXPECT_EQ(render, 0) << out;
        EXPECT_NE(out.find(": 2 pages"), std::string::npos) << out;
        return glyphs == 0 && script == 0 && render == 0;
    }
};

}  // namespace

// Each page as pdftoppm draws it, at 100 dpi from a drawing at 400: a music sign drawn as text
// of the embedded font shows as its outline did, in its place and size (turned, stretched and
// cut glyphs too).
TEST(PrintedPdf, EveryPageShowsWhatItsPictureShows) {
    if (!std::getenv("ZEL_BUILD_DIR")) GTEST_SKIP() << "ZEL_BUILD_DIR names the tools' folder";
    if (!Installed("pdftoppm")) GTEST_SKIP() << "pdftoppm (poppler-utils) is not installed";
    fw::EnsureGraphics();
    Printed printed;
    ASSERT_TRUE(printed.Make());
    const struct {
        std::string pdf;
        const char* stem;
        std::size_t pages;
    } files[] = {{printed.sheet, "sheet", 3}, {printed.score, "words", 2}};
    for (const auto& f : files) {
        const std::vector<std::string> pages = PagePictures(f.pdf, printed.dir.path(), f.stem);
        ASSERT_EQ(pages.size(), f.pages) << f.stem;
        for (std::size_t i = 0; i < pages.size(); ++i) {
            CBitmap drawn, picture;
            ASSERT_TRUE(drawn.LoadFile(pages[i])) << pages[i];
            Reduce(drawn, picture);
            const std::string name = std::string(f.stem) + "-" + std::to_string(i + 1) + ".png";
            SCOPED_TRACE(name);
            testsupport::ExpectPictureMatches(picture, testsupport::TestDataPath("model/print/" + name));
        }
    }
}

// The words of a printed score stay text a reader finds: the title, the footer, staff texts in
// Latin letters and in Chinese, and the lyric syllables.
TEST(PrintedPdf, TitlesTextsAndLyricsAreFoundInTheFilesText) {
    if (!std::getenv("ZEL_BUILD_DIR")) GTEST_SKIP() << "ZEL_BUILD_DIR names the tools' folder";
    if (!Installed("pdftotext")) GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    Printed printed;
    ASSERT_TRUE(printed.Make());
    std::string text;
    ASSERT_EQ(Shell("pdftotext -enc UTF-8 '" + printed.score + "' -", &text), 0) << text;
    for (const char* word : {"Ode to Joy", "Page 1", "dolce", "欢乐颂", "Freu", "schoe", "Goet", "ken"})
        EXPECT_NE(text.find(word), std::string::npos) << word << " in:\n" << text;
}

// The music font is embedded once however many signs, sizes and pages use it, and every sign is
// a reference to one of its glyphs: the sheet of every code stays small.
TEST(PrintedPdf, TheMusicFontIsEmbeddedOnce) {
    if (!std::getenv("ZEL_BUILD_DIR")) GTEST_SKIP() << "ZEL_BUILD_DIR names the tools' folder";
    Printed printed;
    ASSERT_TRUE(printed.Make());
    for (const std::string& pdf : {printed.sheet, printed.score}) {
        const std::string bytes = ReadAll(pdf);
        // Each embedded font has one descriptor, named by a subset tag and the family.
        int music = 0;
        for (std::size_t at = bytes.find("/FontName /"); at != std::string::npos; at = bytes.find("/FontName /", at + 1)) {
            const std::size_t end = bytes.find_first_of("\r\n /", at + 11);
            const std::string name = bytes.substr(at + 11, end - at - 11);
            if (name.size() > 7 && name.compare(name.size() - 7, 7, "Bravura") == 0) ++music;
        }
        EXPECT_EQ(music, 1) << pdf;
    }
    // Every code over two pages, turned, stretched and cut, and the shapes: as outlines, 277 kB.
    EXPECT_LT(std::filesystem::file_size(printed.sheet), 150000u);
}
