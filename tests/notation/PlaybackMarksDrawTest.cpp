// The drawing, rectangles, hit parts and drags of the marks that shape playback, against the
// recorded calls of a memory port on a laid-out piano score: the dynamic's glyph and its cleared
// box, the hairpin's wedge, hit parts, crossing openings and its text form's dashes, the
// expression that is not printed, the text jumper's right-aligned "To Coda" with its coda glyph
// and its hit parts, and the ending's hit parts and drags; the marks' edit commands; and the key
// change's clean lines, drawn by the same recording.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <utility>
#include <string>
#include <vector>

#include "NoteDrawSupport.h"
#include "model/Bar.h"
#include "model/ItemFactory.h"
#include "model/KeySig.h"
#include "model/Jumper.h"
#include "model/PlaybackMarks.h"
#include "model/ScoreStandIns.h"
#include "model/Preferences.h"
#include "notation/PlaybackMarks.h"
#include "platform/DlgCombosStandIns.h"
#include "support/CommandRecorder.h"

using notetest::NoteDrawTest;
using notetest::RecordBuf;

namespace {

class MarksDraw : public NoteDrawTest {
protected:
    void TearDown() override {
        g_draw.printingDC = false;
        g_draw.dragInProgress = false;
        g_model.dragItem = nullptr;
        g_model.itemDragX = 0;
        g_model.dragEndOffsetX = 0;
        g_viewDrag = ViewDragGlobals{};
        NoteDrawTest::TearDown();
    }
    template <typename T>
    T* Make(RecordBuf& buf, int code, int position = 256) {
        auto* item = static_cast<T*>(static_cast<CBarItem*>(ConstructClass(code, buf.data())));
        item->InitNew(0, 0, position);
        return item;
    }
    CBar* Bar(int i) { return score->GetBar(i); }
    static int Count(const std::vector<std::string>& log, const char* prefix) {
        int n = 0;
        for (const auto& line : log) n += line.rfind(prefix, 0) == 0;
        return n;
    }
    // The text calls' x, y and text, in order.
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
    struct Seg {
        int x1, y1, x2, y2;
    };
    static std::vector<Seg> Lines(const std::vector<std::string>& log) {
        std::vector<Seg> out;
        for (std::size_t i = 0; i + 1 < log.size(); ++i) {
            Seg s{};
            if (std::sscanf(log[i].c_str(), "MoveTo %d %d", &s.x1, &s.y1) == 2 &&
                std::sscanf(log[i + 1].c_str(), "LineTo %d %d", &s.x2, &s.y2) == 2)
                out.push_back(s);
        }
        return out;
    }
};

}  // namespace

// --- dynamics -------------------------------------------------------------------------------------

TEST_F(MarksDraw, DynamicDrawsItsGlyphOnTheReferenceLineAndClearsItsBoxUnlessDragged) {
    RecordBuf buf;
    auto* d = Make<CDynamic>(buf, CDynamic::kType);
    d->InitMark(6, nullptr);  // forte
    RECT r;
    d->GetBounds(&r);
    const int baseline = staff->OffsetToY(480 + staff->GetPlaceC() - 480);
    const int x = Bar(0)->PositionToItemX(256, 0);
    EXPECT_EQ(r.left, x);
    EXPECT_EQ(r.top, baseline - staff->ScaleQuarterSpaces(6));
    EXPECT_EQ(r.bottom, baseline + staff->ScaleQuarterSpaces(2));
    EXPECT_GT(r.right, r.left);
    auto log = Record([&] { d->DrawShape(); });
    ASSERT_EQ(Texts(log).size(), 1u);
    EXPECT_EQ(Texts(log)[0].x, x);
    EXPECT_EQ(Texts(log)[0].y, baseline);
    EXPECT_EQ(Count(log, "BitBlt") + Count(log, "FillRect"), 0);
    d->SetEraseBackground(true);
    log = Record([&] { d->DrawShape(); });
    const int painted = Count(log, "BitBlt") + Count(log, "FillRect") + Count(log, "StretchBlt");
    EXPECT_GT(painted, 0);
    g_draw.dragInProgress = true;
    log = Record([&] { d->DrawShape(); });
    EXPECT_EQ(Count(log, "BitBlt") + Count(log, "FillRect") + Count(log, "StretchBlt"), 0) << "no erase while dragged";
    EXPECT_EQ(Texts(log).size(), 1u);
}

