// The edit operations the document's commands make, found by class name: the folders that
// define them (src/edit, the model itself) put their makers in at start-up, so the document
// reaches operations of higher folders without including them. What the commands need besides
// operations (copying the selection, the palette's chosen button) is put in the same way.
#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

class CScoreTask;
class CZelDoc;
struct FontRef;

// Makes an operation of its class for the document (not yet attached).
using TaskMaker = std::function<CScoreTask*(CZelDoc& doc)>;
void RegisterTaskMaker(const std::string& className, TaskMaker make);
// A new operation of the class, or null while no maker is registered for it.
CScoreTask* MakeTask(const std::string& className, CZelDoc& doc);
// Drops every maker (the model's own stay registered).
void ClearTaskMakers();
// Whether a maker is registered for the class.
bool HasTaskMaker(const std::string& className);
// The operations the command table names that the program does not have yet: their commands'
// entries are grey and their keys pass on. An operation leaves the list when it is built.
bool OperationNotYetBuilt(const std::string& className);
const std::vector<std::string>& OperationsNotYetBuilt();
// Whether a command's operation is in the program: false for an id whose row of the document's
// command table names an operation still on that list (its entry is grey, its key passes on);
// true for every other id.
bool CommandBuilt(int id);
// The rows of the document's command table (model/DocCommands.cpp), for those that check them.
struct CommandRow {
    int first, last;
    const char* className;
    int commandId;  // the id the operation is named by; -1: each id its own
};
std::vector<CommandRow> CommandRows();
// An Undo or Redo entry's text: the prefix string and the operation's name, the prompt of the
// string under its command id (the part before a line feed; none for 0).
inline constexpr int kUndoPrefix = 1440, kRedoPrefix = 1441;
std::string UndoLabel(int prefixId, int commandId);

// The registered makers and the copy operation as they stand, and putting such a table back:
// what registers the operations for a while (a test) leaves the table as it found it.
struct TaskMakerTable {
    std::map<std::string, TaskMaker> makers;
    std::function<bool(CZelDoc&)> copySelection;
};
TaskMakerTable SaveTaskMakers();
void RestoreTaskMakers(const TaskMakerTable& table);

// When set, makes every operation in place of the registered makers (what a test puts in).
using AnyTaskMaker = std::function<CScoreTask*(const std::string& className, CZelDoc& doc)>;
AnyTaskMaker& TaskMakerOverride();

// Copies the document's selection to the program's clipboard; true when it was copied.
std::function<bool(CZelDoc&)>& CopySelectionOperation();
// What the tie operation adds to its walk when the document re-ties a range after a paste: the
// pending tie is forgotten before the walk and the one still pending is made at its end. The
// operation made under "CAddTieTask" implements it.
class PendingTieWalk {
public:
    virtual ~PendingTieWalk() = default;
    virtual void ResetPendingTie() = 0;
    virtual void FinishPendingTie() = 0;
};

// What the document gives the operation made under "CNewPitchTask" when a chord is played on
// the MIDI keyboard while Adjust Pitch is on: the chord's input entries (4 bytes each, the note
// number in the second byte).
class ChordPitchWalk {
public:
    virtual ~ChordPitchWalk() = default;
    virtual void SetPitches(const std::uint8_t* entries, int n) = 0;
};

// The palette's chosen button (the tool state's), 0 until the view puts its reader in.
std::function<int()>& ChosenPaletteButton();
// The current tool's id (the tool state's), 0 until the view puts its reader in.
std::function<int()>& CurrentToolId();
// The palettes' chosen sub-tool (the tool state's; the kind a placed line item takes), 0 until
// the view puts its reader in.
std::function<int()>& ChosenSubTool();

// The main frame's text style bar, reached through what the application puts in at start-up:
// show or hide it, whether it is shown, its lyric mode (the verse field) and the face and size
// it shows. Until they are put in nothing is done and the bar counts as hidden.
struct StyleBarOperations {
    std::function<void(bool on)> show;
    std::function<bool()> isShown;
    std::function<void(bool on)> setLyricMode;
    std::function<void(const FontRef& font)> showFont;
    // The verse field's choice (0-7).
    std::function<void(int verse)> setVerse;
};
StyleBarOperations& StyleBarOps();

class CFile;
// The score importers by the file's ending in lower case (".mid" and ".kar" from the MIDI
// folder, ".xml" from the formats folder, put in at start-up): each reads the open file into the document's score and answers a
// read result code. An ending no importer takes is refused (101).
using ScoreImporterFn = std::function<int(const std::string& ending, CZelDoc& doc, CFile& file)>;
ScoreImporterFn& ScoreImporter();
// File > Export (a Standard MIDI File): the export that start-up puts in (the MIDI folder's);
// nothing without one.
using MidiFileExporterFn = std::function<void(CZelDoc& doc)>;
MidiFileExporterFn& MidiFileExporter();
void ExportMidiFile(CZelDoc& doc);
