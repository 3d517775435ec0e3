// Bar recalculation: clefs and keys carried from system to system, key-signature widths and
// cautionaries, time-signature display, the staves' display bits, the tempo map and the bars'
// start times.
#include <gtest/gtest.h>

#include <memory>

#include "RecordTestSupport.h"
#include "model/Bar.h"
#include "model/Clef.h"
#include "model/ItemArray.h"
#include "model/Page.h"
#include "model/KeySig.h"
#include "model/Score.h"
#include "model/ScoreArrays.h"
#include "model/ScoreStructureStandIns.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"

namespace {

// Eight bars of 4/4, four to a system (two systems), on the given number of tracks.
struct Fixture {
    recordtest::CleanGlobals clean;
    CZelDoc doc;
    std::unique_ptr<CScore> score;
    explicit Fixture(int tracks = 1, int bars = 8) {
        RegisterTrackClass();
        score = std::make_unique<CScore>(&doc);
        EXPECT_TRUE(score->BuildSkeleton(bars, tracks));
    }
    CBar* Bar(int b) { return score->GetBar(b); }
    CStaff* Staff(int system, int t) { return score->GetLine(system)->GetStaff(t); }
    CKeySig* AddKey(int t, int bar, int key, std::uint8_t flags, int time = 0) {
        auto* item = static_cast<CKeySig*>(score->GetTrkBar(t, bar)->NewItem(CKeySig::kTypeCode, time));
        EXPECT_NE(item, nullptr);
        rec::Put<std::uint8_t>(item, CKeySig::kKey, std::uint8_t(key));
        rec::Put<std::uint8_t>(item, CKeySig::kFlags, flags);
        return item;
    }
    // The key signature of a track bar (the run may have moved since it was added).
    CKeySig* KeyIn(int t, int bar) {
        CKeySig* found = nullptr;
        CTrkBar* tb = score->GetTrkBar(t, bar);
        for (auto* p = reinterpret_cast<std::uint8_t*>(tb->GetItems()); p[rec::kType] != 255; p += rec::Get<std::int16_t>(p, rec::kSize))
            if (p[rec::kType] == CKeySig::kTypeCode) found = reinterpret_cast<CKeySig*>(p);
        return found;
    }
    void AddClef(int t, int bar, int code) {
        CBarItem* item = score->GetTrkBar(t, bar)->NewItem(CClef::kTypeCode, 0);
        ASSERT_NE(item, nullptr);
        rec::Put<std::uint8_t>(item, CClef::kCode, std::uint8_t(code));
    }
    void AddTempo(int bar, int time, int tempo, int unit = 3, bool dotted = false) {
        std::uint8_t buffer[CTempo::kSize] = {};
        CTempo* mark = MakeTempoItem(buffer, tempo);
        mark->SetTimeField(std::int16_t(time));
        rec::Put<std::uint8_t>(mark, CTempo::kUnit, std::uint8_t((unit << 4) | 0x02 | (dotted ? 0x04 : 0)));
        ASSERT_NE(Bar(bar)->InsertItemSorted(mark), nullptr);
    }
    void SetMeter(int bar, int preset, std::uint8_t extraDisplay) {
        Meter m{};
        m.SetPreset(preset, false);
        m.Update();
        m.SetDisplayFlags(std::uint8_t(m.GetDisplayFlags() | extraDisplay));
        *Bar(bar)->GetMeter() = m;
    }
};

// --- key signatures ---------------------------------------------------------------------------

struct KeyCase {
    const char* name;
    int startKey;            // the key of system 0's staff before the pass
    int bar, key;
    std::uint8_t flags;
    bool flag;               // the pass's flag
    // expected
    bool removed;
    int keyWidth;            // of the key's bar
    int beforeTrailing;      // of the bar before it
    bool beforeCourtesy;
    bool systemStart;
    int system1Key;          // key of the second system's staff
};

const KeyCase kKeyCases[] = {
    {"change inside a system", 0, 2, 2, 0x00, false, false, 240, 0, false, false, 2},
    {"repeat of the key in force", 0, 2, 0, 0x00, false, true, 0, 0, false, false, 0},
    {"new system key with cautionary", 0, 4, 3, 0x02, false, false, 0, 0, true, true, 3},
    {"new system key without cautionary", 0, 4, 3, 0x00, false, false, 0, 0, false, true, 3},
    {"key at the score's start", 0, 0, 8, 0x00, false, true, 0, 0, false, true, 8},
    {"shown only at the bar's end", 0, 2, 9, 0x40, false, false, 0, 0, false, false, 0},
    {"naturals drawn before the barline", 3, 2, 0, 0x0C, false, false, 0, 270, true, false, 0},
    {"flag set: system start like inside", 0, 4, 3, 0x02, true, false, 360, 0, false, false, 0},
};

class KeyRecalc : public ::testing::TestWithParam<KeyCase> {};

TEST_P(KeyRecalc, WidthsCautionariesAndRunningKey) {
    const KeyCase& c = GetParam();
    Fixture f;
    f.Staff(0, 0)->SetKey(std::uint8_t(c.startKey));
    f.AddKey(0, c.bar, c.key, c.flags);
    f.score->RecalcBars(c.flag);
    CKeySig* key = f.KeyIn(0, c.bar);
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->IsRemoved(), c.removed);
    EXPECT_EQ(f.Bar(c.bar)->GetKeySigWidth(), c.keyWidth);
    EXPECT_EQ((key->GetFlags() & CKeySig::kHiddenBit) != 0, c.systemStart);
    EXPECT_EQ(key->GetPreviousKey(), c.startKey);
    if (c.bar > 0) {
        EXPECT_EQ(f.Bar(c.bar - 1)->GetTrailingExtra(), c.beforeTrailing);
        EXPECT_EQ(f.Bar(c.bar - 1)->HasBarFlag(CBar::kCourtesyBit), c.beforeCourtesy);
    }
    EXPECT_EQ(f.Staff(1, 0)->GetKey(), c.system1Key);
    // A second pass finds the same.
    f.score->RecalcBars(c.flag);
    EXPECT_EQ(f.Staff(1, 0)->GetKey(), c.system1Key);
    EXPECT_EQ(f.Bar(c.bar)->GetKeySigWidth(), c.keyWidth);
}

