// The drawing, hits and drags of the bar's text jumpers and endings: a text jumper's text with
// its segno and coda glyphs above the first shown staff (right-aligned for the jump kinds), and
// an ending's bracket over its span of bars, drawn per bar on each bar's own system.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "framework/Arith.h"
#include "model/Bar.h"
#include "model/Jumper.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/ScoreLocation.h"
#include "model/ScoreStandIns.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/ZelDoc.h"
#include "notation/PlaybackMarks.h"
#include "platform/Artist.h"
#include "platform/DrawGlobals.h"

namespace {

constexpr int kSegnoGlyph = 0xB0;
constexpr int kCodaGlyph = 0xB1;
constexpr int kEditRepeatCommand = 4110;
constexpr int kEditJumperCommand = 4107;
constexpr int kEditEndingCommand = 4104;
enum : int { kTextPart = 4, kSegnoPart = 5, kCodaPart = 6 };
enum : int { kLeftHookEnd = 0, kLeftCorner = 1, kRightCorner = 2, kRightHookEnd = 3, kEndingText = 4 };

bool Printing() { return g_draw.printingDC; }
bool Feedback() { return g_draw.feedbackDrawing || g_draw.dragInProgress; }
bool Highlighted(const CBarItem& item) { return item.IsSelectedBit() && !Printing() && !Feedback(); }

CStaff* FirstStaff(CBar* bar) {
    CLine* line = bar ? bar->GetLine() : nullptr;
    return line ? line->GetStaff(CLine::kFirstShown) : nullptr;
}

// The text font's ascent and descent; a font that reports none takes its size above the
// baseline and a quarter of it below.
void TextExtent(CArtist* a, CBarItem& item, const FontRef& font, int* ascent, int* descent) {
    FontMetrics16 m;
    a->GetFontMetrics(&m);
    const int size = std::max(1, item.ScaleToView(font.size));
    *ascent = m.ascent > 0 ? m.ascent : size;
    *descent = m.ascent > 0 ? m.descent : size / 4;
}

bool InBox(const RECT& r, int x, int y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }
bool InSquare(int px, int py, int x, int y, int half) { return x >= px - half && x <= px + half && y >= py - half && y <= py + half; }

// The text jumper's walk: plain runs, and "#1" / "#2" replaced by the segno and coda glyphs.
struct Token {
    int part;
    std::string text;
};

std::vector<Token> Tokens(std::string_view text) {
    std::vector<Token> out;
    std::string run;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '#' && i + 1 < text.size() && (text[i + 1] == '1' || text[i + 1] == '2')) {
            if (!run.empty()) out.push_back(Token{kTextPart, run});
            run.clear();
            out.push_back(Token{text[i + 1] == '1' ? kSegnoPart : kCodaPart, {}});
            ++i;
            continue;
        }
        run += text[i];
    }
    if (!run.empty()) out.push_back(Token{kTextPart, run});
    return out;
}

// The pieces laid out, with the text font left selected on the artist (in the caller's scope).
std::vector<MarkPiece> LayOut(CBarItem& item, int* originX, int* originY) {
    std::vector<MarkPiece> pieces;
    CArtist* a = g_draw.artist;
    CBar* bar = g_model.currentBar;
    CStaff* staff = FirstStaff(bar);
    auto* j = CJumper::Of(&item);
    if (!a || !bar || !staff || item.RecordSizeField() < CTextJumper::kSize) return pieces;
    const FontRef textFont = j->Font(CTextJumper::kTextFont);
    const FontRef glyphFont = j->Font(CTextJumper::kGlyphFont);
    const int glyphSize = item.ScaleToView(glyphFont.size);
    const std::vector<Token> tokens = Tokens(j->GetText());
    // Widths first: the jump kinds end at their point.
    std::vector<int> widths;
    item.UseFont(textFont);
    int ascent = 0, descent = 0;
    TextExtent(a, item, textFont, &ascent, &descent);
    int total = 0;
    for (const Token& t : tokens) {
        if (t.part == kTextPart) {
            item.UseFont(textFont);
            widths.push_back(a->TextWidth(t.text.c_str()));
        } else {
            a->SetMusicFont(glyphSize);
            widths.push_back(a->GlyphWidth(t.part == kSegnoPart ? kSegnoGlyph : kCodaGlyph));
        }
        total += widths.back();
    }
    const int textX = j->Word(CTextJumper::kTextX);
    int x = CJumper::IsJumpKind(j->GetKind()) ? bar->GetRight() + staff->ScaleOffset(textX) - total
                                              : bar->GetLeft() + staff->ScaleOffset(textX);
    const int y = staff->GetTopLine() - staff->ScaleOffset(j->Word(CTextJumper::kTextHeight));
    if (originX) *originX = x;
    if (originY) *originY = y;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const Token& t = tokens[i];
        MarkPiece p{t.part, {}, t.text};
        if (t.part == kTextPart) {
            p.box = RECT{x, y - ascent, x + widths[i], y + descent};
        } else {
            const bool segno = t.part == kSegnoPart;
            const int dx = j->Word(segno ? CTextJumper::kSegnoX : CTextJumper::kCodaX);
            const int dy = j->Word(segno ? CTextJumper::kSegnoY : CTextJumper::kCodaY) + 90 +
                           (segno ? glyphFont.size / 6 * 20 : 0);
            const int gx = x + staff->ScaleOffset(dx), gy = y + staff->ScaleOffset(dy);
            p.box = RECT{gx, gy - std::max({glyphSize, widths[i], 1}), gx + widths[i], gy};
        }
        pieces.push_back(p);
        x += widths[i];
    }
    item.UseFont(textFont);
    return pieces;
}

