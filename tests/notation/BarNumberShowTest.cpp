// Bar numbers: the letters and digits a bar shows, which bars show them, where they stand
// (anchors, alignments, clear of the clef), the drag of a bar's own offsets, the staff the
// number stands on and which bars count.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "model/Bar.h"
#include "model/BarNumber.h"
#include "model/DrawTestSupport.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "platform/DrawGlobals.h"
#include "platform/FontArray.h"

using drawtest::ScoreDrawTest;

namespace {

// A bar-number item in a buffer of its own, with its defaults and a font of 12 points.
struct Item {
    Item() {
        item = CBarNumber::Construct(bytes.data());
        FontRef font{};
        font.size = 12;
        std::memcpy(item->Bytes() + CBarNumber::kFont, &font, sizeof font);
    }
    std::vector<std::uint8_t> bytes = std::vector<std::uint8_t>(64, 0);
    CBarNumber* item = nullptr;
    CBarNumber* operator->() { return item; }
};

void SetLetters(CBarNumber* n, bool repeated, char first) {
    std::uint8_t flags = std::uint8_t(n->GetFlags() | CBarNumber::kLettersBit);
    flags = repeated ? std::uint8_t(flags | CBarNumber::kRepeatedBit) : std::uint8_t(flags & ~CBarNumber::kRepeatedBit);
    n->SetFlags(flags);
    rec::Put<std::uint8_t>(n, CBarNumber::kFirstLetter, std::uint8_t(first));
}

}  // namespace

TEST(BarNumberText, LettersCountInBijectiveBase26) {
    const struct {
        int n;
        const char* spreadsheet;
        const char* repeated;
    } cases[] = {
        {0, "A", "A"},     {1, "B", "B"},       {25, "Z", "Z"},      {26, "AA", "AA"},  {27, "AB", "BB"},
        {51, "AZ", "ZZ"},  {52, "BA", "AAA"},   {675, "YZ", "ZZZZZZZZZZZZZZZZZZZZZZZZZZ"},
        {676, "ZA", "AAAAAAAAAAAAAAAAAAAAAAAAAAA"}, {701, "ZZ", "ZZZZZZZZZZZZZZZZZZZZZZZZZZZ"}, {702, "AAA", nullptr},
        {18277, "ZZZ", nullptr},  {18278, "AAAA", nullptr},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CBarNumber::Letters(c.n, 'A', false), c.spreadsheet) << c.n;
        if (c.repeated) EXPECT_EQ(CBarNumber::Letters(c.n, 'A', true), c.repeated) << c.n;
    }
    EXPECT_EQ(CBarNumber::Letters(27, 'a', false), "ab");
}

TEST(BarNumberText, TheTextOfABar) {
    const struct {
        const char* what;
        bool letters, repeated;
        char first;
        const char prefix[2];
        int offset, bar, start, counted;
        const char* text;
    } cases[] = {
        {"digits: the counted bars plus one", false, false, 'A', {0, 0}, 0, 7, 0, 6, "7"},
        {"the number offset is added", false, false, 'A', {0, 0}, 10, 7, 0, 6, "17"},
        {"a negative offset", false, false, 'A', {0, 0}, -3, 2, 0, 2, "0"},
        {"one prefix character", false, false, 'A', {'m', 0}, 0, 3, 0, 3, "m4"},
        {"two prefix characters", false, false, 'A', {'N', 'o'}, 0, 3, 0, 3, "No4"},
        {"letters from the numbering start", true, false, 'A', {0, 0}, 0, 30, 4, 0, "AA"},
        {"letters from a later first letter", true, false, 'C', {0, 0}, 0, 5, 4, 0, "D"},
        {"a lower-case first letter", true, false, 'c', {0, 0}, 0, 4, 4, 0, "c"},
        {"the next in lower case", true, false, 'c', {0, 0}, 0, 5, 4, 0, "d"},
        {"any other first letter: lower case from a", true, false, '7', {0, 0}, 0, 5, 4, 0, "b"},
        {"repeated letters", true, true, 'A', {0, 0}, 0, 52, 0, 0, "AAA"},
        {"repeated with a prefix", true, true, 'A', {'(', 0}, 0, 26, 0, 0, "(AA"},
    };
    for (const auto& c : cases) {
        Item n;
        if (c.letters) SetLetters(n.item, c.repeated, c.first);
        rec::Put<std::uint8_t>(n.item, CBarNumber::kPrefix, std::uint8_t(c.prefix[0]));
        rec::Put<std::uint8_t>(n.item, CBarNumber::kPrefix + 1, std::uint8_t(c.prefix[1]));
        rec::Put<std::int16_t>(n.item, CBarNumber::kNumberOffset, std::int16_t(c.offset));
        EXPECT_EQ(n->TextFor(c.bar, c.start, c.counted), c.text) << c.what;
    }
}

