// The drawing, rectangles, hits and drags of the dynamic, the hairpin and the expression: each
// draws against the current bar, staff and artist, and a drag moves the record's offsets (the
// item being dragged also draws with the shared drag deltas of the model globals).
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "framework/Arith.h"
#include "model/Bar.h"
#include "model/ModelGlobals.h"
#include "model/PlaybackMarks.h"
#include "model/Score.h"
#include "model/ScoreLocation.h"
#include "model/ScoreStandIns.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Preferences.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "notation/PlaybackMarks.h"
#include "platform/Artist.h"
#include "platform/Devices.h"
#include "platform/DlgCombosStandIns.h"
#include "platform/DrawGlobals.h"

namespace {

// The document commands that open the marks' dialogs.
constexpr int kEditDynamicCommand = 4103;
constexpr int kEditHairpinCommand = 4115;
constexpr int kEditExpressionCommand = 4105;
// The dynamics' offsets are measured from the staff's reference line; a new dynamic's 480 lies
// on it.
constexpr int kDynamicReference = 480;
// The hairpin's hit parts: its point, the open end's top, its bottom (a double hairpin's
// centre), and the whole item; the expression's start, end and whole item.
enum : int { kHairpinPoint = 0, kHairpinTop = 1, kHairpinBottom = 2, kHairpinWhole = 3 };
enum : int { kExpressionStart = 0, kExpressionEnd = 1, kExpressionWhole = 2 };

bool Printing() { return g_draw.printingDC; }
bool Feedback() { return g_draw.feedbackDrawing || g_draw.dragInProgress; }
bool Highlighted(const CBarItem& item) { return item.IsSelectedBit() && !Printing() && !Feedback(); }
bool IsDragged(const CBarItem& item) { return g_model.dragItem == &item; }
// A drag's page movement in the units of the marks' offsets (1/120 of the current staff's space).
int Units(int pixels) {
    CStaff* staff = g_model.currentStaff;
    return staff && pixels != 0 ? staff->UnscaleOffset(pixels) : pixels;
}

int StartDelta(const CBarItem& item) { return IsDragged(item) ? g_model.itemDragX : 0; }
int EndDelta(const CBarItem& item) { return IsDragged(item) ? g_model.dragEndOffsetX : 0; }
bool DataShown() { return g_model.dataDisplayKind != 0; }

void OpenCommand(int id) {
    if (CZelDoc* doc = g_model.currentDoc) doc->OnCommandRange(id);
}

// The item's music font: the staff's size, scaled by the item's own scale.
void SetItemMusicFont(CArtist* a, CStaff* staff, CBarItem& item) {
    const int size = staff->GetFontSize() ? staff->GetFontSize() : 24;
    a->SetMusicFont(item.Scale() ? MulDiv(size, item.Scale(), 100) : size);
}

// Paints the rectangle over with the page (on screen) or the paper (printing).
void PaintOver(CArtist* a, const RECT& r) {
    if (Printing())
        a->EraseRect(r);
    else
        a->DrawClipped(r);
}

bool InSquare(int px, int py, int x, int y, int half) {
    return x >= px - half && x <= px + half && y >= py - half && y <= py + half;
}

RECT Normalised(int l, int t, int r, int b) { return RECT{std::min(l, r), std::min(t, b), std::max(l, r), std::max(t, b)}; }

// --- the dynamic -----------------------------------------------------------------------------

struct DynamicGeometry {
    bool ok = false;
    int x = 0, baseline = 0, glyph = 0;
    RECT rect{};
};

DynamicGeometry MeasureDynamic(CDynamic& d) {
    DynamicGeometry g;
    CBar* bar = g_model.currentBar;
    CStaff* staff = g_model.currentStaff;
    CArtist* a = g_draw.artist;
    if (!bar || !staff || !a || d.RecordSizeField() < CDynamic::kSize) return g;
    const DynamicMark& mark = kDynamicMarks[d.GetMark() & 15];
    g.glyph = mark.glyph;
    g.baseline = staff->OffsetToY(d.GetVerticalOffset() + staff->GetPlaceC() - kDynamicReference);
    g.x = bar->PositionToItemX(d.PositionField(), d.GetHorizontalOffset() + StartDelta(d));
    a->PushFont();
    SetItemMusicFont(a, staff, d);
    const int width = a->GlyphWidth(g.glyph);
    a->PopFont();
    g.rect = RECT{g.x, g.baseline - staff->ScaleQuarterSpaces(mark.above), g.x + width,
                  g.baseline + staff->ScaleQuarterSpaces(mark.below)};
    g.ok = true;
    return g;
}

// --- the hairpin -----------------------------------------------------------------------------

struct HairpinGeometry {
    bool ok = false;
    int start = 0, end = 0, y = 0, top = 0, bottom = 0, s = 1;
};

HairpinGeometry MeasureHairpin(CCresc& h) {
    HairpinGeometry g;
    CBar* bar = g_model.currentBar;
    CStaff* staff = g_model.currentStaff;
    CScore* score = bar ? bar->GetScore() : nullptr;
    if (!bar || !staff || h.RecordSizeField() < CCresc::kSize) return g;
    if (score) h.ClampEnd(bar->GetIndex(), score->GetBarCount());
    g.start = bar->PositionToItemX(h.PositionField(), h.GetStartOffset() + StartDelta(h));
    g.end = bar->SpanPositionToX(h.GetEndBar(), h.GetEndPosition(), h.GetEndOffset() + EndDelta(h), true);
    const int centre = h.GetVerticalPosition();
    g.y = staff->OffsetToY(centre);
    g.top = h.GetUpper() > 0 ? staff->OffsetToY(centre - h.GetUpper()) : g.y;
    g.bottom = h.GetLower() > 0 ? staff->OffsetToY(centre + h.GetLower()) : g.y;
    g.s = staff->Space();
    g.ok = true;
    return g;
}

int MarkGlyph(int coded) { return coded >= 1 && coded <= kDynamicMarkCount ? kDynamicMarks[coded - 1].glyph : 0; }

// The text form's text: its own, or the default of its shape.
std::string HairpinText(const CCresc& h) { return std::string(h.GetText()); }

// The x where the text form's text ends (its font selected by the caller).
int TextFormEnd(CArtist* a, CCresc& h, const HairpinGeometry& g) {
    const std::string text = HairpinText(h);
    return g.start + a->TextWidth(text.c_str());
}

void DrawHairpin(CCresc& h) {
    CArtist* a = g_draw.artist;
    CStaff* staff = g_model.currentStaff;
    HairpinGeometry g = MeasureHairpin(h);
    if (!a || !g.ok) return;
    const bool crescendo = h.GetShape() == CCresc::kCrescendo;
    const bool isDouble = h.IsDouble();
    a->PushColor();
    a->PushFont();
    h.SetDrawColor(Highlighted(h));
    if (Highlighted(h) && !h.IsTextForm()) {
        if (isDouble) {
            a->DrawHandle(g.start, g.y, false);
            a->DrawHandle(g.end, g.y, false);
        } else if (crescendo) {
            a->DrawHandle(g.start, g.y, false);
            a->DrawHandle(g.end, g.top, false);
            a->DrawHandle(g.end, g.bottom, false);
        } else {
            a->DrawHandle(g.end, g.y, false);
            a->DrawHandle(g.start, g.top, false);
            a->DrawHandle(g.start, g.bottom, false);
        }
    }
    const int low = g.y + (g.s + 1) / 2;
    const int mid = g.bottom - (g.bottom - g.top + 1) / 2 + g.s / 2;
    const bool open = g.bottom - g.top > 1;
    SetItemMusicFont(a, staff, h);
    int start = g.start, end = g.end;
    if (const int glyph = MarkGlyph(h.GetMark(0))) {
        a->DrawGlyph(start, !crescendo && open ? mid : low, glyph);
        start += a->GlyphWidth(glyph) + g.s / 4;
    }
    if (const int glyph = MarkGlyph(h.GetMark(2))) {
        const int w = a->GlyphWidth(glyph);
        a->DrawGlyph(end - w, crescendo && !isDouble && open ? mid : low, glyph);
        end -= w + (g.s / 2 + 1) / 2;
    }
    if (!h.IsTextForm()) {
        staff->SetScaledPenWidth(15);
        if (!isDouble) {
            const int point = crescendo ? start : end, openEnd = crescendo ? end : start;
            a->Line(point, g.y, openEnd, g.top);
            a->Line(point, g.y, openEnd, g.bottom);
        } else {
            int half = ((end - start) - g.s) / 2;
            if (const int glyph = MarkGlyph(h.GetMark(1))) {
                const int w = a->GlyphWidth(glyph);
                half = (end - start) / 2 - w / 2;
                a->DrawGlyph(start + half, mid, glyph);
                half -= g.s / 2;
            }
            if (!crescendo || end < start) {
                a->Line(start, g.top, start + half, g.y);
                a->Line(start, g.bottom, start + half, g.y);
                a->Line(end - half, g.y, end, g.top);
                a->Line(end - half, g.y, end, g.bottom);
            } else {
                a->Line(start, g.y, start + half, g.top);
                a->Line(start, g.y, start + half, g.bottom);
                a->Line(end - half, g.top, end, g.y);
                a->Line(end - half, g.bottom, end, g.y);
            }
        }
        a->SetPenWidth(20);
    } else {
        h.UseFont(h.GetFont());
        const std::string text = HairpinText(h);
        a->DrawText(start, g.y, text.c_str());
        // A dash every three dash widths from the text's end plus one; a dash of no width still
        // advances, so the walk always ends.
        const int dash = std::max(1, a->TextWidth("-"));
        for (int x = start + a->TextWidth(text.c_str()) + dash; x < end; x += 3 * dash) a->DrawText(x, g.y, "-");
    }
    a->PopFont();
    a->PopColor();
    if (Feedback()) g_model.drawnPoint = POINT{g.end, g.y};
}

// --- the expression ----------------------------------------------------------------------------

struct ExpressionGeometry {
    bool ok = false;
    POINT start{}, end{};
    int textEnd = 0, ascent = 0, descent = 0, s = 1;
    std::string text;
};

// The expression's points, its font selected on the artist by the caller's scope.
ExpressionGeometry MeasureExpression(CExpression& e) {
    ExpressionGeometry g;
    CBar* bar = g_model.currentBar;
    CStaff* staff = g_model.currentStaff;
    CArtist* a = g_draw.artist;
    CScore* score = bar ? bar->GetScore() : nullptr;
    if (!bar || !staff || !a || e.RecordSizeField() < CExpression::kFixedSize) return g;
    g.text = e.GetDisplayText();
    e.UseFont(e.GetFont());
    FontMetrics16 m;
    a->GetFontMetrics(&m);
    // A font that reports no ascent takes its size above the baseline, a quarter below.
    const int size = std::max(1, e.ScaleToView(e.GetFont().size));
    g.ascent = m.ascent > 0 ? m.ascent : size;
    g.descent = m.ascent > 0 ? m.descent : size / 4;
    g.s = staff->Space();
    g.start.x = bar->PositionToItemX(e.PositionField(), e.GetHorizontalOffset() + StartDelta(e));
    g.start.y = staff->OffsetToY(e.GetVerticalOffset());
    if (score) {
        const int most = std::max(0, score->GetBarCount() - bar->GetIndex() - 1);
        const int endBar = std::clamp<int>(e.GetEndBar(), 0, most);
        if (endBar != e.GetEndBar()) e.SetEnd(endBar, e.GetEndPosition());
    }
    g.end.x = bar->SpanPositionToX(e.GetEndBar(), e.GetEndPosition(), e.GetEndOffset() + EndDelta(e), true);
    g.end.y = staff->OffsetToY(e.GetVerticalOffset() + e.GetEndHeight());
    g.textEnd = g.start.x + a->TextWidth(g.text.c_str());
    g.end.x = std::max<int>(g.end.x, g.textEnd);
    g.ok = true;
    return g;
}

int ExpressionLineStyle(const CExpression& e) {
    if (e.GetLineStyle() != 0) return e.GetLineStyle();
    return Highlighted(e) || (IsDragged(e) && Feedback()) ? 3 : 0;
}

// The key-switch label of an expression that plays one: "(" note name "-" key-switch name ")"
// of the track device's key-switch entry on the expression's pitch; empty when the preference
// is off, the device has no key switches or none sits on the pitch. The preference is the
// one that shows the voices' sound names (the key switches are the sound's own).
std::string KeySwitchLabel(const CExpression& e) {
    if (!e.HasPlayback() || Printing() || !g_preferences.Byte(Preferences::kShowTrackVoiceNames)) return {};
    CTrkBar* trkBar = g_model.currentTrkBar;
    CTrack* track = trkBar ? trkBar->GetTrack() : nullptr;
    if (!track) return {};
    const int port = track->GetDevice();
    std::vector<VSTKeyEntry> table;
    if (!GetVSTDeviceDefs()->GetKeySwitches(port, track->GetVoiceDefName(e.VoiceField() & 7), table)) return {};
    for (const VSTKeyEntry& k : table) {
        if (k.pitch != e.GetKeySwitchPitch()) continue;
        char note[64] = {};
        GetMidiOutPorts()->GetNoteName(port, 0, 0, k.pitch, note, sizeof note);
        return "(" + std::string(note) + "-" + std::string(k.name, strnlen(k.name, sizeof k.name)) + ")";
    }
    return {};
}

RECT ExpressionRect(const CExpression& e, const ExpressionGeometry& g) {
    RECT r{g.start.x, g.start.y - g.ascent, g.textEnd, g.start.y + g.descent};
    if (ExpressionLineStyle(e) == 0) {
        if (!Feedback()) r.right = std::max<LONG>(r.right, g.start.x + g.s);
    } else {
        r.right = std::max(g.end.x, g.textEnd + g.s);
    }
    return r;
}

}  // namespace

