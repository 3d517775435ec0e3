// Finding an item's partners inside a bar of a track and across the bars of its track: ties
// and glissandi from and into a head, the notes they join, beams, slurs, line items and tuplets
// on a note and the notes under their ends, octave lines, the items attached to a note, the note
// or rest near a position, the time at a page x, and the times of an item's ends.
#include "model/PlaybackMarks.h"
#include "model/TrkBarFinders.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "framework/Arith.h"
#include "model/Bar.h"
#include "model/ModelGlobals.h"
#include "model/Ottava.h"
#include "model/SystemStaff.h"
#include "model/TieType.h"
#include "model/TrkBar.h"

using finders::ForEachLive;
using finders::OfVoice;

namespace finders {

int HeadCount(const CBarItem* note) {
    if (!note->IsNoteOrRawNote() || note->RecordSizeField() <= kHeadCount) return 0;
    const int count = rec::Get<std::uint8_t>(note, kHeadCount);
    const int room = (note->RecordSizeField() - kHeads) / kHeadSize;
    return count < room ? count : (room > 0 ? room : 0);
}

std::uint8_t HeadByte(const CBarItem* note, int head, int field) {
    if (head < 0 || head >= HeadCount(note)) return 0;
    return rec::Get<std::uint8_t>(note, std::size_t(kHeads + kHeadSize * head + field));
}

int HeadCross(const CBarItem* note, int head) {
    const int v = HeadByte(note, head, kHeadCross) >> 5;
    return (v & 4) ? v - 8 : v;
}

int HeadStaffPos(const CBarItem* note, int head) { return std::int8_t(HeadByte(note, head, kHeadStaffPos)); }

int HeadPlayDuration(const CBarItem* note, int head) {
    if (head < 0 || head >= HeadCount(note)) return 0;
    return rec::Get<std::uint16_t>(note, std::size_t(kHeads + kHeadSize * head + kHeadDuration));
}

bool HasTieEnd(const CBarItem* note, int head) { return (HeadByte(note, head, kHeadLinks) & kTieEndBit) != 0; }
bool HasTieStart(const CBarItem* note, int head) { return (HeadByte(note, head, kHeadLinks) & kTieStartBit) != 0; }

bool IsTiedInto(const CBarItem* note) {
    for (int i = 0, n = HeadCount(note); i < n; ++i)
        if (HasTieEnd(note, i)) return true;
    return false;
}

int StaffOffsetOf(CBarItem* r) { return r->IsNoteOrRawNote() ? HeadCross(r, 0) : r->GetStartStaffOffset(); }

int Duration(const CBarItem* r) { return int(NoteDuration(*r)); }

}  // namespace finders