TEST_F(MarksDraw, DynamicDragMovesTheSharedDeltaAndItsHeight) {
    RecordBuf buf;
    auto* d = Make<CDynamic>(buf, CDynamic::kType);
    d->InitMark(3, nullptr);
    CDragTask drag;
    drag.dx = 7;
    drag.dy = -30;
    d->BeginDrag();
    d->MoveDrag(&drag);
    // The page's movement counts in the staff's offset units (1/120 of a space).
    const int dx = g_model.currentStaff->UnscaleOffset(7), dy = g_model.currentStaff->UnscaleOffset(-30);
    EXPECT_EQ(g_model.itemDragX, dx);
    EXPECT_EQ(d->GetVerticalOffset(), 480 + dy);
    RECT r;
    d->GetBounds(&r);
    EXPECT_EQ(r.left, Bar(0)->PositionToItemX(256, dx));
    EXPECT_NEAR(r.left, Bar(0)->PositionToItemX(256, 0) + 7, 1) << "the mark follows the pointer";
    // A drop that does not place it anew keeps the move in its offset; the delta is cleared.
    d->EndDrag(nullptr);
    EXPECT_EQ(d->GetHorizontalOffset(), dx);
    EXPECT_EQ(g_model.itemDragX, 0);
    d->GetBounds(&r);
    EXPECT_EQ(r.left, Bar(0)->PositionToItemX(256, dx));
}

// --- hairpins -------------------------------------------------------------------------------------

namespace {

CCresc* Hairpin(RecordBuf& buf, bool crescendo) {
    auto* h = static_cast<CCresc*>(static_cast<CBarItem*>(ConstructClass(CCresc::kType, buf.data())));
    h->InitNew(0, 0, 0);
    h->SetEnd(0, 1000);
    h->SetShape(crescendo ? CCresc::kCrescendo : CCresc::kDecrescendo);
    h->SetVerticalPosition(420);
    h->SetUpper(120);
    h->SetLower(120);
    h->InitCurve();
    return h;
}

}  // namespace

TEST_F(MarksDraw, HairpinWedgeRunsFromItsPointToTheOpenEnd) {
    for (bool crescendo : {true, false}) {
        RecordBuf buf;
        CCresc* h = Hairpin(buf, crescendo);
        int start = 0, end = 0;
        marks::GetHairpinEnds(*h, &start, &end);
        EXPECT_EQ(start, Bar(0)->PositionToItemX(0, 0));
        EXPECT_GT(end, start);
        const int y = staff->OffsetToY(420), top = staff->OffsetToY(300), bottom = staff->OffsetToY(540);
        const auto lines = Lines(Record([&] { h->DrawShape(); }));
        ASSERT_EQ(lines.size(), 2u) << crescendo;
        const int point = crescendo ? start : end, open = crescendo ? end : start;
        for (const Seg& s : lines) {
            EXPECT_EQ(s.x1, point);
            EXPECT_EQ(s.y1, y);
            EXPECT_EQ(s.x2, open);
        }
        EXPECT_EQ(lines[0].y2, top);
        EXPECT_EQ(lines[1].y2, bottom);
    }
}

