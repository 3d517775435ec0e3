// Spelling, stems and marks' sides, drum pitches and rests that fill a bar.
#include "edit/NoteChangeTasks.h"
#include "edit/Transcriber.h"

#include <memory>
#include <vector>

#include "model/NoteMark.h"
#include "model/NoteSize.h"
#include "model/Preferences.h"
#include "model/ItemFactory.h"
#include "model/Bar.h"
#include "model/Score.h"
#include "model/SystemStaff.h"
#include "model/TieType.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "notation/Beam.h"
#include "notation/Note.h"
#include "notation/RawNote.h"
#include "notation/Rest.h"
#include "platform/DrawGlobals.h"
#include "platform/Handles.h"
#include "model/TaskMakers.h"

namespace {

constexpr int kSharp = 1, kFlat = 2;
constexpr int kGraceValue = 4;         // a grace note is an eighth
constexpr int kGraceScaleWord = 35;    // the engraving settings' grace scale (percent)
constexpr int kGraceShift = 6;         // drawing units a grace note stands left of its kept note

void FlagBeamOf(CTrkBar* trkBar, CBarItem* note) {
    if (!static_cast<CRawHead*>(note)->IsBeamed()) return;
    if (CBarItem* beam = trkBar->FindBeamOfNote(note)) beam->SetFlagsA(std::uint8_t(beam->FlagsA() | CBarItem::kRelayoutBit));
}

}  // namespace

// --- spelling ------------------------------------------------------------------------------------

void CEnharmonicTask::DoTrackBar() {
    VoiceStats stats;
    oneVoice = trkBar->GetVoiceStats(&stats, true) < 2;
    changed = 0;
    CCruise::DoTrackBar();
    if (!changed) return;
    trkBar->SetCurrent();
    trkBar->Recalc(0);
    trkBar->RecalcAccidentals();
    trkBar->Invalidate();
    changed = 0;
}

void CEnharmonicTask::DoItem() {
    if (!curItem->IsNoteOrRawNote()) return;
    auto* note = static_cast<CRawNote*>(curItem);
    // Tablature heads keep their fret spelling.
    if (note->HasFretNumbers()) return;
    const int n = note->HeadCountField();
    std::vector<bool> selected(std::size_t(n), false);
    for (int i = 0; i < n; ++i) {
        NoteHead* h = note->Head(i);
        selected[std::size_t(i)] = h->IsSelected();
        if (argument == kSharpsToFlats && h->Accidental() != kSharp) h->SetBits(NoteHead::kShapeByte, NoteHead::kSelected, false);
        if (argument == kFlatsToSharps && h->Accidental() != kFlat) h->SetBits(NoteHead::kShapeByte, NoteHead::kSelected, false);
    }
    note->RespellSelected();
    AddItemRect(note);
    for (int i = 0; i < n; ++i) note->Head(i)->SetBits(NoteHead::kShapeByte, NoteHead::kSelected, selected[std::size_t(i)]);
    note->LayoutChord();
    if (oneVoice && note->IsNote()) note->UpdateStem(3, true);
    FlagBeamOf(trkBar, note);
    changed = 1;
}

// --- stems and marks' sides ----------------------------------------------------------------------

void CFlipTask::DoItem() {
    CBarItem* item = curItem;
    if (!item->IsNote()) {
        if (argument == kFlip && !item->IsTie() && !item->IsBeam()) {
            item->Flip(0);
            AddItemRect(item);
        }
        return;
    }
    auto* note = static_cast<CRawNote*>(item);
    if (argument == kMarks) {
        const int marks = note->WholeMarks(false);
        for (int i = 0; i < marks; ++i) {
            NoteMark* m = note->GetMark(i);
            m->SetFlags(std::uint8_t(m->Flags() ^ NoteMark::kPlacedAbove));
        }
        if (marks) AddItemRect(note);
        return;
    }
    // The walk's deselect clears the item's scratch bit: the note is remembered by its place.
    marked.push_back({note->VoiceField(), note->TimeField(), note->PositionField()});
    changed = 1;
}

