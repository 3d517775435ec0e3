// The standard and main tool bars: their buttons, the palettes the main tool bar makes, the
// current tool, the tool keys and the document the bar's choices apply to.
#include "chrome/MainToolBar.h"

#include <algorithm>
#include <string>

#include "chrome/PalettePopups.h"
#include "chrome/StyleBar.h"
#include "chrome/ToolBox.h"
#include "framework/DC.h"
#include "framework/StringTable.h"
#include "model/Preferences.h"
#include "model/Select.h"
#include "model/ZelDoc.h"
#include "platform/Artist.h"
#include "platform/PlatformGlobals.h"
#include "platform/Popup.h"
#include "platform/Port.h"
#include "platform/PortLayer.h"
#include "view/ToolState.h"
#include "model/Playback.h"

ChromeGlobals g_chrome;

namespace {

constexpr UINT kPlaceholderResource = 128;
constexpr UINT kStdTitle = 3408, kMainTitle = 3409;
constexpr int kPane = 24, kStep = 23, kGap = 29;
constexpr int kHoldTicks = 8;
constexpr int kToolsBitmap = 103, kInterfaceBitmap = 107, kExpressionImage = 12, kStdBitmap = 2604;
constexpr int kNotesBitmap = 1000, kTupletNumbers = 1500;
constexpr int kToolChanged = 4320, kRefreshQuantize = 4318, kHideAllPalettes = 37012;
enum : int { kAddMark = 4007, kDrumCommands = 2900 };

// The main tool bar's buttons left to right: tool id, a group gap before it.
struct ButtonDef {
    int tool;
    bool gapBefore;
};
constexpr ButtonDef kButtons[] = {
    {800, false}, {801, false}, {802, false}, {803, false}, {804, false}, {805, false},
    {903, true},  {905, false}, {906, false}, {908, false}, {907, false}, {912, false},
    {918, false}, {923, false}, {911, false}, {904, true},  {913, false}, {919, false},
    {909, false}, {914, true},  {915, false}, {916, false}, {917, false},
};

void SendToFrame(int command) {
    if (CWnd* main = AfxGetMainWnd()) main->SendMessage(WM_COMMAND, WPARAM(command & 0xFFFF), 0);
}

// The button's lower-left corner on the screen.
POINT LowerLeftOnScreen(CWnd* wnd) {
    RECT r;
    wnd->GetClientRect(&r);
    POINT p{r.left, r.bottom};
    wnd->ClientToScreen(&p);
    return p;
}

}  // namespace

// --- CZelToolBar ------------------------------------------------------------------------------

bool CZelToolBar::Create(CFrameWnd* frame, UINT resourceId, UINT titleId) {
    RegisterToolBarResources();
    if (!frame || !CreateEx(frame, 0, CBRS_GRIPPER | CBRS_TOP | CBRS_BORDER_BOTTOM | CBRS_TOOLTIPS | CBRS_FLYBY |
                                          CBRS_SIZE_FIXED | CBRS_BORDER_LEFT,
                            RECT{3, 3, 2, 2}))
        return false;
    if (!LoadToolBar(resourceId)) return false;
    std::string title;
    fw::LoadStringResource(titleId, title);
    SetWindowText(title.c_str());
    EnableDocking(CBRS_ALIGN_ANY);
    return true;
}

void CZelToolBar::ShowBar() {
    if (GetDockingFrame()) GetDockingFrame()->ShowControlBar(this, TRUE);
}
void CZelToolBar::HideBar() {
    if (GetDockingFrame()) GetDockingFrame()->ShowControlBar(this, FALSE);
}

void CZelToolBar::WidenPlaceholder(int width) {
    if (GetCount() > 0) SetButtonInfo(0, GetItemID(0), TBBS_SEPARATOR, width);
}

BOOL CZelToolBar::OnCommand(WPARAM wParam, LPARAM lParam) {
    CWnd* frame = GetDockingFrame();
    if (!frame) return CToolBar::OnCommand(wParam, lParam);
    frame->SendMessage(WM_COMMAND, wParam, lParam);
    return TRUE;
}

