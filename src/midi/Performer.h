// The performer: turns the score into timed MIDI events a little ahead of play, bar by bar in
// play order (repeats, endings, D.C. and D.S. jumps), and plays what falls due each tick of the
// song clock through the device layer, with MIDI clock, tempo, the metronome and a clean stop.
//
// Threads: Start, SetupChannels, the chase and the first generation pass run on the user-
// interface thread before the clock starts; later passes run on the clock thread and take the
// play lock with a try (a pass that finds it held is skipped and the next catches up); an edit
// of a playing score holds the lock while it changes the score. PlayTick never reads the score:
// bar markers index the bar table Start builds, and every word another thread reads is atomic.
// A performer of one thread (a MIDI file export's) takes no lock at all.
#pragma once
#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "midi/EventPool.h"
#include "midi/Metronome.h"
#include "midi/ClockPerformer.h"
#include "model/Articulation.h"

class CBar;
class CBarItem;
class CMidi;
class CRawNote;
class CScore;
class CTrkBar;

// A level that dynamics, hairpins, octave lines, mark modifiers and play voices set over a span
// of the score: seven points, the span, the voice it applies to (-1 every voice) and a mode.
struct LevelRecord {
    std::int32_t value[7] = {};
    std::int32_t startBar = -1, startPos = 0, endBar = 0, endPos = 0, voice = -1, mode = 0;

    void Clear() { *this = LevelRecord{}; }
    bool Active() const { return startBar >= 0; }
    int Value() const { return Active() ? value[0] : -1; }
    void Begin(int bar, int position, int v, int m);
    void End(int bar, int position, int v);
    bool Covers(int bar, int position) const;
    bool AppliesTo(int v) const { return voice == -1 || voice == v; }
    int Interpolate(int bar, int position) const;
};

// A value a mark or a held note left on a port and channel.
struct ChannelMemo {
    std::int16_t port = 0;
    std::uint8_t channel = 0, voice = 0, first = 0, second = 0;
};

// One track's state while it plays.
struct TrackPlayState {
    enum { kDynamic, kOttava, kHairpin, kModifier, kPlayVoice };
    std::uint8_t track = 0;
    std::atomic<std::uint8_t> plays{0};
    std::uint8_t notTablature = 1;
    std::uint8_t recordReplace = 0;
    std::uint8_t grandStaffTop = 0;
    std::int16_t voiceCount = 0;
    std::atomic<std::uint8_t> voicePlays[8] = {};
    std::atomic<std::uint8_t> doubling[8] = {};
    LevelRecord levels[5];
    // The voices' current ports and channels: a doubling sends on the next voice's from the
    // clock thread while a port change on the user-interface thread moves them.
    std::atomic<std::int16_t> voicePort[8] = {};
    std::int16_t voicePortSet[8] = {};
    std::atomic<std::uint8_t> voiceChannel[8] = {};
    std::uint8_t voiceChannelSet[8] = {};
    std::int8_t transpose[8] = {};
    std::int32_t patch[8] = {};
    std::int32_t program[8] = {};
    std::int32_t keySwitchBase[8] = {};
    ChannelMemo voiceKeySwitch[8], voiceProgram[8], voiceController[8];
    ChannelMemo markKeySwitch[8];  // per mark slot: a key switch an item's mark sent
    // A bend's curve per voice, applied by the voice's next note as one more mark when pending.
    MarkPlayback bendCurve[8] = {};
    std::uint8_t bendPending[8] = {};
    // A slur's legato copy per voice: voice + 1 the next note is copied to, and key switch + 1
    // sent with it (0 none).
    std::uint8_t legatoVoice[8] = {}, legatoKeySwitch[8] = {};
    int clef = 0, key = 0;  // the track's clef and key (ornaments' staff steps)
    std::int8_t harpStrings[7] = {2, 0, 11, 4, 5, 7, 9};  // pitch classes a harp glissando plays
    ChannelMemo heldNote[16];
    ChannelMemo programRestore[16];
    ChannelMemo controllerRestore[16];

    void Clear();
};

// What PlayTick needs of a bar, read once at Start.
struct BarPlayInfo {
    std::int32_t length = 1920;
    std::int32_t pickup = 0;
    std::int32_t beatLength = 480;
    std::int32_t clickTicks = 480;
    std::uint8_t numerator = 4, denominator = 4;
};

class Performer : public ClockPerformer {
public:
    static constexpr int kMaxTracks = 64;
    static constexpr int kChaseEntries = 1000;

    // With OneThread nothing but the calling thread reaches the performer, its pool and its score
    // while it plays: neither the pool's lock nor the play lock is taken.
    explicit Performer(CMidi* midi, EventPool::Sharing sharing = EventPool::Sharing::Shared);
    ~Performer() override;
    Performer(const Performer&) = delete;
    Performer& operator=(const Performer&) = delete;

