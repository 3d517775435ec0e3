// The bar item: the base of every item that stands in a bar (notes, rests, beams, marks, lines,
// texts, graphics, MIDI data). A bare bar item (type 255, 16 bytes) ends every packed item run.
//
// Bar-item head, after the record head:
//   offset 8   flags A        layout 1+1+6: bit 0 relayout, bit 1 SetFlag8Bit1, bits 2-7 the
//                             subclasses' 6-bit field
//   offset 9   flags B        layout 1+1+1+1+1+3: bit 0 selected, bit 1 removed, bit 2 scratch
//                             mark, bit 3 a subclass flag, bit 4 hidden, bits 5-7 voice
//   offset 10  time           16-bit signed, ticks from the bar's start
//   offset 12  position       16-bit, 1/1024 of the bar (MIDI data: two data bytes)
//   offset 14  colour         0: the voice's colour, n: colour index n - 1
//   offset 15  time offset    8-bit signed, ticks added for playback
// Stored: bytes 8 and 9 in mirrored field order, 10 and 12 big-endian, 14 and 15 raw.
#pragma once
#include <cstdint>

#include "model/ScoreItem.h"

class CBarItem;
class CTrack;
class CTrkBar;
struct ItemPlayAction;
struct ScoreLocation;

// The operations a bar item adds (slots 79-148) and its overrides of the score item's.
class BarItemBehaviour : public ScoreItemBehaviour {
public:
    // The behaviour of a bare bar item (the end record, and classes with none of their own yet).
    static const BarItemBehaviour& Bare();
    const BarItemBehaviour* AsBarItem() const override { return this; }

    // --- score-item slots the bar item overrides ---
    void Draw(CScoreItem& item) const override;                             // slot 4
    void Redraw(CScoreItem& item) const override;                           // slot 5
    void Select(CScoreItem& item) const override;                           // slot 6
    void SelectPart(CScoreItem& item, int part) const override;             // slot 7
    void DeselectPart(CScoreItem& item, int part) const override;           // slot 9
    bool HitTest(CScoreItem& item, int x, int y) const override;            // slot 15
    void Invalidate(CScoreItem& item) const override;                       // slot 19
    void InvalidateAttached(CScoreItem& item) const override {}             // slot 20
    int GetTime(CScoreItem& item) const override;                           // slot 26
    int GetTimeWithOffset(CScoreItem& item) const override;                 // slot 27
    int GetPosition(CScoreItem& item) const override;                       // slot 28
    int GetColorIndex(CScoreItem& item) const override;                     // slot 30: GetColor
    void SetColorIndex(CScoreItem& item, int color) const override;         // slot 38: SetColor
    void BeginDrag(CScoreItem& item) const override;                        // slot 41: Erase
    void DragBy(CScoreItem& item, CDragTask* drag) const override;          // slot 42: MoveDrag
    void EndDrag(CScoreItem& item, CDragTask* drag) const override;         // slot 43
    void DrawDragFeedback(CScoreItem& item) const override;                 // slot 44: RedrawWhileDragged
    void Nudge(CScoreItem& item, int dx, int dy) const override;            // slot 45
    void ReadHead(CScoreItem& item, CChunkStream& stream) const override;   // slot 49
    void WriteHead(CScoreItem& item, CChunkStream& stream) const override;  // slot 50
    void ReadBody(CScoreItem& item, CChunkStream& stream) const override;   // slot 51
    // slot 52: the bytes after the head as they lie (the bare item has none; every class with
    // fields of its own writes them in file order).
    void WriteBody(CScoreItem& item, CChunkStream& stream) const override;
    void Read(CScoreItem& item, CChunkStream& stream) const override;       // slot 53
    void ToFileOrder(CScoreItem& item) const override;                      // slot 56
    void FromFileOrder(CScoreItem& item) const override {}                  // slot 57
    void AfterLoad(CScoreItem& item, int version) const override;           // slot 58
    bool BelongsToBar(CScoreItem& item) const override { return true; }     // slot 63
    bool MovesOnDropByOption(CScoreItem& item) const override { return true; }  // slot 64
    bool MovesOnDrop(CScoreItem& item) const override { return true; }      // slot 67
    bool ClassTestC(CScoreItem& item) const override { return true; }       // slot 68
    bool IsAlive(CScoreItem& item) const override;                          // slot 69
    int ScaleToView(CScoreItem& item, int v) const override;                // slot 71: ScaleToPage

