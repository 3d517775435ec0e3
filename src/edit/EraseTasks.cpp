// The erase commands over the hit record: an item or one of its parts, a bar's ending, jumper,
// repeat structure or special bar line, a page text, a bracket.
#include "edit/EraseTasks.h"

#include <algorithm>

#include "edit/ChordTies.h"
#include "edit/EditStandIns.h"
#include "model/PlaybackMarks.h"
#include "model/TieType.h"
#include "model/Bar.h"
#include "model/ItemArray.h"
#include "model/ModelGlobals.h"
#include "model/Ottava.h"
#include "model/Score.h"
#include "model/ScoreStandIns.h"
#include "model/System.h"
#include "model/TrkBar.h"
#include "model/TrkBarEntry.h"
#include "model/ZelDoc.h"
#include "notation/RawNote.h"
#include "platform/Handles.h"

namespace {

constexpr int kMarkHit = 906;
constexpr int kBarLineInvisible = 6;
constexpr int kBarLineDouble = 1;
constexpr std::uint8_t kBarFlag4 = 0x10;
// An expression's flag byte: the kind in its high nibble; kind 1 changes the tempo.

// Whether removing the item changes the score's tempo: a tempo mark, or a tempo expression.
bool ChangesTempo(CBarItem* item) {
    if (item->IsTempo()) return true;
    return item->IsExpression() && CExpression::Of(item)->IsKind1();
}

// A slur that ends or starts at the note lays itself out again (the note's highest or lowest
// head may go); a slur in another bar has that bar saved for undo first.
void RelayoutSlursAt(CScoreTask& task, CTrkBar* trkBar, CBarItem* note) {
    // The finders also take hairpins for a slur: those found are passed over.
    CBarItem* passed[8] = {};
    int count = 0;
    CTrkBar* endBar = nullptr;
    CBarItem* ending = nullptr;
    while (count < 8) {
        const FinderSkip skip{passed, count};
        ending = trkBar->FindLineEndingAt(note, CTieType::kSlurType, &endBar, &skip);
        if (!ending || ending->IsSlur()) break;
        passed[count++] = ending;
    }
    count = 0;
    CBarItem* starting = nullptr;
    while (count < 8) {
        const FinderSkip skip{passed, count};
        starting = trkBar->FindLineStartingAt(note, CTieType::kSlurType, &skip);
        if (!starting || starting->IsSlur()) break;
        passed[count++] = starting;
    }
    if (ending && !ending->IsSlur()) ending = nullptr;
    if (starting && !starting->IsSlur()) starting = nullptr;
    if (ending && endBar && endBar != trkBar && !task.SaveTrackBar(endBar->GetTrackIndex(), endBar->GetBarIndex()))
        ThrowOutOfMemory();
    for (CBarItem* slur : {ending, starting})
        if (slur) slur->SetFlagsA(std::uint8_t(slur->FlagsA() | CBarItem::kRelayoutBit));
    trkBar->SetCurrent();
}

// The track bar of bar b whose run holds the record (null: none does).
CTrkBar* TrkBarHolding(CScore* score, int b, const CBarItem* item) {
    for (int t = 0; t < score->GetTrackCount(); ++t) {
        CTrkBar* tb = score->GetTrkBar(t, b);
        if (!tb) continue;
        const auto* run = reinterpret_cast<const std::uint8_t*>(tb->GetItems());
        const auto* at = reinterpret_cast<const std::uint8_t*>(item);
        if (run && at >= run && at < run + tb->GetRunLength()) return tb;
    }
    return nullptr;
}

// The bar item the last hit found (null: none, or the bar itself, whose lines were hit).
CBarItem* HitBarItem() {
    CBaseItem* item = g_model.hitItem;
    if (!item || item == g_model.hitBar) return nullptr;
    return static_cast<CBarItem*>(item);
}

// Whether the record lies in the bar's own item list.
bool InOwnList(CBar* bar, const CBarItem* item) {
    CItemArray* own = bar ? bar->GetItemArray() : nullptr;
    for (int i = 0; own && i < own->GetCount(); ++i)
        if (own->GetAt(i) == item) return true;
    return false;
}

// The bar's recalculation chain after a note, rest or mark went.
void RecalcTrackBar(CTrkBar* trkBar, int flag, bool accidentals) {
    trkBar->RecalcTimes(nullptr, nullptr);
    if (accidentals) trkBar->RecalcAccidentals();
    trkBar->Recalc(flag);
}

void FillVoice(CTrkBar* trkBar, int voice) {
    const bool other = voice >= 1 && trkBar->HasOtherVoice(voice);
    if (!trkBar->FillGaps(voice, true, other, true)) ThrowOutOfMemory();
}

}  // namespace

