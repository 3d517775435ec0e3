// The note-size palette's duration helpers (see NoteSize.h).
#include "model/NoteSize.h"

#include <algorithm>

namespace notesize {

int GetValueTicks(int code) { return kValueTicks[std::clamp(code, 0, 7)]; }

int FindValueIndex(int ticks) {
    for (int code = 0; code < 7; ++code)
        if (kValueTicks[code] <= ticks) return code;
    return 7;
}

ValueAndDots SplitDuration(int ticks) {
    ValueAndDots r;
    r.code = FindValueIndex(ticks);
    const int t = kValueTicks[r.code];
    if (t == ticks) return r;
    const int dotted = t + t / 2;
    if (dotted <= ticks) {
        r.dots = 1;
        if (t / 4 <= ticks - dotted) r.dots = 2;
    }
    return r;
}

}  // namespace notesize
