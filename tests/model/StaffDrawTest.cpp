// Staff drawing on recorded calls: key signatures by new and old key, cancel mode, part and
// alignment; ledger lines; the lines of small staves; clefs of short staves; time signatures.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "DrawTestSupport.h"
#include "support/CommandRecorder.h"
#include "framework/Arith.h"
#include "model/DragTask.h"
#include "model/ScoreStandIns.h"
#include "model/EngraverSettings.h"
#include "model/ItemFactory.h"
#include "model/Meter.h"
#include "model/Score.h"
#include "model/Track.h"
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
    // A clef byte past the clef table (from a damaged file) draws no key signature either.
    for (int clef : {14, 255, -1}) {
        artist.log.clear();
        st->DrawKeySignature(x, 200, 2, 0, clef, 0, 1, false, -1);
        EXPECT_TRUE(artist.Only("Glyph").empty()) << "clef " << clef;
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
    artist.log.clear();
    EXPECT_GT(st->DrawTimeSignature(100, &meter, out), simple) << "the enclosing marks widen it";
    // The marks open with the tall opening parenthesis (254) and close with 255.
    std::vector<int> codes;
    for (const std::string& g : artist.Only("Glyph")) {
        int x = 0, y = 0, c = 0;
        std::sscanf(g.c_str(), "Glyph %d %d %d", &x, &y, &c);
        codes.push_back(c);
    }
    EXPECT_EQ(codes, (std::vector<int>{254, '3', '4', 255}));
}

TEST_F(ScoreDrawTest, TextFontTimeSignaturesUseTheScoresFontAndOffsets) {
    Build(1, {1});
    CStaff* st = s->Line(0)->GetStaff(0);
    const int mid = st->GetMiddleY(), sp = st->Space();
    Meter meter = *s->Bar(0)->GetMeter();
    meter.SetNumerator(3);
    meter.SetDenominator(4);
    meter.SetKindFlags(Meter::kKindDisplay);
    meter.SetDisplayFlags(Meter::kShown);
    std::uint8_t out[12] = {};
    CScore& score = *s->score;
    g_model.currentScore = &score;
    const FontRef text{g_draw.standardFontRefs[1].face, 24, 0, 0};
    // The digits' widths and baselines in the time-signature font at the staff's size.
    artist.SetFont(int(text.face), st->ScaleLength(24), 0);
    const int w3 = artist.TextWidth("3"), w4 = artist.TextWidth("4"), w = std::max(w3, w4);
    const int wu = artist.TextWidth("3+2+2"), w8 = artist.TextWidth("8");
    const int quarter = st->ScaleLength(24) / 4;

    struct Case {
        std::int16_t up, down;
        int upperMid, lowerMid;
        const char* why;
    } cases[] = {
        {0, 0, mid - quarter, mid + quarter, "a quarter of the size either side of the middle line"},
        {24, 0, mid - quarter - sp, mid + quarter, "the numerator one space higher"},
        {0, 24, mid - quarter, mid + quarter + sp, "the denominator one space lower"},
    };
    score.staffLabelFont = text;
    for (const Case& c : cases) {
        score.layoutWords[1] = c.up;
        score.layoutWords[2] = c.down;
        artist.log.clear();
        artist.textY.clear();
        EXPECT_EQ(st->DrawTimeSignature(100, &meter, out), w) << c.why;
        EXPECT_EQ(artist.Only("Text left"),
                  std::vector<std::string>({"Text left " + std::to_string(100 + (w - w3) / 2) + " 3",
                                            "Text left " + std::to_string(100 + (w - w4) / 2) + " 4"}))
            << c.why;
        ASSERT_EQ(artist.textY.size(), 2u);
        // Both digits hang the same way from their middles.
        EXPECT_EQ(artist.textY[1] - artist.textY[0], c.lowerMid - c.upperMid) << c.why;
        EXPECT_GT(artist.textY[0], c.upperMid) << c.why << ": the baseline lies below the digit's middle";
        EXPECT_TRUE(artist.Only("Glyph").empty()) << c.why;
    }
    score.layoutWords[1] = score.layoutWords[2] = 0;

    // An additive meter in the same font: "3+2+2" over "8", the narrower centred.
    meter.SetDisplayFlags(Meter::kAdditiveShown);
    meter.SetTopGroup(0, 3);
    meter.SetTopGroup(1, 2);
    meter.SetTopGroup(2, 2);
    meter.SetBottomGroup(0, 8);
    meter.SetBottomGroup(1, 0);
    meter.SetBottomGroup(2, 0);
    artist.log.clear();
    EXPECT_EQ(st->DrawTimeSignature(100, &meter, out), wu);
    EXPECT_EQ(artist.Only("Text left"),
              std::vector<std::string>({"Text left 100 3+2+2",
                                        "Text left " + std::to_string(100 + (wu - w8) / 2) + " 8"}));
    EXPECT_EQ(rec::Get<std::int16_t>(out, 10), 100 + wu / 2);

    // Common time stays the music font's symbol.
    meter.SetKindFlags(Meter::kKindDisplay | Meter::kCommonTime);
    meter.SetDisplayFlags(Meter::kShown);
    artist.log.clear();
    st->DrawTimeSignature(100, &meter, out);
    EXPECT_EQ(artist.Only("Glyph"), std::vector<std::string>({G(100, st->PositionToY(0), 138)}));
    EXPECT_TRUE(artist.Only("Text").empty());

    // A face that cannot be used keeps the music font's digits, spread by the metrics of the
    // digit 4.
    score.staffLabelFont = FontRef{FontRef::kNoFace, 0, 0, 0};
    meter.SetKindFlags(Meter::kKindDisplay);
    artist.SetMusicFont(st->GetFontSize());
    FontMetrics16 fm;
    artist.GetGlyphMetrics(&fm, '4');
    artist.log.clear();
    EXPECT_EQ(st->DrawTimeSignature(100, &meter, out), artist.GlyphWidth('4'));
    EXPECT_EQ(artist.Only("Glyph"),
              std::vector<std::string>({G(100, mid - fm.ascent / 4, '3'), G(100, mid + fm.ascent / 4, '4')}));
}

