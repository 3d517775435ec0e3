// The user libraries' common base: a named collection of fixed-size entries that the user keeps
// apart from any score (spacing tables, chords, drum maps, expressions, instruments, guitar
// frames, symbol maps), read from and written to a library file (.lib). Each kind sets its
// type tag and entry size and adds its own defaults, font mapping and editing dialog.
//
// Library file: the type tag (4 bytes), the version (little-endian 16-bit), the entries as the
// raw little-endian block "ARRY" (entry size, count, byte count, then the entries), and for a
// kind with a font table the raw block "FNTS" of its font table.
//
// Library files are written to the user's library folder (the user's data folder and the
// folder of string 3500) and read from it first, then from the installed library folder.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "platform/FontArray.h"
#include "platform/StdArray.h"

class CFile;
struct FileSpec;

class CLibrary {
public:
    static constexpr std::uint16_t kVersion = 16;

    CLibrary();
    virtual ~CLibrary();

    // The number of entries.
    virtual int GetCount() { return items->GetCount(); }
    // Opens the named library (name without folder and extension): the record names the file
    // found in the user's library folder, else the installed one, and it is loaded; when that
    // fails the record's name is emptied (so a later save asks for one). Nothing happens when
    // neither library folder is known.
    virtual void Open(FileSpec& record, const char* name);
    // Reads the file at the record's path into this library; false (the library as it was)
    // when it cannot be opened, is of another kind (message 10011), holds entries this kind
    // cannot take, ends inside a block, or runs out of memory.
    virtual bool Load(const FileSpec& record);
    // The start-up load of the library the preferences name; the base loads nothing.
    virtual void LoadDefault() {}
    // Translates the entries' font references through the font table: for a save (recorded)
    // or after a load (mapped back). The base has none.
    virtual void MapFonts(bool forSave) {}
    // Opens the kind's library dialog; the base has none.
    virtual void Edit() {}
    // Makes dest an equal copy of this library (entries, font table, every field); false when
    // memory runs out or dest is of another kind.
    virtual bool CopyTo(CLibrary& dest) = 0;
    // A new library equal to this one; null when memory runs out.
    virtual std::unique_ptr<CLibrary> Clone() = 0;

    // Writes the library: into the user's library folder under the record's name, or, when the
    // record has no name or askName is set, to the file the save dialog gives (the record then
    // names it). Clears the modified flag. False when cancelled or not written (the flag stays).
    bool Save(FileSpec& record, bool askName);
    // Lets the user pick a library file (the open dialog in the user's library folder) and
    // loads it; false on cancel or when it does not load. The record names the chosen file.
    bool Browse(FileSpec& record);

    // --- entries (an index outside the entries does nothing) ---
    // Appends a copy of an entry; its address, null when memory runs out. Does not mark.
    void* AddItem(const void* entry) { return items->Add(entry); }
    // The entry at an index, null outside the entries.
    void* GetItem(int index) { return index >= 0 && index < items->GetCount() ? items->GetAt(index) : nullptr; }
    // Copies the entry at an index out (entry size bytes); false outside the entries.
    bool CopyItem(int index, void* buffer);
    // These mark the library modified.
    void InsertItem(int index, const void* entry);
    void InsertEmptyItem(int index);
    void RemoveItem(int index);
    // The new entry takes the place of the old one.
    void ReplaceItem(int index, const void* entry);
    void RemoveAllItems();
    void SetItemSize(int size) { items->SetElemSize(size); }
    int GetItemSize() { return items->GetElementSize(); }

    std::uint32_t GetTag() const { return tag; }
    void SetTag(std::uint32_t t) { tag = t; }
    std::uint16_t GetVersion() const { return version; }
    CFontArray* GetFontTable() { return fonts.get(); }
    bool IsModified() const { return modified != 0; }
    void SetModified(std::uint8_t m) { modified = m; }

    // The user's library folder (where libraries are written), with a "/" at its end.
    static std::string FolderPath();
    // The installed library folder (the program folder and the folder of string 3500), with a
    // "/" at its end; empty when the program folder is not known.
    static std::string InstalledFolderPath();
    // The path of the library file of a name (without extension): in the user's folder when
    // it is there, else in the installed one; empty when neither folder is known.
    static std::string FindFile(const char* name);
    // A type tag from its four characters in file order.
    static constexpr std::uint32_t Tag(const char (&s)[5]) {
        return std::uint32_t(std::uint8_t(s[0])) | std::uint32_t(std::uint8_t(s[1])) << 8 |
               std::uint32_t(std::uint8_t(s[2])) << 16 | std::uint32_t(std::uint8_t(s[3])) << 24;
    }

protected:
    // A deep copy: the entries and the font table are copied, never shared.
    CLibrary(const CLibrary& from);
    // Copies every field and the two tables' contents; throws std::bad_alloc when memory runs
    // out.
    CLibrary& operator=(const CLibrary& from);
    // Clone and CopyTo of a kind: its whole object.
    template <class Kind>
    static std::unique_ptr<CLibrary> CloneOf(const Kind& self) {
        try {
            return std::make_unique<Kind>(self);
        } catch (const std::bad_alloc&) {
            return nullptr;
        }
    }
    template <class Kind>
    static bool CopyOf(const Kind& self, CLibrary& dest) {
        auto* d = dynamic_cast<Kind*>(&dest);
        if (!d) return false;
        if (d == &self) return true;
        try {
            *d = self;
        } catch (const std::bad_alloc&) {
            return false;
        }
        return true;
    }

    // Whether the entries a file gave (size and count as the file says) are what this kind
    // works with; the base takes entries of the kind's entry size (any when it has none).
    virtual bool AcceptsItems(CStdArray& loaded) {
        return items->GetElementSize() == 0 || loaded.GetElementSize() == items->GetElementSize();
    }
    // The header (tag and version as held) and the entries' raw block "ARRY".
    virtual void WriteHeader(CFile& file);
    virtual void WriteItems(CFile& file);

    std::uint8_t modified = 0;
    std::uint16_t version = kVersion;
    std::uint32_t tag = Tag("ZLLB");
    std::unique_ptr<CStdArray> items;
    std::unique_ptr<CFontArray> fonts;  // null for a kind that keeps no fonts
};
