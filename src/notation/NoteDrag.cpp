// The drag of a note: up and down its hit head's pitch steps with the staff, sounding each step,
// and the pointer is put back on the head; sideways the note moves in its bar and takes the time
// of the note or rest it lands on; with Ctrl a copy goes to the release point. The note is drawn
// only as the drag image meanwhile and gets its bytes back before the change is applied, so a
// drag released where it began leaves the record as it was.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "framework/Arith.h"
#include "model/Bar.h"
#include "model/ModelGlobals.h"
#include "model/Page.h"
#include "model/Preferences.h"
#include "model/Score.h"
#include "model/ScoreStandIns.h"
#include "model/SystemStaff.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/TrkBarEntryFields.h"
#include "model/TieType.h"
#include "model/TrkBarWalk.h"
#include "model/ZelDoc.h"
#include "notation/Beam.h"
#include "notation/Note.h"
#include "notation/NoteDrags.h"
#include "notation/RawNote.h"
#include "platform/Port.h"

namespace {
bool DragChord() { return g_preferences.Byte(Preferences::kDragChord) != 0; }

enum : int { kDynamicType = 20, kHairpinType = 19 };

void MarkForRelayout(CBarItem* r) { r->SetFlagsA(std::uint8_t(r->FlagsA() | CBarItem::kRelayoutBit)); }

// Moves whichever end of the item was anchored at the old position (its start first): its start
// when it lies in the note's bar, its end when the item reaches the note's bar from `bars`
// bars before.
void MoveAnchoredEnd(CBarItem* r, int from, int to, int bars) {
    if (bars == 0 && r->PositionField() == from)
        r->SetPositionField(std::int16_t(to));
    else if (r->GetBarSpan() == bars && r->GetEndPosition() == from)
        r->SetEndPosition(to);
}
}  // namespace

void CDragNote::BeginItemDrag() {
    note = item && static_cast<CBarItem*>(item)->IsNoteOrRawNote() ? static_cast<CRawNote*>(item) : nullptr;
    if (!note || !score || !document) {
        note = nullptr;
        CDragTask::BeginItemDrag();
        return;
    }
    AddItemRect(note);
    barIndex = document->location.barIndex;
    trkBar = score->GetTrkBar(document->location.trackIndex, barIndex);
    hitHead = std::clamp<int>(g_model.hitPart, 0, std::max(0, note->HeadCountField() - 1));
    std::uint8_t* head = entry::HeadAt(note, hitHead);
    savedHeadBit = head[0] & 1;
    head[0] &= std::uint8_t(~1);
    backup.assign(note->Bytes(), note->Bytes() + note->RecordSizeField());
    if (barIndex > 0) SaveTrackBar(document->location.trackIndex, barIndex - 1);
    // The items on the note change in every bar they reach (a tie's far note loses its end, a
    // slur from an earlier bar moves its end): those bars are kept, and the later ones are
    // counted for the accidentals after a pitch or time change.
    laterBar = barIndex;
    if (note->TypeCode() == CNote::kType && trkBar) {
        AttachedItemList list;
        note->CollectAttached(trkBar, &list, CRawNote::kAllHeads);
        for (int i = 0; i < list.count; ++i) {
            CTrkBar* own = list.bars[i] ? list.bars[i] : trkBar;
            const int from = own->GetBarIndex(), to = from + std::max(0, list.items[i]->GetBarSpan());
            for (int b = from; b <= to; ++b)
                if (b != barIndex) SaveTrackBar(own->GetTrackIndex(), b);
            laterBar = std::max(laterBar, to);
        }
        laterBar = std::min(laterBar, score->GetBarCount() - 1);
        trkBar->SetCurrent();
    }

    staffTrack = std::clamp(document->location.trackIndex + note->Head(hitHead)->CrossStaffOffset(), 0,
                            std::max(0, score->GetTrackCount() - 1));
    if (CTrkBar* stb = score->GetTrkBar(staffTrack, barIndex))
        if (CStaff* staff = stb->GetStaff()) g_model.currentStaff = staff;

    firstBar = lastBar = barIndex;
    beam = nullptr;
    beamStart = beamEnd = note->TimeField();
    FindBeamRange();

    note->SetFlagsB(std::uint8_t(note->FlagsB() | CBarItem::kRemovedBit));
    if (trkBar) trkBar->SetCurrent();
    StartItemSound(note, DragChord() ? -1 : hitHead);

    if (g_viewDrag.performanceEdit) {
        RECT r{};
        note->GetPartBounds(&r, hitHead);
        const NoteHead* h = note->Head(hitHead);
        g_model.dragStart.time = note->TimeField() + h->StartOffset();
        grabbedEnd = start.x >= r.left && start.x < r.right && start.y >= r.top && start.y < r.bottom &&
                     start.x > (r.left + r.right) / 2;
        if (grabbedEnd) {
            g_viewDrag.locateByAnchor = 0;
            g_model.dragStart.time = note->TimeField() + h->StartOffset() + h->Duration();
        }
    }
    CMidiDataBox::ShowEvent(g_model.dragStart, 0, 1);
}

