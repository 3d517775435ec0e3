// The two-ended items without a class of their own yet (glissandi, bends, barres, pedal lines
// and groups) as the bar's recalculation and finders use them: each answers that it has two
// ends, gives and takes its end (end bar offset at 22, end position at 24) and its start staff
// offset, tells whether it lies above its notes, takes a note for an end by the note's flags and
// sets the link flags of the notes it attaches to, and turns to its other side. Bends, barres,
// pedal lines and groups are the line items. Their stored form stays the bare bar item's (bytes
// as they lie). Ties, slurs and tuplets have their classes (notation/TieType.h).
#pragma once

#include "model/Bar.h"
#include "model/BarItem.h"

class TieTypeStandInBehaviour : public BarItemBehaviour, public LineRecordBehaviour {
public:
    static const TieTypeStandInBehaviour& Instance();

    int GetKind(CScoreItem& item) const override;                                    // slot 34
    bool IsTwoEnded(CScoreItem& item) const override { return true; }                // slot 61
    bool IsLineItem(CScoreItem& item) const override;                                // slot 62
    std::int16_t GetStartStaffOffset(CBarItem& item) const override;                 // slot 95
    int GetBarSpan(CBarItem& item) const override;                                   // slot 99
    int GetEndPosition(CBarItem& item) const override;                               // slot 100
    void SetEndPosition(CBarItem& item, int position) const override;                // slot 115
    void SetEnd(CBarItem& item, int bars, int position) const override;              // slot 122
    bool AcceptsStartNote(CBarItem& item, CBarItem* note, int head) const override;  // slot 124
    bool AcceptsEndNote(CBarItem& item, CBarItem* note, int head) const override;    // slot 125
    void AttachStart(CBarItem& item, CBarItem* note, int a, int b) const override;   // slot 126
    void AttachEnd(CBarItem& item, CBarItem* note, int a, int b) const override;     // slot 127
    void Flip(CBarItem& item, int mode) const override;                              // slot 129
    bool LineIsAbove(const CBarItem& item) const override;
};

// Binds the two-ended items' codes to the behaviour above.
void RegisterLineItemStandIns();
