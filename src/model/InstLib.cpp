#include "model/InstLib.h"

#include <climits>
#include <cstdlib>
#include <cstring>

#include "framework/CodePage.h"
#include "framework/StringTable.h"
#include "model/Preferences.h"
#include "model/ScoreStandIns.h"
#include "platform/PlatformGlobals.h"
#include "platform/StdMenu.h"

namespace {

constexpr int kInstrumentPreference = 4;  // the instrument library's place among the library names
constexpr int kFields = 13;

// A decimal field: an optional sign and digits; anything else ends it (no digits: 0).
std::int16_t Number(const std::string& text) {
    long v = std::strtol(text.c_str(), nullptr, 10);
    if (v < SHRT_MIN) v = SHRT_MIN;
    if (v > SHRT_MAX) v = SHRT_MAX;
    return std::int16_t(v);
}

// Sets the sound of a record to "no program" on the default port and channel 0.
void ResetSound(InstrumentDef& def) {
    def.port = std::uint16_t(g_preferences.Word(Preferences::kDefaultDevice));
    def.channel = 0;
    def.program = -1;
    def.patch.program = -1;
    def.patch.word = 0xFFFF;
    def.patch.byteCount = 4;
    std::memset(def.patch.packed, 0xFF, sizeof def.patch.packed);
}

}  // namespace

// --- the record -----------------------------------------------------------------------------

std::int32_t InstrumentDef::PatchWord() const {
    std::int32_t word;
    std::memcpy(&word, patch.packed, sizeof word);
    return word;
}

bool InstrumentDef::HasDrumMap() const {
    for (const InstrumentDrumSlot& slot : drums)
        if (slot.key != 0) return true;
    return false;
}

// --- the library ----------------------------------------------------------------------------

CInstLib::CInstLib() {
    SetTag(Tag("ZLIL"));
    SetItemSize(sizeof(InstrumentDef));
}

void CInstLib::LoadDefault() {
    Open(g_platform.libraryFiles.instrument,
         g_preferences.Text(Preferences::kLibraryNames + Preferences::kTextSize * kInstrumentPreference));
    if (GetCount() == 0) BuildDefaults();
}

bool CInstLib::BuildDefaults() {
    RemoveAllItems();
    for (int row = 0; row < kBuiltIns; ++row) {
        InstrumentDef def;
        MakeInstrument(def, std::int16_t(row));
        if (!AddItem(&def)) {
            RemoveAllItems();
            return false;
        }
    }
    return true;
}

void CInstLib::MakeInstrument(InstrumentDef& def, std::int16_t row) {
    std::memset(&def, 0, sizeof def);
    def.voices = 1;
    def.highKey = 127;
    ResetSound(def);
    if (row < 0) return;

    std::memset(&def, 0, sizeof def);
    ResetSound(def);
    std::string text;
    fw::LoadStringResource(kFirstBuiltInString + unsigned(row), text);
    ReadRow(def, text.c_str());

    if (def.staffKind != 1) return;
    int slot = 0;
    for (int key = 0; key < 128 && slot < InstrumentDef::kDrumSlots; ++key) {
        const DrumKey* entry = DrumLib().GetDrumEntry(std::int16_t(key));
        if (!entry->used) continue;
        InstrumentDrumSlot& s = def.drums[slot++];
        s.position = entry->position;
        s.noteHead = entry->noteHead;
        s.key = std::uint8_t(key);
    }
}

void CInstLib::ReadRow(InstrumentDef& def, const char* text) {
    const char* p = text ? text : "";
    for (int field = 0; field < kFields && *p; ++field) {
        // The field: up to the next ":" outside a double-byte character, or the end.
        const char* start = p;
        while (*p && *p != ':') p += fw::CharBytes(p);
        const std::string value(start, std::size_t(p - start));
        if (*p == ':') ++p;
        switch (field) {
        case 1: def.staffKind = std::uint8_t(Number(value)); break;
        case 2: fw::CopyText(def.name, sizeof def.name, value); break;
        case 3: fw::CopyText(def.abbreviation, sizeof def.abbreviation, value); break;
        case 4: def.highKey = std::uint16_t(Number(value)); break;
        case 5: def.lowKey = std::uint16_t(Number(value)); break;
        case 6: def.transposition = Number(value); break;
        case 8: def.clef = Number(value); break;
        case 9: def.transposedClef = Number(value); break;
        case 10: def.voices = Number(value); break;
        case 11: def.playbackTranspose = Number(value); break;
        case 12: {
            const std::int16_t program = Number(value);
            if (program == -1) break;
            def.program = program;
            def.patch.program = program;
            def.patch.word = std::uint16_t(program);
            def.patch.packed[3] = std::uint8_t(program);
            break;
        }
        default: break;  // the row number and the negated transposition are not kept
        }
    }
}

void CInstLib::FillDrumMap(std::int16_t index) {
    InstrumentDef* def = GetInstrument(index);
    if (!def || def->HasDrumMap()) return;
    int slot = 0;
    for (int key = 0; key < 128 && slot < InstrumentDef::kDrumSlots; ++key) {
        const DrumKey* entry = DrumLib().GetDrumEntry(std::int16_t(key));
        if (!entry->used) continue;
        InstrumentDrumSlot& s = def->drums[slot++];
        s.position = entry->position;
        s.noteHead = entry->noteHead;
        s.key = std::uint8_t(key);
        s.voice = entry->voice;
    }
}

bool CInstLib::RunInstrumentMenu(int x, int y, std::int16_t& current) {
    const int n = GetCount();
    if (n <= 0) return false;
    CStdMenu menu;
    if (!menu.Create()) return false;
    for (int i = 0; i < n; ++i) {
        menu.InsertItem(i, GetItemName(i).c_str(), i + 1);
        if (i == current) menu.SetCheck(i, true);
    }
    const UINT chosen = menu.Track(x, y);
    if (chosen == 0 || int(chosen) > n) return false;
    current = std::int16_t(chosen - 1);
    return true;
}

std::string CInstLib::GetItemName(int index) {
    const InstrumentDef* def = GetInstrument(index);
    return def ? NameOf(*def) : std::string();
}

std::string CInstLib::NameOf(const InstrumentDef& def) {
    const std::size_t n = strnlen(def.name, sizeof def.name);
    // A lead byte whose second byte lies beyond the field is dropped with it.
    std::size_t kept = 0;
    while (kept < n) {
        const std::size_t bytes = fw::IsLeadByte(static_cast<unsigned char>(def.name[kept])) ? 2 : 1;
        if (kept + bytes > n) break;
        kept += bytes;
    }
    return std::string(def.name, kept);
}
