// Notes entered with the mouse in a page pane: the note tool's click places a note or rest at
// the staff position under the pointer, sounds it, moves the insertion point on and is one undo
// step; the checks of automatic correction ask and a "否" takes the click back whole.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "ViewFixture.h"
#include "framework/Midi.h"
#include "framework/Window.h"
#include "model/Bar.h"
#include "model/DragTask.h"
#include "model/Page.h"
#include "model/Preferences.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/TrkBar.h"
#include "model/TrkBarEntryFields.h"
#include "model/TrkBarWalk.h"
#include "platform/DrawGlobals.h"
#include "view/ToolState.h"

namespace {

struct Entered {
    bool rest;
    int time;
    int staffPosition;  // head 0's (a rest's own)
    int pitch;          // head 0's, -1 for a rest
    int heads;
    bool operator==(const Entered&) const = default;
};

void PrintTo(const Entered& e, std::ostream* os) {
    *os << (e.rest ? "rest" : "note") << " t" << e.time << " pos " << e.staffPosition << " pitch " << e.pitch
        << " heads " << e.heads;
}

std::vector<std::uint8_t> Saved(CZelDoc& doc) {
    char temp[] = "/tmp/notetool-XXXXXX";
    const int fd = mkstemp(temp);
    close(fd);
    std::vector<std::uint8_t> bytes;
    if (doc.WriteNative(temp)) {
        if (FILE* f = std::fopen(temp, "rb")) {
            for (int c; (c = std::fgetc(f)) != EOF;) bytes.push_back(std::uint8_t(c));
            std::fclose(f);
        }
    }
    std::remove(temp);
    return bytes;
}

}  // namespace

class NoteTool : public ViewTest {
protected:
    void SetUp() override {
        ViewTest::SetUp();
        Open(1, 0);
        score = doc->GetScore();
        pane = view->GetPane(0);
        g_toolState.tool = ToolState::kNote;
        g_toolState.subTool = ToolState::kNoteSub;
        g_toolState.value = 3;
        g_preferences.SetByte(Preferences::kAdvanceCursor, 1);
    }
    // The pane point of time `tick` in bar `bar` at a staff position of the first track.
    POINT At(int bar, int tick, int staffPosition) {
        CBar* b = score->GetBar(bar);
        CStaff* staff = b->GetLine()->GetStaff(0);
        const RECT paper = score->GetPage(0)->GetPaperRect();
        return POINT{LONG(b->FractionToX(b->TickToFraction(tick, false)) - paper.left),
                     LONG(staff->PositionToY(staffPosition) - paper.top)};
    }
    // The pointer rests at the point, then the left button clicks there.
    void ClickAt(POINT p, UINT mods = fw::uitest::kNone) {
        fw::uitest::Move(pane, int(p.x), int(p.y), mods);
        fw::uitest::Click(pane, int(p.x), int(p.y), fw::uitest::kLeft, mods);
        fw::uitest::RunUntilIdle();
    }
    std::vector<Entered> Items(int track, int bar) {
        std::vector<Entered> out;
        trkbar::ForEachLiveItem(score->GetTrkBar(track, bar), [&](CBarItem* it) {
            if (it->IsNote())
                out.push_back({false, it->TimeField(), entry::HeadPos(entry::HeadAt(it, 0)),
                               entry::HeadAt(it, 0)[entry::kHeadPitch], entry::HeadCount(it)});
            else if (it->IsRest())
                out.push_back({true, it->TimeField(), 0, -1, 0});
        });
        return out;
    }
    std::vector<Entered> Notes(int track, int bar) {
        std::vector<Entered> out;
        for (const Entered& e : Items(track, bar))
            if (!e.rest) out.push_back(e);
        return out;
    }

    CScore* score = nullptr;
    CPagePane* pane = nullptr;
};

TEST_F(NoteTool, FourClickedQuartersRiseAndFourUndosGiveBackTheNewScore) {
    const std::vector<std::uint8_t> fresh = Saved(*doc);
    ASSERT_FALSE(fresh.empty());
    for (int i = 0; i < 4; ++i) ClickAt(At(0, 480 * i, i));
    // Treble clef, C major: staff position 0 is the middle line's B.
    const std::vector<Entered> want{
        {false, 0, 0, 71, 1}, {false, 480, 1, 72, 1}, {false, 960, 2, 74, 1}, {false, 1440, 3, 76, 1}};
    EXPECT_EQ(Notes(0, 0), want);
    EXPECT_EQ(doc->GetUndoCount(), 4);
    for (int i = 0; i < 4; ++i) doc->Undo();
    EXPECT_TRUE(Notes(0, 0).empty());
    EXPECT_EQ(Saved(*doc), fresh);
}
