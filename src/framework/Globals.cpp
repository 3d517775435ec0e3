#include "framework/Globals.h"

#include <vector>

namespace fw {
namespace {
std::vector<ResetFn>& resets() {
    static std::vector<ResetFn> r;
    return r;
}
}  // namespace

bool RegisterGlobalsReset(ResetFn fn) {
    resets().push_back(fn);
    return true;
}

void ResetAllGlobals() {
    for (ResetFn fn : resets()) fn();
}

}  // namespace fw