// The beam over the note (its record may lie in an earlier bar), the bars it spans and the
// times it covers: those of its first and last note or rest, counted from the start of the
// note's own bar (negative in an earlier bar, past the bar's length in a later one). Every bar
// the beam spans is kept: its layout sets the stems there.
void CDragNote::FindBeamRange() {
    if (!note->IsBeamed() || !trkBar) return;
    beam = trkBar->FindBeamOfNote(note);
    if (!beam) return;
    CTrkBar* own = g_model.finderBar ? g_model.finderBar : trkBar;
    const int track = document->location.trackIndex;
    firstBar = own->GetBarIndex();
    lastBar = std::min(firstBar + std::max(0, beam->GetBarSpan()), score->GetBarCount() - 1);
    auto* b = static_cast<CBeam*>(beam);
    bool any = false;
    for (int k = firstBar; k <= lastBar; ++k) {
        if (k != barIndex) SaveTrackBar(track, k);
        CTrkBar* tb = score->GetTrkBar(track, k);
        if (!tb) continue;
        // The ticks from the note's bar's start to this bar's.
        int shift = 0;
        for (int j = k; j < barIndex; ++j) shift -= score->GetBar(j) ? score->GetBar(j)->GetLength() : 0;
        for (int j = barIndex; j < k; ++j) shift += score->GetBar(j) ? score->GetBar(j)->GetLength() : 0;
        trkbar::ForEachLiveItem(tb, [&](CBarItem* r) {
            if (!b->Covers(r, k - firstBar)) return;
            const int t = r->TimeField() + shift;
            beamStart = any ? std::min(beamStart, t) : t;
            beamEnd = any ? std::max(beamEnd, t) : t;
            any = true;
        });
    }
    if (!any) beamStart = beamEnd = note->TimeField();
    trkBar->SetCurrent();
}

// After a sideways move of a note under a beam that runs over a bar line: a note that kept its
// time stays under it, the beam reaching out to the note's new place in its first or last bar;
// one that left the beam's times, or changed places with a note of the beam (the beam names its
// notes by their places), leaves it. A beam left with no note in its own bar goes, its notes in
// the later bars with it (its record cannot name notes of later bars only).
void CDragNote::KeepSpanningBeam(CBarItem* own, CTrkBar* ownBar, int position, int time, bool timeChanged) {
    auto* b = static_cast<CBeam*>(own);
    MarkForRelayout(own);
    if (timeChanged || time < beamStart || time > beamEnd) {
        note->SetBeamed(false);
        note->SetFlagBit(CRawHead::kContinuesBeamBit, false);
    } else {
        if (barIndex == firstBar && position < b->StartPositionField()) {
            b->Segment(0).SetStartPosition(std::int16_t(position));
            b->SetPosition(position);
        }
        if (barIndex == firstBar + b->BarSpanField() && position > b->EndPositionField())
            b->Segment(0).SetEndPosition(std::int16_t(position));
        return;
    }
    bool kept = false;
    trkbar::ForEachLiveItem(ownBar, [&](CBarItem* r) { kept = kept || b->Covers(r, 0); });
    if (kept) return;
    // The beam's removal frees the notes it covers; those of later bars no longer continue it.
    const int track = document->location.trackIndex;
    for (int k = 1; k <= b->BarSpanField(); ++k)
        if (CTrkBar* tb = score->GetTrkBar(track, firstBar + k))
            trkbar::ForEachLiveItem(tb, [&](CBarItem* r) {
                if (b->Covers(r, k)) static_cast<CRawHead*>(r)->SetFlagBit(CRawHead::kContinuesBeamBit, false);
            });
    ownBar->SetCurrent();
    own->MarkRemoved();
    trkBar->SetCurrent();
}

