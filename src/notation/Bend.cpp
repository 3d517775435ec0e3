// The bend and the lines built on its record (groups, barres, pedal lines): points, drawing,
// bounds, hits, drags, label steps, creation defaults, note marks and stored form.
#include <algorithm>
#include <new>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "framework/Arith.h"
#include "model/DragTask.h"
#include "model/ItemClass.h"
#include "model/ItemFactory.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/ScoreLocation.h"
#include "model/ScoreStandIns.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/TaskMakers.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "notation/NotationGlobals.h"
#include "notation/PedalDrag.h"
#include "notation/RawNote.h"
#include "notation/TieType.h"
#include "platform/Artist.h"
#include "platform/DrawGlobals.h"
#include "platform/PlatformGlobals.h"
#include "platform/PortLayer.h"

namespace {

constexpr int kWhole = TieTypeBehaviour::kWholeItem;
// The first string of the label amounts (0-12 quarters of a bend).
constexpr unsigned kLabelStrings = 6100;
// The glyphs of the groups' kinds, and the wave glyphs of bends of kind 7 and up.
constexpr int kGroupOpen = 254, kGroupClose = 255, kGroupSingle = 250, kGroupOther = 251;
constexpr int kVibratoGlyphs[7] = {228, 229, 230, 231, 232, 233, 162};

CBend& BendOf(CScoreItem& item) { return static_cast<CBend&>(item); }

// The staff of end 0 (the item's track offset by its start staff offset) or the current one.
CStaff* StartStaff(const CTieType& item) {
    CLine* line = g_model.currentLine;
    CTrkBar* trkBar = g_model.currentTrkBar;
    if (!line) return g_model.currentStaff;
    const int track = trkBar ? trkBar->GetTrackIndex() : 0;
    CStaff* s = line->GetStaff(std::max(0, track + item.StartStaffOffset()));
    return s ? s : g_model.currentStaff;
}

int Space() { return g_model.currentStaff ? g_model.currentStaff->Space() : 6; }
int Offset(int units) { return g_model.currentStaff ? g_model.currentStaff->ScaleOffset(units) : units * 6 / 120; }
int HandleHalf() { return g_draw.artist ? g_draw.artist->Scale(2) : 2; }
bool InSquare(const POINT& p, int x, int y, int half) {
    return x >= p.x - half && x <= p.x + half && y >= p.y - half && y <= p.y + half;
}
// The label square: one line spacing, its bottom-left corner the anchor.
bool InLabel(const POINT& anchor, int x, int y) {
    const int s = Space();
    return x >= anchor.x && x <= anchor.x + s && y >= anchor.y - s && y <= anchor.y;
}
void Union(RECT& r, int x, int y) {
    r.left = std::min<LONG>(r.left, x);
    r.top = std::min<LONG>(r.top, y);
    r.right = std::max<LONG>(r.right, x);
    r.bottom = std::max<LONG>(r.bottom, y);
}
// The current font's height (ascent and descent) in view units.
int FontHeight(CArtist& a) {
    FontMetrics16 m;
    a.GetFontMetrics(&m);
    return a.Scale(m.ascent + m.descent);
}

// The sub-tool the palettes chose (0 without the hook).
int SubTool() { return ChosenSubTool() ? ChosenSubTool()() : 0; }

// The common creation steps: the base placement, the type, the staff position of the click for
// both ends and the end at the start.
void PlaceBase(CBend& b, const ScoreLocation& location, int type) {
    BarItemBehaviour::Bare().PlaceAt(b, location);
    b.SetType(type);
    b.SetAboveBit(true);
    b.SetStartY(location.staffPosition);
    b.SetEndY(location.staffPosition);
    b.SetEndPositionField(b.PositionField());
}

}  // namespace

// --- the bend -----------------------------------------------------------------------------------------

const BendBehaviour& BendBehaviour::Instance() {
    static const BendBehaviour behaviour;
    return behaviour;
}

std::string BendBehaviour::LabelText(int amount) {
    char text[32] = {};
    LoadResString(kLabelStrings + unsigned(std::min(std::abs(amount), int(CBend::kMaxLabel))), text);
    return amount < 0 ? "-" + std::string(text) : std::string(text);
}

int BendBehaviour::GetKind(CScoreItem& item) const { return BendOf(item).Kind(); }

int BendBehaviour::GetWantedSize(CScoreItem& item) const {
    auto& b = BendOf(item);
    return std::max(b.WantedSize(), int(GetItemRecordSize(&item)));
}

int BendBehaviour::GetPoints(CTieType& item, POINT* p) const {
    auto& b = static_cast<CBend&>(item);
    POINT p0{}, p1{};
    EndPoints(b, &p0, &p1);
    const int n = std::min(b.PointCount(), kMaxPoints - 2);
    p[0] = p0;
    CBar* bar = g_model.currentBar;
    CStaff* staff = StartStaff(b);
    for (int i = 0; i < n; ++i) {
        const int at = b.PositionField() + b.GetPointValue(i);
        const int bars = at >= 0 ? at / 1024 : -((1023 - at) / 1024);
        p[i + 1].x = bar ? bar->SpanPositionToX(bars, at - 1024 * bars, b.StartDx(), true) : p0.x;
        p[i + 1].y = p0.y + (staff ? staff->ScaleOffset(b.PointDy(i)) : 0);
    }
    p[n + 1] = p1;
    if (b.IsPedal() && b.Kind() == CPedal::kNotched) p[n + 1].y = p0.y;
    return n + 2;
}