// The ending's drag deltas: the start's (the shared one) while it is dragged.
int StartDelta(const CBarItem& item) { return g_model.dragItem == &item ? g_model.itemDragX : 0; }

}  // namespace

// --- text jumpers ------------------------------------------------------------------------------

std::vector<MarkPiece> marks::TextJumperPieces(CBarItem& item) {
    CArtist* a = g_draw.artist;
    if (!a) return {};
    a->PushFont();
    std::vector<MarkPiece> pieces = LayOut(item, nullptr, nullptr);
    a->PopFont();
    return pieces;
}

void JumperBehaviour::OpenProperties(CScoreItem& item, int, int) const {
    const int kind = CJumper::Of(&static_cast<CBarItem&>(item))->GetKind();
    if (CZelDoc* doc = g_model.currentDoc) doc->OnCommandRange(kind == CJumper::kRepeatCount ? kEditRepeatCommand : kEditJumperCommand);
}

void TextJumperBehaviour::Draw(CScoreItem& scoreItem) const {
    auto& item = static_cast<CBarItem&>(scoreItem);
    CArtist* a = g_draw.artist;
    if (!a) return;
    auto* j = CJumper::Of(&item);
    const FontRef glyphFont = j->Font(CTextJumper::kGlyphFont);
    a->PushColor();
    a->PushFont();
    item.SetDrawColor(Highlighted(item));
    int x = 0, y = 0;
    const std::vector<MarkPiece> pieces = LayOut(item, &x, &y);
    g_model.drawnPoint = POINT{x, y};
    const FontRef textFont = j->Font(CTextJumper::kTextFont);
    for (const MarkPiece& p : pieces) {
        if (p.part == kTextPart) {
            item.UseFont(textFont);
            a->DrawText(p.box.left, y, p.text.c_str());
        } else {
            a->SetMusicFont(item.ScaleToView(glyphFont.size));
            a->DrawGlyph(p.box.left, p.box.bottom, p.part == kSegnoPart ? kSegnoGlyph : kCodaGlyph);
        }
    }
    a->PopFont();
    a->PopColor();
}

bool TextJumperBehaviour::HitTest(CScoreItem& item, int x, int y) const {
    for (const MarkPiece& p : marks::TextJumperPieces(static_cast<CBarItem&>(item)))
        if (InBox(p.box, x, y)) {
            g_model.hitPart = std::int16_t(p.part);
            return true;
        }
    return false;
}

RECT* TextJumperBehaviour::GetBounds(CScoreItem& item, RECT* rect) const {
    const std::vector<MarkPiece> pieces = marks::TextJumperPieces(static_cast<CBarItem&>(item));
    *rect = RECT{};
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const RECT& b = pieces[i].box;
        if (i == 0) {
            *rect = b;
            continue;
        }
        rect->left = std::min(rect->left, b.left);
        rect->top = std::min(rect->top, b.top);
        rect->right = std::max(rect->right, b.right);
        rect->bottom = std::max(rect->bottom, b.bottom);
    }
    return rect;
}

