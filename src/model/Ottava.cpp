// The octave line: its stored form, geometry, drawing, hit parts, chain range and removal.
#include "model/Ottava.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "framework/Arith.h"
#include "framework/Globals.h"
#include "model/Bar.h"
#include "model/BitOrder.h"
#include "model/DocumentStandIns.h"
#include "model/DragTask.h"
#include "model/EditTask.h"
#include "model/ItemFactory.h"
#include "model/ModelGlobals.h"
#include "model/Page.h"
#include "model/ScoreLocation.h"
#include "model/Score.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "platform/Artist.h"
#include "platform/ChunkStream.h"
#include "platform/DrawGlobals.h"
#include "platform/Handles.h"
#include "platform/PlatformGlobals.h"
#include "platform/Port.h"

namespace {

const OttavaBehaviour kOttava;
COttava& Ottava(CScoreItem& item) { return static_cast<COttava&>(item); }

// The flag byte: six one-bit fields, then the two-bit kind.
constexpr BitLayout kFlagLayout{1, 1, 1, 1, 1, 1, 2};
constexpr int kWords[] = {COttava::kShift, COttava::kEndPosition, COttava::kEndTime};
constexpr int kCoords[] = {COttava::kVerticalOffset, COttava::kContinuationOffset};

void SwapWord(std::uint8_t* p) { std::swap(p[0], p[1]); }

int MusicSize(const CStaff& staff, const CScoreItem& item) {
    const int size = staff.GetFontSize();
    return item.Scale() ? MulDiv(size, item.Scale(), 100) : size;
}

// Where a record stands in the current bar on the current staff.
struct Geometry {
    int left = 0;   // the start x (start record) or the bar's left edge
    int right = 0;  // the end x (end record) or the bar's right edge
    int y = 0;      // the line's reference y
    int h = 1;      // half the line spacing
    int s = 1;      // the line spacing
    bool ok = false;
};

// The vertical offset a continuation draws at: with the continuation offset when the chain's
// record in its system's first bar is a continuation too.
int DrawnOffset(COttava& o) {
    int offset = o.GetYOffset();
    if (o.IsStart() || o.GetContinuationOffset() == 0) return offset;
    CBar* bar = g_model.currentBar;
    CTrkBar* tb = g_model.currentTrkBar;
    CScore* score = g_model.currentScore;
    CLine* line = bar ? bar->GetLine() : nullptr;
    if (!tb || !score || !line) return offset;
    CTrkBar* first = score->GetTrkBar(tb->GetTrackIndex(), line->GetFirstBarIndex());
    CBarItem* head = first ? first->FindOttava(&o) : nullptr;
    if (head && !static_cast<COttava*>(head)->IsStart()) offset += o.GetContinuationOffset();
    return offset;
}

Geometry Measure(COttava& o) {
    Geometry g;
    CBar* bar = g_model.currentBar;
    CStaff* staff = g_model.currentStaff;
    if (!bar || !staff) return g;
    g.s = staff->Space();
    g.h = std::max(1, g.s / 2);
    g.left = o.IsStart() ? bar->FractionToX(o.PositionField()) : bar->GetLeft();
    g.right = o.IsEnd() ? bar->FractionToX(o.GetEndPosition()) : bar->GetRight();
    g.y = staff->OffsetToY(DrawnOffset(o));
    g.ok = true;
    return g;
}

// Walks the chain from the record through the following bars of its track until the end
// record or the score's last bar; f(record, bar index) for each record found (the first one
// included).
template <typename F>
void WalkChain(COttava& o, CTrkBar* tb, F&& f) {
    if (!tb) return;
    f(&o, int(tb->GetBarIndex()));
    if (o.IsEnd()) return;
    for (CTrkBar* b = tb->Neighbour(1); b; b = b->Neighbour(1)) {
        auto* next = static_cast<COttava*>(b->FindOttava(&o));
        if (!next || next == &o) return;
        f(next, int(b->GetBarIndex()));
        if (next->IsEnd()) return;
    }
}

}  // namespace

