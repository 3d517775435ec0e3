#include "model/CrossStaffHooks.h"

#include "framework/Globals.h"

NoteHeadsHomeFn& NoteHeadsHome() {
    static NoteHeadsHomeFn fn = nullptr;
    return fn;
}
