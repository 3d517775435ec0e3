// Brackets of a system: how they are set over staves, measured and drawn, how names and
// brackets push the system's left indent, and what lies under a point at the system's start.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "DrawTestSupport.h"
#include "model/SystemStaff.h"
#include "model/Track.h"

using drawtest::ScoreDrawTest;

namespace {

struct Slot {
    int kind, span, width, x;
};

Slot SlotOf(CStaff* staff, int slot) {
    const std::uint8_t* b = staff->Bracket(slot);
    return {b[CStaff::kBracketKind], b[CStaff::kBracketSpan], rec::Get<std::int16_t>(b, CStaff::kBracketWidth),
            rec::Get<std::int16_t>(b, CStaff::kBracketX)};
}

}  // namespace

TEST_F(ScoreDrawTest, SetBracketFillsTheSlotsOfTheStavesItCovers) {
    Build(4, {1});
    CLine* line = s->Line(0);
    ASSERT_TRUE(line->SetBracket(1, 0, 2, false));
    struct Row {
        int staff, slot;
        Slot want;
        const char* why;
    } rows[] = {
        {0, 0, {1, 2, 140, -140}, "the brace starts at staff 0 and covers two more"},
        {1, 0, {7, 0, 140, -140}, "the staff inside carries the continuation"},
        {2, 0, {0, 0, 0, 0}, "the last covered staff keeps its slot free"},
    };
    for (const Row& r : rows) {
        const Slot got = SlotOf(line->GetStaff(r.staff), r.slot);
        EXPECT_EQ(got.kind, r.want.kind) << r.why;
        EXPECT_EQ(got.span, r.want.span) << r.why;
        EXPECT_EQ(got.width, r.want.width) << r.why;
        EXPECT_EQ(got.x, r.want.x) << r.why;
    }
    // A bracket around the brace goes into the next slot, further left.
    ASSERT_TRUE(line->SetBracket(3, 0, 3, false));
    const Slot outer = SlotOf(line->GetStaff(0), 1);
    EXPECT_EQ(outer.kind, 3);
    EXPECT_EQ(outer.width, 100);
    EXPECT_EQ(outer.x, -240);
    // A bracket starting inside the brace's run begins where the brace stands.
    ASSERT_TRUE(line->SetBracket(2, 1, 2, false));
    EXPECT_EQ(SlotOf(line->GetStaff(1), 0).kind, 7) << "slot 0 of staff 1 is taken by the continuation";
    EXPECT_EQ(SlotOf(line->GetStaff(1), 1).x, -140 - 100);

    // A fifth bracket on a staff whose four slots are full is refused and changes nothing.
    ASSERT_TRUE(line->SetBracket(4, 0, 1, false));
    ASSERT_TRUE(line->SetBracket(4, 0, 1, false));
    std::uint8_t before[CStaff::kSize];
    std::memcpy(before, line->GetStaff(0), sizeof before);
    EXPECT_FALSE(line->SetBracket(3, 0, 1, false));
    EXPECT_EQ(std::memcmp(before, line->GetStaff(0), sizeof before), 0);
    EXPECT_FALSE(line->SetBracket(1, 2, 9, false)) << "staves out of range";
}

TEST_F(ScoreDrawTest, BracketRectanglesCoverTheShownStaves) {
    Build(3, {1});
    CLine* line = s->Line(0);
    ASSERT_TRUE(line->SetBracket(3, 0, 2, false));
    RECT r = line->GetBracketRect(0, 0);
    EXPECT_EQ(r.top, line->GetStaff(0)->GetTopLine());
    EXPECT_EQ(r.bottom, line->GetStaff(2)->GetBottomLine());
    EXPECT_LT(r.right, line->GetStaff(0)->GetLeft());
    EXPECT_GT(r.right, r.left);
    // With one shown staff under a span the rectangle is empty and nothing is drawn.
    line->GetStaff(1)->SetShown(false);
    line->GetStaff(2)->SetShown(false);
    r = line->GetBracketRect(0, 0);
    EXPECT_TRUE(r.right <= r.left || r.bottom <= r.top);
    artist.log.clear();
    line->DrawBracket(0, 0);
    EXPECT_TRUE(artist.log.empty());
}

