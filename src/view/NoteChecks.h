// The checks of automatic correction after the note tool entered a note or rest: the bar too
// full (dialog 403), the pitch outside the track's range (dialog 404) and a voice beyond the
// track's voice limit (dialog 405). Each asks whether to keep the entry; "否" throws the user
// exception with code 106, so the click is taken back whole.
#pragma once

class CNoteTool;

// pitch: the entered note's MIDI pitch, -1 for a rest (no range check).
void RunNoteChecks(CNoteTool& tool, int pitch);