// --- the tool buttons -------------------------------------------------------------------------

bool CToolBtn::Create(CWnd* bar, const RECT& rect, int toolId, int bitmap, CToolBox* box) {
    palette = box;
    if (!CPaneBtn::Create(bar, rect, toolId, std::int16_t(bitmap), 16, 16)) return false;
    SetFlag(1);
    return true;
}

void CToolBtn::ShowImage(int index) { LoadImages(index); }

void CToolBtn::Press() {
    if (palette) palette->Activate();
    CPaneBtn::Press();
}

void CToolBtn::Release() {
    if (palette) palette->ClearButtons();
    CPaneBtn::Release();
}

void CToolBtn::TrackClick(int, int) {
    CMainToolBar* bar = g_chrome.mainToolBar;
    if (bar)
        if (CToolBtn* old = bar->FindButton(g_toolState.tool); old && old != this) old->Release();
    Press();
    UpdateWindow();
    if (palette) {
        // Held a moment, the button opens its palette as a pop-up under it.
        WaitTicks(kHoldTicks);
        if (IsMouseDown()) {
            const POINT at = LowerLeftOnScreen(this);
            PopupPalette(palette, at.x, at.y);
        }
    }
    if (bar) bar->SelectTool(commandId);
    Invalidate();
    UpdateWindow();
}

void CNoteBtn::DrawImage() {
    CDC* dc = GetCurrentPort();
    if (!dc || !images.IsValid()) return CToolBtn::DrawImage();
    const ToolState& t = g_toolState;
    RECT client;
    GetClientRect(&client);
    const int top = (client.bottom - client.top - imageHeight) / 2;
    const int left = (t.dots || t.tupletNumber) ? 2 : 3;
    images.Draw(dc, 0, left, top);
    if (t.tupletNumber) {
        CImageList numbers;
        if (numbers.Create(kTupletNumbers, 16, 0, RGB(192, 192, 192)))
            numbers.Draw(dc, std::min<int>(t.tupletNumber, 25), 11, -1);
    }
    if ((t.subTool == ToolState::kNoteSub || t.subTool == ToolState::kRestSub) && t.grace) {
        dc->MoveTo(7, 14);
        dc->LineTo(19, 8);
    }
    for (int i = 0; i < t.dots; ++i) {
        const RECT a{15 + 3 * i, 17, 18 + 3 * i, 19};
        dc->FillSolidRect(&a, RGB(0, 0, 0));
    }
}

void CQuantBtn::DrawImage() {
    CToolBtn::DrawImage();
    CArtist* a = GetArtist();
    if (!a) return;
    a->DrawText(2, 12, "Q");
}

void CQuantBtn::TrackClick(int x, int y) {
    Press();
    UpdateWindow();
    POINT at{x, y};
    ClientToScreen(&at);
    CQuantizeMenu menu;
    int value = g_preferences.Word(Preferences::kQuantizeIndex) - 2;
    if (menu.Run(at.x, at.y, &value)) g_preferences.SetWord(Preferences::kQuantizeIndex, std::int16_t(value + 2));
    menu.DestroyWindow();
    SendToFrame(kRefreshQuantize);
    Release();
}

// --- the standard tool bar --------------------------------------------------------------------

bool CStdToolBar::Create(CFrameWnd* frame) {
    if (!CZelToolBar::Create(frame, kPlaceholderResource, kStdTitle)) return false;
    EnableDocking(CBRS_ALIGN_TOP | CBRS_ALIGN_BOTTOM);
    RECT first;
    GetItemRect(0, &first);
    int x = first.left;
    for (int i = 0; i < kButtons; ++i) {
        if (i == 3) x += kGap - kStep;
        const RECT r{x, first.top, x + kPane, first.top + kPane};
        if (!buttons[i].Create(this, r, kCommands[i], std::int16_t(kStdBitmap), 16, 16)) return false;
        buttons[i].SetFlag(1);
        buttons[i].SetMomentary(true);
        buttons[i].LoadImages(i);
        x += kStep;
    }
    WidenPlaceholder(x - kStep + kPane - first.left);
    g_chrome.stdToolBar = this;
    return true;
}

