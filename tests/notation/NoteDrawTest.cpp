// Notes drawn through the artist, read back from the port's recorded calls: head, stem and flag
// glyphs by value and stem direction, grace slashes, beamed notes, ledger lines and dots.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "NoteDrawSupport.h"

using namespace notetest;

namespace {

class NoteDraw : public NoteDrawTest {};


// Horizontal and vertical line strokes (MoveTo followed by LineTo).
struct Strokes {
    int horizontal = 0, vertical = 0;
    int x = 0, y1 = 0, y2 = 0;  // the last vertical one
};
Strokes CountStrokes(const std::vector<std::string>& log) {
    Strokes s;
    int mx = 0, my = 0;
    for (const auto& line : log) {
        int x, y;
        if (std::sscanf(line.c_str(), "MoveTo %d %d", &x, &y) == 2) {
            mx = x;
            my = y;
        } else if (std::sscanf(line.c_str(), "LineTo %d %d", &x, &y) == 2) {
            if (y == my && x != mx) ++s.horizontal;
            if (x == mx && y != my) {
                ++s.vertical;
                s.x = x;
                s.y1 = my;
                s.y2 = y;
            }
        }
    }
    return s;
}

}  // namespace

TEST_F(NoteDraw, HeadsStemsAndFlagsByValue) {
    struct Case {
        int value;
        bool up, grace, beamed;
        const char* glyphs;  // head, then flag, then grace slash
        int stems;
    };
    const Case cases[] = {
        {3, true, false, false, "t", 1},     // quarter: no flag
        {4, true, false, false, "tI", 1},    // eighth up: 0x49
        {5, true, false, false, "tJ", 1},    // 16th up: 0x4A
        {4, false, false, false, "tY", 1},   // eighth down: 0x59
        {6, false, false, false, "t[", 1},   // 32nd down: 0x5B
        {2, false, false, false, "|", 1},    // half: 0x7C
        {1, true, false, false, "A", 0},     // whole: no stem, no flag
        {0, true, false, false, "@", 0},     // whole bar
        {4, true, true, false, "toI", 1},    // grace eighth: the slash with the stem, one flag
        {6, true, true, false, "toI", 1},    // grace 32nd: still one flag
        {2, true, true, false, "to", 1},     // grace half: the filled head, the slash
        {4, true, false, true, "t", 0},      // beamed: the beam draws stem and flag
        {6, false, true, true, "t", 0},
    };
    for (const Case& c : cases) {
        RecordBuf buf;
        CNote* note = OneHead(buf, 1, c.value, c.up);
        note->SetFlagBit(CRawHead::kGraceBit, c.grace);
        note->SetFlagBit(CRawHead::kBeamedBit, c.beamed);
        const auto log = Record([&] { note->Draw(); });
        EXPECT_EQ(Glyphs(log), c.glyphs) << "value " << c.value << " up " << c.up << " grace " << c.grace;
        EXPECT_EQ(CountStrokes(log).vertical, c.stems) << "value " << c.value << " up " << c.up;
    }
}

TEST_F(NoteDraw, WholeNotesSitWithTheirLeftEdgeOnTheColumn) {
    // Placement mode 1: the glyph's left edge at the note's x, whatever the glyph's width.
    RecordBuf buf;
    CNote* whole = OneHead(buf, 0, 1, true);
    const auto log = Record([&] { whole->Draw(); });
    int x = -1, y = -1;
    for (const auto& line : log)
        if (std::sscanf(line.c_str(), "TextOut %d %d", &x, &y) == 2) break;
    EXPECT_EQ(x, g_notation.noteX);
    EXPECT_EQ(y, staff->PositionToY(0));
}

TEST_F(NoteDraw, StemRunsFromTheHeadToThreeAndAHalfSpaces) {
    for (bool up : {true, false}) {
        RecordBuf buf;
        CNote* note = OneHead(buf, 0, 3, up);
        const auto log = Record([&] { note->Draw(); });
        const Strokes s = CountStrokes(log);
        const int y = staff->PositionToY(0);
        const int sw = notation::StemWidth(), hw = notation::HeadWidth();
        const int length = staff->ScaleOffset(14 * 30);
        ASSERT_EQ(s.vertical, 1);
        EXPECT_EQ(s.x, g_notation.noteX + (up ? hw - sw : 0) + sw / 2);
        EXPECT_EQ(s.y1, up ? y - sw : y + sw);
        EXPECT_EQ(s.y2, up ? y - length + (sw + 1) / 2 : y + length - (sw + 1) / 2);

        int x, yBase, yEnd;
        static_cast<CNote*>(note)->GetStemLine(&x, &yBase, &yEnd);
        EXPECT_EQ(yBase, s.y1);
        EXPECT_EQ(yEnd, up ? y - length : y + length);
    }
}

// An invisible head draws (greyed) only while the current document shows hidden items.
TEST_F(NoteDraw, InvisibleHeadOnlyWhileTheDocumentShowsHiddenItems) {
    RecordBuf buf;
    CNote* note = OneHead(buf, 0, 1, true);  // a whole note: its head glyph alone
    note->Head(0)->SetBits(NoteHead::kShapeByte, NoteHead::kInvisible, true);
    g_model.currentDoc = &doc;
    for (const bool shown : {false, true}) {
        doc.location.hiddenObjects = shown;
        EXPECT_EQ(Glyphs(Record([&] { note->Draw(); })), shown ? "A" : "") << shown;
    }
    doc.location.hiddenObjects = 0;
    g_model.currentDoc = nullptr;
}

TEST_F(NoteDraw, LedgerLinesDots) {
    staff->SetDisplay(std::uint8_t(staff->GetDisplay() | 0x10));
    struct Case {
        int position;
        bool invisible;
        int ledgers;
    };
    const Case cases[] = {{6, false, 1}, {8, false, 2}, {9, false, 2}, {5, false, 0}, {-5, false, 0},
                          {-6, false, 1}, {-10, false, 3}, {8, true, 0}};
    g_model.currentDoc = &doc;
    for (const Case& c : cases) {
        RecordBuf buf;
        CNote* note = OneHead(buf, c.position, 1, true);  // whole note: no stem among the strokes
        note->Head(0)->SetBits(NoteHead::kShapeByte, NoteHead::kInvisible, c.invisible);
        doc.location.hiddenObjects = 1;
        EXPECT_EQ(CountStrokes(Record([&] { note->Draw(); })).horizontal, c.ledgers) << c.position;
    }
    doc.location.hiddenObjects = 0;
    g_model.currentDoc = nullptr;

    RecordBuf buf;
    CNote* dotted = OneHead(buf, 0, 3, true);
    dotted->SetDotCount(2);
    EXPECT_EQ(Glyphs(Record([&] { dotted->Draw(); })), "\xC7\xC7t") << "the dots, then the head";
    dotted->SetFlagBit(CRawHead::kGraceBit, true);
    EXPECT_EQ(Glyphs(Record([&] { dotted->Draw(); })), "to") << "grace notes take no dots";
}