INSTANTIATE_TEST_SUITE_P(Cases, KeyRecalc, ::testing::ValuesIn(kKeyCases),
                         [](const auto& info) {
                             std::string n = info.param.name;
                             for (char& ch : n)
                                 if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                             return n;
                         });

TEST(BarRecalcTest, KeyShownOnlyAtTheBarEndMarksItsBarAndKeepsTheRunningKey) {
    Fixture f;
    f.AddKey(0, 2, 10, 0x40);  // three sharps
    f.score->RecalcBars(false);
    EXPECT_TRUE(f.Bar(2)->HasBarFlag(CBar::kCourtesyBit));
    EXPECT_EQ(f.Bar(2)->GetTrailingExtra(), 360);
}

TEST(BarRecalcTest, ClefAndKeyChangesReachTheNextSystemsPerTrack) {
    Fixture f(2, 12);  // three systems
    f.AddClef(1, 1, 2);          // track 1 turns to the alto clef in bar 1
    f.AddKey(0, 2, 9, 0x00);     // track 0 to two sharps in bar 2
    f.AddKey(1, 6, 4, 0x00);     // track 1 to four flats in bar 6
    f.score->RecalcBars(false);
    EXPECT_EQ(rec::Get<std::uint8_t>(f.KeyIn(1, 6), CKeySig::kClef), 2);  // the clef in force
    const int clefs1[3] = {1, 2, 2};  // the last track starts in the bass clef
    const int keys0[3] = {0, 9, 9};
    const int keys1[3] = {0, 0, 4};
    for (int s = 0; s < 3; ++s) {
        EXPECT_EQ(f.Staff(s, 0)->GetClef(), 0) << s;
        EXPECT_EQ(f.Staff(s, 1)->GetClef(), clefs1[s]) << s;
        EXPECT_EQ(f.Staff(s, 0)->GetKey(), keys0[s]) << s;
        EXPECT_EQ(f.Staff(s, 1)->GetKey(), keys1[s]) << s;
    }
    EXPECT_EQ(f.Bar(2)->GetKeySigWidth(), 240);
    EXPECT_EQ(f.Bar(6)->GetKeySigWidth(), 480);
}

TEST(BarRecalcTest, LargestItemSpanOfTheBarIsRecorded) {
    Fixture f;
    rec::Put<std::int16_t>(f.Bar(3), CBar::kLongestItemSpan, 7);
    f.score->RecalcBars(false);
    EXPECT_EQ(rec::Get<std::int16_t>(f.Bar(3), CBar::kLongestItemSpan), 0);
}

// --- time signatures ---------------------------------------------------------------------------

struct MeterCase {
    const char* name;
    int bar, preset;
    std::uint8_t display;    // added to the preset's display flags
    bool shown;              // keep the preset's shown bit
    bool forced;             // the bar's flag bit 0
    // expected
    bool barShows;           // bar flag 2
    bool beforeCourtesy;     // bar flag 32 of the bar before
    bool system1Meter;       // staff bit 6 on the second system
};

