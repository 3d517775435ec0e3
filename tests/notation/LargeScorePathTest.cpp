// The quick paths of opening and laying out a large score against the plain ones they stand
// for: every record must come out byte for byte as the plain path leaves it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "model/Bar.h"
#include "model/Page.h"
#include "model/Preferences.h"
#include "model/RecordTestSupport.h"
#include "model/Score.h"
#include "model/ScoreArrays.h"
#include "model/ScoreFile.h"
#include "model/ScoreRecordBytes.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/TrkBarWalk.h"
#include "model/ZelDoc.h"
#include "notation/Beam.h"
#include "notation/NotationClasses.h"
#include "notation/Note.h"
#include "notation/Rest.h"
#include "platform/DrawGlobals.h"
#include "platform/FontArray.h"
#include "platform/FontMap.h"
#include "platform/Port.h"

namespace {

// The records with each bar's own items.
using Image = recordtest::ScoreImage;

// The collision pass as the page does it plainly: every rectangle of a staff against every
// rectangle of the staff above.
void AvoidCollisionsPlainly(CPage* page) {
    page->MakeCurrent();
    if (!page->GetScore() || page->GetSystemCount() <= 0) return;
    std::vector<RECT> above;
    page->PageTextExtent(&above, true);
    struct Shift {
        int system, staff;
        bool firstShown;
        int overlap;
    };
    std::vector<Shift> shifts;
    for (int s = 0; s < page->GetSystemCount(); ++s) {
        CLine* line = page->GetLine(s);
        if (!line) break;
        const int n = line->GetStaffArray() ? line->GetStaffArray()->GetCount() : 0;
        for (int i = 0; i < n; ++i) {
            if (!line->GetStaff(i)->IsShown()) continue;
            std::vector<RECT> rects;
            line->GetStaffExtent(i, &rects);
            int overlap = 0;
            for (const RECT& u : above)
                for (const RECT& l : rects)
                    if (u.left < l.right && l.left < u.right && u.top < l.bottom && l.top < u.bottom)
                        overlap = std::max<int>(overlap, u.bottom - l.top);
            if (overlap > 0) shifts.push_back({s, i, i == line->GetFirstShownStaff(), overlap});
            above = std::move(rects);
        }
    }
    for (const Shift& shift : shifts) {
        CLine* line = page->GetLine(shift.system);
        const int d = page->ViewToTwentieths(shift.overlap);
        if (shift.firstShown)
            line->SetTopOffset(line->GetTopOffset() + d);
        else
            line->SetStaffSpacing(shift.staff, line->GetStaff(shift.staff)->GetSpacing() + d);
        for (int s = shift.system + 1; s < page->GetSystemCount(); ++s)
            if (CLine* after = page->GetLine(s)) after->SetTopOffset(after->GetTopOffset() + d);
    }
    for (int s = 0; s < page->GetSystemCount(); ++s)
        if (CLine* line = page->GetLine(s)) line->PlaceStaves();
}

// A laid-out score of notes far above and below their staves, rests and beams (some reaching
// the staff below), with staves that stand close enough to collide.
struct CrowdedScore {
    CZelDoc doc;
    std::unique_ptr<CScore> score;
    std::mt19937 rng;

    int Pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }

    CrowdedScore(unsigned seed) : rng(seed) {
        doc.SetScoreSize(100);
        score = std::make_unique<CScore>(&doc);
        EXPECT_TRUE(score->BuildSkeleton(Pick(2, 6) * 4, Pick(2, 12)));
        score->Reindex();
        for (int b = 0; b < score->GetBarCount(); ++b) {
            for (int t = 0; t < score->GetTrackCount(); ++t) FillBar(t, b);
            score->GetBar(b)->MeasureContents();
            score->GetBar(b)->Respace();
        }
        score->Reindex();
        score->RecalcBars(false);
        for (int k = 0; k < score->GetLineCount(); ++k) score->GetLine(k)->Relayout();
        score->RecalcLayout(0);
    }

