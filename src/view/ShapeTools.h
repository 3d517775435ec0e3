// The graphics palette's shape tool and the group palette's line tool: a press, drag and
// release that draws a free shape (rectangle, rounded rectangle, oval, line, curve, wedge) into
// the bar pressed, or puts an octave line, a pedal line or a group (parentheses, brace,
// bracket) in where nothing was selected; and the parentheses that the group and articulation
// palettes toggle on a note's head, a chord symbol or a guitar frame.
#pragma once
#include <cstdint>

#include "view/EditTool.h"

class CBarItem;
class CTrkBar;
class CZelDoc;

// One shape of type 65 + the palette's sub-tool, with the pen of the graphics palette. The
// press gives its start, the drag its far corner.
class CGraphicTool : public CEditTool {
public:
    static constexpr int kToolId = 909;
    static constexpr int kNameId = 909;
    // The palette's symbol button (the symbol tool, or a mark on a note or rest).
    static constexpr int kSymbolButton = 6;
    // The size a new shape starts with, and the corner the drag moves (bottom right).
    static constexpr int kStartWidth = 360, kStartHeight = 30;
    static constexpr int kCornerRadius = 12;
    static constexpr int kCurveControl1 = 256, kCurveControl2 = 768, kCurveHeight = -360;
    static constexpr int kDraggedCorner = 3;
    void BuildItem() override;
    void MoveItemDrag() override;
    // The shape stands where it was pressed; the drag's offsets become its own.
    void Place() override;
};

// An octave line (sub-tools 8, 9), a pedal line (10, 11) or a group (12 parentheses, 14 brace,
// 15 bracket) at the press.
class CGroupTool : public CEditTool {
public:
    static constexpr int kToolId = 905;
    // The group palette's sub-tools that draw.
    enum : int {
        kOttavaUp = 8, kOttavaDown = 9, kFullPedal = 10, kHalfPedal = 11, kParentheses = 12, kHarpPedal = 13,
        kBrace = 14, kBracket = 15,
    };
    // What a pedal or group takes at creation: its size byte, the distance of its end.
    static constexpr int kToolSize = 24, kEndDistance = 256;
    // A group at the bar's very start stands this far left of it.
    static constexpr int kStartOffsetAtZero = -120;
    void BuildItem() override;
};

// The group palette's command for a sub-tool (0-15), 0 for none.
int GroupCommandOf(int subTool);
// Whether the item has parentheses to toggle (a note, a chord symbol, a guitar frame).
bool HasParenthesesToggle(const CBarItem* item);
// Toggles the parentheses of the note's head (a note), of the chord symbol or of the guitar
// frame as one undo step named 4322 for the track bar; false when the item has none.
bool ToggleParentheses(CZelDoc* doc, CBarItem* item, int head, int track, int bar);