namespace {
// The staff position of the stem's end: past the outer head on the stem's side (the length
// is counted in half staff steps).
int StemEnd(CRawNote* note) {
    const int length = (note->GetStemLength() + 1) / 2;
    return note->IsStemUp() ? note->GetTopHeadPos() + length : note->GetBottomHeadPos() - length;
}
}  // namespace

void CFlipTask::DoTrackBar() {
    changed = 0;
    marked.clear();
    CCruise::DoTrackBar();
    if (!changed) return;
    trkBar->SetCurrent();
    for (CBarItem* item = trkBar->GetItems(); item && item->TypeCode() != 255; item = item->NextItem()) {
        if (item->IsRemoved() || !item->IsNote()) continue;
        bool wanted = false;
        for (const Place& p : marked)
            wanted = wanted || (p.voice == item->VoiceField() && p.time == item->TimeField() && p.position == item->PositionField());
        if (!wanted) continue;
        auto* note = static_cast<CRawNote*>(item);
        const bool up = argument == kStemsUp ? true : argument == kStemsDown ? false : !note->IsStemUp();
        if (up == note->IsStemUp()) continue;
        AddItemRect(note);
        const int oldEnd = StemEnd(note);
        note->UpdateStem(up ? 1 : 2, true);
        note->LayoutChord();
        // A beam that starts or ends at the note moves that end by the change of the stem's end,
        // so that its layout, which turns the stems to the beam's side, keeps the new direction.
        if (note->IsBeamed())
            if (CBarItem* beam = trkBar->FindBeamOfNote(note); beam && beam->RecordSizeField() >= CBeam::kSize) {
                auto* b = static_cast<CBeam*>(beam);
                const int delta = StemEnd(note) - oldEnd;
                for (const auto& [column, field] : {std::pair<int, int>{b->StartPositionField(), CBeam::kStartStaffPos},
                                                     std::pair<int, int>{b->EndPositionField(), CBeam::kEndStaffPos}})
                    if (column == note->PositionField())
                        rec::Put(b, std::size_t(field), std::int8_t(rec::Get<std::int8_t>(b, std::size_t(field)) + delta));
                b->SetBeamFlags(std::uint8_t(b->BeamFlags() & ~CBeam::kRelayoutStems));
                b->SetFlagsA(std::uint8_t(b->FlagsA() | CBarItem::kRelayoutBit));
                AddItemRect(b);
            }
        AddItemRect(note);
    }
    // The beams keep the stems as turned (mode 0: only their ends follow the notes).
    trkBar->Recalc(0);
    for (CBarItem* item = trkBar->GetItems(); item && item->TypeCode() != 255; item = item->NextItem())
        if (!item->IsRemoved() && item->IsNote() && static_cast<CRawNote*>(item)->HasTie(true, -1))
            static_cast<CRawNote*>(item)->PlaceTies(curTrack);
    trkBar->Invalidate();
    changed = 0;
}

// --- drum pitch ----------------------------------------------------------------------------------

void CChangeDrumPitchTask::DoItem() {
    if (!curItem->IsNoteOrRawNote() || argument < 0 || argument > 127) return;
    auto* note = static_cast<CRawNote*>(curItem);
    for (int i = 0; i < note->HeadCountField(); ++i)
        if (note->Head(i)->IsSelected()) note->Head(i)->SetPitch(argument);
    AddItemRect(note);
    changed = 1;
}

// --- rests filling the bar -----------------------------------------------------------------------

bool CFillRestTask::Perform() {
    if (!document || !score) return true;
    const int t = document->location.trackIndex, b = document->location.barIndex;
    CTrkBar* tb = score->GetTrkBar(t, b);
    if (!tb || !SaveTrackBar(t, b)) return true;
    tb->SetCurrent();
    for (int v = 0; v < 8; ++v) {
        if (!score->IsVoiceShown(v)) continue;
        bool hasNote = false;
        for (CBarItem* item = tb->GetItems(); item && item->TypeCode() != 255 && !hasNote; item = item->NextItem())
            hasNote = !item->IsRemoved() && item->IsNote() && item->VoiceField() == v;
        if (hasNote) tb->FillGaps(v, false, false, true);
    }
    tb->Invalidate();
    return true;
}

