// Drawing the score's words and signs on recorded calls: a centred text's start, a frame's line
// width raised to its least, a carriage return not drawn, the tempo number's forms, and a
// music-font symbol drawn as a glyph, centred on its x.
#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <vector>

#include "DrawTestSupport.h"
#include "model/ModelGlobals.h"
#include "model/Symbol.h"
#include "model/Tempo.h"
#include "model/Text.h"
#include "model/TrkBar.h"

using drawtest::ScoreDrawTest;

namespace {

CBarItem* Insert(CTrkBar* tb, CBarItem* record, int position) {
    record->SetPositionField(std::int16_t(position));
    return tb->InsertCopy(record);
}

// Makes the bar of a track and the item's staff current, as the bar's drawing does first.
void Prepare(CScore* score, CTrkBar* tb, CBarItem* item) {
    g_model.currentScore = score;
    tb->SetCurrent();
    item->VerifyTrack();
}

}  // namespace

TEST_F(ScoreDrawTest, ACentredTextStartsHalfItsWidthRoundedUpLeftOfTheCentre) {
    Build(1, {1});
    std::vector<std::uint8_t> bytes(128);
    CText* made = CText::MakePlain(bytes.data(), 128, CText::kTypeCode, CText::kStaffText, "Dolce", FontRef{0, 12, 0, 0}, true);
    rec::Put<std::uint8_t>(made, CText::kFlags, std::uint8_t(made->TextFlags() | (1 << 3)));
    rec::Put<std::int16_t>(made, CText::kFrameLineWidth, 4);
    CTrkBar* tb = s->TrkBar(0, 0);
    auto* t = static_cast<CText*>(Insert(tb, made, 100));
    Prepare(s->score.get(), tb, t);
    artist.log.clear();
    t->Draw();
    EXPECT_GT(t->GetHeight(), 0) << "the first layout measures and stores the size";
    EXPECT_GT(t->GetWidth(), 0);
    // The next layout uses the stored size.
    artist.log.clear();
    t->Draw();
    RECT r;
    t->GetBounds(&r);
    artist.PushFont();
    t->UseFont(t->GetSingleFont());
    const int w = artist.TextWidth("Dolce");
    artist.PopFont();
    const auto texts = artist.Only("Text left");
    ASSERT_EQ(texts.size(), 1u);
    const int left = int(r.left) + 1;
    EXPECT_EQ(texts[0], "Text left " + std::to_string((left + int(r.right)) / 2 - (w + 1) / 2) + " Dolce");
    EXPECT_EQ(rec::Get<std::int16_t>(t, CText::kFrameLineWidth), 10) << "a frame line below 10 is raised";
    EXPECT_FALSE(artist.Only("Frame").empty());
}

TEST_F(ScoreDrawTest, AStyledTextDrawsItsLinesWithoutTheCarriageReturn) {
    Build(1, {1});
    // "ab\rcd": two runs and two lines, each from the table.
    std::vector<std::uint8_t> bytes(128, 0);
    auto* t0 = static_cast<CText*>(ConstructClass(CText::kTypeCode, bytes.data()));
    t0->CBaseItem::SetSize(std::int16_t(50 + 6 + 2 + 16 + 2 + 16));
    rec::Put<std::int16_t>(t0, CText::kTextLength, 6);
    std::memcpy(t0->GetText(), "ab\rcd", 6);
    std::uint8_t* runs = t0->GetStyleRuns();
    const FontRef f{0, 12, 0, 0};
    rec::Put<std::int16_t>(runs, 0, 2);
    std::memcpy(runs + 4, &f, 6);
    rec::Put<std::int16_t>(runs, 10, 3);
    std::memcpy(runs + 12, &f, 6);
    rec::Put<std::int16_t>(runs, 18, 2);
    const std::int16_t lines[2][4] = {{0, 0, 300, 240}, {3, 0, 300, 240}};
    for (int i = 0; i < 2; ++i)
        for (int w = 0; w < 4; ++w) rec::Put<std::int16_t>(runs, std::size_t(20 + 8 * i + 2 * w), lines[i][w]);
    rec::Put<std::int32_t>(t0, CText::kWidth, 600);
    rec::Put<std::int32_t>(t0, CText::kHeight, 600);
    CTrkBar* tb = s->TrkBar(0, 0);
    auto* t = static_cast<CText*>(Insert(tb, t0, 0));
    Prepare(s->score.get(), tb, t);
    artist.log.clear();
    artist.textY.clear();
    t->Draw();
    const auto texts = artist.Only("Text left");
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_NE(texts[0].find(" ab"), std::string::npos);
    EXPECT_EQ(texts[0].find('\r'), std::string::npos);
    EXPECT_NE(texts[1].find(" cd"), std::string::npos);
    ASSERT_EQ(artist.textY.size(), 2u);
    EXPECT_GT(artist.textY[1], artist.textY[0]) << "the second line lies below the first";
}

TEST(TempoFormatTest, WholeTempiShowNoDecimals) {
    std::setlocale(LC_NUMERIC, "C");
    EXPECT_EQ(FormatTempo(12000), "120");
    EXPECT_EQ(FormatTempo(12050), "120.50");
    EXPECT_EQ(FormatTempo(1005), "10.05");
    EXPECT_EQ(TempoToQuarterTempo(6000, 2, false), 12000) << "a half at 60.00";
    EXPECT_EQ(TempoToQuarterTempo(8000, 3, true), 12000) << "a dotted quarter at 80.00";
}

TEST_F(ScoreDrawTest, MusicSymbolsDrawGlyphsCentredOnTheirX) {
    Build(1, {1});
    std::vector<std::uint8_t> bytes(CSymbol::kSize);
    CSymbol* made = CSymbol::Make(bytes.data(), 142, FontRef{0, 24, 0, 0}, CSymbol::kMusicFontBit | CSymbol::kCentredBit);
    CTrkBar* tb = s->TrkBar(0, 0);
    CBarItem* sym = Insert(tb, made, 512);
    Prepare(s->score.get(), tb, sym);
    artist.log.clear();
    sym->Draw();
    const auto glyphs = artist.Only("Glyph ");
    ASSERT_EQ(glyphs.size(), 1u);
    int x = 0, y = 0, c = 0;
    std::sscanf(glyphs[0].c_str(), "Glyph %d %d %d", &x, &y, &c);
    EXPECT_EQ(c, 142);
    artist.PushFont();
    sym->UseFont(static_cast<CSymbol*>(sym)->GetFont());
    const int half = artist.GlyphWidth(142) / 2;
    artist.PopFont();
    EXPECT_EQ(x, s->Bar(0)->FractionToX(512) - half);
    EXPECT_EQ(y, s->Line(0)->GetStaff(0)->OffsetToY(0));
}
