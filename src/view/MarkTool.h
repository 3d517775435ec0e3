// The mark tool: a click on a note or rest with a mark palette's button (ornaments,
// articulations, jazz marks, fingerings, the graphics palette's mark) puts that mark on it,
// following the pointer while the button is held; a trill line on a trill that has none
// stretches that trill instead.
#pragma once
#include <cstdint>

#include "view/EditTool.h"

class CRawHead;
class NoteMark;
struct ToolState;

class CMarkTool : public CEditTool {
public:
    // The mark code and variant a tool state places: the graphics palette's mark button gives
    // 250; the ornaments palette's buttons from 7 give the open string (7) and button - 1; the
    // articulations run 15-47 and 49 (never 48, the open string).
    static void MarkCode(const ToolState& tool, int* code, int* variant);
    // Whether a click of the tool on a note or rest starts the mark tool.
    static bool PlacesMarks(const ToolState& tool);

    void BuildItem() override;
    void MoveItemDrag() override;
    void DrawDragImage() override;
    void Place() override;

    std::uint8_t redrag = 0;       // the tool stretches a trill the note has
    NoteMark* mark = nullptr;      // the scratch mark, or the trill being stretched
    CRawHead* note = nullptr;
};
