// The signs that decide how later notes are read: clef changes, key changes and octave lines.
// Their stored bytes and reading back, the values and counts they give, their ranges over the
// bars and their removal.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "NotationTestSupport.h"
#include "model/Bar.h"
#include "model/BitOrder.h"
#include "model/Clef.h"
#include "model/KeySig.h"
#include "model/ModelGlobals.h"
#include "model/Ottava.h"
#include "model/Score.h"
#include "model/ScoreStandIns.h"
#include "model/ScoreStructureStandIns.h"
#include "model/SystemStaff.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/TrkBarWalk.h"
#include "model/ZelDoc.h"

using namespace notetest;

namespace {

class StaffSigns : public NotationTest {};

// Bar-item head of the stored form: size, type, scale, flags A, flags B, time, position,
// colour, time offset.
Bytes Head(int size, int type, int time = 0, int position = 0) {
    return {std::uint8_t(size >> 8), std::uint8_t(size), std::uint8_t(type), 0, 0, 0,
            std::uint8_t(time >> 8), std::uint8_t(time), std::uint8_t(position >> 8), std::uint8_t(position), 0, 0};
}

// A score of 8 bars and two tracks, its current score the one built.
struct ScoreFixture {
    recordtest::CleanGlobals clean;
    CZelDoc doc;
    std::unique_ptr<CScore> score;
    ScoreFixture() {
        RegisterTrackClass();
        score = std::make_unique<CScore>(&doc);
        EXPECT_TRUE(score->BuildSkeleton(8, 2));
        score->Reindex();
        g_model.currentScore = score.get();
    }
    template <typename T>
    T* Add(int t, int b, int time, int position) {
        CBarItem* r = score->GetTrkBar(t, b)->NewItem(T::kTypeCode, time);
        EXPECT_NE(r, nullptr);
        r->SetPositionField(std::int16_t(position));
        return static_cast<T*>(r);
    }
    template <typename T>
    std::vector<T*> Live(int t, int b, int type) {
        std::vector<T*> out;
        trkbar::ForEachLiveItem(score->GetTrkBar(t, b), [&](CBarItem* r) {
            if (r->TypeCode() == type) out.push_back(static_cast<T*>(r));
        });
        return out;
    }
    int Range(CBarItem* item, int t, int b, int* last) {
        int first = -1;
        item->BarBehaviour().GetBarRange(*item, &first, last, score->GetTrkBar(t, b));
        return first;
    }
};

}  // namespace

// --- clefs -------------------------------------------------------------------------------------

TEST_F(StaffSigns, AClefIsStoredAsItsCodePositionAndOffset) {
    RecordBuf buf;
    CClef* clef = CClef::Construct(buf.data());
    clef->SetTimeField(960);
    clef->SetPositionField(512);
    clef->SetCode(3);
    clef->SetClefStaffPos(-2);
    clef->SetXOffset(-125);
    const Bytes expected = recordtest::Concat({Head(20, 18, 960, 512), {3, 0xFE, 0xFF, 0xE7}});
    EXPECT_EQ(Stored(clef), expected);
    RecordBuf back;
    auto* read = static_cast<CClef*>(ReadStored(expected, back));
    EXPECT_EQ(Body(read), Body(clef));
    EXPECT_EQ(read->GetXOffset(), -125);
    EXPECT_EQ(read->GetClefStaffPos(), -2);
    EXPECT_EQ(read->GetValue(), 3);
    EXPECT_EQ(read->BarBehaviour().GetStaffPos(*read, 0), -2);

    // The raw form (clipboard, packed blocks): the coordinate in fifths, big-endian.
    RecordBuf raw;
    clef->CopyInFileOrder(raw.data());
    EXPECT_EQ(raw.bytes[18], 0xFF);
    EXPECT_EQ(raw.bytes[19], 0xE7);
    EXPECT_EQ(raw.bytes[16], 3);
    EXPECT_EQ(raw.bytes[17], 0xFE);
}

