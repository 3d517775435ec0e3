// The palette kinds that differ from the base: press-and-hold shape choosers on the guitar and
// jazz palettes, the expression palette's scrolling list, the graphics palette's pen pop-ups and
// the drums palette's grace-note chooser.
#include <algorithm>
#include <cstring>
#include <string>

#include "chrome/ChromeStandIns.h"
#include "chrome/MainToolBar.h"
#include "chrome/PalettePopups.h"
#include "chrome/ToolBox.h"
#include "framework/DC.h"
#include "platform/Artist.h"
#include "platform/Library.h"
#include "platform/Port.h"
#include "platform/PortLayer.h"
#include "platform/StdDlgGlobals.h"
#include "view/ToolState.h"

namespace {

constexpr int kHoldTicks = 8;
constexpr int kDrumGraceStrip = 2901;

// The button's lower-left corner on the screen.
POINT LowerLeft(CToolBar& bar, int index) {
    RECT r;
    bar.GetItemRect(index, &r);
    POINT p{r.left, r.bottom};
    bar.ClientToScreen(&p);
    return p;
}

// Press-and-hold: after 8/60 s with a button still down the line-shape chooser opens on the
// global and the button is selected; a quicker release takes the base click.
void HoldForShape(CToolBox& palette, int x, int y, std::initializer_list<int> buttons, std::int16_t* shape) {
    g_ui.clickCount = 1;
    const int hit = palette.HitTest(x, y);
    if (hit >= 0 && std::find(buttons.begin(), buttons.end(), hit) != buttons.end()) {
        WaitTicks(kHoldTicks);
        if (IsMouseDown()) {
            const POINT at = LowerLeft(palette, hit);
            int choice = *shape;
            CPopup popup;
            if (popup.Init(7, 7, 32, 16, 121, 32) && popup.Track(at.x, at.y, &choice, false)) *shape = std::int16_t(choice);
            popup.DestroyWindow();
            palette.SelectButton(hit);
            return;
        }
    }
    palette.CToolBox::OnButtonClick(x, y, 0);
}

// An expression library entry: its text (offset 16) and font (offset 10).
constexpr std::size_t kExprFontOffset = 10, kExprTextOffset = 16, kExprTextSize = 32;

}  // namespace

void CGuitarTools::OnButtonClick(int x, int y, UINT) { HoldForShape(*this, x, y, {23}, &g_toolDefaults.vibratoShape); }
void CJazzTools::OnButtonClick(int x, int y, UINT) { HoldForShape(*this, x, y, {2, 5, 11}, &g_toolDefaults.jazzLineShape); }

// --- expressions ------------------------------------------------------------------------------

bool CExprTools::CreatePalette(CFrameWnd* frame, POINT at, int base, int tool, int cols) {
    SetSizes(SIZE{64, 23}, SIZE{16, 16});
    return CToolBox::CreatePalette(frame, at, base, tool, cols);
}

std::string CExprTools::GetToolTipText(int index) const {
    if (index <= 0 || index >= count - 1) return CToolBox::GetToolTipText(index);
    CLibrary* lib = ExpressionLibrary();
    const int item = firstItem + index - 1;
    if (!lib || item < 0 || item >= lib->GetCount()) return {};
    const auto* bytes = static_cast<const char*>(lib->GetItem(item));
    if (!bytes) return {};
    return std::string(bytes + kExprTextOffset, strnlen(bytes + kExprTextOffset, kExprTextSize));
}