    // --- slots 79-148 ---
    virtual void InitNew(CBarItem& item, int voice, int time, int position) const;        // 79
    virtual void PlaceAt(CBarItem& item, const ScoreLocation& location) const;            // 80
    virtual void VerifyTrack(CBarItem& item) const;                                       // 81
    virtual void DrawShape(CBarItem& item) const;                                         // 82
    virtual void DrawDataValue(CBarItem& item) const;                                     // 83
    virtual void DrawEndGlyphs(CBarItem& item, int x1, int x2, int y, int size, bool alternate) const;  // 84
    virtual void Delete(CBarItem& item) const;                                            // 85
    virtual void MarkRemoved(CBarItem& item) const;                                       // 86
    virtual bool HitTestShape(CBarItem& item, int x, int y) const;                        // 87
    virtual int GetPlayStart(CBarItem& item, int head) const;                             // 88
    virtual int GetPlayEnd(CBarItem& item, int head) const;                               // 89
    // 90: the bar numbers the item spans from the given track bar; returns the bar span.
    virtual int GetBarRange(CBarItem& item, int* first, int* last, CTrkBar* trkBar) const;
    virtual std::int16_t GetStaffPos(CBarItem& item, int head) const { return 0; }        // 91
    virtual std::int16_t GetFirstHeadStaffPos(CBarItem& item) const { return 0; }         // 92
    virtual int GetVoice(CBarItem& item) const;                                           // 93
    virtual int GetValue(CBarItem& item) const { return 0; }                              // 94
    virtual std::int16_t GetStartStaffOffset(CBarItem& item) const { return 0; }          // 95
    virtual int GetVerticalOffset(CBarItem& item) const { return 0; }                     // 96
    virtual int Query97(CBarItem& item, int a, int b) const { return 0; }                 // 97
    virtual int Query98(CBarItem& item) const { return 0; }                               // 98
    virtual int GetBarSpan(CBarItem& item) const { return 0; }                            // 99
    virtual int GetEndPosition(CBarItem& item) const;                                     // 100
    virtual int Query101(CBarItem& item) const { return 0; }                              // 101
    virtual int Query102(CBarItem& item) const { return 0; }                              // 102
    virtual int Query103(CBarItem& item) const { return 0; }                              // 103
    // 104: the item is told that playback started after it in its bar (its share of the play
    // state counts it as played); nothing for items that keep no such state.
    virtual void MarkPlayed(CBarItem& item) const {}
    // The controller that item's playback setting names at list entry arg, and its value (-1:
    // none).
    virtual int GetPlaybackController(CBarItem& item, int arg) const { return -1; }       // 105
    virtual int GetPlaybackValue(CBarItem& item, int arg) const { return -1; }            // 106
    virtual int GetPlayAction(CBarItem& item, ItemPlayAction* action) const { return 0; }  // 107
    virtual void SetTime(CBarItem& item, int time) const;                                 // 108
    virtual void Hook109(CBarItem& item, int arg) const {}                                // 109
    virtual void SetPosition(CBarItem& item, int position) const;                         // 110
    virtual void Hook111(CBarItem& item, int arg) const {}                                // 111
    virtual void Hook112(CBarItem& item) const {}                                         // 112
    virtual void SetVoice(CBarItem& item, int voice) const;                               // 113
    virtual void SetValue(CBarItem& item, int value) const {}                             // 114
    // 115: stores the position of a two-ended item's other end (a tuplet's at 24); nothing for
    // other items.
    virtual void SetEndPosition(CBarItem& item, int position) const {}
    virtual void Hook116(CBarItem& item) const {}                                         // 116
    virtual void SetEndStaffOffset(CBarItem& item, int staves) const {}                   // 117
    virtual void SetHorizontalOffset(CBarItem& item, int offset) const {}                 // 118
    virtual void SetVerticalOffset(CBarItem& item, int offset) const {}                   // 119
    virtual void SetEndHorizontalOffset(CBarItem& item, int offset) const {}              // 120
    virtual void SetEndVerticalOffset(CBarItem& item, int offset) const {}                // 121
    virtual void SetEnd(CBarItem& item, int bars, int position) const {}                  // 122
    virtual void SetFlag8Bit1(CBarItem& item, bool on) const;                             // 123
    virtual bool AcceptsStartNote(CBarItem& item, CBarItem* note, int arg) const { return false; }  // 124
    virtual bool AcceptsEndNote(CBarItem& item, CBarItem* note, int arg) const { return false; }    // 125
    virtual void AttachStart(CBarItem& item, CBarItem* note, int a, int b) const {}       // 126
    virtual void AttachEnd(CBarItem& item, CBarItem* note, int a, int b) const {}         // 127
    // 128: every selected head to its next enharmonic spelling (notes; nothing for others).
    virtual void RespellSelected(CBarItem& item) const {}
    // 129: turns the item to its other side (mode 0), or lays it out again where its notes are
    // (1, -1); nothing for items without sides.
    virtual void Flip(CBarItem& item, int mode) const {}
    // 130: lays a chord out again (which head on which side of the stem, dots, accidental
    // columns); nothing for other items.
    virtual void LayoutChord(CBarItem& item) const {}
    // 131: moves every selected head by amount: mode 0 an interval number, 1 steps of the key,
    // 2 semitones (notes; beams mark themselves for re-layout; nothing for others).
    virtual void TransposeSelected(CBarItem& item, int amount, int mode) const {}
    // 132: writes every head again for a change from one key to another under the clef, the
    // pitch moving by the signed semitones (0: the pitch kept).
    virtual void TransposeAll(CBarItem& item, int fromKey, int toKey, int clef, int semitones) const {}
    virtual void GetEndPoints(CBarItem& item, POINT* start, POINT* end) const;            // 133
    virtual bool ReachesOtherStaff(CBarItem& item) const { return false; }                // 134
    virtual bool CanEndOnOtherStaff(CBarItem& item) const { return false; }               // 135
    virtual bool IsMeasuredWithoutStaff(CBarItem& item) const { return false; }           // 136
    virtual bool IsTrackItem(CBarItem& item) const { return true; }                       // 137
    virtual bool Query138(CBarItem& item) const { return false; }                         // 138
    // 139: the item's staff (its track's, or the system's first shown staff for the bar's own
    // items) is shown, and the item is not hidden or hidden items are shown.
    virtual bool IsShownOnStaff(CBarItem& item) const;
    virtual bool IsSelected(CBarItem& item, int part) const;                              // 140
    virtual bool GetFlag8Bit1(CBarItem& item) const;                                      // 141
    // 142: a copy of the item into the location's bar of a track (or the bar's own items) at its
    // time and position, the source marked removed; null, with the source left as it was, when
    // the copy cannot be made or inserted.
    virtual CBarItem* AddToBar(CBarItem& item, const ScoreLocation& location) const;
    // 143: places the item at the start location's page point, its end at the end location's;
    // the record stays in its bar of a track or moves into another (AddToBar). The placed
    // record, or null when it could not move.
    virtual CBarItem* PlaceAtPoint(CBarItem& item, ScoreLocation& start, ScoreLocation& end) const;
    // 144: the item's playback settings for the track it now stands on (a mark's controller
    // from the track's device, an expression's articulation); nothing for other items.
    virtual void AttachToTrack(CBarItem& item, CTrack* track) const {}
    virtual void MoveToPosition(CBarItem& item, int position) const;                      // 145
    // 146: a line from the drawn point to where the drag began, and the MIDI data box told
    // the item's time.
    virtual void ShowDragFeedback(CBarItem& item, int x, int y) const;
    virtual void SaveSpannedBars(CBarItem& item) const;                                   // 147
    // 148: opens n zero bytes at `at` inside the record; the caller guarantees the room.
    virtual int GrowAt(CBarItem& item, std::uint8_t* at, int n) const;
    // Whether a click that selected or deselected the item hands it to the document's
    // selection; every item but a clef (only under the clef tool) answers true.
    virtual bool WantsClickSelection(CBarItem& item) const { return true; }
    // The signed staff offset of the item's start set, and of its end read (beams and
    // two-ended items both ends, rests the start only); nothing and 0 for other items.
    virtual void SetStartStaffOffset(CBarItem& item, int staves) const {}
    virtual std::int16_t GetEndStaffOffset(CBarItem& item) const { return 0; }
};

