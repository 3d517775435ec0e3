// The drawing, rectangles, hits, drags and placing of chord symbols and guitar frames, against
// the recorded calls of a memory port on a laid-out piano score: a symbol's root, accidental,
// suffix or "?", its slash bass; a definition's element texts and glyphs; a frame's nut or first
// fret number, dots, open and muted marks, barres, finger labels and capo names.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "NoteDrawSupport.h"
#include "model/ApplicationOps.h"
#include "model/Bar.h"
#include "model/ChordRecords.h"
#include "model/DragTask.h"
#include "model/ItemFactory.h"
#include "model/ModelGlobals.h"
#include "model/ScoreStandIns.h"
#include "model/SystemStaff.h"
#include "model/TrkBar.h"
#include "model/TrkBarWalk.h"
#include "model/ZelDoc.h"
#include "notation/ChordDraw.h"
#include "platform/LibraryStandIns.h"
#include "platform/PlatformGlobals.h"
#include "platform/Theory.h"

using notetest::NoteDrawTest;
using notetest::RecordBuf;

namespace {

class ChordDraw : public NoteDrawTest {
protected:
    void SetUp() override {
        NoteDrawTest::SetUp();
        g_platform.chordLib = &lib;
    }
    void TearDown() override {
        g_platform.chordLib = nullptr;
        g_platform.noteNameStyle = 0;
        g_model.dragItem = nullptr;
        g_model.dragOffsetX = 0;
        NoteDrawTest::TearDown();
    }
    CChord* MakeChord(RecordBuf& buf, int letter, int accidental, int key) {
        auto* c = static_cast<CChord*>(static_cast<CBarItem*>(ConstructClass(CChord::kType, buf.data())));
        c->CBarItem::InitNew(0, 0, 256);
        c->SetRootLetter(letter);
        c->SetRootAccidental(accidental);
        c->SetKey(key);
        return c;
    }
    CGuitarFrame* MakeFrame(RecordBuf& buf, const char* name, const char* play) {
        auto* f = static_cast<CGuitarFrame*>(static_cast<CBarItem*>(ConstructClass(CGuitarFrame::kType, buf.data())));
        f->CBarItem::InitNew(0, 0, 256);
        f->SetStrings(6);
        f->SetFrets(4);
        f->SetName(name);
        for (int k = 0; play[k]; ++k) f->SetStringFret(k, play[k] == 'x' ? -1 : play[k] == 'o' ? 0 : play[k] - '0');
        return f;
    }
    // A definition with elements of these codes, in the text face at 12 points (glyphs in the
    // music face).
    void Define(int key, std::initializer_list<int> codes) {
        alignas(8) std::uint8_t record[CSuffix::kHeadSize + 8 * SuffixElement::kSize] = {};
        rec::Put<std::int16_t>(record, rec::kSize, std::int16_t(CSuffix::kHeadSize));
        auto* d = CSuffix::Of(reinterpret_cast<CScoreItem*>(record));
        d->SetKey(key);
        for (int code : codes) {
            SuffixElement e{};
            FontRef f = g_draw.standardFontRefs[CSuffix::IsGlyphText(CSuffix::ElementText(code)) ? 4 : 0];
            f.size = 12;
            e.SetFont(f);
            e.SetCode(code);
            d->AppendElement(e);
        }
        lib.AddDefinition(record, d->RecordSizeField());
    }
    struct Text {
        int x, y;
        std::string s;
    };
    static std::vector<Text> Texts(const std::vector<std::string>& log) {
        std::vector<Text> out;
        for (const auto& line : log) {
            int x = 0, y = 0;
            const auto q = line.find('"');
            if (std::sscanf(line.c_str(), "TextOut %d %d", &x, &y) == 2 && q != std::string::npos)
                out.push_back(Text{x, y, line.substr(q + 1, line.rfind('"') - q - 1)});
        }
        return out;
    }
    static std::string Joined(const std::vector<Text>& texts) {
        std::string s;
        for (const Text& t : texts) s += t.s;
        return s;
    }
    int ChordY(int offset) { return staff->OffsetToY(staff->GetChordLine() + offset); }
    CChordLib lib;
};

}  // namespace