const OttavaBehaviour& OttavaBehaviour::Instance() { return kOttava; }

COttava* COttava::Construct(void* buffer) {
    CBarItem::Construct(buffer);
    auto* o = static_cast<COttava*>(ConstructClass(kTypeCode, buffer));
    if (o) std::fill(o->Bytes() + kFlags, o->Bytes() + kSize, std::uint8_t(0));
    return o;
}

int COttava::GlyphOf(int kind, bool set1) {
    if (set1) return kind == 0 ? 180 : kind == 1 ? 181 : 182;
    return kind >= 2 ? 184 : 183;
}

void COttava::ClampEndToSystem(bool right, int edgeBar, int barCount, int* bar, int* position) {
    if (right) {
        const bool next = edgeBar < barCount - 1;
        *bar = next ? edgeBar + 1 : edgeBar;
        *position = next ? 256 : 1023;
    } else {
        const bool previous = edgeBar > 0;
        *bar = previous ? edgeBar - 1 : edgeBar;
        *position = previous ? 768 : 0;
    }
}

bool COttava::KeepEndAfterStart(int startBar, int startPosition, int* endBar, int* endPosition) {
    if (*endBar > startBar || (*endBar == startBar && *endPosition >= startPosition + 16)) return false;
    *endBar = startBar;
    *endPosition = startPosition + 16;
    return true;
}

void OttavaBehaviour::Draw(CScoreItem& item) const {
    auto& o = Ottava(item);
    CArtist* a = g_draw.artist;
    CBar* bar = g_model.currentBar;
    const Geometry g = Measure(o);
    if (!a || !g.ok) return;
    CStaff& staff = *g_model.currentStaff;
    const int glyph = COttava::GlyphOf(o.GetKind(), (o.GetFlags() & COttava::kGlyphSetBit) != 0);
    a->PushFont();
    a->SetMusicFont(MusicSize(staff, o));
    o.SetDrawColor(o.IsSelectedBit() && !g_draw.dragInProgress && !g_draw.printingDC);
    int lineStart = g.left;
    if (o.IsStart()) {
        g_model.drawnPoint = POINT{g.left, g.y};
        a->DrawGlyph(g.left, g.y, glyph);
        lineStart = g.left + a->GlyphWidth(glyph) + g.h;
    } else if (bar->IsFirstInLine() && (o.GetFlags() & COttava::kBracketsBit)) {
        const int top = g.y - g.s, bottom = g.y + g.s / 2;
        // DrawTallGlyph answers the x after the bracket it drew: the alternate one opens.
        const int x = DrawTallGlyph(g.left, top, bottom, true);
        a->DrawGlyph(x, g.y, glyph);
        lineStart = DrawTallGlyph(x + a->GlyphWidth(glyph), top, bottom, false) + g.h;
    }
    if (o.GetFlags() & COttava::kLineBit) {
        const int scale = o.Scale();
        a->SetPenWidth(scale ? 15 * scale / 100 : 15);
        const bool solid = (o.GetFlags() & COttava::kSolidBit) != 0;
        const int ly = g.y - g.h;
        a->ThickLine(lineStart, ly, g.right, ly, solid ? 1 : 2);
        if (o.IsEnd()) {
            const int length = (g.s | 1) * (o.GetKind() == 1 ? -1 : 1);
            if (solid) {
                a->Line(g.right - g.h, ly, g.right, ly);
                a->Line(g.right, ly, g.right, ly + length);
            } else {
                a->ThickLine(g.right, ly, g.right, ly + length, 2);
            }
        }
        a->SetPenWidth(20);
        if (o.IsEnd() && g_model.showHandles && !g_draw.dragInProgress) {
            const int e = std::max(2, g.h / 2);
            a->FrameRect(RECT{g.right - e, ly - e, g.right + e, ly + e});
        }
    }
    o.ResetDrawColor();
    a->PopFont();
}

void OttavaBehaviour::OpenProperties(CScoreItem& item, int, int) const {
    if (!Ottava(item).IsStart()) return;
    if (CZelDoc* doc = g_model.currentDoc) doc->OnCommandRange(COttava::kEditCommand);
}