class CBarItem : public CScoreItem {
public:
    enum : int { kFlagsA = 8, kFlagsB = 9, kTime = 10, kPosition = 12, kColor = 14, kTimeOffset = 15, kHeadEnd = 16 };
    enum : std::uint8_t {
        kRelayoutBit = 0x01,
        kFlag8Bit1 = 0x02,
        kSelectedBit = 0x01,
        kRemovedBit = 0x02,
        kScratchBit = 0x04,
        kHiddenBit = 0x10,
        kVoiceShift = 5,
    };
    static constexpr int kSize = 16;

    // Fields of the stored record held to its size field: a short record from a damaged or
    // older file reads 0 past its end and takes no write there.
    bool Holds(int at, int width) const { return RecordSizeField() >= at + width; }
    std::uint8_t Byte(int at) const { return Holds(at, 1) ? rec::Get<std::uint8_t>(this, std::size_t(at)) : 0; }
    void PutByte(int at, std::uint8_t v) {
        if (Holds(at, 1)) rec::Put(this, std::size_t(at), v);
    }
    std::int16_t Word(int at) const { return Holds(at, 2) ? rec::Get<std::int16_t>(this, std::size_t(at)) : std::int16_t(0); }
    void PutWord(int at, int v) {
        if (Holds(at, 2)) rec::Put<std::int16_t>(this, std::size_t(at), std::int16_t(v));
    }