// --- the dynamic -------------------------------------------------------------------------------

void DynamicBehaviour::OpenProperties(CScoreItem&, int, int) const { OpenCommand(kEditDynamicCommand); }

RECT* DynamicBehaviour::GetBounds(CScoreItem& item, RECT* rect) const {
    const DynamicGeometry g = MeasureDynamic(*CDynamic::Of(&static_cast<CBarItem&>(item)));
    *rect = g.ok ? g.rect : RECT{};
    return rect;
}

void DynamicBehaviour::BeginDrag(CScoreItem& item) const {
    BarItemBehaviour::BeginDrag(item);
    g_model.dragItem = &item;
}

void DynamicBehaviour::DragBy(CScoreItem& item, CDragTask* drag) const {
    if (!drag) return;
    auto* d = CDynamic::Of(&static_cast<CBarItem&>(item));
    g_model.itemDragX = std::int16_t(g_model.itemDragX + Units(drag->dx));
    d->SetVerticalOffset(d->GetVerticalOffset() + Units(drag->dy));
}

// The drop may place the item anew (which clears the deltas); what is left of them moves its
// offsets, and the drag is over for the item.
void DynamicBehaviour::EndDrag(CScoreItem& item, CDragTask* drag) const {
    BarItemBehaviour::EndDrag(item, drag);
    auto* d = CDynamic::Of(&static_cast<CBarItem&>(item));
    if (g_model.dragItem == &item) {
        d->SetHorizontalOffset(d->GetHorizontalOffset() + g_model.itemDragX);
        g_model.dragItem = nullptr;
    }
    g_model.itemDragX = 0;
}

