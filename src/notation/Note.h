// The notated note or chord (code 144): the performance note's record, drawn with music-font
// glyphs and laid out as a chord (which heads sit on which side of the stem, where each dot
// goes, in which column each accidental stands).
#pragma once
#include <cstdint>

#include "notation/RawNote.h"

class NoteBehaviour : public RawNoteBehaviour {
public:
    static const NoteBehaviour& Instance();

    void Draw(CScoreItem& item) const override;                                     // slot 4
    void OpenProperties(CScoreItem& item, int x, int y) const override;             // slot 10
    bool HitTest(CScoreItem& item, int x, int y) const override;                    // slot 15
    RECT* GetPartBounds(CScoreItem& item, RECT* rect, int part) const override;     // slot 17
    void InvalidateAttached(CScoreItem& item) const override;                       // slot 20
    CDragTask* CreateDragTask(CScoreItem& item) const override;                     // slot 40
    void ResolveFonts(CScoreItem& item, CFontArray* fonts) const override;          // slot 59
    void PlaceAt(CBarItem& item, const ScoreLocation& location) const override;     // slot 80

    // The items attached to the note kept with it (NoteAttach.cpp).
    void MoveToPosition(CBarItem& item, int position) const override;                          // slot 145
    CRawHead* AddMark(CRawHead& item, const NoteMark& mark) const override;                    // 150
    int GetAttachPos(CRawHead& item, CTrkBar* trkBar, bool above, bool skipMarks) const override;  // 159
    void InitMark(CRawHead& item, NoteMark* mark, int code, int arg, bool onStemSide) const override;  // 160
    void CollectAttached(CRawHead& item, CTrkBar* trkBar, AttachedItemList* list, int head) const override;  // 166
    void RemoveHead(CRawNote& note, int i) const override;                                     // 176
    void MoveHead(CRawNote& note, int i, int delta, int oldPitch) const override;              // 177

    void SetScale(CScoreItem& item, int percent) const override;        // slot 37
    bool MovesOnDrop(CScoreItem& item) const override { return false; }  // slot 67
    int GetBarSpan(CBarItem& item) const override;                       // slot 99
    void CycleDots(CRawHead& item) const override;                       // 149
    void LayoutChord(CBarItem& item) const override;                    // slot 130
};

class CNote : public CRawNote {
public:
    static constexpr int kType = 144;
    static constexpr int kSize = 40;
    // Accidental columns of the chord layout.
    static constexpr int kAccidentalColumns = 8;

    static CNote* Construct(void* record);

    void SetStemUp(bool up) { SetStemUpBit(up); }

    // --- drawing (the current staff, bar and artist; see NoteDraw.cpp) ---
    // The music-font character of a head: by its shape, or by the note value for shape 0.
    int GetHeadGlyph(const NoteHead& head) const;
    // The stem's x and the y of its base and of its end, on head 0's staff.
    void GetStemLine(int* x, int* yBase, int* yEnd);
    // The y where the stem leaves the heads, on the current staff.
    int GetStemBaseY();
    // The square of the stem-end handle.
    RECT* GetStemRect(RECT* rect);
    void DrawHead(int x, NoteHead& head);
    void DrawStem();
    void DrawFlag();
    void DrawDots(const NoteHead& head);
    void DrawParentheses();
    void DrawFretNumber(int x, int y, const NoteHead& head);
    // --- attached items (NoteAttach.cpp) ---
    // Widens [*first, *last] (bar numbers) over the bars that hold the note's attached items;
    // *first starts at the bar of the track given.
    void GetBarRange(int* first, int* last, CTrkBar* trkBar);
    // The tie that starts at (ends on) head i goes, and the flags at both its ends with it.
    void RemoveTieFrom(int i);
    void RemoveTieInto(int i);
    // After a flip or a move to another track: the ties of the note's voice at its column in the
    // current bar go to the first head of their staff position and pitch, and are shaped again.
    void RelinkTies();

    // The heads are drawn: the stem and flag too when the note has its own.
    bool HasOwnStem() const { return !IsBeamed() && !IsStemless() && NoteValue() > 1; }
};
ZEL_RECORD_VIEW(CNote);
