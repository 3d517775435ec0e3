#include "platform/DrawGlobals.h"

#include "framework/Globals.h"

DrawGlobals g_draw;

void ResetDrawGlobals() {
    CArtist* artist = g_draw.artist;
    g_draw = DrawGlobals{};
    g_draw.artist = artist;  // the artist object outlives a reset; its state is its own
}

namespace {
[[maybe_unused]] const bool registered = fw::RegisterGlobalsReset(&ResetDrawGlobals);
}
