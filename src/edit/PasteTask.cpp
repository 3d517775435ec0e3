// Paste, merge and paste special.
#include "edit/PasteTask.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "edit/PasteDlg.h"
#include "edit/TieTask.h"
#include "edit/Transcriber.h"
#include "framework/Clipboard.h"
#include "framework/Exceptions.h"
#include "framework/StringTable.h"
#include "model/Bar.h"
#include "model/BarItem.h"
#include "model/Clef.h"
#include "model/ItemArray.h"
#include "model/ItemFactory.h"
#include "model/Meter.h"
#include "model/Ottava.h"
#include "model/Preferences.h"
#include "model/System.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/TieType.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/TrkBarStandIns.h"
#include "model/ZelDoc.h"
#include "notation/Beam.h"
#include "notation/Beaming.h"
#include "notation/RawNote.h"
#include "platform/Handles.h"
#include "platform/PlatformGlobals.h"
#include "platform/PortLayer.h"
#include "platform/Theory.h"

namespace {

constexpr int kOutOfMemory = 100;
constexpr int kFirstMidiDataType = 170;
constexpr int kClefType = 18;
constexpr int kMarkerBits = CBarItem::kRemovedBit | CPasteTask::kPastedBit | CBarItem::kSelectedBit;
// The "damaged or missing" message of the framework's archive texts.
constexpr UINT kDamagedText = 61752;
// The command that tells the document its bar count or contents changed.
constexpr int kBarsChangedCommand = 4319;
// Note > Tie, whose walk the merge's tie pass runs.
constexpr int kAddTieCommand = 35300;
// No score holds more bars than a 16-bit index counts.
constexpr int kMaxBars = 32767;

bool IsMidiData(const CBarItem* item) { return item->TypeCode() >= kFirstMidiDataType; }

void SetPasted(CBarItem* item, bool on) {
    const std::uint8_t f = item->FlagsB();
    item->SetFlagsB(on ? std::uint8_t(f | CPasteTask::kPastedBit) : std::uint8_t(f & ~CPasteTask::kPastedBit));
}
bool IsPasted(const CBarItem* item) { return (item->FlagsB() & CPasteTask::kPastedBit) != 0; }

void SetVoiceBits(CBarItem* item, int voice) {
    item->SetFlagsB(std::uint8_t((item->FlagsB() & 0x1F) | ((voice & 7) << CBarItem::kVoiceShift)));
}

// The live records of a track's bar, in run order, taken before anything changes the run.
std::vector<CBarItem*> Records(CTrkBar* tb) {
    std::vector<CBarItem*> out;
    for (CBarItem* i = tb->GetItems(); i && i->TypeCode() != 255; i = i->NextItem()) out.push_back(i);
    return out;
}

// The note's length in ticks (its heads' longest duration, at least 1).
// A note's or rest's length in ticks (at least 1).
int NoteLength(CBarItem* item) {
    if (!item->IsNoteRestOrRawNote()) return 1;
    return std::max(1, int(std::lround(NoteDuration(*item))));
}

// Out of memory: the paste stops here (what is in stays until the user undoes).
[[noreturn]] void ThrowCode(int) { ThrowOutOfMemory(); }

}  // namespace

std::uint8_t* PasteOptions() { return g_edit.pasteOptions; }

bool CPasteTask::Option(int i) const { return g_edit.pasteOptions[i] != 0; }

bool CPasteTask::Prepare() {
    mode = argument;
    // A clipboard that gives nothing to paste ends the paste here, before it could touch the
    // undo list (an operation that changed nothing leaves the redo tail alone).
    if (!LoadBlock()) return false;
    if (mode != kSpecial) return true;
    CPasteDlg dialog;
    return dialog.RunModal(CPasteDlg::kTemplateId);
}

bool CPasteTask::LoadBlock() {
    if (loaded) return loadResult == ClipBlock::kBound;
    loaded = true;
    fw::CClipboard& clip = fw::TheClipboard();
    if (!document || !clip.GetData() || clip.GetTag() != ClipboardWriter::kTag) {
        loadResult = ClipBlock::kNoBlock;
        return false;
    }
    loadResult = block.Load(clip.GetData(), document->version);
    if (loadResult == ClipBlock::kDamaged) {
        // A damaged block pastes nothing; the user hears why.
        std::string text;
        fw::LoadStringResource(kDamagedText, text);
        if (const std::size_t at = text.find("%s"); at != std::string::npos) text.replace(at, 2, "ZLCB");
        AfxMessageBox(text.c_str());
    }
    return loadResult == ClipBlock::kBound;
}

int CPasteTask::BarLength(int b) const {
    CBar* bar = score->GetBar(b);
    return bar ? bar->GetMeterLength() : 0;
}

