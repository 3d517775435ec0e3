#include "midi/MidiRecorder.h"

#include <algorithm>

#include "midi/MidiLayer.h"
#include "model/Bar.h"
#include "model/Data.h"
#include "model/Playback.h"
#include "model/Preferences.h"
#include "model/Score.h"
#include "model/ScoreItem.h"
#include "model/TrkBar.h"
#include "model/NoteSize.h"

namespace {

// The kind flags of the record filter, by their place after "Filter".
enum FilterFlag : int {
    kNotes = 0, kProgramChange = 1, kPitchBend = 2, kAfterTouch = 3, kPolyAfterTouch = 4,
    kModWheel = 6, kBreath = 7, kFoot = 8, kPortamentoTime = 9, kVolume = 10, kPan = 11, kSustain = 12,
    kPortamentoPedal = 13,
};

// The flag of a message kind; -1 for a controller without a flag of its own.
int FlagOf(int status, int data1) {
    switch (status & 0xF0) {
    case 0x80:
    case 0x90: return kNotes;
    case 0xA0: return kPolyAfterTouch;
    case 0xC0: return kProgramChange;
    case 0xD0: return kAfterTouch;
    case 0xE0: return kPitchBend;
    default: break;
    }
    switch (data1) {
    case 1: return kModWheel;
    case 2: return kBreath;
    case 4: return kFoot;
    case 5: return kPortamentoTime;
    case 7: return kVolume;
    case 10: return kPan;
    case 64: return kSustain;
    case 65: return kPortamentoPedal;
    default: return -1;
    }
}

int FilterType() { return g_preferences.Byte(Preferences::kFilterType); }

int BarLength(CScore* score, int bar) {
    if (CBar* b = score->GetBar(bar)) return b->GetLength();
    CBar* last = score->GetBar(score->GetBarCount() - 1);
    return last ? last->GetMeterLength() : 1920;
}

int Pickup(CScore* score, int bar) {
    CBar* b = score->GetBar(bar);
    return b ? b->GetShortfall() : 0;
}

constexpr int kRecording = 2;

}  // namespace

namespace recordfilter {
bool Records(int status, int data1) {
    const int type = FilterType();
    if (type == 0) return true;
    const int flag = FlagOf(status, data1);
    if (flag < 0) return type == 1;
    const bool on = g_preferences.Byte(Preferences::kFilterFlags + flag) != 0;
    return type == 2 ? !on : on;
}
}  // namespace recordfilter

void MidiRecorder::Begin(CScore* score, const PlayRange& punch, int track, int voice, int firstBar, int splitKey) {
    score_ = score;
    punch_ = punch;
    track_ = std::int16_t(track);
    voice_ = std::int16_t(voice);
    firstBar_ = std::int16_t(firstBar);
    splitKey_ = std::int16_t(splitKey);
    currentBar_ = firstBar_;
    barStart_ = 0;
    if (!queue_) queue_ = &TheInputQueue();
    queue_->Clear();
    resolution_ = std::int16_t(notesize::kValueTicks[g_preferences.Word(Preferences::kQuantizeIndex) & 7]);
    halfResolution_ = std::int16_t(resolution_ / 2 - 1);
    for (OpenNoteSlot& s : slots_) s = OpenNoteSlot{};
}

int MidiRecorder::SongTickOf(int bar, int time) const {
    int t = barStart_;
    for (int b = bar; b < currentBar_; ++b) t -= BarLength(score_, b);
    for (int b = currentBar_; b < bar; ++b) t += BarLength(score_, b);
    return t + time - Pickup(score_, bar);
}

bool MidiRecorder::DrainQueue(int lastBar) {
    if (GetTransportState() != kRecording || !score_ || !queue_) return true;
    const int type = FilterType();
    if (type > 2) return true;
    const bool notes = recordfilter::Records(0x90, 0);
    QueueRecord r{};
    for (;;) {
        if (!queue_->Peek(&r)) {
            FinishBar();
            return true;
        }
        while (int(r.time) >= barStart_ + BarLength(score_, currentBar_)) {
            FinishBar();
            barStart_ += BarLength(score_, currentBar_);
            ++currentBar_;
            if (currentBar_ >= score_->GetBarCount()) {
                if (currentBar_ > punch_.toBar || currentBar_ > lastBar) return true;
                if (!score_->AppendBar(false)) return false;
            }
        }
        if (currentBar_ > lastBar) return true;
        queue_->Get(&r);
        eventTick_ = std::int32_t(r.time);
        timeInBar_ = eventTick_ - barStart_ + Pickup(score_, currentBar_);
        const int kind = r.status & 0xF0;
        bool ok = true;
        if (kind == 0x90 && r.data2 != 0) {
            if (notes) ok = NoteOn(eventTick_, r.data1, r.data2);
        } else if (kind == 0x80 || kind == 0x90) {
            if (notes) ok = NoteOff(eventTick_, r.data1, kind == 0x80 ? r.data2 : 0);
        } else {
            ok = Data(r.status, r.data1, r.data2);
        }
        if (!ok) return false;
    }
}

