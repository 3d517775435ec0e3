#include "model/Preferences.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "framework/CodePage.h"
#include "framework/File.h"
#include "framework/Globals.h"
#include "framework/Paths.h"
#include "framework/StringTable.h"
#include "model/EngraverSettings.h"
#include "model/ModelGlobals.h"
#include "platform/DrawGlobals.h"
#include "platform/FontMap.h"
#include "platform/PlatformGlobals.h"
#include "platform/RvqUtil.h"
#include "platform/StdDlgGlobals.h"
#include "platform/Theme.h"

Preferences g_preferences;

void ResetPreferences() { g_preferences.SetDefaults(); }

namespace {

[[maybe_unused]] const bool registered = fw::RegisterGlobalsReset(&ResetPreferences);

using P = Preferences;

// ---- the defaults ----------------------------------------------------------------------------

struct ByteDefault {
    int offset;
    std::uint8_t value;
};

constexpr ByteDefault kByteDefaults[] = {
    {P::kBeam, 1},          {P::kSpace, 1},          {P::kTranscribe, 1},   {P::kWrap, 1},
    {P::kDoubleBar, 1},     {P::kNewDialog, 1},      {P::kMiddleC, 1},      {P::kDragNote, 1},
    {P::kVolumeCtrl, 7},    {P::kAugmented, 1},      {P::kTexture, 11},     {P::kRests, 1},
    {P::kSplitEnabled, 1},  {P::kOneVoice, 1},       {P::kSplitPitch, 60},  {P::kTuplets, 1},
    {P::kStaccatoValue, 50}, {P::kTenutoValue, 90},  {P::kClickInRecord, 1}, {P::kThruFollow, 1},
    {P::kSaveMinutes, 1},   {P::kAccidentalSticky, 1}, {P::kAdvanceCursor, 1},
};

// The colour bytes of the theme block, from "Cell Body" to "Voice 8".
constexpr std::uint8_t kThemeColorDefaults[17] = {0, 3, 7, 0, 72, 1, 12, 5, 128, 0, 5, 60, 66, 85, 95, 6, 72};

struct WordDefault {
    int offset;
    std::int16_t value;
};

constexpr WordDefault kWordDefaults[] = {
    {P::kCountBars, 1},
    {P::kAccentedClick, 76},      {P::kAccentedClick + 2, 120},   {P::kAccentedClick + 4, 50},
    {P::kAccentedClick + 6, 0},   {P::kAccentedClick + 8, 9},
    {P::kUnaccentedClick, 76},    {P::kUnaccentedClick + 2, 80},  {P::kUnaccentedClick + 4, 40},
    {P::kUnaccentedClick + 6, 0}, {P::kUnaccentedClick + 8, 9},
    {P::kQuantizeIndex, 5},       {P::kSyncDevice, -1},
};

constexpr std::int16_t kDynamicsDefaults[16] = {30, 40, 50, 60, 70, 80, 90, 100, 110, 120, 110, 110, 110, 110, 110, 110};

constexpr UINT kLibraryNameStrings = 6640;  // six strings, in the order of the fields
constexpr UINT kSerifFontString = 6501;
constexpr UINT kMusicFontString = 6502;

// ---- the stored tree -------------------------------------------------------------------------

enum class Kind : std::uint8_t { Flag, Byte, Word, Dword, Text, Engraver, FontFace, FontSize, FontStyle };

struct Row {
    const char* key;  // below the program's key; "" is the program's key itself
    std::string name;
    int offset;
    Kind kind;
};

const char* const kFontKinds[P::kStoredFonts] = {
    "BarText", "SystemText", "RehearsalText", "PageText", "LyricText", "BarNumber", "TrackName",
    "TrackAbbr", "Tablature", "Ending", "Tempo", "Meter", "MultiRest",
};

const char* const kFilterNames[14] = {
    "Notes", "Program Change", "Pitch Bend", "After Touch", "Poly After Touch", "DX7 After Touch", "Mod Wheel",
    "Breath Controller", "Foot Controller", "Portamento Time", "Volume", "Pan", "Sustain", "Portamento Pedal",
};

const char* const kDynamicsNames[16] = {"pppp", "ppp", "pp", "p", "mp", "mf", "f", "ff",
                                        "fff", "ffff", "sf", "fz", "sfz", "sffz", "fp", "sfp"};

const char* const kClickNames[5] = {"Pitch", "Velocity", "Duration", "Device", "Channel"};

constexpr const char* kAutoFlags = "Preferences\\Auto Flags";

// Every stored value, key by key in the order of loading; each key's values in their order.
const std::vector<Row>& storedRows() {
    static const std::vector<Row> rows = [] {
        std::vector<Row> r;
        auto add = [&r](const char* key, std::string name, int offset, Kind kind) {
            r.push_back(Row{key, std::move(name), offset, kind});
        };
        add("", "Version", P::kVersion, Kind::Word);

        const char* k = kAutoFlags;
        add(k, "Beam", P::kBeam, Kind::Flag);
        add(k, "Space", P::kSpace, Kind::Flag);
        add(k, "Transcribe", P::kTranscribe, Kind::Flag);
        add(k, "Wrap", P::kWrap, Kind::Flag);
        add(k, "Skip Tied Notes", P::kSkipTiedNotes, Kind::Flag);
        add(k, "Double Bar", P::kDoubleBar, Kind::Flag);
        add(k, "Metric", P::kMetric, Kind::Flag);
        add(k, "Augmented", P::kAugmented, Kind::Flag);
        add(k, "All Popup Names", P::kAllPopupNames, Kind::Flag);
        add(k, "New Dialog", P::kNewDialog, Kind::Flag);
        add(k, "Correct", P::kCorrect, Kind::Flag);
        add(k, "Ledt Edge Barline", P::kLeftEdgeBarline, Kind::Flag);
        add(k, "Rests", P::kRests, Kind::Flag);
        add(k, "Grid", P::kGrid, Kind::Byte);
        add(k, "Show Tempo Value", P::kShowTempoValue, Kind::Flag);
        add(k, "Show Tempo Text", P::kShowTempoText, Kind::Flag);
        add(k, "Show Track Voice Names", P::kShowTrackVoiceNames, Kind::Flag);
        add(k, "Raw Heads", P::kRawHeads, Kind::Flag);
        add(k, "Transparent Tablature", P::kTransparentTablature, Kind::Flag);
        add(k, "Guitar View", P::kGuitarView, Kind::Flag);
        add(k, "Save", P::kAutoSave, Kind::Flag);
        add(k, "Save Minutes", P::kSaveMinutes, Kind::Byte);
        add(k, "Accidental Sticky", P::kAccidentalSticky, Kind::Flag);
        add(k, "No Rehearsal Box", P::kNoRehearsalBox, Kind::Flag);
        add(k, "Advance Cursor", P::kAdvanceCursor, Kind::Flag);
        add(k, "Lyrics To EOS", P::kLyricsToEndOfSystem, Kind::Byte);

        k = "Preferences\\Playback";
        add(k, "Note Name Type", P::kNoteNameType, Kind::Byte);
        add(k, "Quantize Index", P::kQuantizeIndex, Kind::Word);
        add(k, "Drag Chromatic", P::kDragChromatic, Kind::Flag);
        add(k, "Drag Chord", P::kDragChord, Kind::Flag);
        add(k, "Drag Note", P::kDragNote, Kind::Flag);
        add(k, "Volume Ctrl", P::kVolumeCtrl, Kind::Byte);
        add(k, "Middle C", P::kMiddleC, Kind::Byte);
        add(k, "Allow No Inputs", P::kAllowNoInputs, Kind::Flag);
        add(k, "Reset Mod Wheel", P::kResetModWheel, Kind::Flag);
        add(k, "Use Default Device", P::kUseDefaultDevice, Kind::Word);
        add(k, "Default Device", P::kDefaultDevice, Kind::Word);
        add(k, "Default Device Channel", P::kDefaultDeviceChannel, Kind::Word);
        add(k, "Sync Device", P::kSyncDevice, Kind::Word);

        k = "Preferences\\Playback\\Metronone";
        add(k, "Click Enabled", P::kClickEnabled, Kind::Flag);
        add(k, "Click In Record", P::kClickInRecord, Kind::Flag);
        add(k, "Click In Play", P::kClickInPlay, Kind::Flag);
        add(k, "Click In Countoff", P::kClickInCountoff, Kind::Flag);
        add(k, "Count Bars", P::kCountBars, Kind::Word);
        for (int i = 0; i < 5; ++i) add(k, std::string("Accented ") + kClickNames[i], P::kAccentedClick + 2 * i, Kind::Word);
        for (int i = 0; i < 5; ++i)
            add(k, std::string("Unaccented ") + kClickNames[i], P::kUnaccentedClick + 2 * i, Kind::Word);

        k = "Preferences\\Playback\\Dynamics";
        for (int i = 0; i < 16; ++i) add(k, kDynamicsNames[i], P::kDynamicsVelocities + 2 * i, Kind::Word);

        k = "Preferences\\Playback\\Thru";
        add(k, "Enabled", P::kThruEnabled, Kind::Flag);
        add(k, "Follow", P::kThruFollow, Kind::Flag);
        add(k, "Channel", P::kThruChannel, Kind::Word);
        add(k, "Device", P::kThruDevice, Kind::Word);
        add(k, "Patch", P::kThruPatch, Kind::Dword);
        add(k, "Transpose", P::kThruTranspose, Kind::Word);

        k = "Preferences\\Playback\\Record";
        add(k, "Split Enabled", P::kSplitEnabled, Kind::Flag);
        add(k, "Split Pitch", P::kSplitPitch, Kind::Byte);
        add(k, "One Voice", P::kOneVoice, Kind::Flag);
        add(k, "Tuplets", P::kTuplets, Kind::Flag);
        add(k, "Flags", P::kRecordFlags, Kind::Byte);
        add(k, "Staccato Value", P::kStaccatoValue, Kind::Byte);
        add(k, "Tenuto Value", P::kTenutoValue, Kind::Byte);

        k = "Preferences\\Playback\\Record\\Filter";
        add(k, "Type", P::kFilterType, Kind::Byte);
        for (int i = 0; i < 14; ++i) add(k, kFilterNames[i], P::kFilterFlags + i, Kind::Flag);

        k = "Preferences\\Libraries";
        add(k, "AutoSave", P::kLibraryAutoSave, Kind::Flag);
        add(k, "Major", P::kChordDefaults, Kind::Byte);
        add(k, "Minor", P::kChordDefaults + 1, Kind::Byte);
        add(k, "Diminished", P::kChordDefaults + 2, Kind::Byte);
        add(k, "Augmented", P::kChordDefaults + 3, Kind::Byte);

        k = "Preferences\\Theme";
        add(k, "Panel Bitmap", P::kPanelBitmap, Kind::Text);
        add(k, "Dock Bitmap", P::kDockBitmap, Kind::Text);
        add(k, "Main Window", P::kMainWindow, Kind::Byte);
        add(k, "Cell Body", P::kCellBody, Kind::Byte);
        add(k, "Cell Text", P::kCellText, Kind::Byte);
        add(k, "Menu Body", P::kMenuBody, Kind::Byte);
        add(k, "Menu Text", P::kMenuText, Kind::Byte);
        add(k, "Selected Items", P::kSelectedItems, Kind::Byte);
        add(k, "InActive Items", P::kInactiveItems, Kind::Byte);
        add(k, "Midi Data Box", P::kMidiDataBox, Kind::Byte);
        add(k, "Texture", P::kTexture, Kind::Byte);
        for (int i = 0; i < 8; ++i) add(k, "Voice " + std::to_string(i + 1), P::kVoiceColors + i, Kind::Byte);

        k = "Preferences\\Midi Data Editing";
        add(k, "View Percentage", P::kDataViewPercentage, Kind::Byte);
        add(k, "Data Type", P::kDataType, Kind::Byte);
        add(k, "Controller", P::kDataController, Kind::Byte);

        k = "Preferences\\Font Names";
        for (int i = 0; i < P::kStoredFonts; ++i) {
            const int at = P::kFonts + 6 * i;
            add(k, kFontKinds[i], at, Kind::FontFace);
            add(k, std::string(kFontKinds[i]) + "-size", at + 2, Kind::FontSize);
            add(k, std::string(kFontKinds[i]) + "-face", at + 4, Kind::FontStyle);
        }

        k = "Preferences\\Path Names";
        add(k, "Default Folder", P::kDefaultFolder, Kind::Text);
        add(k, "VST Plugins", P::kVstFolder, Kind::Text);

        k = "Preferences\\Path Names\\Libraries";
        const char* libraries[P::kLibraryCount] = {"Allotment", "Chord", "Drum", "Expresion", "Instrument", "Guitar"};
        for (int i = 0; i < P::kLibraryCount; ++i) add(k, libraries[i], P::kLibraryNames + P::kTextSize * i, Kind::Text);

        add("Preferences\\Engraver", "Settings", P::kEngraver, Kind::Engraver);
        add("Preferences\\Extract", "Percentage", P::kExtractPercentage, Kind::Byte);

        k = "Preferences\\Audio";
        add(k, "Use Engine", P::kUseEngine, Kind::Flag);
        add(k, "Sample Rate", P::kSampleRate, Kind::Dword);
        add(k, "Buffer Size", P::kBufferSize, Kind::Dword);
        add(k, "Bit Depth", P::kBitDepth, Kind::Dword);
        add(k, "Driver Name", P::kDriverName, Kind::Text);
        return r;
    }();
    return rows;
}

// The default text font reference: the serif face found at start-up with its size.
FontRef defaultTextFont() { return g_draw.standardFontRefs[1]; }

bool isInstalledFace(int face) {
    const CFontList* list = GetFontList();
    return list && face >= 0 && face < list->GetCount();
}

// The face name of a reference's font; a font id that names no installed font gives the
// default text font's face.
std::string faceNameOf(const FontRef& ref) {
    const CFontList* list = GetFontList();
    if (!list) return {};
    int face = std::int16_t(ref.face) < 0 ? 0 : ref.face;
    if (!isInstalledFace(face)) face = defaultTextFont().face;
    return list->GetFaceName(face);
}

// The installed font called name, or -1.
int findFace(const char* name) {
    const CFontList* list = GetFontList();
    FontRef found;
    if (!list || !list->FindFace(name, &found, false)) return -1;
    return found.face;
}

std::string programKey() { return g_platform.programKeyPath; }

// The program's key of an older version: its version digit 4 replaced.
std::string olderProgramKey(char digit) {
    std::string key = programKey();
    std::size_t at = key.rfind('4');
    if (at != std::string::npos) key[at] = digit;
    return key;
}

void readRow(RegKeyRecord& key, const Row& row, Preferences& p) {
    const char* name = row.name.c_str();
    switch (row.kind) {
    case Kind::Flag:
    case Kind::Byte: {
        BYTE v = p.Byte(row.offset);
        bool ok = row.kind == Kind::Flag ? GetRegBool(key, name, v) : GetRegByte(key, name, v);
        if (ok) p.bytes[row.offset] = v;
        break;
    }
    case Kind::Word: {
        WORD v = 0;
        if (GetRegWord(key, name, v)) p.SetWord(row.offset, std::int16_t(v));
        break;
    }
    case Kind::Dword: {
        DWORD v = 0;
        if (GetRegDword(key, name, v)) p.SetDword(row.offset, std::int32_t(v));
        break;
    }
    case Kind::Text:
        GetRegStringNoDefault(key, name, reinterpret_cast<char*>(p.bytes + row.offset), P::kTextSize);
        p.bytes[row.offset + P::kTextSize - 1] = 0;
        break;
    case Kind::Engraver:
        QueryRegValue(key, name, p.bytes + row.offset, sizeof(EngraverSettings));
        break;
    case Kind::FontFace: {
        FontRef ref = p.Font((row.offset - P::kFonts) / 6);
        char face[P::kTextSize];
        GetRegString(key, name, faceNameOf(ref).c_str(), face, sizeof face);
        WORD size = ref.size;
        if (GetRegWord(key, (row.name + "-size").c_str(), size)) ref.size = size;
        BYTE style = ref.style;
        if (GetRegByte(key, (row.name + "-face").c_str(), style)) ref.style = style;
        if (int found = findFace(face); found >= 0) ref.face = std::uint16_t(found);
        p.SetFont((row.offset - P::kFonts) / 6, ref);
        break;
    }
    case Kind::FontSize:
    case Kind::FontStyle: break;  // read with the face
    }
}

RegValueData dwordValue(const std::string& name, DWORD v) {
    return RegValueData{name, REG_DWORD, std::string(reinterpret_cast<const char*>(&v), 4)};
}

RegValueData rowValue(const Row& row, const Preferences& p) {
    switch (row.kind) {
    case Kind::Flag:
    case Kind::Byte:
    case Kind::FontStyle: return dwordValue(row.name, p.Byte(row.offset));
    case Kind::Word:
    case Kind::FontSize: return dwordValue(row.name, DWORD(std::int32_t(p.Word(row.offset))));
    case Kind::Dword: return dwordValue(row.name, DWORD(p.Dword(row.offset)));
    case Kind::Text: return RegValueData{row.name, REG_SZ, std::string(p.Text(row.offset)) + '\0'};
    case Kind::Engraver:
        return RegValueData{row.name, REG_BINARY,
                            std::string(reinterpret_cast<const char*>(p.bytes + row.offset), sizeof(EngraverSettings))};
    case Kind::FontFace: {
        FontRef ref = p.Font((row.offset - P::kFonts) / 6);
        return RegValueData{row.name, REG_SZ, faceNameOf(ref) + '\0'};
    }
    }
    return {};
}

std::string hexOf(const std::uint8_t* data, int size) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (int i = 0; i < size; ++i) {
        out += kHex[data[i] >> 4];
        out += kHex[data[i] & 15];
    }
    return out;
}

}  // namespace

