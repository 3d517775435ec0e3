// The gallery of the marks that shape playback end to end: built by zelscript through the
// marks' creation paths and drawn by zelrender at zoom 100 and 200 and in the MIDI data view of
// velocities, against reference pictures (ZEL_UPDATE_REFERENCES=1 writes them anew; a missing
// one fails), and printed to PDF, the printed drawing calls checked for the marks that do not print.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "framework/Gdi.h"
#include "support/RunTool.h"
#include "support/TempHome.h"
#include "support/PictureCompare.h"
#include "support/TestData.h"

using testsupport::RunTool;

namespace {

std::string ReadText(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace

TEST(MarksPictureTest, TheGalleryMatchesItsPicturesAndPrints) {
    if (!std::getenv("ZEL_BUILD_DIR")) GTEST_SKIP() << "ZEL_BUILD_DIR names the tools' folder";
    fw::EnsureGraphics();
    testsupport::TempDir dir;
    const std::string zel = dir.path() + "/gallery.zel";
    std::string out;
    ASSERT_EQ(RunTool("zelscript", testsupport::TestDataPath("notation/marks/gallery.zs") + " -o " + zel, &out), 0) << out;
    struct Picture {
        const char* name;
        const char* options;
    } pictures[] = {
        {"gallery100.png", " --zoom 100"},
        {"gallery200.png", " --zoom 200"},
        {"data100.png", " --zoom 100 --data 2"},
    };
    for (const Picture& p : pictures) {
        const std::string png = dir.path() + "/" + p.name;
        out.clear();
        ASSERT_EQ(RunTool("zelrender", zel + " --page 1 " + png + p.options, &out), 0) << out;
        const std::string ref = testsupport::TestDataPath(std::string("notation/marks/") + p.name);
        CBitmap picture;
        ASSERT_TRUE(picture.LoadFile(png));
        testsupport::ExpectPictureMatches(picture, ref);
    }
    // The expression not marked printed ("Expr", the kind's name) shows on the page but is not
    // among the calls the printing artist sends into the PDF; the printed "dolce" is.
    const auto texts = [&](const std::string& log) {
        std::vector<std::string> found;
        std::istringstream in(ReadText(log));
        for (std::string line; std::getline(in, line);)
            for (const char* word : {"\"Expr\"", "\"dolce\""})
                if (line.rfind("TextOut ", 0) == 0 && line.find(word) != std::string::npos) found.push_back(word);
        return found;
    };
    out.clear();
    ASSERT_EQ(RunTool("zelrender", zel + " --page 1 " + dir.path() + "/s.png --ops " + dir.path() + "/screen.log", &out), 0) << out;
    EXPECT_EQ(texts(dir.path() + "/screen.log"), (std::vector<std::string>{"\"dolce\"", "\"Expr\""}));
    out.clear();
    ASSERT_EQ(RunTool("zelrender", zel + " --pdf " + dir.path() + "/g.pdf --ops " + dir.path() + "/print.log", &out), 0) << out;
    EXPECT_GT(std::filesystem::file_size(dir.path() + "/g.pdf"), 1000u);
    EXPECT_EQ(texts(dir.path() + "/print.log"), std::vector<std::string>{"\"dolce\""});
}

// Each kind of mark left out of the gallery makes its picture differ from the reference by more
// than the comparison allows: the picture test fails when a mark is not drawn.
TEST(MarksPictureTest, AMissingMarkFailsTheComparison) {
    if (!std::getenv("ZEL_BUILD_DIR")) GTEST_SKIP() << "ZEL_BUILD_DIR names the tools' folder";
    if (std::getenv("ZEL_UPDATE_REFERENCES")) GTEST_SKIP() << "the references are being written";
    fw::EnsureGraphics();
    testsupport::TempDir dir;
    const std::string gallery = ReadText(testsupport::TestDataPath("notation/marks/gallery.zs"));
    CBitmap reference;
    ASSERT_TRUE(reference.LoadFile(testsupport::TestDataPath("notation/marks/gallery200.png")));
    const char* lines[] = {
        "dynamic 0 1 512 3\n",                    // "p"
        "hairpin 1 0 0 0 900 open=90\n",          // a crescendo wedge
        "hairpin 1 3 0 1 500 text start=2\n",     // the text form
        "expr 1 1 400 dolce printed\n",           // an expression
        "expr 1 6 512 molto style=6 end=960 printed\n",
        "jumper 0 0\n",                           // the segno
        "jumper 2 2\n",                           // "To Coda"
        "ending 6 1\n",                           // the first ending
    };
    for (const char* line : lines) {
        std::string script = gallery;
        const std::size_t at = script.find(line);
        ASSERT_NE(at, std::string::npos) << line;
        script.erase(at, std::string(line).size());
        const std::string zs = dir.path() + "/less.zs", zel = dir.path() + "/less.zel", png = dir.path() + "/less.png";
        std::ofstream(zs) << script;
        std::string out;
        ASSERT_EQ(RunTool("zelscript", zs + " -o " + zel, &out), 0) << out;
        ASSERT_EQ(RunTool("zelrender", zel + " --page 1 " + png + " --zoom 200", &out), 0) << out;
        CBitmap picture;
        ASSERT_TRUE(picture.LoadFile(png));
        EXPECT_FALSE(testsupport::ComparePictures(picture, reference).Within({})) << "without " << line;
    }
}

// An ending over eight bars from the second-last bar of the first page: the first page draws its
// two bars' pieces with the text, the second page the other six pieces, four on its first system
// and two on its second, each once and without the text again.
TEST(MarksPictureTest, AnEndingRunningOntoTheNextPageIsDrawnThere) {
    if (!std::getenv("ZEL_BUILD_DIR")) GTEST_SKIP() << "ZEL_BUILD_DIR names the tools' folder";
    testsupport::TempDir dir;
    const std::string zs = dir.path() + "/ending.zs", zel = dir.path() + "/ending.zel";
    std::ofstream(zs) << "open " << testsupport::TestDataPath("view/eight-pages.zel") << "\nending 18 8\n";
    std::string out;
    ASSERT_EQ(RunTool("zelscript", zs + " -o " + zel, &out), 0) << out;
    struct Page {
        int number;
        std::vector<int> pieces;  // the ending's pieces on each system it reaches, top first
        bool text;
    } pages[] = {{1, {2}, true}, {2, {4, 2}, false}};
    for (const Page& p : pages) {
        const std::string log = dir.path() + "/ops" + std::to_string(p.number) + ".log";
        out.clear();
        ASSERT_EQ(RunTool("zelrender", zel + " --page " + std::to_string(p.number) + " " + dir.path() + "/p.png --ops " + log, &out), 0) << out;
        std::istringstream in(ReadText(log));
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        // Horizontal lines shorter than the staff lines, counted by height.
        std::map<int, int> byY;
        int staffLeft = -1, staffRight = -1;
        for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
            int x1, y1, x2, y2;
            if (std::sscanf(lines[i].c_str(), "MoveTo %d %d", &x1, &y1) != 2 ||
                std::sscanf(lines[i + 1].c_str(), "LineTo %d %d", &x2, &y2) != 2 || y1 != y2)
                continue;
            if (staffLeft < 0) staffLeft = x1, staffRight = x2;  // the page's first line is a staff line
            if (x1 != staffLeft || x2 != staffRight) ++byY[y1];
        }
        std::vector<int> pieces;
        for (const auto& [y, n] : byY) pieces.push_back(n);
        EXPECT_EQ(pieces, p.pieces) << "page " << p.number;
        bool text = false;
        for (const std::string& line : lines) text = text || line.find("\"1.\"") != std::string::npos;
        EXPECT_EQ(text, p.text) << "page " << p.number;
    }
}
