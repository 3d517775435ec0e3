#include "platform/StdDlg.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "framework/CodePage.h"
#include "framework/Input.h"
#include "framework/Controls.h"
#include "framework/MessageBox.h"
#include "platform/Artist.h"
#include "platform/DlgEdit.h"
#include "platform/FontMap.h"
#include "platform/GridList.h"
#include "platform/Numeric.h"
#include "platform/PlatformGlobals.h"
#include "platform/Port.h"
#include "platform/PortLayer.h"
#include "platform/StdDlgGlobals.h"
#include "platform/Theory.h"

namespace {

constexpr UINT_PTR kTickTimerId = 2;
constexpr UINT kTickMs = 60;

// A client DC of a window made the current port for as long as it lives.
class ClientPort {
public:
    explicit ClientPort(CWnd* wnd) : dc_(wnd) { PushPort(&dc_); }
    ~ClientPort() { PopPort(); }
    ClientPort(const ClientPort&) = delete;
    ClientPort& operator=(const ClientPort&) = delete;

private:
    CClientDC dc_;
};

// Reads a decimal text into tenths (places 1) or hundredths (places 2): leading zeros
// skipped, digits beyond the allowed fraction digits ignored, missing ones filled with zeros,
// reading stops at the first other character.
std::int32_t ReadDecimal(const char* text, int places) {
    const char* p = text;
    while (*p == ' ') ++p;
    bool negative = false;
    if (*p == '-') {
        negative = true;
        ++p;
    }
    long long whole = 0;
    while (*p >= '0' && *p <= '9') {
        whole = std::min(whole * 10 + (*p - '0'), 1000000000LL);
        ++p;
    }
    int fraction = 0, digits = 0;
    if (*p == '.') {
        ++p;
        while (*p >= '0' && *p <= '9') {
            if (digits < places) {
                fraction = fraction * 10 + (*p - '0');
                ++digits;
            }
            ++p;
        }
    }
    for (; digits < places; ++digits) fraction *= 10;
    const long long unit = places == 1 ? 10 : 100;
    long long v = whole * unit + fraction;
    if (negative) v = -v;
    return std::int32_t(std::clamp(v, -2000000000LL, 2000000000LL));
}

// The visible child window under a point of the dialog (the dialog itself when none, null
// outside), skipping windows made transparent (WS_EX_TRANSPARENT); labels count as children
// here, though they let mouse presses through to the dialog.
CWnd* VisibleChildAt(CWnd* dlg, POINT pt) {
    RECT client;
    dlg->GetClientRect(&client);
    if (pt.x < client.left || pt.x >= client.right || pt.y < client.top || pt.y >= client.bottom) return nullptr;
    const std::vector<CWnd*> children = dlg->GetChildren();
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        CWnd* c = *it;
        if (!c->IsWindowVisible() || (c->GetExStyle() & WS_EX_TRANSPARENT)) continue;
        RECT r;
        c->GetWindowRect(&r);
        dlg->ScreenToClient(&r);
        if (pt.x >= r.left && pt.x < r.right && pt.y >= r.top && pt.y < r.bottom) return c;
    }
    return dlg;
}

}  // namespace

// ---- construction and running -------------------------------------------------------------

CStdDlg::CStdDlg() = default;

CStdDlg::~CStdDlg() {
    EndNumericEntry();
    while (!numericFields.empty()) numericFields.pop_back();
}

bool CStdDlg::RunModal(UINT templateId) {
    ReleaseCapture();
    SavePortState();
    m_pParentWnd = nullptr;
    m_nTemplateId = templateId;
    m_nIDHelp = templateId;
    const INT_PTR result = DoModal();
    EndNumericEntry();
    PopPort();
    return result == IDOK;
}

BOOL CStdDlg::OnInitDialog() {
    initialising = 1;
    CDialog::OnInitDialog();
    CenterWindow();
    {
        ClientPort port(this);
        InitControls();
    }
    ready = 1;
    tickTimer = std::uint32_t(SetTimer(kTickTimerId, kTickMs));
    g_ui.clickCount = 0;
    initialising = 0;
    return FALSE;
}

void CStdDlg::OnDestroy() {
    if (tickTimer != std::uint32_t(-1)) {
        KillTimer(tickTimer);
        tickTimer = std::uint32_t(-1);
    }
    CDialog::OnDestroy();
}

