// The track labels left of each system: their rectangle, drawing, hit test and drags. A label
// is the full name on the first system and the abbreviation on the others; its lines split at
// commas; it stands at the system's label anchor and the staff's reference y, moved by the
// track's offsets for that kind of system (1/120 of a staff space).
#include <algorithm>
#include <cstring>
#include <new>

#include "model/DragTask.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/ScoreStandIns.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Track.h"
#include "model/ZelDoc.h"
#include "platform/Artist.h"
#include "platform/DrawGlobals.h"

TrackLabelGlobals g_trackLabels;

namespace {

constexpr int kBrace = 1;

// The track's place in the current score's track array, -1 when it has none.
int TrackNumber(const CTrack& track) {
    CScore* score = g_model.currentScore;
    for (int t = 0; score && t < score->trackCount; ++t)
        if (score->GetTrack(t) == &track) return t;
    return -1;
}

// The track's staff on the current system.
CStaff* LabelStaff(CTrack& track) {
    CLine* line = g_model.currentLine;
    const int t = TrackNumber(track);
    if (!line || t < 0 || t >= line->GetStaffCount()) return nullptr;
    return line->GetStaff(t);
}

bool LabelSwitchedOn(CTrack& track, bool firstSystem) {
    return (track.GetTrackFlags() & (firstSystem ? 0x01 : 0x02)) != 0;
}

bool OnFirstSystem() {
    CScore* score = g_model.currentScore;
    return score && score->GetLineCount() > 0 && g_model.currentLine == score->GetLine(0);
}

// Runs fn(lineText) for each line of a label.
template <typename Fn>
int ForEachLabelLine(const char* text, Fn fn) {
    char lines[2 * CTrack::kNameLength + 2];
    const int count = CTrack::SplitLabelLines(lines, text);
    char* line = lines;
    for (int i = 0; i < count && line; ++i) {
        char* end = std::strchr(line, '\n');
        if (end) *end = 0;
        fn(line);
        line = end ? end + 1 : nullptr;
    }
    return count;
}

// The font of a label: the score's track-name font for the full names of the first system, its
// abbreviation font for the others (the score's staff font is its time-signature font, by default
// the music face, which has no letters). One never set (size 0) draws as 10-point text of the
// standard text face, so that a score without label fonts still shows its labels line under line.
FontRef LabelFont(const CScore& score, bool firstSystem) {
    FontRef font = firstSystem ? score.textFont2 : score.textFont3;
    if (font.size == 0) font = FontRef{g_draw.standardFontRefs[1].face, 10, 0, 0};
    return font;
}

// The reference y the label hangs from: the staff's, half way to the next staff's for the upper
// staff of a grand staff.
int LabelBaseY(CTrack& track, CStaff* staff) {
    int y = staff->GetReferenceY();
    if (track.IsGrandStaffTop()) {
        CLine* line = g_model.currentLine;
        const int t = TrackNumber(track);
        if (line && t + 1 < line->GetStaffCount()) y += (line->GetStaff(t + 1)->GetReferenceY() - y) / 2;
    }
    return y;
}

}  // namespace

bool CTrack::IsGrandStaffTop() {
    CScore* score = g_model.currentScore;
    if (!score || score->GetLineCount() < 1) return false;
    const int i = TrackNumber(*this);
    if (i < 0 || i + 1 >= score->trackCount) return false;
    CLine* first = score->GetLine(0);
    if (!first || i >= first->GetStaffCount()) return false;
    CTrack* next = score->GetTrack(i + 1);
    return first->GetStaff(i)->GetBracketKind(0) == kBrace && GetClef() == 0 && next && next->GetClef() == 1;
}

