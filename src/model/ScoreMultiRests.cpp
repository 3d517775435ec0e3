// Multi-bar rests: runs of empty bars gathered into one rest each, the bars under it covered.
#include <algorithm>
#include <cstring>
#include <vector>

#include "model/Bar.h"
#include "model/BarItem.h"
#include "model/ItemArray.h"
#include "model/ItemFactory.h"
#include "model/Meter.h"
#include "model/Score.h"
#include "model/System.h"
#include "model/TrkBar.h"
#include "model/TrkBarWalk.h"

namespace {

constexpr int kMultiRestType = 39;
constexpr int kMultiRestSize = 22;
constexpr int kMultiRestFlags = 16;
constexpr int kMultiRestInset = 18;
constexpr std::uint8_t kStrokeStyleBits = 0x18;

bool IsTextItem(CBarItem* item) { return item->IsText() || item->IsTextKindOne() || item->IsTextKindTwo(); }

// What a bar holds that keeps it out of a run: content ends the run at the bar; notes also keep
// the bar from opening the next run.
struct BarContent {
    bool content = false;
    bool notes = false;
};

BarContent Examine(CScore& score, CBar* bar, bool runsFirstBar) {
    BarContent c;
    CItemArray* own = bar->GetItemArray();
    const int n = own ? own->GetCount() : 0;
    auto* p = n ? static_cast<CBarItem*>(own->GetData()) : nullptr;
    for (int i = 0; i < n; ++i, p = p->NextItem()) {
        if (p->IsRemoved()) continue;
        if (IsTextItem(p)) c.content = true;
        // The bar's tempo marks count as the tracks' do: only the run's first bar may hold one.
        if (p->IsTempo() && !runsFirstBar) c.content = true;
        if (p->IsJumperOrEnding() && rec::Get<std::uint8_t>(p, CBar::kJumperKind) != CBar::kRepeatCountKind)
            c.content = true;
    }
    const int b = bar->GetIndex();
    for (int t = 0; t < score.GetTrackCount(); ++t) {
        trkbar::ForEachLiveItem(score.GetTrkBar(t, b), [&](CBarItem* r) {
            if (r->FlagsB() & CBarItem::kHiddenBit) return;
            if (IsTextItem(r)) {
                c.content = true;
            } else if (r->IsTempo() || r->IsKeySig()) {
                if (!runsFirstBar) c.content = true;
            } else if (!r->IsRest() && !r->IsData()) {
                c.content = true;
                c.notes = true;
            }
        });
    }
    return c;
}

// The multi-bar rests of a bar's tracks are marked removed (the bar's rest is rebuilt).
void DropRestItems(CScore& score, int b) {
    for (int t = 0; t < score.GetTrackCount(); ++t)
        trkbar::ForEachLiveItem(score.GetTrkBar(t, b), [](CBarItem* r) {
            if (r->IsMultiRest()) r->SetFlagsB(std::uint8_t(r->FlagsB() | CBarItem::kRemovedBit));
        });
}

}  // namespace

bool CScore::MakeMultiRest(int first, int end, int minRun, int maxRun, const CBarItem* rest) {
    (void)maxRun;
    end = std::min<int>(end, barCount);
    if (first < 0 || end - first < minRun || end - first < 2) return true;
    CBar* bar = GetBar(first);
    if (!bar || !rest) return false;
    // Every track's copy first: a copy that cannot be inserted takes the others back.
    std::vector<CBarItem*> copies;
    for (int t = 0; t < trackCount; ++t) {
        CTrkBar* trkBar = GetTrkBar(t, first);
        CBarItem* copy = trkBar ? trkBar->InsertCopy(rest) : nullptr;
        if (!copy) {
            for (CBarItem* c : copies) c->SetFlagsB(std::uint8_t(c->FlagsB() | CBarItem::kRemovedBit));
            bar->SetMultiRestSpan(0);
            return false;
        }
        copies.push_back(copy);
    }
    bar->SetMultiRestSpan(end - first);
    bar->SetBarFlag(CBar::kCoveredBit, false);
    for (int b = first + 1; b < end; ++b)
        if (CBar* covered = GetBar(b)) covered->SetBarFlag(CBar::kCoveredBit, true);
    return true;
}

bool CScore::BuildMultiRests(int first, int count, int minRun, int maxRun, const CBarItem* rest) {
    if (barCount <= 0 || first < 0 || first >= barCount || count < 1) return true;
    minRun = std::max(minRun, 2);
    maxRun = std::max(maxRun, minRun);
    alignas(8) std::uint8_t defaultRest[kMultiRestSize] = {};
    if (!rest) {
        rec::Put<std::int16_t>(defaultRest, rec::kSize, std::int16_t(kMultiRestSize));
        auto* made = static_cast<CBarItem*>(ConstructClass(kMultiRestType, defaultRest));
        if (!made) return false;
        rec::Put<std::uint8_t>(made, kMultiRestFlags, std::uint8_t(rec::Get<std::uint8_t>(made, kMultiRestFlags) & ~kStrokeStyleBits));
        rec::Put<std::int16_t>(made, kMultiRestInset, 240);
        rest = made;
    }
    bool ok = true;
    // The range (up to, not including, `end`) and the bar just past it, which ends any run; an
    // old rest in the range that reaches further carries the range to its end.
    int end = std::min<int>(first + count, barCount);
    bool inRange = true;
    int runStart = first;
    const auto make = [&](int from, int to) {
        if (to - from > 1 && !MakeMultiRest(from, to, minRun, maxRun, rest)) ok = false;
    };
    int b = first;
    for (; b < barCount && b <= end; ++b) {
        CBar* bar = GetBar(b);
        if (!bar) break;
        bar->MakeCurrent();
        bar->SetBarFlag(CBar::kCoveredBit, false);
        const int span = bar->GetMultiRestSpan();
        if (span > 0 && b < end) {
            if (span < minRun) {
                // A rest shorter than the runs asked for goes, and the walk leaves the range
                // until a rest that is rebuilt.
                inRange = false;
            } else {
                if (!inRange) runStart = b;
                inRange = true;
                end = std::max(end, std::min<int>(barCount, b + span));
            }
            DropRestItems(*this, b);
            bar->SetMultiRestSpan(0);
        }
        if (!inRange) {
            runStart = b;
            continue;
        }
        const BarContent c = Examine(*this, bar, b == runStart);
        CBar* previous = b > 0 ? GetBar(b - 1) : nullptr;
        const bool ends = (previous && !bar->GetMeter()->Matches(*previous->GetMeter())) ||
                          bar->GetOpeningKind() != 0 || (previous && previous->GetClosingKind() != 0) ||
                          c.content || b == end || b - runStart >= maxRun;
        if (ends) {
            make(runStart, b);
            runStart = c.notes ? b + 1 : b;
        }
    }
    // The walk ran off the score's last bar inside the range: the run open there ends with it.
    if (inRange && b >= barCount && end >= barCount) make(runStart, barCount);
    Reindex();
    if (CBar* bar = GetBar(first))
        if (CLine* line = bar->GetLine()) ReflowFromPage(std::max(0, int(line->GetPageIndex())));
    return ok;
}
