// The score view's globals: the playback cursor's last place, the note-entry preview's shown
// flag, and the print options with the state of a print run.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The options the print dialog sets (0 or 1 each) and what a print run keeps while it goes.
struct PrintOptions {
    std::uint8_t booklet = 0;
    std::uint8_t twoUp = 0;
    std::uint8_t blankFirst = 0;   // the booklet starts on the inside
    std::uint8_t manualDuplex = 0;
    std::uint8_t oddOnly = 0;
    std::uint8_t evenOnly = 0;
};

class CStaff;

struct ViewGlobals {
    std::int16_t lastPlayBar = 0;
    std::int16_t lastPlayBeat = -1;
    std::uint8_t previewShown = 0;

    PrintOptions print;
    std::uint8_t stopRequested = 0;
    std::uint8_t duplexPrompt = 0;   // the front sides are printed: ask before the back
    std::uint8_t printPreview = 0;
    std::int32_t savedPaperSetting = 0;   // the printer's orientation while a two-page layout runs
    std::uint8_t paperTurned = 0;          // it was turned for the run
    // The printer print runs go to (the program's code page; empty: the system's first), which
    // becomes the printer of the score printed.
    std::string currentPrinter;
    // The last print went to a PDF file (the dialog offers it first next time).
    std::uint8_t printToPdf = 0;
    // When set, a print to a PDF file records its drawing calls here (what compares them with
    // the developer tools' PDF).
    std::vector<std::string>* pdfCalls = nullptr;
    // Patches are chosen by number: the bank chooser runs the bank dialog (an application
    // option; 0 unless set).
    std::uint8_t numericPatches = 0;
    // The one staff record Scale Staff works on: the staff the scale tool clicked, or the one
    // staff its band marked (null when it marked several).
    CStaff* staffToScale = nullptr;
};

extern ViewGlobals g_view;

void ResetViewGlobals();