RECT* CTrack::GetLabelRect(RECT* rect, bool firstSystem) {
    *rect = RECT{};
    CStaff* staff = LabelStaff(*this);
    CScore* score = g_model.currentScore;
    CArtist* a = g_draw.artist;
    if (!staff || !score || !a || !staff->IsShown() || !LabelSwitchedOn(*this, firstSystem)) return rect;
    const FontRef font = LabelFont(*score, firstSystem);
    a->PushFont();
    a->SetFontRef(font);
    int widest = 0;
    const int lines = ForEachLabelLine(GetLabelText(firstSystem), [&](const char* line) {
        widest = std::max(widest, a->TextWidth(line));
    });
    a->PopFont();
    RECT r{0, 0, widest + 2, font.size * lines};
    if (CZelDoc* doc = score->GetDocument()) r = doc->ScaleRectToView(r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    CLine* line = g_model.currentLine;
    int x = line->GetNameX(staff) + staff->ScaleOffset(GetLabelOffsetX(firstSystem));
    x -= score->trackNamesRightAligned ? w : w / 2;
    const int y = LabelBaseY(*this, staff) + staff->ScaleOffset(GetLabelOffsetY(firstSystem)) - (h + 1) / 2;
    *rect = RECT{x, y, x + w, y + h};
    return rect;
}

int CTrack::MeasureLabel(const char* text, bool firstSystem) {
    CArtist* a = g_draw.artist;
    CScore* score = g_model.currentScore;
    if (!a || !score || !text) return 0;
    const FontRef font = LabelFont(*score, firstSystem);
    a->PushFont();
    a->SetFont(font.face == FontRef::kNoFace ? -1 : int(font.face), a->Scale(font.size), font.style);
    int widest = 0;
    ForEachLabelLine(text, [&](const char* line) { widest = std::max(widest, a->TextWidth(line)); });
    a->PopFont();
    return widest;
}

void CTrack::DrawLabel(int x, int y, bool firstSystem) {
    CArtist* a = g_draw.artist;
    CScore* score = g_model.currentScore;
    CStaff* staff = LabelStaff(*this);
    if (!a || !score) return;
    if (staff) {
        x += staff->ScaleOffset(GetLabelOffsetX(firstSystem));
        y += staff->ScaleOffset(GetLabelOffsetY(firstSystem));
    }
    const FontRef font = LabelFont(*score, firstSystem);
    a->PushFont();
    const int step = a->Scale(font.size);
    a->SetFont(font.face == FontRef::kNoFace ? -1 : int(font.face), step, font.style);
    const char* text = GetLabelText(firstSystem);
    int lines = 1;
    for (const char* p = text; *p; ++p) lines += *p == ',';
    if (lines > 1) y -= (lines - 1) * step / 2;
    const bool right = score->trackNamesRightAligned != 0;
    ForEachLabelLine(text, [&](const char* line) {
        if (right)
            a->DrawTextRight(x, y, line);
        else
            a->DrawTextCentered(x, y, line);
        y += step;
    });
    if (g_trackLabels.showSoundNames && !g_trackLabels.soundNamesHeld && !g_draw.printingDC) {
        // The sound of the voice being edited, under the last line in smaller plain type.
        const CZelDoc* doc = score->GetDocument();
        char name[kVoiceDefNameSize + 1] = {};
        GetVoiceDefName(doc ? int(doc->location.voice) : 0, name);
        name[kVoiceDefNameSize] = 0;
        a->SetFont(font.face == FontRef::kNoFace ? -1 : int(font.face), step * 3 / 4, 0);
        y -= a->Scale(2);
        if (right)
            a->DrawTextRight(x, y, name);
        else
            a->DrawTextCentered(x, y, name);
    }
    a->PopFont();
}

bool TrackBehaviour::HitTest(CScoreItem& item, int x, int y) const {
    auto& track = static_cast<CTrack&>(item);
    if (g_trackLabels.mode != 0) return false;
    CStaff* staff = LabelStaff(track);
    const bool first = OnFirstSystem();
    if (!staff || !staff->IsShown() || !(track.GetTrackFlags() & 0x03) || !track.GetLabelText(first)[0]) return false;
    RECT r;
    track.GetLabelRect(&r, first);
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

namespace {

// The label's drag in the pane's mouse loop: its system made current at each step, the
// pointer's distance from the press converted to label units of the staff pressed on.
class CDragTrackLabel : public CDragTask {
public:
    void Begin(CZelDoc* doc, CScoreItem* hit, int nameId) override {
        CDragTask::Begin(doc, hit, nameId);
        line = doc ? doc->location.system : nullptr;
        staff = doc ? doc->location.staff : nullptr;
    }
    void SetContext() override {
        CDragTask::SetContext();
        if (line) line->MakeCurrent();
    }
    void BeginItemDrag() override {
        g_trackLabels.dragTotalX = g_trackLabels.dragTotalY = 0;
        labelX = labelY = 0;
        CDragTask::BeginItemDrag();
    }
    void MoveItemDrag() override {
        if (line) line->MakeCurrent();
        const int x = staff ? staff->UnscaleOffset(current.x - start.x) : current.x - start.x;
        const int y = staff ? staff->UnscaleOffset(current.y - start.y) : current.y - start.y;
        unitDx = x - labelX;
        unitDy = y - labelY;
        labelX = x;
        labelY = y;
        if (unitDx != 0 || unitDy != 0) CDragTask::MoveItemDrag();
    }
    void EndItemDrag() override {
        if (line) line->MakeCurrent();
        if (labelX == 0 && labelY == 0) undoable = 0;
        if (undoable) CDragTask::EndItemDrag();
    }
    void DrawFeedback() override {
        if (line) line->MakeCurrent();
        CDragTask::DrawFeedback();
    }

private:
    CLine* line = nullptr;
    CStaff* staff = nullptr;
    int labelX = 0, labelY = 0;
};

}  // namespace

CDragTask* TrackBehaviour::CreateDragTask(CScoreItem&) const { return new (std::nothrow) CDragTrackLabel; }

void TrackBehaviour::DragBy(CScoreItem& item, CDragTask* drag) const {
    auto& track = static_cast<CTrack&>(item);
    if (!drag) return;
    g_trackLabels.dragTotalX += drag->unitDx;
    g_trackLabels.dragTotalY += drag->unitDy;
    const bool first = OnFirstSystem();
    track.SetLabelOffsets(first, track.GetLabelOffsetX(first) + drag->unitDx,
                          track.GetLabelOffsetY(first) + drag->unitDy);
}

void TrackBehaviour::EndDrag(CScoreItem& item, CDragTask* drag) const {
    auto& track = static_cast<CTrack&>(item);
    CScore* score = g_model.currentScore;
    if (!score) return;
    const bool first = OnFirstSystem();
    // Only a drag that moved carries its totals to the other tracks.
    const bool everyTrack = drag && drag->moved && g_viewDrag.allTracksFlag;
    if (everyTrack)
        for (int t = 0; t < score->trackCount; ++t) {
            CTrack* other = score->GetTrack(t);
            if (!other || other == &track) continue;
            other->SetLabelOffsets(first, other->GetLabelOffsetX(first) + g_trackLabels.dragTotalX,
                                   other->GetLabelOffsetY(first) + g_trackLabels.dragTotalY);
        }
    CZelDoc* doc = score->GetDocument();
    CLine* saved = g_model.currentLine;
    for (int k = 0; k < score->GetLineCount(); ++k) {
        CLine* line = score->GetLine(k);
        if (!line) continue;
        line->MakeCurrent();
        for (int t = 0; t < score->trackCount; ++t) {
            CTrack* each = score->GetTrack(t);
            if (!each || (!everyTrack && each != &track)) continue;
            RECT r;
            each->GetLabelRect(&r, k == 0);
            if (doc && r.right > r.left && r.bottom > r.top) doc->AddDirtyRect(r, line->GetPageIndex());
        }
    }
    if (saved) saved->MakeCurrent();
}

void TrackBehaviour::DrawDragFeedback(CScoreItem& item) const {
    auto& track = static_cast<CTrack&>(item);
    CLine* line = g_model.currentLine;
    CScore* score = g_model.currentScore;
    CStaff* staff = LabelStaff(track);
    if (!line || !score || !staff) return;
    const bool first = OnFirstSystem();
    RECT r;
    track.GetLabelRect(&r, first);
    if (CZelDoc* doc = score->GetDocument(); doc && r.right > r.left) doc->AddDirtyRect(r, line->GetPageIndex());
    track.DrawLabel(line->GetNameX(staff), LabelBaseY(track, staff), first);
}