// ---- fields -----------------------------------------------------------------------------------

std::int16_t Preferences::Word(int offset) const {
    return std::int16_t(std::uint16_t(bytes[offset] | (bytes[offset + 1] << 8)));
}

std::int32_t Preferences::Dword(int offset) const {
    std::uint32_t v = std::uint32_t(bytes[offset]) | (std::uint32_t(bytes[offset + 1]) << 8) |
                      (std::uint32_t(bytes[offset + 2]) << 16) | (std::uint32_t(bytes[offset + 3]) << 24);
    return std::int32_t(v);
}

FontRef Preferences::Font(int index) const {
    const int at = kFonts + 6 * index;
    return FontRef{std::uint16_t(Word(at)), std::uint16_t(Word(at + 2)), bytes[at + 4], bytes[at + 5]};
}

EngraverSettings& Preferences::Engraver() { return *reinterpret_cast<EngraverSettings*>(bytes + kEngraver); }
const EngraverSettings& Preferences::Engraver() const {
    return *reinterpret_cast<const EngraverSettings*>(bytes + kEngraver);
}

void Preferences::SetByte(int offset, std::uint8_t v) {
    bytes[offset] = v;
    Changed();
}

void Preferences::SetWord(int offset, std::int16_t v) {
    const auto u = std::uint16_t(v);
    bytes[offset] = std::uint8_t(u);
    bytes[offset + 1] = std::uint8_t(u >> 8);
    Changed();
}