    // Prepares playback of the score from tick t of bar b (tracks first..last get their patches,
    // pans and volumes with prepare): the track states, the pool, the chase, the first stretch.
    void Start(CScore* score, int firstTrack, int lastTrack, int bar, int tick, bool chase, bool prepare);
    // Moves the generation target n ticks on and runs one pass (at most one bar).
    void GenerateAhead(int n) override;
    // The bar that follows in play order (-1: the end of the performance).
    int NextBar(int bar);
    CScore* GetScore() const { return score_; }
    // Recomputes which voices play from the tracks' audible bytes (mute and solo).
    void RefreshVoicePlay();
    // After Start: only that track's events sound (MIDI file export plays one track at a time).
    void PlayOnly(int track);
    // A track's output port changed while it plays: its voices follow (the as set copy when it
    // was the current one), under the play lock.
    void TrackPortChanged(int track, int port);
    // Sends the first patch, pan and volume of every port and channel the tracks use.
    void SetupChannels(int firstTrack, int lastTrack);

    // One tick of play; false when a send failed (the tick is tried again).
    bool PlayTickResult();
    void PlayTick() override { PlayTickResult(); }
    // How many ticks from the next on PlayTick would only count: no event due, no note to start,
    // end or silence, no MIDI clock, no bar to move on (at most kManyTicks).
    static constexpr int kManyTicks = 1 << 24;
    int IdleTicks() const;
    // Runs n ticks that IdleTicks promised: the counters move as n PlayTicks would move them.
    void SkipIdleTicks(int n);
    // ClockPerformer: the idle ticks, the metronome's silent ones when it clicks, and those
    // before the play position's next beat (which the score window follows).
    int QuietTicks(bool click) override;
    // Note-offs of every sounding note and the restores of the track (-1 all); then, unless the
    // volume is kept, every port and channel used is reset.
    void Silence(int track, bool keepVolume);
    void Stop() override;

    // A tempo hold (the tempo almost still) from the time for length ticks; none for 0.
    void AddTempoHold(int time, int length);

    // The position ring: bar and ticks into it for a running tick count.
    void RecordPosition(int bar, int runningTick);
    void FindPosition(int* bar, int* tick) const override;

    // ClockPerformer
    int GetTransportState() override;
    int GetTempo() override { return tempo_; }
    void SetTempo(int tempo) override { tempo_ = tempo; }
    int GetCurrentTick() override { return runningTicks_; }
    bool GetBarTicks(bool next, int* barLength, int* beatLength) override;
    void ClickTick() override {
        clickedAt_ = runningTicks_;
        metronome_.Click();
    }
    void StopClick() override { metronome_.Stop(); }
    Metronome& GetMetronome() { return metronome_; }

    // The lock an edit of the playing score holds (never across a dialog or a wait). The user-
    // interface thread may take it again inside an edit (a drag step that runs a task); the
    // clock thread only tries it.
    std::recursive_mutex& PlayLock() { return playLock_; }

