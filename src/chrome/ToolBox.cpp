// The palette base: creation, button states and painting, the press on a palette window, the
// selection by command and the activation that writes the tool record; the palette table.
#include "chrome/ToolBox.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

#include "chrome/MainToolBar.h"
#include "framework/DC.h"
#include "framework/StringTable.h"
#include "model/Preferences.h"
#include "model/Select.h"
#include "model/ZelDoc.h"
#include "platform/MenuFilter.h"
#include "platform/Numeric.h"
#include "platform/PlatformGlobals.h"
#include "platform/Port.h"
#include "platform/PortLayer.h"
#include "platform/StdDlgGlobals.h"
#include "view/ToolState.h"

namespace {

// Document commands a palette choice applies at once.
enum : int { kAddAccidental = 4000, kAddMark = 4007, kSetNoteHead = 4903, kSetTablatureHead = 4904 };

constexpr PaletteDef kPalettes[kPaletteCount] = {
    {"notes", 1000, 33, 903, 3},        {"groups", 1100, 16, 905, 2},      {"ornaments", 1200, 16, 906, 2},
    {"articulations", 1300, 34, 908, 2}, {"heads", 1400, 22, 907, 2},      {"tablature", 1500, 26, 912, 2},
    {"guitar", 1600, 26, 918, 2},       {"jazz", 1700, 12, 911, 2},        {"dynamics", 1800, 20, 904, 2},
    {"text", 1900, 5, 913, 2},          {"expressions", 2400, 18, 919, 1}, {"graphics", 2000, 11, 909, 2},
    {"clefs", 2100, 9, 914, 2},         {"staves", 2200, 12, 915, 2},      {"barlines", 2300, 10, 916, 2},
    {"drums", 2900, 8, 923, 2},
};

std::array<std::unique_ptr<CToolBox>, kPaletteCount>& Palettes() {
    static std::array<std::unique_ptr<CToolBox>, kPaletteCount> palettes;
    return palettes;
}

CMainToolBar* Main() { return g_chrome.mainToolBar; }

void SelectToolOnMain(int toolId, bool apply = true) {
    if (CMainToolBar* bar = Main())
        bar->SelectTool(toolId, apply);
    else
        g_toolState.tool = std::int16_t(toolId);
}

void EndNumericEntry() {
    if (CNumeric* numeric = g_ui.currentNumeric) numeric->EndEdit();
}

}  // namespace

// --- the palette table ------------------------------------------------------------------------

const PaletteDef& GetPaletteDef(int palette) { return kPalettes[std::clamp(palette, 0, kPaletteCount - 1)]; }

int FindPaletteByName(const char* name) {
    for (int i = 0; i < kPaletteCount; ++i)
        if (name && std::strcmp(name, kPalettes[i].name) == 0) return i;
    return -1;
}

CToolBox& Palette(int palette) {
    palette = std::clamp(palette, 0, kPaletteCount - 1);
    auto& slot = Palettes()[palette];
    if (!slot) {
        switch (palette) {
        case kNotesPalette: slot = std::make_unique<CNoteTools>(); break;
        case kGuitarPalette: slot = std::make_unique<CGuitarTools>(); break;
        case kJazzPalette: slot = std::make_unique<CJazzTools>(); break;
        case kExpressionsPalette: slot = std::make_unique<CExprTools>(); break;
        case kGraphicsPalette: slot = std::make_unique<CGrafTools>(); break;
        case kDrumsPalette: slot = std::make_unique<CDrumTools>(); break;
        default: slot = std::make_unique<CToolBox>(); break;
        }
    }
    return *slot;
}

void ResetPalettes() {
    for (auto& slot : Palettes()) slot.reset();
}

CNoteTools& NoteTools() { return static_cast<CNoteTools&>(Palette(kNotesPalette)); }
CExprTools& ExprTools() { return static_cast<CExprTools&>(Palette(kExpressionsPalette)); }

CToolBox* PaletteForCommand(int commandId) {
    for (int i = 0; i < kPaletteCount; ++i)
        if (commandId >= kPalettes[i].commandBase && commandId < kPalettes[i].commandBase + 100) return &Palette(i);
    return nullptr;
}

int PaletteIndexForTool(int toolId) {
    for (int i = 0; i < kPaletteCount; ++i)
        if (kPalettes[i].toolId == toolId) return i;
    return -1;
}

CToolBox* PaletteForTool(int toolId) {
    const int i = PaletteIndexForTool(toolId);
    return i < 0 ? nullptr : &Palette(i);
}

