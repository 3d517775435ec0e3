// What the mouse and the keys do to the score's words and single signs: hit parts, drags,
// nudges and the double click that edits them, for texts, page texts, tempo marks, lyric
// syllables and symbols.
#include <algorithm>
#include <cstring>
#include <vector>

#include "model/Bar.h"
#include "model/DocumentStandIns.h"
#include "model/TextTask.h"
#include "model/DragTask.h"
#include "model/EditTask.h"
#include "model/ItemArray.h"
#include "model/Lyric.h"
#include "model/LyricTask.h"
#include "model/ModelGlobals.h"
#include "model/Page.h"
#include "model/Score.h"
#include "model/ScoreStandIns.h"
#include "model/Symbol.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Tempo.h"
#include "model/Text.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "platform/DrawGlobals.h"
#include "platform/PlatformGlobals.h"
#include "platform/Port.h"
#include "platform/PortLayer.h"

namespace {

// The document commands a double click runs.
constexpr int kSetTempoCommand = 34007;
constexpr int kEditSymbolCommand = 4111;
constexpr int kBody = -32767;
// A position at the end of a bar (1/1024 of its width).
constexpr int kBarEnd = 1024;
// A text's edge hit parts.
enum : int { kBottomLeft = 0, kTopLeft = 1, kTopRight = 2, kBottomRight = 3, kLeftEdge = 5, kRightEdge = 6, kTopEdge = 7, kBottomEdge = 8 };
// A lyric's hit parts: the syllable, its hyphen.
enum : int { kSyllable = 0, kHyphen = 1 };

void RunCommand(int id) {
    if (CZelDoc* doc = g_model.currentDoc) doc->OnCommandRange(id);
}

bool Within(const RECT& r, int x, int y) { return x >= r.left && x <= r.right && y >= r.top && y <= r.bottom; }

// One step of an offset at a time until its scaled value moves (at most a page's worth).
template <typename Scale>
int StepUntilMoved(int value, int direction, Scale scale) {
    const int start = scale(value);
    for (int i = 0; i < 1 << 16; ++i) {
        value += direction;
        if (scale(value) != start) break;
    }
    return value;
}

// A drag's page movement in the units of a staff item's offsets (1/120 of the staff's space).
int ToUnits(int pixels) {
    CStaff* staff = g_model.currentStaff;
    return staff && pixels != 0 ? staff->UnscaleOffset(pixels) : pixels;
}

// The bar whose own items hold the record (null: a track bar's, or none).
CBar* OwnItemsBar(CScore* score, const CBarItem* record) {
    for (int b = 0; b < score->GetBarCount(); ++b) {
        CBar* bar = score->GetBar(b);
        CBarItem* it = bar ? bar->GetFirstItem() : nullptr;
        for (int i = 0, n = bar ? bar->GetItemCount() : 0; it && i < n; ++i, it = it->NextItem())
            if (it == record) return bar;
    }
    return nullptr;
}

}  // namespace

// --- texts ----------------------------------------------------------------------------------------

void TextBehaviour::OpenProperties(CScoreItem& item, int, int) const { StartTextEntry(static_cast<CBarItem&>(item)); }

bool TextBehaviour::HitTest(CScoreItem& scoreItem, int x, int y) const {
    auto& t = static_cast<CText&>(scoreItem);
    if (!t.IsShownOnStaff() && !t.IsSelectedBit()) return false;
    RECT r;
    t.GetBounds(&r);
    if (r.right < r.left) std::swap(r.left, r.right);
    if (r.bottom < r.top) std::swap(r.top, r.bottom);
    const int tol = t.ScaleToView(4);
    if (!Within(RECT{r.left - tol, r.top - tol, r.right + tol, r.bottom + tol}, x, y)) return false;
    int part = kBody;
    if (HitHandleSquare(x, y, r.left, r.top)) part = kTopLeft;
    else if (HitHandleSquare(x, y, r.right, r.bottom)) part = kBottomRight;
    else if (HitHandleSquare(x, y, r.left, r.bottom)) part = kBottomLeft;
    else if (HitHandleSquare(x, y, r.right, r.top)) part = kTopRight;
    else if (std::abs(x - r.left) <= tol && y >= r.top && y <= r.bottom) part = kLeftEdge;
    else if (std::abs(x - r.right) <= tol && y >= r.top && y <= r.bottom) part = kRightEdge;
    else if (std::abs(y - r.top) <= tol && x >= r.left && x <= r.right) part = kTopEdge;
    else if (std::abs(y - r.bottom) <= tol && x >= r.left && x <= r.right) part = kBottomEdge;
    g_model.hitPart = std::int16_t(part);
    return true;
}

