// Notes and rests placed across bar lines: a record whose time lies past its bar's end moves on
// to the bar it falls in, and one that runs over the bar line is cut there and goes on, its
// heads tied, at the start of the next bar.
#include <cstring>
#include <vector>

#include "model/Bar.h"
#include "model/BarSpacing.h"
#include "model/ModelGlobals.h"
#include "model/NoteSize.h"
#include "model/Score.h"
#include "model/TieType.h"
#include "model/TrkBar.h"
#include "model/TrkBarStandIns.h"
#include "model/TrkBarWalk.h"
#include "platform/Handles.h"

namespace {

enum : int { kTupletCount = 16, kTupletSpace = 17, kFlags = 18, kValue = 19, kHeadCount = 23, kHeads = 24, kHeadSize = 16 };
enum : int { kHeadShape = 0, kHeadLinks = 1, kHeadAcc = 3, kHeadPosition = 5, kHeadPitch = 7, kHeadDuration = 12 };
enum : std::uint8_t { kSlashBit = 0x01, kBeamedBit = 0x08, kInvisible = 0x01, kTieEnd = 0x04, kTieStart = 0x08,
                      kAccShown = 0x04, kHalfBit = 0x01 };

int HeadsIn(const CBarItem* note) {
    if (!note->IsNote() && !note->IsRawNote()) return 0;
    const int count = rec::Get<std::uint8_t>(note, kHeadCount);
    const int room = (note->RecordSizeField() - kHeads) / kHeadSize;
    return room < 0 ? 0 : (count < room ? count : room);
}
std::uint8_t* HeadAt(CBarItem* note, int i) { return note->Bytes() + kHeads + kHeadSize * i; }

// Writes a length as the note's value and dots. The value is written in the note's own time: a
// tuplet member keeps its ratio and a halved note its half flag, so the written value is the
// length scaled back by them and the piece lasts the length it was cut to.
void SetValueForDuration(CBarItem* item, int ticks) {
    const int count = rec::Get<std::uint8_t>(item, kTupletCount), space = rec::Get<std::uint8_t>(item, kTupletSpace);
    if (count != 0 && space != 0) ticks = ticks * count / space;
    if (rec::Get<std::uint8_t>(item, kValue) & kHalfBit) ticks *= 2;
    const notesize::ValueAndDots v = notesize::SplitDuration(ticks);
    rec::Put<std::uint8_t>(item, kValue, std::uint8_t((rec::Get<std::uint8_t>(item, kValue) & 0x0F) | (v.code << 4)));
    rec::Put<std::uint8_t>(item, kFlags, std::uint8_t((rec::Get<std::uint8_t>(item, kFlags) & 0x3F) | (v.dots << 6)));
    // A slash note shorter than a half takes the filled slash heads.
    if ((rec::Get<std::uint8_t>(item, kFlags) & kSlashBit) && v.code > 2)
        for (int h = 0; h < HeadsIn(item); ++h) {
            std::uint8_t* head = HeadAt(item, h);
            const int shape = head[kHeadShape] >> 2;
            head[kHeadShape] = std::uint8_t((head[kHeadShape] & 0x03) | ((shape == 7 ? 6 : 2) << 2));
        }
}

// A work buffer freed on every way out.
struct OwnBuffer {
    HandleBuffer buffer;
    ~OwnBuffer() { buffer.Free(); }
};

// Calls f for each record of a buffer of records.
template <typename F>
void ForEachRecordIn(HandleBuffer& buffer, F&& f) {
    auto* base = static_cast<std::uint8_t*>(buffer.GetData());
    if (base) trkbar::ForEachRecord(base, buffer.GetSize(), [&](CBarItem* r) {
        f(r);
        return true;
    });
}

// Where a record lies in its bar's run, and the record at such a place after the run moved.
std::ptrdiff_t OffsetIn(CTrkBar* bar, CBarItem* record) {
    return record->Bytes() - reinterpret_cast<std::uint8_t*>(bar->GetItems());
}
CBarItem* RecordAtOffset(CTrkBar* bar, std::ptrdiff_t offset) {
    return reinterpret_cast<CBarItem*>(reinterpret_cast<std::uint8_t*>(bar->GetItems()) + offset);
}

// Where a note stops sounding, in ticks from the start of its bar: its end, or the end of the
// last note that a head of it is tied on to, in whichever later bar that lies.
int SoundingEnd(CTrkBar* bar, CBarItem* note) {
    int end = int(NoteEndTime(*note));
    for (int h = 0; h < HeadsIn(note); ++h) {
        if (!(HeadAt(note, h)[kHeadLinks] & kTieStart)) continue;
        TieChainEnd last;
        bar->GetTieChainSpan(note, h, nullptr, &last);
        int ticks = last.time;
        for (int b = bar->GetBarIndex(); b < last.bar; ++b)
            if (CTrkBar* between = bar->Neighbour(b - bar->GetBarIndex())) ticks += between->GetMeterLength();
        if (ticks > end) end = ticks;
    }
    bar->SetCurrent();
    return end;
}

}  // namespace