TEST_F(StaffSigns, AClefKeepsToVoiceZeroAndTakesItsCode) {
    RecordBuf buf;
    CClef* clef = CClef::Construct(buf.data());
    clef->SetVoice(5);
    EXPECT_EQ(clef->VoiceField(), 0);
    clef->SetValue(7);
    EXPECT_EQ(clef->GetCode(), 7);
    EXPECT_FALSE(clef->IsCClef());
    for (int code : {2, 3, 4, 5, 6}) EXPECT_TRUE(CClef::IsCClefCode(code)) << code;
    for (int code : {0, 1, 7, 8, 9, 10, 11, 12, 13}) EXPECT_FALSE(CClef::IsCClefCode(code)) << code;
}

TEST(StaffSignsClef, TheMovableCClefNamesTheLineItSitsOn) {
    const struct {
        int position, code;
    } cases[] = {{-6, 4}, {-5, 4}, {-4, 4}, {-3, 4}, {-2, 5}, {-1, 5}, {0, 2}, {1, 2},
                 {2, 3},  {3, 3},  {4, 6},  {5, 6},  {6, 6},  {40, 6}, {-40, 4}};
    for (const auto& c : cases) EXPECT_EQ(CClef::CClefCodeForPosition(c.position), c.code) << c.position;
}

TEST(StaffSignsClef, AVerticalCClefDragStaysWithinFourSteps) {
    const struct {
        int d;
        bool moves;
        int position;
    } cases[] = {{3, true, 2}, {-3, true, -4}, {4, true, 4}, {-4, true, -4}, {1, true, 0}, {-1, true, -2},
                 {0, true, 0}, {5, false, 0}, {-5, false, 0}, {9, false, 0}};
    for (const auto& c : cases) {
        int position = 99;
        EXPECT_EQ(CClef::DragStaffPos(c.d, &position), c.moves) << c.d;
        if (c.moves) EXPECT_EQ(position, c.position) << c.d;
    }
    EXPECT_EQ(CClef::CClefCodeForPosition(2), 3) << "a drag of 3 lands on the tenor line";
}

TEST(StaffSignsClef, ThePaletteButtonsGiveTheirClefs) {
    const int codes[] = {0, 1, 2, 7, 8, 9, 10, 11, 12};
    for (int b = 0; b < 9; ++b) EXPECT_EQ(CClef::CodeForPaletteButton(b), codes[b]) << b;
    EXPECT_EQ(CClef::CodeForPaletteButton(9), -1);
    EXPECT_TRUE(CClef::WantsClickSelection(914));
    EXPECT_FALSE(CClef::WantsClickSelection(802)) << "the scale tool";
}

TEST(StaffSignsClef, TheLastClefGovernsUpToTheScoresLastBar) {
    ScoreFixture f;
    CClef* a = f.Add<CClef>(0, 1, 960, 512);
    CClef* b = f.Add<CClef>(0, 4, 0, 0);
    CClef* other = f.Add<CClef>(1, 6, 0, 0);
    int last = -1;
    EXPECT_EQ(f.Range(a, 0, 1, &last), 1);
    EXPECT_EQ(last, 4) << "up to the next clef of the track";
    EXPECT_EQ(f.Range(b, 0, 4, &last), 4);
    EXPECT_EQ(last, 7) << "the last clef: the score's last bar";
    EXPECT_EQ(f.Range(other, 1, 6, &last), 6);
    EXPECT_EQ(last, 7);
}

// --- key signatures ----------------------------------------------------------------------------