RECT* OttavaBehaviour::GetPartBounds(CScoreItem& item, RECT* rect, int part) const {
    auto& o = Ottava(item);
    *rect = RECT{};
    const Geometry g = Measure(o);
    if (!g.ok) return rect;
    rect->left = g.left;
    rect->right = o.IsEnd() ? g.right + g.h : g.right;
    if (part == 1 && o.IsStart()) {
        int width = 2 * g.s;
        if (CArtist* a = g_draw.artist) {
            a->PushFont();
            a->SetMusicFont(MusicSize(*g_model.currentStaff, o));
            width = a->GlyphWidth(o.GetKind() == 2 ? 184 : 180);
            a->PopFont();
        }
        *rect = RECT{g.left, g.y - g.s, g.left + width, g.y + g.s};
        return rect;
    }
    if (part == 2 && o.IsEnd()) rect->left = rect->right - g.s;
    rect->bottom = g.y;
    rect->top = g.y - g.h - 1;
    return rect;
}

RECT* OttavaBehaviour::GetBounds(CScoreItem& item, RECT* rect) const { return GetPartBounds(item, rect, 0); }

bool OttavaBehaviour::IntersectsRect(CScoreItem& item, const RECT& r) const {
    for (int part : {0, 1}) {
        RECT p;
        GetPartBounds(item, &p, part);
        if (p.right > p.left && p.left < r.right && r.left < p.right && p.top < r.bottom && r.top < p.bottom) return true;
    }
    return false;
}

bool OttavaBehaviour::HitTestShape(CBarItem& item, int x, int y) const {
    auto& o = Ottava(item);
    const auto in = [&](int part) {
        RECT r;
        GetPartBounds(o, &r, part);
        return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
    };
    if (o.IsStart() && in(1)) {
        g_model.hitKind = COttava::kHitGlyph;
        return true;
    }
    if (o.IsEnd() && in(2)) {
        g_model.hitKind = COttava::kHitHook;
        return true;
    }
    if (in(0)) {
        g_model.hitKind = COttava::kHitLine;
        return true;
    }
    return false;
}

void OttavaBehaviour::WriteBody(CScoreItem& item, CChunkStream& stream) const {
    auto& o = Ottava(item);
    if (o.RecordSizeField() < COttava::kSize) return BarItemBehaviour::WriteBody(item, stream);
    stream.WriteByte(MirrorFields(o.GetFlags(), kFlagLayout));
    stream.WriteByte(o.GetIdentifier());
    for (int at : kCoords) stream.WriteCoord(rec::Get<std::int16_t>(&o, at));
    for (int at : kWords) stream.WriteWord(rec::Get<std::int16_t>(&o, at));
}

void OttavaBehaviour::ToFileOrder(CScoreItem& item) const {
    BarItemBehaviour::ToFileOrder(item);
    auto& o = Ottava(item);
    if (o.RecordSizeField() < COttava::kSize) return;
    MirrorFieldsToFile(o.Bytes() + COttava::kFlags, kFlagLayout);
    for (int at : kCoords) {
        rec::Put(&o, at, std::int16_t(rec::Get<std::int16_t>(&o, at) / 5));
        SwapWord(o.Bytes() + at);
    }
    for (int at : kWords) SwapWord(o.Bytes() + at);
}

void OttavaBehaviour::FromFileOrder(CScoreItem& item) const {
    auto& o = Ottava(item);
    if (o.RecordSizeField() < COttava::kSize) return;
    MirrorFieldsFromFile(o.Bytes() + COttava::kFlags, kFlagLayout);
    for (int at : kCoords) {
        SwapWord(o.Bytes() + at);
        rec::Put(&o, at, std::int16_t(rec::Get<std::int16_t>(&o, at) * 5));
    }
    for (int at : kWords) SwapWord(o.Bytes() + at);
    rec::Put(&o, COttava::kShift, std::int16_t(COttava::ShiftOfKind(o.GetKind())));
}