TEST_F(MarksDraw, HairpinHitPartsAndCrossedOpeningsAfterADrag) {
    RecordBuf buf;
    CCresc* h = Hairpin(buf, true);
    int start = 0, end = 0;
    marks::GetHairpinEnds(*h, &start, &end);
    const int y = staff->OffsetToY(420), top = staff->OffsetToY(300), bottom = staff->OffsetToY(540);
    struct Case {
        int x, y, part;
        bool hit;
    } cases[] = {
        {start, y, 0, true},                        // the point
        {end, top, 1, true},                        // the open end's top
        {end, bottom, 2, true},                     // its bottom
        {(start + end) / 2, y, 3, true},            // between the lines: the whole item
        {start + 3, bottom, 3, false},              // outside the wedge near its point
    };
    for (const Case& c : cases) {
        g_model.hitPart = -1;
        EXPECT_EQ(h->HitTestShape(c.x, c.y), c.hit) << c.x << "," << c.y;
        if (c.hit) EXPECT_EQ(g_model.hitPart, c.part) << c.x << "," << c.y;
    }
    // The top handle pulled down past the centre with the first modifier: the half-openings
    // are exchanged and negated.
    g_model.hitPart = 1;
    g_viewDrag.modifierFlagA = true;
    CDragTask drag;
    drag.dy = staff->ScaleOffset(300);  // 300 offset units on the page
    h->MoveDrag(&drag);
    // The upper half-opening became -180, below the lower edge: exchanged and negated.
    EXPECT_EQ(h->GetUpper(), -120);
    EXPECT_EQ(h->GetLower(), 180);
}

TEST_F(MarksDraw, TextFormHairpinDrawsItsTextThenDashesToTheEnd) {
    RecordBuf buf;
    CCresc* h = Hairpin(buf, true);
    h->SetTextForm(true);
    h->AfterLoad(0x400);  // an empty text form takes the default font and "cresc."
    int start = 0, end = 0;
    marks::GetHairpinEnds(*h, &start, &end);
    const auto texts = Texts(Record([&] { h->DrawShape(); }));
    ASSERT_GE(texts.size(), 2u);
    EXPECT_EQ(texts[0].s, "cresc.");
    EXPECT_EQ(texts[0].x, start);
    for (std::size_t i = 1; i < texts.size(); ++i) {
        EXPECT_EQ(texts[i].s, "-");
        EXPECT_LT(texts[i].x, end);
        if (i > 1) EXPECT_GT(texts[i].x, texts[i - 1].x);
    }
}

TEST_F(MarksDraw, HairpinPlacedRightToLeftBecomesTheOtherShape) {
    RecordBuf buf;
    CCresc* h = Hairpin(buf, true);
    h->SetMark(0, 4);
    h->SetMark(2, 7);
    h->FlipShape();
    h->SwapMarks();
    EXPECT_EQ(h->GetShape(), CCresc::kDecrescendo);
    EXPECT_EQ(h->GetCurveValue(0), 110);
    EXPECT_EQ(h->GetCurveValue(6), 50);
    EXPECT_EQ(h->GetMark(0), 7);
    EXPECT_EQ(h->GetMark(2), 4);
}

TEST_F(MarksDraw, HairpinNudgeStepsItsLineAndKeepsItsEdgesApart) {
    RecordBuf buf;
    CCresc* h = Hairpin(buf, true);
    const int y = staff->OffsetToY(420);
    const int top = staff->OffsetToY(300), bottom = staff->OffsetToY(540);
    h->Nudge(0, 1);
    EXPECT_NE(staff->OffsetToY(h->GetVerticalPosition()), y) << "one staff step";
    EXPECT_NE(staff->OffsetToY(h->GetVerticalPosition() - h->GetUpper()), top);
    EXPECT_NE(staff->OffsetToY(h->GetVerticalPosition() + h->GetLower()), bottom);
    EXPECT_GT(h->GetUpper(), 120);
    EXPECT_GT(h->GetLower(), 120);
    const int start = h->PositionField(), end = h->GetEndPosition();
    h->Nudge(1, 0);
    EXPECT_EQ(h->PositionField(), Bar(0)->StepX(start, 1));
    EXPECT_EQ(h->GetEndPosition(), Bar(0)->StepX(end, 1));
}

// --- expressions ----------------------------------------------------------------------------------

