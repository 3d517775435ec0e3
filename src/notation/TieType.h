// The behaviour of the two-ended items (records in model/TieType.h): the common base turns the
// ends into page points, draws the item through its kind's shape with handles when selected,
// hit-tests its handles, re-anchors its ends to notes after a drag, nudges both ends, keeps its
// end notes' marks and reads and writes its fields; the tie, the slur and the tuplet add their
// points, shapes, hits, drags, side and automatic shape (Tie.cpp, Slur.cpp, Tuplet.cpp).
//
// The handle an item's hit test found is the model's hit part (g_model.hitPart): 0 the start,
// the last point's index the end, the values between a kind's inner handles, kWholeItem the
// whole item, or a kind's own part (a slur's curve 4).
#pragma once
#include <cstdint>
#include <string>

#include "framework/Types.h"
#include "model/Bar.h"
#include "model/BarItem.h"
#include "model/TieType.h"

class TieTypeBehaviour : public BarItemBehaviour, public LineRecordBehaviour {
public:
    static constexpr int kMaxPoints = 8;
    static constexpr int kWholeItem = -32767;
    static const TieTypeBehaviour& Of(const CBarItem& item);

    // --- the operations the base adds ---
    // Draws the item's line or curve through its points (nothing in the base).
    virtual void DrawLine(CTieType& item, POINT* points, int n) const {}
    // The item's points (at most kMaxPoints): the base's are its two ends.
    virtual int GetPoints(CTieType& item, POINT* points) const;
    virtual bool IsAbove(const CTieType& item) const { return item.AboveBit(); }
    virtual void SetAbove(CTieType& item, bool above) const { item.SetAboveBit(above); }
    // Whether a drag moves end 1 with a note, and its vertical position.
    virtual bool MovesEndWithNote(const CTieType& item) const { return true; }
    virtual bool MovesEndHeight(const CTieType& item) const { return true; }
    // Whether the item is re-anchored to notes when a drag ends.
    virtual bool ReanchorsAfterDrag(const CTieType& item) const { return true; }
    // The kind's marks on the notes at its ends (none in the base).
    virtual bool HasStartNoteMark(const CTieType& item, CBarItem* note, int head) const { return false; }
    virtual bool HasEndNoteMark(const CTieType& item, CBarItem* note, int head) const { return false; }
    virtual void SetStartNoteMark(const CTieType& item, CBarItem* note, bool on, int head) const {}
    virtual void SetEndNoteMark(const CTieType& item, CBarItem* note, bool on, int head) const {}
    // The staff position of end 0 or 1: its stored one, or with a fixed position the staff's.
    virtual int GetEndY(CTieType& item, int end) const;
    // The kind's file order of its own fields (after the common ones), in place.
    virtual void OwnFieldsFromFileOrder(CTieType& item) const {}
    virtual void OwnFieldsToFileOrder(CTieType& item) const {}
    // The item's shape from its notes: mode 0 turns it to the other side first (nothing here).
    virtual void AutoShape(CTieType& item, int mode) const {}
    // The two ends as page points, end 1 pulled back into the own bar when it lies past the
    // score's last bar (the record keeps the change).
    void EndPoints(CTieType& item, POINT* p0, POINT* p1) const;
    // The points as drawn and hit: a tie's end x values in order and its handles moved in.
    int HandlePoints(CTieType& item, POINT* points, bool handles) const;

