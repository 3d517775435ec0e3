// Tool bars: buttons in rows, their states, painting and the press that sends a command.
#include "framework/ToolBar.h"

#include <QWidget>

#include <algorithm>
#include <map>

#include "framework/CodePage.h"
#include "framework/DC.h"
#include "framework/StringTable.h"
#include "framework/WindowImpl.h"

namespace fw {
namespace {
std::map<UINT, std::vector<UINT>>& Resources() {
    static std::map<UINT, std::vector<UINT>> table;
    return table;
}
UINT& BarIdCounter() {
    static UINT next = CToolBar::kFirstBarId;
    return next;
}
}  // namespace

const std::vector<UINT>* FindToolBarResource(UINT id) {
    auto it = Resources().find(id);
    return it == Resources().end() ? nullptr : &it->second;
}
void AddToolBarResource(UINT id, std::vector<UINT> commands) { Resources()[id] = std::move(commands); }
UINT NextControlBarId() { return BarIdCounter()++; }
void ResetControlBarIds() { BarIdCounter() = CToolBar::kFirstBarId; }
}  // namespace fw

namespace {
// The mask colour of the image strips.
constexpr COLORREF kMask = RGB(192, 192, 192);
// How long one turn of the press loop waits for input.
constexpr UINT kPressPollMs = 50;

std::string EntryPart(UINT id, bool afterLineFeed) {
    std::string s;
    if (!id || !fw::LoadStringResource(id, s)) return {};
    const auto lf = s.find('\n');
    if (afterLineFeed) return lf == std::string::npos ? s : s.substr(lf + 1);
    return lf == std::string::npos ? s : s.substr(0, lf);
}
}  // namespace

CToolBar::CToolBar() = default;
CToolBar::~CToolBar() = default;

BOOL CToolBar::CreateEx(CFrameWnd* frame, DWORD ctrlStyle, DWORD barStyle, const RECT& borders, UINT id) {
    if (!id) id = fw::NextControlBarId();
    ctrlStyle_ = ctrlStyle;
    borders_ = borders;
    if (!Create("", frame, id, barStyle, SIZE{button_.cx, button_.cy})) return FALSE;
    if (QWidget* w = impl()->widget) w->setMouseTracking(true);
    return TRUE;
}

BOOL CToolBar::LoadToolBar(UINT resourceId) {
    const std::vector<UINT>* commands = fw::FindToolBarResource(resourceId);
    if (!commands) return FALSE;
    items_.clear();
    int image = 0;
    for (UINT id : *commands) {
        Item item;
        item.id = id;
        if (!id) {
            item.style = TBBS_SEPARATOR;
            item.image = -1;
        } else {
            item.image = image++;
        }
        items_.push_back(item);
    }
    images_.Create(resourceId, image_.cx, 0, kMask);
    hot_ = -1;
    Layout();
    return TRUE;
}

void CToolBar::SetSizes(SIZE button, SIZE image) {
    button_ = button;
    image_ = image;
    Layout();
}

void CToolBar::SetBorders(int left, int top, int right, int bottom) {
    borders_ = RECT{left, top, right, bottom};
    Layout();
}

int CToolBar::CommandToIndex(UINT id) const {
    for (std::size_t i = 0; i < items_.size(); ++i)
        if (items_[i].id == id && items_[i].style != TBBS_SEPARATOR) return int(i);
    return -1;
}

UINT CToolBar::GetItemID(int index) const { return index >= 0 && index < GetCount() ? items_[index].id : 0; }

void CToolBar::GetItemRect(int index, RECT* rect) const {
    if (!rect) return;
    *rect = index >= 0 && index < GetCount() ? items_[index].rect : RECT{};
}

UINT CToolBar::GetButtonStyle(int index) const {
    return index >= 0 && index < GetCount() ? items_[index].style : 0;
}

void CToolBar::SetButtonInfo(int index, UINT id, UINT style, int widthOrImage) {
    if (index < 0 || index >= GetCount()) return;
    Item& item = items_[index];
    item.id = id;
    item.style = style;
    if (style & TBBS_SEPARATOR)
        item.width = widthOrImage;
    else
        item.image = widthOrImage;
    Layout();
    if (IsWindow()) Invalidate();
}

void CToolBar::SetRows(int rows, BOOL, RECT* rect) {
    rows_ = std::max(1, rows);
    Layout();
    if (rect) {
        const SIZE s = LayoutSize();
        *rect = RECT{0, 0, s.cx, s.cy};
    }
}

void CToolBar::Layout() {
    const int n = GetCount();
    const int perRow = std::max(1, (n + rows_ - 1) / rows_);
    int x = borders_.left, y = borders_.top, inRow = 0;
    for (Item& item : items_) {
        if (inRow == perRow) {
            x = borders_.left;
            y += button_.cy;
            inRow = 0;
        }
        const int w = item.style & TBBS_SEPARATOR ? item.width : button_.cx;
        item.rect = RECT{x, y, x + w, y + button_.cy};
        x += w;
        ++inRow;
    }
}

SIZE CToolBar::LayoutSize() const {
    LONG right = 0, bottom = 0;
    for (const Item& item : items_) {
        right = std::max(right, item.rect.right);
        bottom = std::max(bottom, item.rect.bottom);
    }
    if (items_.empty()) {
        right = borders_.left + button_.cx;
        bottom = borders_.top + button_.cy;
    }
    return SIZE{right + borders_.right, bottom + borders_.bottom};
}

SIZE CToolBar::CalcFixedLayout(BOOL stretch, BOOL horz) {
    const SIZE own = LayoutSize();
    if (stretch) return horz ? SIZE{32767, own.cy} : SIZE{own.cx, 32767};
    return own;
}