void DynamicBehaviour::DrawShape(CBarItem& item) const {
    if (DataShown()) {
        item.DrawDataValue();
        return;
    }
    auto* d = CDynamic::Of(&item);
    CArtist* a = g_draw.artist;
    const DynamicGeometry g = MeasureDynamic(*d);
    if (!a || !g.ok) return;
    if (d->ErasesBackground() && !Feedback()) {
        const int unit = std::max(1, item.ScaleToPage(1));
        PaintOver(a, RECT{g.rect.left, g.rect.top - unit, g.rect.right, g.rect.bottom + unit});
    }
    a->PushColor();
    a->PushFont();
    d->SetDrawColor(Highlighted(*d));
    SetItemMusicFont(a, g_model.currentStaff, *d);
    a->DrawGlyph(g.x, g.baseline, g.glyph);
    g_model.drawnPoint = POINT{g.x, g.baseline};
    a->PopFont();
    a->PopColor();
}

CBarItem* DynamicBehaviour::PlaceAtPoint(CBarItem& item, ScoreLocation& start, ScoreLocation& end) const {
    g_model.itemDragX = 0;
    CTrkBar* before = start.trkBar;
    if (CStaff* staff = start.staff ? start.staff : g_model.currentStaff) {
        const DynamicMark& mark = kDynamicMarks[CDynamic::Of(&item)->GetMark() & 15];
        start.pointY += staff->ScaleQuarterSpaces(mark.above);
        start.pointY += staff->ScaleOffset(kDynamicReference - staff->GetPlaceC());
    }
    CBarItem* placed = BarItemBehaviour::PlaceAtPoint(item, start, end);
    if (placed && start.trkBar && (!before || before->GetTrackIndex() != start.trkBar->GetTrackIndex()))
        placed->AttachToTrack(start.trkBar->GetTrack());
    return placed;
}

