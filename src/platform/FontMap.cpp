#include "platform/FontMap.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include <strings.h>

#include "framework/CodePage.h"
#include "framework/DC.h"
#include "framework/File.h"
#include "framework/Fonts.h"
#include "framework/MusicFont.h"
#include "framework/StringTable.h"
#include "platform/Artist.h"
#include "platform/ChunkStream.h"
#include "platform/DrawGlobals.h"
#include "platform/Port.h"

void FontMap::Init() {
    musicFace = g_draw.defaultMusicFontRef.face;
    musicSize = g_draw.defaultMusicFontRef.size;
    third = 0;
    for (auto& s : slots) s = FontMapSlot{};
}

void FontMap::Write(CChunkStream& s) const {
    s.BeginChunk(MakeChunkTag("FMAP"), -1);
    s.WriteWord(musicFace);
    s.WriteWord(musicSize);
    s.WriteWord(third);
    for (const auto& slot : slots) {
        s.WriteByte(slot.on);
        s.WriteByte(slot.flag2);
        s.WriteWord(slot.character);
        s.WriteWord(slot.face);
        s.WriteCoord(slot.dx);
        s.WriteCoord(slot.dy);
    }
    s.EndChunk(-1);
}

void FontMap::Read(CChunkStream& s) {
    s.BeginReadChunk(MakeChunkTag("FMAP"));
    s.ReadWordTo(&musicFace);
    s.ReadWordTo(&musicSize);
    s.ReadWordTo(&third);
    for (auto& slot : slots) {
        s.ReadByteTo(&slot.on);
        s.ReadByteTo(&slot.flag2);
        s.ReadWordTo(&slot.character);
        s.ReadWordTo(&slot.face);
        s.ReadCoordTo(&slot.dx);
        s.ReadCoordTo(&slot.dy);
    }
    s.EndReadChunk();
}

bool FontMap::ReadOldRaw(CFile& file) {
    char tag[4];
    std::uint32_t length = 0;
    if (file.Read(tag, 4) != 4 || file.Read(&length, 4) != 4) return false;
    if (std::memcmp(tag, "FMAP", 4) != 0) {
        file.Seek(length, CFile::current);
        return true;
    }
    std::uint32_t thirdLong = 0;
    if (length < 2568) {
        file.Seek(length, CFile::current);
        return true;
    }
    if (file.Read(&musicFace, 2) != 2 || file.Read(&musicSize, 2) != 2 || file.Read(&thirdLong, 4) != 4) return false;
    third = std::uint16_t(thirdLong);
    if (file.Read(slots, sizeof slots) != sizeof slots) return false;
    if (length > 2568) file.Seek(length - 2568, CFile::current);
    return true;
}

void FontMap::Remap(const std::function<std::uint16_t(std::uint16_t)>& faceMap) {
    if (!faceMap) return;
    musicFace = faceMap(musicFace);
    for (auto& s : slots) s.face = faceMap(s.face);
}

// --- the installed-font list ---

namespace {
CFontList* g_fontList = nullptr;

std::string FaceString(UINT id, const char* fallback) {
    std::string s;
    if (fw::LoadStringResource(id, s) && !s.empty()) return s;
    return fallback;
}
}  // namespace

CFontList* GetFontList() { return g_fontList; }
void SetFontList(CFontList* list) { g_fontList = list; }

int CompareFaceNames(const char* a, const char* b) {
    // Letters compare without regard to case first; at equal letters lower case comes first.
    const unsigned char* p = reinterpret_cast<const unsigned char*>(a);
    const unsigned char* q = reinterpret_cast<const unsigned char*>(b);
    int tie = 0;
    for (; *p && *q; ++p, ++q) {
        int x = std::tolower(*p), y = std::tolower(*q);
        if (x != y) return x < y ? -1 : 1;
        if (!tie && *p != *q) tie = std::islower(*p) ? -1 : 1;
    }
    if (*p) return 1;
    if (*q) return -1;
    return tie;
}

