// Palette pop-ups: the grid of a palette's buttons that a held main-tool-bar button opens (a
// choice selects the palette item as a click in the palette would; dragged off, the palette
// floats where it is dropped), and the graphics palette's pen pop-ups (line style, line width,
// fill, arrows), whose choice is applied to the selected graphics and kept as the default.
#pragma once
#include "platform/Popup.h"

class CToolBox;

class CToolPopup : public CPopup {
public:
    static constexpr int kSelectionColor = 140;
    bool Init(int cellsPerColumn, int count, int cellWidth, int cellHeight, int bitmap, int imageSizeValue) override;
    bool IsCellEnabled(int cell) override;
    CToolBox* palette = nullptr;
};

// The expression palette's grid: the library's names between two scroll cells.
class CExpMenu : public CToolPopup {
public:
    void DrawCellContent(int cell, const RECT& rect) override;
    int Choose(int cell) override;
    bool IsCellEnabled(int cell) override;
};

// The graphics palette's grid: cells 7-10 open the pen pop-ups.
class CGraphicMenu : public CToolPopup {
public:
    int Choose(int cell) override;
    int penChoice = -1;   // the choice made in a pen pop-up (-1: none)
    int penCell = -1;     // the cell it was made for
};

class CPenPopup : public CPopup {
public:
    int textBase = 0;
};
class CPenStylePopup : public CPenPopup {
public:
    void DrawCellContent(int cell, const RECT& rect) override;
};
class CPenWidthPopup : public CPenPopup {
public:
    void DrawCellContent(int cell, const RECT& rect) override;
};
class CPenTextPopup : public CPenPopup {
public:
    void GetItemText(int cell, char* text, int size) override;
};

// Runs a palette's pop-up grid at (x, y) on the screen.
void PopupPalette(CToolBox* palette, int x, int y);
// The width a cell of the line-width pop-up stands for: 5 x i below 4, else 20 x (i - 3).
int PenWidthOfCell(int cell);
// Applies a pen choice (graphics button 7-10, the cell chosen): with a current document sends
// the document command, and stores the default.
void ApplyPenChoice(int button, int choice);
// Runs the pen pop-up of graphics button 7-10 at (x, y) on the screen, preset to the current
// default; the cell chosen, -1 for none.
int RunPenPopup(int button, int x, int y);