TEST_F(ScoreDrawTest, LongNamesAndBracketsWidenTheLeftIndent) {
    Build(2, {1});
    CLine* line = s->Line(0);
    line->UpdateBrackets();
    const int plain = line->GetLeftIndent();
    ASSERT_TRUE(line->SetBracket(1, 0, 1, true));
    const int braced = line->GetLeftIndent();
    EXPECT_GT(line->GetNameIndent(), 0);
    CTrack* track = s->score->GetTrack(0);
    track->SetName("A rather long instrument name");
    track->SetTrackFlags(std::uint8_t(track->GetTrackFlags() | 0x01));
    line->UpdateBrackets();
    EXPECT_GT(line->GetLeftIndent(), braced);
    EXPECT_GE(braced, plain);
    // The names stand left of the system, and the system moved right to make room.
    EXPECT_GE(line->GetLeft(), s->Page()->GetPrintableRect().left + line->TwentiethsToView(line->GetLeftIndent()) - 1);
}

TEST_F(ScoreDrawTest, NamesAreMeasuredInTheFontTheLabelsDrawWith) {
    Build(2, {1});
    CLine* line = s->Line(0);
    CTrack* track = s->score->GetTrack(0);
    track->SetName("Contrabassoon");
    track->SetTrackFlags(std::uint8_t(track->GetTrackFlags() | 0x01));
    const int face = g_draw.standardFontRefs[1].face;
    // The name's room grows with the track-name font; the time-signature font is not the labels'.
    int previous = 0;
    for (const int size : {8, 12, 24, 36}) {
        s->score->textFont2 = FontRef{std::uint16_t(face), std::uint16_t(size), 0, 0};
        line->UpdateBrackets();
        const int indent = line->GetNameIndent();
        EXPECT_GT(indent, previous) << size << " points";
        s->score->staffLabelFont = FontRef{g_draw.defaultMusicFontRef.face, 72, 0, 0};
        line->UpdateBrackets();
        EXPECT_EQ(line->GetNameIndent(), indent) << size << " points";
        // Half the room on either side of the anchor: at least half the drawn label.
        line->MakeCurrent();
        const int widest = track->MeasureLabel(track->GetFullName(), true);
        EXPECT_GE(line->GetNameIndent(), line->ViewToTwentieths(widest) / 2) << size << " points";
        previous = indent;
    }
}

TEST_F(ScoreDrawTest, PrintedBracketsOfTinyFontsStillEnd) {
    Build(2, {1});
    CLine* line = s->Line(0);
    ASSERT_TRUE(line->SetBracket(3, 0, 1, false));
    line->GetStaff(0)->SetFontSize(1);
    g_draw.printingDC = true;
    artist.log.clear();
    line->DrawBracket(0, 0);
    g_draw.printingDC = false;
    const auto glyphs = artist.Only("Glyph");
    EXPECT_GT(glyphs.size(), 1u);
    EXPECT_LT(glyphs.size(), 2000u);
}

