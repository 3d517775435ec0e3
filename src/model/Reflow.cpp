// Layout reflow: bars into systems by width or by wanted counts, systems into pages, and the
// passes for pages whose systems run past their bottom.
#include <algorithm>

#include "framework/Arith.h"
#include "framework/MessageBox.h"

#include "model/Bar.h"
#include "model/Page.h"
#include "model/PageSetup.h"
#include "model/Preferences.h"
#include "model/Score.h"
#include "model/ScoreArrays.h"
#include "model/ScoreStructure.h"
#include "model/ScoreStructureStandIns.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Track.h"
#include "model/ZelDoc.h"
#include "platform/PortLayer.h"

using layout::LayoutPlan;

namespace {

// Told when staves run past the bottom of the page and are respaced to fit.
constexpr UINT kStaffOverflowMessage = 10004;

void SetPageChanged(CPage* page, bool on) {
    const std::uint8_t f = page->GetFlags();
    page->SetFlags(on ? std::uint8_t(f | layout::kPageChangedBit) : std::uint8_t(f & ~layout::kPageChangedBit));
}

int Available(CLine* line) { return line->GetRight() - line->GetFirstBarX(); }

// The automatic bar wrapping option: an overfull system or page sends its bars on.
bool AutoWrapOn() { return g_preferences.Byte(Preferences::kWrap) != 0; }

}  // namespace

bool CScore::RecalcLayout(int startSystem) {
    if (lineCount <= 0 || barCount <= 0) return false;
    startSystem = std::clamp<int>(startSystem, 0, lineCount - 1);
    LayoutPlan plan;
    plan.reserve(std::size_t(barCount) + 1);
    RecalcBars(true);
    for (int s = 0; s < startSystem; ++s) {
        CLine* line = GetLine(s);
        line->Justify();
        plan.emplace_back(line->GetFirstBarIndex(), line->GetBarCount());
    }
    int current = startSystem;
    CLine* line = GetLine(current);
    line->Justify();
    int available = Available(line);
    int scale = line->GetSpace() > 0 ? line->GetSpace() : 6;
    plan.emplace_back(line->GetFirstBarIndex(), 0);
    int sum = 0;
    for (int b = line->GetFirstBarIndex(); b < barCount; ++b) {
        CBar* bar = GetBar(b);
        const int m = layout::MeasureForFit(bar, scale);
        sum += m;
        auto& entry = plan.back();
        if (entry.second == 0 || (!bar->HasBarFlag(CBar::kSystemBreakBit) && sum < available)) {
            entry.second += 1;
            continue;
        }
        plan.emplace_back(b, 1);
        sum = m;
        if (current < lineCount - 1) {
            ++current;
            CLine* next = GetLine(current);
            next->UpdateBrackets();
            next->Justify();
            available = Available(next);
            scale = next->GetSpace() > 0 ? next->GetSpace() : 6;
        }
    }
    layout::BalanceLastTwo(plan, [&](int b) { return GetBar(b)->IsCovered(); });
    plan.emplace_back(barCount, 0);
    const int systems = int(plan.size()) - 1;

    const auto apply = [&]() {
        for (int i = 0; i < systems && i < lineCount; ++i) {
            CLine* l = GetLine(i);
            l->SetFirstBarIndex(plan[std::size_t(i)].first);
            l->SetBarCount(plan[std::size_t(i) + 1].first - plan[std::size_t(i)].first);
            l->SetFirstBar(this, plan[std::size_t(i)].first);
            layout::SetWantedBars(l, l->CountShownBars(false));
        }
    };
    if (systems == lineCount) {
        apply();
        Reindex();
        RecalcBars(false);
        for (int s = 0; s < lineCount; ++s) GetLine(s)->Justify();
        Repaginate();
        return true;
    }
    while (lineCount > systems) {
        AnimateWaitCursor();
        lines->RemoveAt(lineCount - 1);
        --lineCount;
    }
    while (lineCount < systems) {
        AnimateWaitCursor();
        if (!InsertLine(lineCount)) return false;
    }
    apply();
    ReflowFromPage(std::clamp<int>(document->location.pageIndex, 0, std::max(0, pageCount - 1)));
    RecalcBars(false);
    Repaginate();
    return true;
}

