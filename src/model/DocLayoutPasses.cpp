#include "model/DocLayoutPasses.h"

#include "model/Bar.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/ZelDoc.h"
#include "model/System.h"

CScore* DocLayoutPasses::ScoreOf(CZelDoc* doc) {
    CScore* score = g_model.currentScore;
    return score && score->GetDocument() == doc ? score : nullptr;
}

bool DocLayoutPasses::RespaceAllBars(CZelDoc* doc) {
    CScore* score = ScoreOf(doc);
    if (!score) return true;
    bool ok = true;
    for (int b = 0; b < score->GetBarCount(); ++b) {
        if (CBar* bar = score->GetBar(b)) ok = bar->Respace() && ok;
    }
    return ok;
}

bool DocLayoutPasses::RejustifyAllSystems(CZelDoc* doc) {
    CScore* score = ScoreOf(doc);
    if (!score) return true;
    for (int s = 0; s < score->GetLineCount(); ++s) {
        if (CLine* line = score->GetLine(s)) line->Rejustify(false);
    }
    return true;
}

bool DocLayoutPasses::LayoutAllPages(CZelDoc* doc) { return !doc || doc->LayoutAllPages(false); }

namespace {
DocLayoutPasses g_realPasses;
DocLayoutPasses* g_passes = &g_realPasses;
}  // namespace

DocLayoutPasses* GetDocLayoutPasses() { return g_passes; }
void SetDocLayoutPasses(DocLayoutPasses* passes) { g_passes = passes ? passes : &g_realPasses; }
