// The instrument library (type tag "ZLIL", version 16): one 358-byte instrument definition per
// entry, stored in the .lib file as in memory. New tracks and the track set-up take their staff
// kind, names, clefs, range, transpositions, voices, sound and drum map from it. When no library
// file gives entries it holds the 65 built-in instruments of the string table (5300-5364).
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/Library.h"

// The bank and program an instrument selects on its port and channel (138 bytes).
struct PatchEntry {
    std::int16_t program;        // -1 when a bank is involved or there is none
    std::uint16_t word;          // 0xFFFF, or the program for a built-in instrument
    char name[64];               // the patch's name, NUL-terminated
    std::uint16_t byteCount;     // of the packed word: 4, or 0
    std::uint8_t packed[4];      // the packed patch word; for a program alone FF FF FF program
    std::uint8_t unused[60];
    std::uint16_t port;
    std::uint8_t channel;
    std::uint8_t zero;
};
static_assert(sizeof(PatchEntry) == 138);
static_assert(offsetof(PatchEntry, byteCount) == 68 && offsetof(PatchEntry, packed) == 70 &&
              offsetof(PatchEntry, port) == 134 && offsetof(PatchEntry, channel) == 136);

// One drum sound of a percussion instrument (8 bytes); a slot whose key is 0 is empty.
struct InstrumentDrumSlot {
    std::int8_t position;        // staff position, -10 to 10
    std::uint8_t noteHead;       // 0-15
    std::uint8_t key;            // MIDI key
    std::uint8_t voice;          // 0-7
    std::uint8_t unused[4];
};
static_assert(sizeof(InstrumentDrumSlot) == 8);

// One instrument (358 bytes).
struct InstrumentDef {
    static constexpr int kDrumSlots = 16;
    static constexpr int kNameBytes = 32;
    static constexpr int kAbbreviationBytes = 16;

    std::uint8_t staffKind;             // 0 standard, 1 percussion, 2 tablature
    std::uint8_t zero1;
    std::int16_t program;               // General MIDI 0-127, -1 none
    char name[kNameBytes];
    char abbreviation[kAbbreviationBytes];  // at most 15 bytes and the NUL
    std::int16_t clef;                  // the track record's clef codes (11, 12 percussion, 13 tablature)
    std::uint16_t port;                 // output port id
    std::int16_t channel;               // 0-15
    std::int16_t playbackTranspose;     // added to every voice's pitch, -36 to 36
    std::uint8_t zero60[2];
    PatchEntry patch;
    std::int16_t zero200;
    std::uint16_t highKey;
    std::uint16_t lowKey;
    std::int16_t voices;                // 1-8
    std::int16_t transposedClef;        // the clef of the part shown transposed
    std::int16_t transposition;         // written above sounding, semitones, -36 to 36
    std::int16_t zero212;
    InstrumentDrumSlot drums[kDrumSlots];
    std::uint8_t zero342[16];

    // The packed patch word the instrument plays with: its patch entry's program when that is
    // not -1, else the entry's four packed bytes.
    std::int32_t PatchWord() const;
    // Whether any drum slot has a key.
    bool HasDrumMap() const;
};
static_assert(sizeof(InstrumentDef) == 358);
static_assert(offsetof(InstrumentDef, program) == 2 && offsetof(InstrumentDef, name) == 4 &&
              offsetof(InstrumentDef, abbreviation) == 36 && offsetof(InstrumentDef, clef) == 52 &&
              offsetof(InstrumentDef, port) == 54 && offsetof(InstrumentDef, channel) == 56 &&
              offsetof(InstrumentDef, playbackTranspose) == 58 && offsetof(InstrumentDef, patch) == 62 &&
              offsetof(InstrumentDef, highKey) == 202 && offsetof(InstrumentDef, lowKey) == 204 &&
              offsetof(InstrumentDef, voices) == 206 && offsetof(InstrumentDef, transposedClef) == 208 &&
              offsetof(InstrumentDef, transposition) == 210 && offsetof(InstrumentDef, drums) == 214 &&
              offsetof(InstrumentDef, zero342) == 342);

class CInstLib : public CLibrary {
public:
    static constexpr const char* kTag = "ZLIL";
    static constexpr int kBuiltIns = 65;
    static constexpr unsigned kFirstBuiltInString = 5300;

    // Empty, of entries of one instrument each.
    CInstLib();
    std::unique_ptr<CLibrary> Clone() override { return CloneOf(*this); }
    bool CopyTo(CLibrary& dest) override { return CopyOf(*this, dest); }
    // Opens the library the "Instrument" preference names; when that leaves it without
    // entries (no file, an empty one, one that does not load), the built-in instruments.
    void LoadDefault() override;
    // (Its edit dialog is not written yet: Edit is the base's, which leaves the library as it is.)

    // Empties the library and appends the 65 built-in instruments; false (the library empty)
    // when an append fails.
    bool BuildDefaults();
    // Fills a record: row -1 the empty instrument (one voice, keys 0-127, no program, the
    // preferences' default output port), rows 0-64 the built-in instrument of that row, a
    // percussion row with the drum library's used keys (at most 16).
    static void MakeInstrument(InstrumentDef& def, std::int16_t row);
    // Reads one row of the built-in table (13 fields separated by ":") into a record that
    // MakeInstrument has prepared; a field that is missing leaves its place as it is.
    static void ReadRow(InstrumentDef& def, const char* text);
    // Gives the instrument at an index the drum library's used keys (the 16 lowest) when none
    // of its slots has a key; an instrument with a map keeps it.
    void FillDrumMap(std::int16_t index);
    // The instruments by name in a pop-up at a screen point, `current` checked; true and
    // `current` the chosen index when one is chosen, false when cancelled or the library is
    // empty.
    bool RunInstrumentMenu(int x, int y, std::int16_t& current);

    // The instrument at an index, null outside the entries.
    InstrumentDef* GetInstrument(int index) { return static_cast<InstrumentDef*>(GetItem(index)); }
    // Its name, cut at its field (a double-byte character the field's end splits is dropped).
    std::string GetItemName(int index);
    // A record's name as GetItemName reads it.
    static std::string NameOf(const InstrumentDef& def);
};
