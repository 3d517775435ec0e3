// Staff-size fitting after an import.
#include <gtest/gtest.h>

#include <memory>

#include "RecordTestSupport.h"
#include "model/Page.h"
#include "model/PageSetup.h"
#include "model/Score.h"
#include "model/Track.h"
#include "model/ZelDoc.h"

namespace {

struct FitCase {
    int bars, tracks;
    int secondBottomMargin;  // points
    int want;
};

int FitSize(const FitCase& c) {
    recordtest::CleanGlobals clean;
    RegisterTrackClass();
    CZelDoc doc;
    // The page in use and the page at score size 100: letter paper, half-inch margins.
    doc.pageSetup.SetPaperSizePoints(612, 792);
    doc.pageSetup.SetMarginsPoints(36, 36, 36, 36);
    doc.unscaledPageSetup = doc.pageSetup;
    doc.unscaledPageSetup.SetMarginsPoints(36, 36, 36, c.secondBottomMargin);
    CScore score(&doc);
    EXPECT_TRUE(score.BuildSkeleton(c.bars, c.tracks));
    score.FitStaffScale();
    return doc.GetScoreSize();
}

}  // namespace

TEST(StaffFitTest, ScoreSizeFollowsTheTallestContent) {
    // Letter paper, half-inch margins: the bottom of the page in use is 756. A system of n
    // staves starting at 108 ends its content at 108 + (n - 1) * 60 + 24 + 24; 108 more are
    // needed below it.
    const FitCase cases[] = {
        {4, 12, 36, 85},    // one system, 12 tracks: 85 without fitting (needed 924)
        {4, 13, 36, 76},    // 13 tracks: needed 984; 756 * 100 / 76 = 994 is the first to hold it
        {4, 13, 136, 66},   // the bottom at score size 100 (656) is the one divided: 656 * 100 / 66 = 993
        {16, 1, 36, 100},   // four small systems fit
        {8, 6, 36, 80},     // two systems of 6 staves on page 0: fitted from 100 (needed 942)
        {4, 64, 36, 25},    // far taller than the page: stops at 25
    };
    for (const FitCase& c : cases) EXPECT_EQ(FitSize(c), c.want) << c.bars << " bars, " << c.tracks << " tracks";
}
