// Texts typed straight onto the page: the text tool's click opens the rich-text editor over the
// page pane, the keys and the Edit and style commands reach it, and ending entry stores a bar,
// system or page text with its style runs and line table (or one font) as one undo step.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "ViewFixture.h"
#include "framework/CmdUI.h"
#include "framework/CodePage.h"
#include "framework/Cursor.h"
#include "framework/Input.h"
#include "framework/MessageBox.h"
#include "model/Bar.h"
#include "model/ItemArray.h"
#include "model/Page.h"
#include "model/Preferences.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Text.h"
#include "model/TextTask.h"
#include "model/TrkBar.h"
#include "model/TrkBarWalk.h"
#include "view/ToolState.h"

namespace {

std::string Cp(const char* utf8) { return fw::FromUtf8(utf8); }

std::string SavedPath() {
    char temp[] = "/tmp/textentry-XXXXXX";
    const int fd = mkstemp(temp);
    close(fd);
    return temp;
}

// The text items of a track's bar.
std::vector<CText*> TrackTexts(CScore* score, int track, int bar) {
    std::vector<CText*> out;
    trkbar::ForEachLiveItem(score->GetTrkBar(track, bar), [&](CBarItem* it) {
        if (it->TypeCode() == CText::kTypeCode) out.push_back(reinterpret_cast<CText*>(it));
    });
    return out;
}

std::string TextOf(const CText* t) { return std::string(t->GetText()); }

}  // namespace

class TextEntry : public ViewTest {
protected:
    void SetUp() override {
        ViewTest::SetUp();
        // Each test's clicks lie far in time from the last test's, so none pairs with one of
        // them into a double click.
        static DWORD start = 1000;
        start += 100000;
        fw::clocktest::SetManual(start);
        Open(1, 0);
        score = doc->GetScore();
        pane = view->GetPane(0);
        g_toolState.tool = ToolState::kText;
        g_toolState.button = 0;
        g_preferences.SetDefaultFonts();
    }
    // The pane point over bar `bar` at a staff position of the first track.
    POINT At(int bar, int fraction, int staffPosition) {
        CBar* b = score->GetBar(bar);
        CStaff* staff = b->GetLine()->GetStaff(0);
        const RECT paper = score->GetPage(0)->GetPaperRect();
        return POINT{LONG(b->FractionToX(fraction) - paper.left), LONG(staff->PositionToY(staffPosition) - paper.top)};
    }
    void ClickAt(POINT p) {
        // The pointer comes from elsewhere, so the hover runs at the point.
        fw::uitest::Move(pane, int(p.x) + 7, int(p.y) + 5);
        fw::uitest::Move(pane, int(p.x), int(p.y));
        fw::uitest::Click(pane, int(p.x), int(p.y));
        fw::uitest::RunUntilIdle();
    }
    CTextEdit* Editor() { return doc->textTask ? doc->textTask->Editor() : nullptr; }
    // A click above bar 0, then the text typed.
    void Open(const char* text, POINT p = POINT{-1, -1}) {
        if (p.x < 0) p = At(0, 100, 12);
        ClickAt(p);
        ASSERT_NE(Editor(), nullptr) << "the click opens the editor";
        if (*text) fw::uitest::Type(Editor(), text);
        fw::uitest::RunUntilIdle();
    }
    void Key(int vk, bool keypad = false) {
        ASSERT_NE(Editor(), nullptr);
        fw::uitest::Key(Editor(), vk, fw::uitest::kNone, keypad);
        fw::uitest::RunUntilIdle();
    }
    using ViewTest::Open;

    CScore* score = nullptr;
    CPagePane* pane = nullptr;
};

