// The score file's after-load step: a new score saved and read back keeps its layout (pages,
// systems and their bars, staff places, bar x and widths); staves stored with zero fields come
// back repaired; reading and saving again gives the same bytes.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "RecordTestSupport.h"
#include "framework/Exceptions.h"
#include "framework/File.h"
#include "model/Bar.h"
#include "model/ModelGlobals.h"
#include "model/NewScore.h"
#include "model/Page.h"
#include "model/Score.h"
#include "model/ScoreArrays.h"
#include "model/ScoreFile.h"
#include "model/ScoreStructureStandIns.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Track.h"
#include "model/ZelDoc.h"

namespace {

struct ScoreFileAfterLoadTest : ::testing::Test {
    recordtest::CleanGlobals clean;
    CZelDoc doc;
    void SetUp() override {
        RegisterTrackClass();
        MidiOutPorts() = MidiOutPortsState();
    }
};

// The layout of a score, one line per page, system, staff and bar. Positions are taken from
// the top left corner of the page's printable area: a page read from a file has that corner
// at its origin, a page made in memory at the page setup's margins.
std::string Layout(CScore& score) {
    std::string out;
    char line[256];
    std::snprintf(line, sizeof line, "pages %d systems %d bars %d\n", score.GetPageCount(), score.GetLineCount(),
                  score.GetBarCount());
    out += line;
    for (int p = 0; p < score.GetPageCount(); ++p) {
        CPage* page = score.GetPage(p);
        const RECT r = page->GetPrintableRect();
        std::snprintf(line, sizeof line, "page %d: systems %d+%d printable %dx%d\n", p, page->GetFirstSystem(),
                      page->GetSystemCount(), int(r.right - r.left), int(r.bottom - r.top));
        out += line;
    }
    for (int s = 0; s < score.GetLineCount(); ++s) {
        CLine* system = score.GetLine(s);
        CPage* page = score.GetPage(system->GetPageIndex());
        const int x0 = page ? int(page->GetPrintableRect().left) : 0;
        const int y0 = page ? int(page->GetPrintableRect().top) : 0;
        std::snprintf(line, sizeof line, "system %d: page %d bars %d+%d top %d rect (%d,%d)-(%d,%d)\n", s,
                      system->GetPageIndex(), system->GetFirstBarIndex(), system->GetBarCount(),
                      system->GetTopOffset(), system->GetLeft() - x0, system->GetTop() - y0,
                      system->GetRight() - x0, system->GetBottom() - y0);
        out += line;
        const int staves = system->GetStaffArray() ? system->GetStaffArray()->GetCount() : 0;
        for (int i = 0; i < staves; ++i) {
            CStaff* staff = system->GetStaff(i);
            std::snprintf(line, sizeof line, "  staff %d: middle %d lines %d-%d x %d-%d spacing %d%s\n", i,
                          staff->GetMiddleY() - y0, staff->GetTopLine() - y0, staff->GetBottomLine() - y0,
                          staff->GetLeft() - x0, staff->GetRight() - x0, staff->GetSpacing(),
                          staff->IsShown() ? "" : " hidden");
            out += line;
        }
        for (int j = 0; j < system->GetBarCount(); ++j) {
            CBar* bar = score.GetBar(system->GetFirstBarIndex() + j);
            if (!bar) break;
            std::snprintf(line, sizeof line, "  bar %d: x %d width %d\n", bar->GetIndex(), bar->GetLeft() - x0,
                          bar->GetWidth());
            out += line;
        }
    }
    return out;
}

std::uint32_t BE32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return (std::uint32_t(b[at]) << 24) | (std::uint32_t(b[at + 1]) << 16) | (std::uint32_t(b[at + 2]) << 8) | b[at + 3];
}

// Offsets of every "STAF" chunk of the file (each found by walking the chunks from its header).
std::vector<std::size_t> StaffChunks(const std::vector<std::uint8_t>& b) {
    std::vector<std::size_t> found;
    for (std::size_t i = 152; i + 8 <= b.size(); ++i)
        if (std::memcmp(&b[i], "STAF", 4) == 0) found.push_back(i);
    return found;
}