    void FillBar(int t, int b) {
        CTrkBar* tb = score->GetTrkBar(t, b);
        for (int n = Pick(0, 6); n > 0; --n) {
            const int time = Pick(0, 7) * 240;
            if (Pick(0, 4) == 0) {
                if (auto* rest = static_cast<CRawHead*>(tb->NewItem(CRest::kType, time))) rest->SetNoteValue(Pick(2, 4));
                continue;
            }
            auto* note = static_cast<CNote*>(tb->NewItem(CNote::kType, time));
            if (!note) continue;
            note->SetHeadCountField(1);
            note->SetNoteValue(Pick(2, 4));
            note->SetFlagBit(CRawHead::kBeamedBit, Pick(0, 1) != 0);
            note->Head(0)->SetPosition(Pick(-24, 24));
        }
        if (Pick(0, 3) == 0) {
            CBarItem* beam = tb->NewItem(16, Pick(0, 1900));
            rec::Put<std::uint8_t>(beam, 17, std::uint8_t(Pick(0, 1)));
            rec::Put<std::uint8_t>(beam, 18, 1);
            BeamSegment main(beam->Bytes() + 30);
            main.SetFlags(std::uint8_t(1 << BeamSegment::kLevelShift | BeamSegment::kFirstUp | BeamSegment::kLastUp));
            main.SetStartPosition(std::int16_t(Pick(0, 500)));
            main.SetEndPosition(std::int16_t(Pick(500, 1000)));
            rec::Put<std::int16_t>(beam, 42, std::int16_t(Pick(-300, 300)));
            rec::Put<std::int16_t>(beam, 44, std::int16_t(Pick(-300, 300)));
        }
    }

    // Moves the page's staves closer (or apart) at random, hides some, and places them.
    void Crowd(CPage* page) {
        for (int k = 0; k < page->GetSystemCount(); ++k) {
            CLine* line = page->GetLine(k);
            if (!line) break;
            const int n = line->GetStaffArray() ? line->GetStaffArray()->GetCount() : 0;
            for (int i = 0; i < n; ++i) {
                CStaff* staff = line->GetStaff(i);
                if (Pick(0, 9) == 0) staff->SetShown(false);
                if (i > 0) staff->SetSpacing(std::int16_t(Pick(0, 3) == 0 ? Pick(-200, 200) : Pick(200, 1400)));
            }
            line->PlaceStaves();
        }
    }
};

TEST(LargeScorePathTest, CollisionPassMovesEveryRecordAsThePlainPass) {
    recordtest::CleanGlobals clean;
    RegisterTrackClass();
    RegisterNotationClasses();
    int shifted = 0;
    for (unsigned seed = 1; seed <= 40; ++seed) {
        CrowdedScore cs(seed);
        CScore& s = *cs.score;
        for (int p = 0; p < s.GetPageCount(); ++p) {
            CPage* page = s.GetPage(p);
            cs.Crowd(page);
            const Image before = Image::Of(s, true);
            AvoidCollisionsPlainly(page);
            const Image reference = Image::Of(s, true);
            if (reference.Diff(before) != "") ++shifted;
            before.Restore();
            page->AvoidCollisions();
            EXPECT_EQ(Image::Of(s, true).Diff(reference), "") << "seed " << seed << ", page " << p;
        }
    }
    // The scores must have collided somewhere, or the comparison shows nothing.
    EXPECT_GT(shifted, 20);
}


// Bars crowded with notes and rests of every length in several voices, tuplets, grace notes and
// short (pickup) bars; `plain` makes each measure of a bar's contents walk every track.
struct RhythmScore {
    CZelDoc doc;
    std::unique_ptr<CScore> score;
    std::mt19937 rng;