bool CPasteTask::Perform() {
    mode = argument;
    isMerge = mode == kMerge;
    isSpecial = mode == kSpecial;
    // Nothing is undoable until the paste has begun to change the score.
    undoable = 0;
    if (!document || !score || !LoadBlock()) return false;

    const ScoreLocation& at = document->location;
    firstTrack = std::clamp<int>(at.trackIndex, 0, score->GetTrackCount() - 1);
    firstBar = std::clamp<int>(at.barIndex, 0, score->GetBarCount() - 1);
    firstVoice = std::clamp<int>(at.voice, 0, 7);
    startTime = std::max(0, int(at.time));
    lastTrack = block.FirstTrack() <= block.LastTrack() ? firstTrack + (block.LastTrack() - block.FirstTrack()) : firstTrack;
    lastTrack = std::min(lastTrack, score->GetTrackCount() - 1);
    lastVoice = block.FirstTrack() <= block.LastTrack() ? std::min(7, firstVoice + (block.LastVoice() - block.FirstVoice())) : firstVoice;

    if (!SaveUndoRange()) ThrowCode(kOutOfMemory);
    undoable = 1;
    const int pageBefore = at.pageIndex;
    EnsureBars();
    ClearDestination();
    if (!PasteItems()) ThrowCode(kOutOfMemory);

    document->SetModified(true);
    document->OnCommandRange(kBarsChangedCommand);
    score->RecalcBars(false);
    if (document->location.pageIndex != pageBefore) layoutChangedByPaste = true;
    if (layoutChangedByPaste) SetLayoutChanged(true);

    // The insertion point moves past what was pasted.
    if (lastDestBar >= 0) {
        int bar = lastDestBar;
        int time = endTime + 1;
        const int length = BarLength(bar);
        if (time > length) {
            if (bar + 1 < score->GetBarCount()) {
                time -= length;
                ++bar;
            } else {
                time = length;
            }
        }
        document->SetCurrentBar(bar, false);
        ScoreLocation& loc = document->location;
        loc.time = time;
        if (CBar* b = score->GetBar(bar)) loc.position = b->TickToFraction(time, false);
        document->ShowInsertionPoint(bar, !layoutChangedByPaste);
    }
    changed = 1;
    return true;
}

bool CPasteTask::SaveUndoRange() {
    int b = firstBar;
    std::int64_t sum = 0;
    const int last = score->GetBarCount() - 1;
    while (b < last && sum + BarLength(b) < block.TotalSpan() + startTime) sum += BarLength(b++);
    // Respacing a bar moves the items of every track in it: every track of the range is saved,
    // not only the destination tracks, so that undo gives each bar back whole.
    return SaveTrackBarRange(0, firstBar, score->GetTrackCount() - 1, b);
}

CBar* CPasteTask::AppendBar() {
    const int count = score->GetBarCount();
    if (count >= kMaxBars) return nullptr;
    if (!SaveTrackBarRange(0, count - 1, score->GetTrackCount(), count - 1)) return nullptr;
    CBar* bar = score->InsertBar(count);
    if (bar) score->Reindex();
    return bar;
}

void CPasteTask::EnsureBars() {
    ScoreLocation& loc = document->location;
    int bar = firstBar;
    if (startTime >= BarLength(bar)) {
        if (bar == score->GetBarCount() - 1 && !AppendBar()) ThrowCode(kOutOfMemory);
        ++bar;
        startTime = 0;
        firstBar = bar;
    }
    std::int64_t t = std::int64_t(block.TotalSpan()) + startTime;
    int b = bar;
    while (t > BarLength(b)) {
        const int length = BarLength(b);
        if (length <= 0) break;
        t -= length;
        if (b == score->GetBarCount() - 1 && !AppendBar()) ThrowCode(kOutOfMemory);
        ++b;
    }
    document->SetCurrentBar(firstBar, false);
    loc.time = startTime;
}

void CPasteTask::ClearDestination() {
    if (!(mode == kPaste || (isSpecial && Option(kPasteNotes)))) return;
    if (block.FirstTime() == 32767 || block.FirstTrack() > block.LastTrack()) return;
    const std::int64_t span = block.NoteSpan();
    for (int t = firstTrack; t <= lastTrack; ++t) {
        std::int64_t passed = 0;
        for (int b = firstBar; b < score->GetBarCount() && passed < startTime + span; ++b) {
            CTrkBar* tb = score->GetTrkBar(t, b);
            if (!tb) break;
            const std::int64_t low = b == firstBar ? startTime : -32767;
            for (CBarItem* item : Records(tb)) {
                if (item->IsRemoved()) continue;
                const int v = item->VoiceField();
                if (v < firstVoice || v > lastVoice) continue;
                if (item->IsClef() || item->IsKeySig() || item->IsText() || item->IsTempo()) continue;
                if ((item->IsChord() || item->IsGuitarFrame()) && !(isSpecial && Option(kPasteChords))) continue;
                const std::int64_t time = passed + item->TimeField();
                if (time >= low && time <= startTime + span)
                    item->SetFlagsB(std::uint8_t(item->FlagsB() | CBarItem::kRemovedBit));
            }
            passed += BarLength(b);
        }
    }
}

bool CPasteTask::PasteItems() {
    // Notes copied: an insertion point inside a note or rest of its voice starts the paste at
    // that note's start.
    if (block.StartsAtVoiceNote() && !document->location.allVoices)
        if (CTrkBar* tb = score->GetTrkBar(firstTrack, firstBar))
            for (CBarItem* item : Records(tb)) {
                if (item->IsRemoved() || item->VoiceField() != firstVoice || !item->IsNoteOrRest()) continue;
                const int onset = item->TimeField();
                if (onset < startTime && startTime < onset + NoteLength(item)) startTime = onset;
            }
    if (!PasteBarItems()) return false;
    for (int s = block.FirstTrack(), d = firstTrack; s <= block.LastTrack() && d < score->GetTrackCount(); ++s, ++d) {
        if (!PasteTrack(s, d)) return false;
        CarryClefs(d);
        TidyTrack(d);
        if (isMerge) MergeIntoVoices(d);
    }
    if (isMerge && lastDestBar >= firstBar) TieMergedNotes();
    const int last = std::max(lastDestBar, firstBar);
    for (int b = firstBar; b <= last && b < score->GetBarCount(); ++b) {
        CBar* bar = score->GetBar(b);
        bar->MakeCurrent();
        bar->RefreshItemCache();
        bar->Respace();
    }
    document->SetCurrentBar(firstBar, false);
    return true;
}

