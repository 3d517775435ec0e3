// The multi-bar rest on the page: the ends of its bar, the bar with its count, range and end
// strokes, its rectangle and handles, and the drags of its ends and count, which the user may
// carry to every track's multi-bar rest of the bar.
#include <algorithm>

#include "framework/DC.h"
#include "framework/Gdi.h"
#include "model/Bar.h"
#include "model/DragTask.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/ScoreStandIns.h"
#include "model/ZelDoc.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/TrkBar.h"
#include "notation/MultiRest.h"
#include "notation/NoteStandIns.h"
#include "platform/Artist.h"
#include "platform/DrawGlobals.h"
#include "platform/Port.h"

namespace {

CMultiRest& Multi(CScoreItem& item) { return static_cast<CMultiRest&>(item); }

constexpr int kEditCommand = 4108;
constexpr int kOwnNumberKind = 3;
constexpr int kMinPercent = 10, kMaxPercent = 100;
// Handles of the item: the two ends and the count.
enum : int { kLeftEnd = 0, kCount = 1, kRightEnd = 2 };

// The distance of the count (and the range) from the staff's reference line.
int CountDistance(CMultiRest& m, const CStaff& staff) { return 3 * staff.Space() + staff.ScaleOffset(m.CountOffset()); }

// The bar-number item that governs the bar, when it is one that places its own numbers.
CBarItem* GoverningNumberItem(CBar& bar) {
    CBarItem* item = bar.GetBarNumberItem(false);
    return item && item->GetKind() != kOwnNumberKind ? item : nullptr;
}

}  // namespace

void CMultiRest::GetEnds(POINT* left, POINT* right) {
    VerifyTrack();
    *left = POINT{};
    *right = POINT{};
    CBar* bar = g_model.currentBar;
    CStaff* staff = g_model.currentStaff;
    CScore* score = g_model.currentScore;
    if (!bar || !staff) return;
    CLine* line = bar->GetLine();
    const int lineSpace = line ? line->GetSpace() : 0;
    // The span ends inside the score and never before the rest's own bar.
    const int first = bar->GetIndex();
    const int bars = score ? score->GetBarCount() : first + 1;
    const int lastIndex = std::clamp(first + bar->GetMultiRestSpan() - 1, first, std::max(first, bars - 1));
    CBar* last = score ? score->GetBar(lastIndex) : nullptr;
    if (!last) last = bar;

    int lx = bar->GetLeft();
    if (bar->GetKeySigPart() != 0) lx += bar->GetKeySigPart();
    if (bar->HasBarFlag(CBar::kShowsMeterBit)) lx += bar->GetMeterPart() - lineSpace;
    if (bar->GetOpeningKind() == 0) {
        if (bar->IsFirstInLine()) lx -= lineSpace / 2;
    } else {
        lx += lineSpace;
    }
    int rx = bar->GetRight();
    if (last->GetClosingKind() != 0 || (last->IsLast() && (!score || score->multiBarRestOption == 0)))
        rx -= last->GetTrailingWidth();

    if (Percent() == 0 && score) SetPercent(score->multiBarRestDefault);
    const int inset = (rx - lx) * (100 - Percent()) / 200;
    lx += inset;
    rx -= inset;
    SetInset(std::int16_t(staff->UnscaleOffset(inset)));

    const int yr = staff->GetMiddleY();
    *left = POINT{lx, yr};
    *right = POINT{rx, yr};
    if (Flags() & kSlanted) {
        left->y += staff->Space();
        right->y -= staff->Space();
    }
}

void MultiRestBehaviour::Draw(CScoreItem& item) const {
    auto& m = Multi(item);
    CArtist* a = g_draw.artist;
    CBar* bar = g_model.currentBar;
    CStaff* staff = g_model.currentStaff;
    if (!a || !bar || !staff) return;
    if ((m.Flags() & CMultiRest::kHideCount) && !(m.Flags() & CMultiRest::kShowRange))
        m.SetFlags(std::uint8_t(m.Flags() & ~CMultiRest::kHideCount));
    a->PushFont();
    POINT l, r;
    m.GetEnds(&l, &r);
    const int s = staff->Space();
    const int yr = staff->GetMiddleY();
    const int mid = l.x + (r.x - l.x) / 2;

    const int t = std::max(s - 1, 1);
    a->DrawMultiRestBar(l.x, l.y - t / 2, r.x, r.y - t / 2, l.x, l.y - t / 2, r.x, r.y - t / 2, t, true, true);

    const int n = bar->GetMultiRestSpan();
    const int f = bar->GetDisplayNumber();
    const int d = CountDistance(m, *staff);
    const bool below = (m.Flags() & CMultiRest::kCountBelow) != 0;
    CScore* score = g_model.currentScore;
    FontMetrics16 fm;
    if (m.Flags() & CMultiRest::kShowRange) {
        if (score) m.UseFont(score->textFont1);
        a->GetFontMetrics(&fm);
        int y = below ? yr - d : yr + d + fm.ascent - fm.descent;
        bool shown = true;
        if (CBarItem* number = GoverningNumberItem(*bar)) {
            CStaff* before = g_model.currentStaff;
            number->VerifyTrack();
            const int offset = number->GetVerticalOffset();
            if (g_model.currentStaff != before) {
                g_model.currentStaff = before;
                shown = false;
            } else if ((!below && offset > 0) || (below && offset < 0)) {
                y = staff->OffsetToY(offset + rec::Get<std::int16_t>(bar, CBar::kCoordB));
            }
        } else {
            CLine* line = g_model.currentLine;
            shown = !line || line->GetFirstShownStaff() == staff->GetIndex();
        }
        if (shown) {
            int x = mid;
            if ((f + 1 < 10 && 10 < f + n) || (f + 1 < 100 && 100 < f + n)) x -= s / 2;
            a->DrawNumberRight(x - s, y, f + 1);
            a->DrawNumber(x + s, y, f + n);
            const int dashY = y + fm.descent - (fm.ascent + fm.descent) / 2;
            a->Line(x - s / 2, dashY, x + s / 2, dashY);
        }
    }
    if (!(m.Flags() & CMultiRest::kHideCount)) {
        if (score) m.UseFont(score->textFont5);
        a->GetFontMetrics(&fm);
        const int y = below ? yr + d + fm.ascent - fm.descent : yr - d;
        a->DrawNumberCentered(mid, y, n);
    }
    if (m.StrokeStyle() != 2) {
        const int w = std::max(staff->ScaleLength(m.StrokeStyle() == 0 ? 1 : 4), 1);
        const int mode = g_draw.currentPort ? g_draw.currentPort->GetROP2() : R2_COPYPEN;
        for (const RECT& stroke : {RECT{l.x, l.y - s, l.x + w, l.y + s}, RECT{r.x - w / 2, r.y - s, r.x - w / 2 + w, r.y + s}}) {
            // The strokes follow rubber-band drawing: erased in white mode, inverted in "not".
            if (mode == R2_WHITE)
                a->EraseRect(stroke);
            else if (mode == R2_NOT)
                a->InvertRect(stroke);
            else
                a->FillRectColor(stroke, 0);
        }
    }
    a->PopFont();
}

