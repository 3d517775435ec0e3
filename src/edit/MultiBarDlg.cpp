#include "edit/MultiBarDlg.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "framework/Window.h"
#include "model/Record.h"
#include "platform/Artist.h"
#include "platform/Port.h"

namespace {
// The preview's staff: five lines (bits 6-10 of the line mask) 7 apart, reaching 26 past the
// area on each side.
constexpr int kLineMask = 1984, kLineGap = 7, kStaffOverhang = 26;
constexpr int kThinPen = 20, kThickPen = 80;
constexpr int kEndStroke = 7, kJazzRise = 7;

FontRef ScaledSevenSixths(FontRef f) {
    f.size = std::uint16_t(f.size * 7 / 6);
    return f;
}
}  // namespace

int CMultiBarDlg::Distance() const { return rec::Get<std::int16_t>(record, kNumberDistance); }
void CMultiBarDlg::SetDistance(int v) { rec::Put<std::int16_t>(record, kNumberDistance, std::int16_t(v)); }

void CMultiBarDlg::InitControls() {
    SetupNumericField(kCount, kFormatInteger, std::clamp(count, 1, kMaxCount), 1, kMaxCount, false);
    if (editing) HideControl(kCount);
    const std::uint8_t f = Flags();
    SetCheck(kNormal, !(f & kJazzBit));
    SetCheck(kJazz, (f & kJazzBit) != 0);
    SetCheck(kShowRange, (f & kRangeBit) != 0);
    SetCheck(kBelow, (f & kBelowBit) != 0);
    const int ends = (f >> kEndsShift) & 3;
    SetCheck(kThin, ends == 0);
    SetCheck(kThick, ends == 1 || ends == 3);
    SetCheck(kNoEnds, ends == 2);
    SetCheck(kShowCount, !(f & kHideCountBit));
    if (record[kFillByte] < 10 || record[kFillByte] > 100) record[kFillByte] = 80;
    SetupNumericField(kFill, kFormatInteger, record[kFillByte], 10, 100, false);
    AddDrawnControl(kPreview, 1);
}

void CMultiBarDlg::ReadControls() {
    std::uint8_t f = Flags() & std::uint8_t(~(kJazzBit | kRangeBit | kBelowBit | (3 << kEndsShift) | kHideCountBit));
    if (GetCheck(kJazz)) f |= kJazzBit;
    if (GetCheck(kShowRange)) f |= kRangeBit;
    if (GetCheck(kBelow)) f |= kBelowBit;
    if (GetCheck(kThick)) f |= std::uint8_t(1 << kEndsShift);
    else if (GetCheck(kNoEnds)) f |= std::uint8_t(2 << kEndsShift);
    if (!GetCheck(kShowCount)) f |= kHideCountBit;
    SetFlags(f);
    record[kFillByte] = std::uint8_t(std::clamp<int>(GetNumericField(kFill), 10, 100));
    if (!editing) count = GetNumericField(kCount);
}

void CMultiBarDlg::RedrawPreview() {
    if (CWnd* c = GetDlgItem(kPreview)) {
        c->Invalidate();
        c->UpdateWindow();
    }
}

void CMultiBarDlg::OnControl(int id) {
    if (id == IDOK) {
        const int typed = editing ? count : GetNumericField(kCount);
        if (!editing && (typed < 1 || typed > kMaxCount)) {
            GotoControl(kCount);
            return;
        }
        ReadControls();
    } else if (id == kPreview) {
        // A press in the preview (the dialog sends it while the button is down).
        POINT p;
        GetPortMousePos(&p);
        TrackPreviewMouse(p);
        return;
    } else if (id == kFont) {
        ChooseFontRef(&numberFont);
        RedrawPreview();
    } else if (id != IDCANCEL) {
        ReadControls();
        RedrawPreview();
    }
    CStdDlg::OnControl(id);
}

void CMultiBarDlg::DrawControl(int id) {
    if (id == kPreview) DrawPreview(false);
    else CStdDlg::DrawControl(id);
}

RECT CMultiBarDlg::PreviewArea() {
    RECT r;
    GetControlRect(kPreview, &r);
    const int cx = (r.left + r.right) / 2;
    return RECT{cx - kHalfArea, r.top, cx + kHalfArea, r.bottom};
}

int CMultiBarDlg::NumberBaseline(int cy) {
    CArtist* a = GetArtist();
    FontMetrics16 fm;
    if (a) {
        a->PushFont();
        a->SetFontRef(ScaledSevenSixths(numberFont));
        a->GetFontMetrics(&fm);
        a->PopFont();
    }
    if (Flags() & kBelowBit) return cy + Distance() / 20 + 21 + fm.ascent - fm.descent;
    return cy - (Distance() / 20 + 19);
}

