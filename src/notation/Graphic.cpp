// The graphics, the harp pedal marking and the picture: geometry, drawing, hits, drags,
// placement and stored form.
#include "notation/Graphic.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "framework/Arith.h"
#include "model/Bar.h"
#include "model/DragTask.h"
#include "model/ItemClass.h"
#include "model/ItemFactory.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/ScoreLocation.h"
#include "model/ScoreStandIns.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "notation/NotationGlobals.h"
#include "platform/Artist.h"
#include "platform/ChunkStream.h"
#include "platform/DrawGlobals.h"
#include "platform/PlatformGlobals.h"
#include "platform/PortLayer.h"

namespace {

constexpr int kWhole = GraphicBehaviour::kWholeItem;

CGraphic& G(CScoreItem& item) { return static_cast<CGraphic&>(item); }

// A drag's page movement in the units of the offsets (1/120 of the current staff's space).
int Units(int pixels) {
    CStaff* staff = g_model.currentStaff;
    return staff && pixels != 0 ? staff->UnscaleOffset(pixels) : pixels;
}

bool OnScreen() { return !g_draw.printingDC && !g_draw.feedbackDrawing; }
int HandleHalf() { return g_draw.artist ? g_draw.artist->Scale(2) : 2; }
bool InSquare(const POINT& p, int x, int y) {
    const int h = HandleHalf();
    return x >= p.x - h && x <= p.x + h && y >= p.y - h && y <= p.y + h;
}
RECT Ordered(RECT r) {
    if (r.left > r.right) std::swap(r.left, r.right);
    if (r.top > r.bottom) std::swap(r.top, r.bottom);
    return r;
}
void Handles(const POINT* p, int n) {
    if (CArtist* a = g_draw.artist)
        for (int i = 0; i < n; ++i) a->DrawHandle(p[i].x, p[i].y, false);
}

// Writes the record's bytes after the head in file order through a copy.
template <typename Convert>
void WriteConverted(CScoreItem& item, CChunkStream& stream, Convert convert) {
    const int size = item.RecordSizeField();
    if (size <= CBarItem::kHeadEnd) return;
    std::vector<std::uint8_t> copy(static_cast<std::size_t>(size));
    std::memcpy(copy.data(), &item, copy.size());
    convert(reinterpret_cast<CBarItem*>(copy.data()));
    stream.WriteBytes(copy.data() + CBarItem::kHeadEnd, std::uint32_t(size - CBarItem::kHeadEnd));
}

// The staff of a track of the current system, held to the system's staves (a file's end staff
// of any value names one of them).
CStaff* StaffOfTrack(int track) {
    CLine* line = g_model.currentLine;
    if (!line) return g_model.currentStaff;
    const int count = line->GetStaffCount();
    if (count <= 0) return g_model.currentStaff;
    return line->GetStaff(std::clamp(track, 0, count - 1));
}

}  // namespace

// --- the graphic ------------------------------------------------------------------------------------

const GraphicBehaviour& GraphicBehaviour::Instance() {
    static const GraphicBehaviour behaviour;
    return behaviour;
}

int GraphicBehaviour::Tolerance(CGraphic& g) { return g.ScaleToView(g.LineWidth()) / 40 + 1; }

void GraphicBehaviour::OpenProperties(CScoreItem&, int, int) const {
    if (CZelDoc* doc = g_model.currentDoc) doc->OnCommandRange(kEditCommand);
}

int GraphicBehaviour::GetKind(CScoreItem& item) const { return G(item).Kind(); }

int GraphicBehaviour::GetWantedSize(CScoreItem& item) const {
    auto& g = G(item);
    return g.TypeCode() == CGraphic::kBaseType ? CGraphic::SizeOfKind(g.Kind()) : GetItemRecordSize(&item);
}

void GraphicBehaviour::GetEndPoints(CBarItem& item, POINT* start, POINT* end) const {
    auto& g = G(item);
    CBar* bar = g_model.currentBar;
    CScore* score = bar ? bar->GetScore() : g_model.currentScore;
    if (bar && score && g.EndBars() > 0 && bar->GetIndex() + g.EndBars() >= score->GetBarCount()) {
        g.SetEndBars(score->GetBarCount() - bar->GetIndex() - 1);
        g.SetEndPosition(1023);
    }
    if (g.EndBars() < 0) g.SetEndBars(0);
    POINT s{}, e{};
    CStaff* staff = g_model.currentStaff;
    CTrkBar* trkBar = g_model.currentTrkBar;
    if (bar) {
        s.x = bar->PositionToItemX(g.PositionField(), g.StartDx() + g_notation.graphicStartDragX);
        e.x = bar->SpanPositionToX(g.EndBars(), g.EndPosition(), g.EndDx() + g_notation.graphicEndDragX, true);
    }
    if (staff) s.y = staff->OffsetToY(g.StartDy());
    CStaff* endStaff = trkBar ? StaffOfTrack(trkBar->GetTrackIndex() + g.EndStaff()) : staff;
    if (endStaff) e.y = endStaff->OffsetToY(g.EndDy());
    if (start) *start = s;
    if (end) *end = e;
}

