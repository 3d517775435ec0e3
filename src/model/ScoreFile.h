// The native score file: a flat run of big-endian chunks that starts with the 144-byte header
// "ZLSC" and ends with the end mark (0xFFFFFFFF, 0). The first part (track, page, system and
// bar lists, every bar's conductor chunk, every bar of every track) is read by position; the
// tail (optional lists, titles, spacing table, engraver settings, font map, printer settings,
// rack text) by tag in any order, unknown tags skipped. Files of the old raw form ("ZLP0",
// "ZLP1") are read too; saving always writes the chunked form.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "model/Articulation.h"
#include "model/EngraverSettings.h"
#include "model/PageSetup.h"
#include "model/Titles.h"
#include "platform/FontMap.h"

class CChunkStream;
class CFile;
class CScore;

// The document's share of the score file: what the header and the tagged tail carry besides
// the score itself. The spacing table ("ALOT") is the score's document's own (a score without a
// document writes the current spacing table and reads the chunk into nothing).
struct ScoreFileDoc {
    static constexpr std::uint16_t kProgramVersion = 0x410;
    static constexpr std::uint16_t kNeededVersion = 0x400;
    static constexpr std::uint16_t kBuild = 25;

    ScoreFileDoc();
    ScoreFileDoc(const ScoreFileDoc&) = default;
    ScoreFileDoc& operator=(const ScoreFileDoc&) = default;
    ~ScoreFileDoc();

    // Version block: the writer's version, the version needed to read, the build number.
    std::uint16_t version = kProgramVersion;
    std::uint16_t neededVersion = kNeededVersion;
    std::uint16_t build = kBuild;
    std::uint8_t optionByte = 0;
    std::int16_t zoom = 100;
    std::int16_t pageMode = 0;          // 0 single page, 1 side by side, 2 stacked
    std::int16_t scoreSize = 100;       // percent
    std::int16_t maximised = 0;
    std::int32_t windowRect[4] = {};
    std::uint8_t landscape = 0;
    bool loadedFromLegacy = false;
    CPageSetup pageSetup;
    TitleBlock titles[TitleBlock::kBlocks];
    EngraverSettings engraver{};
    FontMap fontMap{};
    MarkPlaybackTable markPlayback{};
    PrinterSettings* printer = nullptr;     // none: no printer chunk is read or written

    // Maps the fonts of the font map, the title blocks and the whole score through the score's
    // font table: saving empties the table and records every face used; loading rewrites every
    // reference to the face its stored name has on this machine.
    // `runsWithFonts` as CScore::RemapFonts takes it.
    void ResolveFonts(CScore& score, bool saving, const std::vector<std::uint8_t>* runsWithFonts = nullptr);
};

// Reader state that record readers consult while a file is read.
struct ScoreFileState {
    bool oldPageUnits = false;      // a file older than 0x400 is being read
    bool checkVoiceBanks = false;   // the header's option byte has bit 4 set
    // The read's font mapping walks every bar's run, also those the reader found without font
    // references (the reference the shorter walk is held to; memory only).
    bool mapEveryRun = false;
    // Set while a record is read that may hold a font reference the mapping after the read
    // maps or sets (a kind whose ResolveFonts does anything sets it in its reader); the score
    // reader clears it before each bar's run.
    bool recordWithFonts = false;
};
extern ScoreFileState g_scoreFile;

// Failed reads raise the error codes of platform/Handles.h through ThrowErrorCode:
// kErrOutOfMemory (100), kErrWrongMagic (101), kErrNewerVersion (103).

class ScoreFile {
public:
    static constexpr std::uint32_t kHeaderLength = 144;

    // Whole file on an open file.
    static void Write(CScore& score, ScoreFileDoc& doc, CFile& file);
    static void WriteHeader(CScore& score, ScoreFileDoc& doc, CChunkStream& stream);
    static void WriteBody(CScore& score, ScoreFileDoc& doc, CChunkStream& stream);
    // Reads a "ZLSC" file positioned at its first byte; false when the printer settings failed.
    static bool Read(CScore& score, ScoreFileDoc& doc, CFile& file);
    static void ReadHeader(CScore& score, ScoreFileDoc& doc, CChunkStream& stream);
    static bool ReadBody(CScore& score, ScoreFileDoc& doc, CChunkStream& stream);
    // The old raw body, the file positioned after the legacy head.
    static bool ReadLegacy(CScore& score, ScoreFileDoc& doc, CFile& file);
    // The document's legacy head (magic, version block).
    static void ReadLegacyHead(ScoreFileDoc& doc, CFile& file);
    // The fix-ups after a read, once indices and the bars' inherited values are renewed: the
    // page texts' record sizes, every bar's and every system's after-load step (staves with
    // zero fields repaired), every track bar's, then the document's version block. True when a
    // system's staves or a track bar's run was repaired or brought up to date.
    static bool AfterLoad(CScore& score, ScoreFileDoc& doc) { return AfterLoad(score, &doc); }
    // The same for a score built in memory (a new score); without a document share the
    // version block is left alone.
    static bool AfterLoad(CScore& score, ScoreFileDoc* doc);

    // Opens a file by its first four bytes: "ZLSC" to Read, "ZLP0"/"ZLP1" to the legacy head
    // and ReadLegacy, anything else fails with code 101.
    static bool Open(CScore& score, ScoreFileDoc& doc, CFile& file);

    // Saves to a path: the whole file is built first and then written atomically
    // (fw::WriteFileAtomic: the mode kept, a symbolic link followed, the folder synced). False
    // (the old file untouched) on any failure, with its cause, the system's error number, in
    // *osError when given (ENOMEM when memory ran out while building the file).
    static bool Save(CScore& score, ScoreFileDoc& doc, const std::string& path, int* osError = nullptr);
    // The page setup as a save and a read give it back (the header stores it in whole points
    // times the score size): a score built in memory, such as an import, settles it so that its
    // first save is what every later open and save gives.
    static void SettlePageSetup(ScoreFileDoc& doc);
    // The file's bytes as Write produces them.
    static std::vector<std::uint8_t> WriteToBytes(CScore& score, ScoreFileDoc& doc);
};
