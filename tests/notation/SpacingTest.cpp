// Column widths and positions of a bar of a track, on the program's own notes and rests: what
// the script cases (tests/data/model/spacing) cannot build, ties into the next bar, collision
// marks taken back, lyric syllables of a measured width, and bars larger than any fixed table.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "EntryTestSupport.h"
#include "model/BarSpacing.h"
#include "model/ItemClass.h"

namespace {

using entrytest::EntryTest;
class Spacing : public EntryTest {};

// A record of the voice from a position to a position `bars` bars on, with its end bar and end
// position words where its kind keeps them: a two-ended item at 22 and 24, a hairpin at 24 and 26.
CBarItem* AddSpanning(CTrkBar* tb, int type, int time, int start, int bars, int end) {
    CBarItem* item = tb->NewItem(type, time);
    if (!item) return nullptr;
    const std::size_t at = type == 19 ? 24 : 22;
    item->SetPositionField(std::int16_t(start));
    rec::Put<std::int16_t>(item, at, std::int16_t(bars));
    rec::Put<std::int16_t>(item, at + 2, std::int16_t(end));
    return item;
}

TEST_F(Spacing, TwoEndedItemsAndHairpinsFollowTheirNotesWithinTheBarOnly) {
    CTrkBar* tb = TrkBar(0);
    AddNote(tb, {.time = 480});
    AddNote(tb, {.time = 1440});
    // Old positions of their own, as an earlier spacing left them.
    NotesAndRests(tb)[0]->SetPositionField(300);
    NotesAndRests(tb)[1]->SetPositionField(900);
    CBar* bar = tb->GetBar();
    const int at480 = bar->TickToFraction(480, false), at1440 = bar->TickToFraction(1440, false);
    struct Case {
        int type, time, start, bars, end;
        int wantStart, wantEnd;
        const char* what;
    } cases[] = {
        {30, 1440, 900, 1, 55, at1440, 55, "a tie into the next bar: its end there is left alone"},
        {27, 480, 300, 0, 900, at480, at1440, "a slur inside the bar"},
        {31, 480, 300, 0, 900, at480, at1440, "a tuplet over the two notes"},
        {19, 480, 300, 0, 900, at480, at1440, "a hairpin inside the bar"},
        {19, 1440, 900, 2, 300, at1440, 300, "a hairpin into a later bar"},
        {27, 480, 301, 0, 899, 301, 899, "a slur whose ends stand at no note's old column stays"},
    };
    for (const Case& c : cases) ASSERT_NE(AddSpanning(tb, c.type, c.time, c.start, c.bars, c.end), nullptr) << c.what;
    tb->RecalcPositions(-1);
    std::vector<CBarItem*> spanning;
    for (CBarItem* r : Live(tb))
        if (!r->IsNoteOrRest()) spanning.push_back(r);
    ASSERT_EQ(spanning.size(), std::size(cases));
    for (const Case& c : cases) {
        const auto it = std::find_if(spanning.begin(), spanning.end(), [&](CBarItem* r) {
            const std::size_t at = c.type == 19 ? 24 : 22;
            return r->TypeCode() == c.type && r->TimeField() == c.time && rec::Get<std::int16_t>(r, at) == c.bars &&
                   (r->PositionField() == c.wantStart) && rec::Get<std::int16_t>(r, at + 2) == c.wantEnd;
        });
        EXPECT_NE(it, spanning.end()) << c.what;
    }
}

// A syllable whose bounds are as wide as its word at 22 says, in twentieths.
class MeasuredSyllable : public BarItemBehaviour {
public:
    RECT* GetPartBounds(CScoreItem& item, RECT* rect, int) const override {
        *rect = RECT{0, 0, rec::Get<std::int16_t>(&item, 22), 100};
        return rect;
    }
    int ViewToTwentieths(CScoreItem&, int v) const override { return v; }
};

TEST_F(Spacing, LyricSyllablesKeepApartAndInsideTheBar) {
    const MeasuredSyllable syllableClass;
    struct Binding {
        std::uint32_t old = ItemClasses().IndexForCode(24);
        ~Binding() { ItemClasses().BindCode(24, old); }
    } keep;
    ItemClasses().BindCode(24, ItemClasses().Add({"CLyric", "CLyric", 24, 36, &syllableClass}));
    struct Syl {
        int time, width, flags = 0, verse = 0;
    };
    struct Case {
        const char* what;
        std::vector<Syl> syllables;
        // Wanted: columns' widths after and the first column's room in front, -1 where the
        // quarters' own stays.
        std::vector<int> space;
        int preSpace;
    };
    // Four quarters: each column takes the quarter's width q; the syllables are centred on them
    // unless extended (bit 1), and a hyphen (bit 0) asks for 120 between two instead of 60.
    CTrkBar* tb = TrkBar(0);
    for (int t : {0, 480, 960, 1440}) AddNote(tb, {.time = t});
    std::vector<SpacingColumn> columns(4);
    const auto measure = [&] {
        for (int i = 0; i < 4; ++i) columns[std::size_t(i)] = SpacingColumn{std::int16_t(i), std::int16_t(480 * i)};
        tb->MeasureColumns(columns.data(), 4);
    };
    measure();
    const int q = columns[0].space, before = columns[0].preSpace;
    ASSERT_GT(q, 200);
    const Case cases[] = {
        {"narrow syllables leave the columns alone; the first, at the bar's start, takes its half in front",
         {{0, 100}, {480, 100}, {960, 100}, {1440, 100}}, {-1, -1, -1, -1}, 50},
        {"a wide first syllable pushes room in front and apart from the next",
         {{0, 2 * q}, {480, 2 * q}}, {q + 60 + q, -1, -1, q}, q},
        {"a hyphen keeps 120 free", {{0, q}, {480, q, 1}, {960, q}}, {q + 60, q + 120, -1, -1}, q / 2},
        {"an extended syllable shares what it lacks over the columns to the next",
         {{0, 3 * q, 2}, {1440, 0}}, {q + 20, q + 20, q + 20, -1}, -1},
        {"verses keep apart on their own", {{0, 100}, {480, 2 * q, 0, 1}, {960, 2 * q, 0, 1}}, {-1, 2 * q + 60, -1, -1}, 50},
    };
    for (const Case& c : cases) {
        for (CBarItem* r : Live(tb))
            if (r->TypeCode() == 24) r->MarkRemoved();
        tb->Compact();
        for (const Syl& s : c.syllables) {
            CBarItem* lyric = tb->NewItem(24, s.time);
            ASSERT_NE(lyric, nullptr) << c.what;
            lyric->SetPositionField(std::int16_t(tb->GetBar()->TickToFraction(s.time, false)));
            rec::Put<std::uint8_t>(lyric, 16, std::uint8_t(s.flags));
            rec::Put<std::int16_t>(lyric, 22, std::int16_t(s.width));
            rec::Put<std::int16_t>(lyric, 28, std::int16_t(s.verse));
        }
        measure();
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(columns[std::size_t(i)].space, c.space[std::size_t(i)] < 0 ? q : c.space[std::size_t(i)])
                << c.what << ", column " << i;
        EXPECT_EQ(columns[0].preSpace, c.preSpace < 0 ? before : std::max(before, c.preSpace)) << c.what;
    }
}

TEST_F(Spacing, NotesMovedApartStandInTheirColumnAgainOnceTheyNoLongerMeet) {
    CTrkBar* tb = TrkBar(0);
    AddNote(tb, {.time = 0, .heads = {1}, .up = true});
    AddNote(tb, {.time = 0, .heads = {0}, .voice = 1});
    tb->RecalcPositions(-1);
    auto shifted = [&] {
        int n = 0;
        for (CBarItem* r : NotesAndRests(tb)) n += static_cast<CRawNote*>(r)->IsShiftedRight();
        return n;
    };
    EXPECT_EQ(shifted(), 1);
    tb->RecalcPositions(-1);
    EXPECT_EQ(shifted(), 1) << "a second pass leaves exactly one shifted";
    for (CBarItem* r : NotesAndRests(tb, 1)) static_cast<CRawNote*>(r)->Head(0)->SetPosition(-2);
    tb->RecalcPositions(-1);
    EXPECT_EQ(shifted(), 0) << "a third apart: both in their column";
}

// 300 onsets (the design's copies held 256) and 40 grace notes before one note (it held 32).
TEST_F(Spacing, LongBarsOutgrowTheFixedTables) {
    CTrkBar* tb = TrkBar(0);
    constexpr int kOnsets = 300;
    std::vector<SpacingColumn> columns(kOnsets);
    for (int i = 0; i < kOnsets; ++i) {
        CNote* n = AddNote(tb, {.time = 6 * i, .value = 7});
        ASSERT_NE(n, nullptr);
        columns[std::size_t(i)].index = std::int16_t(i);
        columns[std::size_t(i)].time = std::int16_t(6 * i);
    }
    tb->MeasureColumns(columns.data(), kOnsets);
    for (int i = 0; i < kOnsets; ++i) EXPECT_GT(columns[std::size_t(i)].space, 0) << "column " << i;

    // The last note's slur end is found in the map past its 256th entry.
    CBarItem* lastNote = NotesAndRests(tb).back();
    lastNote->SetPositionField(1000);
    ASSERT_NE(AddSpanning(tb, 27, 0, 0, 0, 1000), nullptr);
    tb->RecalcPositions(-1);
    const int lastAt = tb->GetBar()->TickToFraction(6 * (kOnsets - 1), false);
    for (CBarItem* r : Live(tb))
        if (r->TypeCode() == 27) {
            EXPECT_EQ(rec::Get<std::int16_t>(r, 24), lastAt);
        }

    CTrkBar* next = TrkBar(1);
    AddNote(next, {.time = 960});
    for (int g = 0; g < 40; ++g) ASSERT_NE(AddNote(next, {.time = 960, .value = 4, .up = true, .grace = true}), nullptr);
    next->SortItems();
    next->RecalcPositions(-1);
    std::vector<int> graces;
    int notePosition = 0;
    for (CBarItem* r : NotesAndRests(next))
        if (static_cast<CRawHead*>(r)->IsGrace())
            graces.push_back(r->PositionField());
        else
            notePosition = r->PositionField();
    ASSERT_EQ(graces.size(), 40u);
    for (std::size_t g = 1; g < graces.size(); ++g) EXPECT_LT(graces[g - 1], graces[g]) << "grace " << g;
    EXPECT_LT(graces.back(), notePosition);
}

}  // namespace