// --- note values ---------------------------------------------------------------------------------

void CDurationTask::NoteToRest() {
    auto* note = static_cast<CNote*>(curItem);
    // What hangs on the note: a tie, glissando or bend goes, a tuplet or beam lays itself out
    // again; each other bar is saved first.
    auto attached = std::make_unique<AttachedItemList>();
    note->CollectAttached(trkBar, attached.get(), CRawNote::kAllHeads);
    for (int k = 0; k < attached->count; ++k) {
        CBarItem* a = attached->items[k];
        CTrkBar* owner = attached->bars[k] ? attached->bars[k] : trkBar;
        if (!a) continue;
        if (owner != trkBar && !SaveTrackBar(owner->GetTrackIndex(), owner->GetBarIndex())) ThrowOutOfMemory();
    }
    note = static_cast<CNote*>(curItem);
    for (int i = 0; i < note->HeadCountField(); ++i) {
        trkBar->SetCurrent();
        note->RemoveTieFrom(i);
        trkBar->SetCurrent();
        note->RemoveTieInto(i);
    }
    attached = std::make_unique<AttachedItemList>();
    trkBar->SetCurrent();
    note->CollectAttached(trkBar, attached.get(), CRawNote::kAllHeads);
    for (int k = 0; k < attached->count; ++k) {
        CBarItem* a = attached->items[k];
        if (!a || a->IsRemoved()) continue;
        a->Invalidate();
        if (a->IsTuplet() || a->IsBeam())
            a->SetFlagsA(std::uint8_t(a->FlagsA() | CBarItem::kRelayoutBit));
        else if (a->IsTie() || a->IsGlissando() || a->IsBend())
            a->MarkRemoved();
    }
    trkBar->SetCurrent();
    std::uint8_t bytes[CRest::kSize] = {};
    rec::Put<std::int16_t>(bytes, rec::kSize, std::int16_t(CRest::kSize));
    auto* rest = static_cast<CRest*>(ConstructItem(CRest::kType, bytes));
    rest->InitNew(note->VoiceField(), note->TimeField(), note->PositionField());
    rest->SetNoteValue(note->NoteValue());
    rest->SetDotCount(note->DotCount());
    rest->SetTupletCount(note->TupletCount());
    rest->SetTupletSpace(note->TupletSpace());
    rest->SetFlagBit(CRawHead::kTupletBit, note->IsTupletMember());
    rest->SetStartStaffOffset(note->HeadCountField() > 0 ? note->Head(0)->CrossStaffOffset() : 0);
    const int voice = note->VoiceField(), time = note->TimeField(), position = note->PositionField();
    CBarItem* placed = trkBar->InsertCopy(rest);
    if (!placed) ThrowOutOfMemory();
    // The note, moved by the insertion, goes.
    for (CBarItem* item = trkBar->GetItems(); item && item->TypeCode() != 255; item = item->NextItem())
        if (!item->IsRemoved() && item->IsNote() && item->VoiceField() == voice && item->TimeField() == time &&
            item->PositionField() == position && item->IsSelectedBit()) {
            item->Invalidate();
            item->MarkRemoved();
            break;
        }
    curItem = placed;
    AddItemRect(placed);
    changed = 1;
}

