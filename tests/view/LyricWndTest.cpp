// The lyric window: a verse written as running text and flowed onto the notes of a voice, one
// syllable per note, in one undo step; loaded back with a space for every note without one;
// deleted; the Japanese rule of faces marked Japanese; Chinese syllables through a file.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "ViewFixture.h"
#include "framework/CodePage.h"
#include "framework/MessageBox.h"
#include "model/Bar.h"
#include "model/Lyric.h"
#include "model/LyricFlow.h"
#include "model/LyricWnd.h"
#include "model/Page.h"
#include "model/Preferences.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/TrkBar.h"
#include "model/TrkBarWalk.h"
#include "platform/FontMap.h"
#include "view/ToolState.h"

namespace ui = fw::uitest;

class LyricWindow : public ViewTest {
protected:
    void SetUp() override {
        ViewTest::SetUp();
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
        ASSERT_EQ(Notes(0).size(), 4u);
        ASSERT_EQ(Notes(1).size(), 1u);
        doc->ClearUndo();
        window = std::make_unique<CLyricWnd>();
        ASSERT_TRUE(window->Create(nullptr));
        window->SetDocument(doc.get());
        doc->location.trackIndex = 0;
        doc->location.barIndex = 0;
        doc->location.voice = 0;
        window->Show();
        ASSERT_TRUE(window->IsVisible());
        ui::RunUntilIdle();

    }
    void TearDown() override {
        window.reset();
        ViewTest::TearDown();
    }
    POINT At(int bar, int tick, int staffPosition) {
        CBar* b = score->GetBar(bar);
        CStaff* staff = b->GetLine()->GetStaff(0);
        const RECT paper = score->GetPage(0)->GetPaperRect();
        return POINT{LONG(b->FractionToX(b->TickToFraction(tick, false)) - paper.left),
                     LONG(staff->PositionToY(staffPosition) - paper.top)};
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
    // Every note of bars 0 and 1 with its verse-1 syllable as text with "-" or "_" for its
    // flags ("" none, "()" an empty syllable without flags).
    std::vector<std::string> UnderNotes(int verse = 0) {
        std::vector<std::string> out;
        for (int b = 0; b < 2; ++b)
            for (CBarItem* n : Notes(b)) {
                std::string shown;
                trkbar::ForEachLiveItem(score->GetTrkBar(0, b), [&](CBarItem* it) {
                    if (!it->IsLyric() || it->PositionField() != n->PositionField()) return;
                    auto* l = static_cast<CLyric*>(it);
                    if (l->GetVerse() != verse) return;
                    shown += std::string(l->GetText()) + (l->HasHyphen() ? "-" : "") + (l->HasExtender() ? "_" : "");
                });
                out.push_back(shown);
            }
        return out;
    }
    std::vector<std::uint8_t> RunBytes(int bar) {
        CTrkBar* tb = score->GetTrkBar(0, bar);
        const auto* p = reinterpret_cast<const std::uint8_t*>(tb->GetItems());
        return std::vector<std::uint8_t>(p, p + tb->GetRunLength());
    }
    std::vector<std::uint8_t> Bytes() {
        std::vector<std::uint8_t> all = RunBytes(0), second = RunBytes(1);
        all.insert(all.end(), second.begin(), second.end());
        return all;
    }
    // The live records of bars 0 and 1 (a flow marks the syllables it replaces removed).
    std::vector<std::uint8_t> LiveBytes() {
        std::vector<std::uint8_t> all;
        for (int b = 0; b < 2; ++b)
            trkbar::ForEachLiveItem(score->GetTrkBar(0, b), [&](CBarItem* it) {
                all.insert(all.end(), it->Bytes(), it->Bytes() + it->RecordSizeField());
            });
        return all;
    }
    // The Apply button pressed with the text in the editor.
    void ApplyText(const std::string& text) {
        window->Editor()->SetAllText(text.c_str());
        Press(CLyricWnd::kApply);
    }
    void Press(int id) {
        CWnd* button = window->GetDlgItem(id);
        ASSERT_NE(button, nullptr);
        ASSERT_TRUE(button->IsWindowEnabled()) << "button " << id;
        ui::Click(button, 5, 5);
        ui::RunUntilIdle();
    }

    CScore* score = nullptr;
    CPagePane* pane = nullptr;
    std::unique_ptr<CLyricWnd> window;
};

TEST_F(LyricWindow, ApplyFlowsTheTextOneSyllablePerNoteInOneUndoStep) {
    struct Case {
        const char* text;
        std::vector<std::string> under;
    };
    const Case cases[] = {
        {"Hap-py birth-day", {"Hap-", "py", "birth-", "day", ""}},
        // The extender runs over the next two notes: an empty syllable with the extender on the
        // second, nothing on the third.
        {"love_ _ me", {"love_", "_", "", "me", ""}},
        {"a  b", {"a", "", "b", "", ""}},
        {"a\rb", {"a", "b", "", "", ""}},
        // Past the last note the syllables are dropped without a message.
        {"one two three four five six seven", {"one", "two", "three", "four", "five"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        fw::msgboxtest::Capture boxes;
        const std::vector<std::uint8_t> before = Bytes();
        const int undo = doc->GetUndoPosition();
        ApplyText(c.text);
        EXPECT_EQ(UnderNotes(), c.under);
        EXPECT_TRUE(boxes.shown().empty());
        ASSERT_EQ(doc->GetUndoPosition(), undo + 1) << "one undo step";
        const std::vector<std::uint8_t> after = Bytes();
        doc->Undo();
        EXPECT_EQ(Bytes(), before) << "undone to identical bytes";
        doc->Redo();
        EXPECT_EQ(UnderNotes(), c.under);
        doc->Undo();
    }
    // The syllables' fields: the note's time and position, the verse, holds-text, the first
    // one's verse number when asked, the run's font.
    window->SetCheck(CLyricWnd::kVerseNumberCheck, true);
    window->verseNumber = 1;
    window->SetPlace(1, 1, 1, 2);
    ApplyText("Hap-py");
    EXPECT_EQ(UnderNotes(1), (std::vector<std::string>{"Hap-", "py", "", "", ""}));
    std::vector<CLyric*> verse2;
    trkbar::ForEachLiveItem(score->GetTrkBar(0, 0), [&](CBarItem* it) {
        if (it->IsLyric()) verse2.push_back(static_cast<CLyric*>(it));
    });
    ASSERT_EQ(verse2.size(), 2u);
    EXPECT_EQ(verse2[0]->LyricFlags(), CLyric::kHyphenBit | CLyric::kHoldsTextBit | CLyric::kVerseNumberBit);
    EXPECT_EQ(verse2[1]->LyricFlags(), CLyric::kHoldsTextBit);
    EXPECT_EQ(verse2[1]->TimeField(), Notes(0)[1]->TimeField());
    EXPECT_EQ(verse2[1]->PositionField(), Notes(0)[1]->PositionField());
    EXPECT_EQ(verse2[0]->GetFont().size, g_preferences.Font(4).size);
    EXPECT_EQ(verse2[0]->RecordSizeField(), CLyric::SizeFor(3));
}

TEST_F(LyricWindow, LoadShowsGapsAsSpacesAndApplyPutsTheTextBackUnchanged) {
    ApplyText("a  b-c d");
    ASSERT_EQ(UnderNotes(), (std::vector<std::string>{"a", "", "b-", "c", "d"}));
    const std::vector<std::uint8_t> before = LiveBytes();
    window->Editor()->SetAllText("");
    Press(CLyricWnd::kLoad);
    EXPECT_EQ(window->Editor()->GetText(), "a  b-c d");
    const int undo = doc->GetUndoPosition();
    Press(CLyricWnd::kApply);
    EXPECT_EQ(LiveBytes(), before) << "load then apply changes nothing";
    EXPECT_EQ(doc->GetUndoPosition(), undo + 1);
    // The extender over two notes reads back as it was flowed.
    ApplyText("love_ _ me");
    Press(CLyricWnd::kLoad);
    const std::string loaded = window->Editor()->GetText();
    const std::vector<std::uint8_t> flowed = LiveBytes();
    Press(CLyricWnd::kApply);
    EXPECT_EQ(LiveBytes(), flowed) << loaded;
    // A verse without any syllable loads as an empty text.
    window->SetPlace(1, 1, 1, 3);
    Press(CLyricWnd::kLoad);
    EXPECT_EQ(window->Editor()->GetText(), "");
}

TEST_F(LyricWindow, ApplyIsDisabledOutsideTheTracksBarsVoicesAndVerses) {
    struct Case {
        int track, bar, voice, verse;
        bool enabled;
    };
    const Case cases[] = {{1, 1, 1, 1, true}, {1, 1, 9, 1, false}, {1, 1, 1, 0, false}, {1, 1, 8, 8, true},
                          {1, 1, 1, 9, false}, {0, 1, 1, 1, false}, {1, 0, 1, 1, false},
                          {1, score->GetBarCount() + 1, 1, 1, false}, {score->GetTrackCount() + 1, 1, 1, 1, false}};
    for (const Case& c : cases) {
        window->SetPlace(c.track, c.bar, c.voice, c.verse);
        EXPECT_EQ(window->GetDlgItem(CLyricWnd::kApply)->IsWindowEnabled() != 0, c.enabled)
            << c.track << " " << c.bar << " " << c.voice << " " << c.verse;
    }
    // Typed into the field, the voice is read at once.
    window->SetPlace(1, 1, 1, 1);
    window->SetText(CLyricWnd::kVoiceField, "9");
    ui::RunUntilIdle();
    EXPECT_FALSE(window->GetDlgItem(CLyricWnd::kApply)->IsWindowEnabled());
}

TEST_F(LyricWindow, DeleteRemovesTheVerseUndoably) {
    window->SetPlace(1, 1, 1, 2);
    ApplyText("one two");
    window->SetPlace(1, 1, 1, 1);
    ApplyText("a b c d e");
    const std::vector<std::uint8_t> before = Bytes();
    const int undo = doc->GetUndoPosition();
    Press(CLyricWnd::kDelete);
    EXPECT_EQ(UnderNotes(), (std::vector<std::string>{"", "", "", "", ""}));
    EXPECT_EQ(UnderNotes(1), (std::vector<std::string>{"one", "two", "", "", ""})) << "other verses stay";
    EXPECT_EQ(doc->GetUndoPosition(), undo + 1);
    doc->Undo();
    EXPECT_EQ(Bytes(), before);
    // Nothing to delete leaves no undo step.
    window->SetPlace(1, 1, 1, 5);
    Press(CLyricWnd::kDelete);
    EXPECT_EQ(doc->GetUndoPosition(), undo) << "nothing to delete: no undo step";
    EXPECT_EQ(Bytes(), before);
}

TEST_F(LyricWindow, AJapaneseFaceMakesEveryCharacterASyllableAndTheJoinerJoinsTwo) {
    CFontList* list = GetFontList();
    ASSERT_NE(list, nullptr);
    const int face = g_preferences.Font(4).face;
    // Under the pinned fonts no face writes Japanese alone: the default face is marked so.
    ASSERT_EQ(list->GetCharSet(face), CFontList::kChineseCharSet);
    const std::string sakura = fw::FromUtf8("さくら"), joined = fw::FromUtf8("さ^くら");
    ApplyText(sakura);
    EXPECT_EQ(UnderNotes(), (std::vector<std::string>{sakura, "", "", "", ""})) << "a Chinese face: one word";
    list->SetCharSet(face, CFontList::kJapaneseCharSet);
    ApplyText(sakura);
    const std::vector<std::string> three = UnderNotes();
    ApplyText(joined);
    const std::vector<std::string> two = UnderNotes();
    list->SetCharSet(face, CFontList::kChineseCharSet);
    EXPECT_EQ(three, (std::vector<std::string>{fw::FromUtf8("さ"), fw::FromUtf8("く"), fw::FromUtf8("ら"), "", ""}));
    EXPECT_EQ(two, (std::vector<std::string>{fw::FromUtf8("さく"), fw::FromUtf8("ら"), "", "", ""}));
}

TEST_F(LyricWindow, AVerseOfMoreThanSixtyFourFontRunsIsRefusedAndTheScoreKept) {
    std::string text;
    for (int i = 0; i < 65; ++i) text += "a ";
    window->Editor()->SetAllText(text.c_str());
    for (int i = 0; i < 65; ++i) {
        FontRef f = g_preferences.Font(4);
        f.size = std::uint16_t(10 + i % 2 * 4);
        window->Editor()->SetSel(2 * i, 2 * i + 2);
        window->Editor()->SetSelectionFont(f);
    }
    const std::vector<std::uint8_t> before = Bytes();
    const int undo = doc->GetUndoPosition();
    fw::msgboxtest::Capture boxes;
    Press(CLyricWnd::kApply);
    EXPECT_EQ(boxes.shown().size(), 1u) << "refused with a message";
    EXPECT_EQ(Bytes(), before);
    EXPECT_EQ(doc->GetUndoPosition(), undo);
    // 64 runs flow.
    window->Editor()->SetSel(128, -1);
    FontRef f = g_preferences.Font(4);
    f.size = 14;
    window->Editor()->SetSelectionFont(f);
    Press(CLyricWnd::kApply);
    EXPECT_EQ(doc->GetUndoPosition(), undo + 1);
    EXPECT_EQ(UnderNotes()[0], "a");
}

TEST_F(LyricWindow, ChineseSyllablesSurviveSaveAndLoadByteForByte) {
    const std::string text = fw::FromUtf8("你好 世界　朋友-们");
    ApplyText(text);
    const std::vector<std::string> under = UnderNotes();
    ASSERT_EQ(under, (std::vector<std::string>{fw::FromUtf8("你好"), fw::FromUtf8("世界"), fw::FromUtf8("朋友-"),
                                               fw::FromUtf8("们"), ""}));
    const std::string path = home.root() + "/chinese.zel";
    ASSERT_TRUE(doc->OnSaveDocument(path.c_str()));
    std::vector<std::vector<std::uint8_t>> records;
    trkbar::ForEachLiveItem(score->GetTrkBar(0, 0), [&](CBarItem* it) {
        if (it->IsLyric())
            records.emplace_back(it->Bytes(), it->Bytes() + it->RecordSizeField());
    });
    window->SetDocument(nullptr);
    OpenFile(path, 0);
    score = doc->GetScore();
    std::vector<std::vector<std::uint8_t>> read;
    trkbar::ForEachLiveItem(score->GetTrkBar(0, 0), [&](CBarItem* it) {
        if (it->IsLyric()) read.emplace_back(it->Bytes(), it->Bytes() + it->RecordSizeField());
    });
    ASSERT_EQ(read.size(), 4u);
    EXPECT_EQ(read, records);
}

TEST(LyricScanner, TokensOfTheMarkersSpacesAndLineBreaks) {
    const std::vector<LyricRun> runs{LyricRun{0, FontRef{0, 12, 0, 0}}};
    const auto kinds = [&](const std::string& text) {
        std::string out;
        for (const LyricToken& t : lyricflow::Scan(text, runs, nullptr)) {
            out += t.kind == LyricToken::kSyllable ? t.text + (t.wordEnd ? "|" : "") : t.kind == LyricToken::kHyphen ? "<->"
                   : t.kind == LyricToken::kExtender                                ? "<_>"
                                                                                    : "< >";
        }
        return out;
    };
    EXPECT_EQ(kinds("Hap-py birth-day"), "Hap<->py|birth<->day");
    EXPECT_EQ(kinds("love_ _ me"), "love<_><_>me");
    EXPECT_EQ(kinds("a  b"), "a|< >b");
    EXPECT_EQ(kinds(" a"), "< >a");
    EXPECT_EQ(kinds("a_. b"), "a<_>b");
    EXPECT_EQ(kinds("a\r\nb"), "a|b");
    EXPECT_EQ(kinds("a\xFF" "b c"), "a\xFF" "b|c") << "a no-break space joins";
    EXPECT_EQ(kinds(fw::FromUtf8("你好　世界")), fw::FromUtf8("你好") + "|" + fw::FromUtf8("世界"));
    // Tokens count characters, a double-byte character as one.
    const std::vector<LyricToken> t = lyricflow::Scan(fw::FromUtf8("你好 a"), runs, nullptr);
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(t[1].first, 3);
    EXPECT_EQ(t[1].byteOffset, 5);
}