// --- the hairpin -------------------------------------------------------------------------------

void marks::GetHairpinEnds(CBarItem& item, int* startX, int* endX) {
    const HairpinGeometry g = MeasureHairpin(*CCresc::Of(&item));
    if (startX) *startX = g.start;
    if (endX) *endX = g.end;
}

void HairpinBehaviour::OpenProperties(CScoreItem&, int, int) const { OpenCommand(kEditHairpinCommand); }

RECT* HairpinBehaviour::GetBounds(CScoreItem& item, RECT* rect) const {
    auto& h = *CCresc::Of(&static_cast<CBarItem&>(item));
    const HairpinGeometry g = MeasureHairpin(h);
    *rect = RECT{};
    if (!g.ok) return rect;
    RECT r = Normalised(g.start, g.top, g.end, g.bottom);
    if (h.IsTextForm())
        if (CArtist* a = g_draw.artist) {
            a->PushFont();
            h.UseFont(h.GetFont());
            r.top = g.y - h.ScaleToPage(h.GetFont().size) / 2;
            r.right = std::max<LONG>(r.right, TextFormEnd(a, h, g));
            r.bottom = std::max<LONG>(r.bottom, g.y);
            a->PopFont();
        }
    *rect = r;
    return rect;
}

bool HairpinBehaviour::HitTestShape(CBarItem& item, int x, int y) const {
    auto& h = *CCresc::Of(&item);
    const HairpinGeometry g = MeasureHairpin(h);
    if (!g.ok) return false;
    RECT r;
    GetBounds(item, &r);
    const bool crescendo = h.GetShape() == CCresc::kCrescendo;
    if (h.IsTextForm()) {
        if (x < r.left || x >= r.right || y < r.top || y >= r.bottom) return false;
        const bool endHandle = x >= r.right - (r.right - r.left) / 4;
        g_model.hitPart = std::int16_t(!endHandle ? kHairpinWhole : crescendo ? kHairpinBottom : kHairpinPoint);
        return true;
    }
    const int half = std::max(2, g.s / 2);
    const int point = crescendo ? g.start : g.end, openEnd = crescendo ? g.end : g.start;
    if (!h.IsDouble() && InSquare(point, g.y, x, y, half)) {
        g_model.hitPart = kHairpinPoint;
        return true;
    }
    if (InSquare(openEnd, g.top, x, y, half)) {
        const bool nearEnd = h.IsDouble() && h.GetMark(2) != 0 && std::abs(x - g.end) <= 2 * g.s;
        g_model.hitPart = std::int16_t(nearEnd ? kHairpinBottom : kHairpinTop);
        return true;
    }
    if (InSquare(openEnd, h.IsDouble() ? g.y : g.bottom, x, y, half)) {
        g_model.hitPart = kHairpinBottom;
        return true;
    }
    // Between the two edge lines: each line's y at x by linear interpolation.
    const int left = std::min(g.start, g.end), right = std::max(g.start, g.end);
    if (x < left || x > right || right == left) return false;
    int topY = g.top, bottomY = g.bottom;
    if (!h.IsDouble()) {
        const int t = std::abs(x - point), length = right - left;
        topY = g.y + MulDiv(g.top - g.y, t, length);
        bottomY = g.y + MulDiv(g.bottom - g.y, t, length);
    }
    if (y < std::min(topY, bottomY) - 1 || y > std::max(topY, bottomY) + 1) return false;
    g_model.hitPart = kHairpinWhole;
    return true;
}