void OttavaBehaviour::MarkRemoved(CBarItem& item) const {
    auto& o = Ottava(item);
    std::vector<COttava*> chain;
    WalkChain(o, g_model.currentTrkBar, [&](COttava* r, int) { chain.push_back(r); });
    if (chain.empty()) chain.push_back(&o);
    for (COttava* r : chain) BarItemBehaviour::MarkRemoved(*r);
}

int OttavaBehaviour::GetBarRange(CBarItem& item, int* first, int* last, CTrkBar* trkBar) const {
    auto& o = Ottava(item);
    const int bar = trkBar ? trkBar->GetBarIndex() : 0;
    int end = bar;
    WalkChain(o, trkBar, [&](COttava*, int b) { end = b; });
    if (first) *first = bar;
    if (last) *last = end;
    return end - bar;
}

int OttavaBehaviour::GetVerticalOffset(CBarItem& item) const { return Ottava(item).GetYOffset(); }
int OttavaBehaviour::GetEndPosition(CBarItem& item) const { return Ottava(item).GetEndPosition(); }
void OttavaBehaviour::SetEndPosition(CBarItem& item, int position) const { Ottava(item).SetEndPosition(position); }
void OttavaBehaviour::SetVerticalOffset(CBarItem& item, int offset) const { Ottava(item).SetYOffset(offset); }

// --- the drag ---------------------------------------------------------------------------------------