void Preferences::SetDword(int offset, std::int32_t v) {
    const auto u = std::uint32_t(v);
    for (int i = 0; i < 4; ++i) bytes[offset + i] = std::uint8_t(u >> (8 * i));
    Changed();
}

void Preferences::SetText(int offset, const char* text) {
    std::memset(bytes + offset, 0, kTextSize);
    fw::CopyText(reinterpret_cast<char*>(bytes + offset), kTextSize, text ? text : "");
    Changed();
}

void Preferences::SetFont(int index, const FontRef& ref) {
    const int at = kFonts + 6 * index;
    SetWord(at, std::int16_t(ref.face));
    SetWord(at + 2, std::int16_t(ref.size));
    bytes[at + 4] = ref.style;
    bytes[at + 5] = ref.pad;
}

void Preferences::Changed() {
    if (this == &g_preferences) PublishGlobals();
}

void Preferences::PublishGlobals() const {
    g_platform.metricUnits = Byte(kMetric) != 0;
    g_platform.noteNameStyle = Byte(kNoteNameType);
    g_platform.octaveNumberOffset = Byte(kMiddleC);
    g_ui.listUnnamedEntries = Byte(kAllPopupNames) != 0;
    for (int i = 0; i < 8; ++i) g_draw.roleColors[i] = Byte(kVoiceColors + i);
    g_draw.roleColors[8] = Byte(kInactiveItems);
    g_draw.roleColors[9] = Byte(kSelectedItems);
}