TEST_F(ScoreDrawTest, HitTestsFindBracketsNamesAndTimeSignatures) {
    Build(2, {2});
    CLine* line = s->Line(0);
    ASSERT_TRUE(line->SetBracket(3, 0, 1, false));
    CTrack* track = s->score->GetTrack(1);
    track->SetName("Bass");
    track->SetTrackFlags(std::uint8_t(track->GetTrackFlags() | 0x01));
    line->UpdateBrackets();
    for (int t = 0; t < 2; ++t) {
        CTrack* tr = s->score->GetTrack(t);
        rec::Put<std::uint8_t>(tr, CTrack::kFlags87, std::uint8_t(rec::Get<std::uint8_t>(tr, CTrack::kFlags87) | 0x04));
    }
    CStaff* st0 = line->GetStaff(0);
    CStaff* st1 = line->GetStaff(1);
    const RECT bracket = line->GetBracketRect(0, 0);
    const int mx = line->GetContentLeft() + 1;
    struct Case {
        int x, y;
        int bracketStaff;  // -1: none
        int nameTrack;
        int meterStaff, meterPart;
        const char* why;
    } cases[] = {
        {int(bracket.left), int(bracket.top) + 1, 0, -1, -1, -1, "the bracket's top"},
        {int(bracket.left), int(bracket.bottom) - 1, 0, -1, -1, -1, "the bracket's bottom"},
        {line->GetNameX(st1) - 2, st1->GetMiddleY(), -1, 1, -1, -1, "the name left of the lower staff"},
        {line->GetNameX(st0) - 2, st0->GetMiddleY(), -1, -1, -1, -1, "the upper staff shows no name"},
        {mx, st0->GetMiddleY() - 2, -1, -1, 0, 2, "the upper half of the time signature"},
        {mx, st1->GetMiddleY() + 2, -1, -1, 1, 3, "the lower half"},
        {line->GetRight() - 5, st0->GetMiddleY(), -1, -1, -1, -1, "inside the bar"},
    };
    for (const Case& c : cases) {
        int staff = -1, trk = -1, mstaff = -1;
        EXPECT_EQ(line->HitTestBracket(c.x, c.y, &staff), c.bracketStaff >= 0) << c.why;
        if (c.bracketStaff >= 0) EXPECT_EQ(staff, c.bracketStaff) << c.why;
        EXPECT_EQ(line->HitTestTrackName(c.x, c.y, &trk), c.nameTrack >= 0) << c.why;
        if (c.nameTrack >= 0) EXPECT_EQ(trk, c.nameTrack) << c.why;
        EXPECT_EQ(line->HitTestMeter(c.x, c.y, &mstaff), c.meterStaff >= 0) << c.why;
        if (c.meterStaff >= 0) {
            EXPECT_EQ(mstaff, c.meterStaff) << c.why;
            EXPECT_EQ(g_model.currentMeterPart, c.meterPart) << c.why;
        }
    }
}

// Time-signature rules: a vertical rule through the time signatures' column joins the lower
// number of each run of staves outside the meter group to the upper number of the next staff in
// the group, when the gap is at least one staff high; a run still open at the end runs down to
// the system's bottom; hidden staves take no part. The rule is as thick as the tallest shown
// staff's time signature.
TEST_F(ScoreDrawTest, MeterRulesJoinEachRunOutsideTheMeterGroupToTheNextStaffInIt) {
    Build(4, {1});
    CLine* line = s->Line(0);
    CBar* bar = s->Bar(0);
    ASSERT_GT(bar->GetMeterWidth(), 0) << "the bar shows its time signature";
    const int x = bar->GetMeterX() + bar->ScaleToView(bar->GetMeterWidth()) / 4;
    const auto top = [&](int i) { return line->GetStaff(i)->PositionToY(4); };
    const auto low = [&](int i) { return line->GetStaff(i)->PositionToY(-4); };
    struct Rule {
        int y1, y2;
    };
    const struct {
        const char* grouped;  // G: the track carries the meter-group flag; h: a hidden staff
        std::vector<Rule> want;
    } rows[] = {
        {"GGGG", {}},
        {"GNNG", {{low(1), top(3)}}},
        {"NGNN", {{low(0), top(1)}, {low(2), line->GetBottom()}}},
        {"NNNN", {{low(0), line->GetBottom()}}},
        {"GNhG", {{low(1), top(3)}}},
        {"GhNG", {{low(2), top(3)}}},
    };
    for (const auto& row : rows) {
        int tallest = 0;
        for (int i = 0; i < 4; ++i) {
            CTrack* tr = s->score->GetTrack(i);
            const std::uint8_t flags = rec::Get<std::uint8_t>(tr, CTrack::kFlags87);
            const bool grouped = row.grouped[i] == 'G';
            rec::Put<std::uint8_t>(tr, CTrack::kFlags87, std::uint8_t(grouped ? flags | 0x04 : flags & ~0x04));
            line->GetStaff(i)->SetShown(row.grouped[i] != 'h');
            if (row.grouped[i] != 'h')
                tallest = std::max(tallest, line->GetStaff(i)->ScaleLength(bar->GetMeterWidth() / 60));
        }
        artist.log.clear();
        line->DrawMeterRules(bar);
        std::vector<std::string> want;
        for (const Rule& r : row.want)
            want.push_back("Wide line " + std::to_string(x) + " " + std::to_string(r.y1) + " " + std::to_string(x) + " " +
                           std::to_string(r.y2) + " width " + std::to_string(std::max(1, tallest) * 20));
        EXPECT_EQ(artist.Only("Wide line"), want) << row.grouped;
    }
}