namespace {

// The outline of a handle whose rectangle is r: five sides from the top left through the tip.
std::vector<std::string> HandleOutline(const RECT& r) {
    const int h = (r.right - r.left) / 2, x = r.left, y = r.top;
    const int p[][2] = {{x, y}, {x + h, y}, {x + 2 * h, y + h}, {x + h, y + 2 * h}, {x, y + 2 * h}, {x, y}};
    std::vector<std::string> out;
    for (int i = 0; i < 5; ++i) {
        char line[96];
        std::snprintf(line, sizeof line, "Line %d %d %d %d", p[i][0], p[i][1], p[i + 1][0], p[i + 1][1]);
        out.push_back(line);
    }
    return out;
}

}  // namespace

TEST_F(ScoreDrawTest, HandlesAreArrowsOnTheirPlacementLines) {
    Build(1, {1});
    CStaff* st = s->Line(0)->GetStaff(0);
    g_model.currentDoc = &s->doc;
    s->doc.lyricLineCount = 1;
    for (int which = 0; which <= 12; ++which) {
        RECT r{};
        st->GetHandleRect(&r, which);
        ASSERT_EQ(r.right - r.left, 2 * std::max(4, st->ScaleLength(4))) << which;
        for (const bool guide : {false, true}) {
            artist.log.clear();
            st->DrawHandle(guide, which);
            EXPECT_EQ(artist.Only("Line "), HandleOutline(r)) << "handle " << which;
            std::vector<std::string> rule;
            if (guide)
                rule.push_back("Rule " + std::to_string(st->GetLeft() + 1) + " " + std::to_string((r.top + r.bottom) / 2) +
                               " " + std::to_string(st->GetRight() - 1) + " " +
                               std::to_string((r.top + r.bottom) / 2) + " style 2");
            EXPECT_EQ(artist.Only("Rule"), rule) << "handle " << which << (guide ? " with" : " without") << " guide";
        }
    }
    // Handle 5 stands for the lyric lines: one handle for each line the document shows.
    for (int lines : {0, 1, 3}) {
        s->doc.lyricLineCount = std::int16_t(lines);
        artist.log.clear();
        st->DrawHandle(false, 5);
        std::vector<std::string> want;
        for (int i = 0; i < lines; ++i) {
            RECT r{};
            st->GetHandleRect(&r, 5 + i);
            for (const auto& side : HandleOutline(r)) want.push_back(side);
        }
        EXPECT_EQ(artist.Only("Line "), want) << lines << " lyric lines";
    }
}

