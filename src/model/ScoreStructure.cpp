// Bars, systems and pages in and out of the score.
#include "model/ScoreStructure.h"

#include <algorithm>

#include "framework/Arith.h"
#include "framework/Globals.h"
#include <cstring>
#include <vector>

#include "model/Bar.h"
#include "model/EngraverSettings.h"
#include "model/ModelGlobals.h"
#include "model/Page.h"
#include "model/Score.h"
#include "model/ScoreArrays.h"
#include "model/ScoreStructureStandIns.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "platform/PortLayer.h"

namespace layout {

int PageBarsPerSystem(const CPage* page) { return rec::Get<std::int16_t>(page, CPage::kLayoutWord1); }
void SetPageBarsPerSystem(CPage* page, int bars, int companion) {
    rec::Put(page, CPage::kLayoutWord1, std::int16_t(bars));
    rec::Put(page, CPage::kLayoutWord2, std::int16_t(companion));
}
int PageBottomLimit(const CPage* page) { return page->GetPrintableRect().bottom; }
int WantedBars(const CLine* line) { return rec::Get<std::int16_t>(line, CLine::kLayoutWord); }
void SetWantedBars(CLine* line, int n) { rec::Put(line, CLine::kLayoutWord, std::int16_t(n)); }
int PendingRequest(const CBar* bar) { return rec::Get<std::int16_t>(bar, CBar::kWordC); }
void SetPendingRequest(CBar* bar, int n) { rec::Put(bar, CBar::kWordC, std::int16_t(n)); }

int MeasureForFit(CBar* bar, int scale) {
    if (bar->IsCovered()) return 0;
    int m = bar->GetLeadingWidth() + bar->GetTrailingWidth() + MulDiv(bar->GetNaturalSpace(), scale, 120);
    if (!bar->IsLast())
        if (auto* next = static_cast<CBar*>(bar->NextOrNull())) m += MulDiv(next->GetLeadInSpace(), scale, 120);
    return m;
}

}  // namespace layout

namespace {

// The time signature and the byte after it travel together.
constexpr int kMeterGroup = 28;

int BeatCount(const CBar* bar) {
    const int beat = bar->GetBeatLength();
    const int n = beat > 0 ? bar->GetMeterLength() / beat : 4;
    return std::clamp(n, 1, 64);
}

}  // namespace

// The layout fields of the systems and pages that a bar insertion changes, kept so that an
// insertion that runs out of memory can put them back without allocating: those of the pages
// from the one before the insertion's own page, and of their systems (the passes of an
// insertion leave the pages before as they are), or of every page with whole passes.
struct layout::LayoutSnapshot {
    struct Line {
        std::int16_t page, first, count, wanted, top;
    };
    struct Page {
        std::int16_t first, count;
    };
    int bars = 0, lines = 0, pages = 0;
    int firstLine = 0, firstPage = 0;
    int currentBar = 0;  // the insertion point's bar index (never a pointer into the bar array)
    std::vector<Line> lineFields;
    std::vector<Page> pageFields;
};

namespace {

using layout::LayoutSnapshot;

LayoutSnapshot TakeLayout(CScore& score, int index) {
    LayoutSnapshot snap;
    snap.bars = score.barCount;
    snap.lines = score.lineCount;
    snap.pages = score.pageCount;
    snap.currentBar = score.GetDocument() ? score.GetDocument()->location.barIndex : 0;
    if (!score.wholeScorePasses && score.lineCount > 0 && score.barCount > 0) {
        CBar* anchor = score.GetBar(std::clamp<int>(index, 0, score.barCount - 1));
        CLine* line = anchor ? anchor->GetLine() : nullptr;
        const int page = line ? std::clamp<int>(line->GetPageIndex(), 0, std::max(0, score.pageCount - 1)) : 0;
        snap.firstPage = std::max(0, page - 1);
        CPage* first = score.GetPage(snap.firstPage);
        snap.firstLine = first ? std::clamp<int>(first->GetFirstSystem(), 0, score.lineCount) : 0;
        if (!first || snap.firstPage == 0) snap.firstPage = snap.firstLine = 0;
    }
    for (int k = snap.firstLine; k < score.lineCount; ++k) {
        CLine* l = score.GetLine(k);
        snap.lineFields.push_back({l->GetPageIndex(), l->GetFirstBarIndex(), l->GetBarCount(),
                                   std::int16_t(layout::WantedBars(l)), l->GetTopOffset()});
    }
    for (int k = snap.firstPage; k < score.pageCount; ++k) {
        CPage* pg = score.GetPage(k);
        snap.pageFields.push_back({pg->GetFirstSystem(), pg->GetSystemCount()});
    }
    return snap;
}

}  // namespace