void CDurationTask::DoItem() {
    if (argument == kToRest) {
        if (curItem->IsNote()) NoteToRest();
        return;
    }
    if (!curItem->IsNoteOrRest() || argument > 8) return;
    auto* item = static_cast<CRawHead*>(curItem);
    const bool toTuplet = argument == kToTuplet;
    if (item->IsRest()) {
        if (toTuplet) {
            item->SetTupletCount(3);
            item->SetTupletSpace(2);
        } else {
            item->SetNoteValue(argument);
            item->SetTupletCount(0);
            item->SetTupletSpace(0);
            item->SetDotCount(0);
        }
        AddItemRect(item);
        changed = 1;
        return;
    }
    auto* note = static_cast<CRawNote*>(item);
    if (toTuplet) {
        note->SetTupletCount(3);
        note->SetTupletSpace(2);
    } else {
        note->SetTupletCount(0);
        note->SetTupletSpace(0);
        note->SetNoteValue(argument);
        note->SetDotCount(0);
        const auto ticks = std::uint16_t(notesize::GetValueTicks(argument));
        for (int i = 0; i < note->HeadCountField(); ++i) {
            NoteHead* h = note->Head(i);
            if (!h->IsSelected()) continue;
            if (note->IsGrace()) h->SetStartOffset(0);
            h->SetDuration(ticks);
            h->SetDotOffset(0);
        }
        note->LayoutChord();
    }
    // A beamed note's beam goes: the bar is beamed again.
    if (note->IsBeamed())
        if (CBarItem* beam = trkBar->FindBeamOfNote(note)) beam->MarkRemoved();
    AddItemRect(note);
    changed = 1;
}

void CDurationTask::DoTrackBar() {
    changed = 0;
    CCruise::DoTrackBar();
    if (!changed) return;
    trkBar->SetCurrent();
    trkBar->Compact();
    trkBar->Recalc(0);
    if (argument != kToRest && g_preferences.Byte(Preferences::kBeam)) trkBar->Rebeam(curVoice, 0);
    trkBar->RecalcTimes(nullptr, nullptr);
    trkBar->Invalidate();
    changed = 0;
}

// --- drum marks ----------------------------------------------------------------------------------

void CDrumTask::DoItem() {
    if (!curItem->IsNote()) return;
    auto* note = static_cast<CRawNote*>(curItem);
    if (argument == kGrace) {
        // A copy of the note's fixed part and heads, without marks, as a grace eighth that plays
        // ahead of the note.
        const int n = note->HeadCountField();
        std::vector<std::uint8_t> record(note->Bytes(), note->Bytes() + CRawNote::kHeads + NoteHead::kSize * n);
        auto* grace = reinterpret_cast<CRawNote*>(record.data());
        grace->CBaseItem::SetSize(std::int16_t(record.size()));
        grace->SetMarkCount(0);
        grace->SetDotCount(0);
        grace->SetTupletCount(0);
        grace->SetTupletSpace(0);
        grace->SetFlagBit(CRawHead::kGraceBit, true);
        grace->SetFlagBit(CRawHead::kBeamedBit, false);
        grace->SetFlagBit(CRawHead::kTupletBit, false);
        grace->SetNoteValue(kGraceValue);
        grace->SetFlagsB(std::uint8_t(grace->FlagsB() & ~(CBarItem::kSelectedBit | CBarItem::kRemovedBit)));
        grace->CBaseItem::SetScale(std::uint8_t(CurrentEngraverSettings().GetWord(kGraceScaleWord)));
        const int length = notesize::GetValueTicks(kGraceValue);
        for (int k = 0; k < n; ++k) {
            NoteHead* h = grace->Head(k);
            h->SetBits(NoteHead::kShapeByte, NoteHead::kSelected, false);
            h->SetByte(NoteHead::kLinkByte, 0);
            h->SetByte(NoteHead::kScale, 0);
            h->SetDuration(std::uint16_t(length));
            h->SetStartOffset(std::int16_t(-length));
        }
        graces.push_back(std::move(record));
        changed = 1;
        return;
    }
    if (argument < kCircle || argument > kDown) return;
    constexpr int kTextMark = 250, kArrowUp = 50, kArrowDown = 51;
    constexpr std::uint16_t kCircleGlyph = 236, kPlusGlyph = 203, kLeftGlyph = 76, kRightGlyph = 82;
    constexpr std::int16_t kArrowOffset = 60;
    const int code = argument == kUp ? kArrowUp : argument == kDown ? kArrowDown : kTextMark;
    const int subTool = ChosenSubTool() ? ChosenSubTool()() : 0;
    VoiceStats stats;
    const bool manyVoices = trkBar->GetVoiceStats(&stats, false) > 1;
    std::vector<std::uint8_t> buffer(1024, 0);
    auto* mark = reinterpret_cast<NoteMark*>(buffer.data());
    note->InitMark(mark, code, subTool, manyVoices);
    if (mark->Size() <= 0) return;
    // Above the note when its stem is down, for the side away from the stem.
    auto place = [&](bool stemSide) {
        const bool above = stemSide ? note->IsStemUp() : !note->IsStemUp();
        mark->SetFlags(above ? std::uint8_t(mark->Flags() | NoteMark::kPlacedAbove)
                             : std::uint8_t(mark->Flags() & ~NoteMark::kPlacedAbove));
    };
    switch (argument) {
    case kCircle:
    case kPlus:
        mark->SetFont(g_draw.defaultMusicFontRef);
        mark->SetCharacter(argument == kCircle ? kCircleGlyph : kPlusGlyph);
        place(false);
        break;
    case kLeft:
    case kRight:
        mark->SetFont(g_draw.standardFontRefs[1]);
        mark->SetCharacter(argument == kLeft ? kLeftGlyph : kRightGlyph);
        place(true);
        break;
    default: mark->SetYOffset(kArrowOffset); break;
    }
    CRawHead* grown = note->AddMark(*mark);
    if (!grown) {
        if (note->MarkCount() < CRawHead::kMaxMarks) ThrowOutOfMemory();
        return;
    }
    curItem = grown;
    AddItemRect(grown);
}

