// Reading a user library file: the tag must be the library's own, any version reads as the
// library's, the font block is optional, and a file that fails leaves the entries as they were.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "framework/CodePage.h"
#include "framework/Globals.h"
#include "framework/MessageBox.h"
#include "platform/DrawGlobals.h"
#include "platform/FileNames.h"
#include "platform/FontLib.h"
#include "platform/Port.h"
#include "support/TempHome.h"

namespace {

// A symbol-map file: tag, version, `slots` entries of which slot 65 maps to 'B', then (when
// asked) a font table of one entry naming installed face 3 under index 3.
std::vector<std::uint8_t> MapFile(const char* tag, int version, int slots, bool fontBlock, std::size_t cut = 0) {
    std::vector<std::uint8_t> b(tag, tag + 4);
    const auto le16 = [&](int v) {
        b.push_back(std::uint8_t(v));
        b.push_back(std::uint8_t(v >> 8));
    };
    le16(version);
    b.insert(b.end(), {'A', 'R', 'R', 'Y'});
    le16(10), le16(slots), le16(10 * slots), le16(0);
    for (int i = 0; i < slots; ++i) {
        b.insert(b.end(), {std::uint8_t(i == 'A'), 0});
        le16(i == 'A' ? 'B' : 0), le16(3), le16(0), le16(0);
    }
    if (fontBlock) {
        b.insert(b.end(), {'F', 'N', 'T', 'S'});
        le16(34), le16(1), le16(34), le16(0);
        le16(3);
        char name[32] = {};
        std::strncpy(name, GetFontList()->GetFaceName(3), 31);
        b.insert(b.end(), name, name + 32);
    }
    if (cut) b.resize(b.size() - cut);
    return b;
}

TEST(LibraryFile, OnlyAWholeFileOfTheLibrarysOwnKindIsTaken) {
    fw::ResetAllGlobals();
    InitDrawing();
    testsupport::TempDir dir;
    const std::string path = dir.path() + "/map.lib";
    struct Row {
        std::vector<std::uint8_t> bytes;
        bool loaded;
        bool keptTable;  // the library already holds a table naming face 3
        const char* why;
    } rows[] = {
        {MapFile("FMAP", 16, 256, true), true, false, "a map with its font table"},
        {MapFile("FMAP", 17, 256, true), true, false, "another version reads alike"},
        {MapFile("FMAP", 16, 256, false), true, true, "ending after its entries: the table it had maps the faces"},
        {MapFile("ZATL", 16, 256, true), false, false, "a spacing library"},
        {MapFile("FMAP", 16, 200, true), false, false, "not a whole map"},
        {MapFile("FMAP", 16, 256, true, 34 + 12 + 2000), false, false, "cut inside its entries"},
    };
    for (Row& r : rows) {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fwrite(r.bytes.data(), 1, r.bytes.size(), f);
        std::fclose(f);
        CFontLib library;
        if (r.keptTable) {
            fw::ScopedGlobal<bool> saving(g_draw.fontsForSave, true);
            FontRef ref{3, 12, 0, 0};
            library.GetFontTable()->ResolveFont(&ref);
        }
        FileSpec record;
        fw::CopyText(record.path, sizeof record.path, fw::FromUtf8(path));
        fw::msgboxtest::Capture boxes;
        EXPECT_EQ(library.Load(record), r.loaded) << r.why;
        EXPECT_EQ(boxes.shown().size(), std::string(r.why) == "a spacing library" ? 1u : 0u) << r.why;
        EXPECT_EQ(library.GetVersion(), 16) << r.why;
        ASSERT_NE(library.Slots(), nullptr) << r.why;
        EXPECT_EQ(library.Slots()['A'].character, r.loaded ? 'B' : 0) << r.why;
        if (r.loaded) EXPECT_EQ(library.Slots()['A'].face, 3) << r.why;
    }
    fw::ResetAllGlobals();
}

}  // namespace