TEST(BarNumberText, WhichBarsShowTheirNumber) {
    const struct {
        int mode, interval, bar, start;
        bool first, firstOnPage, shows;
    } cases[] = {
        {0, 1, 5, 0, true, true, true},     {0, 1, 5, 0, true, false, false}, {0, 1, 5, 0, false, true, false},
        {1, 1, 5, 0, true, false, true},    {1, 1, 5, 0, false, true, false},
        {2, 4, 2, 2, false, false, true},   // the numbering start always shows
        {2, 4, 6, 2, false, false, true},   {2, 4, 10, 2, false, false, true}, {2, 4, 8, 2, true, true, false},
        {2, 4, 5, 2, false, false, false},  {2, 0, 2, 2, false, false, true},  {2, 0, 3, 2, false, false, false},
        {3, 1, 0, 0, true, true, false},
    };
    for (const auto& c : cases) {
        Item n;
        rec::Put<std::uint8_t>(n.item, CBarNumber::kShowMode, std::uint8_t(c.mode));
        rec::Put<std::int16_t>(n.item, CBarNumber::kInterval, std::int16_t(c.interval));
        EXPECT_EQ(n->ShowsAt(c.bar, c.start, c.first, c.firstOnPage), c.shows)
            << "mode " << c.mode << " bar " << c.bar << " first " << c.first << " first on page " << c.firstOnPage;
    }
}

TEST(BarNumberText, TheNumberKeepsClearOfTheClef) {
    const int top = 100, bottom = 124, s = 6;
    const struct {
        int y, clef, want;
    } cases[] = {
        {110, 0, 119}, {110, 4, 119}, {110, 5, 119}, {110, 7, 119}, {110, 9, 128}, {110, 1, 110}, {110, 2, 110},
        {124, 0, 133},   // on the bottom line: still inside
        {125, 0, 125},   // below the staff
        {100, 0, 100},   // on the top line: neither
        {90, 0, 81},  {90, 3, 81}, {90, 6, 81}, {90, 8, 81}, {90, 9, 81}, {90, 7, 78}, {90, 1, 90}, {90, 4, 90},
    };
    for (const auto& c : cases) EXPECT_EQ(CBarNumber::AvoidClef(c.y, top, bottom, s, c.clef), c.want) << c.y << " " << c.clef;
}