bool CTrkBar::InsertAcrossBars(CBarItem* record) {
    CScore* score = g_model.currentScore;
    if (!score || !record) return false;
    SetCurrent();
    const std::vector<std::uint8_t> buffer(record->Bytes(), record->Bytes() + record->RecordSizeField());
    auto* copy = reinterpret_cast<CBarItem*>(const_cast<std::uint8_t*>(buffer.data()));
    const int track = GetTrackIndex();
    int b = GetBarIndex();
    int time = record->TimeField();
    int meter = GetMeterLength();
    CTrkBar* here = this;
    CBarItem* item = record;
    if (meter > 0 && time >= meter) {
        while (time >= meter) {
            time -= meter;
            if (++b >= score->GetBarCount()) return false;
            meter = score->GetBar(b)->GetMeterLength();
            if (meter <= 0) return false;
        }
        here = score->GetTrkBar(track, b);
        if (!here) return false;
        std::vector<std::uint8_t> moved(buffer);
        auto* m = reinterpret_cast<CBarItem*>(moved.data());
        m->SetTimeField(std::int16_t(time));
        m->SetPositionField(score->GetBar(b)->TickToFraction(time, false));
        m->SetFlagsB(std::uint8_t(m->FlagsB() & ~CBarItem::kRemovedBit));
        here->SetCurrent();
        item = here->InsertCopy(m);
        if (!item) {
            SetCurrent();
            return false;
        }
        // Only now that its copy stands does the source go.
        record->SetFlagsB(std::uint8_t(record->FlagsB() | CBarItem::kRemovedBit));
        copy->SetTimeField(std::int16_t(time));
    }
    here->SetCurrent();
    int duration = int(NoteDuration(*item));
    while (meter > 0 && time + duration > meter && b + 1 < score->GetBarCount()) {
        const int first = meter - time;
        // The ties that leave the note go on from its last piece.
        std::vector<std::vector<std::uint8_t>> carried;
        if (item->IsNote())
            for (int h = 0; h < HeadsIn(item); ++h) {
                std::uint8_t* head = HeadAt(item, h);
                if (!(head[kHeadLinks] & kTieStart)) continue;
                g_model.finderBar = here;
                CBarItem* tie = here->FindTieFrom(item, h);
                if (!tie) {
                    head[kHeadLinks] &= std::uint8_t(~kTieStart);
                    continue;
                }
                carried.emplace_back(tie->Bytes(), tie->Bytes() + tie->RecordSizeField());
                tie->SetFlagsB(std::uint8_t(tie->FlagsB() | CBarItem::kRemovedBit | CBarItem::kScratchBit));
            }
        SetValueForDuration(item, first);
        for (int h = 0; h < HeadsIn(item); ++h) {
            std::uint8_t* head = HeadAt(item, h);
            if (head[kHeadShape] & kInvisible) continue;
            rec::Put<std::uint16_t>(head, kHeadDuration, std::uint16_t(first));
            head[kHeadLinks] |= kTieStart;
        }
        item->LayoutChord();
        if (item->IsNote()) {
            // Ties from this piece to the next, at the next bar's first column.
            OwnBuffer ties;
            if (!CTie::BuildForNote(item, 0, 0, 1, &ties.buffer, false)) return false;
            const std::uint8_t bits = item->FlagsB() & (CBarItem::kSelectedBit | CBarItem::kRemovedBit | CBarItem::kScratchBit);
            ForEachRecordIn(ties.buffer, [&](CBarItem* tie) {
                CTieType::Of(tie)->SetEndPositionField(0);
                tie->SetFlagsB(std::uint8_t((tie->FlagsB() & ~(CBarItem::kSelectedBit | CBarItem::kRemovedBit | CBarItem::kScratchBit)) | bits));
            });
            if (ties.buffer.GetSize() > 0) {
                const std::ptrdiff_t at = OffsetIn(here, item);
                if (!here->InsertBuffer(time, ties.buffer)) return false;
                item = RecordAtOffset(here, at + std::ptrdiff_t(ties.buffer.GetSize()));
                NotePlaceTies(*item, track);
            }
        }
        CTrkBar* next = score->GetTrkBar(track, b + 1);
        if (!next) break;
        ++b;
        next->SetCurrent();
        const int remaining = duration - first;
        copy->SetTimeField(0);
        copy->SetPositionField(0);
        CBarItem* piece = next->InsertCopy(copy);
        if (!piece) return false;
        SetValueForDuration(piece, remaining);
        rec::Put<std::uint8_t>(piece, kFlags, std::uint8_t(rec::Get<std::uint8_t>(piece, kFlags) & ~kBeamedBit));
        for (int h = 0; h < HeadsIn(piece); ++h) {
            std::uint8_t* head = HeadAt(piece, h);
            std::uint8_t* source = HeadAt(copy, h);
            const int left = rec::Get<std::uint16_t>(source, kHeadDuration) - first;
            rec::Put<std::uint16_t>(source, kHeadDuration, std::uint16_t(left > 0 ? left : 0));
            rec::Put<std::uint16_t>(head, kHeadDuration, std::uint16_t(left > 0 ? left : 0));
            head[kHeadLinks] |= kTieEnd;
            head[kHeadAcc] &= std::uint8_t(~kAccShown);
        }
        piece->LayoutChord();
        if (!carried.empty()) {
            // The ties that left the note now leave its new piece, towards where it ends.
            OwnBuffer moved;
            const int end = next->TickToFraction(remaining);
            for (auto& bytes : carried) {
                auto* tie = reinterpret_cast<CTieType*>(bytes.data());
                tie->SetFlagsB(std::uint8_t(tie->FlagsB() & ~(CBarItem::kRemovedBit | CBarItem::kScratchBit)));
                tie->SetTimeField(0);
                tie->SetPositionField(0);
                if (tie->HoldsEnds()) {
                    tie->SetEndBarOffset(0);
                    tie->SetEndPositionField(end);
                }
                if (!moved.buffer.Append(bytes.data(), std::uint32_t(bytes.size()))) return false;
            }
            const std::ptrdiff_t at = OffsetIn(next, piece);
            if (!next->InsertBuffer(0, moved.buffer)) return false;
            piece = RecordAtOffset(next, at + std::ptrdiff_t(moved.buffer.GetSize()));
            for (auto& bytes : carried) {
                const auto* tie = reinterpret_cast<const CTieType*>(bytes.data());
                if (!tie->HoldsEnds()) continue;
                CBarItem* to = next->FindNoteOrRestAtX(tie->VoiceField(), end, 0);
                if (!to || !to->IsNote()) continue;
                const int position = tie->StartY();
                const int pitch = tie->Pitch();
                for (int h = 0; h < HeadsIn(to); ++h) {
                    std::uint8_t* head = HeadAt(to, h);
                    if (std::int8_t(head[kHeadPosition]) == position && head[kHeadPitch] == pitch) {
                        head[kHeadLinks] |= kTieEnd;
                        break;
                    }
                }
            }
        }
        // The new piece's ties, and those of the bar's chosen notes, take their shape.
        NotePlaceTies(*piece, track);
        CBarItem* other = nullptr;
        while (next->NextNote(&other, -1))
            if (other != piece && other->IsSelectedBit()) NotePlaceTies(*other, track);
        next->SetCurrent();
        here = next;
        item = piece;
        time = 0;
        meter = next->GetMeterLength();
        duration = int(NoteDuration(*item));
        if (duration < remaining) duration = remaining;
    }
    // A piece that would run past the score's last bar ends at its bar line.
    if (meter > 0 && time + duration > meter) {
        SetValueForDuration(item, meter - time);
        for (int h = 0; h < HeadsIn(item); ++h)
            if (rec::Get<std::uint16_t>(HeadAt(item, h), kHeadDuration) > meter - time)
                rec::Put<std::uint16_t>(HeadAt(item, h), kHeadDuration, std::uint16_t(meter - time));
        item->LayoutChord();
    }
    here->RecalcTimes(nullptr, nullptr);
    return true;
}

