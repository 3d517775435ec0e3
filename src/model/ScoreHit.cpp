// What lies under a page point of the score: the bars of the located system and of its
// neighbours, the staves' position handles, page texts and title blocks, and the parts of a
// system that belong to no bar (staff edges, brackets, names, time signatures, the signs of the
// system's start); and the order in which a page asks them.
#include <algorithm>

#include "model/Bar.h"
#include "model/ItemArray.h"
#include "model/ModelGlobals.h"
#include "model/Page.h"
#include "model/Score.h"
#include "model/ScoreArrays.h"
#include "model/ScoreHit.h"
#include "model/ScoreStandIns.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "platform/Artist.h"
#include "platform/DrawGlobals.h"

namespace {

bool InRect(const RECT& r, int x, int y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

void MakeSystemCurrent(CScore* score, CLine* line) {
    line->MakeCurrent();
    g_model.currentLine = line;
    g_model.currentStaff = line->GetStaff(0);
    g_model.currentBar = line->GetFirstBar();
    g_model.currentTrack = score->GetTrack(0);
}

// Fills the location for staff i of the current system at the current bar.
void FillForStaff(CScore* score, ScoreLocation* at, int i, CBaseItem* item) {
    CLine* line = g_model.currentLine;
    CBar* bar = g_model.currentBar;
    at->trackIndex = i;
    at->track = score->GetTrack(i);
    at->staff = line ? line->GetStaff(i) : nullptr;
    at->barIndex = bar ? std::int16_t(bar->GetIndex()) : 0;
    at->bar = bar;
    at->system = line;
    at->trkBar = score->GetTrkBar(i, at->barIndex);
    at->item = item;
}

}  // namespace

int CScore::HitBars(int x, int y, ScoreLocation* at) {
    g_model.hitTitle = 0;
    g_model.hitHandleKind = -1;
    if (!at) return 0;
    if (CArtist* a = g_draw.artist) a->SetMusicFont(24);
    for (const int k : {at->systemIndex, at->systemIndex - 1, at->systemIndex + 1}) {
        CLine* line = GetLine(k);
        if (!line || line->GetPageIndex() != at->pageIndex) continue;
        MakeSystemCurrent(this, line);
        CBar* bar = line->GetFirstBar();
        for (int b = 0; bar && b < line->GetBarCount(); ++b, bar = GetBar(bar->GetIndex() + 1)) {
            if (!bar->HitTest(x, y)) continue;
            CStaff* staff = line->GetStaff(0);
            at->page = g_model.currentPage;
            at->system = line;
            at->bar = bar;
            at->staff = staff;
            at->trackIndex = staff ? staff->GetIndex() : 0;
            at->barIndex = std::int16_t(bar->GetIndex());
            at->track = GetTrack(at->trackIndex);
            at->trkBar = GetTrkBar(at->trackIndex, at->barIndex);
            at->time = 0;
            at->item = g_model.hitItem;
            return 2;
        }
    }
    if (at->bar) at->bar->MakeCurrent();
    if (at->system) {
        g_model.currentLine = at->system;
        g_model.currentStaff = at->system->GetStaff(0);
        g_model.currentTrack = GetTrack(0);
    }
    if (at->page) g_model.currentPage = at->page;
    g_model.hitHandleKind = -1;
    return 0;
}

int CScore::HitPositionHandle(int x, int y, ScoreLocation* at) {
    g_model.hitHandleKind = -1;
    if (!at || !document) return 0;
    const std::uint8_t* on = document->location.overlays;  // chord, lyric, slash, dynamics, time code
    const std::uint8_t mode = g_model.highlightMode;
    if (!on[0] && !on[1] && !on[2] && !on[3] && !on[4] && !mode) return 0;
    int first = 0, last = 0;
    if (on[1]) {
        first = 5;
        last = 5 + std::max<int>(1, document->lyricLineCount) - 1;
    } else {
        first = last = mode ? 3 : on[0] ? 0 : on[3] ? 2 : on[4] ? 4 : 1;
    }
    CPage* page = GetPage(at->pageIndex);
    if (!page) return 0;
    const int count = at->system ? at->system->GetStaffCount() : 0;
    for (int k = 0; k < page->GetSystemCount(); ++k) {
        CLine* line = page->GetLine(k);
        if (!line) break;
        g_model.currentLine = line;
        g_model.currentBar = line->GetFirstBar();
        for (int i = 0; i < count && i < line->GetStaffCount(); ++i) {
            CStaff* staff = line->GetStaff(i);
            if (!staff->IsShown()) continue;
            for (int kind = first; kind <= last; ++kind) {
                if (!staff->HitHandle(x, y, kind)) continue;
                g_model.hitHandleKind = std::int16_t(kind);
                at->position = 0;
                at->staff = staff;
                at->item = staff;
                at->trackIndex = i;
                at->barIndex = std::int16_t(line->GetFirstBarIndex());
                at->track = GetTrack(i);
                at->trkBar = GetTrkBar(i, at->barIndex);
                at->system = line;
                return 4;
            }
        }
    }
    g_model.hitHandleKind = -1;
    return 0;
}

int CScore::HitPageTextOrTitle(int x, int y, ScoreLocation* at) {
    g_model.hitHandleKind = -1;
    if (!at) return 0;
    CPage* page = GetPage(at->pageIndex);
    if (page) page->MakeCurrent();
    if (CPageTextArray* texts = GetPageTextArray())
        for (int i = 0; i < texts->GetCount(); ++i) {
            auto* text = static_cast<CScoreItem*>(texts->GetAt(i));
            if (!text || !text->IsAlive()) continue;
            if (text->HitTest(x, y)) {
                at->item = text;
                return 1;
            }
        }
    if (document)
        for (int i = 0; i < TitleBlock::kBlocks; ++i) {
            const TitleBlock& block = document->titles[i];
            if (at->pageIndex != 0 && !block.IsSingleLine() && !(i == 0 && block.allPages != 0)) continue;
            const RECT r{block.bounds[0], block.bounds[1], block.bounds[2], block.bounds[3]};
            if (InRect(r, x, y)) {
                g_model.hitTitle = std::int16_t(i);
                at->item = nullptr;
                return 7;
            }
        }
    g_model.hitHandleKind = -1;
    return 0;
}

int CScore::HitSystemParts(int x, int y, ScoreLocation* at) {
    g_model.hitHandleKind = -1;
    if (!at) return 0;
    CLine* line = GetLine(at->systemIndex);
    CStaff* staff = at->staff;
    if (!line || !staff) return 0;
    g_model.currentLine = line;
    g_model.currentBar = line->GetFirstBar();
    const int m = std::max(1, staff->GetLineSpacing() / 4);
    if (x <= staff->GetLeft() + m || x >= staff->GetRight() - m) {
        at->position = 0;
        if (staff->HitTest(x, y)) {
            at->item = staff;
            return 6;
        }
        int i = -1;
        if (line->HitTestBracket(x, y, &i)) {
            FillForStaff(this, at, i, GetTrack(i));
            return 3;
        }
        if (line->HitTestTrackName(x, y, &i)) {
            FillForStaff(this, at, i, GetTrack(i));
            return 5;
        }
    }
    int i = -1;
    if (line->HitTestMeter(x, y, &i)) {
        FillForStaff(this, at, i, g_model.currentBar);
        return 8;
    }
    i = staff->GetIndex();
    g_model.currentBar = line->GetFirstBar();
    if (CBar* bar = g_model.currentBar) {
        const int kind = bar->HitClefArea(x, y, staff) ? 10 : bar->HitMeterArea(x, y, staff) ? 11
                         : bar->HitKeySigArea(x, y, staff) ? 9 : 0;
        if (kind) {
            FillForStaff(this, at, i, bar);
            return kind;
        }
    }
    g_model.hitHandleKind = -1;
    return 0;
}

// --- a page's order -------------------------------------------------------------------------------

int HitPagePoint(CScore& score, int pageIndex, int x, int y, ScoreLocation* at) {
    CZelDoc* doc = score.GetDocument();
    at->pageIndex = std::uint16_t(pageIndex);
    at->item = nullptr;
    score.LocatePoint(x, y, at);
    if (int kind = score.HitBars(x, y, at)) return kind;
    // The items of the located system's bars and of its neighbours'.
    for (const int k : {at->systemIndex, at->systemIndex - 1, at->systemIndex + 1}) {
        CLine* line = score.GetLine(k);
        if (!line || line->GetPageIndex() != pageIndex) continue;
        for (int b = 0; b < line->GetBarCount(); ++b) {
            CBar* bar = score.GetBar(line->GetFirstBarIndex() + b);
            if (!bar) break;
            if (CBarItem* item = bar->HitItems(x, y, at)) {
                at->item = item;
                return 1;
            }
        }
    }
    const std::uint8_t* on = doc ? doc->location.overlays : nullptr;
    const bool handles = g_model.highlightMode || (on && (on[0] || on[1] || on[2] || on[3] || on[4]));
    if (handles)
        if (int kind = score.HitPositionHandle(x, y, at)) return kind;
    if (int kind = score.HitPageTextOrTitle(x, y, at)) return kind;
    return score.HitSystemParts(x, y, at);
}

std::vector<std::uint8_t> MapPageHits(CScore& score, int pageIndex, int step) {
    std::vector<std::uint8_t> map;
    CPage* page = score.GetPage(pageIndex);
    if (!page || step < 1) return map;
    const RECT paper = page->GetPaperRect();
    CZelDoc* doc = score.GetDocument();
    for (int y = paper.top; y < paper.bottom; y += step)
        for (int x = paper.left; x < paper.right; x += step) {
            ScoreLocation at = doc ? doc->location : ScoreLocation{};
            map.push_back(std::uint8_t(HitPagePoint(score, pageIndex, x, y, &at)));
        }
    return map;
}
