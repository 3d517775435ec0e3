// The score root: one open score. It owns every array of the score's records (tracks, pages,
// systems, bars, page texts, lyric lines, fonts, devices, patches) and, for each of 64
// possible tracks, the array of that track's bars. The document creates it with new and
// deletes it; it has no virtual operations.
//
// Invariants kept by the score-wide edits: the track count equals the records of the track
// array, and for every track t below it the bars-of-a-track array t holds bar-count records,
// record b being the bar of track t at bar index b; bar, system and page counts equal their
// arrays' records; every element carries its index and the last-element flag.
#pragma once
#include <climits>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/FontRef.h"
#include "platform/Handles.h"

namespace layout {
struct LayoutSnapshot;
}
class CBar;
class CBarArray;
class CBarItem;
class CDeviceArray;
class CFontArray;
class CLine;
class CLineArray;
class CPage;
class CPageArray;
class CPageText;
class CPageTextArray;
class CLyricArray;
class CPatchArray;
class CScoreItem;
class CScoreTask;
class CTrack;
class CTrackArray;
class CTrkBar;
class CTrkBarArray;
class CZelDoc;
struct ScoreLocation;

// The score's tempo changes in ascending order of time: 14-byte entries of a 16-bit bar index,
// a signed 32-bit time in ticks from the score's start, the tempo in quarter notes per minute
// (x100) and the tempo as marked (x100).
class TempoMap {
public:
    struct Entry {
        std::int16_t bar = 0;
        std::int32_t time = 0;
        std::int32_t tempo = 0;
        std::int32_t marked = 0;
    };
    static constexpr std::uint32_t kEntrySize = 14;

    TempoMap() { buffer.Init(); }
    ~TempoMap() { buffer.Free(); }
    TempoMap(const TempoMap&) = delete;
    TempoMap& operator=(const TempoMap&) = delete;

    int Count() const { return int(buffer.GetSize() / kEntrySize); }
    Entry Get(int i) const;
    // An entry at a time already in the map replaces that entry's two tempo values; otherwise
    // the entry goes before the first with a later time, or at the end. False when memory ran
    // out.
    bool Add(const Entry& entry);
    // Replaces entry i's two tempo values, as adding an entry at its time does (no two entries
    // share a time).
    void SetTempos(int i, std::int32_t tempo, std::int32_t marked);
    // Empties the map.
    void Reset();
    // Keeps the first n entries only.
    void Truncate(int n);
    void Free() {
        buffer.Free();
        buffer.Init();
        data = nullptr;
        room = 0;
    }

private:
    bool AppendEntry(const std::uint8_t* bytes);
    HandleBuffer buffer;
    // The block's address (the buffer keeps it locked) and size, noted at every resize.
    std::uint8_t* data = nullptr;
    std::uint32_t room = 0;
};

class CScore {
public:
    static constexpr int kMaxTracks = 64;
    static constexpr int kTrkBarElementSize = 44;
    static constexpr int kDeviceElementSize = 138;
    static constexpr int kPatchElementSize = 140;

    // Builds an empty score. Out of memory raises the memory exception and leaves nothing.
    explicit CScore(CZelDoc* document);
    ~CScore();
    CScore(const CScore&) = delete;
    CScore& operator=(const CScore&) = delete;

    // --- counts ---
    std::int16_t GetTrackCount() const { return trackCount; }
    std::int16_t GetPageCount() const { return pageCount; }
    std::int16_t GetLineCount() const { return lineCount; }
    std::int16_t GetBarCount() const { return barCount; }
    // The memory the score takes, in kilobytes.
    std::int32_t GetSizeInKilobytes();

    // --- elements: null for an index outside the array's elements ---
    CBar* GetBar(int index);
    CLine* GetLine(int index);
    CPage* GetPage(int index);
    CTrack* GetTrack(int index);
    CPageText* GetPageText(int index);
    // The bar `bar` of track `track` (one of the 64 track-bar arrays).
    CTrkBar* GetTrkBar(int track, int bar);

    // Opens the bar of a track at `bar` in the track's array and sets it up (track number,
    // index, empty item run); false, with nothing changed, when there is no room.
    bool InsertTrkBar(int track, int bar);
    bool RemoveTrkBar(int track, int bar);

    // --- voices the document shows ---
    bool IsVoiceShown(int voice) const;
    // False for a removed item; else whether its voice (bits 5-7 of byte 9) is shown.
    bool IsItemInShownVoice(const CScoreItem* item) const;

