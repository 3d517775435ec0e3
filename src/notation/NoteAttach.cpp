// What hangs on a notated note: where a curve meets it, how a new mark is set up and stacked,
// and how the items attached to it (ties, glissandi, slurs and line items, beams, tuplets,
// lyrics and dynamics) are found and kept with it when a head is removed or moved, when the note
// moves to another column, staff or track.
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "framework/Arith.h"
#include "framework/Input.h"
#include "model/Articulation.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/SystemStaff.h"
#include "model/TieType.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/TrkBarWalk.h"
#include "notation/Beam.h"
#include "notation/Note.h"
#include "notation/NoteStandIns.h"
#include "platform/Port.h"

namespace {

enum : int { kLyricType = 24, kDynamicType = 20 };
// The beam's byte 16: bit 2 a tremolo, bit 5 its stems and heights decided afresh.
constexpr std::uint8_t kBeamTremolo = 0x04, kBeamAfresh = 0x20;

// A two-ended record that holds its ends (null for one too short).
CTieType* TwoEnded(CBarItem* r) { return r && CTieType::Of(r)->HoldsEnds() ? CTieType::Of(r) : nullptr; }
void MoveStartY(CTieType* r, int delta) { r->SetStartY(r->StartY() + delta); }
void MoveEndY(CTieType* r, int delta) { r->SetEndY(r->EndY() + delta); }
void Relayout(CBarItem* r) { r->SetFlagsA(std::uint8_t(r->FlagsA() | CBarItem::kRelayoutBit)); }

CNote& NoteOf(CScoreItem& item) { return static_cast<CNote&>(item); }

// The hit record, kept over a search that may hit-test.
struct HitRecordKept {
    int kind = g_model.hitKind;
    std::int16_t part = g_model.hitPart, tool = g_model.hitTool;
    ~HitRecordKept() {
        g_model.hitKind = kind;
        g_model.hitPart = part;
        g_model.hitTool = tool;
    }
};

// The current track bar, made current again at the end of a scope.
struct CurrentBarKept {
    CTrkBar* bar = g_model.currentTrkBar;
    ~CurrentBarKept() {
        if (bar && g_model.currentTrkBar != bar) bar->SetCurrent();
    }
};

// The bar of the note's track whose run holds the item (the current one when none does).
CTrkBar* OwnerBar(CBarItem* item) {
    CTrkBar* here = g_model.currentTrkBar;
    CScore* score = g_model.currentScore;
    if (!here || !score) return here;
    const auto* at = reinterpret_cast<const std::uint8_t*>(item);
    const auto holds = [&](CTrkBar* b) {
        const auto* base = b ? reinterpret_cast<const std::uint8_t*>(b->GetItems()) : nullptr;
        return base && at >= base && at < base + b->GetRunLength();
    };
    if (holds(here)) return here;
    for (int b = 0; b < score->GetBarCount(); ++b)
        if (CTrkBar* bar = score->GetTrkBar(here->GetTrackIndex(), b); holds(bar)) return bar;
    return here;
}

// The beams of a beamed note: the one that covers it and, for a tremolo, the second one.
int NoteBeams(CRawNote& note, CBarItem* out[2]) {
    if (!note.IsBeamed()) return 0;
    CTrkBar* trkBar = g_model.currentTrkBar;
    CBarItem* beam = trkBar ? trkBar->FindBeamOfNote(&note) : nullptr;
    if (!beam) return 0;
    out[0] = beam;
    if (!(rec::Get<std::uint8_t>(beam, CBeam::kBeamFlags) & kBeamTremolo)) return 1;
    CBarItem* found[AttachedItemList::kCapacity];
    const int n = trkBar->GetAttachedItems(&note, found, AttachedItemList::kCapacity, 5);
    for (int k = 0; k < n; ++k)
        if (found[k] != beam && found[k]->IsBeam()) {
            out[1] = found[k];
            return 2;
        }
    return 1;
}

// The live records of the voice in the bar's run at the column, of one type.
template <typename F>
void ForEachAtColumn(CTrkBar* bar, int type, int voice, int column, F&& f) {
    trkbar::ForEachLiveItem(bar, [&](CBarItem* r) {
        if (r->TypeCode() == type && r->VoiceField() == voice && r->PositionField() == column) f(r);
    });
}

// The attached items of a kind (0 those that end at the note, 1 those that start at it, 4 its
// tuplets), as the bar's finder gives them.
std::vector<CBarItem*> Attached(CRawNote& note, int kind) {
    CBarItem* found[AttachedItemList::kCapacity];
    CTrkBar* trkBar = g_model.currentTrkBar;
    const int n = trkBar ? trkBar->GetAttachedItems(&note, found, AttachedItemList::kCapacity, kind) : 0;
    return std::vector<CBarItem*>(found, found + n);
}

}  // namespace

