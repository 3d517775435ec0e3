// Renewing the indices, last-element flags and links of every element of the score.
#include <algorithm>

#include "model/Bar.h"
#include "model/BarItem.h"
#include "model/Page.h"
#include "model/Score.h"
#include "model/ScoreArrays.h"
#include "model/ScoreStandIns.h"
#include "model/ScoreStructure.h"
#include "model/ScoreStructureStandIns.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/TrkBar.h"

namespace {

// Set while a reindex brings the layout back in line through a reflow from page 0; the
// reflow renumbers again and must not start another.
bool g_reindexReflowing = false;

constexpr std::uint8_t kPageFlagsMask = CArrayItem::kLastBit;

}  // namespace

void CScore::Reindex() { ReindexFrom(0); }

void CScore::ReindexFrom(int firstSystem) {
    int s = 0, b = 0;
    std::int32_t start = 0;
    int multiEnd = -1, endingStart = -1, endingEnd = 0, numberBar = -1, counted = 0;
    bool endedOnLastSystem = lineCount == 0;
    bool endedOnLastPage = pageCount == 0;
    bool reachedLastBar = barCount == 0;
    bool stop = false;

    for (int p = 0; p < pageCount && !stop; ++p) {
        CPage* page = GetPage(p);
        if (!page) break;
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
                    multiEnd = -1;
                    bar->SetBarFlag(CBar::kCoveredBit, false);
                }
                if (bar->GetMultiRestSpan() > 0) {
                    bar->SetBarFlag(CBar::kCoveredBit, false);
                    multiEnd = std::min<int>(barCount, b + bar->GetMultiRestSpan());
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
    RelinkJumps(this);
    // When the systems and pages no longer match the bars, the layout is rebuilt from page 0.
    if ((!endedOnLastSystem || !endedOnLastPage || !reachedLastBar) && !g_reindexReflowing && pageCount > 0 &&
        lineCount > 0) {
        g_reindexReflowing = true;
        ReflowFromPage(0);
        g_reindexReflowing = false;
    }
}