TEST_F(ScoreDrawTest, TheStaffDrawsTheHandleOfThePositionDisplayThatIsOn) {
    Build(2, {1});
    CLine* line = s->Line(0);
    g_model.currentDoc = &s->doc;
    g_model.currentScore = s->score.get();
    g_model.currentLine = line;
    s->doc.lyricLineCount = 1;
    // Which handle each staff draws (-1 none), told by the first side's start.
    const auto drawn = [&](int staff) {
        CStaff* st = line->GetStaff(staff);
        artist.log.clear();
        st->Draw();
        const auto lines = artist.Only("Line ");
        for (int which = 0; which <= 12; ++which) {
            RECT r{};
            st->GetHandleRect(&r, which);
            if (!lines.empty() && lines == HandleOutline(r)) return which;
        }
        return lines.empty() ? -1 : 99;
    };
    struct Case {
        int mode;                // the global mode byte
        std::uint8_t overlays[5];
        int first, second;       // the handle of the first and the second staff
        const char* why;
    } cases[] = {
        {0, {0, 0, 0, 0, 0}, -1, -1, "no display on: no handle"},
        {0, {1, 0, 0, 0, 0}, 0, 0, "chords: handle 0"},
        {0, {0, 1, 0, 0, 0}, 5, 5, "lyrics: the lyric lines"},
        {0, {0, 0, 1, 0, 0}, 1, 1, "slash notes: handle 1"},
        {0, {0, 0, 0, 1, 0}, 2, 2, "dynamics: handle 2"},
        {0, {0, 0, 0, 0, 1}, 4, -1, "time codes: on the first shown staff only"},
        {0, {0, 1, 1, 1, 1}, 5, 5, "lyrics before the others"},
        {3, {0, 0, 1, 0, 0}, 3, 3, "the mode byte: handle 3"},
        {8, {0, 0, 1, 0, 0}, 3, 1, "mode 8: handle 3 on the first staff, the display's elsewhere"},
    };
    for (const Case& c : cases) {
        g_model.highlightMode = std::uint8_t(c.mode);
        std::copy(std::begin(c.overlays), std::end(c.overlays), s->doc.location.overlays);
        EXPECT_EQ(drawn(0), c.first) << c.why;
        EXPECT_EQ(drawn(1), c.second) << c.why;
    }
    g_model.highlightMode = 0;
    s->doc.location.overlays[0] = 1;
    g_draw.printingDC = true;
    EXPECT_EQ(drawn(0), -1) << "no handles on paper";
    g_draw.printingDC = false;
}

