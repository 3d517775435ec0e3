// The globals of the notes, rests and beams, in one place.
#pragma once
#include <cstdint>
#include <memory>

struct HeadDrag;

struct NotationGlobals {
    // While set, the chord layout leaves every head's accidental offset as it is (the beam
    // layout holds it around its re-layout of the notes it spans).
    bool keepAccidentalOffsets = false;
    // Set while a head of a note is being dragged (the chromatic step on a tablature staff
    // reads it).
    bool headDragActive = false;
    // The head drag that a plain drag of a note runs through the note's drag slots (none
    // between drags).
    std::shared_ptr<HeadDrag> headDrag;
    // A vertical drag of a head that shows a fret number steps the fret number (an option).
    bool fretDragOption = false;

    // Note drawing: the x of the note's column and the y of the head being drawn, set afresh by
    // every draw or measure of a note or rest (the head width, stem width and stem pen are the
    // drawing layer's music metrics, g_draw).
    int noteX = 0;
    int headY = 0;
    // The x of the last head a performance note drew (its hit test reads it).
    int lastHeadX = 0;

    // The display of performance notes (a preference): 0 bars by the bar's spacing, 1 and 2 on
    // a linear time axis (2 also shows velocities), above 2 the bars only filled. While it is
    // not 0, notated notes are drawn and measured as performance notes too.
    std::uint8_t performanceDisplay = 0;
    // Performance heads in mode 0 drawn as a head glyph (a preference).
    bool performanceGlyph = false;
    // Fret numbers left without their cleared box.
    bool fretNumbersUnboxed = false;

    // The default play duration of a note, in percent of its written duration (a setting): the
    // notes under a slur get it back when the slur goes.
    int defaultPlayPercent = 90;
    // The tuplet's drawing set the drag anchor at its start (a slur's drawing reads it).
    bool anchorAtStart = false;
    // The x offsets a graphic's drag adds to its start and its end (0 but while one is dragged).
    int graphicStartDragX = 0;
    int graphicEndDragX = 0;
};

extern NotationGlobals g_notation;

// Start-up values again (tests).
void ResetNotationGlobals();
