#include "chrome/PalettePopups.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "chrome/MainToolBar.h"
#include "chrome/ToolBox.h"
#include "framework/DC.h"
#include "framework/StringTable.h"
#include "model/ZelDoc.h"
#include "platform/Artist.h"
#include "platform/Port.h"
#include "platform/PortLayer.h"
#include "view/ToolState.h"

namespace {

// The pen buttons of the graphics palette and what their pop-ups offer.
enum : int { kLineStyleButton = 7, kLineWidthButton = 8, kFillButton = 9, kArrowsButton = 10 };
struct PenDef {
    int cells;
    int command;  // the document command of cell 0
    int textBase; // 0: drawn cells
};
const PenDef& PenOf(int button) {
    static const PenDef defs[4] = {{3, 4801, 0}, {12, 4810, 0}, {2, 4830, 7010}, {4, 4832, 7000}};
    return defs[std::clamp(button, int(kLineStyleButton), int(kArrowsButton)) - kLineStyleButton];
}
std::int16_t* PenGlobal(int button) {
    switch (button) {
    case kLineStyleButton: return &g_toolDefaults.lineStyle;
    case kLineWidthButton: return &g_toolDefaults.lineWidth;
    case kFillButton: return &g_toolDefaults.fillMode;
    default: return &g_toolDefaults.arrowStyle;
    }
}
// The cell that shows a global's value (the width pop-up stores widths, not cells).
int PresetCell(int button) {
    const int value = *PenGlobal(button);
    if (button != kLineWidthButton) return value;
    for (int i = 0; i < PenOf(button).cells; ++i)
        if (PenWidthOfCell(i) == value) return i;
    return -1;
}
constexpr int kScrollWaitTicks = 10;

}  // namespace

int PenWidthOfCell(int cell) { return cell < 4 ? 5 * cell : 20 * (cell - 3); }

void ApplyPenChoice(int button, int choice) {
    if (button < kLineStyleButton || button > kArrowsButton || choice < 0 || choice >= PenOf(button).cells) return;
    if (CMainToolBar* bar = g_chrome.mainToolBar; bar && bar->GetDocument())
        PaletteDocumentCommand()(*bar->GetDocument(), PenOf(button).command + choice);
    *PenGlobal(button) = std::int16_t(button == kLineWidthButton ? PenWidthOfCell(choice) : choice);
}

int RunPenPopup(int button, int x, int y) {
    if (button < kLineStyleButton || button > kArrowsButton) return -1;
    const PenDef& def = PenOf(button);
    CPenStylePopup style;
    CPenWidthPopup width;
    CPenTextPopup text;
    CPenPopup* popup = button == kLineStyleButton ? static_cast<CPenPopup*>(&style)
                       : button == kLineWidthButton ? static_cast<CPenPopup*>(&width)
                                                    : static_cast<CPenPopup*>(&text);
    popup->textBase = def.textBase;
    if (!popup->Init(def.cells, def.cells, 32, 16, 0, 16)) return -1;
    int choice = PresetCell(button);
    // The pen pop-up is the palette pop-up on the screen while it is tracked (inside the
    // graphics palette's own pop-up, that one's again afterwards).
    CPopup* const outer = g_chrome.palettePopup;
    g_chrome.palettePopup = popup;
    const bool chosen = popup->Track(x, y, &choice, true);
    g_chrome.palettePopup = outer;
    popup->DestroyWindow();
    return chosen ? choice : -1;
}

// --- the palette grid -------------------------------------------------------------------------

bool CToolPopup::Init(int perColumn, int n, int w, int h, int bitmap, int image) {
    if (!CPopup::Init(perColumn, n, w, h, bitmap, image)) return false;
    selectionColor = kSelectionColor;
    return true;
}

bool CToolPopup::IsCellEnabled(int cell) { return palette && palette->IsButtonEnabled(cell); }

void CExpMenu::DrawCellContent(int cell, const RECT& rect) {
    if (!palette) return;
    if (cell == 0 || cell == count - 1) return CPopup::DrawCellContent(cell, rect);
    CExprTools& expr = static_cast<CExprTools&>(*palette);
    CArtist* a = GetArtist();
    const std::string name = expr.GetToolTipText(cell);
    if (!a || name.empty()) return;
    a->SetFontRef(font);
    a->DrawText(rect.left + 2, rect.bottom - 6, name.c_str());
}

bool CExpMenu::IsCellEnabled(int cell) {
    if (!palette) return false;
    CExprTools& expr = static_cast<CExprTools&>(*palette);
    if (cell == 0) return expr.firstItem > 0;
    if (cell == count - 1) {
        const int before = expr.firstItem;
        const bool can = expr.Scroll(1);
        if (can) expr.firstItem = std::int16_t(before);
        return can;
    }
    return CToolPopup::IsCellEnabled(cell);
}