bool CPasteTask::PasteBarItems() {
    int dest = firstBar;
    for (int i = 0; i <= block.LastBar() - block.FirstBar() && i < block.BarCount(); ++i, ++dest) {
        if (dest >= score->GetBarCount()) break;
        const ClipBlock::Bar& source = block.GetBar(i);
        CBar* to = score->GetBar(dest);
        if (!SaveBar(dest)) return false;
        if (isSpecial && Option(kPasteMeters))
            std::memcpy(to->Bytes() + CBar::kMeter, source.record->Bytes() + CBar::kMeter, Meter::kSize + 1);
        for (CBarItem* item : source.items) {
            if (item->IsRemoved()) continue;
            const bool selected = item->IsSelectedBit();
            if (selected && (item->IsText() || item->IsTempo())) {
                item->SetFlagsB(std::uint8_t(item->FlagsB() & ~CBarItem::kSelectedBit));
                CBarItem* copy = to->InsertItemSorted(item);
                item->SetFlagsB(std::uint8_t(item->FlagsB() | CBarItem::kSelectedBit));
                if (!copy) return false;
            } else if (isSpecial && item->IsTempo() && Option(kPasteTempos)) {
                if (!to->InsertItemSorted(item)) return false;
            } else if (isSpecial && item->IsBeatChart() && Option(kPasteMeters)) {
                if (CBarItem* chart = to->GetBeatChart()) to->RemoveItem(chart);
                if (!to->InsertItemSorted(item)) return false;
            }
        }
        to->RefreshItemCache();
    }
    return true;
}

bool CPasteTask::Wanted(CBarItem* item) const {
    if (!isSpecial) return true;
    if (item->IsLyric()) return Option(kPasteLyrics);
    switch (item->TypeCode()) {
    case 144: case 128: case 112: case 16: case 21: case 27: case 30: case 31: return Option(kPasteNotes);
    case 17: case 40: return Option(kPasteChords);
    case 9: return Option(kPasteMeters);
    case 28: return Option(kPasteTempos);
    case 29: case 12: return Option(kPasteTexts);
    default: return false;
    }
}

bool CPasteTask::PasteTrack(int s, int d) {
    int destBar = firstBar;
    CTrkBar* to = score->GetTrkBar(d, destBar);
    if (!to) return true;
    to->SetCurrent();
    to->Compact();
    int clef = 0, keyNow = 0;
    to->GetClefAndKeyAt(0, &clef, &keyNow);
    clefOrKeyDiffer = block.SeveralVoices(s) == 0 && (block.Clef(s) != clef || block.Key(s) != keyNow);
    lastDestClef = sourceClef = block.Clef(s);
    key = block.Key(s);
    CTrack* track = score->GetTrack(d);
    transposition = (track && track->IsTransposedDisplay() ? track->GetTransposition() : 0) - block.Transposition(s);

    std::int64_t sourceBarStart = 0, consumed = 0;
    std::int64_t end = std::int64_t(startTime) + block.TotalSpan();
    const bool allVoices = document->location.allVoices != 0;
    for (int i = 0; i <= block.LastBar() - block.FirstBar() && i < block.BarCount(); ++i) {
        const ClipBlock::Bar& sourceBar = block.GetBar(i);
        const ClipBlock::TrackBar& source = block.GetTrackBar(s, i);
        const int destLength = std::max(1, BarLength(destBar));
        const std::int64_t barDestTime = sourceBarStart - block.FirstTime() + startTime - consumed;
        const bool offGrid = sourceBarStart % sourceBar.length != 0 || barDestTime % destLength != 0;
        for (CBarItem* item : source.items) {
            if (item->IsClef()) sourceClef = static_cast<CClef*>(item)->GetCode();
            std::int64_t time = sourceBarStart + item->TimeField() - block.FirstTime() + startTime - consumed;
            if (time < 0) time = 0;
            while (time >= BarLength(destBar) && BarLength(destBar) > 0) {
                const int length = BarLength(destBar);
                consumed += length;
                end -= length;
                to->SortItems();
                time -= length;
                if (destBar == score->GetBarCount() - 1 && !AppendBar()) return false;
                ++destBar;
                // An item may reach past the span the header gives: its bar is saved first.
                if (!SaveRange(0, destBar, score->GetTrackCount() - 1, destBar)) return false;
                to = score->GetTrkBar(d, destBar);
                to->SetCurrent();
            }
            int voice = allVoices ? item->VoiceField() : firstVoice + (item->VoiceField() - block.FirstVoice());
            if (voice < 0 || voice >= 8) continue;
            if (!Wanted(item)) continue;
            CTrkBar* into = to;
            int at = int(time);
            if (item->IsClef() && time == 0 && destBar > 0 && item->TimeField() >= sourceBar.length) {
                // A clef at the end of its bar stays in front of the bar line.
                if (CTrkBar* previous = score->GetTrkBar(d, destBar - 1)) {
                    if (!SaveTrackBar(d, destBar - 1)) return false;
                    into = previous;
                    at = std::min<int>(item->TimeField(), BarLength(destBar - 1));
                }
            }
            if (!InsertPastedItem(item, s, d, voice, at, into, offGrid)) return false;
            to->SetCurrent();
        }
        to->SortItems();
        sourceBarStart += sourceBar.length;
        lastDestBar = std::max(lastDestBar, destBar);
        endTime = int(std::clamp<std::int64_t>(end, -32767, 32767));
    }
    return true;
}