TEST_F(ScoreDrawTest, MutedAndSoloTracksShowTheirMarksAtBothEnds) {
    Build(1, {1});
    CLine* line = s->Line(0);
    CStaff* st = line->GetStaff(0);
    CTrack* track = s->score->GetTrack(0);
    g_model.currentDoc = &s->doc;
    g_model.currentScore = s->score.get();
    g_model.currentLine = line;
    track->SetVoiceCount(4);
    const COLORREF red = RGB(176, 32, 32), green = RGB(32, 128, 48);
    // The colours of the strip's tiles found left of the staff and right of it.
    const auto marks = [&]() {
        RECT all{0, 0, 700, 900};
        dc.FillSolidRect(&all, RGB(255, 255, 255));
        st->Draw();
        std::vector<COLORREF> found;
        for (const int x0 : {st->GetLeft() - 15, st->GetRight()}) {
            COLORREF tile = RGB(255, 255, 255);
            for (int y = st->GetTopLine(); y < st->GetTopLine() + 16; ++y)
                for (int x = x0; x < x0 + 16; ++x)
                    if (const COLORREF c = picture.GetPixel(x, y); c == red || c == green) tile = c;
            found.push_back(tile);
        }
        return found;
    };
    const COLORREF none = RGB(255, 255, 255);
    struct Case {
        int voice;          // the target muted or soloed: -1 the track
        bool solo;
        int current;        // the voice being edited
        bool allVoices;
        COLORREF want;
        const char* why;
    } cases[] = {
        {-1, false, 0, false, red, "a muted track"},
        {-1, true, 0, false, green, "a solo track"},
        {1, true, 1, false, green, "the edited voice is solo"},
        {1, false, 1, false, red, "the edited voice is muted"},
        {1, true, 0, false, none, "another voice is solo"},
        {1, true, 0, true, green, "any voice, while all are edited"},
    };
    EXPECT_EQ(marks(), std::vector<COLORREF>({none, none})) << "neither muted nor solo";
    for (const Case& c : cases) {
        track->SetMuted(-1, false);
        track->SetSolo(-1, false);
        if (c.solo)
            track->SetSolo(c.voice, true);
        else
            track->SetMuted(c.voice, true);
        s->doc.location.voice = std::uint16_t(c.current);
        s->doc.location.allVoices = c.allVoices;
        EXPECT_EQ(marks(), std::vector<COLORREF>({c.want, c.want})) << c.why;
    }
}

TEST_F(ScoreDrawTest, StaffDragsMoveIndentsAndDistancesAndCarryThemOn) {
    // Three systems of two staves on one page.
    Build(2, {1, 1, 1});
    g_model.currentScore = s->score.get();
    g_model.currentDoc = &s->doc;
    CLine* line = s->Line(0);
    line->MakeCurrent();
    const auto drag = [](CScoreItem* item, int dx, int dy) {
        CDragTask d;
        d.dx = dx;
        d.dy = dy;
        item->DragBy(&d);
    };
    const auto begin = [&](CStaff* st, int x) {
        ASSERT_TRUE(st->HitTest(x, st->GetMiddleY())) << "the drag begins on an edge";
        static_cast<CScoreItem*>(st)->BeginDrag();
    };
    CStaff* upper = line->GetStaff(0);
    CStaff* lower = line->GetStaff(1);
    const int sp = lower->Space();

    // Down by two spaces: the distance value grows, on every later system of the page too.
    const int spacing = lower->GetSpacing(), middle = lower->GetMiddleY();
    const int laterMiddle = s->Line(1)->GetStaff(1)->GetMiddleY() - s->Line(1)->GetStaff(0)->GetMiddleY();
    begin(lower, lower->GetLeft());
    drag(lower, 0, 2 * sp);
    EXPECT_EQ(lower->GetMiddleY(), middle + 2 * sp) << "the staff follows the drag";
    static_cast<CScoreItem*>(lower)->EndDrag(nullptr);
    const int units = line->ViewToTwentieths(2 * sp);
    EXPECT_EQ(lower->GetSpacing(), spacing + units);
    EXPECT_EQ(lower->GetMiddleY(), middle + 2 * sp) << "placed again where it was dropped";
    for (int k = 1; k < 3; ++k) {
        EXPECT_EQ(s->Line(k)->GetStaff(1)->GetSpacing(), spacing + units) << "system " << k;
        EXPECT_EQ(s->Line(k)->GetStaff(1)->GetMiddleY() - s->Line(k)->GetStaff(0)->GetMiddleY(), laterMiddle + 2 * sp)
            << "system " << k;
    }

    // Up onto the staff above (or within a space of it): each such step is undone.
    line->MakeCurrent();
    const int gap = lower->GetTopLine() - upper->GetBottomLine();
    begin(lower, lower->GetRight());
    drag(lower, 0, -(gap - sp + 1));
    EXPECT_EQ(lower->GetMiddleY(), middle + 2 * sp) << "a space from the staff above is kept";
    drag(lower, 0, -(gap - sp));
    EXPECT_EQ(lower->GetMiddleY(), middle + 2 * sp - (gap - sp)) << "up to a space from it";
    drag(lower, 0, -1);
    EXPECT_EQ(lower->GetMiddleY(), middle + 2 * sp - (gap - sp));
    static_cast<CScoreItem*>(lower)->EndDrag(nullptr);

    // The first shown staff moves the system's top distance.
    line->MakeCurrent();
    const int top = line->GetTopOffset(), laterTop = s->Line(1)->GetTopOffset();
    begin(upper, upper->GetLeft());
    drag(upper, 0, sp);
    static_cast<CScoreItem*>(upper)->EndDrag(nullptr);
    EXPECT_EQ(line->GetTopOffset(), top + line->ViewToTwentieths(sp));
    EXPECT_EQ(s->Line(1)->GetTopOffset(), laterTop + line->ViewToTwentieths(sp));

    // Sideways: the left half moves the left indent (never below 0), the right half the right
    // indent (never above 0); the end copies both to the later systems.
    struct Case {
        bool left;
        int dx;
        bool stops;  // the indent would pass the page margin: it stays at 0
        const char* why;
    } cases[] = {
        {true, 10, false, "left edge right by 10"},
        {true, -40, true, "left edge never past the margin"},
        {false, -10, false, "right edge left by 10"},
        {false, 30, true, "right edge never past the margin"},
    };
    const RECT printable = s->Page()->GetPrintableRect();
    for (const Case& c : cases) {
        line->MakeCurrent();
        const int was = c.left ? line->GetLeftIndent() : line->GetRightIndent();
        const int other = c.left ? line->GetRightIndent() : line->GetLeftIndent();
        const int indent = c.stops ? 0 : was + line->ViewToTwentieths(c.dx);
        begin(upper, c.left ? upper->GetLeft() : upper->GetRight());
        drag(upper, c.dx, 0);
        EXPECT_EQ(c.left ? upper->GetLeft() : upper->GetRight(),
                  (c.left ? printable.left : printable.right) + line->TwentiethsToView(indent))
            << c.why;
        static_cast<CScoreItem*>(upper)->EndDrag(nullptr);
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(s->Line(k)->GetLeftIndent(), c.left ? indent : other) << c.why << ", system " << k;
            EXPECT_EQ(s->Line(k)->GetRightIndent(), c.left ? other : indent) << c.why << ", system " << k;
        }
    }

    // A drag that moved nothing only redraws the staff.
    line->MakeCurrent();
    const int before = lower->GetSpacing();
    begin(lower, lower->GetLeft());
    static_cast<CScoreItem*>(lower)->EndDrag(nullptr);
    EXPECT_EQ(lower->GetSpacing(), before);
}