int CExpMenu::Choose(int cell) {
    if (!palette || (cell != 0 && cell != count - 1)) return -1;
    CExprTools& expr = static_cast<CExprTools&>(*palette);
    // A scroll cell under the held pointer moves the list one item every 10/60 s.
    const int step = cell == 0 ? -1 : 1;
    auto onCell = [&] {
        POINT p;
        fw::GetCursorPos(&p);
        ScreenToClient(&p);
        return HitTest(p.x - kInset, p.y - kInset) == cell;
    };
    while (IsMouseDown() && onCell() && expr.Scroll(step)) {
        DrawAll();
        WaitTicks(kScrollWaitTicks);
    }
    return -1;
}

int CGraphicMenu::Choose(int cell) {
    if (cell < kLineStyleButton || cell > kArrowsButton) return -1;
    RECT r;
    GetCellRect(cell, &r);
    POINT corner{r.right - 3, r.top};
    ClientToScreen(&corner);
    const int choice = RunPenPopup(cell, corner.x + kInset, corner.y + kInset);
    if (choice >= 0) {
        penChoice = choice;
        penCell = cell;
        return cell;
    }
    DrawAll();
    return -1;
}

void PopupPalette(CToolBox* palette, int x, int y) {
    if (!palette || palette->count <= 0) return;
    const int perColumn = palette->rows > 1 ? palette->rows : 2;
    int preset = palette->current;
    CExpMenu expMenu;
    CGraphicMenu graphicMenu;
    CToolPopup plain;
    CToolPopup* popup = &plain;
    bool made = false;
    if (palette->toolId == 919) {
        popup = &expMenu;
        if (preset < 0 || preset > palette->count - 2) preset = -1;
        made = popup->Init(perColumn, palette->count, 72, 20, palette->commandBase, 16);
    } else {
        if (palette->toolId == 909) popup = &graphicMenu;
        made = popup->Init(perColumn, palette->count, 24, 24, palette->commandBase, 16);
    }
    if (!made) return;
    popup->palette = palette;
    popup->SetRowOrder(true);
    popup->SetTearOff(true);
    int choice = preset;
    g_chrome.palettePopup = popup;
    const bool chosen = popup->Track(x, y, &choice, true);
    g_chrome.palettePopup = nullptr;
    if (chosen && popup == &graphicMenu && graphicMenu.penCell >= 0 && choice == graphicMenu.penCell) {
        ApplyPenChoice(graphicMenu.penCell, graphicMenu.penChoice);
    } else if (chosen && choice >= 0) {
        palette->SelectCommand(int(palette->GetItemID(choice)));
    } else if (!chosen && popup->tearOff && (popup->dropPoint.x || popup->dropPoint.y)) {
        if (CFrameWnd* frame = palette->GetDockingFrame()) {
            frame->FloatControlBar(palette, popup->dropPoint, CBRS_ALIGN_TOP);
            palette->Show();
        }
    }
    popup->DestroyWindow();
}

// --- the pen pop-ups --------------------------------------------------------------------------

void CPenStylePopup::DrawCellContent(int cell, const RECT& rect) {
    CDC* dc = GetCurrentPort();
    if (!dc) return;
    const int mid = (rect.top + rect.bottom) / 2 - 1;
    const int left = rect.left + 2, right = rect.right - 2;
    const COLORREF ink = RGB(0, 0, 0);
    auto bar = [&](int x0, int x1) {
        const RECT r{x0, mid, std::min(x1, right), mid + 2};
        if (r.left < r.right) dc->FillSolidRect(&r, ink);
    };
    if (cell == 0)
        bar(left, right);
    else if (cell == 1)
        for (int x = left; x < right; x += 7) bar(x, x + 4);
    else
        for (int x = left; x < right; x += 4) bar(x, x + 2);
}

void CPenWidthPopup::DrawCellContent(int cell, const RECT& rect) {
    CArtist* a = GetArtist();
    if (!a) return;
    // The sample: a line of the cell's width (twentieths of a point) across the cell.
    const int width = PenWidthOfCell(cell);
    a->SetPenWidth(width);
    const int mid = (rect.top + rect.bottom) / 2;
    a->MoveTo(rect.left + 4, mid);
    a->LineTo(rect.right - 4, mid);
    a->SetPenWidth(20);
}

void CPenTextPopup::GetItemText(int cell, char* text, int size) {
    if (!text || size <= 0) return;
    std::string s;
    fw::LoadStringResource(UINT(textBase + cell), s);
    std::snprintf(text, std::size_t(size), "%s", s.c_str());
}