// --- the attached-item list -------------------------------------------------------------------

bool AttachedItemList::Contains(const CBarItem* item) const {
    for (int i = 0; i < count; ++i)
        if (items[i] == item) return true;
    return false;
}

bool AttachedItemList::Add(CBarItem* item, int head, CTrkBar* bar) {
    if (!item || Contains(item)) return true;
    if (count >= kCapacity) return false;
    items[count] = item;
    heads[count] = head;
    bars[count] = bar;
    ++count;
    return true;
}

// --- where curves meet the note ---------------------------------------------------------------

int CRawNote::GetAttachY(bool above, bool atHeads) {
    const int n = HeadCountField();
    if (n <= 0) return 0;
    const int first = Head(0)->Position(), last = Head(n - 1)->Position();
    const bool up = IsStemUp();
    if ((HasFretNumbers() && IsStemless()) || NoteValue() <= 1) {
        if (!above) return up ? first - 2 : last - 2;
        return up ? last + 2 : first + 2;
    }
    const int p0 = GetEntryStaffPos(*Head(0));
    if (above != up) return above ? p0 + 2 : p0 - 2;
    if (atHeads) return up ? last + 2 : last - 2;
    if (IsBeamed()) {
        CTrkBar* trkBar = g_model.currentTrkBar;
        CBarItem* beam = trkBar ? trkBar->FindBeamOfNote(this) : nullptr;
        if (beam && beam->IsBeam() && beam->RecordSizeField() >= CBeam::kEndPosition + 2) {
            const int a = beam->Word(CBeam::kStartPosition), b = beam->Word(CBeam::kEndPosition);
            const int ha = rec::Get<std::int8_t>(beam, CBeam::kStartStaffPos);
            const int hb = rec::Get<std::int8_t>(beam, CBeam::kEndStaffPos);
            const int column = PositionField();
            int height;
            if (column == a || a == b)
                height = ha;
            else if (column == b)
                height = hb;
            else
                height = ha + MulDiv(hb - ha, column - a, b - a);
            return up ? height + 1 : height - 2;
        }
    }
    int length = GetStemLength() / 2;
    const int scale = Scale() ? Scale() : Head(0)->HeadScale();
    if (scale) length = length * scale / 100;
    return up ? p0 + 1 + length : p0 - length - 1;
}

int NoteBehaviour::GetAttachPos(CRawHead& item, CTrkBar* trkBar, bool above, bool skipMarks) const {
    auto& note = NoteOf(item);
    CurrentBarKept kept;
    if (trkBar) trkBar->SetCurrent();
    int p = note.GetAttachY(above, false);
    const int marks = note.WholeMarks(false);
    const CStaff* staff = g_model.currentStaff;
    if (marks > 0 && staff && (!skipMarks || note.IsGrace())) {
        for (int i = 0; i < marks; ++i) {
            RECT r{};
            note.GetMarkRect(&r, i);
            int steps = 0;
            if (!above && p < -3) {
                const int bottom = staff->YToPositionStep(r.bottom, &steps);
                if (bottom < p) p = bottom - 1;
            } else if (above && p > 3) {
                const int top = staff->YToPositionStep(r.top, &steps);
                if (top > p) p = top + 1;
            }
        }
    }
    return p;
}

