// The finders of an item's partners: what a script cannot show. The items attached to a note are
// found without a single write to the run (a reader on another thread never sees an item vanish),
// into a list of the caller's capacity; the finders that leave their bar name the bar they found
// in; a hairpin answers every selector; a note's link flags that nothing backs are dropped.
#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "TrkBarTestSupport.h"
#include "model/Bar.h"
#include "model/ModelGlobals.h"
#include "model/NewScore.h"
#include "model/Page.h"
#include "model/Score.h"
#include "model/Track.h"
#include "model/ZelDoc.h"

using namespace trkbartest;

namespace {

// Notes (144) and rests (128) whose link flags stand in their byte 22 (notes) or 21 (rests),
// read and written through the record class as the model does, while a test holds the binding.
class LinkedNoteBehaviour : public BarItemBehaviour, public NoteRecordBehaviour {
public:
    double NoteOnset(const CBarItem& item) const override { return item.TimeField(); }
    double NoteLength(const CBarItem&) const override { return 0; }
    double NoteEnd(const CBarItem& item) const override { return item.TimeField(); }
    void NoteUpdateStem(CBarItem&, int, bool) const override {}
    void NoteSpellHead(CTrkBar*, CBarItem&, int) const override {}
    void NoteMoveHead(CBarItem&, int, int) const override {}
    bool NoteHasLink(CBarItem& item, int link) const override {
        return (rec::Get<std::uint8_t>(&item, Links(item)) & (1 << link)) != 0;
    }
    void NoteSetLink(CBarItem& item, int link, bool on) const override {
        const auto v = rec::Get<std::uint8_t>(&item, Links(item));
        rec::Put(&item, Links(item), std::uint8_t(on ? v | (1 << link) : v & ~(1 << link)));
    }
    static std::size_t Links(const CBarItem& item) { return item.IsRest() ? 21 : 22; }
};

// Two-ended items as their classes answer the finders: the end bar offset at 22 and the end
// position at 24; a bend (33) is a line item; a slur's ends rest on the notes' slur flags, a
// bend's on their line flags.
class LineBehaviour : public BarItemBehaviour {
public:
    bool IsTwoEnded(CScoreItem&) const override { return true; }
    bool IsLineItem(CScoreItem& item) const override { return item.TypeCode() == 33; }
    int GetBarSpan(CBarItem& item) const override { return rec::Get<std::int16_t>(&item, 22); }
    int GetEndPosition(CBarItem& item) const override { return rec::Get<std::int16_t>(&item, 24); }
    bool AcceptsStartNote(CBarItem& item, CBarItem* note, int) const override { return Takes(item, *note, true); }
    bool AcceptsEndNote(CBarItem& item, CBarItem* note, int) const override { return Takes(item, *note, false); }
    static bool Takes(CBarItem& item, CBarItem& note, bool start) {
        if (item.IsSlur()) return NoteHasLink(note, start ? kSlurStartLink : kSlurEndLink);
        if (item.TypeCode() == 33) return NoteHasLink(note, start ? kLineStartLink : kLineEndLink);
        return false;
    }
};

class FindersTest : public ::testing::Test {
protected:
    FindersTest() {
        for (int code : kCodes) {
            saved.push_back(ItemClasses().IndexForCode(code));
            const ItemTypeEntry* e = FindItemType(code);
            const ItemBehaviour* b = code == 128 || code == 144 ? static_cast<const BarItemBehaviour*>(&notes)
                                                                : static_cast<const BarItemBehaviour*>(&lines);
            ItemClasses().BindCode(code, ItemClasses().Add({e->className, e->typeName, e->code, e->recordSize, b}));
        }
    }
    ~FindersTest() override {
        for (std::size_t i = 0; i < std::size(kCodes); ++i) ItemClasses().BindCode(kCodes[i], saved[i]);
    }
    static constexpr int kCodes[] = {128, 144, 27, 30, 31, 33};
    recordtest::CleanGlobals clean;
    LinkedNoteBehaviour notes;
    LineBehaviour lines;
    std::vector<std::uint32_t> saved;
};

enum : std::uint8_t { kTuplet = 0x10, kBeamed = 0x08 };

// A one-head note at a position with its flags (byte 18) and link flags (byte 22).
Bytes Note(int time, int position, std::uint8_t flags = 0, std::uint8_t links = 0, int voice = 0) {
    Bytes r = Item(144, 40, time, voice);
    View(r)->SetPositionField(std::int16_t(position));
    r[18] = flags;
    r[19] = 0x30;
    r[22] = links;
    r[23] = 1;
    return r;
}

// A two-ended item of the tie family (slur 27, bend 33, tuplet 31, ...) from a position to an end
// `bars` bars later.
Bytes Line(int type, int size, int time, int position, int bars, int end, int voice = 0) {
    Bytes r = Item(type, size, time, voice);
    View(r)->SetPositionField(std::int16_t(position));
    rec::Put<std::int16_t>(r.data(), 22, std::int16_t(bars));
    rec::Put<std::int16_t>(r.data(), 24, std::int16_t(end));
    return r;
}

// A hairpin (19): its end bars at 24, its end position at 26.
Bytes Hairpin(int position, int bars, int end, int voice = 0) {
    Bytes r = Item(19, 94, 0, voice);
    View(r)->SetPositionField(std::int16_t(position));
    rec::Put<std::int16_t>(r.data(), 24, std::int16_t(bars));
    rec::Put<std::int16_t>(r.data(), 26, std::int16_t(end));
    return r;
}

Bytes Beam(int position, int end) {
    Bytes r = Item(16, 46, 0);
    View(r)->SetPositionField(std::int16_t(position));
    rec::Put<std::int16_t>(r.data(), 34, std::int16_t(position));
    rec::Put<std::int16_t>(r.data(), 36, std::int16_t(end));
    return r;
}

Bytes Removed(Bytes r) {
    View(r)->SetFlagsB(std::uint8_t(View(r)->FlagsB() | CBarItem::kRemovedBit));
    return r;
}

// A live record of no interest to the finders, of any size (a symbol).
Bytes Filler(int size) { return Item(22, size, 0); }

// The live record of a type at a position, in run order (nth of them).
CBarItem* Find(CTrkBar* bar, int type, int position, int nth = 0) {
    for (CBarItem* r : Records(bar))
        if (r->TypeCode() == type && r->PositionField() == position && nth-- == 0) return r;
    return nullptr;
}

// A score of one track and `bars` bars of a track, made the current score.
struct Score {
    explicit Score(int bars) : score(&doc) {
        for (int b = 0; b < bars; ++b) EXPECT_TRUE(score.InsertTrkBar(0, b));
        score.trackCount = 1;
        score.barCount = std::int16_t(bars);
        g_model.currentScore = &score;
    }
    ~Score() { g_model.currentScore = nullptr; }
    CTrkBar* operator()(int bar) { return score.GetTrkBar(0, bar); }
    CZelDoc doc;
    CScore score;
};

// The note at 100 carries every link flag and is in a tuplet and a beam; around it stand what
// ends on it, starts on it and holds it, with a removed slur and a slur of another voice.
void FillAttached(CTrkBar* bar) {
    Append(bar, {Line(27, 82, 0, 0, 0, 100), Hairpin(20, 0, 100), Removed(Line(27, 82, 0, 0, 0, 100)),
                 Line(27, 82, 0, 0, 0, 100, 1), Line(33, 76, 0, 0, 0, 100), Line(27, 82, 0, 100, 0, 300),
                 Line(31, 44, 0, 0, 0, 200), Line(31, 44, 120, 50, 0, 300), Line(31, 44, 480, 200, 0, 300), Beam(0, 300),
                 Note(0, 0), Note(240, 100, kTuplet | kBeamed, 0x0F), Note(480, 200), Note(720, 300)});
}

}  // namespace