// --- glissandi -----------------------------------------------------------------------------------

namespace {

// The live note of the voice at the time and column in track t's bar b.
CRawNote* NoteAtPlace(CScore* score, int t, const CGlissTask::Place& p) {
    CTrkBar* tb = score->GetTrkBar(t, p.bar);
    for (CBarItem* item = tb ? tb->GetItems() : nullptr; item && item->TypeCode() != 255; item = item->NextItem())
        if (!item->IsRemoved() && item->IsNote() && item->VoiceField() == p.voice && item->TimeField() == p.time &&
            item->PositionField() == p.position)
            return static_cast<CRawNote*>(item);
    return nullptr;
}

int FirstSelectedHead(const CRawNote* note) {
    for (int i = 0; i < note->HeadCountField(); ++i)
        if (note->Head(i)->IsSelected()) return i;
    return note->HeadCountField() > 0 ? 0 : -1;
}

}  // namespace

void CGlissTask::DoItem() {
    if (!curItem->IsNote()) return;
    const Place here{curBar, curItem->VoiceField(), curItem->TimeField(), curItem->PositionField()};
    if (start.bar < 0) {
        start = here;
        startTrack = curTrack;
    } else {
        end = here;
        endTrack = curTrack;
    }
}

bool CGlissTask::Perform() {
    start = end = Place{};
    startTrack = endTrack = -1;
    SetRedrawItems(false);
    SetDeselect(false);
    SetCompact(false);
    Walk();
    if (start.bar < 0 || end.bar < 0 || startTrack != endTrack) return true;
    CTrkBar* home = score->GetTrkBar(startTrack, start.bar);
    CTrkBar* away = score->GetTrkBar(endTrack, end.bar);
    CRawNote* from = NoteAtPlace(score, startTrack, start);
    CRawNote* to = NoteAtPlace(score, endTrack, end);
    if (!home || !away || !from || !to) return true;
    const int a = FirstSelectedHead(from), b = FirstSelectedHead(to);
    if (a < 0 || b < 0) return true;
    home->SetCurrent();
    from->SetFlagsA(std::uint8_t(from->FlagsA() | CBarItem::kRelayoutBit));
    from->Head(a)->SetBits(NoteHead::kShapeByte, NoteHead::kSelected, false);
    from->Head(a)->SetBits(NoteHead::kLinkByte, NoteHead::kGlissStart, true);
    to->Head(b)->SetBits(NoteHead::kLinkByte, NoteHead::kGlissEnd, true);
    std::vector<std::uint8_t> buffer(CGlissando::kSize, 0);
    rec::Put<std::int16_t>(buffer.data(), rec::kSize, std::int16_t(CGlissando::kSize));
    auto* gliss = static_cast<CGlissando*>(ConstructItem(CGlissando::kType, buffer.data()));
    gliss->InitNew(start.voice, start.time, start.position);
    gliss->SetText(CGlissando::kDefaultText);
    gliss->SetShowsText(true);
    gliss->SetFont(g_draw.standardFontRefs[1]);
    gliss->SetWavy(argument == 1);
    gliss->SetStartStaffOffset(from->Head(a)->CrossStaffOffset());
    gliss->SetEndStaffOffset(to->Head(b)->CrossStaffOffset());
    gliss->SetStartY(from->Head(a)->Position());
    gliss->SetEndY(to->Head(b)->Position());
    gliss->SetPitch(from->Head(a)->Pitch());
    gliss->SetStartDx(-60);
    gliss->SetEndDx(60);
    gliss->SetEndPositionField(end.position);
    gliss->SetEndBarOffset(end.bar - start.bar);
    // Two notes of one beam: the beam lays itself out again.
    if (from->IsBeamed() && to->IsBeamed()) {
        CBarItem* beam = home->FindBeamOfNote(from);
        if (beam && beam == away->FindBeamOfNote(to)) beam->SetFlagsA(std::uint8_t(beam->FlagsA() | CBarItem::kRelayoutBit));
    }
    home->SetCurrent();
    CBarItem* placed = home->InsertCopy(gliss);
    if (!placed) ThrowOutOfMemory();
    placed->Deselect();
    AddItemRect(placed);
    home->Recalc(1);
    home->Invalidate();
    if (away != home) away->Invalidate();
    return true;
}

