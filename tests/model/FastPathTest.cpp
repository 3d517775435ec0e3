// The quick layout and edit paths against the plain ones they stand for: every record of the
// score must come out byte for byte as the plain pass leaves it.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "FrameTestSupport.h"
#include "RecordTestSupport.h"
#include "ScoreRecordBytes.h"
#include "framework/File.h"
#include "model/Bar.h"
#include "model/BarNumber.h"
#include "model/Clef.h"
#include "model/ItemFactory.h"
#include "model/KeySig.h"
#include "model/Meter.h"
#include "model/NewScore.h"
#include "model/Page.h"
#include "model/Preferences.h"
#include "model/Score.h"
#include "model/ScoreArrays.h"
#include "model/ScoreFile.h"
#include "model/ScoreStructureStandIns.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Tempo.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "support/TempHome.h"

namespace {

using Image = recordtest::ScoreImage;

// The stretch as the page does it by hand: one unit at a time, each staff's change through
// the system (which carries the cross-staff beams), every later system moved at once.
void StretchUnitByUnit(CPage* page) {
    CLine* last = page->GetLine(page->GetSystemCount() - 1);
    if (!last) return;
    const int bottom = last->GetStaffExtent(CLine::kLastShown, nullptr);
    // The notice block at the page's foot, moved up by its offset, keeps its room.
    const TitleBlock& notice = page->GetDocument()->titles[3];
    int free = page->ScaleFromView(page->GetPrintableRect().bottom + page->TwentiethsToView(notice.yOffset) -
                                   page->ScaleToView(notice.GetHeight()) - bottom);
    int step = 20;
    if (free < 1) {
        step = -20;
        free = -free;
    }
    int shown = 0;
    for (int s = 0; s < page->GetSystemCount(); ++s)
        if (CLine* line = page->GetLine(s)) shown += line->CountShownStaves();
    if (shown <= 2) return;
    if (shown < 7) free = std::min(free, 36);
    else if (shown < 11) free = std::min(free, 72);
    else if (shown < 16) free = std::min(free, 144);
    for (int before = free + 1; free >= 1 && free != before;) {
        before = free;
        for (int k = 0; k < page->GetSystemCount() && free >= 1; ++k) {
            CLine* line = page->GetLine(k);
            if (!line) break;
            if (k > 0) {
                if (free < k) break;
                line->SetTopOffset(line->GetTopOffset() + step * k);
                free -= k;
            }
            const int n = line->GetStaffArray() ? line->GetStaffArray()->GetCount() : 0;
            for (int i = 0; i < n && free >= 1; ++i) {
                CStaff* staff = line->GetStaff(i);
                if (!staff->IsShown() || staff->GetSpacing() == 0) continue;
                line->SetStaffSpacing(i, staff->GetSpacing() + step);
                free -= 1;
                for (int s = k + 1; s < page->GetSystemCount(); ++s)
                    if (CLine* after = page->GetLine(s)) after->SetTopOffset(after->GetTopOffset() + step);
            }
        }
    }
    for (int s = 0; s < page->GetSystemCount(); ++s)
        if (CLine* line = page->GetLine(s)) line->PlaceStaves();
}

// A page of random systems: staves with random spacing (some none, some hidden), beams that
// reach the staff above or below with random stems, and a bottom that leaves room or not.
struct RandomPage {
    std::mt19937 rng;
    frametest::SmallScore s;

    int Pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }

    static std::vector<int> BarsPerSystem(unsigned seed) {
        std::mt19937 r(seed * 7919u + 1);
        std::vector<int> bars(std::size_t(std::uniform_int_distribution<int>(1, 5)(r)));
        for (int& b : bars) b = std::uniform_int_distribution<int>(1, 3)(r);
        return bars;
    }

