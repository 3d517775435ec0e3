#include "model/NoteHitHooks.h"

NoteMarksHitFn& NoteMarksHit() {
    static NoteMarksHitFn hook = nullptr;
    return hook;
}
