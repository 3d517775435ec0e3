// Bar drawing on recorded calls: time codes, which barlines a bar draws, the order and size of
// its items, the whole rests of empty bars, the items the page draws last, and the walk that
// draws items again on later systems.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <stdexcept>

#include "DrawTestSupport.h"
#include "framework/Globals.h"
#include "model/ItemClass.h"
#include "model/ItemFactory.h"
#include "model/KeySig.h"
#include "model/ScoreStructureStandIns.h"
#include "model/Symbol.h"
#include "model/SystemStaff.h"
#include "model/Track.h"
#include "model/TrkBarWalk.h"

using drawtest::ScoreDrawTest;
using drawtest::SpanningClass;

TEST(TimeCodeTest, FormatsHoursMinutesSecondsAndFrames) {
    struct Case {
        int mode;
        int offset;
        int time;
        const char* text;
        const char* why;
    } cases[] = {
        {1, 0, 3723500, "01:02:03:13", "25 frames: half a second is frame 12.5, rounded away from zero"},
        {0, 0, 3723500, "01:02:03:12", "24 frames"},
        {3, 0, 3723500, "01:02:03:15", "30 frames"},
        {2, 60000, 3663500, "01:02:03:16", "drop-frame at a whole minute: 28 frames + 2"},
        {2, 600000, 3123500, "01:02:03:15", "a whole ten minutes keeps 30 frames"},
        {2, 1000, 3722500, "01:02:03:15", "an offset off the minute keeps 30 frames"},
        {1, 0, 0, "00:00:00:00", "the start"},
        {1, 0, 36000000 + 59999, "10:00:59:25", "hours past nine; 999 ms is frame 25"},
    };
    for (const Case& c : cases) {
        char text[32] = {};
        CBar::FormatTimeCode(c.mode, c.offset, c.time, text);
        EXPECT_STREQ(text, c.text) << c.why;
    }
}

namespace {

// The barlines a bar draws, as "x kind".
std::vector<std::string> Barlines(drawtest::RecordingArtist& artist, CBar* bar) {
    artist.log.clear();
    bar->Draw();
    std::vector<std::string> out;
    for (const auto& line : artist.Only("Barline")) {
        int x = 0, kind = 0, side = 0;
        std::sscanf(line.c_str(), "Barline %d kind %d side %d", &x, &kind, &side);
        out.push_back(std::to_string(x) + " " + std::to_string(kind));
    }
    return out;
}

std::string At(int x, int kind) { return std::to_string(x) + " " + std::to_string(kind); }

}  // namespace

TEST_F(ScoreDrawTest, BarlinesFollowTheNeighbouringBars) {
    Build(1, {3, 1});
    CBar* b0 = s->Bar(0);
    CBar* b1 = s->Bar(1);
    CBar* b2 = s->Bar(2);
    CBar* last = s->Bar(3);
    const int start1 = b1->GetLeft();  // bar 1 has no key or meter part: the barline stands at its left

    // Opening kind 1 after a bar closing with a repeat (3) on the same system is left out; after
    // a plain barline it is drawn.
    b1->SetOpeningKind(1);
    b0->SetClosingKind(3);
    EXPECT_EQ(Barlines(artist, b1), std::vector<std::string>({At(b1->GetRight(), 0)}));
    b0->SetClosingKind(0);
    EXPECT_EQ(Barlines(artist, b1), std::vector<std::string>({At(start1, 1), At(b1->GetRight(), 0)}));
    b1->SetOpeningKind(0);

    // The last bar closing with a plain barline gets the final barline, unless the score turns
    // it off: then its own plain barline stands at the system's end.
    EXPECT_EQ(Barlines(artist, last), std::vector<std::string>({At(last->GetRight(), 4)}));
    s->score->noAutomaticFinalBarline = 1;
    EXPECT_EQ(Barlines(artist, last), std::vector<std::string>({At(last->GetRight(), 0)}));

    // A plain closing barline inside the system is drawn; kind 1 (none) only when the next bar
    // has no opening barline.
    EXPECT_EQ(Barlines(artist, b1), std::vector<std::string>({At(b1->GetRight(), 0)}));
    b1->SetClosingKind(1);
    b2->SetOpeningKind(0);
    EXPECT_EQ(Barlines(artist, b1), std::vector<std::string>({At(b1->GetRight(), 1)}));
    b2->SetOpeningKind(1);
    EXPECT_TRUE(Barlines(artist, b1).empty());
}