// --- grace notes ---------------------------------------------------------------------------------


void CGraceTask::DoItem() {
    if (!curItem->IsNote()) return;
    auto* note = static_cast<CRawNote*>(curItem);
    const int n = note->HeadCountField();
    int moving = 0;
    for (int i = 0; i < n; ++i)
        if (note->Head(i)->IsSelected()) ++moving;
    if (moving == 0) return;
    // The grace record holds the note's fixed part and the heads it takes, no more.
    Pending p;
    p.record.assign(note->Bytes(), note->Bytes() + CRawNote::kHeads);
    p.record.reserve(std::size_t(CRawNote::kHeads + NoteHead::kSize * moving));
    const double noteLength = note->GetDuration();
    for (int i = n - 1; i >= 0; --i) {
        if (!note->Head(i)->IsSelected()) continue;
        const std::size_t at = p.record.size();
        p.record.insert(p.record.end(), note->Head(i)->Bytes(), note->Head(i)->Bytes() + NoteHead::kSize);
        auto* h = reinterpret_cast<NoteHead*>(p.record.data() + at);
        h->SetBits(NoteHead::kShapeByte, NoteHead::kSelected, false);
        h->SetByte(NoteHead::kScale, 0);
        h->SetByte(NoteHead::kLinkByte, 0);
        trkBar->SetCurrent();
        note->RemoveHead(i);
    }
    auto* grace = reinterpret_cast<CRawNote*>(p.record.data());
    grace->CBaseItem::SetSize(std::int16_t(p.record.size()));
    grace->SetHeadCountField(moving);
    grace->SetMarkCount(0);
    grace->SetDotCount(0);
    grace->SetFlagBit(CRawHead::kGraceBit, true);
    grace->SetFlagBit(CRawHead::kBeamedBit, false);
    grace->SetFlagBit(CRawHead::kTupletBit, false);
    grace->SetTupletCount(0);
    grace->SetTupletSpace(0);
    grace->SetNoteValue(kGraceValue);
    grace->SetFlagsB(std::uint8_t(grace->FlagsB() & ~(CBarItem::kSelectedBit | CBarItem::kRemovedBit)));
    grace->CBaseItem::SetScale(std::uint8_t(CurrentEngraverSettings().GetWord(kGraceScaleWord)));
    const int graceLength = notesize::GetValueTicks(kGraceValue);
    const int take = graceLength < noteLength / 2 ? graceLength : int(noteLength);
    p.allMoved = note->IsRemoved();
    // With the grace timing set, a note made wholly grace keeps its time and the voice's later
    // notes and rests give it room: they come earlier by that time and play as late as before.
    const bool onTheBeat = p.allMoved && g_edit.graceTiming != 0;
    for (int k = 0; k < moving; ++k) {
        NoteHead* h = grace->Head(k);
        h->SetDuration(std::uint16_t(graceLength));
        if (onTheBeat) continue;
        if (p.allMoved || h->StartOffset() == 0) h->SetStartOffset(std::int16_t(h->StartOffset() - take));
    }
    if (onTheBeat) {
        const int voice = note->VoiceField();
        for (CBarItem* r = note->NextItem(); r && r->TypeCode() != 255; r = r->NextItem()) {
            if (r->IsRemoved() || !r->IsNoteOrRest() || r->VoiceField() != voice || r->IsSelectedBit()) continue;
            r->SetTimeField(std::int16_t(r->TimeField() - take));
            if (!r->IsNote()) continue;
            auto* later = static_cast<CRawNote*>(r);
            for (int h = 0; h < later->HeadCountField(); ++h)
                later->Head(h)->SetStartOffset(std::int16_t(later->Head(h)->StartOffset() + take));
        }
    }
    if (!p.allMoved) {
        // The room of the heads that went is given back.
        CBarItem* shrunk = trkBar->ResizeItem(note, -NoteHead::kSize * moving);
        if (!shrunk) ThrowOutOfMemory();
        curItem = shrunk;
    }
    pending.push_back(std::move(p));
    changed = 1;
}

