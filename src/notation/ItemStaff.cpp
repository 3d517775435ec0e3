#include "notation/ItemStaff.h"

#include "model/ModelGlobals.h"
#include "notation/NoteMetrics.h"

namespace notation {

ScopedOffsetStaff::ScopedOffsetStaff(int offset) : saved_(g_model.currentStaff), staff_(StaffOrCurrent(offset)) {
    g_model.currentStaff = staff_;
}

ScopedOffsetStaff::~ScopedOffsetStaff() { g_model.currentStaff = saved_; }

}  // namespace notation