void CStdDlg::OnTimer(UINT_PTR) {
    ClientPort port(this);
    OnTick();
    // A dialog without a tick of its own lets its timer go: nothing wakes for it at rest.
    if (noTick_ && tickTimer != std::uint32_t(-1)) {
        KillTimer(tickTimer);
        tickTimer = std::uint32_t(-1);
    }
}

// ---- default hooks ----------------------------------------------------------------------------

void CStdDlg::InitControls() {}
void CStdDlg::OnControl(int id) { exitCode = std::int16_t(id); }
void CStdDlg::OnControlTrack(int) {}

void CStdDlg::DrawControl(int id) {
    RECT r;
    GetControlRect(id, &r);
    if (CArtist* a = GetArtist()) a->FrameRectangle(r);
}

void CStdDlg::DrawGridCell(int, int) {}
bool CStdDlg::OnKey(UINT, UINT) { return false; }
bool CStdDlg::OnTick() {
    noTick_ = true;
    return false;
}
void CStdDlg::OnNumericValue(int) {}

void CStdDlg::EndNumericEntry() {
    if (activeNumeric) {
        activeNumeric->EndEdit();
        if (activeNumeric) {
            CDlgNumeric* n = activeNumeric;
            activeNumeric = nullptr;
            delete n;
        }
    }
    g_ui.currentNumeric = nullptr;
}

bool CStdDlg::OnSetCursorAt(int, int) { return false; }
bool CStdDlg::WantsArrowKeys() { return true; }
std::int16_t CStdDlg::GetScrollPageStep(int) { return 1; }
std::int16_t CStdDlg::GetScrollLineStep(int) { return 1; }

std::int16_t CStdDlg::GetScrollMin(int id) {
    auto* bar = dynamic_cast<CScrollBar*>(GetDlgItem(id));
    if (!bar) return 0;
    int lo = 0, hi = 0;
    bar->GetScrollRange(&lo, &hi);
    return std::int16_t(lo);
}

std::int16_t CStdDlg::GetScrollMax(int id) {
    auto* bar = dynamic_cast<CScrollBar*>(GetDlgItem(id));
    if (!bar) return 0;
    int lo = 0, hi = 0;
    bar->GetScrollRange(&lo, &hi);
    return std::int16_t(hi);
}

std::int16_t CStdDlg::GetScrollPos(int id) {
    auto* bar = dynamic_cast<CScrollBar*>(GetDlgItem(id));
    return bar ? std::int16_t(bar->GetScrollPos()) : 0;
}

void CStdDlg::SetScrollMin(int id, int minimum) { SetScrollRange(id, minimum, GetScrollMax(id)); }
void CStdDlg::SetScrollMax(int id, int maximum) { SetScrollRange(id, GetScrollMin(id), maximum); }

void CStdDlg::SetScrollRange(int id, int minimum, int maximum) {
    if (auto* bar = dynamic_cast<CScrollBar*>(GetDlgItem(id))) bar->SetScrollRange(minimum, maximum, TRUE);
}

void CStdDlg::SetScrollPos(int id, int pos) {
    if (auto* bar = dynamic_cast<CScrollBar*>(GetDlgItem(id))) bar->SetScrollPos(pos, TRUE);
}

bool CStdDlg::IsSlider(int id) const {
    return std::find(sliderIds.begin(), sliderIds.end(), std::int16_t(id)) != sliderIds.end();
}

void CStdDlg::RegisterSlider(int id) {
    if (!IsSlider(id)) sliderIds.push_back(std::int16_t(id));
}

int CStdDlg::GetSliderTicPos(int id, int tick) { return int(SendDlgItemMessage(id, TBM_GETTICPOS, WPARAM(tick))); }
int CStdDlg::GetSliderMin(int id) { return int(SendDlgItemMessage(id, TBM_GETRANGEMIN)); }
int CStdDlg::GetSliderMax(int id) { return int(SendDlgItemMessage(id, TBM_GETRANGEMAX)); }
int CStdDlg::GetSliderPos(int id) { return int(SendDlgItemMessage(id, TBM_GETPOS)); }
void CStdDlg::SetSliderMin(int id, int minimum) { SendDlgItemMessage(id, TBM_SETRANGEMIN, FALSE, LPARAM(minimum)); }
void CStdDlg::SetSliderMax(int id, int maximum) { SendDlgItemMessage(id, TBM_SETRANGEMAX, FALSE, LPARAM(maximum)); }