int BendBehaviour::LabelAnchors(CBend& b, const POINT* p, int n, POINT* anchors, int* amounts) const {
    int k = 0;
    if (b.EndLabel() != 0) {
        anchors[k] = POINT{p[n - 1].x + Offset(b.EndLabelDx()), p[n - 1].y + Offset(b.EndLabelDy())};
        amounts[k++] = b.EndLabel();
    }
    for (int i = 0; i + 2 < n && i < b.PointCount(); ++i) {
        if (b.PointLabel(i) == 0) continue;
        anchors[k] = POINT{p[i + 1].x + Offset(b.PointLabelDx(i)), p[i + 1].y + Offset(b.PointLabelDy(i))};
        amounts[k++] = b.PointLabel(i);
    }
    return k;
}

void BendBehaviour::DrawLine(CTieType& item, POINT* p, int n) const {
    auto& b = static_cast<CBend&>(item);
    CArtist* a = g_draw.artist;
    if (!a || n < 2) return;
    const int s = Space();
    a->SetPenWidth(15 * (6 - (6 - s) / 2) / 6);
    a->PushFont();
    POINT anchors[1 + kMaxPoints];
    int amounts[1 + kMaxPoints];
    const int labels = LabelAnchors(b, p, n, anchors, amounts);
    if (labels > 0) {
        CScore* score = g_model.currentScore;
        FontRef font = score ? score->textFont1 : FontRef{};
        font.size = 8;
        b.UseFont(font);
        for (int i = 0; i < labels; ++i) a->DrawText(anchors[i].x, anchors[i].y, LabelText(amounts[i]).c_str());
    }
    a->PopFont();
    const int kind = b.Kind();
    const POINT& e = p[n - 1];
    switch (kind) {
        case 0: a->DrawArcShape(p[0].x, p[0].y, e.x, e.y, true, s); break;
        case 1: a->DrawArcShape(p[0].x, p[0].y, e.x, e.y, false, s); break;
        case 2:
        case 3:
            if (n < 3) break;
            a->DrawArcShape(p[0].x, p[0].y, p[1].x, p[1].y, kind == 2, s);
            a->DrawArcShape(p[1].x, p[1].y, e.x, e.y, false, s);
            break;
        case 4:
        case 5:
            if (n < 4) break;
            a->DrawArcShape(p[0].x, p[0].y, p[1].x, p[1].y, kind == 4, s);
            a->ThickLineAlt(p[1].x, p[1].y, p[2].x, p[2].y, 1);
            a->DrawArcShape(p[2].x, p[2].y, e.x, e.y, false, s);
            break;
        case 6:
            if (n < 3) break;
            a->LineAlt(p[0].x, p[0].y, p[1].x, p[1].y);
            a->LineAlt(p[1].x, p[1].y, e.x, e.y);
            break;
        default:
            if (kind >= 7 && kind <= 13) a->DrawGlyphRun(p[0].x, p[0].y, e.x, e.y, kVibratoGlyphs[kind - 7]);
            break;
    }
    const int hit = g_model.hitPart;
    g_model.drawnPoint = (!g_notation.anchorAtStart && hit != kWhole && hit >= 0 && hit < n) ? p[hit] : p[0];
    a->SetPenWidth(20);
}

RECT* BendBehaviour::GetBounds(CScoreItem& item, RECT* rect) const {
    auto& b = BendOf(item);
    POINT p[kMaxPoints];
    const int n = GetPoints(b, p);
    RECT r{p[0].x, p[0].y, p[0].x, p[0].y};
    for (int i = 1; i < n; ++i) Union(r, p[i].x, p[i].y);
    r.left -= 1, r.top -= 1, r.right += 1, r.bottom += 1;
    POINT anchors[1 + kMaxPoints];
    int amounts[1 + kMaxPoints];
    const int labels = LabelAnchors(b, p, n, anchors, amounts);
    const int s = Space();
    for (int i = 0; i < labels; ++i) {
        Union(r, anchors[i].x, anchors[i].y - s);
        Union(r, anchors[i].x + s, anchors[i].y);
    }
    r.left -= 2, r.top -= 2, r.right += 2, r.bottom += 2;
    *rect = r;
    return rect;
}