TEST_F(ScoreFileAfterLoadTest, ANewScoreReadBackHasTheSameLayout) {
    for (int arrangement : {0, 1, 2, 3}) {
        CScore score(&doc);
        NewScoreSettings settings;
        settings.arrangement = arrangement;
        ASSERT_TRUE(BuildNewScore(score, settings)) << arrangement;
        // The guitar score's tablature staff gets its six lines after its systems were laid
        // out; laid out again, it stands as a read-back score does.
        if (arrangement == 3)
            for (int s = 0; s < score.GetLineCount(); ++s) score.GetLine(s)->Relayout();
        const std::string before = Layout(score);
        ScoreFileDoc d;
        const std::vector<std::uint8_t> bytes = ScoreFile::WriteToBytes(score, d);

        CScore back(&doc);
        ScoreFileDoc d2;
        CMemFile file(bytes);
        ASSERT_TRUE(ScoreFile::Open(back, d2, file)) << arrangement;
        // Places on the page are not stored: the systems are laid out again after a load.
        for (int s = 0; s < back.GetLineCount(); ++s) back.GetLine(s)->Relayout();
        EXPECT_EQ(Layout(back), before) << arrangement;

        ScoreFileDoc d3;
        EXPECT_EQ(ScoreFile::WriteToBytes(back, d3), bytes) << arrangement;
    }
}

TEST_F(ScoreFileAfterLoadTest, AStaffStoredWithZeroFieldsComesBackRepaired) {
    CScore score(&doc);
    NewScoreSettings settings;
    settings.arrangement = 1;
    ASSERT_TRUE(BuildNewScore(score, settings));
    ScoreFileDoc d;
    std::vector<std::uint8_t> bytes = ScoreFile::WriteToBytes(score, d);
    const std::vector<std::size_t> staves = StaffChunks(bytes);
    ASSERT_GE(staves.size(), 2u);
    // The second staff of the first system: font size, space height and placement lines C, D
    // and E stored as 0 (body offsets 5, 6 and 44-49).
    const std::size_t body = staves[1] + 8;
    ASSERT_GE(BE32(bytes, staves[1] + 4), 50u);
    bytes[body + 5] = 0;
    bytes[body + 6] = 0;
    for (int k = 44; k < 50; ++k) bytes[body + std::size_t(k)] = 0;

    CScore back(&doc);
    ScoreFileDoc d2;
    CMemFile file(bytes);
    ASSERT_TRUE(ScoreFile::Open(back, d2, file));
    CStaff* repaired = back.GetLine(0)->GetStaff(1);
    ASSERT_NE(repaired, nullptr);
    EXPECT_EQ(repaired->GetFontSize(), 24);
    EXPECT_EQ(repaired->GetLineSpacing(), repaired->GetHeadWidth() & 0xFF);
    EXPECT_NE(repaired->GetLineSpacing(), 0);
    EXPECT_EQ(repaired->GetPlaceC(), 480);
    EXPECT_EQ(repaired->GetPlaceD(), -240);
    EXPECT_EQ(repaired->GetPlaceE(), -600);

    // The staff beside it kept its own values.
    CStaff* kept = back.GetLine(0)->GetStaff(0);
    CStaff* original = score.GetLine(0)->GetStaff(0);
    EXPECT_EQ(kept->GetFontSize(), original->GetFontSize());
    EXPECT_EQ(kept->GetLineSpacing(), original->GetLineSpacing());
    EXPECT_EQ(kept->GetPlaceE(), original->GetPlaceE());
}

TEST_F(ScoreFileAfterLoadTest, TheAfterLoadStepRenewsIndicesAndTheDocumentVersion) {
    CScore score(&doc);
    NewScoreSettings settings;
    settings.arrangement = 2;
    ASSERT_TRUE(BuildNewScore(score, settings));
    ScoreFileDoc d;
    const std::vector<std::uint8_t> bytes = ScoreFile::WriteToBytes(score, d);

    CScore back(&doc);
    ScoreFileDoc d2;
    d2.version = 0x300;
    CMemFile file(bytes);
    ASSERT_TRUE(ScoreFile::Open(back, d2, file));
    EXPECT_EQ(d2.version, ScoreFileDoc::kProgramVersion);
    EXPECT_EQ(d2.neededVersion, ScoreFileDoc::kNeededVersion);
    for (int b = 0; b < back.GetBarCount(); ++b) {
        EXPECT_EQ(back.GetBar(b)->GetIndex(), b);
        EXPECT_EQ(back.GetBar(b)->IsLast(), b == back.GetBarCount() - 1);
    }
    for (int s = 0; s < back.GetLineCount(); ++s) EXPECT_EQ(back.GetLine(s)->GetIndex(), s);
}

}  // namespace