int GraphicBehaviour::GetPoints(CGraphic& g, POINT* p) const {
    GetEndPoints(g, &p[0], &p[3]);
    p[1] = POINT{p[3].x, p[0].y};
    p[2] = POINT{p[0].x, p[3].y};
    return 4;
}

RECT* GraphicBehaviour::GetBounds(CScoreItem& item, RECT* rect) const {
    auto& g = G(item);
    POINT s{}, e{};
    GetEndPoints(g, &s, &e);
    RECT r{s.x, s.y, e.x, e.y};
    if (g.LineStyle() == 2 && (g.Kind() == CGraphic::kRect || g.Kind() == CGraphic::kRoundRect)) {
        LONG& lo = r.left <= r.right ? r.left : r.right;
        LONG& hi = r.left <= r.right ? r.right : r.left;
        if (lo % 2 == 0) lo -= 1;
        if (hi % 2 != 0) hi += 1;
    }
    if (r.left == r.right) r.right += 1;
    if (r.top == r.bottom) r.bottom += 1;
    *rect = r;
    return rect;
}

bool GraphicBehaviour::IntersectsRect(CScoreItem& item, const RECT& rect) const {
    RECT r;
    const RECT b = Ordered(*GetBounds(item, &r));
    return b.left < rect.right && b.right > rect.left && b.top < rect.bottom && b.bottom > rect.top;
}

void GraphicBehaviour::DrawShape(CBarItem& item) const {
    auto& g = G(item);
    CArtist* a = g_draw.artist;
    if (!a) return;
    RECT r;
    GetBounds(g, &r);
    const bool dragging = g_draw.feedbackDrawing;
    if (g.IsFilled() && !dragging && g.Kind() != CGraphic::kWedge) FillShape(g, Ordered(r));
    const bool selected = g.IsSelectedBit() && OnScreen();
    g.SetDrawColor(selected);
    if (g.LineWidth() != 0 || dragging)
        a->DrawGraphicShape(r, g.Kind(), g.ScaleToView(g.LineWidth()), g.LineStyle(), g.Radius());
    if (selected) {
        const POINT corners[4] = {{r.left, r.top}, {r.right, r.top}, {r.left, r.bottom}, {r.right, r.bottom}};
        Handles(corners, 4);
    }
    g.ResetDrawColor();
    if (dragging) {
        const int hit = g_model.hitPart;
        const bool left = hit == 0 || hit == 1 || hit == 5 || hit == kWhole;
        g_model.drawnPoint = POINT{left ? r.left : r.right, r.bottom};
    }
}

bool GraphicBehaviour::HitTestShape(CBarItem& item, int x, int y) const {
    auto& g = G(item);
    RECT r;
    GetBounds(g, &r);
    const POINT tl{r.left, r.top}, br{r.right, r.bottom}, bl{r.left, r.bottom}, tr{r.right, r.top};
    const std::pair<POINT, int> handles[4] = {{tl, 1}, {br, 3}, {bl, 0}, {tr, 2}};
    for (const auto& [p, part] : handles)
        if (InSquare(p, x, y)) {
            g_model.hitPart = std::int16_t(part);
            return true;
        }
    const RECT o = Ordered(r);
    const int t = Tolerance(g) * 2;
    if (y >= o.top && y <= o.bottom) {
        if (std::abs(x - r.left) <= t) return g_model.hitPart = 5, true;
        if (std::abs(x - r.right) <= t) return g_model.hitPart = 6, true;
    }
    if (x >= o.left && x <= o.right) {
        if (std::abs(y - r.top) <= t) return g_model.hitPart = 7, true;
        if (std::abs(y - r.bottom) <= t) return g_model.hitPart = 8, true;
    }
    if (x >= o.left && x <= o.right && y >= o.top && y <= o.bottom) return g_model.hitPart = kWhole, true;
    return false;
}

void GraphicBehaviour::BeginDrag(CScoreItem& item) const {
    CDragTask* drag = g_viewDrag.currentTask;
    const int part = g_model.hitPart;
    if (drag && drag->item == &item && part != kWholeItem && !g_platform.altDown && !g_platform.ctrlDown) {
        POINT s{}, e{};
        GetEndPoints(static_cast<CBarItem&>(item), &s, &e);
        // The handles and the edge that move the end's x, then those that move its y.
        if (part == 2 || part == 3 || part == 6) {
            drag->anchor.x = e.x - 1;
            drag->moved = 0;
        }
        if (part == 0 || part == 3 || part == 8) drag->anchor.y = e.y - 1;
    }
    BarItemBehaviour::BeginDrag(item);
}

