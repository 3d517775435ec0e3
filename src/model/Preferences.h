// The preferences: one flat record of 11,018 bytes that every part of the program reads, with
// its defaults, its tree of values in the settings store, the one-time import of an older
// version's record, and the globals of the lower layers that follow its fields.
//
// The record is a byte block: every field lies at a fixed offset and multi-byte numbers are
// little-endian, because an older version stored the whole record as one binary value and its
// first 8,660 bytes are still copied over this record byte for byte. Fields are read and
// written by offset through the accessors below, never through a C++ struct.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/FontRef.h"

struct EngraverSettings;

class Preferences {
public:
    static constexpr int kSize = 11018;
    static constexpr int kCurrentVersion = 1025;
    static constexpr int kTextSize = 256;        // every text field, its zero included
    static constexpr int kOlderCopySize = 8660;  // what an older version's record gives
    static constexpr int kFontCount = 16;        // font references, 6 bytes each
    static constexpr int kStoredFonts = 13;      // the first ones have values in the store
    static constexpr int kLibraryCount = 6;
    static constexpr int kThemeBlockSize = 2080;

    // Offsets of the fields.
    enum Field : int {
        kRecordSize = 0,  // 16-bit
        kVersion = 2,     // 16-bit
        kVersionCopy = 4, // 16-bit
        kBeam = 6,
        kSpace = 7,
        kTranscribe = 8,
        kLibraryAutoSave = 9,
        kWrap = 10,
        kSkipTiedNotes = 11,
        kDoubleBar = 12,
        kNewDialog = 13,
        kNoteNameType = 14,
        kMetric = 15,
        kDragChromatic = 16,
        kShowTempoValue = 17,
        kShowTempoText = 18,
        kRawHeads = 19,
        kTransparentTablature = 20,
        kGuitarView = 21,
        kMiddleC = 22,
        kDragNote = 23,
        kVolumeCtrl = 24,
        kDragChord = 25,
        kAllowNoInputs = 27,
        kResetModWheel = 28,
        kAugmented = 29,
        kCorrect = 30,
        kTexture = 31,
        kLeftEdgeBarline = 32,
        kExtractPercentage = 33,
        kRests = 34,
        kGrid = 35,
        kGridDisplay = 36,
        kShowTrackVoiceNames = 37,
        kSplitEnabled = 38,
        kOneVoice = 39,
        kFilterType = 40,
        kSplitPitch = 41,
        kTuplets = 42,
        kRecordFlags = 43,
        kStaccatoValue = 44,
        kTenutoValue = 45,
        kFilterFlags = 46,  // 14 flags
        kClickEnabled = 62,
        kClickInRecord = 63,
        kClickInPlay = 64,
        kClickInCountoff = 65,
        kCountBars = 66,        // 16-bit
        kAccentedClick = 68,    // five 16-bit words: pitch, velocity, duration, port, channel
        kUnaccentedClick = 110, // the same five
        kThruEnabled = 152,
        kThruFollow = 153,
        kThruChannel = 154,     // 16-bit
        kThruDevice = 156,      // 16-bit
        kThruPatch = 158,       // 32-bit
        kThruTranspose = 162,   // 16-bit
        kQuantizeIndex = 196,   // 16-bit
        kUseDefaultDevice = 198,
        kDefaultDevice = 200,
        kDefaultDeviceChannel = 202,
        kSyncDevice = 204,
        kAutoSave = 206,
        kSaveMinutes = 207,
        kDataViewPercentage = 208,
        kDataType = 209,
        kDataController = 210,
        kLyricsToEndOfSystem = 211,
        kDynamicsVelocities = 212,  // sixteen 16-bit words
        kLibraryNames = 244,        // six texts: allotment, chord, drum, expression, instrument, guitar
        kDefaultFolder = 4340,
        kVstFolder = 4596,
        kEngraver = 8436,           // the 100-byte engraver settings
        kFonts = 8536,              // sixteen font references
        kChordDefaults = 8656,      // four bytes
        kThemeBlock = 8660,
        kPanelBitmap = 8660,
        kDockBitmap = 8916,
        kCellBody = 10716,
        kCellText = 10717,
        kMenuBody = 10718,
        kMenuText = 10719,
        kMainWindow = 10720,
        kSelectedItems = 10721,
        kInactiveItems = 10722,
        kMidiDataBox = 10723,
        kMidiDataBox2 = 10724,
        kVoiceColors = 10725,       // eight bytes
        kUseEngine = 10740,
        kBitDepth = 10742,          // 32-bit
        kSampleRate = 10746,        // 32-bit
        kBufferSize = 10750,        // 32-bit
        kDriverName = 10754,
        kAccidentalSticky = 11010,
        kAdvanceCursor = 11011,
        kNoRehearsalBox = 11012,
        kFirstRun = 11013,
        kAskAudioEngine = 11014,
        kAllPopupNames = 11015,
    };