bool BendBehaviour::HitTestShape(CBarItem& item, int x, int y) const {
    auto& b = BendOf(item);
    POINT p[kMaxPoints];
    const int n = GetPoints(b, p);
    const int half = HandleHalf();
    for (int i = 0; i < n; ++i)
        if (InSquare(p[i], x, y, half)) {
            g_model.hitPart = std::int16_t(i);
            return true;
        }
    if (b.EndLabel() != 0 &&
        InLabel(POINT{p[n - 1].x + Offset(b.EndLabelDx()), p[n - 1].y + Offset(b.EndLabelDy())}, x, y)) {
        g_model.hitPart = -1;
        return true;
    }
    for (int i = 0; i + 2 < n; ++i) {
        if (b.PointLabel(i) == 0) continue;
        if (InLabel(POINT{p[i + 1].x + Offset(b.PointLabelDx(i)), p[i + 1].y + Offset(b.PointLabelDy(i))}, x, y)) {
            g_model.hitPart = std::int16_t(-2 - i);
            return true;
        }
    }
    return false;
}

void BendBehaviour::StepLabel(CBend& b, const CDragTask& drag) const {
    const int index = g_model.hitPart;
    if (index == kWhole) return;
    const int count = b.PointCount();
    const int d = drag.dy / 2;
    if (d == 0) return;
    const int step = d > 0 ? -1 : 1;
    const auto held = [](int v) { return std::clamp(v, -int(CBend::kMaxLabel), int(CBend::kMaxLabel)); };
    if (index == -1 || index == count + 1) {
        b.SetEndLabel(held(b.EndLabel() + step));
    } else if (index >= 1 && index <= count) {
        b.SetPointLabel(index - 1, held(b.PointLabel(index - 1) + step));
    } else if (index <= -2 && -2 - index < count) {
        b.SetPointLabel(-2 - index, held(b.PointLabel(-2 - index) + step));
    }
}

void BendBehaviour::DragBy(CScoreItem& item, CDragTask* drag) const {
    auto& b = BendOf(item);
    if (!drag) return;
    if (g_model.hitPart == 0 || g_platform.ctrlDown) g_model.hitPart = kWhole;
    const int index = g_model.hitPart;
    if (g_platform.altDown && index != kWhole) {
        StepLabel(b, *drag);
        return;
    }
    const int p = drag->positionStep, dx = drag->dx, dy = drag->dy;
    const int count = b.PointCount();
    if (index == kWhole) {
        b.SetPositionField(b.PositionField() + p);
        b.SetEndPositionField(b.EndPositionField() + p);
        b.SetStartDy(b.StartDy() + dy);
        b.SetEndDy(b.EndDy() + dy);
        return;
    }
    if (index == count + 1) {
        b.SetEndDx(b.EndDx() + dx);
        if (b.IsPedal()) {
            b.SetEndDy(b.EndDy() + dy);
            if (b.Kind() != CPedal::kBracket) b.SetStartDy(b.StartDy() + dy);
        } else if (b.Kind() < 7) {
            b.SetEndDy(b.EndDy() + dy);
            if ((b.Kind() == 4 || b.Kind() == 5) && count > 0) b.SetPointValue(count - 1, b.GetPointValue(count - 1) + p);
        } else {
            b.SetEndDy(b.EndDy() + dy);
            if (b.EndBarOffset() == 0 && b.EndPositionField() < b.PositionField() + 32)
                b.SetEndPositionField(b.PositionField() + 32);
        }
        return;
    }
    if (index == -1) {
        b.SetEndLabelDx(b.EndLabelDx() + dx);
        b.SetEndLabelDy(b.EndLabelDy() + dy);
        return;
    }
    if (index <= -2 && -2 - index < count) {
        const int i = -2 - index;
        b.SetPointLabelOffsets(i, b.PointLabelDx(i) + dx, b.PointLabelDy(i) + dy);
        return;
    }
    if (index >= 1 && index <= count) {
        // The point's position is in 1/1024 of a bar: it takes the drag's position step.
        b.SetPointValue(index - 1, b.GetPointValue(index - 1) + p);
        if (!(b.IsPedal() && b.Kind() == CPedal::kNotched)) b.SetPointDy(index - 1, b.PointDy(index - 1) + dy);
    }
}

void BendBehaviour::PlaceAt(CBarItem& item, const ScoreLocation& location) const {
    auto& b = BendOf(item);
    PlaceBase(b, location, CBend::kType);
    const int kind = SubTool();
    b.SetKind(kind);
    b.SetEndLabel(kind < 6 ? 2 : 0);
    b.SetEndLabelDx(CBend::kDefaultLabelDx);
    b.SetEndLabelDy(CBend::kDefaultLabelDy);
    switch (kind) {
        case 0: b.SetEndDy(CBend::kDefaultOffset); break;
        case 1:
            b.SetEndDx(-CBend::kDefaultOffset);
            b.SetEndDy(CBend::kDefaultOffset);
            break;
        case 2:
        case 3:
        case 4:
        case 5:
        case 6: {
            b.SetEndPositionField(b.PositionField() + 256);
            b.AppendPoint(0, CBend::kDefaultOffset);
            const int span = b.Span();
            if (kind == 3 || kind == 6) b.SetPointValue(0, span / 2);
            if (kind == 4 || kind == 5) {
                b.AppendPoint(2 * (span / 3), CBend::kDefaultOffset);
                if (kind == 5) b.SetPointValue(0, span / 3);
            }
            break;
        }
        default: b.SetEndPositionField(b.PositionField() + 256); break;
    }
}

