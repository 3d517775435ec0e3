#include "model/ScoreStandIns.h"

#include <algorithm>
#include <new>

#include "framework/Globals.h"
#include "model/Score.h"
#include "platform/StdMenu.h"

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

InstrumentLibraryReader& InstrumentLibrary() {
    static InstrumentLibraryReader reader;
    return reader;
}

namespace {
void ResetInstrumentLibrary() { InstrumentLibrary() = InstrumentLibraryReader{}; }
[[maybe_unused]] const bool registeredLibrary = fw::RegisterGlobalsReset(&ResetInstrumentLibrary);
}  // namespace

std::string InstLibEntryName(const std::uint8_t* entry) {
    if (!entry) return {};
    const char* name = reinterpret_cast<const char*>(entry + 4);
    std::size_t n = strnlen(name, 32);
    // A double-byte character cut by the field's end is dropped whole.
    std::size_t lead = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (lead) lead = 0;
        else if (c >= 0x81 && c <= 0xFE) lead = 1;
    }
    if (lead) --n;
    return std::string(name, n);
}

int ChooseInstrumentFromMenu(int x, int y, int current) {
    const int n = InstrumentLibrary().count ? InstrumentLibrary().count() : 0;
    if (n <= 0) return -1;
    CStdMenu menu;
    if (!menu.Create()) return -1;
    for (int i = 0; i < n; ++i) {
        menu.InsertItem(i, InstLibEntryName(InstrumentLibrary().entry(i)).c_str(), i + 1);
        if (i == current) menu.SetCheck(i, true);
    }
    const UINT chosen = menu.Track(x, y);
    return chosen == 0 || int(chosen) > n ? -1 : int(chosen) - 1;
}

int MakeChordKey(int rootPitch, const int* pitches, int n) {
    n = std::min(n, 12);
    if (n <= 0 || !pitches) return 0;
    int key = 0;
    for (int i = 0; i < n; ++i) key |= 1 << ((((pitches[i] - rootPitch) % 12) + 144) % 12);
    if (((pitches[0] % 12) + 12) % 12 == ((pitches[n - 1] % 12) + 12) % 12) key |= 1 << 12;
    return key;
}
