// The behaviour of the marks that shape playback (records in model/PlaybackMarks.h and
// model/Jumper.h): their stored forms, what older files held, their values and their fonts.
#pragma once

#include <string>
#include <vector>

#include "model/BarItem.h"

class CChunkStream;
class CBar;

class DynamicBehaviour : public BarItemBehaviour {
public:
    static const DynamicBehaviour& Instance();
    void OpenProperties(CScoreItem& item, int x, int y) const override;              // slot 10: Edit
    RECT* GetBounds(CScoreItem& item, RECT* rect) const override;                     // slot 16
    void BeginDrag(CScoreItem& item) const override;                                  // slot 41
    void DragBy(CScoreItem& item, CDragTask* drag) const override;                    // slot 42: ApplyDrag
    void EndDrag(CScoreItem& item, CDragTask* drag) const override;                   // slot 43
    void DrawShape(CBarItem& item) const override;                                    // slot 82
    CBarItem* PlaceAtPoint(CBarItem& item, ScoreLocation& start, ScoreLocation& end) const override;  // slot 143
    int GetKind(CScoreItem& item) const override { return 20; }                       // slot 34
    void WriteBody(CScoreItem& item, CChunkStream& stream) const override;            // slot 52
    void ToFileOrder(CScoreItem& item) const override;                                // slot 56
    void FromFileOrder(CScoreItem& item) const override;                              // slot 57
    void AfterLoad(CScoreItem& item, int version) const override;                     // slot 58
    int GetValue(CBarItem& item) const override;                                      // slot 94
    int GetVerticalOffset(CBarItem& item) const override;                             // slot 96
    void SetValue(CBarItem& item, int value) const override;                          // slot 114
    void SetHorizontalOffset(CBarItem& item, int offset) const override;              // slot 118
    void SetVerticalOffset(CBarItem& item, int offset) const override;                // slot 119
    void AttachToTrack(CBarItem& item, CTrack* track) const override;                 // slot 144
};

class HairpinBehaviour : public BarItemBehaviour {
public:
    static const HairpinBehaviour& Instance();
    void OpenProperties(CScoreItem& item, int x, int y) const override;              // slot 10: Edit
    RECT* GetBounds(CScoreItem& item, RECT* rect) const override;                     // slot 16
    void BeginDrag(CScoreItem& item) const override;                                  // slot 41
    void DragBy(CScoreItem& item, CDragTask* drag) const override;                    // slot 42: ApplyDrag
    void EndDrag(CScoreItem& item, CDragTask* drag) const override;                   // slot 43
    void Nudge(CScoreItem& item, int dx, int dy) const override;                      // slot 45
    void DrawShape(CBarItem& item) const override;                                    // slot 82
    void DrawDataValue(CBarItem& item) const override;                                // slot 83: DrawValues
    bool HitTestShape(CBarItem& item, int x, int y) const override;                   // slot 87
    CBarItem* PlaceAtPoint(CBarItem& item, ScoreLocation& start, ScoreLocation& end) const override;  // slot 143
    void WriteBody(CScoreItem& item, CChunkStream& stream) const override;            // slot 52
    void ToFileOrder(CScoreItem& item) const override;                                // slot 56
    void FromFileOrder(CScoreItem& item) const override;                              // slot 57
    void AfterLoad(CScoreItem& item, int version) const override;                     // slot 58
    void ResolveFonts(CScoreItem& item, CFontArray* fonts) const override;            // slot 59
    void ReadBody(CScoreItem& item, CChunkStream& stream) const override;             // slot 51
    std::int16_t GetStartStaffOffset(CBarItem& item) const override { return 0; }     // slot 95
    int GetVerticalOffset(CBarItem& item) const override;                             // slot 96
    int GetBarSpan(CBarItem& item) const override;                                    // slot 99
    int GetEndPosition(CBarItem& item) const override;                                // slot 100
    void SetEndPosition(CBarItem& item, int position) const override;                 // slot 115
    void SetHorizontalOffset(CBarItem& item, int offset) const override;              // slot 118
    void SetVerticalOffset(CBarItem& item, int offset) const override;                // slot 119
    void SetEndHorizontalOffset(CBarItem& item, int offset) const override;           // slot 120
    void SetEnd(CBarItem& item, int bars, int position) const override;               // slot 122
    // A note takes one of its ends when it carries the line flag of that end.
    bool AcceptsStartNote(CBarItem& item, CBarItem* note, int head) const override;   // slot 124
    bool AcceptsEndNote(CBarItem& item, CBarItem* note, int head) const override;     // slot 125
    void Flip(CBarItem& item, int mode) const override;                               // slot 129
    void AttachToTrack(CBarItem& item, CTrack* track) const override;                 // slot 144
};