bool CPasteTask::InsertPastedItem(CBarItem* item, int s, int d, int voice, int time, CTrkBar* to, bool offGrid) {
    if (d >= score->GetTrackCount() || item->IsKeySig()) return true;
    if (isMerge) {
        if (!item->IsNoteOrRawNote() && !item->IsTie() && !item->IsPict()) return true;
        // The copied ties are made again between the merged notes by the tie pass.
        if (item->IsTie()) return true;
        // Notes wait in voice 7 until they are merged into a free voice.
        if (item->IsNoteOrRawNote()) voice = 7;
    }
    to->SetCurrent();
    CBarItem* copy = to->InsertSpace(time, item->RecordSizeField());
    if (!copy) return false;
    std::memcpy(copy, item, std::size_t(item->RecordSizeField()));
    copy->Deselect();
    copy->SetFlagsB(std::uint8_t(copy->FlagsB() | kPastedBit | CBarItem::kSelectedBit));
    SetVoiceBits(copy, voice);
    copy->SetTimeField(std::int16_t(time));
    if (!IsMidiData(copy) && offGrid) ShiftPosition(copy, to->TickToFraction(time) - copy->PositionField());
    if (copy->IsTempo()) {
        for (CBarItem* other : Records(to))
            if (other != copy && other->IsTempo() && !other->IsRemoved() && other->TimeField() == time)
                other->SetFlagsB(std::uint8_t(other->FlagsB() | CBarItem::kRemovedBit));
        copy->SetFlagsB(std::uint8_t(copy->FlagsB() & ~CBarItem::kSelectedBit));
    } else if (copy->IsNoteOrRawNote()) {
        auto* note = static_cast<CRawNote*>(copy);
        for (int k = 0; k < note->HeadCountField(); ++k) {
            const int offset = note->Head(k)->CrossStaffOffset();
            if (offset != 0 && (d + offset < 0 || d + offset >= score->GetTrackCount())) note->MoveHeadToStaff(k, -offset);
        }
    }
    if (d != s) copy->AttachToTrack(score->GetTrack(d));
    if (copy->IsClef()) {
        lastDestClef = static_cast<CClef*>(copy)->GetCode();
        layoutChangedByPaste = true;
        return true;
    }
    int clef = 0, keyNow = 0;
    to->GetClefAndKeyAt(copy->PositionField(), &clef, &keyNow);
    if (clef != lastDestClef && clef != sourceClef) {
        CBarItem* marker = to->NewItem(kClefType, time);
        if (!marker) return false;
        marker->SetFlagsB(std::uint8_t(marker->FlagsB() | kMarkerBits));
        static_cast<CClef*>(marker)->SetCode(sourceClef);
    }
    lastDestClef = clef;
    return true;
}

void CPasteTask::ShiftPosition(CBarItem* item, int delta) {
    if (delta == 0) return;
    // Items with an end point and beams move their own ends through their class, and are
    // placed again.
    if (item->IsTwoEnded()) {
        item->SetEndPosition(item->GetEndPosition() + delta);
        item->SetFlagsA(std::uint8_t(item->FlagsA() | CBarItem::kRelayoutBit));
    } else if (item->IsBeam() && item->RecordSizeField() >= CBeam::kSize) {
        static_cast<CBeam*>(item)->ShiftSegments(delta);
    }
    item->SetPositionField(std::int16_t(std::clamp(item->PositionField() + delta, 0, 1023)));
}

void CPasteTask::CarryClefs(int d) {
    int shift = 0;
    int inForce = 0, keyNow = 0;
    CTrkBar* first = score->GetTrkBar(d, firstBar);
    if (!first) return;
    first->SetCurrent();
    first->GetClefAndKeyAt(0, &inForce, &keyNow);
    const int last = std::max(lastDestBar, firstBar);
    for (int b = firstBar; b < score->GetBarCount(); ++b) {
        CTrkBar* tb = score->GetTrkBar(d, b);
        if (!tb) break;
        tb->SetCurrent();
        bool realClefBeyond = false;
        for (CBarItem* item : Records(tb)) {
            const bool pasted = IsPasted(item);
            if (item->IsClef() && (item->FlagsB() & kMarkerBits) == kMarkerBits) {
                item->SetFlagsB(std::uint8_t(item->FlagsB() & ~(kPastedBit | CBarItem::kSelectedBit)));
                shift += CTheory::ClefShift(inForce, static_cast<CClef*>(item)->GetCode());
                continue;
            }
            if (item->IsRemoved()) continue;
            if (item->IsClef()) {
                const int code = static_cast<CClef*>(item)->GetCode();
                if (code == inForce) {
                    // Beyond the paste the bar is saved before its clef goes.
                    if (b > last && !SaveTrackBar(d, b)) continue;
                    item->SetFlagsB(std::uint8_t(item->FlagsB() | CBarItem::kRemovedBit));
                }
                inForce = code;
                shift = 0;
                if (b > last) realClefBeyond = true;
            } else if (pasted && item->IsSelectedBit() && item->IsNoteOrRawNote()) {
                auto* note = static_cast<CRawNote*>(item);
                if (shift != 0)
                    for (int k = 0; k < note->HeadCountField(); ++k) note->MoveHead(k, shift, -1);
                if (transposition != 0) {
                    for (int k = 0; k < note->HeadCountField(); ++k) note->Head(k)->SetBits(NoteHead::kShapeByte, NoteHead::kSelected, true);
                    note->TransposeSelected(transposition, 2);
                    for (int k = 0; k < note->HeadCountField(); ++k) note->Head(k)->SetBits(NoteHead::kShapeByte, NoteHead::kSelected, false);
                }
            }
            if (b <= last) {
                item->Deselect();
                SetPasted(item, pasted);
            }
        }
        if (realClefBeyond) break;
    }
}