TEST_F(ScoreDrawTest, AMultiBarRestClosesWithItsLastBar) {
    Build(1, {4});
    s->Bar(0)->SetMultiRestSpan(3);
    s->Bar(1)->SetBarFlag(CBar::kCoveredBit, true);
    s->Bar(2)->SetBarFlag(CBar::kCoveredBit, true);
    s->Bar(2)->SetClosingKind(4);
    EXPECT_EQ(Barlines(artist, s->Bar(0)), std::vector<std::string>({At(s->Bar(2)->GetRight(), 4)}));
    EXPECT_TRUE(Barlines(artist, s->Bar(1)).empty()) << "a bar under the rest draws no closing barline";
}

// A span that runs on into the next system closes on its own system, at the right of its last
// bar there, with the span's closing kind (the final barline for the score's end).
TEST_F(ScoreDrawTest, AMultiBarRestAcrossASystemBreakClosesOnItsOwnSystem) {
    const struct {
        const char* what;
        int closing;
        int drawn;
    } rows[] = {{"the score's end", 0, 4}, {"a double barline", 2, 2}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        Build(1, {2, 2});
        // Bar 1 (the first system's last) holds a rest of three bars: bars 2 and 3 on the next.
        s->Bar(1)->SetMultiRestSpan(3);
        s->Bar(2)->SetBarFlag(CBar::kCoveredBit, true);
        s->Bar(3)->SetBarFlag(CBar::kCoveredBit, true);
        s->Bar(3)->SetClosingKind(r.closing);
        // The covered bars of the next system take no room there: they stand at its left.
        for (int b : {2, 3}) {
            s->Bar(b)->SetLeft(s->Line(1)->GetLeft());
            s->Bar(b)->SetWidth(0);
        }
        ASSERT_NE(s->Bar(3)->GetLine(), s->Bar(1)->GetLine());
        ASSERT_NE(s->Bar(3)->GetRight(), s->Bar(1)->GetRight());
        EXPECT_EQ(Barlines(artist, s->Bar(1)), std::vector<std::string>({At(s->Bar(1)->GetRight(), r.drawn)}));
    }
}

TEST_F(ScoreDrawTest, EveryBarlineKindDrawsItsShapeAndRepeatDots) {
    Build(2, {1});
    CBar* bar = s->Bar(0);
    struct Case {
        int kind;
        int dots;  // repeat dots: one per shown staff
    } cases[] = {{0, 0}, {1, 0}, {2, 2}, {3, 2}, {4, 0}, {5, 0}, {6, 0}, {7, 0}, {8, 0}, {9, 2}, {10, 2}, {255, 0}};
    for (const Case& c : cases) {
        artist.log.clear();
        bar->DrawBarline(bar->GetLeft() + 40, c.kind);
        EXPECT_EQ(int(std::count_if(artist.log.begin(), artist.log.end(),
                                    [](const std::string& l) { return l.rfind("Glyph", 0) == 0 && l.find(" 191") != std::string::npos; })),
                  c.dots)
            << "kind " << c.kind;
    }
    // Kind 6 (hidden barline) shows only on screen while hidden items are shown.
    artist.log.clear();
    bar->DrawBarline(bar->GetLeft() + 40, 6);
    const auto quiet = artist.log.size();
    s->doc.location.hiddenObjects = 1;
    bar->DrawBarline(bar->GetLeft() + 40, 6);
    EXPECT_EQ(quiet, 0u);
}