void RegisterToolBarResources() {
    static bool done = false;
    if (done) return;
    done = true;
    for (const PaletteDef& p : kPalettes) {
        std::vector<UINT> ids;
        for (int i = 0; i < p.count; ++i) ids.push_back(UINT(p.commandBase + i));
        // The notes palette's last reminder accidentals carry each other's commands.
        if (p.commandBase == 1000) std::swap(ids[30], ids[31]);
        fw::AddToolBarResource(UINT(p.commandBase), std::move(ids));
    }
    // The bars' placeholder: one button that becomes the separator the panes sit on; the style
    // bar's the same.
    fw::AddToolBarResource(128, {0xE100});
    fw::AddToolBarResource(2600, {2600});
}

CLibrary*& ExpressionLibrary() {
    static CLibrary* library = nullptr;
    return library;
}

std::function<void(CZelDoc&, int)>& PaletteDocumentCommand() {
    static std::function<void(CZelDoc&, int)> command = [](CZelDoc& doc, int id) { doc.OnCommandRange(id); };
    return command;
}

void GetToolMarkCode(int* code, int* subCode) {
    int c = g_toolState.button, sub = g_toolState.subTool;
    if (g_toolState.tool == 909 && g_toolState.button == 6) {
        c = 250;
        sub = 0;
    } else if (g_toolState.tool == 906) {
        if (c == 7)
            c = 48;
        else if (c > 7)
            c -= 1;
    } else if (g_toolState.tool == 908) {
        if (c >= 48) c += 1;
    }
    if (code) *code = c;
    if (subCode) *subCode = sub;
}

// --- CToolBox ---------------------------------------------------------------------------------

CToolBox::CToolBox() = default;
CToolBox::~CToolBox() = default;

bool CToolBox::CreatePalette(CFrameWnd* frame, POINT at, int base, int tool, int cols) {
    RegisterToolBarResources();
    commandBase = std::int16_t(base);
    columns = std::int16_t(std::max(1, cols));
    toolId = std::int16_t(tool);
    firstItem = 0;
    toolButton = Main() ? Main()->FindButton(tool) : nullptr;
    if (!CreateEx(frame, TBSTYLE_FLAT | TBSTYLE_TRANSPARENT,
                  CBRS_GRIPPER | CBRS_TOP | CBRS_BORDER_TOP | CBRS_BORDER_BOTTOM | CBRS_TOOLTIPS | CBRS_FLYBY |
                      CBRS_SIZE_DYNAMIC,
                  RECT{3, 3, 2, 2}))
        return false;
    if (!LoadToolBar(UINT(base))) return false;
    count = std::int16_t(GetCount());
    std::vector<int> shown;
    FilterPaletteButtons(commandBase, count, &shown);
    indexMap.assign(shown.begin(), shown.end());
    std::string title;
    fw::LoadStringResource(UINT(tool), title);
    if (const auto lf = title.find('\n'); lf != std::string::npos) title = title.substr(lf + 1);
    SetWindowText(title.c_str());
    EnableDocking(CBRS_ALIGN_ANY);
    rows = std::int16_t(std::max(1, count / columns));
    SetRows(rows, TRUE, nullptr);
    frame->FloatControlBar(this, at, CBRS_ALIGN_TOP);
    frame->ShowControlBar(this, FALSE);
    return true;
}