void HairpinBehaviour::BeginDrag(CScoreItem& item) const {
    BarItemBehaviour::BeginDrag(item);
    g_model.dragItem = &item;
}

void HairpinBehaviour::DragBy(CScoreItem& item, CDragTask* drag) const {
    if (!drag) return;
    auto& h = *CCresc::Of(&static_cast<CBarItem&>(item));
    const int dx = Units(drag->dx), dy = Units(drag->dy);
    const bool crescendo = h.GetShape() == CCresc::kCrescendo;
    int part = g_model.hitPart;
    if (g_viewDrag.modifierFlagB) part = kHairpinWhole;
    switch (part) {
        case kHairpinPoint:
            if (crescendo)
                g_model.itemDragX = std::int16_t(g_model.itemDragX + dx);
            else
                g_model.dragEndOffsetX = std::int16_t(g_model.dragEndOffsetX + dx);
            h.SetVerticalPosition(h.GetVerticalPosition() + dy);
            h.SetUpper(h.GetUpper() + dy);
            h.SetLower(h.GetLower() - dy);
            break;
        case kHairpinTop:
        case kHairpinBottom:
            if (g_viewDrag.modifierFlagA) {
                if (part == kHairpinTop)
                    h.SetUpper(h.GetUpper() - dy);
                else
                    h.SetLower(h.GetLower() + dy);
            } else if (Feedback()) {
                h.SetUpper(h.GetUpper() - dy);
                h.SetLower(h.GetLower() - dy);
            } else {
                h.SetVerticalPosition(h.GetVerticalPosition() + dy);
            }
            if (crescendo)
                g_model.dragEndOffsetX = std::int16_t(g_model.dragEndOffsetX + dx);
            else
                g_model.itemDragX = std::int16_t(g_model.itemDragX + dx);
            break;
        default:
            g_model.itemDragX = std::int16_t(g_model.itemDragX + dx);
            g_model.dragEndOffsetX = std::int16_t(g_model.dragEndOffsetX + dx);
            h.SetVerticalPosition(h.GetVerticalPosition() + dy);
            break;
    }
    h.UncrossOpenings();
}