CBarItem* CTrkBar::MergeNote(const CBarItem* note, int length, int voice) {
    CScore* score = g_model.currentScore;
    if (!note || !note->IsNote()) return nullptr;
    SetCurrent();
    const int start = note->TimeField();
    int end = start + length;
    // A copy of the note's own size: any number of heads merges.
    std::vector<std::uint8_t> buffer(note->Bytes(), note->Bytes() + note->RecordSizeField());
    auto* copy = reinterpret_cast<CBarItem*>(buffer.data());
    const int heads = HeadsIn(copy);
    for (int h = 0; h < heads; ++h) NoteSpellHead(this, *copy, h);
    const int value = rec::Get<std::uint8_t>(copy, kValue) >> 4;
    bool occupied[8] = {};
    CBarItem* target = nullptr;
    int chosen = voice;
    for (int b = GetBarIndex(); score && b < score->GetBarCount() && !target; ++b) {
        CTrkBar* trkBar = score->GetTrkBar(GetTrackIndex(), b);
        if (!trkBar) break;
        trkBar->SetCurrent();
        const bool firstBar = b == GetBarIndex();
        bool stop = false;
        CBarItem* item = nullptr;
        while (!stop && trkBar->NextItem(&item, voice)) {
            if (!item->IsNoteOrRest()) continue;
            const int t = item->TimeField();
            if (item->IsRest()) {
                if (firstBar && t <= start && int(NoteEndTime(*item)) >= end) {
                    chosen = item->VoiceField();
                    stop = true;
                }
                continue;
            }
            const int itemEnd = SoundingEnd(trkBar, item);
            if ((firstBar && t <= start && itemEnd > start) || (t < end && itemEnd >= end)) {
                occupied[item->VoiceField() & 7] = true;
                // The heads join a note that starts with them and lasts as long, or that has
                // their value; never one that starts at another time.
                if (firstBar && t == start && (itemEnd >= end || (rec::Get<std::uint8_t>(item, kValue) >> 4) == value)) {
                    target = item;
                    stop = true;
                }
            }
        }
        if (stop) break;
        const int meter = trkBar->GetMeterLength();
        if (end <= meter || meter <= 0) break;
        end -= meter;
    }
    SetCurrent();
    const int reach = int(NoteDuration(target ? *target : *copy));
    for (int h = 0; h < heads; ++h) {
        std::uint8_t* head = HeadAt(copy, h);
        head[kHeadLinks] = length > reach ? std::uint8_t(head[kHeadLinks] | kTieStart) : std::uint8_t(head[kHeadLinks] & ~kTieStart);
    }
    CBarItem* result = nullptr;
    if (!target) {
        if (chosen < 0) {
            chosen = 0;
            while (chosen < 7 && occupied[chosen]) ++chosen;
        }
        result = InsertCopy(copy);
        if (!result) return nullptr;
        result->SetVoice(chosen);
        rec::Put<std::uint8_t>(result, kFlags, std::uint8_t(rec::Get<std::uint8_t>(result, kFlags) & ~kBeamedBit));
        NoteUpdateStem(*result, 3);
    } else {
        result = ResizeNote(target, HeadAt(copy, 0), heads);
        if (!result) return nullptr;
        result->LayoutChord();
    }
    result->Invalidate();
    return result;
}