// --- marks ------------------------------------------------------------------------------------

void NoteBehaviour::InitMark(CRawHead& item, NoteMark* mark, int code, int arg, bool onStemSide) const {
    if (!mark) return;
    auto& note = NoteOf(item);
    RawNoteBehaviour::InitMark(item, mark, code, arg, onStemSide);
    code = mark->Code();
    const int size = mark->Size();
    const auto put8 = [&](int at, int v) {
        if (at < size) mark->SetByte(at, std::uint8_t(v));
    };
    const auto put16 = [&](int at, int v) {
        if (at + 2 <= size) mark->SetWord(at, std::int16_t(v));
    };

    // Playback: the track's setting of the note's voice for the code, when it has one.
    const int index = MarkCodeToPlaybackIndex(code);
    CTrack* track = g_model.currentTrack;
    if (index >= 0) {
        std::uint8_t entry[MarkPlayback::kSize];
        if (track && size >= NoteMark::kClassFields && track->GetMarkPlayback(note.VoiceField(), index, entry))
            std::memcpy(mark->Bytes() + NoteMark::kPlayback, entry, sizeof entry);
    } else if (code == 38 || code == 39) {
        put8(8, mark->GetByte(8) | 0x20);
        put8(16, 10);
    }
    put8(19, 0);
    put8(20, 0);

    // The natural side, then the side the keys, the caller or the voice force.
    const bool up = note.IsStemUp();
    const int rule = mark->GetPlacementKind();
    const bool naturalAbove = rule == 1 ? up : rule == 0 ? !up : rule == 2;
    const bool alt = (fw::GetKeyState(VK_MENU) & 0x8000) != 0;
    const bool ctrl = (fw::GetKeyState(VK_CONTROL) & 0x8000) != 0;
    int forced = -1;  // 1 above, 0 below
    if (alt || (onStemSide && up))
        forced = 1;
    else if (ctrl || (onStemSide && !up))
        forced = 0;
    else if (track)
        forced = track->GetVoiceStem(note.VoiceField()) == 1 ? 1 : track->GetVoiceStem(note.VoiceField()) == 2 ? 0 : -1;
    if (forced >= 0 && (forced == 1) != naturalAbove) mark->SetFlags(std::uint8_t(mark->Flags() | 0x04));

    const int value = note.NoteValue();
    if (code <= 2) {
        if (code != 2 && mark->GetGlyph() != 0xA1) put8(53, 1);
        mark->SetFlags(std::uint8_t(code == 2 ? mark->Flags() | 0x02 : mark->Flags() & ~0x02));
        if (code != 2) put16(40, 240);
        put16(42, 0);
        put16(44, 0);
        put16(46, note.PositionField() + (code == 2 ? 128 : 0));
        const int speed = value <= 3 ? 2 : value - 1;
        if (49 < size) put8(49, (mark->GetByte(49) & 0x0F) | (speed << 4));
        put8(48, 480 >> (speed + 1));
    } else if (code >= 7 && code <= 11) {
        mark->SetXOffset(20);
    } else if (code == 30) {
        mark->SetXOffset(-120);
        mark->SetYOffset(-60);
        put16(42, 90);
        return;
    } else if (code >= 31 && code <= 34) {
        const int k = code - 31;
        put8(18, k + 1);
        if (k == 0) mark->SetYOffset(60);
        if (k == 1) mark->SetYOffset(30);
        const int written = int(note.GetDuration());
        for (int h = 0; h < note.HeadCountField(); ++h) note.Head(h)->SetDuration(std::uint16_t(std::max(0, written - 1)));
        return;
    }

    // Stacking over the marks already on the note.
    if (code >= 70 && code <= 89) {
        mark->SetFlags(std::uint8_t(mark->Flags() & ~0x04));
        return;
    }
    bool haveLow = false, haveHigh = false;
    int low = INT_MAX, high = INT_MIN;
    for (int i = 0, n = note.WholeMarks(false); i < n; ++i) {
        const NoteMark* m = note.GetMark(i);
        if (m == mark || (m->Code() >= 30 && m->Code() <= 34)) continue;
        const bool b2 = (m->Flags() & 0x04) != 0, b3 = (m->Flags() & 0x08) != 0;
        if (b2 == b3) {
            haveLow = true;
            low = std::min(low, int(m->YOffset()));
        } else {
            haveHigh = true;
            high = std::max(high, int(m->YOffset()));
        }
    }
    const int y = mark->YOffset();
    if (naturalAbove && haveHigh && y <= high) mark->SetYOffset(std::int16_t(y + high + 180));
    if (!naturalAbove && haveLow && y >= low) mark->SetYOffset(std::int16_t(y + low + 180));
}