// ---- defaults --------------------------------------------------------------------------------

void Preferences::SetDefaults() {
    std::memset(bytes + 2, 0, kSize - 2);
    auto put16 = [this](int at, std::int16_t v) {
        bytes[at] = std::uint8_t(std::uint16_t(v));
        bytes[at + 1] = std::uint8_t(std::uint16_t(v) >> 8);
    };
    auto put32 = [this](int at, std::int32_t v) {
        for (int i = 0; i < 4; ++i) bytes[at + i] = std::uint8_t(std::uint32_t(v) >> (8 * i));
    };
    put16(kRecordSize, kSize);
    put16(kVersion, kCurrentVersion);
    put16(kVersionCopy, kCurrentVersion);
    for (const ByteDefault& d : kByteDefaults) bytes[d.offset] = d.value;
    for (int i = 0; i < 17; ++i) bytes[kCellBody + i] = kThemeColorDefaults[i];
    for (const WordDefault& d : kWordDefaults) put16(d.offset, d.value);
    for (int i = 0; i < 16; ++i) put16(kDynamicsVelocities + 2 * i, kDynamicsDefaults[i]);
    put32(kThruPatch, -1);
    put32(kBitDepth, 16);
    put32(kBufferSize, 512);
    InitEngraverSettings(Engraver());
}

