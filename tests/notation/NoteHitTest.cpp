// What a note answers to the pointer: the head, accidental, mark or stem end under a point with
// the drag each starts; where marks go and how they are drawn; performance notes as time bars.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "NoteDrawSupport.h"
#include "framework/Globals.h"
#include "model/Bar.h"
#include "model/ItemFactory.h"
#include "model/ScoreLocation.h"
#include "model/Track.h"
#include "notation/NoteDrags.h"
#include "notation/NoteStandIns.h"
#include "platform/DrawGlobals.h"
#include "platform/FontArray.h"
#include "platform/Port.h"

using namespace notetest;

namespace {

class NoteHit : public NoteDrawTest {};
class MarkDraw : public NoteDrawTest {};
class PerfNote : public NoteDrawTest {};

POINT Centre(const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

// A mark of a code appended to the note, initialised as a new mark is.
NoteMark* AddMark(CRawHead* item, int code, std::uint8_t flags = 0) {
    NoteMark* m = AppendMark(item, code, NoteMark::ClassSize(code));
    m->Init(code);
    m->SetCode(std::uint8_t(code));
    m->SetSize(std::int16_t(NoteMark::ClassSize(code)));
    m->SetFlags(flags);
    return m;
}


// The x and y of the first recorded text call.
POINT FirstText(const std::vector<std::string>& log) {
    for (const auto& line : log) {
        int x, y;
        if (std::sscanf(line.c_str(), "TextOut %d %d", &x, &y) == 2) return POINT{x, y};
    }
    return POINT{-1, -1};
}

}  // namespace

TEST_F(NoteHit, PartsAndTheirDrags) {
    RecordBuf buf(1024);
    CNote* note = MakeNote(buf, 2, 3);
    note->Head(0)->SetPosition(-4);
    note->Head(1)->SetPosition(2);
    note->Head(1)->SetAccidental(1);
    note->Head(1)->SetBits(NoteHead::kAccByte, NoteHead::kAccShown, true);
    note->SetStemUpBit(true);
    note->SetPositionField(400);
    note->LayoutChord();
    AddMark(note, 23, 0x01);  // a hidden mark still answers

    struct Case {
        const char* what;
        POINT at;
        int part, tool;
    };
    RECT head1, mark, stem;
    note->GetPartBounds(&head1, 1);
    note->GetMarkRect(&mark, 0);
    note->GetStemRect(&stem);
    const int accWidth = a->GlyphWidth(33);
    const Case cases[] = {
        {"head 1", Centre(head1), 1, 903},
        {"its accidental", POINT{head1.left - accWidth / 2, Centre(head1).y}, 1, 921},
        {"the mark", Centre(mark), 0, 906},
        {"the stem end", Centre(stem), -2, 903},
    };
    for (const Case& c : cases) {
        g_model.hitPart = 99;
        g_model.hitTool = 0;
        ASSERT_TRUE(note->HitTest(c.at.x, c.at.y)) << c.what;
        EXPECT_EQ(g_model.hitPart, c.part) << c.what;
        EXPECT_EQ(g_model.hitTool, c.tool) << c.what;
        std::unique_ptr<CDragTask> drag(note->CreateDragTask());
        const bool right = c.tool == 906   ? dynamic_cast<CDragMark*>(drag.get()) != nullptr
                           : c.tool == 921 ? dynamic_cast<CDragAcc*>(drag.get()) != nullptr
                           : c.part == -2  ? dynamic_cast<CDragStem*>(drag.get()) != nullptr
                                           : dynamic_cast<CDragNote*>(drag.get()) != nullptr;
        EXPECT_TRUE(right) << c.what;
    }
    EXPECT_FALSE(note->HitTest(stem.right + 40, stem.top)) << "beside the note";
}

// The search from the system below or above asks only for the marks over the staff (side 1:
// vertical position above 1440) or under it (side 2); side 0 takes every mark.
TEST_F(NoteHit, MarksOfOneSideOfTheStaff) {
    RecordBuf buf(1024);
    CNote* note = MakeNote(buf, 1, 3);
    note->SetPositionField(400);
    note->LayoutChord();
    AddMark(note, 23)->SetYOffset(1600);  // over the staff
    AddMark(note, 23)->SetYOffset(1000);  // under it
    RECT over, under;
    note->GetMarkRect(&over, 0);
    note->GetMarkRect(&under, 1);
    ASSERT_NE(Centre(over).y, Centre(under).y);
    struct Case {
        int side;
        POINT at;
        int part;  // -1: no hit
    };
    const Case cases[] = {{0, Centre(over), 0}, {0, Centre(under), 1}, {1, Centre(over), 0},
                          {1, Centre(under), -1}, {2, Centre(over), -1}, {2, Centre(under), 1}};
    for (const Case& c : cases) {
        g_model.hitPart = 99;
        const bool hit = HitTestMarksOnSide(*note, c.at.x, c.at.y, c.side);
        EXPECT_EQ(hit, c.part >= 0) << "side " << c.side << " part " << c.part;
        if (hit) EXPECT_EQ(g_model.hitPart, c.part) << "side " << c.side;
    }
}

TEST_F(NoteHit, BeamedStemsHiddenVoicesAndDots) {
    RecordBuf buf;
    CNote* eighth = OneHead(buf, 0, 4, true);
    eighth->SetFlagBit(CRawHead::kBeamedBit, true);
    RECT stem;
    eighth->GetStemRect(&stem);
    EXPECT_FALSE(eighth->HitTest(Centre(stem).x, Centre(stem).y)) << "a beamed eighth's stem is the beam's";
    eighth->SetNoteValue(3);
    EXPECT_TRUE(eighth->HitTest(Centre(stem).x, Centre(stem).y)) << "a beamed quarter's stem end is tested";

    RecordBuf other;
    CNote* note = OneHead(other, 0, 3, true);
    RECT head;
    note->GetPartBounds(&head, 0);
    doc.location.allVoices = 0;
    doc.location.voice = 1;
    EXPECT_FALSE(note->HitTest(Centre(head).x, Centre(head).y)) << "voice 1 is not shown";
    note->Select();
    EXPECT_TRUE(note->HitTest(Centre(head).x, Centre(head).y)) << "a selected note is hit anyway";
    doc.location.allVoices = 1;

    RecordBuf chord;
    CNote* dotted = MakeNote(chord, 3, 3);
    dotted->SetDotCount(1);
    dotted->CycleDots();
    for (int k = 0; k < 3; ++k) EXPECT_EQ(dotted->Head(k)->Duration(), 840) << k;
}

TEST_F(NoteHit, WholeNoteRectangleTakesHeadsDotsAccidentalsAndStem) {
    RecordBuf buf;
    CNote* note = OneHead(buf, 0, 4, true);
    RECT head, whole;
    note->GetPartBounds(&head, 0);
    note->GetPartBounds(&whole, CRawNote::kAllHeads);
    RECT stem;
    note->GetStemRect(&stem);
    EXPECT_EQ(whole.top, stem.top);
    EXPECT_EQ(whole.right, head.right + staff->GetLineSpacing()) << "a flag up widens by a space";
    note->Head(0)->SetAccidental(2);
    note->Head(0)->SetBits(NoteHead::kAccByte, NoteHead::kAccShown, true);
    note->GetPartBounds(&whole, CRawNote::kAllHeads);
    EXPECT_EQ(whole.left, head.left - staff->ScaleOffset(120));
}

TEST_F(NoteHit, CrossStaffOffsetsPastTheSystemStayOnTheOwnStaff) {
    // From a file: an offset of 2 staves below in a system of two staves.
    RecordBuf own, far;
    CNote* a1 = OneHead(own, 3, 3, true);
    CNote* a2 = OneHead(far, 3, 3, true);
    a2->Head(0)->SetCrossStaffOffset(2);
    RECT r1, r2;
    a1->GetPartBounds(&r1, 0);
    a2->GetPartBounds(&r2, 0);
    EXPECT_EQ(r1.top, r2.top);
    EXPECT_EQ(r1.bottom, r2.bottom);
    EXPECT_EQ(a2->Head(0)->CrossStaffOffset(), 2) << "the stored offset is kept";
    EXPECT_EQ(Record([&] { a1->Draw(); }), Record([&] { a2->Draw(); }));
    EXPECT_TRUE(a2->HitTest(Centre(r2).x, Centre(r2).y));
}

TEST_F(NoteHit, PlayVoiceColourLeavesTheVoiceField) {
    // Every colour the note chooses is chosen with its voice field as stored: a performer reading
    // the run meanwhile never sees another voice. The head with play voice 3 takes voice 2's colour.
    struct Spy : CArtist {
        CNote* watched = nullptr;
        bool changed = false;
        std::vector<int> colours;
        void SetColor(int n) override {
            if (watched && watched->VoiceField() != 5) changed = true;
            colours.push_back(n);
            CArtist::SetColor(n);
        }
    } spy;
    RecordBuf buf;
    CNote* note = MakeNote(buf, 2, 3);
    note->Head(0)->SetPosition(0);
    note->Head(1)->SetPosition(4);
    note->Head(1)->SetByte(NoteHead::kPlayVoice, 3);
    note->SetVoice(5);
    note->LayoutChord();
    score->showColors = true;
    g_model.voiceColors[2] = 17;
    g_model.voiceColors[5] = 23;
    spy.watched = note;
    SetArtist(&spy);
    note->Draw();
    SetArtist(a);
    EXPECT_FALSE(spy.changed);
    EXPECT_EQ(note->VoiceField(), 5);
    EXPECT_NE(std::find(spy.colours.begin(), spy.colours.end(), 17), spy.colours.end());
    EXPECT_NE(std::find(spy.colours.begin(), spy.colours.end(), 23), spy.colours.end());
}

TEST_F(MarkDraw, SidesStaffRulesAndFlips) {
    struct Case {
        const char* what;
        int code;
        int position;
        bool up;
        std::uint8_t flags;
        bool above;
        int markPosition;  // the staff position the mark's point stands on (before its extents)
        int extentQuarters;
    };
    const Case cases[] = {
        {"opposite the stem, stem up: below and outside the staff", 23, 0, true, 0, false, -6, 4 - 1},
        {"flipped: above the stem's end", 23, 0, true, 0x04, true, 8, 1 - 1},
        {"always above, kept outside the staff", 18, -4, false, 0, true, 5, 1 - 1},
        {"always below, kept outside the staff", 21, 2, true, 0, false, -6, 6 - 1},
        {"kept off the lines: a line goes to the next space", 24, 0, true, 0, false, -3, 0},
        {"on the stem side, stem down", 31, 0, false, 0, false, -2, 4 - 1},
    };
    for (const Case& c : cases) {
        RecordBuf buf;
        CNote* note = OneHead(buf, c.position, 3, c.up);
        NoteMark* m = AddMark(note, c.code, c.flags);
        notation::BeginNoteDrawing(*note);
        const POINT at = note->PlaceMark(g_notation.noteX, m);
        EXPECT_EQ((m->Flags() & NoteMark::kPlacedAbove) != 0, c.above) << c.what;
        const int y = staff->PositionToY(c.markPosition);
        const int q = staff->ScaleQuarterSpaces(c.extentQuarters);
        if (c.code == 24) EXPECT_EQ(at.y, y) << c.what;
        else EXPECT_EQ(at.y, c.above ? y - q : y + q) << c.what;
    }
}

TEST_F(MarkDraw, GlyphsVariantsDigitsAndTheStaffInside) {
    struct Case {
        const char* what;
        int code;
        std::uint8_t flags;
        int yOffset;
        const char* glyphs;
    };
    const Case cases[] = {
        {"plain", 3, 0, 0, "\xA3"},
        {"variant 166 as 167", 6, 0x10, 0, "\xA7"},
        {"variant 165 as 173", 4, 0x10, 0, "\xAD"},
        {"a digit", 7, 0, 0, "\xF1"},
        {"code 49 inside the staff: two glyphs", 49, 0, 0, "\xC7\xC8"},
        {"code 49 moved out of the staff", 49, 0, 480, "\xEA"},
    };
    for (const Case& c : cases) {
        RecordBuf buf;
        CNote* note = OneHead(buf, -4, 1, false);  // a whole note: the marks only
        NoteMark* m = AddMark(note, c.code, c.flags);
        m->SetYOffset(std::int16_t(c.yOffset));
        const auto log = Record([&] { note->Draw(); });
        EXPECT_EQ(Glyphs(log).substr(1), c.glyphs) << c.what;
    }
    // A digit is centred on the width of glyph 49.
    RecordBuf buf;
    CNote* note = OneHead(buf, -4, 1, false);
    NoteMark* m = AddMark(note, 7);
    notation::BeginNoteDrawing(*note);
    const POINT at = note->PlaceMark(g_notation.noteX, m);
    const auto log = Record([&] { note->DrawMarks(); });
    EXPECT_EQ(FirstText(log).x, at.x + (a->GlyphWidth(49) - a->GlyphWidth(241)) / 2);
}

TEST_F(PerfNote, HeadsRunAcrossBarsAndSystems) {
    // Bar 0 of a 4/4 piano score: a head 2400 ticks long ends 480 ticks into bar 1.
    RecordBuf buf;
    CRawNote* note = CRawNote::Construct(buf.data());
    note->SetHeadCountField(1);
    note->CBaseItem::SetSize(CRawNote::kHeads + NoteHead::kSize);
    note->SetNoteValue(3);
    note->Head(0)->SetPosition(0);
    note->Head(0)->SetDuration(2400);
    CBar* bar0 = score->GetBar(0);
    CBar* bar1 = score->GetBar(1);
    auto fills = [&] { return Only(Record([&] { note->Draw(); }), {"FillRect"}); };
    std::vector<std::string> f = fills();
    ASSERT_EQ(f.size(), 1u);
    int l, t, r, b;
    ASSERT_EQ(std::sscanf(f[0].c_str(), "FillRect %d %d %d %d", &l, &t, &r, &b), 4);
    EXPECT_EQ(l, bar0->FractionToX(0));
    EXPECT_EQ(r, bar1->FractionToX(bar1->TickToFraction(480, false)) - bar1->GetLeadingWidth());

    // From the last bar of the first system into the next system: the head runs on past the
    // first system's right end.
    CLine* line = score->GetLine(0);
    const int last = line->GetFirstBarIndex() + line->GetBarCount() - 1;
    score->GetTrkBar(0, last)->SetCurrent();
    CBar* end = score->GetBar(last);
    CBar* next = score->GetBar(last + 1);
    f = fills();
    ASSERT_EQ(f.size(), 1u);
    ASSERT_EQ(std::sscanf(f[0].c_str(), "FillRect %d %d %d %d", &l, &t, &r, &b), 4);
    EXPECT_EQ(r, next->FractionToX(next->TickToFraction(480, false)) + line->GetRight() - next->GetLeft() -
                     next->GetLeadingWidth());
    EXPECT_GT(r, line->GetRight());
    EXPECT_EQ(end->GetIndex(), last);

    // A head of no duration still has a rectangle two pixels wide.
    note->Head(0)->SetDuration(0);
    RECT rect;
    note->GetPartBounds(&rect, 0);
    EXPECT_EQ(rect.right - rect.left, 2);

    // In a performance display mode a notated note draws exactly as a performance note.
    RecordBuf nb, pb;
    CNote* notated = OneHead(nb, 2, 3, true);
    notated->Head(0)->SetDuration(480);
    std::memcpy(pb.data(), nb.data(), 64);
    CRawNote* raw = reinterpret_cast<CRawNote*>(pb.data());
    ConstructClass(CRawNote::kType, raw);
    for (int mode = 1; mode <= 3; ++mode) {
        g_notation.performanceDisplay = std::uint8_t(mode);
        EXPECT_EQ(Record([&] { notated->Draw(); }), Record([&] { raw->Draw(); })) << mode;
    }
    g_notation.performanceDisplay = 0;
}

TEST_F(NoteHit, LetterMarksTakeTheTrackFontAfterALoad) {
    RecordBuf buf;
    CNote* note = OneHead(buf, 0, 3, true);
    NoteMark* letter = AddMark(note, 101);
    letter->SetFont(FontRef{3, 30, 1, 7});
    NoteMark* resolved = AddMark(note, 102, 0x01);
    resolved->SetFont(FontRef{3, 30, 1, 7});
    note->ResolveFonts(nullptr);
    FontRef track;
    g_model.currentTrack->GetTrackFont(&track);
    const FontRef a1 = note->GetMark(0)->Font(), a2 = note->GetMark(1)->Font();
    EXPECT_EQ(a1.face, track.face);
    EXPECT_EQ(a1.size, 12);
    EXPECT_EQ(a1.style, 0);
    EXPECT_EQ(a1.pad, 0);
    EXPECT_EQ(a2.size, 30) << "a mark whose font is resolved already is left";

    // A save maps the marks in place to write them; once written, the note gets back what it had.
    letter = note->GetMark(0);
    letter->SetFont(FontRef{3, 30, 1, 7});
    CFontArray table;
    {
        CFontArray::LiveKeeper keep(table);
        fw::ScopedGlobal<bool> saving(g_draw.fontsForSave, true);
        note->ResolveFonts(&table);
        EXPECT_EQ(note->GetMark(0)->Font().size, 12) << "the file takes the track's font";
    }
    const FontRef kept = note->GetMark(0)->Font();
    EXPECT_EQ(kept.face, 3);
    EXPECT_EQ(kept.size, 30);
    EXPECT_EQ(kept.style, 1);
    EXPECT_EQ(kept.pad, 7);
}

TEST_F(NoteHit, PlacingANoteFromALocation) {
    struct Case {
        const char* what;
        int staffKind;  // 0 standard, 2 tablature
        int position, value, dots;
        bool slash, rhythm, small;
        int shape;
        bool slashBit, stemless;
        int dotOffset;
    };
    const Case cases[] = {
        {"a dotted quarter on a line", 0, 2, 3, 1, false, false, false, 0, false, false, 1},
        {"a dotted eighth in a space", 0, 3, 4, 1, false, false, false, 0, false, false, 0},
        {"a slash half", 0, 0, 2, 0, true, false, false, 7, true, true, 0},
        {"a slash quarter", 0, 0, 3, 0, true, false, false, 6, true, true, 0},
        {"a rhythm half", 0, 0, 2, 0, false, true, false, 5, true, false, 0},
        {"a rhythm eighth", 0, 0, 4, 0, false, true, false, 2, true, false, 0},
        {"a grace sixteenth", 0, -1, 5, 0, false, false, true, 0, false, false, 0},
        {"an open string on tablature (laid out with its stem: a line's dot above)", 2, 2, 3, 0, false, false, false, 32, false, true, 1},
    };
    for (const Case& c : cases) {
        CTrack* track = g_model.currentTrack;
        track->SetStaffKind(c.staffKind);
        if (c.staffKind == 2) track->SetDefaultTuning();
        ScoreLocation at;
        at.voice = 2;
        at.time = 480;
        at.position = 300;
        at.staffPosition = c.position;
        at.pitch = 65;
        at.accidental = 1;
        at.noteValue = std::int16_t(c.value);
        at.dots = std::int16_t(c.dots);
        at.slashRequest = c.slash;
        at.rhythmRequest = c.rhythm;
        at.smallNote = c.small;
        at.tupletCount = 3;
        at.tupletSpace = 2;
        at.velocity = 90;
        at.playDuration = 200;
        at.stemDirection = 2;
        RecordBuf buf;
        CNote* note = MakeNote(buf, 1, 0);
        note->PlaceAt(at);
        EXPECT_EQ(note->TypeCode(), CNote::kType) << c.what;
        EXPECT_EQ(note->HeadCountField(), 1) << c.what;
        EXPECT_EQ(note->TimeField(), 480) << c.what;
        EXPECT_EQ(note->PositionField(), 300) << c.what;
        EXPECT_EQ(note->VoiceField(), 2) << c.what;
        EXPECT_EQ(note->NoteValue(), c.value) << c.what;
        EXPECT_EQ(note->DotCount(), c.dots) << c.what;
        EXPECT_EQ(note->IsGrace(), c.small) << c.what;
        EXPECT_EQ(note->Head(0)->Shape(), c.shape) << c.what;
        EXPECT_EQ(note->IsSlash(), c.slashBit) << c.what;
        EXPECT_EQ(note->IsStemless(), c.stemless) << c.what;
        EXPECT_EQ(note->Head(0)->DotOffset(), c.dotOffset) << c.what;
        EXPECT_EQ(note->Head(0)->Position(), c.position) << c.what;
        EXPECT_EQ(note->Head(0)->Accidental(), 1) << c.what;
        EXPECT_EQ(note->Head(0)->Byte(NoteHead::kVelocity), 90) << c.what;
        EXPECT_EQ(note->Head(0)->Duration(), 200) << c.what;
        EXPECT_EQ(note->TupletCount(), 3) << c.what;
        EXPECT_EQ(note->TupletSpace(), 2) << c.what;
        if (c.staffKind == 2) EXPECT_EQ(note->Head(0)->Pitch(), track->GetOpenStringKey(track->GetStringOfPosition(2)));
        else EXPECT_EQ(note->Head(0)->Pitch(), 65) << c.what;
        if (!c.slashBit) EXPECT_FALSE(note->IsStemUp()) << c.what << ": the location's stem mode 2 is down";
        track->SetStaffKind(0);
    }
}