    RandomPage(unsigned seed, int tracks) : rng(seed), s(tracks, BarsPerSystem(seed)) {
        CPage* page = s.Page();
        int top = 1440;
        for (int k = 0; k < page->GetSystemCount(); ++k) {
            CLine* line = s.Line(k);
            line->SetTopOffset(top);
            for (int i = 0; i < tracks; ++i) {
                CStaff* staff = line->GetStaff(i);
                staff->SetShown(Pick(0, 9) != 0);
                const int kind = Pick(0, 9);
                staff->SetSpacing(std::int16_t(kind == 0 ? 0 : kind == 1 ? Pick(-3, 3) * 10 : Pick(20, 1600)));
            }
            line->PlaceStaves();
            top += line->SumStaffSpacing();
        }
        for (int t = 0; t < tracks; ++t)
            for (int b = 0; b < s.score->GetBarCount(); ++b)
                for (int n = Pick(0, 3); n > 0; --n) {
                    CBarItem* beam = s.TrkBar(t, b)->NewItem(16, Pick(0, 1900));
                    const std::uint8_t ends[] = {0x01, 0x08, 0x38, 0x07, 0x00, 0x09};
                    rec::Put<std::uint8_t>(beam, 17, ends[Pick(0, 5)]);
                    rec::Put<std::uint8_t>(beam, 30, std::uint8_t(Pick(0, 3) << 2));
                    rec::Put<std::int16_t>(beam, 42, std::int16_t(Pick(-32768, 32767)));
                    rec::Put<std::int16_t>(beam, 44, std::int16_t(Pick(-32768, 32767)));
                }
        // The page's bottom: anywhere from far above the last staff to far below it.
        RECT r = page->GetPrintableRect();
        CLine* last = page->GetLine(page->GetSystemCount() - 1);
        r.bottom = last->GetStaffExtent(CLine::kLastShown, nullptr) + Pick(-400, 4000);
        page->SetPrintableRect(r);
    }
};

TEST(FastPathTest, StretchMovesEveryRecordAsUnitByUnit) {
    recordtest::CleanGlobals clean;
    for (unsigned seed = 1; seed <= 60; ++seed) {
        for (int tracks : {2, 5, 9, 14, 24}) {
            RandomPage rp(seed, tracks);
            CScore& s = *rp.s.score;
            const Image before = Image::Of(s);
            StretchUnitByUnit(rp.s.Page());
            const Image reference = Image::Of(s);
            before.Restore();
            rp.s.Page()->StretchToBottom();
            EXPECT_EQ(Image::Of(s).Diff(reference), "") << "seed " << seed << ", " << tracks << " tracks";
        }
    }
}

TEST(FastPathTest, TempoMapKeepsTheOrderOfASearchFromTheStart) {
    recordtest::CleanGlobals clean;
    std::mt19937 rng(5);
    for (int round = 0; round < 40; ++round) {
        TempoMap map;
        std::vector<TempoMap::Entry> reference;
        for (int n = 0; n < 60; ++n) {
            // Mostly later times, as a recalculation adds them; now and then one again or earlier.
            const int last = reference.empty() ? 0 : reference.back().time;
            const int kind = std::uniform_int_distribution<int>(0, 9)(rng);
            const int time = kind < 6 ? last + std::uniform_int_distribution<int>(1, 900)(rng)
                             : kind < 8 ? last
                                        : std::uniform_int_distribution<int>(-10, std::max(0, last))(rng);
            const TempoMap::Entry e{std::int16_t(n), time, 100 * n + 1, 7 * n};
            ASSERT_TRUE(map.Add(e));
            auto at = reference.begin();
            while (at != reference.end() && at->time < time) ++at;
            if (at != reference.end() && at->time == time) {
                at->tempo = e.tempo;
                at->marked = e.marked;
            } else {
                reference.insert(at, e);
            }
        }
        // The recalculation's timing pass fills the entries in place, as adding each again at
        // its own time would.
        for (int i = 0; i < map.Count(); i += 3) {
            map.SetTempos(i, 5000 + i, 17 * i);
            reference[std::size_t(i)].tempo = 5000 + i;
            reference[std::size_t(i)].marked = 17 * i;
        }
        ASSERT_EQ(map.Count(), int(reference.size()));
        for (int i = 0; i < map.Count(); ++i) {
            const TempoMap::Entry got = map.Get(i);
            const TempoMap::Entry& want = reference[std::size_t(i)];
            EXPECT_TRUE(got.bar == want.bar && got.time == want.time && got.tempo == want.tempo && got.marked == want.marked)
                << "round " << round << " entry " << i;
        }
    }
}