void CExprTools::DrawButtonImage(CDC* dc, int index, const RECT& rect) {
    if (index <= 0 || index >= count - 1) return CToolBox::DrawButtonImage(dc, index, rect);
    const std::string name = GetToolTipText(index);
    CArtist* a = GetArtist();
    if (name.empty() || !a) return;
    CLibrary* lib = ExpressionLibrary();
    const auto* bytes = static_cast<const char*>(lib->GetItem(firstItem + index - 1));
    FontRef font;
    std::memcpy(&font, bytes + kExprFontOffset, std::min(sizeof font, std::size_t(6)));
    PushPort(dc);
    a->SetFontRef(font);
    // Shortened to the button less 4 pixels, centred, 6 pixels above the bottom.
    std::string shown = name;
    const int room = int(rect.right - rect.left) - 4;
    while (!shown.empty() && a->TextWidth(shown.c_str()) > room) shown.pop_back();
    const int w = a->TextWidth(shown.c_str());
    a->DrawText(rect.left + (rect.right - rect.left - w) / 2, rect.bottom - 6, shown.c_str());
    PopPort();
}

void CExprTools::SetButtonState(int index, bool checked) {
    if (index <= 0 || index >= count - 1) return;
    CToolBox::SetButtonState(index, checked);
}

void CExprTools::SelectButton(int index) {
    if (index < 0 || index >= count) return;
    SetButtonState(current, false);
    current = std::int16_t(index);
    SetButtonState(current, true);
    if (IsWindow()) UpdateWindow();
    if (g_chrome.mainToolBar) g_chrome.mainToolBar->SelectTool(toolId);
}

bool CExprTools::Scroll(int step) {
    CLibrary* lib = ExpressionLibrary();
    const int items = lib ? lib->GetCount() : 0;
    const int last = std::max(0, items - (count - 2));
    const int next = std::clamp(firstItem + step, 0, last);
    if (next == firstItem) return false;
    // The checked button follows the chosen expression.
    const int chosen = firstItem + current;
    SetButtonState(current, false);
    firstItem = std::int16_t(next);
    current = std::int16_t(chosen - firstItem);
    SetButtonState(current, true);
    return true;
}

void CExprTools::OnButtonClick(int x, int y, UINT) {
    const int hit = HitTest(x, y);
    if (hit == 0 || (hit == count - 1 && hit > 0)) {
        PressButton(hit, true);
        const int step = hit == 0 ? -1 : 1;
        while (IsMouseDown() && Scroll(step)) {
            Invalidate();
            UpdateWindow();
            WaitTicks(kHoldTicks);
        }
        while (fw::MouseLoopStep(50)) {
        }
        PressButton(hit, false);
        Invalidate();
        return;
    }
    CToolBox::OnButtonClick(x, y, 0);
    if (hit > 0 && g_ui.clickCount == 2 && EditExpressionEntry(firstItem + current - 1)) Invalidate();
}

// --- graphics ---------------------------------------------------------------------------------

void CGrafTools::OnButtonClick(int x, int y, UINT) {
    g_ui.clickCount = 1;
    const int hit = HitTest(x, y);
    if (hit >= 7 && hit <= 10) {
        const POINT at = LowerLeft(*this, hit);
        const int choice = RunPenPopup(hit, at.x, at.y);
        if (choice >= 0) ApplyPenChoice(hit, choice);
        Invalidate();
        return;
    }
    CToolBox::OnButtonClick(x, y, 0);
}

// --- drums ------------------------------------------------------------------------------------

void CDrumTools::OnButtonClick(int x, int y, UINT) {
    g_ui.clickCount = 1;
    const int hit = HitTest(x, y);
    if (hit >= 0) g_toolState.button = std::int16_t(hit);
    if (hit == 0) {
        const POINT at = LowerLeft(*this, 0);
        CPopup popup;
        int choice = g_toolDefaults.drumGraceChoice - 1;
        if (popup.Init(4, 8, 16, 16, kDrumGraceStrip, 16) && popup.Track(at.x, at.y, &choice, true))
            g_toolDefaults.drumGraceChoice = std::int16_t(choice + 1);
        popup.DestroyWindow();
        SelectButton(0);
        return;
    }
    if (hit < 0 && g_chrome.mainToolBar) g_chrome.mainToolBar->SelectTool(toolId);
    // The base click's command selects the drum tool (and applies it at once) itself.
    CToolBox::OnButtonClick(x, y, 0);
}
