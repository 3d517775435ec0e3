// The font table that travels with stored font references: a save records each face a reference
// uses under its index and name; a load rewrites each reference to the index its face's name
// has on this machine. Its entries are stored as a big-endian index and 32 name bytes.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "framework/File.h"
#include "framework/Globals.h"
#include "platform/ChunkStream.h"
#include "platform/DrawGlobals.h"
#include "platform/FontArray.h"
#include "platform/FontMap.h"
#include "platform/Port.h"

namespace {

struct FontTable : ::testing::Test {
    FontTable() {
        fw::ResetAllGlobals();
        InitDrawing();
    }
    ~FontTable() override { fw::ResetAllGlobals(); }
    CFontList& list() { return *GetFontList(); }
    std::uint16_t fallback() const { return g_draw.standardFontRefs[0].face; }
    std::uint16_t music() const { return g_draw.defaultMusicFontRef.face; }

    // An entry as a file from another machine holds it.
    static void Put(CFontArray& table, std::int16_t id, const char* name) {
        auto* e = static_cast<std::uint8_t*>(table.InsertEmpty(table.GetCount()));
        ASSERT_NE(e, nullptr);
        std::memcpy(e, &id, 2);
        std::strncpy(reinterpret_cast<char*>(e + 2), name, 31);
    }
};

TEST_F(FontTable, ALoadRewritesEachReferenceToTheFaceOfItsStoredNameHere) {
    ASSERT_GE(list().GetCount(), 4);
    const std::string third = list().GetFaceName(3);
    CFontArray table;
    Put(table, 500, third.c_str());
    Put(table, 501, CFontArray::kMusicFontName);
    Put(table, 502, "No Face Of This Name");
    struct Row {
        std::uint16_t face, size;
        std::uint16_t wantFace, wantSize;
        const char* why;
    } rows[] = {
        {500, 10, 3, 10, "a stored name takes the index it has here"},
        {501, 24, music(), 24, "the program's music font follows the current one"},
        {502, 12, fallback(), 12, "a name not installed here falls back"},
        {777, 12, fallback(), 12, "a face the table does not name falls back"},
        {500, 0, 3, g_draw.standardFontRefs[1].size, "no size: the default text font's"},
    };
    for (const Row& r : rows) {
        FontRef ref{r.face, r.size, 1, 0};
        table.ResolveFont(&ref);
        EXPECT_EQ(ref.face, r.wantFace) << r.why;
        EXPECT_EQ(ref.size, r.wantSize) << r.why;
        EXPECT_EQ(ref.style, 1) << r.why;
    }
    EXPECT_EQ(table.NameAt(1), list().GetFaceName(music())) << "the music entry takes the current face's name";
    // The fallback face was added once for the two references that fell back to it.
    ASSERT_EQ(table.Count(), 4);
    EXPECT_EQ(table.IdAt(3), std::int16_t(fallback()));
    EXPECT_EQ(table.NameAt(3), list().GetFaceName(fallback()));
}

TEST_F(FontTable, ASaveRecordsOneEntryPerFaceUsedAndLeavesInstalledFacesAlone) {
    ASSERT_GE(list().GetCount(), 6);
    CFontArray table;
    fw::ScopedGlobal<bool> saving(g_draw.fontsForSave, true);
    const std::uint16_t faces[] = {2, 5, 2, FontRef::kNoFace, 60000, 5};
    std::vector<std::uint16_t> after;
    for (std::uint16_t f : faces) {
        FontRef ref{f, 12, 0, 0};
        table.ResolveFont(&ref);
        after.push_back(ref.face);
    }
    EXPECT_EQ(after, (std::vector<std::uint16_t>{2, 5, 2, fallback(), fallback(), 5}))
        << "faces that are not installed ones take the fallback face";
    ASSERT_EQ(table.Count(), 3);
    const std::int16_t ids[] = {2, 5, std::int16_t(fallback())};
    for (int n = 0; n < 3; ++n) {
        EXPECT_EQ(table.IdAt(n), ids[n]) << "entry " << n;
        EXPECT_EQ(table.NameAt(n), list().GetFaceName(ids[n])) << "entry " << n;
    }
}

// A pass works a face's answer out once and gives it again to the face's later references: every
// answer and the table it leaves are what lone mappings give, in both directions. A pass after the
// table changed answers from the table as it is then.
TEST_F(FontTable, APassAnswersAsLoneMappingsDoAndForgetsItsAnswersWhenItEnds) {
    ASSERT_GE(list().GetCount(), 6);
    const auto fill = [&](CFontArray& t) {
        Put(t, 500, list().GetFaceName(3));
        Put(t, 501, CFontArray::kMusicFontName);
        Put(t, 502, "No Face Of This Name");
    };
    const std::uint16_t faces[] = {500, 501, 500, 502, 777, 501, 502, 2, 2, 60000, 777, 500, 0};
    for (bool saving : {false, true}) {
        fw::ScopedGlobal<bool> direction(g_draw.fontsForSave, saving);
        CFontArray lone, passed;
        fill(lone);
        fill(passed);
        std::vector<std::uint16_t> want, got;
        for (std::uint16_t f : faces) {
            FontRef ref{f, 12, 0, 0};
            lone.ResolveFont(&ref);
            want.push_back(ref.face);
        }
        {
            CFontArray::Pass pass(passed);
            for (std::uint16_t f : faces) {
                FontRef ref{f, 12, 0, 0};
                passed.ResolveFont(&ref);
                got.push_back(ref.face);
            }
        }
        EXPECT_EQ(got, want) << (saving ? "saving" : "loading");
        ASSERT_EQ(passed.Count(), lone.Count());
        for (int n = 0; n < lone.Count(); ++n) {
            EXPECT_EQ(passed.IdAt(n), lone.IdAt(n)) << "entry " << n;
            EXPECT_EQ(passed.NameAt(n), lone.NameAt(n)) << "entry " << n;
        }
    }

    CFontArray table;
    Put(table, 500, list().GetFaceName(3));
    FontRef first{500, 12, 0, 0}, second{500, 12, 0, 0};
    {
        CFontArray::Pass pass(table);
        table.ResolveFont(&first);
    }
    auto* e = static_cast<char*>(table.GetAt(0));
    std::memset(e + 2, 0, CFontArray::kNameSize);
    std::strncpy(e + 2, list().GetFaceName(4), CFontArray::kNameSize - 1);
    {
        CFontArray::Pass pass(table);
        table.ResolveFont(&second);
    }
    EXPECT_EQ(first.face, 3);
    EXPECT_EQ(second.face, 4) << "the second pass reads the changed entry";
}

TEST_F(FontTable, EntriesAreStoredAsABigEndianIndexAndTheirNameBytes) {
    CFontArray table;
    Put(table, 0x01F4, "Times New Roman");
    CMemFile out;
    {
        CChunkStream s;
        s.SetFile(&out);
        table.Write(s, MakeChunkTag("FNTS"));
    }
    const std::vector<std::uint8_t> bytes = out.Data();
    ASSERT_EQ(bytes.size(), 8u + 2 + 34);
    EXPECT_EQ(bytes[10], 0x01);
    EXPECT_EQ(bytes[11], 0xF4);
    EXPECT_EQ(std::memcmp(&bytes[12], "Times New Roman", 16), 0);

    CFontArray back;
    CMemFile in(bytes);
    CChunkStream r;
    r.SetFile(&in);
    back.Read(r, MakeChunkTag("FNTS"));
    ASSERT_EQ(back.Count(), 1);
    EXPECT_EQ(back.IdAt(0), 0x01F4);
    EXPECT_EQ(back.NameAt(0), "Times New Roman");
}

TEST_F(FontTable, WithoutAnInstalledFontListNothingIsMapped) {
    CFontList* installed = GetFontList();
    SetFontList(nullptr);
    CFontArray table;
    FontRef ref{9, 0, 0, 0};
    table.ResolveFont(&ref);
    SetFontList(installed);
    EXPECT_EQ(ref.face, 9);
    EXPECT_EQ(ref.size, 0);
    EXPECT_EQ(table.Count(), 0);
}

}  // namespace