void HairpinBehaviour::EndDrag(CScoreItem& item, CDragTask* drag) const {
    BarItemBehaviour::EndDrag(item, drag);
    auto& h = *CCresc::Of(&static_cast<CBarItem&>(item));
    if (g_model.dragItem == &item) {
        h.SetStartOffset(h.GetStartOffset() + g_model.itemDragX);
        h.SetEndOffset(h.GetEndOffset() + g_model.dragEndOffsetX);
        g_model.dragItem = nullptr;
    }
    g_model.itemDragX = 0;
    g_model.dragEndOffsetX = 0;
}

void HairpinBehaviour::Nudge(CScoreItem& item, int dx, int dy) const {
    auto& h = *CCresc::Of(&static_cast<CBarItem&>(item));
    if (dy != 0)
        if (CStaff* staff = g_model.currentStaff) {
            const int centre = h.GetVerticalPosition();
            const int next = staff->StepToNextY(centre, dy > 0 ? 1 : -1);
            h.SetVerticalPosition(next);
            // Each half-opening grows a unit at a time until its edge leaves its old row.
            for (int at : {CCresc::kUpper, CCresc::kLower}) {
                const bool upper = at == CCresc::kUpper;
                const int was = upper ? h.GetUpper() : h.GetLower();
                const int row = staff->OffsetToY(upper ? centre - was : centre + was);
                int v = was;
                for (int i = 0; i < 4096; ++i) {
                    ++v;
                    if (staff->OffsetToY(upper ? next - v : next + v) != row) break;
                }
                if (upper)
                    h.SetUpper(v);
                else
                    h.SetLower(v);
            }
        }
    if (dx != 0)
        if (CBar* bar = g_model.currentBar) {
            h.SetPosition(bar->StepX(h.PositionField(), std::int16_t(dx)));
            h.SetEndPosition(bar->StepX(h.GetEndPosition(), std::int16_t(dx)));
        }
}

void HairpinBehaviour::DrawShape(CBarItem& item) const {
    if (DataShown()) {
        item.DrawDataValue();
        return;
    }
    DrawHairpin(*CCresc::Of(&item));
}

void HairpinBehaviour::DrawDataValue(CBarItem& item) const {
    auto& h = *CCresc::Of(&item);
    CArtist* a = g_draw.artist;
    CBar* bar = g_model.currentBar;
    CScore* score = bar ? bar->GetScore() : nullptr;
    CTrkBar* trkBar = g_model.currentTrkBar;
    if (!a || !bar || !score) return;
    const int track = trkBar ? trkBar->GetTrackIndex() : 0;
    // The seven points at equal steps from the start to the end, carried across bar lines;
    // each drawn on its own bar's system.
    const int start = h.TimeField();
    CBar* endBar = score->GetBar(std::min(bar->GetIndex() + std::max<int>(0, h.GetEndBar()), score->GetBarCount() - 1));
    int length = (endBar ? endBar->FractionToTick(h.GetEndPosition()) : 0) - start;
    for (int i = bar->GetIndex(); endBar && i < endBar->GetIndex(); ++i)
        if (CBar* b = score->GetBar(i)) length += b->GetLength();
    length = std::max(0, length);
    a->PushColor();
    a->SetRoleColor(Highlighted(h) ? 9 : item.VoiceField());
    POINT last{};
    CLine* lastLine = nullptr;
    for (int i = 0; i < CCresc::kCurvePoints; ++i) {
        int t = start + i * length / 6;
        CBar* b = bar;
        while (b && t >= b->GetLength() && !b->IsLast()) {
            t -= b->GetLength();
            b = score->GetBar(b->GetIndex() + 1);
        }
        CLine* line = b ? b->GetLine() : nullptr;
        CStaff* staff = line ? line->GetStaff(track) : nullptr;
        if (!staff) break;
        const int y0 = staff->OffsetToY(staff->GetPlaceC()) - 2;
        const int x = b->TickToLinearX(t);
        const int y = y0 - MulDiv(h.GetCurveValue(i), staff->ScaleLength(g_model.dataView.bandHeight), 128);
        a->Line(x, y, x, y0);
        a->FrameRect(RECT{x - 2, y - 2, x + 2, y + 2});
        if (i > 0 && line == lastLine) a->ThickLine(last.x, last.y, x, y, 2);
        last = POINT{x, y};
        lastLine = line;
    }
    a->PopColor();
}

