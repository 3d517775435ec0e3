// Stem directions and lengths, the side of ties and the shape a note gives them.
#include <gtest/gtest.h>

#include <vector>

#include "NotationTestSupport.h"
#include "model/System.h"
#include "model/TrkBar.h"

using namespace notetest;

namespace {

class StemTieTest : public NotationTest {};

// A note with heads at the positions, in that record order.
CNote* Chord(RecordBuf& buf, std::initializer_list<int> positions, bool up, int code = 3) {
    CNote* note = MakeNote(buf, int(positions.size()), code);
    int k = 0;
    for (int p : positions) note->Head(k++)->SetPosition(p);
    note->SetStemUpBit(up);
    return note;
}

}  // namespace

TEST_F(StemTieTest, StemLength) {
    struct Case {
        std::vector<int> positions;
        bool up;
        int code;
        int adjust;
        bool grace;
        int scale;
        int length;
    };
    const Case cases[] = {
        {{0}, true, 3, 0, false, 0, 14},
        {{2}, true, 3, 0, false, 0, 13},
        {{0}, true, 3, -3, false, 0, 11},
        {{2}, true, 3, -3, false, 0, 10},
        {{-2}, false, 3, 0, false, 0, 13},
        {{10}, false, 3, 0, false, 0, 20},      // reaches the middle line: 14 + 2 x (10 - 7)
        {{-10}, true, 3, 0, false, 0, 20},
        {{0}, true, 7, 0, false, 0, 18},        // a 64th gets 4 more
        {{-10}, true, 7, 0, false, 0, 20},      // not when the stem was cut to the middle line
        {{2}, true, 7, 0, true, 0, 14},         // a grace note keeps the plain length
        {{-4, 0}, true, 3, 0, false, 0, 22},    // twice the chord's span more
        {{4, 0}, false, 3, 0, false, 0, 22},
        {{0}, true, 3, 0, false, 80, 10},       // a smaller note: 4 less
        {{0}, true, 3, 0, false, 150, 21},
        {{0}, true, 3, 0, true, 80, 11},        // a smaller grace note: scaled
        {{0}, true, 3, 5, false, 0, 19},
    };
    for (const Case& c : cases) {
        RecordBuf buf;
        CNote* note = MakeNote(buf, int(c.positions.size()), c.code);
        for (std::size_t k = 0; k < c.positions.size(); ++k) note->Head(int(k))->SetPosition(c.positions[k]);
        note->SetStemUpBit(c.up);
        note->SetStemLength(c.adjust);
        note->SetFlagBit(CRawHead::kGraceBit, c.grace);
        note->CBaseItem::SetScale(std::uint8_t(c.scale));
        EXPECT_EQ(note->GetStemLength(), c.length) << c.positions[0] << (c.up ? " up" : " down") << " code " << c.code;
        EXPECT_EQ(note->IsStemUp(), c.up) << "setting the adjustment keeps the direction";
    }

    // The last visible head counts.
    RecordBuf buf;
    CNote* note = Chord(buf, {-4, 0}, true);
    note->Head(1)->SetBits(NoteHead::kShapeByte, NoteHead::kInvisible, true);
    EXPECT_EQ(note->GetStemLength(), 14);
}

TEST_F(StemTieTest, StemDirection) {
    RecordBuf buf;
    CNote* note = Chord(buf, {0}, true);
    EXPECT_FALSE(note->AutoStemUp(false)) << "on the middle line: down";
    EXPECT_TRUE(note->AutoStemUp(true)) << "percussion: up from the middle line";
    note->Head(0)->SetPosition(-1);
    EXPECT_TRUE(note->AutoStemUp(false));
    EXPECT_FALSE(note->AutoStemUp(true));

    RecordBuf cb;
    CNote* chord = Chord(cb, {2, -6}, false);
    EXPECT_TRUE(chord->AutoStemUp(false)) << "the lower head lies farther from the middle";
    chord->Head(1)->SetPosition(-2);
    EXPECT_FALSE(chord->AutoStemUp(false)) << "equal distances: down";

    note->UpdateStem(0, false);
    EXPECT_TRUE(note->IsStemUp());
    note->UpdateStem(2, false);
    EXPECT_FALSE(note->IsStemUp());
    note->SetFlagBit(CRawHead::kSlashBit, true);
    note->UpdateStem(1, false);
    EXPECT_FALSE(note->IsStemUp()) << "a slash note is left as it is";
}