    // --- the score item's and bar item's slots ---
    RECT* GetBounds(CScoreItem& item, RECT* rect) const override;                     // slot 16
    bool IntersectsRect(CScoreItem& item, const RECT& rect) const override;           // slot 18
    void EndDrag(CScoreItem& item, CDragTask* drag) const override;                   // slot 43
    void Nudge(CScoreItem& item, int dx, int dy) const override;                      // slot 45
    void WriteBody(CScoreItem& item, CChunkStream& stream) const override;            // slot 52
    void ToFileOrder(CScoreItem& item) const override;                                // slot 56
    void FromFileOrder(CScoreItem& item) const override;                              // slot 57
    bool IsTwoEnded(CScoreItem& item) const override { return true; }                 // slot 61
    void DrawShape(CBarItem& item) const override;                                    // slot 82
    void MarkRemoved(CBarItem& item) const override;                                  // slot 86
    bool HitTestShape(CBarItem& item, int x, int y) const override;                   // slot 87
    std::int16_t GetStartStaffOffset(CBarItem& item) const override;                  // slot 95
    int GetBarSpan(CBarItem& item) const override;                                    // slot 99
    int GetEndPosition(CBarItem& item) const override;                                // slot 100
    void SetEndPosition(CBarItem& item, int position) const override;                 // slot 115
    void SetEndStaffOffset(CBarItem& item, int staves) const override;                // slot 117
    void SetStartStaffOffset(CBarItem& item, int staves) const override;
    std::int16_t GetEndStaffOffset(CBarItem& item) const override;
    void SetHorizontalOffset(CBarItem& item, int offset) const override;              // slot 118
    void SetVerticalOffset(CBarItem& item, int offset) const override;                // slot 119
    void SetEndHorizontalOffset(CBarItem& item, int offset) const override;           // slot 120
    void SetEndVerticalOffset(CBarItem& item, int offset) const override;             // slot 121
    void SetEnd(CBarItem& item, int bars, int position) const override;               // slot 122
    bool AcceptsStartNote(CBarItem& item, CBarItem* note, int head) const override;   // slot 124
    bool AcceptsEndNote(CBarItem& item, CBarItem* note, int head) const override;     // slot 125
    void AttachStart(CBarItem& item, CBarItem* note, int head, int) const override;   // slot 126
    void AttachEnd(CBarItem& item, CBarItem* note, int head, int) const override;     // slot 127
    void Flip(CBarItem& item, int mode) const override;                               // slot 129
    void GetEndPoints(CBarItem& item, POINT* start, POINT* end) const override;       // slot 133
    bool ReachesOtherStaff(CBarItem& item) const override;                            // slot 134
    bool Query138(CBarItem& item) const override { return true; }                     // slot 138
    bool LineIsAbove(const CBarItem& item) const override;
};

// The tie (type 30): three points (start, apex, end), a curve, the handles moved in, its side
// by its height, its marks on the heads (bits 2 and 3 of a head's link byte).
class TieBehaviour : public TieTypeBehaviour {
public:
    static const TieBehaviour& Instance();
    void DragBy(CScoreItem& item, CDragTask* drag) const override;                    // slot 42
    void MarkRemoved(CBarItem& item) const override;                                  // slot 86
    void Flip(CBarItem& item, int mode) const override;                               // slot 129
    void DrawLine(CTieType& item, POINT* points, int n) const override;
    int GetPoints(CTieType& item, POINT* points) const override;
    bool IsAbove(const CTieType& item) const override;
    void SetAbove(CTieType& item, bool above) const override;
    bool ReanchorsAfterDrag(const CTieType& item) const override { return false; }
    bool HasStartNoteMark(const CTieType& item, CBarItem* note, int head) const override;
    bool HasEndNoteMark(const CTieType& item, CBarItem* note, int head) const override;
    void SetStartNoteMark(const CTieType& item, CBarItem* note, bool on, int head) const override;
    void SetEndNoteMark(const CTieType& item, CBarItem* note, bool on, int head) const override;
    void OwnFieldsFromFileOrder(CTieType& item) const override;
    void OwnFieldsToFileOrder(CTieType& item) const override;
};

// The slur (type 27): four points (the ends and two control points), a Bezier curve, hit on
// its curve, its automatic shape, its marks in the notes' slur flags, and the play durations it
// gives back when it goes.
class SlurBehaviour : public TieTypeBehaviour {
public:
    static const SlurBehaviour& Instance();
    void DragBy(CScoreItem& item, CDragTask* drag) const override;                    // slot 42
    void MarkRemoved(CBarItem& item) const override;                                  // slot 86
    bool HitTestShape(CBarItem& item, int x, int y) const override;                   // slot 87
    void Flip(CBarItem& item, int mode) const override;                               // slot 129
    void DrawLine(CTieType& item, POINT* points, int n) const override;
    int GetPoints(CTieType& item, POINT* points) const override;
    bool HasStartNoteMark(const CTieType& item, CBarItem* note, int head) const override;
    bool HasEndNoteMark(const CTieType& item, CBarItem* note, int head) const override;
    void SetStartNoteMark(const CTieType& item, CBarItem* note, bool on, int head) const override;
    void SetEndNoteMark(const CTieType& item, CBarItem* note, bool on, int head) const override;
    void OwnFieldsFromFileOrder(CTieType& item) const override;
    void OwnFieldsToFileOrder(CTieType& item) const override;
    void AutoShape(CTieType& item, int mode) const override;
};