// --- definitions ----------------------------------------------------------------------------------

TEST_F(ChordDraw, ElementCodesGiveTheirTextsAndGlyphs) {
    struct Case {
        int code;
        std::string text;
        const char* why;
    } cases[] = {
        {0, "MAJ", "the major word in style 0"},
        {1, "min", "the minor word in style 0"},
        {2, "Dim", "diminished"},
        {3, "Aug", "augmented"},
        {4, "sus", "string text"},
        {16, "7", "a number"},
        {19, "13", "a number"},
        {21, "", "code 21 draws nothing"},
        {23, std::string(1, char(200)), "the \"-\" element is the minus glyph"},
        {29, std::string(1, char(33)), "sharp glyph"},
        {30, std::string(1, char(34)), "flat glyph"},
        {31, std::string(1, char(35)), "natural glyph"},
        {20, std::string(1, char(239)), "the triangle"},
        {126, std::string(1, char(238)), "a tilde is the slashed circle"},
        {176, std::string(1, char(237)), "a degree sign is the circle"},
        {248, std::string(1, char(238)), "character 248 is the slashed circle"},
        {65, "A", "a plain character"},
    };
    for (const Case& c : cases) EXPECT_EQ(CSuffix::ElementText(c.code), c.text) << c.why;
    lib.wordStyles[1] = 3;
    EXPECT_EQ(CSuffix::ElementText(1), std::string(1, char(200))) << "the \"-\" minor style is the glyph";
    lib.wordStyles[0] = 6;
    EXPECT_EQ(CSuffix::ElementText(0), std::string(1, char(239)));
    EXPECT_TRUE(CSuffix::IsGlyphText(CSuffix::ElementText(29)));
    EXPECT_FALSE(CSuffix::IsGlyphText(CSuffix::ElementText(16)));
}

TEST_F(ChordDraw, ADefinitionWithoutElementsDrawsNothingAndEndsOneRight) {
    Define(145, {});
    const CSuffix* d = chorddraw::FindDefinition(145);
    ASSERT_NE(d, nullptr);
    int right = 0;
    const auto log = Record([&] { right = d->Draw(100, 200); });
    EXPECT_EQ(right, 101);
    EXPECT_TRUE(Texts(log).empty());
    EXPECT_EQ(d->GetWidth(), 0);
    EXPECT_EQ(chorddraw::FindDefinition(146), nullptr);
}

TEST_F(ChordDraw, ASuffixDrawsItsElementsInOrderAndMeasuresThem) {
    Define(1097, {1, 16, 30, 14, 21});
    const CSuffix* d = chorddraw::FindDefinition(1097);
    ASSERT_NE(d, nullptr);
    int right = 0;
    const auto log = Record([&] { right = d->Draw(100, 200); });
    const auto texts = Texts(log);
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_EQ(texts[0].s, "min");
    EXPECT_EQ(texts[1].s, "7");
    EXPECT_EQ(texts[3].s, "5");
    EXPECT_EQ(texts[0].x, 100);
    for (std::size_t i = 1; i < texts.size(); ++i) EXPECT_GT(texts[i].x, texts[i - 1].x);
    EXPECT_EQ(right - 100, d->GetWidth()) << "at zoom 100 the drawn and measured widths agree";
    RECT r;
    d->GetElementRect(&r, 2);
    EXPECT_EQ(r.left, texts[2].x - 100);
    EXPECT_EQ(r.bottom, 6) << "an accidental element's rectangle lies half its size lower";
    EXPECT_EQ(r.top, -6);
}

// --- chord symbols --------------------------------------------------------------------------------

