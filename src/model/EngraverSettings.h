// The document's layout and engraving values: fifty 16-bit words (100 bytes). Distances and
// widths are in fine units, 120 to a staff space. The score file keeps the record in the
// chunk "ENGR"; the preferences record embeds a copy that new documents start from.
//
//   word  0 bars per system             4      word 17 clef margin                    120
//   word  1 staff groups per page       5      word 18 note margin                    150
//   word  2 staff spacing             720      word 19 clef to note                   600
//   word  3 staff-group spacing      1080      word 20 clef to other items            420
//   word  4 group spacing             840      word 21 (layout value)                 300
//   word  8 barline width              15      word 22 key signature to other items   180
//   word  9 (layout value)             30      word 23 time signature to other items  240
//   word 10 beam width                 60      word 24 final-bar margin               120
//   word 11 stem width                 12      word 32 accidental to note               0
//   word 12 staff-line width           10      word 33-37 (layout values)   0, 60, 65, 2, 16
//   word 13 ledger-line width          13      word 41 tie width                       20
//   word 16 (layout value)           1440      word 42 slur width                      20
//
// The other words are left as they are by InitEngraverSettings.
#pragma once
#include <cstdint>
#include <type_traits>

#include "model/Record.h"

class CChunkStream;
class CFile;

struct EngraverSettings {
    static constexpr int kWords = 50;
    static constexpr int kSize = 2 * kWords;

    enum Word : int {
        kBarsPerSystem = 0,
        kGroupsPerPage = 1,
        kStaffSpacing = 2,
        kStaffGroupSpacing = 3,
        kGroupSpacing = 4,
        kBarlineWidth = 8,
        kBeamWidth = 10,
        kStemWidth = 11,
        kStaffLineWidth = 12,
        kLedgerLineWidth = 13,
        kClefMargin = 17,
        kNoteMargin = 18,
        kClefToNote = 19,
        kClefToOther = 20,
        kKeySigToOther = 22,
        kTimeSigToOther = 23,
        kFinalBarMargin = 24,
        kAccidentalToNote = 32,
        kTieWidth = 41,
        kSlurWidth = 42,
    };

    std::uint8_t bytes[kSize];

    std::int16_t GetWord(int i) const { return rec::Get<std::int16_t>(bytes, 2 * i); }
    void SetWord(int i, std::int16_t v) { rec::Put<std::int16_t>(bytes, 2 * i, v); }
};

static_assert(sizeof(EngraverSettings) == EngraverSettings::kSize && alignof(EngraverSettings) == 1 &&
                  std::is_trivially_copyable_v<EngraverSettings>,
              "EngraverSettings must stay its 100 bytes");

// The defaults of the table above.
void InitEngraverSettings(EngraverSettings& record);

// One chunk with the given tag and no count word: words 0-1 big-endian, words 2-33 as
// coordinates, words 34-37 big-endian, words 38-49 as coordinates.
void WriteEngraverSettings(const EngraverSettings& record, CChunkStream& s, std::uint32_t tag);

// Reads the chunk written above; words the chunk does not hold keep their values. Then a
// ledger-line width of 0 takes the staff-line width, tie and slur widths of 0 become 20, and
// in a file older than version 0x400 the final-bar margin becomes 120.
void ReadEngraverSettings(EngraverSettings& record, CChunkStream& s, std::uint32_t tag);

// The older files' block, the file positioned at its tag (4 bytes, little-endian length): a
// block tagged "ENGR" gives at most 100 bytes, the words in little-endian order, words it does
// not hold keeping their values; the rest of the block (all of it under another tag) is passed
// over. The same repairs as the chunk's follow. A block longer than the file is the end-of-file
// error.
void ReadLegacyEngraverSettings(EngraverSettings& record, CFile& file);
