// Staff drawing on recorded calls: key signatures by new and old key, cancel mode, part and
// alignment; ledger lines; the lines of small staves; clefs of short staves; time signatures.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DrawTestSupport.h"
#include "model/Meter.h"
#include "model/SystemStaff.h"

using drawtest::ScoreDrawTest;

namespace {

std::string G(int x, int y, int c) {
    return "Glyph " + std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(c);
}

}  // namespace

TEST_F(ScoreDrawTest, KeySignaturesDrawTheirAccidentalsAndCancellingNaturals) {
    Build(1, {1});
    CStaff* st = s->Line(0)->GetStaff(0);
    const int sp = st->Space();
    const auto y = [&](int pos) { return st->PositionToY(pos); };
    const int x = 100;
    // Treble clef: flats B E A D ... at positions 0 3 -1 2; sharps F C G D ... at 4 1 5 2; a
    // sharp stands one pixel lower on screen.
    struct Case {
        int newKey, oldKey, cancel, part;
        bool right;
        std::vector<std::string> want;
        const char* why;
    } cases[] = {
        {2, 0, 0, 1, false, {G(x, y(0), 34), G(x + sp, y(3), 34)}, "two flats"},
        {9, 0, 0, 1, false, {G(x, y(4) + 1, 33), G(x + sp, y(1) + 1, 33)}, "two sharps"},
        {0, 3, 1, 2, false, {G(x, y(0), 35), G(x + sp, y(3), 35), G(x + 2 * sp, y(-1), 35)}, "three flats cancelled"},
        {0, 3, 1, 1, false, {}, "no key and only the new part: nothing"},
        {0, 3, 0, 2, false, {}, "cancel mode 0 cancels nothing"},
        {8, 3, 1, 2, false,
         {G(x, y(0), 35), G(x + sp, y(3), 35), G(x + 2 * sp, y(-1), 35), G(x + 3 * sp + sp / 2, y(4) + 1, 33)},
         "flats to a sharp: every flat cancelled, half a space, the sharp"},
        {9, 11, 2, 2, false, {G(x, y(5), 35), G(x + sp, y(2), 35), G(x + 2 * sp + sp / 2, y(4) + 1, 33),
                              G(x + 3 * sp + sp / 2, y(1) + 1, 33)},
         "four sharps to two: the two beyond are cancelled"},
        {9, 11, 2, 0, false, {G(x, y(5), 35), G(x + sp, y(2), 35)}, "part 0: the naturals only"},
        {2, 0, 0, 1, true, {G(200 - 2 * sp, y(0), 34), G(200 - sp, y(3), 34)}, "right-aligned at 200"},
        {15, 0, 0, 1, false, {}, "a key byte past 14 draws nothing"},
        {2, 20, 1, 2, false, {}, "nor an old key past 14"},
    };
    for (const Case& c : cases) {
        artist.log.clear();
        st->DrawKeySignature(x, 200, c.newKey, c.oldKey, 0, c.cancel, c.part, c.right, -1);
        EXPECT_EQ(artist.Only("Glyph"), c.want) << c.why;
    }
}

TEST_F(ScoreDrawTest, LedgerLinesRunFromTheNoteToTheStaff) {
    Build(1, {1});
    CStaff* st = s->Line(0)->GetStaff(0);
    const struct {
        int pos;
        std::vector<int> lines;  // the positions of the lines drawn
    } cases[] = {{-9, {-8, -6}}, {-7, {-6}}, {-6, {-6}}, {-5, {}}, {0, {}}, {5, {}}, {6, {6}}, {7, {6}}, {8, {8, 6}},
                 {9, {8, 6}}};
    for (const auto& c : cases) {
        artist.log.clear();
        st->DrawLedgerLines(100, c.pos);
        std::vector<int> ys;
        for (const auto& line : artist.Only("Line")) {
            int x1 = 0, y1 = 0;
            std::sscanf(line.c_str(), "Line %d %d", &x1, &y1);
            ys.push_back(y1);
        }
        std::vector<int> want;
        for (int p : c.lines) want.push_back(st->PositionToY(p));
        EXPECT_EQ(ys, want) << "position " << c.pos;
    }
}

TEST_F(ScoreDrawTest, StaffLinesClefsAndTimeSignaturesFollowTheStaff) {
    Build(2, {1});
    CLine* line = s->Line(0);
    CStaff* st = line->GetStaff(0);
    // Below a space of two pixels only every other line is drawn.
    artist.log.clear();
    st->DrawLines();
    EXPECT_EQ(artist.Only("Lines"), std::vector<std::string>({"Lines mask 1984"}));
    st->SetLineSpacing(1);
    artist.log.clear();
    st->DrawLines();
    EXPECT_EQ(artist.Only("Lines"), std::vector<std::string>({"Lines mask " + std::to_string(0x07C0 & 0xAAAA)}));
    st->SetLineSpacing(6);

    // Clefs of short staves: the percussion clef on two and four lines sits on the staff's
    // middle; a clef byte outside the table draws nothing.
    struct {
        int clef, mask;
        bool centred;
    } clefs[] = {{11, 384, true}, {12, 960, true}, {0, 1984, false}};
    for (const auto& c : clefs) {
        st->SetClef(std::uint8_t(c.clef));
        st->SetLineMask(std::uint16_t(c.mask));
        line->Relayout();
        artist.log.clear();
        st->DrawClef(50);
        const auto glyphs = artist.Only("Glyph");
        ASSERT_EQ(glyphs.size(), 1u) << "clef " << c.clef;
        int x = 0, y = 0;
        std::sscanf(glyphs[0].c_str(), "Glyph %d %d", &x, &y);
        if (c.centred) EXPECT_EQ(y, (st->GetTopLine() + st->GetBottomLine()) / 2) << "clef " << c.clef;
    }
    st->SetClef(40);
    artist.log.clear();
    st->DrawClef(50);
    EXPECT_TRUE(artist.Only("Glyph").empty());
    st->SetClef(0);
    st->SetLineMask(0x07C0);
    line->Relayout();

    // Time signatures: the width drawn and the middle stored for the caller.
    Meter meter = *s->Bar(0)->GetMeter();
    meter.SetKindFlags(Meter::kCommonTime);
    meter.SetDisplayFlags(Meter::kShown);
    std::uint8_t out[12] = {};
    artist.SetMusicFont(st->GetFontSize());
    const int common = artist.GlyphWidth(138);
    EXPECT_EQ(st->DrawTimeSignature(100, &meter, out), common);
    EXPECT_EQ(rec::Get<std::int16_t>(out, 10), 100 + common / 2);
    meter.SetKindFlags(0);
    meter.SetNumerator(3);
    meter.SetDenominator(4);
    const int simple = st->DrawTimeSignature(100, &meter, out);
    EXPECT_EQ(simple, artist.GlyphWidth('4'));
    meter.SetDisplayFlags(Meter::kShown | Meter::kWiden);
    EXPECT_GT(st->DrawTimeSignature(100, &meter, out), simple) << "the enclosing marks widen it";
}