void Preferences::SetDefaultFonts(int languageSizeOffset) {
    const CFontList* list = GetFontList();
    std::string serifName, musicName;
    fw::LoadStringResource(kSerifFontString, serifName);
    fw::LoadStringResource(kMusicFontString, musicName);
    FontRef serif, music;
    if (list) {
        list->FindFace(serifName.c_str(), &serif, true);
        list->FindFace(musicName.c_str(), &music, true);
    } else {
        serif.face = music.face = 0;
    }
    auto ref = [languageSizeOffset](const FontRef& face, int size, std::uint8_t style) {
        return FontRef{face.face, std::uint16_t(size + languageSizeOffset), style, 0};
    };
    for (int i = 0; i < kFontCount; ++i) SetFont(i, FontRef{0, 0, 0, 0});
    for (int i : {0, 1, 2, 3, 4, 6, 7, 9}) SetFont(i, ref(serif, 12, 0));
    SetFont(5, ref(serif, 9, 0));
    SetFont(8, ref(serif, 9, 0));
    SetFont(10, ref(serif, 12, 1));
    SetFont(11, FontRef{music.face, 24, 0, 0});
    SetFont(12, ref(serif, 12, 1));
    SetFont(14, ref(serif, 12, 0));
    SetFont(15, ref(serif, 10, 0));
}

