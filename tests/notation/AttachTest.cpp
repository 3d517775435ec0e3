// The items attached to a note kept with it: heads moved and removed, the note moved to another
// column, the ties of a chord linked again, the attached items collected with the bars that
// hold them, where curves meet the note, and new marks set up and stacked.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "NotationTestSupport.h"
#include "TwoBarTrackTest.h"
#include "framework/Input.h"
#include "model/ModelGlobals.h"
#include "model/Page.h"
#include "model/Score.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/TrkBarTestSupport.h"
#include "model/ZelDoc.h"
#include "notation/Beam.h"

using namespace notetest;

namespace {

enum : int { kTie = 30, kGliss = 21, kLyric = 24, kDynamic = 20, kTuplet = 31, kSlur = 27, kBend = 33, kPedal = 35, kGroup = 36 };
// A group's kind: 2 a vertical bracket over a chord's heads.
constexpr int kGroupKind = 34;
enum : int { kStartY = 18, kEndY = 20, kEndBars = 22, kEndColumn = 24 };

// A two-ended record (tie, glissando, tuplet) of voice 0 with its end fields.
recordtest::Bytes TwoEnded(int type, int time, int column, int startY, int endBars, int endColumn, int endY, int pitch = 0) {
    recordtest::Bytes r = trkbartest::Item(type, 36, time);
    trkbartest::View(r)->SetPositionField(std::int16_t(column));
    r[17] = std::uint8_t(pitch << 1);
    rec::Put<std::int16_t>(r.data(), kStartY, std::int16_t(startY));
    rec::Put<std::int16_t>(r.data(), kEndY, std::int16_t(endY));
    rec::Put<std::int16_t>(r.data(), kEndBars, std::int16_t(endBars));
    rec::Put<std::int16_t>(r.data(), kEndColumn, std::int16_t(endColumn));
    return r;
}

// A record of the head only (a lyric, a dynamic) at a column.
recordtest::Bytes Plain(int type, int time, int column) {
    recordtest::Bytes r = trkbartest::Item(type, 40, time);
    trkbartest::View(r)->SetPositionField(std::int16_t(column));
    return r;
}

// A beam of voice 0 over the columns, its ends at height 9, with the flags of its byte 16.
recordtest::Bytes Beam(int first, int last, std::uint8_t flags) {
    recordtest::Bytes beam = trkbartest::Item(CBeam::kType, CBeam::kSize, 0);
    rec::Put<std::int16_t>(beam.data(), CBeam::kStartPosition, std::int16_t(first));
    rec::Put<std::int16_t>(beam.data(), CBeam::kEndPosition, std::int16_t(last));
    beam[CBeam::kStartStaffPos] = 9;
    beam[CBeam::kEndStaffPos] = 9;
    beam[CBeam::kSegmentCount] = 1;
    beam[CBeam::kBeamFlags] = flags;
    return beam;
}

std::int16_t Word(const CBarItem* r, int at) { return rec::Get<std::int16_t>(r, std::size_t(at)); }

// A head as the cases give it: staff position, pitch and link flags (NoteHead byte 1).
struct HeadSpec {
    int position = 2, pitch = 64, links = 0;
};

// One track of two bars; notes and other records are put into the runs by the cases.
class AttachTest : public TwoBarTrackTest {
public:
    void Put(int b, recordtest::Bytes r) { ASSERT_NE(Bar(b)->InsertCopy(trkbartest::View(r)), nullptr); }
    void PutNote(int b, int time, int column, std::vector<HeadSpec> heads, std::uint8_t links = 0, bool up = true) {
        RecordBuf buf;
        CNote* note = MakeNote(buf, int(heads.size()));
        note->SetTimeField(std::int16_t(time));
        note->SetPositionField(std::int16_t(column));
        note->SetStemUpBit(up);
        note->SetLinks(links);
        for (std::size_t k = 0; k < heads.size(); ++k) {
            NoteHead* h = note->Head(int(k));
            h->SetPosition(heads[k].position);
            h->SetPitch(heads[k].pitch);
            h->SetByte(NoteHead::kLinkByte, std::uint8_t(heads[k].links));
            h->SetDuration(480);
        }
        ASSERT_NE(Bar(b)->InsertCopy(note), nullptr);
    }
    // The first live record of a type in a bar's run (its note at a column, for notes).
    CBarItem* Find(int b, int type, int column = -1) {
        CBarItem* found = nullptr;
        trkbar::ForEachLiveItem(Bar(b), [&](CBarItem* r) {
            if (!found && r->TypeCode() == type && (column < 0 || r->PositionField() == column)) found = r;
        });
        return found;
    }
    // The note at a column of a bar, its bar made current.
    CNote* NoteAt(int b, int column) {
        Bar(b)->SetCurrent();
        return static_cast<CNote*>(Find(b, CNote::kType, column));
    }
    int Count(int b, int type) {
        int n = 0;
        trkbar::ForEachLiveItem(Bar(b), [&](CBarItem* r) { n += r->TypeCode() == type; });
        return n;
    }
};

constexpr int kTieStart = NoteHead::kTieStart, kTieEnd = NoteHead::kTieEnd;
constexpr int kGlissStart = NoteHead::kGlissStart, kGlissEnd = NoteHead::kGlissEnd;

}  // namespace