TEST_F(FindersTest, AttachedItemsOfEachKindAreFoundAndTheRunIsLeftByteForByte) {
    Bar bar;
    FillAttached(bar.bar);
    CBarItem* note = Find(bar.bar, 144, 100);
    ASSERT_NE(note, nullptr);
    const std::vector<std::uint8_t> before(bar->Block()->Address(), bar->Block()->Address() + bar->GetRunLength());
    struct Case {
        const char* what;
        int kind;
        std::vector<std::pair<int, int>> found;  // type, position of each, in finding order
    } cases[] = {
        {"ending on it: the slur, the hairpin and the bend; not the removed slur nor voice 1's", 0, {{27, 0}, {19, 20}, {33, 0}}},
        {"starting on it: the slur from its position", 1, {{27, 100}}},
        {"its tuplets: the two whose span of time holds its time, not the one after it", 4, {{31, 0}, {31, 50}}},
        {"its beam", 5, {{16, 0}}},
        {"another kind finds nothing", 2, {}},
    };
    for (const Case& c : cases) {
        CBarItem* out[8] = {};
        const int n = bar->GetAttachedItems(note, out, 8, c.kind);
        std::vector<std::pair<int, int>> got;
        for (int i = 0; i < n; ++i) got.emplace_back(out[i]->TypeCode(), out[i]->PositionField());
        EXPECT_EQ(got, c.found) << c.what;
    }
    const std::vector<std::uint8_t> after(bar->Block()->Address(), bar->Block()->Address() + bar->GetRunLength());
    EXPECT_EQ(before, after) << "not a byte of the run changed, removed bits included";
}