CRawHead* NoteBehaviour::AddMark(CRawHead& item, const NoteMark& mark) const {
    if (item.MarkCount() >= CRawHead::kMaxMarks) return &item;
    if (mark.Code() > 1 || mark.Size() < 54) return RawNoteBehaviour::AddMark(item, mark);
    std::vector<std::uint8_t> copy(mark.Bytes(), mark.Bytes() + mark.Size());
    auto* trill = reinterpret_cast<NoteMark*>(copy.data());
    const int value = item.NoteValue();
    int speed;
    if (trill->GetByte(48) == 0) {
        speed = value < 6 ? 3 : value - 2;
        trill->SetByte(48, std::uint8_t(480 >> speed));
    } else {
        speed = 1;
        while (speed < 15 && (480 >> speed) > trill->GetByte(48)) ++speed;
    }
    trill->SetByte(49, std::uint8_t((trill->GetByte(49) & 0x0F) | (speed << 4)));
    return RawNoteBehaviour::AddMark(item, *trill);
}

// --- the attached items -----------------------------------------------------------------------

void NoteBehaviour::CollectAttached(CRawHead& item, CTrkBar* trkBar, AttachedItemList* list, int head) const {
    auto& note = NoteOf(item);
    HitRecordKept hit;
    if (trkBar) trkBar->SetCurrent();
    trkBar = g_model.currentTrkBar;
    if (!trkBar || !list) return;
    const int voice = note.VoiceField();
    const int column = note.PositionField();

    CBarItem* beams[2] = {};
    for (int k = 0, n = NoteBeams(note, beams); k < n; ++k) list->Add(beams[k], 0, OwnerBar(beams[k]));

    if (note.Links() & (CRawNote::kSlurEnd | CRawNote::kLineEnd))
        for (CBarItem* r : Attached(note, 0))
            if (!list->Add(r, 0, OwnerBar(r))) break;
    if (note.Links() & (CRawNote::kSlurStart | CRawNote::kLineStart))
        for (CBarItem* r : Attached(note, 1))
            if (!list->Add(r, 0, trkBar)) break;

    if (note.IsTupletMember()) {
        trkbar::ForEachLiveItem(trkBar, [&](CBarItem* r) {
            const CTieType* t = TwoEnded(r);
            if (r->TypeCode() != CTieType::kTupletType || r->VoiceField() != voice || !t) return;
            if (r->PositionField() <= column && (t->EndPositionField() >= column || t->EndBarOffset() != 0))
                list->Add(r, 0, trkBar);
        });
    }

    const int n = note.HeadCountField();
    const int from = head == CRawNote::kAllHeads ? 0 : head;
    const int to = head == CRawNote::kAllHeads ? n - 1 : head;
    for (int k = std::max(0, from); k <= to && k < n; ++k) {
        const auto take = [&](std::uint8_t bit, CBarItem* (CTrkBar::*find)(CBarItem*, int)) {
            if (!(note.Head(k)->Byte(NoteHead::kLinkByte) & bit)) return;
            g_model.finderBar = trkBar;
            if (CBarItem* r = (trkBar->*find)(&note, k)) {
                list->Add(r, k, g_model.finderBar ? g_model.finderBar : trkBar);
            } else if (!note.Head(k)->IsSelected()) {
                note.Head(k)->SetBits(NoteHead::kLinkByte, bit, false);
            }
        };
        take(NoteHead::kTieEnd, &CTrkBar::FindTieInto);
        take(NoteHead::kTieStart, &CTrkBar::FindTieFrom);
        take(NoteHead::kGlissEnd, &CTrkBar::FindGlissInto);
        take(NoteHead::kGlissStart, &CTrkBar::FindGlissFrom);
    }

    ForEachAtColumn(trkBar, kLyricType, voice, column, [&](CBarItem* r) { list->Add(r, 0, trkBar); });
    ForEachAtColumn(trkBar, kDynamicType, voice, column, [&](CBarItem* r) { list->Add(r, 0, trkBar); });
}

