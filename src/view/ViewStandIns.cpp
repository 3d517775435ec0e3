#include "view/ViewStandIns.h"

#include <atomic>

#include "framework/Globals.h"
#include "framework/ToolBar.h"
#include "model/DocumentStandIns.h"

namespace {
std::atomic<int> g_countOff{0};

void Reset() {
    g_countOff = 0;
}
const bool registered = (fw::RegisterGlobalsReset(&Reset), true);
}  // namespace

int GetPlayCountOff() { return g_countOff.load(); }
void SetPlayCountOff(int value) { g_countOff.store(value); }
