// The scoped change of the current staff that a rest's drawing and rectangle make for a rest
// that stands on another staff of its system.
#pragma once

class CStaff;

namespace notation {

// Makes StaffOrCurrent(offset) the current staff while it lives; the previous one comes back.
class ScopedOffsetStaff {
public:
    explicit ScopedOffsetStaff(int offset);
    ~ScopedOffsetStaff();
    ScopedOffsetStaff(const ScopedOffsetStaff&) = delete;
    ScopedOffsetStaff& operator=(const ScopedOffsetStaff&) = delete;
    CStaff* staff() const { return staff_; }

private:
    CStaff* saved_;
    CStaff* staff_;
};

}  // namespace notation
