// Bar spacing: the onset table that a bar's respacing builds and that each bar of a track
// widens for its items, and the operations of the bars of a track that respacing calls.
#pragma once
#include <cstdint>

class CTrkBar;

// One entry per onset time, in increasing time (12 bytes, as the bars of a track receive it).
struct SpacingColumn {
    std::int16_t index = 0;     // the entry's place in the table
    std::int16_t time = 0;      // onset time in ticks
    std::int16_t space = 0;     // width after the onset (engraver units)
    std::int16_t preSpace = 0;  // width needed before the onset's notes
    std::int16_t duration = 0;  // longest note or rest starting here (ticks), over which its width spreads
    std::int16_t endSpace = 0;  // room of a clef at the bar's end: the first entry's counts in the total
};
static_assert(sizeof(SpacingColumn) == 12);

// The most onset times one bar can be spaced with.
inline constexpr int kMaxSpacingColumns = 1024;