TEST_F(ChordDraw, AKeyWithoutAnEntryDrawsRootAccidentalAndAQuestionMarkWithoutBass) {
    RecordBuf buf;
    CChord* c = MakeChord(buf, 2, CChord::kFlat, 999);
    c->SetHasBass(true);
    c->SetBassLetter(1);
    const auto texts = Texts(Record([&] { c->Draw(); }));
    const int x = score->GetBar(0)->PositionToItemX(256, 0);
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0].s, "E");
    EXPECT_EQ(texts[0].x, x);
    EXPECT_EQ(texts[0].y, ChordY(0));
    EXPECT_EQ(texts[1].s, std::string(1, char(34))) << "a raised flat glyph";
    EXPECT_LT(texts[1].y, texts[0].y);
    EXPECT_EQ(texts[2].s, "?");
    RECT r;
    c->GetBounds(&r);
    a->PushFont();
    FontRef f = chorddraw::ChordFont();
    a->SetFontRef(f);
    // The bass after a slash widens it though it is not drawn.
    const int want = a->TextWidth("C") + a->TextWidth("#") + a->TextWidth("?") + a->TextWidth("/") + a->TextWidth("C") + 5;
    a->PopFont();
    EXPECT_EQ(r.left, x);
    EXPECT_EQ(r.right - r.left, want);
    EXPECT_EQ(r.bottom, ChordY(0));
    EXPECT_EQ(r.top, ChordY(0) - f.size * 2 / 3);
    // The default hit test takes the rectangle.
    EXPECT_TRUE(c->HitTest((r.left + r.right) / 2, r.bottom - 1));
    EXPECT_FALSE(c->HitTest(r.right + 2, r.bottom - 1));
}

TEST_F(ChordDraw, ASymbolDrawsItsSuffixAndASlashBassOrABassBelowALine) {
    Define(1169, {16});
    RecordBuf buf;
    CChord* c = MakeChord(buf, 2, CChord::kNatural, 1169);
    c->SetHasBass(true);
    c->SetBassLetter(6);
    c->SetBassAccidental(CChord::kFlat);
    auto texts = Texts(Record([&] { c->Draw(); }));
    EXPECT_EQ(Joined(texts), std::string("E") + char(35) + "7/B" + char(34)) << "a natural draws";
    g_platform.noteNameStyle = CTheory::kGerman;
    texts = Texts(Record([&] { c->Draw(); }));
    EXPECT_EQ(Joined(texts), std::string("E") + char(35) + "7/B") << "German: B flat is plain B";
    c->SetBassAccidental(CChord::kNoAccidental);
    EXPECT_EQ(Joined(Texts(Record([&] { c->Draw(); }))), std::string("E") + char(35) + "7/H");
    g_platform.noteNameStyle = 0;
    c->SetBassBelow(true);
    texts = Texts(Record([&] { c->Draw(); }));
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_EQ(texts[3].s, "B");
    EXPECT_GT(texts[3].y, texts[0].y) << "the bass stands a line lower";
    RECT below, beside;
    c->GetBounds(&below);
    c->SetBassBelow(false);
    c->GetBounds(&beside);
    EXPECT_GT(beside.right, below.right) << "a bass below does not widen the rectangle";
    EXPECT_EQ(beside.bottom, below.bottom);
}

TEST_F(ChordDraw, ADragMovesTheSharedOffsetAndTheHeightAndADropKeepsTheX) {
    RecordBuf buf;
    CChord* c = MakeChord(buf, 0, 0, 999);
    c->SetYOffset(0);
    CDragTask drag;
    drag.dx = 9;
    drag.dy = -40;
    g_model.dragItem = c;
    c->BeginDrag();
    c->DragBy(&drag);
    EXPECT_EQ(g_model.dragOffsetX, 9);
    EXPECT_EQ(c->GetYOffset(), staff->UnscaleOffset(-40)) << "the page units' move in the staff's units";
    EXPECT_EQ(ChordY(c->GetYOffset()), ChordY(0) - 40) << "the symbol follows the pointer";
    RECT r;
    c->GetBounds(&r);
    EXPECT_EQ(r.left, score->GetBar(0)->PositionToItemX(256, 9));
    c->EndDrag(nullptr);
    g_model.dragItem = nullptr;
    EXPECT_EQ(c->GetXOffset(), 9);
    EXPECT_EQ(g_model.dragOffsetX, 0);
}