void CStdDlg::SetupSlider(int id, int minimum, int maximum, int ticFrequency) {
    SendDlgItemMessage(id, TBM_SETRANGE, FALSE, MAKELPARAM(minimum, maximum));
    SendDlgItemMessage(id, TBM_SETTICFREQ, WPARAM(ticFrequency));
    RegisterSlider(id);
}

void CStdDlg::SetSliderPos(int id, int pos) {
    SendDlgItemMessage(id, TBM_SETPOS, TRUE, LPARAM(pos));
    RegisterSlider(id);
}

void CStdDlg::OnEditChange(int id) { PerformControl(id); }
void CStdDlg::OnEditKillFocus(int) {}

// ---- control helpers --------------------------------------------------------------------------

bool CStdDlg::GetCheck(int id) { return IsDlgButtonChecked(id) != 0; }
void CStdDlg::SetCheck(int id, bool on) { CheckDlgButton(id, on ? BST_CHECKED : BST_UNCHECKED); }
void CStdDlg::ToggleCheck(int id) { SetCheck(id, !GetCheck(id)); }

void CStdDlg::EnableControl(int id, bool enable) {
    if (CWnd* c = GetDlgItem(id)) c->EnableWindow(enable ? TRUE : FALSE);
}

void CStdDlg::ShowControl(int id) {
    if (CWnd* c = GetDlgItem(id)) c->ShowWindow(SW_SHOW);
}

void CStdDlg::HideControl(int id) {
    if (CWnd* c = GetDlgItem(id)) c->ShowWindow(SW_HIDE);
}

void CStdDlg::SetButtonIcon(int id, UINT iconId) { SendDlgItemMessage(id, BM_SETIMAGE, IMAGE_ICON, LPARAM(iconId)); }

void CStdDlg::GetText(int id, char* buffer, std::size_t size) {
    if (!buffer || size == 0) return;
    buffer[0] = 0;
    GetDlgItemText(id, buffer, int(std::min<std::size_t>(size, 0x7FFFFFFF)));
    buffer[size - 1] = 0;
}

void CStdDlg::SetText(int id, const char* text) { SetDlgItemText(id, text ? text : ""); }
void CStdDlg::SetInt(int id, int value) { SetDlgItemInt(id, UINT(value), TRUE); }
int CStdDlg::GetInt(int id) { return int(GetDlgItemInt(id, nullptr, TRUE)); }

void CStdDlg::GetControlRect(int id, RECT* rect) {
    if (!rect) return;
    *rect = RECT{};
    if (CWnd* c = GetDlgItem(id)) {
        c->GetWindowRect(rect);
        ScreenToClient(rect);
    }
}

void CStdDlg::MoveControl(int id, const RECT& rect) {
    if (CWnd* c = GetDlgItem(id)) c->MoveWindow(rect, FALSE);
}

void CStdDlg::OffsetControl(int id, int dx, int dy) {
    RECT r;
    GetControlRect(id, &r);
    r.left += dx;
    r.right += dx;
    r.top += dy;
    r.bottom += dy;
    if (CWnd* c = GetDlgItem(id)) c->MoveWindow(r, TRUE);
}

void CStdDlg::SelectAllText(int id) {
    CWnd* c = GetDlgItem(id);
    if (!c) return;
    c->SetFocus();
    c->SendMessage(EM_SETSEL, 0, -1);
    c->SendMessage(EM_SCROLLCARET);
}

void CStdDlg::GotoControl(int id) {
    SelectAllText(id);
    if (CWnd* c = GetDlgItem(id)) GotoDlgCtrl(c);
}

void CStdDlg::AddDrawnControl(int id, int kind) {
    for (const DrawnControl& d : drawnControls)
        if (d.id == id) return;
    drawnControls.push_back(DrawnControl{std::int16_t(id), std::int16_t(kind)});
}

void CStdDlg::PlaceScrollBar(int listId, int scrollId, int overlap) {
    RECT l, s;
    GetControlRect(listId, &l);
    GetControlRect(scrollId, &s);
    if (s.right - s.left > s.bottom - s.top) {
        s.left = l.left;
        s.right = l.right;
        s.top = l.bottom + 1;
        s.bottom = l.bottom + 1 + fw::GetWindowMetric(SM_CYHSCROLL);
    } else {
        s.top = l.top;
        s.bottom = l.bottom + 1;
        s.left = l.right + 1;
        s.right = l.right + 1 + fw::GetWindowMetric(SM_CXVSCROLL);
    }
    if (overlap) {
        s.top -= overlap - 1;
        s.bottom -= 1;
    }
    MoveControl(scrollId, s);
    AddDrawnControl(listId, 1);
}