TEST_F(StemTieTest, VoiceModeWaitsForOtherVoices) {
    alignas(8) std::uint8_t bytes[CTrkBar::kSize] = {};
    CTrkBar* bar = CTrkBar::Construct(bytes);
    ASSERT_TRUE(bar->Init(0, 0));
    g_model.currentTrkBar = bar;
    RecordBuf buf;
    CNote* note = Chord(buf, {-3}, false);
    rec::Put<std::uint8_t>(bar, CTrkBar::kVoiceUsed + 2, 1);
    note->UpdateStem(3, false);
    EXPECT_FALSE(note->IsStemUp()) << "another voice in the bar";
    rec::Put<std::uint8_t>(bar, CTrkBar::kVoiceUsed + 2, 0);
    note->UpdateStem(3, false);
    EXPECT_TRUE(note->IsStemUp());
    g_model.currentTrkBar = nullptr;
    bar->Release(true);
}

TEST_F(StemTieTest, AHeadKeepsItsTieWhileTheTieCannotBeLookedUp) {
    // A note outside any bar of a track cannot tell that its tie is missing, so a stem update
    // must not drop the head's tie flag.
    RecordBuf buf;
    CNote* note = Chord(buf, {-2, 0}, false);
    note->Head(1)->SetBits(NoteHead::kLinkByte, NoteHead::kTieStart, true);
    note->UpdateStem(1, true);
    EXPECT_TRUE(note->HasTie(true, -1));
    EXPECT_TRUE(note->IsStemUp());
}

TEST_F(StemTieTest, TieSide) {
    RecordBuf one;
    CNote* single = Chord(one, {0}, true);
    EXPECT_TRUE(single->IsTieAbove(0, 1));
    EXPECT_FALSE(single->IsTieAbove(0, 2));
    EXPECT_FALSE(single->IsTieAbove(0, 0)) << "stem up: below";
    single->SetStemUpBit(false);
    EXPECT_TRUE(single->IsTieAbove(0, 0));

    struct Case {
        std::vector<int> positions;
        bool up;
        int tiedHeads;      // how many heads (from head 0) have a tie
        int head;           // the head asked about
        int column;         // its column
        bool above;
    };
    const Case cases[] = {
        {{-4, -2, 0}, true, 3, 2, 0, true},          // the top head
        {{-4, -2, 0}, true, 3, 0, 0, false},         // the bottom head
        {{-4, -2, 0}, true, 3, 1, 0, false},         // below the middle line
        {{-4, 1, 3}, true, 3, 1, 0, true},           // above it
        {{-4, -2, 0, 2}, true, 4, 1, 0, false},      // four ties: head 1 follows the stem down
        {{-4, -2, 0, 2}, true, 4, 2, 0, true},
        {{4, 2, 0, -2, -4}, false, 5, 2, 0, true},   // five ties: heads 0-2 above with the stem down
        {{4, 2, 0, -2, -4}, false, 5, 3, 0, false},
        {{5, 4, 1}, false, 3, 1, -1, true},          // displaced left, the next head not far
        {{5, 4, -2}, false, 3, 1, -1, false},        // the next head below the middle line
        {{-5, -4, 0}, true, 1, 1, 1, false},         // displaced right, few ties
        {{-5, -4, 0}, true, 3, 1, 1, true},          // three ties, the next head well above
        {{-5, -4, -3}, true, 3, 1, 1, false},        // the next head one step up
    };
    for (const Case& c : cases) {
        RecordBuf buf;
        CNote* note = MakeNote(buf, int(c.positions.size()));
        for (std::size_t k = 0; k < c.positions.size(); ++k) note->Head(int(k))->SetPosition(c.positions[k]);
        note->SetStemUpBit(c.up);
        for (int k = 0; k < c.tiedHeads; ++k) note->Head(k)->SetBits(NoteHead::kLinkByte, NoteHead::kTieStart, true);
        note->Head(c.head)->SetColumn(c.column);
        EXPECT_EQ(note->IsTieAbove(c.positions[std::size_t(c.head)], 0), c.above)
            << "head " << c.head << " of " << c.positions.size() << (c.up ? " up" : " down");
    }
}