namespace {

constexpr int kLyricType = 24;
// The lyric's verse, and the note flag of a note drawn shifted right.
enum : int { kLyricVerse = 28, kShiftFlags = 21 };
enum : std::uint8_t { kShiftedRightBit = 0x04 };
// FindTwoEndedAtHead's modes: 1 the item starts at the head, else it ends there.
constexpr int kStartsAt = 1, kEndsAt = 2;
// The beam's flags, its bar span and the positions of its first and last notes; its end staff
// offset (bits 3-5 of byte 17).
enum : int { kBeamFlags = 16, kBeamOffsets = 17, kBeamBarSpan = 33, kBeamStart = 34, kBeamEnd = 36 };
// The octave line's fields up to its end position.
constexpr int kOttavaReadSize = COttava::kEndPosition + 2;

// Whether a two-ended item answers a selector: a type code, -1 a slur or a line item, -2 a line
// item; a hairpin answers every selector.
bool MatchesKind(CBarItem* r, int kind) {
    if (r->IsCresc()) return true;
    if (kind >= 0) return r->TypeCode() == kind;
    if (kind == -1 && r->IsSlur()) return true;
    return r->IsLineItem();
}

std::int16_t Word(const CBarItem* r, int at) {
    return r->RecordSizeField() >= at + 2 ? rec::Get<std::int16_t>(r, std::size_t(at)) : std::int16_t(0);
}


int Signed3(int v) { return (v & 4) ? (v & 7) - 8 : (v & 7); }

// An item's start and end positions, end bar offset and end staff offset; a beam's from its
// first and last notes.
int StartPosition(CBarItem* r) { return r->IsBeam() ? Word(r, kBeamStart) : r->GetPosition(); }
int EndPosition(CBarItem* r) {
    if (r->IsBeam()) return Word(r, kBeamEnd);
    if (r->IsCresc()) return Word(r, CCresc::kEndPosition);
    return r->GetEndPosition();
}
int EndBars(CBarItem* r) {
    if (r->IsCresc()) return Word(r, CCresc::kEndBar);
    if (!r->IsBeam()) return r->GetBarSpan();
    return r->RecordSizeField() > kBeamBarSpan ? rec::Get<std::uint8_t>(r, kBeamBarSpan) : 0;
}
int EndStaffOffset(CBarItem* r) {
    if (r->IsBeam()) return Signed3(rec::Get<std::uint8_t>(r, kBeamOffsets) >> 3);
    if (r->IsTwoEnded()) return CTieType::Of(r)->EndStaffOffset();
    return 0;
}

// The note or rest of the item's voice at a position and staff offset of a bar that the item
// takes for one of its ends.
CBarItem* EndNote(CTrkBar* bar, CBarItem* item, int position, int offset, bool start) {
    CBarItem* found = nullptr;
    ForEachLive(bar, [&](CBarItem* r) {
        if (!r->IsNoteOrRest() || r->VoiceField() != item->VoiceField() || r->PositionField() != position) return true;
        if (finders::StaffOffsetOf(r) != offset) return true;
        const bool taken = (item->IsBeam() && (finders::NoteFlags(r) & finders::kBeamedBit)) || item->IsTuplet() ||
                           (start ? item->AcceptsStartNote(r, 0) : item->AcceptsEndNote(r, 0));
        if (taken) found = r;
        return !taken;
    });
    return found;
}

}  // namespace

CBarItem* CTrkBar::FindTieFrom(CBarItem* note, int head) {
    g_model.finderBar = this;
    return FindTwoEndedAtHead(note, head, CTieType::kTieType, kStartsAt, false);
}

CBarItem* CTrkBar::FindGlissFrom(CBarItem* note, int head) {
    g_model.finderBar = this;
    return FindTwoEndedAtHead(note, head, CTieType::kGlissType, kStartsAt, false);
}

CBarItem* CTrkBar::FindTieInto(CBarItem* note, int head, CTrkBar** foundBar) {
    g_model.finderBar = this;
    CBarItem* tie = FindTwoEndedAtHead(note, head, CTieType::kTieType, kEndsAt, false);
    if (!tie && GetBarIndex() > 0) {
        if (CTrkBar* previous = Neighbour(-1)) {
            g_model.finderBar = previous;
            tie = FindTwoEndedAtHead(note, head, CTieType::kTieType, kEndsAt, true);
            if (tie) g_model.finderBar = previous;
        }
    }
    if (foundBar) *foundBar = tie ? g_model.finderBar : nullptr;
    return tie;
}

CBarItem* CTrkBar::FindGlissInto(CBarItem* note, int head, CTrkBar** foundBar) {
    g_model.finderBar = this;
    CBarItem* gliss = nullptr;
    if (note->TimeField() != 0) {
        gliss = FindTwoEndedAtHead(note, head, CTieType::kGlissType, kEndsAt, false);
    } else if (GetBarIndex() > 0) {
        if (CTrkBar* previous = Neighbour(-1)) {
            g_model.finderBar = previous;
            gliss = FindTwoEndedAtHead(note, head, CTieType::kGlissType, kEndsAt, true);
            if (gliss) g_model.finderBar = previous;
        }
    }
    if (foundBar) *foundBar = gliss ? g_model.finderBar : nullptr;
    return gliss;
}