// A score of a few tracks with notes, rests, beams (some reaching the staff below), clefs,
// key signatures (some with courtesy keys) and changes of time signature, laid out.
struct EditedScore {
    CZelDoc doc;
    std::unique_ptr<CScore> score;
    CScore* ownScore = nullptr;  // the document's own, given back before the document goes
    std::mt19937 rng;

    ~EditedScore() {
        doc.score = ownScore;
        score.reset();
    }

    int Pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }

    // Set, half the edits append bars, so that most edits of the bars before build on the
    // values the last passes carried to the end of the score.
    bool appendHeavy = false;

    // `wholeScore`: every bar and system edit recalculates the whole score. `readBack`: the
    // edits start on the score as saved and read back, as the program opens it.
    explicit EditedScore(unsigned seed, bool wholeScore = false, bool appending = false, bool readBack = false)
        : rng(seed), appendHeavy(appending) {
        RegisterTrackClass();
        // Odd seeds wrap bars automatically, even ones fit the pages to their height instead.
        g_preferences.SetByte(Preferences::kWrap, seed % 2);
        doc.SetScoreSize(100);  // the page in use is the printer's letter page
        score = std::make_unique<CScore>(&doc);
        // The score is the document's own, so the document's page passes lay it out.
        ownScore = doc.score;
        doc.score = score.get();
        score->wholeScorePasses = wholeScore;
        EXPECT_TRUE(score->BuildSkeleton(Pick(3, 10) * 4, Pick(3, 9)));
        score->Reindex();
        for (int b = 0; b < score->GetBarCount(); ++b) {
            for (int t = 0; t < score->GetTrackCount(); ++t) FillBar(t, b);
            if (Pick(0, 7) == 0) AddTempo(b);
            if (Pick(0, 7) == 0) SetMeter(b);
        }
        for (int k = 0; k < score->GetLineCount(); ++k) score->GetLine(k)->Relayout();
        score->RecalcLayout(0);
        if (readBack) ReadBack(wholeScore);
    }

    void ReadBack(bool wholeScore) {
        ScoreFileDoc saved;
        CMemFile file(ScoreFile::WriteToBytes(*score, saved));
        auto read = std::make_unique<CScore>(&doc);
        doc.score = read.get();
        ScoreFileDoc d;
        EXPECT_TRUE(ScoreFile::Open(*read, d, file));
        // The document's open step lays out every page's systems.
        doc.LayoutAllPages(false);
        read->wholeScorePasses = wholeScore;
        score = std::move(read);
    }

    void FillBar(int t, int b) {
        CTrkBar* tb = score->GetTrkBar(t, b);
        for (int n = Pick(0, 6); n > 0; --n) tb->NewItem(Pick(0, 1) ? 144 : 128, Pick(0, 1919));
        if (Pick(0, 3) == 0) AddBeam(t, b);
        if (Pick(0, 11) == 0) AddKey(t, b);
        if (Pick(0, 15) == 0) {
            CBarItem* clef = tb->NewItem(CClef::kTypeCode, 0);
            rec::Put<std::uint8_t>(clef, CClef::kCode, std::uint8_t(Pick(0, 3)));
        }
    }
    void AddBeam(int t, int b) {
        CBarItem* beam = score->GetTrkBar(t, b)->NewItem(16, Pick(0, 1900));
        const std::uint8_t ends[] = {0x01, 0x08, 0x38, 0x07, 0x00};
        rec::Put<std::uint8_t>(beam, 17, ends[Pick(0, 4)]);
        rec::Put<std::uint8_t>(beam, 30, std::uint8_t(Pick(0, 3) << 2));
        rec::Put<std::int16_t>(beam, 42, std::int16_t(Pick(-300, 300)));
        rec::Put<std::int16_t>(beam, 44, std::int16_t(Pick(-300, 300)));
    }
    void AddKey(int t, int b) {
        CBarItem* key = score->GetTrkBar(t, b)->NewItem(CKeySig::kTypeCode, Pick(0, 1) ? 0 : 960);
        rec::Put<std::uint8_t>(key, CKeySig::kKey, std::uint8_t(Pick(0, 14)));
        const std::uint8_t flags[] = {0x00, 0x02, 0x02, 0x10, 0x40};
        rec::Put<std::uint8_t>(key, CKeySig::kFlags, flags[Pick(0, 4)]);
    }
    // A tempo mark among the bar's own items, at its start or inside it.
    void AddTempo(int b) {
        std::uint8_t buffer[CTempo::kSize] = {};
        CTempo* mark = MakeTempoItem(buffer, Pick(40, 200) * 100);
        mark->SetTimeField(std::int16_t(Pick(0, 1) ? 0 : Pick(1, 1919)));
        rec::Put<std::uint8_t>(mark, CTempo::kUnit, std::uint8_t((Pick(2, 4) << 4) | 0x02 | (Pick(0, 3) == 0 ? 0x04 : 0)));
        score->GetBar(b)->InsertItemSorted(mark);
    }
    // A tempo mark at the bar's end or past it (as an older file may hold), so that the entries
    // the tempo map takes after it can go before it.
    void AddLateTempo(int b) {
        std::uint8_t buffer[CTempo::kSize] = {};
        CTempo* mark = MakeTempoItem(buffer, Pick(40, 200) * 100);
        mark->SetTimeField(std::int16_t(score->GetBar(b)->GetLength() + (Pick(0, 1) ? 0 : Pick(1, 500))));
        score->GetBar(b)->InsertItemSorted(mark);
    }
    void SetMeter(int b) {
        Meter m{};
        m.SetPreset(Pick(0, 5), false);
        m.Update();
        m.SetDisplayFlags(std::uint8_t(m.GetDisplayFlags() | (Pick(0, 1) ? 0x10 : 0)));
        *score->GetBar(b)->GetMeter() = m;
    }

    // A bar's own item of class `code`, made as the bar's editors make it.
    CBarItem* OwnItem(int code, std::uint8_t* scratch) {
        auto* item = static_cast<CBarItem*>(ConstructClass(code, scratch));
        EXPECT_NE(item, nullptr);
        return item;
    }

    // One edit as the program makes it, with the passes that follow it.
    std::string Edit() {
        CScore& s = *score;
        const int bar = Pick(0, s.GetBarCount() - 1);
        const int track = Pick(0, s.GetTrackCount() - 1);
        if (appendHeavy && Pick(0, 1) == 0) {
            for (int k = Pick(1, 4); k > 0; --k) EXPECT_NE(s.AppendBar(false), nullptr);
            return "append bars";
        }
        alignas(8) std::uint8_t scratch[256] = {};
        switch (Pick(0, appendHeavy ? 17 : 13)) {
            case 17: {
                // Near the end, where the appended bars' entries follow, or at the end of the
                // system two before the last page (where an append's recalculation starts).
                int late = std::max(0, s.GetBarCount() - 1 - Pick(0, 6));
                const int before = s.GetPage(s.GetPageCount() - 1)->GetFirstSystem() - 2;
                if (before >= 0 && Pick(0, 1) == 0) late = s.GetLine(before)->GetFirstBarIndex() + s.GetLine(before)->GetBarCount() - 1;
                AddLateTempo(late);
                if (Pick(0, 1) == 0) SetMeter(late);
                s.RecalcBars(false);
                return "late tempo";
            }
            case 14: {
                // The bar's own items that the reindex carries on to the bars after: an ending
                // over the next bars, a repeat sign, a bar number given or taken away.
                CBarItem* ending = OwnItem(CBar::kJumperType, scratch);
                rec::Put<std::uint8_t>(ending, CBar::kJumperKind, std::uint8_t(Pick(9, 10)));
                rec::Put<std::int16_t>(ending, CBar::kJumperTarget, std::int16_t(Pick(1, 4)));
                s.GetBar(bar)->AddItem(ending);
                s.UpdateBarLayout(bar);
                return "add an ending";
            }
            case 15:
                s.GetBar(bar)->SetRepeatEnd();
                s.UpdateBarLayout(bar);
                return "repeat end";
            case 16: {
                CBarNumber* number = CBarNumber::Construct(scratch);
                rec::Put<std::int16_t>(number, CBarNumber::kNumberOffset, std::int16_t(Pick(-3, 20)));
                // Half the time the number of the bar at or before this one goes, if it has one.
                int numbered = bar;
                while (numbered >= 0 && !s.GetBar(numbered)->GetBarNumberItem(true)) --numbered;
                if (numbered >= 0 && Pick(0, 1) == 0) {
                    s.GetBar(numbered)->RemoveBarNumberItem();
                    s.UpdateBarLayout(numbered);
                    return "bar number taken away";
                }
                // Numbered in pairs, so that a number taken away leaves the bars after it one
                // to refer to.
                for (int b : {bar / 2, bar}) {
                    s.GetBar(b)->ReplaceBarNumberItem(number);
                    s.UpdateBarLayout(b);
                }
                return "bar numbers";
            }
            case 0:
                s.InsertBar(Pick(0, s.GetBarCount()));
                return "insert bar";
            case 1:
                s.DeleteBar(bar);
                return "delete bar";
            case 9:
                s.InsertBar(Pick(0, 1) ? 0 : s.GetBarCount());
                return "insert bar at an end";
            case 10:
                s.DeleteBar(Pick(0, 1) ? 0 : s.GetBarCount() - 1);
                return "delete bar at an end";
            case 11:
                AddTempo(bar);
                s.RecalcBars(false);
                return "add tempo";
            case 12: {
                CBarItem* clef = s.GetTrkBar(track, bar)->NewItem(CClef::kTypeCode, Pick(0, 1) ? 0 : 960);
                rec::Put<std::uint8_t>(clef, CClef::kCode, std::uint8_t(Pick(0, 3)));
                s.RecalcBars(false);
                return "add clef";
            }
            case 2:
                s.DeleteSystem(Pick(0, s.GetLineCount() - 1));
                s.Reindex();
                s.RecalcBars(false);
                return "delete system";
            case 3:
                s.GetTrkBar(track, bar)->NewItem(144, Pick(0, 1919));
                s.UpdateBarLayout(bar);
                return "add note";
            case 4: {
                // As erasing does: a clef or key signature gone recalculates the bars.
                CBarItem* first = s.GetTrkBar(track, bar)->GetItems();
                if (first && first->TypeCode() != 255) first->SetFlagsB(std::uint8_t(first->FlagsB() | CBarItem::kRemovedBit));
                s.UpdateBarLayout(bar);
                if (first && (first->TypeCode() == CClef::kTypeCode || first->TypeCode() == CKeySig::kTypeCode)) s.RecalcBars(false);
                return "remove an item";
            }
            case 5:
                SetMeter(bar);
                s.RecalcBars(false);
                return "change meter";
            case 6:
                AddKey(track, bar);
                s.RecalcBars(false);
                return "change key";
            case 13: {
                // Building by appending: a few bars at the end, each with its layout.
                const int n = Pick(1, 3);
                for (int k = 0; k < n; ++k) EXPECT_NE(s.AppendBar(false), nullptr);
                return "append bars";
            }
            case 7:
                AddBeam(track, bar);
                s.RecalcLayout(Pick(0, s.GetLineCount() - 1));
                return "beam and lay out";
            default:
                s.RecalcLayout(0);
                return "lay out";
        }
    }
};

