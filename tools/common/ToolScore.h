// What the developer tools share: a score with its document, read from a file or made new, and
// the item dump (a line per record of a track bar's run) that `zeldump --items` and
// `zelscript`'s `print items` both print.
#pragma once
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "model/ScoreFile.h"
#include "model/ZelDoc.h"

class CBar;
class CBarItem;
class CScore;

struct NewScoreSettings;

namespace tools {

// A failure the tools report as it stands, with exit status 1.
struct ToolError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// One open document: its score and its share of the score file.
struct ToolScore {
    ToolScore();
    ~ToolScore();
    ToolScore(const ToolScore&) = delete;
    ToolScore& operator=(const ToolScore&) = delete;
    std::unique_ptr<CZelDoc> doc;
    CScore* score = nullptr;   // the document's score (Refresh after the document replaces it)
    ScoreFileDoc& fileDoc;     // the document's share of the file
    void Refresh() { score = doc->GetScore(); }
};

// Registers the record classes once; every tool calls it before it touches a score.
void RegisterClasses();
// The score defaults of a fresh start: the preferences' default fonts (no interface-language
// offset; the tools load no stored preferences) made the default font table, as start-up makes
// them. Reading and making a score call it.
void UseStartupFonts();

// Opens a score file (UTF-8 path) through the document's open step, as the program opens it:
// dispatch by ending, then every system laid out again (system rectangles are not stored). A
// failure raises ToolError with the result code and the importer's reason (English) or, without
// one, the message the document showed.
std::unique_ptr<ToolScore> ReadScore(const std::string& path);
// A file's bytes read by the score reader alone (no document, no open step), for checking a
// file: indices renewed and every system laid out again. The ToolError of a damaged file reads "damaged at offset N:
// REASON", N being where the reader stood in the file, with " (error CODE)" for a coded stop.
std::unique_ptr<ToolScore> ReadScoreBytes(const std::vector<std::uint8_t>& bytes);
// The new score of arrangement 0-4.
std::unique_ptr<ToolScore> NewScore(int arrangement);
// The new score of a New dialog's record, its texts in the document's title blocks.
std::unique_ptr<ToolScore> NewScore(const NewScoreSettings& settings);
// Saves the document to a file (UTF-8 path) through the document's save step; ToolError with
// the message shown when it cannot be written.
void WriteScore(ToolScore& s, const std::string& path);

// Prints a kind's own fields after the common ones of its item dump line (" name value ...").
using ItemFieldPrinter = std::function<void(std::FILE* out, CBarItem* item)>;
// Each kind of record may add its fields to the dump; registered by the tool files of its area.
void RegisterItemFields(int typeCode, ItemFieldPrinter printer);
// Prints the registered fields of one record (nothing for a kind without a printer).
void PrintItemFields(std::FILE* out, CBarItem* item);
struct ItemFieldsRegistrar {
    ItemFieldsRegistrar(int typeCode, ItemFieldPrinter printer) { RegisterItemFields(typeCode, std::move(printer)); }
};

// One line per record of track t's bar b in run order (end record excluded): index, type name,
// time, position, voice, the two flag bytes, then the kind's fields. With liveOnly, removed
// records are left out. With placed, each line is led by the track and bar, and a note's line
// carries its heads' pitches ("pitches 60,64") after the common fields. ToolError when the
// track bar does not exist.
// `extra` adds fields of its own to a kind's line, after the registered ones.
void DumpItems(std::FILE* out, CScore& score, int track, int bar, bool liveOnly = false, bool placed = false,
               const std::map<int, ItemFieldPrinter>* extra = nullptr);

// The bar's own marks as the end of a line (", bar number (...)", ", tempo ... at T").
std::string BarOwnItems(CBar* bar);
// The whole score for zeldump --items: its titles, tracks, bars and systems, then every run of
// its bars of tracks (DumpItems with placed lines and the fields of clefs, keys and octave
// lines), the bars' own texts and symbols, the page texts and the lyric lines.
void DumpScoreItems(std::FILE* out, ToolScore& s);

}  // namespace tools