RECT* MultiRestBehaviour::GetBounds(CScoreItem& item, RECT* rect) const {
    auto& m = Multi(item);
    POINT l, r;
    m.GetEnds(&l, &r);
    const int s = g_model.currentStaff ? g_model.currentStaff->Space() : 0;
    if (m.Flags() & CMultiRest::kSlanted)
        *rect = RECT{l.x, r.y, r.x, l.y};
    else
        *rect = RECT{l.x, l.y - s / 2, r.x, r.y + s / 2};
    return rect;
}

bool MultiRestBehaviour::HitTest(CScoreItem& item, int x, int y) const {
    auto& m = Multi(item);
    if (!m.IsShownOnStaff() && !m.IsSelectedBit()) return false;
    CBar* bar = g_model.currentBar;
    CStaff* staff = g_model.currentStaff;
    if (!bar || !staff) return false;
    POINT l, r;
    m.GetEnds(&l, &r);
    int part = -1;
    if (HitHandleSquare(x, y, l.x, l.y)) {
        part = kLeftEnd;
    } else if (HitHandleSquare(x, y, r.x, r.y)) {
        part = kRightEnd;
    } else {
        const int yr = staff->GetMiddleY();
        const int d = CountDistance(m, *staff);
        bool below = (m.Flags() & CMultiRest::kCountBelow) != 0;
        if (!below && (m.Flags() & CMultiRest::kShowRange)) {
            if (CBarItem* number = GoverningNumberItem(*bar)) below = number->GetVerticalOffset() < 0;
        }
        if (HitHandleSquare(x, y, bar->GetCenterX(), below ? yr + d + staff->Space() : yr - d)) part = kCount;
    }
    if (part < 0) return false;
    g_model.hitPart = std::int16_t(part);
    return true;
}

void MultiRestBehaviour::DragBy(CScoreItem& item, CDragTask* drag) const {
    if (!drag) return;
    auto& m = Multi(item);
    const int part = g_model.hitPart;
    if (part == kCount) {
        const int step = (m.Flags() & CMultiRest::kCountBelow) ? drag->dy : -drag->dy;
        m.SetCountOffset(std::int16_t(m.CountOffset() + step));
        return;
    }
    const int change = drag->dx / 20;
    const int percent = part == kLeftEnd ? m.Percent() - change : m.Percent() + change;
    m.SetPercent(std::uint8_t(std::clamp(percent, kMinPercent, kMaxPercent)));
}

void MultiRestBehaviour::EndDrag(CScoreItem& item, CDragTask* drag) const {
    auto& m = Multi(item);
    CScore* score = g_model.currentScore;
    CTrkBar* own = g_model.currentTrkBar;
    if (g_viewDrag.allTracksFlag && score && own) {
        const int barIndex = own->GetBarIndex();
        const bool count = g_model.hitPart == kCount;
        for (int t = 0; t < score->GetTrackCount(); ++t) {
            CTrkBar* trkBar = score->GetTrkBar(t, barIndex);
            if (!trkBar) continue;
            trkBar->Invalidate();
            if (CZelDoc* doc = g_model.currentDoc) doc->SaveBarForUndo(t, barIndex);
            for (CBarItem* it = trkBar->GetItems(); it && it->TypeCode() != 255; it = it->NextItem()) {
                if (it->RecordSizeField() < CBarItem::kHeadEnd) break;
                if (it == &m || it->IsRemoved() || it->TypeCode() != CMultiRest::kType) continue;
                if (it->RecordSizeField() < CMultiRest::kSize) continue;
                auto& other = static_cast<CMultiRest&>(*it);
                if (count) {
                    other.SetFlags(std::uint8_t((other.Flags() & ~CMultiRest::kCountBelow) | (m.Flags() & CMultiRest::kCountBelow)));
                    other.SetCountOffset(m.CountOffset());
                } else {
                    other.SetPercent(m.Percent());
                    other.SetInset(std::int16_t(m.GetHorizontalOffset()));
                }
            }
        }
    }
    BarItemBehaviour::EndDrag(item, drag);
}

void MultiRestBehaviour::OpenProperties(CScoreItem& item, int x, int y) const {
    if (CZelDoc* doc = g_model.currentDoc) doc->OnCommandRange(kEditCommand);
}