// Takes back a bar inserted at `index` and the systems and pages added after it, and puts the
// layout fields back as they were; nothing here allocates.
static void UndoBarInsertion(CScore& score, int index, const LayoutSnapshot& snap) {
    if (score.barCount > snap.bars) {
        for (int t = 0; t < score.trackCount; ++t) score.RemoveTrkBar(t, index);
        score.GetBarArray()->RemoveAt(index);
        --score.barCount;
    }
    while (score.lineCount > snap.lines) {
        score.GetLineArray()->RemoveAt(score.lineCount - 1);
        --score.lineCount;
    }
    while (score.pageCount > snap.pages) {
        score.GetPageArray()->RemoveAt(score.pageCount - 1);
        --score.pageCount;
    }
    for (int k = snap.firstLine; k < score.lineCount && k - snap.firstLine < int(snap.lineFields.size()); ++k) {
        CLine* l = score.GetLine(k);
        const auto& f = snap.lineFields[std::size_t(k - snap.firstLine)];
        l->SetPageIndex(f.page);
        l->SetFirstBarIndex(f.first);
        l->SetBarCount(f.count);
        layout::SetWantedBars(l, f.wanted);
        l->SetTopOffset(f.top);
        l->SetPage(&score, f.page);
    }
    for (int k = snap.firstPage; k < score.pageCount && k - snap.firstPage < int(snap.pageFields.size()); ++k) {
        CPage* pg = score.GetPage(k);
        pg->SetFirstSystem(snap.pageFields[std::size_t(k - snap.firstPage)].first);
        pg->SetSystemCount(snap.pageFields[std::size_t(k - snap.firstPage)].count);
    }
    score.Reindex();
    for (int k = 0; k < score.lineCount; ++k) score.GetLine(k)->Relayout();
    score.RecalcBars(false);
    if (CZelDoc* doc = score.GetDocument()) doc->SetCurrentBar(snap.currentBar, false);
}

// --- bars ----------------------------------------------------------------------------------------

CBar* CScore::InsertBarRecords(int index) {
    if (index < 0 || index > barCount) return nullptr;
    auto* bar = static_cast<CBar*>(bars->InsertEmpty(index));
    if (!bar) return nullptr;
    for (int t = 0; t < trackCount; ++t) {
        if (!InsertTrkBar(t, index)) {
            // Nothing half-made stays behind: the track bars made so far and the bar go.
            for (int u = 0; u < t; ++u) RemoveTrkBar(u, index);
            bars->RemoveAt(index);
            return nullptr;
        }
    }
    bar = GetBar(index);
    bar->SetBarFlag(CBar::kShortBarBit, false);
    CBar* neighbour = index > 0 ? GetBar(index - 1) : (!bar->IsLast() ? GetBar(index + 1) : nullptr);
    if (neighbour) {
        std::memcpy(bar->Bytes() + CBar::kMeter, neighbour->Bytes() + CBar::kMeter, kMeterGroup);
        std::memcpy(bar->Bytes() + CBar::kTempo, neighbour->Bytes() + CBar::kTempo, 4);
        bar->ResetBeatChart(BeatCount(neighbour), true);
        CBar* hide = index > 0 ? bar : neighbour;
        Meter* m = hide->GetMeter();
        m->SetDisplayFlags(std::uint8_t(m->GetDisplayFlags() & ~0x03));
    }
    ++barCount;
    return bar;
}

