// The score model's globals live here.
#include "model/ModelGlobals.h"

#include "framework/Globals.h"
#include "platform/PlatformGlobals.h"

ModelGlobals g_model;

void SetLoadedFileVersion(std::uint16_t version, std::uint16_t minor) {
    g_model.loadedFileVersion = version;
    g_model.loadedFileMinor = minor;
    g_platform.fileVersion = FileVersion{version, minor};
}

void ResetModelGlobals() { g_model = ModelGlobals{}; }

namespace {
[[maybe_unused]] const bool registered = fw::RegisterGlobalsReset(&ResetModelGlobals);
}

FontRef* DefaultFontTable() {
    static FontRef table[16];
    return table;
}