    // Removes bracket nesting level `level` (0-3) from a staff and the staves that bracket
    // spans, in every system.
    void RemoveBracketLevel(int level, int staff);
    // Shows a pop-up menu of the tracks at a screen point; true with the chosen index in
    // *track, false (and *track untouched) when the menu is dismissed.
    bool ChooseTrackFromMenu(int x, int y, int* track);

    // --- tracks in and out ---
    // Adds the tracks of a kind at index (0 to the track count): 0-3 a treble, bass, alto or
    // tenor staff, 4 percussion, 5 tablature, 6 a braced treble and bass pair, 7 a treble
    // above a braced treble and bass pair. Their staves are hidden in the systems before
    // `firstShownSystem`; the systems below move down by the height gained. False when a record,
    // a bar of a track, a staff or a key signature copy cannot be made (the caller's undo
    // snapshot gives the score back) or the score would pass 64 tracks.
    bool InsertTrack(int index, int kind, int firstShownSystem);
    // Removes one track with its staves and bars; the only track stays (true, nothing changed).
    bool DeleteTrack(int index);
    // Moves a track to another index; every staff slot keeps its place on the page.
    void MoveTrack(int from, int to);
    // Switches one track between concert and transposed display (bit 0 of `on`) and rewrites its
    // clefs, key signatures and written notes in every bar.
    void SetTrackTransposedDisplay(int track, int on);
    // Flips the score's transposed display for every track.
    void ToggleTransposedDisplay();
    // Whole bars from the score's start within a time in ticks (the last bar's length repeats
    // past the end; a bar without length ends the count).
    int BarsInTime(std::int32_t ticks);
    // Sets the document's lyric-line count from the lyric lines (1 + the highest line number,
    // at least 1) and returns it.
    int CheckLyricLines();
    // An undo step for an edit made outside the edit operations: the whole score when `bar1`
    // is -1, else the track and bar range; null when the snapshot fails (nothing pushed).
    CScoreTask* NewUndoTask(int nameId, int track1, int bar1, int track2, int bar2);

    // Pops up the instrument library at a screen point, the last entry named like the track
    // current, and sets the track up from the chosen entry in one undoable step. False when
    // nothing is chosen or the undo step cannot be made (nothing changed then).
    bool ChooseTrackInstrument(int x, int y, int track);

    // --- devices, patches and channels ---
    // The device and patch lists rebuilt from what the tracks and their patch changes use (before
    // a save); an entry that cannot be added is left out.
    void CollectDevicesForSave();
    // After a load: the stored devices found again by name under this machine's ids (tracks and
    // the preferences' ports follow), patches by their stored names, the old sample player's
    // ports moved to the engine's.
    void RemapDevicesAfterLoad();
    // Tracks whose port is missing move to the default or first port (as the preferences say);
    // a recorded device that is not open is told once (message 10027).
    void CheckTrackDevices();
    // Marks or adds the device list entry of a port; false when it cannot be added.
    bool NoteDeviceUsed(int port);
    // Marks or adds the patch list entry of a patch the instrument definitions name on a port
    // and channel; false when it cannot be added.
    bool NotePatchUsed(int port, int channel, int patch);
    // A port's name (with the channel from 1 unless it is -1): the stored name of a recorded
    // port that is not available (true), else the live list's (whether the port is available).
    bool GetDeviceDisplayName(int port, int channel, char* out, std::size_t size);
    // A patch's name: the instrument definitions' (true), else the patch list's (false).
    bool GetPatchDisplayName(int port, int channel, std::int32_t patch, char* out, std::size_t size);
    // The stored data of the first patch list entry of the patch that has any (at most the
    // entry's 64 bytes); false when none.
    bool GetStoredPatchData(int patch, std::vector<std::uint8_t>* out);
    // One flag per channel, true where no other track on the port uses it (never channel 9);
    // the lowest free channel, or -1.
    int FindFreeChannel(int track, int port, bool* flags);

    // --- sound ---
    // Works out which voices sound from the tracks' and voices' mute and solo states.
    void UpdateMuteSolo();