    // Builds a bare bar item (the end record) in place: type 255, size 16, head cleared.
    static CBarItem* Construct(void* record);

    // The bar-item behaviour of this record's class (the bare bar item's for a record that is
    // not a bar item).
    const BarItemBehaviour& BarBehaviour() const;

    // --- head fields ---
    std::uint8_t FlagsA() const { return rec::Get<std::uint8_t>(this, kFlagsA); }
    void SetFlagsA(std::uint8_t v) { rec::Put(this, kFlagsA, v); }
    std::uint8_t FlagsB() const { return rec::Get<std::uint8_t>(this, kFlagsB); }
    void SetFlagsB(std::uint8_t v) { rec::Put(this, kFlagsB, v); }
    bool IsRemoved() const { return (FlagsB() & kRemovedBit) != 0; }
    bool IsHidden() const { return (FlagsB() & kHiddenBit) != 0; }
    bool IsSelectedBit() const { return (FlagsB() & kSelectedBit) != 0; }
    int VoiceField() const { return FlagsB() >> kVoiceShift; }
    std::int16_t TimeField() const { return rec::Get<std::int16_t>(this, kTime); }
    void SetTimeField(std::int16_t v) { rec::Put(this, kTime, v); }
    std::int16_t PositionField() const { return rec::Get<std::int16_t>(this, kPosition); }
    void SetPositionField(std::int16_t v) { rec::Put(this, kPosition, v); }
    std::uint8_t ColorField() const { return rec::Get<std::uint8_t>(this, kColor); }
    std::int8_t TimeOffsetField() const { return rec::Get<std::int8_t>(this, kTimeOffset); }
    void SetTimeOffsetField(std::int8_t v) { rec::Put(this, kTimeOffset, v); }
    CBarItem* NextItem() { return static_cast<CBarItem*>(NextRecord()); }

    // Names the bar item gives to score-item slots it overrides.
    int GetColor() { return GetColorIndex(); }                  // slot 30
    void SetColor(int color) { SetColorIndex(color); }          // slot 38
    void Erase() { BeginDrag(); }                               // slot 41
    void MoveDrag(CDragTask* drag) { DragBy(drag); }            // slot 42
    void RedrawWhileDragged() { DrawDragFeedback(); }           // slot 44
    int ScaleToPage(int distance) { return ScaleToView(distance); }  // slot 71