void CDragNote::Warp(int x, int y) {
    CPage* page = score ? score->GetPage(g_model.dragStart.pageIndex) : nullptr;
    if (!page) return;
    const RECT paper = page->GetPaperRect();
    SetPortMousePos(int(x - paper.left), int(y - paper.top));
}

void CDragNote::MoveVertically() {
    // A slash note's pitch is locked: its head stands at the staff's slash position whatever
    // the pitch, so a step of the pointer has nothing to show.
    if (dy == 0 || note->IsSlash()) return;
    CTrkBar* stb = score->GetTrkBar(staffTrack, barIndex);
    CStaff* staff = stb ? stb->GetStaff() : nullptr;
    if (!staff) return;
    const int target = std::clamp(staff->YToPosition(current.y), -127, 127);
    const CTrack* track = score->GetTrack(staffTrack);
    const bool percussion = track && track->IsPercussionStaff();
    const bool up = dy < 0;
    if (note->HasFretNumbers() && !percussion) {
        MoveFret(staff, target, up);
        return;
    }
    // One staff step at a time, so that each pitch on the way sounds.
    for (int guard = 0; guard < 256; ++guard) {
        const std::uint8_t* h = entry::HeadAt(note, hitHead);
        const int pos = entry::HeadPos(h);
        const int pitch = h[entry::kHeadPitch];
        if (!percussion) {
            if (up && (pos >= target || pitch >= 127)) break;
            if (!up && (pos <= target || pitch <= 0)) break;
            targetStaffPos = pos + (up ? 1 : -1);
        } else {
            targetStaffPos = target;
        }
        SoundChord(note, hitHead, true);
        h = entry::HeadAt(note, hitHead);
        if (percussion || (entry::HeadPos(h) == pos && h[entry::kHeadPitch] == pitch)) break;
    }
    targetStaffPos = target;
    Warp(current.x, staff->PositionToY(entry::HeadPos(entry::HeadAt(note, hitHead))));
}

// A fret-number note keeps its head on its string: the fret (and the pitch it plays) steps a
// semitone for each staff position the pointer moves while it lies two positions or more beyond
// the string, each step sounding. The pointer is left where it is: the head did not move.
void CDragNote::MoveFret(const CStaff* staff, int target, bool up) {
    const int steps = std::abs(staff->YToPosition(current.y) - staff->YToPosition(previous.y));
    const bool chord = DragChord();
    for (int i = 0; i < steps; ++i) {
        const int pos = entry::HeadPos(entry::HeadAt(note, hitHead));
        if ((up ? target - pos : pos - target) < 2) break;
        StopItemSound(note, chord ? -1 : hitHead);
        const bool stepped = note->StepFret(hitHead, up ? 1 : -1);
        StartItemSound(note, chord ? -1 : hitHead);
        if (!stepped) break;
    }
}

// The head's start or length moves by the ticks the pointer crossed on the bar's linear time
// axis (its positions are laid out by the notes, so they would give no time between two).
void CDragNote::MovePerformance() {
    NoteHead* h = note->Head(hitHead);
    CBar* bar = score->GetBar(barIndex);
    if (!bar || current.x == previous.x || bar->GetWidth() <= 0) return;
    const auto tickAt = [&](int x) { return MulDiv(bar->LinearXToFraction(x), bar->GetLength(), 1024); };
    const int ticks = tickAt(current.x) - tickAt(previous.x);
    if (ticks == 0) return;
    const bool shift = g_viewDrag.modifierFlagA;
    if (grabbedEnd) {
        if (shift)
            h->SetStartOffset(std::int16_t(std::clamp(h->StartOffset() + ticks, -32768, 32767)));
        else
            h->SetDuration(std::uint16_t(std::clamp(h->Duration() + ticks, 0, 0xFFFF)));
        g_model.dragStart.time = note->TimeField() + h->StartOffset() + h->Duration();
    } else {
        h->SetStartOffset(std::int16_t(std::clamp(h->StartOffset() + ticks, -32768, 32767)));
        if (shift) h->SetDuration(std::uint16_t(std::clamp(h->Duration() - ticks, 0, 0xFFFF)));
        g_model.dragStart.time = note->TimeField() + h->StartOffset();
    }
    // The changed head is kept for the release.
    std::memcpy(backup.data() + entry::kHeads + entry::kHeadSize * hitHead, h, entry::kHeadSize);
}