const MeterCase kMeterCases[] = {
    {"3/4 inside a system", 2, 3, 0x00, true, false, true, false, false},
    {"3/4 at a system start with courtesy", 4, 3, 0x10, true, false, false, true, true},
    {"3/4 at a system start without courtesy", 4, 3, 0x00, true, false, false, false, true},
    {"same meter shown again", 2, 0, 0x00, true, false, false, false, false},
    {"changed meter not shown", 2, 3, 0x00, false, false, false, false, false},
    {"same meter forced", 2, 0, 0x00, true, true, true, false, false},
};

class MeterRecalc : public ::testing::TestWithParam<MeterCase> {};

TEST_P(MeterRecalc, ShownFlagsAndCautionaries) {
    const MeterCase& c = GetParam();
    Fixture f;
    f.SetMeter(c.bar, c.preset, c.display);
    if (!c.shown) f.Bar(c.bar)->GetMeter()->SetDisplayFlags(std::uint8_t(f.Bar(c.bar)->GetMeter()->GetDisplayFlags() & ~0x03));
    f.Bar(c.bar)->SetBarFlag(CBar::kFlag0, c.forced);
    f.score->RecalcBars(false);
    EXPECT_EQ(f.Bar(c.bar)->HasBarFlag(CBar::kShowsMeterBit), c.barShows);
    EXPECT_EQ(f.Bar(c.bar - 1)->HasBarFlag(CBar::kCourtesyBit), c.beforeCourtesy);
    EXPECT_EQ((f.Staff(1, 0)->GetDisplay() & 0x40) != 0, c.system1Meter);
    EXPECT_TRUE(f.Staff(0, 0)->GetDisplay() & 0x40);  // the first system shows it
}

INSTANTIATE_TEST_SUITE_P(Cases, MeterRecalc, ::testing::ValuesIn(kMeterCases),
                         [](const auto& info) {
                             std::string n = info.param.name;
                             for (char& ch : n)
                                 if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                             return n;
                         });

// --- staff display bits ------------------------------------------------------------------------

struct StaffBitsCase {
    std::uint8_t switches;
    bool keyOnlyAtStart;
    std::uint8_t first, later;   // bits 1, 3, 5, 6 of the display byte on systems 0 and 1
};

const StaffBitsCase kStaffBitsCases[] = {
    {0x3F, false, 0x60, 0x20},
    {0xBF, false, 0x60, 0x00},   // clef only at the start
    {0x37, false, 0x62, 0x22},   // no key signatures
    {0x3F, true, 0x60, 0x22},    // key only at the start
    {0x3B, false, 0x28, 0x28},   // no time signatures
    {0x3D, false, 0x40, 0x00},   // no clefs
};

TEST(BarRecalcTest, StaffDisplayBitsFollowTheTrackSwitches) {
    for (const StaffBitsCase& c : kStaffBitsCases) {
        Fixture f;
        CTrack* track = f.score->GetTrack(0);
        track->SetDisplaySwitches(c.switches);
        rec::Put<std::uint8_t>(track, CTrack::kFlags87, std::uint8_t((rec::Get<std::uint8_t>(track, CTrack::kFlags87) & ~1) | (c.keyOnlyAtStart ? 1 : 0)));
        f.score->RecalcBars(false);
        EXPECT_EQ(f.Staff(0, 0)->GetDisplay() & 0x6A, c.first) << int(c.switches) << " " << c.keyOnlyAtStart;
        EXPECT_EQ(f.Staff(1, 0)->GetDisplay() & 0x6A, c.later) << int(c.switches) << " " << c.keyOnlyAtStart;
    }
}

TEST(BarRecalcTest, SystemSpaceComesFromTheLargestNonTablatureStaff) {
    Fixture f(3);
    const int spacing[3] = {7, 9, 12};
    const int clefs[3] = {0, 1, CStaff::kTablatureClef};
    for (int t = 0; t < 3; ++t) {
        f.score->GetTrack(t)->SetClef(clefs[t]);
        for (int s = 0; s < 2; ++s) {
            rec::Put<std::uint8_t>(f.Staff(s, t), CStaff::kSpace, std::uint8_t(spacing[t]));
            rec::Put<std::int16_t>(f.Staff(s, t), CStaff::kFontSize, std::int16_t(20 + t));
        }
    }
    for (int t = 0; t < 3; ++t) f.Staff(0, t)->SetClef(std::uint8_t(clefs[t]));
    f.score->RecalcBars(false);
    EXPECT_EQ(f.score->GetLine(1)->GetSpace(), 9);
    EXPECT_EQ(f.score->GetLine(1)->GetFontSize(), 21);
}

