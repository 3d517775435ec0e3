// The font table that travels with stored font references. A reference holds an index into the
// installed-font list, which differs from machine to machine, so whatever stores references
// also stores the names of their faces: before saving each face used is recorded here under
// its index, and after loading each reference is rewritten to the index its face's name has on
// this machine. A score keeps one, and so do the libraries that hold fonts.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

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

    // One mapping of many references (a whole score's, say). While it is open, the answer for
    // a face the table names is worked out once and given again to every later reference of
    // that face; it is forgotten when the pass ends, so a table changed between two passes
    // answers afresh. Passes may nest: the inner one keeps its own answers.
    class Pass {
    public:
        explicit Pass(CFontArray& table);
        ~Pass();
        Pass(const Pass&) = delete;
        Pass& operator=(const Pass&) = delete;

    private:
        friend class CFontArray;
        struct Known {
            std::uint16_t from, to;
        };
        CFontArray& table_;
        Pass* outer_;
        bool saving_;
        std::vector<Known> known_;
    };

    // A save maps the references in place, writes them and then puts them back, so that the open
    // score keeps the fonts it had while the file holds the mapped ones. While one is kept,
    // whatever changes a reference of the open score in place calls KeepLive first; the keeper
    // puts every noted reference back, the last noted first, when it ends.
    class LiveKeeper {
    public:
        explicit LiveKeeper(CFontArray& table);
        ~LiveKeeper();
        LiveKeeper(const LiveKeeper&) = delete;
        LiveKeeper& operator=(const LiveKeeper&) = delete;

    private:
        friend class CFontArray;
        struct Kept {
            void* at;
            FontRef was;
        };
        CFontArray& table_;
        LiveKeeper* outer_;
        std::vector<Kept> kept_;
    };
    // Notes the reference stored at `at` (a FontRef's bytes, aligned or not) for the keeper, if one
    // is open.
    void KeepLive(void* at);
    // ResolveFont on a reference of the open score itself: noted for the keeper when it changes.
    void ResolveLive(FontRef* ref);

    int Count() { return GetElementSize() >= kElementSize ? GetCount() : 0; }
    std::int16_t IdAt(int n);
    std::string NameAt(int n);

private:
    Pass* pass_ = nullptr;
    LiveKeeper* keeper_ = nullptr;
};