// Saves the score and reads it back from the disk and from memory: the two scores save the
// same bytes as the first.
std::string ReadBackBothWays(CZelDoc& doc, CScore& s, const std::string& path) {
    ScoreFileDoc d;
    const std::vector<std::uint8_t> bytes = ScoreFile::WriteToBytes(s, d);
    if (!fw::WriteFileAtomic(path, std::string(bytes.begin(), bytes.end()))) return "cannot write";
    CScore fromDisk(&doc), fromMemory(&doc);
    ScoreFileDoc d1, d2;
    CFile file(path.c_str(), CFile::modeRead);
    CMemFile memory(bytes);
    if (!ScoreFile::Open(fromDisk, d1, file) || !ScoreFile::Open(fromMemory, d2, memory)) return "read failed";
    const std::vector<std::uint8_t> a = ScoreFile::WriteToBytes(fromDisk, d1);
    const std::vector<std::uint8_t> b = ScoreFile::WriteToBytes(fromMemory, d2);
    return a == b ? "" : "disk and memory differ";
}

// The pages' system counts as the file stores them: the pages take the systems in order, each
// page starting where the one before ended, and together they hold every system.
std::string PageCountsAgreeWithSystems(CScore& s) {
    int next = 0;
    for (int p = 0; p < s.GetPageCount(); ++p) {
        const CPage* page = s.GetPage(p);
        if (page->GetFirstSystem() != next && page->GetSystemCount() > 0)
            return "page " + std::to_string(p) + " starts at system " + std::to_string(page->GetFirstSystem()) +
                   ", not " + std::to_string(next);
        next += page->GetSystemCount();
        if (next > s.GetLineCount())
            return "page " + std::to_string(p) + " names systems up to " + std::to_string(next) + " of " +
                   std::to_string(s.GetLineCount());
    }
    return next == s.GetLineCount() ? "" : "the pages hold " + std::to_string(next) + " of " + std::to_string(s.GetLineCount()) + " systems";
}