TEST_F(FindersTest, AttachedItemsStopAtTheCallersCapacity) {
    Bar bar;
    Append(bar.bar, {Line(27, 82, 0, 0, 0, 100), Line(27, 82, 0, 10, 0, 100), Line(27, 82, 0, 20, 0, 100),
                     Line(27, 82, 0, 30, 0, 100), Line(27, 82, 0, 40, 0, 100), Note(0, 100, 0, 0x01)});
    CBarItem* note = Find(bar.bar, 144, 100);
    CBarItem* guard = reinterpret_cast<CBarItem*>(&bar);
    CBarItem* out[4] = {nullptr, nullptr, nullptr, guard};
    EXPECT_EQ(bar->GetAttachedItems(note, out, 3, 0), 3);
    EXPECT_EQ(out[3], guard) << "nothing written past the capacity";
    EXPECT_EQ(out[2]->PositionField(), 20);
    EXPECT_EQ(bar->GetAttachedItems(note, nullptr, 0, 0), 0);
    CBarItem* all[8] = {};
    EXPECT_EQ(bar->GetAttachedItems(note, all, 8, 0), 5) << "each search passes over those found before";
}

// The run's inner pages are made read-only while the finders work on the items inside them: a
// write to any record, a removed bit set even for a moment, ends the process with a fault.
TEST_F(FindersTest, AttachedItemsAndFindersNeverWriteTheRunEvenForAMoment) {
    ::testing::FLAGS_gtest_death_test_style = "threadsafe";
    const long page = sysconf(_SC_PAGESIZE);
    const auto guarded = [&](auto&& work) {
        Bar bar;
        Append(bar.bar, {Filler(2 * int(page))});
        FillAttached(bar.bar);
        Append(bar.bar, {Filler(2 * int(page))});
        CBarItem* note = Find(bar.bar, 144, 100);
        auto* base = bar->Block()->Address();
        const auto from = (reinterpret_cast<std::uintptr_t>(base) + page - 1) / page * page;
        const auto to = (reinterpret_cast<std::uintptr_t>(base) + bar->GetRunLength()) / page * page;
        ASSERT_LE(from, reinterpret_cast<std::uintptr_t>(Find(bar.bar, 27, 0)));
        ASSERT_GE(to, reinterpret_cast<std::uintptr_t>(note) + 40);
        ASSERT_EQ(mprotect(reinterpret_cast<void*>(from), to - from, PROT_READ), 0);
        work(bar.bar, note);
        mprotect(reinterpret_cast<void*>(from), to - from, PROT_READ | PROT_WRITE);
    };
    EXPECT_EXIT(
        {
            guarded([](CTrkBar* bar, CBarItem* note) {
                CBarItem* out[16];
                for (int kind : {0, 1, 4, 5}) bar->GetAttachedItems(note, out, 16, kind);
                for (int kind : {-2, -1, 27, 19}) {
                    bar->FindLineEndingAt(note, kind);
                    bar->FindLineStartingAt(note, kind);
                }
                bar->FindTupletOfNote(note, true);
                bar->FindBeamStartingAt(note);
                bar->FindBeamEndingAt(note);
                bar->FindLineStartNote(Find(bar, 27, 100));
                bar->FindLineEndNote(Find(bar, 27, 0));
            });
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
    // The guard itself: setting a removed bit in the guarded pages is caught.
    EXPECT_DEATH(guarded([](CTrkBar*, CBarItem* note) { note->SetFlagsB(std::uint8_t(note->FlagsB() | CBarItem::kRemovedBit)); }), "");
}

TEST_F(FindersTest, AHairpinAnswersEverySelectorAndOtherItemsTheirOwn) {
    Bar bar;
    Append(bar.bar, {Hairpin(0, 0, 100), Line(27, 82, 0, 10, 0, 200), Line(33, 76, 0, 20, 0, 300), Line(30, 36, 0, 30, 0, 400),
                     Note(0, 100), Note(0, 200), Note(0, 300), Note(0, 400)});
    struct Case {
        int kind;
        int at;        // the note's position
        int found;     // the type found, 0 none
    } cases[] = {
        {-2, 100, 19}, {-1, 100, 19}, {27, 100, 19}, {30, 100, 19}, {31, 100, 19}, {0, 100, 19},
        {-1, 200, 27}, {27, 200, 27}, {-2, 200, 0},  {33, 200, 0},
        {-1, 300, 33}, {-2, 300, 33}, {33, 300, 33}, {27, 300, 0},
        {30, 400, 30}, {-1, 400, 0},  {-2, 400, 0},
    };
    for (const Case& c : cases) {
        CBarItem* found = bar->FindLineEndingAt(Find(bar.bar, 144, c.at), c.kind);
        EXPECT_EQ(found ? found->TypeCode() : 0, c.found) << "selector " << c.kind << " on the note at " << c.at;
    }
}

TEST_F(FindersTest, CrossBarFindersSetTheFinderBarAndGiveTheBarBesideTheItem) {
    Score s(3);
    // A slur from the note at 500 of bar 0 to the note at 200 of bar 2, and a bend inside bar 2.
    Append(s(0), {Line(27, 82, 0, 500, 2, 200), Note(0, 500, 0, 0x02)});
    Append(s(1), {Note(0, 0)});
    Append(s(2), {Note(0, 200, 0, 0x05), Line(33, 76, 0, 200, 0, 600), Note(0, 600, 0, 0x04)});
    CBarItem* slur = Find(s(0), 27, 500);
    CBarItem* start = Find(s(0), 144, 500);
    CBarItem* end = Find(s(2), 144, 200);

    CTrkBar* beside = nullptr;
    EXPECT_EQ(s(2)->FindLineEndingAt(end, -1, &beside), slur);
    EXPECT_EQ(beside, s(0));
    EXPECT_EQ(g_model.finderBar, s(0));
    EXPECT_EQ(s(2)->FindLineEndingAt(Find(s(2), 144, 600), -2, &beside), Find(s(2), 33, 200));
    EXPECT_EQ(beside, s(2)) << "an item of the note's own bar";
    EXPECT_EQ(g_model.finderBar, s(2));
    EXPECT_EQ(s(2)->FindLineEndingAt(Find(s(2), 144, 200), 30, &beside), nullptr);
    EXPECT_EQ(beside, nullptr);
    EXPECT_EQ(g_model.finderBar, s(0)) << "the search gave up in bar 0";

    EXPECT_EQ(s(0)->FindLineEndNote(slur, &beside), end);
    EXPECT_EQ(beside, s(2));
    EXPECT_EQ(g_model.finderBar, s(2));
    EXPECT_EQ(s(0)->FindLineStartNote(slur), start);
    EXPECT_EQ(g_model.finderBar, s(0));
    EXPECT_EQ(s(2)->FindLineStartingAt(end, 33), Find(s(2), 33, 200));
    EXPECT_EQ(g_model.finderBar, s(2));

    // A slur whose end note does not carry the slur-end flag ends on nothing.
    Append(s(1), {Line(27, 82, 0, 0, 1, 600)});
    EXPECT_EQ(s(1)->FindLineEndNote(Find(s(1), 27, 0), &beside), nullptr);
    EXPECT_EQ(beside, nullptr);
}

TEST_F(FindersTest, UpdateAttachedItemsDropsOnlyTheFlagsNothingBacks) {
    Bar bar;
    // Note A at 100: a slur ends on it and a beam covers it; its line and tuplet marks are stale.
    // Note B at 300: a bend starts on it and a tuplet holds it; its slur marks are stale.
    Append(bar.bar, {Line(27, 82, 0, 0, 0, 100), Beam(0, 200), Line(33, 76, 0, 300, 0, 500), Line(31, 44, 720, 300, 0, 400),
                     Note(240, 100, kTuplet | kBeamed, 0x0D), Note(720, 300, kTuplet | kBeamed, 0x0B)});
    CBarItem* a = Find(bar.bar, 144, 100);
    CBarItem* b = Find(bar.bar, 144, 300);
    bar->UpdateAttachedItems(a);
    bar->UpdateAttachedItems(b);
    EXPECT_EQ(rec::Get<std::uint8_t>(a, 22), 0x01) << "the slur end stays; line end and line start go";
    EXPECT_EQ(rec::Get<std::uint8_t>(a, 18), kBeamed) << "the beam stays, the tuplet mark goes";
    EXPECT_EQ(rec::Get<std::uint8_t>(b, 22), 0x08) << "the line start stays; slur end and start go";
    EXPECT_EQ(rec::Get<std::uint8_t>(b, 18), kTuplet) << "the tuplet stays, the beam mark goes";
}

// A hairpin is found for every selector, yet it backs no slur flag: a note whose only partner
// is a hairpin loses its slur flags and keeps its line flags; where a slur stands behind the
// hairpin in the run, the slur flags stay.
TEST_F(FindersTest, AHairpinBacksTheLineFlagsOfItsNotesButNoSlurFlag) {
    Bar bar;
    Append(bar.bar, {Hairpin(0, 0, 100), Hairpin(200, 0, 300), Line(27, 82, 0, 200, 0, 300), Note(0, 0, 0, 0x0A),
                     Note(240, 100, 0, 0x05), Note(480, 200, 0, 0x0A), Note(720, 300, 0, 0x05)});
    struct Case {
        int at;
        std::uint8_t after;
        const char* why;
    } cases[] = {
        {0, 0x08, "the hairpin starts here: line start stays, slur start goes"},
        {100, 0x04, "the hairpin ends here: line end stays, slur end goes"},
        {200, 0x0A, "a hairpin and a slur start here"},
        {300, 0x05, "a hairpin and a slur end here"},
    };
    for (const Case& c : cases) {
        CBarItem* note = Find(bar.bar, 144, c.at);
        bar->UpdateAttachedItems(note);
        EXPECT_EQ(rec::Get<std::uint8_t>(note, 22), c.after) << c.why;
    }
}

// A page x gives the time at its place in the bar: a note's own time on the note's place, and in
// proportion between two neighbours: halfway between notes at 0 and 480 gives 240.
TEST_F(FindersTest, XToTickIsExactOnANoteAndProportionalBetweenTwo) {
    CZelDoc doc;
    BuildNewScore(*doc.GetScore(), NewScoreSettings{});
    CScore* score = doc.GetScore();
    g_model.currentScore = score;
    CTrkBar* tb = score->GetTrkBar(0, 0);
    CBar* bar = score->GetBar(0);
    ASSERT_TRUE(tb && bar);
    const int from = tb->TickToFraction(0), to = tb->TickToFraction(480);
    ASSERT_LT(from, to);
    // The page x whose place is nearest to a wanted place.
    const auto xFor = [&](int place) {
        int best = bar->GetLeft();
        for (int x = bar->GetLeft(); x <= bar->GetRight(); ++x)
            if (std::abs(bar->XToFraction(x) - place) < std::abs(bar->XToFraction(best) - place)) best = x;
        return best;
    };
    const int xHalf = xFor((from + to) / 2);
    const int xOn = xFor(to + (to - from));
    Append(tb, {Note(0, from), Note(480, bar->XToFraction(xOn))});
    EXPECT_EQ(tb->XToTick(xOn), 480);
    const int half = bar->XToFraction(xHalf);
    // Rounded to the nearest tick.
    EXPECT_EQ(tb->XToTick(xHalf), (2 * 480 * (half - from) + (to - from)) / (2 * (to - from)));
    if (2 * half == from + to) EXPECT_EQ(tb->XToTick(xHalf), 240);
    g_model.currentScore = nullptr;
}