TEST_F(ChordDraw, ANudgeMovesByOneVisibleStep) {
    RecordBuf buf;
    CChord* c = MakeChord(buf, 0, 0, 999);
    const int y = ChordY(0);
    c->Nudge(0, 1);
    EXPECT_LT(ChordY(c->GetYOffset()), y) << "up";
    EXPECT_EQ(ChordY(c->GetYOffset()), y - 1);
    c->Nudge(0, -1);
    EXPECT_EQ(ChordY(c->GetYOffset()), y);
}

TEST_F(ChordDraw, AParenthesisedSymbolStandsBetweenTheBarItemsBracketGlyphs) {
    Define(1169, {16});
    RecordBuf buf;
    CChord* c = MakeChord(buf, 0, 0, 1169);
    const auto plain = Texts(Record([&] { c->Draw(); }));
    c->SetParenthesised(true);
    auto texts = Texts(Record([&] { c->Draw(); }));
    ASSERT_EQ(texts.size(), plain.size() + 2);
    const Text& open = texts[texts.size() - 2];
    const Text& close = texts.back();
    EXPECT_EQ(open.s, std::string(1, char(252)));
    EXPECT_EQ(close.s, std::string(1, char(253)));
    // The music font at 5/2 of the chord font's size: the pair ends at the symbol's left and
    // starts at its right, raised by an eighth of that size and one unit.
    const int size = chorddraw::ChordFont().size * 5 / 2;
    a->PushFont();
    a->SetMusicFont(size);
    EXPECT_EQ(open.x + a->GlyphWidth(252), plain[0].x);
    a->PopFont();
    EXPECT_GT(close.x, plain.back().x);
    EXPECT_EQ(open.y, ChordY(0) - size / 8 - 1);
    EXPECT_EQ(close.y, open.y);
    // A bass drawn below takes the tall pair, lowered by two units.
    c->SetHasBass(true);
    c->SetBassBelow(true);
    texts = Texts(Record([&] { c->Draw(); }));
    EXPECT_EQ(texts[texts.size() - 2].s, std::string(1, char(254)));
    EXPECT_EQ(texts.back().s, std::string(1, char(255)));
    EXPECT_EQ(texts.back().y, ChordY(0) + 2);
    // A bass beside keeps the normal pair.
    c->SetBassBelow(false);
    texts = Texts(Record([&] { c->Draw(); }));
    EXPECT_EQ(texts.back().s, std::string(1, char(253)));
}

namespace {

// A chord library whose editor, when it opens, defines the chord of the notes it was given (as a
// user who stores the played chord would).
class DefiningLib : public CChordLib {
public:
    void EditWithNotes(int n, const int* pitches, bool confirm) override {
        CChordLib::EditWithNotes(n, pitches, confirm);
        opened = true;
        if (!define) return;
        alignas(8) std::uint8_t record[CSuffix::kHeadSize] = {};
        rec::Put<std::int16_t>(record, rec::kSize, std::int16_t(CSuffix::kHeadSize));
        auto* d = CSuffix::Of(reinterpret_cast<CScoreItem*>(record));
        d->InitFromNotes(pitches[0], n, pitches);
        d->SetKey(MakeChordKey(root, pitches, n));
        AddDefinition(record, CSuffix::kHeadSize);
    }
    bool define = false, opened = false;
    int root = 60;
};

}  // namespace

