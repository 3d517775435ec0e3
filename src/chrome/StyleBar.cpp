#include "chrome/StyleBar.h"

#include <cstdlib>
#include <memory>
#include <string>

#include "chrome/MainToolBar.h"
#include "framework/DC.h"
#include "framework/Fonts.h"
#include "framework/StringTable.h"
#include "model/DocumentStandIns.h"
#include "model/TextTask.h"
#include "model/ZelDoc.h"
#include "platform/Artist.h"
#include "platform/Port.h"
#include "view/MenuBox.h"

namespace {
constexpr UINT kTitle = 8100, kVerseLabel = 6041;
constexpr int kStripBitmap = 2600, kBarHeight = 30;
constexpr int kStyleBlock = 2600;
// The x step before each image button.
constexpr int kSteps[CStyleBar::kImageButtons] = {0, 23, 23, 28, 23, 23, 28};
}  // namespace

namespace {
std::unique_ptr<CStyleBar>& StyleBarSlot() {
    static std::unique_ptr<CStyleBar> bar;
    return bar;
}
}  // namespace

CStyleBar& StyleBarObject() {
    if (!StyleBarSlot()) StyleBarSlot() = std::make_unique<CStyleBar>();
    return *StyleBarSlot();
}

void ResetStyleBar() {
    if (g_chrome.styleBar == StyleBarSlot().get()) g_chrome.styleBar = nullptr;
    StyleBarSlot().reset();
}

bool CreateStyleBar(CFrameWnd* frame, POINT at) { return StyleBarObject().Create(frame, at); }

bool CStyleBar::Create(CFrameWnd* frame, POINT at) {
    RegisterToolBarResources();
    verseMode = 0;
    target = nullptr;
    commandBase = kStyleBlock;
    if (!CreateEx(frame, TBSTYLE_FLAT, CBRS_GRIPPER | CBRS_TOP | CBRS_TOOLTIPS | CBRS_FLYBY | CBRS_SIZE_FIXED,
                  RECT{3, 3, 2, 2}))
        return false;
    if (!LoadToolBar(kStyleBlock)) return false;
    std::string title;
    fw::LoadStringResource(kTitle, title);
    SetWindowText(title.c_str());
    EnableDocking(CBRS_ALIGN_TOP | CBRS_ALIGN_BOTTOM);

    // The controls in place of the first button.
    RECT first;
    GetItemRect(0, &first);
    int x = first.left;
    for (int i = 0; i < kImageButtons; ++i) {
        x += kSteps[i];
        const RECT r{x, first.top, x + 24, first.top + 24};
        if (!buttons[i].Create(this, r, kButtonCommands[i], std::int16_t(kStripBitmap), 16, 16)) return false;
        buttons[i].SetFlag(1);
        buttons[i].LoadImages(i);
    }
    x += 34;
    if (!fontField.Create(this, RECT{x, 3, x + 140, 21}, 0, true)) return false;
    x += 140 + 4;
    if (!sizeField.Create(this, RECT{x, 3, x + 40, 21}, kFirstSize, true)) return false;
    sizeField.SetMenu(kSizeMenu, false);
    sizeField.SetCurrentItem(2);
    x += 40 + 40;
    if (!verseField.Create(this, RECT{x, 3, x + 40, 21}, kFirstVerse, true)) return false;
    verseField.SetMenu(kVerseMenu, false);
    verseField.SetCurrentItem(0);
    const std::vector<fw::FontFaceInfo> faces = fw::EnumFontFamilies(nullptr);
    fontField.SetText(faces.empty() ? "" : faces.front().name.c_str());
    fontFace = 0;
    SetButtonInfo(0, GetItemID(0), TBBS_SEPARATOR, x + 40 - first.left);
    frame->FloatControlBar(this, at, CBRS_ALIGN_TOP);
    frame->ShowControlBar(this, FALSE);
    g_chrome.styleBar = this;
    SetVerseMode(false);
    UpdateControls();
    return true;
}

SIZE CStyleBar::CalcFixedLayout(BOOL, BOOL) { return SIZE{464, 32}; }