void Preferences::MakeFontsCurrent() const {
    FontRef* table = DefaultFontTable();
    for (int i = 0; i < kFontCount; ++i) table[i] = Font(i);
}

// ---- the settings tree -----------------------------------------------------------------------

bool Preferences::Init() {
    for (int i = 0; i < kLibraryCount; ++i) {
        std::string name;
        fw::LoadStringResource(kLibraryNameStrings + UINT(i), name);
        SetText(kLibraryNames + kTextSize * i, name.c_str());
    }
    SetByte(kAskAudioEngine, 1);

    if (!Load()) {
        ImportOlderVersion();
        SetByte(kFirstRun, 1);
        Engraver().SetWord(EngraverSettings::kAccidentalToNote, 0);
    }

    // Repairs of what was loaded.
    SetWord(kThruTranspose, 0);
    SetDword(kThruPatch, -1);
    if (Word(kCountBars) < 1) SetWord(kCountBars, 1);
    if (Byte(kSaveMinutes) < 1) SetByte(kSaveMinutes, 1);
    EngraverSettings& engraver = Engraver();
    engraver.SetWord(16, 1440);
    if (engraver.GetWord(EngraverSettings::kLedgerLineWidth) == 0)
        engraver.SetWord(EngraverSettings::kLedgerLineWidth, engraver.GetWord(EngraverSettings::kStaffLineWidth));
    for (int i = 0; i < kLibraryCount; ++i) {
        if (Text(kLibraryNames + kTextSize * i)[0]) continue;
        std::string name;
        fw::LoadStringResource(kLibraryNameStrings + UINT(i), name);
        SetText(kLibraryNames + kTextSize * i, name.c_str());
    }
    const FontRef fallback = defaultTextFont();
    for (int i = 0; i < kFontCount; ++i) {
        FontRef ref = Font(i);
        if (i < kStoredFonts && ref.size == 0) ref = fallback;
        // A font id from the store or an older record that names no installed font would
        // index past the font list: it takes the default text font's face.
        if (GetFontList() && !isInstalledFace(ref.face) && ref.size != 0) ref.face = fallback.face;
        SetFont(i, ref);
    }
    SetByte(kResetModWheel, 1);

    // A record older than the theme block, or without audio settings, gets their defaults.
    if (Word(kVersion) < 1024 || Dword(kBufferSize) == 0) {
        std::memset(bytes + kThemeBlock, 0, kThemeBlockSize);
        SetByte(kRests, 1);
        SetByte(kCorrect, 0);
        SetByte(kAugmented, 1);
        SetByte(kSaveMinutes, 1);
        SetByte(kTuplets, 1);
        SetByte(kStaccatoValue, 50);
        SetByte(kTenutoValue, 90);
        SetByte(kRecordFlags, 0);
        for (int i = 0; i < 17; ++i) bytes[kCellBody + i] = kThemeColorDefaults[i];
        SetDword(kBufferSize, 512);
        SetDword(kBitDepth, 16);
    }
    if (Byte(kExtractPercentage) == 0) SetByte(kExtractPercentage, 100);

    // The plug-in folder: the machine's setting, else the user's own.
    std::string vstFolder;
    {
        RegKeyRecord key;
        char path[260] = {};
        if (OpenRegKey(key, "Software\\VST", nullptr, KEY_READ, HKEY_LOCAL_MACHINE) &&
            GetRegStringNoDefault(key, "VSTPluginsPath", path, sizeof path))
            vstFolder = path;
    }
    if (vstFolder.empty()) {
        const char* home = std::getenv("HOME");
        vstFolder = fw::FromUtf8(std::string(home && *home ? home : "/tmp") + "/.vst");
        fw::MakeFolders(fw::ToUtf8(vstFolder));
    }
    if (!Text(kVstFolder)[0]) SetText(kVstFolder, vstFolder.c_str());

    ApplyTheme();

    SetWord(kVersion, kCurrentVersion);
    SetWord(kRecordSize, kSize);
    if (Dword(kBitDepth) == 0) SetDword(kBitDepth, 16);
    PublishGlobals();
    return true;
}