// The marks of the lines built on the bend: bit 3 (start) and bit 2 (end) of the note's flags.
bool BendBehaviour::HasStartNoteMark(const CTieType&, CBarItem* note, int) const {
    return note && NoteHasLink(*note, kLineStartLink);
}
bool BendBehaviour::HasEndNoteMark(const CTieType&, CBarItem* note, int) const {
    return note && NoteHasLink(*note, kLineEndLink);
}
void BendBehaviour::SetStartNoteMark(const CTieType&, CBarItem* note, bool on, int) const {
    if (note) NoteSetLink(*note, kLineStartLink, on);
}
void BendBehaviour::SetEndNoteMark(const CTieType&, CBarItem* note, bool on, int) const {
    if (note) NoteSetLink(*note, kLineEndLink, on);
}

void BendBehaviour::OwnFieldsFromFileOrder(CTieType& item) const { static_cast<CBend&>(item).OwnFieldsFromFileOrder(); }
void BendBehaviour::OwnFieldsToFileOrder(CTieType& item) const { static_cast<CBend&>(item).OwnFieldsToFileOrder(); }

void BendBehaviour::FromFileOrder(CScoreItem& item) const {
    auto& b = BendOf(item);
    b.FieldsFromFileOrder();
    if (g_model.loadedFileVersion >= 0x400) {
        OwnFieldsFromFileOrder(b);
        return;
    }
    // An older file holds no playback setting: its points follow at 44. They move up by the
    // setting's 32 bytes where the reader gave room, and the setting reads zero.
    const int size = b.RecordSizeField();
    if (size < CBend::kOldFixedSize) return;
    b.OwnFieldsFromFileOrder(CBend::kOldFixedSize);
    if (RecordReadRoom(item) < size + CBend::kPlaybackSize) return;
    std::uint8_t* bytes = b.Bytes();
    std::memmove(bytes + CBend::kPoints, bytes + CBend::kOldFixedSize, std::size_t(size - CBend::kOldFixedSize));
    std::memset(bytes + CBend::kPlayback, 0, CBend::kPlaybackSize);
    b.CBaseItem::SetSize(std::int16_t(size + CBend::kPlaybackSize));
}

void BendBehaviour::AfterLoad(CScoreItem& item, int version) const {
    TieTypeBehaviour::AfterLoad(item, version);
    const int file = g_model.loadedFileVersion;
    if (file > 0x400 || (file == 0x400 && g_model.loadedFileMinor >= 2)) return;
    auto& b = BendOf(item);
    b.PutByte(CBend::kPlaybackOffsetBytes, std::uint8_t(std::int8_t(CBend::kOldOffsetValue)));
    b.PutByte(CBend::kPlaybackOffsetBytes + 1, std::uint8_t(std::int8_t(CBend::kOldOffsetValue)));
}

// --- the group ----------------------------------------------------------------------------------------

namespace {

CGroup& GroupOf(CScoreItem& item) { return static_cast<CGroup&>(item); }

// The glyph size of a group in view units, with the music font selected at it (twice the line
// spacing as its second measure).
int SelectGroupFont(CGroup& g) {
    int size = g.GroupSize();
    if (g.Scale()) size = size * g.Scale() / 100;
    CArtist* a = g_draw.artist;
    const int s = a ? a->Scale(size) : size;
    if (a) a->SetMusicFont(s);
    return s;
}

int GroupGlyph(int kind) { return kind == CGroup::kSingleGlyph ? kGroupSingle : kGroupOther; }

}  // namespace

const GroupBehaviour& GroupBehaviour::Instance() {
    static const GroupBehaviour behaviour;
    return behaviour;
}

void GroupBehaviour::GetEndPoints(CBarItem& item, POINT* start, POINT* end) const {
    auto& g = GroupOf(item);
    if (g.Kind() == CGroup::kVerticalBracket) {
        g.SetEndPositionField(g.PositionField());
        g.SetEndDx(g.StartDx());
    }
    POINT a{}, b{};
    EndPoints(g, &a, &b);
    if (g.Kind() == CGroup::kVerticalBracket) b.y += g.GroupSize();
    if (start) *start = a;
    if (end) *end = b;
}

int GroupBehaviour::GetPoints(CTieType& item, POINT* p) const {
    GetEndPoints(item, &p[0], &p[1]);
    return 2;
}

