// The slur: its four points (the ends and two control points), its Bezier curve, its hit on
// the curve, its drag steps, its automatic shape from the notes it spans, its marks in the
// notes' slur flags, and the play durations it gives back to its notes when it goes.
#include <algorithm>
#include <climits>
#include <vector>

#include "framework/Arith.h"
#include "model/DragTask.h"
#include "model/EngraverSettings.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/SystemStaff.h"
#include "model/ScoreStandIns.h"
#include "model/TrkBar.h"
#include "model/TrkBarWalk.h"
#include "notation/Beam.h"
#include "notation/NotationGlobals.h"
#include "notation/RawNote.h"
#include "notation/TieType.h"
#include "platform/Artist.h"
#include "platform/DrawGlobals.h"
#include "platform/PlatformGlobals.h"
#include "platform/PortLayer.h"

namespace {

CSlur& SlurOf(CScoreItem& item) { return static_cast<CSlur&>(item); }

CRawNote* NoteOf(CBarItem* r) { return r && r->IsNote() ? static_cast<CRawNote*>(r) : nullptr; }

// Whether the note is the first (or the last) note of its beam.
bool BeamEnd(CTrkBar* trkBar, CRawNote* note, bool first) {
    CBarItem* found = trkBar ? trkBar->FindBeamOfNote(note) : nullptr;
    if (!found || !found->IsBeam()) return false;
    const auto* beam = static_cast<CBeam*>(found);
    return (first ? beam->StartPositionField() : beam->EndPositionField()) == note->PositionField();
}

// The notes (type 144) of the slur's voice from its start to its end, bar after bar.
std::vector<std::pair<CTrkBar*, CRawNote*>> NotesUnder(CSlur& slur, CTrkBar* home) {
    std::vector<std::pair<CTrkBar*, CRawNote*>> notes;
    CScore* score = g_model.currentScore;
    const int voice = slur.VoiceField(), bars = std::max<int>(0, slur.EndBarOffset());
    for (int b = 0; b <= bars; ++b) {
        CTrkBar* bar = b == 0 ? home : score ? score->GetTrkBar(home->GetTrackIndex(), home->GetBarIndex() + b) : nullptr;
        if (!bar) break;
        trkbar::ForEachLiveItem(bar, [&](CBarItem* r) {
            if (!r->IsNote() || r->VoiceField() != voice) return;
            if (b == 0 && r->PositionField() < slur.PositionField()) return;
            if (b == bars && r->PositionField() > slur.EndPositionField()) return;
            notes.emplace_back(bar, static_cast<CRawNote*>(r));
        });
    }
    return notes;
}

}  // namespace

const SlurBehaviour& SlurBehaviour::Instance() {
    static const SlurBehaviour behaviour;
    return behaviour;
}

int SlurBehaviour::GetPoints(CTieType& item, POINT* p) const {
    auto& slur = static_cast<CSlur&>(item);
    EndPoints(slur, &p[0], &p[3]);
    CStaff* staff = g_model.currentStaff;
    for (int i = 1; i <= 2; ++i) {
        const int cx = slur.Word(i == 1 ? CSlur::kControl1X : CSlur::kControl2X);
        const int cy = slur.Word(i == 1 ? CSlur::kControl1Y : CSlur::kControl2Y);
        p[i].x = p[0].x + MulDiv(p[3].x - p[0].x, cx, 1024);
        p[i].y = p[0].y + (staff ? staff->ScaleOffset(cy) : cy);
    }
    return 4;
}

void SlurBehaviour::DrawLine(CTieType& item, POINT* points, int n) const {
    CArtist* a = g_draw.artist;
    if (!a || n < 4) return;
    int thickness = CurrentEngraverSettings().GetWord(EngraverSettings::kSlurWidth);
    if (thickness == 0) thickness = 20;
    const bool atEnd = g_draw.dragInProgress && g_model.hitPart == 3;
    g_model.drawnPoint = atEnd ? points[3] : points[0];
    g_notation.anchorAtStart = !atEnd;
    a->DrawBezier(points, item.ScaleToView(thickness + 10), 0, item.IsDotted() ? 2 : 0);
}