TEST(FastPathTest, RandomEditSeriesMatchTheFullPasses) {
    recordtest::CleanGlobals clean;
    testsupport::TempDir dir;
    for (unsigned seed = 1; seed <= 12; ++seed) {
        EditedScore e(seed);
        CScore& s = *e.score;
        for (int step = 0; step < 30; ++step) {
            const std::string what = e.Edit();
            const std::string where = "seed " + std::to_string(seed) + " step " + std::to_string(step) + " (" + what + ")";
            // The edit's own justification, then the bar recalculation's, against a plain one
            // of every system.
            const Image edited = Image::Of(s);
            for (int k = 0; k < s.GetLineCount(); ++k) s.GetLine(k)->Justify();
            ASSERT_EQ(Image::Of(s).Diff(edited), "") << where;
            s.RecalcBars(false);
            const Image recalculated = Image::Of(s);
            for (int k = 0; k < s.GetLineCount(); ++k) {
                s.GetLine(k)->MeasureHeader();
                s.GetLine(k)->Justify();
            }
            ASSERT_EQ(Image::Of(s).Diff(recalculated), "") << where;
            // Each page's stretch against the unit-by-unit one.
            for (int p = 0; p < s.GetPageCount(); ++p) {
                const Image before = Image::Of(s);
                StretchUnitByUnit(s.GetPage(p));
                const Image reference = Image::Of(s);
                before.Restore();
                s.GetPage(p)->StretchToBottom();
                ASSERT_EQ(Image::Of(s).Diff(reference), "") << where << " page " << p;
            }
            ASSERT_EQ(PageCountsAgreeWithSystems(s), "") << where;
            if (step % 10 == 9) ASSERT_EQ(ReadBackBothWays(e.doc, s, dir.path() + "/score.zel"), "") << where;
        }
    }
}

