// Lyrics typed under the notes: the text tool's lyric button opens the editor under a note, a
// space, hyphen, underscore or Tab stores the syllable with its flags and moves on, the keys move
// between notes and verses, and the lyric menu copies, pastes and sets the verse.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "ViewFixture.h"
#include "framework/CodePage.h"
#include "framework/Input.h"
#include "framework/SystemClipboard.h"
#include "model/Bar.h"
#include "model/Lyric.h"
#include "model/LyricTask.h"
#include "model/Page.h"
#include "model/Preferences.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/TrkBar.h"
#include "model/TrkBarFinders.h"
#include "model/TrkBarWalk.h"
#include "view/ToolState.h"

namespace ui = fw::uitest;

class LyricEntry : public ViewTest {
protected:
    void SetUp() override {
        ViewTest::SetUp();
        static DWORD start = 5000000;
        start += 100000;
        fw::clocktest::SetManual(start);
        Open(1, 0);
        score = doc->GetScore();
        pane = view->GetPane(0);
        g_preferences.SetDefaultFonts();
        // Quarters on beats 1-4 of bar 0 and beat 1 of bar 1.
        g_toolState.tool = ToolState::kNote;
        g_toolState.subTool = ToolState::kNoteSub;
        g_toolState.value = 3;
        for (const auto& n : std::vector<std::array<int, 2>>{{0, 0}, {0, 480}, {0, 960}, {0, 1440}, {1, 0}})
            ClickAt(At(n[0], n[1], 0));
        g_toolState = ToolState{};
        g_toolState.tool = ToolState::kText;
        g_toolState.button = 4;
        ASSERT_EQ(Notes(0).size(), 4u);
        ASSERT_EQ(Notes(1).size(), 1u);
        doc->ClearUndo();
    }
    POINT Origin() const {
        const RECT paper = score->GetPage(0)->GetPaperRect();
        return POINT{paper.left, paper.top};
    }
    POINT At(int bar, int tick, int staffPosition) {
        CBar* b = score->GetBar(bar);
        CStaff* staff = b->GetLine()->GetStaff(0);
        return POINT{LONG(b->FractionToX(b->TickToFraction(tick, false)) - Origin().x),
                     LONG(staff->PositionToY(staffPosition) - Origin().y)};
    }
    void ClickAt(POINT p) {
        ui::Move(pane, int(p.x) + 7, int(p.y) + 5);
        ui::Move(pane, int(p.x), int(p.y));
        ui::Click(pane, int(p.x), int(p.y));
        ui::RunUntilIdle();
    }
    std::vector<CBarItem*> Notes(int bar) {
        std::vector<CBarItem*> out;
        trkbar::ForEachLiveItem(score->GetTrkBar(0, bar), [&](CBarItem* it) {
            if (it->IsNote()) out.push_back(it);
        });
        return out;
    }
    std::vector<CLyric*> Syllables(int bar, int verse = 0) {
        std::vector<CLyric*> out;
        trkbar::ForEachLiveItem(score->GetTrkBar(0, bar), [&](CBarItem* it) {
            if (it->IsLyric() && static_cast<CLyric*>(it)->GetVerse() == verse) out.push_back(static_cast<CLyric*>(it));
        });
        return out;
    }
    // The syllables of bar 0 (and 1) as text with "-" or "_" for their flags.
    std::vector<std::string> Shown(int bar, int verse = 0) {
        std::vector<std::string> out;
        for (CLyric* l : Syllables(bar, verse))
            out.push_back(std::string(l->GetText()) + (l->HasHyphen() ? "-" : "") + (l->HasExtender() ? "_" : ""));
        return out;
    }
    std::vector<std::uint8_t> RunBytes(int bar) {
        CTrkBar* tb = score->GetTrkBar(0, bar);
        const auto* p = reinterpret_cast<const std::uint8_t*>(tb->GetItems());
        return std::vector<std::uint8_t>(p, p + tb->GetRunLength());
    }
    CTextEdit* Editor() { return doc->textTask ? doc->textTask->Editor() : nullptr; }
    // The lyric click under note i of bar 0.
    void OpenAt(int bar, int tick) {
        ClickAt(At(bar, tick, -8));
        ASSERT_NE(Editor(), nullptr) << "the lyric click opens the editor";
        ASSERT_TRUE(Editor()->lyricMode);
    }
    void Type(const char* text) {
        // One character at a time into the editor open now (entry moves on at separators).
        for (const char* c = text; *c; ++c) {
            ASSERT_NE(Editor(), nullptr) << "at " << c;
            ui::Type(Editor(), std::string(1, *c).c_str());
            ui::RunUntilIdle();
        }
    }
    void Key(int vk, UINT mods = ui::kNone) {
        ASSERT_NE(Editor(), nullptr);
        ui::Key(Editor(), vk, mods, false);
        ui::RunUntilIdle();
    }
    int EditedPosition() { return doc->location.position; }

