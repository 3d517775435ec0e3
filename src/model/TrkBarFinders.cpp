// Finding an item's partners inside a bar of a track and across the bars of its track: ties
// and glissandi from and into a head, the notes they join, the note or rest near a position,
// and the time at a page x.
#include <cstdlib>

#include "framework/Arith.h"
#include "model/Bar.h"
#include "model/ModelGlobals.h"
#include "model/SystemStaff.h"
#include "model/TrkBar.h"
#include "model/TrkBarWalk.h"

namespace {

constexpr int kTieType = 30;
constexpr int kGlissType = 21;
constexpr int kLyricType = 20;
// The lyric's verse, and the note flag of a note drawn shifted right.
enum : int { kLyricVerse = 28, kNoteFlags = 21 };
enum : std::uint8_t { kShiftedRightBit = 0x04 };
// FindTwoEndedAtHead's modes: 1 the item starts at the head, else it ends there.
constexpr int kStartsAt = 1, kEndsAt = 2;

template <typename F>
void ForEachLive(CTrkBar* bar, F&& f) {
    if (!bar || !bar->GetItems()) return;
    trkbar::ForEachRecord(reinterpret_cast<std::uint8_t*>(bar->GetItems()), bar->GetRunLength(), [&](CBarItem* r) {
        return r->IsRemoved() ? true : f(r);
    });
}

bool OfVoice(const CBarItem* r, int voice) { return voice < 0 || r->VoiceField() == voice; }

}  // namespace

CBarItem* CTrkBar::FindTieFrom(CBarItem* note, int head) {
    g_model.finderBar = this;
    return FindTwoEndedAtHead(note, head, kTieType, kStartsAt, false);
}

CBarItem* CTrkBar::FindGlissFrom(CBarItem* note, int head) {
    g_model.finderBar = this;
    return FindTwoEndedAtHead(note, head, kGlissType, kStartsAt, false);
}

CBarItem* CTrkBar::FindTieInto(CBarItem* note, int head) {
    g_model.finderBar = this;
    if (CBarItem* tie = FindTwoEndedAtHead(note, head, kTieType, kEndsAt, false)) return tie;
    if (GetBarIndex() == 0) return nullptr;
    CTrkBar* previous = Neighbour(-1);
    if (!previous) return nullptr;
    g_model.finderBar = previous;
    CBarItem* tie = FindTwoEndedAtHead(note, head, kTieType, kEndsAt, true);
    if (tie) g_model.finderBar = previous;
    return tie;
}

CBarItem* CTrkBar::FindGlissInto(CBarItem* note, int head) {
    g_model.finderBar = this;
    if (note->TimeField() != 0) return FindTwoEndedAtHead(note, head, kGlissType, kEndsAt, false);
    if (GetBarIndex() == 0) return nullptr;
    CTrkBar* previous = Neighbour(-1);
    if (!previous) return nullptr;
    g_model.finderBar = previous;
    CBarItem* gliss = FindTwoEndedAtHead(note, head, kGlissType, kEndsAt, true);
    if (gliss) g_model.finderBar = previous;
    return gliss;
}

CBarItem* CTrkBar::FindTiedNote(CBarItem* note, int* head) {
    CBarItem* tie = FindTieFrom(note, *head);
    return tie ? FindTieEndNote(tie, head, false) : nullptr;
}

CBarItem* CTrkBar::FindTiedFromNote(CBarItem* note, int* head) {
    CBarItem* tie = FindTieInto(note, *head);
    if (!tie) return nullptr;
    CTrkBar* owner = g_model.finderBar ? g_model.finderBar : this;
    return owner->FindTieEndNote(tie, head, true);
}

CBarItem* CTrkBar::FindNearestNoteOrRest(int voice, int position, bool atOrAfter, bool notesOnly) {
    CBarItem* best = nullptr;
    int bestDistance = 32767;
    ForEachLive(this, [&](CBarItem* r) {
        if (!OfVoice(r, voice) || !(notesOnly ? r->IsNote() : r->IsNoteOrRest())) return true;
        if (atOrAfter) {
            if (r->PositionField() < position) return true;
            best = r;
            return false;
        }
        const int distance = std::abs(r->PositionField() - position);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = r;
        }
        return true;
    });
    return best;
}

CBarItem* CTrkBar::FindNoteOrRestAtX(int voice, int position, int width) {
    const auto from = std::int16_t(position - std::int16_t(width / 2));
    const auto to = std::int16_t(position + std::int16_t(width * 3 / 2));
    // One staff space in the bar's positions, for notes drawn shifted right.
    int space = 0;
    if (CBar* bar = GetBar(); bar && bar->GetWidth() > 0)
        if (CStaff* staff = GetStaff()) space = MulDiv(staff->Space(), 1024, bar->GetWidth());
    CBarItem* found = nullptr;
    ForEachLive(this, [&](CBarItem* r) {
        if (!OfVoice(r, voice) || !r->IsNoteOrRest()) return true;
        const int p = r->PositionField();
        const bool shifted = r->IsNote() && r->RecordSizeField() > kNoteFlags &&
                             (rec::Get<std::uint8_t>(r, kNoteFlags) & kShiftedRightBit);
        if ((p >= from && p <= to) || (shifted && p + space >= from && p + space <= to)) {
            found = r;
            return false;
        }
        return true;
    });
    return found;
}

CBarItem* CTrkBar::FindItemOfKindAt(int voice, int time, int type, int verse) {
    CBarItem* found = nullptr;
    ForEachLive(this, [&](CBarItem* r) {
        if (!OfVoice(r, voice) || r->TimeField() != time || r->TypeCode() != type) return true;
        if (type == kLyricType && verse != -1 &&
            (r->RecordSizeField() < kLyricVerse + 2 || rec::Get<std::int16_t>(r, kLyricVerse) != verse))
            return true;
        found = r;
        return false;
    });
    return found;
}

int CTrkBar::XToTick(int x) {
    CBar* bar = GetBar();
    if (!bar) return 0;
    const int p = bar->XToFraction(x);
    int previous = 0, next = GetMeterLength();
    bool exact = false;
    ForEachLive(this, [&](CBarItem* r) {
        if (!r->IsNoteOrRest()) return true;
        if (r->PositionField() >= p) {
            exact = r->PositionField() == p;
            next = r->TimeField();
            return false;
        }
        previous = r->TimeField();
        return true;
    });
    if (exact) return next;
    if (p < 0) return GetBarIndex() == 0 ? 0 : p;
    const int from = TickToFraction(previous), to = TickToFraction(next);
    if (to == from) return previous;
    return previous + MulDiv(next - previous, p - from, to - from);
}