void CGraceTask::DoTrackBar() {
    pending.clear();
    changed = 0;
    CCruise::DoTrackBar();
    if (!changed) return;
    trkBar->SetCurrent();
    for (Pending& p : pending) {
        auto* record = reinterpret_cast<CBarItem*>(p.record.data());
        CBarItem* placed = trkBar->InsertCopy(record);
        if (!placed) ThrowOutOfMemory();
        auto* grace = static_cast<CRawNote*>(placed);
        if (!p.allMoved && bar) grace->SetPositionField(std::int16_t(grace->PositionField() - bar->WidthToFraction(kGraceShift)));
        if (grace->VoiceField() == 0) grace->SetStemUpBit(true);
        grace->LayoutChord();
        AddItemRect(grace);
    }
    trkBar->RecalcTimes(nullptr, nullptr);
    trkBar->Recalc(3);
    if (bar) bar->Respace();
    trkBar->Rebeam(curVoice, 0);
    trkBar->Invalidate();
    changed = 0;
}

void CDrumTask::DoTrackBar() {
    graces.clear();
    changed = 0;
    CCruise::DoTrackBar();
    if (!changed) return;
    trkBar->SetCurrent();
    for (std::vector<std::uint8_t>& record : graces) {
        CBarItem* placed = trkBar->InsertCopy(reinterpret_cast<CBarItem*>(record.data()));
        if (!placed) ThrowOutOfMemory();
        auto* grace = static_cast<CRawNote*>(placed);
        if (bar) grace->SetPositionField(std::int16_t(grace->PositionField() - bar->WidthToFraction(kGraceShift)));
        if (grace->VoiceField() == 0) grace->SetStemUpBit(true);
        grace->LayoutChord();
        AddItemRect(grace);
    }
    if (bar) bar->Respace();
    trkBar->RecalcTimes(nullptr, nullptr);
    trkBar->Recalc(0);
    trkBar->Invalidate();
    changed = 0;
}