    // --- structure: bars, systems and pages in and out ---
    CBar* InsertBar(int index);
    CBar* AppendBar(bool redraw);
    CBar* InsertBarRecords(int index);
    void DeleteBar(int index);
    CLine* AddSystem(int pageIndex, bool fitCheck);
    CLine* InsertLine(int index);
    CPage* InsertPage(int index);
    CPage* NewPageRecord(int index);
    void DeletePage(int index);
    void DeleteSystem(int index);
    bool InsertPageLike(int index, bool after);
    void RecalcStartTimes();
    bool UpdateAllShownStaves();
    void ApplyEngraverSpacing();
    // Renews every element's index, last flag and links (bars, systems, pages, tracks).
    void Reindex();

    // --- marks that reach across bars ---
    // Gives every jump mark of the bars' own items the bar it leads to, limits each ending to
    // the score's end and counts the endings that follow a first ending. Nothing without bars.
    void LinkJumpers();
    // Clears the playback pass byte of every live jump mark (playback stopped).
    void ResetJumpState();
    // Gathers the runs of empty bars among `count` bars from `first` into multi-bar rests of
    // `minRun` to `maxRun` bars (a copy of `rest`, or a default rest, in the run's first bar of
    // every track); rests already in the range are rebuilt. The systems are laid out again.
    // False when a rest could not be inserted (that run stays separate bars).
    bool BuildMultiRests(int first, int count, int minRun, int maxRun, const CBarItem* rest);
    // One multi-bar rest over the bars from `first` up to, not including, `end` (nothing when
    // the run is shorter than `minRun`); false, with nothing changed, when a track's copy of the
    // rest cannot be inserted.
    bool MakeMultiRest(int first, int end, int minRun, int maxRun, const CBarItem* rest);
    // An octave line on a track from `startPosition` in bar `firstBar` to `endPosition` in bar
    // `lastBar`, one piece per bar sharing an identifier no other line starting in the first bar
    // has: the vertical and continuation offsets, the kind (0 an octave up, 1 down, 2 and 3 two
    // up) and the four option bits (0 line style, 1 glyph set, 2 line drawn, 3 parenthesis).
    // False when a piece cannot be inserted (those made stay) or every identifier is taken in
    // the first bar (nothing made).
    bool ApplyOttava(int firstBar, int startPosition, int lastBar, int endPosition, int track, int verticalOffset,
                     int kind, bool option1, bool option2, bool option0, bool option3, int continuationOffset);
    // Moves the syllables of the insertion point's verse and voice one note on (mode 1: from the
    // insertion point up to the first note without one, which takes the last) or one note back
    // (mode 0: closing the free note at the insertion point), saving every bar of a track it
    // changes in the running task. A note tied into is passed over; the walk reaches at most
    // one bar past the slot it last reached. True with *out at that last slot. False when memory
    // runs out or a syllable carried on would find no free note: the task's changes are taken
    // back and it leaves nothing to undo.
    bool ShiftLyrics(int mode, CScoreTask* task, ScoreLocation* out);
    // Renews what each bar and staff inherits from the bars before it, the tempo map and
    // the bars' start times in milliseconds.
    void RecalcBars(bool flag);
    // The same recalculation (flag clear) for an edit that changed nothing before system
    // `firstSystem`: the systems before it keep what the last recalculation gave them, and
    // the walk starts there with the running values that recalculation carried into it. The
    // tempo map and the timing pass resume where that recalculation noted them at the system's
    // first bar; where it could not note them (an entry after went among those before, the
    // pass had already passed over the bar) or an entry of this walk goes among them, the bars'
    // own tempo marks, the tempo map and the timing are renewed from bar 0. Without running
    // values for that system (no recalculation since, another layout of the systems before it,
    // a change to an earlier bar's own items or length, `wholeScorePasses`), the whole score is
    // recalculated.
    void RecalcBarsFromSystem(int firstSystem);
    // Forgets the running values the last recalculation and reindex left, so that the next
    // ones walk the whole score: for an edit of bars or staves early in the score that did not
    // recalculate.
    void ForgetRecalcStarts() {
        recalcStarts.clear();
        reindexStarts.clear();
    }
    // The same for the values carried past bar `barIndex` (that bar's own items or its length
    // changed); the next pass drops them.
    void ForgetPassStartsAfter(int barIndex);

    // --- layout passes ---
    bool RecalcLayout(int startSystem);
    bool ReflowFromPage(int pageIndex);
    bool UpdateBarLayout(int barIndex);
    void FitPagesToHeight(bool alert);
    bool MoveOverflowSystems(int pageIndex);
    bool ShiftSystemAcrossPages(int pageIndex, bool pull);
    bool Repaginate();
    void FitStaffScale();
    void LocatePoint(int x, int y, ScoreLocation* location);

