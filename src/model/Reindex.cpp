// Renewing the indices, last-element flags and links of every element of the score.
#include <algorithm>
#include <climits>

#include "model/Bar.h"
#include "model/BarItem.h"
#include "model/Page.h"
#include "model/Score.h"
#include "model/ScoreArrays.h"
#include "model/ScoreStructure.h"
#include "model/ScoreStructureStandIns.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"

namespace {

// Set while a reindex brings the layout back in line through a reflow from page 0; the
// reflow renumbers again and must not start another.
bool g_reindexReflowing = false;

constexpr std::uint8_t kPageFlagsMask = CArrayItem::kLastBit;

}  // namespace

void CScore::Reindex() { ReindexFrom(0); }

void CScore::ForgetPassStartsAfter(int barIndex) { forgetStartsAfter = std::min(forgetStartsAfter, barIndex); }

void CScore::DropForgottenStarts() {
    if (forgetStartsAfter == INT_MAX) return;
    while (!reindexStarts.empty() && reindexStarts.back().bar > forgetStartsAfter) reindexStarts.pop_back();
    while (!recalcStarts.empty() && recalcStarts.back().firstBar > forgetStartsAfter) recalcStarts.pop_back();
    forgetStartsAfter = INT_MAX;
}

void CScore::ReindexFrom(int firstSystem) {
    DropForgottenStarts();
    // The bar walk's running values; `multiEndRaw` is the multi-bar rest's end before it is
    // bounded by the bar count, which only the bars past the end could tell apart.
    ReindexStart w;
    int& s = w.system;
    int& b = w.bar;
    std::int32_t& start = w.start;
    int multiEnd = -1;
    int& multiEndRaw = w.multiEndRaw;
    int& endingStart = w.endingStart;
    int& endingEnd = w.endingEnd;
    int& numberBar = w.numberBar;
    int& counted = w.counted;
    bool endedOnLastSystem = lineCount == 0;
    bool endedOnLastPage = pageCount == 0;
    bool reachedLastBar = barCount == 0;
    bool stop = false;

    // A bar edit's reindex starts at the page that holds the first system whose bars changed,
    // from the values the last reindex carried into it: the pages before hold the systems and
    // the bars they held then.
    int firstPage = 0;
    if (barEditReflow && !wholeScorePasses && firstSystem > 0 && firstSystem < lineCount) {
        const int p = GetLine(firstSystem)->GetPageIndex();
        if (p > 0 && p < pageCount && std::size_t(p) < reindexStarts.size()) {
            const ReindexStart& kept = reindexStarts[std::size_t(p)];
            CLine* first = kept.system <= firstSystem ? GetLine(kept.system) : nullptr;
            if (first && GetPage(p)->GetFirstSystem() == kept.system && first->GetPageIndex() == p &&
                first->GetFirstBarIndex() == kept.bar && kept.bar < barCount) {
                firstPage = p;
                w = kept;
                multiEnd = multiEndRaw < 0 ? -1 : std::min<int>(barCount, multiEndRaw);
                // Every page before was walked: the last system walked was the one before.
                endedOnLastSystem = s - 1 == lineCount - 1;
                endedOnLastPage = false;
            }
        }
    }
    reindexStarts.resize(std::size_t(firstPage));

    for (int p = firstPage; p < pageCount && !stop; ++p) {
        CPage* page = GetPage(p);
        if (!page) break;
        reindexStarts.push_back(w);
        page->SetIndex(p);
        page->SetFirstSystem(s);
        page->SetScore(this);
        page->SetLastFlag(p == pageCount - 1);
        // A page holds the systems that are left at most (an older file may name more).
        if (s >= lineCount) page->SetSystemCount(0);
        else if (page->GetSystemCount() > lineCount - s) page->SetSystemCount(lineCount - s);
        if (layout::PageBarsPerSystem(page) == 0)
            layout::SetPageBarsPerSystem(page, document->GetBarsPerSystem(), document->GetSystemsPerPage());
        const int systems = page->GetSystemCount();
        bool endWalk = false;
        for (int k = 0; k < systems && !endWalk; ++k) {
            CLine* line = GetLine(s);
            if (!line) {
                endWalk = true;
                break;
            }
            line->SetPageIndex(p);
            line->SetPage(this, p);
            line->SetIndex(s);
            line->SetFirstBarIndex(b);
            line->SetFirstBar(this, b);
            std::uint8_t flags = line->GetLayoutFlags() & std::uint8_t(~(CLine::kFirstOnPageBit | CLine::kLastOnPageBit));
            if (k == 0) flags |= CLine::kFirstOnPageBit;
            if (k == systems - 1) flags |= CLine::kLastOnPageBit;
            line->SetLayoutFlags(flags);
            line->SetLastFlag(s == lineCount - 1);
            line->SetShownBarCount(0);
            if (b >= barCount) line->SetBarCount(0);
            // Tracks, staves and the bars of each track.
            if (trackCount > 0 && !GetTrack(0)) {
                stop = true;
                break;
            }
            for (int t = 0; t < trackCount && s >= firstSystem; ++t) {
                if (CTrack* track = GetTrack(t)) {
                    track->SetIndex(t);
                    track->SetLastFlag(t == trackCount - 1);
                }
                if (CStaff* staff = line->GetStaffArray() && t < line->GetStaffArray()->GetCount()
                                        ? static_cast<CStaff*>(line->GetStaffArray()->GetAt(t))
                                        : nullptr) {
                    staff->SetIndex(t);
                    staff->SetLastFlag(t == trackCount - 1);
                }
                for (int j = 0; j < line->GetBarCount(); ++j) {
                    const int bar = line->GetFirstBarIndex() + j;
                    if (bar >= barCount) break;
                    if (CTrkBar* tb = GetTrkBar(t, bar)) {
                        tb->SetTrackByte(t);
                        tb->SetIndex(bar);
                        tb->SetLastFlag(bar == barCount - 1);
                    }
                    if (bar == barCount - 1) {
                        // The track's bar array holds exactly one bar per bar of the score.
                        CTrkBarArray* a = GetTrkBarArray(t);
                        while (a && a->GetCount() > barCount) a->RemoveAt(a->GetCount() - 1);
                        while (a && a->GetCount() < barCount)
                            if (!InsertTrkBar(t, a->GetCount())) break;
                    }
                }
            }
            // The bars.
            for (int j = 0; j < line->GetBarCount(); ++j) {
                CBar* bar = GetBar(b);
                if (!bar) {
                    endWalk = true;
                    break;
                }
                bar->SetStartTicks(start);
                rec::Put<std::int16_t>(bar, CBar::kCountedBars, std::int16_t(counted));
                bar->SetIndex(b);
                bar->SetLine(this, s);
                rec::Put<std::int16_t>(bar, CBar::kLinkedJumperBar, -1);
                bar->SetLastFlag(b == barCount - 1);
                if (b < multiEnd) {
                    bar->SetBarFlag(CBar::kCoveredBit, true);
                } else {
                    multiEnd = multiEndRaw = -1;
                    bar->SetBarFlag(CBar::kCoveredBit, false);
                }
                if (bar->GetMultiRestSpan() > 0) {
                    bar->SetBarFlag(CBar::kCoveredBit, false);
                    multiEndRaw = b + bar->GetMultiRestSpan();
                    multiEnd = std::min<int>(barCount, multiEndRaw);
                }
                if (b <= endingEnd) rec::Put<std::int16_t>(bar, CBar::kLinkedJumperBar, std::int16_t(endingStart));
                else endingStart = -1;
                if (CBarItem* ending = bar->GetEnding()) {
                    endingStart = b;
                    endingEnd = b + rec::Get<std::int16_t>(ending, CBar::kJumperTarget) - 1;
                }
                if (bar->GetBarNumberItem(true)) numberBar = b;
                else bar->SetBarNumberLink(numberBar);
                start += bar->GetLength();
                if (bar->CountsForNumber()) ++counted;
                if (!bar->IsCovered()) line->SetShownBarCount(line->GetShownBarCount() + 1);

                const bool lastBar = bar->IsLast() || b == barCount - 1;
                ++b;
                if (lastBar) {
                    reachedLastBar = true;
                    endWalk = true;
                    break;
                }
            }
            endedOnLastSystem = s == lineCount - 1;
            endedOnLastPage = p == pageCount - 1;
            ++s;
            if (line->IsLast()) endWalk = true;
        }
        if (systems == 0) endedOnLastPage = p == pageCount - 1;
        if (endWalk || page->IsLast()) break;
    }
    (void)kPageFlagsMask;
    if (stop) return;
    LinkJumpers();
    // When the systems and pages no longer match the bars, the layout is rebuilt from page 0.
    if ((!endedOnLastSystem || !endedOnLastPage || !reachedLastBar) && !g_reindexReflowing && pageCount > 0 &&
        lineCount > 0) {
        g_reindexReflowing = true;
        ReflowFromPage(0);
        g_reindexReflowing = false;
    }
}