CFontList::CFontList() {
    struct Pass {
        UINT id;
        const char* fallback;
        bool music;
    };
    const Pass passes[] = {{6500, "MS Sans Serif", false}, {6501, "Times New Roman", false}, {6503, "MS Sans Serif", false},
                           {6502, fw::kMusicFaceName, true},  {6504, "Times New Roman", false}};
    auto listed = [&](const std::string& name) {
        return std::any_of(list_.begin(), list_.end(), [&](const TFontLog& e) { return name == e.name; });
    };
    auto take = [&](const fw::FontFaceInfo& info, bool musicPass, const std::string& wanted) {
        if (listed(info.name)) return;
        TFontLog e;
        if (musicPass) {
            if (info.name != wanted || !(info.fontType & TRUETYPE_FONTTYPE)) return;
        }
        e.fontType = info.fontType;
        fw::CopyText(e.name, sizeof e.name, info.name);
        e.logFont = info.logFont;
        if (musicPass) e.logFont.lfOutPrecision = OUT_TT_ONLY_PRECIS;
        list_.push_back(e);
    };
    for (const Pass& pass : passes) {
        std::string name = FaceString(pass.id, pass.fallback);
        for (const auto& info : fw::EnumFontFamilies(name.c_str())) take(info, pass.music, name);
    }
    for (const auto& info : fw::EnumFontFamilies(nullptr)) take(info, false, {});
    std::stable_sort(list_.begin(), list_.end(),
                     [](const TFontLog& a, const TFontLog& b) { return CompareFaceNames(a.name, b.name) < 0; });
    for (const TFontLog& e : list_)
        charSets_.push_back(std::uint8_t(fw::IsJapaneseFace(e.name) ? kJapaneseCharSet : kChineseCharSet));
}

CFontList::~CFontList() {
    if (g_fontList == this) g_fontList = nullptr;
}

bool CFontList::FindFace(const char* name, FontRef* ref, bool zeroWhenMissing) const {
    for (std::size_t i = 0; i < list_.size(); ++i) {
        if (name && std::strcmp(list_[i].name, name) == 0) {
            if (ref) ref->face = std::uint16_t(i);
            return true;
        }
    }
    if (ref) ref->face = zeroWhenMissing ? 0 : FontRef::kNoFace;
    return false;
}

void CFontList::GetFaceName(int index, char* out, std::size_t size) const {
    if (!out || size == 0) return;
    const char* n = GetFaceName(index);
    fw::CopyText(out, size, n);
}

const char* CFontList::GetFaceName(int index) const {
    if (index < 0 || index >= int(list_.size())) return "";
    return list_[std::size_t(index)].name;
}

const TFontLog* CFontList::GetEntry(int index) const {
    if (index < 0 || index >= int(list_.size())) return nullptr;
    return &list_[std::size_t(index)];
}

int CFontList::GetCharSet(int index) const {
    if (index < 0 || std::size_t(index) >= charSets_.size()) return kChineseCharSet;
    return charSets_[std::size_t(index)];
}

void CFontList::SetCharSet(int index, int charSet) {
    if (index >= 0 && std::size_t(index) < charSets_.size()) charSets_[std::size_t(index)] = std::uint8_t(charSet);
}

void CFontList::SelectFont(int face, int size, int style, int escapement, int width) {
    CDC* port = g_draw.currentPort;
    CArtist* artist = g_draw.artist;
    if (port && artist && artist->savedFont) {
        port->SelectObject(artist->savedFont);
        artist->savedFont = nullptr;
    }
    if (face < 0 || !port) return;
    font_.DeleteObject();
    size = std::max(size, 2);
    LOGFONT lf;
    if (const TFontLog* e = GetEntry(face)) lf = e->logFont;
    lf.lfHeight = -size;
    lf.lfWeight = (style & 1) ? FW_BOLD : 0;
    lf.lfItalic = (style & 2) ? 1 : 0;
    lf.lfUnderline = (style & 4) ? 1 : 0;
    lf.lfWidth = width;
    lf.lfEscapement = escapement;
    lf.lfOrientation = g_draw.suppressOrientation ? 0 : escapement;
    if (escapement != 0) lf.lfOutPrecision = OUT_TT_ONLY_PRECIS;
    if (!font_.CreateFontIndirect(lf)) return;
    CFont* old = port->SelectObject(&font_);
    if (artist) artist->savedFont = old;
}

bool CFontList::ChooseFont(FontRef* ref) {
    if (!ref) return false;
    const char* face = ref->face < list_.size() ? list_[ref->face].name : "";
    std::string chosen;
    int tenths = 0, style = 0;
    if (!fw::RunFontDialog(face, ref->size, ref->style, &chosen, &tenths, &style)) return false;
    ref->size = std::uint16_t(tenths / 10);
    FindFace(chosen.c_str(), ref, true);
    ref->style = std::uint8_t(style);
    ref->pad = 0;
    return true;
}

bool IsMusicFont(int face) {
    if (face < 0) return false;
    if (face == g_draw.defaultMusicFontRef.face || face == g_draw.jazzFace) return true;
    CFontList* list = GetFontList();
    if (!list) return false;
    const char* name = list->GetFaceName(face);
    static const char* const known[] = {"Anastasia", "Inkpen", "Inkpen2", "Jazz", "Opus",
                                        "Maestro", "Petrucci", "Reprise", "Helsinki"};
    for (const char* k : known)
        if (strcasecmp(name, k) == 0) return true;
    return false;
}