TEST_F(ScoreDrawTest, StaffPropertiesAskForTheTrackSetup) {
    Build(1, {1});
    g_model.currentDoc = &s->doc;
    commandtest::MadeTasks made;
    static_cast<CScoreItem*>(s->Line(0)->GetStaff(0))->OpenProperties(0, 0);
    EXPECT_EQ(made.classes, std::vector<std::string>({"CSetupTrackTask"}));
}

namespace {

// Records every colour the drawing sets.
class ColourArtist : public drawtest::RecordingArtist {
public:
    void SetColor(int n) override {
        colours.push_back(n);
        RecordingArtist::SetColor(n);
    }
    std::vector<int> colours;
};

}  // namespace

TEST_F(ScoreDrawTest, AnItemFlaggedForColourTakesItsColourWhileTheScoreShowsColours) {
    Build(1, {1});
    ColourArtist colours;
    colours.InitColorTable();
    SetArtist(&colours);
    CStaff* st = s->Line(0)->GetStaff(0);
    g_model.currentScore = s->score.get();
    g_model.voiceColors[2] = 17;
    alignas(4) std::uint8_t record[16] = {};
    rec::Put<std::int16_t>(record, 4, 16);
    CScoreItem* item = ConstructClass(255, record);
    ASSERT_NE(item, nullptr);
    struct Case {
        std::uint8_t flagByte, colourByte, voice;
        bool showColours;
        std::vector<int> want;
        const char* why;
    } cases[] = {
        {0x04, 6, 0, true, {5}, "its own colour: the colour byte less one"},
        {0x04, 0, 2, true, {17}, "colour byte 0: the colour of its voice"},
        {0x04, 6, 0, false, {0}, "the score shows no colours: the default colour"},
        {0x04, 123, 0, true, {0}, "an interface colour is no item colour: the default"},
        {0xFB, 6, 0, true, {}, "not flagged: the colour stays as it is"},
    };
    for (const Case& c : cases) {
        rec::Put<std::uint8_t>(item, 12, c.flagByte);
        rec::Put<std::uint8_t>(item, CBarItem::kColor, c.colourByte);
        rec::Put<std::uint8_t>(item, 9, std::uint8_t(c.voice << 5));
        s->score->showColors = c.showColours;
        colours.colours.clear();
        st->DrawItemColour(item);
        EXPECT_EQ(colours.colours, c.want) << c.why;
    }
    st->DrawItemColour(nullptr);
    EXPECT_TRUE(colours.colours.empty()) << "no item: nothing";
    SetArtist(&artist);
}