// --- moves as a table -------------------------------------------------------------------------

TEST_F(AttachTest, MovesCarryTheAttachedItems) {
    // Bar 0: note A at column 512 (time 960), bar 1: note B at column 0 and note C at 512.
    // What each case puts in, the edit, and what must hold after it.
    struct Case {
        const char* what;
        std::function<void(AttachTest&)> build;
        std::function<void(AttachTest&)> edit;
        std::function<void(AttachTest&)> check;
    };
    const Case cases[] = {
        {"MoveHead: the tie from the head moves with it and takes its new pitch",
         [](AttachTest& t) {
             t.PutNote(0, 960, 512, {{2, 64, kTieStart}});
             t.Put(0, TwoEnded(kTie, 960, 512, 2, 1, 0, 2, 64));
             t.PutNote(1, 0, 0, {{2, 64, kTieEnd}});
         },
         [](AttachTest& t) {
             CNote* a = t.NoteAt(0, 512);
             a->Head(0)->SetPitch(67);
             a->MoveHead(0, 2, 64);
         },
         [](AttachTest& t) {
             CBarItem* tie = t.Find(0, kTie);
             EXPECT_EQ(Word(tie, kStartY), 4);
             EXPECT_EQ(Word(tie, kEndY), 4);
             EXPECT_EQ(rec::Get<std::uint8_t>(tie, 17) >> 1, 67);
             EXPECT_EQ(t.NoteAt(0, 512)->Head(0)->Position(), 4);
             EXPECT_TRUE(t.NoteAt(0, 512)->Head(0)->HasTieStart());
         }},
        {"MoveHead: a tie flag with no tie behind it is cleared",
         [](AttachTest& t) { t.PutNote(0, 960, 512, {{2, 64, kTieStart}}); },
         [](AttachTest& t) { t.NoteAt(0, 512)->MoveHead(0, 1, -1); },
         [](AttachTest& t) {
             EXPECT_FALSE(t.NoteAt(0, 512)->Head(0)->HasTieStart());
             EXPECT_EQ(t.NoteAt(0, 512)->Head(0)->Position(), 3);
         }},
        {"MoveHead: glissandi from and into the head follow it",
         [](AttachTest& t) {
             t.PutNote(1, 0, 0, {{2, 64, kGlissStart}});
             t.Put(1, TwoEnded(kGliss, 0, 0, 2, 0, 512, -1));
             t.PutNote(1, 960, 512, {{-1, 59, kGlissEnd}});
         },
         [](AttachTest& t) {
             t.NoteAt(1, 0)->MoveHead(0, -3, -1);
             CNote* c = t.NoteAt(1, 512);
             c->Head(0)->SetPitch(60);
             c->MoveHead(0, 2, 59);
         },
         [](AttachTest& t) {
             CBarItem* g = t.Find(1, kGliss);
             EXPECT_EQ(Word(g, kStartY), -1);
             EXPECT_EQ(Word(g, kEndY), 1);
             EXPECT_EQ(rec::Get<std::uint8_t>(g, 17) >> 1, 60);
         }},
        {"MoveHead: the beam's end height at the note moves and the beam is laid out afresh",
         [](AttachTest& t) {
             t.PutNote(1, 0, 0, {{2, 64, 0}});
             t.PutNote(1, 240, 128, {{2, 64, 0}});
             for (int column : {0, 128}) {
                 CNote* n = t.NoteAt(1, column);
                 n->SetBeamed(1);
             }
             recordtest::Bytes beam = trkbartest::Item(CBeam::kType, 46, 0);
             rec::Put<std::int16_t>(beam.data(), CBeam::kStartPosition, 0);
             rec::Put<std::int16_t>(beam.data(), CBeam::kEndPosition, 128);
             beam[CBeam::kStartStaffPos] = 9;
             beam[CBeam::kEndStaffPos] = 9;
             beam[CBeam::kSegmentCount] = 1;
             t.Put(1, beam);
         },
         [](AttachTest& t) { t.NoteAt(1, 128)->MoveHead(0, 2, -1); },
         [](AttachTest& t) {
             CBarItem* beam = t.Find(1, CBeam::kType);
             EXPECT_EQ(rec::Get<std::int8_t>(beam, CBeam::kStartStaffPos), 9);
             EXPECT_EQ(rec::Get<std::int8_t>(beam, CBeam::kEndStaffPos), 11) << "the last end: the note's column";
             EXPECT_TRUE(beam->FlagsA() & CBarItem::kRelayoutBit);
             EXPECT_TRUE(rec::Get<std::uint8_t>(beam, CBeam::kBeamFlags) & CBeam::kRelayoutStems);
         }},
        {"MoveToPosition: ties and glissandi at both ends and the lyric follow; a chosen lyric stays",
         [](AttachTest& t) {
             t.PutNote(0, 960, 512, {{2, 64, kTieStart}});
             t.Put(0, TwoEnded(kTie, 960, 512, 2, 1, 0, 2, 64));
             t.PutNote(1, 0, 0, {{2, 64, kTieEnd | kGlissStart}});
             t.Put(1, TwoEnded(kGliss, 0, 0, 2, 0, 512, 4));
             t.PutNote(1, 960, 512, {{4, 67, kGlissEnd}});
             t.Put(1, Plain(kLyric, 0, 0));
             recordtest::Bytes chosen = Plain(kLyric, 0, 0);
             chosen[9] |= CBarItem::kSelectedBit;
             t.Put(1, chosen);
             t.Put(1, Plain(kLyric, 960, 512));
         },
         [](AttachTest& t) {
             t.NoteAt(1, 0)->MoveToPosition(100);
             t.NoteAt(1, 512)->MoveToPosition(600);
             t.NoteAt(0, 512)->MoveToPosition(500);
         },
         [](AttachTest& t) {
             CBarItem* tie = t.Find(0, kTie);
             EXPECT_EQ(tie->PositionField(), 500);
             EXPECT_EQ(Word(tie, kEndColumn), 100) << "the end, in the next bar";
             CBarItem* g = t.Find(1, kGliss);
             EXPECT_EQ(g->PositionField(), 100);
             EXPECT_EQ(Word(g, kEndColumn), 600);
             std::vector<int> lyrics;
             trkbar::ForEachLiveItem(t.Bar(1), [&](CBarItem* r) {
                 if (r->TypeCode() == kLyric) lyrics.push_back(r->PositionField());
             });
             std::sort(lyrics.begin(), lyrics.end());
             EXPECT_EQ(lyrics, (std::vector<int>{0, 100, 600}));
         }},
        {"MoveToPosition: the tuplet and the beam over the notes take the new column at the end the note stands at",
         [](AttachTest& t) {
             for (auto [time, column] : {std::pair{0, 0}, {160, 128}, {320, 256}}) {
                 t.PutNote(1, time, column, {{2, 64, 0}});
                 CNote* n = t.NoteAt(1, column);
                 n->SetBeamed(1);
                 n->SetFlagBit(CRawHead::kTupletBit, true);
             }
             t.Put(1, TwoEnded(kTuplet, 0, 0, 0, 0, 256, 0));
             t.Put(1, Beam(0, 256, 0));
         },
         [](AttachTest& t) {
             t.NoteAt(1, 0)->MoveToPosition(10);
             t.NoteAt(1, 256)->MoveToPosition(250);
         },
         [](AttachTest& t) {
             CBarItem* tuplet = t.Find(1, kTuplet);
             EXPECT_EQ(tuplet->PositionField(), 10);
             EXPECT_EQ(Word(tuplet, kEndColumn), 250);
             EXPECT_TRUE(tuplet->FlagsA() & CBarItem::kRelayoutBit);
             CBarItem* beam = t.Find(1, CBeam::kType);
             EXPECT_EQ(Word(beam, CBeam::kStartPosition), 10);
             EXPECT_EQ(Word(beam, CBeam::kEndPosition), 250);
             EXPECT_TRUE(beam->FlagsA() & CBarItem::kRelayoutBit);
             EXPECT_TRUE(t.NoteAt(1, 250)->IsTupletMember()) << "its tuplet is still found";
         }},
        {"RemoveHead: the tie from the head goes and its other end loses its flag",
         [](AttachTest& t) {
             t.PutNote(0, 960, 512, {{2, 64, kTieStart}, {5, 69, 0}});
             t.Put(0, TwoEnded(kTie, 960, 512, 2, 1, 0, 2, 64));
             t.PutNote(1, 0, 0, {{2, 64, kTieEnd}});
         },
         [](AttachTest& t) { t.NoteAt(0, 512)->RemoveHead(0); },
         [](AttachTest& t) {
             EXPECT_EQ(t.Count(0, kTie), 0);
             EXPECT_EQ(t.NoteAt(0, 512)->HeadCountField(), 1);
             EXPECT_EQ(t.NoteAt(0, 512)->Head(0)->Pitch(), 69);
             EXPECT_FALSE(t.NoteAt(1, 0)->Head(0)->HasTieEnd());
         }},
        {"RemoveHead: the tie into the head goes from the bar before; the glissando from it goes",
         [](AttachTest& t) {
             // Staff positions of the treble clef: the tie's removal spells the bars again.
             t.PutNote(0, 960, 512, {{-4, 64, kTieStart}});
             t.Put(0, TwoEnded(kTie, 960, 512, -4, 1, 0, -4, 64));
             t.PutNote(1, 0, 0, {{-4, 64, kTieEnd | kGlissStart}, {0, 71, 0}});
             t.Put(1, TwoEnded(kGliss, 0, 0, -4, 0, 512, -2));
             t.PutNote(1, 960, 512, {{-2, 67, kGlissEnd}});
         },
         [](AttachTest& t) { t.NoteAt(1, 0)->RemoveHead(0); },
         [](AttachTest& t) {
             EXPECT_EQ(t.Count(0, kTie), 0);
             EXPECT_EQ(t.Count(1, kGliss), 0);
             EXPECT_FALSE(t.NoteAt(0, 512)->Head(0)->HasTieStart());
             EXPECT_EQ(t.NoteAt(1, 0)->HeadCountField(), 1);
             EXPECT_EQ(t.NoteAt(1, 0)->Head(0)->Byte(NoteHead::kLinkByte) & 0x0F, 0);
         }},
        {"MoveHead: slur and line-item ends follow head 0; a pedal line and a moved second head leave them",
         [](AttachTest& t) {
             t.PutNote(1, 0, 0, {{2, 64, 0}, {6, 71, 0}}, CRawNote::kSlurStart | CRawNote::kLineStart);
             t.Put(1, TwoEnded(kSlur, 0, 0, 2, 0, 512, 4));
             t.Put(1, TwoEnded(kBend, 0, 0, 2, 0, 512, 4));
             t.Put(1, TwoEnded(kPedal, 0, 0, -8, 0, 512, -8));
             t.PutNote(1, 960, 512, {{4, 67, 0}}, CRawNote::kSlurEnd | CRawNote::kLineEnd);
             t.NoteAt(1, 0)->SetFlagBit(CRawHead::kTupletBit, true);
             t.Put(1, TwoEnded(kTuplet, 0, 0, 0, 0, 0, 0));
         },
         [](AttachTest& t) {
             t.NoteAt(1, 0)->MoveHead(1, 2, -1);
             t.NoteAt(1, 0)->MoveHead(0, 3, -1);
             t.NoteAt(1, 512)->MoveHead(0, -1, -1);
         },
         [](AttachTest& t) {
             for (int type : {kSlur, kBend}) {
                 SCOPED_TRACE(type);
                 CBarItem* r = t.Find(1, type);
                 EXPECT_EQ(Word(r, kStartY), 5);
                 EXPECT_EQ(Word(r, kEndY), 3);
             }
             CBarItem* pedal = t.Find(1, kPedal);
             EXPECT_EQ(Word(pedal, kStartY), -8);
             EXPECT_EQ(Word(pedal, kEndY), -8);
             EXPECT_TRUE(t.Find(1, kTuplet)->FlagsA() & CBarItem::kRelayoutBit) << "the note's tuplet is laid out again";
         }},
        {"MoveHead: the slur ending at a note of the next bar follows its head",
         [](AttachTest& t) {
             t.PutNote(0, 960, 512, {{2, 64, 0}}, CRawNote::kSlurStart);
             t.Put(0, TwoEnded(kSlur, 960, 512, 2, 1, 0, 4));
             t.PutNote(1, 0, 0, {{4, 67, 0}}, CRawNote::kSlurEnd);
         },
         [](AttachTest& t) { t.NoteAt(1, 0)->MoveHead(0, 2, -1); },
         [](AttachTest& t) {
             EXPECT_EQ(Word(t.Find(0, kSlur), kEndY), 6);
             EXPECT_EQ(Word(t.Find(0, kSlur), kStartY), 2);
         }},
        {"MoveHead: a vertical bracket's end on the moved head follows it, whichever head it is",
         [](AttachTest& t) {
             t.PutNote(1, 0, 0, {{-2, 59, 0}, {2, 64, 0}, {5, 69, 0}}, CRawNote::kLineStart | CRawNote::kLineEnd);
             recordtest::Bytes bracket = TwoEnded(kGroup, 0, 0, -2, 0, 0, 6);
             bracket[kGroupKind] = 2;
             t.Put(1, bracket);
             recordtest::Bytes other = TwoEnded(kGroup, 0, 0, -2, 0, 0, 6);
             other[kGroupKind] = 1;
             t.Put(1, other);
         },
         [](AttachTest& t) {
             CNote* n = t.NoteAt(1, 0);
             n->MoveHead(2, 1, -1);   // 5 -> 6: one from end 1
             n->MoveHead(0, -1, -1);  // -2 -> -3: end 0
             n->MoveHead(1, 1, -1);   // 2 -> 3: near neither end
         },
         [](AttachTest& t) {
             CBarItem* bracket = nullptr;
             CBarItem* other = nullptr;
             trkbar::ForEachLiveItem(t.Bar(1), [&](CBarItem* r) {
                 if (r->TypeCode() == kGroup) (r->Bytes()[kGroupKind] == 2 ? bracket : other) = r;
             });
             ASSERT_TRUE(bracket && other);
             EXPECT_EQ(Word(bracket, kStartY), -3);
             EXPECT_EQ(Word(bracket, kEndY), 7);
             EXPECT_EQ(Word(other, kStartY), -3) << "another group follows head 0, at both its ends";
             EXPECT_EQ(Word(other, kEndY), 5);
         }},
        {"MoveToPosition: the slur starting and the line item ending at the note take its new column",
         [](AttachTest& t) {
             t.PutNote(1, 0, 0, {{2, 64, 0}}, CRawNote::kSlurStart);
             t.Put(1, TwoEnded(kSlur, 0, 0, 2, 0, 512, 4));
             t.PutNote(0, 960, 512, {{2, 64, 0}}, CRawNote::kLineStart);
             t.Put(0, TwoEnded(kBend, 960, 512, 2, 1, 512, 4));
             t.PutNote(1, 960, 512, {{4, 67, 0}}, CRawNote::kSlurEnd | CRawNote::kLineEnd);
         },
         [](AttachTest& t) {
             t.NoteAt(1, 0)->MoveToPosition(64);
             t.NoteAt(1, 512)->MoveToPosition(600);
         },
         [](AttachTest& t) {
             CBarItem* slur = t.Find(1, kSlur);
             EXPECT_EQ(slur->PositionField(), 64);
             EXPECT_EQ(Word(slur, kEndColumn), 600);
             EXPECT_EQ(Word(t.Find(0, kBend), kEndColumn), 600) << "found from the bar before";
             EXPECT_TRUE(t.NoteAt(1, 600)->Links() & CRawNote::kLineEnd);
         }},
        {"RemoveHead: the only head of a slurred note takes the slur and its tuplet, and the note at its start loses its flag",
         [](AttachTest& t) {
             t.PutNote(0, 960, 512, {{2, 64, 0}}, CRawNote::kSlurStart);
             t.Put(0, TwoEnded(kSlur, 960, 512, 2, 1, 0, 4));
             t.PutNote(1, 0, 0, {{4, 67, 0}}, CRawNote::kSlurEnd | CRawNote::kLineStart);
             t.Put(1, TwoEnded(kBend, 0, 0, 4, 0, 512, 4));
             t.PutNote(1, 960, 512, {{4, 67, 0}}, CRawNote::kLineEnd);
             t.NoteAt(1, 0)->SetFlagBit(CRawHead::kTupletBit, true);
             t.Put(1, TwoEnded(kTuplet, 0, 0, 0, 0, 0, 0));
         },
         [](AttachTest& t) { t.NoteAt(1, 0)->RemoveHead(0); },
         [](AttachTest& t) {
             EXPECT_EQ(t.Count(0, kSlur), 0);
             EXPECT_EQ(t.Count(1, kBend), 0);
             EXPECT_FALSE(t.NoteAt(0, 512)->Links() & CRawNote::kSlurStart) << "in the bar before";
             EXPECT_FALSE(t.NoteAt(1, 512)->Links() & CRawNote::kLineEnd);
             EXPECT_EQ(t.Count(1, kTuplet), 0) << "its tuplet has no note left and goes";
         }},
        {"RemoveHead: a head of a chord leaves the slur",
         [](AttachTest& t) {
             t.PutNote(1, 0, 0, {{2, 64, 0}, {4, 67, 0}}, CRawNote::kSlurStart);
             t.Put(1, TwoEnded(kSlur, 0, 0, 2, 0, 512, 4));
             t.PutNote(1, 960, 512, {{4, 67, 0}}, CRawNote::kSlurEnd);
         },
         [](AttachTest& t) { t.NoteAt(1, 0)->RemoveHead(0); },
         [](AttachTest& t) {
             EXPECT_EQ(t.Count(1, kSlur), 1);
             EXPECT_TRUE(t.NoteAt(1, 512)->Links() & CRawNote::kSlurEnd);
         }},
        {"RemoveHead: a tremolo beam over the note goes; the other beam over it is laid out again",
         [](AttachTest& t) {
             t.PutNote(1, 0, 0, {{2, 64, 0}, {4, 67, 0}});
             t.PutNote(1, 960, 512, {{2, 64, 0}, {4, 67, 0}});
             for (int column : {0, 512}) t.NoteAt(1, column)->SetBeamed(1);
             t.Put(1, Beam(0, 512, 0));
             t.Put(1, Beam(0, 512, CBeam::kTremolo));  // goes in front of the other
         },
         [](AttachTest& t) { t.NoteAt(1, 0)->RemoveHead(1); },
         [](AttachTest& t) {
             std::vector<std::pair<bool, bool>> beams;  // (tremolo, removed), laid out again
             trkbar::ForEachRecord(reinterpret_cast<std::uint8_t*>(t.Bar(1)->GetItems()), t.Bar(1)->GetRunLength(),
                                   [&](CBarItem* r) {
                                       if (r->IsBeam())
                                           beams.emplace_back(rec::Get<std::uint8_t>(r, CBeam::kBeamFlags) & CBeam::kTremolo,
                                                              r->IsRemoved());
                                       return true;
                                   });
             EXPECT_EQ(beams, (std::vector<std::pair<bool, bool>>{{true, true}, {false, false}}));
             EXPECT_TRUE(t.Find(1, CBeam::kType)->FlagsA() & CBarItem::kRelayoutBit);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        c.build(*this);
        c.edit(*this);
        c.check(*this);
    }
}

TEST_F(AttachTest, CollectedItemsComeWithTheirBarsAndMissingOnesLoseTheirFlags) {
    PutNote(0, 960, 512, {{2, 64, kTieStart}});
    Put(0, TwoEnded(kTie, 960, 512, 2, 1, 0, 2, 64));
    // Head 0: tied into from bar 0, a glissando flag with nothing behind it; head 1, chosen: a
    // tie flag with nothing behind it that it keeps.
    PutNote(1, 0, 0, {{2, 64, kTieEnd | kGlissStart}, {5, 69, kTieStart}});
    NoteAt(1, 0)->Head(1)->SetBits(NoteHead::kShapeByte, NoteHead::kSelected, true);
    NoteAt(1, 0)->SetFlagBit(CRawHead::kTupletBit, true);
    Put(1, Plain(kLyric, 0, 0));
    Put(1, Plain(kDynamic, 0, 0));
    Put(1, Plain(kLyric, 0, 100));                    // another column
    Put(1, TwoEnded(kTuplet, 0, 0, 0, 0, 512, 0));    // spans the note
    Put(1, TwoEnded(kTuplet, 0, 100, 0, 0, 512, 0));  // starts after it

    CNote* b = NoteAt(1, 0);
    AttachedItemList list;
    b->CollectAttached(Bar(1), &list, CRawNote::kAllHeads);
    std::vector<std::string> got;
    for (int i = 0; i < list.count; ++i)
        got.push_back(std::to_string(list.items[i]->TypeCode()) + "@" + std::to_string(list.bars[i]->GetBarIndex()) +
                      "h" + std::to_string(list.heads[i]));
    EXPECT_EQ(got, (std::vector<std::string>{"31@1h0", "30@0h0", "24@1h0", "20@1h0"}));
    EXPECT_FALSE(b->Head(0)->Byte(NoteHead::kLinkByte) & kGlissStart) << "nothing behind it";
    EXPECT_TRUE(b->Head(1)->HasTieStart()) << "a chosen head keeps its flags";

    int first = 7, last = 0;
    b->GetBarRange(&first, &last, Bar(1));
    EXPECT_EQ(first, 0);
    EXPECT_EQ(last, 1);
    CNote* a = NoteAt(0, 512);
    first = 7;
    last = 0;
    a->GetBarRange(&first, &last, Bar(0));
    EXPECT_EQ(first, 0);
    EXPECT_EQ(last, 0) << "a tie is found in the bar it starts in";
}

TEST_F(AttachTest, CollectedItemsTakeSlursLineItemsAndBothBeamsOfATremolo) {
    // Bar 0 starts a slur that ends on the note at column 0 of bar 1; the note starts a bend and
    // a second slur, and two beams cover it, the first a tremolo.
    PutNote(0, 960, 512, {{2, 64, 0}}, CRawNote::kSlurStart);
    Put(0, TwoEnded(kSlur, 960, 512, 2, 1, 0, 4));
    PutNote(1, 0, 0, {{4, 67, 0}}, CRawNote::kSlurEnd | CRawNote::kSlurStart | CRawNote::kLineStart);
    PutNote(1, 960, 512, {{4, 67, 0}}, CRawNote::kSlurEnd | CRawNote::kLineEnd);
    for (int column : {0, 512}) NoteAt(1, column)->SetBeamed(1);
    Put(1, Beam(0, 512, 0));
    Put(1, Beam(0, 512, CBeam::kTremolo));  // goes in front of the other
    Put(1, TwoEnded(kSlur, 0, 0, 4, 0, 512, 4));
    Put(1, TwoEnded(kBend, 0, 0, 4, 0, 512, 4));
    Put(1, TwoEnded(kSlur, 0, 64, 4, 0, 512, 4));  // starts elsewhere

    CNote* b = NoteAt(1, 0);
    AttachedItemList list;
    b->CollectAttached(Bar(1), &list, CRawNote::kAllHeads);
    std::vector<std::string> got;
    for (int i = 0; i < list.count; ++i)
        got.push_back(std::to_string(list.items[i]->TypeCode()) + "@" + std::to_string(list.bars[i]->GetBarIndex()));
    EXPECT_EQ(got, (std::vector<std::string>{"16@1", "16@1", "27@0", "33@1", "27@1"}));
    EXPECT_NE(list.items[0], list.items[1]) << "the tremolo's second beam";
    trkbar::ForEachRecord(reinterpret_cast<std::uint8_t*>(Bar(1)->GetItems()), Bar(1)->GetRunLength(), [](CBarItem* r) {
        EXPECT_FALSE(r->IsRemoved()) << "no item is hidden by the search, not even for a moment";
        return true;
    });
    int first = 1, last = 0;
    b->GetBarRange(&first, &last, Bar(1));
    EXPECT_EQ(first, 0) << "the slur from the bar before";
    EXPECT_EQ(last, 1);
}

TEST_F(AttachTest, AStaffMoveTakesTheEndsAtTheNoteWithIt) {
    // The note at column 0 of bar 1 starts a slur and a beam and ends a bend from bar 0; moved
    // one staff down with a shift of -12 positions, each of those ends goes with it and is laid
    // out again. The slur's far end and the bend's start stay.
    PutNote(0, 960, 512, {{2, 64, 0}}, CRawNote::kLineStart);
    Put(0, TwoEnded(kBend, 960, 512, 2, 1, 0, 4));
    PutNote(1, 0, 0, {{4, 67, 0}}, CRawNote::kSlurStart | CRawNote::kLineEnd);
    PutNote(1, 960, 512, {{4, 67, 0}}, CRawNote::kSlurEnd);
    for (int column : {0, 512}) NoteAt(1, column)->SetBeamed(1);
    Put(1, Beam(0, 512, 0));
    Put(1, TwoEnded(kSlur, 0, 0, 4, 0, 512, 4));

    NoteAt(1, 0)->MoveAttachedToStaff(1, -12);

    CBarItem* slur = Find(1, kSlur);
    EXPECT_EQ(Word(slur, kStartY), -8);
    EXPECT_EQ(Word(slur, kEndY), 4);
    EXPECT_EQ(rec::Get<std::uint8_t>(slur, 16), 1 << 2) << "the start's staff offset";
    CBarItem* bend = Find(0, kBend);
    EXPECT_EQ(Word(bend, kStartY), 2);
    EXPECT_EQ(Word(bend, kEndY), -8);
    EXPECT_EQ(rec::Get<std::uint8_t>(bend, 16), 1 << 5) << "the end's staff offset";
    CBarItem* beam = Find(1, CBeam::kType);
    EXPECT_EQ(rec::Get<std::int8_t>(beam, CBeam::kStartStaffPos), -3);
    EXPECT_EQ(rec::Get<std::int8_t>(beam, CBeam::kEndStaffPos), 9);
    EXPECT_EQ(rec::Get<std::uint8_t>(beam, CBeam::kOffsets) & 0x3F, 1);
    for (CBarItem* r : {slur, bend, beam}) EXPECT_TRUE(r->FlagsA() & CBarItem::kRelayoutBit) << r->TypeCode();
}

TEST_F(AttachTest, RelinkTiesMatchesByPositionAndPitch) {
    // Three heads; ties at the note's column for (5, 69) and (2, 64), and one for a pitch no
    // head has. Head 2 had a tie flag before: it goes.
    PutNote(0, 0, 256, {{2, 64, 0}, {5, 69, 0}, {5, 70, kTieStart}});
    Put(0, TwoEnded(kTie, 0, 256, 5, 0, 512, 5, 69));
    Put(0, TwoEnded(kTie, 0, 256, 2, 0, 512, 2, 64));
    Put(0, TwoEnded(kTie, 0, 256, 9, 0, 512, 9, 77));
    CNote* note = NoteAt(0, 256);
    note->RelinkTies();
    EXPECT_TRUE(note->Head(0)->HasTieStart());
    EXPECT_TRUE(note->Head(1)->HasTieStart());
    EXPECT_FALSE(note->Head(2)->HasTieStart()) << "same position, other pitch";
}

// A stem update turns each tie of a chord to the side its own head gives it (the head at the
// tie's start staff position): with the stem up the top head's tie above, the others below.
TEST_F(AttachTest, AStemUpdateSidesEachTieByItsOwnHead) {
    PutNote(0, 0, 256, {{-4, 55, kTieStart}, {-2, 59, kTieStart}, {0, 62, kTieStart}});
    const int pitches[] = {55, 59, 62};
    for (int k = 0; k < 3; ++k) {
        recordtest::Bytes tie = TwoEnded(kTie, 0, 256, -4 + 2 * k, 1, 0, -4 + 2 * k, pitches[k]);
        rec::Put<std::int16_t>(tie.data(), 34, std::int16_t(20));  // the curve above
        Put(0, tie);
    }
    NoteAt(0, 256)->UpdateStem(1, true);
    std::vector<std::pair<int, bool>> sides;
    trkbar::ForEachLiveItem(Bar(0), [&](CBarItem* r) {
        if (r->TypeCode() == kTie) sides.emplace_back(Word(r, kStartY), Word(r, 34) >= 0);
    });
    std::sort(sides.begin(), sides.end());
    EXPECT_EQ(sides, (std::vector<std::pair<int, bool>>{{-4, false}, {-2, false}, {0, true}}));
}

// --- where curves meet the note ---------------------------------------------------------------

TEST_F(AttachTest, AttachPointsAtTheStemTheHeadsAndTheBeam) {
    PutNote(0, 0, 0, {{0, 71, 0}});                          // a stem-up quarter at 0
    PutNote(0, 480, 256, {{3, 76, 0}, {-2, 67, 0}}, 0, false);  // a whole note, stem down
    CNote* quarter = NoteAt(0, 0);
    EXPECT_EQ(quarter->GetAttachY(true, false), 8) << "0 + 1 + the stem's 7";
    EXPECT_EQ(quarter->GetAttachY(false, false), -2);
    EXPECT_EQ(quarter->GetAttachY(true, true), 2) << "at the heads";
    CNote* whole = NoteAt(0, 256);
    whole->SetNoteValue(1);
    EXPECT_EQ(whole->GetAttachY(true, false), 5);
    EXPECT_EQ(whole->GetAttachY(false, false), -4);

    // Beamed stem-up eighths at columns 0, 64 and 128 under a beam from height 10 to 14: the
    // middle one meets a curve over it at the beam's height there plus one.
    PutNote(1, 0, 0, {{0, 71, 0}});
    PutNote(1, 240, 64, {{0, 71, 0}});
    PutNote(1, 480, 128, {{0, 71, 0}});
    for (int column : {0, 64, 128}) NoteAt(1, column)->SetBeamed(1);
    recordtest::Bytes beam = trkbartest::Item(CBeam::kType, 46, 0);
    rec::Put<std::int16_t>(beam.data(), CBeam::kStartPosition, 0);
    rec::Put<std::int16_t>(beam.data(), CBeam::kEndPosition, 128);
    beam[CBeam::kStartStaffPos] = 10;
    beam[CBeam::kEndStaffPos] = 14;
    beam[CBeam::kSegmentCount] = 1;
    Put(1, beam);
    EXPECT_EQ(NoteAt(1, 0)->GetAttachY(true, false), 11);
    EXPECT_EQ(NoteAt(1, 64)->GetAttachY(true, false), 13);
    EXPECT_EQ(NoteAt(1, 128)->GetAttachY(true, false), 15);
    EXPECT_EQ(NoteAt(1, 64)->GetAttachY(false, false), -2) << "the head side does not look at the beam";
}

// --- marks ------------------------------------------------------------------------------------

TEST_F(AttachTest, NewMarksAreSetUpForTheNote) {
    PutNote(0, 0, 256, {{0, 71, 0}});
    CNote* note = NoteAt(0, 256);
    note->SetNoteValue(4);  // an eighth
    RecordBuf mb(128);
    auto* mark = reinterpret_cast<NoteMark*>(mb.data());

    // A trill on an eighth: speed 3 and 30-tick notes when set up; added with no note length
    // it takes 60 ticks.
    note->InitMark(mark, 0, 0, false);
    EXPECT_EQ(mark->GetByte(49) >> 4, 3);
    EXPECT_EQ(mark->GetByte(48), 30);
    EXPECT_EQ(mark->GetWord(40), 240);
    EXPECT_EQ(mark->GetWord(46), 256) << "the note's column";
    mark->SetByte(48, 0);
    note = static_cast<CNote*>(note->AddMark(*mark));
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(note->GetMark(0)->GetByte(48), 60);
    EXPECT_EQ(note->GetMark(0)->GetByte(49) >> 4, 3);

    // A tremolo of two strokes: byte 18 2, y 30, the heads play the written length less one.
    note->InitMark(mark, 32, 0, false);
    EXPECT_EQ(mark->GetByte(18), 2);
    EXPECT_EQ(mark->YOffset(), 30);
    EXPECT_EQ(note->Head(0)->Duration(), 239);

    // A staccato goes opposite the stem by itself; with Alt held, above a stem-up note.
    note->InitMark(mark, 24, 0, false);
    EXPECT_FALSE(mark->Flags() & 0x04);
    {
        fw::inputtest::Script keys;
        keys.SetDown(VK_MENU, true);
        note->InitMark(mark, 24, 0, false);
        EXPECT_TRUE(mark->Flags() & 0x04) << "placed on the other side";
    }
    note->InitMark(mark, 24, 0, true);
    EXPECT_TRUE(mark->Flags() & 0x04) << "asked for on the stem side";
}

TEST_F(AttachTest, MarksStackAndANoteTakesSevenAtMost) {
    PutNote(0, 0, 256, {{0, 71, 0}});
    CNote* note = NoteAt(0, 256);
    RecordBuf mb(128);
    auto* mark = reinterpret_cast<NoteMark*>(mb.data());
    // Marks that always go below stack: the second sits 180 further out than the first.
    note->InitMark(mark, 21, 0, false);
    note = static_cast<CNote*>(note->AddMark(*mark));
    note->InitMark(mark, 21, 0, false);
    EXPECT_EQ(mark->YOffset(), 180);
    // Tremolo strokes and ornaments do not stack.
    note->InitMark(mark, 70, 0, false);
    EXPECT_EQ(mark->YOffset(), 0);
    for (int i = 1; i < 7; ++i) note = static_cast<CNote*>(note->AddMark(*mark));
    ASSERT_NE(note, nullptr);
    const int size = note->RecordSizeField();
    EXPECT_EQ(note->AddMark(*mark), note) << "the eighth mark is refused, the note stays";
    EXPECT_EQ(note->RecordSizeField(), size);
    EXPECT_EQ(note->MarkCount(), 7);
}
