// Staff-size fitting after an import: the score size at which the tallest page content fits
// the page.
#include <algorithm>

#include "model/Page.h"
#include "model/PageSetup.h"
#include "model/Score.h"
#include "model/ZelDoc.h"

namespace {

// Room kept below the content of a page, points.
constexpr int kBottomRoom = 108;
// A score of one system on its first page and at most this many tracks is drawn smaller.
constexpr int kSmallScoreTracks = 12;
constexpr int kSmallScoreReduction = 15;
constexpr int kSmallestSize = 25;

}  // namespace

void CScore::FitStaffScale() {
    int needed = 0;
    for (int p = 0; p < pageCount; ++p)
        if (CPage* page = GetPage(p)) needed = std::max(needed, page->GetContentBottom() + kBottomRoom);

    int percent = 100;
    CPage* first = GetPage(0);
    if (first && first->GetSystemCount() == 1 && trackCount <= kSmallScoreTracks) percent = 100 - kSmallScoreReduction;

    if (percent == 100 && needed > document->pageSetup.GetMarginRect().bottom) {
        int bottom = 0;
        do {
            percent -= 1;
            bottom = document->unscaledPageSetup.GetMarginRect().bottom * 100 / percent;
        } while (needed > bottom && percent > kSmallestSize);
    }
    document->SetScoreSize(percent);
}