TEST_F(TextEntry, ATypedLineInOneFontIsOneSingleFontTextAndOneUndoStep) {
    Open("Allegro");
    EXPECT_EQ(Editor()->Text(), "Allegro");
    EXPECT_EQ(doc->GetUndoCount(), 1) << "the task is on the undo list from the click";
    Key(VK_ESCAPE);
    EXPECT_EQ(doc->textTask, nullptr) << "Esc ends entry";
    EXPECT_EQ(pane->textEditor, nullptr);
    const std::vector<CText*> texts = TrackTexts(score, 0, 0);
    ASSERT_EQ(texts.size(), 1u);
    const CText* t = texts[0];
    EXPECT_EQ(TextOf(t), "Allegro");
    EXPECT_TRUE(t->IsSingleFont());
    EXPECT_EQ(t->GetKind(), CText::kBarText);
    EXPECT_EQ(t->GetTextLength(), 8) << "bytes with the zero, even";
    EXPECT_EQ(t->RecordSizeField(), CText::kFixedSize + 8 + 6);
    EXPECT_EQ(t->GetSingleFont().size, g_preferences.Font(0).size) << "the palette's font, in score units";
    EXPECT_GT(t->GetWidth(), 0);
    EXPECT_GT(t->GetHeight(), 0);
    EXPECT_LT(t->GetY(), 0) << "above the staff's middle";
    EXPECT_TRUE(t->CheckLayout());
    EXPECT_EQ(doc->GetUndoCount(), 1);
    doc->Undo();
    EXPECT_TRUE(TrackTexts(score, 0, 0).empty());
    doc->Redo();
    EXPECT_EQ(TrackTexts(score, 0, 0).size(), 1u);
}

TEST_F(TextEntry, KeypadEnterEndsEntryAndTheMainEnterBreaksTheLine) {
    Open("ab");
    Key(VK_RETURN);
    ASSERT_NE(Editor(), nullptr) << "the main Enter keeps entry open";
    fw::uitest::Type(Editor(), "cde");
    fw::uitest::RunUntilIdle();
    EXPECT_EQ(Editor()->GetLineCount(), 2);
    Key(VK_RETURN, true);
    EXPECT_EQ(doc->textTask, nullptr) << "keypad Enter ends entry";
    const std::vector<CText*> texts = TrackTexts(score, 0, 0);
    ASSERT_EQ(texts.size(), 1u);
    CText* t = texts[0];
    EXPECT_EQ(TextOf(t), "ab\rcde") << "a line break is stored as a carriage return, no line feed";
    EXPECT_FALSE(t->IsSingleFont()) << "a second line gives the tables";
    ASSERT_TRUE(t->CheckLayout());
    EXPECT_EQ(t->GetRunCount(), 1);
    ASSERT_EQ(t->GetLineCount(), 2);
    EXPECT_EQ(t->GetLineWord(0, 0), 0);
    EXPECT_EQ(t->GetLineWord(1, 0), 3) << "the second line starts past the break";
    EXPECT_GT(t->GetLineWord(0, 2), 0) << "height";
    EXPECT_GT(t->GetLineWord(0, 3), 0) << "ascent";
    EXPECT_LE(t->GetLineWord(0, 3), t->GetLineWord(0, 2));
}