// What a series of edits leaves after each step: the saved file, every record the passes may
// touch, the tempo map and the duration.
struct SeriesStep {
    std::string edit;
    std::vector<std::uint8_t> bytes;
};

std::vector<SeriesStep> RunSeries(unsigned seed, bool wholeScore, int steps, int* partial, int* pages,
                                  bool appendHeavy = false, bool readBack = false) {
    EditedScore e(seed, wholeScore, appendHeavy, readBack);
    CScore& s = *e.score;
    std::vector<SeriesStep> out;
    for (int step = 0; step < steps; ++step) {
        SeriesStep r;
        r.edit = e.Edit();
        ScoreFileDoc d;
        r.bytes = ScoreFile::WriteToBytes(s, d);
        for (int i = 0; i < s.tempoMap.Count(); ++i) {
            const TempoMap::Entry m = s.tempoMap.Get(i);
            for (std::int32_t v : {std::int32_t(m.bar), m.time, m.tempo, m.marked})
                r.bytes.insert(r.bytes.end(), reinterpret_cast<const std::uint8_t*>(&v), reinterpret_cast<const std::uint8_t*>(&v) + 4);
        }
        recordtest::AppendScoreRecords(r.bytes, s);
        // Every track's bars stay numbered by their place, the last one flagged.
        for (int t = 0; t < s.GetTrackCount(); ++t) {
            CTrkBarArray* a = s.GetTrkBarArray(t);
            for (int b = 0; b < a->GetCount(); ++b) {
                const auto* tb = static_cast<CArrayItem*>(a->GetAt(b));
                EXPECT_TRUE(tb->GetIndex() == b && tb->IsLast() == (b == a->GetCount() - 1))
                    << "seed " << seed << " step " << step << " (" << r.edit << ") track " << t << " bar " << b;
            }
        }
        const std::uint32_t duration = s.scoreDuration;
        r.bytes.insert(r.bytes.end(), reinterpret_cast<const std::uint8_t*>(&duration), reinterpret_cast<const std::uint8_t*>(&duration) + 4);
        *pages = std::max(*pages, int(s.GetPageCount()));
        out.push_back(std::move(r));
    }
    *partial += s.partialRecalcs;
    return out;
}