namespace {

// What the drag record keeps at the press: the page x of the part pressed and that part.
enum : int { kKeptX = 0, kKeptPart = 1 };

void SetRemovedBit(CBarItem& item, bool on) {
    item.SetFlagsB(on ? std::uint8_t(item.FlagsB() | CBarItem::kRemovedBit)
                      : std::uint8_t(item.FlagsB() & ~CBarItem::kRemovedBit));
}

// Makes a piece's bar of the dragged line's track current, for the time of a scope.
struct PieceContext {
    fw::ScopedGlobal<CTrkBar*> trkBar{g_model.currentTrkBar};
    fw::ScopedGlobal<CBar*> bar{g_model.currentBar};
    fw::ScopedGlobal<CStaff*> staff{g_model.currentStaff};
    fw::ScopedGlobal<CLine*> line{g_model.currentLine};
    fw::ScopedGlobal<CTrack*> track{g_model.currentTrack};
};

CTrkBar* PieceBar(int bar) {
    CScore* score = g_model.currentScore;
    return score ? score->GetTrkBar(g_viewDrag.chainTrack, bar) : nullptr;
}

bool InPart(COttava& o, int bar, int part, POINT p) {
    CTrkBar* tb = PieceBar(bar);
    if (!tb) return false;
    PieceContext keep;
    tb->SetCurrent();
    RECT r;
    OttavaBehaviour::Instance().GetPartBounds(o, &r, part);
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

// The page x of a position in a bar.
int BarX(int bar, int position) {
    CScore* score = g_model.currentScore;
    CBar* b = score ? score->GetBar(bar) : nullptr;
    return b ? b->FractionToX(position) : 0;
}

}  // namespace

void OttavaBehaviour::BeginDrag(CScoreItem& item) const {
    auto& o = Ottava(item);
    auto& chain = g_viewDrag.chain;
    chain.clear();
    CTrkBar* tb = g_model.currentTrkBar;
    if (tb) {
        g_viewDrag.chainTrack = tb->GetTrackIndex();
        WalkChain(o, tb, [&](COttava* r, int bar) { chain.push_back({r, bar}); });
    }
    BarItemBehaviour::BeginDrag(item);
    for (auto& piece : chain) SetRemovedBit(*piece.record, true);
    CDragTask* task = g_viewDrag.currentTask;
    if (!task || chain.empty()) return;
    task->SetLayoutChanged();
    // Every bar of the line is saved for undo.
    task->SaveRange(g_viewDrag.chainTrack, chain.front().bar, g_viewDrag.chainTrack, chain.back().bar);
    // The part pressed: the start's glyph, the end's hook, else the line.
    auto& last = static_cast<COttava&>(*chain.back().record);
    int part = COttava::kHitLine;
    if (o.IsStart() && InPart(o, chain.front().bar, COttava::kHitGlyph, task->start)) {
        part = COttava::kHitGlyph;
        task->counters[kKeptX] = BarX(chain.front().bar, o.PositionField());
    } else if (last.IsEnd() && InPart(last, chain.back().bar, COttava::kHitHook, task->start)) {
        part = COttava::kHitHook;
        task->counters[kKeptX] = BarX(chain.back().bar, last.GetEndPosition());
    }
    task->counters[kKeptPart] = part;
}

void OttavaBehaviour::DragBy(CScoreItem& item, CDragTask* drag) const {
    auto& o = Ottava(item);
    auto& chain = g_viewDrag.chain;
    if (!drag || chain.empty()) return;
    if (!drag->horizontal) {
        CTrkBar* tb = PieceBar(chain.front().bar);
        CStaff* staff = tb ? tb->GetStaff() : nullptr;
        if (!staff) return;
        const int delta = staff->YToOffset(drag->current.y) - staff->YToOffset(drag->previous.y);
        if (delta == 0) return;
        const bool continuation = g_platform.ctrlDown != 0;
        const auto move = [&](CBarItem& r) {
            auto& piece = static_cast<COttava&>(r);
            SetRemovedBit(piece, false);
            if (continuation)
                rec::Put(&piece, COttava::kContinuationOffset, std::int16_t(piece.GetContinuationOffset() + delta));
            else
                piece.SetYOffset(piece.GetYOffset() + delta);
            SetRemovedBit(piece, true);
        };
        // The others first, then this record.
        for (auto& piece : chain)
            if (piece.record != &o) move(*piece.record);
        move(o);
        return;
    }
    const int part = drag->counters[kKeptPart];
    if (part == COttava::kHitGlyph && o.IsStart()) {
        SetRemovedBit(o, false);
        o.SetPositionField(std::int16_t(std::clamp(o.PositionField() + drag->positionStep, 0, 1023)));
        SetRemovedBit(o, true);
    } else if (part == COttava::kHitHook) {
        auto& last = static_cast<COttava&>(*chain.back().record);
        if (!last.IsEnd()) return;
        const int end = std::clamp(last.GetEndPosition() + drag->positionStep, 0, 1023);
        if (last.IsStart() && !COttava::EndDragAllowed(last.PositionField(), end)) return;
        SetRemovedBit(last, false);
        last.SetEndPosition(end);
        SetRemovedBit(last, true);
    }
}

void OttavaBehaviour::DrawDragFeedback(CScoreItem& item) const {
    // Every record of the chain on the page being drawn, each in its own bar.
    CScore* score = g_model.currentScore;
    if (!score) return;
    CPage* page = score->GetPage(g_model.dragStart.pageIndex);
    PieceContext keep;
    for (auto& piece : g_viewDrag.chain) {
        CTrkBar* tb = PieceBar(piece.bar);
        CBar* bar = score->GetBar(piece.bar);
        CLine* line = bar ? bar->GetLine() : nullptr;
        if (!tb || !line || (page && line->GetPageIndex() != page->GetIndex())) continue;
        tb->SetCurrent();
        Draw(*piece.record);
    }
}

void OttavaBehaviour::EndDrag(CScoreItem& item, CDragTask* drag) const {
    auto& o = Ottava(item);
    auto chain = std::move(g_viewDrag.chain);
    g_viewDrag.chain.clear();
    for (auto& piece : chain) SetRemovedBit(*piece.record, false);
    SetRemovedBit(o, false);
    CScore* score = g_model.currentScore;
    if (!drag || !drag->moved || !drag->horizontal || chain.empty() || !score) return;
    const int part = drag->counters[kKeptPart];
    if (part != COttava::kHitGlyph && part != COttava::kHitHook) return;
    auto& first = static_cast<COttava&>(*chain.front().record);
    auto& last = static_cast<COttava&>(*chain.back().record);
    if (!first.IsStart() || !last.IsEnd()) return;

    // Where the dragged end was let go: in its system, or just beyond one of its ends.
    const int movedBar = part == COttava::kHitGlyph ? chain.front().bar : chain.back().bar;
    CBar* bar = score->GetBar(movedBar);
    CLine* line = bar ? bar->GetLine() : nullptr;
    if (!line || line->GetBarCount() <= 0) return;
    const int x = drag->counters[kKeptX] + int(drag->current.x - drag->start.x);
    CBar* firstBar = score->GetBar(line->GetFirstBarIndex());
    CBar* lastBar = score->GetBar(line->GetLastBar());
    if (!firstBar || !lastBar) return;
    int newBar = movedBar, newPosition = 0;
    if (x > lastBar->GetRight()) {
        COttava::ClampEndToSystem(true, lastBar->GetIndex(), score->GetBarCount(), &newBar, &newPosition);
    } else if (x < firstBar->GetLeft()) {
        COttava::ClampEndToSystem(false, firstBar->GetIndex(), score->GetBarCount(), &newBar, &newPosition);
    } else {
        ScoreLocation at{};
        at.pageIndex = std::uint16_t(line->GetPageIndex());
        line->LocatePoint(x, &at);
        newBar = at.barIndex;
        newPosition = std::clamp<int>(at.position, 0, 1023);
    }
    int startBar = chain.front().bar, startPosition = first.PositionField();
    int endBar = chain.back().bar, endPosition = last.GetEndPosition();
    if (part == COttava::kHitGlyph) {
        startBar = newBar;
        startPosition = newPosition;
    } else {
        endBar = newBar;
        endPosition = newPosition;
    }
    const std::uint8_t flags = first.GetFlags();
    bool line2 = (flags & COttava::kLineBit) != 0;
    if (COttava::KeepEndAfterStart(startBar, startPosition, &endBar, &endPosition)) line2 = false;
    const int track = g_viewDrag.chainTrack;
    if (CScoreTask* task = g_viewDrag.currentTask) {
        const int from = std::min({startBar, chain.front().bar}), to = std::max({endBar, chain.back().bar});
        if (!task->SaveRange(track, from, track, to)) ThrowOutOfMemory();
        task->SetLayoutChanged();
        task->SetChanged(true);
    }
    const int offset = first.GetYOffset(), continuation = first.GetContinuationOffset(), kind = first.GetKind();
    for (auto& piece : chain) {
        piece.record->SetFlagsB(std::uint8_t(piece.record->FlagsB() & ~CBarItem::kSelectedBit));
        SetRemovedBit(*piece.record, true);
    }
    const fw::ScopedGlobal<CTrkBar*> keep(g_model.currentTrkBar);
    if (!score->ApplyOttava(startBar, startPosition, endBar, endPosition, track, offset, kind,
                            (flags & COttava::kGlyphSetBit) != 0, line2, (flags & COttava::kSolidBit) != 0,
                            (flags & COttava::kBracketsBit) != 0, continuation)) {
        // No line could be built there: the old one stays.
        for (auto& piece : chain) SetRemovedBit(*piece.record, false);
        ThrowOutOfMemory();
    }
}

void OttavaBehaviour::Invalidate(CScoreItem& item) const {
    auto& o = Ottava(item);
    if (!o.IsStart()) return BarItemBehaviour::Invalidate(item);
    CZelDoc* doc = g_model.currentDoc;
    CScore* score = g_model.currentScore;
    CTrkBar* tb = g_model.currentTrkBar;
    if (!doc || !score || !tb) return;
    WalkChain(o, tb, [&](COttava*, int b) {
        CBar* bar = score->GetBar(b);
        CLine* line = bar ? bar->GetLine() : nullptr;
        CPage* page = line ? score->GetPage(line->GetPageIndex()) : nullptr;
        if (!page) return;
        const int grow = page->ViewToTwentieths(6);
        const RECT system = line->GetRect();
        doc->AddDirtyRect(RECT{bar->GetLeft() - grow, system.top - grow, bar->GetRight() + grow, system.bottom + grow},
                          page->GetIndex());
    });
}