void CNote::GetBarRange(int* first, int* last, CTrkBar* trkBar) {
    HitRecordKept hit;
    if (!trkBar) trkBar = g_model.currentTrkBar;
    if (!trkBar) return;
    AttachedItemList list;
    *first = trkBar->GetBarIndex();
    CollectAttached(trkBar, &list, kAllHeads);
    for (int i = 0; i < list.count; ++i) {
        if (!list.bars[i]) continue;
        const int b = list.bars[i]->GetBarIndex();
        *first = std::min(*first, b);
        *last = std::max(*last, b);
    }
}

// --- the note moves ---------------------------------------------------------------------------

void NoteBehaviour::MoveToPosition(CBarItem& item, int position) const {
    auto& note = NoteOf(item);
    CTrkBar* trkBar = g_model.currentTrkBar;
    const int old = note.PositionField();
    if (trkBar) {
        for (int k = 0; k < note.HeadCountField(); ++k) {
            const auto move = [&](std::uint8_t bit, CBarItem* (CTrkBar::*find)(CBarItem*, int), bool end) {
                if (!(note.Head(k)->Byte(NoteHead::kLinkByte) & bit)) return;
                g_model.finderBar = trkBar;
                CBarItem* r = (trkBar->*find)(&note, k);
                if (!r) {
                    note.Head(k)->SetBits(NoteHead::kLinkByte, bit, false);
                } else if (end) {
                    r->SetEndPosition(position);
                } else {
                    r->SetPositionField(std::int16_t(position));
                }
            };
            move(NoteHead::kTieEnd, &CTrkBar::FindTieInto, true);
            move(NoteHead::kTieStart, &CTrkBar::FindTieFrom, false);
            move(NoteHead::kGlissEnd, &CTrkBar::FindGlissInto, true);
            move(NoteHead::kGlissStart, &CTrkBar::FindGlissFrom, false);
        }
        ForEachAtColumn(trkBar, kLyricType, note.VoiceField(), old, [&](CBarItem* r) {
            if (!r->IsSelectedBit()) r->SetPositionField(std::int16_t(position));
        });
    }
    RawNoteBehaviour::MoveToPosition(item, position);
}

void CNote::RemoveTieFrom(int i) {
    CTrkBar* trkBar = g_model.currentTrkBar;
    NoteHead* h = Head(i);
    if (trkBar && h->HasTieStart()) {
        g_model.finderBar = trkBar;
        if (CBarItem* tie = trkBar->FindTieFrom(this, i)) {
            // The note the tie goes to no longer continues one.
            int partner = 0;
            if (CBarItem* to = trkBar->FindTieEndNote(tie, &partner, false); to && to->IsNoteOrRawNote())
                static_cast<CRawNote*>(to)->Head(partner)->SetBits(NoteHead::kLinkByte, NoteHead::kTieEnd, false);
            tie->MarkRemoved();
        }
    }
    h->SetBits(NoteHead::kLinkByte, NoteHead::kTieStart, false);
}