namespace {

// Records the line thickness of every staff-line drawing.
class LineWidthArtist : public drawtest::RecordingArtist {
public:
    void DrawStaffLines(int x1, int yTop, int x2, int mask, int spacing, int width) override {
        widths.push_back(width);
        RecordingArtist::DrawStaffLines(x1, yTop, x2, mask, spacing, width);
    }
    std::vector<int> widths;
};

}  // namespace

TEST_F(ScoreDrawTest, TablatureStavesTakeTheirLinesAndClefFromTheStavesAbove) {
    Build(2, {1});
    LineWidthArtist lines;
    lines.InitColorTable();
    SetArtist(&lines);
    CLine* line = s->Line(0);
    line->MakeCurrent();
    CStaff* upper = line->GetStaff(0);
    CStaff* tab = line->GetStaff(1);
    tab->SetClef(CStaff::kTablatureClef);
    const int word = CurrentEngraverSettings().GetWord(EngraverSettings::kStaffLineWidth);
    // A later tablature staff draws its lines at 3/4 of the staff above's music font size; a
    // tablature staff that opens the system keeps its own.
    upper->SetFontSize(40);
    tab->DrawLines();
    upper->SetClef(CStaff::kTablatureClef);
    upper->DrawLines();
    EXPECT_EQ(lines.widths, (std::vector<int>{MulDiv(word, 30, 24), MulDiv(word, 40, 24)}));
    upper->SetClef(0);
    upper->SetFontSize(24);

    // The tablature clef's size follows the lines: four spaces on six lines, the staff's height
    // less half a space on four, less a space otherwise.
    const int sp = tab->Space();
    const struct {
        std::uint16_t mask;
        int lines;
        const char* why;
    } cases[] = {{2016, 6, "six lines"}, {960, 4, "four lines"}, {1984, 5, "five lines"}};
    for (const auto& c : cases) {
        tab->SetLineMask(c.mask);
        line->Relayout();
        const int height = tab->GetBottomLine() - tab->GetTopLine();
        ASSERT_EQ(height, (c.lines - 1) * sp) << c.why;
        const int want = c.mask == 2016 ? 4 * sp : c.mask == 960 ? height - sp / 2 : height - sp;
        lines.log.clear();
        tab->DrawClef(50);
        EXPECT_EQ(lines.Only("Music"), (std::vector<std::string>{"Music " + std::to_string(want), "Music 24"})) << c.why;
    }
    SetArtist(&artist);
}

