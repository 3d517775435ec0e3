// The installed-font list that font references index, and the document's font map that
// redirects single music characters to another face and character.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "framework/Gdi.h"
#include "platform/FontRef.h"

class CChunkStream;
class CFile;

struct FontMapSlot {
    std::uint8_t on = 0;       // substitution on
    std::uint8_t flag2 = 0;    // kept and stored
    std::uint16_t character = 0;
    std::uint16_t face = 0;    // face index of the substitute font
    std::int16_t dx = 0;       // right, in 1/96 of the font size
    std::int16_t dy = 0;       // up, in 1/96 of the font size
};
static_assert(sizeof(FontMapSlot) == 10);

struct FontMap {
    std::uint16_t musicFace = 0;
    std::uint16_t musicSize = 0;
    std::uint16_t third = 0;
    FontMapSlot slots[256];

    // Music face and size from the application's default music font; all slots off.
    void Init();
    // The "FMAP" chunk.
    void Write(CChunkStream& s) const;
    void Read(CChunkStream& s);
    // The raw block of older files: tag, length, then the map as it lay in memory (host
    // byte order). Skips a block of another tag. False when the file ends early.
    bool ReadOldRaw(CFile& file);
    // Maps the face indexes (header and slots) from the stored list to the installed one.
    void Remap(const std::function<std::uint16_t(std::uint16_t)>& faceMap);
};

struct TFontLog {
    std::uint16_t fontType = 0;  // bit 2: TrueType
    char name[32] = {};
    LOGFONT logFont;
};

// The installed faces, sorted by name; one program-wide list.
class CFontList {
public:
    // Fills the list from the system (start-up).
    CFontList();
    ~CFontList();
    int GetCount() const { return int(list_.size()); }
    // Index of the face called name into ref's face; when there is none, 0 (zeroWhenMissing)
    // or 65535. Returns whether it was found.
    bool FindFace(const char* name, FontRef* ref, bool zeroWhenMissing) const;
    void GetFaceName(int index, char* out, std::size_t size) const;
    const char* GetFaceName(int index) const;
    const TFontLog* GetEntry(int index) const;
    // A face's character set (the entry's LOGFONT): kJapaneseCharSet for the faces marked
    // Japanese, else kChineseCharSet (also for an index outside the list).
    enum : int { kJapaneseCharSet = 128, kChineseCharSet = 134 };
    int GetCharSet(int index) const;
    void SetCharSet(int index, int charSet);
    // Makes the shared text font and selects it into the current port.
    void SelectFont(int face, int size, int style, int escapement, int width);
    // The font dialog; false when cancelled.
    bool ChooseFont(FontRef* ref);
    CFont* SharedFont() { return &font_; }

private:
    std::vector<TFontLog> list_;
    std::vector<std::uint8_t> charSets_;  // by index, filled with the list
    CFont font_;
};

// The program-wide list (null before start-up made it).
CFontList* GetFontList();
void SetFontList(CFontList* list);

// True for the application's music face, the "JazzCW" face, and the known music faces by name.
bool IsMusicFont(int face);

// Compares two face names the way the list is sorted.
int CompareFaceNames(const char* a, const char* b);