    bool PlayEnded() const { return playEnded_; }
    bool GenerationEnded() const { return generationEnded_; }
    int GetNow() const { return now_; }
    int GetRunningTicks() const { return runningTicks_; }
    // The metronome set to the playing bar and its tick (as the transport starts it).
    void StartMetronome();
    int GetPlayBar() const { return playBar_; }
    int GetTickInBar() const { return tickInBar_; }
    int GetClockCounter() const { return clockCounter_; }
    int BarsAhead() const { return barsAhead_; }
    EventPool& Pool() { return pool_; }
    // The text of a lyric event's slot (kept for the next 256 syllables).
    static constexpr int kLyricSlots = 256;
    const char* LyricText(int slot) const { return slot >= 0 && slot < kLyricSlots ? lyricTexts_[slot] : ""; }
    // The pass counter of a jump mark (the repeat count's, an ending's).
    int JumperPass(int bar, int n) const;

private:
    enum class Walk { GoOn, Stop };
    Walk walkTrack(int track);
    bool playItem(CBarItem* item);
    bool playNote(CBarItem* note);
    int tiedLength(CRawNote* note, int head);
    bool playTempo(CBarItem* item, int time);
    bool playDynamic(CBarItem* item);
    bool playHairpin(CBarItem* item);
    bool playExpression(CBarItem* item);
    bool playLyric(CBarItem* item);
    bool playSymbol(CBarItem* item);
    bool playOttava(CBarItem* item);
    bool playKeySignature(CBarItem* item);
    bool barHasRepeatSign(int track, int bar, int code);
    bool playPatchExpression(CBarItem* item);
    bool playHarpPedal(CBarItem* item);
    bool playChordSymbol(CBarItem* item);
    bool playGlissando(CBarItem* item);
    bool playPedal(CBarItem* item);
    bool playGraphic(CBarItem* item);
    bool playBend(CBarItem* item);
    bool playSlur(CBarItem* item);
    // Where a span of endBars bars after the generation bar ends at a share of its end bar
    // (1/1024): the end bar, the ticks into it and the time (bar lengths added up to the score's
    // last bar).
    void spanEnd(int endBars, int fraction, int* endBar, std::int32_t* endInBar, std::int32_t* end) const;
    // A playback setting's velocity change over a span, its tempo hold and its start and end
    // actions (key switch, controller, program).
    // An item's action (pedal, graphic, slur) also sets the play-voice record over its span.
    void applySetting(const MarkPlayback& pb, int voice, int startBar, int startInBar, int endBar, int endInBar,
                      std::int32_t start, std::int32_t end, bool liftSustain, bool itemAction = false);
    // Whether an item's playback setting asks for anything.
    static bool SettingAsksForAnything(const MarkPlayback& pb);
    CRawNote* findGlissNote(int bar, int voice, int position, int staffPos, int cross, std::uint8_t flag, int* head);
    // The voices a controller item reaches (every voice with all), one per distinct port and
    // channel, on this track and on its braced partner; their number.
    struct ControllerTarget {
        TrackPlayState* state;
        int voice;
    };
    int controllerTargets(int voice, bool all, ControllerTarget* out);
    void addControllers(std::int32_t time, int voice, bool all, int controller, int value);
    TrackPlayState* bracedPartner();
    int voiceTimeBefore(int bar, int voice, int position);
    static constexpr int kPianoMark = 3;  // the dynamics level a sforzando-piano falls back to
    void replayBar(int source, std::int32_t start);
    bool insert(const PerfEvent& e);
    bool insertBarMarker(int time, int param);
    int noteVelocity(TrackPlayState& state, int bar, int position, int voice, int time, int base, int mode = 0,
                     int value = 0);
    bool addNote(int time, int length, int voice, int pitch, int velocity, int release, std::uint8_t kind);
    bool addMessage(int time, int voice, int status, int data1, int data2);
    int keySwitchRelease(int voice, int key) const;
    int ottavaShift(TrackPlayState& state, int bar, int position) const;
    bool sendEvent(const PerfEvent& e, std::uint8_t status, std::uint8_t data1, std::uint8_t data2);
    void chase();
    void preRunJumps(int bar, int endBar);
    std::uint8_t& pass(int bar, int n);
    void publishPosition();

    CMidi* midi_;
    CScore* score_ = nullptr;
    std::recursive_mutex playLock_;
    const bool oneThread_;
    Metronome metronome_;
    std::vector<BarPlayInfo> bars_;
    std::vector<std::uint32_t> barPasses_;
    std::vector<std::uint8_t> jumperPasses_;  // 8 per bar
    std::vector<std::uint8_t> ownItemsGenerated_;

    std::atomic<bool> playEnded_{false}, generationEnded_{false}, started_{false};
    bool tempoHold_ = false;
    std::atomic<bool> generating_{false};
    bool beatDotted_ = false;
    int alCoda_ = 0, alFine_ = 0, beatUnit_ = 3;
    int ringIndex_ = 0;
    std::int32_t ringBars_[16] = {}, ringTicks_[16] = {};
    int firstTrack_ = 0, lastTrack_ = 0, startBar_ = 0, startTick_ = 0;
    int genBar_ = 0;
    std::int32_t genBarStart_ = 0, genTarget_ = 0;
    int genTrack_ = 0;
    std::int32_t resume_[kMaxTracks + 1] = {};
    TrackPlayState states_[kMaxTracks + 1];
    TrackPlayState* state_ = nullptr;
    CTrkBar* trkBar_ = nullptr;
    CBar* bar_ = nullptr;
    std::atomic<std::int32_t> clockCounter_{0}, now_{0}, runningTicks_{0};
    std::int32_t barStart_ = 0;
    std::atomic<std::int32_t> tempo_{12000};
    std::atomic<std::int32_t> playBar_{0}, tickInBar_{0};
    std::int32_t barLength_ = 1920, beatLength_ = 480;
    std::atomic<int> barsAhead_{0};
    std::int32_t clickedAt_ = -1;
    char lyricTexts_[kLyricSlots][64] = {};
    int lyricNext_ = 0;
    EventPool pool_;
    bool inserted_ = false;  // a node went into the pool during this generation pass
};