void CNote::RemoveTieInto(int i) {
    CTrkBar* trkBar = g_model.currentTrkBar;
    NoteHead* h = Head(i);
    if (trkBar && h->HasTieEnd()) {
        CurrentBarKept kept;
        g_model.finderBar = trkBar;
        if (CBarItem* tie = trkBar->FindTieInto(this, i)) {
            CTrkBar* owner = g_model.finderBar ? g_model.finderBar : trkBar;
            owner->SetCurrent();
            int partner = 0;
            if (CBarItem* from = owner->FindTieEndNote(tie, &partner, true); from && from->IsNoteOrRawNote())
                static_cast<CRawNote*>(from)->Head(partner)->SetBits(NoteHead::kLinkByte, NoteHead::kTieStart, false);
            tie->MarkRemoved();
        }
    }
    h->SetBits(NoteHead::kLinkByte, NoteHead::kTieEnd, false);
}

void NoteBehaviour::RemoveHead(CRawNote& raw, int i) const {
    auto& note = static_cast<CNote&>(raw);
    const int n = note.HeadCountField();
    if (i < 0 || i >= n) return;
    note.SetStemLength(0);
    CTrkBar* trkBar = g_model.currentTrkBar;
    if (trkBar) {
        note.RemoveTieFrom(i);
        note.RemoveTieInto(i);
        CBarItem* beams[2] = {};
        for (int k = 0, m = NoteBeams(note, beams); k < m; ++k) {
            if (rec::Get<std::uint8_t>(beams[k], CBeam::kBeamFlags) & kBeamTremolo)
                beams[k]->MarkRemoved();
            else
                Relayout(beams[k]);
        }
        const auto drop = [&](std::uint8_t bit, CBarItem* (CTrkBar::*find)(CBarItem*, int)) {
            if (!(note.Head(i)->Byte(NoteHead::kLinkByte) & bit)) return;
            g_model.finderBar = trkBar;
            if (CBarItem* r = (trkBar->*find)(&note, i)) r->MarkRemoved();
            note.Head(i)->SetBits(NoteHead::kLinkByte, bit, false);
        };
        drop(NoteHead::kGlissEnd, &CTrkBar::FindGlissInto);
        drop(NoteHead::kGlissStart, &CTrkBar::FindGlissFrom);
        if (n == 1) {
            // The notes at the other ends of what goes lose the flags that pointed at it.
            std::vector<std::pair<CTrkBar*, CBarItem*>> partners;
            for (CBarItem* r : Attached(note, 0)) {
                // What ends here may start in an earlier bar: its start note is in that bar.
                CTrkBar* owner = OwnerBar(r);
                if (CBarItem* other = owner->FindLineStartNote(r); other && other != &note) partners.emplace_back(owner, other);
                r->MarkRemoved();
            }
            for (CBarItem* r : Attached(note, 1)) {
                CTrkBar* bar = trkBar;
                if (CBarItem* other = trkBar->FindLineEndNote(r, &bar); other && other != &note)
                    partners.emplace_back(bar ? bar : trkBar, other);
                r->MarkRemoved();
            }
            for (auto& [bar, other] : partners) bar->UpdateAttachedItems(other);
            for (CBarItem* t : Attached(note, 4)) {
                Relayout(t);
                // The tuplet's check runs as if the note were gone already.
                note.SetFlagsB(std::uint8_t(note.FlagsB() | CBarItem::kRemovedBit));
                const bool goes = TwoEnded(t) && TwoEnded(t)->RemoveIfNoNotes(false);
                note.SetFlagsB(std::uint8_t(note.FlagsB() & ~CBarItem::kRemovedBit));
                if (goes) t->MarkRemoved();
            }
            if (CTrkBar* trkBar = g_model.currentTrkBar) trkBar->UpdateAttachedItems(&note);
        }
    }
    RawNoteBehaviour::RemoveHead(note, i);
}