void CStdDlg::AttachGrid(CDlgGrid* grid, int overlap) {
    if (!grid) return;
    AddDrawnControl(grid->controlId, 1);
    MoveControl(grid->controlId, grid->rect);
    if (grid->scrollBarId) {
        PlaceScrollBar(grid->controlId, grid->scrollBarId, overlap);
        SetScrollRange(grid->scrollBarId, 0, std::max(0, grid->rowCount - grid->visibleRows));
        SetScrollPos(grid->scrollBarId, grid->topRow);
    }
}

void CStdDlg::GetComboText(int id, int index, char* buffer, std::size_t size) {
    if (!buffer || size == 0) return;
    buffer[0] = 0;
    const LRESULT len = SendDlgItemMessage(id, CB_GETLBTEXTLEN, WPARAM(index));
    if (len < 0) return;
    std::string text(std::size_t(len) + 1, '\0');
    SendDlgItemMessage(id, CB_GETLBTEXT, WPARAM(index), LPARAM(text.data()));
    fw::CopyText(buffer, size, text.c_str());
}

int CStdDlg::GetComboSel(int id) { return int(SendDlgItemMessage(id, CB_GETCURSEL)); }
void CStdDlg::SetComboSel(int id, int index) { SendDlgItemMessage(id, CB_SETCURSEL, WPARAM(index)); }
int CStdDlg::GetComboCount(int id) { return int(SendDlgItemMessage(id, CB_GETCOUNT)); }
void CStdDlg::ClearCombo(int id) { SendDlgItemMessage(id, CB_RESETCONTENT); }

int CStdDlg::AddComboString(int id, const char* text) {
    return int(SendDlgItemMessage(id, CB_ADDSTRING, 0, LPARAM(text ? text : "")));
}

void CStdDlg::DeleteComboString(int id, int index) {
    if (index == -1)
        ClearCombo(id);
    else
        SendDlgItemMessage(id, CB_DELETESTRING, WPARAM(index));
}

void CStdDlg::SizeComboDropDown(int id, const RECT* rect) {
    if (GetComboCount(id) == 1) return;
    if (rect) {
        MoveControl(id, *rect);
        return;
    }
    CWnd* c = GetDlgItem(id);
    if (!c) return;
    RECT r;
    GetControlRect(id, &r);
    const int field = int(SendDlgItemMessage(id, CB_GETITEMHEIGHT, WPARAM(-1)));
    const int entry = int(SendDlgItemMessage(id, CB_GETITEMHEIGHT, 0));
    int height = std::int16_t(field + (entry + 4) * GetComboCount(id));
    RECT screen;
    GetScreenRectBelowCaption(&screen);
    RECT onScreen = r;
    ClientToScreen(&onScreen);
    while (height > entry && onScreen.top + height > screen.bottom) height -= entry;
    r.bottom = r.top + height;
    MoveControl(id, r);
}

void CStdDlg::DrawTextField(int id, int style, const char* text) {
    CArtist* a = GetArtist();
    if (!a) return;
    RECT r;
    GetControlRect(id, &r);
    a->DrawButtonEdge(r, false);
    RECT inner{r.left + 2, r.top + 2, r.right - 2, r.bottom - 2};
    a->FillRectColor(inner, 130);
    a->UseFontA();
    a->SetFontStyle(style);
    char buf[256];
    fw::CopyText(buf, sizeof buf - 2, text ? text : "");
    FitTextToWidth(buf, r.right - r.left - 4, true);
    a->DrawText(r.left + 2, r.bottom - 3, buf);
}

void CStdDlg::PerformControl(int id) {
    if (!initialising) DispatchControl(id);
}

void CStdDlg::DispatchControl(int id) {
    ClientPort port(this);
    ReadModifierKeys();
    exitCode = std::int16_t(id);
    EndNumericEntry();
    OnControl(exitCode);
}

void CStdDlg::DispatchControlTrack(int id) {
    ClientPort port(this);
    ReadModifierKeys();
    exitCode = std::int16_t(id);
    EndNumericEntry();
    OnControlTrack(exitCode);
}

// ---- numeric fields ---------------------------------------------------------------------------

