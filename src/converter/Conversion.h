// One conversion of a score file: the path checked, the whole file read, its bytes converted
// and the copy written beside it under the mode's name ("_首调" or "_固定调" before ".zel"),
// through a temporary file renamed over the old copy, so a failed write leaves no cut copy.
// Texts and paths are in the program's code page.
#pragma once
#include <string>

#include "converter/ScoreConverter.h"
#include "framework/Clock.h"
#include "framework/Types.h"

namespace zel2tqx {

// The converter's texts in the string table.
enum : UINT {
    kAboutItemText = 101,       // the context menu's About item
    kEmptyPathText = 16101,     // no score given
    kWrongEndingText = 16102,   // the path does not end in ".zel"
    kTooManyTracksText = 16103, // more than 20 tracks (%d: 20)
    kConvertedLineText = 16104, // the log line (%d-%02d-%02d  %02d:%02d:%02d)
    kMovableSuffixText = 16105,
    kFixedSuffixText = 16106,
    kHomeAddressText = 16107,   // the two link addresses
    kForumAddressText = 16108,
    kEmptyFileText = 16109,     // the command line's word for an empty file
    kUsageText = 16110,         // the command line's usage
};

enum class Outcome {
    Converted,      // the copy is written
    EmptyPath,      // a message: no score given
    WrongEnding,    // a message: not a .zel path
    EmptyFile,      // nothing read: no message
    TooManyTracks,  // a message: more than 20 tracks
};

struct Conversion {
    Outcome outcome = Outcome::EmptyFile;
    std::string outputPath;  // the copy's path
    SYSTEMTIME time;         // noted just before the copy was written
    ConvertState state;
};

// Converts the score at `path` in `mode`. A file that cannot be read or a copy that cannot be
// written throws the file layer's CFileException (its cause, the system's error and the path);
// a file too large for memory throws CMemoryException.
Conversion ConvertFile(const std::string& path, Mode mode);

// The copy's path: the mode's suffix inserted before the last four characters.
std::string OutputPath(const std::string& path, Mode mode);
// The message of an outcome that has one (empty for the others).
std::string OutcomeMessage(Outcome outcome);
// "YYYY-MM-DD  hh:mm:ss  转换成功!", without a line end.
std::string LogLine(const SYSTEMTIME& time);
// A string-table text (empty when it is missing).
std::string Text(UINT id);

}  // namespace zel2tqx