TEST_F(ChordDraw, EditFeedsTheNotesBassFirstAndAdoptsAKeyTheLibraryNowHas) {
    DefiningLib editing;
    g_platform.chordLib = &editing;
    RecordBuf buf;
    // C major over G with a key the library does not have: G, then the key's notes above C.
    CChord* c = MakeChord(buf, 0, CChord::kNatural, 0x0091);
    c->SetHasBass(true);
    c->SetBassLetter(4);
    c->OpenProperties(0, 0);
    EXPECT_TRUE(editing.opened);
    EXPECT_EQ(editing.editNotes, (std::vector<int>{67, 60, 64, 67})) << "a natural edits as none";
    EXPECT_EQ(c->GetKey(), 0x0091) << "the library still has no chord of those notes";
    // The editor stores the chord: G first and last, so its key has bit 12.
    editing.define = true;
    c->OpenProperties(0, 0);
    EXPECT_EQ(c->GetKey(), 0x1091);
    // Now the key has an entry: its intervals above the root follow the bass, and the key stays.
    const int major[] = {0, 4, 7};
    RecordBuf sbuf;
    auto* s = CSuffix::Of(ConstructClass(CSuffix::kType, sbuf.data()));
    s->InitEmpty();
    s->InitFromNotes(0, 3, major);
    s->SetKey(0x0491);
    editing.AddDefinition(reinterpret_cast<const std::uint8_t*>(s), s->RecordSizeField());
    c->SetKey(0x0491);
    c->SetRootLetter(2);
    c->SetRootAccidental(CChord::kFlat);
    c->SetHasBass(false);
    editing.define = false;
    c->OpenProperties(0, 0);
    EXPECT_EQ(editing.editNotes, (std::vector<int>{63, 67, 70})) << "E flat major from the entry";
    EXPECT_EQ(c->GetKey(), 0x0491);
    c->SetHasBass(true);
    c->SetBassLetter(4);
    c->SetBassAccidental(CChord::kFlat);
    c->OpenProperties(0, 0);
    EXPECT_EQ(editing.editNotes, (std::vector<int>{66, 63, 67, 70})) << "the bass first";
    g_platform.chordLib = &lib;
}

TEST_F(ChordDraw, AFramesEditIsTheDocumentsGuitarFrameCommand) {
    RecordBuf buf;
    CGuitarFrame* f = MakeFrame(buf, "C", "o1o23x");
    std::vector<int> ran;
    AppOps().commandObserver = [&ran](int id) { ran.push_back(id); };
    CZelDoc* was = g_model.currentDoc;
    g_model.currentDoc = &doc;
    f->OpenProperties(0, 0);
    g_model.currentDoc = was;
    AppOps().commandObserver = nullptr;
    EXPECT_EQ(ran, (std::vector<int>{4114}));
}

TEST_F(ChordDraw, AKeyChangeMovesSymbolsAndFramesOnlyWhenApplied) {
    RecordBuf buf, fbuf;
    CChord* c = MakeChord(buf, 0, 0, 0x91);
    c->SetHasBass(true);
    c->SetBassLetter(2);
    c->TransposeAll(0, 8, 0, 0);
    EXPECT_EQ(c->GetRootLetter(), 0) << "not applied: kept";
    c->TransposeAll(0, 8, 0, 7);
    EXPECT_EQ(c->GetRootLetter(), 4) << "C major to G major: C/E becomes G/B";
    EXPECT_EQ(c->GetBassLetter(), 6);
    CGuitarFrame* f = MakeFrame(fbuf, "C7", "o1o23x");
    f->SetRoot(0);
    f->SetBass(0);
    f->TransposeAll(0, 8, 0, 0);
    EXPECT_EQ(std::string(f->GetName()), "C7");
    f->TransposeAll(0, 8, 0, -5);
    EXPECT_EQ(std::string(f->GetName()), "G7") << "no library frame: the name rebuilt";
    EXPECT_EQ(f->GetRoot(), 10);
}