    CScore* score = nullptr;
    CPagePane* pane = nullptr;
};

TEST_F(LyricEntry, AHyphenStoresTheSyllableWithItsFlagAndMovesOnReopeningShowsIt) {
    const std::vector<std::uint8_t> before = RunBytes(0);
    OpenAt(0, 0);
    EXPECT_EQ(EditedPosition(), Notes(0)[0]->PositionField());
    Type("lo-");
    ASSERT_EQ(Shown(0), std::vector<std::string>{"lo-"});
    CLyric* l = Syllables(0)[0];
    EXPECT_EQ(l->PositionField(), Notes(0)[0]->PositionField());
    EXPECT_EQ(l->TimeField(), 0);
    EXPECT_EQ(l->LyricFlags(), CLyricTask::kHyphenBit | CLyricTask::kHoldsTextBit);
    EXPECT_EQ(l->RecordSizeField(), CLyric::SizeFor(2));
    EXPECT_EQ(l->GetFont().size, g_preferences.Font(4).size) << "the fifth default font, score units";
    ASSERT_NE(Editor(), nullptr) << "entry moved on";
    EXPECT_EQ(EditedPosition(), Notes(0)[1]->PositionField());
    Key(VK_ESCAPE);
    EXPECT_EQ(doc->textTask, nullptr);
    EXPECT_EQ(doc->GetUndoCount(), 1) << "an empty editor leaves nothing";

    OpenAt(0, 0);
    EXPECT_EQ(Editor()->Text(), "lo-") << "reopening shows the hyphen";
    Key(VK_ESCAPE);
    ASSERT_EQ(Shown(0), std::vector<std::string>{"lo-"});
    for (int i = doc->GetUndoCount(); i > 0; --i) doc->Undo();
    EXPECT_EQ(RunBytes(0), before) << "undone to identical bytes";
}

TEST_F(LyricEntry, UnderscoreAloneSpaceInEmptyEditorAndATiedNote) {
    // The second note tied on to the third.
    auto* bytes = reinterpret_cast<std::uint8_t*>(Notes(0)[1]);
    bytes[finders::kHeads + finders::kHeadLinks] |= finders::kTieStartBit;
    OpenAt(0, 0);
    Type("_");
    ASSERT_EQ(Syllables(0).size(), 1u);
    EXPECT_STREQ(Syllables(0)[0]->GetText(), "");
    EXPECT_EQ(Syllables(0)[0]->LyricFlags(), CLyricTask::kExtenderBit | CLyricTask::kHoldsTextBit);
    EXPECT_EQ(EditedPosition(), Notes(0)[1]->PositionField());
    Type("ah ");
    ASSERT_EQ(Syllables(0).size(), 2u);
    EXPECT_EQ(Syllables(0)[1]->LyricFlags(), CLyricTask::kTiedOnBit | CLyricTask::kHoldsTextBit) << "tied onward";
    const int undo = doc->GetUndoCount();
    Type(" ");
    EXPECT_EQ(Syllables(0).size(), 2u) << "a space in an empty editor stores nothing";
    EXPECT_EQ(EditedPosition(), Notes(0)[3]->PositionField()) << "but moves on";
    EXPECT_EQ(doc->GetUndoCount(), undo);
}

TEST_F(LyricEntry, TabShiftTabAndBackspaceMoveAcrossBars) {
    OpenAt(0, 960);
    Key(VK_TAB);
    EXPECT_EQ(EditedPosition(), Notes(0)[3]->PositionField());
    Key(VK_TAB);
    EXPECT_EQ(doc->location.barIndex, 1) << "on into the next bar";
    EXPECT_EQ(EditedPosition(), Notes(1)[0]->PositionField());
    Key(VK_TAB, ui::kShift);
    EXPECT_EQ(doc->location.barIndex, 0);
    EXPECT_EQ(EditedPosition(), Notes(0)[3]->PositionField());
    Key(VK_BACK);
    EXPECT_EQ(EditedPosition(), Notes(0)[2]->PositionField()) << "Backspace in an empty editor goes back";
    Type("x");
    Key(VK_TAB);
    EXPECT_EQ(Shown(0), std::vector<std::string>{"x"}) << "Tab stores the text unchanged";
}

