// The behaviour of the graphics (types 64-70), the harp pedal marking (38) and the picture
// (26), records in model/Graphic.h: the graphic's anchored points, bounds, fill and outline
// with handles, its hits on handles, edges and inside, drags by the part hit and placement by
// two page points, each shape's fill or own drawing, hits and drags; the harp's diagram or
// letters; the picture's frame. The part a hit found is the model's hit part (g_model.hitPart).
#pragma once

#include "framework/Types.h"
#include "model/BarItem.h"
#include "model/Graphic.h"
#include "notation/TieType.h"

class GraphicBehaviour : public BarItemBehaviour {
public:
    static const GraphicBehaviour& Instance();
    static constexpr int kWholeItem = -32767;
    // The graphic's edit command (the document's "edit graphic").
    static constexpr int kEditCommand = 4117;

    void OpenProperties(CScoreItem& item, int x, int y) const override;               // slot 10
    RECT* GetBounds(CScoreItem& item, RECT* rect) const override;                     // slot 16
    bool IntersectsRect(CScoreItem& item, const RECT& rect) const override;           // slot 18
    int GetWantedSize(CScoreItem& item) const override;                               // slot 33
    int GetKind(CScoreItem& item) const override;                                     // slot 34
    // At the start of a handle's drag the drag's anchor stands one unit inside the end the
    // handle moves, then the bar item's start (the item taken out while it moves).
    void BeginDrag(CScoreItem& item) const override;                                  // slot 41
    void DragBy(CScoreItem& item, CDragTask* drag) const override;                    // slot 42
    void Nudge(CScoreItem& item, int dx, int dy) const override;                      // slot 45
    void WriteBody(CScoreItem& item, CChunkStream& stream) const override;            // slot 52
    void ToFileOrder(CScoreItem& item) const override;                                // slot 56
    void FromFileOrder(CScoreItem& item) const override;                              // slot 57
    void DrawShape(CBarItem& item) const override;                                    // slot 82
    bool HitTestShape(CBarItem& item, int x, int y) const override;                   // slot 87
    int GetPlaybackController(CBarItem& item, int arg) const override;                // slot 105
    int GetPlaybackValue(CBarItem& item, int arg) const override;                     // slot 106
    void SetEndStaffOffset(CBarItem& item, int staves) const override;                // slot 117
    void SetHorizontalOffset(CBarItem& item, int offset) const override;              // slot 118
    void SetVerticalOffset(CBarItem& item, int offset) const override;                // slot 119
    void SetEndHorizontalOffset(CBarItem& item, int offset) const override;           // slot 120
    void SetEndVerticalOffset(CBarItem& item, int offset) const override;             // slot 121
    void SetEnd(CBarItem& item, int bars, int position) const override;               // slot 122
    void GetEndPoints(CBarItem& item, POINT* start, POINT* end) const override;       // slot 133
    bool CanEndOnOtherStaff(CBarItem& item) const override { return true; }           // slot 135
    CBarItem* PlaceAtPoint(CBarItem& item, ScoreLocation& start, ScoreLocation& end) const override;

    // The four drawing points: start, (end x, start y), (start x, end y), end; a curve's
    // control points in place of the middle two.
    virtual int GetPoints(CGraphic& item, POINT* points) const;
    // Fills the shape in the rectangle (nothing in the base).
    virtual void FillShape(CGraphic& item, const RECT& rect) const {}
    // The tolerance of the edge hits: the scaled line width / 40 + 1.
    static int Tolerance(CGraphic& item);
};

class GrRectBehaviour : public GraphicBehaviour {
public:
    static const GrRectBehaviour& Instance();
    void FillShape(CGraphic& item, const RECT& rect) const override;
};
class GrRoundRectBehaviour : public GraphicBehaviour {
public:
    static const GrRoundRectBehaviour& Instance();
    void FillShape(CGraphic& item, const RECT& rect) const override;
};
class GrOvalBehaviour : public GraphicBehaviour {
public:
    static const GrOvalBehaviour& Instance();
    void FillShape(CGraphic& item, const RECT& rect) const override;
};
class GrLineBehaviour : public GraphicBehaviour {
public:
    static const GrLineBehaviour& Instance();
    bool IntersectsRect(CScoreItem& item, const RECT& rect) const override;
    void DrawShape(CBarItem& item) const override;
    bool HitTestShape(CBarItem& item, int x, int y) const override;
    // The arrow heads' size in view units: the staff's scaling of line width / 10 + 5.
    static int ArrowSize(CGraphic& item);
};
class GrCurveBehaviour : public GraphicBehaviour {
public:
    static const GrCurveBehaviour& Instance();
    RECT* GetBounds(CScoreItem& item, RECT* rect) const override;
    void DragBy(CScoreItem& item, CDragTask* drag) const override;
    void DrawShape(CBarItem& item) const override;
    bool HitTestShape(CBarItem& item, int x, int y) const override;
    int GetPoints(CGraphic& item, POINT* points) const override;
};
class GrWedgeBehaviour : public GraphicBehaviour {
public:
    static const GrWedgeBehaviour& Instance();
    void DrawShape(CBarItem& item) const override;
};

class HarpPedBehaviour : public BarItemBehaviour {
public:
    static const HarpPedBehaviour& Instance();
    static constexpr int kEditCommand = 4106;
    void OpenProperties(CScoreItem& item, int x, int y) const override;               // slot 10
    RECT* GetBounds(CScoreItem& item, RECT* rect) const override;                     // slot 16
    void DragBy(CScoreItem& item, CDragTask* drag) const override;                    // slot 42
    void WriteBody(CScoreItem& item, CChunkStream& stream) const override;            // slot 52
    void ToFileOrder(CScoreItem& item) const override;                                // slot 56
    void FromFileOrder(CScoreItem& item) const override;                              // slot 57
    void DrawShape(CBarItem& item) const override;                                    // slot 82
    void SetHorizontalOffset(CBarItem& item, int offset) const override;              // slot 118
    void SetVerticalOffset(CBarItem& item, int offset) const override;                // slot 119
    void GetEndPoints(CBarItem& item, POINT* start, POINT* end) const override;       // slot 133
};

class PictBehaviour : public BarItemBehaviour {
public:
    static const PictBehaviour& Instance();
    RECT* GetBounds(CScoreItem& item, RECT* rect) const override;                     // slot 16
    void DragBy(CScoreItem& item, CDragTask* drag) const override;                    // slot 42
    void DrawDragFeedback(CScoreItem& item) const override;                           // slot 44
    void ToFileOrder(CScoreItem& item) const override;                                // slot 56
    void DrawShape(CBarItem& item) const override;                                    // slot 82
    void SetVerticalOffset(CBarItem& item, int offset) const override;                // slot 119
    CBarItem* PlaceAtPoint(CBarItem& item, ScoreLocation& start, ScoreLocation& end) const override;
};

// Fills `out` for the graphic in the current track bar; returns 2.
int DescribeGraphicPlayback(CGraphic& graphic, SpanPlayback& out);

// Binds codes 26, 38 and 64-70 to their behaviours.
void RegisterGraphicClasses();