TEST_F(ChordDraw, ANewKeySignatureRespellsTheSymbolsAfterIt) {
    CTrkBar* tb = score->GetTrkBar(0, 0);
    tb->SetCurrent();
    RecordBuf buf;
    CChord* c = MakeChord(buf, 0, 0, 0x91);  // C/E at position 256
    c->SetHasBass(true);
    c->SetBassLetter(2);
    ASSERT_NE(tb->InsertCopy(c), nullptr);
    // The symbol wherever the key signatures put it in the run.
    const auto symbol = [&] {
        CChord* found = nullptr;
        trkbar::ForEachLiveItem(score->GetTrkBar(0, 0), [&](CBarItem* it) {
            if (it->TypeCode() == CChord::kType) found = CChord::Of(it);
        });
        return found;
    };
    ASSERT_NE(symbol(), nullptr);
    // A signature that keeps the spelling moves nothing.
    ASSERT_TRUE(tb->InsertKeySig(0, 0, 8, 0, false, 0, false, 0, 0));
    ASSERT_NE(symbol(), nullptr);
    EXPECT_EQ(symbol()->GetRootLetter(), 0);
    // Applied, from G major (the signature replaced) to D major: the fourth and sixth degrees,
    // C/E, become G/B.
    ASSERT_TRUE(tb->InsertKeySig(0, 0, 9, 1, false, 0, false, 0, 0));
    EXPECT_EQ(symbol()->GetRootLetter(), 4);
    EXPECT_EQ(symbol()->GetBassLetter(), 6);
    EXPECT_EQ(symbol()->GetBassAccidental(), CChord::kNoAccidental);
}

// --- guitar frames ----------------------------------------------------------------------------------

TEST_F(ChordDraw, AFrameDrawsItsNutDotsOpenAndMutedStringsAndFingers) {
    RecordBuf buf;
    // C major from the highest string: open, 1, open, 2, 3, muted.
    CGuitarFrame* f = MakeFrame(buf, "C", "o1o23x");
    f->SetFinger(1, 3);
    f->SetFinger(4, 5);
    const auto log = Record([&] { f->Draw(); });
    const auto texts = Texts(log);
    std::string all = Joined(texts);
    EXPECT_NE(all.find('C'), std::string::npos) << "the name";
    EXPECT_NE(all.find('3'), std::string::npos) << "finger 3";
    EXPECT_NE(all.find('T'), std::string::npos) << "the thumb";
    EXPECT_NE(all.find(char(78)), std::string::npos) << "the muted mark";
    EXPECT_EQ(all.find("fr"), std::string::npos) << "a nut, no fret number";
    int ellipses = 0;
    for (const auto& line : log) ellipses += line.rfind("Ellipse", 0) == 0;
    EXPECT_EQ(ellipses, 5) << "three dots and two open circles";
}

TEST_F(ChordDraw, ABaseFretWithACapoShowsItsNumberAndNoNut) {
    RecordBuf buf;
    CGuitarFrame* f = MakeFrame(buf, "D", "1111xx");
    f->SetBaseFret(2);
    f->SetCapo(1);
    const std::string all = Joined(Texts(Record([&] { f->Draw(); })));
    EXPECT_NE(all.find("4fr"), std::string::npos) << all;
}

TEST_F(ChordDraw, AFrameWithNothingStoredDrawsAnEmptyGrid) {
    RecordBuf buf;
    CGuitarFrame* f = MakeFrame(buf, "", "");
    for (int i = 0; i < 16; ++i) rec::Put<std::uint8_t>(f, std::size_t(CGuitarFrame::kStringFrets + i), 0);
    const auto log = Record([&] { f->Draw(); });
    EXPECT_TRUE(Texts(log).empty());
    for (const auto& line : log) EXPECT_NE(line.rfind("Ellipse", 0), 0u) << line;
}

