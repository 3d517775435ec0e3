// The notated note or chord (code 144): the performance note's record, drawn with music-font
// glyphs and laid out as a chord (which heads sit on which side of the stem, where each dot
// goes, in which column each accidental stands).
#pragma once
#include <cstdint>

#include "notation/RawNote.h"

class NoteBehaviour : public RawNoteBehaviour {
public:
    static const NoteBehaviour& Instance();

    void SetScale(CScoreItem& item, int percent) const override;        // slot 37
    bool MovesOnDrop(CScoreItem& item) const override { return false; }  // slot 67
    int GetBarSpan(CBarItem& item) const override;                       // slot 99
    void CycleDots(CRawHead& item) const override;                       // 149
    void LayoutChord(CRawNote& note) const override;
};

class CNote : public CRawNote {
public:
    static constexpr int kType = 144;
    static constexpr int kSize = 40;
    // Accidental columns of the chord layout, and the places each column has.
    static constexpr int kAccidentalColumns = 8;
    static constexpr int kColumnSlots = 32;

    static CNote* Construct(void* record);

    void SetStemUp(bool up) { SetStemUpBit(up); }
};
ZEL_RECORD_VIEW(CNote);