void TextBehaviour::DragBy(CScoreItem& item, CDragTask* drag) const {
    if (!drag) return;
    auto& t = static_cast<CText&>(item);
    // A page text's offsets count in the page's units, a bar text's in its staff's.
    CPage* page = g_model.currentPage;
    const auto units = [&](int v) { return t.IsPageText() ? (page ? page->ScaleFromView(v) : v) : ToUnits(v); };
    const int dx = units(drag->dx), dy = units(drag->dy);
    g_model.itemDragX = std::int16_t(g_model.itemDragX + dx);
    if (g_viewDrag.modifierFlagA)
        rec::Put(&t, CText::kFrameMarginY, std::int16_t(rec::Get<std::int16_t>(&t, CText::kFrameMarginY) + dy));
    else
        rec::Put(&t, CText::kYOffset, std::int32_t(t.GetY() + dy));
}

void TextBehaviour::EndDrag(CScoreItem& item, CDragTask* drag) const {
    BarItemBehaviour::EndDrag(item, drag);
    auto& t = static_cast<CText&>(item);
    if (g_model.itemDragX != 0) rec::Put(&t, CText::kXOffset, std::int32_t(t.GetX() + g_model.itemDragX));
    g_model.itemDragX = 0;
}

void TextBehaviour::SetHorizontalOffset(CBarItem& item, int offset) const { static_cast<CText&>(item).SetX(offset); }
void TextBehaviour::SetVerticalOffset(CBarItem& item, int offset) const { static_cast<CText&>(item).SetY(offset); }

CBarItem* TextBehaviour::PlaceAtPoint(CBarItem& item, ScoreLocation& start, ScoreLocation& end) const {
    g_model.itemDragX = 0;
    if (item.IsPageText()) return nullptr;
    auto& t = static_cast<CText&>(item);
    if (t.IsTrackText()) return BarItemBehaviour::PlaceAtPoint(item, start, end);

    // A system text: located in the score, its place in the bar taken from the drop.
    CScore* score = start.bar ? start.bar->GetScore() : g_model.currentScore;
    if (!score) return nullptr;
    CBar* home = OwnItemsBar(score, &item);
    score->LocatePoint(start.pointX, start.pointY, &start);
    CBar* bar = score->GetBar(start.barIndex);
    CLine* line = bar ? bar->GetLine() : nullptr;
    if (!bar || !line) return nullptr;
    start.bar = bar;
    CZelDoc* doc = score->GetDocument();
    if (doc && doc->currentTask) doc->currentTask->SaveBar(start.barIndex);
    start.time = bar->FractionToTick(start.position);
    start.xOffset = bar->XToItemOffset(start.pointX, start.position, start.staff);
    item.SetTime(int(start.time));
    item.SetPosition(start.position);
    t.SetX(start.xOffset);
    CStaff* first = nullptr;
    for (int i = 0; i < line->GetStaffCount() && !first; ++i)
        if (line->GetStaff(i)->IsShown()) first = line->GetStaff(i);
    if (!first) return &item;
    ReadModifierKeys();
    const bool intoTrack = g_platform.ctrlDown && start.staff && start.staff->GetIndex() > first->GetIndex();
    const std::vector<std::uint8_t> record(item.Bytes(), item.Bytes() + item.RecordSizeField());
    auto* copy = reinterpret_cast<CBarItem*>(const_cast<std::uint8_t*>(record.data()));
    auto* copyText = static_cast<CText*>(copy);
    CBarItem* placed = nullptr;
    if (!intoTrack) {
        if (bar == home) return &item;
        // The drop point is the text's top: the top kept, measured from the new system's staff.
        copyText->SetY(first->YToOffset(start.pointY));
        copy->SetFlagsB(std::uint8_t(copy->FlagsB() & ~CBarItem::kRemovedBit));
        placed = bar->InsertItemSorted(copy);
    } else {
        CTrkBar* trkBar = score->GetTrkBar(start.trackIndex, start.barIndex);
        if (!trkBar) return &item;
        if (doc && doc->currentTask) doc->currentTask->SaveTrackBar(start.trackIndex, start.barIndex);
        copyText->SetY(start.staff->YToOffset(start.pointY));
        copy->SetFlagsB(std::uint8_t(copy->FlagsB() & ~CBarItem::kRemovedBit));
        rec::Put<std::uint8_t>(copy, CText::kPlacement, std::uint8_t(copyText->PlacementFlags() & ~CText::kSystemTextBit));
        placed = trkBar->InsertSpace(int(start.time), copy->RecordSizeField());
        if (placed) std::memcpy(placed, copy, record.size());
        start.trkBar = trkBar;
    }
    if (!placed) return &item;
    // The insertion went into another array: the source record has not moved.
    item.SetFlagsB(std::uint8_t(item.FlagsB() | CBarItem::kRemovedBit));
    return placed;
}