CBar* CScore::InsertBar(int index) {
    if (index < 0 || index > barCount) return nullptr;
    // An insertion that runs out of memory is taken back whole; the layout it started from is
    // kept here (outside the score's own blocks).
    return InsertBarKeeping(index, TakeLayout(*this, index));
}

CBar* CScore::InsertBarKeeping(int index, const layout::LayoutSnapshot& snap) {
    int systemIndex = 0, pageIndex = 0;
    if (lineCount == 0) {
        if (!AddSystem(pageCount - 1, true)) return nullptr;
    } else {
        CBar* anchor = GetBar(std::min<int>(index, barCount - 1));
        CLine* line = anchor ? anchor->GetLine() : nullptr;
        if (!line) line = GetLine(lineCount - 1);
        systemIndex = line->GetIndex();
        pageIndex = std::max<int>(0, line->GetPageIndex());
        if (line->IsLast()) {
            CPage* page = GetPage(pageIndex);
            const int limit = page ? layout::PageBarsPerSystem(page) : 0;
            const int wanted = layout::WantedBars(line);
            if (wanted < limit) layout::SetWantedBars(line, wanted + 1);
        }
    }
    if (!InsertBarRecords(index)) {
        UndoBarInsertion(*this, index, snap);
        return nullptr;
    }
    bool reflowed;
    {
        const fw::ScopedGlobal<bool> barEdit(barEditReflow, true);
        reflowed = ReflowFromPage(pageIndex);
    }
    if (!reflowed) {
        UndoBarInsertion(*this, index, snap);
        return nullptr;
    }
    RecalcBarsFromSystem(reflowRecalcFrom);
    if (CBar* bar = GetBar(index)) bar->Respace();
    if (CLine* line = GetLine(systemIndex)) {
        line->Rejustify(false);
        line->Relayout();
    }
    document->SetCurrentBar(index, false);
    return GetBar(index);
}

CBar* CScore::AppendBar(bool redraw) {
    const int index = barCount;
    const LayoutSnapshot snap = TakeLayout(*this, index);
    CBar* bar = InsertBarKeeping(index, snap);
    if (!bar) return nullptr;
    if (!document->LayoutViewPanes()) {
        // The panes could not follow: the bar is taken back so that the failure leaves the
        // score as it was.
        UndoBarInsertion(*this, index, snap);
        return nullptr;
    }
    document->SetCurrentBar(document->location.barIndex, false);
    return GetBar(index);
}

void CScore::DeleteBar(int index) {
    if (barCount <= 1 || index < 0 || index >= barCount) return;
    CBar* bar = GetBar(index);
    CLine* line = bar ? bar->GetLine() : nullptr;
    const int pageIndex = line ? std::max<int>(0, line->GetPageIndex()) : 0;
    for (int t = 0; t < trackCount; ++t) RemoveTrkBar(t, index);
    --barCount;
    bars->RemoveAt(index);
    // The systems after the bar's own start one bar earlier, and a system left without bars
    // goes, so that the reflow starts from a consistent layout.
    for (int s = 0; s < lineCount; ++s) {
        CLine* l = GetLine(s);
        if (l->GetFirstBarIndex() > index) l->SetFirstBarIndex(l->GetFirstBarIndex() - 1);
        else if (l->GetFirstBarIndex() + l->GetBarCount() > index) l->SetBarCount(l->GetBarCount() - 1);
    }
    bool reflowed;
    {
        const fw::ScopedGlobal<bool> barEdit(barEditReflow, true);
        reflowed = ReflowFromPage(std::min<int>(pageIndex, pageCount - 1));
    }
    if (reflowed) RecalcBarsFromSystem(reflowRecalcFrom);
    else RecalcBars(false);
}

// --- systems ----------------------------------------------------------------------------------

