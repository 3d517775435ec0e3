// Entering notes and rests into a bar of a track: the entry globals, note insertion and rest
// insertion.
#include "model/TrkBarEntry.h"

#include "framework/Globals.h"

EntryGlobals g_entry;

namespace {
void ResetEntryGlobals() { g_entry = EntryGlobals{}; }
[[maybe_unused]] const bool registered = fw::RegisterGlobalsReset(&ResetEntryGlobals);
}  // namespace
