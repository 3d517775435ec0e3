#include "model/EditTaskStandIns.h"

namespace {
DocLayoutPasses g_noPasses;
DocLayoutPasses* g_passes = &g_noPasses;
}  // namespace

DocLayoutPasses* GetDocLayoutPasses() { return g_passes; }
void SetDocLayoutPasses(DocLayoutPasses* passes) { g_passes = passes ? passes : &g_noPasses; }