TEST_F(ChordDraw, BarresEndBeforeALowerFretAndNeverOnTheirOwnString) {
    struct Case {
        const char* play;
        int barres[6];
        int curves;
        const char* why;
    } cases[] = {
        {"111111", {1, 1, 1, 1, 1, 1}, 1, "across all six strings"},
        {"111111", {1, 0, 0, 0, 0, 0}, 0, "a barre on the highest string alone"},
        {"11o111", {1, 1, 0, 1, 1, 1}, 2, "an open string splits the barre in two"},
    };
    for (const Case& c : cases) {
        RecordBuf buf;
        CGuitarFrame* f = MakeFrame(buf, "", c.play);
        for (int i = 0; i < 6; ++i) f->SetBarreFret(i, c.barres[i]);
        const auto log = Record([&] { f->Draw(); });
        int curves = 0;
        // A curve is drawn as Bezier outlines sharing their two ends: count the ends.
        std::set<std::string> ends;
        for (const auto& line : log) {
            if (line.rfind("PolyBezier", 0) != 0) continue;
            const auto first = line.find(' ');
            ends.insert(line.substr(first, line.find(' ', first + 1) - first) + line.substr(line.rfind(' ')));
        }
        curves = int(ends.size());
        EXPECT_EQ(curves, c.curves) << c.why;
    }
}

TEST_F(ChordDraw, TheShownNameMovesByTheCapoAndFollowsGermanNames) {
    RecordBuf buf;
    CGuitarFrame* f = MakeFrame(buf, "Gm7/Bb", "");
    f->SetRoot(10);
    f->SetBass(15);
    EXPECT_EQ(f->GetDisplayName(false), "Gm7/Bb");
    f->SetCapo(2);
    EXPECT_EQ(f->GetDisplayName(false), "Am7/C");
    f->SetCapo(1);
    EXPECT_EQ(f->GetDisplayName(false), "G#m7/B");
    f->SetCapo(0);
    f->SetName("Bb7");
    EXPECT_EQ(f->GetDisplayName(true), "B7");
    f->SetName("B7");
    EXPECT_EQ(f->GetDisplayName(true), "H7");
}

TEST_F(ChordDraw, CapoNamesShowTheShapeInBracketsAboveOrTheSoundingNameBelow) {
    RecordBuf buf;
    CGuitarFrame* f = MakeFrame(buf, "G", "3oo023");
    f->SetRoot(10);
    f->SetCapo(2);
    f->SetTabMode(1);
    auto texts = Texts(Record([&] { f->Draw(); }));
    std::string all = Joined(texts);
    EXPECT_NE(all.find("[G]"), std::string::npos) << all;
    EXPECT_NE(all.find('A'), std::string::npos);
    int aY = 0, gY = 0;
    for (const Text& t : texts) {
        if (t.s == "A") aY = t.y;
        if (t.s == "G") gY = t.y;
    }
    EXPECT_LT(gY, aY) << "the shape's name above";
    f->SetTabMode(2);
    texts = Texts(Record([&] { f->Draw(); }));
    for (const Text& t : texts) {
        if (t.s == "A") aY = t.y;
        if (t.s == "G") gY = t.y;
    }
    EXPECT_GT(aY, gY) << "the sounding name under the diagram";
}

TEST_F(ChordDraw, NamesDrawDigitsSmallerAndRaisedAndFlatsAsGlyphs) {
    const auto log = Record([&] { CGuitarFrame::DrawName(300, 200, 1, 16, "Bb7"); });
    const auto texts = Texts(log);
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0].s, "B");
    EXPECT_EQ(texts[0].y, 200);
    EXPECT_EQ(texts[1].s, std::string(1, char(34)));
    EXPECT_EQ(texts[1].y, 200 - (16 / 8 + 16 / 4));
    EXPECT_EQ(texts[2].s, "7");
    EXPECT_EQ(texts[2].y, 200 - 2);
}

TEST_F(ChordDraw, AFrameBoundsHoldItsGridAndNameAndTakeHits) {
    RecordBuf buf;
    CGuitarFrame* f = MakeFrame(buf, "C", "o1o23x");
    RECT r;
    f->GetBounds(&r);
    const int bottom = ChordY(0);
    EXPECT_EQ(r.bottom, bottom + 1);
    EXPECT_EQ(r.top, bottom - 5 * 5 - f->ScaleToView(chorddraw::FrameFont().size) - 1);
    EXPECT_GE(r.right - r.left, 25);
    EXPECT_TRUE(f->HitTest((r.left + r.right) / 2, (r.top + r.bottom) / 2));
    f->SetNameOnly(1);
    f->SetName("");
    f->GetBounds(&r);
    EXPECT_EQ(r.right - r.left, staff->GetLineSpacing() + 2 * (5 / 2));
}