    // --- slots 79-148 ---
    void InitNew(int voice, int time, int position) { BarBehaviour().InitNew(*this, voice, time, position); }
    void PlaceAt(const ScoreLocation& location) { BarBehaviour().PlaceAt(*this, location); }
    void VerifyTrack() { BarBehaviour().VerifyTrack(*this); }
    void DrawShape() { BarBehaviour().DrawShape(*this); }
    void DrawDataValue() { BarBehaviour().DrawDataValue(*this); }
    void DrawEndGlyphs(int x1, int x2, int y, int size, bool alternate) {
        BarBehaviour().DrawEndGlyphs(*this, x1, x2, y, size, alternate);
    }
    void Delete() { BarBehaviour().Delete(*this); }
    void MarkRemoved() { BarBehaviour().MarkRemoved(*this); }
    bool HitTestShape(int x, int y) { return BarBehaviour().HitTestShape(*this, x, y); }
    int GetPlayStart(int head) { return BarBehaviour().GetPlayStart(*this, head); }
    int GetPlayEnd(int head) { return BarBehaviour().GetPlayEnd(*this, head); }
    int GetBarRange(int* first, int* last, CTrkBar* trkBar) { return BarBehaviour().GetBarRange(*this, first, last, trkBar); }
    std::int16_t GetStaffPos(int head) { return BarBehaviour().GetStaffPos(*this, head); }
    std::int16_t GetFirstHeadStaffPos() { return BarBehaviour().GetFirstHeadStaffPos(*this); }
    int GetVoice() { return BarBehaviour().GetVoice(*this); }
    int GetValue() { return BarBehaviour().GetValue(*this); }
    std::int16_t GetStartStaffOffset() { return BarBehaviour().GetStartStaffOffset(*this); }
    void SetStartStaffOffset(int staves) { BarBehaviour().SetStartStaffOffset(*this, staves); }
    std::int16_t GetEndStaffOffset() { return BarBehaviour().GetEndStaffOffset(*this); }
    int GetVerticalOffset() { return BarBehaviour().GetVerticalOffset(*this); }
    int Query97(int a, int b) { return BarBehaviour().Query97(*this, a, b); }
    int Query98() { return BarBehaviour().Query98(*this); }
    int GetBarSpan() { return BarBehaviour().GetBarSpan(*this); }
    int GetEndPosition() { return BarBehaviour().GetEndPosition(*this); }
    int Query101() { return BarBehaviour().Query101(*this); }
    int Query102() { return BarBehaviour().Query102(*this); }
    int Query103() { return BarBehaviour().Query103(*this); }
    int GetPlaybackController(int arg) { return BarBehaviour().GetPlaybackController(*this, arg); }
    int GetPlaybackValue(int arg) { return BarBehaviour().GetPlaybackValue(*this, arg); }
    int GetPlayAction(ItemPlayAction* action) { return BarBehaviour().GetPlayAction(*this, action); }
    void MarkPlayed() { BarBehaviour().MarkPlayed(*this); }
    void SetTime(int time) { BarBehaviour().SetTime(*this, time); }
    void Hook109(int arg) { BarBehaviour().Hook109(*this, arg); }
    void SetPosition(int position) { BarBehaviour().SetPosition(*this, position); }
    void Hook111(int arg) { BarBehaviour().Hook111(*this, arg); }
    void Hook112() { BarBehaviour().Hook112(*this); }
    void SetVoice(int voice) { BarBehaviour().SetVoice(*this, voice); }
    void SetValue(int value) { BarBehaviour().SetValue(*this, value); }
    void SetEndPosition(int position) { BarBehaviour().SetEndPosition(*this, position); }
    void Hook116() { BarBehaviour().Hook116(*this); }
    void SetEndStaffOffset(int staves) { BarBehaviour().SetEndStaffOffset(*this, staves); }
    void SetHorizontalOffset(int offset) { BarBehaviour().SetHorizontalOffset(*this, offset); }
    void SetVerticalOffset(int offset) { BarBehaviour().SetVerticalOffset(*this, offset); }
    void SetEndHorizontalOffset(int offset) { BarBehaviour().SetEndHorizontalOffset(*this, offset); }
    void SetEndVerticalOffset(int offset) { BarBehaviour().SetEndVerticalOffset(*this, offset); }
    void SetEnd(int bars, int position) { BarBehaviour().SetEnd(*this, bars, position); }
    void SetFlag8Bit1(bool on) { BarBehaviour().SetFlag8Bit1(*this, on); }
    bool AcceptsStartNote(CBarItem* note, int arg) { return BarBehaviour().AcceptsStartNote(*this, note, arg); }
    bool AcceptsEndNote(CBarItem* note, int arg) { return BarBehaviour().AcceptsEndNote(*this, note, arg); }
    void AttachStart(CBarItem* note, int a, int b) { BarBehaviour().AttachStart(*this, note, a, b); }
    void AttachEnd(CBarItem* note, int a, int b) { BarBehaviour().AttachEnd(*this, note, a, b); }
    void RespellSelected() { BarBehaviour().RespellSelected(*this); }
    void Flip(int mode) { BarBehaviour().Flip(*this, mode); }
    void LayoutChord() { BarBehaviour().LayoutChord(*this); }
    void TransposeSelected(int amount, int mode) { BarBehaviour().TransposeSelected(*this, amount, mode); }
    void TransposeAll(int fromKey, int toKey, int clef, int semitones) {
        BarBehaviour().TransposeAll(*this, fromKey, toKey, clef, semitones);
    }
    void GetEndPoints(POINT* start, POINT* end) { BarBehaviour().GetEndPoints(*this, start, end); }
    bool ReachesOtherStaff() { return BarBehaviour().ReachesOtherStaff(*this); }
    bool CanEndOnOtherStaff() { return BarBehaviour().CanEndOnOtherStaff(*this); }
    bool IsMeasuredWithoutStaff() { return BarBehaviour().IsMeasuredWithoutStaff(*this); }
    bool IsTrackItem() { return BarBehaviour().IsTrackItem(*this); }
    bool Query138() { return BarBehaviour().Query138(*this); }
    bool IsShownOnStaff() { return BarBehaviour().IsShownOnStaff(*this); }
    bool IsSelected(int part) { return BarBehaviour().IsSelected(*this, part); }
    bool GetFlag8Bit1() { return BarBehaviour().GetFlag8Bit1(*this); }
    CBarItem* AddToBar(const ScoreLocation& location) { return BarBehaviour().AddToBar(*this, location); }
    CBarItem* PlaceAtPoint(ScoreLocation& start, ScoreLocation& end) {
        return BarBehaviour().PlaceAtPoint(*this, start, end);
    }
    void AttachToTrack(CTrack* track) { BarBehaviour().AttachToTrack(*this, track); }
    void MoveToPosition(int position) { BarBehaviour().MoveToPosition(*this, position); }
    void ShowDragFeedback(int x, int y) { BarBehaviour().ShowDragFeedback(*this, x, y); }
    // Calls callback(item, arg) through the page pane of the current bar's page, then of each
    // later system the item's span reaches (on the insertion point's page, or any while several
    // pages show), its bars moved onto that system, until a call answers true. The bars' places
    // and the current objects come back on every exit, an exception included.
    bool ForEachSpanSystem(int (*callback)(CScoreItem*, void*), void* arg);
    void SaveSpannedBars() { BarBehaviour().SaveSpannedBars(*this); }
    int GrowAt(std::uint8_t* at, int n) { return BarBehaviour().GrowAt(*this, at, n); }
    bool WantsClickSelection() { return BarBehaviour().WantsClickSelection(*this); }
};
ZEL_RECORD_VIEW(CBarItem);

// A value stalk of the MIDI data display for v of fullScale steps at the item's time.
void DrawDataStalk(CBarItem& item, int v, int fullScale);

// The colour index of each voice, for items whose colour byte is 0 (filled at start-up).
inline constexpr int kVoiceCount = 8;