namespace {

// Items of a test class whose drawing is recorded by the placeholder's frame; the position
// tells them apart.
CBarItem* AddItem(CTrkBar* tb, int type, int position, int voice = 0) {
    CBarItem* item = tb->NewItem(type, position);
    item->SetPositionField(std::int16_t(position));
    item->SetFlagsB(std::uint8_t((item->FlagsB() & 0x1F) | (voice << 5)));
    return item;
}

// The left edges of the placeholders drawn, and the x of positions.
std::vector<int> FramedLefts(drawtest::RecordingArtist& artist) {
    std::vector<int> out;
    for (const auto& line : artist.Only("Frame")) {
        int l = 0;
        std::sscanf(line.c_str(), "Frame %d", &l);
        out.push_back(l);
    }
    return out;
}

std::vector<int> Xs(CBar* bar, std::initializer_list<int> positions) {
    std::vector<int> out;
    for (int p : positions) out.push_back(bar->FractionToX(p));
    return out;
}

}  // namespace

TEST_F(ScoreDrawTest, TheCurrentVoiceIsDrawnLastUnlessAllVoicesAreAlike) {
    Build(1, {1});
    CBar* bar = s->Bar(0);
    CTrkBar* tb = s->TrkBar(0, 0);
    constexpr int kPlain = 38;  // a harp pedal diagram: drawn as the placeholder frame
    AddItem(tb, kPlain, 100, 1);
    AddItem(tb, kPlain, 300, 0);
    AddItem(tb, kPlain, 500, 1);
    s->doc.location.voice = 1;
    s->doc.location.allVoices = 0;
    artist.log.clear();
    bar->DrawTracks();
    EXPECT_EQ(FramedLefts(artist), Xs(bar, {300, 100, 500}));
    s->doc.location.allVoices = 1;
    artist.log.clear();
    bar->DrawTracks();
    EXPECT_EQ(FramedLefts(artist), Xs(bar, {100, 300, 500})) << "one pass in run order";
}

TEST_F(ScoreDrawTest, AScaleBelowTwentyFivePercentIsRaisedAndKept) {
    Build(1, {1});
    CBarItem* item = AddItem(s->TrkBar(0, 0), 22, 200);
    item->CBaseItem::SetScale(10);
    artist.log.clear();
    s->Bar(0)->DrawTracks();
    EXPECT_EQ(item->Scale(), 25);
    const auto sizes = artist.Only("Music");
    EXPECT_NE(std::find(sizes.begin(), sizes.end(), "Music 6"), sizes.end()) << "25 % of 24";
}

TEST_F(ScoreDrawTest, EmptyBarsShowOneWholeRestPerStaff) {
    Build(3, {1});
    CBar* bar = s->Bar(0);
    for (int t = 0; t < 3; ++t) s->score->GetTrack(t)->SetDisplaySwitches(0x3F);
    // Track 0 holds a note whose head stands on the staff below (offset +1); track 2 holds
    // nothing. A second head's cross-staff offset points far outside the tracks and marks
    // nothing.
    CBarItem* note = s->TrkBar(0, 0)->NewItem(144, 0);
    rec::Put<std::uint8_t>(note, 22, 2);
    rec::Put<std::uint8_t>(note, 24 + 2, std::uint8_t(1 << 5));
    rec::Put<std::uint8_t>(note, 24 + 16 + 2, std::uint8_t(4 << 5));  // offset -4
    artist.log.clear();
    bar->DrawTracks();
    const auto rests = artist.Only("Glyph centred");
    ASSERT_EQ(rests.size(), 1u);
    EXPECT_NE(rests[0].find(" 97"), std::string::npos);
    int x = 0, y = 0;
    std::sscanf(rests[0].c_str(), "Glyph centred %d %d", &x, &y);
    EXPECT_EQ(x, bar->GetCenterX());
    EXPECT_EQ(y, s->Line(0)->GetStaff(2)->GetMiddleY());

    // Off in the score: no rests at all.
    s->score->fillWithWholeRests = 0;
    artist.log.clear();
    bar->DrawTracks();
    EXPECT_TRUE(artist.Only("Glyph centred").empty());
}

