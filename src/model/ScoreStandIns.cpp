#include "model/ScoreStandIns.h"

#include <new>

#include "framework/Globals.h"
#include "model/Score.h"

ViewDragGlobals g_viewDrag;

namespace {
void ResetViewDragGlobals() { g_viewDrag = ViewDragGlobals{}; }
[[maybe_unused]] const bool registered = fw::RegisterGlobalsReset(&ResetViewDragGlobals);
}  // namespace

CDragTask* NewPlainDragTask() { return new (std::nothrow) CDragTask; }

DrumKey* CDrumLib::GetDrumEntry(std::int16_t key) { return &keys[key >= 0 && key < 128 ? key : 0]; }

CDrumLib& DrumLib() {
    static CDrumLib library;
    return library;
}

const FontRef& GuitarLibFontRef() {
    static const FontRef font;
    return font;
}

void ReadVSTRackText(CScore&) {}