    int Pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }

    CScore* ownScore = nullptr;  // the document's own, given back before the document goes

    ~RhythmScore() {
        if (ownScore) doc.score = ownScore;
        score.reset();
    }

    // `documentsOwn`: the score is the document's own, so that its page passes lay it out.
    RhythmScore(unsigned seed, bool plain, int bars = 8, bool documentsOwn = false) : rng(seed) {
        doc.SetScoreSize(100);
        score = std::make_unique<CScore>(&doc);
        if (documentsOwn) {
            ownScore = doc.score;
            doc.score = score.get();
        }
        score->wholeScorePasses = plain;
        EXPECT_TRUE(score->BuildSkeleton(bars, Pick(2, 12)));
        score->Reindex();
        for (int b = 0; b < score->GetBarCount(); ++b) {
            if (Pick(0, 3) == 0) score->GetBar(b)->SetBarFlag(CBar::kShortBarBit, true);
            for (int t = 0; t < score->GetTrackCount(); ++t)
                for (int n = Pick(0, 9); n > 0; --n) AddItem(score->GetTrkBar(t, b));
        }
        score->Reindex();
        score->RecalcBars(false);
        for (int k = 0; k < score->GetLineCount(); ++k) score->GetLine(k)->Relayout();
        score->RecalcLayout(0);
    }

    void AddItem(CTrkBar* tb) {
        const int kind = Pick(0, 9);
        const int time = Pick(0, 15) * 120;
        if (kind >= 8) {
            CBarItem* tuplet = tb->NewItem(31, time);
            if (!tuplet) return;
            rec::Put<std::uint8_t>(tuplet, 38, std::uint8_t(Pick(2, 7)));
            rec::Put<std::uint8_t>(tuplet, 39, std::uint8_t(Pick(1, 4)));
            return;
        }
        auto* item = static_cast<CRawHead*>(tb->NewItem(kind < 5 ? CNote::kType : CRest::kType, time));
        if (!item) return;
        item->SetNoteValue(Pick(0, 6));
        if (kind < 5) {
            auto* note = static_cast<CNote*>(item);
            note->SetHeadCountField(1);
            note->Head(0)->SetPosition(Pick(-12, 12));
            if (Pick(0, 5) == 0) rec::Put<std::uint8_t>(item, 18, std::uint8_t(rec::Get<std::uint8_t>(item, 18) | 0x02));
        }
        if (Pick(0, 5) == 0) rec::Put<std::uint8_t>(item, 16, std::uint8_t(Pick(1, 3)));
        if (Pick(0, 3) == 0) item->SetFlagsB(std::uint8_t((item->FlagsB() & 0x1F) | (Pick(1, 3) << 5)));
    }
};

// The records of the score after its layout and after each added item with its bar respaced;
// `changed` counts the respacings that changed the bar's contents length.
std::vector<std::vector<std::uint8_t>> RunRhythmSeries(unsigned seed, bool plain, int* changed) {
    // Each run starts from clean globals and classes: nothing of the run before reaches it.
    recordtest::CleanGlobals clean;
    RegisterTrackClass();
    RegisterNotationClasses();
    RhythmScore r(seed, plain);
    CScore& s = *r.score;
    std::vector<std::vector<std::uint8_t>> out(1);
    recordtest::AppendScoreRecords(out.back(), s);
    for (int step = 0; step < 3 * s.GetBarCount(); ++step) {
        const int b = r.Pick(0, s.GetBarCount() - 1);
        const int t = r.Pick(0, s.GetTrackCount() - 1);
        const int before = s.GetBar(b)->GetContentLength();
        r.AddItem(s.GetTrkBar(t, b));
        const bool done = s.GetBar(b)->Respace();
        out.emplace_back(1, std::uint8_t(done));
        recordtest::AppendScoreRecords(out.back(), s);
        if (s.GetBar(b)->GetContentLength() != before) ++*changed;
    }
    return out;
}

// A bar's respacing keeps each track's share of its contents over the tracks' timing passes,
// measuring again only the track that changed: after each item added and its bar respaced,
// every record is as when each measure walks every track.
TEST(LargeScorePathTest, RespacingWithKeptContentSharesMatchesMeasuringEveryTrack) {
    int changed = 0, unused = 0;
    for (unsigned seed = 1; seed <= 30; ++seed) {
        const auto kept = RunRhythmSeries(seed, false, &changed);
        const auto plain = RunRhythmSeries(seed, true, &unused);
        ASSERT_EQ(kept.size(), plain.size());
        for (std::size_t k = 0; k < kept.size(); ++k) {
            const auto& x = kept[k];
            const auto& y = plain[k];
            std::size_t at = 0;
            while (at < x.size() && at < y.size() && x[at] == y[at]) ++at;
            ASSERT_TRUE(x == y) << "seed " << seed << " step " << k << ": first difference at byte " << at;
        }
    }
    // The bars' contents really were measured again in the timing passes.
    EXPECT_GT(changed, 50);
}

