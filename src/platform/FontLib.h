// The symbol-map library (type tag "FMAP"): its 256 entries are the slots of a document's font
// map, one per character of the music font, each naming the character of another face (with an
// offset) drawn in its place. Its files let a user keep and reuse maps.
#pragma once
#include <cstdint>

#include "platform/FontMap.h"
#include "platform/Library.h"

class CFontLib : public CLibrary {
public:
    static constexpr int kSlots = 256;
    static constexpr int kFirstMappedSlot = 32;  // the slots below are never mapped

    // 256 slots, all off, each naming the music font; the default face and size are the music
    // font's; a font table of its own.
    CFontLib();
    std::unique_ptr<CLibrary> Clone() override { return CloneOf(*this); }
    bool CopyTo(CLibrary& dest) override { return CopyOf(*this, dest); }
    // The symbol-map library is not loaded at start-up.
    void LoadDefault() override {}
    // The default face (at the default size) and the faces of slots 32-255 through the font
    // table; a save records them in an emptied table, a load maps them back by name.
    void MapFonts(bool forSave) override;

    // The 256 slots (null when the entries are not 256 slots).
    FontMapSlot* Slots();

    char defaultFaceName[32] = {};
    std::uint16_t defaultFace = 0;
    std::uint16_t defaultSize = 0;

protected:
    // Exactly 256 slots of 10 bytes.
    bool AcceptsItems(CStdArray& loaded) override;
};