// Bar insertions and deletions recalculate from the system before the edited page: after every
// edit of a series (bars in and out at the start, inside and at the end, clefs, keys, meters
// and tempo marks before and after them, beams reaching the staff below) the score saves the
// same bytes, holds the same records, tempo map and duration, as when every edit runs its
// passes whole.
TEST(FastPathTest, BarEditsRecalculatedFromTheirPageMatchWholeScorePasses) {
    recordtest::CleanGlobals clean;
    int partial = 0, unused = 0, pages = 0;
    // Seeds past 24 build by appending between the edits.
    for (unsigned seed = 1; seed <= 40; ++seed) {
        const bool appending = seed > 24;
        const std::vector<SeriesStep> quick = RunSeries(seed, false, 40, &partial, &pages, appending);
        const std::vector<SeriesStep> whole = RunSeries(seed, true, 40, &unused, &pages, appending);
        for (std::size_t k = 0; k < quick.size(); ++k) {
            ASSERT_EQ(quick[k].edit, whole[k].edit) << "seed " << seed << " step " << k;
            const auto& a = quick[k].bytes;
            const auto& b = whole[k].bytes;
            std::size_t at = 0;
            while (at < a.size() && at < b.size() && a[at] == b[at]) ++at;
            ASSERT_TRUE(a == b) << "seed " << seed << " step " << k << " (" << quick[k].edit << "): first difference at byte "
                                << at << " of " << a.size() << " and " << b.size();
        }
    }
    // The series did take the partial recalculation, on scores of several pages.
    EXPECT_GT(partial, 100);
    EXPECT_GT(pages, 1);
}