// Building by appending bars while notes go into the bars before: a note that lengthens a bar
// moves the start of every bar after it, which the appended bars' passes, starting near the
// end, must not take from before. After each step every record (the bars' start ticks among
// them), the tempo map and the duration are as with the whole passes.
std::vector<std::vector<std::uint8_t>> RunAppendSeries(unsigned seed, bool plain, int* lengthened, int* partial) {
    recordtest::CleanGlobals clean;
    RegisterTrackClass();
    RegisterNotationClasses();
    // Odd seeds wrap bars automatically (an overfull system lays the score out again), even
    // ones do not.
    g_preferences.SetByte(Preferences::kWrap, seed % 2);
    RhythmScore r(seed, plain, 40, true);
    CScore& s = *r.score;
    std::vector<std::vector<std::uint8_t>> out;
    for (int step = 0; step < 40; ++step) {
        if (r.Pick(0, 1) == 0) {
            for (int k = r.Pick(1, 3); k > 0; --k) EXPECT_NE(s.AppendBar(false), nullptr);
        } else {
            const int b = r.Pick(0, s.GetBarCount() - 1);
            const int before = s.GetBar(b)->GetLength();
            for (int k = r.Pick(1, 4); k > 0; --k) r.AddItem(s.GetTrkBar(r.Pick(0, s.GetTrackCount() - 1), b));
            s.UpdateBarLayout(b);
            if (s.GetBar(b)->GetLength() != before) ++*lengthened;
        }
        out.emplace_back();
        recordtest::AppendScoreRecords(out.back(), s);
        for (int i = 0; i < s.tempoMap.Count(); ++i) {
            const TempoMap::Entry m = s.tempoMap.Get(i);
            for (std::int32_t v : {std::int32_t(m.bar), m.time, m.tempo, m.marked})
                out.back().insert(out.back().end(), reinterpret_cast<const std::uint8_t*>(&v), reinterpret_cast<const std::uint8_t*>(&v) + 4);
        }
        const std::uint32_t duration = s.scoreDuration;
        out.back().insert(out.back().end(), reinterpret_cast<const std::uint8_t*>(&duration), reinterpret_cast<const std::uint8_t*>(&duration) + 4);
    }
    *partial += s.partialRecalcs;
    return out;
}

TEST(LargeScorePathTest, AppendingAfterBarsGrewLongerMatchesWholeScorePasses) {
    int lengthened = 0, partial = 0, unused = 0, ignored = 0;
    for (unsigned seed = 1; seed <= 12; ++seed) {
        const auto quick = RunAppendSeries(seed, false, &lengthened, &partial);
        const auto whole = RunAppendSeries(seed, true, &ignored, &unused);
        ASSERT_EQ(quick.size(), whole.size());
        for (std::size_t k = 0; k < quick.size(); ++k) {
            std::size_t at = 0;
            while (at < quick[k].size() && at < whole[k].size() && quick[k][at] == whole[k][at]) ++at;
            ASSERT_TRUE(quick[k] == whole[k]) << "seed " << seed << " step " << k << ": first difference at byte " << at;
        }
    }
    // Bars did grow longer, and the appends did take the shorter passes.
    EXPECT_GT(lengthened, 20) << lengthened;
    EXPECT_GT(partial, 100) << partial;
}

}  // namespace

