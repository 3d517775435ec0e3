// A score of one track and two bars, current for the case, that notation tests fill record by
// record.
#pragma once
#include <gtest/gtest.h>

#include <memory>

#include "NotationTestSupport.h"
#include "model/ModelGlobals.h"
#include "model/Page.h"
#include "model/Score.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"

namespace notetest {

class TwoBarTrackTest : public NotationTest {
public:
    void SetUp() override {
        RegisterTrackClass();
        score = std::make_unique<CScore>(&doc);
        ASSERT_TRUE(score->BuildSkeleton(2, 1));
        g_model.currentScore = score.get();
        // No current object is left from the score a case before had.
        Bar(0)->SetCurrent();
    }
    void TearDown() override { g_model.currentScore = nullptr; }

    CTrkBar* Bar(int b) { return score->GetTrkBar(0, b); }

    CZelDoc doc;
    std::unique_ptr<CScore> score;
};

}  // namespace notetest
