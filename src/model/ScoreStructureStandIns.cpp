#include "model/ScoreStructureStandIns.h"

#include "model/Score.h"

#include <algorithm>

#include "model/PageSetup.h"
#include "model/SystemStaff.h"

LayoutPreferences& LayoutPrefs() {
    static LayoutPreferences prefs;
    return prefs;
}

int DocTopOfFirstSystem(CZelDoc* doc, int page) { return page == 0 ? 2160 : 1440; }

int DocBarsPerSystem(CZelDoc* doc) { return LayoutPrefs().barsPerSystem; }

bool DocLayOutPages(CZelDoc* doc, bool panes) {
    ++LayoutPrefs().pageLayouts;
    return true;
}

bool DocLayOutPagePanes(CZelDoc* doc) { return true; }

void DocSetCurrentBar(CZelDoc* doc, int bar) { LayoutPrefs().currentBar = bar; }

void DocShowMessage(CZelDoc* doc, int id) { ++LayoutPrefs().alertsShown; }

bool ProgressStepCurrent() {
    int& left = LayoutPrefs().cancelProgressAfter;
    if (left < 0) return true;
    if (left == 0) return false;
    --left;
    return true;
}

void StepWaitCursor() {}

void RelinkJumps(CScore* score) {}

int TempoToQuarterTempo(int tempo, int unitCode, bool dotted) {
    // Ticks of the beat unit against a quarter note (480 ticks); code 1 whole, 2 half, 3 quarter.
    if (unitCode < 1 || unitCode > 8) return tempo;
    const std::int64_t unit = (1920 >> (unitCode - 1)) * (dotted ? 3 : 2);
    return int(std::int64_t(tempo) * unit / (480 * 2));
}

CPageSetup& DocumentSecondPageSetup(CZelDoc* doc) {
    static CPageSetup setup = [] {
        CPageSetup s;
        s.SetPaperSizePoints(612, 792);
        s.SetMarginsPoints(36, 36, 36, 36);
        return s;
    }();
    return setup;
}

void DocSetScoreSize(CZelDoc* doc, int percent) { LayoutPrefs().scoreSize = percent; }

int StaffYToPosition(CStaff* staff, int y) {
    const int half = std::max(1, int(staff->GetLineSpacing()));
    const int d = 2 * (y - staff->GetTopLine());
    // Nearest half space, halves away from zero.
    return d >= 0 ? (d + half / 2) / half : -((-d + half / 2) / half);
}

int StaffYToOffset(CStaff* staff, int y) { return y - staff->GetTopLine(); }