int CStdDlg::FindNumericField(int id) const {
    for (std::size_t i = 0; i < numericFields.size(); ++i)
        if (numericFields[i]->id == id) return int(i);
    return -1;
}

void CStdDlg::SetupNumericField(int id, int format, int value, int minimum, int maximum, bool minAsEmpty) {
    int index = FindNumericField(id);
    if (index < 0) {
        auto field = std::make_unique<CDlgEdit>();
        field->SubclassDlgItem(UINT(id), this);
        numericFields.push_back(std::move(field));
        index = int(numericFields.size()) - 1;
    }
    CDlgEdit* f = numericFields[std::size_t(index)].get();
    f->id = std::int16_t(id);
    f->format = std::int16_t(format);
    f->minimum = std::int16_t(minimum);
    f->maximum = std::int16_t(maximum);
    f->minAsEmpty = std::int16_t(minAsEmpty ? 1 : 0);
    f->dialog = this;

    std::string text;
    int written = value;
    if (format == kFormatNoteName) {
        if (value != -1) CTheory::AppendOctave(value, 0, g_platform.noteNameStyle, text);
    } else if (format == kFormatTenths || format == kFormatHundredths) {
        char buf[32];
        const int unit = format == kFormatTenths ? 10 : 100;
        const int whole = std::abs(value) / unit, frac = std::abs(value) % unit;
        std::snprintf(buf, sizeof buf, format == kFormatTenths ? "%s%d.%d" : "%s%d.%02d", value < 0 ? "-" : "", whole,
                      frac);
        text = buf;
    } else {
        written = std::clamp(value, minimum, std::max(minimum, maximum));
        text = std::to_string(written);
    }
    if (format != kFormatNoteName && minAsEmpty && written == minimum) text.clear();
    SetText(id, text.c_str());
}

std::int32_t CStdDlg::GetNumericField(int id) {
    char text[32];
    GetText(id, text);
    const int index = FindNumericField(id);
    if (index < 0) return std::atoi(text);
    const CDlgEdit* f = numericFields[std::size_t(index)].get();
    if (f->minAsEmpty && text[0] == 0) return f->minimum;
    std::int32_t v;
    if (f->format == kFormatTenths || f->format == kFormatHundredths) {
        if (std::strcmp(text, ".") == 0) {
            SetText(id, "0.");
            std::strcpy(text, "0.");
        }
        v = ReadDecimal(text, f->format == kFormatTenths ? 1 : 2);
    } else if (f->format == kFormatNoteName) {
        text[7] = 0;
        v = CTheory::ParseNoteName(text, g_platform.noteNameStyle);
    } else {
        v = std::atoi(text);
    }
    return std::clamp(v, std::int32_t(f->minimum), std::max(std::int32_t(f->minimum), std::int32_t(f->maximum)));
}

void CStdDlg::SetNoteField(int id, int pitch) {
    std::string text;
    if (pitch != -1) CTheory::AppendOctave(pitch, 0, g_platform.noteNameStyle, text);
    SetText(id, text.c_str());
}

int CStdDlg::GetNoteField(int id) {
    char text[32];
    GetText(id, text);
    if (text[0] == 0) return -1;
    text[7] = 0;
    return CTheory::ParseNoteName(text, g_platform.noteNameStyle);
}

void CStdDlg::SetupMeasureField(int id, std::int32_t twips, std::int32_t minTwips, std::int32_t maxTwips) {
    SetupNumericField(id, kFormatHundredths, TwipsToDisplayUnits(twips), TwipsToDisplayUnits(minTwips),
                      TwipsToDisplayUnits(maxTwips), false);
}

std::int32_t CStdDlg::GetMeasureField(int id) {
    const std::int32_t shown = GetNumericField(id);
    std::int32_t twips = DisplayUnitsToTwips(shown);
    // Steps to the twips that show exactly the value again (the conversion rounds).
    for (int i = 0; i < 64 && TwipsToDisplayUnits(twips) < shown; ++i) ++twips;
    for (int i = 0; i < 64 && TwipsToDisplayUnits(twips) > shown; ++i) --twips;
    return twips;
}

bool CStdDlg::IsFieldOutOfRange(int id, int low, int high) {
    const std::int32_t v = GetNumericField(id);
    return v < low || v > high;
}

