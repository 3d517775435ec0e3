#include "edit/OttavaTask.h"

#include <algorithm>

#include "edit/EditStandIns.h"
#include "model/Bar.h"
#include "model/ModelGlobals.h"
#include "model/Ottava.h"
#include "model/Score.h"
#include "model/Select.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "platform/Handles.h"

namespace {
constexpr int kBarEnd = 1023;
// The line's end lies this far (page units) past the last selected item.
constexpr int kEndMargin = 8;
constexpr int kOffsetAbove = -600, kOffsetBelow = 600;
constexpr std::uint8_t kOptionBits = 0x0F;
constexpr int kFlagBit[4] = {1, 0, 3, 2};

COttava* CurrentOttava(CZelDoc& doc) {
    for (CBaseItem* item : {doc.location.item, g_model.hitItem}) {
        auto* b = static_cast<CBarItem*>(item);
        if (b && b->TypeCode() == COttava::kTypeCode && b->RecordSizeField() >= COttava::kSize) return static_cast<COttava*>(b);
    }
    return nullptr;
}

// The octave piece of a line (its identifier) in a track's bar; null when the bar has none.
COttava* PieceIn(CScore& score, int track, int bar, int identifier) {
    CTrkBar* tb = score.GetTrkBar(track, bar);
    for (CBarItem* i = tb ? tb->GetItems() : nullptr; i && i->TypeCode() != 255; i = i->NextItem())
        if (!i->IsRemoved() && i->TypeCode() == COttava::kTypeCode &&
            static_cast<COttava*>(i)->GetIdentifier() == identifier)
            return static_cast<COttava*>(i);
    return nullptr;
}
}  // namespace

std::uint8_t CAddOttavaTask::FlagBits() const {
    std::uint8_t bits = 0;
    for (int k = 0; k < 4; ++k)
        if (flags[k]) bits = std::uint8_t(bits | (1 << kFlagBit[k]));
    return bits;
}

bool CAddOttavaTask::Prepare() {
    if (!score || !document) return false;
    const int command = name;
    if (command == kEdit) {
        edited = CurrentOttava(*document);
        if (!edited) return false;
        kind = std::int16_t(edited->GetKind());
        for (int k = 0; k < 4; ++k) flags[k] = std::int16_t((edited->GetFlags() >> kFlagBit[k]) & 1);
    } else {
        kind = command == kAdd || command == kAddMenu ? 0 : 1;
        for (std::int16_t& f : flags) f = 1;
    }
    if (command == kAddMenu || command == kEdit) {
        COttavaDlg dlg(&kind, flags);
        if (!dlg.RunModal()) return false;
    }
    kind = std::int16_t(std::clamp<int>(kind, 0, 3));
    return true;
}

void CAddOttavaTask::PerformEdit() {
    // The line's track and the bar of the piece edited.
    int track = -1, at = -1;
    for (int b = 0; b < score->GetBarCount() && track < 0; ++b)
        for (int t = 0; t < score->GetTrackCount() && track < 0; ++t) {
            CTrkBar* tb = score->GetTrkBar(t, b);
            for (CBarItem* i = tb->GetItems(); i && i->TypeCode() != 255; i = i->NextItem())
                if (i == edited) {
                    track = t;
                    at = b;
                    break;
                }
        }
    if (track < 0) return;
    const int identifier = edited->GetIdentifier();
    // The line's first bar: back to the start piece.
    int first = at;
    for (COttava* p = edited; p && !p->IsStart() && first > 0;) {
        COttava* before = PieceIn(*score, track, first - 1, identifier);
        if (!before) break;
        --first;
        p = before;
    }
    int last = at;
    for (COttava* p = PieceIn(*score, track, at, identifier); p && !p->IsEnd() && last + 1 < score->GetBarCount();) {
        COttava* next = PieceIn(*score, track, last + 1, identifier);
        if (!next) break;
        ++last;
        p = next;
    }
    if (!SaveRange(track, first, track, last)) ThrowOutOfMemory();
    for (int b = first; b <= last; ++b) {
        COttava* p = PieceIn(*score, track, b, identifier);
        if (!p) break;
        const std::uint8_t kept = p->GetFlags() & std::uint8_t(~(kOptionBits | (3 << COttava::kKindShift)));
        p->SetFlags(std::uint8_t(kept | FlagBits() | (kind << COttava::kKindShift)));
        rec::Put<std::int16_t>(p, COttava::kShift, std::int16_t(COttava::ShiftOfKind(kind)));
        if (p->IsEnd()) break;
    }
}

void CAddOttavaTask::PerformAdd() {
    CSelect* sel = document->GetSelection();
    int track = document->location.trackIndex;
    int firstBar = document->location.barIndex, lastBar = firstBar, startPosition = 0, endPosition = kBarEnd;
    const bool selected = sel && sel->GetNoteCount() > 0 && !sel->IsEmpty();
    if (selected) {
        track = sel->lower[kExtentTrack];
        firstBar = sel->lower[kExtentBar];
        lastBar = std::min<int>(sel->upper[kExtentBar], score->GetBarCount() - 1);
        startPosition = sel->lower[kExtentPosition];
        CBar* last = score->GetBar(lastBar);
        endPosition = std::min<int>(kBarEnd, sel->upper[kExtentPosition] + (last ? last->WidthToFraction(kEndMargin) : 0));
    }
    track = std::clamp(track, 0, score->GetTrackCount() - 1);
    firstBar = std::clamp<int>(firstBar, 0, score->GetBarCount() - 1);
    lastBar = std::clamp(lastBar, firstBar, score->GetBarCount() - 1);
    // Over selected notes the selection's own walk runs first (its snapshot of the extent, the
    // items deselected), the line's place taken from the extent before it.
    if (selected) Walk();
    if (!SaveRange(track, firstBar, track, lastBar)) ThrowOutOfMemory();
    const int offset = (kind == 0 || kind == 2) ? kOffsetAbove : kOffsetBelow;
    const std::uint8_t bits = FlagBits();
    if (!score->ApplyOttava(firstBar, startPosition, lastBar, endPosition, track, offset, kind, (bits & 2) != 0,
                            (bits & 4) != 0, (bits & 1) != 0, (bits & 8) != 0, 0))
        ThrowOutOfMemory();
}

bool CAddOttavaTask::Perform() {
    if (!score || !document) return true;
    if (name == kEdit) {
        if (edited) PerformEdit();
    } else {
        PerformAdd();
    }
    SetLayoutChanged(true);
    return true;
}
