// Notes and rests placed across bar lines: a record whose time lies past its bar's end moves on
// to the bar it falls in, and one that runs over the bar line is cut there and goes on, its
// heads tied, at the start of the next bar.
#include <cstring>
#include <vector>

#include "model/Bar.h"
#include "model/BarSpacing.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/TrkBar.h"

namespace {

enum : int { kFlags = 18, kValue = 19, kHeadCount = 23, kHeads = 24, kHeadSize = 16 };
enum : int { kHeadShape = 0, kHeadLinks = 1, kHeadAcc = 3, kHeadDuration = 12 };
enum : std::uint8_t { kSlashBit = 0x01, kBeamedBit = 0x08, kInvisible = 0x01, kTieEnd = 0x04, kTieStart = 0x08,
                      kAccShown = 0x04 };
constexpr int kValueTicks[9] = {0, 1920, 960, 480, 240, 120, 60, 30, 15};

int HeadsIn(const CBarItem* note) {
    if (!note->IsNote() && !note->IsRawNote()) return 0;
    const int count = rec::Get<std::uint8_t>(note, kHeadCount);
    const int room = (note->RecordSizeField() - kHeads) / kHeadSize;
    return room < 0 ? 0 : (count < room ? count : room);
}
std::uint8_t* HeadAt(CBarItem* note, int i) { return note->Bytes() + kHeads + kHeadSize * i; }

// The note value and dots that come nearest to a duration from below.
void SetValueForDuration(CBarItem* item, int ticks) {
    int bestCode = 8, bestDots = 0, best = -1;
    for (int code = 1; code <= 8; ++code)
        for (int dots = 0; dots <= 2; ++dots) {
            int t = kValueTicks[code], half = t / 2;
            for (int d = 0; d < dots; ++d, half /= 2) t += half;
            if (t <= ticks && t > best) {
                best = t;
                bestCode = code;
                bestDots = dots;
            }
        }
    rec::Put<std::uint8_t>(item, kValue, std::uint8_t((rec::Get<std::uint8_t>(item, kValue) & 0x0F) | (bestCode << 4)));
    rec::Put<std::uint8_t>(item, kFlags, std::uint8_t((rec::Get<std::uint8_t>(item, kFlags) & 0x3F) | (bestDots << 6)));
    // A slash note shorter than a half takes the filled slash heads.
    if ((rec::Get<std::uint8_t>(item, kFlags) & kSlashBit) && bestCode > 2)
        for (int h = 0; h < HeadsIn(item); ++h) {
            std::uint8_t* head = HeadAt(item, h);
            const int shape = head[kHeadShape] >> 2;
            head[kHeadShape] = std::uint8_t((head[kHeadShape] & 0x03) | ((shape == 7 ? 6 : 2) << 2));
        }
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
        SetValueForDuration(item, first);
        for (int h = 0; h < HeadsIn(item); ++h) {
            std::uint8_t* head = HeadAt(item, h);
            if (head[kHeadShape] & kInvisible) continue;
            rec::Put<std::uint16_t>(head, kHeadDuration, std::uint16_t(first));
            head[kHeadLinks] |= kTieStart;
        }
        item->LayoutChord();
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
        const bool firstBar = b == GetBarIndex();
        bool stop = false;
        CBarItem* item = nullptr;
        while (!stop && trkBar->NextItem(&item, voice)) {
            if (!item->IsNoteOrRest()) continue;
            const int t = item->TimeField();
            const int itemEnd = int(NoteEndTime(*item));
            if (item->IsRest()) {
                if (firstBar && t <= start && itemEnd >= end) {
                    chosen = item->VoiceField();
                    stop = true;
                }
                continue;
            }
            if ((firstBar && t <= start && itemEnd > start) || (t < end && itemEnd >= end)) {
                occupied[item->VoiceField() & 7] = true;
                // Only a note of this bar takes the heads in.
                if (firstBar && ((t == start && itemEnd >= end) || (rec::Get<std::uint8_t>(item, kValue) >> 4) == value)) {
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