void GroupBehaviour::DrawLine(CTieType& item, POINT* p, int n) const {
    auto& g = static_cast<CGroup&>(item);
    CArtist* a = g_draw.artist;
    if (!a || n < 2) return;
    a->PushFont();
    SelectGroupFont(g);
    g_model.drawnPoint = p[0];
    if (g_draw.feedbackDrawing && !g_notation.anchorAtStart) g_model.drawnPoint.x = p[1].x;
    const int kind = g.Kind();
    const int s = Space();
    const bool above = g.AboveBit();
    if (kind == CGroup::kGlyphPair) {
        a->DrawGlyph(p[0].x, p[0].y, kGroupOpen);
        a->DrawGlyph(p[1].x, p[0].y, kGroupClose);
    } else if (kind == CGroup::kVerticalBracket || kind == CGroup::kHorizontalBracket) {
        a->SetPenWidth(g_draw.bracketLineWidth);
        const int h = above ? -s : s;
        if (kind == CGroup::kVerticalBracket) {
            a->Line(p[0].x + h, p[0].y, p[0].x, p[0].y);
            a->Line(p[0].x, p[0].y, p[1].x, p[1].y);
            a->Line(p[1].x + h, p[1].y, p[1].x, p[1].y);
        } else {
            a->Line(p[0].x, p[0].y - h, p[0].x, p[0].y);
            a->Line(p[0].x, p[0].y, p[1].x, p[1].y);
            a->Line(p[1].x, p[1].y - h, p[1].x, p[1].y);
        }
        a->SetPenWidth(20);
    } else {
        const int glyph = GroupGlyph(kind);
        if (above) {
            a->SetTextAngle(180);
            a->DrawGlyph(p[0].x + a->GlyphWidth(glyph), p[0].y, glyph);
            a->SetTextAngle(0);
        } else {
            a->DrawGlyph(p[0].x, p[0].y, glyph);
        }
    }
    a->PopFont();
}

RECT* GroupBehaviour::GetBounds(CScoreItem& item, RECT* rect) const {
    auto& g = GroupOf(item);
    POINT p[2];
    GetPoints(g, p);
    const int s = Space();
    const int kind = g.Kind();
    RECT r{};
    if (kind == CGroup::kVerticalBracket) {
        r = RECT{p[0].x, p[0].y - s, p[1].x + s, p[1].y + s};
        if (g.AboveBit()) r.left -= s, r.right -= s;
    } else {
        CArtist* a = g_draw.artist;
        if (a) a->PushFont();
        const int size = SelectGroupFont(g);
        r.left = p[0].x;
        r.top = p[0].y - size / 2;
        r.bottom = p[0].y + size / 2;
        if (kind == CGroup::kGlyphPair) r.right = p[1].x + (a ? a->GlyphWidth(kGroupClose) : 0);
        else if (kind == CGroup::kHorizontalBracket) r.right = p[1].x;
        else r.right = p[0].x + (a ? a->GlyphWidth(GroupGlyph(kind)) : 0);
        if (a) a->PopFont();
        r.top += s / 2;
        r.bottom -= s / 2;
    }
    if (r.left > r.right) std::swap(r.left, r.right);
    if (r.top > r.bottom) std::swap(r.top, r.bottom);
    *rect = r;
    return rect;
}

bool GroupBehaviour::HitTestShape(CBarItem& item, int x, int y) const {
    auto& g = GroupOf(item);
    const int kind = g.Kind();
    RECT r;
    GetBounds(g, &r);
    if (kind == CGroup::kVerticalBracket || kind == CGroup::kHorizontalBracket) {
        POINT p[2];
        GetPoints(g, p);
        const int half = HandleHalf();
        for (int i = 0; i < 2; ++i)
            if (InSquare(p[i], x, y, half)) {
                g_model.hitPart = std::int16_t(i);
                return true;
            }
        if (x >= r.left && x <= r.right && y >= r.top && y <= r.bottom) {
            g_model.hitPart = kWhole;
            return true;
        }
        return false;
    }
    if (x < r.left || x > r.right || y < r.top || y > r.bottom) return false;
    const int s = Space();
    if (x > r.left + s && x < r.right - s) return false;
    const int h = r.bottom - r.top;
    int part = y < r.top + h / 3 ? 1 : y > r.bottom - h / 3 ? 2 : 0;
    if (kind == CGroup::kGlyphPair && x > (r.left + r.right) / 2) part += 3;
    g_model.hitPart = std::int16_t(part);
    return true;
}

void GroupBehaviour::DragBy(CScoreItem& item, CDragTask* drag) const {
    auto& g = GroupOf(item);
    if (!drag) return;
    if ((g_model.hitPart == 0 && g_platform.altDown) || g_platform.ctrlDown) g_model.hitPart = kWhole;
    const int hit = g_model.hitPart, p = drag->positionStep, dy = drag->dy;
    const int kind = g.Kind();
    if (hit == kWhole) {
        g.SetPositionField(g.PositionField() + p);
        g.SetEndPositionField(g.EndPositionField() + p);
        g.SetStartDy(g.StartDy() + dy);
        g.SetEndDy(g.EndDy() + dy);
    } else if (kind == CGroup::kVerticalBracket) {
        g.SetPositionField(g.PositionField() + p);
        if (hit == 0) g.SetStartDy(g.StartDy() + dy);
        else g.SetEndDy(g.EndDy() + dy);
    } else if (kind == CGroup::kHorizontalBracket) {
        if (hit == 0) {
            g.SetPositionField(g.PositionField() + p);
            g.SetStartDy(g.StartDy() + dy);
        } else {
            g.SetEndPositionField(g.EndPositionField() + p);
            g.SetEndDy(g.EndDy() + dy);
        }
    } else {
        if (hit >= 0 && hit <= 2) g.SetPositionField(g.PositionField() + p);
        else g.SetEndPositionField(g.EndPositionField() + p);
        if (hit == 0 || hit == 3) {
            g.SetStartDy(g.StartDy() + dy);
            if (kind == CGroup::kGlyphPair) g.SetEndDy(g.StartDy());
        }
        int size = g.GroupSize();
        if (hit == 1 || hit == 4) size += dy > 0 ? -1 : dy < 0 ? 1 : 0;
        if (hit == 2 || hit == 5) size += dy > 0 ? 1 : dy < 0 ? -1 : 0;
        g.SetGroupSize(std::clamp(size, int(CGroup::kMinSize), int(CGroup::kMaxSize)));
    }
    if (kind == CGroup::kVerticalBracket) g.SetEndPositionField(g.PositionField());
}

