#include "ControlsSheet.h"

#include <cstdio>
#include <string>

#include "framework/CodePage.h"
#include "framework/DC.h"
#include "framework/Window.h"
#include "platform/PaneBtn.h"
#include "platform/Popup.h"
#include "platform/Port.h"
#include "view/MenuBox.h"

namespace {

constexpr int kWidth = 1100, kHeight = 720;

// Sample texts of the sheet (UTF-8; the controls take the program's code page).
constexpr const char* kField = "四分音符";
constexpr const char* kSwitch = "循环";
constexpr const char* kPane = "小节 12";
constexpr const char* kNote = "音符 ";

// Where the grids are drawn in the sheet.
constexpr POINT kNumberAt{20, 120}, kBoxAt{380, 20}, kClefAt{20, 420};

class SheetWnd : public CWnd {
public:
    CNumMenu* number = nullptr;
    CMenuBox* box = nullptr;
    CClefMenu* clefs = nullptr;

protected:
    void OnPaint() override {
        CPaintDC dc(this);
        PushPort(&dc);
        RECT client;
        GetClientRect(&client);
        dc.FillSolidRect(&client, fw::GetSysColor(COLOR_BTNFACE));
        auto at = [&](POINT p, auto&& draw) {
            const POINT org = dc.GetWindowOrg();
            dc.SetWindowOrg(org.x - p.x, org.y - p.y);
            draw();
            dc.SetWindowOrg(org.x, org.y);
        };
        if (number) at(kNumberAt, [&] { number->DrawAll(); });
        if (box) at(kBoxAt, [&] { box->DrawAll(); });
        if (clefs) at(kClefAt, [&] { clefs->DrawAll(); });
        PopPort();
    }
};

}  // namespace

struct ControlsSheet::Parts {
    SheetWnd sheet;
    CPaneBtn up, down, hot, disabled;
    CMenuBtn field;
    CSwitchBtn on, off;
    CTextPane pane;
    CNumMenu number;
    CMenuBox box;
    CClefMenu clefs;
};

ControlsSheet::ControlsSheet() : parts_(std::make_unique<Parts>()) {}
ControlsSheet::~ControlsSheet() {
    if (parts_->sheet.IsWindow()) parts_->sheet.DestroyWindow();
}

CWnd* ControlsSheet::Window() { return &parts_->sheet; }

bool ControlsSheet::Create() {
    Parts& p = *parts_;
    if (!p.sheet.Create(nullptr, "controls", WS_OVERLAPPED | WS_VISIBLE, RECT{0, 0, kWidth, kHeight}, nullptr, 0))
        return false;
    // Image buttons on their faces: up, down, hot, disabled.
    CPaneBtn* buttons[4] = {&p.up, &p.down, &p.hot, &p.disabled};
    for (int i = 0; i < 4; ++i) {
        const int x = 20 + i * 30;
        if (!buttons[i]->Create(&p.sheet, RECT{x, 20, x + 24, 44}, 5000 + i, 1000, 16, 16)) return false;
        buttons[i]->LoadImages(3);
        buttons[i]->SetFlag(1);
    }
    p.down.SetState(1);
    p.hot.hot = 1;
    p.disabled.SetEnabled(false);
    // A menu field, a switch on and off, a text pane.
    if (!p.field.Create(&p.sheet, RECT{20, 56, 160, 76}, 5010, true)) return false;
    p.field.SetText(fw::FromUtf8(kField).c_str());
    if (!p.on.Create(&p.sheet, RECT{170, 20, 260, 36}, 5011) || !p.off.Create(&p.sheet, RECT{170, 40, 260, 56}, 5012))
        return false;
    p.on.SetText(fw::FromUtf8(kSwitch).c_str());
    p.on.Toggle();
    p.off.SetText(fw::FromUtf8(kSwitch).c_str());
    if (!p.pane.Create(&p.sheet, RECT{20, 86, 160, 106})) return false;
    p.pane.SetFrame(false, false);
    p.pane.SetText(fw::FromUtf8(kPane).c_str());
    // The number popup for -64..63 with 3 chosen.
    p.number.minimum = -64;
    if (!p.number.Init(NumberPopupCellsPerColumn(-64, 63, false), 128, 32, 16, 0, 16)) return false;
    p.number.selection = 67;
    const SIZE n = p.number.WindowSize();
    p.number.SetWindowPos(nullptr, 0, 0, n.cx, n.cy, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
    p.sheet.number = &p.number;
    // A menu box of 128 items with the 61st current.
    if (!p.box.SetItemCount(128)) return false;
    for (int i = 0; i < 128; ++i) {
        char text[64];
        std::snprintf(text, sizeof text, "%s%d", fw::FromUtf8(kNote).c_str(), i);
        CMenuBox::NumberText(text, sizeof text, i, 40);
        p.box.SetItemText(i, text);
    }
    p.box.numberPrefix = 5;
    if (!p.box.Create(CMenuBox::kTemplate, nullptr)) return false;
    p.box.current = 60;
    p.box.Layout();
    p.box.SetWindowPos(nullptr, 0, 0, 5 + p.box.columns * p.box.columnWidth, 5 + p.box.visibleRows * p.box.rowHeight,
                       SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
    p.sheet.box = &p.box;
    // The clef picker with the treble clef chosen and the percussion clefs refused.
    if (!p.clefs.Setup(false)) return false;
    p.clefs.selection = 0;
    const SIZE c = p.clefs.WindowSize();
    p.clefs.SetWindowPos(nullptr, 0, 0, c.cx, c.cy, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
    p.sheet.clefs = &p.clefs;
    return true;
}

void ControlsSheet::Paint() {
    CWnd& w = parts_->sheet;
    w.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

bool ControlsSheet::Save(const std::string& path) {
    fw::PumpMessages();
    Paint();
    fw::PumpMessages();
    return parts_->sheet.SaveImage(path);
}