bool CEraseTask::Perform() {
    tempoChanged = false;
    CBarItem* item = HitBarItem();
    CBar* hitBar = g_model.hitBar;
    if (!score || !item || !hitBar) {
        undoable = 0;
        return true;
    }
    const int b = hitBar->GetIndex();
    bar = hitBar;
    if (InOwnList(hitBar, item)) {
        // One of the bar's own items (a tempo mark, a jumper): the bar is saved and loses it.
        if (!SaveBars(b, b)) ThrowOutOfMemory();
        AddItemRect(item);
        const bool tempo = ChangesTempo(item);
        hitBar->RemoveItem(item);
        g_model.hitItem = nullptr;
        SetLayoutChanged();
        // The tempo changed: every bar's running tempo is worked out again.
        if (tempo) score->RecalcBars(false);
        return true;
    }
    trkBar = g_model.hitTrkBar && TrkBarHolding(score, b, item) == g_model.hitTrkBar ? g_model.hitTrkBar
                                                                                    : TrkBarHolding(score, b, item);
    if (!trkBar) {
        undoable = 0;
        return true;
    }
    const int t = trkBar->GetTrackIndex();
    trkBar->SetCurrent();
    system = trkBar->GetLine();
    int first = b, last = b;
    if (item->BelongsToBar()) {
        if (!item->IsLineItem() && !SaveBars(b, b)) ThrowOutOfMemory();
        item->GetBarRange(&first, &last, trkBar);
        first = std::max(first, 0);
        last = std::clamp(last, first, score->GetBarCount() - 1);
    }
    if (!g_entry.autoSpacing) {
        if (!SaveRange(t, first, t, last)) ThrowOutOfMemory();
    } else {
        CLine* lastLine = score->GetBar(last) ? score->GetBar(last)->GetLine() : nullptr;
        const int to = lastLine ? lastLine->GetIndex() : curSystem;
        for (int s = system ? system->GetIndex() : curSystem; s <= to; ++s)
            if (!SaveSystem(s)) ThrowOutOfMemory();
    }
    trkBar->SetCurrent();
    AddItemRect(item);

    const int part = g_model.hitPart;
    const bool markHit = g_model.hitTool == kMarkHit || g_model.hitKind == kMarkHit;
    if (item->IsKeySig() || item->IsClef()) {
        item->MarkRemoved();
        if (b > 0 && hitBar->GetClosingKind() == kBarLineDouble) hitBar->SetClosingKind(0);
        SetLayoutChanged();
        score->RecalcBars(false);
    } else if (item->IsOttava()) {
        // The first record of a chain changes no layout of its own.
        const bool first = item->RecordSizeField() > COttava::kFlags && static_cast<COttava*>(item)->IsStart();
        item->MarkRemoved();
        if (!first) SetLayoutChanged();
    } else if (item->IsPedal()) {
        // A pedal loses only the change point hit; its ends or another part take the whole pedal.
        static_cast<CPedal*>(item)->RemovePoint(part);
    } else if (!item->IsNoteRestOrRawNote() && !item->IsMultiRest()) {
        // One tie of a chord takes the chord's other ties with it.
        if (item->IsTie() && edit::IsChordTie(trkBar, item)) edit::RemoveSiblingTies(*this, trkBar, item, false);
        item->MarkRemoved();
        if (item->IsTempo()) SetLayoutChanged();
        if (ChangesTempo(item)) tempoChanged = true;
    } else if (markHit && !item->IsMultiRest()) {
        auto* head = static_cast<CRawHead*>(item)->RemoveMark(part);
        if (!head) ThrowOutOfMemory();
        item = head;
    } else if (item->IsRest()) {
        item->MarkRemoved();
        RecalcTrackBar(trkBar, 1, false);
    } else if (item->IsNoteOrRawNote()) {
        auto* note = static_cast<CRawNote*>(item);
        const int voice = note->VoiceField();
        // What hangs on the note is redrawn before its heads go.
        note->InvalidateAttached();
        trkBar->SetCurrent();
        if (note->HeadCountField() > 1) RelayoutSlursAt(*this, trkBar, note);
        if (part == CRawNote::kAllHeads) {
            for (int k = note->HeadCountField() - 1; k >= 0 && !note->IsRemoved(); --k) note->RemoveHead(k);
        } else {
            note->RemoveHead(part);
        }
        // A note that lost its only head goes, and rests fill its place.
        if (note->IsRemoved()) FillVoice(trkBar, voice);
        RecalcTrackBar(trkBar, 1, true);
    }
    g_model.hitItem = nullptr;
    trkBar->Compact();
    trkBar->RecalcTimes(nullptr, nullptr);
    if (g_entry.autoSpacing) {
        if (!hitBar->Respace()) ThrowOutOfMemory();
        if (system) system->Rejustify(true);
    }
    // The tempo changed: every bar's running tempo is worked out again.
    if (tempoChanged) score->RecalcBars(false);
    return true;
}

