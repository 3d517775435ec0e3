// The transcription engine: the performance notes of one voice of a track, over a range of
// bars, become notes, rests, chords, voices, ties, staccato and tenuto marks, tuplets and beams
// in those bars. Recording, MIDI import and the notate command set it up once (Setup) and run
// it once per track and voice (Run). Everything happens on the UI thread, in place, in the
// bars of the track; no pointer into a bar's run is kept across an insertion (the engine holds
// records by bar and byte offset, or copies of them).
//
// Times are ticks, 480 per quarter, from the start of the bar unless said otherwise. Rounding
// is truncating division everywhere, as the quantiser's rule gives it.
#pragma once
#include <cstdint>
#include <functional>
#include <vector>

class CBarItem;
class CRawNote;
class CScore;
class CTrkBar;

namespace transcribe {

// What a bar gives the splitting of a duration: its meter length and beat, the meter's
// numerator and denominator, and whether it is the score's last bar (a note ends there).
struct BarTerms {
    int length = 1920;
    int beat = 480;
    int numerator = 4;
    int denominator = 4;
    bool last = false;
};

// One written piece of a played note: start and length in its bar, the bar, the ties that
// arrive and leave, and the articulation the played length earns.
struct DurationPiece {
    int start = 0;
    int length = 0;
    int bar = 0;
    bool tieIn = false;
    bool tieOut = false;
    bool staccato = false;
    bool tenuto = false;
};

// The settings the splitting reads: the grid and half grid (grid / 2 - 1), the articulation
// flags (bit 0 staccato, bit 1 tenuto) and their percentages.
struct SplitSettings {
    int grid = 120;
    int halfGrid = 59;
    int flags = 0;
    int staccatoValue = 50;
    int tenutoValue = 90;
};

// The grid point of a tick: u = t + halfGrid - 1, then u minus its remainder by the grid
// (truncating, so negative values move toward zero).
int Quantize(int t, int grid, int halfGrid);
// The same on a lattice of q ticks: (x + q/2 - 1) minus its remainder by q.
int Snap(int x, int q);

// The written pieces of a note played from playedStart to playedEnd, notated from p (ticks in
// bar `bar`) and free up to `limit` (ticks counted from that bar's start), with each bar's
// terms from `terms`. Pieces are appended to `out`; returns their number, or -1 when the note
// would need an unbounded number of pieces (damage in the terms).
int SplitDuration(const SplitSettings& settings, const std::function<BarTerms(int)>& terms, int bar, int p, int limit,
                  int playedStart, int playedEnd, std::vector<DurationPiece>* out);

}  // namespace transcribe

// The one transcription engine of the program (g_edit.transcriber).
class Transcriber {
public:
    enum : int { kDone = 0, kCancelled = 1, kOutOfMemory = 100 };

    // Stores the score, the grid (and half grid), the three flags, and last bar = -1. The
    // splitting's articulation settings and the tuplet switch come from the preferences.
    void Setup(CScore* score, int grid, bool allNotes, bool beam, bool voices);
    // Transcribes voice `voice` of a track from firstBar to lastBar (clamped to the score):
    // kDone, kCancelled (the progress dialog's Cancel, before the next bar) or kOutOfMemory
    // (the bars already finished stay transcribed).
    int Run(int track, int firstBar, int lastBar, int voice);
    int Quantize(int t) const { return transcribe::Quantize(t, grid, halfGrid); }

    // Settings read by Setup from the preferences; tests may change them after Setup.
    bool tuplets = true;
    transcribe::SplitSettings split;

    // The grid and flags of the current setup.
    int grid = 120;
    int halfGrid = 59;
    bool allNotes = false;
    bool beam = false;
    bool voices = false;

private:
    struct VoiceSlot {
        int start = 0;
        int end = 0;        // 0 free; kInUse in use in this bar (pass C)
        int staffPos = 0;   // average staff position of the note last placed
    };
    static constexpr int kInUse = 32767;

    CScore* score = nullptr;
    int track = 0;
    int voice = 0;
    int lastBar = -1;
    std::int32_t barStart = 0;
    VoiceSlot slots[8];
    bool exchangeNext = false;
    int firstBar = 0;

    CTrkBar* TrkBar(int bar);
    transcribe::BarTerms Terms(int bar);
    bool Wanted(CBarItem* item, int v);
    int VoicesIn(int bar);
    // The voices the transcription used in the bar, kept by its track bar (0 without one).
    int TranscribedVoices(int bar);

    bool QuantizeStarts(int bar);
    void OrderHeads(int bar);
    bool FormChords(int bar);
    bool MergeIntoChord(int bar, std::ptrdiff_t target, std::ptrdiff_t source);
    void AssignVoices(int bar);
    bool SpellVoice(int bar, int v, bool* used);
    bool BuildNotes(std::vector<std::uint8_t>& note, const std::vector<transcribe::DurationPiece>& pieces);
    void MakeNote(CBarItem* record, int bar, int time, int length);
    bool TieToNext(int bar, std::ptrdiff_t note, int endTime, int endPosition);
    void ExchangeVoices(int bar);

    // Tuplet detection (TranscriberTuplets.cpp).
    struct TupletSlot {
        int start = 0;
        int length = 0;
        std::ptrdiff_t item = -1;  // offset in the bar's run; -1 an empty slot
    };
    struct TupletCandidate {
        int count = 0;
        int windowStart = 0, windowEnd = 0, window = 0;
        int normal = 4;
        TupletSlot slot[9];
    };
    bool FindTuplets(int bar);
    bool MergeEqualStarts(int bar, int w);
    bool TestTuplet(int bar, TupletCandidate& c);
    bool WriteTuplet(int bar, TupletCandidate& c);
    bool ApplyTuplets(int bar, int v);
};

// The edit subsystem's globals: the one transcription engine, the paste options (six bytes used
// of sixteen, zero at start, kept while the program runs) and what other dialogs keep between
// runs.
struct EditGlobals {
    Transcriber transcriber;
    std::uint8_t pasteOptions[16] = {};
    // The multi-bar rest dialog's last "show the range" choice (bit 0), which a new rest takes.
    std::uint8_t multiRestOption = 0;
    // The dynamic and hairpin dialogs' scope choices (0 the item, 1 its track, 2 every track).
    int dynamicScope = 0;
    int hairpinScope = 0;
    // Carry-through: an accidental set while a mouse button is held also goes on the voice's
    // later notes of the bar at the same staff position (off unless set).
    std::uint8_t carryAccidentals = 0;
    // The enclosure dialog's apply-to-all choice.
    int enclosureApplyToAll = 0;
    // Grace timing: 0, a note made wholly grace plays before its time; otherwise on its time,
    // the voice's later notes and rests played that much later (off unless set).
    std::uint8_t graceTiming = 0;
};
extern EditGlobals g_edit;
void ResetEditGlobals();