void TextJumperBehaviour::DragBy(CScoreItem& item, CDragTask* drag) const {
    if (!drag) return;
    auto* j = CJumper::Of(&static_cast<CBarItem&>(item));
    CStaff* staff = FirstStaff(g_model.currentBar);
    const int dx = staff ? staff->UnscaleOffset(drag->dx) : drag->dx;
    const int dy = staff ? staff->UnscaleOffset(drag->dy) : drag->dy;
    const auto add = [&](int at, int d) { j->PutWord(at, j->Word(at) + d); };
    switch (g_model.hitPart) {
        case kSegnoPart:
            add(CTextJumper::kSegnoX, dx);
            add(CTextJumper::kSegnoY, dy);
            break;
        case kCodaPart:
            add(CTextJumper::kCodaX, dx);
            add(CTextJumper::kCodaY, dy);
            break;
        default:
            add(CTextJumper::kTextX, dx);
            add(CTextJumper::kTextHeight, -dy);
            break;
    }
}

CBarItem* TextJumperBehaviour::PlaceAtPoint(CBarItem& item, ScoreLocation& start, ScoreLocation&) const {
    CBar* bar = start.bar ? start.bar : g_model.currentBar;
    CStaff* staff = FirstStaff(bar);
    if (!bar || !staff) return nullptr;
    auto* j = CJumper::Of(&item);
    const int edge = CJumper::IsJumpKind(j->GetKind()) ? bar->GetRight() : bar->GetLeft();
    j->PutWord(CTextJumper::kTextX, staff->UnscaleOffset(start.pointX - edge));
    j->PutWord(CTextJumper::kTextHeight, staff->UnscaleOffset(staff->GetTopLine() - start.pointY));
    return &item;
}

// --- endings -----------------------------------------------------------------------------------

bool marks::EndingSegmentOf(CBarItem& item, CBar* ownBar, int k, EndingSegment* out) {
    CScore* score = ownBar ? ownBar->GetScore() : nullptr;
    if (!score || item.RecordSizeField() < CEnding::kSize) return false;
    auto* e = CJumper::Of(&item);
    const int span = std::max(1, int(e->GetTarget()));
    if (k < 0 || k >= span) return false;
    CBar* b = score->GetBar(ownBar->GetIndex() + k);
    CLine* line = b ? b->GetLine() : nullptr;
    CStaff* staff = FirstStaff(b);
    if (!b || !line || !staff) return false;
    const auto S = [&](int v) { return staff->ScaleOffset(v); };
    EndingSegment s;
    s.first = k == 0;
    s.last = k == span - 1 || b->IsLast();
    s.y = line->GetTop() - S(e->Word(CEnding::kHeight));
    s.left = b->GetLeft();
    if (s.first) {
        s.left += S(e->Word(CEnding::kStartX) + StartDelta(item));
        s.left += e->GetKind() == CJumper::kEndingAfter ? 2 * S(20) : -S(20);
    }
    s.right = b->GetRight();
    if (s.last) s.right += S(e->Word(CEnding::kEndX));
    s.leftHookEnd = s.y + S(e->Word(CEnding::kLeftHook));
    s.rightHookEnd = s.y + S(e->Word(CEnding::kRightHook));
    *out = s;
    return true;
}

namespace {

// The ending's text box in its first bar (the text font selected in the caller's scope).
RECT EndingTextBox(CBarItem& item, CBar* ownBar) {
    CArtist* a = g_draw.artist;
    CStaff* staff = FirstStaff(ownBar);
    CLine* line = ownBar ? ownBar->GetLine() : nullptr;
    auto* e = CJumper::Of(&item);
    if (!a || !staff || !line || e->GetText().empty()) return RECT{};
    item.UseFont(e->Font(CEnding::kTextFont));
    int ascent = 0, descent = 0;
    TextExtent(a, item, e->Font(CEnding::kTextFont), &ascent, &descent);
    const std::string text(e->GetText());
    const int x = ownBar->GetLeft() + staff->ScaleOffset(e->Word(CEnding::kTextX) + StartDelta(item));
    const int y = line->GetTop() - staff->ScaleOffset(e->Word(CEnding::kTextHeight));
    return RECT{x, y - ascent, x + a->TextWidth(text.c_str()), y + descent};
}

int SpanOf(CBarItem& item) { return std::max(1, int(CJumper::Of(&item)->GetTarget())); }

}  // namespace

