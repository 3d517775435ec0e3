// A notated note's rectangles (the whole note, one head, the stem-end handle), its hit test
// with the part hit, the drag a hit starts, and the double-click hook.
#include <algorithm>
#include <cstring>
#include <new>

#include "framework/Arith.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/SystemStaff.h"
#include "model/Track.h"
#include "notation/NotationGlobals.h"
#include "notation/Note.h"
#include "notation/NoteMetrics.h"
#include "notation/NoteDrags.h"
#include "notation/NoteStandIns.h"
#include "platform/Artist.h"
#include "platform/DrawGlobals.h"
#include "platform/FontArray.h"

namespace {

constexpr int kNoteTool = 903, kMarkTool = 906, kAccidentalTool = 921;
constexpr int kStemPart = -2;

void Join(RECT* into, const RECT& r, bool* any) {
    if (!*any) {
        *into = r;
        *any = true;
        return;
    }
    into->left = std::min(into->left, r.left);
    into->top = std::min(into->top, r.top);
    into->right = std::max(into->right, r.right);
    into->bottom = std::max(into->bottom, r.bottom);
}

bool Contains(const RECT& r, int x, int y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

}  // namespace

using namespace notation;

RECT* CNote::GetStemRect(RECT* rect) {
    if (!rect) return rect;
    BeginNoteDrawing(*this);
    int x, yEnd;
    GetStemLine(&x, nullptr, &yEnd);
    const CStaff* staff = g_model.currentStaff;
    const int half = (staff ? staff->GetPenWidth() : 1) + 1;
    *rect = RECT{x - half, yEnd - half, x + half, yEnd + half};
    return rect;
}

RECT* NoteBehaviour::GetPartBounds(CScoreItem& item, RECT* rect, int part) const {
    if (!rect) return rect;
    if (g_notation.performanceDisplay != 0) return RawNoteBehaviour::GetPartBounds(item, rect, part);
    auto& note = static_cast<CNote&>(item);
    note.VerifyTrack();
    const int x0 = BeginNoteDrawing(note);
    if (part == kStemPart) return note.GetStemRect(rect);
    *rect = RECT{0, 0, 0, 0};
    const int n = note.HeadCountField();
    const bool whole = part == CRawNote::kAllHeads;
    const bool up = note.IsStemUp();
    CArtist* a = g_draw.artist;
    bool any = false;
    int lastSpacing = 6;
    for (int k = whole ? 0 : std::max(part, 0); k < n; ++k) {
        const NoteHead& h = *note.Head(k);
        CStaff* saved = g_model.currentStaff;
        CStaff* staff = StaffOrCurrent(h.CrossStaffOffset());
        g_model.currentStaff = staff;
        int s = staff ? staff->GetLineSpacing() : 6;
        int half = s / 2;
        int gw = HeadWidth();
        int left;
        if (h.Shape() < 32) {
            if (a) {
                const int size = a->CurrentSize();
                const int staffSize = staff ? staff->GetFontSize() : size;
                a->SetFontSize(h.HeadScale() ? MulDiv(staffSize, h.HeadScale(), 100) : staffSize);
                gw = a->GlyphWidth(note.GetHeadGlyph(h));
                a->SetFontSize(size);
            }
            if (h.HeadScale() && !note.Scale()) {
                half = MulDiv(half, h.HeadScale(), 100);
                s = MulDiv(s, h.HeadScale(), 100);
            }
            left = up ? x0 + HeadWidth() : x0;
            if (note.NoteValue() <= 1) left += (gw - HeadWidth()) / 2;
            const bool leftOfStem = up ? h.Column() == 0 : h.Column() < 0;
            if (leftOfStem) left -= gw - StemWidth();
        } else {
            if (a) {
                a->PushFont();
                FontRef font;
                notation::TrackFontOrDefault(&font);
                int size = staff ? MulDiv(font.size, staff->GetScalePercent(), 100) : font.size;
                if (h.HeadScale()) size = MulDiv(size, h.HeadScale(), 100);
                a->SetFont(font.face == FontRef::kNoFace ? 0 : font.face, std::max(size, 1), font.style);
                gw = a->TextWidth("0");
                a->PopFont();
            }
            const int fs = StaffAboveOrCurrent() ? StaffAboveOrCurrent()->GetLineSpacing() : s;
            left = x0 + fs / 2 - gw / 2;
            if (h.Column() != 0) left += h.Column() > 0 ? gw : -gw;
        }
        const int y = staff ? staff->PositionToY(note.GetEntryStaffPos(h)) : 0;
        RECT r{left, y - half + 1, left + gw, y - half + s};
        if (whole && h.Accidental() != 0 && h.IsAccidentalShown())
            r.left -= staff ? staff->ScaleOffset(h.AccidentalOffset() * 5 + 120) : 0;
        if (r.right == r.left) {
            --r.left;
            ++r.right;
        }
        if (r.bottom == r.top) {
            --r.top;
            ++r.bottom;
        }
        Join(rect, r, &any);
        lastSpacing = staff ? staff->GetLineSpacing() : 6;
        g_model.currentStaff = saved;
        if (!whole || note.IsSlash()) break;
    }
    if (whole) {
        const int s = g_model.currentStaff ? g_model.currentStaff->GetLineSpacing() : lastSpacing;
        for (int i = 0, m = note.WholeMarks(false); i < m; ++i) {
            RECT r{};
            note.GetMarkRect(&r, i);
            if (r.left > r.right) std::swap(r.left, r.right);
            if (r.top > r.bottom) std::swap(r.top, r.bottom);
            r.top -= s;
            Join(rect, r, &any);
        }
        rect->right += s * note.DotCount();
        if (!note.IsBeamed() && note.NoteValue() > 3 && up) rect->right += s;
        if (note.HasOwnStem()) {
            RECT stem;
            note.GetStemRect(&stem);
            Join(rect, stem, &any);
        }
    }
    if (note.IsSelectedBit()) {
        const int d = note.ScaleToView(2);
        rect->left -= d;
        rect->top -= d;
        rect->right += d;
        rect->bottom += d;
    }
    return rect;
}

bool NoteBehaviour::HitTest(CScoreItem& item, int x, int y) const {
    auto& note = static_cast<CNote&>(item);
    const CScore* score = g_model.currentScore;
    const bool shown = note.IsShownOnStaff() && !note.IsRemoved() &&
                       (!score || score->IsVoiceShown(note.VoiceField()));
    if (!shown && !note.IsSelectedBit()) return false;
    if (note.HitTestHeads(x, y)) return true;
    if (note.HitTestMarks(x, y)) return true;
    if (!note.IsBeamed() || note.NoteValue() == 2 || note.NoteValue() == 3) {
        RECT r;
        note.GetStemRect(&r);
        if (Contains(r, x, y)) {
            g_model.hitPart = kStemPart;
            g_model.hitTool = kNoteTool;
            return true;
        }
    }
    return false;
}

CDragTask* NoteBehaviour::CreateDragTask(CScoreItem&) const {
    if (g_model.hitTool == kMarkTool) return new (std::nothrow) CDragMark;
    if (g_model.hitTool == kAccidentalTool) return new (std::nothrow) CDragAcc;
    if (g_model.hitPart == kStemPart) return new (std::nothrow) CDragStem;
    return new (std::nothrow) CDragNote;
}

void NoteBehaviour::OpenProperties(CScoreItem& item, int, int) const {
    if (g_model.hitTool == kMarkTool) notation::RunEditMarkTask(&static_cast<CNote&>(item));
}

void NoteBehaviour::InvalidateAttached(CScoreItem& item) const {
    auto& note = static_cast<CNote&>(item);
    AttachedItemList list;
    note.CollectAttached(g_model.currentTrkBar, &list, CRawNote::kAllHeads);
    for (int i = 0; i < list.count; ++i)
        if (list.items[i]) list.items[i]->Invalidate();
}

void NoteBehaviour::ResolveFonts(CScoreItem& item, CFontArray* fonts) const {
    auto& note = static_cast<CNote&>(item);
    for (int i = 0, n = note.WholeMarks(false); i < n; ++i) {
        NoteMark* m = note.GetMark(i);
        const int code = m->Code();
        if ((m->Flags() & 0x01) || !(code == 250 || (code >= 100 && code <= 115))) continue;
        if (m->Size() < NoteMark::kFont + 6) continue;
        FontRef font = m->Font();
        if (fonts) fonts->ResolveFont(&font);
        if (code >= 100 && code <= 107) {
            FontRef track;
            if (g_model.currentTrack) {
                g_model.currentTrack->GetTrackFont(&track);
                font.face = track.face;
            }
            font.size = 12;
            font.style = 0;
            font.pad = 0;
        }
        const FontRef was = m->Font();
        if (std::memcmp(&was, &font, sizeof font) == 0) continue;
        if (fonts) fonts->KeepLive(reinterpret_cast<std::uint8_t*>(m) + NoteMark::kFont);
        m->SetFont(font);
    }
}
