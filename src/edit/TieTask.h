// Tie (35300) and the dotted tie of the group palette (4006): the selected heads are tied to the
// next selected head of the same pitch, staff position, staff and voice; one note alone is tied
// to a like note at the start of the next bar, or gets a tie with an open end.
#pragma once
#include <cstdint>
#include <vector>

#include "model/EditTask.h"

class CTrkBar;

class CAddTieTask : public CCruise {
public:
    static constexpr int kMaxCandidates = 1000;

    // One selected, visible head of a note in the walked track.
    struct Candidate {
        std::int16_t track = 0;
        std::int16_t staffOffset = 0;
        std::int16_t time = 0;
        std::int16_t x = 0;
        std::int16_t head = 0;
        std::uint16_t pitch = 0;
        std::int8_t staffPos = 0;
        std::uint8_t voice = 0;
        std::uint8_t isShort = 0;
        std::uint8_t above = 0;
        std::uint8_t noteFlag = 0;  // a slash note's tie stays where it is put
        CTrkBar* trkBar = nullptr;
    };

    bool Perform() override;
    void WalkBars() override;
    void DoItem() override;

    std::vector<Candidate> candidates;
    int notesSeen = 0;

private:
    void LookInNextBar();
    void BuildTies();
    // The tie from candidate a to candidate b (b null: one note alone).
    void MakeTie(const Candidate& a, const Candidate* b);
};