bool CStdDlg::DragNumericField(int id, int format, int minimum, int maximum, bool minAsEmpty) {
    CEditNumeric field;
    RECT r;
    GetControlRect(id, &r);
    const int value = format == kFormatNoteName ? GetNoteField(id) : int(GetNumericField(id));
    field.Init(value, minimum, maximum, r, minAsEmpty ? "" : nullptr);
    field.Attach(this, id);
    field.noteName = format == kFormatNoteName ? 1 : 0;
    field.powerOfTwo = format == kFormatPowerOfTwo ? 1 : 0;
    field.decimals = format == kFormatTenths ? 1 : format == kFormatHundredths ? 2 : 0;
    field.DragChange();
    const bool changed = field.changed != 0;
    if (activeNumeric == &field) activeNumeric = nullptr;
    return changed;
}

// ---- font combos ------------------------------------------------------------------------------

void CStdDlg::FillFontCombo(int id) {
    ClearCombo(id);
    if (CFontList* list = GetFontList())
        for (int i = 0; i < list->GetCount(); ++i) AddComboString(id, list->GetFaceName(i));
}

int CStdDlg::GetFontComboFace(int id) {
    const int sel = GetComboSel(id);
    if (sel < 0) return -1;
    char name[64];
    GetComboText(id, sel, name, sizeof name);
    FontRef ref;
    CFontList* list = GetFontList();
    if (!list || !list->FindFace(name, &ref, true)) return 0;
    return ref.face;
}

int CStdDlg::GetSizeComboValue(int id) {
    const int sel = GetComboSel(id);
    if (sel < 0) return 0;
    char text[32];
    GetComboText(id, sel, text, sizeof text);
    return std::max(6, std::atoi(text));
}

int CStdDlg::GetStyleComboValue(int id) {
    const int sel = GetComboSel(id);
    return sel >= 1 && sel <= 3 ? sel : 0;
}

void CStdDlg::SelectFontInCombo(int id, int face) {
    CFontList* list = GetFontList();
    if (!list || face < 0 || face >= list->GetCount()) return;
    const char* name = list->GetFaceName(face);
    if (!name || !*name) return;
    const LRESULT index = SendDlgItemMessage(id, CB_FINDSTRING, WPARAM(-1), LPARAM(name));
    if (index != CB_ERR) SetComboSel(id, int(index));
}

void CStdDlg::SelectSizeInCombo(int id, int size) {
    const int count = GetComboCount(id);
    char text[32];
    for (int i = 0; i < count; ++i) {
        GetComboText(id, i, text, sizeof text);
        if (std::atoi(text) == size) {
            SetComboSel(id, i);
            return;
        }
    }
}

void CStdDlg::SelectStyleInCombo(int id, int style) {
    if (style >= 0 && style <= 3) SetComboSel(id, style);
}

bool CStdDlg::ChooseFontRef(FontRef* ref) {
    CFontList* list = GetFontList();
    return list && list->ChooseFont(ref);
}

// ---- messages ---------------------------------------------------------------------------------

BOOL CStdDlg::PassCommand(WPARAM wParam, LPARAM lParam) {
    const int id = LOWORD(DWORD(wParam));
    const UINT code = HIWORD(DWORD(wParam));
    if (lParam && code == EN_CHANGE) {
        OnEditChange(id);
        return TRUE;
    }
    if (lParam && code == EN_KILLFOCUS) {
        OnEditKillFocus(id);
        return TRUE;
    }
    return CDialog::OnCommand(wParam, lParam);
}

BOOL CStdDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (activeEditBox) {
        const UINT id = LOWORD(DWORD(wParam));
        if (id == IDOK || id == IDCANCEL) {
            ClientPort port(this);
            EndNumericEntry();
        }
        return PassCommand(wParam, lParam);
    }
    if (dispatching) return PassCommand(wParam, lParam);
    dispatching = 1;
    const UINT code = HIWORD(DWORD(wParam));
    if (code == CBN_SELENDOK || code == CBN_SELCHANGE) wParam = LOWORD(DWORD(wParam));
    if (ready && ((lParam != 0 && wParam <= 0x7FFF) || g_ui.clickCount == 2)) {
        DispatchControl(LOWORD(DWORD(wParam)));
        if (exitCode != IDOK && exitCode != IDCANCEL) {
            dispatching = 0;
            return TRUE;
        }
        wParam = WPARAM(exitCode);
    }
    dispatching = 0;
    return PassCommand(wParam, lParam);
}