CLine* CScore::AddSystem(int pageIndex, bool fitCheck) {
    if (pageIndex < 0) pageIndex = 0;
    if (pageIndex == pageCount - 1 && fitCheck && lineCount > 0) {
        CPage* page = GetPage(pageIndex);
        if (page && page->GetSystemCount() > 0) {
            CLine* last = GetLine(lineCount - 1);
            const int h = page->TwentiethsToView(last->SumStaffSpacing() + 720);
            if (page->GetContentBottom() + h > layout::PageBottomLimit(page)) pageIndex += 1;
        }
    }
    while (pageIndex >= pageCount)
        if (!InsertPage(pageCount)) return nullptr;
    CPage* page = GetPage(pageIndex);
    if (pageIndex > 0) {
        CPage* prev = GetPage(pageIndex - 1);
        page->SetFirstSystem(prev->GetFirstSystem() + prev->GetSystemCount());
    }
    const int index = std::min<int>(page->GetFirstSystem() + page->GetSystemCount(), lineCount);
    auto* line = static_cast<CLine*>(lines->InsertEmpty(index));
    if (!line) return nullptr;
    line->Init(page);
    if (!line->GetStaffArray()) {
        lines->RemoveAt(index);
        return nullptr;
    }
    if (lineCount == 0) {
        for (int t = 0; t < trackCount; ++t) {
            if (!line->InsertStaff(t)) return nullptr;
            CStaff* staff = line->GetStaff(t);
            if (CTrack* track = GetTrack(t)) rec::Put<std::uint8_t>(staff, CStaff::kClef, rec::Get<std::uint8_t>(track, 92));
        }
    }
    line = GetLine(index);
    if (index == 0) {
        if (lineCount > 0) GetLine(1)->CopyTo(line);
        line->SetTopOffset(document->GetPageTopSpace(0));
    } else {
        CLine* prev = GetLine(index - 1);
        prev->CopyTo(line);
        if (index - 1 == 0) line->SetLeftIndent(0);
        if (page->GetSystemCount() == 0)
            line->SetTopOffset(document->GetPageTopSpace(pageIndex));
        else
            line->SetTopOffset(page->TopFromPage(prev->GetBottom()) + document->GetSystemSpacing());
        line->SetFirstBarIndex(prev->GetFirstBarIndex() + prev->GetBarCount());
    }
    line->SetPage(this, pageIndex);
    line->SetPageIndex(pageIndex);
    line->PlaceStaves();
    ++lineCount;
    page->SetSystemCount(page->GetSystemCount() + 1);
    line->SetBarCount(0);
    return line;
}

CLine* CScore::InsertLine(int index) {
    if (index < 0 || index > lineCount) return nullptr;
    auto* line = static_cast<CLine*>(lines->InsertEmpty(index));
    if (!line) return nullptr;
    line->Init(nullptr);
    if (!line->GetStaffArray()) {
        // No room for the system's staff array: the system does not go in.
        lines->RemoveAt(index);
        return nullptr;
    }
    const bool fromNext = index == 0 && barCount > 0 && lines->GetCount() > 1;
    CLine* source = fromNext ? GetLine(1) : GetLine(index - 1);
    line = GetLine(index);
    if (source) {
        if (!source->CopyTo(line)) {
            lines->RemoveAt(index);
            return nullptr;
        }
        if (index == 0 || source->GetIndex() == 0) line->SetLeftIndent(0);
    }
    ++lineCount;
    return line;
}

void CScore::DeleteSystem(int index) {
    if (lineCount <= 1 || index < 0 || index >= lineCount) return;
    CLine* line = GetLine(index);
    const int first = line->GetFirstBarIndex();
    const int n = std::clamp<int>(line->GetBarCount(), 0, std::max(0, barCount - first));
    for (int k = 0; k < n; ++k) {
        for (int t = 0; t < trackCount; ++t) RemoveTrkBar(t, first);
        bars->RemoveAt(first);
        --barCount;
    }
    --lineCount;
    lines->RemoveAt(index);
    for (int s = index; s < lineCount; ++s) {
        CLine* l = GetLine(s);
        l->SetFirstBarIndex(l->GetFirstBarIndex() - n);
    }
    // The page that held the system holds one fewer, as adding one counts it (the file stores
    // these counts); the pages after it start one system earlier.
    bool found = false;
    for (int p = 0; p < pageCount; ++p) {
        CPage* page = GetPage(p);
        if (!page) break;
        const int firstOnPage = page->GetFirstSystem(), count = page->GetSystemCount();
        if (found) {
            page->SetFirstSystem(std::max(0, firstOnPage - 1));
        } else if (index >= firstOnPage && index < firstOnPage + count) {
            page->SetSystemCount(count - 1);
            found = true;
        }
    }
}