void NoteBehaviour::MoveHead(CRawNote& raw, int i, int delta, int oldPitch) const {
    auto& note = static_cast<CNote&>(raw);
    if (i < 0 || i >= note.HeadCountField()) return;
    CTrkBar* trkBar = g_model.currentTrkBar;
    const int column = note.PositionField();
    if (trkBar) {
        if (i == 0) {
            CBarItem* beams[2] = {};
            for (int k = 0, m = NoteBeams(note, beams); k < m; ++k) {
                CBarItem* beam = beams[k];
                const std::uint8_t offsets = rec::Get<std::uint8_t>(beam, CBeam::kOffsets);
                const int startStaff = offsets & 7, endStaff = (offsets >> 3) & 7;
                if (startStaff == 0 && endStaff == 0) {
                    const int at = beam->Word(CBeam::kStartPosition) == column ? CBeam::kStartStaffPos : CBeam::kEndStaffPos;
                    rec::Put<std::int8_t>(beam, std::size_t(at), std::int8_t(rec::Get<std::int8_t>(beam, std::size_t(at)) + delta));
                }
                Relayout(beam);
                const std::uint8_t flags = rec::Get<std::uint8_t>(beam, CBeam::kBeamFlags);
                rec::Put<std::uint8_t>(beam, CBeam::kBeamFlags,
                                       std::uint8_t(startStaff == endStaff ? flags | kBeamAfresh : flags & ~kBeamAfresh));
            }
        }

        NoteHead* h = note.Head(i);
        if (h->HasTieStart()) {
            const int pitch = h->Pitch();
            if (oldPitch != -1) h->SetPitch(oldPitch);
            g_model.finderBar = trkBar;
            CTieType* tie = TwoEnded(trkBar->FindTieFrom(&note, i));
            h->SetPitch(pitch);
            if (!tie) {
                h->SetBits(NoteHead::kLinkByte, NoteHead::kTieStart, false);
            } else if (tie->StartY() == h->Position()) {
                tie->SetPitch(pitch);
                MoveStartY(tie, delta);
                MoveEndY(tie, delta);
            }
        }
        if (h->Byte(NoteHead::kLinkByte) & NoteHead::kGlissStart) {
            g_model.finderBar = trkBar;
            if (CTieType* g = TwoEnded(trkBar->FindGlissFrom(&note, i)))
                MoveStartY(g, delta);
            else
                h->SetBits(NoteHead::kLinkByte, NoteHead::kGlissStart, false);
        }
        if (h->Byte(NoteHead::kLinkByte) & NoteHead::kGlissEnd) {
            g_model.finderBar = trkBar;
            if (CTieType* g = TwoEnded(trkBar->FindGlissInto(&note, i))) {
                g->SetPitch(h->Pitch());
                MoveEndY(g, delta);
            } else {
                h->SetBits(NoteHead::kLinkByte, NoteHead::kGlissEnd, false);
            }
        }

        std::vector<CBarItem*> ending, starting;
        if (note.Links() & (CRawNote::kSlurEnd | CRawNote::kLineEnd)) ending = Attached(note, 0);
        if (note.Links() & (CRawNote::kSlurStart | CRawNote::kLineStart)) starting = Attached(note, 1);
        const auto isVerticalBracket = [](CBarItem* r) {
            return r->IsGroup() && r->GetKind() == CGroup::kVerticalBracket;
        };
        if (note.Links() & CRawNote::kLineEnd) {
            const int position = note.Head(i)->Position();
            const int staff = note.Head(i)->CrossStaffOffset();
            for (CBarItem* item : ending) {
                CTieType* r = TwoEnded(item);
                if (!isVerticalBracket(item) || !r) continue;
                const auto near = [&](int y, int offset) { return offset == staff && std::abs(y - position) <= 1; };
                if (near(r->StartY(), r->StartStaffOffset()))
                    MoveStartY(r, delta);
                else if (near(r->EndY(), r->EndStaffOffset()))
                    MoveEndY(r, delta);
            }
        }
        if (i == 0) {
            const auto follows = [&](CBarItem* r) {
                return TwoEnded(r) && !r->IsPedal() && !r->IsCresc() && !r->IsBarre() && !isVerticalBracket(r);
            };
            for (CBarItem* r : ending)
                if (follows(r)) MoveEndY(TwoEnded(r), delta);
            for (CBarItem* r : starting)
                if (follows(r)) MoveStartY(TwoEnded(r), delta);
            if (note.IsTupletMember())
                for (CBarItem* t : Attached(note, 4)) Relayout(t);
        }
    }
    RawNoteBehaviour::MoveHead(note, i, delta, oldPitch);
}