// The tuplet (type 31): five points (the hooks' ends, the bracket's ends and the number), a
// bracket or curve with its number, hit on the number, bracket or curve.
class TupletBehaviour : public TieTypeBehaviour {
public:
    static const TupletBehaviour& Instance();
    RECT* GetBounds(CScoreItem& item, RECT* rect) const override;                     // slot 16
    void DragBy(CScoreItem& item, CDragTask* drag) const override;                    // slot 42
    void MarkRemoved(CBarItem& item) const override;                                  // slot 86
    bool HitTestShape(CBarItem& item, int x, int y) const override;                   // slot 87
    void Flip(CBarItem& item, int mode) const override;                               // slot 129
    void DrawLine(CTieType& item, POINT* points, int n) const override;
    int GetPoints(CTieType& item, POINT* points) const override;
    bool IsAbove(const CTieType& item) const override;
    bool ReanchorsAfterDrag(const CTieType& item) const override { return false; }
    void OwnFieldsFromFileOrder(CTieType& item) const override;
    void OwnFieldsToFileOrder(CTieType& item) const override;
    void AutoShape(CTieType& item, int mode) const override;
};

// The bend (type 33) and the lines built on its record: its points between the ends, its
// kind's arrowed curves, straight segments or glyph run with the amount labels, hit on its
// points and labels, its drags and label steps, its creation defaults by the current
// sub-tool, its marks in the notes' line flags, its stored form with the points and the
// playback setting, and the repairs of older files.
class BendBehaviour : public TieTypeBehaviour {
public:
    static const BendBehaviour& Instance();
    // The edit: the document command of the kind's dialog ("Edit Bend" for bends and pedals).
    void OpenProperties(CScoreItem& item, int x, int y) const override;               // slot 10
    RECT* GetBounds(CScoreItem& item, RECT* rect) const override;                     // slot 16
    int GetWantedSize(CScoreItem& item) const override;                               // slot 33
    int GetKind(CScoreItem& item) const override;                                     // slot 34
    void DragBy(CScoreItem& item, CDragTask* drag) const override;                    // slot 42
    void FromFileOrder(CScoreItem& item) const override;                              // slot 57
    void AfterLoad(CScoreItem& item, int version) const override;                     // slot 58
    bool IsLineItem(CScoreItem& item) const override { return true; }                 // slot 62
    void PlaceAt(CBarItem& item, const ScoreLocation& location) const override;       // slot 80
    bool HitTestShape(CBarItem& item, int x, int y) const override;                   // slot 87
    void DrawLine(CTieType& item, POINT* points, int n) const override;
    int GetPoints(CTieType& item, POINT* points) const override;
    bool HasStartNoteMark(const CTieType& item, CBarItem* note, int head) const override;
    bool HasEndNoteMark(const CTieType& item, CBarItem* note, int head) const override;
    void SetStartNoteMark(const CTieType& item, CBarItem* note, bool on, int head) const override;
    void SetEndNoteMark(const CTieType& item, CBarItem* note, bool on, int head) const override;
    void OwnFieldsFromFileOrder(CTieType& item) const override;
    void OwnFieldsToFileOrder(CTieType& item) const override;
    // Steps the label of the handle being dragged (g_model.hitPart) by the drag's vertical move.
    virtual void StepLabel(CBend& item, const CDragTask& drag) const;
    // Mode 0 turns the line to its other side.
    void AutoShape(CTieType& item, int mode) const override;
    // The label squares' anchors (bottom-left corners) and amounts: the end label, then each
    // point's; a label of amount 0 is not shown. Returns how many were filled (at most 1 +
    // kMaxPoints).
    int LabelAnchors(CBend& item, const POINT* points, int n, POINT* anchors, int* amounts) const;
    // The text of a label amount: the string of its size, "-" before a negative one.
    static std::string LabelText(int amount);
};

// The group (type 36): glyph pairs, single glyphs and brackets against the notes.
class GroupBehaviour : public BendBehaviour {
public:
    static const GroupBehaviour& Instance();
    RECT* GetBounds(CScoreItem& item, RECT* rect) const override;                     // slot 16
    void DragBy(CScoreItem& item, CDragTask* drag) const override;                    // slot 42
    void EndDrag(CScoreItem& item, CDragTask* drag) const override;                   // slot 43
    void PlaceAt(CBarItem& item, const ScoreLocation& location) const override;       // slot 80
    bool HitTestShape(CBarItem& item, int x, int y) const override;                   // slot 87
    void GetEndPoints(CBarItem& item, POINT* start, POINT* end) const override;       // slot 133
    void DrawLine(CTieType& item, POINT* points, int n) const override;
    int GetPoints(CTieType& item, POINT* points) const override;
    void AutoShape(CTieType& item, int mode) const override;
};