TEST_F(StaffSigns, KeySignaturesCountTheirPlacesAndNaturals) {
    const struct {
        int mode, previous, key, places, naturals;
    } cases[] = {
        {1, 9, 11, 4, 2},    // two sharps to four: the four only
        {1, 11, 9, 6, 4},    // four sharps to two: all four cancelled, then two
        {1, 9, 3, 5, 2},     // two sharps to three flats
        {2, 3, 1, 3, 2},     // three flats to one: two naturals
        {2, 11, 9, 4, 2},
        {0, 11, 9, 2, 0},    // no cancelling: the new key only
        {1, 9, 9, 2, 0},     // equal keys count from none
        {2, 3, 3, 3, 0},
        {0, 3, 3, 3, 0},
        {1, 0, 10, 3, 0},
        {2, 5, 0, 5, 5},     // to C major: naturals only
    };
    RecordBuf buf;
    CKeySig* key = CKeySig::Construct(buf.data());
    for (const auto& c : cases) {
        key->SetFlags(std::uint8_t(c.mode << CKeySig::kModeShift));
        key->SetPreviousKey(c.previous);
        key->SetKey(c.key);
        EXPECT_EQ(key->CountPlaces(), c.places) << c.mode << ": " << c.previous << " to " << c.key;
        EXPECT_EQ(key->CountNaturals(), c.naturals) << c.mode << ": " << c.previous << " to " << c.key;
    }
}

TEST_F(StaffSigns, EveryKeyFlagByteIsStoredReversedAndReadBack) {
    RecordBuf buf;
    CKeySig* key = CKeySig::Construct(buf.data());
    key->SetKey(11);
    key->SetPreviousKey(3);
    rec::Put<std::uint8_t>(key, CKeySig::kPlaybackKey, 4);
    key->SetClef(1);
    rec::Put<std::uint8_t>(key, CKeySig::kWidth, 7);
    rec::Put<std::int16_t>(key, CKeySig::kXOffset, 250);
    rec::Put<std::int16_t>(key, CKeySig::kSecondOffset, -10);
    for (int v = 0; v < 256; ++v) {
        key->SetFlags(std::uint8_t(v));
        const Bytes expected =
            recordtest::Concat({Head(26, 23), {11, 3, 4, ReverseBits(std::uint8_t(v)), 1, 7, 0, 50, 0xFF, 0xFE}});
        ASSERT_EQ(Stored(key), expected) << v;
        RecordBuf back;
        auto* read = static_cast<CKeySig*>(ReadStored(expected, back));
        ASSERT_EQ(Body(read), Body(key)) << v;
        EXPECT_EQ(read->IsKeyFlagged(), v >= 64) << v;
        EXPECT_EQ(read->IsHiddenKey(), (v & 1) != 0) << v;
    }
}

TEST_F(StaffSigns, AKeyAtItsBarsEndStandsBeforeTheBarline) {
    ScoreFixture f;
    CBar* bar = f.score->GetBar(2);
    CStaff* staff = f.score->GetBar(2)->GetStaff(0);
    ASSERT_NE(staff, nullptr);
    g_model.currentBar = bar;
    g_model.currentStaff = staff;
    CKeySig* key = f.Add<CKeySig>(0, 2, 1920, 1023);
    key->SetKey(10);   // three sharps, from none: three places
    key->SetFlags(0x40 | CKeySig::kNoNaturalsBit);
    const int plain = key->PlaceX();
    EXPECT_EQ(plain, bar->GetRight() - staff->ScaleOffset(360) - staff->ScaleOffset(120));
    EXPECT_EQ(key->GetFlags() & CKeySig::kNoNaturalsBit, 0) << "placed at the end, the naturals show";
    bar->SetClosingKind(3);
    ASSERT_TRUE(bar->HasRepeatEnd());
    EXPECT_EQ(key->PlaceX(), bar->GetRight() - staff->ScaleOffset(360) - staff->ScaleOffset(360));
    key->SetFlags(0);
    EXPECT_EQ(key->PlaceX(), bar->GetLeft() + bar->GetLeadingGap());
}