CBarItem* CTrkBar::FindTiedNote(CBarItem* note, int* head, CTrkBar** foundBar) {
    CBarItem* tie = FindTieFrom(note, *head);
    CBarItem* found = tie ? FindTieEndNote(tie, head, false) : nullptr;
    if (foundBar) *foundBar = found ? g_model.finderBar : nullptr;
    return found;
}

CBarItem* CTrkBar::FindTiedFromNote(CBarItem* note, int* head, CTrkBar** foundBar) {
    CTrkBar* owner = nullptr;
    CBarItem* tie = FindTieInto(note, *head, &owner);
    CBarItem* found = tie ? owner->FindTieEndNote(tie, head, true) : nullptr;
    if (foundBar) *foundBar = found ? g_model.finderBar : nullptr;
    return found;
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
        const bool shifted = r->IsNote() && r->RecordSizeField() > kShiftFlags &&
                             (rec::Get<std::uint8_t>(r, kShiftFlags) & kShiftedRightBit);
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

// --- beams, slurs, line items and tuplets on a note ------------------------------------------------

CBarItem* CTrkBar::FindBeamStartingAt(CBarItem* note) {
    g_model.finderBar = this;
    if (finders::NoteFlags(note) & finders::kContinuesBeamBit) return nullptr;
    CBarItem* found = nullptr;
    ForEachLive(this, [&](CBarItem* r) {
        if (!r->IsBeam() || r->VoiceField() != note->VoiceField() || r->TimeField() != note->TimeField() ||
            Word(r, kBeamStart) != note->PositionField())
            return true;
        found = r;
        return false;
    });
    return found;
}

CBarItem* CTrkBar::FindBeamEndingAt(CBarItem* note) {
    g_model.finderBar = this;
    if (finders::NoteFlags(note) & finders::kContinuesBeamBit) {
        CBarItem* beam = FindBeamOfNote(note);
        return beam && Word(beam, kBeamEnd) == note->PositionField() ? beam : nullptr;
    }
    CBarItem* found = nullptr;
    ForEachLive(this, [&](CBarItem* r) {
        if (!r->IsBeam() || r->VoiceField() != note->VoiceField() || Word(r, kBeamEnd) != note->PositionField()) return true;
        found = r;
        return false;
    });
    return found;
}

CBarItem* CTrkBar::FindLineEndingAt(CBarItem* note, int kind, CTrkBar** foundBar, const FinderSkip* skip) {
    const int voice = note->VoiceField();
    const int position = note->PositionField();
    const int here = GetBarIndex();
    CBarItem* found = nullptr;
    for (CTrkBar* bar = this; bar && !found; bar = bar->GetBarIndex() > 0 ? bar->Neighbour(-1) : nullptr) {
        g_model.finderBar = bar;
        const int index = bar->GetBarIndex();
        ForEachLive(bar, [&](CBarItem* r) {
            if (r->VoiceField() != voice || !MatchesKind(r, kind) || EndPosition(r) != position ||
                index + EndBars(r) != here)
                return true;
            found = r;
            return false;
        }, skip);
    }
    if (foundBar) *foundBar = found ? g_model.finderBar : nullptr;
    return found;
}

CBarItem* CTrkBar::FindLineStartingAt(CBarItem* note, int kind, const FinderSkip* skip) {
    g_model.finderBar = this;
    CBarItem* found = nullptr;
    ForEachLive(this, [&](CBarItem* r) {
        if (r->VoiceField() != note->VoiceField() || !MatchesKind(r, kind) || StartPosition(r) != note->PositionField())
            return true;
        found = r;
        return false;
    }, skip);
    return found;
}

CBarItem* CTrkBar::FindLineStartNote(CBarItem* item) {
    g_model.finderBar = this;
    return EndNote(this, item, StartPosition(item), item->GetStartStaffOffset(), true);
}

CBarItem* CTrkBar::FindLineEndNote(CBarItem* item, CTrkBar** foundBar) {
    CTrkBar* end = Neighbour(EndBars(item));
    g_model.finderBar = end;
    CBarItem* found = end ? EndNote(end, item, EndPosition(item), EndStaffOffset(item), false) : nullptr;
    if (foundBar) *foundBar = found ? end : nullptr;
    return found;
}

void CTrkBar::GetLineSpanTimes(CBarItem* item, int* start, int* end) {
    const int voice = item->VoiceField();
    const int position = StartPosition(item);
    const int endPosition = EndPosition(item);
    const int span = std::max(0, EndBars(item));
    const bool twoEnded = item->IsTwoEnded();
    *start = MulDiv(position, GetMeterLength(), 1024);
    *end = 0;
    int offset = 0;  // ticks from this bar's start to the walk's bar
    CTrkBar* bar = this;
    for (int k = 0; bar; ++k) {
        bool startEnds = false, done = false, endSet = false;
        ForEachLive(bar, [&](CBarItem* r) {
            if (!r->IsNoteOrRest() || r->VoiceField() != voice) return true;
            const int p = r->PositionField();
            if (k == 0 && p < position) {
                *start = int(NoteEndTime(*r));
            } else if (k == 0 && p == position) {
                *start = r->TimeField();
                if (twoEnded) {
                    *end = *start + int(NoteDuration(*r));
                    startEnds = true;
                    return false;
                }
            }
            if (k != span) return true;
            if (p < endPosition) {
                *end = offset + int(NoteEndTime(*r));
                endSet = true;
                return true;
            }
            if (p == endPosition) {
                *end = offset + r->TimeField();
                endSet = true;
            }
            done = true;
            return false;
        });
        if (startEnds || (done && endSet)) return;
        if (k == span) {
            // No note or rest of the end bar lies at or before the end: the end position's time.
            CBar* endBar = bar->GetBar();
            if (!endSet) *end = offset + (endBar ? endBar->FractionToTick(endPosition) : 0);
            return;
        }
        offset += bar->GetMeterLength();
        *end = offset;
        if (bar->IsLastBar()) return;
        bar = bar->Neighbour(1);
    }
}

CBarItem* CTrkBar::FindTupletOfNote(CBarItem* note, bool last, const FinderSkip* skip) {
    g_model.finderBar = this;
    const int voice = note->VoiceField();
    const int time = note->TimeField();
    CBarItem* found = nullptr;
    ForEachLive(this, [&](CBarItem* r) {
        if (r->TypeCode() != CTieType::kTupletType || r->VoiceField() != voice || r->TimeField() > time) return true;
        if (time > PositionToVoiceTime(voice, r->GetEndPosition())) return true;
        found = r;
        return last;
    }, skip);
    return found;
}

// --- octave lines -----------------------------------------------------------------------------------

CBarItem* CTrkBar::FindOttava(CBarItem* ottava) {
    if (ottava->RecordSizeField() < COttava::kVerticalOffset + 2) return nullptr;
    const std::int16_t offset = Word(ottava, COttava::kVerticalOffset);
    const std::uint8_t byte17 = rec::Get<std::uint8_t>(ottava, COttava::kIdentifier);
    CBarItem* found = nullptr;
    trkbar::ForEachRecord(reinterpret_cast<std::uint8_t*>(GetItems()), GetRunLength(), [&](CBarItem* r) {
        if (!r->IsOttava() || (r->IsRemoved() && r != ottava) || r->RecordSizeField() < COttava::kVerticalOffset + 2) return true;
        if (Word(r, COttava::kVerticalOffset) != offset || rec::Get<std::uint8_t>(r, COttava::kIdentifier) != byte17) return true;
        found = r;
        return false;
    });
    return found;
}

int CTrkBar::GetOttavaShiftAt(CBarItem* item) {
    CBarItem* ottava = nullptr;
    ForEachLive(this, [&](CBarItem* r) {
        if (!r->IsOttava() || r->VoiceField() != item->VoiceField() || r->RecordSizeField() < kOttavaReadSize) return true;
        ottava = r;
        return false;
    });
    if (!ottava) return 0;
    const std::uint8_t flags = rec::Get<std::uint8_t>(ottava, COttava::kFlags);
    const int position = item->PositionField();
    if ((flags & COttava::kStartPieceBit) && position < ottava->PositionField()) return 0;
    if ((flags & COttava::kEndPieceBit) && position > Word(ottava, COttava::kEndPosition)) return 0;
    return Word(ottava, COttava::kShift);
}

// --- the items attached to a note ---------------------------------------------------------------------

int CTrkBar::GetAttachedItems(CBarItem* note, CBarItem** out, int capacity, int kind) {
    const std::uint8_t flags = finders::NoteFlags(note);
    const bool ends = NoteHasLink(*note, kLineEndLink) || NoteHasLink(*note, kSlurEndLink);
    const bool starts = NoteHasLink(*note, kLineStartLink) || NoteHasLink(*note, kSlurStartLink);
    int count = 0;
    while (count < capacity) {
        const FinderSkip found{out, count};
        CBarItem* item = nullptr;
        switch (kind) {
        case 0: item = ends ? FindLineEndingAt(note, -1, nullptr, &found) : nullptr; break;
        case 1: item = starts ? FindLineStartingAt(note, -1, &found) : nullptr; break;
        case 4: item = (flags & finders::kTupletBit) ? FindTupletOfNote(note, false, &found) : nullptr; break;
        case 5: item = (flags & finders::kBeamedBit) ? FindBeamOfNote(note, &found) : nullptr; break;
        default: break;
        }
        if (!item) break;
        out[count++] = item;
    }
    return count;
}

namespace {

// Whether a slur ends (or starts) at the note.
bool HasSlurAt(CTrkBar* bar, CBarItem* note, bool end) {
    // The selector lets a hairpin through whatever it asks for: hairpins found are passed over
    // until a slur or nothing is found.
    std::vector<CBarItem*> passed;
    while (true) {
        const FinderSkip skip{passed.data(), int(passed.size())};
        CBarItem* found = end ? bar->FindLineEndingAt(note, CTieType::kSlurType, nullptr, &skip)
                                : bar->FindLineStartingAt(note, CTieType::kSlurType, &skip);
        if (!found) return false;
        if (found->TypeCode() == CTieType::kSlurType) return true;
        passed.push_back(found);
    }
}

}  // namespace

void CTrkBar::UpdateAttachedItems(CBarItem* note) {
    if (NoteHasLink(*note, kLineEndLink) && !FindLineEndingAt(note, -2)) NoteSetLink(*note, kLineEndLink, false);
    if (NoteHasLink(*note, kLineStartLink) && !FindLineStartingAt(note, -2)) NoteSetLink(*note, kLineStartLink, false);
    if (NoteHasLink(*note, kSlurEndLink) && !HasSlurAt(this, note, true)) NoteSetLink(*note, kSlurEndLink, false);
    if (NoteHasLink(*note, kSlurStartLink) && !HasSlurAt(this, note, false)) NoteSetLink(*note, kSlurStartLink, false);
    if (note->RecordSizeField() <= finders::kNoteFlags) return;
    std::uint8_t flags = finders::NoteFlags(note);
    if ((flags & finders::kTupletBit) && !FindTupletOfNote(note, false)) flags &= std::uint8_t(~finders::kTupletBit);
    if ((flags & finders::kBeamedBit) && !FindBeamOfNote(note)) flags &= std::uint8_t(~finders::kBeamedBit);
    rec::Put(note, finders::kNoteFlags, flags);
}