TEST_F(TextEntry, BoldFromTheStyleCommandGivesASecondRunCountedInCharacters) {
    Open("");
    fw::uitest::Type(Editor(), Cp("快板ab").c_str());
    fw::uitest::RunUntilIdle();
    EXPECT_EQ(Editor()->GetTextLength(), 4) << "a double-byte character is one";
    Editor()->SetSel(2, 4);
    doc->OnCommandRange(CTextEdit::kBold);
    EXPECT_EQ(doc->textTask->lastCommand, CTextEdit::kBold);
    // The style bar's state follows the caret.
    Editor()->SetSel(3, 3);
    doc->OnCommandRange(CTextEdit::kAlignCentre);
    EXPECT_EQ(doc->textTask->alignment, 1);
    EXPECT_EQ(doc->textTask->styleBits, FontRef::kBold);
    std::vector<std::uint8_t> styled;
    int alignment = -1;
    Editor()->GetStyledText(styled, &alignment);
    EXPECT_EQ(alignment, 1);
    const std::string text = Cp("快板ab");
    ASSERT_GE(styled.size(), 2 + 6u + 2);
    std::int16_t length = 0, runs = 0;
    std::memcpy(&length, styled.data(), 2);
    EXPECT_EQ(length, 8) << "6 bytes and the zero, even";
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(styled.data() + 2)), text);
    std::memcpy(&runs, styled.data() + 2 + length, 2);
    ASSERT_EQ(runs, 2);
    std::int16_t second = 0;
    std::memcpy(&second, styled.data() + 2 + length + 2 + 8, 2);
    EXPECT_EQ(second, 2) << "the bold run starts at the third character";
    FontRef bold{};
    std::memcpy(&bold, styled.data() + 2 + length + 2 + 8 + 2, sizeof bold);
    EXPECT_EQ(bold.style, FontRef::kBold);

    Key(VK_ESCAPE);
    const std::vector<CText*> texts = TrackTexts(score, 0, 0);
    ASSERT_EQ(texts.size(), 1u);
    CText* t = texts[0];
    EXPECT_EQ(TextOf(t), text);
    ASSERT_FALSE(t->IsSingleFont());
    ASSERT_EQ(t->GetRunCount(), 2);
    EXPECT_EQ(t->GetRunOffset(0), 0);
    EXPECT_EQ(t->GetRunOffset(1), 2);
    EXPECT_EQ(t->GetRunFont(1).style, FontRef::kBold);
    EXPECT_EQ(t->GetAlignment(), 1);
    EXPECT_EQ(t->GetLineCount(), 1);
    // Drawn without trouble.
    pane->InvalidateAll();
    fw::uitest::RunUntilIdle();
}

TEST_F(TextEntry, ChineseTextSurvivesSaveAndLoadByteForByte) {
    Open(Cp("Allegro 快板").c_str());
    Key(VK_ESCAPE);
    ASSERT_EQ(TrackTexts(score, 0, 0).size(), 1u);
    const std::string path = SavedPath();
    ASSERT_TRUE(doc->WriteNative(path.c_str()));
    CZelDoc again;
    ASSERT_TRUE(again.OnOpenDocument(path.c_str()));
    const std::vector<CText*> texts = TrackTexts(again.GetScore(), 0, 0);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(TextOf(texts[0]), Cp("Allegro 快板"));
    EXPECT_EQ(texts[0]->GetTextLength(), 14);
    std::remove(path.c_str());
}

TEST_F(TextEntry, ANewTextLeftEmptyLeavesNoRecordAndNoUndoEntry) {
    Open("x");
    Key(VK_BACK);
    EXPECT_EQ(Editor()->GetTextLength(), 0);
    Key(VK_ESCAPE);
    EXPECT_TRUE(TrackTexts(score, 0, 0).empty());
    EXPECT_EQ(doc->GetUndoCount(), 0);
    EXPECT_EQ(doc->textTask, nullptr);
}

TEST_F(TextEntry, AClickOnTheTextReopensItAndErasingItAllRemovesItUndoably) {
    Open("ab");
    Key(VK_RETURN);
    fw::uitest::Type(Editor(), "cd");
    doc->OnCommandRange(CTextEdit::kAlignRight);
    doc->OnCommandRange(CTextEdit::kBackground);
    Key(VK_ESCAPE);
    ASSERT_EQ(TrackTexts(score, 0, 0).size(), 1u);
    CText* t = TrackTexts(score, 0, 0)[0];
    EXPECT_TRUE(t->IsOpaque());
    EXPECT_EQ(t->GetAlignment(), 2);
    // The text's own place: its top-left inside.
    CStaff* staff = score->GetBar(0)->GetLine()->GetStaff(0);
    const RECT paper = score->GetPage(0)->GetPaperRect();
    // A point on the second line.
    const POINT inside{LONG(score->GetBar(0)->FractionToX(t->PositionField()) + staff->ScaleOffset(t->GetX()) + 3 - paper.left),
                       LONG(staff->OffsetToY(t->GetY()) + staff->ScaleOffset(t->GetLineWord(0, 2)) + 4 - paper.top)};
    ClickAt(inside);
    ASSERT_NE(Editor(), nullptr) << "a click on the text reopens it";
    EXPECT_EQ(Editor()->Text(), "ab\rcd");
    int caret = -1, end = -1;
    Editor()->GetSel(caret, end);
    EXPECT_GE(caret, 3) << "the caret lands on the clicked line";
    EXPECT_EQ(Editor()->GetAlignment(), 2);
    EXPECT_EQ(Editor()->background, 1);
    EXPECT_EQ(doc->GetUndoCount(), 2);
    Editor()->SetSel(0, -1);
    doc->OnCommandRange(CTextEdit::kClear);
    Key(VK_ESCAPE);
    EXPECT_TRUE(TrackTexts(score, 0, 0).empty()) << "an emptied text goes";
    EXPECT_EQ(doc->GetUndoCount(), 2);
    doc->Undo();
    ASSERT_EQ(TrackTexts(score, 0, 0).size(), 1u);
    EXPECT_EQ(TextOf(TrackTexts(score, 0, 0)[0]), "ab\rcd");
}