void CStdDlg::OnDrawItem(int id, DRAWITEMSTRUCT* dis) {
    for (const DrawnControl& d : drawnControls) {
        if (d.id != id) continue;
        CWnd* c = GetDlgItem(id);
        if (!c || !c->IsWindowVisible()) return;
        ClientPort port(this);
        if (d.kind != 0) {
            RECT r;
            GetControlRect(id, &r);
            if (CDC* dc = GetCurrentPort()) dc->FillSolidRect(&r, RGB(255, 255, 255));
        }
        DrawControl(id);
        return;
    }
}

void CStdDlg::ScrollBarAction(int id, UINT code, UINT pos) {
    ClientPort port(this);
    exitCode = std::int16_t(id);
    EndNumericEntry();
    const std::int16_t lo = GetScrollMin(id), hi = GetScrollMax(id), current = GetScrollPos(id);
    std::int16_t next;
    switch (code) {
    case SB_LINEUP: next = std::int16_t(current - GetScrollLineStep(id)); break;
    case SB_LINEDOWN: next = std::int16_t(current + GetScrollLineStep(id)); break;
    case SB_PAGEUP: next = std::int16_t(current - GetScrollPageStep(id)); break;
    case SB_PAGEDOWN: next = std::int16_t(current + GetScrollPageStep(id)); break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: next = std::int16_t(pos); break;
    default: return;
    }
    if (next < lo) next = lo;
    if (next > hi) next = hi;
    if (next != current) SetScrollPos(id, next);
}

void CStdDlg::OnVScroll(UINT code, UINT pos, CScrollBar* bar) {
    if (!bar) {
        CDialog::OnVScroll(code, pos, bar);
        return;
    }
    ScrollBarAction(bar->GetDlgCtrlID(), code, pos);
}

void CStdDlg::OnHScroll(UINT code, UINT pos, CScrollBar* bar) {
    CWnd* from = bar;
    if (!from) {
        CDialog::OnHScroll(code, pos, bar);
        return;
    }
    const int id = from->GetDlgCtrlID();
    if (IsSlider(id)) {
        if (code == TB_ENDTRACK)
            DispatchControl(id);
        else if (code == TB_THUMBTRACK)
            DispatchControlTrack(id);
        return;
    }
    ScrollBarAction(id, code, pos);
}

void CStdDlg::OnKeyDown(UINT vk, UINT repeat, UINT flags) {
    if (g_ui.currentNumeric) {
        if (g_ui.currentNumeric->TypeKey(vk, flags)) return;
    } else if (OnKey(vk, flags)) {
        return;
    }
    CDialog::OnKeyDown(vk, repeat, flags);
}

BOOL CStdDlg::OnSetCursor(CWnd* wnd, UINT hitTest, UINT message) {
    POINT pt;
    fw::GetCursorPos(&pt);
    ScreenToClient(&pt);
    if (OnSetCursorAt(pt.x, pt.y)) return TRUE;
    return CDialog::OnSetCursor(wnd, hitTest, message);
}

BOOL CStdDlg::PreTranslateMessage(MSG* msg) {
    if (!msg) return FALSE;
    POINT pt = msg->pt;
    ScreenToClient(&pt);
    bool click = false;
    switch (msg->message) {
    case WM_VSCROLL: g_ui.clickCount = 1; break;
    case WM_LBUTTONDOWN:
        g_ui.clickCount = 1;
        click = true;
        break;
    case WM_LBUTTONDBLCLK:
        g_ui.clickCount = 2;
        click = true;
        break;
    case WM_RBUTTONDOWN:
        // A right click acts as a left click.
        g_ui.clickCount = 1;
        msg->message = WM_LBUTTONDOWN;
        click = true;
        break;
    case WM_KEYDOWN: {
        MSG copy = *msg;
        TranslateMessage(&copy);
        MSG ch;
        if (PeekMessage(&ch, nullptr, WM_CHAR, WM_CHAR, PM_NOREMOVE)) {
            UINT code = UINT(ch.wParam);
            if (code == 13 && (DWORD(ch.lParam) & KF_EXTENDED_LPARAM)) code = 3;
            bool handled;
            {
                ClientPort port(this);
                if (g_ui.currentNumeric)
                    handled = g_ui.currentNumeric->TypeKey(code, 0);
                else
                    handled = OnKey(code, UINT(ch.lParam));
            }
            if (handled) {
                PeekMessage(&ch, nullptr, WM_CHAR, WM_CHAR, PM_REMOVE);
                return TRUE;
            }
            return CDialog::PreTranslateMessage(msg);
        }
        if (!activeEditBox && WantsArrowKeys()) {
            UINT code = 0;
            switch (UINT(msg->wParam)) {
            case VK_LEFT: code = 28; break;
            case VK_RIGHT: code = 29; break;
            case VK_UP: code = 30; break;
            case VK_DOWN: code = 31; break;
            case VK_DELETE: code = 127; break;
            default: break;
            }
            if (code) {
                bool handled;
                {
                    ClientPort port(this);
                    handled = OnKey(code, 0);
                }
                if (handled) return TRUE;
            }
            return CDialog::PreTranslateMessage(msg);
        }
        break;
    }
    default: break;
    }
    if (click) {
        CWnd* child = VisibleChildAt(this, pt);
        if (child && child != this) {
            if (activeEditBox) {
                exitCode = 0;
                ClientPort port(this);
                EndNumericEntry();
            }
            for (const DrawnControl& d : drawnControls) {
                CWnd* c = GetDlgItem(d.id);
                if (!c || !c->IsWindowVisible()) continue;
                RECT r;
                GetControlRect(d.id, &r);
                if (pt.x >= r.left && pt.x < r.right && pt.y >= r.top && pt.y < r.bottom) {
                    PostMessage(WM_COMMAND, WPARAM(d.id), LPARAM(c));
                    return TRUE;
                }
            }
        } else if (child == this && g_ui.clickCount != 0) {
            exitCode = 0;
            ClientPort port(this);
            EndNumericEntry();
        }
    }
    return CDialog::PreTranslateMessage(msg);
}