void EndingBehaviour::OpenProperties(CScoreItem&, int, int) const {
    if (CZelDoc* doc = g_model.currentDoc) doc->OnCommandRange(kEditEndingCommand);
}

void EndingBehaviour::Draw(CScoreItem& scoreItem) const {
    auto& item = static_cast<CBarItem&>(scoreItem);
    CArtist* a = g_draw.artist;
    CBar* own = g_model.currentBar;
    if (!a || !own) return;
    auto* e = CJumper::Of(&item);
    CPage* page = own->GetPage();
    a->PushColor();
    a->PushFont();
    item.SetDrawColor(Highlighted(item));
    const bool handles = g_model.showHandles && !Feedback();
    CLine* const continued = g_model.continuedSystem;
    for (int k = 0, n = SpanOf(item); k < n; ++k) {
        marks::EndingSegment s;
        if (!marks::EndingSegmentOf(item, own, k, &s)) break;
        CBar* b = own->GetScore()->GetBar(own->GetIndex() + k);
        // Only the bars on the page being drawn; drawn for a later page's system, the pieces on
        // that system.
        if (continued ? b->GetLine() != continued : b->GetPage() != page) {
            if (continued) continue;
            break;
        }
        if (CStaff* staff = FirstStaff(b)) staff->SetScaledPenWidth(15);
        a->Line(s.left, s.y, s.right, s.y);
        if (s.first && e->Word(CEnding::kLeftHook) > 0) a->Line(s.left, s.y, s.left, s.leftHookEnd);
        if (s.last && e->Word(CEnding::kRightHook) > 0) a->Line(s.right, s.y, s.right, s.rightHookEnd);
        if (handles) {
            if (s.first) {
                a->DrawHandle(s.left, s.y, false);
                a->DrawHandle(s.left, s.leftHookEnd, false);
            }
            if (s.last) {
                a->DrawHandle(s.right, s.y, false);
                a->DrawHandle(s.right, s.rightHookEnd, false);
            }
        }
    }
    a->SetPenWidth(20);
    const RECT text = EndingTextBox(item, own);
    if (!continued && !e->GetText().empty()) {
        const std::string t(e->GetText());
        CLine* line = own->GetLine();
        CStaff* staff = FirstStaff(own);
        a->DrawText(text.left, line->GetTop() - staff->ScaleOffset(e->Word(CEnding::kTextHeight)), t.c_str());
    }
    a->PopFont();
    a->PopColor();
}

void EndingBehaviour::DrawDragFeedback(CScoreItem& item) const { Draw(item); }

bool EndingBehaviour::HitTest(CScoreItem& scoreItem, int x, int y) const {
    auto& item = static_cast<CBarItem&>(scoreItem);
    CBar* own = g_model.currentBar;
    CArtist* a = g_draw.artist;
    if (!own || !a) return false;
    a->PushFont();
    const RECT text = EndingTextBox(item, own);
    a->PopFont();
    if (!CJumper::Of(&item)->GetText().empty() && InBox(text, x, y)) {
        g_model.hitPart = kEndingText;
        return true;
    }
    CStaff* staff = FirstStaff(own);
    const int half = std::max(2, staff ? staff->Space() / 2 : 2);
    for (int k = 0, n = SpanOf(item); k < n; ++k) {
        marks::EndingSegment s;
        if (!marks::EndingSegmentOf(item, own, k, &s)) break;
        const std::pair<int, POINT> handles[] = {{kLeftCorner, {s.left, s.y}},
                                                 {kLeftHookEnd, {s.left, s.leftHookEnd}},
                                                 {kRightCorner, {s.right, s.y}},
                                                 {kRightHookEnd, {s.right, s.rightHookEnd}}};
        for (const auto& [part, p] : handles) {
            if ((part <= kLeftCorner && !s.first) || (part >= kRightCorner && !s.last)) continue;
            if (InSquare(p.x, p.y, x, y, half)) {
                g_model.hitPart = std::int16_t(part);
                return true;
            }
        }
    }
    return false;
}