class ExpressionBehaviour : public BarItemBehaviour {
public:
    static const ExpressionBehaviour& Instance();
    void OpenProperties(CScoreItem& item, int x, int y) const override;              // slot 10: Edit
    RECT* GetBounds(CScoreItem& item, RECT* rect) const override;                     // slot 16
    void BeginDrag(CScoreItem& item) const override;                                  // slot 41
    void DragBy(CScoreItem& item, CDragTask* drag) const override;                    // slot 42: ApplyDrag
    void EndDrag(CScoreItem& item, CDragTask* drag) const override;                   // slot 43
    void DrawShape(CBarItem& item) const override;                                    // slot 82
    void DrawDataValue(CBarItem& item) const override;                                // slot 83: DrawValues
    bool HitTestShape(CBarItem& item, int x, int y) const override;                   // slot 87
    CBarItem* PlaceAtPoint(CBarItem& item, ScoreLocation& start, ScoreLocation& end) const override;  // slot 143
    int GetWantedSize(CScoreItem& item) const override;                               // slot 33
    int GetKind(CScoreItem& item) const override;                                     // slot 34
    void ReadBody(CScoreItem& item, CChunkStream& stream) const override;             // slot 51
    void WriteBody(CScoreItem& item, CChunkStream& stream) const override;            // slot 52
    void ToFileOrder(CScoreItem& item) const override;                                // slot 56
    void FromFileOrder(CScoreItem& item) const override;                              // slot 57
    void AfterLoad(CScoreItem& item, int version) const override;                     // slot 58
    void ResolveFonts(CScoreItem& item, CFontArray* fonts) const override;            // slot 59
    int GetValue(CBarItem& item) const override;                                      // slot 94
    int GetVerticalOffset(CBarItem& item) const override;                             // slot 96
    int GetBarSpan(CBarItem& item) const override;                                    // slot 99
    int GetEndPosition(CBarItem& item) const override;                                // slot 100
    void SetValue(CBarItem& item, int value) const override;                          // slot 114
    void SetHorizontalOffset(CBarItem& item, int offset) const override;              // slot 118
    void SetVerticalOffset(CBarItem& item, int offset) const override;                // slot 119
    void SetEndHorizontalOffset(CBarItem& item, int offset) const override;           // slot 120
    void SetEnd(CBarItem& item, int bars, int position) const override;               // slot 122
    void AttachToTrack(CBarItem& item, CTrack* track) const override;                 // slot 144
};

// The plain jumper (repeat count), and the text jumper and ending after it.
class JumperBehaviour : public BarItemBehaviour {
public:
    static const JumperBehaviour& Instance();
    int GetKind(CScoreItem& item) const override;                                     // slot 34
    int GetStoredSize(CScoreItem& item) const override;                               // slot 48
    void ReadBody(CScoreItem& item, CChunkStream& stream) const override;             // slot 51
    void WriteBody(CScoreItem& item, CChunkStream& stream) const override;            // slot 52
    void ToFileOrder(CScoreItem& item) const override;                                // slot 56
    void FromFileOrder(CScoreItem& item) const override;                              // slot 57
    void ResolveFonts(CScoreItem& item, CFontArray* fonts) const override;            // slot 59
    bool IsTrackItem(CBarItem& item) const override { return false; }                 // slot 137
    // The repeat count is drawn by the bar's barline drawing.
    void Draw(CScoreItem& item) const override {}                                     // slot 4
    void OpenProperties(CScoreItem& item, int x, int y) const override;              // slot 10: Edit
};

// The text jumper: its text with segno and coda glyphs above the staff (parts 4 text, 5
// segno, 6 coda).
class TextJumperBehaviour : public JumperBehaviour {
public:
    void Draw(CScoreItem& item) const override;                                       // slot 4
    bool HitTest(CScoreItem& item, int x, int y) const override;                      // slot 15
    RECT* GetBounds(CScoreItem& item, RECT* rect) const override;                     // slot 16
    void DragBy(CScoreItem& item, CDragTask* drag) const override;                    // slot 42: ApplyDrag
    CBarItem* PlaceAtPoint(CBarItem& item, ScoreLocation& start, ScoreLocation& end) const override;  // slot 143
};

// The ending: a bracket over its span of bars with its text (parts 0 left hook's end, 1 left
// corner, 2 right corner, 3 right hook's end, 4 text).
class EndingBehaviour : public JumperBehaviour {
public:
    void Draw(CScoreItem& item) const override;                                       // slot 4
    void OpenProperties(CScoreItem& item, int x, int y) const override;              // slot 10: Edit
    bool HitTest(CScoreItem& item, int x, int y) const override;                      // slot 15
    RECT* GetBounds(CScoreItem& item, RECT* rect) const override;                     // slot 16: MeasureRect
    void BeginDrag(CScoreItem& item) const override {}                                // slot 41
    void DragBy(CScoreItem& item, CDragTask* drag) const override;                    // slot 42: ApplyDrag
    void EndDrag(CScoreItem& item, CDragTask* drag) const override;                   // slot 43
    // The drag's image: the ending drawn from the current bar as it is drawn on the page, also
    // for a new ending, which the drag does not mark as the dragged item.
    void DrawDragFeedback(CScoreItem& item) const override;                           // slot 44
};

// The points a mark is drawn at, for tests and the drag displays: the hairpin's start and end
// x (GetEnds), the expression's start and end points, the text jumper's origin, and the text
// jumper's drawn pieces (text runs and glyphs) with their boxes.
struct MarkPiece {
    int part;  // 4 text, 5 segno, 6 coda
    RECT box;
    std::string text;  // the run (empty for a glyph)
};
namespace marks {
void GetHairpinEnds(CBarItem& item, int* startX, int* endX);
void GetExpressionEnds(CBarItem& item, POINT* start, POINT* end);
std::vector<MarkPiece> TextJumperPieces(CBarItem& item);
// The ending's bracket in bar `k` of its span (0 first): left, right, top and the hooks'
// lower ends; false when that bar is not in the score.
struct EndingSegment {
    int left = 0, right = 0, y = 0, leftHookEnd = 0, rightHookEnd = 0;
    bool first = false, last = false;
};
bool EndingSegmentOf(CBarItem& item, CBar* ownBar, int k, EndingSegment* out);
}  // namespace marks

// Binds codes 19, 20, 37, 48, 49 and 50 to the behaviours above.
void RegisterPlaybackMarkClasses();
