// Pagination: systems stacked down the pages.
#include <algorithm>

#include "model/Page.h"
#include "model/Score.h"
#include "model/ScoreArrays.h"
#include "model/ScoreStructure.h"
#include "model/ScoreStructureStandIns.h"
#include "model/System.h"
#include "model/Track.h"
#include "model/ZelDoc.h"
#include "platform/PortLayer.h"
#include "platform/StdDlg.h"

bool CScore::Repaginate() {
    if (pageCount <= 0 || lineCount <= 0) return true;
    int s = 0;
    int p = 0;
    CPage* page = GetPage(0);
    while (s < lineCount) {
        AnimateWaitCursor();
        page->SetFirstSystem(s);
        int y = s == 0 ? GetLine(0)->GetTopOffset() : 1440;
        page->SetSystemCount(0);
        int tried = 0;
        for (int k = s; k < lineCount; ++k) {
            CLine* line = GetLine(k);
            line->SetTopOffset(y);
            line->SetPage(this, p);
            line->SetPageIndex(p);
            page->SetSystemCount(page->GetSystemCount() + 1);
            page->SpaceStaves(false);
            y += line->SumStaffSpacing();
            ++tried;
            if (line->GetBottom() >= 2 * layout::PageBottomLimit(page)) break;
        }
        for (int k = 0; k < tried; ++k) {
            CLine* line = GetLine(s + k);
            std::uint8_t f = line->GetLayoutFlags() & std::uint8_t(~(CLine::kFirstOnPageBit | CLine::kLastOnPageBit));
            if (k == 0) f |= CLine::kFirstOnPageBit;
            if (k == tried - 1) f |= CLine::kLastOnPageBit;
            line->SetLayoutFlags(f);
        }
        page->AvoidCollisions();
        const int margin = page->TwentiethsToView(720);
        page->SetSystemCount(0);
        // Only the systems just placed on this page are measured: the ones after them still
        // stand where the last layout left them, so their bottoms say nothing about this page.
        const int placedEnd = s + tried;
        while (s < placedEnd) {
            CLine* line = GetLine(s);
            if (line->GetBottom() > layout::PageBottomLimit(page) - margin && page->GetSystemCount() >= 1) break;
            if (!CProgressDlg::StepCurrent()) return false;
            ++s;
            page->SetSystemCount(page->GetSystemCount() + 1);
        }
        if (s < lineCount) {
            if (p == pageCount - 1) {
                if (!InsertPage(p + 1)) return false;
            }
            ++p;
            page = GetPage(p);
        }
    }
    while (p < pageCount - 1) {
        pages->RemoveAt(pageCount - 1);
        --pageCount;
    }
    Reindex();
    document->LayoutAllPages(true);
    if (!CProgressDlg::StepCurrent()) return false;
    for (int k = 0; k < pageCount; ++k) {
        CPage* pg = GetPage(k);
        pg->AvoidCollisions();
        pg->StretchToBottom();
    }
    return document->LayoutAllPages(true);
}