void CPasteTask::TidyTrack(int d) {
    CTrack* track = score->GetTrack(d);
    const bool percussion = track && track->IsPercussionStaff();
    const int last = std::min(lastDestBar, score->GetBarCount() - 1);
    for (int b = firstBar; b <= last; ++b) {
        CTrkBar* tb = score->GetTrkBar(d, b);
        if (!tb) break;
        tb->SortItems();
        tb->SetCurrent();
        bool again = true;
        while (again) {
            again = false;
            COttava* lastOttava = nullptr;
            for (CBarItem* item : Records(tb)) {
                if (item->IsRemoved() || !IsPasted(item)) continue;
                SetPasted(item, false);
                item->Deselect();
                if (!isMerge && Overflows(b, item)) {
                    // The note goes on, tied, into the next bar; the walk starts again.
                    if (!SplitAcrossBarLine(d, b, item)) ThrowCode(kOutOfMemory);
                    again = true;
                    break;
                }
                if (item->IsNoteOrRawNote()) {
                    auto* note = static_cast<CRawNote*>(item);
                    if (clefOrKeyDiffer) note->UpdateStem(3, true);
                    if (percussion) PlaceDrumHeads(*track, note);
                }
                if (item->IsOttava() && item->RecordSizeField() >= COttava::kSize) {
                    // The first pasted octave line of the bar starts its line, the last ends it.
                    auto* ottava = static_cast<COttava*>(item);
                    if (!lastOttava) ottava->SetFlags(std::uint8_t(ottava->GetFlags() | COttava::kStartPieceBit));
                    else {
                        lastOttava->SetFlags(std::uint8_t(lastOttava->GetFlags() & ~COttava::kEndPieceBit));
                        ottava->SetFlags(std::uint8_t(ottava->GetFlags() & ~COttava::kStartPieceBit));
                    }
                    ottava->SetFlags(std::uint8_t(ottava->GetFlags() | COttava::kEndPieceBit));
                    lastOttava = ottava;
                }
                if (item->IsTie()) LinkTie(d, b, item);
                else if (CTieType::IsTwoEndedCode(item->TypeCode())) SnapEnd(d, b, item);
                if (isMerge && item->IsNoteOrRawNote())
                    item->SetFlagsB(std::uint8_t(item->FlagsB() | kPastedBit | CBarItem::kRemovedBit));
            }
            tb = score->GetTrkBar(d, b);
            tb->SetCurrent();
        }
        bool rebeam[8] = {};
        CheckBeams(tb, rebeam);
        if (!isMerge) tb->RecalcAccidentals();
        for (int v = 0; v < 8; ++v) {
            if (!rebeam[v]) continue;
            g_beamContext.Init(tb, 1, 0);
            g_beamContext.AutoBeam(d, v, 0, 32767);
            tb = score->GetTrkBar(d, b);
            tb->SetCurrent();
        }
        int overTrack = 0, overVoice = 0;
        tb->RecalcTimes(&overTrack, &overVoice);
        tb->Recalc(1);
        PlaceBar(d, b);
        tb = score->GetTrkBar(d, b);
        tb->SetCurrent();
        if (!isMerge) tb->RecalcAccidentals();
    }
    PlaceSystems(d, firstBar, last);
    // Tie marks are checked once every bar of the track has its positions, since a tie into a
    // bar is found by the positions of both bars.
    for (int b = firstBar; b <= last; ++b)
        if (CTrkBar* tb = score->GetTrkBar(d, b)) {
            FollowTieHeads(d, b);
            ClearLooseTieMarks(tb);
        }
}

void CPasteTask::FollowTieHeads(int d, int b) {
    // Each tie's ends stand on the staff positions of the heads they join, which a clef, a
    // transposition or the spelling may have moved since the tie was copied: the note of the
    // tie's voice at each end's position with a head of the tie's pitch.
    auto headAt = [&](int bar, int voice, int position, int pitch) -> NoteHead* {
        CTrkBar* tb = bar >= 0 && bar < score->GetBarCount() ? score->GetTrkBar(d, bar) : nullptr;
        if (!tb) return nullptr;
        for (CBarItem* other : Records(tb)) {
            if (other->IsRemoved() || !other->IsNoteOrRawNote() || other->VoiceField() != voice || other->PositionField() != position)
                continue;
            auto* note = static_cast<CRawNote*>(other);
            for (int k = 0; k < note->HeadCountField(); ++k)
                if (note->Head(k)->Pitch() == pitch) return note->Head(k);
        }
        return nullptr;
    };
    CTrkBar* tb = score->GetTrkBar(d, b);
    if (!tb) return;
    for (CBarItem* item : Records(tb)) {
        if (item->IsRemoved() || !item->IsTie()) continue;
        auto* tie = CTieType::Of(item);
        if (!tie->HoldsEnds()) continue;
        if (NoteHead* head = headAt(b, item->VoiceField(), item->PositionField(), tie->Pitch())) tie->SetStartY(head->Position());
        if (NoteHead* head = headAt(b + tie->EndBarOffset(), item->VoiceField(), tie->EndPositionField(), tie->Pitch()))
            tie->SetEndY(head->Position());
    }
}

void CPasteTask::PlaceBar(int d, int b) {
    CBar* bar = score->GetBar(b);
    if (!bar) return;
    bar->Respace();
    if (CTrkBar* tb = score->GetTrkBar(d, b)) {
        tb->SetCurrent();
        tb->RecalcPositions(-1);
    }
}

void CPasteTask::PlaceSystems(int d, int first, int last) {
    // Automatic positions (Options > Auto): each system that holds a tidied bar is justified
    // again and every bar of it on this track has its positions recalculated, once per system
    // however many of its bars the paste reached. The system is saved first, and again when the
    // justification wrapped the bar into another one.
    if (!g_preferences.Byte(Preferences::kSpace)) return;
    for (int b = first; b <= last && b < score->GetBarCount(); ++b) {
        CBar* bar = score->GetBar(b);
        CLine* line = bar ? bar->GetLine() : nullptr;
        if (!line) continue;
        if (!SaveSystem(line->GetIndex())) ThrowCode(kOutOfMemory);
        score->UpdateBarLayout(b);
        line = bar->GetLine();
        if (!line) continue;
        if (!SaveSystem(line->GetIndex())) ThrowCode(kOutOfMemory);
        const int from = line->GetFirstBarIndex();
        const int to = std::min<int>(from + line->GetBarCount(), score->GetBarCount()) - 1;
        for (int k = from; k <= to; ++k)
            if (CTrkBar* tb = score->GetTrkBar(d, k)) {
                tb->SetCurrent();
                tb->RecalcPositions(-1);
                if (!isMerge) tb->RecalcAccidentals();
            }
        // The next system begins after this one's last bar.
        b = std::max(b, to);
    }
}