CBarItem* HairpinBehaviour::PlaceAtPoint(CBarItem& item, ScoreLocation& start, ScoreLocation& end) const {
    auto& h = *CCresc::Of(&item);
    g_model.itemDragX = 0;
    g_model.dragEndOffsetX = 0;
    CTrkBar* before = start.trkBar;
    const int centre = h.GetVerticalPosition();
    // Placed right to left: the start is where the drag ended.
    if (end.pointX < start.pointX) {
        std::swap(start.pointX, end.pointX);
        h.FlipShape();
        h.SwapMarks();
    }
    CBarItem* placed = BarItemBehaviour::PlaceAtPoint(item, start, end);
    if (!placed) return nullptr;
    CCresc::Of(placed)->SetVerticalPosition(centre);
    if (CScore* score = start.bar ? start.bar->GetScore() : nullptr)
        if (CZelDoc* doc = score->GetDocument()) doc->location = start;
    if (start.trkBar && (!before || before->GetTrackIndex() != start.trkBar->GetTrackIndex()))
        placed->AttachToTrack(start.trkBar->GetTrack());
    return placed;
}

// --- the expression ----------------------------------------------------------------------------

void marks::GetExpressionEnds(CBarItem& item, POINT* start, POINT* end) {
    CArtist* a = g_draw.artist;
    if (!a) return;
    a->PushFont();
    const ExpressionGeometry g = MeasureExpression(*CExpression::Of(&item));
    a->PopFont();
    if (start) *start = g.start;
    if (end) *end = g.end;
}

void ExpressionBehaviour::OpenProperties(CScoreItem&, int, int) const { OpenCommand(kEditExpressionCommand); }

RECT* ExpressionBehaviour::GetBounds(CScoreItem& item, RECT* rect) const {
    auto& e = *CExpression::Of(&static_cast<CBarItem&>(item));
    *rect = RECT{};
    CArtist* a = g_draw.artist;
    if (!a) return rect;
    a->PushFont();
    const ExpressionGeometry g = MeasureExpression(e);
    a->PopFont();
    if (g.ok) *rect = ExpressionRect(e, g);
    return rect;
}