TEST(BarNumberText, DraggingMovesTheBarsOwnOffsets) {
    std::vector<std::uint8_t> barBytes(CBar::kCachedBarNumber + 8, 0);
    auto* bar = reinterpret_cast<CBar*>(barBytes.data());
    Item n;
    BarNumberBehaviour::Drag(bar, *n.item, 30, -50, false);
    EXPECT_EQ(rec::Get<std::int16_t>(bar, CBar::kCoordA), 30);
    EXPECT_EQ(rec::Get<std::int16_t>(bar, CBar::kCoordB), -50);
    BarNumberBehaviour::Drag(bar, *n.item, 0, -2000, false);
    EXPECT_EQ(rec::Get<std::int16_t>(bar, CBar::kCoordB), -1440) << "held within 1440";
    BarNumberBehaviour::Drag(bar, *n.item, 0, 5000, false);
    EXPECT_EQ(rec::Get<std::int16_t>(bar, CBar::kCoordB), 1440);
    n->SetFlags(std::uint8_t(n->GetFlags() | (2 << CBarNumber::kAnchorShift)));
    BarNumberBehaviour::Drag(bar, *n.item, 10, 0, false);
    EXPECT_EQ(rec::Get<std::int16_t>(bar, CBar::kCoordA), 20) << "anchored right: dx negated";
    // With the modifier the enclosure's gaps grow, not the bar's offsets.
    BarNumberBehaviour::Drag(bar, *n.item, 7, -9, true);
    EXPECT_EQ(rec::Get<std::int16_t>(n.item, CBarNumber::kEnclosureGapX), 7);
    EXPECT_EQ(rec::Get<std::int16_t>(n.item, CBarNumber::kEnclosureGapY), -9);
    EXPECT_EQ(rec::Get<std::int16_t>(bar, CBar::kCoordA), 20);
}

namespace {

class BarNumberPlace : public ScoreDrawTest {
protected:
    void SetUp() override {
        ScoreDrawTest::SetUp();
        Build(3, {3, 3});
        g_model.currentScore = s->score.get();
    }
};

}  // namespace

TEST_F(BarNumberPlace, AnchorsAndAlignmentsPlaceTheText) {
    Item n;
    rec::Put<std::uint8_t>(n.item, CBarNumber::kShowMode, CBarNumber::kEveryN);
    CBar* bar = s->Bar(1);
    ASSERT_NE(bar->InsertItemSorted(n.item), nullptr);
    auto* item = static_cast<CBarNumber*>(bar->GetBarNumberItem(true));
    CStaff* staff = s->Line(0)->GetStaff(0);
    g_model.currentBar = bar;
    const int width = item->Rect(bar).right - item->Rect(bar).left;
    ASSERT_GT(width, 0);
    const int left = bar->GetLeft(), right = bar->GetRight(), centre = (left + right) / 2;
    const struct {
        int anchor, align, x;
    } cases[] = {
        {0, 0, left}, {0, 1, left - width / 2}, {0, 2, left - width},
        {1, 0, centre}, {1, 1, centre - width / 2}, {2, 0, right}, {2, 2, right - width},
    };
    for (const auto& c : cases) {
        item->SetFlags(std::uint8_t((c.anchor << CBarNumber::kAnchorShift) | (c.align << CBarNumber::kAlignShift)));
        const RECT r = item->Rect(bar);
        EXPECT_EQ(r.left, c.x) << c.anchor << " " << c.align;
        EXPECT_EQ(r.bottom, staff->OffsetToY(-360)) << c.anchor << " " << c.align;
    }
    // The offsets move it: the item's own and the bar's, anchor 2 counting back from the right.
    rec::Put<std::int16_t>(item, CBarNumber::kXOffset, 240);
    rec::Put<std::int16_t>(bar, CBar::kCoordA, 120);
    item->SetFlags(std::uint8_t(2 << CBarNumber::kAnchorShift));
    EXPECT_EQ(item->Rect(bar).left, right - staff->ScaleOffset(360));
    // Enclosed: a third of a space wider on each side.
    item->SetFlags(std::uint8_t(CBarNumber::kEnclosedBit));
    const RECT boxed = item->Rect(bar);
    EXPECT_EQ(boxed.right - boxed.left, width + 2 * (staff->Space() / 3));
}