bool CScore::ReflowFromPage(int pageIndex) {
    if (pageCount <= 0 || lineCount <= 0 || barCount <= 0) return false;
    pageIndex = std::clamp(pageIndex, 0, pageCount - 1);
    CPage* page = GetPage(pageIndex);
    int s = std::clamp<int>(page->GetFirstSystem(), 0, lineCount - 1);
    CLine* line = GetLine(s);
    // A page whose systems lost all their bars: start from the system that holds the last bar.
    while (s > 0 && line->GetFirstBarIndex() >= barCount) line = GetLine(--s);
    if (line->GetPageIndex() < pageIndex) {
        pageIndex = std::clamp<int>(line->GetPageIndex(), 0, pageCount - 1);
        page = GetPage(pageIndex);
        page->SetSystemCount(std::max(1, s + 1 - page->GetFirstSystem()));
    }
    // The systems before this one keep their bars.
    const int firstReflowed = s;
    int p = pageIndex;
    int cur = std::clamp<int>(line->GetFirstBarIndex(), 0, barCount - 1);
    line->SetFirstBarIndex(cur);
    SetPageChanged(page, false);
    int placed = 0;
    while (cur < barCount) {
        AnimateWaitCursor();
        if (placed >= std::max(1, layout::WantedBars(line))) {
            line->SetBarCount(cur - line->GetFirstBarIndex());
            ++s;
            CBar* bar = GetBar(cur);
            if (s >= lineCount) {
                line = InsertLine(lineCount);
                if (!line) return false;
                const int request = layout::PendingRequest(bar);
                layout::SetWantedBars(line, request >= 1 ? request : layout::PageBarsPerSystem(page));
                SetPageChanged(page, true);
            } else {
                line = GetLine(s);
                if (s == lineCount - 1 && layout::WantedBars(line) < layout::PageBarsPerSystem(page))
                    layout::SetWantedBars(line, layout::PageBarsPerSystem(page));
            }
            layout::SetPendingRequest(bar, 0);
            line->SetFirstBarIndex(cur);
            line->SetIndex(s);
            placed = 0;
            if (s == page->GetFirstSystem() + page->GetSystemCount()) {
                if (p == pageCount - 1) {
                    const int h = page->TwentiethsToView(line->SumStaffSpacing());
                    CLine* prev = GetLine(s - 1);
                    if (page->GetContentBottom() + h < layout::PageBottomLimit(page)) {
                        page->SetSystemCount(page->GetSystemCount() + 1);
                        if (prev) line->SetTopOffset(prev->GetTopOffset() + prev->SumStaffSpacing());
                    } else {
                        page = InsertPage(pageCount);
                        if (!page) return false;
                        ++p;
                        SetPageChanged(page, true);
                        page->SetSystemCount(1);
                        page->SetFirstSystem(s);
                        line->SetTopOffset(document->GetPageTopSpace(p));
                    }
                    line->SetPage(this, p);
                    line->PlaceStaves();
                } else {
                    ++p;
                    page = GetPage(p);
                    page->SetFirstSystem(s);
                    line->SetPage(this, p);
                    for (int k = 1; k < page->GetSystemCount() && s + k < lineCount; ++k) {
                        CLine* after = GetLine(s + k);
                        after->SetPage(this, p);
                        after->PlaceStaves();
                    }
                }
                line->SetPageIndex(p);
                page->SetIndex(p);
            }
        }
        placed += 1;
        CBar* bar = GetBar(cur);
        cur += std::max<int>(1, bar->GetMultiRestSpan());
    }
    line->SetBarCount(barCount - line->GetFirstBarIndex());
    page->SetSystemCount(s + 1 - page->GetFirstSystem());
    if (page->GetSystemCount() == 1 && p != 0 && line->GetTopOffset() > 1440) line->SetTopOffset(1440);
    while (lineCount > s + 1) {
        lines->RemoveAt(lineCount - 1);
        --lineCount;
    }
    while (pageCount > p + 1) {
        pages->RemoveAt(pageCount - 1);
        --pageCount;
    }
    if (CLine* last = GetLine(lineCount - 1)) last->SetLastFlag(true);
    if (CPage* last = GetPage(pageCount - 1)) last->SetLastFlag(true);
    // After a bar insertion or deletion the systems before the reflowed ones hold the bars of
    // the tracks they held, already renumbered.
    const int renumberFrom = barEditReflow && !wholeScorePasses ? firstReflowed : 0;
    ReindexFrom(renumberFrom);
    // The systems are placed again; the recalculation that follows justifies each of them, and
    // a justification reads none of what an earlier one wrote, so they are not justified here.
    const int relaidOut = GetPage(std::min<int>(pageIndex, pageCount - 1))->GetFirstSystem();
    for (int k = relaidOut; k < lineCount; ++k)
        if (wholeScorePasses) GetLine(k)->Relayout();
        else GetLine(k)->PlaceOnPage();
    // The recalculation starts at the system before the first that took other bars: its last
    // bar's widths and its justification follow the first bar of the next system.
    reflowRecalcFrom = std::max(0, std::min(firstReflowed, relaidOut) - 1);
    RecalcBarsFromSystem(reflowRecalcFrom);
    if (wholeScorePasses) {
        document->LayoutAllPages(false);
    } else {
        // The pages before the one that holds the first recalculated system keep systems that
        // neither the reflow nor the recalculation touched: laying them out again changes nothing.
        const CLine* from = GetLine(reflowRecalcFrom);
        document->LayoutPagesFrom(from ? from->GetPageIndex() : 0);
    }
    if (!document->LayoutViewPanes()) return false;
    document->SetCurrentBar(document->location.barIndex, false);
    ReindexFrom(renumberFrom);
    if (!AutoWrapOn()) {
        FitPagesToHeight(false);
        return true;
    }
    return MoveOverflowSystems(std::min<int>(pageIndex, pageCount - 1));
}