void GraphicBehaviour::DragBy(CScoreItem& item, CDragTask* drag) const {
    auto& g = G(item);
    if (!drag) return;
    const int dx = Units(drag->dx), dy = Units(drag->dy);
    int& s = g_notation.graphicStartDragX;
    int& e = g_notation.graphicEndDragX;
    const int part = g_platform.altDown || g_platform.ctrlDown ? kWhole : g_model.hitPart;
    switch (part) {
        case kWhole:
            s += dx, e += dx;
            g.SetStartDy(g.StartDy() + dy);
            g.SetEndDy(g.EndDy() + dy);
            break;
        case 1:
            s += dx;
            g.SetStartDy(g.StartDy() + dy);
            break;
        case 0:
            s += dx;
            g.SetEndDy(g.EndDy() + dy);
            break;
        case 2:
            e += dx;
            g.SetStartDy(g.StartDy() + dy);
            break;
        case 3:
            e += dx;
            g.SetEndDy(g.EndDy() + dy);
            if (g_platform.shiftDown && g.Kind() != CGraphic::kLine && g.Kind() != CGraphic::kCurve) {
                e += dy;
                g.SetEndDy(g.EndDy() + dx);
            }
            break;
        case 5: g.SetStartDx(g.StartDx() + dx); break;
        case 6: e += dx; break;
        case 7: g.SetStartDy(g.StartDy() + dy); break;
        case 8: g.SetEndDy(g.EndDy() + dy); break;
        default: break;
    }
}

void GraphicBehaviour::Nudge(CScoreItem& item, int dx, int dy) const {
    auto& g = G(item);
    CStaff* staff = g_model.currentStaff;
    if (!staff) return;
    if (dx != 0) {
        g.SetStartDx(staff->StepToNextY(g.StartDx(), dx > 0 ? 1 : -1));
        g.SetEndDx(staff->StepToNextY(g.EndDx(), dx > 0 ? 1 : -1));
    }
    if (dy != 0) {
        g.SetStartDy(staff->StepToNextY(g.StartDy(), dy > 0 ? -1 : 1));
        g.SetEndDy(staff->StepToNextY(g.EndDy(), dy > 0 ? -1 : 1));
    }
}

int GraphicBehaviour::GetPlaybackController(CBarItem& item, int arg) const { return G(item).GetPlaybackController(arg); }
int GraphicBehaviour::GetPlaybackValue(CBarItem& item, int) const { return G(item).GetPlaybackValue(); }

void GraphicBehaviour::SetEndStaffOffset(CBarItem& item, int staves) const { G(item).SetEndStaff(staves); }
void GraphicBehaviour::SetHorizontalOffset(CBarItem& item, int offset) const { G(item).SetStartDx(offset); }
void GraphicBehaviour::SetVerticalOffset(CBarItem& item, int offset) const { G(item).SetStartDy(offset); }
void GraphicBehaviour::SetEndHorizontalOffset(CBarItem& item, int offset) const { G(item).SetEndDx(offset); }
void GraphicBehaviour::SetEndVerticalOffset(CBarItem& item, int offset) const { G(item).SetEndDy(offset); }
void GraphicBehaviour::SetEnd(CBarItem& item, int bars, int position) const {
    G(item).SetEndBars(bars);
    G(item).SetEndPosition(position);
}

CBarItem* GraphicBehaviour::PlaceAtPoint(CBarItem& item, ScoreLocation& start, ScoreLocation& end) const {
    auto& g = G(item);
    const int kind = g.Kind();
    if (kind == CGraphic::kWedge && end.pointX < start.pointX) g.SetFlag(CGraphic::kReversed, !g.HasFlag(CGraphic::kReversed));
    g_notation.graphicStartDragX = 0;
    g_notation.graphicEndDragX = 0;
    if (kind == CGraphic::kLine || kind == CGraphic::kCurve) {
        if (end.pointX < start.pointX) {
            std::swap(start.pointX, end.pointX);
            std::swap(start.pointY, end.pointY);
            if (kind == CGraphic::kCurve) {
                const int shift = g.StartDy() - g.EndDy();
                for (int i = 0; i < 2; ++i) g.SetControl(i, g.ControlX(i), g.ControlY(i) + shift);
            } else {
                const bool a = g.HasFlag(CGraphic::kArrowStart), b = g.HasFlag(CGraphic::kArrowEnd);
                g.SetFlag(CGraphic::kArrowStart, b);
                g.SetFlag(CGraphic::kArrowEnd, a);
            }
        }
    } else {
        if (end.pointX < start.pointX) std::swap(start.pointX, end.pointX);
        if (end.pointY < start.pointY) std::swap(start.pointY, end.pointY);
    }
    const int releaseX = end.pointX;
    CBarItem* placed = BarItemBehaviour::PlaceAtPoint(item, start, end);
    if (!placed) return nullptr;
    auto* p = CGraphic::Of(placed);
    if (!p->HasFlag(CGraphic::kFreeEnd) && start.bar) {
        p->SetEndBars(0);
        p->SetEndPosition(p->PositionField());
        p->SetEndDx(start.bar->XToItemOffset(releaseX, p->PositionField(), start.staff));
    }
    if (CZelDoc* doc = start.bar && start.bar->GetScore() ? start.bar->GetScore()->GetDocument() : nullptr)
        doc->location = start;
    return placed;
}