// --- tempo and time ----------------------------------------------------------------------------

TEST(BarRecalcTest, WithoutTempoMarksEveryBarRunsAtTheFirstTempo) {
    Fixture f;
    f.score->RecalcBars(false);
    for (int b = 0; b < 8; ++b) {
        EXPECT_EQ(f.Bar(b)->GetStartTime(), b * 1920 * 12500 / 9600) << b;
        EXPECT_EQ(f.Bar(b)->GetTempo(), 9600) << b;
    }
    EXPECT_EQ(f.score->scoreDuration, 20000u);
    EXPECT_EQ(f.score->tempoMap.Count(), 8);
}

struct TempoCase {
    const char* name;
    int bar, time, tempo, unit;
    bool dotted;
    int startTimes[8];
    int tempos[8];
    std::uint32_t duration;
};

const TempoCase kTempoCases[] = {
    {"quarter 120 at bar 5", 5, 0, 12000, 3, false,
     {0, 2500, 5000, 7500, 10000, 12500, 14500, 16500},
     {9600, 9600, 9600, 9600, 9600, 12000, 12000, 12000}, 18500},
    {"quarter 192 in the middle of bar 2", 2, 960, 19200, 3, false,
     {0, 2500, 5000, 6875, 8125, 9375, 10625, 11875},
     {9600, 9600, 9600, 19200, 19200, 19200, 19200, 19200}, 13125},
    {"half 60 at bar 1", 1, 0, 6000, 2, false,
     {0, 2500, 4500, 6500, 8500, 10500, 12500, 14500},
     {9600, 6000, 6000, 6000, 6000, 6000, 6000, 6000}, 16500},
};

class TempoRecalc : public ::testing::TestWithParam<TempoCase> {};

TEST_P(TempoRecalc, StartTimesTemposAndDuration) {
    const TempoCase& c = GetParam();
    Fixture f;
    f.AddTempo(c.bar, c.time, c.tempo, c.unit, c.dotted);
    f.score->RecalcBars(false);
    for (int b = 0; b < 8; ++b) {
        EXPECT_EQ(f.Bar(b)->GetStartTime(), c.startTimes[b]) << b;
        EXPECT_EQ(f.Bar(b)->GetTempo(), c.tempos[b]) << b;
    }
    EXPECT_EQ(f.score->scoreDuration, c.duration);
    // The beat unit in force is kept in the bars from the mark on.
    const int from = c.time == 0 ? c.bar : c.bar + 1;
    EXPECT_EQ(rec::Get<std::int32_t>(f.Bar(7), CBar::kStepNoteValue), c.unit);
    EXPECT_EQ(rec::Get<std::int32_t>(f.Bar(from - 1), CBar::kStepNoteValue), from - 1 >= c.bar && c.time == 0 ? c.unit : 3);
    // Bar marks of the map are filled from the entry before them.
    for (int e = 0; e < f.score->tempoMap.Count(); ++e) EXPECT_NE(f.score->tempoMap.Get(e).tempo, 0) << e;
}

INSTANTIATE_TEST_SUITE_P(Cases, TempoRecalc, ::testing::ValuesIn(kTempoCases),
                         [](const auto& info) {
                             std::string n = info.param.name;
                             for (char& ch : n)
                                 if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                             return n;
                         });

TEST(BarRecalcTest, RemovedItemsAreSkipped) {
    Fixture f;
    f.AddTempo(3, 0, 12000);
    CItemArray* items = f.Bar(3)->GetItemArray();
    for (int i = 0; i < items->GetCount(); ++i) {
        auto* item = static_cast<CBarItem*>(items->GetAt(i));
        if (item->TypeCode() == CTempo::kTypeCode) item->SetFlagsB(std::uint8_t(item->FlagsB() | CBarItem::kRemovedBit));
    }
    CKeySig* key = f.AddKey(0, 2, 2, 0);
    key->SetFlagsB(std::uint8_t(key->FlagsB() | CBarItem::kRemovedBit));
    f.score->RecalcBars(false);
    EXPECT_EQ(f.Bar(5)->GetTempo(), 9600);
    EXPECT_EQ(f.Bar(2)->GetKeySigWidth(), 0);
    EXPECT_EQ(f.Staff(1, 0)->GetKey(), 0);
}

}  // namespace