    // --- what lies under the mouse (after LocatePoint filled the location) ---
    // The bars of the located system and of its neighbours on the page: 2 when one is hit.
    int HitBars(int x, int y, ScoreLocation* location);
    // The position handle of a shown staff of the page whose display is on: 4, else 0.
    int HitPositionHandle(int x, int y, ScoreLocation* location);
    // A page text (1, the location's item) or a title block (7, the hit title index); else 0.
    int HitPageTextOrTitle(int x, int y, ScoreLocation* location);
    // The parts of the located system outside the bars: the staff's edge (6), a bracket (3), a
    // track name (5), a time signature (8), the clef (10), time (11) and key (9) areas; else 0.
    int HitSystemParts(int x, int y, ScoreLocation* location);

    // --- new scores ---
    bool BuildSkeleton(int bars, int tracks);
    bool BuildMinimalScore();

    // --- arrays ---
    CTrackArray* GetTrackArray() { return tracks.get(); }
    CPageArray* GetPageArray() { return pages.get(); }
    CLineArray* GetLineArray() { return lines.get(); }
    CBarArray* GetBarArray() { return bars.get(); }
    CPageTextArray* GetPageTextArray() { return pageTexts.get(); }
    CLyricArray* GetLyricArray() { return lyrics.get(); }
    CFontArray* GetFontArray() { return fonts.get(); }
    // Maps every stored font reference of the score through its font table, in the table's
    // direction (recorded for a save, mapped back after a load): the bars', systems', pages' and
    // tracks' records, every bar of every track (with that track current), the page texts, the
    // lyric lines and the score's own fonts. `runsWithFonts`, when given, holds a byte for
    // each bar of each track (track after track), zero for a run that holds no font reference:
    // those runs are passed over, as mapping them would change nothing.
    void RemapFonts(const std::vector<std::uint8_t>* runsWithFonts = nullptr);
    CDeviceArray* GetDeviceArray() { return devices.get(); }
    CPatchArray* GetPatchArray() { return patches.get(); }
    CTrkBarArray* GetTrkBarArray(int track);
    CZelDoc* GetDocument() const { return document; }
    // The array slots themselves, for the edit operations' snapshot exchange.
    std::unique_ptr<CTrackArray>& TrackArraySlot() { return tracks; }
    std::unique_ptr<CPageArray>& PageArraySlot() { return pages; }
    std::unique_ptr<CLineArray>& LineArraySlot() { return lines; }
    std::unique_ptr<CBarArray>& BarArraySlot() { return bars; }
    std::unique_ptr<CPageTextArray>& PageTextArraySlot() { return pageTexts; }
    std::unique_ptr<CTrkBarArray>& TrkBarArraySlot(int track) { return trkBars[track]; }

    // --- options ---
    // The page is printed over as many sheets of the printer's paper as it spans (the document
    // keeps the largest count of pages across and down then).
    std::uint8_t tilePages = 0;
    std::uint8_t showPageMargins = 0;
    std::uint8_t singleTrack = 0;           // option 2: 1 for a one-track score; staff placement clears it
                                            // when there are several tracks
    std::uint8_t transposedDisplay = 0;
    std::uint8_t playRepeats = 1;
    std::uint8_t playbackStyle = 0;         // 0 as recorded, 1 swing, 2 as written
    std::uint8_t staffGroupSeparators = 0;
    std::uint8_t fillWithWholeRests = 1;
    std::uint8_t showRulers = 0;
    std::uint8_t showColors = 1;            // option 9
    std::uint8_t multiBarRestOption = 0;
    std::uint8_t multiBarRestDefault = 80;
    // The guitar capo (Note > Capo): the fret (0-24) and how frames name their chords (0-2).
    std::uint8_t capoFret = 0;              // option 12
    std::uint8_t capoMode = 0;              // option 13
    std::uint8_t trackNamesRightAligned = 0;
    std::uint8_t entryOffset = 0;           // page units
    // The last bar closing with a plain barline gets no automatic final barline (kept in
    // memory only: the stored options have no byte for it).
    std::uint8_t noAutomaticFinalBarline = 0;
    // The large time signature's words last set through the time signature dialog, as a
    // bar keeps them (memory only: the stored options have no bytes for them).
    std::uint8_t largeMeterWords[12] = {};

