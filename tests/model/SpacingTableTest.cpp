// The spacing table: a note's width by duration class, dotted and triplet; its chunk and the
// older files' block; the document's table behind the one allotted-space look-up.
#include <gtest/gtest.h>

#include "RecordTestSupport.h"
#include "framework/Exceptions.h"
#include "framework/File.h"
#include "model/Bar.h"
#include "model/ModelGlobals.h"
#include "model/Page.h"
#include "model/SpacingTable.h"
#include "model/Track.h"
#include "model/ZelDoc.h"
#include "platform/ChunkStream.h"

namespace {

using recordtest::Bytes;
using recordtest::CleanGlobals;

TEST(SpacingTableTest, BuiltInWidthsByClassDotAndTriplet) {
    CleanGlobals clean;
    struct Case {
        const char* what;
        int durationClass, dotted, triplet, width;
    };
    const Case cases[] = {
        {"whole", 1, 0, 0, 720},
        {"half", 2, 0, 0, 480},
        {"quarter", 3, 0, 0, 360},
        {"eighth", 4, 0, 0, 240},
        {"16th", 5, 0, 0, 180},
        {"32nd", 6, 0, 0, 150},
        {"64th", 7, 0, 0, 120},
        {"dotted half", 2, 1, 0, 600},
        {"dotted 16th", 5, 1, 0, 240},
        {"triplet eighth", 4, 0, 1, 210},
        {"dotted wins over triplet", 3, 1, 1, 480},
        // The row is clamped: class 0 or below is the whole note, 9 or above the empty row 8.
        {"class 0", 0, 0, 0, 720},
        {"class -4", -4, 0, 0, 720},
        {"class 8", 8, 0, 0, 0},
        {"class 12", 12, 1, 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(BuiltInSpacingTable().GetSpace(c.durationClass, c.dotted, c.triplet), c.width) << c.what;
        EXPECT_EQ(GetAllotSpace(c.durationClass, c.dotted, c.triplet), c.width) << c.what << " (no document)";
    }
}

TEST(SpacingTableTest, TheCurrentDocumentsTableAnswersTheAllottedSpace) {
    CleanGlobals clean;
    CurrentSpacingTable().values[2][0] = 70;  // a spacing library loaded at start-up
    CZelDoc doc;                               // a new document copies the current table
    EXPECT_EQ(doc.spacing.values[2][0], 70);
    doc.spacing.values[2][0] = 100;
    g_model.currentDoc = &doc;
    EXPECT_EQ(GetAllotSpace(3, 0, 0), 600);
    g_model.currentDoc = nullptr;
    EXPECT_EQ(GetAllotSpace(3, 0, 0), 420);
}

TEST(SpacingTableTest, ChunkRoundTripAndOlderBlocks) {
    CleanGlobals clean;
    SpacingTable t = BuiltInSpacingTable();
    t.values[0][3] = -7;
    t.values[7][2] = 300;
    const Bytes bytes = recordtest::Written([&](CChunkStream& s) { t.WriteChunk(s, MakeChunkTag("ALOT")); });
    ASSERT_EQ(bytes.size(), 8u + 64u);
    EXPECT_EQ(bytes[8 + 6], 0xFF);  // word 3 big-endian: -7
    EXPECT_EQ(bytes[8 + 7], 0xF9);
    recordtest::Reader r(bytes);
    SpacingTable back{};
    back.ReadChunk(r.stream, MakeChunkTag("ALOT"));
    EXPECT_EQ(back, t);

    // Older blocks: tag, little-endian length, little-endian words; then a marker block.
    const auto block = [](const char* tag, std::uint32_t length, int firstWord) {
        Bytes b(tag, tag + 4);
        for (int i = 0; i < 4; ++i) b.push_back(std::uint8_t(length >> (8 * i)));
        for (std::uint32_t i = 0; i < length; ++i) b.push_back(i % 2 ? 0 : std::uint8_t(firstWord + i / 2));
        return b;
    };
    struct Case {
        const char* what;
        Bytes bytes;
        int word0, word5, word31;  // values[0][0], values[1][1], values[7][3] after the read
    };
    const Case cases[] = {
        {"whole table", block("ALOT", 64, 1), 1, 6, 32},
        {"short: the rest keeps its values", block("ALOT", 10, 1), 1, 100, 0},
        {"longer: the extra bytes are passed over", block("ALOT", 70, 1), 1, 6, 32},
        {"another tag is passed over whole", block("XXXX", 64, 1), 120, 100, 0},
        {"empty", block("ALOT", 0, 1), 120, 100, 0},
    };
    for (const Case& c : cases) {
        Bytes bytes = c.bytes;
        const Bytes marker = {'E', 'N', 'D', '!'};
        bytes.insert(bytes.end(), marker.begin(), marker.end());
        CMemFile file(bytes);
        SpacingTable read = BuiltInSpacingTable();
        read.ReadLegacyBlock(file);
        EXPECT_EQ(read.values[0][0], c.word0) << c.what;
        EXPECT_EQ(read.values[1][1], c.word5) << c.what;
        EXPECT_EQ(read.values[7][3], c.word31) << c.what;
        EXPECT_EQ(file.GetPosition(), c.bytes.size()) << c.what << ": stands at the next block";
    }
    // A block longer than the file is the end-of-file error, not a read past it.
    Bytes cut = block("ALOT", 64, 1);
    cut.resize(40);
    CMemFile file(cut);
    SpacingTable read = BuiltInSpacingTable();
    EXPECT_THROW(read.ReadLegacyBlock(file), CFileException);
}

}  // namespace