bool SlurBehaviour::HitTestShape(CBarItem& bar, int x, int y) const {
    auto& slur = SlurOf(bar);
    if (TieTypeBehaviour::HitTestShape(slur, x, y)) return true;
    POINT p[kMaxPoints];
    GetPoints(slur, p);
    POINT line[11];
    const int n = FlattenBezier(p, line, 10);
    for (int i = 0; i + 1 < n; ++i) {
        const int left = std::min(line[i].x, line[i + 1].x), right = std::max(line[i].x, line[i + 1].x);
        if (x < left - 1 || x > right) continue;
        const int at = Interpolate(line[i].x, line[i].y, line[i + 1].x, line[i + 1].y, x);
        if (std::abs(y - at) <= 2) {
            g_model.hitPart = 4;
            return true;
        }
    }
    return false;
}

void SlurBehaviour::DragBy(CScoreItem& item, CDragTask* drag) const {
    auto& slur = SlurOf(item);
    if (!drag) return;
    const int dx = drag->dx, dy = drag->dy, step = drag->positionStep;
    const auto add = [&](int at, int d) { slur.PutWord(at, slur.Word(at) + d); };
    if (g_platform.altDown || g_platform.ctrlDown) {
        slur.SetStartDx(slur.StartDx() + dx);
        slur.SetEndDx(slur.EndDx() + dx);
        slur.SetStartDy(slur.StartDy() + dy);
        slur.SetEndDy(slur.EndDy() + dy);
        return;
    }
    switch (g_model.hitPart) {
        case 0:
            slur.SetStartDx(slur.StartDx() + dx);
            slur.SetStartDy(slur.StartDy() + dy);
            add(CSlur::kControl1Y, -dy);
            add(CSlur::kControl2Y, -dy);
            break;
        case 1:
            add(CSlur::kControl1X, step / 2);
            add(CSlur::kControl1Y, dy);
            break;
        case 2:
            add(CSlur::kControl2X, step / 2);
            add(CSlur::kControl2Y, dy);
            break;
        case 3:
            slur.SetEndDx(slur.EndDx() + dx);
            slur.SetEndDy(slur.EndDy() + dy);
            break;
        case 4:
            add(CSlur::kControl1X, step);
            add(CSlur::kControl2X, step);
            add(CSlur::kControl1Y, dy);
            add(CSlur::kControl2Y, dy);
            break;
        default: break;
    }
}

void SlurBehaviour::Flip(CBarItem& item, int mode) const { AutoShape(SlurOf(item), mode); }

void SlurBehaviour::AutoShape(CTieType& item, int m) const {
    auto& slur = static_cast<CSlur&>(item);
    CTrkBar* home = g_model.currentTrkBar;
    if (!home) return;
    CTrkBar* endBar = nullptr;
    CRawNote* s = NoteOf(home->FindLineStartNote(&slur));
    home->SetCurrent();
    CRawNote* e = NoteOf(home->FindLineEndNote(&slur, &endBar));
    home->SetCurrent();
    if (!s || !e) return;
    if (!endBar) endBar = home;
    if (m == 0) {
        slur.SetAboveBit(!slur.AboveBit());
        slur.SetStartDy(-slur.StartDy());
        slur.SetEndDy(-slur.EndDy());
    }
    const bool above = slur.AboveBit();
    int y0 = s->GetAttachPos(home, above, false);
    int y1 = e->GetAttachPos(endBar, above, false);
    const bool startFollows = above != s->IsStemUp() || s->NoteValue() < 4 || (s->IsBeamed() && BeamEnd(home, s, true));
    const bool endFollows = above != e->IsStemUp() || !e->IsBeamed() || BeamEnd(endBar, e, false);
    int count = 0, innerHigh = INT_MIN, innerLow = INT_MAX;
    for (auto& [bar, note] : NotesUnder(slur, home)) {
        ++count;
        if (note == s || note == e) continue;
        innerHigh = std::max(innerHigh, note->GetAttachPos(bar, true, false));
        innerLow = std::min(innerLow, note->GetAttachPos(bar, false, false));
    }
    home->SetCurrent();
    const bool keepX = m == 2;
    int startDx = slur.StartDx(), endDx = slur.EndDx();
    if (!keepX) startDx = 60, endDx = 30;
    const bool sGrace = (s->Flags() & CRawHead::kGraceBit) != 0, eGrace = (e->Flags() & CRawHead::kGraceBit) != 0;
    int k;
    if (!above) {
        if (startFollows) {
            y0 = s->GetAttachY(false, false);
            if (!s->IsStemUp() && !sGrace) y0 -= 2;
            else if (s->IsStemUp() && sGrace) y0 += 1;
        } else if (!keepX) {
            startDx = 0;
        }
        if (endFollows) {
            y1 = e->GetAttachY(false, false);
            if (!e->IsStemUp()) {
                if (!keepX) endDx = -30;
                if (!eGrace) y1 -= 1;
            }
        } else if (!keepX) {
            endDx = 0;
        }
        const int low = std::min({innerLow, y0, y1});
        k = sGrace && !eGrace ? y0 - low + 3 : y0 - low + 4;
        const int span = slur.EndPositionField() - slur.PositionField() + 1024 * slur.EndBarOffset();
        if (span < 1024) k -= 2;
    } else {
        const auto shapeEnd = [&](CRawNote* note, bool follows, int& y, int& dx, int increase) {
            if (follows) {
                y = note->GetAttachY(true, false);
                if (note->IsStemUp()) {
                    if (count > 2) {
                        y += 3;
                        if (y % 2 == 0) ++y;
                    }
                    if (!keepX) dx += increase;
                }
            } else {
                if (note->IsStemUp() && !keepX) dx = 120;
                if (!(note->Flags() & CRawHead::kGraceBit)) y += 1;
            }
        };
        shapeEnd(s, startFollows, y0, startDx, 120);
        shapeEnd(e, endFollows, y1, endDx, 60);
        const int high = std::max({innerHigh, y0 + 1, y1 + 1});
        k = count == 2 ? y0 - high - 1 : y0 - high - 2;
    }
    slur.SetStartDx(startDx);
    slur.SetEndDx(endDx);
    slur.SetStartY(y0);
    slur.SetEndY(y1);
    slur.PutWord(CSlur::kControl1Y, k * 60);
    slur.PutWord(CSlur::kControl2Y, k * 60);
}