bool Preferences::Load() {
    RegKeyRecord program;
    if (!OpenRegKey(program, programKey().c_str(), nullptr, KEY_READ, HKEY_CURRENT_USER)) return false;
    const std::vector<Row>& rows = storedRows();
    for (std::size_t i = 0; i < rows.size();) {
        const char* keyName = rows[i].key;
        std::size_t end = i;
        while (end < rows.size() && std::strcmp(rows[end].key, keyName) == 0) ++end;
        RegKeyRecord key;
        if (OpenRegKey(key, programKey().c_str(), keyName, KEY_READ, HKEY_CURRENT_USER))
            for (std::size_t r = i; r < end; ++r) readRow(key, rows[r], *this);
        i = end;
    }
    SetByte(kAskAudioEngine, 0);
    return true;
}

void Preferences::Save() const {
    RegKeyRecord program;
    if (!OpenRegKey(program, programKey().c_str(), nullptr, KEY_WRITE, HKEY_CURRENT_USER)) return;
    const std::vector<Row>& rows = storedRows();
    // Keys in the order of writing; "Auto Flags" is written in two goes, the second with the
    // values that the autosave settings and the New dialog change.
    struct Step {
        const char* key;
        int pass;  // for "Auto Flags": 1 all but the autosave values, 2 the late ones
    };
    const Step steps[] = {
        {"", 0},
        {kAutoFlags, 1},
        {"Preferences\\Playback", 0},
        {"Preferences\\Playback\\Metronone", 0},
        {"Preferences\\Playback\\Dynamics", 0},
        {"Preferences\\Playback\\Thru", 0},
        {"Preferences\\Playback\\Record", 0},
        {"Preferences\\Playback\\Record\\Filter", 0},
        {"Preferences\\Libraries", 0},
        {"Preferences\\Theme", 0},
        {"Preferences\\Midi Data Editing", 0},
        {"Preferences\\Font Names", 0},
        {"Preferences\\Path Names\\Libraries", 0},
        {"Preferences\\Engraver", 0},
        {"Preferences\\Extract", 0},
        {"Preferences\\Path Names", 0},
        {kAutoFlags, 2},
        {"Preferences\\Audio", 0},
    };
    for (const Step& step : steps) {
        std::vector<RegValueData> values;
        for (const Row& row : rows) {
            if (std::strcmp(row.key, step.key) != 0) continue;
            const bool late = row.name == "Save" || row.name == "Save Minutes" || row.name == "New Dialog";
            if (step.pass == 1 && (row.name == "Save" || row.name == "Save Minutes")) continue;
            if (step.pass == 2 && !late) continue;
            values.push_back(rowValue(row, *this));
        }
        RegKeyRecord key;
        if (!OpenRegKey(key, programKey().c_str(), *step.key ? step.key : nullptr, KEY_WRITE, HKEY_CURRENT_USER))
            continue;
        // One write per key: each key's values file is replaced whole or not at all.
        RegSetValues(key.hKey, values);
    }
}