TEST_F(MarksDraw, ExpressionNotMarkedPrintedDrawsOnScreenOnly) {
    RecordBuf buf;
    auto* e = Make<CExpression>(buf, CExpression::kType);
    e->Init(0, 0);
    e->SetLineStyle(1);
    e->SetEnd(0, 900);
    auto texts = Texts(Record([&] { e->DrawShape(); }));
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].s, "Expr");
    EXPECT_EQ(texts[0].y, staff->OffsetToY(-360));
    g_draw.printingDC = true;
    EXPECT_TRUE(Record([&] { e->DrawShape(); }).empty() || Texts(Record([&] { e->DrawShape(); })).empty());
    e->SetPrinted(true);
    texts = Texts(Record([&] { e->DrawShape(); }));
    ASSERT_EQ(texts.size(), 1u);
}

TEST_F(MarksDraw, ExpressionEndHandleIsPartOneAndDragsTheEnd) {
    RecordBuf buf;
    auto* e = Make<CExpression>(buf, CExpression::kType);
    e->Init(0, 0);
    e->SetEnd(0, 900);
    e->SetFlagsB(std::uint8_t(e->FlagsB() | CBarItem::kSelectedBit));
    POINT p0{}, p1{};
    marks::GetExpressionEnds(*e, &p0, &p1);
    EXPECT_EQ(p1.x, Bar(0)->SpanPositionToX(0, 900, 0, true));
    EXPECT_TRUE(e->HitTestShape(p1.x, p1.y));
    EXPECT_EQ(g_model.hitPart, 1);
    EXPECT_TRUE(e->HitTestShape(p0.x + 1, p0.y - 1));
    EXPECT_EQ(g_model.hitPart, 0) << "the text ends left of its end: the start";
}

namespace {

// A device definition whose key switches are "Arco" on 44 and "Pizz" on 45.
struct KeySwitchDefs : VSTDeviceDefs {
    bool GetKeySwitches(int, const char*, std::vector<VSTKeyEntry>& table) override {
        table.clear();
        for (auto [name, pitch] : {std::pair{"Arco", 44}, std::pair{"Pizz", 45}}) {
            VSTKeyEntry e;
            std::snprintf(e.name, sizeof e.name, "%s", name);
            e.pitch = std::int16_t(pitch);
            table.push_back(e);
        }
        return true;
    }
};

}  // namespace

TEST_F(MarksDraw, KeySwitchLabelShowsUnderTheTextWhenTheSoundNamesShow) {
    KeySwitchDefs defs;
    SetVSTDeviceDefs(&defs);
    const std::uint8_t was = g_preferences.bytes[Preferences::kShowTrackVoiceNames];
    RecordBuf buf;
    auto* e = Make<CExpression>(buf, CExpression::kType);
    e->Init(0, 0);  // key-switch pitch 45
    e->SetPrinted(true);
    struct Case {
        int playMode;
        bool preference, printing;
        std::size_t texts;
    } cases[] = {{1, true, false, 2}, {0, true, false, 1}, {1, false, false, 1}, {1, true, true, 1}};
    for (const Case& c : cases) {
        e->SetPlayMode(c.playMode);
        g_preferences.bytes[Preferences::kShowTrackVoiceNames] = c.preference ? 1 : 0;
        g_draw.printingDC = c.printing;
        const auto texts = Texts(Record([&] { e->DrawShape(); }));
        ASSERT_EQ(texts.size(), c.texts) << c.playMode << c.preference << c.printing;
        if (c.texts == 2) {
            EXPECT_EQ(texts[1].s.front(), '(');
            EXPECT_NE(texts[1].s.find("-Pizz)"), std::string::npos) << texts[1].s;
            EXPECT_GT(texts[1].y, texts[0].y);
            EXPECT_EQ(texts[1].x, texts[0].x);
        }
    }
    g_draw.printingDC = false;
    g_preferences.bytes[Preferences::kShowTrackVoiceNames] = was;
    SetVSTDeviceDefs(nullptr);
}