TEST_F(BarNumberPlace, AtASystemsStartTheNumberStandsPastTheStaffsLeft) {
    Item n;
    CBar* bar = s->Bar(3);   // the first bar of the second system
    ASSERT_TRUE(bar->IsFirstInLine());
    ASSERT_NE(bar->InsertItemSorted(n.item), nullptr);
    auto* item = static_cast<CBarNumber*>(bar->GetBarNumberItem(true));
    item->SetFlags(0);   // anchor 0, aligned left
    CStaff* staff = s->Line(1)->GetStaff(0);
    staff->SetClef(0);
    g_model.currentBar = bar;
    rec::Put<std::int16_t>(item, CBarNumber::kYOffset, 0);   // on the middle line: inside the staff
    const RECT r = item->Rect(bar);
    EXPECT_EQ(r.left, staff->GetLeft() + staff->Space());
    EXPECT_EQ(r.bottom, staff->OffsetToY(0) + 3 * staff->Space() / 2) << "moved below the treble clef";
    EXPECT_FALSE(s->Bar(4)->IsFirstInLine());
    g_model.currentBar = s->Bar(4);
    EXPECT_EQ(item->Rect(s->Bar(4)).right, item->Rect(s->Bar(4)).left) << "show mode 1: only at the system's start";
}

// Show mode 0 ("every page") numbers the first bar of a system that is the first on its page.
TEST_F(BarNumberPlace, ShowModeZeroNumbersTheFirstSystemOfEachPage) {
    Item n;
    rec::Put<std::uint8_t>(n.item, CBarNumber::kShowMode, CBarNumber::kPageStarts);
    CBar* bar = s->Bar(3);   // the first bar of the second system
    ASSERT_NE(bar->InsertItemSorted(n.item), nullptr);
    auto* item = static_cast<CBarNumber*>(bar->GetBarNumberItem(true));
    CLine* line = s->Line(1);
    for (bool firstOnPage : {true, false}) {
        const std::uint8_t flags = line->GetLayoutFlags();
        line->SetLayoutFlags(firstOnPage ? std::uint8_t(flags | CLine::kFirstOnPageBit)
                                         : std::uint8_t(flags & ~CLine::kFirstOnPageBit));
        EXPECT_EQ(item->ShowsAt(bar), firstOnPage);
        EXPECT_FALSE(item->ShowsAt(s->Bar(4))) << "not the system's first bar";
    }
}

namespace {
// The recording artist that also logs the pen widths set.
class PenArtist : public drawtest::RecordingArtist {
public:
    void SetPenWidth(int w) override {
        Add("Pen %d", w);
        CArtist::SetPenWidth(w);
    }
};
}  // namespace

// An enclosed number hands its text's box (from the font's ascent to the baseline, one unit
// larger all round) with its enclosure record to the staff: the box widened by the record's
// gaps, outlined with its pen (a pen below 10 drawn at 10, the record left as it was).
TEST_F(BarNumberPlace, AnEnclosedNumberIsBoxedByItsEnclosureRecord) {
    PenArtist pens;
    pens.InitColorTable();
    SetArtist(&pens);
    Item n;
    rec::Put<std::uint8_t>(n.item, CBarNumber::kShowMode, CBarNumber::kEveryN);
    n->SetFlags(CBarNumber::kEnclosedBit);   // anchor 0, aligned left
    CBar* bar = s->Bar(1);
    ASSERT_NE(bar->InsertItemSorted(n.item), nullptr);
    auto* item = static_cast<CBarNumber*>(bar->GetBarNumberItem(true));
    g_model.currentBar = bar;
    g_model.currentLine = s->Line(0);
    const struct {
        int gapX, gapY, pen, drawnPen;
    } cases[] = {{40, 60, 30, 30}, {0, 0, 4, 10}, {100, 20, 20, 20}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.gapX);
        rec::Put<std::int16_t>(item, CBarNumber::kEnclosureGapX, std::int16_t(c.gapX));
        rec::Put<std::int16_t>(item, CBarNumber::kEnclosureGapY, std::int16_t(c.gapY));
        rec::Put<std::int16_t>(item, CBarNumber::kEnclosureValue, std::int16_t(c.pen));
        const std::vector<std::uint8_t> before(item->Bytes(), item->Bytes() + CBarNumber::kSize);
        int width = 0;
        const RECT r = item->Rect(bar, &width);
        FontRef font;
        std::memcpy(&font, item->Bytes() + CBarNumber::kFont, sizeof font);
        pens.PushFont();
        item->UseFont(font);
        FontMetrics16 metrics{};
        pens.GetFontMetrics(&metrics);
        pens.PopFont();
        pens.log.clear();
        item->Draw();
        const int x = r.left + s->Line(0)->GetStaff(0)->Space() / 3;
        const int unit = item->ScaleToView(1), dx = item->TwentiethsToView(c.gapX), dy = item->TwentiethsToView(c.gapY);
        char frame[96];
        std::snprintf(frame, sizeof frame, "Frame %d %d %d %d", x - unit - dx, int(r.bottom) - metrics.ascent - unit - dy,
                      x + width + unit + dx, int(r.bottom) + unit + dy);
        EXPECT_EQ(pens.Only("Frame"), std::vector<std::string>{frame});
        const std::vector<std::string> widths{"Pen " + std::to_string(item->ScaleToView(c.drawnPen)), "Pen 20"};
        EXPECT_EQ(pens.Only("Pen"), widths);
        EXPECT_EQ(std::vector<std::uint8_t>(item->Bytes(), item->Bytes() + CBarNumber::kSize), before);
    }
    SetArtist(&artist);
}