// The same on scores read back from their files: the reader leaves the runs placed bar by bar
// and the bars recalculated, and the edits that follow take the shorter passes from there.
TEST(FastPathTest, BarEditsOnAReadBackScoreMatchWholeScorePasses) {
    recordtest::CleanGlobals clean;
    int partial = 0, unused = 0, pages = 0;
    for (unsigned seed = 101; seed <= 112; ++seed) {
        const std::vector<SeriesStep> quick = RunSeries(seed, false, 30, &partial, &pages, false, true);
        const std::vector<SeriesStep> whole = RunSeries(seed, true, 30, &unused, &pages, false, true);
        for (std::size_t k = 0; k < quick.size(); ++k) {
            ASSERT_EQ(quick[k].edit, whole[k].edit) << "seed " << seed << " step " << k;
            ASSERT_TRUE(quick[k].bytes == whole[k].bytes) << "seed " << seed << " step " << k << " (" << quick[k].edit << ")";
        }
    }
    EXPECT_GT(partial, 50);
    EXPECT_GT(pages, 1);
}

// Edits that change what the bar recalculation derives for every system and leave the
// recalculation to the next edit: the first bar edit after them must walk the whole score, not
// start a later system from what the last walk carried into it. Each case runs a series of bar
// insertions and deletions near the end of the score after it, once with the shorter passes
// and once with whole passes, and compares every record after each edit.
TEST(FastPathTest, ABarEditAfterAnUnrecalculatedChangeMatchesWholeScorePasses) {
    recordtest::CleanGlobals clean;
    struct Case {
        const char* name;
        std::function<void(EditedScore&, bool whole)> change;
    };
    const Case cases[] = {
        {"a file whose first system's staves are repaired on reading",
         [](EditedScore& e, bool whole) {
             CStaffArray* staves = e.score->GetLine(0)->GetStaffArray();
             for (int t = 0; t < staves->GetCount(); ++t) static_cast<CStaff*>(staves->GetAt(t))->SetLineSpacing(0);
             e.ReadBack(whole);
         }},
        {"a new score that keeps the tracks and their settings",
         [](EditedScore& e, bool) {
             NewScoreSettings keep;
             keep.arrangement = 4;
             keep.keepSettings = 1;
             ASSERT_TRUE(BuildNewScore(*e.score, keep, &e.doc));
         }},
    };
    for (const Case& c : cases) {
        int partial = 0;
        for (unsigned seed = 201; seed <= 216; ++seed) {
            std::vector<std::vector<std::uint8_t>> results[2];
            for (bool whole : {false, true}) {
                EditedScore e(seed, whole);
                // Key signatures and clefs at the start, so that the change reaches every system.
                for (int t = 0; t < e.score->GetTrackCount(); ++t) e.AddKey(t, 0);
                e.score->RecalcBars(false);
                c.change(e, whole);
                CScore& s = *e.score;
                const int before = s.partialRecalcs;
                for (int step = 0; step < 6; ++step) {
                    const int last = s.GetBarCount() - 1;
                    if (step % 2 == 0) s.InsertBar(std::max(0, last - step));
                    else s.DeleteBar(last);
                    ScoreFileDoc d;
                    std::vector<std::uint8_t> bytes = ScoreFile::WriteToBytes(s, d);
                    recordtest::AppendScoreRecords(bytes, s);
                    results[whole].push_back(std::move(bytes));
                }
                if (!whole) partial += s.partialRecalcs - before;
            }
            for (std::size_t k = 0; k < results[0].size(); ++k)
                ASSERT_TRUE(results[0][k] == results[1][k]) << c.name << ": seed " << seed << " step " << k;
        }
        // The edits after the first took the shorter passes.
        EXPECT_GT(partial, 10) << c.name;
    }
}

}  // namespace