POINT CToolBox::ButtonCentre(int index) const {
    RECT r;
    GetItemRect(index, &r);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

void CToolBox::DrawButtonImage(CDC* dc, int index, const RECT& rect) {
    const int image = index >= 0 && index < int(indexMap.size()) ? indexMap[index] : index;
    const SIZE s = Images().GetImageSize();
    Images().Draw(dc, image, rect.left + (rect.right - rect.left - s.cx) / 2,
                  rect.top + (rect.bottom - rect.top - s.cy) / 2);
}

void CToolBox::DrawButton(CDC* dc, int index, const RECT& rect) {
    RECT r = rect;
    if (!IsButtonEnabled(index)) {
        DrawButtonImage(dc, index, rect);
        // Greyed: every other pixel of the image washed with the face colour.
        for (int py = rect.top; py < rect.bottom; ++py)
            for (int px = rect.left + (py & 1); px < rect.right; px += 2) dc->SetPixel(px, py, fw::GetSysColor(COLOR_BTNFACE));
        return;
    }
    dc->FillSolidRect(&r, fw::GetSysColor(COLOR_BTNFACE));
    DrawButtonImage(dc, index, rect);
    if (IsButtonChecked(index) || IsButtonPressed(index))
        dc->DrawEdge(&r, EDGE_SUNKEN, BF_RECT);
    else if (index == GetHotItem())
        dc->DrawEdge(&r, EDGE_RAISED, BF_RECT);
}

void CToolBox::SetButtonState(int index, bool checked) {
    if (index < 0 || index >= count) return;
    CheckButton(index, checked);
}

void CToolBox::SelectCommand(int commandId) {
    CMainToolBar* bar = Main();
    // The choice is applied once, here, not also by the tool selection it sets off.
    const bool apply = bar && bar->CanApplyAtOnce();
    if (bar) bar->suppressApply = true;
    SelectButton(CommandToIndex(UINT(commandId)));
    if (bar) bar->suppressApply = false;
    if (!apply) return;
    CZelDoc& doc = *bar->GetDocument();
    switch (toolId) {
    case 906:
    case 908: PaletteDocumentCommand()(doc, kAddMark); break;
    case 907: PaletteDocumentCommand()(doc, kSetNoteHead); break;
    case 912: PaletteDocumentCommand()(doc, kSetTablatureHead); break;
    case 903:
        if (g_toolState.accidental != 0) {
            const std::int16_t kept = g_toolState.button;
            g_toolState.button = g_toolState.accidental;
            PaletteDocumentCommand()(doc, kAddAccidental);
            g_toolState.button = kept;
        }
        break;
    case 923:
        // The drum command goes once, through the tool selection's own apply.
        PaletteDocumentCommand()(doc, 2900 + g_toolState.button);
        break;
    default: break;
    }
}

void CToolBox::SelectButton(int index) {
    if (index < 0 || index >= count) return;
    SetButtonState(current, false);
    current = std::int16_t(index);
    SetButtonState(current, true);
    if (IsWindow()) UpdateWindow();
    if (toolButton) toolButton->ShowImage(current);
    SelectToolOnMain(toolId);
}

void CToolBox::ClearButtons() {
    for (int i = 0; i < count; ++i) SetButtonState(i, false);
}

void CToolBox::Activate() {
    g_toolState.subTool = 0;
    g_toolState.tool = toolId;
    g_toolState.button = current;
    SetButtonState(current, true);
    // (The menu filter hides no palette entry, so the current tool keeps its numbers.)
    switch (toolId) {
    case 908: g_toolState.button = std::int16_t(g_toolState.button + 15); break;
    case 911: g_toolState.button = std::int16_t(g_toolState.button + 70); break;
    case 919: g_toolState.button = std::int16_t(g_toolState.button + firstItem - 1); break;
    case 918: {
        const int group = std::min(current / 8, 3);
        g_toolState.button = std::int16_t(230 + group);
        g_toolState.subTool = std::int16_t(current - group * 8);
        break;
    }
    default: break;
    }
}

void CToolBox::OnButtonClick(int x, int y, UINT) {
    ReadModifierKeys();
    EndNumericEntry();
    BaseClick(x, y);
}

void CToolBox::BaseClick(int x, int y) {
    const int hit = HitTest(x, y);
    if (hit >= 0 && IsButtonEnabled(hit)) PressButton(hit, true);
    // Wait for the release, then the tool bar's own handling sends the command.
    SetCapture();
    while (fw::MouseLoopStep(50)) {
    }
    ReleaseCapture();
    if (hit >= 0) PressButton(hit, false);
    if (hit >= 0 && IsButtonEnabled(hit)) SendButtonCommand(hit);
}

void CToolBox::OnLButtonDown(UINT flags, POINT pt) {
    CClientDC dc(this);
    PushPort(&dc);
    ReadModifierKeys();
    EndNumericEntry();
    g_ui.clickCount = 1;
    OnButtonClick(pt.x, pt.y, flags);
    PopPort();
}

void CToolBox::OnLButtonDblClk(UINT flags, POINT pt) {
    CClientDC dc(this);
    PushPort(&dc);
    EndNumericEntry();
    g_ui.clickCount = 2;
    OnButtonClick(pt.x, pt.y, flags);
    PopPort();
}

void CToolBox::OnRButtonDown(UINT flags, POINT pt) {
    ReadModifierKeys();
    EndNumericEntry();
    g_ui.clickCount = 1;
    CToolBar::OnRButtonDown(flags, pt);
}

void CToolBox::Show() {
    if (IsWindow() && GetDockingFrame()) GetDockingFrame()->ShowControlBar(this, TRUE);
}
void CToolBox::Hide() {
    if (IsWindow() && GetDockingFrame()) GetDockingFrame()->ShowControlBar(this, FALSE);
}
bool CToolBox::IsShown() const { return IsWindow() && IsVisible(); }
