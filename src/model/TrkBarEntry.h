// Entering notes and rests into a bar of a track: the request the note tool and step entry hand
// over, the automatic options that decide what follows each entry (re-beaming, respacing, gaps
// filled with rests), and the state an entry leaves behind (the last entry time, the current
// voice).
#pragma once
#include <cstdint>

class CBar;
class CStaff;
class CTrack;

// One entry as the note tool or step entry asks for it; insertion reads it and updates the time,
// position, voice and stem in place.
struct EntryRequest {
    int voice = 0;                 // 0-7; may move to the neighbouring voice
    int position = 0;              // 1/1024 of the bar's content width; the insertion point after
    double time = 0;               // ticks into the bar; the insertion point after the entry
    int staffPosition = 0;         // the new head's staff position
    int chordSearch = 0;           // -60 or less: no search for a note to join
    int value = 3;                 // note-value code (1 whole ... 8 128th)
    int dots = 0;
    int tupletCount = 0;           // e.g. 3 for a triplet; 0 none
    int tupletSpan = 0;            // e.g. 2 for a triplet
    int stem = 0;                  // 0 automatic, 1 up, 2 down
    bool grace = false;
    int headDuration = 480;        // play duration of a new chord head
    std::uint8_t headBytes[2] = {0, 0};  // a new chord head's first two bytes
    int tabShape = 0;              // a tablature head's shape
    int midiPitch = 60;            // the head's MIDI pitch
    int accidental = 0;            // the note tool's accidental (1-5; 0 none)
    double insertedDuration = 0;   // ticks by which later items move when rests are automatic
    CStaff* staff = nullptr;
    CBar* bar = nullptr;
    CTrack* track = nullptr;
};

// The automatic options (menu commands 36100-36102) and the advance option, and what entries
// share: the last entry's time and the document's current voice.
struct EntryGlobals {
    bool autoBeam = true;       // 36100: re-beam the voice after an entry
    bool autoSpacing = true;    // 36101: recompute positions after an entry
    bool autoRests = true;      // 36102: fill the voice's gaps with rests after an entry
    bool advance = false;       // move the insertion point past the new note
    int lastEntryTime = 0;      // whole ticks of the last entry's time
    bool voiceFlag = false;     // the document's current-voice state: a flag and a voice
    int currentVoice = 0;
};
extern EntryGlobals g_entry;

// Saves the document's current-voice state and puts it back on every way out of a scope.
class CurrentVoiceGuard {
public:
    CurrentVoiceGuard() : flag_(g_entry.voiceFlag), voice_(g_entry.currentVoice) {}
    ~CurrentVoiceGuard() {
        g_entry.voiceFlag = flag_;
        g_entry.currentVoice = voice_;
    }
    CurrentVoiceGuard(const CurrentVoiceGuard&) = delete;
    CurrentVoiceGuard& operator=(const CurrentVoiceGuard&) = delete;

private:
    bool flag_;
    int voice_;
};
