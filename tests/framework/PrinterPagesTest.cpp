// Printer pages written into PDF files: what a page holds is what was drawn on it, however
// many pens, brushes and origins were chosen on the way; music signs are text of the music
// font, which the installed faces never show.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "framework/DC.h"
#include "framework/Fonts.h"
#include "framework/Gdi.h"
#include "framework/MusicFont.h"
#include "support/TempHome.h"

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// How many fonts the file embeds whose name ends in family.
int EmbeddedFonts(const std::string& bytes, const std::string& family) {
    int n = 0;
    for (std::size_t at = bytes.find("/FontName /"); at != std::string::npos; at = bytes.find("/FontName /", at + 1)) {
        const std::size_t end = bytes.find_first_of("\r\n /", at + 11);
        const std::string name = bytes.substr(at + 11, end - at - 11);
        if (name.size() >= family.size() && name.compare(name.size() - family.size(), family.size(), family) == 0) ++n;
    }
    return n;
}

}  // namespace

// A page with a line and a word, once plainly and once after hundreds of pen, brush and origin
// selections and calls that draw nothing (a rectangle with neither pen nor brush, lines of no
// length, empty texts): both files are the same size, since nothing of the idle calls is written.
TEST(PrinterPages, SelectionsAndCallsThatDrawNothingWriteNothing) {
    fw::EnsureGraphics();
    testsupport::TempDir dir;
    const auto print = [&](const std::string& name, bool idle) {
        const std::string path = dir.path() + "/" + name;
        CPrinterDC pdc;
        EXPECT_TRUE(pdc.CreatePdf(path, 600));
        EXPECT_TRUE(pdc.StartDoc("page"));
        EXPECT_TRUE(pdc.StartPage());
        CPen thick(PS_SOLID, 8, RGB(0, 0, 0)), red(PS_SOLID, 3, RGB(200, 0, 0));
        CBrush blue(RGB(0, 0, 200));
        if (idle) {
            for (int i = 0; i < 300; ++i) {
                pdc.SelectObject(i % 2 ? &thick : &red);
                pdc.SelectObject(&blue);
                pdc.SelectStockObject(NULL_PEN);
                pdc.SelectStockObject(NULL_BRUSH);
                pdc.Rectangle(10, 10, 400, 400);
                pdc.SelectObject(&red);
                pdc.MoveTo(50, 50 + i);
                pdc.LineTo(50, 50 + i);
                pdc.TextOut(20, 20 + i, "", 0);
                pdc.SetWindowOrg(i, 2 * i);
                pdc.SetWindowOrg(0, 0);
            }
        }
        pdc.SelectObject(&thick);
        pdc.MoveTo(100, 100);
        pdc.LineTo(2000, 1000);
        pdc.TextOut(100, 300, "Page", 4);
        EXPECT_TRUE(pdc.EndPage());
        EXPECT_TRUE(pdc.EndDoc());
        return std::filesystem::file_size(path);
    };
    EXPECT_EQ(print("idle.pdf", true), print("plain.pdf", false));
}

// Music signs of many codes, at two sizes, stretched, turned and cut (the brace's halves), on
// two pages: the music font is embedded once, and the installed faces still do not show it.
TEST(PrinterPages, MusicSignsAreTextOfTheMusicFontEmbeddedOnce) {
    fw::EnsureGraphics();
    ASSERT_TRUE(fw::MusicFontAvailable());
    testsupport::TempDir dir;
    const std::string path = dir.path() + "/signs.pdf";
    {
        CPrinterDC pdc;
        ASSERT_TRUE(pdc.CreatePdf(path, 600));
        ASSERT_TRUE(pdc.StartDoc("signs"));
        for (int page = 0; page < 2; ++page) {
            ASSERT_TRUE(pdc.StartPage());
            for (int size = 0; size < 3; ++size) {
                LOGFONT lf{};
                lf.lfHeight = -(100 + 60 * size);
                lf.lfWidth = size == 2 ? 60 : 0;
                std::strcpy(lf.lfFaceName, fw::kMusicFaceName);
                CFont music;
                music.CreateFontIndirect(lf);
                pdc.SelectObject(&music);
                for (int code = 33; code < 256; ++code) {
                    const char c = char(code);
                    pdc.TextOut(100 + (code % 16) * 280, 200 + (code / 16) * 300 + size * 40, &c, 1);
                }
            }
            ASSERT_TRUE(pdc.EndPage());
        }
        ASSERT_TRUE(pdc.EndDoc());
    }
    const std::string bytes = ReadAll(path);
    EXPECT_EQ(EmbeddedFonts(bytes, "Bravura"), 1);
    // Outlines of 1,300 signs made several hundred kB.
    EXPECT_LT(bytes.size(), 120000u);
    for (const fw::FontFaceInfo& face : fw::EnumFontFamilies(nullptr)) EXPECT_NE(face.name, "Bravura");
    EXPECT_TRUE(fw::EnumFontFamilies("Bravura").empty());
    EXPECT_EQ(fw::ResolvedFamily("Bravura"), "DejaVu Sans");
}
