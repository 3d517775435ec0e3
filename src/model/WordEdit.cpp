// What the mouse and the keys do to the score's words and single signs: hit parts, drags,
// nudges and the double click that edits them, for texts, page texts, tempo marks, lyric
// syllables and symbols.
#include <algorithm>

#include "model/Bar.h"
#include "model/DocumentStandIns.h"
#include "model/TextTask.h"
#include "model/DragTask.h"
#include "model/Lyric.h"
#include "model/LyricTask.h"
#include "model/ModelGlobals.h"
#include "model/Page.h"
#include "model/ScoreStandIns.h"
#include "model/Symbol.h"
#include "model/SystemStaff.h"
#include "model/Tempo.h"
#include "model/Text.h"
#include "model/ZelDoc.h"
#include "platform/DrawGlobals.h"
#include "platform/Port.h"

namespace {

// The document commands a double click runs.
constexpr int kSetTempoCommand = 34007;
constexpr int kEditSymbolCommand = 4111;
constexpr int kBody = -32767;
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
    g_model.dragOffsetX = std::int16_t(g_model.dragOffsetX + drag->dx);
    if (g_viewDrag.modifierFlagA)
        rec::Put(&t, CText::kFrameMarginY, std::int16_t(rec::Get<std::int16_t>(&t, CText::kFrameMarginY) + drag->dy));
    else
        rec::Put(&t, CText::kYOffset, std::int32_t(t.GetY() + drag->dy));
}

void TextBehaviour::EndDrag(CScoreItem& item, CDragTask* drag) const {
    BarItemBehaviour::EndDrag(item, drag);
    auto& t = static_cast<CText&>(item);
    if (g_model.dragOffsetX != 0) rec::Put(&t, CText::kXOffset, std::int32_t(t.GetX() + g_model.dragOffsetX));
    g_model.dragOffsetX = 0;
}

CBarItem* TextBehaviour::PlaceAtPoint(CBarItem& item, ScoreLocation& start, ScoreLocation& end) const {
    g_model.dragOffsetX = 0;
    if (item.IsPageText()) return nullptr;
    return BarItemBehaviour::PlaceAtPoint(item, start, end);
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
    rec::Put(&t, CText::kXOffset, std::int32_t(t.GetX() + g_model.dragOffsetX));
    g_model.dragOffsetX = 0;
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
    if (g_model.hitPart == 0) {
        t.SetX(t.GetX() + drag->dx);
        t.SetY(t.GetY() + drag->dy);
    } else {
        rec::Put(&t, CTempo::kMetronomeX, std::int16_t(rec::Get<std::int16_t>(&t, CTempo::kMetronomeX) + drag->dx));
        rec::Put(&t, CTempo::kMetronomeY, std::int16_t(rec::Get<std::int16_t>(&t, CTempo::kMetronomeY) + drag->dy));
    }
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
    if (g_model.hitPart == kHyphen) {
        if (drag->dx != 0) rec::Put(&l, CLyric::kHyphenOffset, std::int16_t(l.GetHyphenOffset() + drag->dx));
    } else if (drag->horizontal == 0) {
        l.SetY(l.GetY() + drag->dy);
    } else {
        l.SetX(l.GetX() + drag->dx);
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
    s.SetX(s.GetX() + drag->dx);
    if (!s.IsBarLineMark()) s.SetY(s.GetY() + drag->dy);
}