// The tablature clef stands centred on its six lines: the middle of its ink is the staff's
// middle, within a quarter of a space.
TEST_F(ScoreDrawTest, TheTablatureClefIsCentredOnItsLines) {
    Build(1, {1});
    CLine* line = s->Line(0);
    line->MakeCurrent();
    CStaff* tab = line->GetStaff(0);
    tab->SetClef(CStaff::kTablatureClef);
    tab->SetLineMask(2016);
    line->Relayout();
    const int sp = tab->Space();
    const RECT all{0, 0, 700, 900};
    dc.FillSolidRect(&all, RGB(255, 255, 255));
    tab->DrawClef(50);
    int top = -1, bottom = -1;
    for (int y = 0; y < 900; ++y)
        for (int x = 40; x < 50 + 6 * sp; ++x)
            if (picture.GetPixel(x, y) != RGB(255, 255, 255)) {
                if (top < 0) top = y;
                bottom = y;
                break;
            }
    ASSERT_GE(top, 0) << "the clef is drawn";
    const int middle = (tab->GetTopLine() + tab->GetBottomLine()) / 2;
    EXPECT_LE(std::abs((top + bottom) / 2 - middle), std::max(1, sp / 4))
        << "ink " << top << "-" << bottom << ", lines " << tab->GetTopLine() << "-" << tab->GetBottomLine();
}

// On screen a barline is as thick as the staff lines, which thicken with the staff's size (the
// zoom): one pixel at the size of zoom 100, more at larger sizes.
TEST_F(ScoreDrawTest, BarlinesThickenWithTheStaffLines) {
    Build(1, {2});
    CLine* line = s->Line(0);
    line->MakeCurrent();
    CStaff* st = line->GetStaff(0);
    CBar* bar = s->Bar(0);
    const RECT all{0, 0, 700, 900};
    std::vector<int> barlines, staffLines;
    for (int size : {24, 96}) {
        st->SetFontSize(size);
        dc.FillSolidRect(&all, RGB(255, 255, 255));
        st->Draw();
        const int x = (bar->GetLeft() + bar->GetRight()) / 2;
        bar->DrawBarline(x, 0);
        // Across the barline between the two top lines, and down a line away from the barline.
        const int between = st->GetTopLine() + st->Space() / 2;
        int across = 0, down = 0;
        for (int dx = -20; dx <= 20; ++dx) across += picture.GetPixel(x + dx, between) != RGB(255, 255, 255);
        const int reach = st->Space() / 2 - 1;  // the top line only
        for (int dy = -reach; dy <= reach; ++dy)
            down += picture.GetPixel(x - 30, st->GetTopLine() + dy) != RGB(255, 255, 255);
        barlines.push_back(across);
        staffLines.push_back(down);
    }
    EXPECT_EQ(barlines, staffLines);
    EXPECT_GT(barlines[1], barlines[0]) << "a larger staff draws thicker barlines";
}

TEST_F(ScoreDrawTest, AChangedStaffScaleRedrawsTheLinesAndClefAtTheNewSize) {
    Build(2, {1});
    CLine* line = s->Line(0);
    CStaff* st = line->GetStaff(1);
    const auto drawn = [&] {
        line->Relayout();
        artist.log.clear();
        st->DrawLines();
        st->DrawClef(50);
        struct {
            int height, music, glyphs;
        } d{st->GetBottomLine() - st->GetTopLine(), 0, int(artist.Only("Glyph").size())};
        for (const std::string& m : artist.Only("Music")) std::sscanf(m.c_str(), "Music %d", &d.music);
        return d;
    };
    const auto full = drawn();
    EXPECT_EQ(full.height, 4 * 6) << "five lines six pixels apart at 100 %";
    EXPECT_EQ(full.music, 24);
    EXPECT_EQ(full.glyphs, 1);

    // The staff's own scale, as the track set-up gives it: lines, clef and the staff above keep
    // to their sizes.
    const int otherHeight = line->GetStaff(0)->GetBottomLine() - line->GetStaff(0)->GetTopLine();
    st->SetScale(75);
    const auto small = drawn();
    EXPECT_EQ(st->GetScalePercent(), 75);
    EXPECT_EQ(small.height, 4 * 4) << "4.5 pixels a space at 75 %, drawn at 4";
    EXPECT_EQ(small.music, 17);
    EXPECT_EQ(small.glyphs, 1) << "the clef is still drawn";
    EXPECT_EQ(line->GetStaff(0)->GetBottomLine() - line->GetStaff(0)->GetTopLine(), otherHeight);

    // And back: everything as it was.
    st->SetScale(100);
    const auto again = drawn();
    EXPECT_EQ(again.height, full.height);
    EXPECT_EQ(again.music, full.music);
}