void SlurBehaviour::MarkRemoved(CBarItem& item) const {
    auto& slur = SlurOf(item);
    if (CTrkBar* home = g_model.currentTrkBar) {
        auto notes = NotesUnder(slur, home);
        for (std::size_t i = 0; i + 1 < notes.size(); ++i) {
            CRawNote* note = notes[i].second;
            const auto duration = std::uint16_t(NoteDuration(*note) * g_notation.defaultPlayPercent / 100);
            for (int h = 0; h < note->HeadCountField(); ++h) note->Head(h)->SetDuration(duration);
        }
        home->SetCurrent();
    }
    TieTypeBehaviour::MarkRemoved(slur);
}

bool SlurBehaviour::HasStartNoteMark(const CTieType&, CBarItem* note, int) const {
    return note && note->IsNoteOrRest() && static_cast<CRawHead*>(note)->HasSlurStart();
}

bool SlurBehaviour::HasEndNoteMark(const CTieType&, CBarItem* note, int) const {
    return note && note->IsNoteOrRest() && static_cast<CRawHead*>(note)->HasSlurEnd();
}

void SlurBehaviour::SetStartNoteMark(const CTieType&, CBarItem* note, bool on, int) const {
    if (note && note->IsNoteOrRest()) static_cast<CRawHead*>(note)->SetSlurStart(on);
}

void SlurBehaviour::SetEndNoteMark(const CTieType&, CBarItem* note, bool on, int) const {
    if (note && note->IsNoteOrRest()) static_cast<CRawHead*>(note)->SetSlurEnd(on);
}

void SlurBehaviour::OwnFieldsFromFileOrder(CTieType& item) const {
    for (int at : {CSlur::kControl1X, CSlur::kControl2X, CSlur::kEndTimeAdjust, CSlur::kPercent}) item.WordFromFileOrder(at);
    for (int at : {CSlur::kControl1Y, CSlur::kControl2Y}) item.CoordFromFileOrder(at);
    for (int at = CSlur::kPlayback + 24; at < CSlur::kPlayback + CSlur::kPlaybackSize; at += 2) item.WordFromFileOrder(at);
    if (item.Holds(CSlur::kPercent, 2) && item.Word(CSlur::kPercent) < 51) item.PutWord(CSlur::kPercent, 100);
}

void SlurBehaviour::OwnFieldsToFileOrder(CTieType& item) const {
    for (int at : {CSlur::kControl1X, CSlur::kControl2X, CSlur::kEndTimeAdjust, CSlur::kPercent}) item.WordToFileOrder(at);
    for (int at : {CSlur::kControl1Y, CSlur::kControl2Y}) item.CoordToFileOrder(at);
    for (int at = CSlur::kPlayback + 24; at < CSlur::kPlayback + CSlur::kPlaybackSize; at += 2) item.WordToFileOrder(at);
}
