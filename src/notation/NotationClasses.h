// Registration of the note, rest, multi-bar rest, beat chart, performance note and beam
// classes: gives their type codes in the program's class table their own operations. The
// application calls it at start-up, before any score is read.
#pragma once

void RegisterNotationClasses();

// Puts the hit test of a note's marks in for the bar's item search (RegisterNotationClasses
// does it).
void RegisterNoteHitHooks();
void RegisterCrossStaffHooks();