TEST_F(ChordDraw, AParenthesisedFrameNameStandsBetweenTheBracketGlyphs) {
    RecordBuf buf;
    CGuitarFrame* f = MakeFrame(buf, "C", "o1o23x");
    f->SetParenthesised(true);
    auto texts = Texts(Record([&] { f->Draw(); }));
    ASSERT_GE(texts.size(), 3u);
    EXPECT_EQ(texts[texts.size() - 2].s, std::string(1, char(252)));
    EXPECT_EQ(texts.back().s, std::string(1, char(253)));
    f->SetName("G/B");
    f->SetBassBelow(1);
    texts = Texts(Record([&] { f->Draw(); }));
    EXPECT_EQ(texts[texts.size() - 2].s, std::string(1, char(254))) << "a stacked name takes the tall pair";
    EXPECT_EQ(texts.back().s, std::string(1, char(255)));
}

// --- frame transposition through the library ---------------------------------------------------------

TEST_F(ChordDraw, ATransposedFrameTakesTheLibrarysShapeOrKeepsItsGridWithoutFingering) {
    RecordBuf own, c1, c2, d1;
    // The library (a frame without a slash has its root as its bass): two shapes of C (open and from the third fret) and one of D.
    CGuitarFrame* open = MakeFrame(c1, "C", "o1o23x");
    open->SetRoot(0);
    open->SetBass(0);
    CGuitarFrame* high = MakeFrame(c2, "C", "1233x");
    high->SetRoot(0);
    high->SetBass(0);
    high->SetBaseFret(2);
    CGuitarFrame* dShape = MakeFrame(d1, "D", "232oxx");
    dShape->SetRoot(3);
    dShape->SetBass(3);
    const std::vector<const CGuitarFrame*> library{open, high, dShape};
    struct Case {
        int from, amount, mode, base;
        const char* wantName;
        int wantRoot, wantBase;
        const char* why;
    } cases[] = {
        {3, -2, 2, 0, "C", 0, 0, "D down two semitones: C's first shape (the same ordinal as D's own)"},
        {3, -2, 2, 3, "C", 0, 2, "from the fourth fret: the nearest base fret within 3"},
        {0, 2, 2, 0, "D", 3, 0, "C up two semitones: the only D"},
        {0, 4, 2, 0, "Em7", 6, 0, "no E in the library: the name rebuilt, the fingering cleared"},
        {16, 1, 2, 0, "C", 0, 0, "B up one semitone spells C"},
        {3, 1, 1, 0, "Em7", 6, 0, "one diatonic step in C major: D to E"},
    };
    for (const Case& c : cases) {
        RecordBuf buf;
        CGuitarFrame* f = MakeFrame(buf, c.from == 3 ? "D" : c.from == 16 ? "B" : "Cm7", "232oxx");
        if (c.wantName == std::string("Em7")) f->SetName(c.from == 3 ? "Dm7" : "Cm7");
        f->SetRoot(c.from);
        f->SetBass(c.from);
        f->SetBaseFret(c.base);
        f->SetFinger(2, 3);
        f->Transpose(c.amount, c.mode, 0, library);
        EXPECT_EQ(std::string(f->GetName()), c.wantName) << c.why;
        EXPECT_EQ(f->GetRoot(), c.wantRoot) << c.why;
        EXPECT_EQ(f->GetBaseFret(), c.wantBase) << c.why;
        if (c.wantName == std::string("Em7")) {
            EXPECT_EQ(f->GetStrings(), 6) << "the grid kept";
            EXPECT_EQ(f->GetFinger(2), 0) << c.why;
            EXPECT_EQ(f->GetStringFret(0), -4) << "nothing marked";
        }
    }
}