void Preferences::ImportOlderVersion() {
    Preferences scratch;
    RegKeyRecord older;
    std::string olderKey;
    for (char digit : {'3', '2', '1'}) {
        olderKey = olderProgramKey(digit);
        if (OpenRegKey(older, olderKey.c_str(), "Preferences", KEY_READ, HKEY_CURRENT_USER)) break;
        olderKey.clear();
    }
    if (!olderKey.empty()) {
        std::memset(scratch.bytes, 0, kOlderCopySize);
        if (QueryRegValue(older, "General", scratch.bytes, kSize) && scratch.Word(kVersionCopy) <= Word(kVersion)) {
            for (int i = 0; i < kStoredFonts; ++i) {
                const FontRef mine = Font(i);
                FontRef theirs = scratch.Font(i);
                char face[kTextSize];
                GetRegString(older, kFontKinds[i], faceNameOf(mine).c_str(), face, sizeof face);
                if (int found = findFace(face); found >= 0) theirs.face = std::uint16_t(found);
                if (theirs.face == FontRef::kNoFace) theirs.face = mine.face;
                scratch.SetFont(i, theirs);
            }
            std::memcpy(bytes, scratch.bytes, kOlderCopySize);
            Changed();
        }
    }
    SetByte(kVolumeCtrl, 7);
}

void Preferences::ApplyTheme() const {
    g_theme.Load(Text(kPanelBitmap), Text(kDockBitmap), Byte(kCellBody), Byte(kCellText), Byte(kMenuBody),
                 Byte(kMenuText));
    // The preferences pages' texture.
    g_ui.prefPagesTexture = Byte(kTexture);
}

std::vector<Preferences::StoredValue> Preferences::DescribeStoredValues() const {
    std::vector<StoredValue> out;
    for (const Row& row : storedRows()) {
        std::string key = programKey();
        if (*row.key) key += std::string("\\") + row.key;
        std::string value;
        int width = 1;
        switch (row.kind) {
        case Kind::Flag:
        case Kind::Byte:
        case Kind::FontStyle: value = std::to_string(Byte(row.offset)); break;
        case Kind::Word:
        case Kind::FontSize:
            value = std::to_string(Word(row.offset));
            width = 2;
            break;
        case Kind::Dword:
            value = std::to_string(Dword(row.offset));
            width = 4;
            break;
        case Kind::Text:
            value = Text(row.offset);
            width = kTextSize;
            break;
        case Kind::Engraver:
            value = hexOf(bytes + row.offset, int(sizeof(EngraverSettings)));
            width = int(sizeof(EngraverSettings));
            break;
        case Kind::FontFace:
            value = faceNameOf(Font((row.offset - kFonts) / 6));
            width = 2;
            break;
        }
        out.push_back(StoredValue{row.offset, width, row.kind == Kind::Flag, key, row.name, value});
    }
    return out;
}
