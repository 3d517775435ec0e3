// Octave lines: 35302 (Note > Octave Line, after the octave line dialog) and 4325 add an
// "8va" line over the selected notes and rests, or over the insertion point's bar when none is
// selected; any other id adds an "8vb" line; 4109 (an octave line's edit action) gives every
// piece of that line the dialog's kind and options.
#pragma once

#include "model/EditTask.h"

class COttava;

class CAddOttavaTask : public CCruise {
public:
    enum : int { kAdd = 4325, kAddMenu = 35302, kEdit = 4109 };

    bool Prepare() override;
    bool Perform() override;

    std::int16_t kind = 0;
    // In the order the line's flag byte takes them: bits 1, 0, 3 and 2.
    std::int16_t flags[4] = {1, 1, 1, 1};
    COttava* edited = nullptr;

private:
    void PerformEdit();
    void PerformAdd();
    std::uint8_t FlagBits() const;
};