void CPasteTask::PlaceDrumHeads(CTrack& track, CRawNote* note) {
    // Each head goes to the position of its drum: the drum of its key in the note's voice, else
    // the first voice that has one.
    for (int k = 0; k < note->HeadCountField(); ++k) {
        const int pitch = note->Head(k)->Pitch();
        int drum = track.FindDrumByKey(pitch, note->VoiceField());
        for (int v = 0; drum < 0 && v < 8; ++v) drum = track.FindDrumByKey(pitch, v);
        if (drum < 0) continue;
        const int delta = track.GetDrumPosition(drum) - note->Head(k)->Position();
        if (delta != 0) note->MoveHead(k, delta);
    }
}

void CPasteTask::CheckBeams(CTrkBar* tb, bool rebeam[8]) {
    // Every beam of the bar is looked at, however many: a beam that overlaps the one before it
    // in its voice (grace beams apart from the others) marks its voice for beaming again; so
    // does a note that says it is beamed while no beam covers it, which loses the word.
    CBarItem* previous[16] = {};
    for (CBarItem* item : Records(tb)) {
        if (item->IsRemoved()) continue;
        const int v = item->VoiceField();
        if (item->IsBeam() && item->RecordSizeField() >= CBeam::kSize) {
            auto* beam = static_cast<CBeam*>(item);
            CBarItem*& before = previous[v * 2 + (beam->IsGraceBeam() ? 1 : 0)];
            if (before) {
                auto* other = static_cast<CBeam*>(before);
                if (other->BarSpanField() > 0 || beam->StartPositionField() <= other->EndPositionField()) rebeam[v] = true;
            }
            before = item;
        } else if (item->IsNoteOrRest() && item->RecordSizeField() >= CRawHead::kOwnBytes) {
            auto* head = static_cast<CRawHead*>(item);
            if (head->IsBeamed() && !tb->FindBeamOfNote(item)) {
                head->SetFlagBit(CRawHead::kBeamedBit, false);
                head->SetFlagBit(CRawHead::kContinuesBeamBit, false);
                rebeam[v] = true;
            }
        }
    }
}

void CPasteTask::ClearLooseTieMarks(CTrkBar* tb) {
    // A head marked as tied into with no tie into it, or as tied from with no tie from it, loses
    // the mark.
    tb->SetCurrent();
    for (CBarItem* item : Records(tb)) {
        if (item->IsRemoved() || !item->IsNoteOrRawNote()) continue;
        auto* note = static_cast<CRawNote*>(item);
        for (int k = 0; k < note->HeadCountField(); ++k) {
            NoteHead* head = note->Head(k);
            if (head->HasTieEnd() && !tb->FindTieInto(item, k)) head->SetBits(NoteHead::kLinkByte, NoteHead::kTieEnd, false);
            if (head->HasTieStart() && !tb->FindTieFrom(item, k)) head->SetBits(NoteHead::kLinkByte, NoteHead::kTieStart, false);
        }
    }
}

bool CPasteTask::Overflows(int b, CBarItem* item) const {
    if (!item->IsNoteRestOrRawNote() || b >= score->GetBarCount() - 1) return false;
    if (item->IsRest() && item->TimeField() == 0) return false;
    return item->TimeField() + NoteLength(item) > BarLength(b);
}

bool CPasteTask::SplitAcrossBarLine(int d, int b, CBarItem* item) {
    // Every bar the note reaches is saved (all tracks: they are respaced) before it goes on.
    std::int64_t end = std::int64_t(item->TimeField()) + NoteLength(item) - BarLength(b);
    int last = b + 1;
    while (last < score->GetBarCount() - 1 && end > BarLength(last) && BarLength(last) > 0) end -= BarLength(last++);
    if (!SaveRange(0, b + 1, score->GetTrackCount() - 1, last)) return false;
    // The pieces follow the heads' own durations, which a damaged or odd record may make longer
    // than its value: the track is saved to the score's end, so that undo takes every piece back.
    if (!SaveRange(d, last + 1, d, score->GetBarCount() - 1)) return false;
    CTrkBar* tb = score->GetTrkBar(d, b);
    tb->SetCurrent();
    if (!tb->InsertAcrossBars(item)) return false;
    lastDestBar = std::max(lastDestBar, last);
    return true;
}

void CPasteTask::SnapEnd(int d, int b, CBarItem* item) {
    // A line's end goes to the note or rest of its voice nearest to it in the bar where it lies,
    // unless that is the line's own bar and the note does not come after the line's start.
    auto* line = CTieType::Of(item);
    const int endBar = b + line->EndBarOffset();
    CTrkBar* tb = endBar >= 0 && endBar < score->GetBarCount() ? score->GetTrkBar(d, endBar) : nullptr;
    if (!tb) return;
    tb->SetCurrent();
    CBarItem* found = tb->FindNearestNoteOrRest(item->VoiceField(), line->EndPositionField(), false, false);
    if (found && (endBar != b || found->TimeField() > item->TimeField())) line->SetEndPositionField(found->PositionField());
    line->SetFlagsA(std::uint8_t(line->FlagsA() & ~CBarItem::kRelayoutBit));
    if (CTrkBar* own = score->GetTrkBar(d, b)) own->SetCurrent();
}