void GraphicBehaviour::WriteBody(CScoreItem& item, CChunkStream& stream) const {
    WriteConverted(item, stream, [](CBarItem* copy) { CGraphic::Of(copy)->FieldsToFileOrder(); });
}

void GraphicBehaviour::ToFileOrder(CScoreItem& item) const {
    G(item).FieldsToFileOrder();
    BarItemBehaviour::ToFileOrder(item);
}

void GraphicBehaviour::FromFileOrder(CScoreItem& item) const {
    auto& g = G(item);
    const int size = g.RecordSizeField();
    if (g_model.loadedFileVersion >= 0x400 || size < CGraphic::kOldSize) {
        g.FieldsFromFileOrder();
        return;
    }
    // An older file holds no playback setting: 32 zero bytes open at 40 where the reader gave
    // room, and the graphic does not play.
    if (RecordReadRoom(item) < size + CGraphic::kPlaybackSize) {
        g.FieldsFromFileOrder();
        return;
    }
    std::uint8_t* b = g.Bytes();
    std::memmove(b + CGraphic::kPlayback + CGraphic::kPlaybackSize, b + CGraphic::kPlayback, std::size_t(size - CGraphic::kPlayback));
    std::memset(b + CGraphic::kPlayback, 0, CGraphic::kPlaybackSize);
    g.CBaseItem::SetSize(std::int16_t(size + CGraphic::kPlaybackSize));
    g.FieldsFromFileOrder();
    g.SetFlag8Bit1(true);
}

int DescribeGraphicPlayback(CGraphic& g, SpanPlayback& out) {
    CBar* bar = g_model.currentBar;
    CScore* score = bar ? bar->GetScore() : g_model.currentScore;
    out = SpanPlayback{};
    out.startBar = bar ? bar->GetIndex() : 0;
    out.startTime = g.TimeField();
    out.startTimeAgain = out.startTime;
    out.startPosition = g.PositionField();
    out.voice = g.VoiceField();
    out.endBar = out.startBar + std::max(0, g.EndBars());
    CBar* endBar = score ? score->GetBar(out.endBar) : nullptr;
    out.endPosition = g.EndPosition();
    out.endTimeInBar = endBar ? endBar->FractionToTick(g.EndPosition()) : 0;
    out.endTime = out.endTimeInBar;
    for (int b = out.startBar; score && b < out.endBar; ++b)
        if (CBar* each = score->GetBar(b)) out.endTime += each->GetLength();
    g.GetPlayback(out.setting);
    return 2;
}

// --- the shapes ----------------------------------------------------------------------------------------

const GrRectBehaviour& GrRectBehaviour::Instance() {
    static const GrRectBehaviour behaviour;
    return behaviour;
}
void GrRectBehaviour::FillShape(CGraphic&, const RECT& rect) const {
    CArtist* a = g_draw.artist;
    if (!a) return;
    if (g_draw.printingDC) a->EraseRect(rect);
    else a->DrawClipped(rect);
}

const GrRoundRectBehaviour& GrRoundRectBehaviour::Instance() {
    static const GrRoundRectBehaviour behaviour;
    return behaviour;
}
void GrRoundRectBehaviour::FillShape(CGraphic& g, const RECT& rect) const {
    // Without rounded corners it fills as a rectangle does.
    if (g.Radius() == 0) {
        GrRectBehaviour::Instance().FillShape(g, rect);
        return;
    }
    if (CArtist* a = g_draw.artist) a->PaintRoundRect(rect, g.Radius(), g.Radius());
}

const GrOvalBehaviour& GrOvalBehaviour::Instance() {
    static const GrOvalBehaviour behaviour;
    return behaviour;
}
void GrOvalBehaviour::FillShape(CGraphic&, const RECT& rect) const {
    if (CArtist* a = g_draw.artist) a->PaintOval(rect);
}

const GrLineBehaviour& GrLineBehaviour::Instance() {
    static const GrLineBehaviour behaviour;
    return behaviour;
}

int GrLineBehaviour::ArrowSize(CGraphic& g) {
    CStaff* staff = g_model.currentStaff;
    const int v = g.LineWidth() / 10 + 5;
    return staff ? staff->ScaleToView(v) : v;
}

bool GrLineBehaviour::IntersectsRect(CScoreItem& item, const RECT& rect) const {
    POINT s{}, e{};
    GetEndPoints(G(item), &s, &e);
    const auto in = [&](const POINT& p) { return p.x >= rect.left && p.x < rect.right && p.y >= rect.top && p.y < rect.bottom; };
    return in(s) || in(e);
}