// --- page texts -----------------------------------------------------------------------------------

bool PageTextBehaviour::HitTest(CScoreItem& item, int x, int y) const {
    auto& t = static_cast<CText&>(item);
    CPage* page = g_model.currentPage;
    if (!page || rec::IsRemoved(&item) || !t.ShowsOnPage(page->GetIndex())) return false;
    RECT r;
    t.GetBounds(&r);
    if (!Within(RECT{r.left - 2, r.top - 2, r.right + 2, r.bottom + 2}, x, y)) return false;
    // Part 2: the corner that sizes it; 0: the text.
    g_model.hitPart = std::int16_t(x >= r.right - 3 && y >= r.bottom - 3 ? 2 : 0);
    return true;
}

void PageTextBehaviour::EndDrag(CScoreItem& item, CDragTask*) const {
    auto& t = static_cast<CText&>(item);
    t.SetFlagsB(std::uint8_t(t.FlagsB() & ~CBarItem::kRemovedBit));
    rec::Put(&t, CText::kXOffset, std::int32_t(t.GetX() + g_model.itemDragX));
    g_model.itemDragX = 0;
}

void PageTextBehaviour::DrawDragFeedback(CScoreItem& item) const { Draw(item); }

void PageTextBehaviour::MarkRemoved(CBarItem& item) const {
    CScore* score = g_model.currentScore;
    CPageTextArray* texts = score ? score->GetPageTextArray() : nullptr;
    for (int i = 0, n = texts ? texts->GetCount() : 0; i < n; ++i)
        if (texts->GetAt(i) == &item) {
            texts->Remove(&item);
            return;
        }
    // A copy outside the score's page texts (a clipboard's, an undo record's) is marked.
    TextBehaviour::MarkRemoved(item);
}

void PageTextBehaviour::Nudge(CScoreItem& item, int dx, int dy) const {
    auto& t = static_cast<CText&>(item);
    CPage* page = g_model.currentPage;
    const auto scale = [page](int v) { return page ? page->ScaleToView(v) : v; };
    if (dx != 0) rec::Put(&t, CText::kXOffset, std::int32_t(StepUntilMoved(t.GetX(), dx > 0 ? 1 : -1, scale)));
    if (dy != 0) rec::Put(&t, CText::kYOffset, std::int32_t(StepUntilMoved(t.GetY(), dy > 0 ? 1 : -1, scale)));
}

// --- tempo marks ----------------------------------------------------------------------------------

void TempoBehaviour::OpenProperties(CScoreItem&, int, int) const { RunCommand(kSetTempoCommand); }

bool TempoBehaviour::HitTest(CScoreItem& scoreItem, int x, int y) const {
    auto& item = static_cast<CBarItem&>(scoreItem);
    if (item.RecordSizeField() < CTempo::kSize) return false;
    const CZelDoc* doc = g_model.currentDoc;
    const bool showHidden = doc && doc->location.hiddenObjects && !g_draw.printingDC;
    if (item.IsHidden() && !showHidden && !item.IsSelectedBit()) return false;
    g_model.hitPart = 0;
    RECT r;
    GetPartBounds(item, &r, 0);
    const bool textShown = r.right > r.left;
    if (textShown && Within(r, x, y)) return true;
    const std::uint8_t flags = item.Bytes()[CTempo::kUnit];
    const std::uint8_t eq = item.Bytes()[CTempo::kEquation];
    if (!(flags & CTempo::kMetronomeShownBit) && !(eq & CTempo::kSwingBit) && !showHidden && !item.IsSelectedBit()) return false;
    GetPartBounds(item, &r, 1);
    if (r.right <= r.left || !Within(r, x, y)) return false;
    g_model.hitPart = std::int16_t(textShown ? 1 : 0);
    return true;
}

