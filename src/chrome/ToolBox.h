// The tool palettes: floating tool bars of one block of 100 command ids and one tool id each. A
// click on a palette button comes back through the application's command routing to the
// palette's SelectCommand, which records the choice in the current tool record (g_toolState),
// makes the palette's tool current through the main tool bar and, with Ctrl held and notes
// selected, applies some choices to the selection at once. The notes palette decides the
// note-entry state: value, dots, tuplet, grace and pending accidental.
#pragma once
#include <cstdint>
#include <functional>
#include <vector>

#include "framework/ToolBar.h"

class CToolBtn;
class CZelDoc;

class CToolBox : public CToolBar {
public:
    CToolBox();
    ~CToolBox() override;

    // Makes the palette's window in the frame, hidden and floating at the point (screen
    // coordinates), with its block's resource and images; false when it cannot be made.
    virtual bool CreatePalette(CFrameWnd* frame, POINT at, int commandBase, int toolId, int columns);  // 1
    // Draws the button's image (the strip image indexMap gives) centred in the rectangle.
    virtual void DrawButtonImage(CDC* dc, int index, const RECT& rect);                                 // 2
    // Checks or unchecks a button (an index outside 0..count-1 is ignored).
    virtual void SetButtonState(int index, bool checked);                                              // 3
    // A command of the palette's block: selects its button, then applies it at once where the
    // palette does (Ctrl down at the last press, notes selected in the main tool bar's document).
    virtual void SelectCommand(int commandId);                                                         // 4
    // Makes the button the palette's choice and its tool current.
    virtual void SelectButton(int index);                                                              // 5
    // Unchecks every button (the palette's tool stopped being current).
    virtual void ClearButtons();                                                                       // 6
    // Writes the palette's state into the tool record and checks its current button.
    virtual void Activate();                                                                           // 7
    // A left press on the palette window at (x, y).
    virtual void OnButtonClick(int x, int y, UINT keyFlags);                                           // 8

    // Shows or hides the bar in its frame (only when its window exists); whether it is shown.
    void Show();
    void Hide();
    bool IsShown() const;
    void EnablePaletteButton(int index, bool enable) { EnableButton(index, enable); }
    bool IsPaletteButtonChecked(int index) const { return IsButtonChecked(index); }
    // The index of the first button whose rectangle holds the point, -1 when none.
    int HitTest(int x, int y) const { return HitTestButton(POINT{x, y}); }
    // The button's centre in the bar's client coordinates (for clicks).
    POINT ButtonCentre(int index) const;

    CToolBtn* toolButton = nullptr;
    std::vector<std::int16_t> indexMap;
    std::int16_t commandBase = 0;
    std::int16_t columns = 1;
    std::int16_t rows = 1;
    std::int16_t count = 0;
    std::int16_t toolId = 0;
    std::int16_t current = 0;
    std::int16_t firstItem = 0;

protected:
    void DrawButton(CDC* dc, int index, const RECT& rect) override;
    void OnLButtonDown(UINT flags, POINT pt) override;
    void OnLButtonDblClk(UINT flags, POINT pt) override;
    void OnRButtonDown(UINT flags, POINT pt) override;
    // The base click without the modifier sampling (the press handlers did it).
    void BaseClick(int x, int y);
};

// The notes palette: note values, rests, dots, tuplet, grace and accidentals.
class CNoteTools : public CToolBox {
public:
    enum : int {
        kTuplet = 9, kDot = 10, kFirstRest = 11, kGrace = 20, kDoubleDot = 21, kFirstAccidental = 22,
        kFirstCourtesy = 27, kTripleDot = 32,
    };
    void SelectButton(int index) override;
    void Activate() override;
    // A typed key (already upper-cased); true when the key was used.
    bool HandleKey(int key);
    // Clears the reminder flag and unchecks the accidental buttons (note insertion, after it
    // attached the pending accidental).
    void ClearAccidentals();
};

// The guitar and jazz palettes: press-and-hold on some buttons opens the line-shape chooser.
class CGuitarTools : public CToolBox {
public:
    void OnButtonClick(int x, int y, UINT keyFlags) override;
};
class CJazzTools : public CToolBox {
public:
    void OnButtonClick(int x, int y, UINT keyFlags) override;
};
// The expression palette: scroll buttons at both ends, the library's items between.
class CExprTools : public CToolBox {
public:
    bool CreatePalette(CFrameWnd* frame, POINT at, int commandBase, int toolId, int columns) override;
    void DrawButtonImage(CDC* dc, int index, const RECT& rect) override;
    void SetButtonState(int index, bool checked) override;
    void SelectButton(int index) override;
    void OnButtonClick(int x, int y, UINT keyFlags) override;
    std::string GetToolTipText(int index) const override;
    // Moves the first item shown by one (-1 up, +1 down) within the library's limits; false
    // when it stays.
    bool Scroll(int step);
};
// The graphics palette: the pen buttons (7-10) open pen pop-ups.
class CGrafTools : public CToolBox {
public:
    void OnButtonClick(int x, int y, UINT keyFlags) override;
};
// The drums palette: button 0 opens the grace-note chooser.
class CDrumTools : public CToolBox {
public:
    void OnButtonClick(int x, int y, UINT keyFlags) override;
};

// The palettes in their order of creation.
enum PaletteIndex : int {
    kNotesPalette, kGroupsPalette, kOrnamentsPalette, kArticulationsPalette, kHeadsPalette, kTablaturePalette,
    kGuitarPalette, kJazzPalette, kDynamicsPalette, kTextPalette, kExpressionsPalette, kGraphicsPalette,
    kClefsPalette, kStavesPalette, kBarlinesPalette, kDrumsPalette, kPaletteCount
};

// One palette's fixed data: its name (dlgshot's), command block, button count, tool id and
// columns.
struct PaletteDef {
    const char* name;
    int commandBase;
    int count;
    int toolId;
    int columns;
};
const PaletteDef& GetPaletteDef(int palette);
// The palette of a name (dlgshot's names), -1 when none.
int FindPaletteByName(const char* name);
// The palette object (made on first use; its window only by CreatePalette).
CToolBox& Palette(int palette);
CNoteTools& NoteTools();
CExprTools& ExprTools();
// Frees every palette (their windows with them); the next use makes fresh ones.
void ResetPalettes();
// The palette whose block holds the command (1000-2399 and 2900-2999), null when none.
CToolBox* PaletteForCommand(int commandId);
// The palette index of a tool id, -1 when none.
int PaletteIndexForTool(int toolId);
// The palette of a tool id, null when none.
CToolBox* PaletteForTool(int toolId);

// The mark code and sub code of the current palette choice (the add-mark command and the mark
// and symbol tools read it).
void GetToolMarkCode(int* code, int* subCode);

class CLibrary;
// The expression library the expression palette shows (start-up sets it; null: none).
CLibrary*& ExpressionLibrary();

// Registers the tool-bar resources of the palettes and bars (idempotent).
void RegisterToolBarResources();

// The document command a palette choice sends with Ctrl held (the document's command handler;
// replaceable so tests can count them).
std::function<void(CZelDoc&, int)>& PaletteDocumentCommand();
