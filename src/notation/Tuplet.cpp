// The tuplet: its five points (the hooks' ends, the bracket's ends, the number), its bracket or
// curve and number, its hits and drag steps, its automatic shape from its notes, and its removal,
// which takes the tuplet marks off the notes it alone spans.
#include <algorithm>
#include <cstdio>
#include <vector>

#include "framework/Arith.h"
#include "model/BitOrder.h"
#include "model/DragTask.h"
#include "model/EngraverSettings.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/SystemStaff.h"
#include "model/ScoreStandIns.h"
#include "model/TrkBar.h"
#include "model/TrkBarWalk.h"
#include "notation/NotationGlobals.h"
#include "notation/RawNote.h"
#include "notation/Rest.h"
#include "notation/TieType.h"
#include "platform/Artist.h"
#include "platform/DrawGlobals.h"
#include "platform/PortLayer.h"

namespace {

CTuplet& TupletOf(CScoreItem& item) { return static_cast<CTuplet&>(item); }

int Space() { return g_model.currentStaff ? g_model.currentStaff->Space() : 6; }

bool NearLine(const POINT& a, const POINT& b, int x, int y, int within) {
    const int left = std::min(a.x, b.x), right = std::max(a.x, b.x);
    if (x < left - within || x > right + within) return false;
    return std::abs(y - Interpolate(a.x, a.y, b.x, b.y, x)) <= within;
}

// Every live tuplet of the voice marks the notes and rests it spans again.
void ReapplyTuplets(CTrkBar* trkBar, int voice) {
    std::vector<CTuplet*> tuplets;
    trkbar::ForEachLiveItem(trkBar, [&](CBarItem* r) {
        if (r->IsTuplet() && r->VoiceField() == voice) tuplets.push_back(static_cast<CTuplet*>(r));
    });
    for (CTuplet* t : tuplets)
        trkbar::ForEachLiveItem(trkBar, [&](CBarItem* r) {
            if (!r->IsNoteOrRest() || r->VoiceField() != voice) return;
            if (r->PositionField() < t->PositionField() || r->PositionField() > t->EndPositionField()) return;
            auto* member = static_cast<CRawHead*>(r);
            member->SetFlagBit(CRawHead::kTupletBit, true);
            member->SetTupletCount(std::uint8_t(t->Number()));
            rec::Put(member, CRawHead::kTupletSpace, std::uint8_t(t->SecondNumber()));
        });
}

}  // namespace

const TupletBehaviour& TupletBehaviour::Instance() {
    static const TupletBehaviour behaviour;
    return behaviour;
}

bool TupletBehaviour::IsAbove(const CTieType& item) const { return static_cast<const CTuplet&>(item).Hook() >= 0; }

int TupletBehaviour::GetPoints(CTieType& item, POINT* p) const {
    auto& t = static_cast<CTuplet&>(item);
    POINT a{}, b{};
    EndPoints(t, &a, &b);
    CStaff* staff = g_model.currentStaff;
    const int h = staff ? staff->ScaleOffset(t.Hook()) : t.Hook();
    p[0] = POINT{a.x, a.y + h};
    p[1] = a;
    p[2] = b;
    p[3] = POINT{b.x, b.y + h};
    p[4].x = p[0].x + (b.x - a.x) / 2 + (t.NumberDx() != 0 ? t.TwentiethsToView(t.NumberDx()) : 0);
    const bool curved = (t.Shape() & CTuplet::kCurvedBit) != 0;
    if (curved) {
        const int q = (b.x - a.x) / 4;
        p[1] = POINT{a.x + q, a.y - h};
        p[2] = POINT{b.x - q, b.y - h};
    }
    p[4].y = Interpolate(p[1].x, p[1].y, p[2].x, p[2].y, p[4].x);
    if (curved) p[4].y += t.Hook() <= 0 ? -t.TwentiethsToView(60) : t.TwentiethsToView(60);
    p[4].y += staff ? staff->ScaleOffset(t.NumberDy() + 75) : t.NumberDy() + 75;
    return 5;
}