SIZE CToolBar::CalcDynamicLayout(int, DWORD mode) { return CalcFixedLayout((mode & LM_STRETCH) != 0, (mode & LM_HORZ) != 0); }

void CToolBar::CheckButton(int index, bool on) {
    if (index < 0 || index >= GetCount() || items_[index].checked == on) return;
    items_[index].checked = on;
    RedrawButton(index);
}

void CToolBar::EnableButton(int index, bool on) {
    if (index < 0 || index >= GetCount() || items_[index].enabled == on) return;
    items_[index].enabled = on;
    RedrawButton(index);
}

void CToolBar::PressButton(int index, bool on) {
    if (index < 0 || index >= GetCount() || items_[index].pressed == on) return;
    items_[index].pressed = on;
    RedrawButton(index);
}

bool CToolBar::IsButtonChecked(int index) const { return index >= 0 && index < GetCount() && items_[index].checked; }
bool CToolBar::IsButtonEnabled(int index) const { return index >= 0 && index < GetCount() && items_[index].enabled; }
bool CToolBar::IsButtonPressed(int index) const { return index >= 0 && index < GetCount() && items_[index].pressed; }

void CToolBar::SetHotItem(int index) {
    if (index < -1 || index >= GetCount()) index = -1;
    if (index == hot_) return;
    const int old = hot_;
    hot_ = index;
    RedrawButton(old);
    RedrawButton(hot_);
    if (QWidget* w = IsWindow() ? impl()->widget.data() : nullptr)
        w->setToolTip(hot_ < 0 ? QString() : QString::fromStdString(fw::ToUtf8(GetToolTipText(hot_))));
}

int CToolBar::HitTestButton(POINT pt) const {
    for (std::size_t i = 0; i < items_.size(); ++i) {
        const RECT& r = items_[i].rect;
        if (items_[i].style != TBBS_SEPARATOR && pt.x >= r.left && pt.x < r.right && pt.y >= r.top && pt.y < r.bottom)
            return int(i);
    }
    return -1;
}

int CToolBar::GetButtonImage(int index) const { return index >= 0 && index < GetCount() ? items_[index].image : -1; }
void CToolBar::SetButtonImage(int index, int image) {
    if (index < 0 || index >= GetCount()) return;
    items_[index].image = image;
    RedrawButton(index);
}

std::string CToolBar::GetToolTipText(int index) const { return EntryPart(GetItemID(index), true); }
std::string CToolBar::GetPromptText(int index) const { return EntryPart(GetItemID(index), false); }

void CToolBar::RedrawButton(int index) {
    if (index < 0 || index >= GetCount() || !IsWindow()) return;
    InvalidateRect(&items_[index].rect, FALSE);
}

void CToolBar::DrawBackground(CDC* dc, const RECT& client) { dc->FillSolidRect(&client, fw::GetSysColor(COLOR_BTNFACE)); }

void CToolBar::DrawButton(CDC* dc, int index, const RECT& rect) {
    const Item& item = items_[index];
    if (item.style & TBBS_SEPARATOR) return;
    const int x = rect.left + (rect.right - rect.left - image_.cx) / 2;
    const int y = rect.top + (rect.bottom - rect.top - image_.cy) / 2;
    const bool down = item.checked || item.pressed;
    images_.Draw(dc, item.image, x + (down ? 1 : 0), y + (down ? 1 : 0));
    RECT r = rect;
    if (down)
        dc->DrawEdge(&r, BDR_SUNKENOUTER, BF_RECT);
    else if (index == hot_ && item.enabled)
        dc->DrawEdge(&r, BDR_RAISEDINNER, BF_RECT);
    if (!item.enabled) {
        // Greyed: a light wash over the image.
        for (int py = rect.top + 1; py < rect.bottom - 1; py += 2)
            for (int px = rect.left + 1 + (py & 2 ? 1 : 0); px < rect.right - 1; px += 2)
                dc->SetPixel(px, py, fw::GetSysColor(COLOR_BTNFACE));
    }
}

void CToolBar::OnPaint() {
    CPaintDC dc(this);
    RECT client;
    GetClientRect(&client);
    DrawBackground(&dc, client);
    for (int i = 0; i < GetCount(); ++i) DrawButton(&dc, i, items_[i].rect);
}

void CToolBar::SendButtonCommand(int index) {
    const UINT id = GetItemID(index);
    if (!id || !IsButtonEnabled(index)) return;
    CWnd* to = GetDockingFrame();
    if (!to) to = GetParent();
    if (to) to->SendMessage(WM_COMMAND, WPARAM(id & 0xFFFF), LPARAM(this));
}

void CToolBar::TrackPress(POINT pt, bool doubleClick) {
    const int index = HitTestButton(pt);
    if (index < 0 || !IsButtonEnabled(index)) return;
    auto over = [&] {
        POINT p;
        fw::GetCursorPos(&p);
        ScreenToClient(&p);
        return HitTestButton(p) == index;
    };
    PressButton(index, true);
    if (!doubleClick) {
        SetCapture();
        while (fw::MouseLoopStep(kPressPollMs)) PressButton(index, over());
        ReleaseCapture();
    }
    const bool send = doubleClick || over();
    PressButton(index, false);
    if (send) SendButtonCommand(index);
}

void CToolBar::OnLButtonDown(UINT, POINT pt) { TrackPress(pt, false); }
void CToolBar::OnLButtonDblClk(UINT, POINT pt) { TrackPress(pt, true); }
void CToolBar::OnMouseMove(UINT, POINT pt) { SetHotItem(HitTestButton(pt)); }