void GroupBehaviour::EndDrag(CScoreItem& item, CDragTask* drag) const {
    auto& g = GroupOf(item);
    POINT old0{}, old1{};
    if (g.Kind() == CGroup::kVerticalBracket) GetEndPoints(g, &old0, &old1);
    TieTypeBehaviour::EndDrag(item, drag);
    if (g.Kind() != CGroup::kVerticalBracket || !drag || !drag->moved) return;
    auto* placed = static_cast<CGroup*>(drag->result ? drag->result : &g);
    placed->SetGroupSize(0);
    CStaff* staff = g_model.currentStaff;
    if (!staff) return;
    int steps = 0;
    placed->SetStartY(staff->YToPositionStep(old0.y, &steps));
    placed->SetStartDy(steps);
    CStaff* endStaff = staff;
    CTrack* track = g_model.currentTrack;
    CLine* line = g_model.currentLine;
    if (track && line && track->IsGrandStaffTop()) {
        for (int i = 0; CStaff* s = line->GetStaff(i); ++i) {
            const int top = s->PositionToY(8), bottom = s->PositionToY(0);
            if (old1.y >= std::min(top, bottom) - s->Space() * 2 && old1.y <= std::max(top, bottom) + s->Space() * 2) {
                endStaff = s;
                if (CTrkBar* trkBar = g_model.currentTrkBar) placed->SetEndStaffOffset(i - trkBar->GetTrackIndex());
                break;
            }
        }
    }
    placed->SetEndY(endStaff->YToPositionStep(old1.y, &steps));
    placed->SetEndDy(steps);
    placed->Invalidate();
}

void GroupBehaviour::PlaceAt(CBarItem& item, const ScoreLocation& location) const {
    auto& g = GroupOf(item);
    PlaceBase(g, location, CGroup::kType);
    g.SetAboveBit(false);
    g.SetKind(SubTool());
    g.SetGroupSize(CGroup::kToolSize);
    g.SetEndPositionField(g.Kind() == CGroup::kVerticalBracket ? g.PositionField() : g.PositionField() + 256);
}

void GroupBehaviour::AutoShape(CTieType& item, int mode) const {
    auto& g = static_cast<CGroup&>(item);
    if (mode != 1) g.SetAboveBit(!g.AboveBit());
    if (g.Kind() != CGroup::kHorizontalBracket) return;
    CTrkBar* trkBar = g_model.currentTrkBar;
    if (!trkBar) return;
    CBarItem* start = trkBar->FindLineStartNote(&g);
    CBarItem* end = trkBar->FindLineEndNote(&g);
    if (!start || !end) return;
    trkBar->SetCurrent();
    g.SetStartY(NoteAttachY(*start, g.AboveBit()));
    g.SetEndY(NoteAttachY(*end, g.AboveBit()));
    if (mode != 1) {
        g.SetStartDy(-g.StartDy());
        g.SetEndDy(-g.EndDy());
    }
}

// --- the barre ----------------------------------------------------------------------------------------

namespace {

CBarre& BarreOf(CScoreItem& item) { return static_cast<CBarre&>(item); }

}  // namespace

const BarreBehaviour& BarreBehaviour::Instance() {
    static const BarreBehaviour behaviour;
    return behaviour;
}

int BarreBehaviour::GetPoints(CTieType& item, POINT* p) const {
    EndPoints(item, &p[0], &p[1]);
    return static_cast<CBarre&>(item).HasHook() ? 2 : 1;
}

