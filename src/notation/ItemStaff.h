// The staff an item of the current bar draws on when it reaches to another staff of its
// system, and the scoped change of the current staff that drawing and hit tests make for it.
#pragma once

class CStaff;

namespace notation {

// The staff `offset` places from the current staff in the current system's staff array. An
// offset that leads outside the array (or no system) gives the current staff itself.
CStaff* OffsetStaff(int offset);

// Makes OffsetStaff(offset) the current staff while it lives; the previous one comes back.
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
