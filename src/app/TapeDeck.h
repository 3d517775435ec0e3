// The transport engine: the one object that takes the transport commands (2500 record, 2501
// stop, 2502 play, 2504 play from start), keeps the transport word, starts a performance from
// the insertion point (count-off, punch pre-roll, the recording's undo step, performer, click,
// clock), polls it while it runs and ends it, turning a tempo recording into tempo marks. The
// application owns it; the transport bar and the command routing drive it. User-interface
// thread only; the transport word it writes is the model's atomic (model/Playback.h).
#pragma once
#include <cstdint>

#include "midi/MidiRecorder.h"
#include "midi/PlayRange.h"
#include "model/ScoreLocation.h"

class CMidi;
class CScore;
class CScoreTask;
class CZelDoc;
class Performer;

class CTapeDeck {
public:
    enum Command : int { kRecord = 2500, kStop = 2501, kPlay = 2502, kPause = 2503, kPlayFromStart = 2504 };
    // The transport bar's punch events the poll sends.
    enum Event : int { kPunchIn = 2510, kPunchOut = 2511, kRefresh = 2512 };
    // The transport word.
    enum State : int { kStopped = 0, kPlaying = 1, kRecording = 2, kTempoRecording = 3 };

    CTapeDeck(CMidi* midi, Performer* performer);
    CTapeDeck(const CTapeDeck&) = delete;
    CTapeDeck& operator=(const CTapeDeck&) = delete;

    // The transport commands (see the state table in TapeDeck.cpp); nothing without a document.
    void OnCommand(int id);
    // The document transport commands act on (null: none); ignored while playback runs.
    void SetDocument(CZelDoc* document);
    CZelDoc* GetDocument() const { return document_; }
    // The range of the next start and whether the punch is on (the transport bar sets both
    // before every start).
    void SetPlayRange(const PlayRange& range) { playRange_ = range; }
    void SetPunch(bool on) { punch_ = on; }
    bool Punch() const { return punch_; }
    const PlayRange& GetPlayRange() const { return playRange_; }

    // The three stages of a performance.
    void Start();
    void StartClock();
    void Stop();
    // Called while playback runs: generation ahead, the punch events and the display refresh.
    void Poll();
    // Turns the tap tempo list into tempo marks from the start bar on (asking first); false when
    // memory ran out.
    bool InsertTapTempi();
    // Converts the recording up to and including a bar; false when memory ran out.
    bool ConvertBars(int lastBar);
    MidiRecorder& Recorder() { return recorder_; }

    // What the last start worked out.
    int StartBar() const { return startBar_; }
    int StartTick() const { return startTick_; }
    int CountOffBars() const { return countOffBars_; }
    int StateAtStart() const { return stateAtStart_; }
    // Whether the last recording's transcription showed the progress dialog (more than 64 bars).
    bool ShowedProgress() const { return showedProgress_; }

    // Where the poll's punch and refresh events go (the transport bar); none by default.
    using EventSink = void (*)(int event);
    void SetEventSink(EventSink sink) { sink_ = sink; }

private:
    // Clears the record-replace mark of the recorded track (and the lower one).
    void endRecordMarks();
    // In one bar of a track, marks removed what the recording replaces between two ticks.
    bool clearForRecording(int track, int bar, int from, int to);
    // After a recording was converted: the split, the transcription, the refresh.
    void finishRecording(int endBar);

    CMidi* midi_;
    Performer* performer_;
    std::int32_t conversionBar_ = 0;
    std::int32_t stateAtStart_ = 0;
    std::int32_t track_ = 0;
    std::int32_t voice_ = 0;
    std::int32_t startBar_ = 0;
    std::int32_t startTick_ = 0;
    std::int32_t splitPitch_ = -1;
    std::int32_t nextRefresh_ = 0;
    std::int32_t countOffBars_ = 0;
    ScoreLocation location_;
    PlayRange playRange_;
    CZelDoc* document_ = nullptr;
    CScore* score_ = nullptr;
    CScoreTask* undoTask_ = nullptr;
    EventSink sink_ = nullptr;
    MidiRecorder recorder_;
    bool punch_ = false;
    bool showedProgress_ = false;
    // The punch events already sent in this performance.
    bool punchedIn_ = false, punchedOut_ = false;
};