void CPasteTask::LinkTie(int d, int b, CBarItem* item) {
    // The first pasted note of the tie's voice after its start (by time, since the bar is not
    // respaced yet), in its bar, else anywhere in the next bar of the paste, with a head of the
    // tie's pitch: that head is tied into and the tie ends at the note (the respacing that
    // follows carries the end with the note).
    auto* tie = CTieType::Of(item);
    const int pitch = tie->Pitch();
    for (int bar = b; bar <= std::min(b + 1, lastDestBar); ++bar) {
        CTrkBar* tb = score->GetTrkBar(d, bar);
        if (!tb) return;
        for (CBarItem* other : Records(tb)) {
            if (other->IsRemoved() || !IsPasted(other) || !other->IsNoteOrRawNote()) continue;
            if (other->VoiceField() != item->VoiceField()) continue;
            if (bar == b && other->TimeField() <= item->TimeField()) continue;
            auto* note = static_cast<CRawNote*>(other);
            for (int k = 0; k < note->HeadCountField(); ++k) {
                NoteHead* head = note->Head(k);
                if (head->Pitch() != pitch) continue;
                head->SetBits(NoteHead::kLinkByte, NoteHead::kTieEnd, true);
                tie->SetEndPositionField(other->PositionField());
                tie->SetEndBarOffset(bar - b);
                return;
            }
        }
    }
}

void CPasteTask::TieMergedNotes() {
    // The tie pass over the merge: every merged head that came with a tie mark is selected, the add-tie
    // walk ties each to the next selected head of its pitch (in its bar or at the start of the
    // next) over the destination tracks and bars, and the marks of selection go again.
    const int last = std::min(lastDestBar, score->GetBarCount() - 1);
    auto forEachNote = [&](auto&& f) {
        for (int t = firstTrack; t <= lastTrack; ++t)
            for (int b = firstBar; b <= last; ++b)
                if (CTrkBar* tb = score->GetTrkBar(t, b))
                    for (CBarItem* item : Records(tb))
                        if (!item->IsRemoved() && item->IsNoteOrRawNote()) f(static_cast<CRawNote*>(item));
    };
    bool any = false;
    for (int t = firstTrack; t <= lastTrack; ++t)
        for (int b = firstBar; b <= last; ++b) {
            CTrkBar* tb = score->GetTrkBar(t, b);
            if (!tb) continue;
            for (CBarItem* item : Records(tb)) {
                if (item->IsRemoved() || !item->IsNoteOrRawNote()) continue;
                auto* note = static_cast<CRawNote*>(item);
                bool marked = false;
                for (int k = 0; k < note->HeadCountField(); ++k) {
                    NoteHead* head = note->Head(k);
                    bool tied = false;
                    for (const TiedHead& h : tiedHeads)
                        tied = tied || (h.track == t && h.bar == b && h.time == item->TimeField() &&
                                        h.voice == item->VoiceField() && h.pitch == head->Pitch());
                    head->SetBits(NoteHead::kShapeByte, NoteHead::kSelected, tied);
                    marked = marked || tied;
                }
                note->SetFlagsB(marked ? std::uint8_t(note->FlagsB() | CBarItem::kSelectedBit)
                                       : std::uint8_t(note->FlagsB() & ~CBarItem::kSelectedBit));
                any = any || marked;
            }
        }
    if (!any) return;
    ScoreLocation& at = document->location;
    const std::uint16_t voice = at.voice;
    const std::uint8_t allVoices = at.allVoices;
    {
        CAddTieTask ties;
        ties.Attach(document, kAddTieCommand, 0);
        ties.SetDeselect(false);
        ties.lower[kExtentTrack] = std::int16_t(firstTrack);
        ties.upper[kExtentTrack] = std::int16_t(lastTrack);
        ties.lower[kExtentBar] = std::int16_t(firstBar);
        ties.upper[kExtentBar] = std::int16_t(last);
        ties.lower[kExtentTime] = ties.lower[kExtentPosition] = 0;
        ties.upper[kExtentTime] = ties.upper[kExtentPosition] = 32767;
        at.voice = 0;
        at.allVoices = 1;
        // What the tie walk changes lies in bars this paste has saved, and in the bar after its
        // last, which is saved here first.
        if (last + 1 < score->GetBarCount() && !SaveRange(0, last + 1, score->GetTrackCount() - 1, last + 1))
            ThrowCode(kOutOfMemory);
        ties.WalkTracks();
    }
    at.voice = voice;
    at.allVoices = allVoices;
    document->currentTask = this;
    forEachNote([&](CRawNote* note) {
        for (int k = 0; k < note->HeadCountField(); ++k) note->Head(k)->SetBits(NoteHead::kShapeByte, NoteHead::kSelected, false);
        note->SetFlagsB(std::uint8_t(note->FlagsB() & ~CBarItem::kSelectedBit));
    });
}

namespace {

bool Waiting(CBarItem* item) {
    constexpr std::uint8_t kWaiting = CPasteTask::kPastedBit | CBarItem::kRemovedBit;
    return (item->FlagsB() & kWaiting) == kWaiting && item->VoiceField() == 7 && item->IsNoteOrRawNote();
}

// The note with a head of the pitch that a tie ends at, among the notes given, at the time.
CBarItem* TiedOnAt(const std::vector<CBarItem*>& notes, int time, int pitch) {
    for (CBarItem* other : notes) {
        if (other->TimeField() != time) continue;
        auto* note = static_cast<CRawNote*>(other);
        for (int k = 0; k < note->HeadCountField(); ++k)
            if (note->Head(k)->Pitch() == pitch && note->Head(k)->HasTieEnd()) return other;
    }
    return nullptr;
}

}  // namespace

