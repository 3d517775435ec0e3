#include "platform/DrawGlobals.h"

#include "framework/Globals.h"
#include "platform/Artist.h"

DrawGlobals g_draw;

void ResetDrawGlobals() {
    CArtist* artist = g_draw.artist;
    g_draw = DrawGlobals{};
    g_draw.artist = artist;  // the artist object outlives a reset; its state is its own
}

void ApplyMusicMetrics(int value, int size) {
    if (!g_draw.artist) return;
    int width = 0, line = 0;
    g_draw.stemThickness = g_draw.artist->SetMusicMetrics(&width, &line, value, size);
    g_draw.musicCharWidth = width;
    g_draw.musicLineWidth = line;
}

namespace {
[[maybe_unused]] const bool registered = fw::RegisterGlobalsReset(&ResetDrawGlobals);
}