void CRawNote::MoveAttachedToStaff(int offset, int shift) {
    if (!g_model.currentTrkBar) return;
    const auto moved = [](CBarItem* r) {
        r->Invalidate();
        Relayout(r);
    };
    if (Links() & (kSlurStart | kLineStart))
        for (CBarItem* r : Attached(*this, 1))
            if (CTieType* t = TwoEnded(r)) {
                t->SetStartStaffOffset(offset);
                MoveStartY(t, shift);
                moved(r);
            }
    if (Links() & (kSlurEnd | kLineEnd))
        for (CBarItem* r : Attached(*this, 0))
            if (CTieType* t = TwoEnded(r)) {
                t->SetEndStaffOffset(offset);
                MoveEndY(t, shift);
                moved(r);
            }
    CBarItem* beams[2] = {};
    const int column = PositionField();
    for (int k = 0, n = NoteBeams(*this, beams); k < n; ++k) {
        CBarItem* beam = beams[k];
        const std::uint8_t offsets = rec::Get<std::uint8_t>(beam, CBeam::kOffsets);
        const auto addTo = [&](int at) {
            rec::Put<std::int8_t>(beam, std::size_t(at), std::int8_t(rec::Get<std::int8_t>(beam, std::size_t(at)) + shift));
        };
        if (beam->Word(CBeam::kStartPosition) == column) {
            addTo(CBeam::kStartStaffPos);
            rec::Put<std::uint8_t>(beam, CBeam::kOffsets, std::uint8_t((offsets & ~0x07) | (offset & 7)));
        } else if (beam->Word(CBeam::kEndPosition) == column) {
            addTo(CBeam::kEndStaffPos);
            rec::Put<std::uint8_t>(beam, CBeam::kOffsets, std::uint8_t((offsets & ~0x38) | ((offset & 7) << 3)));
        }
        Relayout(beam);
    }
}

void CNote::RelinkTies() {
    CTrkBar* trkBar = g_model.currentTrkBar;
    const int n = HeadCountField();
    for (int k = 0; k < n; ++k) Head(k)->SetBits(NoteHead::kLinkByte, NoteHead::kTieStart, false);
    if (!trkBar) return;
    bool any = false;
    ForEachAtColumn(trkBar, CTieType::kTieType, VoiceField(), PositionField(), [&](CBarItem* item) {
        const CTieType* tie = TwoEnded(item);
        if (!tie) return;
        for (int k = 0; k < n; ++k) {
            NoteHead* h = Head(k);
            if (h->Position() == tie->StartY() && h->Pitch() == tie->Pitch()) {
                h->SetBits(NoteHead::kLinkByte, NoteHead::kTieStart, true);
                any = true;
                break;
            }
        }
    });
    if (any) PlaceTies(trkBar->GetTrackIndex());
}