// --- text jumpers and endings ---------------------------------------------------------------------

namespace {

CBarItem* Jumper(RecordBuf& buf, int code, int kind, const char* text) {
    auto* j = static_cast<CJumper*>(static_cast<CBarItem*>(ConstructClass(code, buf.data())));
    j->SetKind(kind);
    if (text) j->SetText(text);
    return j;
}

}  // namespace

TEST_F(MarksDraw, ToCodaDrawsItsWordsThenTheCodaGlyphEndingAtItsPoint) {
    RecordBuf buf;
    CBarItem* j = Jumper(buf, CTextJumper::kType, CJumper::kToCoda, "To Coda #2");
    score->GetBar(0)->MakeCurrent();
    const auto pieces = marks::TextJumperPieces(*j);
    ASSERT_EQ(pieces.size(), 2u);
    EXPECT_EQ(pieces[0].part, 4);
    EXPECT_EQ(pieces[0].text, "To Coda ");
    EXPECT_EQ(pieces[1].part, 6);
    EXPECT_EQ(pieces[1].box.left, pieces[0].box.right);
    EXPECT_EQ(pieces[1].box.right, Bar(0)->GetRight()) << "a jump kind ends at its point";
    const auto texts = Texts(Record([&] { j->Draw(); }));
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].s, "To Coda ");
    EXPECT_EQ(texts[1].x, pieces[1].box.left);
    // Hit parts: the text 4, the coda glyph 6; a text drag moves the text x and height.
    EXPECT_TRUE(j->HitTest(pieces[0].box.left + 1, pieces[0].box.bottom - 1));
    EXPECT_EQ(g_model.hitPart, 4);
    EXPECT_TRUE(j->HitTest(pieces[1].box.left + 1, pieces[1].box.bottom - 1));
    EXPECT_EQ(g_model.hitPart, 6);
    // A segno jumper (not a jump kind) starts at the bar's left edge.
    RecordBuf segnoBuf;
    CBarItem* segno = Jumper(segnoBuf, CTextJumper::kType, CJumper::kSegno, "#1");
    const auto glyph = marks::TextJumperPieces(*segno);
    ASSERT_EQ(glyph.size(), 1u);
    EXPECT_EQ(glyph[0].part, 5);
    EXPECT_EQ(glyph[0].box.left, Bar(0)->GetLeft());
}

TEST_F(MarksDraw, EndingHitPartsAndDrags) {
    RecordBuf buf;
    CBarItem* e = Jumper(buf, CEnding::kType, CJumper::kEndingBefore, nullptr);
    CJumper::Of(e)->SetTarget(1);
    Bar(0)->MakeCurrent();
    marks::EndingSegment s;
    ASSERT_TRUE(marks::EndingSegmentOf(*e, Bar(0), 0, &s));
    EXPECT_TRUE(s.first && s.last);
    struct Case {
        int x, y, part;
    } cases[] = {{s.left, s.leftHookEnd, 0}, {s.left, s.y, 1}, {s.right, s.y, 2}, {s.right, s.rightHookEnd, 3}};
    for (const Case& c : cases) {
        g_model.hitPart = -1;
        EXPECT_TRUE(e->HitTest(c.x, c.y)) << c.part;
        EXPECT_EQ(g_model.hitPart, c.part);
    }
    RECT text;
    e->GetBounds(&text);
    // The text "1." hangs below the bracket: part 4.
    const auto texts = Texts(Record([&] { e->Draw(); }));
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].s, "1.");
    EXPECT_TRUE(e->HitTest(texts[0].x + 1, texts[0].y - 1));
    EXPECT_EQ(g_model.hitPart, 4);
    // The drag's image is the ending as drawn, also for a new ending that is not the dragged
    // item.
    g_model.dragItem = nullptr;
    const std::vector<std::string> drawn = Record([&] { e->Draw(); });
    EXPECT_FALSE(drawn.empty());
    EXPECT_EQ(Record([&] { e->DrawDragFeedback(); }), drawn);
    // The left hook's end dragged up stops at 240; the right hook follows it.
    g_model.hitPart = 0;
    CDragTask drag;
    drag.dy = -staff->ScaleOffset(200);
    e->MoveDrag(&drag);
    EXPECT_EQ(CJumper::Of(e)->Word(CEnding::kLeftHook), CEnding::kMinLeftHook);
    EXPECT_EQ(CJumper::Of(e)->Word(CEnding::kRightHook), CEnding::kMinLeftHook);
    // The right corner dragged over the next bar: the span reaches it.
    g_model.hitPart = 2;
    CDragTask over;
    over.dx = Bar(1)->GetLeft() + 5 - s.right;
    over.dy = 0;
    e->MoveDrag(&over);
    EXPECT_EQ(CJumper::Of(e)->GetTarget(), 2);
}