void TupletBehaviour::DrawLine(CTieType& item, POINT* p, int n) const {
    auto& t = static_cast<CTuplet&>(item);
    CArtist* a = g_draw.artist;
    if (!a || n < 5) return;
    g_model.drawnPoint = g_notation.anchorAtStart ? p[0] : p[2];
    const std::uint8_t shape = t.Shape();
    if (shape & CTuplet::kBracketBit) {
        a->SetPenWidth(g_draw.bracketLineWidth);
        a->Line(p[0].x, p[0].y, p[0].x, p[1].y);
        a->Line(p[1].x, p[1].y, p[2].x, p[2].y);
        a->Line(p[2].x, p[2].y, p[2].x, p[3].y);
        a->SetPenWidth(20);
    } else if (shape & CTuplet::kCurvedBit) {
        int thickness = CurrentEngraverSettings().GetWord(EngraverSettings::kSlurWidth);
        if (thickness == 0) thickness = 20;
        a->DrawBezier(p, t.ScaleToView(thickness + 10), 0, 0);
    }
    if (t.Number() == 0) return;
    CScore* score = g_model.currentScore;
    a->PushFont();
    if (score) t.UseFont(score->textFont3);
    a->SetFontStyle(2);
    const int s = Space();
    const auto draw = [&](int number, int x, int align) {
        char text[4];
        std::snprintf(text, sizeof text, "%d", number % 100);
        const int w = a->TextWidth(text);
        const int left = align < 0 ? x - w : align > 0 ? x : x - w / 2;
        if ((shape & CTuplet::kClearBit) && !g_draw.feedbackDrawing)
            a->EraseRect(RECT{left - s / 2, p[4].y - s - 1, left + w + s / 2, p[4].y + 1});
        if (align < 0)
            a->DrawTextRight(x, p[4].y, text);
        else if (align > 0)
            a->DrawText(x, p[4].y, text);
        else
            a->DrawTextCentered(x, p[4].y, text);
    };
    if (!(shape & CTuplet::kRatioBit)) {
        draw(t.Number(), p[4].x, 0);
    } else {
        draw(t.Number(), p[4].x - s / 4, -1);
        draw(t.SecondNumber(), p[4].x + s / 4, 1);
        a->DrawTextCentered(p[4].x, p[4].y - a->Scale(1), ":");
    }
    a->PopFont();
}

RECT* TupletBehaviour::GetBounds(CScoreItem& item, RECT* rect) const {
    auto& t = TupletOf(item);
    TieTypeBehaviour::GetBounds(t, rect);
    if (t.Number() != 0) {
        const int s = Space();
        POINT p[kMaxPoints];
        GetPoints(t, p);
        rect->left = std::min<LONG>(rect->left - s, p[4].x);
        rect->top = std::min<LONG>(rect->top - s, p[4].y);
        rect->right = std::max<LONG>(rect->right + s, p[4].x);
        rect->bottom = std::max<LONG>(rect->bottom + s, p[4].y);
    }
    rect->left -= 2;
    rect->top -= 2;
    rect->right += 2;
    rect->bottom += 2;
    return rect;
}

bool TupletBehaviour::HitTestShape(CBarItem& item, int x, int y) const {
    auto& t = TupletOf(item);
    POINT p[kMaxPoints];
    GetPoints(t, p);
    CArtist* a = g_draw.artist;
    const int half = a ? a->Scale(2) : 2;
    const int s = Space();
    for (int i = 0; i < 5; ++i) {
        if (i == 4 && x >= p[4].x - s / 2 && x <= p[4].x + s / 2 && y >= p[4].y - s && y <= p[4].y) {
            g_model.hitPart = 4;
            return true;
        }
        if (x >= p[i].x - half && x <= p[i].x + half && y >= p[i].y - half && y <= p[i].y + half) {
            g_model.hitPart = std::int16_t(i);
            return true;
        }
    }
    if (x < std::min(p[0].x, p[3].x) || x > std::max(p[0].x, p[3].x)) return false;
    g_model.hitPart = kWholeItem;
    if (t.Shape() & CTuplet::kCurvedBit) {
        POINT line[11];
        const POINT curve[4] = {p[0], p[1], p[2], p[3]};
        const int n = FlattenBezier(curve, line, 10);
        for (int i = 0; i + 1 < n; ++i)
            if (NearLine(line[i], line[i + 1], x, y, 1)) return true;
        return false;
    }
    if (t.Shape() & CTuplet::kBracketBit) return NearLine(p[1], p[2], x, y, 1);
    return false;
}

void TupletBehaviour::DragBy(CScoreItem& item, CDragTask* drag) const {
    auto& t = TupletOf(item);
    if (!drag) return;
    const int dx = drag->dx, dy = drag->dy;
    switch (g_model.hitPart) {
        case kWholeItem:
            t.SetStartDx(t.StartDx() + dx);
            t.SetEndDx(t.EndDx() + dx);
            t.SetStartDy(t.StartDy() + dy);
            t.SetEndDy(t.EndDy() + dy);
            break;
        case 0:
            t.SetStartDx(t.StartDx() + dx);
            t.SetHook(t.Hook() + dy);
            break;
        case 1:
            t.SetStartDx(t.StartDx() + dx);
            t.SetStartDy(t.StartDy() + dy);
            break;
        case 2:
            t.SetEndDx(t.EndDx() + dx);
            t.SetEndDy(t.EndDy() + dy);
            break;
        case 3:
            t.SetEndDx(t.EndDx() + dx);
            t.SetHook(t.Hook() + dy);
            break;
        case 4:
            t.SetNumberDx(t.NumberDx() + dx);
            t.SetNumberDy(t.NumberDy() + dy);
            break;
        default: break;
    }
}