TEST_F(TextEntry, AnExistingTextEditedPastTheLimitKeepsItsRecord) {
    Open("keep");
    Key(VK_ESCAPE);
    CText* t = TrackTexts(score, 0, 0)[0];
    const std::vector<std::uint8_t> before(t->Bytes(), t->Bytes() + t->RecordSizeField());
    // Reopened through the double click's entry, then filled past 2,048 characters.
    doc->currentPane = pane;
    ASSERT_TRUE(StartTextEntry(*t));
    ASSERT_NE(Editor(), nullptr);
    Editor()->SetAllText(std::string(2049, 'x').c_str());
    fw::msgboxtest::Capture boxes;
    pane->CloseTextEditor();
    ASSERT_EQ(boxes.shown().size(), 1u) << "the user is told";
    EXPECT_NE(boxes.shown()[0].text.find("2048"), std::string::npos);
    const std::vector<CText*> texts = TrackTexts(score, 0, 0);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(std::vector<std::uint8_t>(texts[0]->Bytes(), texts[0]->Bytes() + texts[0]->RecordSizeField()), before);
    EXPECT_EQ(doc->GetUndoCount(), 1) << "the refused edit leaves no undo step";
}

TEST_F(TextEntry, ATextOfMoreThan1024LinesIsRefused) {
    Open("");
    std::string text;
    for (int i = 0; i < 1025; ++i) text += "a\r";
    Editor()->SetAllText(text.c_str());
    EXPECT_GT(Editor()->GetLineCount(), 1024);
    Key(VK_ESCAPE);
    EXPECT_TRUE(TrackTexts(score, 0, 0).empty());
    EXPECT_EQ(doc->GetUndoCount(), 0);
}

// The text palette's items: 0 a bar text of the clicked track, 1 and 2 system texts in the bar's
// own items (2 framed), 3 a page text.
TEST_F(TextEntry, ThePaletteItemPlacesTheTextByKind) {
    for (int kind = 0; kind < 4; ++kind) {
        SCOPED_TRACE(kind);
        g_toolState.button = std::int16_t(kind);
        const int pageTexts = score->GetPageTextArray()->GetCount();
        Open("Tx", At(0, 200, 14 + kind * 4));
        Key(VK_ESCAPE);
        std::vector<CText*> found;
        if (kind == 0) found = TrackTexts(score, 0, 0);
        if (kind == 1 || kind == 2) {
            CItemArray* items = score->GetBar(0)->GetItemArray();
            for (int i = 0; items && i < items->GetCount(); ++i) {
                auto* it = static_cast<CBarItem*>(items->GetAt(i));
                if (it->TypeCode() == CText::kTypeCode && !it->IsRemoved() && reinterpret_cast<CText*>(it)->GetKind() == kind)
                    found.push_back(reinterpret_cast<CText*>(it));
            }
        }
        if (kind == 3) {
            ASSERT_EQ(score->GetPageTextArray()->GetCount(), pageTexts + 1);
            found.push_back(reinterpret_cast<CText*>(score->GetPageTextArray()->GetAt(pageTexts)));
            EXPECT_EQ(found.back()->TypeCode(), CText::kPageTypeCode);
            EXPECT_EQ(found.back()->GetPageNumber(), 0);
            EXPECT_GT(found.back()->GetY(), 0) << "below the printable top";
        }
        ASSERT_EQ(found.size(), 1u);
        EXPECT_EQ(found[0]->GetKind(), kind);
        EXPECT_EQ(found[0]->IsSystemText(), kind == 1 || kind == 2);
        EXPECT_EQ(found[0]->IsFramed(), kind == 2);
        EXPECT_TRUE(found[0]->CheckLayout());
    }
    EXPECT_EQ(doc->GetUndoCount(), 4);
    for (int i = 0; i < 4; ++i) doc->Undo();
    EXPECT_TRUE(TrackTexts(score, 0, 0).empty());
}