bool CPasteTask::VoiceFits(CTrkBar* tb, int voice, int start, int length) const {
    // No live note of the voice overlaps the span, but for one of the same start and end, which
    // the note chords with.
    for (CBarItem* other : Records(tb)) {
        if (other->IsRemoved() || !other->IsNoteOrRawNote() || other->VoiceField() != voice) continue;
        const int os = other->TimeField(), ol = NoteLength(other);
        if (os == start && ol == length) continue;
        if (os < start + length && start < os + ol) return false;
    }
    return true;
}

void CPasteTask::FollowTies(int d, int bar, CBarItem* note, const std::vector<CBarItem*>& sameBar,
                            std::vector<TiedOn>* out) const {
    // From each head that starts a tie, the waiting notes it goes on to: the next at the note's
    // end, in its bar or at the start of the next bar of the paste, and on from there.
    const int last = std::min(lastDestBar, score->GetBarCount() - 1);
    auto* first = static_cast<CRawNote*>(note);
    for (int k = 0; k < first->HeadCountField(); ++k) {
        if (!first->Head(k)->HasTieStart()) continue;
        const int pitch = first->Head(k)->Pitch();
        int b = bar, end = note->TimeField() + NoteLength(note);
        // Times only grow along a chain; the bars of the paste bound it.
        for (int steps = 0; steps < 4096; ++steps) {
            std::vector<CBarItem*> candidates;
            if (end >= BarLength(b)) {
                end -= BarLength(b);
                if (++b > last) break;
                CTrkBar* next = score->GetTrkBar(d, b);
                if (!next) break;
                for (CBarItem* item : Records(next))
                    if (Waiting(item)) candidates.push_back(item);
            } else {
                candidates = b == bar ? sameBar : std::vector<CBarItem*>{};
                if (b != bar)
                    for (CBarItem* item : Records(score->GetTrkBar(d, b)))
                        if (Waiting(item)) candidates.push_back(item);
            }
            CBarItem* on = TiedOnAt(candidates, end, pitch);
            if (!on) break;
            out->push_back({b, on->TimeField(), NoteLength(on), pitch, -1});
            auto* onNote = static_cast<CRawNote*>(on);
            bool goesOn = false;
            for (int h = 0; h < onNote->HeadCountField(); ++h)
                goesOn = goesOn || (onNote->Head(h)->Pitch() == pitch && onNote->Head(h)->HasTieStart());
            if (!goesOn) break;
            end = on->TimeField() + NoteLength(on);
        }
    }
}

void CPasteTask::MergeIntoVoices(int d) {
    const int last = std::min(lastDestBar, score->GetBarCount() - 1);
    // Notes tied on from a merged note keep its voice: bar, time and pitch give the voice.
    std::vector<TiedOn> chosen;
    for (int b = firstBar; b <= last; ++b) {
        CTrkBar* tb = score->GetTrkBar(d, b);
        if (!tb) break;
        tb->SetCurrent();
        bool marked[8] = {};
        std::vector<std::vector<std::uint8_t>> waiting;
        std::vector<CBarItem*> sameBar;
        for (CBarItem* item : Records(tb)) {
            if (!Waiting(item)) continue;
            sameBar.push_back(item);
            const auto* p = reinterpret_cast<const std::uint8_t*>(item);
            waiting.emplace_back(p, p + item->RecordSizeField());
        }
        // The notes tied on from each waiting note, found while every waiting note is still in
        // its place.
        std::vector<std::vector<TiedOn>> chains(waiting.size());
        for (std::size_t i = 0; i < sameBar.size(); ++i) FollowTies(d, b, sameBar[i], sameBar, &chains[i]);
        for (CBarItem* item : sameBar) SetPasted(item, false);
        for (std::size_t i = 0; i < waiting.size(); ++i) {
            auto* note = reinterpret_cast<CBarItem*>(waiting[i].data());
            const int start = note->TimeField(), length = NoteLength(note);
            // A note tied on from one merged before tries that note's voice first.
            int preferred = -1;
            auto* raw = reinterpret_cast<CRawNote*>(note);
            for (const TiedOn& c : chosen)
                for (int k = 0; k < raw->HeadCountField(); ++k)
                    if (c.bar == b && c.time == start && c.pitch == raw->Head(k)->Pitch()) preferred = c.voice;
            for (int n = preferred >= 0 ? -1 : 0; n <= 6; ++n) {
                const int v = n < 0 ? preferred : n;
                if (!VoiceFits(tb, v, start, length)) continue;
                // Every note tied on from it must fit the voice too.
                bool chainFits = true;
                for (const TiedOn& c : chains[i]) {
                    CTrkBar* at = score->GetTrkBar(d, c.bar);
                    chainFits = chainFits && at && VoiceFits(at, v, c.time, c.length);
                }
                tb->SetCurrent();
                if (!chainFits) continue;
                note->SetFlagsB(std::uint8_t(note->FlagsB() & ~CBarItem::kRemovedBit));
                SetVoiceBits(note, v);
                if (!tb->MergeNote(note, length, v)) ThrowCode(kOutOfMemory);
                for (TiedOn c : chains[i]) {
                    c.voice = v;
                    chosen.push_back(c);
                }
                // The heads that came tied are tied again once every note has its voice.
                auto* copied = reinterpret_cast<CRawNote*>(note);
                for (int k = 0; k < copied->HeadCountField(); ++k) {
                    const NoteHead* head = copied->Head(k);
                    if (head->HasTieStart() || head->HasTieEnd()) tiedHeads.push_back({d, b, start, v, head->Pitch()});
                }
                marked[v] = true;
                if (v != 0) trkbar::PlaceNote(tb, false);
                break;
            }
        }
        for (int v = 0; v < 8; ++v)
            if (marked[v]) tb->Rebeam(v, 0);
        int overTrack = 0, overVoice = 0;
        tb->RecalcTimes(&overTrack, &overVoice);
    }
}
