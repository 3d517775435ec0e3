// The grid of cells that pops up under the mouse to offer a choice (note values, clefs,
// numbers, small images): a caption-less window placed inside the work area, tracked with the
// mouse captured while the button that opened it stays down, and returning the chosen cell. A
// tear-off popup may be dragged away instead; its caller then floats its palette at the drop
// point.
#pragma once
#include <cstdint>
#include <vector>

#include "framework/Dialog.h"
#include "platform/FontRef.h"

class CPopup : public CDialog {
public:
    // The popups' window template.
    static constexpr UINT kTemplate = 260;
    // Cells lie this far inside the window's client area, within its frame.
    static constexpr int kInset = 2;
    // The most cells one popup holds.
    static constexpr int kMaxCells = 4096;
    // How far the pointer must go past the top-left corner before a tear-off begins.
    static constexpr int kTearOff = 24;

    CPopup();
    ~CPopup() override;

    // Sets the grid up (columns = count / cells per column, rounded up), the interface font,
    // the selection colour; with a bitmap, the cell map 0 .. count - 1 through the menu filter;
    // creates the window. False (nothing made) for a count of 0 or above kMaxCells, or cells
    // per column below 1.
    virtual bool Init(int cellsPerColumn, int count, int cellWidth, int cellHeight, int bitmap, int imageSizeValue);
    // Grows the cells to the widest text, then puts the window at (x, y) on the screen inside
    // the work area shrunk by 2, and shows it without activating it.
    virtual void Place(int x, int y);
    virtual void DrawAll();
    virtual void DrawCellContent(int cell, const RECT& rect);
    virtual void DrawCell(int cell);
    virtual int GetCellItem(int cell);
    // The cell's text into text (size bytes with the terminator); empty in the base.
    virtual void GetItemText(int cell, char* text, int size);
    virtual void GetCellRect(int cell, RECT* rect);
    // Asked when the pointer selects a cell; a result other than -1 ends tracking with it.
    virtual int Choose(int cell);
    virtual bool IsCellEnabled(int cell);

    void SetRowOrder(bool on) { rowOrder = on ? 1 : 0; }
    void SetTearOff(bool on) { tearOff = on ? 1 : 0; }
    // Shows the popup at (x, y) on the screen and tracks the mouse until the button is
    // released; true when a cell was chosen (written to *selection). After a tear-off the
    // result is false and dropPoint holds where the popup was released.
    bool Track(int x, int y, int* selection, bool themedCells);
    // The cell whose rectangle holds the point (cell coordinates), -1 when none.
    int HitTest(int x, int y);
    // The window's size for the grid as it stands (the cells and the frame around them).
    SIZE WindowSize() const;
    // The window's top-left on the screen after Place.
    POINT Origin() const { return origin_; }

    std::uint8_t tearOff = 0;
    std::uint8_t rowOrder = 0;
    std::uint8_t subclassFlag = 0;
    std::uint8_t themed = 0;
    std::int32_t bitmapId = 0;
    std::int16_t cellWidth = 0, cellHeight = 0;
    std::int16_t imageSize = 16;
    std::int16_t cellsPerColumn = 1;
    std::int16_t columns = 0;
    std::int16_t count = 0;
    std::int16_t textIndent = 0;
    std::int32_t selectionColor = 130;
    FontRef font{};
    std::vector<std::int16_t> cellMap;
    std::int16_t selection = -1;
    POINT dropPoint{0, 0};

protected:
    void OnPaint() override;
    BOOL OnEraseBkgnd(CDC*) override { return TRUE; }

private:
    // The drag rectangle on the main frame, drawn or erased (inverted frame).
    void InvertDragFrame(const RECT& screenRect);
    POINT origin_{0, 0};
};

// The number chooser: cell i is the number minimum + i, or with the none flag cell 0 is "-" and
// cell i the number i - 1 + minimum.
class CNumMenu : public CPopup {
public:
    void GetItemText(int cell, char* text, int size) override;
    std::int16_t none = 0;
    std::int16_t minimum = 0;
};

// Offers minimum .. maximum (and "-" first with allowNone) at (x, y) on the screen; *value is the
// offset of the number from the minimum, -1 for no value. True when a choice was made.
bool PickNumberPopup(int x, int y, int minimum, int maximum, int* value, bool allowNone);
// The cells per column PickNumberPopup uses for a range.
int NumberPopupCellsPerColumn(int minimum, int maximum, bool allowNone);
// The seven line shapes of strip 121 in one column under the point (x, y) of the current
// drawing port.
bool PickImagePopup(int x, int y, int* selection);

// The clef picker: 14 clefs drawn on staves, 2 per column; the percussion and tablature clefs
// (11-13) only with allowAll.
class CClefMenu : public CPopup {
public:
    static constexpr int kClefs = 14;
    bool Run(int x, int y, int* clef, bool allowAllClefs);
    // The grid of Run, not yet shown: 14 cells of 44 x 64, 2 per column, the music font.
    bool Setup(bool allowAllClefs);
    void DrawCellContent(int cell, const RECT& rect) override;
    bool IsCellEnabled(int cell) override;
    std::int16_t allowAll = 0;
};

// The quantise picker: note values half (2) to 64th (7) from the notes strip.
class CQuantizeMenu : public CPopup {
public:
    static constexpr int kNotesStrip = 1000;
    bool Run(int x, int y, int* value);
    int GetCellItem(int cell) override { return cell + 2; }
};