// A two-bar repeat sign (a music-font symbol of glyph 142) fills the bar after it: no whole
// rest there. The symbol is read through its own fields: flags at 20, character at 22.
TEST_F(ScoreDrawTest, ATwoBarRepeatKeepsTheNextBarsWholeRestAway) {
    struct Case {
        const char* what;
        std::uint8_t flags;
        int character;
        bool rest;
    } cases[] = {
        {"a music-font two-bar repeat", CSymbol::kMusicFontBit, CSymbol::kTwoBarRepeatGlyph, false},
        {"another music glyph", CSymbol::kMusicFontBit, 141, true},
        {"the character in a text font", 0, CSymbol::kTwoBarRepeatGlyph, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Build(1, {2});
        s->score->GetTrack(0)->SetDisplaySwitches(0x3F);
        std::vector<std::uint8_t> bytes(CSymbol::kSize);
        CSymbol* sym = CSymbol::Make(bytes.data(), c.character, FontRef{}, c.flags);
        // The old reading took bytes 16 and 17; they hold the x offset here.
        rec::Put<std::uint8_t>(sym, 16, 0x02);
        rec::Put<std::uint8_t>(sym, 17, 142);
        ASSERT_NE(s->TrkBar(0, 0)->InsertCopy(sym), nullptr);
        artist.log.clear();
        s->Bar(1)->DrawTracks();
        EXPECT_EQ(artist.Only("Glyph centred").size(), c.rest ? 1u : 0u);
    }
}

TEST_F(ScoreDrawTest, RedrawingABarDrawsItsItemsThroughABufferThenTheShownStavesOverThem) {
    Build(3, {2});
    CBar* bar = s->Bar(0);
    constexpr int kPlain = 38;  // a harp pedal diagram: drawn as the placeholder frame
    AddItem(s->TrkBar(0, 0), kPlain, 200);
    AddItem(s->TrkBar(2, 0), kPlain, 600);
    AddItem(s->TrkBar(0, 1), kPlain, 300);  // the next bar's: not redrawn
    s->Line(0)->GetStaff(1)->SetShown(false);
    // Left from an earlier paint: an update rectangle elsewhere and no staff marked drawn. The
    // redraw is a paint of its own rectangle.
    const RECT elsewhere{5000, 5000, 5001, 5001};
    g_model.updateRect = elsewhere;
    for (int i = 0; i < 3; ++i) s->Line(0)->GetStaff(i)->SetSelected(false);
    RECT bounds;
    bar->GetBounds(&bounds);
    const RECT grown{bounds.left - 60, bounds.top - 60, bounds.right + 60, bounds.bottom + 60};
    const int depth = GetPortDepth();

    artist.log.clear();
    dc.StartRecording();
    bar->RedrawContents();
    const std::vector<std::string> ops = dc.TakeRecording();

    EXPECT_EQ(FramedLefts(artist), Xs(bar, {200, 600})) << "this bar's items of every track";
    EXPECT_TRUE(artist.Only("Erase").empty()) << "a buffer was made: nothing is erased in place";
    // The buffer comes back onto the port in one copy of the grown rectangle.
    char copy[96];
    std::snprintf(copy, sizeof copy, "StretchBlt %d %d %d %d ", int(grown.left), int(grown.top),
                  int(grown.right - grown.left), int(grown.bottom - grown.top));
    EXPECT_EQ(std::count_if(ops.begin(), ops.end(), [&](const std::string& op) { return op.rfind(copy, 0) == 0; }), 1)
        << copy;
    // Then the shown staves (0 and 2) redraw themselves over the items.
    const auto lines = artist.Only("Lines");
    EXPECT_EQ(lines.size(), 2u);
    std::size_t lastFrame = 0, firstLines = artist.log.size();
    for (std::size_t i = 0; i < artist.log.size(); ++i) {
        if (artist.log[i].rfind("Frame", 0) == 0) lastFrame = i;
        if (artist.log[i].rfind("Lines", 0) == 0) firstLines = std::min(firstLines, i);
    }
    EXPECT_LT(lastFrame, firstLines);
    // The port and the update rectangle are the caller's again.
    EXPECT_EQ(GetCurrentPort(), &dc);
    EXPECT_EQ(GetPortDepth(), depth);
    EXPECT_EQ(g_model.updateRect.left, elsewhere.left);
    EXPECT_EQ(g_model.updateRect.bottom, elsewhere.bottom);

    // Without a buffer (no port to make one for) the rectangle is erased and the items drawn in place.
    g_draw.currentPort = nullptr;
    artist.log.clear();
    bar->RedrawContents();
    g_draw.currentPort = &dc;
    char erase[96];
    std::snprintf(erase, sizeof erase, "Erase %d %d %d %d", int(grown.left), int(grown.top), int(grown.right),
                  int(grown.bottom));
    EXPECT_EQ(artist.Only("Erase"), std::vector<std::string>({erase}));
    EXPECT_EQ(FramedLefts(artist), Xs(bar, {200, 600}));
    EXPECT_EQ(artist.Only("Lines").size(), 2u);
}

TEST_F(ScoreDrawTest, EveryDeferredTextIsDrawnHoweverManyThePageCollects) {
    SpanningClass texts(29);
    Build(4, {2});
    constexpr int kText = 29;
    int added = 0;
    for (int t = 0; t < 4; ++t)
        for (int b = 0; b < 2; ++b)
            for (int i = 0; i < 160; ++i)
                if (AddItem(s->TrkBar(t, b), kText, i)) ++added;
    ASSERT_GT(added, 1024);
    s->Page()->Draw();
    EXPECT_EQ(int(s->doc.deferred.size()), added);
    EXPECT_EQ(texts.behaviour.drawn, added);
}


TEST_F(ScoreDrawTest, ASpanningItemIsDrawnAgainOnEachLaterSystemItReaches) {
    SpanningClass slurs(27);
    Build(1, {2, 2, 2});
    CBarItem* slur = AddItem(s->TrkBar(0, 1), 27, 500);
    rec::Put<std::int16_t>(slur, 16, 4);  // bar 1 to bar 5: over two breaks
    s->Bar(1)->Draw();                    // the bar learns how far its items reach
    slurs.behaviour.lefts.clear();
    std::vector<std::int32_t> lefts;
    std::vector<int> lines;
    for (int b = 0; b < 6; ++b) {
        lefts.push_back(s->Bar(b)->GetLeft());
        lines.push_back(s->Bar(b)->GetLine()->GetIndex());
    }
    for (int k = 1; k <= 2; ++k) {
        slurs.behaviour.drawn = 0;
        s->Line(k)->GetFirstBar()->MakeCurrent();
        s->Line(k)->GetFirstBar()->DrawContinuations();
        EXPECT_EQ(slurs.behaviour.drawn, 1) << "system " << k;
        // Bar 1 stands left of the system, moved by everything between it and there.
        ASSERT_EQ(slurs.behaviour.lefts.size(), std::size_t(k));
        EXPECT_LT(slurs.behaviour.lefts.back(), s->Line(k)->GetLeft());
    }
    // A drawing that throws leaves every bar's left and system as they were.
    slurs.behaviour.throws = true;
    s->Line(2)->GetFirstBar()->MakeCurrent();
    EXPECT_THROW(s->Line(2)->GetFirstBar()->DrawContinuations(), std::runtime_error);
    for (int b = 0; b < 6; ++b) {
        EXPECT_EQ(s->Bar(b)->GetLeft(), lefts[b]) << "bar " << b;
        EXPECT_EQ(s->Bar(b)->GetLine()->GetIndex(), lines[b]) << "bar " << b;
    }
}

// The MIDI data strip under a staff is as high as the data view's one band height says, which
// the values drawn in it are scaled by too.
TEST_F(ScoreDrawTest, TheDataStripTakesTheDataViewsBandHeight) {
    Build(1, {2});
    CTrkBar* tb = s->score->GetTrkBar(0, 0);
    CStaff* staff = s->Line(0)->GetStaff(0);
    for (int band : {40, 24}) {
        g_model.dataView.bandHeight = std::int16_t(band);
        RECT r;
        tb->GetRect(&r);
        EXPECT_EQ(r.bottom - r.top, staff->ScaleToView(band)) << band;
    }
}

// The MIDI data display's grid behind a bar: a tick mark every half beat with the beat's number
// at each beat; a meter whose beat has no ticks draws no marks and no numbers (and does not loop);
// in step entry the step note value runs along the bar, dotted values with their dots, and a
// value outside the nine note values draws nothing.
TEST_F(ScoreDrawTest, TheDataGridMarksHalfBeatsAndShowsTheStepValue) {
    Build(1, {1});
    CBar* bar = s->Bar(0);
    CTrkBar* tb = s->TrkBar(0, 0);
    tb->SetCurrent();
    RECT r;
    tb->GetRect(&r);
    const auto marks = [&] {
        int n = 0;
        for (const std::string& l : artist.Only("Line ")) {
            int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
            if (std::sscanf(l.c_str(), "Line %d %d %d %d", &x1, &y1, &x2, &y2) == 4 && x1 == x2 && y1 == r.top + 1) ++n;
        }
        return n;
    };
    const auto stepGlyphs = [&](int code) {
        const std::string prefix = "Glyph centred ";
        int n = 0;
        for (const std::string& l : artist.Only(prefix.c_str()))
            if (l.size() > 3 && std::stoi(l.substr(l.rfind(' ') + 1)) == code) ++n;
        return n;
    };
    const auto dots = [&] {
        int n = 0;
        for (const std::string& l : artist.Only("Glyph "))
            if (l.rfind("Glyph centred", 0) != 0 && l.substr(l.rfind(' ') + 1) == "199") ++n;
        return n;
    };
    fw::ScopedGlobal<bool> step(g_model.stepEntry, true);
    ASSERT_EQ(bar->GetLength(), 1920);  // 4/4
    const struct {
        int beatTicks;  // 0: a beat of no ticks
        int value;      // the step note value (0 whole ... 8), or one outside them
        int dotted;
        int wantMarks, wantSteps, wantDots;
        const char* why;
    } rows[] = {
        {480, 3, 0, 9, 4, 0, "quarters: marks at 0, 240 ... 1920; four quarter steps"},
        {480, 4, 1, 9, 6, 6, "dotted eighths: a step every 360 ticks, each with its dot"},
        {480, 0, 0, 9, 1, 0, "a double whole note once"},
        {480, 1, 0, 9, 1, 0, "a whole note once"},
        {480, 8, 0, 9, 128, 0, "128ths, 15 ticks each"},
        {480, 9, 0, 9, 0, 0, "a value past the nine draws nothing"},
        {480, -1, 0, 9, 0, 0, "a negative value draws nothing"},
        {0, 3, 0, 0, 4, 0, "a beat of no ticks: no grid, the steps all the same"},
    };
    for (const auto& row : rows) {
        rec::Put<std::int16_t>(bar->GetMeter()->bytes, Meter::kTicksPerBeat, std::int16_t(row.beatTicks));
        rec::Put<std::int32_t>(bar, CBar::kStepNoteValue, row.value);
        rec::Put<std::int32_t>(bar, CBar::kStepDotted, row.dotted);
        artist.log.clear();
        bar->DrawDataGrid(tb);
        EXPECT_EQ(marks(), row.wantMarks) << row.why;
        EXPECT_EQ(row.value >= 0 && row.value <= 8 ? stepGlyphs(64 + row.value) : int(artist.Only("Glyph").size()),
                  row.wantSteps)
            << row.why;
        EXPECT_EQ(dots(), row.wantDots) << row.why;
    }
    rec::Put<std::int16_t>(bar->GetMeter()->bytes, Meter::kTicksPerBeat, std::int16_t(480));
}

// The cancelling naturals of a key change inside a system, drawn before the barline, stand
// inside the bar's end, as far in as its closing barline needs (in twentieths of a point: none
// for no barline, 60 for a plain one, 120 for kinds 4 and 7, 180 for the others); before a
// system break the courtesy key stands past the bar's end whatever the barline.
TEST_F(ScoreDrawTest, ACourtesyKeyStandsInsideTheBarByItsClosingBarline) {
    Build(1, {2, 1});
    CBar* bar = s->Bar(0);
    CStaff* staff = s->Line(0)->GetStaff(0);
    s->score->GetTrack(0)->SetDisplaySwitches(std::uint8_t(s->score->GetTrack(0)->GetDisplaySwitches() | 0x08));
    const auto addKey = [&](int b) {
        auto* key = static_cast<CKeySig*>(s->TrkBar(0, b)->NewItem(CKeySig::kTypeCode, 0));
        ASSERT_NE(key, nullptr);
        // One sharp after three, its two cancelling naturals drawn before the barline.
        rec::Put<std::uint8_t>(key, CKeySig::kKey, 8);
        rec::Put<std::uint8_t>(key, CKeySig::kPreviousKey, 10);
        rec::Put<std::uint8_t>(key, CKeySig::kFlags,
                               CKeySig::kCautionaryBit | CKeySig::kNoNaturalsBit | (1 << 3));
        // Its display value (here its colour, 1 + 0) is the staff's fifth key-drawing value.
        rec::Put<std::uint8_t>(key, CBarItem::kColor, 1);
    };
    addKey(1);
    addKey(2);
    const auto firstGlyphX = [&](CBar* b) {
        artist.log.clear();
        b->MakeCurrent();
        b->DrawCourtesySigns();
        const auto glyphs = artist.Only("Glyph ");
        int x = -1, y = 0, c = 0;
        if (!glyphs.empty()) std::sscanf(glyphs.front().c_str(), "Glyph %d %d %d", &x, &y, &c);
        return x;
    };
    const struct {
        int closing;
        int inset;
    } rows[] = {{0, 0}, {1, 60}, {2, 180}, {3, 180}, {4, 120}, {5, 180}, {7, 120}, {8, 180}, {10, 180}};
    const auto setClosing = [](CBar* b, int kind) {
        rec::Put<std::uint8_t>(b, CBar::kBarlines, std::uint8_t((b->GetOpeningKind()) | (kind << 4)));
    };
    setClosing(bar, 0);
    const int plain = firstGlyphX(bar);
    ASSERT_GE(plain, 0) << "no courtesy key drawn";
    for (const auto& r : rows) {
        setClosing(bar, r.closing);
        EXPECT_EQ(firstGlyphX(bar), plain - staff->TwentiethsToView(r.inset)) << "closing kind " << r.closing;
    }
    // At the system break: past the bar's end, one staff space out, for any barline.
    CBar* last = s->Bar(1);
    setClosing(last, 0);
    const int atBreak = firstGlyphX(last);
    ASSERT_GE(atBreak, 0);
    setClosing(last, 5);
    EXPECT_EQ(firstGlyphX(last), atBreak);
    EXPECT_GT(atBreak, last->GetRight());
}

namespace {

// A tie's drawing, recorded: its position and shape words, the bar and staff it is drawn on.
struct TieDrawing {
    int position, wordA, wordB, yOffset;
    bool selected;
    CBar* bar;
    CStaff* staff;
};

class RecordedTie : public BarItemBehaviour {
public:
    int GetBarSpan(CBarItem&) const override { return 1; }
    void DrawShape(CBarItem& bar) const override {
        drawn.push_back({bar.PositionField(), rec::Get<std::int16_t>(&bar, 22), rec::Get<std::int16_t>(&bar, 26),
                         rec::Get<std::int16_t>(&bar, 34), (bar.FlagsB() & CBarItem::kSelectedBit) != 0,
                         g_model.currentBar, g_model.currentStaff});
    }
    mutable std::vector<TieDrawing> drawn;
};

}  // namespace

// What runs on over a system break from the last bar of the system before: a tie into the first
// bar is drawn again there as a tie from its start (position 0, its shape words 0 and -360, its
// height 60 on its side, never selected), on its own staff; a lyric whose extender runs on draws
// the extender from the bar's left to one staff space past its first position, at its verse's
// height. A tie to a hidden staff, and a lyric that does not run on, draw nothing.
TEST_F(ScoreDrawTest, ATieAndALyricExtenderContinueAcrossASystemBreak) {
    constexpr int kTie = 30, kLyric = 24;
    RecordedTie ties;
    struct Binding {
        Binding(int code, BarItemBehaviour* b) : code(code), saved(ItemClasses().IndexForCode(code)) {
            const ItemTypeEntry* e = FindItemType(code);
            ItemClasses().BindCode(code, ItemClasses().Add({e->className, e->typeName, e->code, e->recordSize, b}));
        }
        ~Binding() { ItemClasses().BindCode(code, saved); }
        int code;
        std::uint32_t saved;
    } binding(kTie, &ties);
    Build(2, {1, 1});
    rec::Put<std::int16_t>(AddItem(s->TrkBar(0, 0), kTie, 800), 34, 100);  // bent below
    CBarItem* above = AddItem(s->TrkBar(1, 0), kTie, 900);                  // on the second staff, bent above
    rec::Put<std::int16_t>(above, 34, -100);
    above->SetFlagsB(std::uint8_t(above->FlagsB() | CBarItem::kSelectedBit));
    CBarItem* lyric = AddItem(s->TrkBar(0, 0), kLyric, 700);
    ASSERT_GT(lyric->RecordSizeField(), 29);
    rec::Put<std::uint8_t>(lyric, 16, 0x06);  // its extender runs on
    rec::Put<std::int16_t>(lyric, 28, 1);     // verse 2
    rec::Put<std::int16_t>(lyric, 20, 40);
    CBarItem* ended = AddItem(s->TrkBar(1, 0), kLyric, 700);
    rec::Put<std::uint8_t>(ended, 16, 0x02);  // no extender running on

    CBar* next = s->Bar(1);
    CLine* line = s->Line(1);
    next->MakeCurrent();
    artist.log.clear();
    next->DrawContinuations();
    ASSERT_EQ(ties.drawn.size(), 2u);
    for (int k = 0; k < 2; ++k) {
        const TieDrawing& d = ties.drawn[std::size_t(k)];
        EXPECT_EQ(d.position, 0) << k;
        EXPECT_EQ(d.wordA, 0) << k;
        EXPECT_EQ(d.wordB, -360) << k;
        EXPECT_EQ(d.yOffset, k == 0 ? 60 : -60) << k;
        EXPECT_FALSE(d.selected) << k;
        EXPECT_EQ(d.bar, next) << k;
        EXPECT_EQ(d.staff, line->GetStaff(k)) << k;
    }
    // The stored ties are left as they were (found again: adding items moves a run).
    for (int t = 0; t < 2; ++t)
        trkbar::ForEachLiveItem(s->TrkBar(t, 0), [&](CBarItem* item) {
            if (!item->IsTie()) return;
            EXPECT_EQ(item->PositionField(), t == 0 ? 800 : 900);
            EXPECT_EQ((item->FlagsB() & CBarItem::kSelectedBit) != 0, t == 1);
        });
    CStaff* staff = line->GetStaff(0);
    const int y = staff->OffsetToY(staff->GetLyricOffset(1) + 40);
    const std::string extender = "Wide line " + std::to_string(next->GetLeft()) + " " + std::to_string(y) + " " +
                                 std::to_string(next->FractionToX(0) + staff->Space()) + " " + std::to_string(y) +
                                 " width 10";
    EXPECT_EQ(artist.Only("Wide line"), std::vector<std::string>{extender});

    // The second staff hidden on the later system: its tie is not drawn there.
    ties.drawn.clear();
    line->GetStaff(1)->SetShown(false);
    next->DrawContinuations();
    EXPECT_EQ(ties.drawn.size(), 1u);
}
