#include "platform/FontArray.h"

#include <cstring>
#include <string>

#include "platform/ChunkStream.h"
#include "platform/DrawGlobals.h"
#include "platform/FontMap.h"

namespace {
constexpr int kIdOffset = 0;
constexpr int kNameOffset = 2;

std::uint8_t* entry(CFontArray& table, int n) { return static_cast<std::uint8_t*>(table.GetAt(n)); }

void putName(std::uint8_t* e, const char* name) {
    std::memset(e + kNameOffset, 0, CFontArray::kNameSize);
    if (name) std::strncpy(reinterpret_cast<char*>(e + kNameOffset), name, CFontArray::kNameSize - 1);
}

// The face that stands for the default font wherever a face is not installed.
std::uint16_t fallbackFace() { return g_draw.standardFontRefs[0].face; }
}  // namespace

void CFontArray::ReadElement(CChunkStream& stream, int n) {
    if (GetElementSize() < kElementSize) return CStdArray::ReadElement(stream, n);
    std::uint8_t* e = entry(*this, n);
    std::int16_t id = 0;
    stream.ReadWordTo(&id);
    std::memcpy(e + kIdOffset, &id, 2);
    stream.ReadBytes(e + kNameOffset, kNameSize);
    e[kNameOffset + kNameSize - 1] = 0;
}

void CFontArray::WriteElement(CChunkStream& stream, int n) {
    if (GetElementSize() < kElementSize) return CStdArray::WriteElement(stream, n);
    stream.WriteWord(IdAt(n));
    stream.WriteBytes(entry(*this, n) + kNameOffset, kNameSize);
}

void CFontArray::Clear() {
    SetCount(0);
    SetElemSize(kElementSize);
}

std::int16_t CFontArray::IdAt(int n) {
    std::int16_t id = 0;
    if (n >= 0 && n < Count()) std::memcpy(&id, entry(*this, n) + kIdOffset, 2);
    return id;
}

std::string CFontArray::NameAt(int n) {
    if (n < 0 || n >= Count()) return {};
    const char* name = reinterpret_cast<const char*>(entry(*this, n) + kNameOffset);
    return std::string(name, strnlen(name, kNameSize));
}

void CFontArray::ResolveFont(FontRef* ref) {
    if (!ref) return;
    const bool saving = g_draw.fontsForSave;
    CFontList* list = GetFontList();
    if (!list) return;  // no installed faces to map against
    if (ref->size == 0) ref->size = g_draw.standardFontRefs[1].size;
    for (int n = 0; n < Count(); ++n) {
        if (IdAt(n) != std::int16_t(ref->face)) continue;
        std::uint8_t* e = entry(*this, n);
        const std::string name = NameAt(n);
        if (name == kMusicFontName) {
            // A map made with the default music font follows whatever music font is current.
            const std::uint16_t music = g_draw.defaultMusicFontRef.face;
            putName(e, list->GetFaceName(music));
            ref->face = music;
            return;
        }
        FontRef found;
        const bool installed = list->FindFace(name.c_str(), &found, false);
        ref->face = installed ? found.face : saving ? FontRef::kNoFace : fallbackFace();
        return;
    }
    // No entry yet: one for this face, or for the fallback face when it is not an installed one
    // (or when loading finds a face the table does not name). The fallback face takes one entry
    // however many references fall back to it.
    if (GetElementSize() < kElementSize) return;  // a table of foreign entries takes none
    const bool valid = ref->face < list->GetCount();
    std::int16_t id = std::int16_t(ref->face);
    if (!valid || !saving) {
        id = std::int16_t(fallbackFace());
        ref->face = fallbackFace();
        for (int n = 0; n < Count(); ++n)
            if (IdAt(n) == id) return;
    }
    auto* e = static_cast<std::uint8_t*>(InsertEmpty(GetCount()));
    if (!e) return;
    std::memcpy(e + kIdOffset, &id, 2);
    putName(e, list->GetFaceName(std::uint16_t(id)));
}
