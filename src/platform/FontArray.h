// The font table that travels with stored font references. A reference holds an index into the
// installed-font list, which differs from machine to machine, so whatever stores references
// also stores the names of their faces: before saving each face used is recorded here under
// its index, and after loading each reference is rewritten to the index its face's name has on
// this machine. A score keeps one, and so do the libraries that hold fonts.
#pragma once
#include <cstdint>
#include <string>

#include "platform/FontRef.h"
#include "platform/StdArray.h"

// 34-byte entries: the 16-bit index the face had when the table was built, then its name (32
// bytes, zero-terminated). Stored per entry as the index (a big-endian word) and the name bytes.
class CFontArray : public StdArrayClass<CFontArray> {
public:
    static constexpr int kElementSize = 34;
    static constexpr int kNameSize = 32;
    // The face name of the program's own music font: a table entry of this name follows
    // whatever music font is current.
    static constexpr const char* kMusicFontName = "Vorlind";

    CFontArray() { SetElemSize(kElementSize); }
    void ReadElement(CChunkStream& stream, int n) override;
    void WriteElement(CChunkStream& stream, int n) override;

    // Empties the table for a save (its entries the table's own size again).
    void Clear();
    // Maps one reference in the direction of the program-wide saving flag
    // (g_draw.fontsForSave): saving records its face in the table (a face that is not an
    // installed one becomes the fallback face); loading rewrites its face to the installed face
    // of the stored name (the fallback face when that is not installed). A size of 0 takes the
    // default text font's size either way. Without an installed-font list nothing changes.
    void ResolveFont(FontRef* ref);

    int Count() { return GetElementSize() >= kElementSize ? GetCount() : 0; }
    std::int16_t IdAt(int n);
    std::string NameAt(int n);
};
