// What the track insertion and removal ask of a note whose heads stand on other tracks' staves
// (the notes live above the model): every head of the note, on track `track`, whose staff offset
// o is not 0 and whose tracks from `track` to `track` + o include `index` goes back to its own
// staff. True when a head moved. The notes' library puts it in at start-up; without it no head
// moves.
#pragma once

class CBarItem;

using NoteHeadsHomeFn = bool (*)(CBarItem* note, int track, int index);
NoteHeadsHomeFn& NoteHeadsHome();