// Reading maps the fonts of only the runs the reader found holding a font reference: every
// record, the font table and every reference come out as when the mapping walks every run. The
// files name a face not installed here, an entry of the music font (which the mapping renames),
// faces without an entry, sizes of 0 and letter marks (which take their track's font).
TEST(LargeScorePathTest, ReadingMapsOnlyTheRunsWithFontsAsTheWalkOfEveryRun) {
    recordtest::CleanGlobals clean;
    RegisterTrackClass();
    RegisterNotationClasses();
    InitDrawing();
    ASSERT_GE(GetFontList()->GetCount(), 6);
    struct Case {
        const char* what;
        unsigned seed;
        const char* renamed;  // the name the file's first table entry takes, or null
    };
    const Case cases[] = {
        {"faces as saved", 1, nullptr},
        {"an entry of the music font", 2, CFontArray::kMusicFontName},
        {"a face not installed here", 3, "No Such Face Here"},
    };
    for (const Case& c : cases) {
        std::mt19937 rng(c.seed);
        const auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
        CZelDoc doc;
        CScore score(&doc);
        ASSERT_TRUE(score.BuildSkeleton(6, 3));
        score.Reindex();
        for (int t = 0; t < score.GetTrackCount(); ++t) {
            // The last track's font has no size: it takes the score's staff-label font when asked.
            rec::Put(score.GetTrack(t), CTrack::kFont, FontRef{std::uint16_t(t + 1), std::uint16_t(t + 1 < score.GetTrackCount() ? 10 : 0), 0, 0});
            for (int b = 0; b < score.GetBarCount(); ++b)
                for (int n = pick(0, 3); n > 0; --n) {
                    CTrkBar* tb = score.GetTrkBar(t, b);
                    tb->SetCurrent();
                    auto* note = static_cast<CNote*>(tb->NewItem(CNote::kType, pick(0, 3) * 480));
                    if (!note) continue;
                    note->SetHeadCountField(1);
                    for (int m = pick(-2, 2); m > 0; --m) {
                        const int codes[] = {101, 107, 250, 110, 23};
                        const int code = codes[pick(0, 4)];
                        std::vector<std::uint8_t> bytes(std::size_t(NoteMark::ClassSize(code)) + 8, 0);
                        auto* mark = reinterpret_cast<NoteMark*>(bytes.data());
                        mark->Init(code);
                        mark->SetCode(std::uint8_t(code));
                        mark->SetSize(std::int16_t(NoteMark::ClassSize(code)));
                        mark->SetFlags(pick(0, 4) == 0 ? 0x01 : 0);
                        const std::uint16_t faces[] = {0, 2, 3, 5, 60000, FontRef::kNoFace};
                        if (mark->Size() >= NoteMark::kFont + 6)
                            mark->SetFont(FontRef{faces[pick(0, 5)], std::uint16_t(pick(0, 1) * 14), 0, 0});
                        note = static_cast<CNote*>(note->AddMark(*mark));
                        ASSERT_NE(note, nullptr) << c.what;
                    }
                }
        }
        score.textFont1 = FontRef{3, 0, 1, 0};
        score.textFont2 = FontRef{60000, 12, 0, 0};
        ScoreFileDoc saved;
        saved.fontMap.musicFace = g_draw.defaultMusicFontRef.face;
        saved.titles[0].lines[0].font = FontRef{2, 0, 0, 0};
        std::vector<std::uint8_t> file = ScoreFile::WriteToBytes(score, saved);
        if (c.renamed) {
            const char tag[] = "FNTS";
            const auto at = std::search(file.begin(), file.end(), tag, tag + 4) - file.begin();
            ASSERT_LT(std::size_t(at), file.size()) << c.what;
            char* name = reinterpret_cast<char*>(&file[std::size_t(at) + 10 + 2]);
            std::memset(name, 0, CFontArray::kNameSize);
            std::strncpy(name, c.renamed, CFontArray::kNameSize - 1);
        }

        struct Read {
            CScore score;
            ScoreFileDoc doc;
            std::vector<std::uint8_t> records;
            explicit Read(CZelDoc* zdoc) : score(zdoc) {}
        };
        const auto read = [&](bool everyRun) {
            auto r = std::make_unique<Read>(&doc);
            fw::ScopedGlobal<bool> walk(g_scoreFile.mapEveryRun, everyRun);
            CMemFile in(file);
            EXPECT_TRUE(ScoreFile::Open(r->score, r->doc, in)) << c.what;
            recordtest::AppendScoreRecords(r->records, r->score);
            CFontArray* table = r->score.GetFontArray();
            for (int n = 0; n < table->Count(); ++n) {
                const std::string entry = std::to_string(table->IdAt(n)) + " " + table->NameAt(n) + ";";
                r->records.insert(r->records.end(), entry.begin(), entry.end());
            }
            const auto take = [&](const auto& v) {
                const auto* p = reinterpret_cast<const std::uint8_t*>(&v);
                r->records.insert(r->records.end(), p, p + sizeof v);
            };
            for (const FontRef* f : {&r->score.textFont1, &r->score.textFont2, &r->score.textFont3, &r->score.chordFrameFont,
                                     &r->score.textFont5, &r->score.staffLabelFont, &r->score.timecodeFont})
                take(*f);
            for (const TitleBlock& block : r->doc.titles)
                for (const auto& line : block.lines) take(line.font);
            take(r->doc.fontMap);
            return r;
        };
        const auto whole = read(true), quick = read(false);
        EXPECT_EQ(quick->records, whole->records) << c.what;

        // Some runs hold marks and some hold none, or the comparison shows nothing.
        int holding = 0, runs = 0;
        for (int t = 0; t < quick->score.GetTrackCount(); ++t)
            for (int b = 0; b < quick->score.GetBarCount(); ++b, ++runs) {
                CTrkBar* tb = quick->score.GetTrkBar(t, b);
                bool marked = false;
                trkbar::ForEachRecord(reinterpret_cast<std::uint8_t*>(tb->GetItems()), tb->GetRunLength(), [&](CBarItem* item) {
                    marked = item->TypeCode() == CNote::kType && static_cast<CRawHead*>(item)->MarkCount() > 0;
                    return !marked;
                });
                holding += marked;
            }
        EXPECT_GT(holding, 0) << c.what;
        EXPECT_LT(holding, runs) << c.what;
    }
}