void CDragNote::MoveItemDrag() {
    if (!note) {
        CDragTask::MoveItemDrag();
        return;
    }
    if (!horizontal) {
        MoveVertically();
        return;
    }
    if (g_viewDrag.performanceEdit) {
        MovePerformance();
        return;
    }
    int position = note->PositionField() + positionStep;
    // A grace note's place is fixed before its main note, where a bar's first notes put it
    // further left than -64: only other notes are held within the bar.
    if (!copyDrag && !note->IsGrace()) position = std::clamp(position, -64, 1024);
    note->SetPositionField(std::int16_t(position));
}

void CDragNote::DrawDragImage() {
    if (!note) {
        CDragTask::DrawDragImage();
        return;
    }
    note->VerifyTrack();
    note->Draw();
    CMidiDataBox::ShowEvent(g_model.dragStart, 0, 1);
}

int CDragNote::FindTargetTime(int position) {
    if (!trkBar || !trkBar->GetItems()) return note ? note->TimeField() : 0;
    const int voice = note->VoiceField();
    CBarItem* previous = nullptr;
    int found = note->TimeField();
    bool done = false;
    trkbar::ForEachRecord(reinterpret_cast<std::uint8_t*>(trkBar->GetItems()), trkBar->GetRunLength(),
                          [&](CBarItem* r) {
                              if (!r->IsNoteOrRest() || r->IsRemoved() || r->VoiceField() != voice) return true;
                              if (r->PositionField() > position) {
                                  found = (r == note || previous == note) ? note->TimeField() : r->TimeField();
                                  done = true;
                                  return false;
                              }
                              previous = r;
                              return true;
                          });
    if (!done && previous) found = previous == note ? note->TimeField() : previous->TimeField();
    return found;
}

void CDragNote::ApplyVertical(int head, const std::uint8_t* dragged) {
    NoteHead* h = note->Head(head);
    const int step = std::int8_t(dragged[entry::kHeadPos]) - h->Position();
    // The ties of the head go: the pitch they held together changed.
    if (auto* n = note->TypeCode() == CNote::kType ? static_cast<CNote*>(static_cast<CBarItem*>(note)) : nullptr) {
        n->RemoveTieFrom(head);
        n->RemoveTieInto(head);
    }
    h = note->Head(head);
    // On a percussion staff the head takes the drum map's glyph for its new key.
    int shape = dragged[entry::kHeadShape] >> NoteHead::kShapeShift;
    if (CTrack* track = score ? score->GetTrack(staffTrack) : nullptr; track && track->IsPercussionStaff()) {
        const int drum = track->FindDrumByKey(dragged[entry::kHeadPitch], note->VoiceField());
        if (drum >= 0) shape = track->GetDrumHead(drum);
    }
    h->SetShape(shape);
    h->SetPitch(dragged[entry::kHeadPitch]);
    h->SetByte(NoteHead::kAccByte, std::uint8_t((h->Byte(NoteHead::kAccByte) & 0x17) | (dragged[entry::kHeadAcc] & 0xE0)));
    const bool wasUp = note->IsStemUp();
    note->MoveHead(head, step, -1);
    note->UpdateStem(3, true);
    if (note->IsStemUp() != wasUp) {
        SetLayoutChanged();
        FlipSlurs();
    }
}

// The stem turned: the note's slurs go to the side of its heads and lose their ends' vertical
// offsets, to be shaped afresh; its bends and barres are laid out again.
void CDragNote::FlipSlurs() {
    if (note->TypeCode() != CNote::kType || !trkBar) return;
    AttachedItemList list;
    note->CollectAttached(trkBar, &list, CRawNote::kAllHeads);
    const bool above = !note->IsStemUp();
    for (int i = 0; i < list.count; ++i) {
        CBarItem* r = list.items[i];
        if (list.bars[i]) list.bars[i]->SetCurrent();
        if (r->TypeCode() == CTieType::kSlurType) {
            auto* slur = static_cast<CSlur*>(CTieType::Of(r));
            r->Invalidate();
            if (slur->AboveBit() != above) {
                slur->SetAboveBit(above);
                slur->SetStartDy(0);
                slur->SetEndDy(0);
            }
            MarkForRelayout(r);
        } else if (r->TypeCode() == CTieType::kBendType || r->TypeCode() == CTieType::kBarreType) {
            MarkForRelayout(r);
        }
    }
    trkBar->SetCurrent();
}