TEST_F(BarNumberPlace, TheStaffGivesWayToAShownOne) {
    Item n;
    g_model.currentLine = s->Line(0);
    CLine* line = s->Line(0);
    const struct {
        int index;
        std::vector<int> hidden;
        int want;
    } cases[] = {
        {0, {}, 0}, {1, {}, 1}, {9, {}, 2},         // past the staves: the last one
        {1, {1}, 2}, {1, {1, 2}, 0}, {9, {2}, 1},   // hidden: the next shown below, else above
    };
    for (const auto& c : cases) {
        for (int i = 0; i < 3; ++i) line->GetStaff(i)->SetShown(true);
        for (int h : c.hidden) line->GetStaff(h)->SetShown(false);
        rec::Put<std::uint8_t>(n.item, CBarNumber::kStaff, std::uint8_t(c.index));
        EXPECT_EQ(n->ChooseStaff(), line->GetStaff(c.want)) << c.index;
    }
}

TEST_F(BarNumberPlace, AnExcludedBarCountsOnlyWithAnItemThatDoesNotNumberEveryNBars) {
    CBar* bar = s->Bar(2);
    Item n;
    EXPECT_TRUE(bar->CountsForNumber());
    bar->SetBarFlag(CBar::kShortBarBit, true);
    EXPECT_FALSE(bar->CountsForNumber());
    for (int mode : {0, 1, 3}) {
        rec::Put<std::uint8_t>(n.item, CBarNumber::kShowMode, std::uint8_t(mode));
        EXPECT_TRUE(bar->CountsForNumber(n.item)) << mode;
    }
    rec::Put<std::uint8_t>(n.item, CBarNumber::kShowMode, CBarNumber::kEveryN);
    EXPECT_FALSE(bar->CountsForNumber(n.item));
    bar->SetClosingKind(3);
    EXPECT_TRUE(bar->CountsForNumber(n.item)) << "a bar that closes a repeat always counts";
    EXPECT_TRUE(bar->CountsForNumber());
}

// After a load every font reference goes through the score's font table; the bar number's too
// (a size of 0 takes the default text size there).
TEST_F(BarNumberPlace, ItsFontGoesThroughTheFontTable) {
    Item n;
    FontRef font{};
    font.face = g_draw.standardFontRefs[1].face;
    std::memcpy(n->Bytes() + CBarNumber::kFont, &font, sizeof font);
    CFontArray table;
    n->ResolveFonts(&table);
    std::memcpy(&font, n->Bytes() + CBarNumber::kFont, sizeof font);
    EXPECT_NE(g_draw.standardFontRefs[1].size, 0);
    EXPECT_EQ(font.size, g_draw.standardFontRefs[1].size);
}