    std::int16_t trackCount = 0;
    std::int16_t pageCount = 0;
    std::int16_t lineCount = 0;
    std::int16_t barCount = 0;

    FontRef textFont1, textFont2, textFont3;
    FontRef chordFrameFont;
    FontRef textFont5;
    FontRef staffLabelFont;
    std::int16_t layoutWords[5] = {12, 0, 0, 0, 0};
    // Timecode block: mode (0 none, 1 every bar, 2 first bar of each system), at the end,
    // byte 3, no timecode on the first bar, then bytes 5-16.
    std::uint8_t timecode[16] = {};
    std::int16_t timecodeFrameStyle = 3;    // 0: 24 frames, 1: 25, 2: 30 drop-frame, 3: 30
    std::uint32_t timecodeOffset = 0;       // milliseconds
    FontRef timecodeFont;
    std::uint32_t scoreDuration = 0;        // milliseconds
    TempoMap tempoMap;
    HandleBuffer rackText;                  // the audio rack's text as the score file keeps it
    // While a bar recalculation runs, non-zero for each bar index whose bars of every track it
    // has walked and found without a key signature record: their courtesy width needs no walk
    // of the items. Empty otherwise (memory only).
    std::vector<std::uint8_t> keylessBars;
    // Set, bar and system edits run their passes whole: every system the reflow places is
    // also justified there, and the whole score is recalculated (the reference the shorter
    // passes are held to; memory only).
    bool wholeScorePasses = false;
    // The system where the last reflow's recalculation began, and how many recalculations
    // have started after system 0 (memory only).
    int reflowRecalcFrom = 0;
    int partialRecalcs = 0;

private:
    void RecalcBarsFrom(bool flag, int firstSystem);
    // Reindex, but the tracks, the staves and the bars of the tracks are renewed only from
    // system `firstSystem` on: the systems before it hold the bars they held at the last
    // reindex.
    void ReindexFrom(int firstSystem);
    // Set while a bar insertion or deletion reflows: the systems before the reflowed ones keep
    // their bars.
    bool barEditReflow = false;

    // What a bar recalculation carried into each system it walked: the system's bars and,
    // per staff, the clef, key and key display value in force at its start (memory only).
    struct RecalcStart {
        int firstBar = 0;
        int barCount = 0;
        std::vector<std::uint8_t> staves;    // clef, key, display value per track
        // The tempo walk at the system's first bar: the tempo map's entries before it, how many
        // entries had been added, the tempo in force.
        int entries = 0;
        int adds = 0;
        int tempo = 0;
        int unit = 3;
        bool dotted = false;
        // The timing pass before it reached those entries' successor, when nothing added after
        // went among them and the pass had not yet passed over the system's first bar.
        bool timed = false;
        double elapsed = 0;
        int quarter = 0;
        int marked = 0;
        std::int32_t lastTime = 0;
        int cursor = 0;
        bool cursorStamped = false;
    };
    std::vector<RecalcStart> recalcStarts;
    // Each bar's start in ticks as the last recalculation counted it (and the end of the last
    // bar); a recalculation from a later system keeps those before it (memory only).
    std::vector<std::int32_t> recalcTicks;
    // What a reindex carried into each page it walked: the page's first system and bar, and
    // the bar walk's running values there (memory only).
    struct ReindexStart {
        int system = 0;
        int bar = 0;
        std::int32_t start = 0;
        int multiEndRaw = -1;
        int endingStart = -1;
        int endingEnd = 0;
        int numberBar = -1;
        int counted = 0;
    };
    std::vector<ReindexStart> reindexStarts;
    // InsertBar with the layout to put back if the insertion fails.
    CBar* InsertBarKeeping(int index, const layout::LayoutSnapshot& snap);
    // The bar after which the kept starts no longer hold, until the next pass drops them.
    int forgetStartsAfter = INT_MAX;
    void DropForgottenStarts();

    CZelDoc* document = nullptr;
    std::unique_ptr<CTrackArray> tracks;
    std::unique_ptr<CPageArray> pages;
    std::unique_ptr<CLineArray> lines;
    std::unique_ptr<CBarArray> bars;
    std::unique_ptr<CPageTextArray> pageTexts;
    std::unique_ptr<CLyricArray> lyrics;
    std::unique_ptr<CFontArray> fonts;
    std::unique_ptr<CDeviceArray> devices;
    std::unique_ptr<CPatchArray> patches;
    std::unique_ptr<CTrkBarArray> trkBars[kMaxTracks];
};