// Sideways: the note's dynamics and lyrics take its new place; its slurs and line items, when it
// kept its time, move the end that was anchored on it (and take its voice), else they go; its
// hairpins move the anchored end.
void CDragNote::FollowHorizontally(int from, int to, bool timeChanged) {
    if (note->TypeCode() != CNote::kType || !trkBar) return;
    AttachedItemList list;
    note->CollectAttached(trkBar, &list, CRawNote::kAllHeads);
    bool removed = false;
    for (int i = 0; i < list.count; ++i) {
        CBarItem* r = list.items[i];
        CTrkBar* own = list.bars[i] ? list.bars[i] : trkBar;
        const int bars = std::max(0, barIndex - own->GetBarIndex());
        own->SetCurrent();
        r->Invalidate();
        const int type = r->TypeCode();
        if (type == kDynamicType) {
            if (r->PositionField() == from) r->SetPositionField(std::int16_t(to));
        } else if (type == kHairpinType) {
            MoveAnchoredEnd(r, from, to, bars);
        } else if (CTieType::IsTwoEndedCode(type) && type != CTieType::kTieType && type != CTieType::kGlissType &&
                   type != CTieType::kTupletType) {
            // Ties and glissandi follow the note's own move (or went with its time).
            if (timeChanged) {
                r->MarkRemoved();
                removed = true;
                continue;
            }
            MarkForRelayout(r);
            MoveAnchoredEnd(r, from, to, bars);
            if (own == trkBar) r->SetVoice(note->VoiceField());
        }
    }
    trkBar->SetCurrent();
    if (removed) trkBar->UpdateAttachedItems(note);
}

void CDragNote::ApplyCopy(int head, const std::uint8_t* dragged, int position) {
    if (!trkBar) return;
    if (!horizontal) {
        // The dragged head joins the note as one more head; the head it came from stays. No
        // room: no copy.
        if (std::int8_t(dragged[entry::kHeadPos]) == note->Head(head)->Position()) return;
        std::uint8_t bytes[entry::kHeadSize];
        std::memcpy(bytes, dragged, sizeof bytes);
        bytes[entry::kHeadLinks] &= std::uint8_t(~(NoteHead::kTieEnd | NoteHead::kTieStart | NoteHead::kGlissEnd |
                                                   NoteHead::kGlissStart));
        bytes[0] &= std::uint8_t(~NoteHead::kSelected);
        CBarItem* grown = trkBar->ResizeNote(note, bytes, 1);
        if (!grown) return;
        grown->LayoutChord();
        trkBar->RecalcAccidentals();
        trkBar->Rebeam(grown->VoiceField(), 0);
        trkBar->Recalc(1);
        return;
    }
    const int size = int(backup.size());
    // The copy's time is found before the room is made: making it may move the run, and the
    // source note with it.
    const int targetTime = FindTargetTime(position);
    CBarItem* room = trkBar->InsertSpace(note->TimeField(), size);
    note = nullptr;
    if (!room) return;
    std::memcpy(room->Bytes(), backup.data(), size);
    room->SetFlagsB(std::uint8_t(room->FlagsB() & ~(CBarItem::kRemovedBit | CBarItem::kSelectedBit)));
    room->SetPositionField(std::int16_t(std::clamp(position, -64, 1024)));
    // A copy carries no ties: they belong to the source.
    for (int i = 0; i < entry::HeadCount(room); ++i)
        entry::HeadAt(room, i)[entry::kHeadLinks] &= std::uint8_t(~(NoteHead::kTieEnd | NoteHead::kTieStart));
    room->SetTimeField(std::int16_t(targetTime));
    trkBar->RecalcTimes(nullptr, nullptr);
    trkBar->RecalcAccidentals();
    if (g_preferences.Byte(Preferences::kSpace)) trkBar->RecalcPositions(-1);
    trkBar->Recalc(1);
}