void CMultiBarDlg::DrawPreview(bool dragging) {
    CArtist* a = GetArtist();
    if (!a) return;
    RECT control;
    GetControlRect(kPreview, &control);
    const RECT area = PreviewArea();
    const int cx = (area.left + area.right) / 2, cy = (area.top + area.bottom) / 2;
    const int width = area.right - area.left;
    a->PushFont();
    a->EraseRect(control);
    const std::uint8_t f = Flags();
    const int margin = width * (100 - record[kFillByte]) / 200;
    const int lx = area.left + margin, rx = area.right - margin;
    const int ly = (f & kJazzBit) ? cy + kJazzRise : cy;
    const int ry = (f & kJazzBit) ? cy - kJazzRise : cy;
    for (int o = -3; o <= 2; ++o) a->Line(lx, ly + o, rx, ry + o);
    const int n = (dragging || editing) ? count : GetNumericField(kCount);
    if (!(f & kHideCountBit)) {
        a->SetFontRef(ScaledSevenSixths(numberFont));
        a->DrawNumberCentered(cx, NumberBaseline(cy), n);
    }
    if (f & kRangeBit) {
        a->SetFontRef(ScaledSevenSixths(rangeFont));
        FontMetrics16 fm;
        a->GetFontMetrics(&fm);
        char text[64];
        std::snprintf(text, sizeof text, "%d - %d", firstNumber + 1, firstNumber + n);
        const int y = (f & kBelowBit) ? cy - (Distance() / 20 + 19) : cy + Distance() / 20 + 21 + fm.ascent - fm.descent;
        a->DrawTextCentered(cx, y, text);
    }
    const int ends = (f >> kEndsShift) & 3;
    if (ends != 2) {
        const int pen = ends == 0 ? kThinPen : kThickPen;
        a->LineWidth(lx, ly - kEndStroke, lx, ly + kEndStroke, pen);
        a->LineWidth(rx, ry - kEndStroke, rx, ry + kEndStroke, pen);
    }
    a->SetPenWidth(kThinPen);
    for (int line = 0; line < 16; ++line) {
        if (!(kLineMask & (1 << line))) continue;
        const int y = cy + (line - 8) * kLineGap;
        a->Line(area.left - kStaffOverhang, y, area.right + kStaffOverhang, y);
    }
    a->Line(area.left, cy - 2 * kLineGap, area.left, cy + 2 * kLineGap);
    a->Line(area.right, cy - 2 * kLineGap, area.right, cy + 2 * kLineGap);
    a->PopFont();
}

int CMultiBarDlg::HitHandle(POINT at) {
    const RECT area = PreviewArea();
    const int cx = (area.left + area.right) / 2, cy = (area.top + area.bottom) / 2;
    const int width = area.right - area.left;
    const int margin = width * (100 - record[kFillByte]) / 200;
    const bool jazz = (Flags() & kJazzBit) != 0;
    int numberY = cy - (Distance() / 20 + 21);
    if (Flags() & kBelowBit) {
        FontMetrics16 fm;
        if (CArtist* a = GetArtist()) {
            a->PushFont();
            a->SetFontRef(ScaledSevenSixths(numberFont));
            a->GetFontMetrics(&fm);
            a->PopFont();
        }
        numberY = cy + Distance() / 20 + 21 + fm.ascent;
    }
    const POINT handles[3] = {{area.left + margin, jazz ? cy + kJazzRise : cy},
                              {area.right - margin, jazz ? cy - kJazzRise : cy},
                              {cx, numberY}};
    for (int h = 0; h < 3; ++h)
        if (std::abs(at.x - handles[h].x) <= kHandle && std::abs(at.y - handles[h].y) <= kHandle) return h;
    return -1;
}

void CMultiBarDlg::TrackPreviewMouse(POINT at) {
    const int handle = HitHandle(at);
    if (handle < 0) return;
    if (!editing) count = GetNumericField(kCount);
    const RECT area = PreviewArea();
    const int cx = (area.left + area.right) / 2;
    const int width = area.right - area.left;
    int lastY = at.y;
    SetCapture();
    while (fw::MouseLoopStep()) {
        POINT p;
        fw::GetCursorPos(&p);
        ScreenToClient(&p);
        int x = std::clamp<int>(p.x, area.left, area.right);
        if (handle == 0) x = std::min(x, cx - kEndGap);
        if (handle == 1) x = std::max(x, cx + kEndGap);
        if (handle == 2) {
            // Away from the bar grows the distance: upward above the staff, downward below.
            const int away = (Flags() & kBelowBit) ? p.y - lastY : lastY - p.y;
            SetDistance(Distance() + 20 * away);
            lastY = p.y;
        } else {
            const int margin = handle == 0 ? x - area.left : area.right - x;
            const int fill = std::clamp(100 - margin * 200 / width, 10, 100);
            record[kFillByte] = std::uint8_t(fill);
            if (fill != GetNumericField(kFill)) SetupNumericField(kFill, kFormatInteger, fill, 10, 100, false);
        }
        RedrawPreview();
    }
    if (CWnd::GetCapture() == this) ReleaseCapture();
    RedrawPreview();
}