TEST_F(StaffSigns, RemovingAKeyRemovesEveryKeyAtItsPosition) {
    ScoreFixture f;
    // Keys other than the one in force (C major), which the recalculation would drop.
    f.Add<CKeySig>(0, 3, 0, 0)->SetKey(2);
    f.Add<CKeySig>(0, 3, 0, 0)->SetKey(9);
    f.Add<CKeySig>(0, 3, 960, 512)->SetKey(10);
    f.Add<CKeySig>(1, 3, 0, 0)->SetKey(4);
    f.score->GetTrkBar(0, 3)->SetCurrent();
    // Found again once every key is in: each insertion may move the bar's run.
    CKeySig* a = nullptr;
    for (CKeySig* k : f.Live<CKeySig>(0, 3, CKeySig::kTypeCode))
        if (k->GetKey() == 2) a = k;
    ASSERT_NE(a, nullptr);
    a->MarkRemoved();
    const auto left = f.Live<CKeySig>(0, 3, CKeySig::kTypeCode);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0]->PositionField(), 512);
    EXPECT_EQ(f.Live<CKeySig>(1, 3, CKeySig::kTypeCode).size(), 1u) << "another track keeps its own";
}

TEST_F(StaffSigns, AKeyGovernsUpToTheNextKeyOrItsOwnBar) {
    ScoreFixture f;
    CKeySig* a = f.Add<CKeySig>(0, 2, 0, 0);
    CKeySig* b = f.Add<CKeySig>(0, 5, 0, 0);
    int last = -1;
    EXPECT_EQ(f.Range(a, 0, 2, &last), 2);
    EXPECT_EQ(last, 5);
    EXPECT_EQ(f.Range(b, 0, 5, &last), 5);
    EXPECT_EQ(last, 5);
    b->SetVoice(3);
    EXPECT_EQ(b->VoiceField(), 0);
    b->SetValue(12);
    EXPECT_EQ(b->GetValue(), 12);
    EXPECT_EQ(b->CreateDragTask(), nullptr) << "a key change is not dragged";
}

// --- octave lines ------------------------------------------------------------------------------

TEST(StaffSignsOttava, GlyphsByKindAndSet) {
    const int set1[] = {180, 181, 182, 182};
    const int set0[] = {183, 183, 184, 184};
    for (int kind = 0; kind < 4; ++kind) {
        EXPECT_EQ(COttava::GlyphOf(kind, true), set1[kind]) << kind;
        EXPECT_EQ(COttava::GlyphOf(kind, false), set0[kind]) << kind;
    }
}

TEST_F(StaffSigns, EveryOttavaFlagByteIsStoredAndTheShiftSetWhenRead) {
    RecordBuf buf;
    COttava* o = COttava::Construct(buf.data());
    rec::Put<std::uint8_t>(o, COttava::kIdentifier, 77);
    o->SetYOffset(-600);
    rec::Put<std::int16_t>(o, COttava::kContinuationOffset, 45);
    o->SetEndPosition(700);
    rec::Put<std::int16_t>(o, COttava::kEndTime, 1313);
    const int shifts[] = {12, -12, 24, 24};
    for (int v = 0; v < 256; ++v) {
        o->SetFlags(std::uint8_t(v));
        rec::Put<std::int16_t>(o, COttava::kShift, 5);   // any stored shift
        // Bits 0-5 reversed into bits 7-2, the kind into bits 0-1.
        std::uint8_t file = std::uint8_t(v >> 6);
        for (int bit = 0; bit < 6; ++bit)
            if (v & (1 << bit)) file |= std::uint8_t(0x80 >> bit);
        const Bytes expected =
            recordtest::Concat({Head(28, 25), {file, 77, 0xFF, 0x88, 0, 9, 0, 5, 0x02, 0xBC, 0x05, 0x21}});
        ASSERT_EQ(Stored(o), expected) << v;
        RecordBuf back;
        auto* read = static_cast<COttava*>(ReadStored(expected, back));
        ASSERT_EQ(read->GetFlags(), v) << v;
        EXPECT_EQ(read->GetShift(), shifts[v >> 6]) << v;
        EXPECT_EQ(read->GetYOffset(), -600);
        EXPECT_EQ(read->GetEndPosition(), 700);
        EXPECT_EQ(read->GetEndTime(), 1313);
        EXPECT_EQ(read->GetIdentifier(), 77);
    }
}

