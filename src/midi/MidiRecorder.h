// The MIDI recorder: while the transport records, the input queue's messages (stamped with the
// song tick) are taken out bar by bar and written into one track of the score: notes as
// performance notes with start, duration and velocities, every other channel message as a MIDI
// data item. The punch range limits what is written; the record filter of the preferences
// chooses the kinds of message recorded. User-interface thread only.
#pragma once
#include <cstdint>

#include "midi/PlayRange.h"

class CBarItem;
class CQueue;
class CScore;

// The record filter of the preferences ("Type" and the kind flags).
namespace recordfilter {
// Whether a channel message of that status kind (0x80-0xE0) and first data byte is recorded.
bool Records(int status, int data1);
}  // namespace recordfilter

class MidiRecorder {
public:
    // A sounding note.
    struct OpenNoteSlot {
        std::int32_t start = 0;     // song tick
        std::int16_t track = 0, bar = 0, time = 0;
        bool active = false;
        std::int16_t splitKey = -1;
        std::uint8_t key = 0, velocity = 0, voice = 0, channel = 0;
    };
    static constexpr int kSlots = 64;

    // Stores them; current bar = first bar, bar start 0, the queue's unread records dropped,
    // resolution from the preferences, every slot free.
    void Begin(CScore* score, const PlayRange& punch, int track, int voice, int firstBar, int splitKey);
    // Writes the queued input up to the last bar; false when the score could not take a bar or
    // an item. Only while the transport records; otherwise nothing and true.
    bool DrainQueue(int lastBar);
    // Whether the record filter covers an existing item (the punch range clears those).
    static bool IsFilteredItem(CBarItem& item);

    // The queue read (the program's input queue unless a test gives another).
    void SetQueue(CQueue* queue) { queue_ = queue; }
    int Resolution() const { return resolution_; }
    int CurrentBar() const { return currentBar_; }

private:
    bool NoteOn(int tick, int key, int velocity);
    bool NoteOff(int tick, int key, int velocity);
    bool Data(int status, int data1, int data2);
    void FinishBar();
    // The song tick at which a bar starts, counted from the current bar.
    int SongTickOf(int bar, int time) const;

    std::int16_t track_ = 0, voice_ = 0, firstBar_ = 0, splitKey_ = -1, currentBar_ = 0;
    std::int16_t resolution_ = 120, halfResolution_ = 59;
    std::int32_t barStart_ = 0;
    PlayRange punch_;
    std::int32_t eventTick_ = 0, timeInBar_ = 0;
    OpenNoteSlot slots_[kSlots];
    CScore* score_ = nullptr;
    CQueue* queue_ = nullptr;
};