RECT* EndingBehaviour::GetBounds(CScoreItem& scoreItem, RECT* rect) const {
    auto& item = static_cast<CBarItem&>(scoreItem);
    CBar* own = g_model.currentBar;
    *rect = RECT{};
    bool any = false;
    const auto add = [&](const RECT& r) {
        if (!any) {
            *rect = r;
            any = true;
            return;
        }
        rect->left = std::min(rect->left, r.left);
        rect->top = std::min(rect->top, r.top);
        rect->right = std::max(rect->right, r.right);
        rect->bottom = std::max(rect->bottom, r.bottom);
    };
    for (int k = 0, n = SpanOf(item); k < n; ++k) {
        marks::EndingSegment s;
        if (!marks::EndingSegmentOf(item, own, k, &s)) break;
        add(RECT{s.left, s.y, s.right, std::max({s.y + 1, s.first ? s.leftHookEnd : s.y, s.last ? s.rightHookEnd : s.y})});
    }
    if (CArtist* a = g_draw.artist; a && !CJumper::Of(&item)->GetText().empty()) {
        a->PushFont();
        add(EndingTextBox(item, own));
        a->PopFont();
    }
    return rect;
}

void EndingBehaviour::DragBy(CScoreItem& scoreItem, CDragTask* drag) const {
    auto& item = static_cast<CBarItem&>(scoreItem);
    if (!drag) return;
    g_model.dragItem = &item;
    auto* e = CJumper::Of(&item);
    CBar* own = g_model.currentBar;
    CStaff* staff = FirstStaff(own);
    const int dx = staff ? staff->UnscaleOffset(drag->dx) : drag->dx;
    const int dy = staff ? staff->UnscaleOffset(drag->dy) : drag->dy;
    const auto add = [&](int at, int d) { e->PutWord(at, e->Word(at) + d); };
    switch (g_model.hitPart) {
        case kLeftHookEnd: {
            g_model.itemDragX = std::int16_t(g_model.itemDragX + dx);
            const int hook = std::max<int>(CEnding::kMinLeftHook, e->Word(CEnding::kLeftHook) + dy);
            e->PutWord(CEnding::kLeftHook, hook);
            if (e->Word(CEnding::kRightHook) != 0) e->PutWord(CEnding::kRightHook, hook);
            break;
        }
        case kLeftCorner:
            g_model.itemDragX = std::int16_t(g_model.itemDragX + dx);
            add(CEnding::kHeight, -dy);
            add(CEnding::kTextHeight, -dy);
            break;
        case kRightCorner: {
            // The span reaches the bar under the pointer; the end offset runs from the pointer
            // to that bar's right edge.
            marks::EndingSegment s;
            CScore* score = own ? own->GetScore() : nullptr;
            if (score && marks::EndingSegmentOf(item, own, SpanOf(item) - 1, &s)) {
                const int px = s.right + drag->dx, py = s.y + drag->dy;
                for (int i = own->GetIndex(); i < score->GetBarCount(); ++i) {
                    CBar* b = score->GetBar(i);
                    CLine* line = b ? b->GetLine() : nullptr;
                    if (!line || line->GetPage() != own->GetLine()->GetPage()) continue;
                    const bool rowMatch = py >= line->GetTop() - 8 * line->GetSpace() && py <= line->GetBottom();
                    if (!rowMatch || px < b->GetLeft() || px > b->GetRight()) continue;
                    e->SetTarget(i - own->GetIndex() + 1);
                    CStaff* bs = FirstStaff(b);
                    e->PutWord(CEnding::kEndX, bs ? bs->UnscaleOffset(px - b->GetRight()) : px - b->GetRight());
                    break;
                }
            }
            add(CEnding::kHeight, -dy);
            add(CEnding::kTextHeight, -dy);
            break;
        }
        case kRightHookEnd: add(CEnding::kRightHook, dy); break;
        default:
            add(CEnding::kTextX, dx);
            add(CEnding::kTextHeight, -dy);
            break;
    }
}

void EndingBehaviour::EndDrag(CScoreItem& scoreItem, CDragTask* drag) const {
    auto* e = CJumper::Of(&static_cast<CBarItem&>(scoreItem));
    if (g_model.hitPart == kLeftHookEnd || g_model.hitPart == kLeftCorner) {
        e->PutWord(CEnding::kStartX, e->Word(CEnding::kStartX) + g_model.itemDragX);
    }
    g_model.itemDragX = 0;
    g_model.dragItem = nullptr;
    (void)drag;
}