bool ExpressionBehaviour::HitTestShape(CBarItem& item, int x, int y) const {
    auto& e = *CExpression::Of(&item);
    if (!e.IsSelectedBit() && !e.IsShownOnStaff()) return false;
    CArtist* a = g_draw.artist;
    if (!a) return false;
    a->PushFont();
    const ExpressionGeometry g = MeasureExpression(e);
    a->PopFont();
    if (!g.ok) return false;
    const int half = std::max(2, g.s / 2);
    if (InSquare(g.end.x, g.end.y, x, y, half)) {
        g_model.hitPart = kExpressionEnd;
        return true;
    }
    g_model.hitPart = std::int16_t(g.textEnd < g.end.x || e.GetEndBar() != 0 ? kExpressionStart : kExpressionWhole);
    const RECT r = ExpressionRect(e, g);
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

void ExpressionBehaviour::BeginDrag(CScoreItem& item) const {
    BarItemBehaviour::BeginDrag(item);
    g_model.dragItem = &item;
    // The drag keeps the line style and shows a dotted line while the item has none.
    if (CDragTask* task = g_viewDrag.currentTask) task->startStaffPos = std::int16_t(CExpression::Of(&static_cast<CBarItem&>(item))->GetLineStyle());
}

void ExpressionBehaviour::DragBy(CScoreItem& item, CDragTask* drag) const {
    if (!drag) return;
    auto& e = *CExpression::Of(&static_cast<CBarItem&>(item));
    const int dx = Units(drag->dx), dy = Units(drag->dy);
    const int part = g_model.hitPart;
    if ((part == kExpressionStart && g_viewDrag.modifierFlagA) || g_viewDrag.modifierFlagB || part == kExpressionWhole) {
        g_model.itemDragX = std::int16_t(g_model.itemDragX + dx);
        g_model.dragEndOffsetX = std::int16_t(g_model.dragEndOffsetX + dx);
        e.SetVerticalOffset(e.GetVerticalOffset() + dy);
    } else if (part == kExpressionStart) {
        g_model.itemDragX = std::int16_t(g_model.itemDragX + dx);
        e.SetVerticalOffset(e.GetVerticalOffset() + dy);
    } else if (part == kExpressionEnd) {
        g_model.dragEndOffsetX = std::int16_t(g_model.dragEndOffsetX + dx);
        // Pulled out beyond its text, a line-less expression keeps a dotted line.
        if (drag->startStaffPos == 0 && dx > 0) drag->startStaffPos = 3;
    }
}

void ExpressionBehaviour::EndDrag(CScoreItem& item, CDragTask* drag) const {
    auto& e = *CExpression::Of(&static_cast<CBarItem&>(item));
    if (drag) e.SetLineStyle(drag->startStaffPos);
    e.SetHorizontalOffset(e.GetHorizontalOffset() + g_model.itemDragX);
    e.SetEndOffset(e.GetEndOffset() + g_model.dragEndOffsetX);
    g_model.itemDragX = 0;
    g_model.dragEndOffsetX = 0;
    if (g_model.dragItem == &item) g_model.dragItem = nullptr;
    BarItemBehaviour::EndDrag(item, drag);
}

void ExpressionBehaviour::DrawShape(CBarItem& item) const {
    if (DataShown()) {
        item.DrawDataValue();
        return;
    }
    auto& e = *CExpression::Of(&item);
    CArtist* a = g_draw.artist;
    CStaff* staff = g_model.currentStaff;
    if (!a || !staff) return;
    if (!e.IsPrinted() && Printing()) return;
    a->PushColor();
    a->PushFont();
    e.SetDrawColor(Highlighted(e));
    const ExpressionGeometry g = MeasureExpression(e);
    if (g.ok) {
        if (e.ErasesBackground() && !Feedback()) PaintOver(a, ExpressionRect(e, g));
        a->DrawText(g.start.x, g.start.y, g.text.c_str());
        g_model.drawnPoint = g.start;
        if (const std::string label = KeySwitchLabel(e); !label.empty()) {
            const int below = 3 * e.ScaleToView(e.GetFont().size) / 4 + std::max(1, e.ScaleToPage(1));
            if (e.ErasesBackground()) {
                const int w = a->TextWidth(label.c_str());
                PaintOver(a, RECT{g.start.x, g.start.y + below - g.ascent, g.start.x + w, g.start.y + below + g.descent});
            }
            a->DrawText(g.start.x, g.start.y + below, label.c_str());
        }
        const int style = ExpressionLineStyle(e);
        if (style != 0) {
            const int right = std::max(g.end.x, g.textEnd + g.s);
            staff->SetScaledPenWidth(10);
            a->ThickLine(g.textEnd, g.start.y, right, g.start.y, style - 1);
            const int hook = 3 * g.s / 4;
            if (e.GetEndHook() & 1) a->Line(right, g.start.y, right, g.start.y - hook);
            if (e.GetEndHook() & 2) a->Line(right, g.start.y, right, g.start.y + hook);
            a->SetPenWidth(20);
        }
    }
    a->PopFont();
    a->PopColor();
}

void ExpressionBehaviour::DrawDataValue(CBarItem& item) const {
    auto& e = *CExpression::Of(&item);
    if (!e.IsKind1()) {
        // An expression without a value (65535) has no stick: it would reach far off the page.
        if (e.GetValue() != 65535) BarItemBehaviour::DrawDataValue(item);
        return;
    }
    // A tempo expression: its start and end tempi, on a range of 300 beats per minute.
    item.VerifyTrack();
    DrawDataStalk(item, e.GetStartTempo(), 30000);
    if (e.GetEndTempo() != e.GetStartTempo()) DrawDataStalk(item, e.GetEndTempo(), 30000);
}

CBarItem* ExpressionBehaviour::PlaceAtPoint(CBarItem& item, ScoreLocation& start, ScoreLocation& end) const {
    g_model.itemDragX = 0;
    g_model.dragEndOffsetX = 0;
    CTrkBar* before = start.trkBar;
    CBarItem* placed = BarItemBehaviour::PlaceAtPoint(item, start, end);
    if (placed && start.trkBar && (!before || before->GetTrackIndex() != start.trkBar->GetTrackIndex()))
        placed->AttachToTrack(start.trkBar->GetTrack());
    return placed;
}
