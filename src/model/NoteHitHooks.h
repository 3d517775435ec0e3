// What the bar's item hit test asks of a note's marks, which live with the notes above the
// model: whether a page point hits the marks of a note or raw note (side 0 every mark, 1 the
// marks standing over the staff, 2 those under it). The notes' library puts it in at start-up
// (RegisterNotationClasses); without it no mark is hit.
#pragma once

class CBarItem;

using NoteMarksHitFn = bool (*)(CBarItem* note, int x, int y, int side);
NoteMarksHitFn& NoteMarksHit();