TEST_F(StemTieTest, TieShape) {
    struct Case {
        int code, dots;
        int column;        // of the tied head (head 0 of a one-head note)
        bool above;
        int startX, startY, height;
    };
    const Case cases[] = {
        {3, 0, 0, false, 15, 15, -105},
        {3, 0, 0, true, 15, -30, 105},
        {1, 0, 0, false, 75, 15, -105},    // a whole note starts further right
        {3, 1, 0, false, 135, 15, -105},   // a dotted quarter passes its dot
        {3, 2, 0, false, 210, 15, -105},
        {3, 0, 1, false, 142, 15, -105},   // a head right of the stem
        {1, 0, 1, false, 255, 15, -105},
        {3, 0, -1, false, -105, 15, -105}, // the lowest head left of the stem
        {1, 0, -1, false, -105, 15, -105},
    };
    for (const Case& c : cases) {
        RecordBuf buf;
        CNote* note = Chord(buf, {-3}, true, c.code);
        note->SetDotCount(c.dots);
        note->Head(0)->SetColumn(c.column);
        const TieShape s = ShapeTie(*note, 0, c.above, nullptr, 0);
        EXPECT_EQ(s.startX, c.startX) << "code " << c.code << " dots " << c.dots << " column " << c.column;
        EXPECT_EQ(s.startY, c.startY);
        EXPECT_EQ(s.endY, c.startY);
        EXPECT_EQ(s.height, c.height);
        EXPECT_EQ(s.endX, -15);
    }

    // A flagged note with a shortened up-stem: the tie clears the flag.
    RecordBuf fb;
    CNote* flagged = Chord(fb, {-3}, true, 4);
    flagged->SetDotCount(1);
    flagged->SetStemLength(-2);
    EXPECT_EQ(ShapeTie(*flagged, 0, false, nullptr, 0).startX, 255);

    // Above with the stem up, the next head a step higher and right of the stem.
    RecordBuf sb;
    CNote* second = Chord(sb, {-3, -2}, true);
    second->Head(1)->SetColumn(1);
    EXPECT_EQ(ShapeTie(*second, 0, true, nullptr, 0).startX, 135);

    // The end: the tied-to head's side of the stem.
    RecordBuf eb;
    CNote* end = Chord(eb, {-3, 0}, true);
    end->Head(0)->SetColumn(-1);
    RecordBuf qb;
    CNote* from = Chord(qb, {-3}, true);
    EXPECT_EQ(ShapeTie(*from, 0, false, end, 0).endX, -142);
    end->SetNoteValue(1);
    EXPECT_EQ(ShapeTie(*from, 0, false, end, 0).endX, -195);
    end->Head(0)->SetColumn(0);
    end->Head(1)->SetColumn(1);
    EXPECT_EQ(ShapeTie(*from, 0, false, end, 1).endX, 105) << "the end note's top head";
    from->SetNoteValue(1);
    EXPECT_EQ(ShapeTie(*from, 0, false, end, 1).endX, 165);
}

TEST_F(StemTieTest, CrossStaffStemsReachOnlyStavesOfTheSystem) {
    alignas(8) std::uint8_t lineBytes[CLine::kSize] = {};
    CLine* line = CLine::Construct(lineBytes);
    line->Init(nullptr);
    ASSERT_EQ(line->InsertStaff(0), 1);
    ASSERT_EQ(line->InsertStaff(1), 1);
    CStaff* upper = line->GetStaff(0);
    CStaff* lower = line->GetStaff(1);
    rec::Put<std::int32_t>(upper, CStaff::kRect + 4, 100);
    rec::Put<std::int32_t>(lower, CStaff::kRect + 4, 160);
    upper->SetLineSpacing(6);
    alignas(8) std::uint8_t barBytes[CTrkBar::kSize] = {};
    CTrkBar* bar = CTrkBar::Construct(barBytes);
    ASSERT_TRUE(bar->Init(0, 0));
    g_model.currentLine = line;
    g_model.currentStaff = upper;
    g_model.currentTrkBar = bar;

    RecordBuf buf;
    CNote* note = Chord(buf, {-4, 0}, true);
    note->SetCrossStaffOffset(1, 1);
    EXPECT_EQ(note->GetStemLength(), 22 + 4 * 10) << "ten spaces between the two staves' top lines";
    note->SetCrossStaffOffset(1, 2);
    EXPECT_EQ(note->GetStemLength(), 22) << "no third staff in the system";
    note->SetCrossStaffOffset(1, -3);
    EXPECT_EQ(note->GetStemLength(), 22);

    g_model.currentLine = nullptr;
    g_model.currentStaff = nullptr;
    g_model.currentTrkBar = nullptr;
    bar->Release(true);
    line->Release();
}