TEST_F(LyricEntry, EnterAndArrowsChangeTheVerseWithinOneToEight) {
    OpenAt(0, 480);
    EXPECT_EQ(CurrentVerse(doc.get()), 0);
    Key(VK_UP);
    ASSERT_NE(Editor(), nullptr) << "handled at verse 1";
    EXPECT_EQ(CurrentVerse(doc.get()), 0);
    Key(VK_RETURN);
    EXPECT_EQ(CurrentVerse(doc.get()), 1);
    EXPECT_EQ(EditedPosition(), Notes(0)[1]->PositionField()) << "the same note";
    for (int i = 0; i < 8; ++i) Key(VK_DOWN);
    EXPECT_EQ(CurrentVerse(doc.get()), 7);
    ASSERT_NE(Editor(), nullptr);
    Type("v8 ");
    EXPECT_EQ(Shown(0, 7), std::vector<std::string>{"v8"});
    Key(VK_UP);
    EXPECT_EQ(CurrentVerse(doc.get()), 6);
    // The verse commands reopen at the same note.
    doc->textTask->OnCommand(CLyricTask::kFirstVerse + 2);
    EXPECT_EQ(CurrentVerse(doc.get()), 2);
    ASSERT_NE(Editor(), nullptr);
    EXPECT_EQ(EditedPosition(), Notes(0)[2]->PositionField());
}

TEST_F(LyricEntry, CopyGivesTheVersesAsPlainTextAndPasteStoresSyllables) {
    OpenAt(0, 0);
    Type("Hap-py birth-day");
    ASSERT_NE(Editor(), nullptr);
    doc->textTask->OnCommand(CLyricTask::kCopy);
    EXPECT_EQ(doc->textTask, nullptr) << "copy ends entry";
    EXPECT_EQ(Shown(0), (std::vector<std::string>{"Hap-", "py", "birth-", "day"}));
    EXPECT_EQ(fw::GetClipboardText(), "Hap-py birth-day ");
    // A second verse on its own line.
    OpenAt(0, 0);
    Key(VK_RETURN);
    Type("la ");
    doc->textTask->OnCommand(CLyricTask::kCopy);
    EXPECT_EQ(fw::GetClipboardText(), "Hap-py birth-day \r\nla ");

    // Paste at the second note (a click on its syllable reopens it): a-b c over three notes.
    const std::vector<std::uint8_t> before = RunBytes(0);
    fw::SetClipboardText("a-b c");
    OpenAt(0, 480);
    EXPECT_EQ(Editor()->Text(), "py");
    doc->textTask->OnCommand(CLyricTask::kPaste);
    EXPECT_EQ(doc->textTask, nullptr);
    EXPECT_EQ(Shown(0), (std::vector<std::string>{"Hap-", "a-", "b", "c"}));
    EXPECT_EQ(Syllables(0)[1]->PositionField(), Notes(0)[1]->PositionField());
    EXPECT_EQ(Shown(0, 1), std::vector<std::string>{"la"}) << "the other verse stays";
    doc->Undo();
    EXPECT_EQ(RunBytes(0), before) << "the paste is one undo step";
}

TEST_F(LyricEntry, TheVerseNumberAndAnOverlongSyllable) {
    OpenAt(0, 0);
    Type("a");
    doc->textTask->OnCommand(CLyricTask::kVerseNumber);
    Key(VK_TAB);
    ASSERT_EQ(Syllables(0).size(), 1u);
    EXPECT_TRUE(Syllables(0)[0]->LyricFlags() & CLyricTask::kVerseNumberBit);
    Key(VK_ESCAPE);

    // Over 2,048 characters: the syllable keeps its previous record.
    OpenAt(0, 0);
    EXPECT_EQ(Editor()->Text(), "a");
    const std::vector<std::uint8_t> before = RunBytes(0);
    Editor()->SetAllText(std::string(2049, 'x').c_str());
    Key(VK_ESCAPE);
    EXPECT_EQ(RunBytes(0), before);
    EXPECT_EQ(doc->textTask, nullptr);
}

