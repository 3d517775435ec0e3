// The platform layer's globals, in one place.
#pragma once
#include <cstdint>
#include <string>

#include "platform/FileNames.h"

// The version words of the score file being read (the version, e.g. 0x400 or 0x410, and the
// minor version word that follows it); the score reader sets them before it reads the arrays.
// They choose the stored form of older array elements.
struct FileVersion {
    std::uint16_t version = 0x410;
    std::uint16_t minor = 25;
};

class CChordLib;
class CExprLib;
class CGuitarLib;

struct PlatformGlobals {
    std::uint16_t errorCode = 0;        // the code the last coded failure carried
    std::int16_t cursorCounter = 0;     // the program's own cursor display counter
    std::uint32_t tickBase = 0;         // 0 until the first tick is taken
    bool tickBaseSet = false;
    bool waitCursorOn = false;
    bool waitCursorPhase = false;
    std::uint32_t waitCursorTime = 0;   // ticks at the last change
    std::uint8_t shiftDown = 0, capsLock = 0, ctrlDown = 0, altDown = 0;
    std::uint32_t nextUniqueId = 0;
    char unitsName[32] = {};
    char decimalSeparator[8] = ".";
    bool metricUnits = false;       // lengths in centimetres (the preferences keep it in step)
    FileVersion fileVersion;            // of the score file being read
    // Settings, files and the debug log.
    char programKeyPath[128] = "Software\\Harrowick\\Zelmarin\\4.0";  // set at start-up
    bool registryOff = false;       // CRegKeyBase opens nothing unless forced
    FileSpec currentFile;           // the current file
    FileSpec programFolder;         // its path: the folder the program runs from
    std::uint8_t debugLog = 0;      // the debug-log switch (the preferences set it)
    std::string logPath;            // UTF-8, empty until first built
    // Note-name settings, handed down from the preferences ("Note Name Type", "Middle C").
    std::uint8_t noteNameStyle = 0;          // 0 letters, 1 German (H = B natural), 2 solfege
    std::uint8_t octaveNumberOffset = 1;     // added to octave numbers: middle C is C3 + this
    bool noteNamesCaseSensitive = false;     // note-name parsing does not fold case
    // The user libraries the placing tools read (platform/LibraryStandIns.h); start-up makes
    // them, shutdown frees them; null outside the program.
    CChordLib* chordLib = nullptr;
    CExprLib* exprLib = nullptr;
    CGuitarLib* guitarLib = nullptr;
    // The file each library kind last loaded or saved (an empty name: none yet, a save asks).
    struct LibraryFiles {
        FileSpec spacing, chord, drum, expression, instrument, guitar, font;
    } libraryFiles;
};

extern PlatformGlobals g_platform;

// Whether lengths are shown in centimetres instead of inches.
bool MetricUnits();

// Start-up values again (tests).
void ResetPlatformGlobals();