// A double-click on each mark runs its edit command through the document's dispatch.
TEST_F(MarksDraw, EditRunsEachMarksCommand) {
    CZelDoc* const was = g_model.currentDoc;
    g_model.currentDoc = &doc;
    struct Case {
        int code, kind;
        const char* task;
    } cases[] = {
        {CDynamic::kType, 0, "CEditDynamicTask"},        {CCresc::kType, 0, "CEditCrescTask"},
        {CExpression::kType, 0, "CEditExprTask"},        {CTextJumper::kType, CJumper::kFine, "CJumperTask"},
        {CJumper::kType, CJumper::kRepeatCount, "CRepeatTask"}, {CEnding::kType, CJumper::kEndingBefore, "CEndingTask"},
    };
    for (const Case& c : cases) {
        RecordBuf buf;
        auto* item = static_cast<CBarItem*>(ConstructClass(c.code, buf.data()));
        if (CJumper::IsJumperCode(c.code)) CJumper::Of(item)->SetKind(c.kind);
        commandtest::MadeTasks made;
        item->OpenProperties(0, 0);
        EXPECT_EQ(made.classes, std::vector<std::string>{c.task}) << c.code;
    }
    g_model.currentDoc = was;
}

// A key change inside a system stands on clean lines: its bar's key area is cleared from two
// spaces above the staff to its bottom and the staff's lines are drawn again a space beyond it;
// while a drag runs only a key that asks for it clears.
TEST_F(MarksDraw, KeyChangeClearsItsAreaAndDrawsTheLinesAgain) {
    RecordBuf buf;
    auto* key = static_cast<CKeySig*>(static_cast<CBarItem*>(ConstructClass(CKeySig::kTypeCode, buf.data())));
    key->InitNew(0, 0, 0);
    key->SetKey(2);
    staff->SetDisplay(std::uint8_t(staff->GetDisplay() | CStaff::kKeyShownBit));
    Bar(0)->SetKeySigWidth(240);
    const int s = staff->Space(), width = 240 * s / 120;
    for (bool dragging : {false, true}) {
        g_draw.dragInProgress = dragging;
        const auto log = Record([&] { key->Draw(); });
        int l = 0, t = 0, r = 0, b = 0;
        bool cleared = false;
        for (const auto& line : log)
            if (std::sscanf(line.c_str(), "FillRect %d %d %d %d", &l, &t, &r, &b) == 4 && t == staff->GetTopLine() - 2 * s) {
                cleared = true;
                break;
            }
        EXPECT_EQ(cleared, !dragging);
        if (cleared) {
            EXPECT_EQ(r - l, width);
            EXPECT_EQ(b, staff->GetBottomLine());
            // Five lines from a space left of the cleared box to a space right of it (less the
            // pen's half width at each end).
            int across = 0;
            for (const Seg& g : Lines(log)) across += g.y1 == g.y2 && std::abs(g.x1 - (l - s)) <= 3 && std::abs(g.x2 - (r + s)) <= 3;
            EXPECT_EQ(across, 5) << "the staff's lines drawn again";
        }
    }
}
