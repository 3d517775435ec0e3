#include "notation/ItemStaff.h"

#include "model/ModelGlobals.h"
#include "model/System.h"
#include "model/SystemStaff.h"

namespace notation {

CStaff* OffsetStaff(int offset) {
    CStaff* own = g_model.currentStaff;
    CLine* line = g_model.currentLine;
    if (!own || !line || offset == 0) return own;
    const int i = own->GetIndex() + offset;
    if (i < 0 || i >= line->GetStaffCount()) return own;
    CStaff* other = line->GetStaff(i);
    return other ? other : own;
}

ScopedOffsetStaff::ScopedOffsetStaff(int offset) : saved_(g_model.currentStaff), staff_(OffsetStaff(offset)) {
    g_model.currentStaff = staff_;
}

ScopedOffsetStaff::~ScopedOffsetStaff() { g_model.currentStaff = saved_; }

}  // namespace notation