bool CEraseBarTask::Perform() {
    CBar* hitBar = g_model.hitBar;
    if (!score || !hitBar) {
        undoable = 0;
        return true;
    }
    const int b = hitBar->GetIndex();
    int kind = g_model.hitKind;
    CBarItem* item = HitBarItem();
    if (kind == 0) {
        // The bar's repeat-count jumper stands for the bar when nothing particular was hit.
        CItemArray* own = hitBar->GetItemArray();
        for (int i = 0; own && i < own->GetCount(); ++i) {
            auto* it = static_cast<CBarItem*>(own->GetAt(i));
            if (it && it->TypeCode() >= CBar::kJumperType && it->TypeCode() <= CBar::kEndingType &&
                rec::Get<std::uint8_t>(it, CBar::kJumperKind) == CBar::kRepeatCountKind) {
                g_model.hitPart = 0;
                kind = g_model.hitKind = 2;
                g_model.hitItem = item = it;
                break;
            }
        }
    }
    if ((kind == 2 || kind == 4) && item && InOwnList(hitBar, item)) {
        if (!SaveBars(b, b + std::max(item->GetBarSpan(), 0))) ThrowOutOfMemory();
        hitBar->RemoveItem(item);
        g_model.hitItem = nullptr;
        SetLayoutChanged();
    } else if (kind == 3) {
        hitBar->MakeCurrent();
        if (!SaveBar(b)) ThrowOutOfMemory();
        hitBar->RemoveRepeat(true, hitBar->HasRepeatEnd() ? 0 : hitBar->GetClosingKind());
        SetLayoutChanged();
    } else {
        if (!SaveBars(b, b + 1)) ThrowOutOfMemory();
        CBar* next = score->GetBar(b + 1);
        CLine* taskSystem = score->GetLine(location.systemIndex);
        if (hitBar->GetOpeningKind() != 0) {
            hitBar->SetOpeningKind(0);
        } else if (hitBar->GetClosingKind() != 0) {
            hitBar->SetClosingKind(0);
        } else if (hitBar->HasBarFlag(kBarFlag4) || hitBar->GetLine() != taskSystem) {
            hitBar->SetClosingKind(kBarLineInvisible);
        } else if (next && next->GetOpeningKind() != 0) {
            next->SetOpeningKind(0);
        } else {
            hitBar->SetClosingKind(kBarLineInvisible);
        }
        // The bar line's system is redrawn (and the task's, when the hit bar lies elsewhere).
        for (CLine* line : {hitBar->GetLine(), taskSystem})
            if (line) AddDirtyRect(line->GetRect(), line->GetPageIndex());
    }
    score->Reindex();
    return true;
}

bool CErasePageTextTask::Perform() {
    CBarItem* item = HitBarItem();
    CPageTextArray* texts = score ? score->GetPageTextArray() : nullptr;
    if (!SavePageTexts() || !texts || !item) {
        undoable = 0;
        return true;
    }
    for (int i = 0; i < texts->GetCount(); ++i)
        if (texts->GetAt(i) == item) {
            item->Invalidate();
            texts->Remove(item);
            g_model.hitItem = nullptr;
            break;
        }
    return true;
}

bool CEraseBracketTask::Perform() {
    if (!score) return true;
    if (!SaveAll()) ThrowOutOfMemory();
    score->RemoveBracketLevel(g_model.hitPart, location.trackIndex);
    SetLayoutChanged();
    return true;
}
