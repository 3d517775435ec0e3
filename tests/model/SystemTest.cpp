// Systems: the record, its staves, the chunks "LINE" and "STAF", staff placement and the
// justification that spreads a system's width over its bars.
#include <gtest/gtest.h>

#include <vector>

#include "FrameTestSupport.h"
#include "RecordTestSupport.h"
#include "framework/Exceptions.h"
#include "framework/File.h"
#include "model/EngraverSettings.h"
#include "model/ModelGlobals.h"
#include "model/System.h"
#include "model/SystemStaff.h"

using frametest::Chunk;
using recordtest::Bytes;

namespace {

// A system record on its own, Init'ed without a page.
struct LoneLine {
    alignas(8) std::uint8_t bytes[CLine::kSize] = {};
    CLine* line;
    LoneLine() {
        line = CLine::Construct(bytes);
        line->Init(nullptr);
    }
    ~LoneLine() { line->Release(); }
};


// The stored "STAF" body of a default first staff with bracket slot 0 of the given kind and span.
Bytes DefaultStaffBody(bool withLaterFields, std::uint8_t kind = 0, std::uint8_t span = 0) {
    Bytes b = {0, 126, 2, 100, 1, 24, 6, 0, 0, 0,  // size, type, scale, pen, font, space, clef, key, B
               0, 1, 0, 1,                          // flag byte 22 bits 0-3
               0, 0, 1, 1, 1, 1,                    // display bits 2-7
               0, 6, 0x07, 0xC0,                    // note-head width, line mask
               0, 0,                                // spacing of the first staff
               0, 120, 0, 168, 0, 216, 1, 8, 1, 56, 1, 104, 1, 152, 1, 200,  // lyric lines / 5
               0xFF, 0xA0};                         // placement A: -480 / 5
    if (withLaterFields) b.insert(b.end(), {0, 96, 0xFF, 0xD0, 0xFF, 0x70, 0, 0});
    b.insert(b.end(), {kind, span});
    b.insert(b.end(), 38, 0);
    return b;
}

TEST(SystemTest, NewSystemAndStaffDefaults) {
    recordtest::CleanGlobals clean;
    LoneLine l;
    EXPECT_EQ(l.line->GetTopOffset(), 1440);
    EXPECT_EQ(l.line->GetLeftIndent(), 0);
    EXPECT_EQ(l.line->GetRightIndent(), 0);
    EXPECT_EQ(l.line->GetFontSize(), 24);
    EXPECT_EQ(l.line->GetBarCount(), 0);
    EXPECT_EQ(l.line->GetStaffCount(), 0);
    EXPECT_EQ(l.line->GetHeaderWidth(), 6);
    EXPECT_EQ(l.line->GetLayoutWord(), 4);
    EXPECT_EQ(l.line->GetStaff(0), nullptr);
    ASSERT_EQ(l.line->InsertStaff(0), 1);
    CStaff* staff = l.line->GetStaff(0);
    EXPECT_EQ(staff->GetLineSpacing(), 6);
    EXPECT_EQ(staff->GetFontSize(), 24);
    EXPECT_TRUE(staff->IsShown());
    EXPECT_EQ(staff->GetNameIndent(), 60);
}

TEST(SystemTest, LineAndStaffChunksMatchTheirStoredForm) {
    recordtest::CleanGlobals clean;
    LoneLine l;
    ASSERT_EQ(l.line->InsertStaff(0), 1);
    l.line->SetPageIndex(2);
    l.line->SetFirstBarIndex(5);
    l.line->SetBarCount(3);
    rec::Put<std::int16_t>(l.line, CLine::kReserved1, 7);
    rec::Put<std::int16_t>(l.line, CLine::kReserved2, -7);
    l.line->SetLeftIndent(100);
    l.line->SetRightIndent(-50);
    l.line->SetNameIndent(60);
    l.line->SetEndReserve(12);
    const Bytes line = {0, 2, 0, 5, 0, 3, 0, 1, 0, 1, 0xFF, 0xFF, 1, 32, 0, 20, 0xFF, 0xF6, 0, 12, 0, 2};
    Bytes expected = Chunk("LINE", line);
    const Bytes staff = Chunk("STAF", DefaultStaffBody(true));
    expected.insert(expected.end(), staff.begin(), staff.end());
    EXPECT_EQ(recordtest::Written([&](CChunkStream& s) { l.line->Write(s); }), expected);

    recordtest::Reader r(expected);
    LoneLine read;
    read.line->Read(r.stream);
    EXPECT_EQ(rec::Get<std::int16_t>(read.line, CLine::kReserved1), 5);  // 7 stored as 1
    EXPECT_EQ(rec::Get<std::int16_t>(read.line, CLine::kReserved2), -5);  // -7 stored as -1
    ASSERT_EQ(read.line->GetStaffArray()->GetCount(), 1);
    EXPECT_EQ(recordtest::Written([&](CChunkStream& s) { read.line->Write(s); }), expected);
}

TEST(SystemTest, StaffChunkOfAnOlderFileLacksThreePlacementLines) {
    recordtest::CleanGlobals clean;
    SetLoadedFileVersion(0x3FF, 0);
    const Bytes line = {0, 0, 0, 0, 0, 1, 0, 1, 0, 0, 0, 0, 1, 32, 0, 0, 0, 0, 0, 12, 0, 0};
    Bytes file = Chunk("LINE", line);
    const Bytes staff = Chunk("STAF", DefaultStaffBody(false, 2, 1));
    file.insert(file.end(), staff.begin(), staff.end());
    recordtest::Reader r(file);
    LoneLine read;
    read.line->Read(r.stream);
    CStaff* s = read.line->GetStaff(0);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(rec::Get<std::int16_t>(s, CStaff::kPlaceA), -480);
    EXPECT_EQ(rec::Get<std::int16_t>(s, CStaff::kPlaceC), 0);  // not in the chunk
    EXPECT_EQ(s->GetBracketKind(0), 2);                       // the brackets follow A directly
    EXPECT_EQ(s->GetBracketSpan(0), 1);
}

TEST(SystemTest, StaffCountTheFileCannotHoldIsDamage) {
    recordtest::CleanGlobals clean;
    const Bytes line = {0, 0, 0, 0, 0, 1, 0x03, 0xE8, 0, 0, 0, 0, 1, 32, 0, 0, 0, 0, 0, 12, 0, 0};
    recordtest::Reader r(Chunk("LINE", line));
    LoneLine read;
    EXPECT_THROW(read.line->Read(r.stream), CArchiveException);
}

// The layout words are 16-bit values stored divided by 5: a stored word that multiplies out of
// 16 bits was never written.
TEST(SystemTest, StoredLayoutWordsOutsideWhatSixteenBitsHoldAreDamage) {
    const struct {
        int at;            // byte of the word in the chunk's body
        std::uint16_t word;
        bool damage;
    } cases[] = {
        {20, 0x7F00, true},   // end reserve
        {16, 0x8000, true},   // right indent
        {14, 6554, true},     // left indent
        {12, 0xE666, true},   // top offset -6554
        {18, 6553, false},    // name indent
        {20, std::uint16_t(-6553), false},
    };
    for (const auto& c : cases) {
        recordtest::CleanGlobals clean;
        Bytes line = {0, 0, 0, 0, 0, 1, 0, 1, 0, 0, 0, 0, 1, 32, 0, 0, 0, 0, 0, 12, 0, 0};
        line[std::size_t(c.at)] = std::uint8_t(c.word >> 8);
        line[std::size_t(c.at) + 1] = std::uint8_t(c.word);
        Bytes file = Chunk("LINE", line);
        const Bytes staff = Chunk("STAF", DefaultStaffBody(true));
        file.insert(file.end(), staff.begin(), staff.end());
        recordtest::Reader r(file);
        LoneLine read;
        if (c.damage) {
            EXPECT_THROW(read.line->Read(r.stream), CArchiveException) << c.at << " " << c.word;
        } else {
            EXPECT_NO_THROW(read.line->Read(r.stream)) << c.at << " " << c.word;
            EXPECT_EQ(c.at == 18 ? read.line->GetNameIndent() : read.line->GetEndReserve(), std::int16_t(c.word) * 5);
        }
    }
}

TEST(SystemTest, LegacyRawRecordBringsItsStavesAlong) {
    recordtest::CleanGlobals clean;
    // The raw system (size word, then the record from its type byte on), then its staff array
    // in the raw array form with one raw staff.
    Bytes raw(2 + 82, 0);
    raw[0] = 84;
    raw[2] = 1;
    raw[2 + 16 - 6] = 2;             // bar count
    raw[2 + 80 - 6] = 0x55;          // the old staff array pointer
    const Bytes head = {0, 0, 0, 0, 126, 0, 1, 0, 122, 0, 0, 0};
    raw.insert(raw.end(), head.begin(), head.end());
    Bytes staff(2 + 120, 0);
    staff[0] = 122;
    staff[2] = 2;
    staff[2 + 15 - 6] = 7;           // space height
    raw.insert(raw.end(), staff.begin(), staff.end());
    CMemFile file(raw);
    LoneLine l;
    l.line->ReadRaw(file);
    EXPECT_EQ(l.line->GetBarCount(), 2);
    ASSERT_NE(l.line->GetStaffArray(), nullptr);
    ASSERT_EQ(l.line->GetStaffArray()->GetCount(), 1);
    EXPECT_EQ(l.line->GetStaff(0)->GetLineSpacing(), 7);
    EXPECT_EQ(file.GetPosition(), file.GetLength());
    // A staff array that breaks off leaves the system without one and passes the error on.
    Bytes cut(raw.begin(), raw.end() - 40);
    CMemFile broken(cut);
    LoneLine m;
    EXPECT_ANY_THROW(m.line->ReadRaw(broken));
    EXPECT_EQ(m.line->GetStaffArray(), nullptr);
}

TEST(SystemTest, StaffLookupAndNumbering) {
    recordtest::CleanGlobals clean;
    LoneLine l;
    for (int i = 0; i < 3; ++i) ASSERT_EQ(l.line->InsertStaff(i), 1);
    EXPECT_EQ(l.line->GetStaff(-5), l.line->GetStaff(0));
    EXPECT_EQ(l.line->GetStaff(3 + 3), l.line->GetStaff(2));
    l.line->GetStaff(0)->SetShown(false);
    l.line->GetStaff(2)->SetShown(false);
    EXPECT_EQ(l.line->GetStaff(CLine::kFirstShown), l.line->GetStaff(1));
    EXPECT_EQ(l.line->GetStaff(CLine::kLastShown), l.line->GetStaff(1));
    EXPECT_EQ(l.line->CountShownStaves(), 1);
    // A bracket that would run past the last staff is cut back when the staves are numbered.
    l.line->GetStaff(1)->SetBracketSpan(0, 5);
    l.line->RenumberStaves();
    EXPECT_EQ(l.line->GetStaff(1)->GetBracketSpan(0), 1);
    EXPECT_TRUE(l.line->GetStaff(2)->IsLast());
    EXPECT_FALSE(l.line->GetStaff(1)->IsLast());
    // A staff inserted at the top takes no spacing; the one below it the engraver's + 480.
    ASSERT_EQ(l.line->InsertStaff(0), 1);
    EXPECT_EQ(l.line->GetStaff(0)->GetSpacing(), 0);
    EXPECT_EQ(l.line->GetStaff(1)->GetSpacing(), 720 + 480);
    EXPECT_EQ(l.line->GetStaffCount(), 4);
}

TEST(SystemTest, PlaceStavesStacksShownStavesAndTakesTheirSpace) {
    recordtest::CleanGlobals clean;
    frametest::SmallScore s(3, {1});
    CLine* line = s.Line(0);
    line->Relayout();
    const int top = s.Page()->TopToPage(line->GetTopOffset());
    EXPECT_EQ(line->GetStaff(0)->GetTopLine(), top);
    EXPECT_EQ(line->GetStaff(0)->GetMiddleY(), top + 12);
    EXPECT_EQ(line->GetStaff(1)->GetTopLine(), top + (720 + 480) / 20);
    EXPECT_EQ(line->GetTop(), top);
    EXPECT_EQ(line->GetBottom(), line->GetStaff(2)->GetBottomLine());
    EXPECT_EQ(line->GetSpace(), 6);
    EXPECT_EQ(line->GetLeft(), 36);  // the printable left of a US Letter page
    // Tablature staves give no space: with only those the first staff's spacing counts.
    for (int i = 0; i < 3; ++i) line->GetStaff(i)->SetClef(CStaff::kTablatureClef);
    line->GetStaff(0)->SetLineSpacing(5);
    line->GetStaff(1)->SetLineSpacing(9);
    line->PlaceStaves();
    EXPECT_EQ(line->GetSpace(), 5);
    // A one-line staff alone: its line is the system's top and its bottom one below.
    line->GetStaff(1)->SetShown(false);
    line->GetStaff(2)->SetShown(false);
    line->GetStaff(0)->SetLineMask(0x0100);
    line->PlaceStaves();
    EXPECT_EQ(line->GetTop(), line->GetStaff(0)->GetMiddleY());
    EXPECT_EQ(line->GetBottom(), line->GetTop() + 1);
}

// A system of bars whose natural widths and leading parts are in balance, spread over 400.
struct JustifyCase {
    std::vector<int> weights;     // natural width + leading part of each bar, engraver units
    std::vector<int> widths;      // expected widths
};

TEST(SystemTest, JustifySpreadsTheWidthByWeight) {
    recordtest::CleanGlobals clean;
    for (const JustifyCase& c : {JustifyCase{{1000, 2000, 1000}, {100, 200, 100}},
                                 JustifyCase{{1000, 1000, 1000}, {133, 133, 134}},
                                 JustifyCase{{500, 1500}, {100, 300}}}) {
        frametest::SmallScore s(1, {int(c.weights.size())});
        CLine* line = s.Line(0);
        line->SetRect({0, 0, 400, 0});
        line->SetFirstBarX(0);
        const int space = line->GetSpace();
        ASSERT_EQ(space, 6);
        for (std::size_t b = 0; b < c.weights.size(); ++b) {
            CBar* bar = s.Bar(int(b));
            bar->CalcLeadingWidths();
            bar->SetNaturalWidth(c.weights[b] - bar->GetLeadingWidth() * 120 / space);
        }
        line->Justify();
        int x = 0;
        for (std::size_t b = 0; b < c.widths.size(); ++b) {
            EXPECT_EQ(s.Bar(int(b))->GetLeft(), x) << b;
            EXPECT_EQ(s.Bar(int(b))->GetWidth(), c.widths[b]) << b;
            x += c.widths[b];
        }
        EXPECT_EQ(x, 400);
        EXPECT_FALSE(line->IsOverFull());
    }
}

// An end reserve wider than the system leaves its bars no room, never a negative width; one
// below 0 never carries them past the system's end.
TEST(SystemTest, JustifyKeepsTheBarsInsideTheSystemWhateverTheReserve) {
    const struct {
        int reserve;     // 1/120 of a staff space
        int total;       // the bars' widths together
    } cases[] = {{0, 400}, {1200, 340}, {20000, 0}, {-20000, 400}};
    for (const auto& c : cases) {
        recordtest::CleanGlobals clean;
        frametest::SmallScore s(1, {4});
        CLine* line = s.Line(0);
        line->SetRect({0, 0, 400, 0});
        line->SetFirstBarX(0);
        line->SetEndReserve(std::int16_t(c.reserve));
        line->Justify();
        int sum = 0;
        for (int b = 0; b < 4; ++b) {
            EXPECT_GE(s.Bar(b)->GetWidth(), 0) << c.reserve << " bar " << b;
            sum += s.Bar(b)->GetWidth();
        }
        EXPECT_EQ(sum, c.total) << c.reserve;
    }
}

TEST(SystemTest, JustifyWithCoveredBars) {
    recordtest::CleanGlobals clean;
    frametest::SmallScore s(1, {3});
    CLine* line = s.Line(0);
    line->SetRect({0, 0, 400, 0});
    line->SetFirstBarX(0);
    // Bars 1 and 2 lie under a multi-bar rest: bar 0 takes the width, they sit at the end.
    s.Bar(1)->SetBarFlag(CBar::kCoveredBit, true);
    s.Bar(2)->SetBarFlag(CBar::kCoveredBit, true);
    line->Justify();
    EXPECT_EQ(s.Bar(0)->GetWidth(), 400);
    EXPECT_EQ(s.Bar(1)->GetWidth(), 1);
    EXPECT_EQ(s.Bar(2)->GetLeft(), 399);
    EXPECT_EQ(s.Bar(1)->GetLeft(), 398);
    // With every bar covered nothing changes.
    s.Bar(0)->SetBarFlag(CBar::kCoveredBit, true);
    s.Bar(0)->SetWidth(77);
    line->Justify();
    EXPECT_EQ(s.Bar(0)->GetWidth(), 77);
}

TEST(SystemTest, JustifyMarksASystemOverFull) {
    recordtest::CleanGlobals clean;
    frametest::SmallScore s(1, {2});
    CLine* line = s.Line(0);
    line->SetRect({0, 0, 100, 0});
    line->SetFirstBarX(0);
    // Natural space 3000 at space 6 needs 150 of the 100 the system has.
    s.Bar(0)->SetNaturalSpace(3000);
    line->Justify();
    EXPECT_TRUE(line->IsOverFull());
    s.Bar(0)->SetNaturalSpace(100);
    s.Bar(1)->SetNaturalSpace(100);
    line->Justify();
    EXPECT_FALSE(line->IsOverFull());
}

TEST(SystemTest, StaffSpacingCarriesCrossStaffBeams) {
    recordtest::CleanGlobals clean;
    frametest::SmallScore s(2, {1});
    CLine* line = s.Line(0);
    struct Case {
        int track;
        std::uint8_t offsets;  // start in bits 0-2, end in bits 3-5
        std::uint8_t flags;    // stems of its first and last notes (bits 2 and 3)
        int y1, y2;            // after a change of +100 (from 10 and 20)
    };
    const Case cases[] = {
        {0, 0x01, 0x00, 10, 120},   // staff above, start below: the end moves
        {0, 0x01, 0x0C, -90, 20},   // both stems up: the start moves up
        {0, 0x01, 0x04, -40, 70},   // only the first: half each way
        {0, 0x08, 0x00, 110, 20},   // end on the staff below
        {1, 0x07, 0x08, 60, -30},   // staff below, start above, only the last stem: half each way
        {1, 0x00, 0x00, 10, 20},    // on its own staff: untouched
    };
    std::vector<CBarItem*> beams;
    for (const Case& c : cases) {
        CBarItem* beam = s.TrkBar(c.track, 0)->NewItem(16, 0);
        ASSERT_NE(beam, nullptr);
        rec::Put<std::uint8_t>(beam, 17, c.offsets);
        rec::Put<std::uint8_t>(beam, 30, c.flags);
        rec::Put<std::int16_t>(beam, 42, 10);
        rec::Put<std::int16_t>(beam, 44, 20);
    }
    line->SetStaffSpacing(1, line->GetStaff(1)->GetSpacing() + 100);
    for (const Case& c : cases) {
        bool seen = false;
        CBarItem* p = s.TrkBar(c.track, 0)->GetItems();
        for (; p->TypeCode() != 255; p = p->NextItem()) {
            if (p->TypeCode() != 16 || rec::Get<std::uint8_t>(p, 17) != c.offsets || rec::Get<std::uint8_t>(p, 30) != c.flags)
                continue;
            EXPECT_EQ(rec::Get<std::int16_t>(p, 42), c.y1) << int(c.offsets) << " " << int(c.flags);
            EXPECT_EQ(rec::Get<std::int16_t>(p, 44), c.y2) << int(c.offsets) << " " << int(c.flags);
            seen = true;
        }
        EXPECT_TRUE(seen);
    }
}

TEST(SystemTest, MeasureHeaderSizesClefKeyAndTime) {
    recordtest::CleanGlobals clean;
    frametest::SmallScore s(1, {1});
    CLine* line = s.Line(0);
    CStaff* staff = line->GetStaff(0);
    // Clef only: 120 + 600 - 150 at space 6.
    staff->SetDisplay(CStaff::kClefShownBit);
    line->MeasureHeader();
    EXPECT_EQ(line->GetClefWidth(), 29);  // 570 x 6 / 120 = 28.5
    EXPECT_EQ(line->GetHeaderWidth(), 29);
    EXPECT_EQ(line->GetFirstBarX(), line->GetLeft() + 29);
    // Three sharps: the clef gap narrows and the key takes 3 x 120 + 180.
    staff->SetDisplay(CStaff::kClefShownBit | CStaff::kKeyShownBit);
    staff->SetKey(10);
    line->MeasureHeader();
    EXPECT_EQ(line->GetClefWidth(), 27);  // 540
    EXPECT_EQ(line->GetKeyWidth(), 27);   // 540
    EXPECT_EQ(line->GetHeaderWidth(), 54);
}

TEST(SystemTest, CopyKeepsTheTargetsStaffArray) {
    recordtest::CleanGlobals clean;
    LoneLine from, to;
    ASSERT_EQ(from.line->InsertStaff(0), 1);
    ASSERT_EQ(from.line->InsertStaff(1), 1);
    from.line->SetTopOffset(2000);
    CStaffArray* kept = to.line->GetStaffArray();
    ASSERT_TRUE(from.line->CopyTo(to.line));
    EXPECT_EQ(to.line->GetTopOffset(), 2000);
    EXPECT_EQ(to.line->GetStaffArray(), kept);
    EXPECT_EQ(kept->GetCount(), 2);
    EXPECT_NE(kept, from.line->GetStaffArray());
}

}  // namespace