void BarreBehaviour::DrawLine(CTieType& item, POINT*, int) const {
    auto& b = static_cast<CBarre&>(item);
    CArtist* a = g_draw.artist;
    if (!a) return;
    if (b.EndBarOffset() == 0 && b.EndPositionField() < b.PositionField() + 80) b.SetEndPositionField(b.PositionField() + 80);
    POINT p0{}, p1{};
    EndPoints(b, &p0, &p1);
    g_model.drawnPoint = p0;
    a->SetPenWidth(10);
    const int h = Space() / 2;
    CStaff* staff = g_model.currentStaff;
    const auto scaled = [&](int v) { return staff ? staff->ScaleToView(v) : v; };
    int x = p0.x;
    if (b.ShowsLabel()) {
        CScore* score = g_model.currentScore;
        FontRef face = score ? score->textFont1 : FontRef{};
        a->PushFont();
        FontRef small = face;
        small.size = std::uint16_t(scaled(8));
        FontRef large = face;
        large.size = std::uint16_t(scaled(12));
        a->SetFontRef(large);
        const int largeHeight = FontHeight(*a);
        const int baseline = p0.y - (largeHeight + 1) / 2;
        const int fraction = b.Fraction();
        if (fraction >= 1 && fraction <= 5) {
            static const char* const kNumerators[] = {"", "1", "1", "1", "2", "5"};
            static const char* const kDenominators[] = {"", "6", "3", "2", "3", "6"};
            a->SetFontRef(small);
            const int smallHeight = FontHeight(*a);
            a->DrawText(x, baseline, kNumerators[fraction]);
            a->DrawText(x, baseline, "_");
            a->DrawText(x, baseline + smallHeight + scaled(1), kDenominators[fraction]);
            x += a->TextWidth(kDenominators[fraction]) + scaled(1);
        }
        a->SetFontRef(large);
        char text[24] = {};
        char roman[16];
        CBarre::RomanFret(b.Fret(), roman);
        if (b.Prefix() != 0) std::snprintf(text, sizeof text, "%c%s", 'A' + b.Prefix(), roman);
        else std::snprintf(text, sizeof text, "%s", roman);
        a->DrawText(x, p0.y, text);
        x += a->TextWidth(text) + h;
        a->PopFont();
    }
    const int lineY = b.Kind() == 0 ? p1.y : p0.y;
    if (x < p1.x && (b.EndBarOffset() != 0 || b.EndPositionField() > b.PositionField() + 80))
        a->ThickLine(x, lineY, p1.x, p1.y, b.LineStyle());
    if (b.HasHook()) {
        if (b.Kind() == 0) a->Line(p1.x, p1.y, p1.x, p1.y + h);
        else a->Line(p1.x, p1.y - h, p1.x, p1.y + h);
    }
    a->SetPenWidth(20);
}

bool BarreBehaviour::HitTestShape(CBarItem& item, int x, int y) const {
    auto& b = BarreOf(item);
    POINT p0{}, p1{};
    EndPoints(b, &p0, &p1);
    const int s = Space();
    if (x >= p0.x && x <= p0.x + s && y >= p0.y - s && y <= p0.y) {
        g_model.hitPart = 0;
        return true;
    }
    if (InSquare(p1, x, y, HandleHalf())) {
        g_model.hitPart = 1;
        return true;
    }
    return false;
}

void BarreBehaviour::StepLabel(CBend& item, const CDragTask& drag) const {
    auto& b = static_cast<CBarre&>(item);
    if (g_model.hitPart == 1) {
        b.SetHook(!b.HasHook());
        return;
    }
    const int vertical = drag.dy / 2, horizontal = drag.dx / 2;
    if (b.Kind() == 0) {
        if (vertical != 0) b.SetFraction(((b.Fraction() + (vertical > 0 ? -1 : 1)) % 6 + 6) % 6);
        if (horizontal != 0) b.SetFret(std::clamp(b.Fret() + (horizontal > 0 ? 1 : -1), 1, int(CBarre::kMaxFret)));
    } else if (vertical != 0 || horizontal != 0) {
        b.SetLineStyle((b.LineStyle() + 1) % 3);
    }
}

void BarreBehaviour::DragBy(CScoreItem& item, CDragTask* drag) const {
    auto& b = BarreOf(item);
    if (!drag) return;
    if (g_platform.ctrlDown) g_model.hitPart = kWhole;
    const int index = g_model.hitPart;
    if (g_platform.altDown && index != kWhole) {
        StepLabel(b, *drag);
    } else if (index == kWhole || index == 0) {
        b.SetStartDx(b.StartDx() + drag->dx);
        if (index == kWhole) b.SetEndDx(b.EndDx() + drag->dx);
        b.SetStartDy(b.StartDy() + drag->dy);
        b.SetEndDy(b.EndDy() + drag->dy);
    } else {
        b.SetEndDx(b.EndDx() + drag->dx);
        if (b.Kind() == 0 && drag->dy != 0) b.SetEndDy(b.EndDy() + drag->dy);
    }
    g_notation.anchorAtStart = index < 1;
}

void BarreBehaviour::PlaceAt(CBarItem& item, const ScoreLocation& location) const {
    auto& b = BarreOf(item);
    PlaceBase(b, location, CBarre::kType);
    const int kind = SubTool();
    b.SetKind(kind);
    b.SetEndPositionField(b.PositionField() + 256);
    b.SetEndLabelDy(CBend::kDefaultLabelDy);
    b.SetFret(1);
    b.SetPrefix(1);
    b.SetLineStyle(1);
    b.SetHook(true);
    b.SetShowsLabel(kind == 0);
    b.SetFraction(3);
}

void BarreBehaviour::OwnFieldsFromFileOrder(CTieType& item) const {
    auto& b = static_cast<CBarre&>(item);
    b.OwnFieldsFromFileOrder();
    b.PutByte(CBarre::kFret, CBarre::FretFromFile(b.Byte(CBarre::kFret)));
    b.PutByte(CBarre::kFlags, CBarre::FlagsFromFile(b.Byte(CBarre::kFlags)));
}