bool MidiRecorder::NoteOn(int tick, int key, int velocity) {
    const int q = (timeInBar_ + halfResolution_) / resolution_ * resolution_;
    for (OpenNoteSlot& s : slots_) {
        if (s.active) continue;
        s = OpenNoteSlot{tick, track_, currentBar_, std::int16_t(timeInBar_), true, splitKey_,
                         std::uint8_t(key & 127), std::uint8_t(velocity & 127), std::uint8_t(voice_ & 7), 0};
        if (currentBar_ + 1 == punch_.fromBar && q >= BarLength(score_, currentBar_)) {
            // Played just before the punch-in bar, it counts from that bar's start.
            s.start += BarLength(score_, currentBar_) - (timeInBar_ - Pickup(score_, currentBar_));
            s.bar = punch_.fromBar;
            s.time = std::int16_t(Pickup(score_, punch_.fromBar));
        } else if (currentBar_ == punch_.fromBar && timeInBar_ < punch_.fromTick && q >= punch_.fromTick) {
            s.start += punch_.fromTick - timeInBar_;
            s.time = punch_.fromTick;
        }
        return true;
    }
    return true;  // a 65th sounding note is dropped
}

bool MidiRecorder::NoteOff(int tick, int key, int releaseVelocity) {
    for (OpenNoteSlot& s : slots_) {
        if (!s.active || s.key != key) continue;
        s.active = false;
        if (punch_.IsBefore(s.bar, s.time) || punch_.IsAtOrAfterEnd(s.bar, s.time)) return true;
        int duration = tick - s.start;
        if (punch_.toBar < 32767) {
            const int end = SongTickOf(punch_.toBar, punch_.toTick);
            if (s.start + duration > end) {
                duration = end - s.start;
                // What is left of a note cut at the punch-out point must be worth a note.
                if (duration < resolution_) return true;
            }
        }
        if (duration <= 0) duration = 1;
        CTrkBar* tb = score_->GetTrkBar(s.track, s.bar);
        if (!tb) return true;
        PerformanceEvent p;
        p.time = s.time;
        p.voice = s.voice;
        p.duration = std::min(duration, 32766);
        p.key = s.key;
        p.byte9 = s.velocity;
        p.byte10 = std::uint8_t(releaseVelocity ? releaseVelocity : 64);
        tb->SetCurrent();
        return tb->AddPerformanceNote(p);
    }
    return true;
}

bool MidiRecorder::Data(int status, int data1, int data2) {
    if (!recordfilter::Records(status, data1)) return true;
    if (!punch_.Contains(currentBar_, timeInBar_)) return true;
    CTrkBar* tb = score_->GetTrkBar(track_, currentBar_);
    if (!tb) return true;
    tb->SetCurrent();
    CBarItem* item = tb->NewItem(0xA0 + ((status >> 4) & 15), timeInBar_);
    if (!item) return false;
    item->SetVoice(voice_);
    static_cast<CData*>(item)->SetDataBytes(data1, data2);
    return true;
}

void MidiRecorder::FinishBar() {
    if (CTrkBar* tb = score_->GetTrkBar(track_, currentBar_)) tb->RecalcAccidentals();
    if (splitKey_ >= 0)
        if (CTrkBar* tb = score_->GetTrkBar(track_ + 1, currentBar_)) tb->RecalcAccidentals();
}

bool MidiRecorder::IsFilteredItem(CBarItem& item) {
    const int code = item.TypeCode();
    const bool data = code >= 170 && code <= 175;
    if (FilterType() == 0) return item.IsNoteFamily() || item.IsOttava() || data;
    if (item.IsNoteFamily() || item.IsOttava()) return recordfilter::Records(0x90, 0);
    if (data) {
        auto& d = static_cast<CData&>(item);
        return recordfilter::Records((code - 0xA0) << 4, d.GetDataByte1());
    }
    return false;
}