// ---- progress dialog ---------------------------------------------------------------------------

namespace {
CProgressDlg* g_currentProgress = nullptr;
constexpr int kProgressBarId = 5;
constexpr int kTitleId = 3;
constexpr int kMessageId = 4;
}  // namespace

CProgressDlg::~CProgressDlg() {
    if (g_currentProgress == this) g_currentProgress = nullptr;
}

CProgressDlg* CProgressDlg::Current() { return g_currentProgress; }

bool CProgressDlg::Open(UINT templateId) {
    if (!Create(templateId, nullptr)) return false;
    CenterWindow();
    ShowWindow(SW_SHOW);
    UpdateWindow();
    g_currentProgress = this;
    progressBar = GetDlgItem(kProgressBarId);
    if (progressBar) {
        progressBar->SendMessage(PBM_SETSTEP, 1);
        progressBar->SendMessage(PBM_SETPOS, 0);
    }
    return true;
}

void CProgressDlg::Close() {
    ShowWindow(SW_HIDE);
    if (g_currentProgress == this) g_currentProgress = nullptr;
}

void CProgressDlg::SetRange(int low, int high) {
    if (progressBar) progressBar->SendMessage(PBM_SETRANGE, 0, MAKELPARAM(low, high));
}

void CProgressDlg::SetTitle(const char* text) {
    if (progressBar) SetText(kTitleId, text);
}

void CProgressDlg::SetTitleString(UINT stringId) {
    char text[256];
    LoadResString(stringId, text);
    SetTitle(text);
}

void CProgressDlg::SetMessage(const char* text) {
    if (progressBar) SetText(kMessageId, text);
}

void CProgressDlg::SetMessageString(UINT stringId) {
    char text[256];
    LoadResString(stringId, text);
    SetMessage(text);
}

void CProgressDlg::SetMessageInt(int n) {
    if (progressBar) SetInt(kMessageId, n);
}

bool CProgressDlg::IsCancelled() {
    // Lets the dialog paint and the pointer and buttons follow the user.
    fw::PumpMessages();
    if (!IsMouseDown()) return false;
    CWnd* cancel = GetDlgItem(IDCANCEL);
    if (!cancel) return false;
    POINT pt;
    fw::GetCursorPos(&pt);
    RECT r;
    cancel->GetWindowRect(&r);
    return pt.x >= r.left && pt.x < r.right && pt.y >= r.top && pt.y < r.bottom;
}

bool CProgressDlg::Step() {
    if (!progressBar) return true;
    progressBar->SendMessage(PBM_STEPIT);
    return !IsCancelled();
}

bool CProgressDlg::SetPos(int pos) {
    if (!progressBar) return true;
    progressBar->SendMessage(PBM_SETPOS, WPARAM(pos));
    return !IsCancelled();
}

bool CProgressDlg::StepCurrent() { return g_currentProgress ? g_currentProgress->Step() : true; }