void GrLineBehaviour::DrawShape(CBarItem& item) const {
    auto& g = G(item);
    CArtist* a = g_draw.artist;
    if (!a) return;
    const bool selected = g.IsSelectedBit() && OnScreen();
    g.SetDrawColor(selected);
    a->SetPenWidth(g.ScaleToView(g.LineWidth()));
    POINT s{}, e{};
    GetEndPoints(g, &s, &e);
    POINT from = s, to = e;
    const bool arrowStart = g.HasFlag(CGraphic::kArrowStart), arrowEnd = g.HasFlag(CGraphic::kArrowEnd);
    if (arrowStart || arrowEnd) {
        const int size = ArrowSize(g);
        const double len = std::hypot(double(e.x - s.x), double(e.y - s.y));
        if (len > 0) {
            const double f = size / len;
            if (arrowStart) {
                from = POINT{s.x + LONG(std::lround((e.x - s.x) * f)), s.y + LONG(std::lround((e.y - s.y) * f))};
                a->FillRotatedShape(e.x, e.y, s.x, s.y, size, false, g.IsFilled());
            }
            if (arrowEnd) {
                to = POINT{s.x + LONG(std::lround((e.x - s.x) * (1 - f))), s.y + LONG(std::lround((e.y - s.y) * (1 - f)))};
                a->FillRotatedShape(s.x, s.y, e.x, e.y, size, false, g.IsFilled());
            }
        }
    }
    a->ThickLine(from.x, from.y, to.x, to.y, g.LineStyle());
    a->SetPenWidth(20);
    if (selected) {
        const POINT ends[2] = {s, e};
        Handles(ends, 2);
    }
    g.ResetDrawColor();
    if (g_draw.feedbackDrawing) g_model.drawnPoint = g_model.hitPart == 3 ? e : s;
}

bool GrLineBehaviour::HitTestShape(CBarItem& item, int x, int y) const {
    auto& g = G(item);
    POINT s{}, e{};
    GetEndPoints(g, &s, &e);
    if (InSquare(s, x, y)) return g_model.hitPart = 1, true;
    if (InSquare(e, x, y)) return g_model.hitPart = 3, true;
    g_model.hitPart = kWhole;
    const int t = Tolerance(g);
    const RECT r = Ordered(RECT{s.x, s.y, e.x, e.y});
    if (s.x == e.x) return x >= r.left && x <= r.right + t && y >= r.top && y <= r.bottom;
    if (s.y == e.y) return x >= r.left && x <= r.right && y >= r.top && y <= r.bottom + t;
    if (x <= r.left || x >= r.right) return false;
    return std::abs(y - Interpolate(s.x, s.y, e.x, e.y, x)) <= t;
}

const GrCurveBehaviour& GrCurveBehaviour::Instance() {
    static const GrCurveBehaviour behaviour;
    return behaviour;
}

int GrCurveBehaviour::GetPoints(CGraphic& g, POINT* p) const {
    GetEndPoints(g, &p[0], &p[3]);
    CStaff* staff = g_model.currentStaff;
    for (int i = 0; i < 2; ++i) {
        p[i + 1].x = p[0].x + int((long long)(p[3].x - p[0].x) * g.ControlX(i) / 1024);
        p[i + 1].y = staff ? staff->OffsetToY(g.StartDy() + g.ControlY(i)) : p[0].y;
    }
    return 4;
}

RECT* GrCurveBehaviour::GetBounds(CScoreItem& item, RECT* rect) const {
    POINT p[4];
    GetPoints(G(item), p);
    RECT r{p[0].x, p[0].y, p[0].x, p[0].y};
    for (const POINT& q : p) {
        r.left = std::min<LONG>(r.left, q.x);
        r.top = std::min<LONG>(r.top, q.y);
        r.right = std::max<LONG>(r.right, q.x);
        r.bottom = std::max<LONG>(r.bottom, q.y);
    }
    r.left -= 1, r.top -= 1, r.right += 1, r.bottom += 1;
    *rect = r;
    return rect;
}

void GrCurveBehaviour::DrawShape(CBarItem& item) const {
    auto& g = G(item);
    CArtist* a = g_draw.artist;
    if (!a) return;
    POINT p[4];
    GetPoints(g, p);
    const bool selected = g.IsSelectedBit() && OnScreen();
    g.SetDrawColor(selected);
    a->DrawBezier(p, g.ScaleToView(g.LineWidth()), 0, g.LineStyle());
    if (selected) Handles(p, 4);
    g.ResetDrawColor();
    if (g_draw.feedbackDrawing) {
        const int hit = g_model.hitPart;
        g_model.drawnPoint = hit >= 0 && hit <= 3 ? p[hit] : p[0];
    }
}

bool GrCurveBehaviour::HitTestShape(CBarItem& item, int x, int y) const {
    auto& g = G(item);
    POINT p[4];
    GetPoints(g, p);
    for (int i = 0; i < 4; ++i)
        if (InSquare(p[i], x, y)) return g_model.hitPart = std::int16_t(i), true;
    POINT flat[20];
    const int n = std::min(FlattenBezier(p, flat, 10), 20);
    for (int i = 0; i + 1 < n; ++i) {
        const POINT a = flat[i], b = flat[i + 1];
        if (x < std::min(a.x, b.x) || x > std::max(a.x, b.x)) continue;
        const int yy = a.x == b.x ? a.y : Interpolate(a.x, a.y, b.x, b.y, x);
        if (std::abs(y - yy) <= 1) return g_model.hitPart = 4, true;
    }
    return false;
}

