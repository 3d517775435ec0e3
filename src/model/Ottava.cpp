// The octave line: its stored form, geometry, drawing, hit parts, chain range and removal.
#include "model/Ottava.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "framework/Arith.h"
#include "model/Bar.h"
#include "model/BitOrder.h"
#include "model/DocumentStandIns.h"
#include "model/ItemFactory.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "platform/Artist.h"
#include "platform/ChunkStream.h"
#include "platform/DrawGlobals.h"
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