void BarreBehaviour::OwnFieldsToFileOrder(CTieType& item) const {
    auto& b = static_cast<CBarre&>(item);
    b.OwnFieldsToFileOrder();
    b.PutByte(CBarre::kFret, CBarre::FretToFile(b.Byte(CBarre::kFret)));
    b.PutByte(CBarre::kFlags, CBarre::FlagsToFile(b.Byte(CBarre::kFlags)));
}

// --- the pedal line -----------------------------------------------------------------------------------

const PedalBehaviour& PedalBehaviour::Instance() {
    static const PedalBehaviour behaviour;
    return behaviour;
}

CDragTask* PedalBehaviour::CreateDragTask(CScoreItem&) const { return new (std::nothrow) CDragPedal; }

void PedalBehaviour::PlaceAt(CBarItem& item, const ScoreLocation& location) const {
    auto& p = static_cast<CPedal&>(item);
    PlaceBase(p, location, CPedal::kType);
    p.SetKind(SubTool());
    p.SetEndLabel(0);
    p.SetEndPositionField(p.PositionField() + 256);
    p.SetEndDy(CBend::kDefaultOffset);
    if (p.Kind() == CPedal::kNotched) {
        p.AppendPoint(128, 0);
        p.SetStartDy(0);
        p.SetEndDy(0);
    }
}

void PedalBehaviour::Flip(CBarItem& item, int) const {
    auto& p = static_cast<CPedal&>(item);
    p.SetAboveBit(!p.AboveBit());
}

void PedalBehaviour::DrawLine(CTieType& item, POINT* pts, int n) const {
    auto& p = static_cast<CPedal&>(item);
    CArtist* a = g_draw.artist;
    if (!a || n < 2) return;
    a->SetPenWidth(p.ScaleToView(10));
    const POINT p0 = pts[0], p1 = pts[n - 1];
    const int s = Space();
    if (p.Kind() == CPedal::kBracket) {
        a->MoveTo(p0.x, p0.y - s);
        a->LineTo(p0.x, p0.y);
        a->LineTo(p1.x, p1.y);
        a->LineTo(p1.x, p1.y + s);
    } else {
        int d = std::max(s, 2);
        if (!p.AboveBit()) d = -d;
        const int e = 3 * d / 4, f = std::abs(e);
        a->MoveTo(p0.x, p0.y - d);
        a->LineTo(p0.x, p0.y);
        for (int i = 1; i + 1 < n; ++i) {
            a->LineTo(pts[i].x - f, p0.y);
            a->LineTo(pts[i].x, p0.y - e);
            a->LineTo(pts[i].x + f, p0.y);
        }
        a->LineTo(p1.x, p0.y);
        a->LineTo(p1.x, p0.y - d);
    }
    const int hit = g_model.hitPart;
    g_model.drawnPoint = (p.IsSelectedBit() && hit >= 0 && hit < n) ? pts[hit] : p0;
    a->SetPenWidth(20);
}

int DescribeSpanPlayback(CPedal& pedal, SpanPlayback& out) {
    CTrkBar* trkBar = g_model.currentTrkBar;
    CBar* bar = g_model.currentBar;
    CScore* score = bar ? bar->GetScore() : g_model.currentScore;
    out = SpanPlayback{};
    out.startBar = bar ? bar->GetIndex() : 0;
    out.startTime = pedal.GetTimeWithOffset();
    out.startTimeAgain = out.startTime;
    out.startPosition = pedal.PositionField();
    out.voice = pedal.VoiceField();
    out.endBar = out.startBar + pedal.EndBarOffset();
    CBar* endBar = score ? score->GetBar(out.endBar) : nullptr;
    POINT p0{}, p1{};
    TieTypeBehaviour::Of(pedal).EndPoints(pedal, &p0, &p1);
    if (endBar && trkBar) {
        CTrkBar* endTrkBar = score->GetTrkBar(trkBar->GetTrackIndex(), out.endBar);
        out.endTimeInBar = endTrkBar ? endTrkBar->XToTick(p1.x) : 0;
        out.endPosition = endBar->TickToFraction(out.endTimeInBar, false);
        trkBar->SetCurrent();
    }
    out.endTime = out.endTimeInBar;
    for (int b = out.startBar; score && b < out.endBar; ++b) {
        CBar* each = score->GetBar(b);
        if (!each || each->HasBarFlag(CBar::kCoveredBit)) break;
        out.endTime += each->GetLength();
    }
    pedal.GetPlayback(out.setting);
    return 2;
}

void BendBehaviour::AutoShape(CTieType& item, int mode) const {
    if (mode == 0) item.SetAboveBit(!item.AboveBit());
}

void BendBehaviour::OpenProperties(CScoreItem& item, int, int) const {
    const int command = item.TypeCode() == CBarre::kType   ? CBend::kEditBarreCommand
                        : item.TypeCode() == CGroup::kType ? CBend::kEditGroupCommand
                                                           : CBend::kEditBendCommand;
    if (CZelDoc* doc = g_model.currentDoc) doc->OnCommandRange(command);
}