TEST_F(LyricEntry, ShiftRightAndLeftMoveTheVerseOneNote) {
    OpenAt(0, 0);
    Type("a b c ");
    Key(VK_ESCAPE);
    const auto positions = [&] {
        std::vector<int> out;
        for (CLyric* l : Syllables(0)) out.push_back(l->PositionField());
        return out;
    };
    // The note positions, read again each time (the run moves as records go in).
    const auto at = [&](int i) { return int(Notes(0).at(std::size_t(i))->PositionField()); };
    ASSERT_EQ(positions(), (std::vector<int>{at(0), at(1), at(2)}));
    const std::vector<std::uint8_t> before = RunBytes(0);
    OpenAt(0, 0);
    EXPECT_EQ(Editor()->Text(), "a");
    doc->textTask->OnCommand(CLyricTask::kShiftRight);
    ASSERT_NE(Editor(), nullptr) << "entry opens again at the note";
    EXPECT_EQ(EditedPosition(), at(0));
    EXPECT_EQ(Editor()->Text(), "");
    EXPECT_EQ(Shown(0), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(positions(), (std::vector<int>{at(1), at(2), at(3)}));
    Key(VK_ESCAPE);
    doc->Undo();
    EXPECT_EQ(RunBytes(0), before) << "the shift undoes to identical bytes";

    OpenAt(0, 0);
    doc->textTask->OnCommand(CLyricTask::kShiftLeft);
    ASSERT_NE(Editor(), nullptr);
    EXPECT_EQ(Editor()->Text(), "b") << "the syllable now at the note is in the editor";
    Key(VK_ESCAPE);
    EXPECT_EQ(Shown(0), (std::vector<std::string>{"b", "c"}));
    EXPECT_EQ(positions(), (std::vector<int>{at(0), at(1)}));
}

// The lyric menu's no-break space and en dash go in at the caret and keep the syllable whole
// (the space is kept in the code page as its unused byte 0xFF).
TEST_F(LyricEntry, TheNoBreakCharactersJoinASyllable) {
    OpenAt(0, 0);
    Type("and");
    doc->textTask->OnCommand(CLyricTask::kNonBreakingSpace);
    Type("I");
    doc->textTask->OnCommand(CLyricTask::kNonBreakingHyphen);
    Type("x ");
    ASSERT_EQ(Syllables(0).size(), 1u);
    EXPECT_EQ(std::string(Syllables(0)[0]->GetText()), std::string("and") + fw::kNoBreakSpace + "I" + fw::kEnDash + "x");
    EXPECT_EQ(Shown(0).size(), 1u);
    ASSERT_NE(Editor(), nullptr) << "entry moved on";
    EXPECT_EQ(EditedPosition(), Notes(0)[1]->PositionField());
}

// With the respacing preference on, a stored syllable respaces its bar: entry still moves on to
// the next note (found from the insertion time), and undo gives back the run and the bar.
TEST_F(LyricEntry, RespacingAfterASyllableKeepsEntryOnTheNotesAndUndoesWhole) {
    g_preferences.SetByte(Preferences::kSpace, 1);
    CBar* bar = score->GetBar(0);
    const std::vector<std::uint8_t> run = RunBytes(0);
    const std::vector<std::uint8_t> barBytes(bar->Bytes(), bar->Bytes() + CBar::kSize);
    OpenAt(0, 0);
    Type("wonderfully long-er ");
    EXPECT_EQ(Shown(0), (std::vector<std::string>{"wonderfully", "long-", "er"}));
    ASSERT_NE(Editor(), nullptr);
    EXPECT_EQ(EditedPosition(), Notes(0)[3]->PositionField());
    Key(VK_ESCAPE);
    while (doc->GetUndoPosition() > 0) doc->Undo();
    EXPECT_EQ(RunBytes(0), run);
    bar = score->GetBar(0);
    // The bar's fields up to its item array (whose reference a swap may renew): its layout.
    const std::vector<std::uint8_t> after(bar->Bytes(), bar->Bytes() + CBar::kItemArray);
    EXPECT_EQ(after, std::vector<std::uint8_t>(barBytes.begin(), barBytes.begin() + CBar::kItemArray));
}
