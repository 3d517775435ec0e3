// The user libraries' common base: a named collection of fixed-size entries that the user keeps
// apart from any score (spacing tables, chords, drum maps, expressions, instruments, guitar
// frames, symbol maps), read from a library file (.lib) in the library folder. Each kind sets
// its type tag and entry size and adds its own defaults and font mapping.
//
// Library file: the type tag (4 bytes), the version (little-endian 16-bit), the entries as the
// raw little-endian block "ARRY" (entry size, count, byte count, then the entries), and for a
// kind with a font table the raw block "FNTS" of its font table.
#pragma once
#include <cstdint>
#include <memory>

#include "platform/FontArray.h"
#include "platform/StdArray.h"

class CFile;
struct FileSpec;

class CLibrary {
public:
    static constexpr std::uint16_t kVersion = 16;

    CLibrary();
    virtual ~CLibrary();
    CLibrary(const CLibrary&) = delete;
    CLibrary& operator=(const CLibrary&) = delete;

    // The number of entries.
    virtual int GetCount() { return items->GetCount(); }
    // Reads the file at the record's path into this library; false (the library as it was)
    // when it cannot be opened, is of another kind (message 10011), holds entries this kind
    // cannot take, or runs out of memory.
    virtual bool Load(const FileSpec& record);
    // The start-up load of the library the preferences name; the base loads nothing.
    virtual void LoadDefault() {}
    // Translates the entries' font references through the font table: for a save (recorded)
    // or after a load (mapped back). The base has none.
    virtual void MapFonts(bool forSave) {}

    // The entry at an index, null outside the entries.
    void* GetItem(int index) { return index >= 0 && index < items->GetCount() ? items->GetAt(index) : nullptr; }
    void SetItemSize(int size) { items->SetElemSize(size); }
    std::uint32_t GetTag() const { return tag; }
    void SetTag(std::uint32_t t) { tag = t; }
    std::uint16_t GetVersion() const { return version; }
    CFontArray* GetFontTable() { return fonts.get(); }
    bool IsModified() const { return modified != 0; }
    void SetModified(std::uint8_t m) { modified = m; }

    // The library folder's path (the program folder and the folder of string 3500), with a "/"
    // at its end; empty when the program folder is not known.
    static std::string FolderPath();
    // A type tag from its four characters in file order.
    static constexpr std::uint32_t Tag(const char (&s)[5]) {
        return std::uint32_t(std::uint8_t(s[0])) | std::uint32_t(std::uint8_t(s[1])) << 8 |
               std::uint32_t(std::uint8_t(s[2])) << 16 | std::uint32_t(std::uint8_t(s[3])) << 24;
    }

protected:
    // Whether the entries a file gave (size and count as the file says) are what this kind
    // works with; the base takes any.
    virtual bool AcceptsItems(CStdArray& loaded) { return true; }

    std::uint8_t modified = 0;
    std::uint16_t version = kVersion;
    std::uint32_t tag = Tag("ZLLB");
    std::unique_ptr<CStdArray> items;
    std::unique_ptr<CFontArray> fonts;  // null for a kind that keeps no fonts
};
