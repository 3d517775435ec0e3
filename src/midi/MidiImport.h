// Opening a Standard MIDI File (.mid, .kar) as a new score: a first pass gathers per track and
// channel what proposes one staff per track (or per channel), the options dialog adjusts the
// proposal, and a second pass builds the score: bars, tracks, time signatures and tempi from the
// conductor track, each staff's notes as performance notes, then transcribed into notation.
//
// The options dialog and the transcription belong to higher folders; start-up puts them into
// g_midiImport (the program's dialog 254 and the transcription engine). Without a dialog the
// proposal is taken as it stands; without a transcription the performance notes stay.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "midi/MidiFile.h"

class CProgressDlg;
class CScore;
class CZelDoc;

// Per channel of a track: whether it is used, its key range, the note-ons above key 55 and
// below key 67, all note-ons, and its first program (-1 none).
struct MidiChannelStats {
    std::uint16_t used = 0;
    std::uint8_t highest = 0;
    std::uint8_t lowest = 127;
    std::int32_t above55 = 0;
    std::int32_t below67 = 0;
    std::int32_t notes = 0;
    std::int16_t firstProgram = -1;
};

// One proposed staff.
struct MidiImportTrack {
    char name[32] = {};
    std::int16_t splitKey = -1;        // -1 none; else the key at which the part is split
    std::uint16_t severalVoices = 0;
    std::int16_t quantizeValue = 5;    // note-value code 0-7 (3840 ... 30 ticks)
    std::int16_t quantizeDots = 0;
    std::int16_t trackNumber = 0;      // the MIDI track (1-based in format 1, 0 in format 0)
    std::uint16_t key = 0;             // 0 none, 1-7 flats, 8-14 sharps
    std::uint8_t transcribe = 1;
    std::uint8_t import = 1;
    std::uint8_t nameSet = 0;
    std::uint8_t pedalMarks = 0;
    std::uint8_t volumeToModulation = 0;
    std::uint8_t octaveDown = 0;
    std::uint8_t lyrics = 0;
    std::uint8_t sourcePosition = 0;
    std::uint8_t clefChoice = 0;       // 0 treble, 1 bass, 2 tenor, 3 alto, 4 percussion
    std::uint8_t channel = 0;
    MidiChannelStats stats[16];
};

struct MidiImportSettings {
    static constexpr int kMaxStaves = 64;
    std::string fileName;
    std::int16_t barCount = 0;
    std::int16_t staffCount = 0;
    std::uint16_t optimise = 0;
    std::uint16_t mapChannels = 0;
    std::uint16_t format = 0;
    std::uint16_t jazz = 0;
    MidiImportTrack entries[kMaxStaves];
    // The rows the dialog shows and the conversion makes (the staff proposal of the entries).
    std::vector<MidiImportTrack> rows;
};

// What the import reaches in higher folders, put in at start-up.
struct MidiImportGlobals {
    // The options dialog over the settings (its rows proposed): true on OK.
    std::function<bool(MidiImportSettings&)> optionsDialog;
    // Transcribes voice `voice` of a track over bars 0 to lastBar with a grid in ticks
    // (several voices when asked): 0, 1 cancelled or 100.
    std::function<int(CScore&, int track, int lastBar, int voice, int grid, bool voices)> transcribe;
    // The staff order: false file order, true instrument order (kept from import to import).
    bool instrumentOrder = false;
    // Whether the document's importers hold the MIDI file importer (both reset together).
    bool registered = false;
};
extern MidiImportGlobals g_midiImport;

class CMidiImport {
public:
    enum : int { kDone = 0, kCancelled = 1, kOutOfMemory = 100, kBadFile = 101 };
    // The progress dialog shown while the score is made.
    static constexpr unsigned kProgressTemplate = 255;

    CMidiImport();
    ~CMidiImport();

    // The whole import of a file image into the document's (empty) score: 0, 1, 100 or 101.
    // A refusal's reason, track and byte offset go to the debug log and to the document (its
    // lastReadReason for the user, lastReadDetail for the log and the tools); a file with no
    // notes to place is told in a message and gives 1.
    int Import(std::vector<std::uint8_t> image, CZelDoc& doc, const std::string& path);

    // The first pass: the entries, the bar count, the format and map channels.
    int ScanTracks();
    // The rows of the staff proposal from the entries (with or without map channels, the
    // automatic clef, octave, pedal and split choices, then the order).
    static void ProposeStaves(MidiImportSettings& settings, bool instrumentOrder);
    // The second pass: the score from the settings' rows.
    int Convert(CZelDoc& doc);

    MidiImportSettings settings;
    CMidiFile file;
    SmfHeader header;
    int trackCount = 0;
    bool karaoke = false;
    // Open while the score is made (null before, after, or when it could not be shown).
    std::unique_ptr<CProgressDlg> progress;

    // The document learns why the file was refused (the reader's problem, or one given to
    // file.Refuse) and the debug log has it.
    void Refused(CZelDoc& doc) const;

private:
    int ImportConductorTrack(CZelDoc& doc, std::string* title, std::string* copyright);
    int ImportTrack(CScore& score, const MidiImportTrack& row, int staff, bool firstStaff, bool lyricStaff);
    // A key change at the start of bar `bar` (bar > 0) on every standard staff from `first` to
    // `last`, the bar before closing with a double bar when the preferences ask for it.
    bool ChangeKeyFrom(CScore& score, int bar, int key, int first, int last);
};

// One lyric syllable as read from the file, before it goes into the score.
struct MidiSyllable {
    int bar = 0;
    int time = 0;
    std::string text;
    bool wordContinues = false;
    bool extender = false;
};

// Adds the text of a lyric event to the syllables read so far: a text starting with a carriage
// return (or, in a karaoke file, with "@") is ignored; an empty text gives the syllable before
// an extender; a leading space, "\" or "/" ends the word before and is dropped; the word goes on
// unless the text ends in a space; an "_" (or, in a karaoke file, the two bytes 0x89 0x00 after
// a text without a trailing space, which `karaokeHold` says) gives an extender, which ends the
// word; an inner space ends the text.
void AddMidiSyllable(std::vector<MidiSyllable>& syllables, std::string text, int bar, int time, bool karaoke,
                     bool karaokeHold);

// The title split into at most four lines: at ';', a carriage return or a line feed within the
// first 64 characters (in that order of preference), else, while more than 63 characters
// remain, at the last space within the first 32 (at 32 without one).
std::vector<std::string> SplitTitleLines(const std::string& text);

// Puts the importer of ".mid" and ".kar" into the document's importers (other endings keep
// theirs).
void RegisterMidiImport();