void GrCurveBehaviour::DragBy(CScoreItem& item, CDragTask* drag) const {
    auto& g = G(item);
    if (!drag) return;
    const int dx = Units(drag->dx), dy = Units(drag->dy);
    POINT s{}, e{};
    GetEndPoints(g, &s, &e);
    const int span = e.x - s.x;
    // The control points' fractions of the span follow the pointer on the page.
    const int fraction = span != 0 ? drag->dx * 1024 / span : 0;
    if (g_platform.altDown || g_platform.ctrlDown) {
        g.SetStartDx(g.StartDx() + dx);
        g.SetEndDx(g.EndDx() + dx);
        g.SetStartDy(g.StartDy() + dy);
        g.SetEndDy(g.EndDy() + dy);
        return;
    }
    switch (g_model.hitPart) {
        case 0:
            g.SetStartDx(g.StartDx() + dx);
            g.SetStartDy(g.StartDy() + dy);
            for (int i = 0; i < 2; ++i) g.SetControl(i, g.ControlX(i), g.ControlY(i) - dy);
            break;
        case 1:
        case 2: {
            const int i = g_model.hitPart - 1;
            g.SetControl(i, g.ControlX(i) + fraction, g.ControlY(i) + dy);
            break;
        }
        case 3:
            g.SetEndDx(g.EndDx() + dx);
            g.SetEndDy(g.EndDy() + dy);
            break;
        case 4:
            for (int i = 0; i < 2; ++i) g.SetControl(i, g.ControlX(i) + fraction, g.ControlY(i) + dy);
            break;
        default: break;
    }
}

const GrWedgeBehaviour& GrWedgeBehaviour::Instance() {
    static const GrWedgeBehaviour behaviour;
    return behaviour;
}

void GrWedgeBehaviour::DrawShape(CBarItem& item) const {
    auto& g = G(item);
    CArtist* a = g_draw.artist;
    if (!a) return;
    POINT s{}, e{};
    GetEndPoints(g, &s, &e);
    RECT r{s.x, s.y, e.x, e.y};
    if (g.HasFlag(CGraphic::kReversed)) std::swap(r.left, r.right);
    if (r.left == r.right) r.right += 1;
    if (r.top == r.bottom) r.bottom += 1;
    const bool selected = g.IsSelectedBit() && OnScreen();
    g.SetDrawColor(selected);
    if (g.LineWidth() != 0 || g_draw.feedbackDrawing)
        a->DrawGraphicShape(r, CGraphic::kWedge, g.ScaleToView(g.LineWidth()), g.LineStyle(), g.IsFilled() ? 1 : 0);
    if (selected) {
        const POINT corners[4] = {{r.left, r.top}, {r.right, r.top}, {r.left, r.bottom}, {r.right, r.bottom}};
        Handles(corners, 4);
    }
    g.ResetDrawColor();
    if (g_draw.feedbackDrawing) g_model.drawnPoint = POINT{g_model.hitPart == kWhole ? r.left : r.right, r.bottom};
}

// --- the harp pedal marking ------------------------------------------------------------------------

namespace {

CHarpPed& H(CScoreItem& item) { return static_cast<CHarpPed&>(item); }

struct HarpGeometry {
    int x = 0, y = 0, s = 6, h = 3;
};

HarpGeometry HarpAt(CHarpPed& harp) {
    HarpGeometry g;
    CBar* bar = g_model.currentBar;
    CStaff* staff = g_model.currentStaff;
    if (bar) g.x = bar->PositionToItemX(harp.PositionField(), harp.XOffset());
    if (staff) {
        g.y = staff->OffsetToY(harp.YOffset());
        g.s = staff->Space();
    }
    if (harp.Scale()) g.s = g.s * harp.Scale() / 100;
    g.h = g.s / 2;
    return g;
}

// The letters' font (a text face at the staff's scaling of 14, by the item's scale) selected.
int SelectLetterFont(CHarpPed& harp) {
    CArtist* a = g_draw.artist;
    CScore* score = g_model.currentScore;
    FontRef font = score ? score->textFont1 : FontRef{};
    font.size = 14;
    if (harp.Scale()) font.size = std::uint16_t(font.size * harp.Scale() / 100);
    CStaff* staff = g_model.currentStaff;
    if (staff) font.size = std::uint16_t(std::max(1, staff->ScaleToView(font.size) * 100 / std::max(1, a->GetZoom())));
    a->SetFontRef(font);
    return a->TextWidth("D") * 3 / 2;
}

bool HarpShown(CHarpPed& harp, int i) { return harp.Style() != 3 || (harp.Shown() >> i & 1) != 0; }

}  // namespace