bool CScore::UpdateBarLayout(int barIndex) {
    CBar* bar = GetBar(barIndex);
    if (!bar || !bar->Respace()) return false;
    CLine* line = bar->GetLine();
    if (!line) return true;
    line->Rejustify(true);
    if (AutoWrapOn() && line->IsOverFull()) {
        if (!RecalcLayout(line->GetIndex())) return false;
        document->SetCurrentBar(document->location.barIndex, false);
    }
    return true;
}

void CScore::FitPagesToHeight(bool alert) {
    document->LayoutAllPages(true);
    const int zoom = document && document->GetZoom() > 0 ? document->GetZoom() : 100;
    const int printable = document->pageSetup.GetMarginRect().bottom;
    int largest = -32767;
    for (int p = 0; p < pageCount; ++p) largest = std::max(largest, GetPage(p)->GetContentBottom());
    if (MulDiv(largest, 100, zoom) - printable <= 12) return;
    if (alert) {
        char text[512];
        AfxMessageBox(LoadResString(kStaffOverflowMessage, text), MB_OK);
    }
    for (int p = 0; p < pageCount; ++p) {
        CPage* page = GetPage(p);
        if (MulDiv(page->GetContentBottom(), 100, zoom) - printable > 12) {
            page->SpaceStaves(false);
            page->StretchToBottom();
        }
    }
}

bool CScore::MoveOverflowSystems(int pageIndex) {
    // Each shift moves one system on; the systems' count bounds the passes.
    int guard = lineCount * std::max<int>(1, pageCount) + 16;
    for (int p = std::max(0, pageIndex); p < pageCount && guard-- > 0;) {
        CPage* page = GetPage(p);
        if (layout::PageBottomLimit(page) < page->GetContentBottom() && page->GetSystemCount() > 1) {
            if (!ShiftSystemAcrossPages(p, false)) return false;
        } else {
            ++p;
        }
    }
    return true;
}

bool CScore::ShiftSystemAcrossPages(int pageIndex, bool pull) {
    CPage* page = GetPage(pageIndex);
    if (!page || page->GetSystemCount() <= 0) return false;
    const int lastOfPage = page->GetFirstSystem() + page->GetSystemCount() - 1;
    CLine* last = GetLine(lastOfPage);
    if (!last) return false;
    int first;
    if (!pull) {
        if (page->GetSystemCount() <= 1) return true;
        page->SetSystemCount(page->GetSystemCount() - 1);
        first = lastOfPage;
    } else {
        CLine* pulled = GetLine(lastOfPage + 1);
        if (!pulled) return true;
        pulled->SetTopOffset(last->GetTopOffset() + last->SumStaffSpacing());
        page->SetSystemCount(page->GetSystemCount() + 1);
        first = lastOfPage + 2;
    }
    int target = pageIndex;
    if (first < lineCount) {
        // Heights first, from the layout as it stands.
        std::vector<int> heights;
        for (int k = first; k < lineCount; ++k) {
            CLine* l = GetLine(k);
            CLine* next = GetLine(k + 1);
            int h;
            if (l->IsLastOnPage() || !next) {
                h = l->SumStaffSpacing() + (next ? std::max(0, next->GetTopOffset() - 1440) : 0);
            } else {
                h = next->GetTopOffset() - l->GetTopOffset();
            }
            heights.push_back(h);
        }
        target = pageIndex + 1;
        if (target >= pageCount && !InsertPage(pageCount)) return false;
        CPage* tp = GetPage(target);
        tp->SetFirstSystem(first);
        tp->SetSystemCount(0);
        int y = document->GetPageTopSpace(target);
        int limit = tp->ViewToTwentieths(layout::PageBottomLimit(tp) - tp->GetPrintableRect().top) - 360;
        for (int k = first; k < lineCount; ++k) {
            const int h = heights[std::size_t(k - first)];
            if (y + h >= limit && tp->GetSystemCount() > 0) {
                ++target;
                if (target >= pageCount && !InsertPage(pageCount)) return false;
                tp = GetPage(target);
                tp->SetFirstSystem(k);
                tp->SetSystemCount(0);
                y = 1440;
                limit = tp->ViewToTwentieths(layout::PageBottomLimit(tp) - tp->GetPrintableRect().top) - 360;
            }
            tp->SetSystemCount(tp->GetSystemCount() + 1);
            CLine* l = GetLine(k);
            l->SetTopOffset(y);
            l->SetPage(this, target);
            l->SetPageIndex(target);
            y += h;
        }
    }
    while (pageCount > target + 1) {
        pages->RemoveAt(pageCount - 1);
        --pageCount;
    }
    Reindex();
    document->LayoutAllPages(false);
    RecalcBars(false);
    if (pull)
        if (CLine* l = GetLine(lastOfPage + 1)) l->SpreadStaves();
    for (int p = pageIndex + 1; p < pageCount; ++p) {
        CPage* pg = GetPage(p);
        if (CLine* l = pg->GetLine(0)) l->SpreadStaves();
        if (pg->GetSystemCount() > 1)
            if (CLine* l = pg->GetLine(pull ? pg->GetSystemCount() - 1 : 1)) l->SpreadStaves();
    }
    return document->LayoutViewPanes();
}