    std::uint8_t bytes[kSize];

    Preferences() { SetDefaults(); }

    std::uint8_t Byte(int offset) const { return bytes[offset]; }
    std::int16_t Word(int offset) const;
    std::int32_t Dword(int offset) const;
    // A text field; its last byte is always zero.
    const char* Text(int offset) const { return reinterpret_cast<const char*>(bytes + offset); }
    FontRef Font(int index) const;
    EngraverSettings& Engraver();
    const EngraverSettings& Engraver() const;

    // Setters; on the global record they bring the globals that follow it up to date.
    void SetByte(int offset, std::uint8_t v);
    void SetWord(int offset, std::int16_t v);
    void SetDword(int offset, std::int32_t v);
    // Cut to the field without splitting a character; the rest of the field is zeroed.
    void SetText(int offset, const char* text);
    void SetFont(int index, const FontRef& ref);

    // Zeroes bytes 2 to the end, then sets the size word and every default (font references
    // stay zero: start-up fills them with SetDefaultFonts).
    void SetDefaults();
    // The sixteen font references of a fresh start, from the installed-font list; the text
    // sizes 9, 10 and 12 grow by the interface language's offset.
    void SetDefaultFonts(int languageSizeOffset = 0);
    // The sixteen fonts become the score defaults that the model reads (the default font table:
    // new scores, titles, tempo marks, bar numbers, older files' label fonts). Start-up calls it
    // once the preferences are loaded; the developer tools after SetDefaultFonts.
    void MakeFontsCurrent() const;

    // Start-up: defaults of the library names, the stored values or an older version's
    // record, the repairs, the plug-in folder, the theme. Returns true.
    bool Init();
    // Reads the tree of values; false only when the program's key cannot be opened.
    bool Load();
    // Writes the tree; nothing when the program's key cannot be opened for writing.
    void Save() const;
    // Copies an older version's whole record, when the store holds one.
    void ImportOlderVersion();
    // Hands the theme fields to the theme object.
    void ApplyTheme() const;
    // Brings the globals of the lower layers that follow the record up to date.
    void PublishGlobals() const;

    // One stored field as the settings tree holds it: its offset, its key (the program's key,
    // or a key below it such as "Preferences\Auto Flags"), its value name and its value as
    // text (numbers in decimal, texts as they stand, the engraver settings in hex).
    struct StoredValue {
        int offset;
        int width;  // bytes of the field: 1, 2, 4, the text's 256 or the engraver settings' 100
        bool flag;  // a byte that holds 0 or 1
        std::string key;
        std::string name;
        std::string value;
    };
    std::vector<StoredValue> DescribeStoredValues() const;

private:
    void Changed();
};

static_assert(sizeof(Preferences) == Preferences::kSize, "the preferences record is its 11,018 bytes");

// The program's one record.
extern Preferences g_preferences;

// Puts the global record back to its defaults (tests).
void ResetPreferences();