void CDragNote::EndItemDrag() {
    if (!note) {
        CDragTask::EndItemDrag();
        return;
    }
    StopItemSound(note, DragChord() ? -1 : hitHead);
    entry::HeadAt(note, hitHead)[0] |= savedHeadBit;
    note->SetFlagsB(std::uint8_t(note->FlagsB() & ~CBarItem::kRemovedBit));
    if (trkBar) trkBar->SetCurrent();
    if (!moved || backup.empty() || (!horizontal && note->IsSlash())) {
        // A slash note dragged up or down kept its pitch: nothing changed to undo.
        if (moved && !horizontal) undoable = 0;
        backup.clear();
        return;
    }
    std::uint8_t dragged[entry::kHeadSize];
    std::memcpy(dragged, entry::HeadAt(note, hitHead), entry::kHeadSize);
    dragged[0] = std::uint8_t((dragged[0] & ~1) | savedHeadBit);
    const int newPosition = note->PositionField();
    std::memcpy(note->Bytes(), backup.data(), backup.size());
    note->SetFlagsB(std::uint8_t(note->FlagsB() & ~CBarItem::kRemovedBit));
    const int oldPosition = note->PositionField();

    if (g_viewDrag.performanceEdit) {
        if (CPage* page = score->GetPage(document->location.pageIndex); page && trkBar) {
            RECT r{};
            trkBar->GetBounds(&r);
            AddDirtyRect(r, page->GetIndex());
        }
        backup.clear();
        return;
    }
    if (copyDrag) {
        if (!horizontal || newPosition != oldPosition) ApplyCopy(hitHead, dragged, newPosition);
        item = nullptr;
        backup.clear();
        return;
    }
    bool timeChanged = false;
    int time = note->TimeField();
    if (!horizontal) {
        ApplyVertical(hitHead, dragged);
    } else {
        if (newPosition == oldPosition) {
            backup.clear();
            return;
        }
        time = FindTargetTime(newPosition);
        timeChanged = time != note->TimeField();
        if (timeChanged) {
            // Across another note: the ties no longer join the same sounds.
            if (auto* n = note->TypeCode() == CNote::kType ? static_cast<CNote*>(static_cast<CBarItem*>(note)) : nullptr) {
                for (int i = 0; i < n->HeadCountField(); ++i) {
                    n->RemoveTieFrom(i);
                    n->RemoveTieInto(i);
                }
            }
        }
    }
    if (horizontal) FollowHorizontally(oldPosition, newPosition, timeChanged);
    bool spans = false;   // the note's beam runs over a bar line
    if (horizontal) {
        // The beam over the note, looked up where the note still stands.
        CBarItem* own = note->IsBeamed() && trkBar ? trkBar->FindBeamOfNote(note) : nullptr;
        CTrkBar* ownBar = own && g_model.finderBar ? g_model.finderBar : trkBar;
        spans = own && (own->GetBarSpan() > 0 || ownBar != trkBar);
        if (trkBar) trkBar->SetCurrent();
        note->MoveToPosition(newPosition);
        note->SetPositionField(std::int16_t(newPosition));
        note->SetTimeField(std::int16_t(time));
        if (spans) {
            KeepSpanningBeam(own, ownBar, newPosition, time, timeChanged);
        } else {
            // The beam is laid out afresh. A note that left the times it covers leaves it; so
            // does one that changed places with a note of its own beam, since the beam names
            // its notes by their places: the voice is beamed again below.
            if (own) MarkForRelayout(own);
            if (note->IsBeamed() && (timeChanged || time < beamStart || time > beamEnd)) note->SetBeamed(false);
        }
    }
    note->PlaceTies(document->location.trackIndex);
    if (trkBar) {
        const bool respelled = !horizontal || timeChanged;
        trkBar->SetCurrent();
        trkBar->RecalcTimes(nullptr, nullptr);
        if (respelled) trkBar->RecalcAccidentals();
        // The voice is beamed again within its bar only: a beam over a bar line is not the
        // meter's and stays, laid out again in its own bar.
        if (horizontal && timeChanged && !spans && !note->IsBeamed() && note->NoteValue() >= 4)
            trkBar->Rebeam(note->VoiceField(), 0);
        trkBar->Recalc(1);
        // The other bars the change reaches: those of the beam, and the later ones of the
        // note's ties and lines, whose accidentals count from their first notes again (a tie
        // that went no longer carries its note's accidental over the bar line).
        const int track = document->location.trackIndex;
        const int to = std::max(lastBar, respelled ? laterBar : barIndex);
        for (int b = std::min(firstBar, barIndex); b <= to; ++b) {
            CTrkBar* tb = b == barIndex ? nullptr : score->GetTrkBar(track, b);
            if (!tb) continue;
            tb->SetCurrent();
            if (respelled && b > barIndex) tb->RecalcAccidentals();
            tb->Recalc(1);
            tb->Invalidate();
        }
        trkBar->SetCurrent();
    }
    if (CBar* bar = score->GetBar(barIndex)) bar->Invalidate();
    backup.clear();
}