void TempoBehaviour::DragBy(CScoreItem& item, CDragTask* drag) const {
    if (!drag || item.RecordSizeField() < CTempo::kSize) return;
    auto& t = static_cast<CTempo&>(static_cast<CBarItem&>(item));
    const int dx = ToUnits(drag->dx), dy = ToUnits(drag->dy);
    if (g_model.hitPart == 0) {
        t.SetX(t.GetX() + dx);
        t.SetY(t.GetY() + dy);
    } else {
        rec::Put(&t, CTempo::kMetronomeX, std::int16_t(rec::Get<std::int16_t>(&t, CTempo::kMetronomeX) + dx));
        rec::Put(&t, CTempo::kMetronomeY, std::int16_t(rec::Get<std::int16_t>(&t, CTempo::kMetronomeY) + dy));
    }
}

void TempoBehaviour::SetHorizontalOffset(CBarItem& item, int offset) const {
    if (item.RecordSizeField() >= CTempo::kSize) static_cast<CTempo&>(item).SetX(offset);
}

CBarItem* TempoBehaviour::PlaceAtPoint(CBarItem& item, ScoreLocation& start, ScoreLocation& end) const {
    // A metronome mark dragged by itself has only moved its own offsets.
    if (g_model.hitPart != 0 || item.RecordSizeField() < CTempo::kSize) return nullptr;
    CBarItem* placed = BarItemBehaviour::PlaceAtPoint(item, start, end);
    CBar* bar = placed ? start.bar : nullptr;
    CScore* score = bar ? bar->GetScore() : nullptr;
    CLine* line = bar ? bar->GetLine() : nullptr;
    if (!score || !line) return placed;
    // The located position stops short of the bar's end: whether the mark's point lies at or
    // past the end is measured on the bar itself.
    if (bar->XToFraction(start.pointX) < kBarEnd || bar->IsCovered()) return placed;
    if (bar->GetIndex() >= line->GetFirstBarIndex() + line->GetBarCount() - 1) return placed;
    CBar* next = score->GetBar(bar->GetIndex() + 1);
    // A bar that starts a multi-bar rest takes no mark dropped before it.
    if (!next || next->GetMultiRestSpan() != 0) return placed;
    ScoreLocation at = start;
    at.bar = next;
    at.barIndex = std::int16_t(next->GetIndex());
    at.trkBar = score->GetTrkBar(start.trackIndex, at.barIndex);
    at.time = 0;
    at.position = 0;
    at.xOffset = next->XToItemOffset(start.pointX, 0, start.staff);
    CBarItem* moved = placed->AddToBar(at);
    if (!moved) return placed;
    start = at;
    next->MakeCurrent();
    score->RecalcBars(false);
    return moved;
}

// --- lyric syllables ------------------------------------------------------------------------------

void LyricBehaviour::OpenProperties(CScoreItem& item, int, int) const { StartLyricEntry(static_cast<CBarItem&>(item)); }

bool LyricBehaviour::HitTestShape(CBarItem& item, int x, int y) const {
    g_model.hitKind = 0;
    RECT r;
    item.GetBounds(&r);
    if (r.right <= r.left || !Within(r, x, y)) return false;
    auto& l = static_cast<CLyric&>(item);
    CStaff* staff = g_model.currentStaff;
    const int space = staff ? staff->Space() : 0;
    g_model.hitPart = std::int16_t(l.HasHyphen() && x > r.right - 2 * space ? kHyphen : kSyllable);
    return true;
}

void LyricBehaviour::DragBy(CScoreItem& item, CDragTask* drag) const {
    if (!drag || item.RecordSizeField() < CLyric::kFixedSize) return;
    auto& l = static_cast<CLyric&>(static_cast<CBarItem&>(item));
    const int dx = ToUnits(drag->dx), dy = ToUnits(drag->dy);
    if (g_model.hitPart == kHyphen) {
        if (dx != 0) rec::Put(&l, CLyric::kHyphenOffset, std::int16_t(l.GetHyphenOffset() + dx));
    } else if (drag->horizontal == 0) {
        l.SetY(l.GetY() + dy);
    } else {
        l.SetX(l.GetX() + dx);
    }
}