const HarpPedBehaviour& HarpPedBehaviour::Instance() {
    static const HarpPedBehaviour behaviour;
    return behaviour;
}

void HarpPedBehaviour::OpenProperties(CScoreItem&, int, int) const {
    if (CZelDoc* doc = g_model.currentDoc) doc->OnCommandRange(kEditCommand);
}

void HarpPedBehaviour::GetEndPoints(CBarItem& item, POINT* start, POINT* end) const {
    const HarpGeometry g = HarpAt(H(item));
    if (start) *start = POINT{g.x, g.y};
    if (end) *end = POINT{g.x + g.s * 33 / 4, g.y};
}

RECT* HarpPedBehaviour::GetBounds(CScoreItem& item, RECT* rect) const {
    auto& harp = H(item);
    const HarpGeometry g = HarpAt(harp);
    if (harp.Style() == 0) {
        *rect = RECT{g.x, g.y - 3 * g.h, g.x + 8 * g.s + g.h / 2, g.y + 3 * g.h};
        return rect;
    }
    RECT r{g.x, g.y - 2 * g.s, g.x, g.y + g.h};
    if (CArtist* a = g_draw.artist) {
        a->PushFont();
        const int step = SelectLetterFont(harp);
        a->PopFont();
        for (int i = 0; i < CHarpPed::kPedalCount; ++i) {
            if (harp.Style() == 2 && i == 4) {
                r.bottom += g.s + g.h;
                break;
            }
            if (HarpShown(harp, i)) r.right += step;
        }
    }
    *rect = r;
    return rect;
}

void HarpPedBehaviour::DrawShape(CBarItem& item) const {
    auto& harp = H(item);
    CArtist* a = g_draw.artist;
    if (!a || !harp.Whole()) return;
    const HarpGeometry g = HarpAt(harp);
    g_model.drawnPoint = POINT{g.x, g.y};
    const bool selected = harp.IsSelectedBit() && !g_draw.dragInProgress && !g_draw.printingDC;
    harp.SetDrawColor(selected);
    if (harp.Style() == 0) {
        a->SetPenWidth(harp.ScaleToView(10));
        a->Line(g.x, g.y, g.x + 8 * g.s + g.h / 2, g.y);
        const int divider = g.x + 4 * g.s - g.h / 2;
        a->Line(divider, g.y - 3 * g.h, divider, g.y + 3 * g.h);
        a->SetPenWidth(20);
        int x = g.x + g.h;
        const int w = harp.ScaleToView(2) + 1;
        for (int i = 0; i < CHarpPed::kPedalCount; ++i) {
            const int v = harp.Pedal(i);
            const int top = v < 0 ? g.y - 3 * g.h : v == 0 ? g.y - g.h : g.y + g.h;
            const RECT box{x, top, x + w, top + g.s + 1};
            if (g_draw.printingDC) a->FillRectColor(RECT{box.left, box.top - 1, box.right, box.bottom}, 0);
            else a->FillRectRgn(box);
            x += g.s;
            if (i == 2) x += g.s;
        }
    } else {
        a->PushFont();
        const int step = SelectLetterFont(harp);
        int musicSize = 16;
        if (harp.Scale()) musicSize = musicSize * harp.Scale() / 100;
        CStaff* staff = g_model.currentStaff;
        const int glyphSize = staff ? staff->ScaleToView(musicSize) : musicSize;
        int x = g.x, y = harp.Style() == 2 ? g.y - g.h : g.y;
        for (int i = 0; i < CHarpPed::kPedalCount; ++i) {
            if (harp.Style() == 2 && i == 3) {
                x = g.x;
                y += 2 * g.s;
            }
            if (!HarpShown(harp, i)) continue;
            const char letter[2] = {CHarpPed::kLetters[i], 0};
            a->DrawCharEx(x, y, CHarpPed::kLetters[i]);
            const int letterWidth = a->TextWidth(letter);
            const int v = harp.Pedal(i);
            const int glyph = v < 0 ? 34 : v == 0 ? 35 : 33;
            const int raise = g.s - harp.ScaleToView(1) - (v < 0 ? g.h : 0);
            a->PushFont();
            a->SetMusicFont(glyphSize);
            a->DrawGlyph(x + letterWidth, y - raise, glyph);
            a->PopFont();
            x += step;
        }
        a->PopFont();
    }
    harp.ResetDrawColor();
}

void HarpPedBehaviour::DragBy(CScoreItem& item, CDragTask* drag) const {
    if (!drag) return;
    auto& harp = H(item);
    harp.SetXOffset(harp.XOffset() + Units(drag->dx));
    harp.SetYOffset(harp.YOffset() + Units(drag->dy));
}

void HarpPedBehaviour::SetHorizontalOffset(CBarItem& item, int offset) const { H(item).SetXOffset(offset); }
void HarpPedBehaviour::SetVerticalOffset(CBarItem& item, int offset) const { H(item).SetYOffset(offset); }