TEST(StaffSignsOttava, DraggedEndsBeyondTheSystemLand) {
    const struct {
        bool right;
        int edge, bars, bar, position;
    } cases[] = {
        {true, 3, 8, 4, 256},    // past the system's last bar: into the next bar
        {true, 6, 8, 7, 256},
        {true, 7, 8, 7, 1023},   // the score's last bar
        {false, 4, 8, 3, 768},   // before the system's first bar: into the previous one
        {false, 0, 8, 0, 0},
    };
    for (const auto& c : cases) {
        int bar = -1, position = -1;
        COttava::ClampEndToSystem(c.right, c.edge, c.bars, &bar, &position);
        EXPECT_EQ(bar, c.bar) << c.right << " " << c.edge;
        EXPECT_EQ(position, c.position) << c.right << " " << c.edge;
    }
}

TEST(StaffSignsOttava, AnEndTooCloseToTheStartMovesAfterIt) {
    const struct {
        int startBar, start, endBar, end;
        bool moved;
        int wantBar, wantEnd;
    } cases[] = {
        {2, 500, 2, 510, true, 2, 516},
        {2, 500, 2, 516, false, 2, 516},
        {2, 500, 1, 900, true, 2, 516},   // before the start
        {2, 1000, 3, 4, false, 3, 4},     // the next bar
    };
    for (const auto& c : cases) {
        int bar = c.endBar, end = c.end;
        EXPECT_EQ(COttava::KeepEndAfterStart(c.startBar, c.start, &bar, &end), c.moved);
        EXPECT_EQ(bar, c.wantBar);
        EXPECT_EQ(end, c.wantEnd);
    }
    EXPECT_FALSE(COttava::EndDragAllowed(300, 428)) << "a one-bar line keeps 128";
    EXPECT_TRUE(COttava::EndDragAllowed(300, 429));
}

TEST(StaffSignsOttava, RemovingAPieceRemovesTheChainToItsEnd) {
    ScoreFixture f;
    ASSERT_TRUE(f.score->ApplyOttava(1, 400, 4, 510, 0, 30, 0, false, true, true, false, 0));
    ASSERT_TRUE(f.score->ApplyOttava(5, 100, 6, 200, 0, 30, 1, false, true, true, false, 0));
    auto second = f.Live<COttava>(0, 2, COttava::kTypeCode);
    ASSERT_EQ(second.size(), 1u);
    int last = -1;
    EXPECT_EQ(f.Range(second[0], 0, 2, &last), 2);
    EXPECT_EQ(last, 4) << "the chain's end";
    auto start = f.Live<COttava>(0, 1, COttava::kTypeCode);
    ASSERT_EQ(start.size(), 1u);
    EXPECT_EQ(f.Range(start[0], 0, 1, &last), 1);
    EXPECT_EQ(last, 4);

    g_model.currentTrkBar = f.score->GetTrkBar(0, 2);
    second[0]->MarkRemoved();
    EXPECT_EQ(f.Live<COttava>(0, 1, COttava::kTypeCode).size(), 1u) << "the start stays";
    for (int b = 2; b <= 4; ++b) EXPECT_TRUE(f.Live<COttava>(0, b, COttava::kTypeCode).empty()) << b;
    EXPECT_EQ(f.Live<COttava>(0, 5, COttava::kTypeCode).size(), 1u) << "the next line stays";
    EXPECT_EQ(f.Live<COttava>(0, 6, COttava::kTypeCode).size(), 1u);
}