CStdToolBar::~CStdToolBar() {
    if (g_chrome.stdToolBar == this) g_chrome.stdToolBar = nullptr;
}

CStdToolBtn* CStdToolBar::FindButton(int commandId) {
    for (int i = 0; i < kButtons; ++i)
        if (kCommands[i] == commandId) return &buttons[i];
    return nullptr;
}

// --- the main tool bar ------------------------------------------------------------------------

const std::vector<int>& CMainToolBar::ButtonOrder() {
    static const std::vector<int> order = [] {
        std::vector<int> v;
        for (const ButtonDef& b : kButtons) v.push_back(b.tool);
        return v;
    }();
    return order;
}

CMainToolBar::CMainToolBar() = default;
CMainToolBar::~CMainToolBar() {
    // The palettes and the style bar go with the bar that made them.
    ResetPalettes();
    ResetStyleBar();
    if (g_chrome.mainToolBar == this) g_chrome.mainToolBar = nullptr;
}

bool CMainToolBar::Create(CFrameWnd* frame, const std::function<bool(CFrameWnd*)>& makeTransport) {
    if (!CZelToolBar::Create(frame, kPlaceholderResource, kMainTitle)) return false;
    EnableDocking(CBRS_ALIGN_TOP | CBRS_ALIGN_BOTTOM);
    g_chrome.mainToolBar = this;
    previousTool = -1;

    // The buttons, left to right.
    RECT first;
    GetItemRect(0, &first);
    int x = first.left, next = 0;
    for (const ButtonDef& b : kButtons) {
        if (b.gapBefore) x += kGap - kStep;
        const RECT r{x, first.top, x + kPane, first.top + kPane};
        CToolBox* palette = PaletteForTool(b.tool);
        CToolBtn* button = b.tool == 903 ? &noteButton : b.tool == 917 ? &quantButton : &toolButtons[next++];
        int bitmap = palette ? palette->commandBase : kNotesBitmap, image = 0;
        if (b.tool >= 800 && b.tool <= 805) {
            bitmap = kToolsBitmap;
            image = b.tool - 800;
        } else if (b.tool == 919) {
            bitmap = kInterfaceBitmap;
            image = kExpressionImage;
        } else if (b.tool == 917) {
            image = std::max(0, int(g_preferences.Word(Preferences::kQuantizeIndex)));
        } else if (palette) {
            bitmap = GetPaletteDef(PaletteIndexForTool(b.tool)).commandBase;
        }
        if (!button->Create(this, r, b.tool, bitmap, palette)) return false;
        button->ShowImage(image);
        x += kStep;
    }
    WidenPlaceholder(x - kStep + kPane - first.left);
    FindButton(800)->CPaneBtn::Press();

    // The palettes, hidden and floating, each 100 pixels right of the one before.
    POINT at{100, 100};
    POINT guitarAt{};
    for (int i = kNotesPalette; i <= kBarlinesPalette; ++i) {
        if (i == kJazzPalette) at.x += 100;
        const PaletteDef& def = GetPaletteDef(i);
        if (!Palette(i).CreatePalette(frame, at, def.commandBase, def.toolId, def.columns)) return false;
        if (i == kGuitarPalette) guitarAt = at;
        at.x += 100;
    }
    // The transport and text style bars, the MIDI data box's id, and last the drums palette.
    if (makeTransport && !makeTransport(frame)) return false;
    at = POINT{at.x + 100, at.y + 100};
    if (!CreateStyleBar(frame, at)) return false;
    fw::NextControlBarId();  // the MIDI data box's
    const PaletteDef& drums = GetPaletteDef(kDrumsPalette);
    if (!Palette(kDrumsPalette).CreatePalette(frame, guitarAt, drums.commandBase, drums.toolId, drums.columns))
        return false;
    g_chrome.shownBeforeHide.assign(kPaletteCount, 0);

    // The first choices: the quarter note, the tie, the first expression; the select tool.
    CNoteTools& notes = NoteTools();
    notes.current = 3;
    noteButton.ShowImage(3);
    Palette(kGroupsPalette).current = 1;
    if (CToolBtn* groups = FindButton(905)) groups->ShowImage(1);
    ExprTools().current = 1;
    g_toolState.value = 3;
    g_toolState.tool = 800;
    return true;
}

