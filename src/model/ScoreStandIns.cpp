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

// The score's device and patch lists come with its device bookkeeping; until then a patch in use
// is only noted, and the score knows no names.
std::vector<NotedPatch>& NotedPatches() {
    static std::vector<NotedPatch> noted;
    return noted;
}

std::vector<NotedDevice>& NotedDevices() {
    static std::vector<NotedDevice> noted;
    return noted;
}

bool NotePatchUsed(CScore& score, int port, int channel, int patch) {
    // Only the latest are kept, so that a long session does not grow the record without end.
    std::vector<NotedPatch>& noted = NotedPatches();
    if (noted.size() >= 4096) noted.erase(noted.begin(), noted.begin() + 2048);
    noted.push_back({&score, port, channel, patch});
    return true;
}

bool NoteDeviceUsed(CScore& score, int port) {
    std::vector<NotedDevice>& noted = NotedDevices();
    if (noted.size() >= 4096) noted.erase(noted.begin(), noted.begin() + 2048);
    noted.push_back({&score, port});
    return true;
}

bool GetDeviceDisplayName(CScore&, int, int, char* out, std::size_t size) {
    if (out && size) out[0] = 0;
    return false;
}

bool GetPatchDisplayName(CScore&, int, int, std::int32_t, char* out, std::size_t size) {
    if (out && size) out[0] = 0;
    return false;
}

void RebindDevices(CScore&) {}
void CheckTrackDevices(CScore&) {}
void ReadVSTRackText(CScore&) {}
