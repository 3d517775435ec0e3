// The jump marks' links: the bars that signs, codas, repeat counts and endings lead to, and the
// counts of endings that follow one another.
#include <vector>

#include "model/Bar.h"
#include "model/BarItem.h"
#include "model/ItemArray.h"
#include "model/Score.h"

namespace {

// Jump kinds (the kind byte of a jump mark).
enum : int {
    kSign = 0,
    kCoda = 1,
    kToCoda = 2,
    kSignAlCoda = 3,
    kSignAlFine = 4,
    kStartAlCoda = 5,
    kStartAlFine = 6,
    kFine = 7,
    kRepeatCount = 8,
    kEndingBefore = 9,
    kEndingAfter = 10,
};
// Signs and open coda jumps remembered at most.
constexpr std::size_t kMaxRemembered = 16;

bool IsJumpMark(const CBarItem* item) {
    const int t = item->TypeCode();
    return t >= CBar::kJumperType && t <= CBar::kEndingType && !item->IsRemoved();
}
int Kind(const CBarItem* item) { return rec::Get<std::uint8_t>(item, CBar::kJumperKind); }
bool IsEndingKind(int kind) { return kind == kEndingBefore || kind == kEndingAfter; }
std::int16_t Target(const CBarItem* item) { return rec::Get<std::int16_t>(item, CBar::kJumperTarget); }
void SetTarget(CBarItem* item, int target) { rec::Put(item, CBar::kJumperTarget, std::int16_t(target)); }
std::uint8_t ChainCount(const CBarItem* item) { return rec::Get<std::uint8_t>(item, CBar::kJumperChainCount); }
void SetChainCount(CBarItem* item, int n) { rec::Put(item, CBar::kJumperChainCount, std::uint8_t(n)); }

// Calls f(item) for every live jump mark of the bar's own items, in their order.
template <typename F>
void ForEachJumpMark(CBar* bar, F&& f) {
    CItemArray* a = bar->GetItemArray();
    const int n = a ? a->GetCount() : 0;
    auto* p = n ? static_cast<CBarItem*>(a->GetData()) : nullptr;
    for (int i = 0; i < n; ++i, p = p->NextItem())
        if (IsJumpMark(p)) f(p);
}

// The first live ending of the bar's own items, or null.
CBarItem* FirstEnding(CBar* bar) {
    CBarItem* found = nullptr;
    ForEachJumpMark(bar, [&](CBarItem* item) {
        if (!found && IsEndingKind(Kind(item))) found = item;
    });
    return found;
}

}  // namespace

void CScore::LinkJumpers() {
    const int count = barCount;
    if (count <= 0) return;
    std::vector<int> signs;
    std::vector<CBarItem*> openCodaJumps;
    // Grows past any number of repeat starts.
    std::vector<int> repeatStarts;
    for (int b = 0; b < count; ++b) {
        CBar* bar = GetBar(b);
        if (!bar) break;
        if (bar->IsRepeatStart()) repeatStarts.push_back(b);
        ForEachJumpMark(bar, [&](CBarItem* mark) {
            switch (Kind(mark)) {
                case kSign:
                    SetTarget(mark, -1);
                    if (signs.size() < kMaxRemembered) signs.push_back(b);
                    break;
                case kCoda:
                    SetTarget(mark, -1);
                    if (!openCodaJumps.empty()) {
                        SetTarget(openCodaJumps.back(), b);
                        openCodaJumps.pop_back();
                    }
                    break;
                case kToCoda:
                    SetTarget(mark, -1);
                    if (openCodaJumps.size() < kMaxRemembered) openCodaJumps.push_back(mark);
                    break;
                case kSignAlCoda:
                case kSignAlFine:
                    if (signs.empty()) {
                        SetTarget(mark, -1);
                    } else {
                        SetTarget(mark, signs.back());
                        signs.pop_back();
                    }
                    break;
                case kStartAlCoda:
                case kStartAlFine:
                    SetTarget(mark, 0);
                    break;
                case kRepeatCount: {
                    SetChainCount(mark, 0);
                    int target = 0;
                    while (!repeatStarts.empty()) {
                        target = repeatStarts.back();
                        repeatStarts.pop_back();
                        CBar* start = GetBar(target);
                        if (start && start->IsRepeatStart()) break;
                    }
                    SetTarget(mark, target);
                    break;
                }
                case kEndingBefore:
                case kEndingAfter:
                    if (b + Target(mark) >= count) SetTarget(mark, count - b);
                    break;
                default:
                    break;
            }
        });
    }

    // The chains of endings: each first ending counts the endings that follow it.
    for (int b = 0; b < count;) {
        CBar* bar = GetBar(b);
        CBarItem* first = bar ? FirstEnding(bar) : nullptr;
        if (!first) {
            ++b;
            continue;
        }
        SetChainCount(first, 0);
        int at = b;
        CBarItem* ending = first;
        bool reached = false;
        for (;;) {
            const int offset = Target(ending);
            // An offset that does not move on (a damaged record) ends the chain where it is.
            if (offset <= 0) break;
            at += offset;
            if (at >= count) return;
            CBarItem* next = FirstEnding(GetBar(at));
            if (!next) {
                reached = true;
                break;
            }
            SetChainCount(first, ChainCount(first) + 1);
            ending = next;
        }
        // The bar after the chain closing a repeat plays it once more.
        if (reached && at != 0 && GetBar(at)->HasRepeatEnd()) SetChainCount(first, ChainCount(first) + 1);
        const int offset = Target(first);
        if (offset <= 0) {
            ++b;
            continue;
        }
        b += offset;
    }
}

void CScore::ResetJumpState() {
    for (int b = 0; b < barCount; ++b) {
        CBar* bar = GetBar(b);
        if (!bar) break;
        ForEachJumpMark(bar, [](CBarItem* mark) { rec::Put<std::uint8_t>(mark, CBar::kJumperPass, 0); });
    }
}