CToolBtn* CMainToolBar::FindButton(int toolId) {
    if (toolId == 903) return &noteButton;
    if (toolId == 917) return &quantButton;
    for (CToolBtn& b : toolButtons)
        if (b.commandId == toolId && b.IsWindow()) return &b;
    return nullptr;
}

bool CMainToolBar::CanApplyAtOnce() const {
    if (!document || !g_platform.ctrlDown) return false;
    CSelect* selection = document->GetSelection();
    return selection && selection->GetNoteCount() > 0;
}

void CMainToolBar::SelectTool(int toolId, bool applyAtOnce) {
    if (toolId != g_toolState.tool)
        if (CToolBtn* old = FindButton(g_toolState.tool)) old->Release();
    g_toolState.tool = std::int16_t(toolId);
    if (CToolBtn* button = FindButton(toolId)) button->Press();
    SendToFrame(kToolChanged);
    if (!applyAtOnce || suppressApply || !CanApplyAtOnce()) return;
    if (toolId == 906 || toolId == 908)
        PaletteDocumentCommand()(*document, kAddMark);
    else if (toolId == 923)
        PaletteDocumentCommand()(*document, kDrumCommands + g_toolState.button);
}

void CMainToolBar::SetDocument(CZelDoc* doc) {
    document = doc;
    for (CToolBtn& b : toolButtons)
        if (b.IsWindow()) b.SetEnabled(doc != nullptr);
    if (noteButton.IsWindow()) noteButton.SetEnabled(doc != nullptr);
    if (quantButton.IsWindow()) quantButton.SetEnabled(doc != nullptr);
    if (!doc && g_chrome.stdToolBar)
        for (int command : {57603, 57635, 57634, 57637, 57607})
            if (CStdToolBtn* b = g_chrome.stdToolBar->FindButton(command)) b->SetEnabled(false);
}

bool CMainToolBar::HandleKey(int ch) {
    if (ch >= 'a' && ch <= 'z') ch -= 'a' - 'A';
    int tool = 0;
    switch (ch) {
    case 'C': tool = 800; break;
    case 'E': tool = 801; break;
    case 'H': tool = 803; break;
    case 'Z': tool = 804; break;
    case 'B': tool = 805; break;
    default: return NoteTools().HandleKey(ch);
    }
    if (g_toolState.tool == tool && previousTool != -1) {
        tool = previousTool;
        previousTool = -1;
    } else {
        previousTool = g_toolState.tool;
    }
    SelectTool(tool);
    return true;
}

void CMainToolBar::SetToolImage(int toolId, int item) {
    if (CToolBox* palette = PaletteForTool(toolId)) palette->SelectButton(item);
}

void CMainToolBar::OnToolCommand(int command) {
    if (command == kRefreshQuantize) {
        quantButton.ShowImage(std::max(0, int(g_preferences.Word(Preferences::kQuantizeIndex))));
        quantButton.Invalidate();
        return;
    }
    if (command != kHideAllPalettes) return;
    g_chrome.palettesShown = g_chrome.palettesShown ? 0 : 1;
    g_chrome.shownBeforeHide.resize(kPaletteCount, 0);
    for (int i = 0; i < kPaletteCount; ++i) {
        CToolBox& palette = Palette(i);
        if (!g_chrome.palettesShown) {
            g_chrome.shownBeforeHide[i] = palette.IsShown() ? 1 : 0;
            palette.Hide();
        } else if (g_chrome.shownBeforeHide[i]) {
            palette.Show();
        }
    }
}