TEST_F(TextEntry, TheEditMenuReachesTheEditor) {
    Open("abc");
    Editor()->SetSel(0, 3);
    doc->OnCommandRange(CTextEdit::kCopy);
    Editor()->SetSel(3, 3);
    CCmdUI paste(CTextEdit::kPaste);
    doc->textTask->OnUpdateCommand(&paste);
    EXPECT_TRUE(paste.enabled) << "the clipboard holds the copy";
    doc->OnCommandRange(CTextEdit::kPaste);
    EXPECT_EQ(Editor()->Text(), "abcabc");
    CCmdUI undo(CTextEdit::kUndo);
    doc->textTask->OnUpdateCommand(&undo);
    EXPECT_TRUE(undo.enabled);
    doc->OnCommandRange(CTextEdit::kUndo);
    EXPECT_EQ(Editor()->Text(), "abc") << "the editor's own undo";
    EXPECT_EQ(doc->GetUndoCount(), 1) << "the score's undo list is untouched";
    Key(VK_ESCAPE);
}

TEST_F(TextEntry, TypingGrowsTheRightEdgeOnly) {
    Open("a");
    RECT before{};
    Editor()->GetWindowRect(&before);
    fw::uitest::Type(Editor(), "bcdefgh");
    fw::uitest::RunUntilIdle();
    RECT after{};
    Editor()->GetWindowRect(&after);
    EXPECT_EQ(after.left, before.left);
    EXPECT_GT(after.right, before.right + 20);
    Key(VK_ESCAPE);
}

TEST_F(TextEntry, EdgeZonesGiveTheirCursorsAndTheTopLeftCornerDragsTwoEdges) {
    Open("abcdef");
    CTextEdit* e = Editor();
    RECT c{};
    e->GetClientRect(&c);
    const int w = int(c.right), h = int(c.bottom);
    ASSERT_GT(w, 8);
    ASSERT_GT(h, 8);
    struct Zone {
        POINT at;
        int zone;
    } zones[] = {
        {{0, h / 2}, CTextEdit::kLeftEdge},    {{w - 1, h / 2}, CTextEdit::kRightEdge},
        {{w / 2, 0}, CTextEdit::kTopEdge},     {{w / 2, h - 1}, CTextEdit::kBottomEdge},
        {{0, 0}, CTextEdit::kTopLeft},         {{w - 1, 0}, CTextEdit::kTopRight},
        {{0, h - 1}, CTextEdit::kBottomLeft},  {{w - 1, h - 1}, CTextEdit::kBottomRight},
        {{w / 2, h / 2}, CTextEdit::kInside},
    };
    for (const Zone& z : zones) EXPECT_EQ(e->HitZoneAt(z.at), z.zone) << z.at.x << "," << z.at.y;
    RECT before{};
    e->GetWindowRect(&before);
    // The page under the frame's bottom line, before, while and after the drag.
    RECT inPane = before;
    pane->ScreenToClient(&inPane);
    const RECT bottomLine{inPane.left - 20, inPane.bottom - 1, inPane.right + 20, inPane.bottom};
    const std::vector<COLORREF> page = Pixels(pane, bottomLine);
    std::vector<COLORREF> whileDragging;
    fw::uitest::Press(e, 0, 0);
    fw::uitest::Move(e, -5, -3);
    fw::uitest::Call([&] { whileDragging = Pixels(pane, bottomLine); });
    fw::uitest::Move(e, -12, -9);
    fw::uitest::Release(e, -12, -9);
    fw::uitest::RunUntilIdle();
    EXPECT_GT(Differ(whileDragging, page), 10) << "the frame is drawn inverted while the button is down";
    EXPECT_EQ(Differ(Pixels(pane, bottomLine), page), 0) << "and taken away again";
    ASSERT_EQ(Editor(), e);
    RECT after{};
    e->GetWindowRect(&after);
    EXPECT_EQ(after.left, before.left - 12);
    EXPECT_EQ(after.top, before.top - 9);
    EXPECT_EQ(after.right, before.right);
    EXPECT_EQ(after.bottom, before.bottom);
    // The caret still works inside.
    fw::uitest::Type(e, "g");
    fw::uitest::RunUntilIdle();
    EXPECT_EQ(e->Text().size(), 7u);
    Key(VK_ESCAPE);
}