// The barre (type 34): the fret label in Roman numerals and its line.
class BarreBehaviour : public BendBehaviour {
public:
    static const BarreBehaviour& Instance();
    void DragBy(CScoreItem& item, CDragTask* drag) const override;                    // slot 42
    void PlaceAt(CBarItem& item, const ScoreLocation& location) const override;       // slot 80
    bool HitTestShape(CBarItem& item, int x, int y) const override;                   // slot 87
    void DrawLine(CTieType& item, POINT* points, int n) const override;
    int GetPoints(CTieType& item, POINT* points) const override;
    void OwnFieldsFromFileOrder(CTieType& item) const override;
    void OwnFieldsToFileOrder(CTieType& item) const override;
    void StepLabel(CBend& item, const CDragTask& drag) const override;
};

// The pedal line (type 35): a bracket, or a line with change notches.
class PedalBehaviour : public BendBehaviour {
public:
    static const PedalBehaviour& Instance();
    CDragTask* CreateDragTask(CScoreItem& item) const override;                       // slot 40: CDragPedal
    void PlaceAt(CBarItem& item, const ScoreLocation& location) const override;       // slot 80
    void Flip(CBarItem& item, int mode) const override;                               // slot 129
    void DrawLine(CTieType& item, POINT* points, int n) const override;
};

// What an item that acts on playback over a span gives the performer (a pedal line, a graphic):
// the start bar and times, the position, the voice, the end's time in its bar and its position,
// that time counted from the start bar's start (the lengths of the bars before the end bar
// added; a pedal stops at a bar with flag bit 2), the end bar, and the playback setting.
struct SpanPlayback {
    int startBar = 0;
    int startTime = 0;
    int startTimeAgain = 0;
    int startPosition = 0;
    int voice = 0;
    int endTimeInBar = 0;
    int endPosition = 0;
    int endTime = 0;
    int endBar = 0;
    std::uint8_t setting[32] = {};
};
// Fills `out` for the pedal in the current track bar; returns 2.
int DescribeSpanPlayback(CPedal& pedal, SpanPlayback& out);

// The glissando (type 21): a straight or wavy line between two heads with its text along it.
class GlissandoBehaviour : public TieTypeBehaviour {
public:
    static const GlissandoBehaviour& Instance();
    void OpenProperties(CScoreItem& item, int x, int y) const override;               // slot 10
    int GetKind(CScoreItem& item) const override;                                     // slot 34
    void DragBy(CScoreItem& item, CDragTask* drag) const override;                    // slot 42
    void ReadBody(CScoreItem& item, CChunkStream& stream) const override;             // slot 51
    void WriteBody(CScoreItem& item, CChunkStream& stream) const override;            // slot 52
    void AfterLoad(CScoreItem& item, int version) const override;                     // slot 58
    void ResolveFonts(CScoreItem& item, CFontArray* fonts) const override;            // slot 59
    void PlaceAt(CBarItem& item, const ScoreLocation& location) const override;       // slot 80
    void MarkRemoved(CBarItem& item) const override;                                  // slot 86
    void DrawLine(CTieType& item, POINT* points, int n) const override;
    int GetPoints(CTieType& item, POINT* points) const override;
    bool ReanchorsAfterDrag(const CTieType& item) const override { return false; }
    bool HasStartNoteMark(const CTieType& item, CBarItem* note, int head) const override;
    bool HasEndNoteMark(const CTieType& item, CBarItem* note, int head) const override;
    void SetStartNoteMark(const CTieType& item, CBarItem* note, bool on, int head) const override;
    void SetEndNoteMark(const CTieType& item, CBarItem* note, bool on, int head) const override;
    void OwnFieldsFromFileOrder(CTieType& item) const override;
    void OwnFieldsToFileOrder(CTieType& item) const override;
    // Mode 0 turns the line to its other side.
    void AutoShape(CTieType& item, int mode) const override;
};

// Binds the two-ended items' codes (ties, slurs, tuplets, glissandi, bends, barres, pedal lines,
// groups) to their behaviours.
void RegisterTwoEndedClasses();
