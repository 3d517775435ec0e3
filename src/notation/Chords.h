// The behaviour of the chord records (model/ChordRecords.h): the chord symbol, the chord
// definition and the guitar frame; their stored forms, what older files held and their
// offsets.
#pragma once

#include "model/BarItem.h"
#include "model/ScoreItem.h"

class CChunkStream;

class ChordBehaviour : public BarItemBehaviour {
public:
    static const ChordBehaviour& Instance();
    void Draw(CScoreItem& item) const override;                                       // slot 4
    // Edit: the chord's notes (its bass first) go to the chord library's editor; a key without
    // an entry becomes the key of those notes when the library now has one.
    void OpenProperties(CScoreItem& item, int x, int y) const override;              // slot 10
    RECT* GetBounds(CScoreItem& item, RECT* rect) const override;                     // slot 16
    // The item takes the shared drag offset while dragged.
    void BeginDrag(CScoreItem& item) const override;                                  // slot 41
    // The drag's x goes to the shared drag offset, its y to the y offset.
    void DragBy(CScoreItem& item, CDragTask* drag) const override;                    // slot 42: ApplyDrag
    // A drop that is not placed anew keeps the drag's x in the x offset.
    void EndDrag(CScoreItem& item, CDragTask* drag) const override;                   // slot 43
    void WriteBody(CScoreItem& item, CChunkStream& stream) const override;            // slot 52
    void ToFileOrder(CScoreItem& item) const override;                                // slot 56
    void FromFileOrder(CScoreItem& item) const override;                              // slot 57
    void AfterLoad(CScoreItem& item, int version) const override;                     // slot 58
    int GetVerticalOffset(CBarItem& item) const override;                             // slot 96
    void SetHorizontalOffset(CBarItem& item, int offset) const override;              // slot 118
    void SetVerticalOffset(CBarItem& item, int offset) const override;                // slot 119
    void RespellSelected(CBarItem& item) const override;                              // slot 128: Respell
    // The key at the chord's position in the current track bar (C major without one).
    void TransposeSelected(CBarItem& item, int amount, int mode) const override;      // slot 131: Transpose
    // Root and bass moved from one key to the other when `semitones` (the change's apply
    // argument) is not 0.
    void TransposeAll(CBarItem& item, int fromKey, int toKey, int clef, int semitones) const override;  // slot 132: TransposeKey
    // Placed by the bar item's placement with the press halfway toward the release, its y offset
    // from the release point against the staff's chord line.
    CBarItem* PlaceAtPoint(CBarItem& item, ScoreLocation& start, ScoreLocation& end) const override;
};

class SuffixBehaviour : public ScoreItemBehaviour {
public:
    static const SuffixBehaviour& Instance();
    // A definition keeps the size it was stored with (48 + 14 per element), never grown to the
    // class's size; one whose element count does not fit its size is refused.
    void Read(CScoreItem& item, CChunkStream& stream) const override;
    void ReadBody(CScoreItem& item, CChunkStream& stream) const override;             // slot 51
};

class GuitarFrameBehaviour : public BarItemBehaviour {
public:
    static const GuitarFrameBehaviour& Instance();
    void Draw(CScoreItem& item) const override;                                       // slot 4
    // Edit: the document's guitar-frame edit (command 4114).
    void OpenProperties(CScoreItem& item, int x, int y) const override;              // slot 10
    RECT* GetBounds(CScoreItem& item, RECT* rect) const override;                     // slot 16
    void BeginDrag(CScoreItem& item) const override;                                  // slot 41
    void DragBy(CScoreItem& item, CDragTask* drag) const override;                    // slot 42: ApplyDrag
    // A drop that is not placed anew keeps the drag's x in the x offset.
    void EndDrag(CScoreItem& item, CDragTask* drag) const override;                   // slot 43
    int GetKind(CScoreItem& item) const override;                                     // slot 34
    void WriteBody(CScoreItem& item, CChunkStream& stream) const override;            // slot 52
    void ToFileOrder(CScoreItem& item) const override;                                // slot 56
    void FromFileOrder(CScoreItem& item) const override;                              // slot 57
    void AfterLoad(CScoreItem& item, int version) const override;                     // slot 58
    int GetVerticalOffset(CBarItem& item) const override;                             // slot 96
    void SetHorizontalOffset(CBarItem& item, int offset) const override;              // slot 118
    void SetVerticalOffset(CBarItem& item, int offset) const override;                // slot 119
    // The name respelled (German names by the note-name style).
    void RespellSelected(CBarItem& item) const override;                              // slot 128: Respell
    // Root and bass moved in the key at the frame's position, the guitar-frame library's shape
    // for them taken.
    void TransposeSelected(CBarItem& item, int amount, int mode) const override;      // slot 131: Transpose
    // Root and bass moved between keys, the library's shape for them taken, when `semitones`
    // (the change's apply argument) is not 0.
    void TransposeAll(CBarItem& item, int fromKey, int toKey, int clef, int semitones) const override;  // slot 132: TransposeKey
    // The press x moved right by half the bounds' width less the line spacing, plus the staff's
    // frame margin; the y offset from the release point as for chord symbols.
    CBarItem* PlaceAtPoint(CBarItem& item, ScoreLocation& start, ScoreLocation& end) const override;
};

// Binds the chord classes' behaviours to their type codes.
void RegisterChordClasses();