TEST_F(TextEntry, SelectionFontAndCaretFontRoundTripEverySize) {
    Open("ab");
    for (int size : {1, 6, 7, 9, 10, 11, 12, 13, 14, 16, 18, 20, 24, 28, 36, 48, 72, 96, 127}) {
        FontRef f{0, std::uint16_t(size), FontRef::kItalic, 0};
        Editor()->SetSel(0, -1);
        Editor()->SetSelectionFont(f);
        Editor()->SetSel(1, 1);
        FontRef back{};
        Editor()->GetCaretFont(back);
        EXPECT_EQ(back.size, size);
        EXPECT_EQ(back.face, 0);
        EXPECT_EQ(back.style, FontRef::kItalic);
    }
    Key(VK_ESCAPE);
}

TEST_F(TextEntry, ALyricEditorGrowsOnBothSides) {
    CTextEdit e;
    ASSERT_TRUE(e.Init(RECT{200, 100, 210, 120}, pane, 0, true));
    e.ShowWindow(SW_SHOW);
    e.SetSelectionFont(FontRef{0, 16, 0, 0});
    e.SetAllText("syllable");
    e.FitWidth();
    RECT r{};
    e.GetWindowRect(&r);
    pane->ScreenToClient(&r);
    EXPECT_LT(r.left, 190);
    EXPECT_GT(r.right, 220);
    EXPECT_NEAR((r.left + r.right) / 2.0, 205.0, 1.0) << "the middle stays";
}

TEST_F(TextEntry, ASecondLineAsksForARectangleOfTwoLines) {
    Open("ab");
    RECT one{};
    Editor()->GetWindowRect(&one);
    Key(VK_RETURN);
    fw::uitest::Type(Editor(), "cd");
    fw::uitest::RunUntilIdle();
    RECT two{};
    Editor()->GetWindowRect(&two);
    EXPECT_EQ(two.top, one.top);
    EXPECT_GE(two.bottom - two.top, 2 * (one.bottom - one.top) - 2) << "the request to resize gave it room";
    Key(VK_ESCAPE);
}

TEST_F(TextEntry, TheStyleBarsFontAndSizeGoToTheSelection) {
    Open("Lento");
    CTextTask* task = doc->textTask;
    Editor()->SetSel(0, -1);
    task->font.size = 24;
    task->ApplyFont();
    EXPECT_EQ(task->font.size, 24) << "the caret's font read back in score units";
    Key(VK_ESCAPE);
    const std::vector<CText*> texts = TrackTexts(score, 0, 0);
    ASSERT_EQ(texts.size(), 1u);
    ASSERT_TRUE(texts[0]->IsSingleFont());
    EXPECT_EQ(texts[0]->GetSingleFont().size, 24);
    EXPECT_EQ(CWnd::GetFocus(), static_cast<CWnd*>(view)) << "the keys go to the score window again";
}