namespace {

void HarpCoords(CBarItem* item, bool toFile) {
    auto* h = static_cast<CHarpPed*>(item);
    if (!h->Whole()) return;
    const auto swapped = [](std::int16_t v) { return std::int16_t(std::uint16_t(std::uint16_t(v) << 8 | std::uint16_t(v) >> 8)); };
    for (int at : {int(CHarpPed::kXOffset), int(CHarpPed::kYOffset)}) {
        const auto v = rec::Get<std::int16_t>(h, std::size_t(at));
        rec::Put<std::int16_t>(h, std::size_t(at), toFile ? swapped(std::int16_t(v / 5)) : std::int16_t(swapped(v) * 5));
    }
}

}  // namespace

void HarpPedBehaviour::WriteBody(CScoreItem& item, CChunkStream& stream) const {
    WriteConverted(item, stream, [](CBarItem* copy) { HarpCoords(copy, true); });
}

void HarpPedBehaviour::ToFileOrder(CScoreItem& item) const {
    HarpCoords(&static_cast<CBarItem&>(item), true);
    BarItemBehaviour::ToFileOrder(item);
}

void HarpPedBehaviour::FromFileOrder(CScoreItem& item) const { HarpCoords(&static_cast<CBarItem&>(item), false); }

// --- the picture -------------------------------------------------------------------------------------

namespace {

CPict& P(CScoreItem& item) { return static_cast<CPict&>(item); }

}  // namespace

const PictBehaviour& PictBehaviour::Instance() {
    static const PictBehaviour behaviour;
    return behaviour;
}

// A picture has no content: its extent is two line spacings square from its point, so that its
// frame and hit test never use unset bounds.
RECT* PictBehaviour::GetBounds(CScoreItem& item, RECT* rect) const {
    auto& p = P(item);
    CBar* bar = g_model.currentBar;
    CStaff* staff = g_model.currentStaff;
    const int x = bar ? bar->PositionToItemX(p.PositionField(), 0) : 0;
    const int y = staff ? staff->OffsetToY(p.YOffset()) : 0;
    const int s = staff ? staff->Space() : 6;
    *rect = RECT{x, y, x + 2 * s, y + 2 * s};
    return rect;
}

void PictBehaviour::DrawShape(CBarItem& item) const {
    auto& p = P(item);
    CArtist* a = g_draw.artist;
    if (!a || !p.IsSelectedBit() || g_draw.dragInProgress || g_draw.printingDC) return;
    RECT r;
    GetBounds(p, &r);
    a->FrameRectInColor(r);
}

void PictBehaviour::DrawDragFeedback(CScoreItem& item) const {
    auto& p = P(item);
    p.Invalidate();
    RECT r;
    GetBounds(p, &r);
    if (CArtist* a = g_draw.artist) a->FrameRectInColor(r);
}

void PictBehaviour::DragBy(CScoreItem& item, CDragTask* drag) const {
    if (!drag) return;
    auto& p = P(item);
    p.SetYOffset(p.YOffset() + Units(drag->dy));
    p.SetPositionField(std::int16_t(p.PositionField() + drag->positionStep));
}

void PictBehaviour::ToFileOrder(CScoreItem& item) const { BarItemBehaviour::ToFileOrder(item); }

void PictBehaviour::SetVerticalOffset(CBarItem& item, int offset) const { P(item).SetYOffset(offset); }

CBarItem* PictBehaviour::PlaceAtPoint(CBarItem& item, ScoreLocation& start, ScoreLocation& end) const {
    const int x = start.pointX, y = start.pointY;
    start.pointY = y + (end.pointY - y) / 2;
    CBarItem* placed = BarItemBehaviour::PlaceAtPoint(item, start, end);
    if (!placed) return nullptr;
    start.pointX = x;
    start.pointY = y;
    if (start.staff) P(*placed).SetYOffset(start.staff->YToOffset(y));
    if (!start.item && start.xOffset < 0 && start.bar) placed->SetPositionField(start.bar->XToFraction(x));
    return placed;
}

// --- registration --------------------------------------------------------------------------------------

void RegisterGraphicClasses() {
    ItemClassTable& table = ItemClasses();
    table.SetBehaviourForCode(CGraphic::kBaseType, &GraphicBehaviour::Instance());
    table.SetBehaviourForCode(CGraphic::kRectType, &GrRectBehaviour::Instance());
    table.SetBehaviourForCode(CGraphic::kRoundRectType, &GrRoundRectBehaviour::Instance());
    table.SetBehaviourForCode(CGraphic::kOvalType, &GrOvalBehaviour::Instance());
    table.SetBehaviourForCode(CGraphic::kLineType, &GrLineBehaviour::Instance());
    table.SetBehaviourForCode(CGraphic::kCurveType, &GrCurveBehaviour::Instance());
    table.SetBehaviourForCode(CGraphic::kWedgeType, &GrWedgeBehaviour::Instance());
    table.SetBehaviourForCode(CHarpPed::kType, &HarpPedBehaviour::Instance());
    table.SetBehaviourForCode(CPict::kType, &PictBehaviour::Instance());
}
