// Score-wide structure and layout helpers shared by the bar and system edits, the reflow and
// the pagination passes: the page fields the passes read, and how a bar is measured when bars
// are fitted into systems.
#pragma once
#include <cstdint>
#include <utility>
#include <vector>

class CBar;
class CLine;
class CPage;

namespace layout {

// Page flag bit 1: the page was created or refilled by a pass (its pane redraws it).
constexpr std::uint8_t kPageChangedBit = 0x02;

// A page's bars-per-system value and its companion (systems per page).
int PageBarsPerSystem(const CPage* page);
void SetPageBarsPerSystem(CPage* page, int bars, int companion);
// The bottom limit of a page's content: the printable bottom, page units.
int PageBottomLimit(const CPage* page);
// A system's wanted bar count (the bars it is to hold when systems are rebuilt from counts).
int WantedBars(const CLine* line);
void SetWantedBars(CLine* line, int n);
// A bar's pending bars-per-system request (0 none), consumed when it starts a system.
int PendingRequest(const CBar* bar);
void SetPendingRequest(CBar* bar, int n);

// A bar's measure when bars are fitted into a system of the given scale (120: natural):
// 0 for a covered bar; else its leading and trailing widths plus its natural space scaled,
// plus the scaled lead-in of the next bar when it is not the score's last bar.
int MeasureForFit(CBar* bar, int scale);

// One entry per system: first bar and bar count.
using LayoutPlan = std::vector<std::pair<int, int>>;
// Moves the boundary between the last two entries of the plan back so that a last system with
// three or more bars fewer than the one before takes bars from it; covered bars (covered(b)
// true) are skipped and never counted. The end mark is not part of the plan here.
template <class Covered>
void BalanceLastTwo(LayoutPlan& plan, Covered covered) {
    if (plan.size() < 2) return;
    auto& prev = plan[plan.size() - 2];
    auto& last = plan.back();
    const int r2 = prev.second;
    const int r1 = last.second;
    const int end = last.first + last.second;
    int boundary = last.first;
    for (int m = 1; r2 - m > r1 + 2; ++m) {
        int b = boundary - 1;
        while (b > prev.first && covered(b)) --b;
        if (b <= prev.first) break;
        boundary = b;
    }
    prev.second = boundary - prev.first;
    last.first = boundary;
    last.second = end - boundary;
}

}  // namespace layout