// --- pages ------------------------------------------------------------------------------------

CPage* CScore::NewPageRecord(int index) {
    auto* page = static_cast<CPage*>(pages->InsertEmpty(index));
    if (!page) return nullptr;
    page->Init(this);
    return page;
}

CPage* CScore::InsertPage(int index) {
    if (index < 0 || index > pageCount) return nullptr;
    CPage* page = NewPageRecord(index);
    if (!page) return nullptr;
    ++pageCount;
    if (index == 0) {
        page->SetFirstSystem(0);
    } else {
        CPage* prev = GetPage(index - 1);
        page->SetFirstSystem(prev->GetFirstSystem() + prev->GetSystemCount());
    }
    return page;
}

void CScore::DeletePage(int index) {
    if (pageCount <= 1 || index < 0 || index >= pageCount) return;
    CPage* page = GetPage(index);
    const int n = page->GetSystemCount();
    for (int k = 0; k < n; ++k) DeleteSystem(GetPage(index)->GetFirstSystem());
    pages->RemoveAt(index);
    --pageCount;
    Reindex();
}

bool CScore::InsertPageLike(int index, bool after) {
    if (pageCount == 0) return false;
    const bool atIndex = !(after || index >= pageCount);
    CPage* templ = atIndex ? GetPage(index) : GetPage(std::min<int>(index, pageCount) - 1);
    if (!templ) return false;
    int source = templ->GetFirstSystem() + (atIndex ? 1 : 0);
    const int make = templ->GetSystemCount();
    if (!InsertPage(index)) return false;
    for (int k = 0; k < make; ++k) {
        CLine* line = AddSystem(index, false);
        if (!line) return false;
        AnimateWaitCursor();
        CLine* src = GetLine(source);
        if (!src) break;
        line->SetTopOffset(src->GetTopOffset());
        const int bars = src->GetBarCount();
        const int first = line->GetFirstBarIndex();
        const int lineIndex = line->GetIndex();
        for (int b = 0; b < bars; ++b) {
            if (!InsertBarRecords(first + b)) return false;
            CLine* l = GetLine(lineIndex);
            l->SetBarCount(l->GetBarCount() + 1);
        }
        Reindex();
        if (CLine* l = GetLine(lineIndex)) {
            l->Justify();
            l->UpdateBrackets();
        }
        source += atIndex ? 2 : 1;
    }
    const int topPage = index == 0 ? 1 : index;
    if (CPage* p = GetPage(topPage))
        if (CLine* first = GetLine(p->GetFirstSystem())) first->SetTopOffset(document->GetPageTopSpace(topPage));
    if (after && index == 1)
        if (CPage* p = GetPage(index)) {
            p->SpaceStaves(false);
            p->StretchToBottom();
        }
    Reindex();
    return true;
}

void CScore::RecalcStartTimes() {
    std::int32_t t = 0;
    for (int b = 0; b < barCount; ++b) {
        CBar* bar = GetBar(b);
        if (!bar) break;
        bar->SetStartTicks(t);
        t += bar->GetLength();
    }
}

bool CScore::UpdateAllShownStaves() {
    for (int p = 0; p < pageCount; ++p)
        if (CPage* page = GetPage(p)) page->UpdateShownStaves();
    return true;
}

void CScore::ApplyEngraverSpacing() {
    const EngraverSettings& e = CurrentEngraverSettings();
    for (int p = 0; p < pageCount; ++p) {
        AnimateWaitCursor();
        CPage* page = GetPage(p);
        if (!page) break;
        page->SetGaps(e.GetWord(EngraverSettings::kGroupSpacing), e.GetWord(EngraverSettings::kStaffGroupSpacing),
                      e.GetWord(EngraverSettings::kStaffSpacing));
        page->SpaceStaves(false);
    }
    Repaginate();
}
