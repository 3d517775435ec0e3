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

CFontArray::Pass::Pass(CFontArray& table)
    : table_(table), outer_(table.pass_), saving_(g_draw.fontsForSave) {
    table.pass_ = this;
}

CFontArray::Pass::~Pass() { table_.pass_ = outer_; }

CFontArray::LiveKeeper::LiveKeeper(CFontArray& table) : table_(table), outer_(table.keeper_) {
    table.keeper_ = this;
}

CFontArray::LiveKeeper::~LiveKeeper() {
    for (auto k = kept_.rbegin(); k != kept_.rend(); ++k) std::memcpy(k->at, &k->was, sizeof(FontRef));
    table_.keeper_ = outer_;
}

void CFontArray::KeepLive(void* at) {
    if (!keeper_ || !at) return;
    FontRef was;
    std::memcpy(&was, at, sizeof(FontRef));
    keeper_->kept_.push_back({at, was});
}

void CFontArray::ResolveLive(FontRef* ref) {
    if (!ref) return;
    FontRef mapped = *ref;
    ResolveFont(&mapped);
    if (std::memcmp(&mapped, ref, sizeof mapped) == 0) return;
    KeepLive(ref);
    *ref = mapped;
}

void CFontArray::ResolveFont(FontRef* ref) {
    if (!ref) return;
    const bool saving = g_draw.fontsForSave;
    CFontList* list = GetFontList();
    if (!list) return;  // no installed faces to map against
    if (ref->size == 0) ref->size = g_draw.standardFontRefs[1].size;
    // An answer this pass has already worked out for the face.
    Pass* pass = pass_ && pass_->saving_ == saving ? pass_ : nullptr;
    if (pass)
        for (const Pass::Known& k : pass->known_)
            if (k.from == ref->face) {
                ref->face = k.to;
                return;
            }
    for (int n = 0; n < Count(); ++n) {
        if (IdAt(n) != std::int16_t(ref->face)) continue;
        std::uint8_t* e = entry(*this, n);
        char name[kNameSize + 1] = {};
        std::memcpy(name, e + kNameOffset, kNameSize);
        if (std::strcmp(name, kMusicFontName) == 0) {
            // A map made with the default music font follows whatever music font is current.
            // (The entry takes the current music font's name, so this answer is not kept.)
            const std::uint16_t music = g_draw.defaultMusicFontRef.face;
            putName(e, list->GetFaceName(music));
            ref->face = music;
            return;
        }
        // Entries are only ever added after this one and its name stays as it is, so the answer
        // holds for the rest of the pass.
        FontRef found;
        const bool installed = list->FindFace(name, &found, false);
        const std::uint16_t from = ref->face;
        ref->face = installed ? found.face : saving ? FontRef::kNoFace : fallbackFace();
        if (pass) pass->known_.push_back({from, ref->face});
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
