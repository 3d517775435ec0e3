// The globals of the notes, rests and beams, in one place.
#pragma once

struct NotationGlobals {
    // While set, the chord layout leaves every head's accidental offset as it is (the beam
    // layout holds it around its re-layout of the notes it spans).
    bool keepAccidentalOffsets = false;
    // Set while a head of a note is being dragged (the chromatic step on a tablature staff
    // reads it).
    bool headDragActive = false;
};

extern NotationGlobals g_notation;

// Start-up values again (tests).
void ResetNotationGlobals();