void LyricBehaviour::Nudge(CScoreItem& item, int dx, int dy) const {
    if (item.RecordSizeField() < CLyric::kFixedSize) return;
    auto& l = static_cast<CLyric&>(static_cast<CBarItem&>(item));
    CStaff* staff = g_model.currentStaff;
    if (!staff) return;
    const auto scale = [staff](int v) { return staff->ScaleOffset(v); };
    if (dx != 0) l.SetX(StepUntilMoved(l.GetX(), dx > 0 ? 1 : -1, scale));
    if (dy != 0) l.SetY(staff->StepToNextY(l.GetY(), -(dy > 0 ? 1 : -1)));
}

int LyricBehaviour::GetVerticalOffset(CBarItem& item) const {
    return item.RecordSizeField() >= CLyric::kFixedSize ? static_cast<CLyric&>(item).GetY() : 0;
}
void LyricBehaviour::SetHorizontalOffset(CBarItem& item, int offset) const {
    if (item.RecordSizeField() >= CLyric::kFixedSize) static_cast<CLyric&>(item).SetX(offset);
}
void LyricBehaviour::SetVerticalOffset(CBarItem& item, int offset) const {
    if (item.RecordSizeField() >= CLyric::kFixedSize) static_cast<CLyric&>(item).SetY(offset);
}

// --- symbols --------------------------------------------------------------------------------------

void SymbolBehaviour::OpenProperties(CScoreItem& item, int, int) const {
    if (item.RecordSizeField() < CSymbol::kSize) return;
    const auto& s = static_cast<const CSymbol&>(static_cast<CBarItem&>(item));
    if (!s.IsBarLineMark() && !s.IsMusicFont()) RunCommand(kEditSymbolCommand);
}

void SymbolBehaviour::DragBy(CScoreItem& item, CDragTask* drag) const {
    if (!drag || item.RecordSizeField() < CSymbol::kSize) return;
    auto& s = static_cast<CSymbol&>(static_cast<CBarItem&>(item));
    s.SetX(s.GetX() + ToUnits(drag->dx));
    if (!s.IsBarLineMark()) s.SetY(s.GetY() + ToUnits(drag->dy));
}

void SymbolBehaviour::SetHorizontalOffset(CBarItem& item, int offset) const {
    if (item.RecordSizeField() >= CSymbol::kSize) static_cast<CSymbol&>(item).SetX(offset);
}

void SymbolBehaviour::SetVerticalOffset(CBarItem& item, int offset) const {
    if (item.RecordSizeField() < CSymbol::kSize) return;
    auto& s = static_cast<CSymbol&>(item);
    if (!s.IsBarLineMark()) s.SetY(offset);
}

void SymbolBehaviour::GetEndPoints(CBarItem& item, POINT* start, POINT* end) const {
    RECT r;
    GetBounds(item, &r);
    POINT a{r.left, r.top}, b{r.right, r.bottom};
    auto& s = static_cast<CSymbol&>(item);
    CStaff* staff = g_model.currentStaff;
    if (item.RecordSizeField() >= CSymbol::kSize && !s.IsBarLineMark() && !s.IsMusicFont() && staff) {
        const int baseline = staff->OffsetToY(s.GetY());
        a = POINT{r.left, baseline};
        b = POINT{r.right, baseline};
    }
    if (start) *start = a;
    if (end) *end = b;
}

CBarItem* SymbolBehaviour::PlaceAtPoint(CBarItem& item, ScoreLocation& start, ScoreLocation& end) const {
    if (item.RecordSizeField() < CSymbol::kSize) return nullptr;
    auto& s = static_cast<CSymbol&>(item);
    CStaff* staff = g_model.currentStaff;
    if (staff && s.IsBarLineMark()) {
        // The box reaches half a space left of the mark's x.
        start.pointX += staff->Space() / 2;
    } else if (staff && s.IsMusicFont()) {
        start.pointY = staff->OffsetToY(s.GetY());
        if (s.IsCentred()) {
            RECT r;
            GetBounds(item, &r);
            start.pointX += (r.right - r.left) / 2;
        }
    }
    return BarItemBehaviour::PlaceAtPoint(item, start, end);
}

bool DescribeSymbolPlayback(CSymbol& symbol, const CBar& bar, SymbolPlayback& out) {
    out = SymbolPlayback{};
    out.bar = bar.GetIndex();
    out.time = symbol.GetTimeWithOffset();
    out.timeAgain = out.time;
    out.position = symbol.PositionField();
    out.voice = symbol.GetVoice();
    if (symbol.RecordSizeField() >= CSymbol::kSize) symbol.GetPlayback(out.setting);
    return true;
}