void CStyleBar::SetVerseMode(bool on) {
    verseMode = on ? 1 : 0;
    verseField.Enable(on);
    UpdateControls();
    if (IsWindow()) Invalidate();
}

void CStyleBar::SetTarget(CTextTask* task) {
    target = task;
    UpdateControls();
}

void CStyleBar::ShowFont(const FontRef& font) {
    const std::vector<fw::FontFaceInfo> faces = fw::EnumFontFamilies(nullptr);
    if (font.face < faces.size() && int(font.face) != fontFace) {
        fontFace = font.face;
        fontField.SetText(faces[font.face].name.c_str());
    }
    int entry = 11;
    for (int i = 0; i < 11; ++i)
        if (kSizes[i] == font.size) entry = i;
    sizeField.SetCurrentItem(entry);
}

void CStyleBar::UpdateControls() {
    const bool on = target != nullptr;
    for (int i = 0; i < kImageButtons; ++i) {
        const int id = kButtonCommands[i];
        bool enabled = on, checked = false;
        if (on) {
            if (id == 2705) {
                enabled = !verseMode;
                checked = target->visible != 0;
            } else if (id >= 2706) {
                checked = target->alignment == id - 2706;
            } else {
                checked = (target->font.style & (1 << (id - 2701))) != 0;
            }
        }
        if (buttons[i].IsWindow()) {
            buttons[i].SetEnabled(enabled);
            buttons[i].SetState(checked ? 1 : 0);
        }
    }
    if (fontField.IsWindow()) fontField.Enable(on);
    if (sizeField.IsWindow()) sizeField.Enable(on);
    if (on) ShowFont(target->font);
}

void CStyleBar::HandleCommand(int id) {
    if (id == 0) {
        POINT corner{0, fontField.height};
        fontField.ClientToScreen(&corner);
        CMenuFontBox box;
        int face = fontFace;
        if (box.Popup(corner.x, corner.y, &face)) {
            const std::vector<fw::FontFaceInfo> faces = fw::EnumFontFamilies(nullptr);
            if (face >= 0 && std::size_t(face) < faces.size()) {
                fontFace = face;
                fontField.SetText(faces[std::size_t(face)].name.c_str());
                if (target) {
                    target->font.face = std::uint16_t(face);
                    target->ApplyFont();
                }
            }
        }
        return;
    }
    if (id >= kFirstSize && id <= kFirstSize + 11) {
        if (!target) return;
        char text[CMenuBtn::kTextSize] = {};
        sizeField.GetItemText(sizeField.current, text, sizeof text);
        const int size = std::atoi(text);
        if (size > 0) {
            target->font.size = std::uint16_t(size);
            target->ApplyFont();
        }
        return;
    }
    if (id == kFirstVerse || (id > kFirstVerse && id <= kFirstVerse + 16)) {
        // The verse field names its choice; the lyric menu's commands go to the open lyric entry.
        if (id == kFirstVerse) id = kFirstVerse + GetMenuChoice();
        if (CMainToolBar* bar = g_chrome.mainToolBar; bar && bar->GetDocument() && bar->GetDocument()->textTask)
            bar->GetDocument()->textTask->OnCommand(id);
        return;
    }
    if (target) {
        target->OnCommand(id);
        UpdateControls();
    }
}

BOOL CStyleBar::OnCommand(WPARAM wParam, LPARAM) {
    HandleCommand(int(wParam & 0xFFFF));
    return TRUE;
}

void CStyleBar::OnPaint() {
    CToolBar::OnPaint();
    // The verse label, right-aligned 2 pixels left of the field, grey while verse mode is off.
    CClientDC dc(this);
    CArtist* a = GetArtist();
    if (!a || !verseField.IsWindow()) return;
    std::string label;
    fw::LoadStringResource(kVerseLabel, label);
    label += ":";
    PushPort(&dc);
    a->SetTextAndPenColor(verseMode ? RGB(0, 0, 0) : fw::GetSysColor(COLOR_GRAYTEXT));
    a->DrawTextRight(verseField.x - 2, verseField.y + verseField.height - 6, label.c_str());
    PopPort();
}