// Mode 0 turns the tuplet to its other side; any other mode lays it out again on its side.
void TupletBehaviour::Flip(CBarItem& item, int mode) const { AutoShape(TupletOf(item), mode == 0 ? 0 : -1); }

void TupletBehaviour::AutoShape(CTieType& item, int m) const {
    auto& t = static_cast<CTuplet&>(item);
    CTrkBar* trkBar = g_model.currentTrkBar;
    if (!trkBar) return;
    const int hook = m == -1 ? t.Hook() : -t.Hook();
    const bool above = hook > 0;
    std::vector<int> entries;
    const int voice = t.VoiceField(), start = t.PositionField(), end = t.EndPositionField();
    trkbar::ForEachLiveItem(trkBar, [&](CBarItem* r) {
        if (r->VoiceField() != voice || r->PositionField() < start || r->PositionField() > end) return;
        if (r->IsNote()) {
            entries.push_back(static_cast<CRawNote*>(r)->GetAttachY(above, false));
        } else if (r->IsRest() && !entries.empty()) {
            const int y = static_cast<CRest*>(r)->StaffPosField();
            entries.push_back(above ? std::max(y, entries.front()) : std::min(y, entries.front()));
        }
    });
    if (entries.size() < 2) return;
    if (m != -1) {
        t.SetHook(-t.Hook());
        t.SetNumberDy(-t.NumberDy());
        t.SetStartDy(-t.StartDy());
        t.SetEndDy(-t.EndDy());
    }
    int y0 = entries.front(), y1 = entries.back();
    for (std::size_t i = 1; i + 1 < entries.size(); ++i) {
        const int line = Interpolate(start, y0, end, y1, start + (end - start) / 2);
        const int d = entries[i] - line;
        if ((!above && d < 0) || (above && d > 0)) {
            y0 += d;
            y1 += d;
        }
    }
    if (y0 == y1 && y0 > -5 && y0 < 5 && y0 % 2 == 0) {
        y0 += above ? 1 : -1;
        y1 = y0;
    }
    t.SetStartY(y0);
    t.SetEndY(y1);
}

void TupletBehaviour::MarkRemoved(CBarItem& item) const {
    auto& t = TupletOf(item);
    if (CTrkBar* trkBar = g_model.currentTrkBar) {
        const int voice = t.VoiceField(), start = t.PositionField(), end = t.EndPositionField();
        int sparedUpTo = -1;
        trkbar::ForEachLiveItem(trkBar, [&](CBarItem* r) {
            if (r == &item || r->VoiceField() != voice) return;
            if (r->IsTuplet()) {
                sparedUpTo = std::max<int>(sparedUpTo, static_cast<CTuplet*>(r)->EndPositionField());
                return;
            }
            if (!r->IsNoteOrRest()) return;
            const int position = r->PositionField();
            if (position < start || position > end || position <= sparedUpTo) return;
            auto* member = static_cast<CRawHead*>(r);
            member->SetFlagBit(CRawHead::kTupletBit, false);
            member->SetTupletCount(0);
            rec::Put(member, CRawHead::kTupletSpace, std::uint8_t(0));
            if (member->IsBeamed())
                if (CBarItem* beam = trkBar->FindBeamOfNote(member))
                    beam->SetFlagsA(std::uint8_t(beam->FlagsA() | CBarItem::kRelayoutBit));
        });
        BarItemBehaviour::MarkRemoved(t);
        ReapplyTuplets(trkBar, voice);
        return;
    }
    BarItemBehaviour::MarkRemoved(t);
}

void TupletBehaviour::OwnFieldsFromFileOrder(CTieType& item) const {
    if (item.Holds(CTuplet::kShape, 1)) {
        std::uint8_t shape = item.Byte(CTuplet::kShape);
        MirrorFieldsFromFile(&shape, kLayout_1_1_1_1_1_3);
        item.PutByte(CTuplet::kShape, shape);
    }
    for (int at : {CTuplet::kHook, CTuplet::kNumberDx, CTuplet::kNumberDy}) item.CoordFromFileOrder(at);
}

void TupletBehaviour::OwnFieldsToFileOrder(CTieType& item) const {
    if (item.Holds(CTuplet::kShape, 1))
        item.PutByte(CTuplet::kShape, MirrorFields(item.Byte(CTuplet::kShape), kLayout_1_1_1_1_1_3));
    for (int at : {CTuplet::kHook, CTuplet::kNumberDx, CTuplet::kNumberDy}) item.CoordToFileOrder(at);
}
